// Reading sentence files: tags, texts, odd encodings and damaged input.
#include "SentenceFile.h"
#include "TestSupport.h"
#include "TimeText.h"

#include <QBuffer>
#include <QDir>
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
        QCOMPARE(t.times.size(), size_t(4));
        QCOMPARE(t.texts.size(), 4);
        QCOMPARE(t.times[0], 1.5f);
        QCOMPARE(t.texts[0], QStringLiteral("Hello\n"));
        QCOMPARE(t.times[1], 62.5f);
        QCOMPARE(t.times[2], 1.5f);
        QCOMPARE(t.texts[2], QStringLiteral("[00:05.00]Hi\n"));
        QCOMPARE(t.times[3], 7.0f);
        QCOMPARE(t.texts[3], QStringLiteral("Last"));  // no line break at the end of the file
    }

    void orderDuplicatesAndLineBreaksKept()
    {
        const auto t = readSentenceFile(write("[00:05.00]b\r\n[00:02.00]a\r\n[00:02.00]dup\r\n"));
        QCOMPARE(t.times, (std::vector<float>{5.0f, 2.0f, 2.0f}));
        QCOMPARE(t.texts[0], QStringLiteral("b\r\n"));
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
        // A piece that begins with a NUL byte ends the reading.
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
        QCOMPARE(t.times, (std::vector<float>{1.0f, 5.0f, 7.5f, 0.0f}));
        QCOMPARE(t.texts, (QStringList{QStringLiteral("one\n"), QString(),
                                       QStringLiteral("seven\n"), QString()}));
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
    }

    void timeTexts()
    {
        QCOMPARE(timetext::clock(3725), QStringLiteral("01:02:05"));
        QCOMPARE(timetext::rows(0, 62.9), QStringLiteral("00:00:00\n00:01:02"));
        QCOMPARE(timetext::rows(-1, std::nan("")), QStringLiteral("00:00:00\n00:00:00"));
    }
};

QTEST_GUILESS_MAIN(TestSentenceFile)
#include "tst_sentencefile.moc"
