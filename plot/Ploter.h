#pragma once
// Ploter: computes waveform pictures (561 x 40) in worker threads and caches them by
// PlotIdentifier. Lives in the GUI thread; workers report through queued signals.
//
// Minimal stand-in: it keeps no workers and produces no pictures; duration answers -1 and
// pixmap null for every identifier.
#include "PlotIdentifier.h"

#include <QImage>
#include <QObject>
#include <map>

class Ploter : public QObject {
    Q_OBJECT
public:
    explicit Ploter(QObject* parent = nullptr);
    ~Ploter() override;

    float duration(const PlotIdentifier& id) const;
    const QImage* pixmap(const PlotIdentifier& id) const;
    void forget(const PlotIdentifier& id);
    void clearSentencePlots();

Q_SIGNALS:
    void sigPlotDone(PlotIdentifier id);

public Q_SLOTS:
    void doPlot(PlotIdentifier id);

private:
    std::map<PlotIdentifier, float> durations;
    std::map<PlotIdentifier, QImage> pictures;
};
