#include "SentenceFile.h"

#include <QFile>
#include <cmath>
#include <cstring>

namespace {
constexpr qint64 kPieceBytes = 2048;  // one read: at most 2047 bytes plus the terminator
constexpr char16_t kByteOrderMark = 0xFEFF;

bool readTag(const QString& tag, float* seconds)
{
    const qsizetype colon = tag.indexOf(QLatin1Char(':'));
    if (colon < 0)
        return false;
    bool okMinutes = false;
    bool okSeconds = false;
    const int minutes = tag.left(colon).toInt(&okMinutes, 10);
    const float secs = tag.mid(colon + 1).toFloat(&okSeconds);
    if (!okMinutes || !okSeconds)
        return false;
    const float t = float(minutes) * 60.0f + secs;
    if (!std::isfinite(t))
        return false;
    *seconds = t;
    return true;
}
}  // namespace

QString sentenceFileFor(const QString& mediaPath)
{
    if (mediaPath.isEmpty())
        return QString();  // no material, no sentence file
    const qsizetype nameStart = mediaPath.lastIndexOf(QLatin1Char('/')) + 1;
    const qsizetype dot = mediaPath.lastIndexOf(QLatin1Char('.'));
    const QString base = dot > nameStart ? mediaPath.left(dot) : mediaPath;
    return base + QStringLiteral(".lrc");
}

float parseLineTag(const QString& line)
{
    const qsizetype close = line.indexOf(QLatin1Char(']'));
    const QString tag = close < 0 ? line.mid(1) : line.mid(1, close - 1);
    float t = -1;
    if (tag.isEmpty() || !readTag(tag, &t) || t < 0)
        return -1;
    return t;
}

SentenceTimeline readSentenceFile(const QString& path)
{
    if (path.isEmpty())
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    return readSentences(file);
}

SentenceTimeline readSentences(QIODevice& device)
{
    SentenceTimeline result;
    if (!device.isReadable())
        return result;
    result.opened = true;
    char piece[kPieceBytes];
    for (;;) {
        const qint64 got = device.readLine(piece, kPieceBytes);
        if (got <= 0 || piece[0] == '\0')
            break;
        QString line = QString::fromUtf8(piece, qsizetype(std::strlen(piece)));
        if (!line.isEmpty() && line.front() == QChar(kByteOrderMark))
            line.remove(0, 1);
        const qsizetype close = line.indexOf(QLatin1Char(']'));
        const float t = parseLineTag(line);
        if (t < 0)
            continue;
        result.times.push_back(t);
        // The text is what follows the tag's "]"; a tag that runs to the end of the line
        // without one leaves no text (the raw tag is not a sentence to show).
        result.texts.append(close < 0 ? QString() : line.mid(close + 1));
    }
    return result;
}
