#include "MonitorRecording.h"

#include <QEventLoop>
#include <QTimer>
#include <algorithm>
#include <cerrno>
#include <csignal>
#include <ctime>
#include <spawn.h>
#include <string>
#include <sys/wait.h>
#include <unistd.h>

extern char** environ;

int64_t nowNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return int64_t(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

void wait(int ms)
{
    QEventLoop loop;
    QTimer::singleShot(ms, Qt::PreciseTimer, &loop, &QEventLoop::quit);
    loop.exec();
}

bool MonitorRecording::start()
{
    int fds[2];
    if (pipe(fds) != 0)
        return false;
    posix_spawn_file_actions_t actions;
    posix_spawn_file_actions_init(&actions);
    posix_spawn_file_actions_adddup2(&actions, fds[1], STDOUT_FILENO);
    posix_spawn_file_actions_addclose(&actions, fds[0]);
    posix_spawn_file_actions_addclose(&actions, fds[1]);
    const std::string rateArg = "--rate=" + std::to_string(rate);
    std::vector<std::string> args = {"parec",           "--device=@DEFAULT_MONITOR@",
                                     "--raw",           "--format=s16le",
                                     rateArg,           "--channels=1",
                                     "--latency-msec=2"};
    std::vector<char*> argv;
    for (auto& a : args)
        argv.push_back(a.data());
    argv.push_back(nullptr);
    const int spawned = posix_spawnp(&pid, "parec", &actions, nullptr, argv.data(), environ);
    posix_spawn_file_actions_destroy(&actions);
    close(fds[1]);
    if (spawned != 0) {
        close(fds[0]);
        pid = -1;
        return false;
    }
    fd = fds[0];
    reader = std::thread([this] { read(); });
    // Running once the first samples came.
    for (int i = 0; i < 200 && frames.load() == 0; ++i)
        wait(10);
    return frames.load() > 0;
}

void MonitorRecording::stop()
{
    if (pid > 0) {
        kill(pid, SIGTERM);
        waitpid(pid, nullptr, 0);
        pid = -1;
    }
    if (reader.joinable())
        reader.join();
    if (fd >= 0)
        close(fd);
    fd = -1;
    fit();
}

double MonitorRecording::msAt(double ns) const
{
    double k = (ns - offsetAt(0)) * rate / 1e9;
    k = (ns - offsetAt(k)) * rate / 1e9;  // the offset changes slowly: once is enough
    return k * 1000 / rate;
}

void MonitorRecording::read()
{
    std::vector<char> buffer(4096);
    std::vector<char> rest;
    for (;;) {
        const ssize_t n = ::read(fd, buffer.data(), buffer.size());
        if (n < 0 && errno == EINTR)
            continue;
        if (n <= 0)
            break;
        const int64_t at = nowNs();
        rest.insert(rest.end(), buffer.begin(), buffer.begin() + n);
        const size_t whole = rest.size() / 2;
        for (size_t i = 0; i < whole; ++i)
            data.push_back(
                int16_t(uint16_t(uint8_t(rest[2 * i])) | uint16_t(uint8_t(rest[2 * i + 1])) << 8));
        rest.erase(rest.begin(), rest.begin() + std::ptrdiff_t(2 * whole));
        reads.push_back({at, int64_t(data.size())});
        frames = int64_t(data.size());
    }
}

// The floor of (arrival - k / rate) over the reads of each second of samples: the reads that
// came with the least delay. Between the seconds' floors the line is interpolated, which
// follows the sink's clock where it runs slightly off the nominal rate.
void MonitorRecording::fit()
{
    if (reads.size() < 4 || !floors.empty())
        return;
    // The first reads carry what the server had gathered before the tool started.
    const size_t first = std::min<size_t>(10, reads.size() / 4);
    for (size_t i = first; i < reads.size(); ++i) {
        const size_t second = size_t(reads[i].frames / rate);
        if (floors.size() <= second)
            floors.resize(second + 1, 1e300);
        const double offset = double(reads[i].ns) - double(reads[i].frames) * 1e9 / rate;
        floors[second] = std::min(floors[second], offset);
    }
    // A second without reads (or the short last one) takes its neighbour's floor.
    for (size_t s = 1; s < floors.size(); ++s)
        if (floors[s] > 1e299)
            floors[s] = floors[s - 1];
    if (floors.size() > 1)
        floors.back() = floors[floors.size() - 2];
    driftMs = (floors.back() - floors.front()) / 1e6;
    std::vector<double> delays;
    for (size_t i = first; i < reads.size(); ++i)
        delays.push_back((double(reads[i].ns) - wallOf(double(reads[i].frames))) / 1e6);
    std::sort(delays.begin(), delays.end());
    delayMedianMs = delays[delays.size() / 2];
    delayHighMs = delays[delays.size() * 95 / 100];
}

// The offset of the line at sample k (ns), between the floors of the seconds around it.
double MonitorRecording::offsetAt(double k) const
{
    if (floors.empty())
        return 0;
    const double at = std::clamp(k / rate - 0.5, 0.0, double(floors.size() - 1));
    const size_t below = size_t(at);
    const size_t above = std::min(below + 1, floors.size() - 1);
    const double f = at - double(below);
    return floors[below] + f * (floors[above] - floors[below]);
}
