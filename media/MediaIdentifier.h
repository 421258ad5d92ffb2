#pragma once
// MediaIdentifier: names one playback channel of the MediaEngine. A small value type,
// copied freely; used only in the GUI thread (it is not a registered meta-type).
#include <QString>

class AudioDev;
class VideoDev;

struct MediaIdentifier {
    QString path;       // media file path
    float start = -1;   // seconds; >= 0: playback begins there and earlier seeks are refused
    float end = -1;     // seconds; >= 0: later seeks are refused, audio ends after it
    float markIn = -1;  // filled only in the identifier carried by sigMarkOut
    float markOut = -1;
    AudioDev* audio = nullptr;  // not owned
    VideoDev* video = nullptr;  // not owned
};

// Channel ordering: path, start, end, audio, video. The marks take no part.
bool operator<(const MediaIdentifier& a, const MediaIdentifier& b);
// Same channel: equal under the ordering above.
bool sameChannel(const MediaIdentifier& a, const MediaIdentifier& b);
