#include "Ploter.h"

Ploter::Ploter(QObject* parent) : QObject(parent) {}
Ploter::~Ploter() = default;

float Ploter::duration(const PlotIdentifier& id) const
{
    auto it = durations.find(id);
    return it == durations.end() ? -1.0f : it->second;
}

const QImage* Ploter::pixmap(const PlotIdentifier& id) const
{
    auto it = pictures.find(id);
    return it == pictures.end() ? nullptr : &it->second;
}

void Ploter::forget(const PlotIdentifier& id)
{
    durations.erase(id);
    pictures.erase(id);
}

void Ploter::clearSentencePlots()
{
    std::erase_if(durations, [](const auto& e) { return e.first.start != -1; });
    std::erase_if(pictures, [](const auto& e) { return e.first.start != -1; });
}

void Ploter::doPlot(PlotIdentifier id)
{
    if (pictures.count(id))
        Q_EMIT sigPlotDone(id);
}
