#pragma once
// SentenceEdit: corrections of a sentence file's timing and text, as functions from the file's
// old bytes and a change to its new bytes. The sentences are those readSentenceBytes finds in
// the old bytes, in its (sorted) order: sentence i is found by the line and the tag it was
// read from, never by comparing times. Pure functions; any thread.
//
// What is written:
// - Every line that the change does not concern is kept byte for byte, line ends included; a
//   changed line keeps its own line end, and a new line gets the line end of the line it came
//   from (or the file's first line end when that line had none).
// - A changed time tag is written as "[mm:ss.xx]" (lrcTag), with the file's "[offset:]" added
//   back so that reading gives the intended time.
// - The file keeps its encoding and its byte-order mark. When a new text cannot be written in
//   that encoding, the whole file is written as UTF-8 with a byte-order mark instead, so the
//   file never mixes encodings.
// - A line with several tags shares one text among its sentences: when the text of one of them
//   changes, that sentence moves to a line of its own after it, and the others keep theirs.
// - Subtitles (SubRip, WebVTT) are not rewritten: the result is the edited timeline as a UTF-8
//   LRC file, meant to be saved beside them.
#include "SentenceFile.h"

#include <QByteArray>
#include <QString>
#include <map>

// The minutes:seconds text of a time tag (without its brackets) in seconds: the part before
// the first ":" as a base-10 integer and the part after it as a number; -1 when either does
// not convert.
float parseTime(const QString& tag);
// Seconds as minutes without padding, ":" and the remaining seconds with up to six significant
// digits: 83.25 gives "1:23.25", 5.5 gives "0:5.5"; empty for a negative time. A compact time
// for the learner to read; files are written with lrcTag's "[mm:ss.xx]".
QString formatTime(float seconds);

struct SentenceRetime {
    int sentence = -1;     // the sentence whose bounds move
    float start = -1;      // its new start
    float nextStart = -1;  // the new start of the sentence after it; ignored for the last one
    // New texts (without line break) by sentence index; a text equal to the old one is no
    // change.
    std::map<int, QString> texts;
};

struct SentenceSplit {
    int sentence = -1;
    qsizetype at = -1;       // position in the sentence's text where its second half begins
    float secondStart = -1;  // start time of the second half
};

struct SentenceFileEdit {
    bool ok = false;  // false: the change does not apply to these bytes; `bytes` is empty
    QByteArray bytes;
    bool reencoded = false;  // written as UTF-8 with a byte-order mark instead of its encoding
};

SentenceFileEdit retimeSentenceFile(const QByteArray& old, const SentenceRetime& change);
SentenceFileEdit splitSentenceFile(const QByteArray& old, const SentenceSplit& change);
