#pragma once
// vCtrlWidget: the control surface through which the practice controller drives the main
// window. The window implements it; a test harness may too. GUI thread only.
#include <QString>

// The practice phases, in the order of the window's phase tabs: a phase is its tab's index.
enum PracticePhase : int {
    NoPhase = -1,
    PassageImitation = 0,  // one recording of the whole passage
    ListenAndRepeat = 1,   // one recording per sentence, the sentence looping while it plays
    Retelling = 2,         // one free retelling, the text hidden while recording
};

class vCtrlWidget {
public:
    virtual void enableOriPlay(bool enabled) = 0;
    virtual void enablePcePlay(bool enabled) = 0;
    virtual void enableRecPlay(bool enabled) = 0;
    // The check setters block the buttons' signals, so the controller is not re-entered.
    virtual void checkOriPlay(bool checked) = 0;
    virtual void checkPcePlay(bool checked) = 0;
    virtual void checkRecPlay(bool checked) = 0;
    virtual void showOriRow(bool shown) = 0;
    virtual void showPceRow(bool shown) = 0;
    virtual void showRecRow(bool shown) = 0;
    virtual void enablePractice(bool enabled) = 0;
    // Enable or disable one phase tab; the current tab stays and no change is signalled.
    virtual void enablePhase(bool enabled, int phase) = 0;
    // Make `phase` the current phase tab without signalling the change.
    virtual void selectPhase(int phase) = 0;
    virtual void checkRecCtrl(bool checked) = 0;
    virtual void setFullPlaying(bool on) = 0;
    virtual void setTabsOffset(int x, int y) = 0;
    virtual void setRecTime(const QString& text) = 0;
    virtual void setPceTime(const QString& text) = 0;
    virtual void setOriTime(const QString& text) = 0;
    // The material's playing speed, in tenths (see playspeed).
    virtual void showSpeed(int tenths) = 0;

protected:
    ~vCtrlWidget() = default;
};
