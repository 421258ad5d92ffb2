// Sentence-timing editing in the main window under a real X server: the edit buttons with
// "Editor" on, marks set with the mouse on the sentence waveform, a text corrected in the
// sentence list, the file written on leaving edit mode, and the original restored after a
// confirmation. A picture of the editing state is saved beside the test.
#include "Dialog.h"
#include "Echora.h"
#include "LrcLstView.h"
#include "ModalDriver.h"
#include "OctImgBtn.h"
#include "PanelView.h"
#include "PhaseTabs.h"
#include "PlotView.h"
#include "TabsView.h"
#include "TestSupport.h"
#include "TreesView.h"

#include <QAbstractButton>
#include <QAction>
#include <QMenu>
#include <QMessageBox>
#include <QTextBlock>
#include <QtTest>
#include <memory>

namespace {
const QString kMaterial = QStringLiteral("./workspace/fox_and_grapes.mp3");
const QString kSentences = QStringLiteral("./workspace/fox_and_grapes.lrc");
using testsupport::readBytes;
}  // namespace

class TestEditing : public QObject {
    Q_OBJECT
    std::unique_ptr<testsupport::RuntimeFolder> root;
    QString shots;

private Q_SLOTS:
    void initTestCase()
    {
        shots = testsupport::screenshotDir();
        root = std::make_unique<testsupport::RuntimeFolder>(
            testsupport::RuntimeFolder::Contents::Shipped);
        QVERIFY(root->isValid());
        QVERIFY(QFile::exists(kMaterial));
        QFile profile(QStringLiteral("profile.ini"));
        QVERIFY(profile.open(QIODevice::WriteOnly));
        profile.write("[General]\nEditor=true\n");
    }

    void cleanupTestCase() { root.reset(); }

    void editInTheWindow()
    {
        const QByteArray original = readBytes(kSentences);
        Dialog dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const DialogForm& ui = dialog.form();
        Echora* echora = dialog.controller();
        QVERIFY(!ui.adjLrc->isHidden());
        QVERIFY(!ui.lrcSplit->isHidden());
        QVERIFY(dialog.trayMenu()->actions().contains(dialog.restoreLrcEntry()));
        QCOMPARE(dialog.restoreLrcEntry()->text(), QStringLiteral("恢复原始时间"));

        Q_EMIT ui.tabWidget->switchSig(kMaterial);
        ui.phaseTabs->setCurrentIndex(1);
        QCOMPARE(echora->currentPhase(), 1);
        echora->selectSentence(1);
        const float start = echora->times()[1];
        const float end = echora->times()[2];
        QTRY_VERIFY_WITH_TIMEOUT(!ui.pcePlot->isFetching(), 30000);
        ui.txtLrc->setCurrentIndex(1);

        // Edit mode: the list is editable, the marks are set with the mouse.
        ui.adjLrc->click();
        QVERIFY(ui.adjLrc->isChecked());
        QCOMPARE(int(ui.lstLrc->textInteractionFlags()), 19);
        const int w = ui.pcePlot->width();
        const int y = ui.pcePlot->height() / 2;
        QTest::mousePress(ui.pcePlot, Qt::LeftButton, {}, QPoint(w / 10, y));
        QTest::mouseRelease(ui.pcePlot, Qt::LeftButton, {}, QPoint(w / 10, y));
        QTest::mousePress(ui.pcePlot, Qt::RightButton, {}, QPoint(w * 8 / 10, y));
        QTest::mouseRelease(ui.pcePlot, Qt::RightButton, {}, QPoint(w * 8 / 10, y));
        float a = 0;
        float b = 0;
        QVERIFY(ui.pcePlot->getRange(&a, &b));
        QVERIFY(a > 0.05f && a < 0.15f);
        QVERIFY(b > 0.75f && b < 0.85f);

        // A correction typed at the end of sentence 1 in the list.
        const QTextBlock block = ui.lstLrc->document()->findBlockByNumber(3);
        QTextCursor cursor(block);
        cursor.movePosition(QTextCursor::EndOfBlock);
        ui.lstLrc->setTextCursor(cursor);
        ui.lstLrc->setFocus();
        QTest::keyClicks(ui.lstLrc, QStringLiteral(" Really"));
        QVERIFY(ui.lstLrc->sentenceText(1).endsWith(QStringLiteral("road. Really\r\n")));
        dialog.repaint();
        QVERIFY(dialog.grab().save(shots + QStringLiteral("/editing-sentence.png")));
        QVERIFY(ui.ctrlpanel->grab().save(shots + QStringLiteral("/editing-panel.png")));

        // Leaving edit mode writes the file and shows the new timeline.
        ui.adjLrc->click();
        QCOMPARE(int(ui.lstLrc->textInteractionFlags()), 0);
        QCOMPARE(readBytes(kSentences + QStringLiteral(".orig")), original);
        const QByteArray edited = readBytes(kSentences);
        QVERIFY(edited.contains("road. Really\n"));
        QVERIFY(std::abs(echora->times()[1] - (start + a * (end - start))) < 0.01f);
        QVERIFY(std::abs(echora->times()[2] - (start + b * (end - start))) < 0.01f);
        QVERIFY(ui.lstLrc->toPlainText().contains(QStringLiteral("road. Really")));
        QTRY_VERIFY_WITH_TIMEOUT(!ui.pcePlot->isFetching(), 30000);

        // Restoring asks first; "No" keeps the edit, "Yes" brings the original back.
        ModalDriver driver;
        driver.answerNext([](QWidget* modal) {
            qobject_cast<QMessageBox*>(modal)->button(QMessageBox::No)->click();
        });
        dialog.restoreLrcEntry()->trigger();
        QVERIFY(driver.shown());
        QCOMPARE(driver.title(), QStringLiteral("恢复原始时间"));
        QCOMPARE(readBytes(kSentences), edited);
        driver.answerNext([](QWidget* modal) {
            qobject_cast<QMessageBox*>(modal)->button(QMessageBox::Yes)->click();
        });
        dialog.restoreLrcEntry()->trigger();
        QVERIFY(driver.shown());
        QCOMPARE(readBytes(kSentences), original);
        QCOMPARE(echora->times()[1], start);
        QVERIFY(!ui.lstLrc->toPlainText().contains(QStringLiteral("Really")));
        QTRY_VERIFY_WITH_TIMEOUT(!ui.pcePlot->isFetching(), 30000);

        // A split in edit mode: mark A halfway, select where the second half begins, "截断".
        const unsigned count = echora->sentences();
        ui.adjLrc->click();
        QTest::mousePress(ui.pcePlot, Qt::LeftButton, {}, QPoint(w / 2, y));
        QTest::mouseRelease(ui.pcePlot, Qt::LeftButton, {}, QPoint(w / 2, y));
        const QTextBlock sentence = ui.lstLrc->document()->findBlockByNumber(3);
        const qsizetype at = sentence.text().indexOf(QStringLiteral("a fox"));
        QVERIFY(at > 0);
        QTextCursor selection(sentence);
        selection.setPosition(sentence.position() + int(at));
        selection.setPosition(sentence.position() + int(at) + 5, QTextCursor::KeepAnchor);
        ui.lstLrc->setTextCursor(selection);
        ui.lrcSplit->click();
        QCOMPARE(echora->sentences(), count + 1);
        QCOMPARE(echora->texts()[2], QStringLiteral("a fox was walking along a road.\n"));
        QVERIFY(std::abs(echora->times()[2] - (start + (end - start) / 2)) < 0.05f);
        QCOMPARE(echora->current(), 1u);
        ui.adjLrc->click();
        QCOMPARE(readBytes(kSentences + QStringLiteral(".orig")), original);
    }
};

QTEST_MAIN(TestEditing)
#include "tst_editing.moc"
