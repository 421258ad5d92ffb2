#pragma once
// IVideo: the OpenGL widget a channel's pictures are drawn on. The video thread hands
// pictures over with pushFrame into a ring of four slots (at most three filled); a single-shot
// timer in the GUI thread takes one picture at a time, paced by the pictures' times, and the
// widget draws it as a texture on a quad fitted to the picture's aspect ratio.
//
// pushFrame runs in the video thread; everything else in the GUI thread. The ring count and
// indexes change only under the mutex; a slot is written outside it, but only while it is
// not counted as filled. The running flag and the aspect are atomics.
#include "VideoDev.h"

#include <QElapsedTimer>
#include <QOpenGLWidget>
#include <QTimer>
#include <array>
#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>

class IVideo : public QOpenGLWidget, public VideoDev {
    Q_OBJECT
public:
    explicit IVideo(QWidget* parent = nullptr);
    ~IVideo() override;

    void pushFrame(FramePicture* picture) override;
    void setAspect(float aspect) override;
    void setDisplay(int width, int height, int pixelFormat, bool on) override;
    void resetClock() override;
    void setSpeed(double speed) override;

    bool isRunning() const { return running; }
    float aspect() const { return aspectRatio; }
    // Pictures waiting in the ring.
    int queued() const;
    // Time of the picture on screen, seconds.
    double timeOnScreen() const { return onScreenTime; }

Q_SIGNALS:
    // The display was switched on (setDisplay with on): pictures are about to arrive.
    void displayOn();

public Q_SLOTS:
    void doUpdateFrame();

protected:
    void initializeGL() override;
    void resizeGL(int w, int h) override;
    void paintGL() override;

private:
    double now() const;

    static constexpr int kSlots = 4;
    std::array<std::unique_ptr<FramePicture>, kSlots> ring;
    int readIndex = 0;
    int writeIndex = 0;
    int count = 0;
    mutable std::mutex mutex;
    std::condition_variable cond;

    unsigned quadList = 0;
    unsigned texture = 0;
    std::atomic<float> aspectRatio{-1.0f};
    QTimer timer;
    std::atomic<bool> running{false};
    int shownSlot = -1;       // slot to upload at the next paint, -1 = none
    bool hasPicture = false;  // a picture was uploaded since the display was switched on
    double onScreenTime = 0;
    double previousTime = 0;
    double previousDelay = 0.04;
    double frameTimer = 0;
    double pace = 1.0;  // pictures' time per second of real time
    QElapsedTimer clock;
};
