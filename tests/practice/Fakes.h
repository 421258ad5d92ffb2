#pragma once
// Recording fakes of the controller's view interfaces: each call is logged as text, and the
// last state is kept for the checks.
#include "vCtrlWidget.h"
#include "vPlotWidget.h"
#include "vTabsWidget.h"

#include <QImage>
#include <QStringList>
#include <utility>
#include <vector>

class FakeCtrl : public vCtrlWidget {
public:
    QStringList calls;
    bool oriChecked = false, pceChecked = false, recChecked = false, recCtrlChecked = false;
    bool oriEnabled = false, pceEnabled = false, recEnabled = false, practiceEnabled = false;
    bool fullPlaying = false;
    bool phase1Enabled = true;
    int phaseTab = 0;
    QString recTime, pceTime, oriTime;
    int offsetX = 0;

    void log(const QString& s) { calls << s; }
    static QString b(bool v) { return v ? QStringLiteral("1") : QStringLiteral("0"); }

    void enableOriPlay(bool e) override
    {
        oriEnabled = e;
        log("enableOriPlay " + b(e));
    }
    void enablePcePlay(bool e) override
    {
        pceEnabled = e;
        log("enablePcePlay " + b(e));
    }
    void enableRecPlay(bool e) override
    {
        recEnabled = e;
        log("enableRecPlay " + b(e));
    }
    void checkOriPlay(bool c) override
    {
        oriChecked = c;
        log("checkOriPlay " + b(c));
    }
    void checkPcePlay(bool c) override
    {
        pceChecked = c;
        log("checkPcePlay " + b(c));
    }
    void checkRecPlay(bool c) override
    {
        recChecked = c;
        log("checkRecPlay " + b(c));
    }
    void showOriRow(bool s) override { log("showOriRow " + b(s)); }
    void showPceRow(bool s) override { log("showPceRow " + b(s)); }
    void showRecRow(bool s) override { log("showRecRow " + b(s)); }
    void enablePractice(bool e) override
    {
        practiceEnabled = e;
        log("enablePractice " + b(e));
    }
    void enablePhase(bool e, int p) override
    {
        if (p == 1)
            phase1Enabled = e;
        log(QStringLiteral("enablePhase %1 %2").arg(b(e)).arg(p));
    }
    void selectPhase(int p) override
    {
        phaseTab = p;
        log(QStringLiteral("selectPhase %1").arg(p));
    }
    void checkRecCtrl(bool c) override
    {
        recCtrlChecked = c;
        log("checkRecCtrl " + b(c));
    }
    void setFullPlaying(bool on) override { fullPlaying = on, log("setFullPlaying " + b(on)); }
    void setTabsOffset(int x, int y) override
    {
        offsetX = x;
        log(QStringLiteral("setTabsOffset %1 %2").arg(x).arg(y));
    }
    void setRecTime(const QString& t) override
    {
        recTime = t;
        log("setRecTime");
    }
    void setPceTime(const QString& t) override
    {
        pceTime = t;
        log("setPceTime");
    }
    int speedShown = 10;
    void showSpeed(int tenths) override
    {
        speedShown = tenths;
        log("showSpeed " + QString::number(tenths));
    }
    void setOriTime(const QString& t) override
    {
        oriTime = t;
        log("setOriTime");
    }
};

class FakeTabs : public vTabsWidget {
public:
    QStringList sentences;
    int setSentencesCalls = 0;
    int currentIndex = -1;
    bool tab0Enabled = true;
    unsigned shown = unsigned(-1);
    int showSentenceCalls = 0;
    std::vector<unsigned> shownHistory;  // every sentence shown, in order
    float karaProgress = -1;

    void setTabEnabled(int index, bool enabled) override
    {
        if (index == 0)
            tab0Enabled = enabled;
    }
    void setCurrentIndex(int index) override { currentIndex = index; }
    void showSentence(unsigned current, unsigned, unsigned) override
    {
        shown = current;
        ++showSentenceCalls;
        shownHistory.push_back(current);
    }
    void setKaraProgress(float f) override { karaProgress = f; }
    void setSentences(const QStringList& texts) override
    {
        sentences = texts;
        ++setSentencesCalls;
    }
    QString selectedText() override { return {}; }
    QString sentenceText(int index) override { return sentences.value(index); }
};

class FakePlot : public vPlotWidget {
public:
    QString caption;
    bool fetching = false, recording = false, rangeMode = false;
    const QImage* picture = nullptr;
    const std::vector<float>* times = nullptr;
    float duration = 0, progress = -1;
    int currentSentence = -1;
    SentenceHandler sentenceHandler = nullptr;
    PositionHandler positionHandler = nullptr;
    QObject* handlerObject = nullptr;
    QColor tint;
    PitchOverlay overlay;
    QString note;

    void setTintColor(QColor c) override { tint = c; }
    void setFetching(bool f) override { fetching = f; }
    void setRecording(bool r) override { recording = r; }
    void setRangeMode(bool on) override { rangeMode = on; }
    void setCaption(QString c) override { caption = c; }
    void setPixmap(const QImage* p) override
    {
        if (fetching && p)
            fetching = false;
        picture = p;
    }
    void setSentenceTimes(const std::vector<float>* t) override { times = t; }
    void setDuration(float d) override { duration = d; }
    void setProgress(float f) override { progress = f; }
    void setCurrentSentence(int i) override
    {
        if (times)
            currentSentence = i;
    }
    void setSentenceHandler(SentenceHandler h) override { sentenceHandler = h; }
    void setPositionHandler(PositionHandler h) override { positionHandler = h; }
    void setHandlerObject(QObject* o) override { handlerObject = o; }
    bool getRange(float*, float*) override { return false; }
    void setPitchOverlay(PitchOverlay o) override { overlay = std::move(o); }
    void setNote(QString n) override { note = n; }
};
