#include "MediaEngine.h"

#include "AudioDev.h"
#include "VideoDev.h"
#include "audioThread.h"
#include "parseThread.h"
#include "videoThread.h"

#include <algorithm>

MediaEngine::MediaEngine(QObject* parent) : QObject(parent) {}

MediaEngine::~MediaEngine()
{
    auto remaining = std::move(channels);
    channels.clear();
    for (auto& [key, p] : remaining) {
        if (!p)
            continue;
        close(p);
        Q_EMIT sigPlayStopped(key);
    }
}

void MediaEngine::close(parseThread* p)
{
    p->stop();
    p->close();
    delete p;
}

parseThread* MediaEngine::channel(const MediaIdentifier& id) const
{
    const auto it = channels.find(id);
    return it == channels.end() ? nullptr : it->second;
}

std::map<MediaIdentifier, parseThread*>::iterator MediaEngine::findBySender()
{
    const QObject* s = sender();
    for (auto it = channels.begin(); it != channels.end(); ++it) {
        parseThread* p = it->second;
        if (p && (p == s || (p->audio() && p->audio() == s)))
            return it;
    }
    return channels.end();
}

double MediaEngine::duration(const MediaIdentifier& id) const
{
    const parseThread* p = channel(id);
    return p ? p->duration() : -1;
}

double MediaEngine::currentTime(const MediaIdentifier& id) const
{
    const parseThread* p = channel(id);
    if (!p || !p->audio())
        return -1;
    // What is heard now: the end of what was written, less what the output still holds. The
    // two agree only outside a write: during one (or when one began meanwhile) the output may
    // hold bytes the clock does not count yet, and what was heard as it began stands.
    const audioThread* a = p->audio();
    const uint32_t writes = a->writes;
    const double written = a->clock;
    // The output may hold stretched sound: what it holds is turned back into the file's time.
    const double held = a->materialHeld(p->device() ? p->device()->bufferedSeconds() : 0);
    double heard = writes % 2 == 0 && a->writes == writes ? written - held : a->heardBefore.load();
    // Just after a loop went back to its start, the output still plays the pass before.
    const double wrapTo = a->wrapTo;
    if (wrapTo >= 0 && heard < wrapTo)
        heard = a->wrapFrom - (wrapTo - heard);
    return std::max(a->landed.load(), heard);
}

double MediaEngine::heardSpeed(const MediaIdentifier& id) const
{
    const parseThread* p = channel(id);
    if (!p || !p->audio())
        return -1;
    return p->audio()->heardSpeed(p->device() ? p->device()->bufferedSeconds() : 0);
}

bool MediaEngine::hasChannel(const MediaIdentifier& id) const { return channels.count(id) != 0; }

void MediaEngine::doOpen(MediaIdentifier id)
{
    if (channels.count(id))
        return;
    auto* p = new parseThread(this);
    channels.emplace(id, p);
    p->setDevices(id.audio, id.video);
    p->openFile(id.path.toUtf8());
    const AVRational ref = p->referenceTimeBase();
    p->startBound = p->stampOf(id.start, ref);
    p->endBound = p->stampOf(id.end, ref);
    // Playback begins at the start bound exactly, as after a seek there.
    if (audioThread* a = p->audio())
        a->dropThreshold = p->stampOf(id.start, a->timeBase());
    if (videoThread* v = p->video())
        v->dropThreshold = p->stampOf(id.start, v->timeBase());
    connect(p, &parseThread::sigThreadDone, this, &MediaEngine::parseFinished);
    if (audioThread* a = p->audio()) {
        a->endBound = p->stampOf(id.end, a->timeBase());
        connect(a, &audioThread::sigMarkIn, this, &MediaEngine::doInMarking);
        connect(a, &audioThread::sigMarkOut, this, &MediaEngine::doOutMarking);
    }
}

bool MediaEngine::doStart(MediaIdentifier id, bool start)
{
    parseThread* p = channel(id);
    if (!p)
        return false;
    if (start)
        p->start(QThread::InheritPriority);
    else
        p->stop();
    return true;
}

bool MediaEngine::doPause(MediaIdentifier id, bool pause)
{
    parseThread* p = channel(id);
    if (!p)
        return false;
    if (p->stopped || p->paused == pause)
        return true;
    p->paused = pause;
    if (audioThread* a = p->audio())
        a->paused = pause;
    if (pause && p->audio() && p->device() && p->isRunning()) {
        // Silent at once: what the output still holds is thrown away, and the channel plays
        // on from what was heard last when it resumes.
        seek(p, currentTime(id), true);
    }
    if (videoThread* v = p->video(); v && p->display()) {
        v->paused = pause;
        p->display()->resetClock();
    }
    return true;
}

void MediaEngine::doSeekTime(MediaIdentifier id, double seconds)
{
    if (parseThread* p = channel(id))
        seek(p, seconds, false);
}

void MediaEngine::seek(parseThread* p, double seconds, bool resuming)
{
    const int64_t t = p->stampOf(seconds, p->referenceTimeBase());
    const int64_t start = p->startBound;
    const int64_t end = p->endBound;
    const bool accepted =
        resuming || (t >= 0 && (start == -1 || t >= start) && (end == -1 || t <= end));
    {
        const std::lock_guard lock(p->seekLock());
        p->setPendingSeek(accepted ? t : -1);
        if (audioThread* a = p->audio())
            a->dropThreshold = accepted ? p->stampOf(seconds, a->timeBase()) : -1;
        if (videoThread* v = p->video())
            v->dropThreshold = accepted ? p->stampOf(seconds, v->timeBase()) : -1;
        if (accepted && p->audio())
            p->audio()->wrapTo = -1;
    }
    if (!accepted)
        return;
    // The target is heard at once: nothing written before the seek plays out.
    if (audioThread* a = p->audio()) {
        a->clock = seconds;
        a->landed = seconds;
        a->heardBefore = seconds;
    }
    if (p->device())
        p->device()->discard();
}

void MediaEngine::doSetInOut(MediaIdentifier id, double in, double out)
{
    const auto it = channels.find(id);
    if (it == channels.end() || !it->second)
        return;
    const MediaIdentifier& key = it->first;
    const bool hasIn = in >= 0 && (key.start < 0 || in >= key.start);
    const bool hasOut = out >= 0 && (key.end < 0 || out <= key.end);
    const parseThread* p = it->second;
    if (audioThread* a = p->audio()) {
        a->markIn = hasIn ? p->stampOf(in, a->timeBase()) : -1;
        a->markOut = hasOut ? p->stampOf(out, a->timeBase()) : -1;
    }
}

void MediaEngine::doSetLoop(MediaIdentifier id, double start, double end)
{
    const parseThread* p = channel(id);
    audioThread* a = p ? p->audio() : nullptr;
    if (!a)
        return;
    videoThread* v = p->video();
    audioThread::LoopRange range;
    if (start >= 0 && end > start) {
        range.start = start;
        range.end = end;
        range.seekStamp = p->stampOf(start, p->referenceTimeBase());
        range.dropStamp = p->stampOf(start, a->timeBase());
        if (v)
            range.videoDropStamp = p->stampOf(start, v->timeBase());
    }
    // The pictures stop at the loop's end before its start is set for the returns.
    if (v)
        v->loopEnd = range.active() ? p->stampOf(end, v->timeBase()) : -1;
    a->setLoop(range);
}

void MediaEngine::doSetSpeed(MediaIdentifier id, double speed)
{
    const parseThread* p = channel(id);
    if (!p || speed <= 0)
        return;
    if (audioThread* a = p->audio())
        a->speed = speed;
    if (p->display())
        p->display()->setSpeed(speed);
}

void MediaEngine::doSetVolume(MediaIdentifier id, float volume)
{
    const auto it = channels.find(id);
    if (it != channels.end() && it->second && it->first.audio)
        it->first.audio->setVolume(volume);
}

void MediaEngine::doInMarking()
{
    const auto it = findBySender();
    if (it != channels.end())
        Q_EMIT sigMarkIn(it->first);
}

void MediaEngine::doOutMarking()
{
    const auto it = findBySender();
    if (it == channels.end())
        return;
    MediaIdentifier id = it->first;
    const parseThread* p = it->second;
    const audioThread* a = p->audio();
    id.markIn = float(p->secondsOf(a->markIn, a->timeBase()));
    id.markOut = float(p->secondsOf(a->markOut, a->timeBase()));
    Q_EMIT sigMarkOut(id);
}

void MediaEngine::parseFinished()
{
    const auto it = findBySender();
    if (it == channels.end())
        return;
    const MediaIdentifier key = it->first;
    parseThread* p = it->second;
    // The entry stays (empty) while the receivers run: reopening the same identifier from
    // there creates no second channel.
    it->second = nullptr;
    close(p);
    Q_EMIT sigPlayStopped(key);
    channels.erase(key);
}
