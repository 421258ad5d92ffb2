// Fuzz target for the sentence-file reader: any bytes are read as a .lrc file. Besides the
// sanitizers it checks what the rest of the program relies on: one text per start time, times
// that are finite and not negative, and texts that are the rest of one line piece.
#include "SentenceFile.h"

#include <QBuffer>
#include <QByteArray>

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
    if (timeline.times.size() != size_t(timeline.texts.size()))
        fail("times and texts differ in number");
    for (size_t i = 0; i < timeline.times.size(); ++i) {
        const float t = timeline.times[i];
        if (!std::isfinite(t) || t < 0)
            fail("a start time is not finite or is negative");
        // A piece holds at most 2047 bytes, and UTF-8 never decodes to more UTF-16 units
        // than it has bytes; the tag takes at least "[" and "]" of them.
        if (timeline.texts[qsizetype(i)].size() > 2045)
            fail("a text is longer than one read piece");
        // Decoding stops at the first NUL, and a text is the rest of one line.
        const QString& text = timeline.texts[qsizetype(i)];
        if (text.contains(QChar(0)))
            fail("a text holds a NUL character");
        const qsizetype lineBreak = text.indexOf(QLatin1Char('\n'));
        if (lineBreak >= 0 && lineBreak != text.size() - 1)
            fail("a text runs over a line break");
    }
    return 0;
}
