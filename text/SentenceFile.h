#pragma once
// Reading a material's sentence file into the sentence timeline: start times in seconds and
// texts with their line breaks, sorted by time. The one reader of sentence files: the practice
// controller, the text views, the import and the timing editor all read through it. Pure
// functions; any thread.
//
// Understood:
// - Encodings: a byte-order mark decides (UTF-8, UTF-16 LE/BE, UTF-32 LE/BE); without one, valid
//   UTF-8 is UTF-8, UTF-16 without a mark is recognised by its zero bytes, and anything else is
//   GB18030 (which covers GBK and GB2312), or Big5 when that decodes cleanly and GB18030 does
//   not or the byte pairs look like Big5's. Text that decodes cleanly in none of them is read
//   as UTF-8 with replacement characters.
// - LRC: time tags "[m:ss]", "[mm:ss.x]", "[mm:ss.xx]", "[mm:ss.xxx]", "[mm:ss:xx]" (minutes may
//   exceed 99) at the start of a line, after optional white space; several tags on one line give
//   one sentence per tag with the same text; "[offset:±ms]" moves every time earlier by that
//   many milliseconds (times below zero become zero); other metadata tags and untagged lines are
//   skipped; a tag without its "]" runs to the end of the line and has an empty text.
// - SubRip (.srt) and WebVTT (.vtt): one sentence per cue, at the cue's start; its text is the
//   cue's lines joined by a space with markup removed, followed by a line break.
// - Line ends CR, LF or CRLF; a text keeps the line end its line had.
// Limits: a file over kMaxSentenceFileBytes is not read; a line is cut to its first 2047
// characters (the cut part is no sentence); reading stops at a line that begins with a NUL
// character, and a line ends at its first NUL.
#include <QString>
#include <QStringList>
#include <vector>

class QIODevice;

inline constexpr qint64 kMaxSentenceFileBytes = 16 * 1024 * 1024;

struct SentenceTimeline {
    std::vector<float> times;
    QStringList texts;
    // The 0-based line of the file each sentence was read from (for a cue: its timing line).
    std::vector<int> lines;
    // Which of its line's time tags each sentence was read from (0 for the first; 0 for cues).
    std::vector<int> tagIndices;
    bool opened = false;      // the file could be opened
    bool unreadable = false;  // opened, but too large or in no encoding that can be read
    QString encoding;         // the encoding the text was decoded from, e.g. "UTF-8", "GB18030"
    bool byteOrderMark = false;
    bool subtitles = false;    // read as SubRip or WebVTT cues rather than LRC lines
    double offsetSeconds = 0;  // the "[offset:]" that was subtracted from every LRC time
};

// The leading time tags of one LRC line, as the reader finds them: each tag's characters
// (from its "[" up to and including its "]", or to the line's end when it has none) and time,
// and where the sentence text begins.
struct LrcLineTags {
    struct Tag {
        qsizetype begin = 0;
        qsizetype end = 0;
        float time = 0;
    };
    std::vector<Tag> tags;
    qsizetype textStart = 0;
    bool unclosed = false;  // the last tag has no "]": the line has no text
};
LrcLineTags lrcLineTags(QStringView line);

// The sentence file of a media path: the same path with the file name's extension replaced by
// ".lrc"; when that file is absent and a ".srt" or else a ".vtt" of the same name is there,
// that one. A file name without an extension gets the extension appended; dots in folder names
// do not count. Empty for an empty path.
QString sentenceFileOf(const QString& mediaPath);

SentenceTimeline readSentenceFile(const QString& path);
// The same reading from a device that is already open for reading, from its current position;
// `opened` tells whether the device was readable. The format is recognised from the content.
SentenceTimeline readSentences(QIODevice& device);
// The reading of bytes already in memory.
SentenceTimeline readSentenceBytes(const QByteArray& bytes);

// The time tag for a start time as sentence files are written: "[mm:ss.xx]" (minutes with at
// least two digits, centiseconds rounded to nearest); empty for a negative or non-finite time.
QString lrcTag(float seconds);
// A timeline written as a UTF-8 sentence file: one "[mm:ss.xx]text" line per sentence, each
// ended by its text's own line break or "\n".
QByteArray lrcBytes(const SentenceTimeline& timeline);

// The time of the first minutes:seconds tag of a line (after optional white space); -1 when
// the line does not begin with one that converts.
float parseLineTag(const QString& line);
