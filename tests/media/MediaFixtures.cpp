#include "MediaFixtures.h"

#include "FramePicture.h"
#include "TestSupport.h"

#include <QFileInfo>
#include <cmath>
#include <cstdlib>
#include <cstring>

namespace mediatest {

namespace {
QStringList codecArgs(const QString& path)
{
    const QString ext = QFileInfo(path).suffix().toLower();
    if (ext == QLatin1String("mp3"))
        return {"-c:a", "libmp3lame", "-b:a", "128k"};
    if (ext == QLatin1String("m4a") || ext == QLatin1String("mp4") || ext == QLatin1String("flv"))
        return {"-c:a", "aac", "-b:a", "128k"};
    if (ext == QLatin1String("ogg"))
        return {"-c:a", "libvorbis"};
    return {"-c:a", "pcm_s16le"};
}

QString gapFilter()
{
    return QStringLiteral("volume=volume=0:enable='between(t,%1,%2)+between(t,%3,%4)'")
        .arg(kGapA)
        .arg(kGapA + 0.05)
        .arg(kGapB)
        .arg(kGapB + 0.05);
}
}  // namespace

bool makeTone(const QString& path, double seconds)
{
    const QString source = QStringLiteral("sine=frequency=%1:sample_rate=%2:duration=%3")
                               .arg(kToneHz)
                               .arg(kRate)
                               .arg(seconds);
    QStringList extra{"-af", gapFilter(), "-ac", "2"};
    extra << codecArgs(path);
    return testsupport::makeAudio(path, source, extra);
}

bool makePattern(const QString& path, double seconds, bool videoOnly)
{
    const QString d = QString::number(seconds);
    const QString pattern =
        QStringLiteral("color=c=red:s=160x120:r=25:d=%1[a];color=c=lime:s=160x120:r=25:d=%1[b];"
                       "color=c=blue:s=160x120:r=25:d=%1[c];color=c=white:s=160x120:r=25:d=%1[d];"
                       "[a][b]hstack[t];[c][d]hstack[u];[t][u]vstack")
            .arg(d);
    QStringList args{"-nostdin", "-loglevel", "error", "-y", "-f", "lavfi", "-i", pattern};
    if (!videoOnly)
        args << "-f"
             << "lavfi"
             << "-i"
             << QStringLiteral("sine=frequency=%1:sample_rate=%2:duration=%3")
                    .arg(kToneHz)
                    .arg(kRate)
                    .arg(d)
             << "-af" << gapFilter();
    args << "-c:v"
         << "libx264"
         << "-pix_fmt"
         << "yuv420p"
         << "-g"
         << "25";
    if (!videoOnly)
        args << "-ac"
             << "2"
             << "-c:a"
             << "aac";
    args << "-shortest" << path;
    return testsupport::run(QStringLiteral("ffmpeg"), args);
}

QVector<int16_t> leftChannel(const QByteArray& pcm, int channels)
{
    QVector<int16_t> out;
    if (channels <= 0)
        return out;
    const int frame = 2 * channels;
    out.reserve(pcm.size() / frame);
    for (int i = 0; i + frame <= pcm.size(); i += frame) {
        int16_t v;
        std::memcpy(&v, pcm.constData() + i, 2);
        out.push_back(v);
    }
    return out;
}

double frequency(const QVector<int16_t>& s, int rate)
{
    int crossings = 0;
    for (int i = 1; i < s.size(); ++i)
        if ((s[i - 1] < 0 && s[i] >= 0) || (s[i - 1] >= 0 && s[i] < 0))
            ++crossings;
    return s.isEmpty() ? 0 : crossings / 2.0 / (double(s.size()) / rate);
}

QVector<int> gapStarts(const QVector<int16_t>& s, int minRun)
{
    QVector<int> starts;
    int run = 0;
    for (int i = 0; i < s.size(); ++i) {
        if (std::abs(int(s[i])) < 300) {
            if (++run == minRun)
                starts.push_back(i - minRun + 1);
        } else {
            run = 0;
        }
    }
    return starts;
}

double toneAmplitude(const QVector<int16_t>& s, int from, int count, double hz, int rate)
{
    double re = 0;
    double im = 0;
    for (int i = 0; i < count; ++i) {
        const double phase = 2 * M_PI * hz * i / rate;
        re += s[from + i] * std::cos(phase);
        im += s[from + i] * std::sin(phase);
    }
    return 2 * std::hypot(re, im) / count;
}

double rms(const QVector<int16_t>& s, int from, int to)
{
    double sum = 0;
    int n = 0;
    for (int i = std::max(0, from); i < std::min(int(s.size()), to); ++i, ++n)
        sum += double(s[i]) * s[i];
    return n ? std::sqrt(sum / n) : 0;
}

int RecordingAudio::writeSamples(char* data, int length)
{
    QMutexLocker lock(&mutex);
    qint64 n = length;
    if (budget >= 0)
        n = std::min<qint64>(n, std::max<qint64>(0, budget - bytes.size()));
    bytes.append(data, int(n));
    return int(n);
}

bool RecordingAudio::openOutput(int sampleRate, int sampleSize, int ch)
{
    rate = sampleRate;
    bits = sampleSize;
    channels = ch;
    ++opens;
    return true;
}

QByteArray RecordingAudio::taken() const
{
    QMutexLocker lock(&mutex);
    return bytes;
}

qint64 RecordingAudio::size() const
{
    QMutexLocker lock(&mutex);
    return bytes.size();
}

void RecordingVideo::pushFrame(FramePicture* p)
{
    QVector<unsigned> q;
    if (p && p->allocated && p->pixelFormat == AV_PIX_FMT_RGBA) {
        for (const auto& [fx, fy] : {std::pair{1, 1}, {3, 1}, {1, 3}, {3, 3}}) {
            const int x = p->width * fx / 4;
            const int y = p->height * fy / 4;
            const uint8_t* px = p->data[0] + y * p->linesize[0] + x * 4;
            q.push_back(unsigned(px[0]) << 16 | unsigned(px[1]) << 8 | px[2]);
        }
    }
    QMutexLocker lock(&mutex);
    lastQuadrants = q;
    pictureTimes.push_back(p ? p->time : -1);
    pictureColours.push_back(q.isEmpty() ? 0 : q.front());
    ++frames;
}

void RecordingVideo::setDisplay(int w, int h, int, bool on)
{
    if (on) {
        width = w;
        height = h;
        ++displaysOn;
    } else {
        ++displaysOff;
    }
}

QVector<unsigned> RecordingVideo::quadrants() const
{
    QMutexLocker lock(&mutex);
    return lastQuadrants;
}

QVector<double> RecordingVideo::times() const
{
    QMutexLocker lock(&mutex);
    return pictureTimes;
}

QVector<unsigned> RecordingVideo::colours() const
{
    QMutexLocker lock(&mutex);
    return pictureColours;
}

bool near(unsigned c, unsigned e, int tolerance)
{
    for (int shift : {16, 8, 0})
        if (std::abs(int((c >> shift) & 0xff) - int((e >> shift) & 0xff)) > tolerance)
            return false;
    return true;
}

}  // namespace mediatest
