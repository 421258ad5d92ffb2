// Sentence-timing editing through the real controller, its views faked: the file on disk, the
// timeline read again, the sentence waveform of the new range, write failures, the original
// kept and restored, and the A-B range played while editing.
#include "Echora.h"
#include "Fakes.h"
#include "MediaEngine.h"
#include "Ploter.h"
#include "SentenceFile.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QtTest>
#include <memory>

namespace {
void writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    QVERIFY(f.open(QIODevice::WriteOnly));
    f.write(bytes);
}

QByteArray contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The sentence view with marks the test sets (fractions of the sentence's width).
class MarkedPlot : public FakePlot {
public:
    float a = 0;
    float b = 1;
    void setRangeMode(bool on) override
    {
        FakePlot::setRangeMode(on);
        if (on) {
            a = 0;
            b = 1;
        }
    }
    bool getRange(float* ma, float* mb) override
    {
        if (!(a < b))
            return false;
        *ma = a;
        *mb = b;
        return true;
    }
};

// The text tabs with a list the learner may correct and select in.
class EditableTabs : public FakeTabs {
public:
    QString selection;
    QString selectedText() override { return selection; }
    QString sentenceText(int index) override
    {
        // As the sentence list answers: the first line followed by "\r\n".
        QString text = sentences.value(index);
        while (text.endsWith(QLatin1Char('\n')) || text.endsWith(QLatin1Char('\r')))
            text.chop(1);
        return text + QStringLiteral("\r\n");
    }
};

using testsupport::FileSizeLimit;

const QByteArray kThree =
    "[ti:Three]\r\n[00:00.50]One\r\n[00:02.00]Two words\r\n[00:04.00]Three\r\n";
}  // namespace

class TestEdit : public QObject {
    Q_OBJECT
    std::unique_ptr<testsupport::RuntimeFolder> root;
    QByteArray mp3;
    int made = 0;

    FakeCtrl ctrl;
    EditableTabs tabs;
    FakePlot rec, ori;
    MarkedPlot pce;
    Echora* echora = nullptr;

    // A new six-second material with `sentences` as its sentence file (`extension` names it),
    // opened in Listen & Repeat with its whole waveform done (so its length is known).
    QString open(const QByteArray& sentences, const QString& extension = QStringLiteral(".lrc"))
    {
        const QString stem = QStringLiteral("./workspace/m%1").arg(++made);
        writeFile(stem + QStringLiteral(".mp3"), mp3);
        writeFile(stem + extension, sentences);
        echora->switchMaterial(stem + QStringLiteral(".mp3"));
        echora->choosePhase(1);
        [&] { QTRY_VERIFY_WITH_TIMEOUT(ori.picture != nullptr, 60000); }();
        return stem;
    }

    // The sentence picture shown is the one computed for `start`..`end`.
    void expectSentencePicture(const QString& stem, float start, float end)
    {
        const PlotIdentifier id{stem + QStringLiteral(".mp3"), start, end};
        QTRY_VERIFY_WITH_TIMEOUT(
            pce.picture != nullptr && pce.picture == echora->plotter()->pixmap(id), 60000);
    }

private Q_SLOTS:
    void initTestCase()
    {
        root = std::make_unique<testsupport::RuntimeFolder>(
            testsupport::RuntimeFolder::Contents::Bare);
        QVERIFY(root->isValid());
        QDir().mkpath(QStringLiteral("workspace"));
        QDir().mkpath(QStringLiteral("files"));
        QVERIFY(testsupport::makeAudio(QStringLiteral("tone.mp3"),
                                       QStringLiteral("sine=frequency=440:duration=6")));
        mp3 = contents(QStringLiteral("tone.mp3"));
        QVERIFY(!mp3.isEmpty());
    }

    void cleanupTestCase() { root.reset(); }

    void init()
    {
        ctrl = FakeCtrl();
        tabs = EditableTabs();
        rec = FakePlot();
        ori = FakePlot();
        pce = MarkedPlot();
        echora = new Echora(&ctrl, &tabs, &rec, &pce, &ori, nullptr, nullptr);
        echora->choosePhase(0);
    }

    void cleanup()
    {
        delete echora;
        echora = nullptr;
    }

    void editWritesTheFileAndShowsTheNewTimeline()
    {
        const QString stem = open(kThree);
        echora->selectSentence(1);
        expectSentencePicture(stem, 2, 4);
        echora->editLrc(true);
        QVERIFY(pce.rangeMode);
        pce.a = 0.25f;  // 2.5 s
        pce.b = 0.75f;  // 3.5 s
        tabs.sentences[1] = QStringLiteral("Two corrected words\n");
        echora->editLrc(false);
        QVERIFY(!pce.rangeMode);
        QVERIFY(echora->editMessage().isEmpty());

        // Only the sentence's own tag and text and the next tag changed, the rest byte for byte.
        QCOMPARE(contents(stem + QStringLiteral(".lrc")),
                 QByteArray("[ti:Three]\r\n[00:00.50]One\r\n[00:02.50]Two corrected words\r\n"
                            "[00:03.50]Three\r\n"));
        QCOMPARE(contents(stem + QStringLiteral(".lrc.orig")), kThree);
        // The timeline read again, the same sentence current, shown everywhere.
        QCOMPARE(echora->times(), (std::vector<float>{0.5f, 2.5f, 3.5f}));
        QCOMPARE(echora->current(), 1u);
        QCOMPARE(tabs.sentences[1], QStringLiteral("Two corrected words\r\n"));
        QCOMPARE(tabs.shown, 1u);
        QCOMPARE(ori.times, &echora->times());
        QCOMPARE(ori.currentSentence, 1);
        expectSentencePicture(stem, 2.5f, 3.5f);

        // A second edit keeps the first original.
        echora->editLrc(true);
        pce.a = 0.5f;
        echora->editLrc(false);
        QCOMPARE(echora->times(), (std::vector<float>{0.5f, 3.0f, 3.5f}));
        QCOMPARE(contents(stem + QStringLiteral(".lrc.orig")), kThree);

        // Back to the original, timeline and picture included.
        QVERIFY(echora->hasOriginalLrc());
        echora->restoreLrc();
        QCOMPARE(contents(stem + QStringLiteral(".lrc")), kThree);
        QCOMPARE(echora->times(), (std::vector<float>{0.5f, 2.0f, 4.0f}));
        QCOMPARE(tabs.sentences[1], QStringLiteral("Two words\r\n"));
        expectSentencePicture(stem, 2, 4);
    }

    void lastSentenceEndsWithTheMaterial()
    {
        const QString stem = open(kThree);
        echora->selectSentence(2);
        echora->editLrc(true);
        pce.a = 0.5f;  // halfway between 4 s and the material's end
        pce.b = 1.0f;
        echora->editLrc(false);
        const std::vector<float> times = echora->times();
        QCOMPARE(times.size(), size_t(3));
        const double length = echora->plotter()->duration(PlotIdentifier{stem + ".mp3", -1, -1});
        QVERIFY(length > 5.9 && length < 6.2);
        QVERIFY(std::abs(times[2] - float(4 + (length - 4) / 2)) < 0.01f);
        QVERIFY(contents(stem + QStringLiteral(".lrc"))
                    .startsWith("[ti:Three]\r\n[00:00.50]One\r\n"
                                "[00:02.00]Two words\r\n[00:05."));
    }

    void marksClampedToNeighboursAndMaterial()
    {
        // Marks outside the sentence are held to its bounds: nothing moves, nothing is written.
        const QString stem = open(kThree);
        echora->selectSentence(1);
        echora->editLrc(true);
        pce.a = -0.5f;
        pce.b = 1.5f;
        echora->editLrc(false);
        QCOMPARE(contents(stem + QStringLiteral(".lrc")), kThree);
        QVERIFY(!QFile::exists(stem + QStringLiteral(".lrc.orig")));

        // A next sentence that starts after the material's end: the new end is the material's.
        const QString far = open("[00:01.00]One\n[00:02.00]Two\n[01:40.00]Beyond\n");
        echora->selectSentence(1);
        echora->editLrc(true);
        pce.a = 0.001f;
        pce.b = 1.0f;
        echora->editLrc(false);
        const double length = echora->plotter()->duration(PlotIdentifier{far + ".mp3", -1, -1});
        QCOMPARE(echora->sentences(), 3u);
        QVERIFY(echora->times()[2] <= float(length) + 0.01f);
        QVERIFY(echora->times()[1] > 2.0f);
    }

    void nothingHappensWithoutSentenceOrRange()
    {
        // No material, no sentence: neither operation does anything.
        const auto originals = [] {
            return QDir(QStringLiteral("workspace")).entryList({QStringLiteral("*.orig")}).size();
        };
        const qsizetype before = originals();
        echora->editLrc(true);
        pce.a = 0.2f;
        echora->editLrc(false);
        tabs.selection = QStringLiteral("x");
        echora->splitLrc();
        QCOMPARE(echora->sentences(), 0u);
        QCOMPARE(originals(), before);

        // A at or after B: leaving edit mode saves nothing, a split splits nothing.
        const QString stem = open(kThree);
        echora->selectSentence(1);
        echora->editLrc(true);
        pce.a = 0.6f;
        pce.b = 0.4f;
        tabs.sentences[1] = QStringLiteral("Changed\n");
        echora->editLrc(false);
        echora->editLrc(true);
        pce.a = 0.5f;
        pce.b = 0.5f;
        tabs.selection = QStringLiteral("words");
        echora->splitLrc();
        QCOMPARE(contents(stem + QStringLiteral(".lrc")), kThree);
        QCOMPARE(echora->sentences(), 3u);
        QVERIFY(!QFile::exists(stem + QStringLiteral(".lrc.orig")));
    }

    void splitAtTheSelectedText()
    {
        const QString stem = open(kThree);
        echora->selectSentence(1);
        echora->editLrc(true);
        pce.a = 0.5f;  // the second half starts at 3 s
        pce.b = 1.0f;
        // A selection that is not in the sentence: nothing, and the learner is told.
        tabs.selection = QStringLiteral("Three");
        echora->splitLrc();
        QCOMPARE(contents(stem + QStringLiteral(".lrc")), kThree);
        QVERIFY(!echora->editMessage().isEmpty());

        tabs.selection = QStringLiteral("words");
        echora->splitLrc();
        QVERIFY(echora->editMessage().isEmpty());
        QCOMPARE(contents(stem + QStringLiteral(".lrc")),
                 QByteArray("[ti:Three]\r\n[00:00.50]One\r\n[00:02.00]Two \r\n[00:03.00]words\r\n"
                            "[00:04.00]Three\r\n"));
        QCOMPARE(echora->times(), (std::vector<float>{0.5f, 2.0f, 3.0f, 4.0f}));
        QCOMPARE(echora->current(), 1u);
        QVERIFY(pce.rangeMode);  // still editing, the marks back on the whole new sentence
        QCOMPARE(pce.a, 0.0f);
        expectSentencePicture(stem, 2, 3);
    }

    void failedWriteLeavesTheOldFile()
    {
        // Writes fail beyond a few bytes: on the first edit the original cannot be kept, and
        // the sentence file is not touched.
        const QString stem = open(kThree);
        echora->selectSentence(1);
        {
            FileSizeLimit limit(8);
            QVERIFY(limit.isActive());
            echora->editLrc(true);
            pce.a = 0.25f;
            echora->editLrc(false);
        }
        QVERIFY(!echora->editMessage().isEmpty());
        QCOMPARE(contents(stem + QStringLiteral(".lrc")), kThree);
        QVERIFY(!QFile::exists(stem + QStringLiteral(".lrc.orig")));
        QCOMPARE(echora->times(), (std::vector<float>{0.5f, 2.0f, 4.0f}));

        // With the original kept, a later edit that cannot be written leaves the file as the
        // last good edit made it, and says so.
        echora->editLrc(true);
        pce.a = 0.25f;
        echora->editLrc(false);
        QVERIFY(echora->editMessage().isEmpty());
        const QByteArray good = contents(stem + QStringLiteral(".lrc"));
        QCOMPARE(readSentenceBytes(good).times, (std::vector<float>{0.5f, 2.5f, 4.0f}));
        {
            FileSizeLimit limit(8);
            echora->editLrc(true);
            pce.a = 0.5f;
            echora->editLrc(false);
        }
        QVERIFY(echora->editMessage().contains(QStringLiteral("原来的文件没有改动")));
        QCOMPARE(contents(stem + QStringLiteral(".lrc")), good);
        QCOMPARE(echora->times(), (std::vector<float>{0.5f, 2.5f, 4.0f}));
        // No temporary file stays behind: the material, its sentence file and the original.
        const QStringList left =
            QDir(QStringLiteral("workspace"))
                .entryList({QFileInfo(stem).fileName() + QStringLiteral(".*")}, QDir::Files);
        QCOMPARE(left.size(), 3);
    }

    void subtitlesGetAnLrcBeside()
    {
        const QByteArray srt = "1\r\n00:00:01,000 --> 00:00:02,000\r\nFirst\r\n\r\n"
                               "2\r\n00:00:03,000 --> 00:00:04,000\r\nSecond\r\n";
        const QString stem = open(srt, QStringLiteral(".srt"));
        QCOMPARE(echora->sentences(), 2u);
        echora->selectSentence(0);
        echora->editLrc(true);
        pce.a = 0.5f;  // 2 s
        echora->editLrc(false);
        QCOMPARE(contents(stem + QStringLiteral(".srt")), srt);
        QCOMPARE(contents(stem + QStringLiteral(".lrc")),
                 QByteArray("[00:02.00]First\n[00:03.00]Second\n"));
        QCOMPARE(contents(stem + QStringLiteral(".lrc.orig")),
                 QByteArray("[00:01.00]First\n[00:03.00]Second\n"));
        QCOMPARE(echora->times(), (std::vector<float>{2.0f, 3.0f}));
    }

    void fileChangedElsewhereIsReadAgain()
    {
        // The file changed on disk since it was read: sentence 1 may be another sentence now,
        // so nothing is written and the new file is shown.
        const QString stem = open(kThree);
        echora->selectSentence(1);
        const QByteArray other = "[00:00.50]One\n[00:01.00]Inserted\n[00:02.00]Two words\n";
        writeFile(stem + QStringLiteral(".lrc"), other);
        echora->editLrc(true);
        pce.a = 0.25f;
        echora->editLrc(false);
        QVERIFY(!echora->editMessage().isEmpty());
        QCOMPARE(contents(stem + QStringLiteral(".lrc")), other);
        QCOMPARE(echora->times(), (std::vector<float>{0.5f, 1.0f, 2.0f}));
    }

    void sentencePlayPlaysTheMarkedRange()
    {
        open(kThree);
        echora->selectSentence(1);
        echora->editLrc(true);
        pce.a = 0.5f;   // 3 s
        pce.b = 0.75f;  // 3.5 s
        echora->playPce(true);
        QVERIFY(echora->flags() & Echora::PcePlaying);
        MediaEngine* engine = echora->mediaEngine();
        // Once the channel's first seek has taken effect (a new channel reports positions from
        // 0 until then), playback stays in A..B: it starts at mark A, not at the sentence's
        // start, and goes on until it has played past 3.2 s.
        double lowest = 1e9;
        const auto advanced = [&] {
            const double pos = engine->currentTime(echora->materialChannel());
            if (pos >= 1.0)
                lowest = std::min(lowest, pos);
            return pos >= 3.2;
        };
        QTRY_VERIFY_WITH_TIMEOUT(advanced(), 20000);
        QVERIFY2(lowest >= 2.95, qPrintable(QString::number(lowest)));
        echora->playPce(false);
    }
};

QTEST_MAIN(TestEdit)
#include "tst_edit.moc"
