#include "LrcLstView.h"

#include "EchoraScrollBar.h"
#include "SentenceText.h"

#include <QAbstractTextDocumentLayout>
#include <QScrollBar>
#include <QTextBlock>
#include <QTextCursor>
#include <QTextDocument>

#include <cmath>

LrcLstView::LrcLstView(QWidget* parent) : QTextEdit(parent)
{
    setVerticalScrollBar(new EchoraScrollBar(this));
    viewport()->setCursor(Qt::ArrowCursor);
}

void LrcLstView::setSentences(const QStringList& texts)
{
    textHeights.clear();
    sentenceCount = int(texts.size());
    // The whole list goes in as one insertion: a paragraph break before and after each text.
    QString all = QStringLiteral(" ");
    qsizetype length = 1;
    for (const QString& text : texts)
        length += text.size() + 2;
    all.reserve(length);
    for (const QString& text : texts) {
        all += QLatin1Char('\n');
        all += sentencetext::paragraph(text);
        all += QLatin1Char('\n');
    }
    QTextCursor cursor(document());
    cursor.beginEditBlock();
    cursor.select(QTextCursor::Document);
    cursor.removeSelectedText();
    cursor.setBlockFormat(QTextBlockFormat());
    cursor.setCharFormat(QTextCharFormat());
    cursor.insertText(all);
    cursor.endEditBlock();
    markParagraphs();
    setTextCursor(QTextCursor(document()));
}

void LrcLstView::markParagraphs()
{
    // Each paragraph remembers its place: an edit that splits or joins paragraphs shows as a
    // paragraph whose mark is not its number.
    int number = 0;
    for (QTextBlock block = document()->firstBlock(); block.isValid(); block = block.next())
        block.setUserState(number++);
}

bool LrcLstView::paragraphsIntact() const
{
    if (document()->blockCount() != 1 + 2 * sentenceCount)
        return false;
    int number = 0;
    for (QTextBlock block = document()->firstBlock(); block.isValid(); block = block.next()) {
        if (block.userState() != number++)
            return false;
    }
    return true;
}

template <class Edit> void LrcLstView::keepParagraphs(Edit edit)
{
    // The owner keeps no undo history; one is kept just for this edit, to take it back.
    QTextDocument* doc = document();
    const bool hadHistory = doc->isUndoRedoEnabled();
    const int stepsBefore = hadHistory ? doc->availableUndoSteps() : 0;
    if (!hadHistory)
        doc->setUndoRedoEnabled(true);
    edit();
    if (sentenceCount > 0 && !paragraphsIntact()) {
        while (doc->availableUndoSteps() > stepsBefore)
            doc->undo();
        // Paragraphs brought back by the undo are new objects without their marks.
        markParagraphs();
    }
    if (!hadHistory)
        doc->setUndoRedoEnabled(false);
}

void LrcLstView::keyPressEvent(QKeyEvent* event)
{
    keepParagraphs([&] { QTextEdit::keyPressEvent(event); });
}

void LrcLstView::inputMethodEvent(QInputMethodEvent* event)
{
    keepParagraphs([&] { QTextEdit::inputMethodEvent(event); });
}

void LrcLstView::insertFromMimeData(const QMimeData* source)
{
    keepParagraphs([&] { QTextEdit::insertFromMimeData(source); });
}

void LrcLstView::dropEvent(QDropEvent* event)
{
    keepParagraphs([&] { QTextEdit::dropEvent(event); });
}

void LrcLstView::contextMenuEvent(QContextMenuEvent* event)
{
    keepParagraphs([&] { QTextEdit::contextMenuEvent(event); });
}

const std::vector<int>& LrcLstView::heights() const
{
    // Measured on demand: laying out a long list in full right away would hold up the switch
    // to its material, while the view itself lays it out as it is scrolled.
    if (int(textHeights.size()) != sentenceCount) {
        QAbstractTextDocumentLayout* layout = document()->documentLayout();
        textHeights.clear();
        textHeights.reserve(size_t(sentenceCount));
        for (int k = 0; k < sentenceCount; ++k) {
            const QTextBlock end = document()->findBlockByNumber(2 * k + 2);
            const QRectF box = layout->blockBoundingRect(end);
            textHeights.push_back(int(std::ceil(box.bottom())));
        }
    }
    return textHeights;
}

void LrcLstView::selectSentence(int index)
{
    if (index < 0)
        return;
    const QTextBlock block = document()->findBlockByNumber(2 * index + 1);
    if (!block.isValid())
        return;
    const QTextBlock after = block.next();
    QTextCursor cursor(document());
    cursor.setPosition(after.isValid() ? after.position() : block.position() + block.length() - 1);
    // First bring the sentence's end into view, then its start: a long sentence below the
    // visible part is shown whole, one above it from its first line.
    setTextCursor(cursor);
    ensureCursorVisible();
    cursor.setPosition(block.position(), QTextCursor::KeepAnchor);
    setTextCursor(cursor);
    ensureCursorVisible();
}

QString LrcLstView::sentenceText(int index) const
{
    const QTextBlock block =
        index < 0 ? QTextBlock() : document()->findBlockByNumber(2 * index + 1);
    const QString line = block.isValid() ? sentencetext::firstLine(block.text()) : QString();
    return line + QStringLiteral("\r\n");
}

QString LrcLstView::selectedPlainText() const
{
    return sentencetext::plainSelection(textCursor().selectedText());
}
