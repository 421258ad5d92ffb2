// Benchmark of playback as the learner hears it: the engine plays real MP3 files through the
// real output (a QAudioSink on the sound server's default sink, the null sink of the test
// services) while the sink's monitor is recorded, every recorded sample mapped to the wall
// clock. What is heard when is read back from the recording and set against the position the
// engine reports and the moments of the clicks:
//  1. a time-coded material (a 10 ms burst at every whole second, its pitch telling the second
//     modulo 4) played 60 s: the reported position at each heard burst against the burst's
//     own time in the file (target: within 30 ms);
//  2. six gapless 3.0 s tones, one per sentence, each rising from quiet to loud (so a pass's
//     start is heard as the fall back to quiet), the third sentence looped as the practice
//     controller loops it: per pass, the looped sentence's heard length against 3.0 s
//     (target: within 10 ms), what is heard of the neighbouring sentences and of silence
//     (target: at most 5 ms each);
//  3. seeks 100 ms before a sentence boundary, from another sentence: from the click to
//     silence or the target's tone (target: at most 30 ms), and where it landed, read from
//     how long the target's tone is heard before the next sentence's (target: within 10 ms);
//  4. pauses: from the click to silence (target: at most 30 ms).
// The references are the same detectors run on the file decoded by the ffmpeg tool.
//
// How the recording's own latency is accounted: the monitor is read by the sound server's
// tool (parec) through a pipe in 2 ms fragments (which also makes the null sink hand over what
// it plays in blocks of about 2 ms), and the wall time of every read is noted. A read comes
// after the samples in it reached the monitor, never before, so each read bounds from above
// the moment its last sample was heard. The floor of these bounds over each second of samples
// (the reads that came with the least delay) is taken as the moment, interpolated between the
// seconds: the null sink's clock runs slightly off the nominal rate (here about 0.4 ms a second
// fast), which a single line at the nominal rate would not follow. What is left is the
// delay of the pipe and the scheduler, printed as the reads' spread above the floor, and up to
// one sink block (about 2 ms) by which the sink hands samples to the monitor before their turn.
// "Heard" is thus the moment a sample reaches the null sink's monitor.
#include "BenchSupport.h"
#include "IAudio.h"
#include "MediaEngine.h"
#include "MonitorRecording.h"

#include <QCoreApplication>
#include <QFile>
#include <QMediaDevices>
#include <QTemporaryDir>
#include <QTimer>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <optional>
#include <string>
#include <vector>

namespace {
constexpr int kRate = 44100;
constexpr double kFull = 32767;
constexpr double kPi = 3.14159265358979323846;

// The tones material: six sentences of 3.0 s, sentence i a tone of kToneHz * (i + 1) whose
// amplitude rises from 0.2 to 0.8 of full scale.
constexpr int kSentences = 6;
constexpr double kSentence = 3.0;
constexpr double kToneHz = 700;
constexpr int kLooped = 2;  // the sentence the loop plays: 6.0 to 9.0 s
constexpr int kPasses = 10;
// The time-coded material: a burst of kBurst seconds at every whole second, its tone
// kBurstHz + kBurstStepHz * (second % 4), for kCodedSeconds seconds.
constexpr int kCodedSeconds = 64;
constexpr double kPlaySeconds = 60;
constexpr double kBurst = 0.01;
constexpr double kBurstHz = 1000;
constexpr double kBurstStepHz = 600;
constexpr double kBurstAmplitude = 0.6;
// Seeks land this long before a sentence boundary.
constexpr double kBeforeBoundary = 0.1;

// Per millisecond of sound: a window of this many samples around it.
constexpr int kWindow = 132;               // 3 ms
constexpr double kSilence = 0.02 * kFull;  // RMS below this: nothing is heard

// Amplitude of the `hz` component of `n` samples from `s`.
double amplitude(const int16_t* s, int n, double hz)
{
    double re = 0;
    double im = 0;
    for (int i = 0; i < n; ++i) {
        const double phase = 2 * kPi * hz * i / kRate;
        re += s[i] * std::cos(phase);
        im += s[i] * std::sin(phase);
    }
    return 2 * std::hypot(re, im) / n;
}

double rms(const int16_t* s, int n)
{
    double sum = 0;
    for (int i = 0; i < n; ++i)
        sum += double(s[i]) * s[i];
    return n > 0 ? std::sqrt(sum / n) : 0;
}

double toneHz(int sentence) { return kToneHz * (sentence + 1); }

// What is heard in each millisecond of a recording: -1 silence, else the sentence whose tone
// dominates; and the looped sentence's tone amplitude.
struct Heard {
    std::vector<int> label;
    std::vector<double> looped;
};

Heard classify(const std::vector<int16_t>& s)
{
    Heard h;
    const int ms = int(double(s.size()) * 1000 / kRate);
    h.label.assign(size_t(ms), -1);
    h.looped.assign(size_t(ms), 0);
    for (int m = 0; m < ms; ++m) {
        const int from = int(std::lround(m * kRate / 1000.0)) - kWindow / 2;
        if (from < 0 || from + kWindow > int(s.size()))
            continue;
        const int16_t* w = s.data() + from;
        h.looped[size_t(m)] = amplitude(w, kWindow, toneHz(kLooped));
        if (rms(w, kWindow) < kSilence)
            continue;
        double best = -1;
        for (int i = 0; i < kSentences; ++i) {
            const double a = i == kLooped ? h.looped[size_t(m)] : amplitude(w, kWindow, toneHz(i));
            if (a > best) {
                best = a;
                h.label[size_t(m)] = i;
            }
        }
    }
    return h;
}

// Burst onsets: samples where the sound rises over a third of a burst after at least 300 ms
// below it, with the second modulo 4 its tone tells.
struct Onset {
    int64_t sample;
    int code;
};

std::vector<Onset> onsets(const std::vector<int16_t>& s)
{
    std::vector<Onset> out;
    const double threshold = kBurstAmplitude * kFull / 3;
    const int quiet = kRate * 3 / 10;
    const int probe = kRate / 200;  // 5 ms
    int64_t last = -quiet;
    for (int64_t i = 0; i + probe < int64_t(s.size()); ++i) {
        if (std::abs(int(s[size_t(i)])) < threshold)
            continue;
        if (i - last >= quiet) {
            int code = 0;
            double best = -1;
            for (int c = 0; c < 4; ++c) {
                const double a = amplitude(s.data() + i, probe, kBurstHz + kBurstStepHz * c);
                if (a > best) {
                    best = a;
                    code = c;
                }
            }
            out.push_back({i, code});
        }
        last = i;
    }
    return out;
}

// One channel playing a file into the default output, its reported position polled every
// 2 ms with the wall time.
class Player {
public:
    explicit Player(const QString& path)
    {
        audio.setDevice(QMediaDevices::defaultAudioOutput());
        id.path = path;
        id.audio = &audio;
        poll.setTimerType(Qt::PreciseTimer);
        poll.setInterval(2);
        QObject::connect(&poll, &QTimer::timeout, [this] {
            const double t = engine.currentTime(id);
            if (t >= 0)
                shown.push_back({nowNs(), t});
        });
    }

    void open()
    {
        engine.doOpen(id);
        engine.doSetVolume(id, 1.0f);
    }
    void start()
    {
        engine.doStart(id, true);
        poll.start();
    }
    int64_t seek(double seconds)
    {
        const int64_t click = nowNs();
        engine.doSeekTime(id, seconds);
        return click;
    }
    int64_t pause(bool on)
    {
        const int64_t click = nowNs();
        engine.doPause(id, on);
        return click;
    }
    void loop(double start, double end) { engine.doSetLoop(id, start, end); }
    void stop()
    {
        poll.stop();
        engine.doStart(id, false);
    }
    bool playing() const { return engine.hasChannel(id); }

    // How the shown position moves: the median time between its changes and the median
    // change (ms), over the polls.
    std::pair<double, double> steps() const
    {
        std::vector<double> every;
        std::vector<double> by;
        int64_t since = -1;
        for (size_t i = 1; i < shown.size(); ++i) {
            if (shown[i].second == shown[i - 1].second)
                continue;
            if (since >= 0)
                every.push_back(double(shown[i].first - since) / 1e6);
            by.push_back((shown[i].second - shown[i - 1].second) * 1000);
            since = shown[i].first;
        }
        return {bench::median(every), bench::median(by)};
    }

    // Polls where the shown position went back, with no seek made: how many, and the largest
    // step back (ms).
    std::pair<int, double> backSteps() const
    {
        int count = 0;
        double largest = 0;
        for (size_t i = 1; i < shown.size(); ++i) {
            const double back = (shown[i - 1].second - shown[i].second) * 1000;
            if (back > 0.5) {
                ++count;
                largest = std::max(largest, back);
            }
        }
        return {count, largest};
    }

    // The polls from `before` ms before wall time `ns` to `after` ms after it, as text.
    QString pollsAround(double ns, double before, double after) const
    {
        QString out;
        for (const auto& [at, t] : shown) {
            const double ms = (double(at) - ns) / 1e6;
            if (ms >= -before && ms <= after)
                out += QStringLiteral(" %1:%2").arg(std::lround(ms)).arg(std::lround(t * 1000));
        }
        return out;
    }

    // The position shown at wall time `ns`, between the two polls around it.
    std::optional<double> shownAt(double ns) const
    {
        const auto after = std::lower_bound(
            shown.begin(), shown.end(), ns,
            [](const std::pair<int64_t, double>& p, double t) { return double(p.first) < t; });
        if (after == shown.begin() || after == shown.end())
            return std::nullopt;
        const auto before = after - 1;
        const double f = (ns - double(before->first)) / double(after->first - before->first);
        return before->second + f * (after->second - before->second);
    }

private:
    IAudio audio;  // outlives the engine's channel
    MediaEngine engine;
    MediaIdentifier id;
    QTimer poll;
    std::vector<std::pair<int64_t, double>> shown;
};

std::vector<int16_t> decoded(const QString& path, const QString& raw)
{
    std::vector<int16_t> out;
    if (!bench::ffmpeg({"-i", path, "-f", "s16le", "-ac", "1", "-ar", QString::number(kRate), raw}))
        return out;
    QFile f(raw);
    if (!f.open(QIODevice::ReadOnly))
        return out;
    const QByteArray bytes = f.readAll();
    out.resize(size_t(bytes.size() / 2));
    std::memcpy(out.data(), bytes.constData(), out.size() * 2);
    return out;
}

bool makeTones(const QString& path)
{
    QString expr;
    for (int i = kSentences - 1; i >= 0; --i) {
        const QString tone =
            QStringLiteral("(0.2+0.2*(t-%1))*sin(2*PI*%2*t)").arg(i * kSentence).arg(toneHz(i));
        expr = expr.isEmpty()
                   ? tone
                   : QStringLiteral("if(lt(t,%1),%2,%3)").arg((i + 1) * kSentence).arg(tone, expr);
    }
    return bench::ffmpeg(
        {"-f", "lavfi", "-i",
         QStringLiteral("aevalsrc='%1':s=%2:d=%3").arg(expr).arg(kRate).arg(kSentences * kSentence),
         "-ac", "2", "-c:a", "libmp3lame", "-b:a", "128k", path});
}

bool makeTimeCode(const QString& path)
{
    const QString expr =
        QStringLiteral("if(lt(mod(t,1),%1),%2*sin(2*PI*(%3+%4*mod(floor(t),4))*t),0)")
            .arg(kBurst)
            .arg(kBurstAmplitude)
            .arg(kBurstHz)
            .arg(kBurstStepHz);
    return bench::ffmpeg(
        {"-f", "lavfi", "-i",
         QStringLiteral("aevalsrc='%1':s=%2:d=%3").arg(expr).arg(kRate).arg(kCodedSeconds), "-ac",
         "2", "-c:a", "libmp3lame", "-b:a", "128k", path});
}

struct Spread {
    double median = -1;
    double worst = -1;  // largest magnitude, with its sign
    int count = 0;
};

Spread spread(const std::vector<double>& v)
{
    Spread s;
    s.count = int(v.size());
    if (v.empty())
        return s;
    std::vector<double> sorted = v;
    std::sort(sorted.begin(), sorted.end());
    s.median = bench::median(v);
    s.worst = std::abs(sorted.front()) > std::abs(sorted.back()) ? sorted.front() : sorted.back();
    return s;
}

void rows(const QString& what, const Spread& s, const QString& reference, double target)
{
    const QString t = QStringLiteral("<= %1 ms").arg(target);
    bench::row(QStringLiteral("%1, median of %2").arg(what).arg(s.count),
               bench::amount(s.median, "ms"), reference, -1, t,
               s.count > 0 && std::abs(s.median) <= target);
    bench::row(QStringLiteral("%1, worst of %2").arg(what).arg(s.count),
               bench::amount(s.worst, "ms"), reference, -1, t,
               s.count > 0 && std::abs(s.worst) <= target);
}

void describe(const char* what, const MonitorRecording& r)
{
    std::printf("   %s: recorded %.1f s; reads arrive %.2f ms (median), %.2f ms (95 %%) after the "
                "floor; the sink's clock ran %.2f ms off the nominal rate\n",
                what, double(r.samples().size()) / kRate, r.delayMedianMs, r.delayHighMs,
                r.driftMs);
}

// 1. The reported position against the heard one.
bool positionError(const QString& coded, const std::vector<int16_t>& reference)
{
    // The burst onsets the same detector finds in the decoded file, by second.
    std::vector<double> own(kCodedSeconds, -1);
    for (const Onset& o : onsets(reference)) {
        const int k = int(std::lround(double(o.sample) / kRate));
        if (k < kCodedSeconds && k % 4 == o.code)
            own[size_t(k)] = double(o.sample) / kRate;
    }
    double bias = 0;
    for (int k = 1; k < kCodedSeconds; ++k)
        bias = std::max(bias, std::abs(own[size_t(k)] - k));
    MonitorRecording rec(kRate);
    Player player(coded);
    if (!rec.start()) {
        std::fprintf(stderr, "position: the monitor could not be recorded\n");
        return false;
    }
    player.open();
    player.start();
    wait(int(kPlaySeconds * 1000) + 700);
    player.stop();
    wait(200);
    rec.stop();
    describe("position", rec);
    std::vector<double> errors;
    QStringList outliers;
    for (const Onset& o : onsets(rec.samples())) {
        const double at = rec.wallOf(double(o.sample));
        const std::optional<double> shown = player.shownAt(at);
        if (!shown)
            continue;
        // The second this burst is: the one with its code nearest the shown position.
        int k = int(std::lround(*shown));
        for (int d = 0; d < 4; ++d) {
            if (((k + d) % 4) == o.code) {
                k += d;
                break;
            }
            if (k - d >= 0 && ((k - d) % 4) == o.code) {
                k -= d;
                break;
            }
        }
        if (k < 1 || k >= kCodedSeconds || own[size_t(k)] < 0)
            continue;
        errors.push_back((*shown - own[size_t(k)]) * 1000);
        std::printf("%s%+.1f", errors.size() == 1 ? "   shown minus heard by second (ms):" : " ",
                    errors.back());
        if (std::abs(errors.back()) > 30)
            outliers.push_back(QStringLiteral("   second %1: polls (ms from the burst heard: shown "
                                              "ms)%2\n")
                                   .arg(k)
                                   .arg(player.pollsAround(at, 60, 30)));
    }
    std::printf("\n%s", outliers.join(QString()).toUtf8().constData());
    const auto [every, by] = player.steps();
    const auto [back, largestBack] = player.backSteps();
    std::printf("   position: it went back %d times (largest %.1f ms)\n", back, largestBack);
    std::printf(
        "   position: polled every 2 ms, the shown position changed every %.1f ms by %.1f ms "
        "(medians)\n",
        every, by);
    const Spread s = spread(errors);
    std::printf("   position: %d bursts heard; the detector finds the decoded file's bursts within "
                "%.2f ms of their seconds\n",
                s.count, bias * 1000);
    if (s.count < int(kPlaySeconds) - 5) {
        std::fprintf(stderr, "position: only %d bursts heard\n", s.count);
        return false;
    }
    rows(QStringLiteral("shown minus heard position over %1 s").arg(kPlaySeconds), s,
         QStringLiteral("bursts in the decoded file at their seconds within %1")
             .arg(bench::amount(bias * 1000, "ms", 2)),
         30);
    return true;
}

// Passes of the looped sentence: the milliseconds where its tone falls back from loud to quiet
// (the output's level is not full scale: the thresholds are parts of the loudest window).
std::vector<int> falls(const Heard& h, int from)
{
    std::vector<int> out;
    from = std::max(from, 5);
    if (from >= int(h.looped.size()))
        return out;
    const double top = *std::max_element(h.looped.begin() + from, h.looped.end());
    for (int m = from; m < int(h.looped.size()); ++m) {
        if (h.looped[size_t(m)] < 0.5 * top && h.looped[size_t(m - 5)] > 0.8 * top &&
            (out.empty() || m - out.back() > 1000))
            out.push_back(m);
    }
    return out;
}

// 2. The looped sentence.
bool loopPasses(const QString& tones, const std::vector<int16_t>& reference)
{
    const Heard own = classify(reference);
    const int ownLength = int(std::count(own.label.begin(), own.label.end(), kLooped));
    MonitorRecording rec(kRate);
    Player player(tones);
    if (!rec.start()) {
        std::fprintf(stderr, "loop: the monitor could not be recorded\n");
        return false;
    }
    player.open();
    player.start();
    const double start = kLooped * kSentence;
    player.loop(start, start + kSentence);
    const int64_t click = player.seek(start);
    wait(int((kPasses + 2) * kSentence * 1000) + 500);
    player.stop();
    wait(200);
    rec.stop();
    describe("loop", rec);
    const Heard heard = classify(rec.samples());
    const std::vector<int> f = falls(heard, int(rec.msAt(double(click))));
    std::vector<double> length;
    std::vector<double> spill;
    std::vector<double> gap;
    for (size_t p = 0; p + 1 < f.size() && int(length.size()) < kPasses; ++p) {
        int neighbour = 0;
        int silent = 0;
        int longestSilence = 0;
        int run = 0;
        for (int m = f[p]; m < f[p + 1]; ++m) {
            const int l = heard.label[size_t(m)];
            neighbour += l >= 0 && l != kLooped;
            silent += l < 0;
            run = l < 0 ? run + 1 : 0;
            longestSilence = std::max(longestSilence, run);
        }
        length.push_back(double(f[p + 1] - f[p] - neighbour - silent) - kSentence * 1000);
        spill.push_back(neighbour);
        gap.push_back(longestSilence);
        std::printf("   pass %zu: %d ms from fall to fall, %d ms of a neighbour, %d ms silent\n",
                    p + 1, f[p + 1] - f[p], neighbour, silent);
    }
    if (int(length.size()) < kPasses) {
        std::fprintf(stderr, "loop: only %zu passes heard\n", length.size());
        return false;
    }
    const QString ref = QStringLiteral("decoded file: the sentence's tone %1")
                            .arg(bench::amount(ownLength, "ms", 0));
    rows(QStringLiteral("looped sentence, heard length minus 3.0 s"), spread(length), ref, 10);
    rows(QStringLiteral("looped sentence, neighbouring sentence heard per pass"), spread(spill),
         ref, 5);
    rows(QStringLiteral("looped sentence, longest silence per pass"), spread(gap), ref, 5);
    return true;
}

// 3 and 4. Seeks and pauses.
bool seeksAndPauses(const QString& tones, const std::vector<int16_t>& reference)
{
    const Heard own = classify(reference);
    // The decoded file: how long each target's tone lasts before the next sentence's.
    MonitorRecording rec(kRate);
    Player player(tones);
    if (!rec.start()) {
        std::fprintf(stderr, "seek: the monitor could not be recorded\n");
        return false;
    }
    player.open();
    player.start();
    wait(600);
    const int targets[] = {3, 1, 5, 2, 4, 1, 3, 5};  // boundaries: the sentence that follows
    std::vector<std::pair<int64_t, int>> seeks;
    for (int b : targets) {
        seeks.push_back({player.seek(b * kSentence - kBeforeBoundary), b - 1});
        wait(500);
    }
    std::vector<int64_t> pauses;
    player.seek(0.5);
    wait(400);
    for (int i = 0; i < 8; ++i) {
        pauses.push_back(player.pause(true));
        wait(400);
        player.pause(false);
        wait(400);
    }
    player.stop();
    wait(200);
    rec.stop();
    describe("seek and pause", rec);
    const Heard heard = classify(rec.samples());
    const int ms = int(heard.label.size());
    std::vector<double> reached;
    std::vector<double> landing;
    for (const auto& [click, target] : seeks) {
        const int c = int(std::ceil(rec.msAt(double(click))));
        if (c < 5 || c + 450 >= ms)
            continue;
        const int before = heard.label[size_t(c - 5)];
        int first = -1;
        int onTarget = -1;
        int next = -1;
        for (int m = c; m < c + 450 && next < 0; ++m) {
            const int l = heard.label[size_t(m)];
            if (first < 0 && (l < 0 || l == target))
                first = m;
            if (onTarget < 0 && l == target)
                onTarget = m;
            if (onTarget >= 0 && l == target + 1)
                next = m;
        }
        std::printf("   seek to %.1f s from sentence %d: silence or target after %d ms, silent "
                    "%d ms before the target, whose tone is heard %d ms\n",
                    (target + 1) * kSentence - kBeforeBoundary, before + 1, first - c,
                    onTarget - first, next - onTarget);
        if (first < 0 || onTarget < 0 || next < 0)
            continue;
        reached.push_back(first - c);
        landing.push_back(kBeforeBoundary * 1000 - (next - onTarget));
    }
    std::vector<double> silent;
    for (int64_t click : pauses) {
        const int c = int(std::ceil(rec.msAt(double(click))));
        if (c < 5 || c + 350 >= ms)
            continue;
        int last = c - 1;
        for (int m = c; m < c + 350; ++m) {
            if (heard.label[size_t(m)] >= 0)
                last = m;
        }
        silent.push_back(last + 1 - c);
    }
    // The reference: the seek targets' tones before the boundary in the decoded file.
    int ownBefore = 0;
    for (int b = 1; b < kSentences; ++b) {
        const int m = int(b * kSentence * 1000);
        int k = m - int(kBeforeBoundary * 1000);
        int heardBefore = 0;
        for (; k < m + 50; ++k)
            heardBefore += own.label[size_t(k)] == b - 1;
        ownBefore = std::max(ownBefore, std::abs(heardBefore - int(kBeforeBoundary * 1000)));
    }
    // No tool to set beside a click: the reference is how closely the recording is placed.
    const QString none = QStringLiteral("recording's reads %1 over their floor (median)")
                             .arg(bench::amount(rec.delayMedianMs, "ms", 2));
    if (int(reached.size()) < int(std::size(targets)) || int(silent.size()) < int(pauses.size())) {
        std::fprintf(stderr, "seek: %zu of %zu seeks and %zu of %zu pauses measured\n",
                     reached.size(), std::size(targets), silent.size(), pauses.size());
        return false;
    }
    rows(QStringLiteral("seek, click to silence or the target heard"), spread(reached), none, 30);
    rows(QStringLiteral("seek, heard landing minus target"), spread(landing),
         QStringLiteral("decoded file: last 100 ms of a sentence within %1")
             .arg(bench::amount(ownBefore, "ms", 0)),
         10);
    rows(QStringLiteral("pause, click to silence"), spread(silent), none, 30);
    return true;
}
}  // namespace

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (QMediaDevices::defaultAudioOutput().isNull()) {
        std::fprintf(stderr, "heard: no sound server\n");
        return 1;
    }
    QTemporaryDir dir;
    const QString tones = dir.filePath(QStringLiteral("tones.mp3"));
    const QString coded = dir.filePath(QStringLiteral("timecode.mp3"));
    if (!makeTones(tones) || !makeTimeCode(coded)) {
        std::fprintf(stderr, "heard: could not make the materials\n");
        return 1;
    }
    const std::vector<int16_t> tonesPcm = decoded(tones, dir.filePath(QStringLiteral("t.raw")));
    const std::vector<int16_t> codedPcm = decoded(coded, dir.filePath(QStringLiteral("c.raw")));
    std::printf("   heard = when a sample reaches the null sink's monitor; each recorded sample is "
                "placed on the monotonic clock by the floor, per second of samples, of the reads' "
                "arrival (the pipe's delay left out; within one 2 ms sink block)\n");
    bool ok = positionError(coded, codedPcm);
    ok = loopPasses(tones, tonesPcm) && ok;
    ok = seeksAndPauses(tones, tonesPcm) && ok;
    return ok ? 0 : 1;
}
