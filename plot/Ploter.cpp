#include "Ploter.h"

#include "PeaksFile.h"
#include "WaveColumns.h"
#include "plotThread.h"

#include <algorithm>
#include <cmath>

Ploter::Ploter(QObject* parent) : QObject(parent) {}

Ploter::~Ploter()
{
    for (auto& entry : running)
        stop(entry.second);
    running.clear();
}

float Ploter::duration(const PlotIdentifier& id) const
{
    auto it = durations.find(id);
    return it == durations.end() ? -1.0f : it->second;
}

const QImage* Ploter::pixmap(const PlotIdentifier& id) const
{
    auto it = pictures.find(id);
    if (it == pictures.end())
        return nullptr;
    it->second.used = ++useClock;
    if (id.start != -1)
        shownSentence = id;
    return &it->second.image;
}

std::size_t Ploter::sentencePictureCount() const
{
    return std::size_t(std::count_if(pictures.begin(), pictures.end(),
                                     [](const auto& e) { return e.first.start != -1; }));
}

void Ploter::dropStale(const PlotIdentifier& id, const FileIdentity& file)
{
    if (auto it = running.find(id); it != running.end() && !(it->second.file == file)) {
        stop(it->second);
        running.erase(it);
        durations.erase(id);
    }
    if (auto it = pictures.find(id); it != pictures.end() && !(it->second.file == file)) {
        pictures.erase(it);
        durations.erase(id);
    }
}

void Ploter::evictSentencePictures()
{
    while (sentencePictureCount() > kSentencePictures) {
        auto oldest = pictures.end();
        for (auto it = pictures.begin(); it != pictures.end(); ++it) {
            if (it->first.start == -1 || it->first == shownSentence)
                continue;
            if (oldest == pictures.end() || it->second.used < oldest->second.used)
                oldest = it;
        }
        if (oldest == pictures.end())
            return;
        durations.erase(oldest->first);
        pictures.erase(oldest);
    }
}

void Ploter::stop(Worker& worker)
{
    worker.thread->abort();
    worker.thread->wait();
    worker.thread->close();
    worker.thread.reset();
}

void Ploter::doPlot(PlotIdentifier id)
{
    const FileIdentity file = FileIdentity::of(id.path);
    dropStale(id, file);
    if (running.count(id))
        return;
    if (auto it = pictures.find(id); it != pictures.end()) {
        it->second.used = ++useClock;
        Q_EMIT sigPlotDone(id);
        return;
    }
    if (drawStoredPeaks(id, file)) {
        Q_EMIT sigPlotDone(id);
        return;
    }
    auto thread = std::make_unique<plotThread>();
    const std::uint64_t ticket = nextTicket++;
    connect(thread.get(), &plotThread::sigThreadDone, this,
            [this, ticket] { threadFinished(ticket); });
    if (thread->open(id.path) && thread->timeBaseNum() > 0 && thread->timeBaseDen() > 0) {
        const double unit = double(thread->timeBaseNum()) / thread->timeBaseDen();
        const auto toStamp = [unit](float seconds) {
            return seconds >= 0 ? std::int64_t(std::trunc(double(seconds) / unit))
                                : std::int64_t(-1);
        };
        thread->setRange(toStamp(id.start), toStamp(id.end));
        if (id.start >= 0)
            lendSeekIndex(id.path, *thread);
    }
    // Until the file has been decoded whole, the container's duration stands in for its
    // length. Unknown durations are not stored: duration() then answers -1.
    const float decodedLength = duration(PlotIdentifier{id.path, -1, -1});
    if (pictures.count(PlotIdentifier{id.path, -1, -1}) && decodedLength > 0)
        durations.emplace(id, decodedLength);
    else if (thread->durationSeconds() > 0)
        durations.emplace(id, float(thread->durationSeconds()));
    plotThread* started = thread.get();
    running.emplace(id, Worker{std::move(thread), ticket, file});
    started->start(QThread::InheritPriority);
}

void Ploter::threadFinished(std::uint64_t ticket)
{
    auto it = running.begin();
    while (it != running.end() && it->second.ticket != ticket)
        ++it;
    if (it == running.end())
        return;  // forgotten meanwhile
    const PlotIdentifier id = it->first;
    plotThread* thread = it->second.thread.get();
    thread->wait();
    // Assigning keeps an existing entry's address, so pointers handed out stay valid.
    Picture& stored = pictures[id];
    stored.image = thread->picture();
    stored.file = it->second.file;
    stored.used = ++useClock;
    // The decoded length is the file's true one: header durations can be far off (a VBR MP3
    // without a Xing header, a header that claims more than the file holds, ADTS AAC).
    if (thread->decodedSeconds() > 0)
        durations[id] = float(thread->decodedSeconds());
    storePeaks(id, it->second.file, *thread);
    keepSeekIndex(id.path, *thread);
    thread->close();
    running.erase(it);
    if (id.start != -1)
        evictSentencePictures();
    Q_EMIT sigPlotDone(id);
}

void Ploter::forget(const PlotIdentifier& id)
{
    auto it = running.find(id);
    if (it != running.end()) {
        stop(it->second);
        running.erase(it);
    }
    pictures.erase(id);
    durations.erase(id);
    if (id.start == -1)
        seekIndexes.erase(id.path);
}

void Ploter::keepSeekIndex(const QString& path, const plotThread& thread)
{
    std::vector<PlotSeekIndex::Point> points = thread.seekPoints();
    const FileIdentity file = FileIdentity::of(path);
    auto it = seekIndexes.find(path);
    const bool current = it != seekIndexes.end() && it->second.file == file;
    if (current && it->second.points.size() >= points.size())
        return;
    if (points.empty()) {
        if (it != seekIndexes.end() && !current)
            seekIndexes.erase(it);
        return;
    }
    seekIndexes[path] = PlotSeekIndex{file, std::move(points)};
}

void Ploter::lendSeekIndex(const QString& path, plotThread& thread) const
{
    auto it = seekIndexes.find(path);
    if (it == seekIndexes.end())
        return;
    if (it->second.file == FileIdentity::of(path))
        thread.addSeekPoints(it->second.points);
}

void Ploter::clearSentencePlots()
{
    for (auto it = running.begin(); it != running.end();) {
        if (it->first.start != -1) {
            stop(it->second);
            pictures.erase(it->first);
            durations.erase(it->first);
            it = running.erase(it);
        } else {
            ++it;
        }
    }
    std::erase_if(pictures, [](const auto& e) { return e.first.start != -1; });
    std::erase_if(durations, [](const auto& e) { return e.first.start != -1; });
}

void Ploter::keepPeaksIn(const QString& path, const QString& peaksPath)
{
    peaksFiles[path] = peaksPath;
}

bool Ploter::drawStoredPeaks(const PlotIdentifier& id, const FileIdentity& file)
{
    if (id.start != -1 || id.end != -1)
        return false;
    const auto where = peaksFiles.find(id.path);
    if (where == peaksFiles.end())
        return false;
    const std::optional<PeaksFile::Stored> stored = PeaksFile::read(where->second, file);
    if (!stored)
        return false;
    WaveColumns columns;
    stored->peaks.render(columns, stored->peaks.frames());
    Picture& picture = pictures[id];
    picture.image = columns.picture();
    picture.file = file;
    picture.used = ++useClock;
    durations[id] = float(stored->seconds());
    return true;
}

void Ploter::storePeaks(const PlotIdentifier& id, const FileIdentity& file,
                        const plotThread& thread)
{
    if (id.start != -1 || id.end != -1 || thread.decodedSeconds() <= 0)
        return;
    const auto where = peaksFiles.find(id.path);
    if (where != peaksFiles.end())
        PeaksFile::write(where->second, file, thread.finePeaks(), thread.sampleRate());
}
