#pragma once
// Ploter: computes waveform pictures (561 x 40) in worker threads and caches them by
// PlotIdentifier. Lives in the GUI thread: every operation here runs there. Each request
// gets its own plotThread; a worker reports through a queued signal and is then waited
// for, closed and deleted here. Forgetting a running request aborts its worker and waits
// for it, so no late report can arrive for it. Frame positions learnt by a worker are
// kept per file, so a later sentence of the same file seeks without reading up to it.
// Everything cached belongs to one version of its file (size and modification time): a
// file replaced under the same name is computed afresh. Sentence pictures are bounded:
// beyond kSentencePictures the least recently used go, never the one last handed out.
// A file given a peaks file keeps its whole-file peaks there: once decoded whole, it is
// drawn from that file afterwards, also by a later Ploter, without decoding it again.
#include "PlotIdentifier.h"
#include "PlotSeekIndex.h"

#include <QImage>
#include <QObject>
#include <cstdint>
#include <map>
#include <memory>

class plotThread;

class Ploter : public QObject {
    Q_OBJECT
public:
    // Sentence pictures kept at most.
    static constexpr std::size_t kSentencePictures = 64;

    explicit Ploter(QObject* parent = nullptr);
    ~Ploter() override;

    // Whole file's duration in seconds (also for a sentence identifier), or -1: the
    // container's estimate at first, the decoded length once the whole file was plotted.
    float duration(const PlotIdentifier& id) const;
    // The finished picture, valid until the identifier is forgotten or evicted; null while
    // running. The sentence picture handed out last is the one on show: it is not evicted.
    const QImage* pixmap(const PlotIdentifier& id) const;
    // Finished sentence pictures in the cache.
    std::size_t sentencePictureCount() const;
    bool isRunning(const PlotIdentifier& id) const { return running.count(id) != 0; }
    // Workers started and not yet waited for.
    std::size_t runningCount() const { return running.size(); }
    // Stops a running computation of the identifier and drops its picture and duration.
    void forget(const PlotIdentifier& id);
    // Stops and drops every sentence range (start not -1); whole-file entries stay.
    void clearSentencePlots();
    // Where the whole-file peaks of the media file at `path` are kept (read and written).
    void keepPeaksIn(const QString& path, const QString& peaksPath);

Q_SIGNALS:
    void sigPlotDone(PlotIdentifier id);

public Q_SLOTS:
    // A finished picture is announced again before this returns, and so is a whole file
    // drawn from its stored peaks; a running one is left alone; anything else starts a
    // worker.
    void doPlot(PlotIdentifier id);

private:
    struct Worker {
        std::unique_ptr<plotThread> thread;
        std::uint64_t ticket = 0;
        FileIdentity file;
    };
    struct Picture {
        QImage image;
        FileIdentity file;
        mutable std::uint64_t used = 0;  // the use clock when last asked for
    };

    // A worker reported; the ticket tells which one, even if the sender is gone.
    void threadFinished(std::uint64_t ticket);
    static void stop(Worker& worker);
    void keepSeekIndex(const QString& path, const plotThread& thread);
    void lendSeekIndex(const QString& path, plotThread& thread) const;
    // Drops what is cached or running for `id` when its file is no longer `file`.
    void dropStale(const PlotIdentifier& id, const FileIdentity& file);
    void evictSentencePictures();
    // Draws a whole file from its stored peaks; false when there are none for this version.
    bool drawStoredPeaks(const PlotIdentifier& id, const FileIdentity& file);
    void storePeaks(const PlotIdentifier& id, const FileIdentity& file, const plotThread& thread);

    std::map<PlotIdentifier, float> durations;
    std::map<PlotIdentifier, Picture> pictures;
    std::map<PlotIdentifier, Worker> running;
    std::map<QString, PlotSeekIndex> seekIndexes;
    std::map<QString, QString> peaksFiles;  // media path -> its peaks file
    std::uint64_t nextTicket = 1;
    mutable std::uint64_t useClock = 0;
    mutable PlotIdentifier shownSentence;
};
