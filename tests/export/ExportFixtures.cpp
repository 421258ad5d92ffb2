#include "ExportFixtures.h"

#include "Mp3Encoder.h"
#include "TestSupport.h"

#include <QProcess>
#include <cmath>
#include <cstdio>
#include <numbers>

namespace exporttest {

bool writeRecording(const QString& path, double seconds, int hz, double amplitude)
{
    FILE* file = std::fopen(path.toUtf8().constData(), "w+b");
    if (!file)
        return false;
    Mp3Encoder encoder;
    bool ok = encoder.open(file, 32767.0f).isEmpty();
    const long long total = std::llround(seconds * kRate);
    std::vector<float> block(2 * Mp3Encoder::kBlockFrames);
    for (long long at = 0; ok && at < total; at += Mp3Encoder::kBlockFrames) {
        const long long n = std::min<long long>(Mp3Encoder::kBlockFrames, total - at);
        for (long long i = 0; i < n; ++i) {
            const double t = double(at + i) / kRate;
            const float v = float(amplitude * std::sin(2 * std::numbers::pi * hz * t));
            block[std::size_t(2 * i)] = v;
            block[std::size_t(2 * i + 1)] = v;
        }
        ok = encoder.encode(block.data(), (unsigned long)(n));
    }
    ok = ok && encoder.finish();
    return std::fclose(file) == 0 && ok;
}

double probeDuration(const QString& path)
{
    QProcess p;
    p.start(QStringLiteral("ffprobe"),
            {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
             QStringLiteral("format=duration"), QStringLiteral("-of"),
             QStringLiteral("default=noprint_wrappers=1:nokey=1"), path});
    if (!p.waitForFinished(30000) || p.exitCode() != 0)
        return -1;
    bool ok = false;
    const double d = QString::fromUtf8(p.readAllStandardOutput()).trimmed().toDouble(&ok);
    return ok ? d : -1;
}

QString decodeErrors(const QString& path)
{
    QProcess p;
    p.start(QStringLiteral("ffmpeg"),
            {QStringLiteral("-nostdin"), QStringLiteral("-v"), QStringLiteral("error"),
             QStringLiteral("-i"), path, QStringLiteral("-f"), QStringLiteral("null"),
             QStringLiteral("-")});
    if (!p.waitForFinished(60000))
        return QStringLiteral("ffmpeg did not finish");
    return QString::fromUtf8(p.readAllStandardError()).trimmed();
}

double goertzel(const std::vector<float>& samples, int rate, double hz)
{
    const double w = 2 * std::numbers::pi * hz / rate;
    const double coeff = 2 * std::cos(w);
    double s1 = 0, s2 = 0;
    for (float x : samples) {
        const double s0 = x + coeff * s1 - s2;
        s2 = s1;
        s1 = s0;
    }
    const double power = s1 * s1 + s2 * s2 - coeff * s1 * s2;
    const double n = double(samples.size());
    return n > 0 ? power / (n * n) : 0;
}

bool writeTone(const QString& path, double seconds, int hz)
{
    return testsupport::makeAudio(
        path,
        QStringLiteral("sine=frequency=%1:sample_rate=44100:duration=%2").arg(hz).arg(seconds),
        {QStringLiteral("-ac"), QStringLiteral("2")});
}

}  // namespace exporttest
