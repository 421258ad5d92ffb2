#pragma once
// TabsView: the text tabs below the waveforms. The main window fills its pages: page 0 the
// karaoke line (KaraView "karaLrc"), page 1 the sentence list (LrcLstView "lstLrc"), page 2 the
// video page. The practice controller drives it through vTabsWidget. GUI thread only.
//
// The two sentence views are found by object name when the tabs are shown, and by any
// operation that needs one still missing; a view found late is brought up to date with the
// sentences, the current sentence and the karaoke progress it missed.
#include "KaraView.h"
#include "LrcLstView.h"
#include "vTabsWidget.h"

#include <QPointer>
#include <QTabWidget>

class ChromeTabs;

class TabsView : public QTabWidget, public vTabsWidget {
    Q_OBJECT
public:
    explicit TabsView(QWidget* parent = nullptr);

    void setTabEnabled(int index, bool enabled) override;
    void setCurrentIndex(int index) override;
    void showSentence(unsigned current, unsigned previous, unsigned next) override;
    void setKaraProgress(float fraction) override;
    void setSentences(const QStringList& texts) override;
    QString selectedText() override;
    QString sentenceText(int index) override;

    const QStringList& sentences() const { return texts; }
    ChromeTabs* chromeTabs() const { return bar; }
    KaraView* karaView() const { return kara; }
    LrcLstView* listView() const { return list; }

protected:
    void paintEvent(QPaintEvent* event) override;
    void showEvent(QShowEvent* event) override;

private:
    void findViews();
    QString textAt(unsigned index) const;
    void showKaraLines();

    QStringList texts;
    QPointer<KaraView> kara;
    QPointer<LrcLstView> list;
    ChromeTabs* bar = nullptr;
    // What the views should show, kept for a view found late.
    int shownCurrent = -1;
    unsigned shownPrevious = unsigned(-1);
    unsigned shownNext = unsigned(-1);
    float karaProgress = 0;
};
