#include "TabsView.h"

#include <QLabel>
#include <QTextEdit>

TabsView::TabsView(QWidget* parent) : QTabWidget(parent) { setTabPosition(QTabWidget::South); }

void TabsView::setTabEnabled(int index, bool enabled) { QTabWidget::setTabEnabled(index, enabled); }

void TabsView::setCurrentIndex(int index) { QTabWidget::setCurrentIndex(index); }

void TabsView::showSentence(unsigned current, unsigned, unsigned)
{
    if (auto* kara = findChild<QLabel*>("karaLrc"))
        kara->setText(current < unsigned(texts.size()) ? texts.at(int(current)).trimmed()
                                                       : QString());
}

void TabsView::setKaraProgress(float) {}

void TabsView::setSentences(const QStringList& list)
{
    texts = list;
    if (auto* lst = findChild<QTextEdit*>("lstLrc"))
        lst->setPlainText(texts.join(QString()));
}

QString TabsView::selectedText()
{
    auto* lst = findChild<QTextEdit*>("lstLrc");
    return lst ? lst->textCursor().selectedText() : QString();
}

QString TabsView::sentenceText(int index)
{
    if (index < 0 || index >= texts.size())
        return QStringLiteral("\r\n");
    return texts.at(index).section(QLatin1Char('\n'), 0, 0).remove(QLatin1Char('\r')) +
           QStringLiteral("\r\n");
}
