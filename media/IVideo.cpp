#include "IVideo.h"

#include "FramePicture.h"

#include <QOpenGLContext>
#include <QSurfaceFormat>
#include <QtGlobal>
#include <chrono>
#include <cmath>

#include <GL/gl.h>

namespace {
constexpr int kFirstWaitMs = 40;
constexpr int kShortestWaitMs = 10;
constexpr unsigned long kPushWaitMs = 100;
}  // namespace

IVideo::IVideo(QWidget* parent) : QOpenGLWidget(parent)
{
    QSurfaceFormat f = QSurfaceFormat::defaultFormat();
    f.setAlphaBufferSize(8);
    f.setDepthBufferSize(0);
    setFormat(f);
    for (auto& slot : ring)
        slot = std::make_unique<FramePicture>();
    timer.setSingleShot(true);
    connect(&timer, &QTimer::timeout, this, &IVideo::doUpdateFrame);
    clock.start();
}

IVideo::~IVideo()
{
    running = false;
    timer.stop();
    {
        std::unique_lock lock(mutex);
        cond.notify_all();
    }
    if (quadList && context()) {
        makeCurrent();
        glDeleteLists(quadList, 1);
        glDeleteTextures(1, &texture);
        doneCurrent();
    }
}

double IVideo::now() const { return double(clock.nsecsElapsed()) / 1e9; }

int IVideo::queued() const
{
    std::unique_lock lock(mutex);
    return count;
}

void IVideo::initializeGL()
{
    const QSurfaceFormat actual = context()->format();
    // No depth buffer is asked for, so the first note is written whenever the request is met.
    if (actual.depthBufferSize() <= 0)
        qWarning("Could not get depth buffer; results will be suboptimal");
    if (actual.alphaBufferSize() <= 0)
        qWarning("Could not set rgba buffer; results will be suboptimal");
    if (actual.swapBehavior() == QSurfaceFormat::SingleBuffer)
        qWarning("Could not set double buffering; results will be suboptimal");

    glShadeModel(GL_FLAT);
    glDisable(GL_DEPTH_TEST);
    glDisable(GL_LIGHTING);
    glEnable(GL_TEXTURE_2D);
    glTexEnvi(GL_TEXTURE_ENV, GL_TEXTURE_ENV_MODE, GL_REPLACE);
    glEnable(GL_BLEND);
    glBlendFunc(GL_SRC_ALPHA, GL_ONE_MINUS_SRC_ALPHA);
    glEnable(GL_LINE_SMOOTH);
    glHint(GL_LINE_SMOOTH_HINT, GL_NICEST);
    glClearColor(0, 0, 0, 1);

    glGenTextures(1, &texture);
    glBindTexture(GL_TEXTURE_2D, texture);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MIN_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_MAG_FILTER, GL_LINEAR);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_S, GL_CLAMP_TO_EDGE);
    glTexParameteri(GL_TEXTURE_2D, GL_TEXTURE_WRAP_T, GL_CLAMP_TO_EDGE);

    // One quad over the whole view; the picture's first row at the top.
    quadList = glGenLists(1);
    glNewList(quadList, GL_COMPILE);
    glBegin(GL_QUADS);
    glColor4f(0, 0, 0, 1);
    glNormal3f(0, 0, 1);
    glTexCoord2f(0, 1);
    glVertex3f(-1, -1, 0);
    glTexCoord2f(1, 1);
    glVertex3f(1, -1, 0);
    glTexCoord2f(1, 0);
    glVertex3f(1, 1, 0);
    glTexCoord2f(0, 0);
    glVertex3f(-1, 1, 0);
    glEnd();
    glEndList();
}

void IVideo::resizeGL(int w, int h)
{
    const qreal ratio = devicePixelRatioF();
    glViewport(0, 0, GLsizei(std::lround(w * ratio)), GLsizei(std::lround(h * ratio)));
    glMatrixMode(GL_PROJECTION);
    glLoadIdentity();
    glMatrixMode(GL_MODELVIEW);
}

void IVideo::paintGL()
{
    glClear(GL_COLOR_BUFFER_BIT);
    glBindTexture(GL_TEXTURE_2D, texture);
    if (shownSlot >= 0) {
        // The slot on screen is not written while newer pictures are queued behind it.
        const FramePicture* p = ring[size_t(shownSlot)].get();
        if (p->allocated) {
            glTexImage2D(GL_TEXTURE_2D, 0, GL_RGBA, p->width, p->height, 0, GL_RGBA,
                         GL_UNSIGNED_BYTE, p->buffer.get());
            hasPicture = true;
        }
        shownSlot = -1;
    }
    if (running && hasPicture)
        glEnable(GL_TEXTURE_2D);
    else
        glDisable(GL_TEXTURE_2D);
    glPushMatrix();
    const float a = aspectRatio;
    if (a > 0 && width() > 0 && height() > 0) {
        const float c = float(width()) / float(height());
        if (a > c)
            glScalef(1, c / a, 1);
        else
            glScalef(a / c, 1, 1);
    }
    glCallList(quadList);
    glPopMatrix();
}

void IVideo::setAspect(float r) { aspectRatio = r; }

void IVideo::setDisplay(int w, int h, int pixelFormat, bool on)
{
    if (on) {
        if (!ring[0]->allocated)
            for (auto& slot : ring)
                slot->allocate(w, h, pixelFormat);
        {
            std::unique_lock lock(mutex);
            count = 0;
            writeIndex = readIndex;
        }
        running = true;
        timer.start(kFirstWaitMs);
        frameTimer = now();
        previousDelay = 0.04;
        previousTime = 0;
        Q_EMIT displayOn();
    } else {
        running = false;
        hasPicture = false;
        timer.stop();
        std::unique_lock lock(mutex);
        cond.notify_all();
    }
    update();
}

void IVideo::resetClock() { frameTimer = now(); }

void IVideo::setSpeed(double speed)
{
    if (speed > 0)
        pace = speed;
}

void IVideo::pushFrame(FramePicture* picture)
{
    std::unique_lock lock(mutex);
    while (count >= kSlots - 1 && running)
        cond.wait_for(lock, std::chrono::milliseconds(kPushWaitMs));
    if (!running) {
        // Pictures not yet shown are dropped with this one.
        count = 0;
        writeIndex = readIndex;
        return;
    }
    const int slot = writeIndex;
    lock.unlock();
    ring[size_t(slot)]->copyFrom(*picture);
    lock.lock();
    writeIndex = (slot + 1) % kSlots;
    ++count;
}

void IVideo::doUpdateFrame()
{
    if (!running)
        return;
    int slot;
    {
        std::unique_lock lock(mutex);
        if (count == 0) {
            lock.unlock();
            timer.start(kShortestWaitMs);
            return;
        }
        slot = readIndex;
    }
    const double t = ring[size_t(slot)]->time;
    onScreenTime = t;
    double d = t - previousTime;
    if (d <= 0 || d >= 1.0)
        d = previousDelay;
    else
        previousDelay = d;
    previousTime = t;
    frameTimer += d / pace;
    shownSlot = slot;
    update();
    const double wait = frameTimer - now();
    timer.start(wait < 0.01 ? kShortestWaitMs : int(std::lround(wait * 1000)));
    std::unique_lock lock(mutex);
    readIndex = (slot + 1) % kSlots;
    --count;
    cond.notify_all();
}
