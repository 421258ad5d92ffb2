#include "PaInput.h"

namespace {
QString paMessage(PaError error)
{
    return QStringLiteral("portaudio: %1").arg(QString::fromUtf8(Pa_GetErrorText(error)));
}
}  // namespace

PaInput::Library::~Library()
{
    if (initialized)
        Pa_Terminate();
}

void PaInput::StreamCloser::operator()(PaStream* handle) const
{
    Pa_CloseStream(handle);  // aborts a stream that still runs
}

PaInput::~PaInput() = default;

QString PaInput::open(PaStreamCallback* callback, void* userData)
{
    if (!library.initialized) {
        const PaError error = Pa_Initialize();
        if (error != paNoError)
            return paMessage(error);
        library.initialized = true;
    }
    const PaDeviceIndex device = Pa_GetDefaultInputDevice();
    const PaDeviceInfo* info = device == paNoDevice ? nullptr : Pa_GetDeviceInfo(device);
    if (!info)
        return QStringLiteral("portaudio: No input device.");
    PaStreamParameters input{};
    input.device = device;
    input.channelCount = 2;
    input.sampleFormat = paFloat32;
    input.suggestedLatency = info->defaultLowInputLatency;
    input.hostApiSpecificStreamInfo = nullptr;
    PaStream* handle = nullptr;
    const PaError error =
        Pa_OpenStream(&handle, &input, nullptr, 44100.0, 512, paClipOff, callback, userData);
    if (error != paNoError)
        return paMessage(error);
    stream.reset(handle);
    return {};
}

QString PaInput::start()
{
    const PaError error = stream ? Pa_StartStream(stream.get()) : paBadStreamPtr;
    return error == paNoError ? QString() : paMessage(error);
}

bool PaInput::isActive() const { return stream && Pa_IsStreamActive(stream.get()) == 1; }

QString PaInput::close()
{
    if (!stream)
        return {};
    const PaError error = Pa_CloseStream(stream.release());
    return error == paNoError ? QString() : paMessage(error);
}
