#pragma once
// PaInput: PortAudio and one capture stream from the default input device (stereo, 32-bit
// float, 44100 Hz, 512 frames per block, no clipping). The object initialises PortAudio when
// opened and closes the stream and terminates PortAudio when destroyed, whatever happened in
// between. Only the recorder thread calls it; the callback runs in PortAudio's own thread.
#include <QString>
#include <memory>
#include <portaudio.h>

class PaInput {
public:
    PaInput() = default;
    ~PaInput();
    PaInput(const PaInput&) = delete;
    PaInput& operator=(const PaInput&) = delete;

    // Initialises PortAudio and opens the stream on the default input device with `callback`
    // and `userData`. Returns an empty string or the failure message.
    QString open(PaStreamCallback* callback, void* userData);
    // Starts the opened stream; an empty string or the failure message.
    QString start();
    // True while the stream runs (the callback has not completed it and nothing failed).
    bool isActive() const;
    // Closes the stream; an empty string or the failure message.
    QString close();

private:
    struct Library {
        bool initialized = false;
        ~Library();
    };
    struct StreamCloser {
        void operator()(PaStream* stream) const;
    };

    // Declared first so that it is destroyed last: the stream closes before PortAudio ends.
    Library library;
    std::unique_ptr<PaStream, StreamCloser> stream;
};
