#include "TabsView.h"

#include "ChromeTabs.h"
#include "KaraView.h"
#include "LrcLstView.h"
#include "Picture.h"
#include "SentenceText.h"

#include <QPainter>
#include <QPixmap>

TabsView::TabsView(QWidget* parent) : QTabWidget(parent), bar(new ChromeTabs(this))
{
    bar->setOuterMargins(QMargins(0, 0, 0, 0));
    bar->setTabMargins(QMargins(5, 4, 5, 1));
    bar->setFirstTabIndent(QPoint(286, 0));
    bar->setTabImages(Picture::pixmap(QStringLiteral(":/images/bg-tab-dot.png")));
    bar->setMouseTracking(true);
    setTabBar(bar);
    setTabPosition(QTabWidget::South);
}

void TabsView::setTabEnabled(int index, bool enabled) { QTabWidget::setTabEnabled(index, enabled); }

void TabsView::setCurrentIndex(int index) { QTabWidget::setCurrentIndex(index); }

void TabsView::findViews()
{
    if (!kara) {
        kara = findChild<KaraView*>(QStringLiteral("karaLrc"));
        if (kara) {
            showKaraLines();
            kara->setProgress(karaProgress);
        }
    }
    if (!list) {
        list = findChild<LrcLstView*>(QStringLiteral("lstLrc"));
        if (list) {
            list->setSentences(texts);
            if (shownCurrent >= 0)
                list->selectSentence(shownCurrent);
        }
    }
}

QString TabsView::textAt(unsigned index) const
{
    return index < unsigned(texts.size()) ? texts.at(qsizetype(index)) : QString();
}

void TabsView::showKaraLines()
{
    if (shownCurrent < 0)
        kara->setLines(QString(), QString(), QString());
    else
        kara->setLines(textAt(unsigned(shownCurrent)), textAt(shownPrevious), textAt(shownNext));
}

void TabsView::showSentence(unsigned current, unsigned previous, unsigned next)
{
    if (current >= unsigned(texts.size()))
        return;
    shownCurrent = int(current);
    shownPrevious = previous;
    shownNext = next;
    karaProgress = 0;
    const bool knewKara = kara;
    const bool knewList = list;
    findViews();  // a view found now is brought up to date by the lookup itself
    if (kara && knewKara)
        showKaraLines();
    if (list && knewList)
        list->selectSentence(shownCurrent);
}

void TabsView::setKaraProgress(float fraction)
{
    karaProgress = fraction;
    const bool knewKara = kara;
    findViews();
    if (kara && knewKara)
        kara->setProgress(fraction);
}

void TabsView::setSentences(const QStringList& sentenceTexts)
{
    texts = sentenceTexts;
    shownCurrent = -1;
    karaProgress = 0;
    const bool knewKara = kara;
    const bool knewList = list;
    findViews();
    // The line of a script that is gone (or hidden, as while retelling) does not stay.
    if (kara && knewKara)
        showKaraLines();
    if (list && knewList)
        list->setSentences(texts);
}

QString TabsView::selectedText()
{
    findViews();
    return list ? list->selectedPlainText() : QString();
}

QString TabsView::sentenceText(int index)
{
    findViews();
    if (list)
        return list->sentenceText(index);
    const QString line = index >= 0 && index < texts.size()
                             ? sentencetext::firstLine(sentencetext::paragraph(texts.at(index)))
                             : QString();
    return line + QStringLiteral("\r\n");
}

void TabsView::paintEvent(QPaintEvent*)
{
    QPainter painter(this);
    painter.fillRect(rect(), Qt::black);
}

void TabsView::showEvent(QShowEvent* event)
{
    findViews();
    QTabWidget::showEvent(event);
}
