// A material tree under the mouse: choosing, the export pointer, groups that never stay
// selected, tool tips, the context menu, selection by path, and the online rows with their
// downloads.
#include "MatTreeFixture.h"
#include "ModalDriver.h"

#include <QFileInfo>
#include <QMenu>
#include <QSignalSpy>
#include <QToolTip>

using namespace libfixture;

class MatTreeTest : public MatTreeFixture {
    Q_OBJECT

private Q_SLOTS:
    void init() { setUpTree(); }
    void cleanup() { tearDownTree(); }

    void clickChoosesAndGroupsNeverStaySelected()
    {
        press(row("The Lion"), 0);
        QCOMPARE(events, QStringList{"switch:./workspace/lion.mp3"});
        QVERIFY(row("The Lion")->isSelected());
        press(row("Fables"), 0);
        QVERIFY(!row("Fables")->isSelected());
        QVERIFY(row("The Lion")->isSelected());
        press(row("The Fox"), 0, Qt::RightButton);
        QVERIFY(!row("The Fox")->isSelected());
        QVERIFY(row("The Lion")->isSelected());
        QCOMPARE(events.size(), 1);
        press(row("The Fox"), 1);
        QCOMPARE(events.last(), QStringLiteral("switch:./workspace/fox.mp3"));
    }

    void exportPointerOnHover()
    {
        QTreeWidgetItem* fox = row("The Fox");
        QTreeWidgetItem* lion = row("The Lion");
        move(fox, 2);
        QVERIFY(fox->text(2).isEmpty());
        QVERIFY(!fox->icon(2).isNull());
        move(lion, 2);  // the pointer follows the row
        QCOMPARE(fox->text(2), QStringLiteral("导出"));
        QVERIFY(fox->icon(2).isNull());
        QVERIFY(lion->text(2).isEmpty());
        move(lion, 0);  // and leaves the state cell
        QCOMPARE(lion->text(2), QStringLiteral("导出"));
        move(fox, 2);
        QEvent leave(QEvent::Leave);
        QApplication::sendEvent(tree, &leave);
        QCOMPARE(fox->text(2), QStringLiteral("导出"));

        // The file never keeps the emptied cell, and a click on the pointer exports.
        move(fox, 2);
        tree->saveList("basicList.xml");
        QVERIFY(readBytes("basicList.xml").contains("fox.mp3"));
        press(fox, 2);
        QCOMPARE(events, QStringList({"switch:./workspace/fox.mp3", "export:./workspace/fox.mp3"}));
        // Without the pointer the state cell only chooses.
        events.clear();
        move(lion, 0);
        press(lion, 2);
        QCOMPARE(events, QStringList{"switch:./workspace/lion.mp3"});
    }

    void longTitlesShowWhole()
    {
        QTreeWidgetItem* lion = row("The Lion");
        lion->setText(0, QStringLiteral("The Lion and the Mouse, a fable about a small friend "
                                        "who turned out to be a great one"));
        const QPoint pos = cellCentre(lion, 0);
        QHelpEvent help(QEvent::ToolTip, pos, tree->viewport()->mapToGlobal(pos));
        QApplication::sendEvent(tree->viewport(), &help);
        QTRY_VERIFY(QToolTip::isVisible());
        QCOMPARE(QToolTip::text(), lion->text(0));
        QToolTip::hideText();
    }

    void contextMenuOffersRemoveOnlyForLeaves()
    {
        for (const QString& title : {QStringLiteral("Fables"), QStringLiteral("The Fox")}) {
            QStringList texts;
            bool removeEnabled = true;
            ModalDriver driver;
            driver.answerNext([&](QWidget* popup) {
                auto* menu = qobject_cast<QMenu*>(popup);
                QVERIFY(menu);
                for (QAction* action : menu->actions()) {
                    texts << action->text();
                    if (action->text() == QStringLiteral("移除…"))
                        removeEnabled = action->isEnabled();
                }
                menu->close();
            });
            const QPoint pos = cellCentre(row(title), 0);
            QContextMenuEvent event(QContextMenuEvent::Mouse, pos,
                                    tree->viewport()->mapToGlobal(pos));
            QApplication::sendEvent(tree->viewport(), &event);
            QVERIFY(driver.shown());
            QCOMPARE(texts, QStringList({"导入…", "移除…", "重命名"}));
            QCOMPARE(removeEnabled, title != QStringLiteral("Fables"));
        }
    }

    void selectAndDeselectMaterials()
    {
        tree->selectMaterial(QStringLiteral("./workspace/lion.mp3"));
        QCOMPARE(tree->selectedItems(), QList<QTreeWidgetItem*>{row("The Lion")});
        tree->deselectAll();
        QVERIFY(tree->selectedItems().isEmpty());
        tree->selectMaterial(QString());
        tree->selectMaterial(QStringLiteral("./workspace/none.mp3"));
        QVERIFY(tree->selectedItems().isEmpty());
    }

    // ---- online rows and downloads ----

    void onlineRowsDownloadOrOpen()
    {
        QVERIFY(writeBytes("basic-net.xml", listHeader +
                                                "<parlino version=\"1.0\"><train folded=\"no\">"
                                                "<title>声林在线材料</title>"
                                                "<case url=\"http://example.org/m/x.mp3\">"
                                                "<title>X online</title></case>"
                                                "<case url=\"http://example.org/m/y.mp3\">"
                                                "<title>Y</title></case>"
                                                "<case url=\"http://example.org/m/z.mp3\">"
                                                "<title>Z</title></case></train></parlino>\n"));
        tree->loadList(QStringLiteral("basic-net.xml"), true);
        QVERIFY(writeBytes("respool/y.mp3", "cached"));
        QVERIFY(writeBytes("respool/z.mp3.prl0", "partial"));
        tree->refreshStates();
        QCOMPARE(describe(*tree),
                 QStringList({"声林在线材料||", "  X online|点击下载|http://example.org/m/x.mp3",
                              "  Y|已下载|http://example.org/m/y.mp3",
                              "  Z|下载中…|http://example.org/m/z.mp3"}));
        press(row("X online"), 0);
        QCOMPARE(row("X online")->text(2), QStringLiteral("下载中…"));
        press(row("Y"), 0);
        QCOMPARE(events,
                 QStringList({"load:http://example.org/m/x.mp3", "switch:./workspace/y.mp3"}));

        // The finished download becomes a local row under the title it had online.
        makeMaterial(QStringLiteral("respool"), QStringLiteral("x"));
        tree->loadList(QStringLiteral("basicList.xml"), false);
        tree->addDownloaded(QStringLiteral("./respool/x.mp3"));
        QTreeWidgetItem* added = row("X online");
        QVERIFY(added);
        QCOMPARE(added->parent()->text(0), QStringLiteral("下载的材料"));
        QCOMPARE(added->text(3), QStringLiteral("x_0.mp3"));
        QCOMPARE(readBytes("workspace/x_0.mp3"), readBytes("respool/x.mp3"));
        QCOMPARE(readBytes("workspace/x_0.lrc"), readBytes("respool/x.lrc"));
        QVERIFY(readBytes("basicList.xml").contains("<title>X online</title>"));
    }

    void resetDeletesTheCache()
    {
        QVERIFY(writeBytes("basic-net.xml", listHeader +
                                                "<parlino><train folded=\"no\"><title>T</title>"
                                                "<case url=\"http://example.org/y.mp3\">"
                                                "<title>Y</title></case></train></parlino>"));
        tree->loadList(QStringLiteral("basic-net.xml"), true);
        makeMaterial(QStringLiteral("respool"), QStringLiteral("y"));
        tree->refreshStates();
        QSignalSpy reset(tree, &MatTree::resetSig);
        press(row("Y"), 0, Qt::RightButton);
        tree->actReset();
        QVERIFY(!QFileInfo::exists("respool/y.mp3"));
        QVERIFY(!QFileInfo::exists("respool/y.lrc"));
        QCOMPARE(row("Y")->text(2), QStringLiteral("点击下载"));
        QCOMPARE(reset.size(), 1);
        QCOMPARE(reset.first().first().toString(), QStringLiteral("y.mp3"));
    }
};

QTEST_MAIN(MatTreeTest)
#include "tst_mattree.moc"
