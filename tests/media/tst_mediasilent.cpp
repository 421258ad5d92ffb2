// Playing on a machine without a sound server: the default output is null, channels still
// open and run, the output refuses to open, and stopping a channel does not hang.
#include "IAudio.h"
#include "MediaEngine.h"
#include "MediaFixtures.h"

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QMediaDevices>
#include <QTemporaryDir>
#include <QtTest>

class TestMediaSilent : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY(dir.isValid());
        QVERIFY(mediatest::makeTone(dir.filePath("tone.mp3")));
    }

    void channelRunsAndStopsWithoutOutput()
    {
        const QAudioDevice device = QMediaDevices::defaultAudioOutput();
        QVERIFY2(device.isNull(), "a sound server answered; this test needs none");

        auto* audio = new IAudio;
        audio->setDevice(device);
        MediaEngine engine;
        int stops = 0;
        connect(&engine, &MediaEngine::sigPlayStopped, this, [&](MediaIdentifier id) {
            ++stops;
            delete id.audio;  // as the practice controller does
        });
        MediaIdentifier id;
        id.path = dir.filePath("tone.mp3");
        id.audio = audio;
        engine.doOpen(id);
        QVERIFY(!audio->isOpen());
        QVERIFY(engine.duration(id) > 3.9);
        engine.doSetVolume(id, 0.8f);
        QVERIFY(engine.doStart(id, true));
        // The audio thread decodes the first packet and keeps offering it.
        QTRY_VERIFY(engine.currentTime(id) >= 0);
        QTest::qWait(200);
        QVERIFY(engine.hasChannel(id));
        QCOMPARE(stops, 0);

        QElapsedTimer stopping;
        stopping.start();
        QVERIFY(engine.doStart(id, false));
        const qint64 ms = stopping.elapsed();
        qInfo("stopping took %lld ms", ms);
        QVERIFY2(ms < 2000, "stopping hung");
        QTRY_COMPARE(stops, 1);
        QVERIFY(!engine.hasChannel(id));
    }
};

int main(int argc, char** argv)
{
    // Point the sound client at a server that is not there.
    QTemporaryDir nowhere;
    qputenv("PULSE_SERVER", "unix:" + nowhere.path().toUtf8() + "/native");
    qputenv("XDG_RUNTIME_DIR", nowhere.path().toUtf8());
    QCoreApplication app(argc, argv);
    TestMediaSilent test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_mediasilent.moc"
