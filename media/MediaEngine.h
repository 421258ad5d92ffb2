#pragma once
// MediaEngine: plays media files on independent channels named by MediaIdentifier. Each
// channel is a parseThread (a child of the engine) with its decoding threads.
//
// All slots and operations run in the GUI thread, so the channel table has no lock. The
// channel threads report through argument-less signals delivered queued to the private
// slots, which find the channel by the sender. The engine never deletes the devices named
// in an identifier; their creator deletes them once sigPlayStopped for it has arrived.
#include "MediaIdentifier.h"

#include <QObject>
#include <cstddef>
#include <map>

class parseThread;

class MediaEngine : public QObject {
    Q_OBJECT
public:
    explicit MediaEngine(QObject* parent = nullptr);
    // Stops, closes and reports stopped every remaining channel, in key order.
    ~MediaEngine() override;

    // Container duration in seconds; -1 for an unknown identifier or an unopened file.
    double duration(const MediaIdentifier& id) const;
    // Audio clock in seconds; -1 for an unknown identifier or a channel without audio.
    double currentTime(const MediaIdentifier& id) const;
    // Pace of the sound being heard now (1 = the file's own); -1 as for currentTime. After
    // a change of speed the output still plays what it holds at the pace before.
    double heardSpeed(const MediaIdentifier& id) const;
    bool hasChannel(const MediaIdentifier& id) const;
    // Channels in the table, including one being reported stopped.
    std::size_t channelCount() const { return channels.size(); }

Q_SIGNALS:
    // The channel's audio crossed the in mark; carries the identifier given to doOpen.
    void sigMarkIn(MediaIdentifier id);
    // The channel's audio crossed the out mark; carries the identifier with the current marks.
    void sigMarkOut(MediaIdentifier id);
    // The channel has ended and is closed; carries the identifier given to doOpen. The entry
    // leaves the table only after the receivers returned.
    void sigPlayStopped(MediaIdentifier id);

public Q_SLOTS:
    void doOpen(MediaIdentifier id);
    bool doStart(MediaIdentifier id, bool start);
    bool doPause(MediaIdentifier id, bool pause);
    void doSeekTime(MediaIdentifier id, double seconds);
    void doSetInOut(MediaIdentifier id, double in, double out);
    // Play seconds start to end of the channel over and over: its audio thread ends each pass
    // at the end sample and goes on from the start sample, without a gap. A start of -1 (or
    // an end not after the start) ends the loop; the channel then plays on from where it is.
    void doSetLoop(MediaIdentifier id, double start, double end);
    void doSetVolume(MediaIdentifier id, float volume);
    // Play the channel's audio at `speed` times the file's pace (see playspeed), its pitch
    // unchanged, from the next samples on, without a gap; the pictures follow. Times stay
    // the file's own: currentTime, the marks, the bounds and the loop. The channel keeps the
    // speed until it is changed.
    void doSetSpeed(MediaIdentifier id, double speed);

private Q_SLOTS:
    void doInMarking();
    void doOutMarking();
    void parseFinished();

private:
    parseThread* channel(const MediaIdentifier& id) const;
    std::map<MediaIdentifier, parseThread*>::iterator findBySender();
    void close(parseThread* p);
    // Ask the channel to seek (refused outside its bounds unless it resumes where it was
    // paused) and empty its output so the target is heard at once.
    void seek(parseThread* p, double seconds, bool resuming);

    // A null thread marks a channel that is being reported stopped.
    std::map<MediaIdentifier, parseThread*> channels;
};
