// The text tabs as the controller drives them: the sentence list's paragraph model, selecting
// and scrolling, the sentence texts handed back for editing, the karaoke page, views found
// late, and real sentence files from the shared test data.
#include "ChromeTabs.h"
#include "EchoraScrollBar.h"
#include "SentenceFile.h"
#include "SentenceText.h"
#include "TestSupport.h"
#include "TextTabsSetup.h"

#include <QAbstractTextDocumentLayout>
#include <QClipboard>
#include <QDir>
#include <QFile>
#include <QLabel>
#include <QMouseEvent>
#include <QScrollBar>
#include <QStyleOptionSlider>
#include <QTextBlock>
#include <QtTest>

using texttest::countInk;
using texttest::TextTabs;

namespace {
constexpr unsigned kNone = unsigned(-1);

QStringList sampleScript()
{
    return {QStringLiteral("Good morning, everyone.\n"),
            QStringLiteral("Today we talk about the weather.\r\n"),
            QStringLiteral("It has rained for three days in a row, and the river is high.\n"),
            QStringLiteral("我们明天去公园。\n"),
            QStringLiteral("Take an umbrella when you go out.\n"),
            QStringLiteral("See you tomorrow.")};  // last line of a file without a line break
}

QStringList longScript(int n)
{
    QStringList texts;
    for (int i = 0; i < n; ++i)
        texts << QStringLiteral("Sentence number %1 of a long script.\n").arg(i);
    return texts;
}

// What the list shows for a sentence, as selected text (the paragraph end included).
QString shownSelection(const QString& text)
{
    return sentencetext::plainSelection(sentencetext::paragraph(text)) + QLatin1Char('\n');
}

void checkSelected(TextTabs& t, int k)
{
    const QTextCursor c = t.list->textCursor();
    const QTextBlock block = t.list->document()->findBlockByNumber(2 * k + 1);
    QVERIFY(block.isValid());
    QCOMPARE(c.selectionStart(), block.position());
    QCOMPARE(c.selectionEnd(), block.next().position());
    QCOMPARE(c.position(), block.position());  // the cursor sits at the sentence's start
}
}  // namespace

class TestTabsView : public QObject {
    Q_OBJECT
private slots:
    void tabBarAndBackground()
    {
        TextTabs t = texttest::makeTextTabs();
        QVERIFY(qobject_cast<ChromeTabs*>(t.tabs->tabBar()) != nullptr);
        QCOMPARE(t.tabs->tabBar(), t.tabs->chromeTabs());
        QCOMPARE(t.tabs->tabPosition(), QTabWidget::South);
        QVERIFY(t.tabs->tabBar()->hasMouseTracking());
        QVERIFY(qobject_cast<EchoraScrollBar*>(t.list->verticalScrollBar()) != nullptr);
        QCOMPARE(t.list->viewport()->cursor().shape(), Qt::ArrowCursor);
        QCOMPARE(t.tabs->count(), 3);
        QCOMPARE(t.tabs->currentIndex(), 1);
        t.tabs->show();
        QVERIFY(QTest::qWaitForWindowExposed(t.tabs.get()));
        QCOMPARE(t.tabs->karaView(), t.kara);
        QCOMPARE(t.tabs->listView(), t.list);
        // The karaoke page leaves part of the page to the tab widget, which is black.
        t.tabs->setCurrentIndex(0);
        const QImage img = t.tabs->grab().toImage();
        const QPoint beside = t.kara->mapTo(t.tabs.get(), QPoint(t.kara->width() + 2, 10));
        QVERIFY(t.tabs->rect().contains(beside));
        QCOMPARE(QColor(img.pixel(beside)), QColor(Qt::black));
        QCOMPARE(QColor(img.pixel(1, 1)), QColor(Qt::black));
        // The controller's tab operations are the tab widget's.
        t.tabs->setTabEnabled(0, false);
        QVERIFY(!t.tabs->isTabEnabled(0));
        vTabsWidget* v = t.tabs.get();
        v->setCurrentIndex(2);
        QCOMPARE(t.tabs->currentIndex(), 2);
        v->setTabEnabled(0, true);
        QVERIFY(t.tabs->isTabEnabled(0));
    }

    void paragraphModel()
    {
        TextTabs t = texttest::makeTextTabs();
        t.tabs->show();
        const QStringList texts = sampleScript();
        t.tabs->setSentences(texts);
        QTextDocument* doc = t.list->document();
        QCOMPARE(doc->blockCount(), 1 + 2 * int(texts.size()));
        QCOMPARE(doc->firstBlock().text(), QStringLiteral(" "));
        for (int k = 0; k < texts.size(); ++k) {
            QCOMPARE(doc->findBlockByNumber(2 * k + 1).text(),
                     sentencetext::paragraph(texts.at(k)));
            QCOMPARE(doc->findBlockByNumber(2 * k + 2).text(), QString());
        }
        // Sentence 0 is the second paragraph.
        t.tabs->showSentence(0, kNone, kNone);
        ECHORA_CHECKED(checkSelected(t, 0));
        QCOMPARE(t.tabs->selectedText(), QStringLiteral("Good morning, everyone.\n"));
        for (int k = int(texts.size()) - 1; k >= 0; --k) {
            t.tabs->showSentence(unsigned(k), kNone, kNone);
            ECHORA_CHECKED(checkSelected(t, k));
            QCOMPARE(t.tabs->selectedText(), shownSelection(texts.at(k)));
        }
        // The list heights grow with every sentence.
        const std::vector<int>& heights = t.list->heights();
        QCOMPARE(int(heights.size()), int(texts.size()));
        for (size_t k = 1; k < heights.size(); ++k)
            QVERIFY(heights[k] > heights[k - 1]);
        QCOMPARE(heights.back(),
                 qCeil(doc->documentLayout()->documentSize().height() - doc->documentMargin()));

        // An index past the end changes nothing.
        t.tabs->showSentence(2, kNone, kNone);
        const QImage line = t.kara->grab().toImage();
        t.tabs->showSentence(unsigned(texts.size()), kNone, kNone);
        t.tabs->showSentence(kNone, kNone, kNone);
        ECHORA_CHECKED(checkSelected(t, 2));
        QCOMPARE(t.kara->grab().toImage(), line);  // still sentence 2 on the line

        // A new script replaces the old one entirely.
        t.tabs->setSentences({QStringLiteral("Only one.\n")});
        QCOMPARE(doc->blockCount(), 3);
        QCOMPARE(t.list->toPlainText(), QStringLiteral(" \nOnly one.\n"));
    }

    void textsAreShownAsTheyStand()
    {
        TextTabs t = texttest::makeTextTabs();
        t.tabs->show();
        // Markup is text, and a line with bare carriage returns stays one sentence.
        const QStringList texts{QStringLiteral("<b>Bold</b> &amp; <i>brave</i>\n"),
                                QStringLiteral("First part\rsecond part\rthird part\n"),
                                QStringLiteral("Last one.\n")};
        t.tabs->setSentences(texts);
        QCOMPARE(t.list->document()->blockCount(), 7);
        QVERIFY(t.list->toPlainText().contains(QStringLiteral("<b>Bold</b> &amp; <i>brave</i>")));
        t.tabs->showSentence(2, kNone, kNone);
        ECHORA_CHECKED(checkSelected(t, 2));
        QCOMPARE(t.tabs->selectedText(), QStringLiteral("Last one.\n"));
        t.tabs->showSentence(1, kNone, kNone);
        QCOMPARE(t.tabs->selectedText(), QStringLiteral("First part\nsecond part\nthird part\n"));
        QCOMPARE(t.tabs->sentenceText(0), QStringLiteral("<b>Bold</b> &amp; <i>brave</i>\r\n"));
        QCOMPARE(t.tabs->sentenceText(1), QStringLiteral("First part\r\n"));
    }

    void sentenceTextLeavesTheSelection()
    {
        TextTabs t = texttest::makeTextTabs();
        t.tabs->show();
        QVERIFY(QTest::qWaitForWindowExposed(t.tabs.get()));
        QStringList texts = longScript(60);
        texts[40] = QStringLiteral("Forty, with a CRLF ending.\r\n");
        t.tabs->setSentences(texts);
        t.tabs->showSentence(50, kNone, kNone);
        const QTextCursor before = t.list->textCursor();
        const int scroll = t.list->verticalScrollBar()->value();
        QVERIFY(scroll > 0);

        QCOMPARE(t.tabs->sentenceText(3),
                 QStringLiteral("Sentence number 3 of a long script.\r\n"));
        QCOMPARE(t.tabs->sentenceText(40), QStringLiteral("Forty, with a CRLF ending.\r\n"));
        QCOMPARE(t.tabs->sentenceText(59),
                 QStringLiteral("Sentence number 59 of a long script.\r\n"));
        QCOMPARE(t.tabs->sentenceText(60), QStringLiteral("\r\n"));
        QCOMPARE(t.tabs->sentenceText(-1), QStringLiteral("\r\n"));
        QCOMPARE(t.list->textCursor().anchor(), before.anchor());
        QCOMPARE(t.list->textCursor().position(), before.position());
        QCOMPARE(t.list->verticalScrollBar()->value(), scroll);

        // In edit mode the list's own text is what comes back.
        QTextCursor edit(t.list->document()->findBlockByNumber(2 * 3 + 1));
        edit.movePosition(QTextCursor::EndOfBlock);
        edit.insertText(QStringLiteral(" (edited)"));
        QCOMPARE(t.tabs->sentenceText(3),
                 QStringLiteral("Sentence number 3 of a long script. (edited)\r\n"));
        // A selection made by the learner is handed back as plain text.
        QTextCursor part(t.list->document()->findBlockByNumber(2 * 7 + 1));
        part.movePosition(QTextCursor::NextWord, QTextCursor::KeepAnchor, 2);
        t.list->setTextCursor(part);
        QCOMPARE(t.tabs->selectedText(), QStringLiteral("Sentence number "));
    }

    void selectionScrollsIntoView()
    {
        TextTabs t = texttest::makeTextTabs();
        t.tabs->show();
        QVERIFY(QTest::qWaitForWindowExposed(t.tabs.get()));
        t.tabs->setSentences(longScript(80));
        QScrollBar* bar = t.list->verticalScrollBar();
        QVERIFY(bar->maximum() > 0);
        for (int k : {70, 10, 79, 0, 35}) {
            t.tabs->showSentence(unsigned(k), kNone, kNone);
            ECHORA_CHECKED(checkSelected(t, k));
            // The whole sentence is inside the viewport.
            const QTextBlock block = t.list->document()->findBlockByNumber(2 * k + 1);
            QRectF box = t.list->document()->documentLayout()->blockBoundingRect(block);
            box.translate(0, -bar->value());
            QVERIFY2(box.top() >= 0 && box.bottom() <= t.list->viewport()->height(),
                     qPrintable(QStringLiteral("sentence %1 at %2..%3")
                                    .arg(k)
                                    .arg(box.top())
                                    .arg(box.bottom())));
        }
    }

    void karaokePage()
    {
        TextTabs t = texttest::makeTextTabs();
        t.tabs->show();
        t.tabs->setSentences(sampleScript());
        // The controller passes no neighbours: a fresh view shows none.
        t.tabs->showSentence(2, kNone, kNone);
        QVERIFY(!t.kara->neighboursShown());
        QImage img = t.kara->grab().toImage();
        QCOMPARE(countInk(img, QRect(0, 0, 640, 80)).total(), 0);
        QCOMPARE(countInk(img, QRect(0, 160, 640, 80)).total(), 0);
        texttest::InkCount line = countInk(img, QRect(0, 80, 640, 80));
        QVERIFY(line.magenta > 0);
        QCOMPARE(line.green, 0);
        t.tabs->setKaraProgress(1);
        line = countInk(t.kara->grab().toImage(), QRect(0, 80, 640, 80));
        QVERIFY(line.green > 0);
        QCOMPARE(line.magenta, 0);
        // A new sentence starts unspoken.
        t.tabs->showSentence(3, kNone, kNone);
        line = countInk(t.kara->grab().toImage(), QRect(0, 80, 640, 80));
        QCOMPARE(line.green, 0);
        QVERIFY(line.magenta > 0);
        // Neighbours by index; an index past the end gives an empty row.
        t.tabs->showSentence(3, 2, kNone);
        QVERIFY(t.kara->neighboursShown());
        img = t.kara->grab().toImage();
        QVERIFY(countInk(img, QRect(0, 0, 640, 80)).green > 0);
        QCOMPARE(countInk(img, QRect(0, 160, 640, 80)).total(), 0);
        // When the script goes (the retelling hides it), the line goes with it.
        t.tabs->setSentences({});
        QCOMPARE(countInk(t.kara->grab().toImage(), t.kara->rect()).total(), 0);
        QCOMPARE(t.list->toPlainText(), QStringLiteral(" "));
        t.tabs->showSentence(0, kNone, kNone);
        QVERIFY(!t.list->textCursor().hasSelection());
        QCOMPARE(t.tabs->selectedText(), QString());
        QCOMPARE(t.tabs->sentenceText(0), QStringLiteral("\r\n"));
    }

    void viewsFoundLate()
    {
        // Driven before its pages exist, the tabs keep what they were told and bring the
        // views up to date once they appear.
        TextTabs t;
        t.tabs = std::make_unique<TabsView>();
        t.tabs->resize(650, 290);
        t.tabs->setSentences(sampleScript());
        t.tabs->showSentence(4, kNone, kNone);
        t.tabs->setKaraProgress(1);
        QCOMPARE(
            t.tabs->sentenceText(2),
            QStringLiteral("It has rained for three days in a row, and the river is high.\r\n"));
        QCOMPARE(t.tabs->selectedText(), QString());
        QVERIFY(t.tabs->karaView() == nullptr);
        texttest::addPages(t);
        t.tabs->show();
        QVERIFY(QTest::qWaitForWindowExposed(t.tabs.get()));
        QCOMPARE(t.tabs->listView(), t.list);
        QCOMPARE(t.tabs->karaView(), t.kara);
        QCOMPARE(t.list->document()->blockCount(), 1 + 2 * 6);
        ECHORA_CHECKED(checkSelected(t, 4));
        const texttest::InkCount line = countInk(t.kara->grab().toImage(), QRect(0, 80, 640, 80));
        QVERIFY(line.green > 0);
        QCOMPARE(line.magenta, 0);
        // Pages of the wrong type under the expected names are not taken for the views.
        TabsView other;
        auto* label = new QLabel(QStringLiteral("karaLrc"));
        label->setObjectName(QStringLiteral("karaLrc"));
        other.addTab(label, QString());
        other.setSentences(sampleScript());
        other.showSentence(0, kNone, kNone);
        other.setKaraProgress(0.5f);
        QVERIFY(other.karaView() == nullptr);
        QCOMPARE(other.sentenceText(0), QStringLiteral("Good morning, everyone.\r\n"));
    }

    void realSentenceFiles()
    {
        const QString dir = testsupport::testDataDir();
        if (dir.isEmpty())
            QSKIP("no shared test data");
        const QStringList files =
            QDir(dir + QStringLiteral("/lrc-real")).entryList({QStringLiteral("*.lrc")});
        if (files.isEmpty())
            QSKIP("no sentence files in the shared test data");
        TextTabs t = texttest::makeTextTabs();
        t.tabs->show();
        QVERIFY(QTest::qWaitForWindowExposed(t.tabs.get()));
        int sentences = 0;
        for (const QString& name : files) {
            const QStringList texts =
                readSentenceFile(dir + QStringLiteral("/lrc-real/") + name).texts;
            t.tabs->setSentences(texts);
            QCOMPARE(t.list->document()->blockCount(), 1 + 2 * int(texts.size()));
            for (int k = 0; k < texts.size(); ++k) {
                const QString what = name + QLatin1Char(' ') + QString::number(k);
                t.tabs->showSentence(unsigned(k), kNone, kNone);
                QVERIFY2(t.tabs->selectedText() == shownSelection(texts.at(k)), qPrintable(what));
                QVERIFY2(t.tabs->sentenceText(k) ==
                             sentencetext::firstLine(sentencetext::paragraph(texts.at(k))) +
                                 QStringLiteral("\r\n"),
                         qPrintable(what));
                // Every letter on the karaoke line takes a colour: nothing stays white.
                t.tabs->setKaraProgress(0.5f);
                const texttest::InkCount c =
                    countInk(t.kara->displayImage(), t.kara->displayImage().rect());
                QVERIFY2(c.white == 0, qPrintable(what));
                ++sentences;
            }
        }
        QVERIFY(sentences > 100);
    }

    void editModeKeepsTheSentenceMapping()
    {
        // The window makes the list editable for timing work: keys, pastes and the context
        // menu may change a sentence's words but never add or join paragraphs, so every
        // sentence keeps its place in the list.
        TextTabs t = texttest::makeTextTabs();
        t.tabs->show();
        QVERIFY(QTest::qWaitForWindowExposed(t.tabs.get()));
        const QStringList texts = longScript(8);
        t.tabs->setSentences(texts);
        t.list->setTextInteractionFlags(Qt::TextSelectableByMouse | Qt::TextSelectableByKeyboard |
                                        Qt::TextEditable);
        t.list->setFocus();
        QTextDocument* doc = t.list->document();
        const int blocks = doc->blockCount();
        auto placeCursor = [&](int k, bool atEnd) {
            const QTextBlock block = doc->findBlockByNumber(2 * k + 1);
            QTextCursor c(doc);
            c.setPosition(atEnd ? block.position() + block.length() - 1 : block.position() + 3);
            t.list->setTextCursor(c);
        };
        placeCursor(2, false);
        QTest::keyClick(t.list, Qt::Key_Return);
        QTest::keyClick(t.list, Qt::Key_Enter);
        placeCursor(3, true);
        QTest::keyClick(t.list, Qt::Key_Delete);
        QTest::keyClick(t.list, Qt::Key_Delete);
        placeCursor(5, false);
        QTest::keyClick(t.list, Qt::Key_Home);
        QTest::keyClick(t.list, Qt::Key_Backspace);
        QTest::keyClick(t.list, Qt::Key_Backspace);
        // A selection across sentences replaced by typing.
        QTextCursor across(doc);
        across.setPosition(doc->findBlockByNumber(9).position() + 2);
        across.setPosition(doc->findBlockByNumber(11).position() + 2, QTextCursor::KeepAnchor);
        t.list->setTextCursor(across);
        QTest::keyClick(t.list, Qt::Key_X);
        // A paste of several lines.
        placeCursor(7, false);
        QApplication::clipboard()->setText(QStringLiteral("one\ntwo\n"));
        QTest::keyClick(t.list, Qt::Key_V, Qt::ControlModifier);
        QCOMPARE(doc->blockCount(), blocks);
        for (int k = 0; k < texts.size(); ++k) {
            t.tabs->showSentence(unsigned(k), kNone, kNone);
            checkSelected(t, k);
            QCOMPARE(t.list->selectedPlainText(), shownSelection(texts[k]));
        }

        // Words within a sentence are still edited.
        placeCursor(1, false);
        QTest::keyClicks(t.list, QStringLiteral("ab"));
        QTest::keyClick(t.list, Qt::Key_Backspace);
        QCOMPARE(doc->blockCount(), blocks);
        QCOMPARE(doc->findBlockByNumber(3).text(),
                 QStringLiteral("Sena"
                                "tence number 1 of a long script."));
    }

    void scrollHandleStaysGrabbableForLongScripts_data()
    {
        QTest::addColumn<int>("sentences");
        QTest::newRow("200") << 200;
        QTest::newRow("1000") << 1000;
    }
    void scrollHandleStaysGrabbableForLongScripts()
    {
        // The painted handle is where the mouse takes hold of it, and never too small to see.
        QFETCH(int, sentences);
        TextTabs t = texttest::makeTextTabs();
        t.tabs->show();
        QVERIFY(QTest::qWaitForWindowExposed(t.tabs.get()));
        t.tabs->setSentences(longScript(sentences));
        auto* bar = qobject_cast<EchoraScrollBar*>(t.list->verticalScrollBar());
        QVERIFY(bar);
        QTRY_VERIFY(bar->maximum() > 0);
        t.tabs->showSentence(unsigned(sentences / 2), kNone, kNone);
        const auto [top, length] = bar->handleSpan();
        QVERIFY2(length >= 20, qPrintable(QString::number(length)));
        QStyleOptionSlider option;
        option.initFrom(bar);
        option.orientation = Qt::Vertical;
        option.minimum = bar->minimum();
        option.maximum = bar->maximum();
        option.sliderPosition = bar->sliderPosition();
        option.sliderValue = bar->value();
        option.singleStep = bar->singleStep();
        option.pageStep = bar->pageStep();
        option.subControls = QStyle::SC_All;
        const QRect grip = bar->style()->subControlRect(QStyle::CC_ScrollBar, &option,
                                                        QStyle::SC_ScrollBarSlider, bar);
        QCOMPARE(grip.top(), top);
        QCOMPARE(grip.height(), length);
        QImage picture = t.tabs->grab().toImage();
        QVERIFY(picture.save(QStringLiteral("text-list-scroll-%1.png").arg(sentences)));

        // Dragging the painted handle scrolls the list.
        const int before = bar->value();
        const QPoint grab(bar->width() / 2, top + length / 2);
        QTest::mousePress(bar, Qt::LeftButton, Qt::NoModifier, grab);
        QVERIFY(bar->isSliderDown());
        QMouseEvent move(QEvent::MouseMove, grab + QPoint(0, 30),
                         bar->mapToGlobal(grab + QPoint(0, 30)), Qt::NoButton, Qt::LeftButton,
                         Qt::NoModifier);
        QApplication::sendEvent(bar, &move);
        QTest::mouseRelease(bar, Qt::LeftButton, Qt::NoModifier, grab + QPoint(0, 30));
        QVERIFY2(bar->value() > before,
                 qPrintable(QStringLiteral("%1 -> %2").arg(before).arg(bar->value())));
    }

    void picturesForTheEye()
    {
        // The karaoke line at 0.3 on a two-row sentence, and the list with sentence 3
        // selected, as the window shows them; written beside the test for a look.
        TextTabs t = texttest::makeTextTabs();
        t.tabs->show();
        QVERIFY(QTest::qWaitForWindowExposed(t.tabs.get()));
        QStringList texts = sampleScript();
        texts[2] = QStringLiteral(
            "It has rained for three days in a row, the river is high and the buses run late, "
            "so take an umbrella and leave home early.\n");
        t.tabs->setSentences(texts);
        t.tabs->setCurrentIndex(0);
        t.tabs->showSentence(2, kNone, kNone);
        t.tabs->setKaraProgress(0.3f);
        QCOMPARE(t.kara->segments().size(), size_t(2));
        const QImage kara = t.tabs->grab().toImage();
        QVERIFY(kara.save(QStringLiteral("text-karaoke-0.3.png")));
        const texttest::InkCount c = countInk(t.kara->grab().toImage(), QRect(0, 80, 640, 80));
        QVERIFY(c.green > 0 && c.magenta > c.green);

        t.tabs->setCurrentIndex(1);
        t.tabs->showSentence(3, kNone, kNone);
        const QImage list = t.tabs->grab().toImage();
        QVERIFY(list.save(QStringLiteral("text-list-3.png")));
        // The highlight is on sentence 3's rows and nowhere else.
        const QImage view = t.list->viewport()->grab().toImage();
        const QTextBlock block = t.list->document()->findBlockByNumber(7);
        const QRectF box =
            t.list->document()->documentLayout()->blockBoundingRect(block).translated(
                0, -t.list->verticalScrollBar()->value());
        int lit = 0;
        for (int y = 0; y < view.height(); ++y) {
            for (int x = 0; x < view.width(); ++x) {
                if (QColor(view.pixel(x, y)) != QColor(0, 110, 0))
                    continue;
                QVERIFY2(y >= box.top() - 1 && y <= box.bottom() + 1,
                         qPrintable(QString::number(y)));
                ++lit;
            }
        }
        QVERIFY(lit > 100);
    }
};

QTEST_MAIN(TestTabsView)
#include "tst_TabsView.moc"
