// The engine on files of every kind: ones it cannot open, damaged ones, video with and without
// sound, sound without video, and real recorded speech against the ffmpeg tool's decoding.
#include "EngineRig.h"
#include "TestSupport.h"

#include <QProcess>
#include <QtTest>

using namespace mediatest;

class TestMediaFiles : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString file(const QString& name) const { return dir.filePath(name); }

private Q_SLOTS:
    void initTestCase() { makeEngineFixtures(dir); }

    void unopenableFileReportsItsEnd_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("zero bytes") << QStringLiteral("empty.mp3");
        QTest::newRow("text") << QStringLiteral("text.mp3");
        QTest::newRow("missing") << QStringLiteral("missing.mp3");
    }

    void unopenableFileReportsItsEnd()
    {
        QFETCH(QString, name);
        Rig rig;
        RecordingAudio audio;
        RecordingVideo video;
        const MediaIdentifier id = ident(file(name), &audio, &video);
        rig.engine.doOpen(id);
        QVERIFY(rig.engine.hasChannel(id));
        QCOMPARE(rig.engine.duration(id), -1.0);
        QCOMPARE(rig.engine.currentTime(id), -1.0);
        QCOMPARE(audio.opens.load(), 0);
        QTest::qWait(100);
        QVERIFY(rig.stopped.isEmpty());
        QVERIFY(rig.engine.doStart(id, true));
        QTRY_COMPARE_WITH_TIMEOUT(rig.stopped.size(), 1, kLong);
        QVERIFY(!rig.engine.hasChannel(id));
        QCOMPARE(video.displaysOn.load(), 0);
    }

    // Reading that keeps failing (here: the second half of a concatenation is a folder)
    // ends the channel after what could be read.
    void persistentReadErrorsEndTheChannel()
    {
        Rig rig;
        RecordingAudio audio;
        const QString path =
            QStringLiteral("concat:%1|%2").arg(file("tone.mp3"), file("unreadable"));
        const MediaIdentifier id = ident(path, &audio);
        rig.engine.doOpen(id);
        QVERIFY(rig.engine.duration(id) > 0);
        rig.engine.doStart(id, true);
        QTRY_COMPARE_WITH_TIMEOUT(rig.stopped.size(), 1, kLong);
        QVERIFY(std::abs(seconds(audio.size()) - kToneSeconds) < 0.1);
    }

    void truncatedFilePlaysWhatItHas()
    {
        Rig rig;
        RecordingAudio audio;
        const MediaIdentifier id = ident(file("truncated.mp3"), &audio);
        rig.engine.doOpen(id);
        rig.engine.doStart(id, true);
        QTRY_COMPARE_WITH_TIMEOUT(rig.stopped.size(), 1, kLong);
        const double s = seconds(audio.size());
        QVERIFY2(s > kToneSeconds / 2 - 0.2 && s < kToneSeconds / 2 + 0.2,
                 qPrintable(QString::number(s)));
        const QVector<int16_t> left = leftChannel(audio.taken(), 2);
        QVERIFY(std::abs(frequency(left.mid(0, kRate), kRate) - kToneHz) < kToneHz * 0.02);
    }

    void videoChannelShowsThePattern_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("flv") << QStringLiteral("pattern.flv");
        QTest::newRow("mp4") << QStringLiteral("pattern.mp4");
    }

    void videoChannelShowsThePattern()
    {
        QFETCH(QString, name);
        Rig rig;
        RecordingAudio audio;
        RecordingVideo video;
        const MediaIdentifier id = ident(file(name), &audio, &video);
        rig.engine.doOpen(id);
        QCOMPARE(video.displaysOn.load(), 1);
        QCOMPARE(video.width.load(), 512);
        QCOMPARE(video.height.load(), 256);
        QVERIFY(std::abs(video.aspect - 320.0f / 240.0f) < 1e-3f);
        rig.engine.doStart(id, true);
        QTRY_COMPARE_WITH_TIMEOUT(rig.stopped.size(), 1, kLong);
        QVERIFY2(std::abs(video.frames - 75) <= 2, qPrintable(QString::number(video.frames)));
        const QVector<unsigned> q = video.quadrants();
        QCOMPARE(q.size(), 4);
        QVERIFY2(near(q[0], 0xff0000), qPrintable(QString::number(q[0], 16)));
        QVERIFY2(near(q[1], 0x00ff00), qPrintable(QString::number(q[1], 16)));
        QVERIFY2(near(q[2], 0x0000ff), qPrintable(QString::number(q[2], 16)));
        QVERIFY2(near(q[3], 0xffffff), qPrintable(QString::number(q[3], 16)));
        const QVector<double> times = video.times();
        for (int i = 1; i < times.size(); ++i)
            QVERIFY(times[i] > times[i - 1]);
        QVERIFY2(times.last() > 2.9 && times.last() < 3.1, describe(times.mid(times.size() - 5)));
        QCOMPARE(video.displaysOff.load(), 1);
        QVERIFY(std::abs(seconds(audio.size()) - 3.0) < 0.1);
    }

    void videoOnlyFileHasNoClock()
    {
        Rig rig;
        RecordingAudio audio;
        RecordingVideo video;
        const MediaIdentifier id = ident(file("videoonly.mp4"), &audio, &video);
        rig.engine.doOpen(id);
        QCOMPARE(audio.opens.load(), 0);
        QVERIFY(std::abs(rig.engine.duration(id) - 1.0) < 0.1);
        rig.engine.doStart(id, true);
        QCOMPARE(rig.engine.currentTime(id), -1.0);
        QTRY_COMPARE_WITH_TIMEOUT(rig.stopped.size(), 1, kLong);
        QVERIFY2(video.frames == 25, qPrintable(QString::number(video.frames)));
        QCOMPARE(audio.size(), 0);
    }

    void audioOnlyFileLeavesTheDisplayAlone()
    {
        Rig rig;
        RecordingAudio audio;
        RecordingVideo video;
        const MediaIdentifier id = ident(file("tone.ogg"), &audio, &video);
        rig.engine.doOpen(id);
        rig.engine.doPause(id, true);
        rig.engine.doStart(id, true);
        rig.engine.doPause(id, false);
        QTRY_COMPARE_WITH_TIMEOUT(rig.stopped.size(), 1, kLong);
        QCOMPARE(video.displaysOn.load() + video.displaysOff.load() + video.frames.load() +
                     video.resets.load(),
                 0);
    }

    // Real recorded speech decodes to what the ffmpeg tool decodes from the same file.
    void realSpeechMatchesTheReferenceDecoder_data()
    {
        QTest::addColumn<QString>("name");
        QTest::newRow("mp3") << QStringLiteral("sonnet001.mp3");
        QTest::newRow("wav") << QStringLiteral("jfk.wav");
    }

    void realSpeechMatchesTheReferenceDecoder()
    {
        QFETCH(QString, name);
        const QString data = testsupport::testDataDir();
        const QString path = data + QStringLiteral("/speech/") + name;
        if (data.isEmpty() || !QFileInfo::exists(path))
            QSKIP("shared speech recordings absent");
        playsLikeTheReferenceDecoder(path);
    }

    // Encoders that prime their stream (AAC in MP4, Opus in Ogg) give the first packets
    // negative times; with no seek pending nothing may be dropped, so the whole sound is
    // played, sample for sample as the ffmpeg tool decodes it (its priming already trimmed).
    void primedStreamsPlayFromTheFirstSample_data()
    {
        QTest::addColumn<QString>("name");
        QTest::addColumn<QString>("codec");
        QTest::newRow("aac in m4a") << QStringLiteral("primed.m4a") << QStringLiteral("aac");
        QTest::newRow("opus in ogg") << QStringLiteral("primed.ogg") << QStringLiteral("libopus");
    }

    void primedStreamsPlayFromTheFirstSample()
    {
        QFETCH(QString, name);
        QFETCH(QString, codec);
        const QString path = file(name);
        QVERIFY(testsupport::makeAudio(path, QStringLiteral("sine=frequency=440:duration=2"),
                                       {"-ac", "2", "-c:a", codec}));
        playsLikeTheReferenceDecoder(path);
    }

private:
    // Plays `path` whole into a recording device and compares what it took with the ffmpeg
    // tool's decoding of the same file: the same length and the same samples.
    void playsLikeTheReferenceDecoder(const QString& path)
    {
        Rig rig;
        RecordingAudio audio;
        const MediaIdentifier id = ident(path, &audio);
        rig.engine.doOpen(id);
        const double duration = rig.engine.duration(id);
        rig.engine.doStart(id, true);
        QTRY_COMPARE_WITH_TIMEOUT(rig.stopped.size(), 1, kLong);
        const QByteArray pcm = audio.taken();
        const int frame = 2 * audio.channels;
        QVERIFY(std::abs(double(pcm.size()) / frame / audio.rate - duration) < 0.2);

        QProcess ffmpeg;
        ffmpeg.start("ffmpeg",
                     {"-nostdin", "-loglevel", "error", "-i", path, "-f", "s16le", "-ac",
                      QString::number(audio.channels), "-ar", QString::number(audio.rate), "-"});
        QVERIFY(ffmpeg.waitForFinished(60000));
        const QByteArray reference = ffmpeg.readAllStandardOutput();
        QCOMPARE(pcm.size(), reference.size());
        const QVector<int16_t> a = leftChannel(pcm, 1), b = leftChannel(reference, 1);
        int worst = 0;
        for (int i = 0; i < a.size(); ++i)
            worst = std::max(worst, std::abs(int(a[i]) - int(b[i])));
        QVERIFY2(worst <= 1, qPrintable(QString::number(worst)));
    }
};

QTEST_GUILESS_MAIN(TestMediaFiles)
#include "tst_mediafiles.moc"
