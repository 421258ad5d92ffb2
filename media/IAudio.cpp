#include "IAudio.h"

#include <QAudioSink>
#include <QIODevice>
#include <algorithm>
#include <cmath>
#include <cstdint>
#include <cstring>

namespace {
template <class T> T scaled(T sample, float gain, int low, int high)
{
    const float product = std::trunc(float(sample) * gain);
    return T(std::clamp(product, float(low), float(high)));
}

int16_t load16(const char* p)
{
    int16_t v;
    std::memcpy(&v, p, 2);
    return v;
}

void store16(char* p, int16_t v) { std::memcpy(p, &v, 2); }
}  // namespace

IAudio::IAudio()
{
    format.setSampleRate(48000);
    format.setChannelCount(2);
    format.setSampleFormat(QAudioFormat::Int16);
}

IAudio::~IAudio() { closeOutput(); }

void IAudio::setDevice(const QAudioDevice& dev) { device = dev; }

QAudioFormat IAudio::currentFormat() const
{
    std::lock_guard lock(mutex);
    return format;
}

bool IAudio::isOpen() const
{
    std::lock_guard lock(mutex);
    return sink != nullptr;
}

bool IAudio::openOutput(int sampleRate, int sampleSize, int channels)
{
    std::lock_guard lock(mutex);
    const QAudioFormat::SampleFormat sampleFormat =
        sampleSize == 8 ? QAudioFormat::UInt8 : QAudioFormat::Int16;
    if (sink && format.sampleRate() == sampleRate && format.channelCount() == channels &&
        format.sampleFormat() == sampleFormat)
        return true;
    if (device.isNull() || sampleRate <= 0 || channels <= 0)
        return false;
    QAudioFormat wanted;
    wanted.setSampleRate(sampleRate);
    wanted.setChannelCount(channels);
    wanted.setSampleFormat(sampleFormat);
    if (!device.isFormatSupported(wanted)) {
        wanted = device.preferredFormat();
        wanted.setSampleFormat(QAudioFormat::Int16);
        if (!device.isFormatSupported(wanted))
            return false;
    }
    closeLocked();
    format = wanted;
    sink = std::make_unique<QAudioSink>(device, format);
    stream = sink->start();
    if (!stream) {
        sink.reset();
        return false;
    }
    return true;
}

int IAudio::writeSamples(char* data, int length)
{
    std::lock_guard lock(mutex);
    if (!sink || !stream || length <= 0)
        return 0;
    const QAudio::State state = sink->state();
    if (state == QAudio::SuspendedState || state == QAudio::StoppedState)
        return 0;
    const int n = std::min<qsizetype>(length, sink->bytesFree());
    if (n <= 0)
        return 0;
    applyGain(data, n, format, leftGain, rightGain);
    return int(std::max<qint64>(0, stream->write(data, n)));
}

void IAudio::discard()
{
    std::lock_guard lock(mutex);
    if (!sink)
        return;
    // Drop what the sink holds unplayed; the sink itself stays (destroying one runs the
    // event loop). A sink that stopped on it is started again in push mode.
    sink->reset();
    if (sink->state() == QAudio::StoppedState || !stream)
        stream = sink->start();
    if (!stream)
        closeLocked();
}

void IAudio::closeOutput()
{
    std::lock_guard lock(mutex);
    closeLocked();
}

void IAudio::closeLocked()
{
    if (sink)
        sink->stop();
    sink.reset();
    stream = nullptr;
}

int IAudio::outputRate() const
{
    std::lock_guard lock(mutex);
    return sink ? format.sampleRate() : 0;
}

int IAudio::outputChannels() const
{
    std::lock_guard lock(mutex);
    return sink ? format.channelCount() : 0;
}

double IAudio::bufferedSeconds() const
{
    std::lock_guard lock(mutex);
    if (!sink)
        return 0;
    const qsizetype held = std::max<qsizetype>(0, sink->bufferSize() - sink->bytesFree());
    const int perSecond = format.bytesForFrames(format.sampleRate());
    return perSecond > 0 ? double(held) / perSecond : 0;
}

void IAudio::setVolume(float volume)
{
    leftGain = volume;
    rightGain = volume;
}

void IAudio::applyGain(char* data, int length, const QAudioFormat& f, float left, float right)
{
    const bool stereo = f.channelCount() == 2;
    if (f.sampleFormat() == QAudioFormat::Int16) {
        if (stereo) {
            for (int i = 0; i + 4 <= length; i += 4) {
                store16(data + i, scaled(load16(data + i), left, -32768, 32767));
                store16(data + i + 2, scaled(load16(data + i + 2), right, -32768, 32767));
            }
        } else {
            for (int i = 0; i + 2 <= length; i += 2)
                store16(data + i, scaled(load16(data + i), left, -32768, 32767));
        }
    } else if (f.sampleFormat() == QAudioFormat::UInt8) {
        auto* bytes = reinterpret_cast<unsigned char*>(data);
        for (int i = 0; i < length; ++i) {
            const float gain = stereo && (i % 2) ? right : left;
            bytes[i] = scaled(bytes[i], gain, 0, 255);
        }
    }
}
