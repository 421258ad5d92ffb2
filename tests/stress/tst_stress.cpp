// A long random learner session with the real main window, sound server and microphone: a
// thousand actions (phase changes, play and pause of every row, clicks on the waveform views
// and the video slider, sentence choice, recording, material switches, help and about,
// volume changes) with short random pauses between them, so the channel, waveform and
// recorder threads really interleave with the GUI thread. Afterwards nothing may still play,
// record or compute, and every recording written must be a decodable MP3 in its place.
//
// The seed is printed; ECHORA_STRESS_SEED replays a session, ECHORA_STRESS_ACTIONS changes
// its length. A watchdog thread aborts with the last action when the GUI thread stops
// turning for a whole minute, so a deadlock is reported as such instead of as a timeout.
#include "Dialog.h"
#include "Echora.h"
#include "MediaEngine.h"
#include "Mp3Probe.h"
#include "OctImgBtn.h"
#include "PaRecThread.h"
#include "PhaseTabs.h"
#include "PlotView.h"
#include "Ploter.h"
#include "TestSupport.h"
#include "TreesView.h"
#include "VolSlider.h"
#include "wikiSlider.h"

#include <QAction>
#include <QAudioDevice>
#include <QDir>
#include <QDirIterator>
#include <QElapsedTimer>
#include <QMediaDevices>
#include <QRandomGenerator>
#include <QRegularExpression>
#include <QTemporaryDir>
#include <QTimer>
#include <QtTest>

#include <array>
#include <atomic>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <mutex>
#include <set>
#include <thread>

namespace {
constexpr quint32 kDefaultSeed = 20261208;
constexpr int kDefaultActions = 1000;

enum Action {
    ChoosePhase,
    ClickOriPlay,
    ClickPcePlay,
    ClickRecPlay,
    ClickWikiPauser,
    ClickWikiStopper,
    ClickOriPlot,
    ClickPcePlot,
    ClickRecPlot,
    ClickWikiSlider,
    SelectSentence,
    ClickRecCtrl,
    SwitchMaterial,
    SwitchToNothing,
    ShowHelp,
    ShowAbout,
    ChangeVolume,
    ActionKinds
};

// Name and relative weight of every action.
constexpr std::array<std::pair<const char*, int>, ActionKinds> kActions{{
    {"phase tab", 8},
    {"oriPlay", 8},
    {"pcePlay", 8},
    {"recPlay", 7},
    {"wikiPauser", 3},
    {"wikiStopper", 2},
    {"oriPlot click", 8},
    {"pcePlot click", 6},
    {"recPlot click", 6},
    {"wikiSlid click", 3},
    {"selectSentence", 6},
    {"recCtrl", 9},
    {"material switch", 4},
    {"empty material", 1},
    {"help", 1},
    {"about", 1},
    {"volume", 5},
}};

// Clicks a widget the way the learner would: only when it is on screen and enabled.
bool clickAt(QWidget* w, QPoint at)
{
    if (!w->isVisible() || !w->isEnabled())
        return false;
    QTest::mouseClick(w, Qt::LeftButton, Qt::NoModifier, at);
    return true;
}

bool clickButton(QWidget* w) { return clickAt(w, w->rect().center()); }

// Aborts the process when the GUI thread's heartbeat stands still for too long.
class Watchdog {
public:
    explicit Watchdog(const std::atomic<int>& beats, const std::atomic<int>& action)
        : heartbeat(beats), lastAction(action), thread([this] { watch(); })
    {
    }
    ~Watchdog()
    {
        {
            const std::lock_guard<std::mutex> lock(mutex);
            done = true;
        }
        wake.notify_all();
        thread.join();
    }

private:
    void watch()
    {
        int seen = heartbeat.load();
        int still = 0;
        std::unique_lock<std::mutex> lock(mutex);
        while (!wake.wait_for(lock, std::chrono::seconds(1), [this] { return done; })) {
            const int now = heartbeat.load();
            still = now == seen ? still + 1 : 0;
            seen = now;
            if (still >= 60) {
                const int a = lastAction.load();
                std::fprintf(stderr, "GUI thread stuck for a minute after action %d (%s)\n", a,
                             a >= 0 && a < ActionKinds ? kActions[std::size_t(a)].first : "-");
                std::fflush(stderr);
                std::abort();
            }
        }
    }

    const std::atomic<int>& heartbeat;
    const std::atomic<int>& lastAction;
    std::mutex mutex;
    std::condition_variable wake;
    bool done = false;
    std::thread thread;
};
}  // namespace

class TestStress : public QObject {
    Q_OBJECT
    QString previous;
    QTemporaryDir root;
    QStringList materials;

private Q_SLOTS:
    void initTestCase()
    {
        if (QMediaDevices::defaultAudioOutput().isNull())
            QSKIP("no sound server: run through the test script");
        // ECHORA_STRESS_KEEP keeps the session's folder for a look at what it left.
        if (qEnvironmentVariableIsSet("ECHORA_STRESS_KEEP")) {
            root.setAutoRemove(false);
            qInfo("session folder kept: %s", qPrintable(root.path()));
        }
        previous = QDir::currentPath();
        testsupport::copyTree(QStringLiteral(ECHORA_SOURCE_DIR "/data/runtime"), root.path());
        QDir::setCurrent(root.path());
        const QFileInfoList media =
            QDir(QStringLiteral("workspace")).entryInfoList(QDir::Files, QDir::Name);
        for (const QFileInfo& f : media)
            if (f.suffix() != QLatin1String("lrc") &&
                QFile::exists(f.path() + QLatin1Char('/') + f.completeBaseName() +
                              QStringLiteral(".lrc")))
                materials << QStringLiteral("./workspace/") + f.fileName();
        QVERIFY2(materials.size() >= 2, "the demo materials are missing");
    }

    void cleanupTestCase()
    {
        testsupport::pinLoadedLibraries();
        if (!previous.isEmpty())
            QDir::setCurrent(previous);
    }

    void randomSession();
    void recordAgainBeforeTheEndIsReported();
};

void TestStress::randomSession()
{
    bool seeded = false;
    const quint32 envSeed = qEnvironmentVariable("ECHORA_STRESS_SEED").toUInt(&seeded);
    const quint32 seed = seeded ? envSeed : kDefaultSeed;
    bool counted = false;
    const int envActions = qEnvironmentVariable("ECHORA_STRESS_ACTIONS").toInt(&counted);
    const int actions = counted && envActions > 0 ? envActions : kDefaultActions;
    qInfo("stress seed %u (replay with ECHORA_STRESS_SEED=%u), %d actions", seed, seed, actions);
    QRandomGenerator rng(seed);

    std::atomic<int> beats{0};
    std::atomic<int> lastAction{-1};
    QTimer heartbeat;
    heartbeat.setInterval(20);
    QElapsedTimer sinceBeat;
    qint64 longestStall = 0;
    connect(&heartbeat, &QTimer::timeout, this, [&] {
        if (sinceBeat.isValid())
            longestStall = std::max(longestStall, sinceBeat.elapsed());
        sinceBeat.restart();
        beats.fetch_add(1);
    });
    heartbeat.start();
    const Watchdog watchdog(beats, lastAction);

    std::set<QString> recorded;
    std::array<int, ActionKinds> done{};
    std::array<qint64, ActionKinds> spent{};
    std::array<int, 3> phases{};
    int weightSum = 0;
    for (const auto& a : kActions)
        weightSum += a.second;
    {
        QElapsedTimer session;
        session.start();
        Dialog dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const DialogForm& ui = dialog.form();
        Echora* echora = dialog.controller();
        MediaEngine* engine = echora->mediaEngine();
        Q_EMIT ui.tabWidget->switchSig(materials.first());
        QCOMPARE(echora->materialName(), materials.first());

        qInfo("window up at %lld ms", session.elapsed());
        for (int n = 0; n < actions; ++n) {
            // Every action draws the same numbers whatever happens, so a seed always makes
            // the same sequence of attempts.
            int pick = int(rng.bounded(weightSum));
            const quint32 param = rng.generate();
            const int pause = int(rng.bounded(61));
            const auto randomX = [param](QWidget* w) {
                return QPoint(int(param % quint32(std::max(1, w->width()))), w->height() / 2);
            };
            int action = 0;
            while (pick >= kActions[std::size_t(action)].second)
                pick -= kActions[std::size_t(action++)].second;
            lastAction.store(action);
            QElapsedTimer took;
            took.start();
            bool acted = false;
            switch (Action(action)) {
            case ChoosePhase: {
                PhaseTabs* tabs = ui.phaseTabs;
                const int index = int(param % quint32(tabs->count()));
                if (tabs->isVisible() && tabs->isEnabled() && tabs->isTabEnabled(index)) {
                    // Only the lower half of a phase tab takes presses.
                    const QRect hit = tabs->tabHitRect(index);
                    acted =
                        clickAt(tabs, QPoint(hit.center().x(), hit.top() + hit.height() * 3 / 4));
                }
                break;
            }
            case ClickOriPlay:
                acted = clickButton(ui.oriPlay);
                break;
            case ClickPcePlay:
                acted = clickButton(ui.pcePlay);
                break;
            case ClickRecPlay:
                acted = clickButton(ui.recPlay);
                break;
            case ClickWikiPauser:
                acted = clickButton(ui.wikiPauser);
                break;
            case ClickWikiStopper:
                acted = clickButton(ui.wikiStopper);
                break;
            case ClickOriPlot:
                acted = clickAt(ui.oriPlot, randomX(ui.oriPlot));
                break;
            case ClickPcePlot:
                acted = clickAt(ui.pcePlot, randomX(ui.pcePlot));
                break;
            case ClickRecPlot:
                acted = clickAt(ui.recPlot, randomX(ui.recPlot));
                break;
            case ClickWikiSlider:
                acted = clickAt(ui.wikiSlid, randomX(ui.wikiSlid));
                break;
            case SelectSentence:
                if (echora->sentences() > 0 && !dialog.isFullPlaying()) {
                    echora->selectSentence(int(param % echora->sentences()));
                    acted = true;
                }
                break;
            case ClickRecCtrl: {
                const bool wasCapturing = echora->flags() & Echora::Capturing;
                acted = clickButton(ui.recCtrl);
                if (acted && !wasCapturing && (echora->flags() & Echora::Capturing))
                    recorded.insert(echora->recordingPath());
                break;
            }
            case SwitchMaterial:
                Q_EMIT ui.tabWidget->switchSig(materials[int(param % quint32(materials.size()))]);
                acted = true;
                break;
            case SwitchToNothing:
                Q_EMIT ui.tabWidget->switchSig(QString());
                acted = true;
                break;
            case ShowHelp:
                ui.actionHelp->trigger();
                acted = true;
                break;
            case ShowAbout:
                ui.actionAbout->trigger();
                acted = true;
                break;
            case ChangeVolume: {
                const std::array<VolSlider*, 5> sliders{ui.oriVol, ui.pceVol, ui.recVol,
                                                        ui.recCtrlVol, ui.volSlid};
                VolSlider* s = sliders[param % quint32(sliders.size())];
                s->setValue(s->minimum() +
                            int((param >> 8) % quint32(s->maximum() - s->minimum() + 1)));
                acted = true;
                break;
            }
            case ActionKinds:
                break;
            }
            if (acted)
                ++done[std::size_t(action)];
            if (echora->currentPhase() >= 0 && echora->currentPhase() < 3)
                ++phases[std::size_t(echora->currentPhase())];
            spent[std::size_t(action)] += took.elapsed();
            QTest::qWait(pause);
        }
        lastAction.store(-1);

        QString tally;
        for (int a = 0; a < ActionKinds; ++a)
            tally += QStringLiteral(" %1=%2 (%3 ms)")
                         .arg(QLatin1String(kActions[std::size_t(a)].first))
                         .arg(done[std::size_t(a)])
                         .arg(spent[std::size_t(a)]);
        qInfo("actions done:%s; recordings: %d; actions per phase: %d %d %d", qPrintable(tally),
              int(recorded.size()), phases[0], phases[1], phases[2]);

        // Stop everything the way the learner would.
        if (echora->flags() & Echora::Capturing)
            ui.recCtrl->click();
        for (OctImgBtn* b : {ui.oriPlay, ui.pcePlay, ui.recPlay, ui.wikiPauser})
            if (b->isChecked() && b->isEnabled())
                b->click();
        QTRY_VERIFY_WITH_TIMEOUT(!echora->recorderThread()->isRunning(), 30000);
        QTRY_COMPARE_WITH_TIMEOUT(echora->flags(), std::uint8_t(0), 10000);
        qInfo("loop done at %lld ms", session.elapsed());
        // With no material open, no channel may be left.
        const auto closeMaterial = [&] {
            Q_EMIT ui.tabWidget->switchSig(QString());
            QTRY_COMPARE_WITH_TIMEOUT(engine->channelCount(), std::size_t(0), 20000);
        };
        closeMaterial();
        if (QTest::currentTestFailed())
            return;
        qInfo("channels closed at %lld ms", session.elapsed());
        QTRY_COMPARE_WITH_TIMEOUT(echora->plotter()->runningCount(), std::size_t(0), 60000);
        qInfo("plots done at %lld ms", session.elapsed());

        // Still responsive: the heartbeat keeps firing and a new material plays.
        const int before = beats.load();
        QTRY_VERIFY_WITH_TIMEOUT(beats.load() >= before + 5, 10000);
        Q_EMIT ui.tabWidget->switchSig(materials.first());
        QVERIFY(ui.oriPlay->isEnabled());
        ui.oriPlay->click();
        QVERIFY(echora->flags() & Echora::OriPlaying);
        QTRY_VERIFY_WITH_TIMEOUT(engine->currentTime(echora->materialChannel()) > 0.2, 20000);
        ui.oriPlay->click();
        QVERIFY(!(echora->flags() & Echora::OriPlaying));
        closeMaterial();
        if (QTest::currentTestFailed())
            return;
        qInfo("longest pause of the GUI thread's 20 ms heartbeat: %lld ms", longestStall);

        // Every action kind ran in so long a session; the video's own controls show only
        // while the help or about video plays, so together.
        if (actions >= kDefaultActions) {
            for (int a = 0; a < ActionKinds; ++a)
                if (a != ClickWikiPauser && a != ClickWikiStopper && a != ClickWikiSlider)
                    QVERIFY2(done[std::size_t(a)] > 0, kActions[std::size_t(a)].first);
            QVERIFY(done[ClickWikiPauser] + done[ClickWikiStopper] + done[ClickWikiSlider] > 0);
            QVERIFY(phases[0] > 0 && phases[1] > 0 && phases[2] > 0);
        }
        QVERIFY2(!recorded.empty() || actions < kDefaultActions, "nothing was recorded");
    }  // The window closes: the controller joins every thread it owns.

    // Every recording is an MP3 of the microphone in its material's practice folder.
    const QRegularExpression place(
        QStringLiteral("^files/([^/]+)/(imitatepieces/the-only-one|retellpieces/the-only-one|"
                       "shadowpieces/recordpiece\\d{3})\\.mp3$"));
    // Beside them, each opened material keeps its waveform's fine peaks, and the scores of
    // its Listen & Repeat recordings.
    const QRegularExpression peaks(
        QStringLiteral("^files/([^/]+)/(waveform\\.peaks|scores\\.ini)$"));
    std::set<QString> found;
    QDirIterator it(QStringLiteral("files"), QDir::Files, QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QRegularExpressionMatch kept = peaks.match(file);
        if (kept.hasMatch()) {
            QVERIFY2(materials.contains(QStringLiteral("./workspace/") + kept.captured(1)),
                     qPrintable(QStringLiteral("waveform or scores of no material: ") + file));
            continue;
        }
        const QRegularExpressionMatch m = place.match(file);
        QVERIFY2(m.hasMatch(), qPrintable(QStringLiteral("stray file ") + file));
        QVERIFY2(materials.contains(QStringLiteral("./workspace/") + m.captured(1)),
                 qPrintable(QStringLiteral("recording of no material: ") + file));
        found.insert(file);
    }
    // A recording stopped before the microphone delivered anything is removed (it would be
    // an empty file); every other one must decode to sound.
    int empty = 0;
    for (const QString& path : recorded) {
        const qint64 size = QFileInfo(path).size();
        if (!found.count(path)) {
            ++empty;
            continue;
        }
        QVERIFY2(size > 0, qPrintable(QStringLiteral("empty recording left behind: ") + path));
        const DecodedAudio audio = mp3probe::decode(path);
        QVERIFY2(
            audio.ok && audio.rate == 44100 && audio.channels == 2 && audio.frames() > 0,
            qPrintable(QStringLiteral("not an MP3 recording (%1 bytes): %2").arg(size).arg(path)));
    }
    qInfo("%d recordings checked, %d of them stopped before they began", int(recorded.size()),
          empty);
    QVERIFY2(empty < int(recorded.size()) || recorded.empty(), "no recording holds sound");
}

// The learner clicks the recording button again when the previous recording has ended but its
// end has not been handled yet (the GUI thread was busy): the late report must not close the
// file of a new recording, and the finished recording must stay whole.
void TestStress::recordAgainBeforeTheEndIsReported()
{
    Dialog dialog;
    dialog.show();
    QVERIFY(QTest::qWaitForWindowExposed(&dialog));
    const DialogForm& ui = dialog.form();
    Echora* echora = dialog.controller();
    Q_EMIT ui.tabWidget->switchSig(materials.first());
    ui.phaseTabs->setCurrentIndex(0);
    const QString path = echora->recordingPath();
    QVERIFY(!path.isEmpty());

    ui.recCtrl->click();
    QVERIFY(echora->flags() & Echora::Capturing);
    QTRY_VERIFY_WITH_TIMEOUT(echora->recorderThread()->capturedFrames() > 44100, 20000);
    ui.recCtrl->click();
    // The recorder ends while no event is handled: its report waits in the queue.
    QVERIFY(echora->recorderThread()->wait(30000));
    ui.recCtrl->click();
    QTest::qWait(300);
    if (echora->flags() & Echora::Capturing) {
        QTest::qWait(1000);
        ui.recCtrl->click();
    }
    QTRY_VERIFY_WITH_TIMEOUT(!(echora->flags() & Echora::Capturing), 30000);
    QTRY_VERIFY_WITH_TIMEOUT(!echora->recorderThread()->isRunning(), 30000);
    QVERIFY2(echora->recorderThread()->message().isEmpty(),
             qPrintable(echora->recorderThread()->message()));
    QCOMPARE(echora->recordingPath(), path);
    QTest::qWait(200);
    const DecodedAudio audio = mp3probe::decode(path);
    QVERIFY2(
        audio.ok && audio.frames() > 0,
        qPrintable(QStringLiteral("not an MP3 recording (%1 bytes)").arg(QFileInfo(path).size())));
}

QTEST_MAIN(TestStress)
#include "tst_stress.moc"
