#include "SentenceEdit.h"

#include <QStringDecoder>
#include <QStringEncoder>
#include <cmath>
#include <optional>
#include <set>
#include <vector>

namespace {
constexpr char16_t kByteOrderMark = 0xFEFF;
constexpr char kUtf8Mark[] = "\xEF\xBB\xBF";

// How the file's text is laid out in bytes: the width of a code unit, its byte order and the
// length of the byte-order mark in front.
struct Codec {
    QString name;
    int unit = 1;
    bool bigEndian = false;
    qsizetype markBytes = 0;
};

Codec codecOf(const SentenceTimeline& timeline)
{
    Codec codec;
    codec.name = timeline.encoding.isEmpty() ? QStringLiteral("UTF-8") : timeline.encoding;
    if (codec.name.startsWith(QLatin1String("UTF-16")))
        codec.unit = 2;
    else if (codec.name.startsWith(QLatin1String("UTF-32")))
        codec.unit = 4;
    codec.bigEndian = codec.name.endsWith(QLatin1String("BE"));
    if (timeline.byteOrderMark)
        codec.markBytes = codec.unit == 1 ? 3 : codec.unit;
    return codec;
}

// One line of the file in its own bytes: its content and its line end.
struct RawLine {
    QByteArray content;
    QByteArray end;
};

char32_t unitAt(QByteArrayView bytes, qsizetype i, const Codec& codec)
{
    char32_t value = 0;
    for (int b = 0; b < codec.unit; ++b) {
        const auto byte = char32_t(static_cast<unsigned char>(bytes[i + b]));
        value |= codec.bigEndian ? byte << (8 * (codec.unit - 1 - b)) : byte << (8 * b);
    }
    return value;
}

// The lines as the reader splits them: at CR, LF or CRLF; no empty line after a last line end.
std::vector<RawLine> rawLines(QByteArrayView body, const Codec& codec)
{
    std::vector<RawLine> lines;
    const qsizetype whole = body.size() - body.size() % codec.unit;
    qsizetype start = 0;
    while (start < body.size()) {
        qsizetype i = start;
        while (i < whole && unitAt(body, i, codec) != U'\n' && unitAt(body, i, codec) != U'\r')
            i += codec.unit;
        if (i >= whole)
            i = body.size();
        qsizetype endLength = 0;
        if (i < body.size()) {
            const bool crlf = unitAt(body, i, codec) == U'\r' && i + codec.unit < whole &&
                              unitAt(body, i + codec.unit, codec) == U'\n';
            endLength = crlf ? 2 * codec.unit : codec.unit;
        }
        lines.push_back(
            {body.sliced(start, i - start).toByteArray(), body.sliced(i, endLength).toByteArray()});
        start = i + endLength;
    }
    return lines;
}

// What happens to one time tag of a line.
struct TagChange {
    std::optional<float> time;
    std::optional<QString> text;
    qsizetype splitAt = -1;
    float secondStart = -1;
    bool changesText() const { return text.has_value() || splitAt >= 0; }
};
using TagChanges = std::map<int, TagChange>;

struct Rebuilt {
    QString content;
    std::vector<QString> after;  // new lines that follow it
};

QString writtenTag(float seconds, double offset)
{
    return lrcTag(float(std::max(0.0, double(seconds) + offset)));
}

Rebuilt rebuildLine(QStringView line, const TagChanges& changes, double offset)
{
    QString lead;
    if (!line.isEmpty() && line.front() == QChar(kByteOrderMark)) {
        lead = line.first(1).toString();
        line = line.sliced(1);
    }
    const LrcLineTags found = lrcLineTags(line);
    const int count = int(found.tags.size());
    const QString oldText = found.unclosed ? QString() : line.sliced(found.textStart).toString();
    const auto tagText = [&](int k) {
        const auto it = changes.find(k);
        if (it != changes.end() && it->second.time)
            return writtenTag(*it->second.time, offset);
        const LrcLineTags::Tag& tag = found.tags[size_t(k)];
        QString text = line.sliced(tag.begin, tag.end - tag.begin).toString();
        if (!text.endsWith(QLatin1Char(']')))
            text += QLatin1Char(']');  // a tag left open gets its end now that text may follow
        return text;
    };
    // A line's sentences share its text: one whose text changes leaves for a line of its own,
    // unless every one of them would leave; then the first stays.
    std::set<int> moved;
    for (const auto& [k, change] : changes) {
        if (k < count && change.changesText())
            moved.insert(k);
    }
    int inPlace = -1;
    if (!moved.empty() && moved.size() == size_t(count)) {
        inPlace = *moved.begin();
        moved.erase(moved.begin());
    }

    Rebuilt out;
    QString head = lead;
    qsizetype pos = 0;
    for (int k = 0; k < count; ++k) {
        const LrcLineTags::Tag& tag = found.tags[size_t(k)];
        if (!moved.count(k))  // a tag that leaves takes the space before it along
            head += line.sliced(pos, tag.begin - pos).toString() + tagText(k);
        pos = tag.end;
    }
    head += line.sliced(pos, std::max(pos, found.textStart) - pos);

    const auto textOf = [&](const TagChange& change) {
        return change.text ? *change.text : oldText;
    };
    QString text = oldText;
    if (inPlace >= 0) {
        const TagChange& change = changes.at(inPlace);
        text = textOf(change);
        if (change.splitAt >= 0) {
            out.after.push_back(writtenTag(change.secondStart, offset) +
                                text.sliced(change.splitAt));
            text = text.first(change.splitAt);
        }
    }
    out.content = head + text;
    for (int k : moved) {
        const TagChange& change = changes.at(k);
        const QString own = textOf(change);
        if (change.splitAt >= 0) {
            out.after.push_back(tagText(k) + own.first(change.splitAt));
            out.after.push_back(writtenTag(change.secondStart, offset) +
                                own.sliced(change.splitAt));
        } else {
            out.after.push_back(tagText(k) + own);
        }
    }
    return out;
}

// A piece of the new file: bytes kept as they were, or text still to be encoded.
struct Piece {
    QByteArray raw;
    QString text;
    bool isText = false;
};

std::optional<QByteArray> encodeExactly(const QString& text, const QString& encoding)
{
    QStringEncoder encoder(encoding.toLatin1().constData(), QStringEncoder::Flag::Stateless);
    if (!encoder.isValid())
        return std::nullopt;
    QByteArray bytes = encoder.encode(text);
    if (encoder.hasError())
        return std::nullopt;
    QStringDecoder decoder(encoding.toLatin1().constData(), QStringDecoder::Flag::Stateless);
    if (decoder.decode(bytes) != text || decoder.hasError())
        return std::nullopt;  // a character the encoding has no place for
    return bytes;
}

SentenceFileEdit assemble(const QByteArray& old, const Codec& codec,
                          const std::vector<Piece>& pieces)
{
    SentenceFileEdit edit;
    edit.ok = true;
    edit.bytes = old.first(codec.markBytes);
    bool fits = true;
    for (const Piece& piece : pieces) {
        if (!piece.isText) {
            edit.bytes += piece.raw;
            continue;
        }
        const auto encoded = encodeExactly(piece.text, codec.name);
        if (!encoded) {
            fits = false;
            break;
        }
        edit.bytes += *encoded;
    }
    if (fits)
        return edit;
    // Somewhere a new text does not fit the file's encoding: the whole file as UTF-8.
    QStringDecoder decoder(codec.name.toLatin1().constData(), QStringDecoder::Flag::Stateless);
    QString all;
    for (const Piece& piece : pieces)
        all += piece.isText ? piece.text : QString(decoder.decode(piece.raw));
    edit.bytes = QByteArray(kUtf8Mark) + all.toUtf8();
    edit.reencoded = true;
    return edit;
}

QString textWithoutLineEnd(const QString& text)
{
    qsizetype end = text.size();
    while (end > 0 &&
           (text.at(end - 1) == QLatin1Char('\n') || text.at(end - 1) == QLatin1Char('\r')))
        --end;
    return text.first(end);
}

bool validTime(float t) { return std::isfinite(t) && t >= 0; }

// Applies the per-line changes to the LRC bytes.
SentenceFileEdit rewriteLines(const QByteArray& old, const SentenceTimeline& read,
                              const std::map<int, TagChanges>& changes)
{
    const Codec codec = codecOf(read);
    const std::vector<RawLine> lines = rawLines(QByteArrayView(old).sliced(codec.markBytes), codec);
    QByteArray firstEnd;
    for (const RawLine& line : lines) {
        if (!line.end.isEmpty()) {
            firstEnd = line.end;
            break;
        }
    }
    QStringDecoder decoder(codec.name.toLatin1().constData(), QStringDecoder::Flag::Stateless);
    std::vector<Piece> pieces;
    for (size_t n = 0; n < lines.size(); ++n) {
        const RawLine& line = lines[n];
        const auto change = changes.find(int(n));
        if (change == changes.end()) {
            pieces.push_back({line.content + line.end, {}, false});
            continue;
        }
        const QString content = decoder.decode(line.content);
        const Rebuilt rebuilt = rebuildLine(content, change->second, read.offsetSeconds);
        pieces.push_back({{}, rebuilt.content, true});
        const QByteArray separator = !line.end.isEmpty() ? line.end
                                     : !firstEnd.isEmpty()
                                         ? firstEnd
                                         : *encodeExactly(QStringLiteral("\n"), codec.name);
        for (const QString& after : rebuilt.after) {
            pieces.push_back({separator, {}, false});
            pieces.push_back({{}, after, true});
        }
        pieces.push_back({line.end, {}, false});
    }
    return assemble(old, codec, pieces);
}

SentenceFileEdit asLrc(const SentenceTimeline& timeline)
{
    SentenceFileEdit edit;
    edit.ok = true;
    edit.bytes = lrcBytes(timeline);
    return edit;
}
}  // namespace

float parseTime(const QString& tag)
{
    const qsizetype colon = tag.indexOf(QLatin1Char(':'));
    if (colon < 0)
        return -1;
    bool okMinutes = false;
    bool okSeconds = false;
    const int minutes = QStringView(tag).first(colon).toInt(&okMinutes, 10);
    const float seconds = QStringView(tag).sliced(colon + 1).toFloat(&okSeconds);
    if (!okMinutes || !okSeconds)
        return -1;
    return float(minutes) * 60.0f + seconds;
}

QString formatTime(float seconds)
{
    if (!(seconds >= 0))
        return {};
    const int minutes = int(seconds / 60);
    const float rest = seconds - 60.0f * float(minutes);
    return QStringLiteral("%1:%2").arg(minutes).arg(double(rest), 0, 'g', 6);
}

SentenceFileEdit retimeSentenceFile(const QByteArray& old, const SentenceRetime& change)
{
    SentenceTimeline read = readSentenceBytes(old);
    const int count = int(read.times.size());
    const int i = change.sentence;
    if (i < 0 || i >= count || !validTime(change.start))
        return {};
    const bool moveNext = i + 1 < count && validTime(change.nextStart);
    if (moveNext && change.nextStart < change.start)
        return {};
    std::map<int, QString> texts;
    for (const auto& [index, text] : change.texts) {
        if (index >= 0 && index < count && text != textWithoutLineEnd(read.texts.at(index)))
            texts[index] = text;
    }

    if (read.subtitles) {
        read.times[size_t(i)] = change.start;
        if (moveNext)
            read.times[size_t(i) + 1] = change.nextStart;
        for (const auto& [index, text] : texts)
            read.texts[index] = text + QLatin1Char('\n');
        return asLrc(read);
    }
    std::map<int, TagChanges> lines;
    const auto at = [&](int s) -> TagChange& {
        return lines[read.lines[size_t(s)]][read.tagIndices[size_t(s)]];
    };
    at(i).time = change.start;
    if (moveNext)
        at(i + 1).time = change.nextStart;
    for (const auto& [index, text] : texts)
        at(index).text = text;
    return rewriteLines(old, read, lines);
}

SentenceFileEdit splitSentenceFile(const QByteArray& old, const SentenceSplit& change)
{
    SentenceTimeline read = readSentenceBytes(old);
    const int count = int(read.times.size());
    const int i = change.sentence;
    if (i < 0 || i >= count || !validTime(change.secondStart))
        return {};
    const QString text = textWithoutLineEnd(read.texts.at(i));
    if (change.at < 0 || change.at > text.size())
        return {};
    if (read.subtitles) {
        read.texts[i] = text.first(change.at) + QLatin1Char('\n');
        read.texts.insert(i + 1, text.sliced(change.at) + QLatin1Char('\n'));
        read.times.insert(read.times.begin() + i + 1, change.secondStart);
        return asLrc(read);
    }
    std::map<int, TagChanges> lines;
    TagChange& split = lines[read.lines[size_t(i)]][read.tagIndices[size_t(i)]];
    split.splitAt = change.at;
    split.secondStart = change.secondStart;
    return rewriteLines(old, read, lines);
}
