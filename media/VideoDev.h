#pragma once
// VideoDev: the display a channel's video thread hands its pictures to. pushFrame is
// called from the video thread; the other operations from the GUI thread.

struct FramePicture;

class VideoDev {
public:
    // Hand over a decoded picture; the display copies it.
    virtual void pushFrame(FramePicture* picture) = 0;
    // Display aspect ratio of the pictures (width / height).
    virtual void setAspect(float aspect) = 0;
    // Prepare for pictures of this size and format and start showing, or stop (on false,
    // the other arguments then -1).
    virtual void setDisplay(int width, int height, int pixelFormat, bool on) = 0;
    // Restart the frame timer from the current time.
    virtual void resetClock() = 0;
    // Pace the pictures at `speed` times their own (the pace the channel's sound plays at).
    virtual void setSpeed(double speed) = 0;

protected:
    ~VideoDev() = default;
};
