#include "BenchSupport.h"

#include <QElapsedTimer>
#include <QProcess>
#include <algorithm>
#include <cstdio>

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

double median(std::vector<double> values)
{
    if (values.empty())
        return -1;
    std::sort(values.begin(), values.end());
    const std::size_t n = values.size();
    return n % 2 ? values[n / 2] : (values[n / 2 - 1] + values[n / 2]) / 2;
}

double medianOf(int runs, const std::function<bool()>& task)
{
    std::vector<double> times;
    for (int i = 0; i < runs; ++i) {
        QElapsedTimer timer;
        timer.start();
        if (!task())
            return -1;
        times.push_back(double(timer.nsecsElapsed()) / 1e6);
    }
    return median(times);
}

std::pair<double, double> medianPair(int runs, const std::function<bool()>& measured,
                                     const std::function<bool()>& reference)
{
    std::vector<double> own;
    std::vector<double> ref;
    bool failed = false;
    for (int i = 0; i < runs && !failed; ++i) {
        const double r = medianOf(1, reference);
        const double m = medianOf(1, measured);
        failed = r < 0 || m < 0;
        ref.push_back(r);
        own.push_back(m);
    }
    if (failed)
        return {-1, -1};
    return {median(own), median(ref)};
}

void row(const QString& measurement, const QString& value, const QString& reference, double ratio,
         const QString& target, bool met)
{
    const QString r = ratio >= 0 ? QString::number(ratio, 'f', 2) : QStringLiteral("-");
    const QString line = QStringLiteral("ROW\t%1\t%2\t%3\t%4\t%5\t%6\n")
                             .arg(measurement, value, reference, r, target,
                                  met ? QStringLiteral("met") : QStringLiteral("MISSED"));
    std::fputs(line.toUtf8().constData(), stdout);
    std::fflush(stdout);
}

QString amount(double value, const char* unit, int decimals)
{
    return QStringLiteral("%1 %2").arg(value, 0, 'f', decimals).arg(QLatin1String(unit));
}

}  // namespace bench
