// A learner's session with the real main window, sound server and microphone: open a demo
// material, loop a sentence in Listen & Repeat, record it, play the recording, record a
// retelling, and watch the help video. Screenshots of each step are saved beside the test.
#include "Dialog.h"
#include "Echora.h"
#include "IVideo.h"
#include "MediaEngine.h"
#include "OctImgBtn.h"
#include "PaRecThread.h"
#include "PanelView.h"
#include "PhaseTabs.h"
#include "PlotView.h"
#include "Ploter.h"
#include "TabsView.h"
#include "TestSupport.h"
#include "TreesView.h"

#include <QAudioDevice>
#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QMediaDevices>
#include <QProcess>
#include <QStandardPaths>
#include <QtTest>
#include <cmath>
#include <memory>

namespace {
const QString kMaterial = QStringLiteral("./workspace/fox_and_grapes.mp3");
constexpr int kRecordingRate = 44100;  // frames per second of the recorder

// Dominant frequency of an audio file, from the zero crossings of its decoded mono samples.
double toneOf(const QString& path, double* seconds)
{
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 {QStringLiteral("-nostdin"), QStringLiteral("-loglevel"), QStringLiteral("error"),
                  QStringLiteral("-i"), path, QStringLiteral("-ac"), QStringLiteral("1"),
                  QStringLiteral("-ar"), QStringLiteral("44100"), QStringLiteral("-f"),
                  QStringLiteral("s16le"), QStringLiteral("-")});
    if (!ffmpeg.waitForFinished(30000))
        return -1;
    const QByteArray pcm = ffmpeg.readAllStandardOutput();
    const auto* s = reinterpret_cast<const qint16*>(pcm.constData());
    const qsizetype n = pcm.size() / 2;
    *seconds = double(n) / 44100.0;
    qsizetype crossings = 0;
    for (qsizetype i = 1; i < n; ++i)
        if ((s[i - 1] < 0) != (s[i] < 0))
            ++crossings;
    return n ? double(crossings) / 2.0 / *seconds : -1;
}

// Lets the recording that has just been started run for `ms` milliseconds of the clock from
// its first captured block, and returns how many seconds of sound it should then hold; -1
// when nothing is captured.
double recordedSeconds(const Echora& echora, int ms)
{
    const PaRecThread* recorder = echora.recorderThread();
    if (!QTest::qWaitFor([&] { return recorder->capturedFrames() > 0; }, 20000))
        return -1;
    QElapsedTimer clock;
    clock.start();
    const double first = double(recorder->capturedFrames()) / kRecordingRate;
    QTest::qWait(ms);  // the learner speaks
    return first + double(clock.elapsed()) / 1000.0;
}
}  // namespace

class TestEndToEnd : public QObject {
    Q_OBJECT
    std::unique_ptr<testsupport::RuntimeFolder> root;
    QString shots;

    bool shoot(QWidget* w, const char* name)
    {
        return w->grab().save(shots + QLatin1Char('/') + QLatin1String(name));
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (QMediaDevices::defaultAudioOutput().isNull())
            QSKIP("no sound server: run through the test script");
        shots = testsupport::screenshotDir();
        root = std::make_unique<testsupport::RuntimeFolder>(
            testsupport::RuntimeFolder::Contents::Shipped);
        QVERIFY(root->isValid());
        QVERIFY(QFile::exists(kMaterial));
    }

    void cleanupTestCase() { root.reset(); }

    void learnerSession()
    {
        Dialog dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const DialogForm& ui = dialog.form();
        Echora* echora = dialog.controller();

        // The library opens the material.
        Q_EMIT ui.tabWidget->switchSig(kMaterial);
        QCOMPARE(echora->materialName(), kMaterial);
        QVERIFY(echora->sentences() >= 4);
        QVERIFY(ui.oriPlay->isEnabled());

        // Listen & Repeat, sentence 2, played for longer than it lasts: it loops.
        ui.phaseTabs->setCurrentIndex(1);
        QCOMPARE(echora->currentPhase(), 1);
        echora->selectSentence(2);
        const float start = echora->times()[2];
        const float end = echora->times()[3];
        ui.pcePlay->click();
        QVERIFY(ui.pcePlay->isChecked());
        MediaEngine* engine = echora->mediaEngine();
        double highest = 0;
        bool looped = false;
        QElapsedTimer clock;
        clock.start();
        while (!looped && clock.elapsed() < 30000) {
            QTest::qWait(20);
            const double p = engine->currentTime(echora->materialChannel());
            highest = std::max(highest, p);
            looped = highest > end - 0.3 && p >= 0 && p < (start + end) / 2;
        }
        QVERIFY2(looped, "the sentence did not start again");
        QTRY_VERIFY_WITH_TIMEOUT(ui.pcePlot->currentSentenceIndex() == -1 ||
                                     ui.oriPlot->currentSentenceIndex() == 2,
                                 5000);
        QVERIFY(shoot(&dialog, "phase1-sentence-loop.png"));
        ui.pcePlay->click();
        QVERIFY(!(echora->flags() & Echora::PcePlaying));

        // Record two seconds of the sentence.
        const QString piece = echora->recordingPath();
        QCOMPARE(piece, QStringLiteral("files/fox_and_grapes.mp3/shadowpieces/recordpiece002.mp3"));
        QVERIFY(ui.recCtrl->isEnabled());
        ui.recCtrl->click();
        QVERIFY2(echora->flags() & Echora::Capturing, qPrintable(ui.recPlot->caption()));
        const double pieceSeconds = recordedSeconds(*echora, 2000);
        QVERIFY(pieceSeconds > 0);
        ui.recCtrl->click();
        QTRY_VERIFY_WITH_TIMEOUT(!(echora->flags() & Echora::Capturing), 15000);
        QVERIFY(ui.recPlay->isEnabled());
        const PlotIdentifier recId{piece, -1, -1};
        QTRY_VERIFY_WITH_TIMEOUT(echora->plotter()->pixmap(recId) != nullptr, 15000);
        QTRY_VERIFY_WITH_TIMEOUT(!ui.recPlot->isFetching(), 5000);
        QVERIFY(shoot(&dialog, "phase1-recorded.png"));

        // Play the recording to its end.
        ui.recPlay->click();
        QVERIFY(echora->flags() & Echora::RecPlaying);
        QTRY_VERIFY_WITH_TIMEOUT(!ui.recPlay->isChecked(), 30000);
        QVERIFY(!(echora->flags() & Echora::RecPlaying));

        // Retelling: the text is hidden while recording and comes back afterwards.
        ui.phaseTabs->setCurrentIndex(2);
        QCOMPARE(echora->currentPhase(), 2);
        ui.recCtrl->click();
        QVERIFY(ui.txtLrc->sentences().isEmpty());
        QVERIFY(shoot(&dialog, "phase2-recording.png"));
        const double retellSeconds = recordedSeconds(*echora, 2000);
        QVERIFY(retellSeconds > 0);
        ui.recCtrl->click();
        QTRY_VERIFY_WITH_TIMEOUT(!(echora->flags() & Echora::Capturing), 15000);
        QCOMPARE(ui.txtLrc->sentences().size(), int(echora->sentences()));
        const QString retell =
            QStringLiteral("files/fox_and_grapes.mp3/retellpieces/the-only-one.mp3");
        QCOMPARE(echora->recordingPath(), retell);
        QVERIFY(shoot(&dialog, "phase2-recorded.png"));

        // Both recordings are MP3 files of the microphone's tone, as long as the recording
        // lasted. The test script's microphone is clocked by the sound server, so the length is
        // exact; another microphone may hand over a backlog first, so only a lower bound there.
        const double fed = qEnvironmentVariable("ECHORA_FAKEMIC_HZ").toDouble();
        for (const auto& [file, lasted] :
             {std::pair{piece, pieceSeconds}, std::pair{retell, retellSeconds}}) {
            double seconds = 0;
            const double hz = toneOf(file, &seconds);
            const QString what =
                QStringLiteral("%1: %2 s recorded for %3 s").arg(file).arg(seconds).arg(lasted);
            qInfo("%s", qPrintable(what));
            QVERIFY2(seconds > 1.0, qPrintable(what));
            if (fed > 0) {
                QVERIFY2(std::fabs(seconds - lasted) <= 0.2, qPrintable(what));
                QVERIFY2(std::fabs(hz - fed) < fed * 0.05,
                         qPrintable(QStringLiteral("%1: %2 Hz").arg(file).arg(hz)));
            }
        }

        // A material spoken by espeak-ng, and a take of its second sentence in another voice:
        // once the take is there, both pitch contours lie over the sentence row and the score
        // is on the recording row.
        if (!QStandardPaths::findExecutable(QStringLiteral("espeak-ng")).isEmpty()) {
            const QString spokenMaterial = QStringLiteral("./workspace/spoken.mp3");
            const auto say = [&](const QString& text, const QString& voice, const QString& to) {
                const QString wav = root->path() + QStringLiteral("/said.wav");
                return testsupport::run(
                           QStringLiteral("espeak-ng"),
                           {QStringLiteral("-v"), voice, QStringLiteral("-w"), wav, text}) &&
                       testsupport::run(QStringLiteral("ffmpeg"),
                                        {QStringLiteral("-nostdin"), QStringLiteral("-loglevel"),
                                         QStringLiteral("error"), QStringLiteral("-y"),
                                         QStringLiteral("-i"), wav, QStringLiteral("-af"),
                                         QStringLiteral("apad=pad_dur=0.5"), QStringLiteral("-c:a"),
                                         QStringLiteral("libmp3lame"), to});
            };
            const QString second = QStringLiteral("Where did you put the keys I gave you?");
            QVERIFY(say(QStringLiteral("Good morning, everybody. ") + second,
                        QStringLiteral("en-us"), spokenMaterial));
            QFile lrc(QStringLiteral("./workspace/spoken.lrc"));
            QVERIFY(lrc.open(QIODevice::WriteOnly));
            lrc.write("[00:00.00]Good morning, everybody.\n[00:01.60]" + second.toUtf8() + "\n");
            lrc.close();
            Q_EMIT ui.tabWidget->switchSig(spokenMaterial);
            ui.phaseTabs->setCurrentIndex(1);
            echora->selectSentence(1);
            QVERIFY(say(second, QStringLiteral("en-gb+f3"), echora->recordingPath()));
            echora->selectSentence(0);
            echora->selectSentence(1);
            QTRY_VERIFY2_WITH_TIMEOUT(ui.recPlot->note().startsWith(QStringLiteral("语调")),
                                      qPrintable(ui.recPlot->note()), 15000);
            QVERIFY(!ui.pcePlot->pitchOverlay().empty());
            QTRY_VERIFY_WITH_TIMEOUT(!ui.recPlot->isFetching() && !ui.pcePlot->isFetching(), 15000);
            QVERIFY(shoot(&dialog, "phase1-scored.png"));
        }

        // The help video in the full-playing layout. The window held no OpenGL surface until
        // this first video.
        QCOMPARE(ui.glVideo->window(), static_cast<QWidget*>(ui.glVideo));
        ui.actionHelp->trigger();
        QVERIFY(dialog.isFullPlaying());
        QCOMPARE(echora->materialName(), QStringLiteral("help.flv"));
        QTRY_VERIFY_WITH_TIMEOUT(engine->currentTime(echora->materialChannel()) > 0.5, 15000);
        QCOMPARE(ui.glVideo->window(), static_cast<QWidget*>(&dialog));
        QVERIFY(ui.glVideo->isVisible());
        // The video's pictures reach the surface.
        const auto litSamples = [&] {
            const QImage frame = ui.glVideo->grabFramebuffer();
            int lit = 0;
            for (int y = 0; y < frame.height(); y += 4)
                for (int x = 0; x < frame.width(); x += 4)
                    lit += qGray(frame.pixel(x, y)) > 40 ? 1 : 0;
            return lit;
        };
        QTRY_VERIFY2_WITH_TIMEOUT(litSamples() > 50,
                                  qPrintable(QStringLiteral("%1 lit samples").arg(litSamples())),
                                  15000);
        QVERIFY(shoot(&dialog, "full-playing-help.png"));
        QVERIFY(shoot(ui.ctrlpanel, "control-panel.png"));
        QVERIFY(shoot(ui.tsWidget, "library-window.png"));
        ui.wikiStopper->click();
        QVERIFY(!(echora->flags() & Echora::OriPlaying));
    }
};

QTEST_MAIN(TestEndToEnd)
#include "tst_endtoend.moc"
