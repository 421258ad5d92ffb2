// The comparison track: each sentence of a material followed by the learner's recording of
// it. The material is a 440 Hz tone, the recordings are 660 Hz tones made by the recorder's
// encoder; the decoded track must alternate the two tones with silence at the computed times.
#include "ComparisonTrack.h"
#include "ExportFixtures.h"
#include "ExportJob.h"
#include "Mp3Probe.h"

#include <QtTest>
#include <cmath>

using namespace exporttest;

namespace {
constexpr int kModelHz = 440;
constexpr int kVoiceHz = 660;
constexpr double kWindow = 0.2;  // seconds measured around each stretch's middle

struct Stretch {
    double start;
    double end;
    int hz;  // 0 for silence
};

std::vector<float> window(const DecodedAudio& audio, double middle)
{
    return audio.channel(0, (long long)((middle - kWindow / 2) * audio.rate),
                         (long long)(kWindow * audio.rate));
}
}  // namespace

class TestComparisonTrack : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString material;
    std::vector<float> starts{0.0f, 1.0f, 2.2f};
    const double materialSeconds = 3.0;
    QList<double> voiceSeconds{0.8, 1.0, 0.6};
    QStringList recordings;

    QString file(const QString& name) const { return dir.filePath(name); }

    ExportJob::Outcome write(const QString& target, const QStringList& voices,
                             std::atomic<bool>& cancel, std::atomic<int>& permille)
    {
        ExportJob job;
        job.addComparison(target, ComparisonTrack(material, starts, voices));
        return job.run(permille, cancel);
    }

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        material = file(QStringLiteral("material.mp3"));
        QVERIFY(writeRecording(material, materialSeconds, kModelHz));
        for (int i = 0; i < voiceSeconds.size(); ++i) {
            recordings << file(QStringLiteral("recordpiece%1.mp3").arg(i, 3, 10, QLatin1Char('0')));
            QVERIFY(writeRecording(recordings.back(), voiceSeconds[i], kVoiceHz));
        }
    }

    void sentencesAlternateWithRecordings()
    {
        const QString target = file(QStringLiteral("对比音频.mp3"));
        std::atomic<bool> cancel{false};
        std::atomic<int> permille{0};
        const ExportJob::Outcome outcome = write(target, recordings, cancel, permille);
        QVERIFY2(outcome.ok(), qPrintable(outcome.failedFile + QLatin1Char(' ') + outcome.reason));
        QCOMPARE(permille.load(), ExportJob::kPermille);

        // Where each model sentence, recording and silence should lie.
        QList<Stretch> layout;
        double t = 0;
        const double gap = ComparisonTrack::kGapSeconds;
        for (std::size_t i = 0; i < starts.size(); ++i) {
            const double end = i + 1 < starts.size() ? starts[i + 1] : materialSeconds;
            const double model = end - starts[i];
            layout << Stretch{t, t + model, kModelHz} << Stretch{t + model, t + model + gap, 0};
            t += model + gap;
            const double voice = voiceSeconds[int(i)];
            layout << Stretch{t, t + voice, kVoiceHz} << Stretch{t + voice, t + voice + gap, 0};
            t += voice + gap;
        }

        const QString errors = decodeErrors(target);
        QVERIFY2(errors.isEmpty(), qPrintable(errors));
        QVERIFY2(std::abs(probeDuration(target) - t) <= 0.06,
                 qPrintable(QString::number(probeDuration(target))));
        const DecodedAudio audio = mp3probe::decode(target);
        QVERIFY(audio.ok);
        QCOMPARE(audio.rate, kRate);
        QVERIFY2(std::abs(audio.seconds() - t) <= 0.03,
                 qPrintable(QString::number(audio.seconds())));

        for (const Stretch& s : layout) {
            const std::vector<float> w = window(audio, (s.start + s.end) / 2);
            const QByteArray where = QByteArray::number(s.start, 'f', 2);
            if (s.hz == 0) {
                QVERIFY2(mp3probe::rms(w) < 0.01, where.constData());
                continue;
            }
            const int other = s.hz == kModelHz ? kVoiceHz : kModelHz;
            QVERIFY2(goertzel(w, audio.rate, s.hz) > 100 * goertzel(w, audio.rate, other),
                     where.constData());
            QVERIFY2(mp3probe::rms(w) > 0.1, where.constData());
        }
    }

    void theTrackIsEncodedAt128Kbps()
    {
        const QString target = file(QStringLiteral("rate.mp3"));
        std::atomic<bool> cancel{false};
        std::atomic<int> permille{0};
        QVERIFY(write(target, recordings, cancel, permille).ok());
        QProcess p;
        p.start(QStringLiteral("ffprobe"),
                {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
                 QStringLiteral("stream=bit_rate,channels,sample_rate"), QStringLiteral("-of"),
                 QStringLiteral("compact"), target});
        QVERIFY(p.waitForFinished(30000));
        const QString info = QString::fromUtf8(p.readAllStandardOutput());
        QVERIFY2(info.contains(QStringLiteral("sample_rate=44100")) &&
                     info.contains(QStringLiteral("channels=2")) &&
                     info.contains(QStringLiteral("bit_rate=128000")),
                 qPrintable(info));
    }

    void aMissingRecordingIsNamedAndNothingIsWritten()
    {
        const QString target = file(QStringLiteral("missing.mp3"));
        QStringList voices = recordings;
        voices[1] = file(QStringLiteral("recordpiece999.mp3"));
        std::atomic<bool> cancel{false};
        std::atomic<int> permille{0};
        const ExportJob::Outcome outcome = write(target, voices, cancel, permille);
        QVERIFY(!outcome.ok());
        QCOMPARE(outcome.failedFile, voices[1]);
        QVERIFY(!QFileInfo::exists(target));
    }

    void aCancelledTrackLeavesNoFile()
    {
        const QString target = file(QStringLiteral("cancelled.mp3"));
        std::atomic<bool> cancel{true};
        std::atomic<int> permille{0};
        const ExportJob::Outcome outcome = write(target, recordings, cancel, permille);
        QVERIFY(!outcome.ok());
        QCOMPARE(outcome.reason, ComparisonTrack::cancelledReason());
        QVERIFY(!QFileInfo::exists(target));
    }
};

QTEST_MAIN(TestComparisonTrack)
#include "tst_comparisontrack.moc"
