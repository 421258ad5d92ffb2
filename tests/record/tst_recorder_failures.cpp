// Recorder failures that need no microphone: a missing file, a start without a new file, and
// a machine without a sound server (run in a child process whose environment points the sound
// client at nothing). Each must end the recording with its message and finished().
#include "PaRecThread.h"
#include "TestSupport.h"

#include <QFileInfo>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <QtTest>
#include <portaudio.h>

class TestRecorderFailures : public QObject {
    Q_OBJECT
private slots:
    void missingFileEndsAtOnce()
    {
        PaRecThread recorder;
        QSignalSpy finished(&recorder, &QThread::finished);
        recorder.setFile(nullptr);
        recorder.start();
        QVERIFY(recorder.wait(10000));
        QCOMPARE(finished.count(), 1);
        QCOMPARE(recorder.message(), QStringLiteral("NULL file pointer."));
        QCOMPARE(recorder.capturedFrames(), 0);
    }

    void eachRecordingTakesItsFileOnce()
    {
        // The caller closes the file after finished(); a later start without setFile must not
        // write into that closed file.
        QTemporaryDir dir;
        const QString path = dir.filePath(QStringLiteral("once.mp3"));
        FILE* file = std::fopen(QFile::encodeName(path).constData(), "w+b");
        QVERIFY(file);
        PaRecThread recorder;
        QSignalSpy finished(&recorder, &QThread::finished);
        recorder.setFile(file);
        recorder.start();
        recorder.requestStop();  // before or during the preparation: still ends
        QVERIFY(recorder.wait(20000));
        std::fclose(file);
        QVERIFY(recorder.message() != QStringLiteral("NULL file pointer."));
        QCOMPARE(Pa_GetDeviceCount(), paNotInitialized);  // released, whatever happened

        recorder.start();
        QVERIFY(recorder.wait(10000));
        QCOMPARE(finished.count(), 2);
        QCOMPARE(recorder.message(), QStringLiteral("NULL file pointer."));
    }

    void noSoundServerReportsPortAudio()
    {
        QTemporaryDir dir;
        QVERIFY(dir.isValid());
        const QString runtime = dir.filePath(QStringLiteral("runtime"));
        QVERIFY(QDir().mkpath(runtime));
        QFile::setPermissions(runtime, QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
        const QString clientConf = dir.filePath(QStringLiteral("client.conf"));
        QFile conf(clientConf);
        QVERIFY(conf.open(QIODevice::WriteOnly));
        conf.write("autospawn = no\n");
        conf.close();

        QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
        env.insert(QStringLiteral("XDG_RUNTIME_DIR"), runtime);
        env.insert(QStringLiteral("HOME"), dir.path());
        env.insert(QStringLiteral("PULSE_SERVER"),
                   QStringLiteral("unix:") + runtime + QStringLiteral("/no-such-server"));
        env.insert(QStringLiteral("PULSE_CLIENTCONFIG"), clientConf);
        const QString path = dir.filePath(QStringLiteral("nothing.mp3"));
        QProcess probe;
        probe.setProcessEnvironment(env);
        probe.setProcessChannelMode(QProcess::SeparateChannels);
        probe.start(QStringLiteral(RECORD_PROBE), {path, QStringLiteral("5000")});
        QVERIFY(probe.waitForFinished(60000));
        const QStringList lines = QString::fromUtf8(probe.readAllStandardOutput()).split('\n');
        QCOMPARE(probe.exitCode(), 0);
        QVERIFY2(lines.size() >= 3, qPrintable(lines.join('|')));
        QCOMPARE(lines[0], QStringLiteral("finished"));
        if (lines[1].isEmpty() && lines[2] != QStringLiteral("0"))
            QSKIP("this machine records from a sound card without the sound server");
        QVERIFY2(lines[1] == QStringLiteral("portaudio: No input device.") ||
                     (lines[1].startsWith(QStringLiteral("portaudio: ")) && lines[1].size() > 11),
                 qPrintable(lines[1]));
        QCOMPARE(lines[2], QStringLiteral("0"));
        // Capture never started: the file stays empty.
        QCOMPARE(QFileInfo(path).size(), 0);
    }
};

QTEST_GUILESS_MAIN(TestRecorderFailures)
#include "tst_recorder_failures.moc"
