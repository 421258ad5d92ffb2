#include "SentenceFile.h"

#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QStringDecoder>
#include <algorithm>
#include <cmath>
#include <optional>

namespace {
constexpr qsizetype kMaxLineChars = 2047;  // longer lines are cut to this many characters
constexpr char16_t kByteOrderMark = 0xFEFF;
constexpr qsizetype kUtf16SniffBytes = 4096;

struct Decoded {
    QString text;
    QString encoding;
    bool byteOrderMark = false;
    bool clean = true;  // decoded without an error
};

// The text of bytes in a named encoding, or nothing when the decoder reports an error.
std::optional<QString> decodeCleanly(QByteArrayView bytes, const char* encoding)
{
    QStringDecoder decoder(encoding, QStringDecoder::Flag::Stateless);
    if (!decoder.isValid())
        return std::nullopt;
    QString text = decoder.decode(bytes);
    if (decoder.hasError())
        return std::nullopt;
    return text;
}

Decoded decodeWithMark(QByteArrayView bytes, qsizetype markBytes, const char* encoding)
{
    const QByteArrayView body = bytes.sliced(markBytes);
    if (auto text = decodeCleanly(body, encoding))
        return {*text, QString::fromLatin1(encoding), true, true};
    QStringDecoder lossy(encoding);
    return {lossy.decode(body), QString::fromLatin1(encoding), true, false};
}

// UTF-16 written without a mark: text in the Latin range has a zero in every other byte.
const char* sniffUtf16(QByteArrayView bytes)
{
    const qsizetype n = std::min(bytes.size(), kUtf16SniffBytes) & ~qsizetype(1);
    if (n < 4)
        return nullptr;
    qsizetype evenZeros = 0;
    qsizetype oddZeros = 0;
    for (qsizetype i = 0; i < n; i += 2) {
        evenZeros += bytes[i] == '\0';
        oddZeros += bytes[i + 1] == '\0';
    }
    const qsizetype pairs = n / 2;
    if (oddZeros * 10 > pairs * 4 && evenZeros * 20 < pairs)
        return "UTF-16LE";
    if (evenZeros * 10 > pairs * 4 && oddZeros * 20 < pairs)
        return "UTF-16BE";
    return nullptr;
}

// GB18030 reads nearly every Big5 byte pair too, as rare or private-use characters. Text made
// in GB2312 or GBK keeps both bytes of almost every pair at 0xA1 or above, while common Big5
// characters often have a second byte from 0x40 to 0x7E: many of those mean Big5.
bool looksLikeBig5(QByteArrayView bytes)
{
    qsizetype highPairs = 0;
    qsizetype lowPairs = 0;
    for (qsizetype i = 0; i + 1 < bytes.size();) {
        const auto lead = static_cast<unsigned char>(bytes[i]);
        const auto trail = static_cast<unsigned char>(bytes[i + 1]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        if (trail >= 0x30 && trail <= 0x39)
            return false;  // a four-byte GB18030 sequence, which Big5 does not have
        (trail >= 0xA1 ? highPairs : lowPairs) += 1;
        i += 2;
    }
    return lowPairs * 5 > highPairs + lowPairs;
}

Decoded decode(QByteArrayView bytes)
{
    if (bytes.startsWith("\xEF\xBB\xBF"))
        return decodeWithMark(bytes, 3, "UTF-8");
    if (bytes.startsWith(QByteArrayView("\xFF\xFE\0\0", 4)))
        return decodeWithMark(bytes, 4, "UTF-32LE");
    if (bytes.startsWith(QByteArrayView("\0\0\xFE\xFF", 4)))
        return decodeWithMark(bytes, 4, "UTF-32BE");
    if (bytes.startsWith("\xFF\xFE"))
        return decodeWithMark(bytes, 2, "UTF-16LE");
    if (bytes.startsWith("\xFE\xFF"))
        return decodeWithMark(bytes, 2, "UTF-16BE");
    if (const char* utf16 = sniffUtf16(bytes)) {
        Decoded d = decodeWithMark(bytes, 0, utf16);
        d.byteOrderMark = false;
        return d;
    }
    if (auto text = decodeCleanly(bytes, "UTF-8"))
        return {*text, QStringLiteral("UTF-8"), false, true};
    auto gb = decodeCleanly(bytes, "GB18030");
    if (!gb || looksLikeBig5(bytes)) {
        if (auto big5 = decodeCleanly(bytes, "Big5"))
            return {*big5, QStringLiteral("Big5"), false, true};
    }
    if (gb)
        return {*gb, QStringLiteral("GB18030"), false, true};
    return {QString::fromUtf8(bytes), QStringLiteral("UTF-8"), false, false};
}

// One line of the file: its characters without the line end, and the line end.
struct Line {
    QStringView content;
    QStringView end;
};

std::vector<Line> splitLines(const QString& text)
{
    std::vector<Line> lines;
    const QStringView all(text);
    qsizetype start = 0;
    while (start < all.size()) {
        qsizetype i = start;
        while (i < all.size() && all[i] != u'\n' && all[i] != u'\r')
            ++i;
        qsizetype endLength = 0;
        if (i < all.size())
            endLength = (all[i] == u'\r' && i + 1 < all.size() && all[i + 1] == u'\n') ? 2 : 1;
        lines.push_back({all.sliced(start, i - start), all.sliced(i, endLength)});
        start = i + endLength;
    }
    return lines;
}

// A line as the reader sees it: without a leading byte-order mark, ended at its first NUL
// (which also drops the line end), and cut to its first kMaxLineChars characters.
QString cleanLine(const Line& line)
{
    QStringView content = line.content;
    if (!content.isEmpty() && content.front() == QChar(kByteOrderMark))
        content = content.sliced(1);
    const qsizetype nul = content.indexOf(QChar(0));
    QString full =
        nul >= 0 ? content.left(nul).toString() : content.toString() + line.end.toString();
    if (full.size() > kMaxLineChars)
        full = content.left(kMaxLineChars).toString();
    return full;
}

bool allDigits(QStringView s)
{
    return !s.isEmpty() && std::all_of(s.begin(), s.end(), [](QChar c) { return c.isDigit(); });
}

// "m:s" with s any number, or "m:ss:xx" with xx the fraction's digits; -1 when it does not
// convert or is not a finite time of at least zero.
float tagTime(QStringView tag)
{
    const auto parts = tag.split(u':');
    double t = -1;
    if (parts.size() == 2) {
        bool okMinutes = false;
        bool okSeconds = false;
        const int minutes = parts[0].toInt(&okMinutes, 10);
        const float seconds = parts[1].toFloat(&okSeconds);
        if (okMinutes && okSeconds)
            t = double(minutes) * 60.0 + double(seconds);
    } else if (parts.size() == 3 && allDigits(parts[1]) && allDigits(parts[2]) &&
               parts[2].size() <= 3) {
        bool okMinutes = false;
        const int minutes = parts[0].toInt(&okMinutes, 10);
        if (okMinutes)
            t = double(minutes) * 60.0 + parts[1].toDouble() +
                parts[2].toDouble() / std::pow(10.0, double(parts[2].size()));
    }
    const float f = float(t);
    return std::isfinite(f) && f >= 0 ? f : -1;
}

qsizetype skipSpaces(QStringView s, qsizetype pos)
{
    while (pos < s.size() && (s[pos] == u' ' || s[pos] == u'\t'))
        ++pos;
    return pos;
}

struct Sentence {
    float time;
    QString text;
    int line;
    int tag;
};

struct LrcReading {
    std::vector<Sentence> sentences;
    double offsetSeconds = 0;
};

// The leading time tags of one line and its text; metadata lines may set the offset.
void readLrcLine(const QString& line, int lineNumber, LrcReading* reading)
{
    const LrcLineTags found = lrcLineTags(line);
    if (found.tags.empty()) {
        const QStringView s(line);
        const qsizetype pos = skipSpaces(s, 0);
        if (pos < s.size() && s[pos] == u'[') {
            const qsizetype close = s.indexOf(u']', pos);
            const QStringView tag =
                close < 0 ? s.sliced(pos + 1) : s.sliced(pos + 1, close - pos - 1);
            if (tag.startsWith(u"offset:", Qt::CaseInsensitive)) {
                bool ok = false;
                const int ms = tag.sliced(7).trimmed().toInt(&ok);
                if (ok)
                    reading->offsetSeconds = ms / 1000.0;
            }
        }
        return;
    }
    const QString text = found.unclosed ? QString() : line.mid(found.textStart);
    for (size_t k = 0; k < found.tags.size(); ++k)
        reading->sentences.push_back({found.tags[k].time, text, lineNumber, int(k)});
}

const QRegularExpression& cueTiming()
{
    static const QRegularExpression re(QStringLiteral(
        R"(^\s*(?:(\d+):)?(\d{1,2}):(\d{2})[,.](\d{1,3})\s*-->\s*(?:\d+:)?\d{1,2}:\d{2}[,.]\d{1,3})"));
    return re;
}

float cueStart(const QRegularExpressionMatch& m)
{
    const double hours = m.capturedView(1).isEmpty() ? 0 : m.capturedView(1).toDouble();
    const QStringView fraction = m.capturedView(4);
    return float(hours * 3600 + m.capturedView(2).toDouble() * 60 + m.capturedView(3).toDouble() +
                 fraction.toDouble() / std::pow(10.0, double(fraction.size())));
}

QString plainCueText(QString text)
{
    static const QRegularExpression tags(QStringLiteral(R"(<[^>]*>|\{\\[^}]*\})"));
    text.remove(tags);
    text.replace(QLatin1String("&lt;"), QLatin1String("<"))
        .replace(QLatin1String("&gt;"), QLatin1String(">"))
        .replace(QLatin1String("&nbsp;"), QLatin1String(" "))
        .replace(QLatin1String("&lrm;"), QString())
        .replace(QLatin1String("&rlm;"), QString())
        .replace(QLatin1String("&quot;"), QLatin1String("\""))
        .replace(QLatin1String("&amp;"), QLatin1String("&"));
    return text.simplified();
}

// SubRip and WebVTT: a timing line starts a cue, its text runs to the next blank line.
std::vector<Sentence> readCues(const std::vector<QString>& lines)
{
    std::vector<Sentence> sentences;
    for (size_t i = 0; i < lines.size(); ++i) {
        const QRegularExpressionMatch m = cueTiming().match(lines[i]);
        if (!m.hasMatch())
            continue;
        QStringList parts;
        size_t j = i + 1;
        for (; j < lines.size() && !lines[j].trimmed().isEmpty(); ++j) {
            if (cueTiming().match(lines[j]).hasMatch())
                break;
            parts.append(lines[j].trimmed());
        }
        QString text = plainCueText(parts.join(QLatin1Char(' ')));
        text = text.left(kMaxLineChars - 1) + QLatin1Char('\n');
        sentences.push_back({cueStart(m), text, int(i), 0});
        i = j - 1;
    }
    return sentences;
}

// Subtitles when the first line that is either a time tag line or a cue timing line is a cue
// timing line, or when the file declares itself WebVTT.
bool isSubtitles(const std::vector<QString>& lines)
{
    for (const QString& line : lines) {
        const QStringView s = QStringView(line).trimmed();
        if (s.isEmpty())
            continue;
        if (s.startsWith(u"WEBVTT"))
            return true;
        if (s.startsWith(u'['))
            return false;
        if (cueTiming().match(line).hasMatch())
            return true;
    }
    return false;
}

void keepSorted(std::vector<Sentence> sentences, SentenceTimeline* timeline)
{
    std::stable_sort(sentences.begin(), sentences.end(),
                     [](const Sentence& a, const Sentence& b) { return a.time < b.time; });
    for (Sentence& s : sentences) {
        timeline->times.push_back(s.time);
        timeline->texts.append(std::move(s.text));
        timeline->lines.push_back(s.line);
        timeline->tagIndices.push_back(s.tag);
    }
}
}  // namespace

QString sentenceFileOf(const QString& mediaPath)
{
    if (mediaPath.isEmpty())
        return QString();  // no material, no sentence file
    const qsizetype slash = mediaPath.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = mediaPath.lastIndexOf(QLatin1Char('.'));
    // A dot that starts the file name (".hidden") is no extension.
    const QString stem = dot > slash + 1 ? mediaPath.left(dot) : mediaPath;
    const QString lrc = stem + QStringLiteral(".lrc");
    if (QFileInfo::exists(lrc))
        return lrc;
    for (const char* extension : {".srt", ".vtt"}) {
        const QString subtitles = stem + QLatin1String(extension);
        if (QFileInfo(subtitles).isFile())
            return subtitles;
    }
    return lrc;
}

QString lrcTag(float seconds)
{
    if (!std::isfinite(seconds) || seconds < 0)
        return {};
    const qint64 centis = qint64(std::llround(double(seconds) * 100.0));
    return QStringLiteral("[%1:%2.%3]")
        .arg(centis / 6000, 2, 10, QLatin1Char('0'))
        .arg(centis / 100 % 60, 2, 10, QLatin1Char('0'))
        .arg(centis % 100, 2, 10, QLatin1Char('0'));
}

QByteArray lrcBytes(const SentenceTimeline& timeline)
{
    QString text;
    for (size_t i = 0; i < timeline.times.size(); ++i) {
        QString line = timeline.texts.value(qsizetype(i));
        if (!line.endsWith(QLatin1Char('\n')) && !line.endsWith(QLatin1Char('\r')))
            line += QLatin1Char('\n');
        text += lrcTag(timeline.times[i]) + line;
    }
    return text.toUtf8();
}

LrcLineTags lrcLineTags(QStringView s)
{
    LrcLineTags found;
    qsizetype pos = skipSpaces(s, 0);
    while (pos < s.size() && s[pos] == u'[') {
        const qsizetype close = s.indexOf(u']', pos);
        const QStringView tag = close < 0 ? s.sliced(pos + 1) : s.sliced(pos + 1, close - pos - 1);
        const float t = tagTime(tag.trimmed());
        if (t < 0)
            break;
        found.tags.push_back({pos, close < 0 ? s.size() : close + 1, t});
        if (close < 0) {
            found.unclosed = true;
            pos = s.size();
            break;
        }
        pos = close + 1;
        // Tags may stand apart; the text keeps its own leading spaces.
        const qsizetype next = skipSpaces(s, pos);
        if (next < s.size() && s[next] == u'[' && s.indexOf(u']', next) > next &&
            tagTime(s.sliced(next + 1, s.indexOf(u']', next) - next - 1).trimmed()) >= 0)
            pos = next;
    }
    found.textStart = pos;
    return found;
}

float parseLineTag(const QString& line)
{
    const QStringView s(line);
    const qsizetype pos = skipSpaces(s, 0);
    if (pos >= s.size() || s[pos] != u'[')
        return -1;
    const qsizetype close = s.indexOf(u']', pos);
    const QStringView tag = close < 0 ? s.sliced(pos + 1) : s.sliced(pos + 1, close - pos - 1);
    return tag.isEmpty() ? -1 : tagTime(tag.trimmed());
}

SentenceTimeline readSentenceFile(const QString& path)
{
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return readSentences(file);
}

SentenceTimeline readSentences(QIODevice& device)
{
    if (!device.isReadable())
        return {};
    const QByteArray bytes = device.read(kMaxSentenceFileBytes + 1);
    if (bytes.size() > kMaxSentenceFileBytes) {
        SentenceTimeline tooLarge;
        tooLarge.opened = true;
        tooLarge.unreadable = true;
        return tooLarge;
    }
    return readSentenceBytes(bytes);
}

SentenceTimeline readSentenceBytes(const QByteArray& bytes)
{
    SentenceTimeline timeline;
    timeline.opened = true;
    const Decoded decoded = decode(bytes);
    timeline.encoding = decoded.encoding;
    timeline.byteOrderMark = decoded.byteOrderMark;

    std::vector<QString> lines;
    for (const Line& line : splitLines(decoded.text)) {
        if (!line.content.isEmpty() && line.content.front() == QChar(0))
            break;
        lines.push_back(cleanLine(line));
    }
    if (isSubtitles(lines)) {
        timeline.subtitles = true;
        keepSorted(readCues(lines), &timeline);
    } else {
        LrcReading reading;
        for (size_t i = 0; i < lines.size(); ++i)
            readLrcLine(lines[i], int(i), &reading);
        timeline.offsetSeconds = reading.offsetSeconds;
        if (reading.offsetSeconds != 0) {
            for (Sentence& s : reading.sentences)
                s.time = std::max(0.0f, float(double(s.time) - reading.offsetSeconds));
        }
        keepSorted(std::move(reading.sentences), &timeline);
    }
    timeline.unreadable = !decoded.clean && timeline.times.empty() && !bytes.isEmpty();
    return timeline;
}
