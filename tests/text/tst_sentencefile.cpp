// Reading sentence files: tags, texts, encodings, subtitles and damaged input.
#include "SentenceFile.h"
#include "TestSupport.h"

#include <QBuffer>
#include <QDir>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>
#include <algorithm>
#include <cmath>

class TestSentenceFile : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

    QString write(const QByteArray& bytes)
    {
        static int n = 0;
        const QString path = dir.filePath(QStringLiteral("f%1.lrc").arg(++n));
        QFile f(path);
        f.open(QIODevice::WriteOnly);
        f.write(bytes);
        return path;
    }

private Q_SLOTS:
    void tagsAndTexts()
    {
        const auto t = readSentenceFile(write("[ti:Title]\n[00:01.50]Hello\n[1:02.5]Again\n"
                                              "[00:01.50][00:05.00]Hi\n\n[-1:03.00]neg\n"
                                              "[00:0x.1]bad\nno tag at all\n[00:07]Last"));
        QVERIFY(t.opened);
        QVERIFY(!t.unreadable);
        QCOMPARE(t.encoding, QStringLiteral("UTF-8"));
        // Sorted by time, equal times in file order; the chorus line gives one sentence a tag.
        QCOMPARE(t.times, (std::vector<float>{1.5f, 1.5f, 5.0f, 7.0f, 62.5f}));
        QCOMPARE(t.texts, (QStringList{QStringLiteral("Hello\n"), QStringLiteral("Hi\n"),
                                       QStringLiteral("Hi\n"), QStringLiteral("Last"),
                                       QStringLiteral("Again\n")}));
        QCOMPARE(t.lines, (std::vector<int>{1, 3, 3, 8, 2}));
    }

    void sortedStablyWithLineBreaksKept()
    {
        const auto t = readSentenceFile(write("[00:05.00]b\r\n[00:02.00]a\r\n[00:02.00]dup\r\n"));
        QCOMPARE(t.times, (std::vector<float>{2.0f, 2.0f, 5.0f}));
        QCOMPARE(t.texts, (QStringList{QStringLiteral("a\r\n"), QStringLiteral("dup\r\n"),
                                       QStringLiteral("b\r\n")}));
        QCOMPARE(t.lines, (std::vector<int>{1, 2, 0}));
    }

    void tagForms()
    {
        const auto t = readSentenceFile(write("[0:01]a\n[00:02.5]b\n[00:03.25]c\n[00:04.125]d\n"
                                              "[00:05:50]e\n[120:00.00]f\n  \t[00:06.00]g\n"
                                              "[00:07.00] [00:08.00]h\n[00:09.00][ar:x]i\n"));
        QCOMPARE(t.times, (std::vector<float>{1.0f, 2.5f, 3.25f, 4.125f, 5.5f, 6.0f, 7.0f, 8.0f,
                                              9.0f, 7200.0f}));
        QCOMPARE(t.texts[5], QStringLiteral("g\n"));
        QCOMPARE(t.texts[6], QStringLiteral("h\n"));  // tags apart still tag one text
        QCOMPARE(t.texts[7], QStringLiteral("h\n"));
        QCOMPARE(t.texts[8], QStringLiteral("[ar:x]i\n"));  // a later bracket is text
        QCOMPARE(parseLineTag(QStringLiteral("  [01:02:50]x")), 62.5f);
        QCOMPARE(parseLineTag(QStringLiteral("[ti:Title]")), -1.0f);
    }

    void offsets()
    {
        // A positive offset shows lines earlier; no time goes below zero.
        const auto earlier = readSentenceFile(write("[offset:+500]\n[00:00.20]a\n[00:02.00]b\n"));
        QCOMPARE(earlier.times, (std::vector<float>{0.0f, 1.5f}));
        const auto later = readSentenceFile(write("[ti:x]\n[offset:-250]\n[00:02.00]b\n"));
        QCOMPARE(later.times, (std::vector<float>{2.25f}));
        const auto none = readSentenceFile(write("[offset:]\n[00:02.00]b\n"));
        QCOMPARE(none.times, (std::vector<float>{2.0f}));
    }

    void lineEnds()
    {
        const auto cr = readSentenceFile(write("[00:01.00]one\r[00:02.00]two\r[00:03.00]three"));
        QCOMPARE(cr.times, (std::vector<float>{1.0f, 2.0f, 3.0f}));
        QCOMPARE(cr.texts[0], QStringLiteral("one\r"));
        const auto mixed = readSentenceFile(write("[00:01.00]a\r\n[00:02.00]b\n[00:03.00]c\r"));
        QCOMPARE(mixed.texts, (QStringList{QStringLiteral("a\r\n"), QStringLiteral("b\n"),
                                           QStringLiteral("c\r")}));
    }

    void encodings()
    {
        const QString text = QStringLiteral("[00:01.00]你好，世界\n[00:02.00]再见\n");
        const QStringList expected{QStringLiteral("你好，世界\n"), QStringLiteral("再见\n")};
        struct Case {
            const char* encoding;
            QByteArray mark;
        };
        const Case cases[] = {{"UTF-8", {}},
                              {"UTF-8", QByteArray("\xEF\xBB\xBF")},
                              {"UTF-16LE", QByteArray("\xFF\xFE")},
                              {"UTF-16BE", QByteArray("\xFE\xFF")},
                              {"UTF-16LE", {}},
                              {"UTF-16BE", {}},
                              {"UTF-32LE", QByteArray("\xFF\xFE\0\0", 4)},
                              {"UTF-32BE", QByteArray("\0\0\xFE\xFF", 4)},
                              {"GB18030", {}}};
        for (const Case& c : cases) {
            QStringEncoder encoder(c.encoding);
            QVERIFY(encoder.isValid());
            const QByteArray bytes = c.mark + QByteArray(encoder.encode(text));
            const auto t = readSentenceFile(write(bytes));
            const QString what =
                QStringLiteral("%1 mark:%2").arg(QLatin1String(c.encoding)).arg(!c.mark.isEmpty());
            QVERIFY2(t.times == (std::vector<float>{1.0f, 2.0f}), qPrintable(what));
            QVERIFY2(t.texts == expected, qPrintable(what));
            QVERIFY2(t.encoding == QLatin1String(c.encoding), qPrintable(what + t.encoding));
            QVERIFY2(t.byteOrderMark == !c.mark.isEmpty(), qPrintable(what));
        }
    }

    void chineseLegacyEncodings()
    {
        // "你好" in GBK, and in Big5: bytes as those encodings define them.
        const auto gbk = readSentenceFile(write("[00:01.00]\xC4\xE3\xBA\xC3\r\n"));
        QCOMPARE(gbk.encoding, QStringLiteral("GB18030"));
        QCOMPARE(gbk.texts.value(0), QStringLiteral("你好\r\n"));
        const auto big5 = readSentenceFile(write("[00:01.00]\xA7\x41\xA6\x6E\r\n"));
        QCOMPARE(big5.encoding, QStringLiteral("Big5"));
        QCOMPARE(big5.texts.value(0), QStringLiteral("你好\r\n"));
        // A character only GB18030 has (outside GBK): four bytes.
        const auto gb18030 = readSentenceFile(write("[00:01.00]\x95\x32\x82\x36 \xC4\xE3\n"));
        QCOMPARE(gb18030.encoding, QStringLiteral("GB18030"));
        QCOMPARE(gb18030.texts.value(0), QStringLiteral("\U00020000 你\n"));
        // A longer traditional text encoded as Big5.
        QStringEncoder toBig5("Big5");
        const QString traditional = QStringLiteral("[00:03.00]我們一起學習英文，聽說讀寫。\n");
        const auto longer = readSentenceFile(write(toBig5.encode(traditional)));
        QCOMPARE(longer.encoding, QStringLiteral("Big5"));
        QCOMPARE(longer.texts.value(0), traditional.mid(10));
    }

    void subtitles()
    {
        const QByteArray srt = "\xEF\xBB\xBF"
                               "1\r\n00:00:01,500 --> 00:00:03,000\r\n"
                               "<i>Hello</i> there,\r\n{\\an8}two lines\r\n\r\n"
                               "2\r\n01:02:03,040 --> 01:02:05,000\r\nLater &amp; later\r\n\r\n"
                               "3\r\n00:00:00,250 --> 00:00:01,000\r\nFirst\r\n";
        const auto s = readSentenceFile(write(srt));
        QCOMPARE(s.times, (std::vector<float>{0.25f, 1.5f, 3723.04f}));
        QCOMPARE(s.texts,
                 (QStringList{QStringLiteral("First\n"), QStringLiteral("Hello there, two lines\n"),
                              QStringLiteral("Later & later\n")}));
        const QByteArray vtt = "WEBVTT - a lesson\n\nNOTE a comment\nspanning lines\n\n"
                               "STYLE\n::cue { color: red }\n\nintro\n"
                               "00:01.000 --> 00:04.000 align:start position:10%\n"
                               "<v Roger>Good <b>morning</b></v>\n<c.loud>everyone</c>\n\n"
                               "1:00:00.500 --> 1:00:02.000\nAn hour &lt;on&gt;\n";
        const auto v = readSentenceFile(write(vtt));
        QCOMPARE(v.times, (std::vector<float>{1.0f, 3600.5f}));
        QCOMPARE(v.texts, (QStringList{QStringLiteral("Good morning everyone\n"),
                                       QStringLiteral("An hour <on>\n")}));
        QCOMPARE(v.lines, (std::vector<int>{9, 13}));
    }

    void writtenTagsReadBack()
    {
        QCOMPARE(lrcTag(0), QStringLiteral("[00:00.00]"));
        QCOMPARE(lrcTag(83.25f), QStringLiteral("[01:23.25]"));
        QCOMPARE(lrcTag(59.999f), QStringLiteral("[01:00.00]"));
        QCOMPARE(lrcTag(6000.5f), QStringLiteral("[100:00.50]"));
        QVERIFY(lrcTag(-1).isEmpty());
        // Subtitles converted to a sentence file read back to the same timeline.
        const auto cues = readSentenceBytes("1\n00:00:01,500 --> 00:00:02,000\nOne\n\n"
                                            "2\n00:01:02,250 --> 00:01:03,000\nTwo\n");
        const auto back = readSentenceBytes(lrcBytes(cues));
        QCOMPARE(back.times, cues.times);
        QCOMPARE(back.texts, cues.texts);
        QCOMPARE(lrcBytes(cues), QByteArray("[00:01.50]One\n[01:02.25]Two\n"));
    }

    void sentenceFileOfAMaterial()
    {
        QTemporaryDir folder;
        const QString stem = folder.filePath(QStringLiteral("a.b/lesson"));
        QVERIFY(QDir().mkpath(folder.filePath(QStringLiteral("a.b"))));
        QVERIFY(sentenceFileOf(QString()).isEmpty());
        QCOMPARE(sentenceFileOf(QStringLiteral("./workspace/fox.mp3")),
                 QStringLiteral("./workspace/fox.lrc"));
        QCOMPARE(sentenceFileOf(QStringLiteral("./workspace/a.b.mp4")),
                 QStringLiteral("./workspace/a.b.lrc"));
        QCOMPARE(sentenceFileOf(QStringLiteral("./work.space/.hidden")),
                 QStringLiteral("./work.space/.hidden.lrc"));
        QCOMPARE(sentenceFileOf(QStringLiteral("help.flv")), QStringLiteral("help.lrc"));
        // A name without an extension takes one; the folder's dot is not the name's.
        QCOMPARE(sentenceFileOf(stem), stem + QStringLiteral(".lrc"));
        QCOMPARE(sentenceFileOf(stem + QStringLiteral(".mp3")), stem + QStringLiteral(".lrc"));
        auto touch = [](const QString& path) {
            QFile f(path);
            return f.open(QIODevice::WriteOnly);
        };
        QVERIFY(touch(stem + QStringLiteral(".vtt")));
        QCOMPARE(sentenceFileOf(stem + QStringLiteral(".mp3")), stem + QStringLiteral(".vtt"));
        QVERIFY(touch(stem + QStringLiteral(".srt")));
        QCOMPARE(sentenceFileOf(stem + QStringLiteral(".mp3")), stem + QStringLiteral(".srt"));
        QVERIFY(touch(stem + QStringLiteral(".lrc")));
        QCOMPARE(sentenceFileOf(stem + QStringLiteral(".mp3")), stem + QStringLiteral(".lrc"));
    }

    void unreadableFiles()
    {
        // Bytes that are text in no encoding the reader knows.
        QByteArray noise;
        for (int i = 0; i < 4096; ++i)
            noise.append(char(0x80 | ((i * 37) & 0x7f)));
        const auto t = readSentenceFile(write(noise + "\xFF\xFF"));
        QVERIFY(t.opened);
        QVERIFY(t.unreadable);
        QVERIFY(t.times.empty());
        // Too large to be a sentence file: not read at all.
        QFile big(dir.filePath(QStringLiteral("big.lrc")));
        QVERIFY(big.open(QIODevice::WriteOnly));
        QVERIFY(big.write("[00:01.00]a\n"));
        QVERIFY(big.resize(kMaxSentenceFileBytes + 1));
        big.close();
        const auto tooLarge = readSentenceFile(big.fileName());
        QVERIFY(tooLarge.opened);
        QVERIFY(tooLarge.unreadable);
        QVERIFY(tooLarge.times.empty());
        // An empty file is readable and has no sentences.
        const auto empty = readSentenceFile(write(QByteArray()));
        QVERIFY(empty.opened && !empty.unreadable && empty.times.empty());
    }

    void byteOrderMarksAreNotText()
    {
        // A mark at the start of the file (and of later lines, as some editors write) must not
        // cost the sentence behind it.
        const auto t = readSentenceFile(write("\xEF\xBB\xBF[00:01.00]first\n"
                                              "\xEF\xBB\xBF[00:02.00]second\n"));
        QCOMPARE(t.times, (std::vector<float>{1.0f, 2.0f}));
        QCOMPARE(t.texts[0], QStringLiteral("first\n"));
    }

    void unicodeText()
    {
        const auto t = readSentenceFile(write("[00:01.00]你好，世界 café\n"));
        QCOMPARE(t.texts.value(0), QStringLiteral("你好，世界 café\n"));
    }

    void longLinesAreReadInPieces()
    {
        QByteArray line = "[00:01.00]" + QByteArray(5000, 'a') + "\n[00:09.00]next\n";
        const auto t = readSentenceFile(write(line));
        QCOMPARE(t.times, (std::vector<float>{1.0f, 9.0f}));
        QCOMPARE(t.texts[0].size(), 2047 - 10);  // the first piece only
        QCOMPARE(t.texts[1], QStringLiteral("next\n"));
    }

    void binaryAndMissingFiles()
    {
        QVERIFY(!readSentenceFile(dir.filePath("absent.lrc")).opened);
        // Binary junk without NUL bytes (line breaks, brackets and stray UTF-8 among it) between
        // sentences: the junk lines are dropped, the sentences before and after it are kept.
        QByteArray junk;
        for (int i = 0; i < 4096; ++i)
            junk.append(char(std::max(1, (i * 37) & 0xff)));
        const auto t = readSentenceFile(
            write("[00:01.00]ok\n" + junk + "\n[00:02.00]after\n[00:03.00]cut\0off\n"));
        QVERIFY(t.opened);
        QCOMPARE(t.times, (std::vector<float>{1.0f, 2.0f, 3.0f}));
        QCOMPARE(t.texts, (QStringList{QStringLiteral("ok\n"), QStringLiteral("after\n"),
                                       QStringLiteral("cut")}));
        // A line that begins with a NUL byte ends the reading.
        const auto stopped =
            readSentenceFile(write(QByteArray("[00:01.00]a\n\0[00:02.00]b\n", 25)));
        QCOMPARE(stopped.times, std::vector<float>{1.0f});
        const auto empty = readSentenceFile(write(QByteArray("\0[00:01.00]x\n", 13)));
        QVERIFY(empty.opened);
        QVERIFY(empty.times.empty());
    }

    void devicesReadLikeFiles()
    {
        const QByteArray bytes = "\xEF\xBB\xBF[00:01.00]one\r\n[00:02.50]two\n" +
                                 QByteArray(3000, 'x') + "\n[00:04.00]" + QByteArray(2100, 'y');
        const auto fromFile = readSentenceFile(write(bytes));
        QBuffer buffer;
        buffer.setData(bytes);
        QVERIFY(buffer.open(QIODevice::ReadOnly));
        const auto fromDevice = readSentences(buffer);
        QVERIFY(fromDevice.opened);
        QCOMPARE(fromDevice.times, fromFile.times);
        QCOMPARE(fromDevice.texts, fromFile.texts);
        QCOMPARE(fromDevice.times, (std::vector<float>{1.0f, 2.5f, 4.0f}));

        // Reading starts where the device stands.
        QVERIFY(buffer.seek(bytes.indexOf("[00:02.50]")));
        QCOMPARE(readSentences(buffer).times, (std::vector<float>{2.5f, 4.0f}));

        QBuffer closed;
        closed.setData(bytes);
        const auto none = readSentences(closed);
        QVERIFY(!none.opened);
        QVERIFY(none.times.empty());
        QBuffer writeOnly;
        QVERIFY(writeOnly.open(QIODevice::WriteOnly));
        QVERIFY(!readSentences(writeOnly).opened);
    }

    void unclosedTagKeepsItsTimeButShowsNoTag()
    {
        // The whole line is the tag: its time splits the material, and the learner is not
        // shown the raw tag as the sentence.
        const auto t = readSentenceFile(write("[00:01.00]one\n[00:05.00\n[00:07.5]seven\n[0:0"));
        QCOMPARE(t.times, (std::vector<float>{0.0f, 1.0f, 5.0f, 7.5f}));
        QCOMPARE(t.texts, (QStringList{QString(), QStringLiteral("one\n"), QString(),
                                       QStringLiteral("seven\n")}));
        // A piece that is all tag: a long number without "]".
        const auto digits = readSentenceFile(write("[0:" + QByteArray(2043, '0') + "1\n"));
        QCOMPARE(digits.times.size(), size_t(1));
        QVERIFY(digits.texts.front().isEmpty());
    }

    void nonFiniteTimesAreSkipped()
    {
        const auto t = readSentenceFile(write("[00:inf]a\n[00:nan]b\n[99999999999:00]c\n"));
        for (float v : t.times)
            QVERIFY(std::isfinite(v) && v >= 0);
    }

    void manyLines()
    {
        QByteArray bytes;
        for (int i = 0; i < 5000; ++i)
            bytes += QStringLiteral("[%1:%2.00]line %3\r\n")
                         .arg(i / 60)
                         .arg(i % 60, 2, 10, QLatin1Char('0'))
                         .arg(i)
                         .toUtf8();
        const auto t = readSentenceFile(write(bytes));
        QCOMPARE(t.times.size(), size_t(5000));
        QCOMPARE(t.times.back(), 4999.0f);
        QCOMPARE(t.texts.back(), QStringLiteral("line 4999\r\n"));
    }

    void realFiles()
    {
        const QString data = testsupport::testDataDir();
        if (data.isEmpty())
            QSKIP("shared test data not present");
        const QDir lrc(data + QStringLiteral("/lrc-real"));
        int files = 0;
        for (const QString& name : lrc.entryList({QStringLiteral("*.lrc")})) {
            const auto t = readSentenceFile(lrc.filePath(name));
            QVERIFY2(t.opened, qPrintable(name));
            QCOMPARE(size_t(t.texts.size()), t.times.size());
            for (float v : t.times)
                QVERIFY2(std::isfinite(v) && v >= 0, qPrintable(name));
            ++files;
        }
        QVERIFY(files > 20);
        // A plain textbook lesson with CRLF line ends: every timed line is a sentence.
        const auto lesson = readSentenceFile(lrc.filePath(QStringLiteral("nce1-l01-en-crlf.lrc")));
        QVERIFY(lesson.times.size() >= 5);
        QVERIFY(lesson.texts.front().endsWith(QStringLiteral("\r\n")));
        // Files the reader used to lose or garble: tags "[mm:ss:xx]", GBK, an offset with
        // chorus lines, lines ended by CR alone.
        const auto read = [&](const char* name) {
            return readSentenceFile(lrc.filePath(QLatin1String(name)));
        };
        QCOMPARE(read("colon-cs-bilingual-shifted.lrc").times.size(), size_t(68));
        QCOMPARE(read("mixed-eol-bare-cr.lrc").times.size(), size_t(61));
        const auto gbk = read("sentences-gbk-noext.lrc");
        QCOMPARE(gbk.encoding, QStringLiteral("GB18030"));
        QVERIFY(gbk.texts.value(0).contains(QStringLiteral("不管去哪里")));
        const auto chorus = read("offset500-multitag-desc.lrc");
        QCOMPARE(chorus.times.size(), size_t(54));
        QVERIFY(std::is_sorted(chorus.times.begin(), chorus.times.end()));
        QCOMPARE(chorus.times.front(), 0.0f);  // 0.2 s moved 0.5 s earlier stops at zero
    }

    void realSubtitles()
    {
        const QString data = testsupport::testDataDir();
        if (data.isEmpty())
            QSKIP("shared test data not present");
        const QString stem = data + QStringLiteral("/speech/sonnet001");
        const auto srt = readSentenceFile(stem + QStringLiteral(".srt"));
        const auto vtt = readSentenceFile(stem + QStringLiteral(".vtt"));
        QCOMPARE(srt.times.size(), size_t(15));
        QCOMPARE(vtt.times, srt.times);
        QCOMPARE(vtt.texts, srt.texts);
        QCOMPARE(srt.times[1], 2.68f);
        QCOMPARE(srt.texts[1], QStringLiteral("From fairest creatures we desire increase,\n"));
        // A material with only subtitles beside it reads them.
        QCOMPARE(sentenceFileOf(stem + QStringLiteral(".mp3")), stem + QStringLiteral(".srt"));
    }
};

QTEST_GUILESS_MAIN(TestSentenceFile)
#include "tst_sentencefile.moc"
