// The intonation and rhythm score of Listen & Repeat recordings, driven through recording
// fakes of the views: scored after a sentence's recording is there, kept in the practice
// folder and shown again on returning to the sentence, "没有录到声音" for a silent one, and
// nothing outside Listen & Repeat.
#include "Echora.h"
#include "Fakes.h"
#include "PaRecThread.h"
#include "PitchContour.h"
#include "PitchScorer.h"
#include "SentenceScores.h"
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QSettings>
#include <QtTest>
#include <algorithm>
#include <cmath>
#include <memory>

namespace {
// The material: two sentences of 3 s, a rising glide then a falling one (pure tones standing
// in for a voice's melody), with 0.5 s of silence before each.
const QString kMaterialSound =
    QStringLiteral("aevalsrc=exprs='if(between(t,0.5,3),0.3*sin(2*PI*(150*(t-0.5)+15*(t-0.5)^2)),"
                   "if(between(t,3.5,6),0.3*sin(2*PI*(225*(t-3.5)-15*(t-3.5)^2)),0))':s=44100:d=6");
// The learner says the first sentence's rising tune, an octave lower, after a short wait.
const QString kGoodTake = QStringLiteral(
    "aevalsrc=exprs='if(gt(t,0.3),0.3*sin(2*PI*(75*(t-0.3)+7.5*(t-0.3)^2)),0)':s=44100:d=3");
const QString kSilentTake = QStringLiteral("anullsrc=r=44100:cl=mono:d=2");
const QString kNoVoice = QStringLiteral("没有录到声音");

bool writeFile(const QString& path, const QByteArray& bytes)
{
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.write(bytes) == bytes.size();
}

bool mp3(const QString& path, const QString& source)
{
    return testsupport::makeAudio(path, source,
                                  {QStringLiteral("-c:a"), QStringLiteral("libmp3lame")});
}

bool isScoreText(const QString& note)
{
    static const QRegularExpression form(QStringLiteral("^语调 (\\d+)  节奏 (\\d+)$"));
    return form.match(note).hasMatch();
}

// Equal lines, unvoiced (NaN) places included.
bool sameLine(const std::vector<float>& a, const std::vector<float>& b)
{
    return std::equal(a.begin(), a.end(), b.begin(), b.end(),
                      [](float x, float y) { return x == y || (std::isnan(x) && std::isnan(y)); });
}

int voicedValues(const std::vector<float>& line)
{
    return int(std::count_if(line.begin(), line.end(), [](float v) { return !std::isnan(v); }));
}
}  // namespace

class TestPitchScore : public QObject {
    Q_OBJECT
    std::unique_ptr<testsupport::RuntimeFolder> root;
    QString material;

    FakeCtrl ctrl;
    FakeTabs tabs;
    FakePlot rec, pce, ori;
    Echora* echora = nullptr;

    QString take(int sentence) const
    {
        return QStringLiteral("files/glides.mp3/shadowpieces/recordpiece%1.mp3")
            .arg(sentence, 3, 10, QLatin1Char('0'));
    }
    QString scoresFile() const { return QStringLiteral("files/glides.mp3/scores.ini"); }
    bool scoring() const { return echora->pitchScorer()->isRunning(); }

private Q_SLOTS:
    void initTestCase()
    {
        root = std::make_unique<testsupport::RuntimeFolder>(
            testsupport::RuntimeFolder::Contents::Bare);
        QVERIFY(root->isValid());
        QDir().mkpath(QStringLiteral("workspace"));
        QDir().mkpath(QStringLiteral("files"));
        material = QStringLiteral("./workspace/glides.mp3");
        QVERIFY(mp3(material, kMaterialSound));
        QVERIFY(writeFile(QStringLiteral("./workspace/glides.lrc"),
                          "[00:00.00]Rising.\n[00:03.00]Falling.\n"));
    }

    void cleanupTestCase() { root.reset(); }

    void init()
    {
        ctrl = FakeCtrl();
        tabs = FakeTabs();
        rec = FakePlot();
        pce = FakePlot();
        ori = FakePlot();
        echora = new Echora(&ctrl, &tabs, &rec, &pce, &ori, nullptr, nullptr);
        echora->choosePhase(0);
    }

    void cleanup()
    {
        delete echora;
        echora = nullptr;
    }

    void aTakeIsScoredKeptAndShownAgain()
    {
        echora->switchMaterial(material);
        echora->choosePhase(1);
        QVERIFY(rec.note.isEmpty());  // no take yet: nothing to score
        QVERIFY(!scoring());
        QVERIFY(mp3(take(0), kGoodTake));
        echora->selectSentence(1);
        echora->selectSentence(0);
        QTRY_VERIFY_WITH_TIMEOUT(!rec.note.isEmpty(), 30000);
        QVERIFY2(isScoreText(rec.note), qPrintable(rec.note));
        // Both contours lie over the sentence's waveform, on its 3 s.
        QCOMPARE(pce.overlay.model.size(), std::size_t(300));
        QCOMPARE(pce.overlay.learner.size(), std::size_t(300));
        QVERIFY(voicedValues(pce.overlay.model) > 200);
        QVERIFY(voicedValues(pce.overlay.learner) > 200);
        // The tune is the model's, an octave lower: a good intonation.
        const auto kept = sentencescores::read(echora->practiceFolder(), take(0), 0, 3);
        QVERIFY(kept.has_value());
        QVERIFY2(kept->intonation >= 80, qPrintable(rec.note));
        QCOMPARE(rec.note, sentencescores::text(*kept));
        const QString shown = rec.note;

        // Another sentence without a take: nothing shown, nothing drawn.
        echora->selectSentence(1);
        QVERIFY(rec.note.isEmpty());
        QVERIFY(pce.overlay.empty());
        QVERIFY(!scoring());

        // A new session: the kept score is there at once, before it is computed again.
        delete echora;
        echora = new Echora(&ctrl, &tabs, &rec, &pce, &ori, nullptr, nullptr);
        echora->choosePhase(0);
        echora->switchMaterial(material);
        echora->choosePhase(1);
        QCOMPARE(echora->current(), 0u);
        QCOMPARE(rec.note, shown);
        QVERIFY(scoring());
        QTRY_VERIFY_WITH_TIMEOUT(!pce.overlay.empty(), 30000);
        QCOMPARE(rec.note, shown);

        // Other phases show no score.
        echora->choosePhase(0);
        QVERIFY(rec.note.isEmpty());
        QVERIFY(pce.overlay.empty());
        QVERIFY(!scoring());
    }

    void aKeptScoreBelongsToItsTakeAndBounds()
    {
        QVERIFY(mp3(take(0), kGoodTake));
        QVERIFY(sentencescores::write(QStringLiteral("files/glides.mp3"), take(0), 0, 3,
                                      SentenceScore{77, 66}));
        const QString folder = QStringLiteral("files/glides.mp3");
        QCOMPARE(sentencescores::read(folder, take(0), 0, 3), (SentenceScore{77, 66}));
        // Other sentence bounds (the timing was edited since), or another take.
        QVERIFY(!sentencescores::read(folder, take(0), 0, 2.5f));
        QVERIFY(!sentencescores::read(folder, take(1), 0, 3));
        QVERIFY(mp3(take(0), kSilentTake));
        QVERIFY(!sentencescores::read(folder, take(0), 0, 3));
        // A damaged value is no score.
        QVERIFY(mp3(take(0), kGoodTake));
        QVERIFY(sentencescores::write(folder, take(0), 0, 3, SentenceScore{77, 66}));
        {
            QSettings file(scoresFile(), QSettings::IniFormat);
            file.setValue(QStringLiteral("recordpiece000/intonation"), QStringLiteral("lots"));
        }
        QVERIFY(!sentencescores::read(folder, take(0), 0, 3));
    }

    void aSilentTakeSaysSoAndKeepsNoScore()
    {
        QVERIFY(mp3(take(1), kGoodTake));
        QVERIFY(sentencescores::write(QStringLiteral("files/glides.mp3"), take(1), 3, -1,
                                      SentenceScore{50, 50}));
        QVERIFY(mp3(take(1), kSilentTake));
        echora->switchMaterial(material);
        echora->choosePhase(1);
        echora->selectSentence(1);
        QTRY_COMPARE_WITH_TIMEOUT(rec.note, kNoVoice, 30000);
        // The model's contour alone.
        QVERIFY(voicedValues(pce.overlay.model) > 200);
        QCOMPARE(voicedValues(pce.overlay.learner), 0);
        QSettings file(scoresFile(), QSettings::IniFormat);
        QVERIFY(!file.childGroups().contains(QStringLiteral("recordpiece001")));
    }

    void aLateResultForAnotherSentenceIsIgnored()
    {
        QVERIFY(mp3(take(0), kGoodTake));
        QVERIFY(mp3(take(1), kGoodTake));
        echora->switchMaterial(material);
        echora->choosePhase(1);
        echora->selectSentence(0);
        QTRY_VERIFY_WITH_TIMEOUT(isScoreText(rec.note), 30000);
        const std::vector<float> first = pce.overlay.model;
        echora->selectSentence(1);
        // The result for sentence 0 arrives again while sentence 1 is current: left alone.
        QTRY_VERIFY_WITH_TIMEOUT(!scoring(), 30000);
        const PitchOverlay second = pce.overlay;
        const QString note = rec.note;
        echora->doScoreDone(PlotIdentifier{material, 0, 3}, take(0));
        QVERIFY(sameLine(pce.overlay.model, second.model));
        QCOMPARE(rec.note, note);
        QVERIFY(!sameLine(first, second.model));
    }

    void aFinishedRecordingIsScored()
    {
        echora->switchMaterial(material);
        echora->choosePhase(1);
        echora->selectSentence(1);
        QFile::remove(take(1));
        echora->selectSentence(1);
        echora->recStart(true);
        QVERIFY(rec.note.isEmpty());
        QTest::qWait(1500);  // the learner speaks
        echora->recStart(false);
        QTRY_VERIFY_WITH_TIMEOUT(!(echora->flags() & Echora::Capturing), 20000);
        if (echora->recorderThread()->capturedFrames() == 0)
            QSKIP("no microphone: run through the test script");
        // The take is scored as soon as it is in place. The test script's microphone plays a
        // steady tone above any speaking voice: no voice. Another microphone may hear one.
        QVERIFY(QFileInfo(take(1)).size() > 0);
        QTRY_VERIFY_WITH_TIMEOUT(!rec.note.isEmpty(), 30000);
        const double fed = qEnvironmentVariable("ECHORA_FAKEMIC_HZ").toDouble();
        if (fed > PitchContour::kHighestHz)
            QCOMPARE(rec.note, kNoVoice);
        else
            QVERIFY2(rec.note == kNoVoice || isScoreText(rec.note), qPrintable(rec.note));
    }
};

QTEST_MAIN(TestPitchScore)
#include "tst_pitchscore.moc"
