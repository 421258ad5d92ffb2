#pragma once
// ExportJob: the files one export writes, each into its target through QSaveFile, so a target
// is either written whole or left as it was. Built in the GUI thread, then run() in one thread
// (a worker, while the GUI thread shows the progress); the progress and the cancel request are
// atomics that the other thread polls and sets.
#include "ComparisonTrack.h"

#include <QString>
#include <QStringList>
#include <atomic>
#include <vector>

class ExportJob {
public:
    static constexpr int kPermille = 1000;

    struct Outcome {
        QStringList written;  // targets written, in order
        QString failedFile;   // the file that could not be read or written
        QString reason;       // why; empty when every target was written
        bool ok() const { return reason.isEmpty(); }
    };

    // One target made of the sources joined in order (a single source is copied as it is).
    void addJoin(const QString& target, const QStringList& sources);
    // One target with the material's sentences each followed by its recording.
    void addComparison(const QString& target, ComparisonTrack track);

    bool isEmpty() const { return steps.empty(); }
    bool hasComparison() const;
    QStringList targets() const;

    // Writes the targets in the order they were added and stops at the first failure.
    Outcome run(std::atomic<int>& permille, const std::atomic<bool>& cancel) const;

private:
    struct Step {
        QString target;
        QStringList sources;
        std::vector<ComparisonTrack> comparison;  // empty for a join
    };
    bool runStep(const Step& step, const ComparisonTrack::Progress& progress,
                 const std::atomic<bool>& cancel, Outcome& outcome) const;

    std::vector<Step> steps;
};
