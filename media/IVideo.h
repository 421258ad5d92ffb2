#pragma once
// IVideo: the widget a channel's pictures are drawn on. pushFrame comes from the video
// thread; everything else runs in the GUI thread.
//
// Minimal stand-in: a black widget that ignores the pictures. The OpenGL display replaces it.
#include "VideoDev.h"

#include <QWidget>

class IVideo : public QWidget, public VideoDev {
    Q_OBJECT
public:
    explicit IVideo(QWidget* parent = nullptr);

    void pushFrame(FramePicture* picture) override;
    void setAspect(float aspect) override;
    void setDisplay(int width, int height, int pixelFormat, bool on) override;
    void resetClock() override;

protected:
    void paintEvent(QPaintEvent* event) override;
};
