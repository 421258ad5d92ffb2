#pragma once
// PlotIdentifier: names one waveform picture: a media file and a range in seconds
// (-1 for the file's beginning or end). A value type, used as a map key.
#include <QString>

struct PlotIdentifier {
    QString path;
    float start = -1;
    float end = -1;
};

bool operator==(const PlotIdentifier& a, const PlotIdentifier& b);
bool operator!=(const PlotIdentifier& a, const PlotIdentifier& b);
bool operator<(const PlotIdentifier& a, const PlotIdentifier& b);
