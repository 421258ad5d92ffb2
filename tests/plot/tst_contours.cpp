// Pitch contours, their alignment and the intonation and rhythm scores, from signals whose
// answer is known: gliding tones (the same, reversed, an octave lower, slower), silence,
// hand-made sequences for the alignment; then the worker on real files (MP3 made by the
// ffmpeg tool, sentences spoken by espeak-ng).
#include "ContourAlign.h"
#include "ContourScore.h"
#include "PitchContour.h"
#include "PitchScorer.h"
#include "TestSupport.h"

#include <QSignalSpy>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QtTest>
#include <cmath>
#include <numbers>
#include <vector>

namespace {
constexpr int kRate = 44100;

// A voice-like tone whose pitch glides geometrically from `fromHz` to `toHz` over `seconds`:
// five harmonics falling off as 1/k, with 20 ms fades at both ends.
std::vector<float> glide(double fromHz, double toHz, double seconds)
{
    const auto n = std::size_t(seconds * kRate);
    std::vector<float> out(n);
    double phase = 0;
    const double fade = 0.02 * kRate;
    for (std::size_t i = 0; i < n; ++i) {
        const double t = double(i) / double(n);
        const double hz = fromHz * std::pow(toHz / fromHz, t);
        phase += 2 * std::numbers::pi * hz / kRate;
        double v = 0;
        for (int k = 1; k <= 5; ++k)
            v += std::sin(k * phase) / k;
        const double edge = std::min({1.0, double(i) / fade, double(n - i) / fade});
        out[i] = float(0.25 * v * edge);
    }
    return out;
}

std::vector<float> silence(double seconds, float level = 0)
{
    std::vector<float> out(std::size_t(seconds * kRate));
    // A faint hiss rather than digital zero when a level is given.
    unsigned state = 12345;
    for (float& v : out) {
        state = state * 1103515245u + 12345u;
        v = level * (float((state >> 8) & 0xffff) / 32768.0f - 1.0f);
    }
    return out;
}

PitchContour contourOf(const std::vector<float>& samples)
{
    return extractContour(samples.data(), samples.size(), kRate);
}

ContourScore scoreOf(const std::vector<float>& model, const std::vector<float>& learner)
{
    return scoreContours(contourOf(model), contourOf(learner));
}

std::vector<ContourFrame> frames(const std::vector<float>& pitches)
{
    std::vector<ContourFrame> out;
    for (float p : pitches)
        out.push_back(ContourFrame{p, std::isnan(p) ? 0.0f : 1.0f});
    return out;
}

QString printed(const ContourScore& s)
{
    return QStringLiteral("intonation %1, rhythm %2").arg(s.intonation).arg(s.rhythm);
}
}  // namespace

class TestContours : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

    // Speaks `text` with espeak-ng into an MP3; empty when that cannot be done.
    QString spoken(const QString& name, const QString& text, const QString& voice, int wpm)
    {
        const QString wav = dir.filePath(name + QStringLiteral(".wav"));
        const QString mp3 = dir.filePath(name + QStringLiteral(".mp3"));
        if (!testsupport::run(QStringLiteral("espeak-ng"),
                              {QStringLiteral("-v"), voice, QStringLiteral("-s"),
                               QString::number(wpm), QStringLiteral("-w"), wav, text}))
            return {};
        if (!testsupport::run(QStringLiteral("ffmpeg"),
                              {QStringLiteral("-nostdin"), QStringLiteral("-loglevel"),
                               QStringLiteral("error"), QStringLiteral("-y"), QStringLiteral("-i"),
                               wav, QStringLiteral("-ar"), QStringLiteral("44100"),
                               QStringLiteral("-c:a"), QStringLiteral("libmp3lame"), mp3}))
            return {};
        return mp3;
    }

    static bool scoreWith(PitchScorer& scorer, const PlotIdentifier& model, const QString& rec)
    {
        QSignalSpy spy(&scorer, &PitchScorer::sigScoreDone);
        scorer.doScore(model, rec);
        return spy.wait(60000) && spy.size() == 1;
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(dir.isValid()); }

    void alignmentOfHandMadeSequences()
    {
        // Equal sequences align frame by frame.
        const std::vector<ContourFrame> a = frames({0, 1, 2, 3, 4, 5, 6, 7});
        const std::vector<AlignStep> identity = alignContours(a, a, 3);
        QCOMPARE(identity.size(), a.size());
        for (std::size_t k = 0; k < identity.size(); ++k)
            QCOMPARE(identity[k], (AlignStep{int(k), int(k)}));

        // The learner holds the first and third notes twice as long: the path waits there.
        const std::vector<ContourFrame> model = frames({0, 3, 6, 3, 0});
        const std::vector<ContourFrame> learner = frames({0, 0, 3, 6, 6, 3, 0});
        const std::vector<AlignStep> expected{{0, 0}, {0, 1}, {1, 2}, {2, 3},
                                              {2, 4}, {3, 5}, {4, 6}};
        QCOMPARE(alignContours(model, learner, 4), expected);
        // And the other way round: the model's long notes take two learner frames each.
        std::vector<AlignStep> swapped;
        for (const AlignStep& s : expected)
            swapped.push_back({s.learner, s.model});
        QCOMPARE(alignContours(learner, model, 4), swapped);

        // Unvoiced frames cost less against unvoiced ones than against voiced ones.
        QVERIFY(frameDistance(ContourFrame{}, ContourFrame{}) <
                frameDistance(ContourFrame{}, ContourFrame{0, 0}));
        QCOMPARE(frameDistance(ContourFrame{-20, 1}, ContourFrame{20, 1}), 1.0f);

        QVERIFY(alignContours({}, a, 3).empty());
        QVERIFY(alignContours(a, {}, 3).empty());
    }

    void alignmentStaysInItsBand()
    {
        // A learner ten times as long as the model: the path still ends at both last frames,
        // moves by single steps and never leaves the band around the diagonal.
        std::vector<float> model, learner;
        for (int i = 0; i < 50; ++i)
            model.push_back(float(i % 7));
        for (int j = 0; j < 500; ++j)
            learner.push_back(float((j / 10) % 7));
        const int band = 5;
        const std::vector<AlignStep> path = alignContours(frames(model), frames(learner), band);
        QVERIFY(!path.empty());
        QCOMPARE(path.front(), (AlignStep{0, 0}));
        QCOMPARE(path.back(), (AlignStep{49, 499}));
        for (std::size_t k = 1; k < path.size(); ++k) {
            const int di = path[k].model - path[k - 1].model;
            const int dj = path[k].learner - path[k - 1].learner;
            QVERIFY(di >= 0 && di <= 1 && dj >= 0 && dj <= 1 && di + dj > 0);
        }
        for (const AlignStep& s : path) {
            const double centre = s.learner * 49.0 / 499.0;
            QVERIFY2(std::fabs(s.model - centre) <= band + 1, "the path left its band");
        }
        // A model far longer than the learner still reaches the end.
        const std::vector<AlignStep> back = alignContours(frames(learner), frames(model), 1);
        QCOMPARE(back.back(), (AlignStep{499, 49}));
    }

    void contourOfAGlide()
    {
        // 150 Hz up to 300 Hz: an octave, so 12 semitones around the median (212 Hz).
        const PitchContour c = contourOf(glide(150, 300, 2.0));
        QCOMPARE(c.frames.size(), std::size_t(200));
        QVERIFY2(c.voicedCount() >= 180, qPrintable(QString::number(c.voicedCount())));
        QVERIFY(std::fabs(c.medianHz - 212.0f) < 6);
        const ContourFrame& early = c.frames[20];
        const ContourFrame& late = c.frames[180];
        QVERIFY(early.voiced() && late.voiced());
        // At 10 % and 90 % of the way: -4.8 and +4.8 semitones.
        QVERIFY2(std::fabs(early.semitones + 4.8f) < 0.6f,
                 qPrintable(QString::number(early.semitones)));
        QVERIFY2(std::fabs(late.semitones - 4.8f) < 0.6f,
                 qPrintable(QString::number(late.semitones)));

        // The same tune an octave lower has the same relative contour.
        const PitchContour low = contourOf(glide(75, 150, 2.0));
        QVERIFY(std::fabs(low.medianHz - 106.0f) < 4);
        for (std::size_t f = 20; f < 180; f += 20) {
            QVERIFY(low.frames[f].voiced());
            QVERIFY(std::fabs(low.frames[f].semitones - c.frames[f].semitones) < 0.6f);
        }
        // Loudness: the tone at full level, the silence around it at nothing.
        std::vector<float> padded = silence(0.5);
        const std::vector<float> tone = glide(150, 300, 1.0);
        padded.insert(padded.end(), tone.begin(), tone.end());
        const PitchContour p = contourOf(padded);
        QCOMPARE(p.frames[20].energy, 0.0f);
        QVERIFY(!p.frames[20].voiced());
        QVERIFY(p.frames[100].energy > 0.9f);
    }

    void glideScores()
    {
        const std::vector<float> model = glide(150, 300, 2.0);
        const ContourScore same = scoreOf(model, glide(150, 300, 2.0));
        QVERIFY(same.scored());
        QVERIFY2(same.intonation >= 95 && same.rhythm >= 95, qPrintable(printed(same)));
        QCOMPARE(same.modelLine.size(), std::size_t(200));
        QCOMPARE(same.learnerLine.size(), same.modelLine.size());

        const ContourScore reversed = scoreOf(model, glide(300, 150, 2.0));
        QVERIFY2(reversed.intonation <= 40, qPrintable(printed(reversed)));

        const ContourScore octaveLower = scoreOf(model, glide(75, 150, 2.0));
        QVERIFY2(octaveLower.intonation >= 90, qPrintable(printed(octaveLower)));

        const ContourScore slower = scoreOf(model, glide(150, 300, 2.6));
        QVERIFY2(slower.intonation >= 90, qPrintable(printed(slower)));
        QVERIFY2(slower.rhythm < same.rhythm, qPrintable(printed(slower)));

        // Silence before the learner starts and after they stop does not count as rhythm.
        std::vector<float> late = silence(0.8);
        late.insert(late.end(), model.begin(), model.end());
        const std::vector<float> after = silence(0.5);
        late.insert(late.end(), after.begin(), after.end());
        const ContourScore waited = scoreOf(model, late);
        QVERIFY2(waited.intonation >= 95 && waited.rhythm >= 90, qPrintable(printed(waited)));
        // The learner's line is laid on the model's frames where the model speaks.
        QVERIFY(!std::isnan(waited.learnerLine[100]));
        QVERIFY(std::fabs(waited.learnerLine[100] - waited.modelLine[100]) < 0.5f);
    }

    void silenceIsNoScore()
    {
        const std::vector<float> model = glide(150, 300, 2.0);
        for (const float level : {0.0f, 0.001f}) {
            const ContourScore quiet = scoreOf(model, silence(2.0, level));
            QVERIFY(!quiet.learnerVoiced);
            QVERIFY(quiet.modelVoiced);
            QVERIFY(!quiet.scored());
            QCOMPARE(quiet.modelLine.size(), std::size_t(200));
        }
        // Too short to hold a frame.
        const std::vector<float> blip(100, 0.5f);
        QVERIFY(!scoreContours(contourOf(model), contourOf(blip)).scored());
        QVERIFY(contourOf(blip).frames.empty());
    }

    void workerScoresFilesAndRanges()
    {
        // The model: a second of silence, the rising glide (1..3 s), then the falling one.
        const QString model = dir.filePath(QStringLiteral("model.mp3"));
        const QString expr = QStringLiteral(
            "aevalsrc=exprs='if(between(t,1,3),0.3*sin(2*PI*(150*(t-1)+18.75*(t-1)^2)),"
            "if(gt(t,3),0.3*sin(2*PI*(225*(t-3)-18.75*(t-3)^2)),0))':s=44100:d=5");
        QVERIFY(testsupport::makeAudio(model, expr,
                                       {QStringLiteral("-c:a"), QStringLiteral("libmp3lame")}));
        const QString rising = dir.filePath(QStringLiteral("rising.mp3"));
        QVERIFY(testsupport::makeAudio(
            rising, QStringLiteral("aevalsrc=exprs='0.3*sin(2*PI*(150*t+18.75*t^2))':s=44100:d=2"),
            {QStringLiteral("-c:a"), QStringLiteral("libmp3lame")}));

        PitchScorer scorer;
        QVERIFY(scoreWith(scorer, PlotIdentifier{model, 1, 3}, rising));
        const ContourScore& glideRange = scorer.score();
        QVERIFY2(glideRange.intonation >= 90, qPrintable(printed(glideRange)));
        QCOMPARE(glideRange.modelLine.size(), std::size_t(200));
        QCOMPARE(scorer.scoredRecording(), rising);
        QVERIFY(scorer.scoredModel() == (PlotIdentifier{model, 1, 3}));

        // The falling half of the same file scores low against the rising recording.
        QVERIFY(scoreWith(scorer, PlotIdentifier{model, 3, -1}, rising));
        QVERIFY2(scorer.score().intonation <= 40, qPrintable(printed(scorer.score())));

        // A silent recording and a file that is not there: no voice, no score.
        const QString quiet = dir.filePath(QStringLiteral("quiet.mp3"));
        QVERIFY(testsupport::makeAudio(quiet, QStringLiteral("anullsrc=r=44100:cl=mono:d=2"),
                                       {QStringLiteral("-c:a"), QStringLiteral("libmp3lame")}));
        for (const QString& rec : {quiet, dir.filePath(QStringLiteral("absent.mp3"))}) {
            QVERIFY(scoreWith(scorer, PlotIdentifier{model, 1, 3}, rec));
            QVERIFY(!scorer.score().learnerVoiced);
            QVERIFY(!scorer.score().scored());
        }

        // A new request replaces the running one, which never reports.
        QSignalSpy spy(&scorer, &PitchScorer::sigScoreDone);
        scorer.doScore(PlotIdentifier{model, 3, -1}, rising);
        scorer.doScore(PlotIdentifier{model, 1, 3}, rising);
        QVERIFY(spy.wait(60000));
        QTest::qWait(200);
        QCOMPARE(spy.size(), 1);
        QVERIFY(spy.at(0).at(0).value<PlotIdentifier>() == (PlotIdentifier{model, 1, 3}));
        // A cancelled one neither.
        scorer.doScore(PlotIdentifier{model, 1, 3}, rising);
        scorer.cancel();
        QVERIFY(!scorer.isRunning());
        QVERIFY(!spy.wait(500));
    }

    void longRecordingAgainstAShortSentence()
    {
        // 30 s of the glide, up and down, against 3 s of it: scored, with a low rhythm.
        const QString sentence = dir.filePath(QStringLiteral("sentence.mp3"));
        QVERIFY(testsupport::makeAudio(
            sentence, QStringLiteral("aevalsrc=exprs='0.3*sin(2*PI*(150*t+12.5*t^2))':s=44100:d=3"),
            {QStringLiteral("-c:a"), QStringLiteral("libmp3lame")}));
        const QString longer = dir.filePath(QStringLiteral("thirty.mp3"));
        QVERIFY(testsupport::makeAudio(
            longer,
            QStringLiteral("aevalsrc=exprs='0.3*sin(2*PI*(200*t+30*sin(2*PI*t/6)*6/(2*PI)))'"
                           ":s=44100:d=30"),
            {QStringLiteral("-c:a"), QStringLiteral("libmp3lame")}));
        PitchScorer scorer;
        QVERIFY(scoreWith(scorer, PlotIdentifier{sentence, -1, -1}, longer));
        QVERIFY(scorer.score().scored());
        QVERIFY2(scorer.score().rhythm <= 20, qPrintable(printed(scorer.score())));
    }

    void spokenSentences()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("espeak-ng")).isEmpty())
            QSKIP("espeak-ng is not installed");
        const QString first = QStringLiteral("Where did you put the keys I gave you yesterday?");
        const QString second = QStringLiteral("The weather will be fine all weekend, they say.");
        const QString model = spoken(QStringLiteral("model"), first, QStringLiteral("en-us"), 160);
        const QString same = spoken(QStringLiteral("same"), first, QStringLiteral("en-gb+f3"), 130);
        const QString other =
            spoken(QStringLiteral("other"), second, QStringLiteral("en-gb+f3"), 130);
        QVERIFY(!model.isEmpty() && !same.isEmpty() && !other.isEmpty());
        PitchScorer scorer;
        QVERIFY(scoreWith(scorer, PlotIdentifier{model, -1, -1}, same));
        const ContourScore matched = scorer.score();
        QVERIFY(scoreWith(scorer, PlotIdentifier{model, -1, -1}, other));
        const ContourScore unmatched = scorer.score();
        qInfo("same sentence: %s; another sentence: %s", qPrintable(printed(matched)),
              qPrintable(printed(unmatched)));
        QVERIFY(matched.scored() && unmatched.scored());
        QVERIFY(matched.intonation > unmatched.intonation);
        QVERIFY(matched.intonation + matched.rhythm > unmatched.intonation + unmatched.rhythm);
    }
};

QTEST_GUILESS_MAIN(TestContours)
#include "tst_contours.moc"
