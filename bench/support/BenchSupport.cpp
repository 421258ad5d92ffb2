#include "BenchSupport.h"

#include <QElapsedTimer>
#include <QProcess>
#include <algorithm>

namespace bench {

bool ffmpeg(const QStringList& args)
{
    QProcess process;
    process.start(QStringLiteral("ffmpeg"),
                  QStringList{QStringLiteral("-nostdin"), QStringLiteral("-loglevel"),
                              QStringLiteral("error"), QStringLiteral("-y")} +
                      args);
    return process.waitForFinished(600000) && process.exitStatus() == QProcess::NormalExit &&
           process.exitCode() == 0;
}

double bestOf(int runs, const std::function<bool()>& task)
{
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        if (!task())
            return -1;
        best = std::min(best, double(timer.nsecsElapsed()) / 1e6);
    }
    return best;
}

}  // namespace bench
