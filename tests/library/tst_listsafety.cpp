// The local lists keep the learner's materials whatever happens around a change: a list that
// did not read completely is kept aside before it is first written over, a save that fails is
// undone and reported, an import whose copy fails leaves nothing behind, and removing the open
// material closes it before its files go. After every operation the rows on disk are read back
// with a reader of their own and compared with the rows expected.
#include "MatTreeFixture.h"
#include "ModalDriver.h"
#include "TestSupport.h"
#include "TreesView.h"

#include <QDir>
#include <QDomDocument>
#include <QFileInfo>
#include <QLineEdit>

using namespace libfixture;

namespace {
// The rows of a list file, one line per element (indented by nesting): the element name, its
// attributes in name order and its title. "unreadable" when the file is no XML at all.
QStringList diskRows(const QString& path)
{
    QDomDocument doc;
    if (!doc.setContent(readBytes(path)))
        return {QStringLiteral("unreadable")};
    QStringList lines;
    std::function<void(const QDomElement&, int)> walk = [&](const QDomElement& parent, int depth) {
        for (QDomElement e = parent.firstChildElement(); !e.isNull(); e = e.nextSiblingElement()) {
            if (e.tagName() == QLatin1String("title"))
                continue;
            QStringList attributes;
            const QDomNamedNodeMap map = e.attributes();
            for (int i = 0; i < map.count(); ++i)
                attributes << map.item(i).nodeName() + '=' + map.item(i).nodeValue();
            attributes.sort();
            QString line = QString(depth * 2, ' ') + e.tagName();
            if (!attributes.isEmpty())
                line += '[' + attributes.join(' ') + ']';
            const QDomElement title = e.firstChildElement(QStringLiteral("title"));
            if (!title.isNull())
                line += ' ' + title.text();
            lines << line;
            walk(e, depth + 1);
        }
    };
    walk(doc.documentElement(), 0);
    return lines;
}

// The rows of basicList.xml of the fixture, with the title of one row changed.
QStringList basicRows(const QString& foxTitle = QStringLiteral("The Fox"))
{
    return {"train[folded=no] Fables", "  case[url=fox.mp3] " + foxTitle,
            "  case[url=lion.mp3] The Lion", "train[folded=no] Empty"};
}

QStringList workspaceFiles()
{
    return QDir(QStringLiteral("workspace")).entryList(QDir::Files | QDir::Hidden, QDir::Name);
}

using testsupport::FileSizeLimit;

// Renames the anchor row of `tree` to `title`, answering the boxes that follow the dialog.
void renameTo(MatTree* tree, const QString& title, ModalDriver& after)
{
    ModalDriver driver;
    driver.answerNext([&](QWidget* modal) {
        modal->findChild<QLineEdit*>(QStringLiteral("lineEdit"))->setText(title);
        after.answerNext(&ModalDriver::accept);
        click(modal, "btnConfirm");
    });
    tree->actRename();
    QVERIFY(driver.shown());
}
}  // namespace

class ListSafetyTest : public MatTreeFixture {
    Q_OBJECT

    // A list whose second material has a bare "&" in its title, with rows after it.
    static QByteArray ampersandList()
    {
        return listHeader + "<parlino version=\"1.0\">\n"
                            "    <train folded=\"no\">\n"
                            "        <title>Fables</title>\n"
                            "        <case url=\"fox.mp3\">\n"
                            "            <title>The Fox</title>\n"
                            "        </case>\n"
                            "        <case url=\"lion.mp3\">\n"
                            "            <title>Lion & Mouse</title>\n"
                            "        </case>\n"
                            "    </train>\n"
                            "    <train folded=\"no\">\n"
                            "        <title>Later</title>\n"
                            "        <case url=\"owl.mp3\">\n"
                            "            <title>The Owl</title>\n"
                            "        </case>\n"
                            "    </train>\n"
                            "</parlino>\n";
    }

    QStringList damagedCopies() const
    {
        return QDir().entryList({QStringLiteral("basicList.xml.damaged-*")}, QDir::Files);
    }

private Q_SLOTS:
    void init() { setUpTree(); }
    void cleanup() { tearDownTree(); }

    void damagedListIsKeptAndReadPastABareAmpersand()
    {
        makeMaterial(QStringLiteral("workspace"), QStringLiteral("owl"));
        const QByteArray damaged = ampersandList();
        ModalDriver parseBox;
        parseBox.answerNext(&ModalDriver::accept);
        loadBasic(damaged);
        QVERIFY(parseBox.shown());  // the learner is told at start, as before
        QCOMPARE(describe(*tree),
                 QStringList({"Fables||", "  The Fox|导出|fox.mp3", "  Lion & Mouse|导出|lion.mp3",
                              "Later||", "  The Owl|导出|owl.mp3"}));
        QVERIFY(damagedCopies().isEmpty());  // nothing is written until something changes

        press(row("The Fox"), 0, Qt::RightButton);
        ModalDriver keptBox;
        renameTo(tree, QStringLiteral("Fox"), keptBox);
        QVERIFY(keptBox.shown());
        const QStringList copies = damagedCopies();
        QCOMPARE(copies.size(), 1);
        QVERIFY2(keptBox.text().contains(copies.first()), qPrintable(keptBox.text()));
        QCOMPARE(readBytes(copies.first()), damaged);
        QCOMPARE(diskRows(QStringLiteral("basicList.xml")),
                 QStringList({"train[folded=no] Fables", "  case[url=fox.mp3] Fox",
                              "  case[url=lion.mp3] Lion & Mouse", "train[folded=no] Later",
                              "  case[url=owl.mp3] The Owl"}));

        // Once a whole list is written, later changes save without a further copy or box.
        ModalDriver none;
        renameTo(tree, QStringLiteral("Fox 2"), none);
        QTest::qWait(50);
        QVERIFY(!none.shown());
        QCOMPARE(damagedCopies(), copies);
        QCOMPARE(diskRows(QStringLiteral("basicList.xml")).at(1),
                 QStringLiteral("  case[url=fox.mp3] Fox 2"));
    }

    void listThatCannotBeReadPastTheErrorIsKept()
    {
        const QByteArray damaged = listHeader + "<parlino version=\"1.0\">\n"
                                                "    <train folded=\"no\">\n"
                                                "        <title>Fables</title>\n"
                                                "        <case url=\"fox.mp3\">\n"
                                                "            <title>The Fox</title>\n"
                                                "        </case>\n"
                                                "        <case url=\"lion.mp3\">\n"
                                                "            <title>The Lion</tit\n"
                                                "        </case>\n"
                                                "    </train>\n"
                                                "</parlino>\n";
        ModalDriver parseBox;
        parseBox.answerNext(&ModalDriver::accept);
        loadBasic(damaged);
        QVERIFY(parseBox.shown());
        press(row("The Fox"), 0, Qt::RightButton);
        ModalDriver keptBox;
        renameTo(tree, QStringLiteral("Fox"), keptBox);
        QVERIFY(keptBox.shown());
        QCOMPARE(damagedCopies().size(), 1);
        QCOMPARE(readBytes(damagedCopies().first()), damaged);
        QCOMPARE(diskRows(QStringLiteral("basicList.xml")).at(1),
                 QStringLiteral("  case[url=fox.mp3] Fox"));
    }

    void failedSaveIsUndoneAndReported()
    {
        // A folder where the list file was: removing a material with its files changes
        // neither the tree nor the files.
        press(row("The Fox"), 0, Qt::RightButton);
        QVERIFY(QFile::remove(QStringLiteral("basicList.xml")));
        QVERIFY(QDir().mkdir(QStringLiteral("basicList.xml")));
        const QStringList before = describe(*tree);
        ModalDriver failed;
        ModalDriver confirm;
        confirm.answerNext([&](QWidget* modal) {
            failed.answerNext(&ModalDriver::accept);
            click(modal, "btnConfirm");
        });
        tree->actRemove();
        QVERIFY(confirm.shown());
        QVERIFY(failed.shown());
        QCOMPARE(failed.title(), QStringLiteral("保存失败"));
        QVERIFY(failed.text().contains(QStringLiteral("basicList.xml")));
        QCOMPARE(describe(*tree), before);
        QVERIFY(QFileInfo::exists(QStringLiteral("workspace/fox.mp3")));
        QVERIFY(QFileInfo::exists(QStringLiteral("workspace/fox.lrc")));
        QVERIFY(QFileInfo(QStringLiteral("basicList.xml")).isDir());
        QVERIFY(QDir().rmdir(QStringLiteral("basicList.xml")));

        // A full disk: the rename is undone and the list on disk keeps its old rows.
        QVERIFY(writeBytes(QStringLiteral("basicList.xml"), basicList));
        tree->loadList(QStringLiteral("basicList.xml"), false);
        press(row("The Fox"), 0, Qt::RightButton);
        {
            FileSizeLimit full(basicList.size());
            if (!full.isActive())
                QSKIP("the file size limit cannot be set here");
            ModalDriver failedAgain;
            renameTo(tree, QStringLiteral("The Fox, told again at much greater length"),
                     failedAgain);
            QVERIFY(failedAgain.shown());
            QCOMPARE(failedAgain.title(), QStringLiteral("保存失败"));
        }
        QCOMPARE(row("The Fox") != nullptr, true);
        QCOMPARE(describe(*tree), before);
        QCOMPARE(readBytes(QStringLiteral("basicList.xml")), basicList);
        QCOMPARE(workspaceFiles(), QStringList({"fox.lrc", "fox.mp3", "lion.lrc", "lion.mp3"}));

        // With room again, the same change is saved.
        press(row("The Fox"), 0, Qt::RightButton);
        ModalDriver none;
        renameTo(tree, QStringLiteral("Fox"), none);
        QCOMPARE(diskRows(QStringLiteral("basicList.xml")), basicRows(QStringLiteral("Fox")));
    }

    void failedImportCopyIsReportedAndLeavesNothing()
    {
        const QString outside = work->path(QStringLiteral("outside"));
        QDir().mkpath(outside);
        const QString media = outside + QStringLiteral("/big.mp3");
        QVERIFY(writeBytes(media, QByteArray(200 * 1024, 'm')));
        QVERIFY(writeBytes(outside + QStringLiteral("/big.lrc"), "[00:00.00]big\n"));
        const QByteArray list = readBytes(QStringLiteral("basicList.xml"));
        const QStringList rows = describe(*tree);
        {
            FileSizeLimit full(64 * 1024);
            if (!full.isActive())
                QSKIP("the file size limit cannot be set here");
            ModalDriver failed;
            failed.answerNext(&ModalDriver::accept);
            tree->importFiles({media});
            QVERIFY(failed.shown());
            QCOMPARE(failed.title(), QStringLiteral("导入失败"));
            QVERIFY2(failed.text().contains(QStringLiteral("big.mp3")), qPrintable(failed.text()));
        }
        QCOMPARE(workspaceFiles(), QStringList({"fox.lrc", "fox.mp3", "lion.lrc", "lion.mp3"}));
        QCOMPARE(describe(*tree), rows);
        QCOMPARE(readBytes(QStringLiteral("basicList.xml")), list);
        QCOMPARE(diskRows(QStringLiteral("basicList.xml")), basicRows());

        // With room again the same import goes through.
        tree->importFiles({media});
        QCOMPARE(workspaceFiles(), QStringList({"big_0.lrc", "big_0.mp3", "fox.lrc", "fox.mp3",
                                                "lion.lrc", "lion.mp3"}));
        QCOMPARE(diskRows(QStringLiteral("basicList.xml")),
                 basicRows() +
                     QStringList({"train[folded=no] 导入的材料", "  case[url=big_0.mp3] big_0"}));
    }
};

// The library window under a real display: the open material is closed before its files go,
// whichever row the selection has moved to.
class OpenMaterialTest : public QObject {
    Q_OBJECT
    std::unique_ptr<WorkDir> work;
    std::unique_ptr<TreesView> view;
    QStringList events;  // "open:<path>" with "files" or "gone" for the files of fox at the time

    MatTree* tree() const { return view->tree(0); }
    QTreeWidgetItem* row(const QString& title) const
    {
        const auto found = tree()->findItems(title, Qt::MatchExactly | Qt::MatchRecursive, 0);
        return found.isEmpty() ? nullptr : found.first();
    }
    void press(QTreeWidgetItem* item, Qt::MouseButton button)
    {
        const QPoint pos = tree()->visualItemRect(item).center();
        QTest::mousePress(tree()->viewport(), button, Qt::NoModifier, pos);
        QTest::mouseRelease(tree()->viewport(), button, Qt::NoModifier, pos);
    }
    void removeWithFiles(QTreeWidgetItem* item)
    {
        press(item, Qt::RightButton);
        ModalDriver driver;
        driver.answerNext([](QWidget* modal) { click(modal, "btnConfirm"); });
        tree()->actRemove();
        QVERIFY(driver.shown());
    }

private Q_SLOTS:
    void init()
    {
        work = std::make_unique<WorkDir>();
        for (const char* name : {"fox", "lion", "owl"})
            makeMaterial(QStringLiteral("workspace"), QString::fromLatin1(name));
        QVERIFY(writeBytes(TreesView::localList(0),
                           listHeader + "<parlino version=\"1.0\"><train folded=\"no\">"
                                        "<title>Fables</title>"
                                        "<case url=\"fox.mp3\"><title>The Fox</title></case>"
                                        "<case url=\"lion.mp3\"><title>The Lion</title></case>"
                                        "<case url=\"owl.mp3\"><title>The Owl</title></case>"
                                        "</train></parlino>"));
        view = std::make_unique<TreesView>();
        view->show();
        QVERIFY(QTest::qWaitForWindowExposed(view.get()));
        events.clear();
        connect(view.get(), &TreesView::switchSig, this, [this](QString path) {
            const bool there = QFileInfo::exists(QStringLiteral("workspace/fox.mp3"));
            events << "open:" + path + (there ? "|files" : "|gone");
        });
    }
    void cleanup()
    {
        view.reset();
        work.reset();
    }

    void removingTheOpenMaterialClosesItAfterTheSelectionMoved()
    {
        press(row("The Fox"), Qt::LeftButton);
        QCOMPARE(events, QStringList{"open:./workspace/fox.mp3|files"});
        tree()->setFocus();
        QTest::keyClick(tree(), Qt::Key_Down);
        QVERIFY(row("The Lion")->isSelected());
        QVERIFY(!row("The Fox")->isSelected());

        removeWithFiles(row("The Fox"));
        QCOMPARE(events, QStringList({"open:./workspace/fox.mp3|files", "open:|files"}));
        QVERIFY(!QFileInfo::exists(QStringLiteral("workspace/fox.mp3")));
        QCOMPARE(diskRows(TreesView::localList(0)),
                 QStringList({"train[folded=no] Fables", "  case[url=lion.mp3] The Lion",
                              "  case[url=owl.mp3] The Owl"}));
    }

    void removingASelectedRowThatIsNotOpenKeepsTheOpenMaterial()
    {
        press(row("The Owl"), Qt::LeftButton);
        tree()->setFocus();
        QTest::keyClick(tree(), Qt::Key_Up);
        QVERIFY(row("The Lion")->isSelected());
        events.clear();
        removeWithFiles(row("The Lion"));
        QCOMPARE(events, QStringList{});
        QVERIFY(!QFileInfo::exists(QStringLiteral("workspace/lion.mp3")));
        QVERIFY(QFileInfo::exists(QStringLiteral("workspace/owl.mp3")));
        QCOMPARE(diskRows(TreesView::localList(0)),
                 QStringList({"train[folded=no] Fables", "  case[url=fox.mp3] The Fox",
                              "  case[url=owl.mp3] The Owl"}));
    }

    void theWindowSaysWhichMaterialIsOpen()
    {
        // The main window may open a material by itself (at start, from its settings): the
        // library asks it which one is open rather than trusting its own clicks.
        QString open = QStringLiteral("./workspace/owl.mp3");
        view->setOpenMaterialQuery([&open] { return open; });
        QStringList owlAtClose;
        QObject listening;
        connect(view.get(), &TreesView::switchSig, &listening, [&owlAtClose](QString path) {
            owlAtClose << path + '|' + QString::number(QFileInfo::exists("workspace/owl.mp3"));
        });
        removeWithFiles(row("The Owl"));
        QCOMPARE(owlAtClose, QStringList{"|1"});
        QVERIFY(!QFileInfo::exists(QStringLiteral("workspace/owl.mp3")));
    }
};

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    int status = 0;
    {
        ListSafetyTest safety;
        status |= QTest::qExec(&safety, argc, argv);
    }
    {
        OpenMaterialTest open;
        status |= QTest::qExec(&open, argc, argv);
    }
    return status;
}

#include "tst_listsafety.moc"
