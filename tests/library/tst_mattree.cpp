// A material tree on real files: importing into the workspace, removing and renaming with the
// real dialogs, the mouse (choose, export pointer, groups never selected) and downloads.
#include "LibraryFixture.h"
#include "MatTree.h"
#include "ModalDriver.h"
#include "Workspace.h"
#include "XmlHandler.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QSignalSpy>
#include <QTest>
#include <QToolTip>

#include <functional>

using namespace libfixture;

namespace {
const QByteArray basicList = listHeader + "<parlino version=\"1.0\">\n"
                                          "    <train folded=\"no\">\n"
                                          "        <title>Fables</title>\n"
                                          "        <case url=\"fox.mp3\">\n"
                                          "            <title>The Fox</title>\n"
                                          "        </case>\n"
                                          "        <case url=\"lion.mp3\">\n"
                                          "            <title>The Lion</title>\n"
                                          "        </case>\n"
                                          "    </train>\n"
                                          "    <train folded=\"no\">\n"
                                          "        <title>Empty</title>\n"
                                          "    </train>\n"
                                          "</parlino>\n";

// Clicks the button of a dialog found by object name.
void click(QWidget* dialog, const char* name)
{
    auto* button = dialog->findChild<QAbstractButton*>(QString::fromLatin1(name));
    QVERIFY2(button, name);
    button->click();
}
}  // namespace

class MatTreeTest : public QObject {
    Q_OBJECT
    std::unique_ptr<WorkDir> work;
    std::unique_ptr<QWidget> window;
    MatTree* tree = nullptr;
    QStringList events;  // "switch:<path>" / "export:<path>" / "load:<url>" in emission order

    QTreeWidgetItem* row(const QString& title)
    {
        const auto found = tree->findItems(title, Qt::MatchExactly | Qt::MatchRecursive, 0);
        return found.isEmpty() ? nullptr : found.first();
    }
    QPoint cellCentre(QTreeWidgetItem* item, int column)
    {
        const QRect rect = tree->visualItemRect(item);
        const int x = tree->header()->sectionViewportPosition(column) +
                      tree->header()->sectionSize(column) / 2;
        return QPoint(x, rect.center().y());
    }
    void press(QTreeWidgetItem* item, int column, Qt::MouseButton button = Qt::LeftButton)
    {
        QTest::mousePress(tree->viewport(), button, {}, cellCentre(item, column));
        QTest::mouseRelease(tree->viewport(), button, {}, cellCentre(item, column));
    }
    void move(QTreeWidgetItem* item, int column)
    {
        QMouseEvent event(QEvent::MouseMove, cellCentre(item, column),
                          tree->viewport()->mapToGlobal(cellCentre(item, column)), Qt::NoButton,
                          Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(tree->viewport(), &event);
    }
    void loadBasic(const QByteArray& list = basicList)
    {
        QVERIFY(writeBytes(QStringLiteral("basicList.xml"), list));
        tree->loadList(QStringLiteral("basicList.xml"), false);
    }

private Q_SLOTS:
    void init()
    {
        work = std::make_unique<WorkDir>();
        makeMaterial(QStringLiteral("workspace"), QStringLiteral("fox"));
        makeMaterial(QStringLiteral("workspace"), QStringLiteral("lion"));
        window = std::make_unique<QWidget>();
        window->resize(420, 320);
        tree = new MatTree(window.get());
        tree->setGeometry(0, 0, 420, 320);
        tree->setMouseTracking(true);
        tree->setHeaderHidden(true);
        tree->setColumnCount(3);
        loadBasic();
        tree->setColumnWidth(0, 185);
        tree->setColumnWidth(1, 33);
        tree->setColumnWidth(2, 54);
        window->show();
        QVERIFY(QTest::qWaitForWindowExposed(window.get()));
        events.clear();
        connect(tree, &MatTree::switchSig, this, [this](QString p) { events << "switch:" + p; });
        connect(tree, &MatTree::exportSig, this, [this](QString p) { events << "export:" + p; });
        connect(tree, &MatTree::loadresSig, this, [this](QString u) { events << "load:" + u; });
    }
    void cleanup()
    {
        window.reset();
        work.reset();
    }

    // ---- import ----

    void importFromOutsideCopiesUnderNumberedNames()
    {
        const QString outside = makeMaterial(work->path("outside"), QStringLiteral("a"));
        tree->importFiles({outside});
        QCOMPARE(readBytes("workspace/a_0.mp3"), readBytes(outside));
        QCOMPARE(readBytes("workspace/a_0.lrc"), readBytes(work->path("outside/a.lrc")));
        // The group is created at the end of the top level, the row inside it.
        QCOMPARE(tree->topLevelItemCount(), 3);
        QTreeWidgetItem* group = tree->topLevelItem(2);
        QCOMPARE(group->text(0), QStringLiteral("导入的材料"));
        QCOMPARE(group->childCount(), 1);
        QCOMPARE(group->child(0)->text(0), QStringLiteral("a_0"));
        QCOMPARE(group->child(0)->text(2), QStringLiteral("导出"));
        QCOMPARE(group->child(0)->text(3), QStringLiteral("a_0.mp3"));
        // The list on disk has it too.
        QVERIFY(readBytes("basicList.xml").contains("<case url=\"a_0.mp3\">"));
        QVERIFY(readBytes("basicList.xml").contains("<title>导入的材料</title>"));

        // A second copy of the same file gets the next free number.
        tree->importFiles({outside});
        QVERIFY(QFileInfo::exists("workspace/a_1.mp3"));
        QVERIFY(QFileInfo::exists("workspace/a_1.lrc"));
        QCOMPARE(group->childCount(), 2);
        QStringList urls{group->child(0)->text(3), group->child(1)->text(3)};
        urls.sort();
        QCOMPARE(urls, QStringList({"a_0.mp3", "a_1.mp3"}));
    }

    void importNeverOverwritesAMaterial()
    {
        // a_0 was removed earlier and a_1 remains: counting files would name the copy a_1.
        makeMaterial(QStringLiteral("workspace"), QStringLiteral("a_1"));
        const QByteArray kept = readBytes("workspace/a_1.mp3");
        writeBytes("workspace/b_0.lrc", "[00:00.00]a lone script\n");
        const QString a = makeMaterial(work->path("outside"), QStringLiteral("a"));
        writeBytes(a, "the new a");
        const QString b = makeMaterial(work->path("outside"), QStringLiteral("b"));
        tree->importFiles({a, b});
        QCOMPARE(readBytes("workspace/a_1.mp3"), kept);
        QCOMPARE(readBytes("workspace/a_0.mp3"), QByteArray("the new a"));
        QCOMPARE(readBytes("workspace/b_0.lrc"), QByteArray("[00:00.00]a lone script\n"));
        QVERIFY(QFileInfo::exists("workspace/b_1.mp3"));
        QVERIFY(QFileInfo::exists("workspace/b_1.lrc"));
        QVERIFY(row("a_0") && row("b_1"));
    }

    void fileInWorkspaceKeepsItsName()
    {
        makeMaterial(QStringLiteral("workspace"), QStringLiteral("own"));
        const int before = QDir("workspace").entryList(QDir::Files).size();
        tree->importFiles({QStringLiteral("./workspace/own.mp3")});
        QCOMPARE(QDir("workspace").entryList(QDir::Files).size(), before);
        QTreeWidgetItem* added = row("own");
        QVERIFY(added);
        QCOMPARE(added->text(3), QStringLiteral("own.mp3"));
    }

    void mediaWithoutScriptIsRefused()
    {
        const QString lone = work->path("outside/c.mp3");
        QDir().mkpath(work->path("outside"));
        writeBytes(lone, "media without script");
        const QByteArray list = readBytes("basicList.xml");
        ModalDriver driver;
        driver.answerNext(&ModalDriver::accept);
        tree->importFiles({lone});
        QVERIFY(driver.shown());
        QCOMPARE(driver.title(), QStringLiteral("导入失败"));
        QCOMPARE(driver.text(), QStringLiteral("mp3文件所在的文件夹必须有同名的lrc文件"));
        QCOMPARE(QDir("workspace").entryList({"c*"}, QDir::Files).size(), 0);
        QCOMPARE(tree->topLevelItemCount(), 2);
        QVERIFY(!row("c_0"));
        QVERIFY(readBytes("basicList.xml").contains("<title>Fables</title>"));
        QCOMPARE(readBytes("basicList.xml"), list);  // rewritten with the same rows
    }

    void listedFileIsNotAddedTwice()
    {
        writeBytes("advancedList.xml", listHeader + "<parlino version=\"1.0\">\n"
                                                    "    <train folded=\"no\">\n"
                                                    "        <title>Mid</title>\n"
                                                    "        <case url=\"la.mp3\">\n"
                                                    "            <title>La</title>\n"
                                                    "        </case>\n"
                                                    "        <case url=\"fox.mp3\">\n"
                                                    "            <title>Fox again</title>\n"
                                                    "        </case>\n"
                                                    "    </train>\n"
                                                    "</parlino>\n");
        // The basic list names fox.mp3 first.
        ModalDriver driver;
        driver.answerNext(&ModalDriver::accept);
        tree->importFiles({QStringLiteral("./workspace/fox.mp3")});
        QVERIFY(driver.shown());
        QCOMPARE(driver.title(), QStringLiteral("文件已被占用"));
        QCOMPARE(driver.text(), QStringLiteral("您选择导入的文件fox.mp3\n属于初级材料:The Fox。"
                                               "\n\n声林没有进行更多操作。"));
        QCOMPARE(tree->findItems("The Fox", Qt::MatchExactly | Qt::MatchRecursive).size(), 1);
        QVERIFY(!row(QStringLiteral("fox")));

        // A name inside a longer listed name (a.mp3 in la.mp3) is not taken as listed.
        makeMaterial(QStringLiteral("workspace"), QStringLiteral("a"));
        ModalDriver none;
        none.answerNext(&ModalDriver::accept);
        tree->importFiles({QStringLiteral("./workspace/a.mp3")});
        QVERIFY(!none.shown());
        QVERIFY(row(QStringLiteral("a")));
    }

    void importGoesNextToTheRightClickedRow()
    {
        press(row("The Fox"), 0, Qt::RightButton);
        QCOMPARE(tree->anchorItem(), row("The Fox"));
        const QString outside = makeMaterial(work->path("outside"), QStringLiteral("new"));
        tree->importFiles({outside});
        QCOMPARE(describe(*tree),
                 QStringList({"Fables||", "  The Fox|导出|fox.mp3", "  new_0|导出|new_0.mp3",
                              "  The Lion|导出|lion.mp3", "Empty||"}));
        // A right-clicked empty group takes the row inside.
        press(row("Empty"), 0, Qt::RightButton);
        tree->importFiles({outside});
        QCOMPARE(row("Empty")->childCount(), 1);
        QCOMPARE(row("Empty")->child(0)->text(3), QStringLiteral("new_1.mp3"));
    }

    void importWhileOnlineGoesToTheLocalList()
    {
        writeBytes("basic-net.xml", listHeader + "<parlino version=\"1.0\"><train folded=\"no\">"
                                                 "<title>声林在线材料</title>"
                                                 "<case url=\"http://example.org/m/x.mp3\">"
                                                 "<title>X</title></case></train></parlino>\n");
        tree->loadList(QStringLiteral("basic-net.xml"), true);
        const QStringList online = describe(*tree);
        const QByteArray net = readBytes("basic-net.xml");
        const QString outside = makeMaterial(work->path("outside"), QStringLiteral("a"));
        tree->importFiles({outside});
        QCOMPARE(describe(*tree), online);
        QCOMPARE(readBytes("basic-net.xml"), net);
        QCOMPARE(tree->listFileName(), QStringLiteral("basicList.xml"));
        tree->loadList(QStringLiteral("basicList.xml"), false);
        QVERIFY(row("The Fox"));
        QVERIFY(row("a_0"));
        QCOMPARE(row("a_0")->parent()->text(0), QStringLiteral("导入的材料"));
    }

    void importThroughTheFileDialog()
    {
        const QString outside = makeMaterial(work->path("outside"), QStringLiteral("picked"));
        ModalDriver driver;
        driver.answerNext([outside](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            QVERIFY(dialog);
            QCOMPARE(dialog->windowTitle(), QStringLiteral("选择文件"));
            QCOMPARE(dialog->fileMode(), QFileDialog::ExistingFiles);
            dialog->setDirectory(QFileInfo(outside).absolutePath());
            dialog->selectFile(QFileInfo(outside).fileName());
            static_cast<QDialog*>(dialog)->accept();
        });
        tree->actImport();
        QVERIFY(driver.shown());
        QVERIFY(row("picked_0"));
        QVERIFY(QFileInfo::exists("workspace/picked_0.lrc"));
    }

    void workspaceNames()
    {
        QCOMPARE(Workspace::fileNamePart("http://example.org/a/b.mp3?x=1#t"), QString("b.mp3"));
        QCOMPARE(Workspace::fileNamePart("Unit #1?.mp3"), QString("Unit #1?.mp3"));
        QCOMPARE(Workspace::materialPath("lesson_0.mp3"), QString("./workspace/lesson_0.mp3"));
        QCOMPARE(Workspace::scriptOf("./workspace/a.b.mp3"), QString("./workspace/a.b.lrc"));
        QCOMPARE(Workspace::scriptOf("./workspace/plain"), QString("./workspace/plain.lrc"));
        QCOMPARE(Workspace::freeName("plain"), QString("plain_0"));
        QCOMPARE(Workspace::freeName("a.b.mp3"), QString("a.b_0.mp3"));
        writeBytes("workspace/a.b_0.mp3", "x");
        QCOMPARE(Workspace::freeName("a.b.mp3"), QString("a.b_1.mp3"));

        // Copying a file onto itself must not empty it.
        const QByteArray fox = readBytes("workspace/fox.mp3");
        QVERIFY(!Workspace::copyFile("workspace/fox.mp3", "./workspace/../workspace/fox.mp3"));
        QCOMPARE(readBytes("workspace/fox.mp3"), fox);
        QVERIFY(!Workspace::copyFile("workspace/none.mp3", "workspace/copy.mp3"));
        QVERIFY(!QFileInfo::exists("workspace/copy.mp3"));
        QVERIFY(Workspace::copyFile("workspace/fox.mp3", "workspace/copy.mp3"));
        QCOMPARE(readBytes("workspace/copy.mp3"), fox);
        QVERIFY(Workspace::inWorkspace("workspace/copy.mp3"));
        QVERIFY(Workspace::inWorkspace(work->path("workspace/copy.mp3")));
        QVERIFY(!Workspace::inWorkspace("respool/copy.mp3"));
    }

    // ---- remove and rename ----

    void remove_data()
    {
        QTest::addColumn<bool>("deleteFiles");
        QTest::newRow("with files") << true;
        QTest::newRow("keep files") << false;
    }
    void remove()
    {
        QFETCH(bool, deleteFiles);
        press(row("The Fox"), 0);  // open it
        press(row("The Fox"), 0, Qt::RightButton);
        QStringList filesAtClose;
        connect(tree, &MatTree::switchSig, this, [&filesAtClose](QString path) {
            if (path.isEmpty())
                filesAtClose << QString::number(QFileInfo::exists("workspace/fox.mp3")) +
                                    QString::number(QFileInfo::exists("workspace/fox.lrc"));
        });
        ModalDriver driver;
        QString question;
        driver.answerNext([&](QWidget* modal) {
            QCOMPARE(modal->objectName(), QStringLiteral("DelConfirm"));
            question = modal->findChild<QLabel*>("label")->text();
            auto* box = modal->findChild<QCheckBox*>("chkKeepFile");
            QVERIFY(box->isChecked());
            box->setChecked(deleteFiles);
            click(modal, "btnConfirm");
        });
        tree->actRemove();
        QVERIFY(driver.shown());
        QCOMPARE(question, QStringLiteral("材料名:The Fox\n\n文件名:fox.mp3\n"));
        QVERIFY(!row("The Fox"));
        QVERIFY(!readBytes("basicList.xml").contains("fox.mp3"));
        QVERIFY(readBytes("basicList.xml").contains("lion.mp3"));
        QCOMPARE(QFileInfo::exists("workspace/fox.mp3"), !deleteFiles);
        QCOMPARE(QFileInfo::exists("workspace/fox.lrc"), !deleteFiles);
        // The open material is closed while its files are still there.
        QCOMPARE(filesAtClose, deleteFiles ? QStringList{"11"} : QStringList{});
        QVERIFY(QFileInfo::exists("workspace/lion.mp3"));
    }

    void removeCancelledChangesNothing()
    {
        press(row("The Lion"), 0, Qt::RightButton);
        const QByteArray list = readBytes("basicList.xml");
        ModalDriver driver;
        driver.answerNext([](QWidget* modal) { click(modal, "btnCancel"); });
        tree->actRemove();
        QVERIFY(driver.shown());
        QVERIFY(row("The Lion"));
        QVERIFY(QFileInfo::exists("workspace/lion.mp3"));
        QCOMPARE(readBytes("basicList.xml"), list);
    }

    void removeGroupsAndTopLevelRows()
    {
        // A group with rows inside is never removed; an empty one goes without a question.
        press(row("Fables"), 0, Qt::RightButton);
        tree->actRemove();
        QVERIFY(row("Fables"));
        press(row("Empty"), 0, Qt::RightButton);
        tree->actRemove();
        QVERIFY(!row("Empty"));
        QVERIFY(!readBytes("basicList.xml").contains("<title>Empty</title>"));
        QVERIFY(!tree->anchorItem());  // the removed row is no anchor any more

        // A material at top level goes too, not only its files.
        writeBytes("basicList.xml", listHeader + "<parlino><case url=\"lion.mp3\"><title>Top"
                                                 "</title></case></parlino>");
        tree->loadList("basicList.xml", false);
        press(row("Top"), 0, Qt::RightButton);
        ModalDriver driver;
        driver.answerNext([](QWidget* modal) { click(modal, "btnConfirm"); });
        tree->actRemove();
        QCOMPARE(tree->topLevelItemCount(), 0);
        QVERIFY(!QFileInfo::exists("workspace/lion.mp3"));

        // And an import right after a removal does not use the vanished anchor.
        const QString outside = makeMaterial(work->path("outside"), QStringLiteral("after"));
        tree->importFiles({outside});
        QCOMPARE(describe(*tree), QStringList({"导入的材料||", "  after_0|导出|after_0.mp3"}));
    }

    void rename_data()
    {
        QTest::addColumn<QString>("entered");
        QTest::addColumn<bool>("confirm");
        QTest::addColumn<QString>("expected");
        QTest::newRow("renamed") << QStringLiteral(" 狐狸 ") << true << QStringLiteral(" 狐狸 ");
        QTest::newRow("cancelled") << QStringLiteral("x") << false << QStringLiteral("The Fox");
        QTest::newRow("empty") << QString() << true << QStringLiteral("The Fox");
    }
    void rename()
    {
        QFETCH(QString, entered);
        QFETCH(bool, confirm);
        QFETCH(QString, expected);
        QTreeWidgetItem* fox = row("The Fox");
        press(fox, 0, Qt::RightButton);
        ModalDriver driver;
        QString prompt;
        driver.answerNext([&](QWidget* modal) {
            QCOMPARE(modal->objectName(), QStringLiteral("RenameDlg"));
            prompt = modal->findChild<QLabel*>("label")->text();
            modal->findChild<QLineEdit*>("lineEdit")->setText(entered);
            click(modal, confirm ? "btnConfirm" : "btnCancel");
        });
        tree->actRename();
        QVERIFY(driver.shown());
        QCOMPARE(prompt, QStringLiteral("原名称:The Fox\n\n重命名为:"));
        QCOMPARE(fox->text(0), expected);
        QVERIFY(readBytes("basicList.xml").contains("<title>" + expected.toUtf8() + "</title>"));
    }

    // ---- mouse ----

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
        writeBytes("basic-net.xml", listHeader + "<parlino version=\"1.0\"><train folded=\"no\">"
                                                 "<title>声林在线材料</title>"
                                                 "<case url=\"http://example.org/m/x.mp3\">"
                                                 "<title>X online</title></case>"
                                                 "<case url=\"http://example.org/m/y.mp3\">"
                                                 "<title>Y</title></case>"
                                                 "<case url=\"http://example.org/m/z.mp3\">"
                                                 "<title>Z</title></case></train></parlino>\n");
        tree->loadList(QStringLiteral("basic-net.xml"), true);
        writeBytes("respool/y.mp3", "cached");
        writeBytes("respool/z.mp3.prl0", "partial");
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
        writeBytes("basic-net.xml", listHeader + "<parlino><train folded=\"no\"><title>T</title>"
                                                 "<case url=\"http://example.org/y.mp3\">"
                                                 "<title>Y</title></case></train></parlino>");
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
