// The media library's parts on their own: the packet queue and its flush marker, picture
// records, the gain arithmetic and the closed audio output, and channel naming.
#include "FFmpegHandles.h"
#include "FramePicture.h"
#include "IAudio.h"
#include "MediaIdentifier.h"
#include "PacketQueue.h"

#include <QtTest>
#include <cstring>

namespace {
ffmpeg::PacketPtr packetOf(const QByteArray& bytes, int64_t dts)
{
    ffmpeg::PacketPtr p(av_packet_alloc());
    if (av_new_packet(p.get(), int(bytes.size())) == 0)
        std::memcpy(p->data, bytes.constData(), size_t(bytes.size()));
    p->dts = dts;
    return p;
}

QByteArray samples16(std::initializer_list<int16_t> values)
{
    QByteArray out;
    for (int16_t v : values)
        out.append(reinterpret_cast<const char*>(&v), 2);
    return out;
}

QVector<int16_t> values16(const QByteArray& bytes)
{
    QVector<int16_t> out(bytes.size() / 2);
    std::memcpy(out.data(), bytes.constData(), size_t(out.size()) * 2);
    return out;
}

QAudioFormat formatOf(QAudioFormat::SampleFormat f, int channels)
{
    QAudioFormat format;
    format.setSampleRate(44100);
    format.setChannelCount(channels);
    format.setSampleFormat(f);
    return format;
}
}  // namespace

class TestMediaParts : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Packets come out in order with their own data; the byte count follows; flushing drops
    // them and leaves only the marker.
    void queueKeepsOrderSizeAndFlush()
    {
        PacketQueue q;
        auto a = packetOf("aaaa", 1);
        auto b = packetOf("bbbbbb", 2);
        QVERIFY(q.put(a.get()));
        QVERIFY(q.put(b.get()));
        // The queue holds its own reference: the reader's copy survives the writer's.
        a.reset();
        QCOMPARE(q.size(), 10);
        QCOMPARE(q.count(), 2);
        ffmpeg::PacketPtr out(av_packet_alloc());
        QVERIFY(q.get(out.get(), false));
        QCOMPARE(out->dts, int64_t(1));
        QCOMPARE(QByteArray(reinterpret_cast<const char*>(out->data), out->size),
                 QByteArray("aaaa"));
        QCOMPARE(q.size(), 6);
        auto c = packetOf("cc", 3);
        QVERIFY(q.put(c.get()));
        q.flush();
        QCOMPARE(q.size(), 0);
        QCOMPARE(q.count(), 1);
        QVERIFY(q.get(out.get(), false));
        QVERIFY(PacketQueue::isFlush(out.get()));
        QVERIFY(!PacketQueue::isFlush(b.get()));
        QVERIFY(!q.get(out.get(), false));
        av_packet_unref(out.get());
    }

    // A blocking reader waits for the next put.
    void blockingGetWaitsForAPacket()
    {
        PacketQueue q;
        int64_t got = -1;
        std::unique_ptr<QThread> reader(QThread::create([&] {
            ffmpeg::PacketPtr out(av_packet_alloc());
            if (q.get(out.get(), true))
                got = out->dts;
        }));
        reader->start();
        QTest::qWait(50);
        QCOMPARE(got, int64_t(-1));
        auto p = packetOf("x", 42);
        QVERIFY(q.put(p.get()));
        QVERIFY(reader->wait(5000));
        QCOMPARE(got, int64_t(42));
    }

    void picturesCopyOnlyWhenTheyMatch()
    {
        FramePicture source;
        QVERIFY(source.allocate(8, 4, AV_PIX_FMT_RGBA));
        QCOMPARE(source.bufferSize, 8 * 4 * 4);
        QCOMPARE(source.linesize[0], 32);
        std::memset(source.buffer.get(), 0x7f, size_t(source.bufferSize));
        source.time = 1.25;
        FramePicture empty;
        QVERIFY(empty.copyFrom(source));  // allocated on the first copy
        QCOMPARE(empty.width, 8);
        QCOMPARE(empty.time, 1.25);
        QCOMPARE(int(empty.buffer.get()[source.bufferSize - 1]), 0x7f);
        FramePicture other;
        QVERIFY(other.allocate(4, 4, AV_PIX_FMT_RGBA));
        other.time = 9;
        QVERIFY(!other.copyFrom(source));  // another size keeps its old content
        QCOMPARE(other.time, 9.0);
        QCOMPARE(int(other.buffer.get()[0]), 0);
        QVERIFY(!other.allocate(0, 4, AV_PIX_FMT_RGBA));
        QVERIFY(!other.allocated);
    }

    void gainArithmetic_data()
    {
        QTest::addColumn<int>("channels");
        QTest::addColumn<float>("left");
        QTest::addColumn<float>("right");
        QTest::addColumn<QByteArray>("in");
        QTest::addColumn<QByteArray>("expected");
        QTest::newRow("unity") << 2 << 1.0f << 1.0f << samples16({-3, 3, 1000, -32768})
                               << samples16({-3, 3, 1000, -32768});
        QTest::newRow("half truncates toward zero")
            << 2 << 0.5f << 0.5f << samples16({-3, 3, 1001, -1001})
            << samples16({-1, 1, 500, -500});
        QTest::newRow("left and right")
            << 2 << 0.5f << 0.0f << samples16({100, 100, -100, -100}) << samples16({50, 0, -50, 0});
        QTest::newRow("mono uses the left gain")
            << 1 << 0.5f << 0.0f << samples16({100, -100, 7}) << samples16({50, -50, 3});
        QTest::newRow("held to the sample range")
            << 1 << 2.0f << 2.0f << samples16({20000, -20000}) << samples16({32767, -32768});
        QByteArray partial = samples16({100, 100, 100});
        QTest::newRow("partial stereo frame left alone")
            << 2 << 0.5f << 0.5f << partial << samples16({50, 50, 100});
    }

    void gainArithmetic()
    {
        QFETCH(int, channels);
        QFETCH(float, left);
        QFETCH(float, right);
        QFETCH(QByteArray, in);
        QFETCH(QByteArray, expected);
        IAudio::applyGain(in.data(), int(in.size()), formatOf(QAudioFormat::Int16, channels), left,
                          right);
        QCOMPARE(values16(in), values16(expected));
    }

    void gainOnUnsignedBytes()
    {
        QByteArray stereo("\xc8\xc8\x10\x11", 4);  // 200 200 16 17
        IAudio::applyGain(stereo.data(), 4, formatOf(QAudioFormat::UInt8, 2), 0.5f, 0.25f);
        QCOMPARE(stereo, QByteArray("\x64\x32\x08\x04", 4));
        QByteArray mono("\xff\x03", 2);
        IAudio::applyGain(mono.data(), 2, formatOf(QAudioFormat::UInt8, 1), 0.5f, 0.0f);
        QCOMPARE(mono, QByteArray("\x7f\x01", 2));
    }

    // Without a device the output never opens and takes nothing.
    void closedOutputTakesNothing()
    {
        IAudio audio;
        QByteArray pcm = samples16({1, 2, 3, 4});
        QCOMPARE(audio.writeSamples(pcm.data(), int(pcm.size())), 0);
        QCOMPARE(values16(pcm), values16(samples16({1, 2, 3, 4})));  // not scaled either
        QVERIFY(!audio.openOutput(44100, 16, 2));
        QVERIFY(!audio.isOpen());
        QCOMPARE(audio.writeSamples(pcm.data(), int(pcm.size())), 0);
        audio.closeOutput();
        QCOMPARE(audio.currentFormat().sampleRate(), 48000);
    }

    void identifiersNameChannels()
    {
        int a = 0, b = 0;
        MediaIdentifier x;
        x.path = "a.mp3";
        x.audio = reinterpret_cast<AudioDev*>(&a);
        MediaIdentifier y = x;
        y.markIn = 3;
        y.markOut = 4;
        QVERIFY(sameChannel(x, y));  // marks take no part
        y.audio = reinterpret_cast<AudioDev*>(&b);
        QVERIFY(!sameChannel(x, y));
        MediaIdentifier z = x;
        z.path = "b.mp3";
        z.start = -5;
        QVERIFY(x < z);  // the path first
        z.path = x.path;
        QVERIFY(z < x);  // then the start
        z.start = x.start;
        z.end = 2;
        QVERIFY(x < z);  // then the end
        QVERIFY(!(x < x));
    }
};

QTEST_GUILESS_MAIN(TestMediaParts)
#include "tst_mediaparts.moc"
