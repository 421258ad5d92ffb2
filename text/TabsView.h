#pragma once
// TabsView: the text tabs below the waveforms (karaoke line, sentence list, video page).
// GUI thread only.
//
// Minimal stand-in: a plain tab widget that keeps the sentence texts and shows the current
// sentence in the list; the karaoke colouring and the image tab bar come later.
#include "vTabsWidget.h"

#include <QTabWidget>

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

private:
    QStringList texts;
};
