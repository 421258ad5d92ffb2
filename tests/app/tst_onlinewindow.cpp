// The online library in the real main window with the catalogue installed with the trainer:
// the online button fetches the list through its file:// default, a row is downloaded, the
// badge counts it, going offline adds it to the local list, and the downloaded material opens
// and plays. Screenshots of each step are saved beside the test.
#include "Dialog.h"
#include "Echora.h"
#include "MatTree.h"
#include "MediaEngine.h"
#include "OctImgBtn.h"
#include "TabsCtrl.h"
#include "TestSupport.h"
#include "TreesView.h"

#include <QAudioDevice>
#include <QCoreApplication>
#include <QDir>
#include <QHeaderView>
#include <QLabel>
#include <QMediaDevices>
#include <QSignalSpy>
#include <QUrl>
#include <QtTest>
#include <memory>

namespace {
const QString tortoise = QStringLiteral("龟兔赛跑 The Tortoise and the Hare");

QTreeWidgetItem* findRow(QTreeWidget* tree, const QString& title)
{
    const auto found = tree->findItems(title, Qt::MatchExactly | Qt::MatchRecursive, 0);
    return found.isEmpty() ? nullptr : found.first();
}

void clickRow(QTreeWidget* tree, QTreeWidgetItem* row)
{
    tree->scrollToItem(row);
    const QRect rect = tree->visualItemRect(row);
    const QPoint pos(tree->header()->sectionViewportPosition(0) + 20, rect.center().y());
    QTest::mouseClick(tree->viewport(), Qt::LeftButton, Qt::NoModifier, pos);
}
}  // namespace

class TestOnlineWindow : public QObject {
    Q_OBJECT
    std::unique_ptr<testsupport::RuntimeFolder> root;
    QString shots;

    void shoot(QWidget* w, const char* name)
    {
        QVERIFY(w->grab().save(shots + QLatin1Char('/') + QLatin1String(name)));
    }

private Q_SLOTS:
    void initTestCase()
    {
        shots = testsupport::screenshotDir();
        root = std::make_unique<testsupport::RuntimeFolder>(
            testsupport::RuntimeFolder::Contents::Shipped);
        QVERIFY(root->isValid());
        QVERIFY(QFile::exists(QStringLiteral("catalogue/inter/imitate.php")));
    }

    void cleanupTestCase() { root.reset(); }

    void listServerOption()
    {
        const QString exe = QStringLiteral("echora");
        QCOMPARE(Dialog::listServerOption(
                     {exe, QStringLiteral("-platform"), QStringLiteral("offscreen"),
                      QStringLiteral("--list-server"), QStringLiteral("http://teacher:8000")}),
                 QStringLiteral("http://teacher:8000"));
        QCOMPARE(Dialog::listServerOption({exe, QStringLiteral("--list-server=http://a.example")}),
                 QStringLiteral("http://a.example"));
        QCOMPARE(Dialog::listServerOption({exe}), QString());
    }

    void downloadFromInstalledCatalogue()
    {
        if (QMediaDevices::defaultAudioOutput().isNull())
            QSKIP("no sound server: run through the test script");
        Dialog dialog;
        dialog.show();
        QVERIFY(QTest::qWaitForWindowExposed(&dialog));
        const DialogForm& ui = dialog.form();
        TreesView* library = ui.tabWidget;
        library->setCurrentIndex(0);
        MatTree* basic = library->tree(0);
        auto* online = ui.botCtrl->findChild<OctImgBtn*>(QStringLiteral("btnOnline"));
        QVERIFY(online && online->isEnabled());

        // The mask shows while the list is read (this runs after the window's own slot).
        QList<bool> maskShown;
        connect(library, &TreesView::fetchingSig, this,
                [&](bool) { maskShown << !ui.maskLabel->isHidden(); });

        // A list server that is not there: the mask ends, the trees say so, a click retries.
        QSignalSpy fetching(library, &TreesView::fetchingSig);
        library->setListServer(QUrl::fromLocalFile(QDir::current().absoluteFilePath(
                                                       QStringLiteral("no-such-catalogue")))
                                   .toString());
        online->click();
        QVERIFY(online->isChecked());
        QTRY_VERIFY_WITH_TIMEOUT(!fetching.isEmpty() && !fetching.last().first().toBool(), 10000);
        QCOMPARE(maskShown, QList<bool>({true, false}));
        QCOMPARE(basic->topLevelItem(0)->text(0), TreesView::listFailedText());
        shoot(ui.tsWidget, "online-list-failed.png");

        // The installed catalogue: the online rows.
        library->setListServer(QString());
        fetching.clear();
        clickRow(basic, basic->topLevelItem(0));
        QTRY_VERIFY_WITH_TIMEOUT(fetching.size() == 2 && !fetching.last().first().toBool(), 10000);
        QCOMPARE(fetching.first().first().toBool(), true);
        QVERIFY(ui.maskLabel->isHidden());
        QTreeWidgetItem* row = findRow(basic, tortoise);
        QVERIFY(row);
        QCOMPARE(row->text(2), QStringLiteral("点击下载"));
        QVERIFY(findRow(library->tree(1), QStringLiteral("狼来了 The Boy Who Cried Wolf")));
        QVERIFY(findRow(library->tree(2), QStringLiteral("青蛙求王 The Frogs Who Desired a King")));
        shoot(ui.tsWidget, "online-list.png");

        // Download: the row turns "已下载" and the badge counts it.
        clickRow(basic, row);
        QTRY_COMPARE_WITH_TIMEOUT(row->text(2), QStringLiteral("已下载"), 15000);
        QCOMPARE(ui.botCtrl->shownCount(), 1);
        QVERIFY(QFile::exists(QStringLiteral("respool/tortoise_and_hare.mp3")));
        QVERIFY(QFile::exists(QStringLiteral("respool/tortoise_and_hare.lrc")));
        shoot(ui.tsWidget, "online-downloaded.png");

        // Offline: the download joins the local list and the badge goes.
        online->click();
        QVERIFY(!online->isChecked());
        QCOMPARE(ui.botCtrl->shownCount(), 0);
        QTreeWidgetItem* added = findRow(basic, tortoise);
        QVERIFY(added);
        QCOMPARE(added->parent()->text(0), QStringLiteral("下载的材料"));
        QCOMPARE(added->text(3), QStringLiteral("tortoise_and_hare_0.mp3"));
        QVERIFY(QFile(QStringLiteral("basicList.xml")).size() > 0);
        shoot(ui.tsWidget, "offline-with-download.png");

        // The material opens and plays.
        clickRow(basic, added);
        Echora* echora = dialog.controller();
        QCOMPARE(echora->materialName(), QStringLiteral("./workspace/tortoise_and_hare_0.mp3"));
        QCOMPARE(echora->sentences(), 7u);
        QVERIFY(ui.oriPlay->isEnabled());
        ui.oriPlay->click();
        QTRY_VERIFY_WITH_TIMEOUT(
            echora->mediaEngine()->currentTime(echora->materialChannel()) > 0.5, 15000);
        shoot(&dialog, "downloaded-material-playing.png");
        ui.oriPlay->click();
    }
};

QTEST_MAIN(TestOnlineWindow)
#include "tst_onlinewindow.moc"
