#include "PitchScorer.h"

#include "contourThread.h"

PitchScorer::PitchScorer(QObject* parent) : QObject(parent) {}

PitchScorer::~PitchScorer() { cancel(); }

void PitchScorer::cancel()
{
    if (!worker)
        return;
    worker->abort();
    worker->wait();
    worker.reset();
}

void PitchScorer::doScore(PlotIdentifier model, QString recording)
{
    cancel();
    worker = std::make_unique<contourThread>();
    workerTicket = nextTicket++;
    const std::uint64_t ticket = workerTicket;
    connect(worker.get(), &contourThread::sigThreadDone, this,
            [this, ticket] { threadFinished(ticket); });
    worker->setSources(model.path, model.start, model.end, recording);
    runningModel = model;
    runningRecording = recording;
    worker->start(QThread::LowPriority);
}

void PitchScorer::threadFinished(std::uint64_t ticket)
{
    if (!worker || ticket != workerTicket)
        return;  // cancelled or replaced meanwhile
    worker->wait();
    last = worker->score();
    lastModel = runningModel;
    lastRecording = runningRecording;
    worker.reset();
    Q_EMIT sigScoreDone(lastModel, lastRecording);
}
