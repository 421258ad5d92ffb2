// Correcting a sentence file: the time texts, and the rewrite from old bytes and a change to
// new bytes, read back with the one sentence-file reader.
#include "SentenceEdit.h"
#include "SentenceFile.h"

#include <QStringEncoder>
#include <QtTest>

namespace {
SentenceRetime retime(int sentence, float start, float nextStart, std::map<int, QString> texts = {})
{
    SentenceRetime change;
    change.sentence = sentence;
    change.start = start;
    change.nextStart = nextStart;
    change.texts = std::move(texts);
    return change;
}

SentenceSplit split(int sentence, qsizetype at, float secondStart)
{
    SentenceSplit change;
    change.sentence = sentence;
    change.at = at;
    change.secondStart = secondStart;
    return change;
}

QByteArray encoded(const QString& text, const char* encoding)
{
    QStringEncoder encoder(encoding);
    return encoder.encode(text);
}
}  // namespace

class TestSentenceEdit : public QObject {
    Q_OBJECT

private Q_SLOTS:
    void timeTexts()
    {
        QCOMPARE(formatTime(83.25f), QStringLiteral("1:23.25"));
        QCOMPARE(formatTime(5.5f), QStringLiteral("0:5.5"));
        QCOMPARE(formatTime(0), QStringLiteral("0:0"));
        QCOMPARE(formatTime(120), QStringLiteral("2:0"));
        QVERIFY(formatTime(-1).isEmpty());
        QCOMPARE(parseTime(QStringLiteral("1:23.25")), 83.25f);
        QCOMPARE(parseTime(QStringLiteral("00:01.50")), 1.5f);
        QCOMPARE(parseTime(QStringLiteral("0:5.5")), 5.5f);
        QCOMPARE(parseTime(QStringLiteral("ti:Title")), -1.0f);
        QCOMPARE(parseTime(QStringLiteral("1:x")), -1.0f);
        QCOMPARE(parseTime(QStringLiteral("15")), -1.0f);
        // What formatTime writes, parseTime reads back.
        for (float t : {0.0f, 1.5f, 59.99f, 83.25f, 3600.5f})
            QCOMPARE(parseTime(formatTime(t)), t);
    }

    void retimeWithDefaultMarks()
    {
        // Marks at their defaults: the sentence keeps its bounds; the tags of it and of the next
        // sentence are written as "[mm:ss.xx]", the list's text replaces the old one, and the
        // untagged and metadata lines stay byte for byte.
        const QByteArray old =
            "[ti:A title]\n[00:01.5]Hello\n[0:4]World\njust words\n[00:09.00]End\n";
        const SentenceFileEdit edit =
            retimeSentenceFile(old, retime(0, 1.5f, 4.0f, {{0, QStringLiteral("Hello there")}}));
        QVERIFY(edit.ok);
        QVERIFY(!edit.reencoded);
        QCOMPARE(edit.bytes, QByteArray("[ti:A title]\n[00:01.50]Hello there\n[00:04.00]World\n"
                                        "just words\n[00:09.00]End\n"));
    }

    void retimeMovesBothBounds()
    {
        const QByteArray old = "[00:01.00]One\n[00:04.00]Two\n[00:09.00]Three\n";
        const SentenceFileEdit edit = retimeSentenceFile(old, retime(1, 4.25f, 8.5f));
        QVERIFY(edit.ok);
        QCOMPARE(edit.bytes, QByteArray("[00:01.00]One\n[00:04.25]Two\n[00:08.50]Three\n"));
        const SentenceTimeline back = readSentenceBytes(edit.bytes);
        QCOMPARE(back.times, (std::vector<float>{1.0f, 4.25f, 8.5f}));
        // Minutes keep two digits, past an hour too; centiseconds are rounded.
        const SentenceFileEdit late = retimeSentenceFile(old, retime(2, 3725.126f, -1));
        QVERIFY(late.ok);
        QVERIFY(late.bytes.endsWith("[62:05.13]Three\n"));
    }

    void lastSentence()
    {
        // The last sentence has no next tag: only its own tag and text change.
        const QByteArray old = "[00:01.00]One\n[00:04.00]Two";
        const SentenceFileEdit edit =
            retimeSentenceFile(old, retime(1, 5, 99, {{1, QStringLiteral("Two!")}}));
        QVERIFY(edit.ok);
        QCOMPARE(edit.bytes, QByteArray("[00:01.00]One\n[00:05.00]Two!"));
    }

    void lineFoundByIndexNotByTime()
    {
        // Unsorted tags and a chorus line: sentence 1 (time 3) is the second tag of the first
        // line; its next sentence (time 5) is on the last line. Comparing times line by line
        // would rewrite the wrong one.
        const QByteArray old = "[00:07.00]Seven\n[00:01.00][00:03.00]Chorus\n[00:05.00]Five\n";
        const SentenceTimeline before = readSentenceBytes(old);
        QCOMPARE(before.times, (std::vector<float>{1, 3, 5, 7}));
        const SentenceFileEdit edit = retimeSentenceFile(old, retime(1, 3.5f, 4.5f));
        QVERIFY(edit.ok);
        QCOMPARE(edit.bytes,
                 QByteArray("[00:07.00]Seven\n[00:01.00][00:03.50]Chorus\n[00:04.50]Five\n"));
    }

    void chorusTextChangeMovesOneSentence()
    {
        // The two sentences of a chorus line share its text: correcting one gives it a line of
        // its own and leaves the other as it was.
        const QByteArray old = "[00:01.00] [00:03.00]Chorus\r\n[00:05.00]Five\r\n";
        const SentenceFileEdit edit =
            retimeSentenceFile(old, retime(1, 3, 5, {{1, QStringLiteral("Chorus again")}}));
        QVERIFY(edit.ok);
        QCOMPARE(edit.bytes, QByteArray("[00:01.00]Chorus\r\n[00:03.00]Chorus again\r\n"
                                        "[00:05.00]Five\r\n"));
        const SentenceTimeline back = readSentenceBytes(edit.bytes);
        QCOMPARE(back.texts,
                 (QStringList{QStringLiteral("Chorus\r\n"), QStringLiteral("Chorus again\r\n"),
                              QStringLiteral("Five\r\n")}));
    }

    void lineEndsAndMarksKept()
    {
        // CRLF stays CRLF, a bare CR stays a CR, and the UTF-8 mark stays in front.
        const QByteArray old = "\xEF\xBB\xBF[00:01.00]One\r\n[00:02.00]Two\r[00:03.00]Three\r\n"
                               "\r\n[by:someone]\r\n";
        const SentenceFileEdit edit = retimeSentenceFile(old, retime(0, 1.2f, 2.4f));
        QVERIFY(edit.ok);
        QCOMPARE(edit.bytes, QByteArray("\xEF\xBB\xBF[00:01.20]One\r\n[00:02.40]Two\r"
                                        "[00:03.00]Three\r\n\r\n[by:someone]\r\n"));
    }

    void ownEncodingKept()
    {
        // A GB18030 file is written in GB18030, its untouched lines byte for byte.
        const QString text =
            QStringLiteral("[00:01.00]你好，世界\n[00:03.00]第二句\n[00:06.00]第三句\n");
        const QByteArray old = encoded(text, "GB18030");
        QCOMPARE(readSentenceBytes(old).encoding, QStringLiteral("GB18030"));
        const SentenceFileEdit edit =
            retimeSentenceFile(old, retime(1, 3.5f, 5.5f, {{1, QStringLiteral("改正的第二句")}}));
        QVERIFY(edit.ok);
        QVERIFY(!edit.reencoded);
        QCOMPARE(edit.bytes, encoded(QStringLiteral("[00:01.00]你好，世界\n[00:03.50]改正的第二句\n"
                                                    "[00:05.50]第三句\n"),
                                     "GB18030"));
        QVERIFY(
            edit.bytes.startsWith(encoded(QStringLiteral("[00:01.00]你好，世界\n"), "GB18030")));

        // UTF-16 with its mark stays UTF-16 with its mark.
        QStringEncoder utf16("UTF-16LE", QStringEncoder::Flag::WriteBom);
        const QByteArray wide = utf16.encode(QStringLiteral("[00:01.00]One\r\n[00:02.00]Two\r\n"));
        const SentenceFileEdit wideEdit = retimeSentenceFile(wide, retime(0, 1.5f, 2.5f));
        QVERIFY(wideEdit.ok);
        QStringEncoder again("UTF-16LE", QStringEncoder::Flag::WriteBom);
        QCOMPARE(wideEdit.bytes,
                 QByteArray(again.encode(QStringLiteral("[00:01.50]One\r\n[00:02.50]Two\r\n"))));
    }

    void textTheEncodingCannotHoldMeansUtf8WithMark()
    {
        // Big5 has no place for these simplified characters: the whole file becomes UTF-8 with
        // a mark, the old lines decoded from Big5 (never a mix of the two).
        const QByteArray old =
            encoded(QStringLiteral("[00:01.00]這是第一句\n[00:03.00]說話\n"), "Big5");
        QCOMPARE(readSentenceBytes(old).encoding, QStringLiteral("Big5"));
        const SentenceFileEdit edit =
            retimeSentenceFile(old, retime(1, 3, -1, {{1, QStringLiteral("说话")}}));
        QVERIFY(edit.ok);
        QVERIFY(edit.reencoded);
        QCOMPARE(edit.bytes, QByteArray("\xEF\xBB\xBF") +
                                 QStringLiteral("[00:01.00]這是第一句\n[00:03.00]说话\n").toUtf8());
    }

    void offsetAddedBack()
    {
        // With "[offset:500]" every time reads half a second earlier than its tag: a new time
        // is written half a second later so that it reads as intended.
        const QByteArray old = "[offset:500]\n[00:02.00]One\n[00:05.00]Two\n";
        const SentenceFileEdit edit = retimeSentenceFile(old, retime(0, 2.0f, 4.0f));
        QVERIFY(edit.ok);
        QCOMPARE(edit.bytes, QByteArray("[offset:500]\n[00:02.50]One\n[00:04.50]Two\n"));
        QCOMPARE(readSentenceBytes(edit.bytes).times, (std::vector<float>{2.0f, 4.0f}));
    }

    void splits()
    {
        const QByteArray old = "[00:01.00]Hello world\r\n[00:05.00]Next\r\n";
        // The second half starts at the given time on a line of its own.
        SentenceFileEdit edit = splitSentenceFile(old, split(0, 6, 2.5f));
        QVERIFY(edit.ok);
        QCOMPARE(edit.bytes,
                 QByteArray("[00:01.00]Hello \r\n[00:02.50]world\r\n[00:05.00]Next\r\n"));
        // At the start of the text: the first line keeps only its tag.
        edit = splitSentenceFile(old, split(0, 0, 2.5f));
        QVERIFY(edit.ok);
        QCOMPARE(edit.bytes,
                 QByteArray("[00:01.00]\r\n[00:02.50]Hello world\r\n[00:05.00]Next\r\n"));
        // A last line without a line end gets the file's line end between the halves.
        edit = splitSentenceFile(old + "[00:09.00]Last words", split(2, 5, 9.5f));
        QVERIFY(edit.ok);
        QVERIFY(edit.bytes.endsWith("[00:09.00]Last \r\n[00:09.50]words"));
        // A position outside the text, a bad index or time: no change at all.
        QVERIFY(!splitSentenceFile(old, split(0, -1, 2.5f)).ok);
        QVERIFY(!splitSentenceFile(old, split(0, 12, 2.5f)).ok);
        QVERIFY(!splitSentenceFile(old, split(2, 0, 2.5f)).ok);
        QVERIFY(!splitSentenceFile(old, split(0, 3, -1)).ok);
        QVERIFY(!retimeSentenceFile(old, retime(-1, 1, 2)).ok);
        QVERIFY(!retimeSentenceFile(old, retime(0, 3, 2)).ok);
    }

    void chorusSplit()
    {
        const QByteArray old = "[00:01.00][00:03.00]Sing along\n[00:05.00]Five\n";
        const SentenceFileEdit edit = splitSentenceFile(old, split(1, 5, 4));
        QVERIFY(edit.ok);
        QCOMPARE(edit.bytes, QByteArray("[00:01.00]Sing along\n[00:03.00]Sing \n"
                                        "[00:04.00]along\n[00:05.00]Five\n"));
    }

    void subtitlesBecomeLrc()
    {
        const QByteArray srt = "1\r\n00:00:01,000 --> 00:00:02,500\r\nFirst line\r\n\r\n"
                               "2\r\n00:00:03,000 --> 00:00:04,000\r\nSecond\r\n";
        SentenceFileEdit edit = retimeSentenceFile(srt, retime(0, 1.25f, 3.5f));
        QVERIFY(edit.ok);
        QCOMPARE(edit.bytes, QByteArray("[00:01.25]First line\n[00:03.50]Second\n"));
        edit = splitSentenceFile(srt, split(0, 6, 2));
        QVERIFY(edit.ok);
        QCOMPARE(edit.bytes, QByteArray("[00:01.00]First \n[00:02.00]line\n[00:03.00]Second\n"));
    }
};

QTEST_GUILESS_MAIN(TestSentenceEdit)
#include "tst_sentenceedit.moc"
