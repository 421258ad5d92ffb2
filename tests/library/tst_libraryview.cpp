// The library window as the main window uses it: the three level tabs with their lists, the
// relay of the trees' requests, imports on the current tab, finished downloads, the control
// strip with its badge and the two dialogs.
#include "DelConfirm.h"
#include "LibraryFixture.h"
#include "MatTree.h"
#include "ModalDriver.h"
#include "RenameDlg.h"
#include "TabsCtrl.h"
#include "TreesView.h"
#include "WeiboNote.h"

#include <QCheckBox>
#include <QFileDialog>
#include <QFileInfo>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QScrollBar>
#include <QSettings>
#include <QSignalSpy>
#include <QTabBar>
#include <QTest>

using namespace libfixture;

namespace {
QByteArray listOf(const QString& group, const QStringList& names)
{
    QByteArray text = listHeader +
                      "<parlino version=\"1.0\">\n    <train folded=\"no\">\n"
                      "        <title>" +
                      group.toUtf8() + "</title>\n";
    for (const QString& name : names)
        text += "        <case url=\"" + name.toUtf8() + ".mp3\">\n            <title>" +
                name.toUtf8() + "</title>\n        </case>\n";
    return text + "    </train>\n</parlino>\n";
}

QPoint cellCentre(QTreeWidget* tree, QTreeWidgetItem* item, int column)
{
    return QPoint(tree->header()->sectionViewportPosition(column) +
                      tree->header()->sectionSize(column) / 2,
                  tree->visualItemRect(item).center().y());
}

QTreeWidgetItem* find(QTreeWidget* tree, const QString& title)
{
    const auto found = tree->findItems(title, Qt::MatchExactly | Qt::MatchRecursive, 0);
    return found.isEmpty() ? nullptr : found.first();
}
}  // namespace

class LibraryViewTest : public QObject {
    Q_OBJECT
    std::unique_ptr<WorkDir> work;

private Q_SLOTS:
    void init()
    {
        work = std::make_unique<WorkDir>();
        const QStringList levels[] = {{"b1", "b2"}, {"m1", "m2"}, {"e1", "e2"}};
        for (int level = 0; level < 3; ++level) {
            QVERIFY(writeBytes(TreesView::localList(level),
                               listOf(QStringLiteral("Level %1").arg(level), levels[level])));
            for (const QString& name : levels[level])
                makeMaterial(QStringLiteral("workspace"), name);
        }
    }
    void cleanup() { work.reset(); }

    void threeLevelTabsWithTheirLists()
    {
        TreesView view;
        QCOMPARE(view.count(), 3);
        const QStringList texts{"初级", "中级", "高级"};
        const QStringList names{"basic", "advanced", "expert"};
        for (int level = 0; level < 3; ++level) {
            QCOMPARE(view.tabText(level), texts[level]);
            MatTree* tree = view.tree(level);
            QCOMPARE(view.widget(level), tree);
            QCOMPARE(tree->objectName(), names[level]);
            QCOMPARE(tree->listFileName(), TreesView::localList(level));
            QCOMPARE(tree->topLevelItem(0)->text(0), QStringLiteral("Level %1").arg(level));
            QCOMPARE(tree->topLevelItem(0)->childCount(), 2);
        }
        QCOMPARE(view.currentIndex(), 0);
        QVERIFY(!view.isOnline());
    }

    void freshFolderWithoutLists()
    {
        for (int level = 0; level < 3; ++level)
            QVERIFY(QFile::remove(TreesView::localList(level)));
        ModalDriver driver;
        driver.answerNext(&ModalDriver::accept);
        TreesView view;
        QTest::qWait(50);
        QVERIFY(!driver.shown());  // no error boxes on a first start
        driver.disarm();
        QCOMPARE(view.tree(0)->topLevelItemCount(), 0);
        const QString outside = makeMaterial(work->path("outside"), QStringLiteral("first"));
        view.tree(0)->importFiles({outside});
        QVERIFY(readBytes("basicList.xml").contains("<case url=\"first_0.mp3\">"));
        QVERIFY(!QFile::exists("advancedList.xml"));
    }

    void stateCellFitsInTheView()
    {
        // The export pointer lives in column 2: it has to be inside the view, which has no
        // horizontal scroll bar.
        TreesView view;
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        MatTree* tree = view.tree(0);
        QCOMPARE(tree->horizontalScrollBarPolicy(), Qt::ScrollBarAlwaysOff);
        const int right =
            tree->header()->sectionViewportPosition(2) + tree->header()->sectionSize(2);
        QVERIFY2(right <= tree->viewport()->width(),
                 qPrintable(QStringLiteral("%1 > %2").arg(right).arg(tree->viewport()->width())));
        QVERIFY(tree->header()->sectionSize(2) >= 40);
    }

    void lastMaterialIsPreselected()
    {
        {
            QSettings profile(QStringLiteral("profile.ini"), QSettings::IniFormat);
            profile.setValue(QStringLiteral("MaterialName"), QStringLiteral("./workspace/m2.mp3"));
        }
        TreesView view;
        QCOMPARE(view.tree(1)->selectedItems().size(), 1);
        QCOMPARE(view.tree(1)->selectedItems().first()->text(3), QStringLiteral("m2.mp3"));
        QVERIFY(view.tree(0)->selectedItems().isEmpty());
    }

    void relaysChoiceAndExport()
    {
        TreesView view;
        view.resize(294, 400);
        view.show();
        QVERIFY(QTest::qWaitForWindowExposed(&view));
        view.tree(2)->selectMaterial(QStringLiteral("./workspace/e1.mp3"));
        QSignalSpy switched(&view, &TreesView::switchSig);
        QSignalSpy exported(&view, &TreesView::exportSig);
        MatTree* basic = view.tree(0);
        QTreeWidgetItem* b2 = find(basic, "b2");
        QTest::mouseClick(basic->viewport(), Qt::LeftButton, {}, cellCentre(basic, b2, 0));
        QCOMPARE(switched.size(), 1);
        QCOMPARE(switched.first().first().toString(), QStringLiteral("./workspace/b2.mp3"));
        QVERIFY(view.tree(2)->selectedItems().isEmpty());  // other tabs let go of their choice
        QVERIFY(b2->isSelected());
        Q_EMIT basic->exportSig(QStringLiteral("./workspace/b2.mp3"));
        QCOMPARE(exported.size(), 1);
        QCOMPARE(exported.first().first().toString(), QStringLiteral("./workspace/b2.mp3"));
    }

    void importGoesToTheCurrentTab()
    {
        TreesView view;
        view.setCurrentIndex(1);
        const QString outside = makeMaterial(work->path("outside"), QStringLiteral("new"));
        ModalDriver driver;
        driver.answerNext([outside](QWidget* modal) {
            auto* dialog = qobject_cast<QFileDialog*>(modal);
            QVERIFY(dialog);
            ModalDriver::pickFile(dialog, QFileInfo(outside).absoluteFilePath());
        });
        view.on_actionImport_triggered();
        QVERIFY(driver.shown());
        QVERIFY(find(view.tree(1), "new_0"));
        QVERIFY(!find(view.tree(0), "new_0"));
        QVERIFY(readBytes("advancedList.xml").contains("new_0.mp3"));
        QVERIFY(!readBytes("basicList.xml").contains("new_0.mp3"));
    }

    void finishedDownloadsJoinTheLocalList()
    {
        TreesView view;
        makeMaterial(QStringLiteral("respool"), QStringLiteral("got"));
        QSignalSpy shown(&view, &TreesView::showNumSig);
        view.doResLoaded(2, QStringLiteral("./respool/got.lrc"));  // the script alone adds nothing
        QVERIFY(!find(view.tree(2), "下载的材料"));
        view.doResLoaded(2, QStringLiteral("./respool/got.mp3"));
        QTreeWidgetItem* group = find(view.tree(2), "下载的材料");
        QVERIFY(group);
        QCOMPARE(group->child(0)->text(3), QStringLiteral("got_0.mp3"));
        QVERIFY(QFileInfo::exists("workspace/got_0.lrc"));
        QVERIFY(readBytes("expertList.xml").contains("got_0.mp3"));
        QCOMPARE(shown.size(), 0);  // offline nothing waits
    }

    void offlineReloadsLocalLists()
    {
        TreesView view;
        QCOMPARE(view.tree(0)->topLevelItem(0)->text(0), QStringLiteral("Level 0"));
        QVERIFY(writeBytes("basicList.xml", listOf(QStringLiteral("Changed"), {"b1"})));
        view.on_actionOnline_toggled(false);
        QVERIFY(!view.isOnline());
        QCOMPARE(view.tree(0)->topLevelItem(0)->text(0), QStringLiteral("Changed"));

        TabsCtrl strip;
        auto* online = strip.findChild<QAbstractButton*>(QStringLiteral("btnOnline"));
        QVERIFY(online);
        QVERIFY(online->isCheckable());
        QVERIFY(online->isEnabled());
    }

    void stripButtonsAndBadge()
    {
        TabsCtrl strip;
        strip.show();
        QVERIFY(QTest::qWaitForWindowExposed(&strip));
        QSignalSpy imports(&strip, &TabsCtrl::sigImport);
        QSignalSpy online(&strip, &TabsCtrl::sigOnline);
        auto* import = strip.findChild<QAbstractButton*>(QStringLiteral("btnImport"));
        QVERIFY(import);
        QVERIFY(!import->isCheckable());
        import->click();
        QCOMPARE(imports.size(), 1);

        auto* badge = strip.findChild<WeiboNote*>(QStringLiteral("noteLabel"));
        QVERIFY(badge);
        QVERIFY(badge->isHidden());
        QVERIFY(badge->testAttribute(Qt::WA_TransparentForMouseEvents));
        TreesView view;
        connect(&view, &TreesView::showNumSig, &strip, &TabsCtrl::doShowNum);
        for (int i = 0; i < 3; ++i)
            Q_EMIT view.showNumSig(1);
        QCOMPARE(strip.shownCount(), 3);
        QVERIFY(badge->isVisible());
        Q_EMIT view.showNumSig(-1);
        QCOMPARE(strip.shownCount(), 2);
        strip.on_btnOnline_toggled(false);  // going offline adds what waited: the badge goes
        QCOMPARE(strip.shownCount(), 0);
        QVERIFY(badge->isHidden());
        QCOMPARE(online.size(), 1);
        QCOMPARE(online.first().first().toBool(), false);
    }

    void dialogsAnswer()
    {
        DelConfirm del(nullptr);
        QVERIFY(!del.keepFile());  // the box starts checked: the files go with the row
        del.findChild<QCheckBox*>(QStringLiteral("chkKeepFile"))->setChecked(false);
        QVERIFY(del.keepFile());

        RenameDlg rename(nullptr);
        rename.findChild<QLineEdit*>(QStringLiteral("lineEdit"))->setText(QStringLiteral("新"));
        QCOMPARE(rename.text(), QStringLiteral("新"));
        rename.show();
        rename.findChild<QAbstractButton*>(QStringLiteral("btnCancel"))->click();
        QCOMPARE(rename.result(), int(QDialog::Rejected));
        QVERIFY(!rename.isVisible());
        rename.show();
        rename.findChild<QAbstractButton*>(QStringLiteral("btnConfirm"))->click();
        QCOMPARE(rename.result(), int(QDialog::Accepted));
    }
};

QTEST_MAIN(LibraryViewTest)
#include "tst_libraryview.moc"
