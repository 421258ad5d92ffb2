#include "parseThread.h"

#include "AudioDev.h"
#include "VideoDev.h"
#include "audioThread.h"
#include "videoThread.h"

extern "C" {
#include <libavutil/channel_layout.h>
}

#include <algorithm>
#include <cstring>
#include <limits>

namespace {
ffmpeg::CodecPtr openDecoder(const AVStream* stream)
{
    const AVCodec* decoder = avcodec_find_decoder(stream->codecpar->codec_id);
    ffmpeg::CodecPtr codec(avcodec_alloc_context3(decoder));
    if (!codec)
        return codec;
    // A missing or failing decoder leaves a context that refuses every packet: the stream
    // then plays silently (or shows nothing) until the end of the file.
    if (decoder && avcodec_parameters_to_context(codec.get(), stream->codecpar) >= 0) {
        codec->pkt_timebase = stream->time_base;
        if (avcodec_open2(codec.get(), decoder, nullptr) < 0)
            codec.reset(avcodec_alloc_context3(nullptr));
    }
    return codec;
}
}  // namespace

parseThread::parseThread(QObject* parent) : QThread(parent) {}

parseThread::~parseThread()
{
    stop();
    close();
}

void parseThread::setDevices(AudioDev* audio, VideoDev* video)
{
    audioDev = audio;
    videoDev = video;
}

bool parseThread::openFile(const QByteArray& utf8Path)
{
    AVFormatContext* raw = nullptr;
    if (avformat_open_input(&raw, utf8Path.constData(), nullptr, nullptr) < 0)
        return false;
    format.reset(raw);
    avformat_find_stream_info(format.get(), nullptr);
    if (format->start_time != AV_NOPTS_VALUE)
        startMicroseconds = format->start_time;
    for (unsigned i = 0; i < format->nb_streams; ++i) {
        const AVStream* s = format->streams[i];
        const AVMediaType type = s->codecpar->codec_type;
        if (type == AVMEDIA_TYPE_AUDIO && audioStream < 0)
            audioStream = int(i);
        // Cover pictures of audio files are not the material's video.
        else if (type == AVMEDIA_TYPE_VIDEO && videoStream < 0 &&
                 !(s->disposition & AV_DISPOSITION_ATTACHED_PIC))
            videoStream = int(i);
        if (audioStream >= 0 && videoStream >= 0)
            break;
    }
    if (audioStream >= 0)
        openAudio(audioStream);
    if (videoStream >= 0)
        openVideo(videoStream);
    if (audioWorker && videoWorker)
        audioWorker->setVideoThreshold(&videoWorker->dropThreshold);
    return true;
}

void parseThread::openAudio(int index)
{
    const AVStream* s = format->streams[index];
    referenceTb = s->time_base;
    audioCodec = openDecoder(s);
    if (!audioCodec) {
        audioStream = -1;
        return;
    }
    if (audioDev) {
        const int rate =
            audioCodec->sample_rate > 0 ? audioCodec->sample_rate : s->codecpar->sample_rate;
        const int channels = audioCodec->ch_layout.nb_channels > 0
                                 ? audioCodec->ch_layout.nb_channels
                                 : s->codecpar->ch_layout.nb_channels;
        audioDev->openOutput(rate, 16, channels);
    }
    audioWorker =
        new audioThread(&audioQueue, audioCodec.get(), index, audioDev, s->time_base, &flags, this);
    audioWorker->setOrigin(av_rescale_q(startMicroseconds, AV_TIME_BASE_Q, s->time_base));
}

void parseThread::openVideo(int index)
{
    AVStream* s = format->streams[index];
    referenceTb = s->time_base;
    videoCodec = openDecoder(s);
    if (!videoCodec) {
        videoStream = -1;
        return;
    }
    if (videoDev) {
        videoDev->setDisplay(videoThread::kWidth, videoThread::kHeight, AV_PIX_FMT_RGBA, true);
        AVRational sar = s->sample_aspect_ratio;
        if (sar.num == 0)
            sar = videoCodec->sample_aspect_ratio;
        double ratio = sar.num != 0 && sar.den != 0 ? av_q2d(sar) : 1.0;
        if (ratio <= 0)
            ratio = 1.0;
        const int w = videoCodec->width > 0 ? videoCodec->width : s->codecpar->width;
        const int h = videoCodec->height > 0 ? videoCodec->height : s->codecpar->height;
        if (w > 0 && h > 0)
            videoDev->setAspect(float(double(w) / h * ratio));
    }
    AVRational rate = av_guess_frame_rate(format.get(), s, nullptr);
    videoWorker = new videoThread(&videoQueue, videoCodec.get(), index, videoDev, s->time_base,
                                  rate, &flags, this);
}

int64_t parseThread::stampOf(double seconds, AVRational tb) const
{
    const int64_t stamp = ffmpeg::toStamp(seconds, tb);
    return stamp < 0 ? -1 : stamp + av_rescale_q(startMicroseconds, AV_TIME_BASE_Q, tb);
}

double parseThread::secondsOf(int64_t stamp, AVRational tb) const
{
    if (stamp < 0)
        return ffmpeg::toSeconds(stamp, tb);
    return ffmpeg::toSeconds(stamp - av_rescale_q(startMicroseconds, AV_TIME_BASE_Q, tb), tb);
}

double parseThread::duration() const
{
    if (!format || format->duration == AV_NOPTS_VALUE || format->duration < 0)
        return -1;
    return double(format->duration) / 1000000.0;
}

void parseThread::finish()
{
    if (!reported.exchange(true))
        Q_EMIT sigThreadDone();
}

void parseThread::seekTo(int64_t target, int seekFlags)
{
    const int ref = videoStream >= 0 ? videoStream : audioStream;
    if (ref < 0)
        return;
    // Land a little before the target, so the decoder has history for the target's frame;
    // the audio thread throws away what lies before the target. Ogg is left alone: after a
    // seek its demuxer only guesses the times of the packets on the page it lands on, and
    // an earlier page would be played from a wrong time.
    const bool guessedTimes = std::strcmp(format->iformat->name, "ogg") == 0;
    const int64_t early =
        std::max<int64_t>(0, target - ffmpeg::toStamp(kSeekPreRollSeconds, referenceTb));
    if (guessedTimes || avformat_seek_file(format.get(), ref, std::numeric_limits<int64_t>::min(),
                                           early, target, seekFlags) < 0)
        avformat_seek_file(format.get(), ref, std::numeric_limits<int64_t>::min(), target,
                           std::numeric_limits<int64_t>::max(), seekFlags);
}

void parseThread::run()
{
    // A file that did not open still reports its end, so whoever started it learns that it
    // is over.
    if (!format) {
        finish();
        return;
    }
    flags.reading = true;
    if (audioWorker && !stopped) {
        flags.audioRunning = true;
        audioWorker->start(QThread::InheritPriority);
    }
    if (videoWorker && !stopped) {
        flags.videoRunning = true;
        videoWorker->start(QThread::InheritPriority);
    }
    const int64_t start = startBound;
    if (start >= 0 && !stopped)
        seekTo(start, 0);

    ffmpeg::PacketPtr packet(av_packet_alloc());
    while (packet) {
        if ((!flags.audioRunning && !flags.videoRunning) || stopped)
            break;
        if (paused) {
            msleep(100);
            continue;
        }
        const int64_t target = flags.pendingSeek;
        if (target >= 0) {
            flags.reading = true;
            flags.refilling = true;
            seekTo(target, lastDts > target ? AVSEEK_FLAG_BACKWARD : 0);
            // Each decoding thread flushes its own decoder when it meets the flush marker.
            if (audioWorker)
                audioQueue.flush();
            if (videoWorker)
                videoQueue.flush();
            readFailures = 0;
            int64_t expected = target;
            flags.pendingSeek.compare_exchange_strong(expected, -1);
        }
        if (audioQueue.size() > kQueueLimit || videoQueue.size() > kQueueLimit) {
            msleep(10);
            continue;
        }
        if (flags.reading && flags.refilling && (audioQueue.size() > 0 || videoQueue.size() > 0))
            flags.refilling = false;
        readOne(packet.get());
    }
    finish();
}

void parseThread::readOne(AVPacket* packet)
{
    const int result = av_read_frame(format.get(), packet);
    if (result < 0) {
        AVIOContext* pb = format->pb;
        const bool atEnd = result == AVERROR_EOF || (pb && avio_feof(pb) && pb->error == 0);
        // Errors that keep coming are the end of what can be read. A seek that landed at or
        // past the end brings no packet: nothing more is coming to refill the queues either.
        if (atEnd || ++readFailures >= kReadFailureLimit) {
            flags.refilling = false;
            flags.reading = false;
        }
        msleep(10);
        return;
    }
    readFailures = 0;
    flags.reading = true;
    const int ref = videoStream >= 0 ? videoStream : audioStream;
    if (packet->stream_index == ref && packet->dts != AV_NOPTS_VALUE)
        lastDts = packet->dts;
    if (packet->stream_index == audioStream && audioWorker)
        audioQueue.put(packet);
    else if (packet->stream_index == videoStream && videoWorker)
        videoQueue.put(packet);
    av_packet_unref(packet);
}

void parseThread::stop()
{
    if (audioWorker) {
        audioQueue.flush();
        audioWorker->stopped = true;
    }
    if (videoWorker) {
        // Switching the display off also releases a picture hand-over that waits.
        if (videoDev)
            videoDev->setDisplay(-1, -1, -1, false);
        videoQueue.flush();
        videoWorker->stopped = true;
    }
    stopped = true;
    wait();
    if (audioWorker)
        audioWorker->wait();
    if (videoWorker)
        videoWorker->wait();
    delete audioWorker;
    audioWorker = nullptr;
    delete videoWorker;
    videoWorker = nullptr;
}

void parseThread::close()
{
    audioCodec.reset();
    videoCodec.reset();
    format.reset();
}
