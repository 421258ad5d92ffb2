#pragma once
// vTabsWidget: how the practice controller drives the text tabs. GUI thread only.
#include <QString>
#include <QStringList>

class vTabsWidget {
public:
    virtual void setTabEnabled(int index, bool enabled) = 0;
    virtual void setCurrentIndex(int index) = 0;
    // Show sentence `current` (and, when not -1, its neighbours) in both sentence views.
    virtual void showSentence(unsigned current, unsigned previous, unsigned next) = 0;
    virtual void setKaraProgress(float fraction) = 0;
    virtual void setSentences(const QStringList& texts) = 0;
    virtual QString selectedText() = 0;
    virtual QString sentenceText(int index) = 0;

protected:
    ~vTabsWidget() = default;
};
