#pragma once
// Reading a time-coded sentence file (.lrc) into the sentence timeline: start times in
// seconds and texts with their line breaks, in file order. Pure function; any thread.
#include <QString>
#include <QStringList>
#include <vector>

class QIODevice;

struct SentenceTimeline {
    std::vector<float> times;
    QStringList texts;
    bool opened = false;  // the file could be opened
};

// Lines are read in pieces of at most 2047 bytes (up to and including the line break) and
// decoded as UTF-8 up to the first NUL byte; reading stops at the end of the file or at a
// piece that begins with a NUL byte. A line "[m:s]text" is a sentence when m reads as a
// base-10 integer, s as a number, and m * 60 + s is finite and >= 0. A byte-order mark at
// the start of a line is skipped. A tag without its "]" runs to the end of the line, and
// its sentence has an empty text.
SentenceTimeline readSentenceFile(const QString& path);
// The same reading from a device that is already open for reading, from its current position;
// `opened` tells whether the device was readable.
SentenceTimeline readSentences(QIODevice& device);

// The sentence file of a media file: the same path with the file name's extension replaced by
// ".lrc", or ".lrc" appended to a file name without one. Dots in folder names do not count. Empty
// for an empty path.
QString sentenceFileFor(const QString& mediaPath);

// The minutes:seconds tag between the leading "[" and the first "]" of a line; -1 when it
// does not convert.
float parseLineTag(const QString& line);
