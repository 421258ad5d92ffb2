// Fuzz target for the sentence-file reader: any bytes are read as a .lrc file. Besides the
// sanitizers it checks what the rest of the program relies on: one text and one line per start
// time, times that are finite, not negative and sorted, and texts that are the rest of one line.
#include "SentenceFile.h"

#include <QBuffer>
#include <QByteArray>
#include <QRegularExpression>

#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>

namespace {
[[noreturn]] void fail(const char* what)
{
    std::fprintf(stderr, "sentence file: %s\n", what);
    std::abort();
}
}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size)
{
    const QByteArray bytes =
        QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
    QBuffer buffer;
    buffer.setData(bytes);
    if (!buffer.open(QIODevice::ReadOnly))
        fail("buffer did not open");
    const SentenceTimeline timeline = readSentences(buffer);
    if (!timeline.opened)
        fail("a readable device was reported as not opened");
    if (timeline.times.size() != size_t(timeline.texts.size()) ||
        timeline.lines.size() != timeline.times.size())
        fail("times, texts and lines differ in number");
    if (timeline.unreadable && !timeline.times.empty())
        fail("an unreadable file gave sentences");
    for (size_t i = 0; i < timeline.times.size(); ++i) {
        const float t = timeline.times[i];
        if (!std::isfinite(t) || t < 0)
            fail("a start time is not finite or is negative");
        if (i > 0 && t < timeline.times[i - 1])
            fail("start times are not sorted");
        if (timeline.lines[i] < 0)
            fail("a sentence has no line");
        // A line is cut to 2047 characters, and the tag or cue timing is not text.
        const QString& text = timeline.texts[qsizetype(i)];
        if (text.size() > 2047)
            fail("a text is longer than one line");
        if (text.contains(QChar(0)))
            fail("a text holds a NUL character");
        // A text is the rest of one line, with that line's own line end.
        const qsizetype lineEnd = text.indexOf(QRegularExpression(QStringLiteral("[\\r\\n]")));
        if (lineEnd >= 0 && text.mid(lineEnd) != QLatin1String("\n") &&
            text.mid(lineEnd) != QLatin1String("\r") && text.mid(lineEnd) != QLatin1String("\r\n"))
            fail("a text runs over a line break");
    }
    return 0;
}
