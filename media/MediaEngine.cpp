#include "MediaEngine.h"

#include "AudioDev.h"

MediaEngine::MediaEngine(QObject* parent) : QObject(parent) {}

MediaEngine::~MediaEngine()
{
    // Every remaining channel is reported stopped, in key order, so owners of the devices can
    // release them.
    auto remaining = std::move(channels);
    channels.clear();
    for (auto& [key, channel] : remaining)
        Q_EMIT sigPlayStopped(channel.key);
}

double MediaEngine::duration(const MediaIdentifier&) const { return -1; }

double MediaEngine::currentTime(const MediaIdentifier&) const { return -1; }

bool MediaEngine::hasChannel(const MediaIdentifier& id) const { return channels.count(id) != 0; }

void MediaEngine::doOpen(MediaIdentifier id)
{
    if (channels.count(id))
        return;
    channels.emplace(id, Channel{id, false, false});
}

bool MediaEngine::doStart(MediaIdentifier id, bool start)
{
    auto it = channels.find(id);
    if (it == channels.end())
        return false;
    if (start) {
        it->second.started = true;
        return true;
    }
    // As with a real channel, the end is reported from the event loop, after the caller
    // has returned; the entry leaves the table only after the report.
    const MediaIdentifier key = it->second.key;
    QMetaObject::invokeMethod(
        this,
        [this, key] {
            if (!channels.count(key))
                return;
            Q_EMIT sigPlayStopped(key);
            channels.erase(key);
        },
        Qt::QueuedConnection);
    return true;
}

bool MediaEngine::doPause(MediaIdentifier id, bool pause)
{
    auto it = channels.find(id);
    if (it == channels.end())
        return false;
    it->second.paused = pause;
    return true;
}

void MediaEngine::doSeekTime(MediaIdentifier, double) {}

void MediaEngine::doSetInOut(MediaIdentifier, double, double) {}

void MediaEngine::doSetVolume(MediaIdentifier id, float volume)
{
    auto it = channels.find(id);
    if (it != channels.end() && it->second.key.audio)
        it->second.key.audio->setVolume(volume);
}
