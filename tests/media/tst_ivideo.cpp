// The OpenGL video display in a real window (needs an X display; skips elsewhere): what it
// draws, read back from its framebuffer, and how its picture ring treats the video thread.
// Each drawn picture is also saved as a PNG beside the test for a look.
#include "FramePicture.h"
#include "IVideo.h"
#include "MediaEngine.h"
#include "MediaFixtures.h"
#include "TestSupport.h"

#include <QGuiApplication>
#include <QImage>
#include <QTemporaryDir>
#include <QtTest>
#include <atomic>
#include <thread>

using namespace mediatest;

namespace {
// 512 x 256 RGBA: red, green / blue, white quadrants.
void paintPattern(FramePicture& p, double time)
{
    p.allocate(512, 256, AV_PIX_FMT_RGBA);
    for (int y = 0; y < p.height; ++y)
        for (int x = 0; x < p.width; ++x) {
            const bool right = x >= p.width / 2, bottom = y >= p.height / 2;
            const unsigned c =
                bottom ? (right ? 0xffffff : 0x0000ff) : (right ? 0x00ff00 : 0xff0000);
            uint8_t* px = p.data[0] + y * p.linesize[0] + x * 4;
            px[0] = uint8_t(c >> 16);
            px[1] = uint8_t(c >> 8);
            px[2] = uint8_t(c);
            px[3] = 255;
        }
    p.time = time;
}

unsigned rgbAt(const QImage& image, int x, int y) { return image.pixel(x, y) & 0xffffff; }

QByteArray hex(unsigned c) { return QByteArray::number(c, 16); }
}  // namespace

class TestIVideo : public QObject {
    Q_OBJECT
    QTemporaryDir dir;

    static QImage grab(IVideo& w, const char* name)
    {
        const QImage image = w.grabFramebuffer();
        image.save(QStringLiteral("ivideo-%1.png").arg(QLatin1String(name)));
        return image;
    }

    static void checkQuadrants(const QImage& im, QRect area)
    {
        const int x1 = area.left() + area.width() / 4, x2 = area.left() + area.width() * 3 / 4;
        const int y1 = area.top() + area.height() / 4, y2 = area.top() + area.height() * 3 / 4;
        QVERIFY2(near(rgbAt(im, x1, y1), 0xff0000), hex(rgbAt(im, x1, y1)));
        QVERIFY2(near(rgbAt(im, x2, y1), 0x00ff00), hex(rgbAt(im, x2, y1)));
        QVERIFY2(near(rgbAt(im, x1, y2), 0x0000ff), hex(rgbAt(im, x1, y2)));
        QVERIFY2(near(rgbAt(im, x2, y2), 0xffffff), hex(rgbAt(im, x2, y2)));
    }

    static bool allBlack(const QImage& im)
    {
        for (int y = 0; y < im.height(); y += 7)
            for (int x = 0; x < im.width(); x += 7)
                if (rgbAt(im, x, y) != 0)
                    return false;
        return true;
    }

private Q_SLOTS:
    void initTestCase()
    {
        if (QGuiApplication::platformName() != QLatin1String("xcb"))
            QSKIP("OpenGL drawing needs an X display");
        QVERIFY(dir.isValid());
    }

    // A wide picture fills a wide widget; in a square one it is fitted with black bars above
    // and below; without an aspect it is stretched over the whole widget.
    void drawsThePictureFitted_data()
    {
        QTest::addColumn<QSize>("size");
        QTest::addColumn<float>("aspect");
        QTest::addColumn<QRect>("picture");
        QTest::newRow("same shape") << QSize(400, 200) << 2.0f << QRect(0, 0, 400, 200);
        QTest::newRow("bars") << QSize(300, 300) << 2.0f << QRect(0, 75, 300, 150);
        QTest::newRow("pillars") << QSize(400, 200) << 1.0f << QRect(100, 0, 200, 200);
        QTest::newRow("unset") << QSize(300, 300) << -1.0f << QRect(0, 0, 300, 300);
    }

    void drawsThePictureFitted()
    {
        QFETCH(QSize, size);
        QFETCH(float, aspect);
        QFETCH(QRect, picture);
        IVideo w;
        w.resize(size);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.setDisplay(512, 256, AV_PIX_FMT_RGBA, true);
        w.setAspect(aspect);
        FramePicture p;
        paintPattern(p, 0.04);
        w.pushFrame(&p);
        QTRY_COMPARE(w.queued(), 0);
        const QImage im = grab(w, QTest::currentDataTag());
        QCOMPARE(im.size(), size * w.devicePixelRatio());
        ECHORA_CHECKED(checkQuadrants(im, picture));
        // Outside the picture: black.
        if (picture.top() > 0) {
            QCOMPARE(rgbAt(im, size.width() / 2, picture.top() - 5), 0u);
            QCOMPARE(rgbAt(im, size.width() / 2, picture.bottom() + 5), 0u);
            QVERIFY(rgbAt(im, size.width() / 2, picture.top() + 5) != 0u);
        }
        if (picture.left() > 0) {
            QCOMPARE(rgbAt(im, picture.left() - 5, size.height() / 2), 0u);
            QCOMPARE(rgbAt(im, picture.right() + 5, size.height() / 2), 0u);
        }
    }

    void switchedOffShowsBlack()
    {
        IVideo w;
        w.resize(320, 240);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        QVERIFY(allBlack(grab(w, "before")));
        w.setDisplay(512, 256, AV_PIX_FMT_RGBA, true);
        FramePicture p;
        paintPattern(p, 0.04);
        w.pushFrame(&p);
        QTRY_COMPARE(w.queued(), 0);
        QVERIFY(!allBlack(grab(w, "on")));
        w.setDisplay(-1, -1, -1, false);
        QVERIFY(!w.isRunning());
        QVERIFY(allBlack(grab(w, "off")));
    }

    void picturesAreShownInOrder()
    {
        IVideo w;
        w.resize(64, 64);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.setDisplay(512, 256, AV_PIX_FMT_RGBA, true);
        FramePicture p;
        paintPattern(p, 0.04);
        for (double t : {0.04, 0.08, 0.12}) {
            p.time = t;
            w.pushFrame(&p);
        }
        QCOMPARE(w.queued(), 3);
        QTRY_COMPARE(w.queued(), 0);
        QCOMPARE(w.timeOnScreen(), 0.12);
    }

    // A picture handed over while three wait is held until the display takes one or is
    // switched off; switching off releases it and empties the ring.
    void fullRingHoldsTheVideoThreadUntilSwitchedOff()
    {
        IVideo w;
        w.resize(64, 64);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        w.setDisplay(512, 256, AV_PIX_FMT_RGBA, true);
        FramePicture p;
        paintPattern(p, 0.04);
        for (int i = 0; i < 3; ++i)
            w.pushFrame(&p);  // no events run here, so the display takes none
        std::atomic<bool> returned{false};
        std::thread pusher([&] {
            w.pushFrame(&p);
            returned = true;
        });
        QThread::msleep(300);
        QVERIFY(!returned);
        QElapsedTimer released;
        released.start();
        w.setDisplay(-1, -1, -1, false);
        for (int i = 0; i < 200 && !returned; ++i)
            QThread::msleep(5);
        qInfo("released after %lld ms", released.elapsed());
        QVERIFY(returned);
        pusher.join();
        QCOMPARE(w.queued(), 0);
    }

    // A whole channel: the decoded test pattern on screen, black once the channel ends.
    void channelDrawsTheDecodedPattern()
    {
        const QString path = dir.filePath("pattern.mp4");
        QVERIFY(makePattern(path, 2, false));
        IVideo w;
        w.resize(400, 300);
        w.show();
        QVERIFY(QTest::qWaitForWindowExposed(&w));
        RecordingAudio audio;
        MediaEngine engine;
        int stops = 0;
        connect(&engine, &MediaEngine::sigPlayStopped, this, [&](MediaIdentifier) { ++stops; });
        MediaIdentifier id;
        id.path = path;
        id.audio = &audio;
        id.video = &w;
        engine.doOpen(id);
        QVERIFY(std::abs(w.aspect() - 4.0f / 3.0f) < 1e-3f);
        engine.doStart(id, true);
        QTRY_VERIFY_WITH_TIMEOUT(w.timeOnScreen() > 0.3, 10000);
        ECHORA_CHECKED(checkQuadrants(grab(w, "channel"), QRect(0, 0, 400, 300)));
        QTRY_COMPARE_WITH_TIMEOUT(stops, 1, 20000);
        QVERIFY(allBlack(grab(w, "channel-ended")));
    }
};

QTEST_MAIN(TestIVideo)
#include "tst_ivideo.moc"
