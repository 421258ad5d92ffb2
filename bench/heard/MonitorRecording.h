#pragma once
// The sound server's monitor of its default sink recorded by its own tool (parec) in a thread,
// every read noted with its arrival time, so that each recorded sample can be placed on the
// wall clock: a read comes after its samples reached the monitor, never before, and the floor
// of (arrival - position / rate) over each second of samples is taken as the moment, with the
// line interpolated between seconds (the sink's clock may run slightly off its nominal rate).
// Made, started, stopped and read on one thread; the reader thread is its own.
#include <atomic>
#include <cstdint>
#include <sys/types.h>
#include <thread>
#include <vector>

// Wall time on the monotonic clock, in nanoseconds.
int64_t nowNs();
// Runs the calling thread's event loop for `ms` milliseconds.
void wait(int ms);

class MonitorRecording {
public:
    explicit MonitorRecording(int sampleRate) : rate(sampleRate) {}
    ~MonitorRecording() { stop(); }
    MonitorRecording(const MonitorRecording&) = delete;
    MonitorRecording& operator=(const MonitorRecording&) = delete;

    // Starts the tool; true once its first samples came.
    bool start();
    // Ends the tool and places the samples on the clock.
    void stop();

    const std::vector<int16_t>& samples() const { return data; }
    // Wall time (ns) at which sample `k` was heard.
    double wallOf(double k) const { return offsetAt(k) + k * 1e9 / rate; }
    // The millisecond of the recording heard at wall time `ns`.
    double msAt(double ns) const;
    // Delay of the reads beyond the least one (ms): median and 95th percentile.
    double delayMedianMs = 0;
    double delayHighMs = 0;
    // How far the sink's clock ran from the nominal rate over the recording (ms).
    double driftMs = 0;

private:
    struct Read {
        int64_t ns;
        int64_t frames;  // samples received so far
    };

    void read();
    void fit();
    double offsetAt(double k) const;

    const int rate;
    pid_t pid = -1;
    int fd = -1;
    std::thread reader;
    std::vector<int16_t> data;
    std::vector<Read> reads;
    std::atomic<int64_t> frames{0};
    std::vector<double> floors;  // per second of samples
};
