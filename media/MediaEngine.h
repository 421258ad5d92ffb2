#pragma once
// MediaEngine: plays media files on independent channels named by MediaIdentifier.
// All slots and operations run in the GUI thread.
//
// Minimal stand-in: it keeps the channel table and answers as an engine whose channels
// never open a file (duration and currentTime -1). The demux/decode threads replace it.
#include "MediaIdentifier.h"

#include <QObject>
#include <map>

class MediaEngine : public QObject {
    Q_OBJECT
public:
    explicit MediaEngine(QObject* parent = nullptr);
    ~MediaEngine() override;

    // Container duration in seconds; -1 for an unknown identifier or an unopened file.
    double duration(const MediaIdentifier& id) const;
    // Audio clock in seconds; -1 for an unknown identifier or a channel without audio.
    double currentTime(const MediaIdentifier& id) const;
    bool hasChannel(const MediaIdentifier& id) const;

Q_SIGNALS:
    void sigMarkIn(MediaIdentifier id);
    void sigMarkOut(MediaIdentifier id);
    void sigPlayStopped(MediaIdentifier id);

public Q_SLOTS:
    void doOpen(MediaIdentifier id);
    bool doStart(MediaIdentifier id, bool start);
    bool doPause(MediaIdentifier id, bool pause);
    void doSeekTime(MediaIdentifier id, double seconds);
    void doSetInOut(MediaIdentifier id, double in, double out);
    void doSetVolume(MediaIdentifier id, float volume);

private:
    struct Channel {
        MediaIdentifier key;
        bool started = false;
        bool paused = false;
    };
    std::map<MediaIdentifier, Channel> channels;
};
