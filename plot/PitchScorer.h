#pragma once
// PitchScorer: scores a learner's recording against a model sentence (pitch contours,
// alignment and score, see ContourScore) in a worker thread, one request at a time. Lives in
// the GUI thread: every operation here runs there and never waits for the analysis, except
// to join a worker that was aborted or has already reported. A new request aborts the one
// running; an aborted request never reports. Owns its worker.
#include "ContourScore.h"
#include "PlotIdentifier.h"

#include <QObject>
#include <QString>
#include <cstdint>
#include <memory>

class contourThread;

class PitchScorer : public QObject {
    Q_OBJECT
public:
    explicit PitchScorer(QObject* parent = nullptr);
    ~PitchScorer() override;

    // Stops the running request, if any, without a report.
    void cancel();
    bool isRunning() const { return worker != nullptr; }
    // The last finished request's result, and what it was asked for.
    const ContourScore& score() const { return last; }
    const PlotIdentifier& scoredModel() const { return lastModel; }
    const QString& scoredRecording() const { return lastRecording; }

Q_SIGNALS:
    // The result for this model range and recording is in score().
    void sigScoreDone(PlotIdentifier model, QString recording);

public Q_SLOTS:
    // Scores `recording` against the range of `model` (its path, start and end in seconds).
    void doScore(PlotIdentifier model, QString recording);

private:
    void threadFinished(std::uint64_t ticket);

    std::unique_ptr<contourThread> worker;
    std::uint64_t workerTicket = 0;
    std::uint64_t nextTicket = 1;
    PlotIdentifier runningModel;
    QString runningRecording;
    ContourScore last;
    PlotIdentifier lastModel;
    QString lastRecording;
};
