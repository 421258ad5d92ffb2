#pragma once
// LrcLstView: the whole script as a scrolling list in which the current sentence is selected.
// GUI thread only.
//
// Paragraph model: paragraph 0 holds a single space; sentence k is paragraph 2k + 1 and is
// followed by an empty paragraph 2k + 2. Each sentence is inserted as plain text (never as
// markup) and as exactly one paragraph, its inner line breaks kept as soft line breaks, so the
// model holds for any text. While the owner lets the learner edit the list, an edit that would
// add, join or split paragraphs (Enter, a deletion across a paragraph end, a paste of several
// lines) is taken back, so the model holds while editing too. The vertical scroll bar is an
// EchoraScrollBar; the viewport shows the arrow cursor. Font, scroll bar policy, undo and
// interaction flags are the owner's to set.
#include <QStringList>
#include <QTextEdit>

#include <vector>

class LrcLstView : public QTextEdit {
    Q_OBJECT
public:
    explicit LrcLstView(QWidget* parent = nullptr);

    // Replace the list by `texts` (one entry per sentence, each ending in its line break).
    void setSentences(const QStringList& texts);
    // Select sentence `index` (its paragraph and the paragraph end) and scroll it into view;
    // an index the list does not hold changes nothing.
    void selectSentence(int index);
    // The first line of sentence `index` as the list shows it now, followed by "\r\n"; just
    // "\r\n" when the list holds no such sentence. The selection and scroll position stay.
    QString sentenceText(int index) const;
    // The current selection as plain text (paragraph and line breaks as "\n").
    QString selectedPlainText() const;

    // Per sentence: the pixel height of the list text up to and including it, as laid out
    // at the first call after the sentences were set.
    const std::vector<int>& heights() const;

protected:
    void keyPressEvent(QKeyEvent* event) override;
    void inputMethodEvent(QInputMethodEvent* event) override;
    void insertFromMimeData(const QMimeData* source) override;
    void dropEvent(QDropEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;

private:
    // Runs an edit and takes it back if it changed the paragraphs.
    template <class Edit> void keepParagraphs(Edit edit);
    void markParagraphs();
    // True while every paragraph is the one setSentences made at its place.
    bool paragraphsIntact() const;

    int sentenceCount = 0;
    mutable std::vector<int> textHeights;
};
