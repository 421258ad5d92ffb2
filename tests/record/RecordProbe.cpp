// A one-shot recording in its own process, for cases that need a different environment than
// the test runner's (no sound server): records into the file named by the first argument until
// a stop is requested after the number of milliseconds in the second (or the recording ends on
// its own), then prints "finished", the recorder's message and the frames captured, one a line.
#include "PaRecThread.h"

#include <QCoreApplication>
#include <QSignalSpy>
#include <QTimer>
#include <cstdio>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    if (argc < 3)
        return 2;
    FILE* file = std::fopen(argv[1], "w+b");
    if (!file)
        return 2;
    PaRecThread recorder;
    QSignalSpy finished(&recorder, &QThread::finished);
    recorder.setFile(file);
    recorder.start();
    QTimer::singleShot(QString::fromLatin1(argv[2]).toInt(), &recorder, &PaRecThread::requestStop);
    const bool ended = finished.wait(30000) || finished.count() > 0;
    recorder.requestStop();
    recorder.wait();
    std::fclose(file);
    std::printf("%s\n%s\n%lld\n", ended ? "finished" : "still running",
                recorder.message().toUtf8().constData(),
                static_cast<long long>(recorder.capturedFrames()));
    return ended ? 0 : 1;
}
