// Importing into the workspace and the lists, removing and renaming with the real dialogs:
// a material tree on real files in a temporary working directory.
#include "MatTreeFixture.h"
#include "ModalDriver.h"
#include "Workspace.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>

using namespace libfixture;

class MatImportTest : public MatTreeFixture {
    Q_OBJECT

private Q_SLOTS:
    void init() { setUpTree(); }
    void cleanup() { tearDownTree(); }

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
        QVERIFY(writeBytes("workspace/b_0.lrc", "[00:00.00]a lone script\n"));
        const QString a = makeMaterial(work->path("outside"), QStringLiteral("a"));
        QVERIFY(writeBytes(a, "the new a"));
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

    void subtitlesAreImportedAsASentenceFile()
    {
        QDir().mkpath(work->path("outside"));
        const QString media = work->path("outside/talk.mp3");
        writeBytes(media, "media with subtitles");
        writeBytes(work->path("outside/talk.srt"),
                   "1\r\n00:00:01,000 --> 00:00:02,000\r\n<i>Good</i> morning\r\n\r\n"
                   "2\r\n00:01:02,500 --> 00:01:04,000\r\nSee you\r\n");
        tree->importFiles({media});
        QCOMPARE(readBytes("workspace/talk_0.mp3"), QByteArray("media with subtitles"));
        QCOMPARE(readBytes("workspace/talk_0.lrc"),
                 QByteArray("[00:01.00]Good morning\n[01:02.50]See you\n"));
        QVERIFY(row("talk_0"));

        // A material already in the workspace with only WebVTT beside it gets its ".lrc".
        writeBytes("workspace/own.mp3", "own media");
        writeBytes("workspace/own.vtt", "WEBVTT\n\n00:03.000 --> 00:04.000\nHello\n");
        tree->importFiles({QStringLiteral("./workspace/own.mp3")});
        QCOMPARE(readBytes("workspace/own.lrc"), QByteArray("[00:03.00]Hello\n"));
        QVERIFY(row("own"));

        // Subtitles without a single cue are no sentence file: refused, nothing copied.
        const QString empty = work->path("outside/mute.mp3");
        writeBytes(empty, "mute");
        writeBytes(work->path("outside/mute.vtt"), "WEBVTT\n\n");
        ModalDriver driver;
        driver.answerNext(&ModalDriver::accept);
        tree->importFiles({empty});
        QVERIFY(driver.shown());
        QCOMPARE(driver.title(), QStringLiteral("导入失败"));
        QCOMPARE(QDir("workspace").entryList({"mute*"}, QDir::Files).size(), 0);
        QVERIFY(!row("mute_0"));
    }

    void mediaWithoutScriptIsRefused()
    {
        const QString lone = work->path("outside/c.mp3");
        QDir().mkpath(work->path("outside"));
        QVERIFY(writeBytes(lone, "media without script"));
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
        QVERIFY(writeBytes("advancedList.xml", listHeader + "<parlino version=\"1.0\">\n"
                                                            "    <train folded=\"no\">\n"
                                                            "        <title>Mid</title>\n"
                                                            "        <case url=\"la.mp3\">\n"
                                                            "            <title>La</title>\n"
                                                            "        </case>\n"
                                                            "        <case url=\"fox.mp3\">\n"
                                                            "            <title>Fox again</title>\n"
                                                            "        </case>\n"
                                                            "    </train>\n"
                                                            "</parlino>\n"));
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
        QVERIFY(writeBytes("basic-net.xml", listHeader +
                                                "<parlino version=\"1.0\"><train folded=\"no\">"
                                                "<title>声林在线材料</title>"
                                                "<case url=\"http://example.org/m/x.mp3\">"
                                                "<title>X</title></case></train></parlino>\n"));
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
            ModalDriver::pickFile(dialog, QFileInfo(outside).absoluteFilePath());
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
        QVERIFY(writeBytes("workspace/a.b_0.mp3", "x"));
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
        QVERIFY(writeBytes("basicList.xml", listHeader +
                                                "<parlino><case url=\"lion.mp3\"><title>Top"
                                                "</title></case></parlino>"));
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
};

QTEST_MAIN(MatImportTest)
#include "tst_matimport.moc"
