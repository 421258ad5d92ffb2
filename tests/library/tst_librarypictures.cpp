// Pictures of what the learner sees of the library: the window with the shipped demo lists,
// the export pointer under the mouse, the strip with its badge, and both dialogs. The PNGs
// go to $ECHORA_SHOTS (or "library-shots" beside the test) to be looked at; the test checks
// that each picture has content and that the pointer really changes the state cell.
#include "DelConfirm.h"
#include "LibraryFixture.h"
#include "MatTree.h"
#include "RenameDlg.h"
#include "TabsCtrl.h"
#include "TreesView.h"

#include <QDialog>
#include <QHeaderView>
#include <QImage>
#include <QLabel>
#include <QMouseEvent>
#include <QTest>
#include <QVBoxLayout>

using namespace libfixture;

namespace {
// Number of distinct colours in a region: a blank picture has one or two.
int colours(const QImage& image, const QRect& area)
{
    QSet<QRgb> seen;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            seen.insert(image.pixel(x, y));
    return int(seen.size());
}

// What a dialog shows wrongly in `picture`: a part cut off by the window, parts drawn over each
// other, a part smaller than its content needs, or a part left blank. Empty when all is well.
QString dialogFault(const QDialog& dialog, const QImage& picture)
{
    QString fault;
    QList<QWidget*> parts;
    for (QWidget* part : dialog.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly))
        if (part->isVisible())
            parts << part;
    for (qsizetype i = 0; i < parts.size(); ++i) {
        const QWidget* part = parts[i];
        const QString name = part->objectName();
        if (!dialog.rect().contains(part->geometry()))
            fault += name + QStringLiteral(" is cut off; ");
        if (part->height() < part->sizeHint().height() ||
            part->width() < part->minimumSizeHint().width())
            fault += name + QStringLiteral(" is smaller than its content; ");
        for (qsizetype j = i + 1; j < parts.size(); ++j)
            if (part->geometry().intersects(parts[j]->geometry()))
                fault += name + QStringLiteral(" overlaps ") + parts[j]->objectName() +
                         QStringLiteral("; ");
        if (colours(picture, part->geometry().intersected(picture.rect())) < 4)
            fault += name + QStringLiteral(" is blank; ");
    }
    return fault;
}
}  // namespace

class LibraryPicturesTest : public QObject {
    Q_OBJECT
    QString shots;
    std::unique_ptr<WorkDir> work;

    bool save(const QImage& image, const QString& name)
    {
        return !image.isNull() && image.save(shots + QLatin1Char('/') + name);
    }

private Q_SLOTS:
    void initTestCase()
    {
        shots = qEnvironmentVariable("ECHORA_SHOTS",
                                     QDir::current().filePath(QStringLiteral("library-shots")));
        QVERIFY(QDir().mkpath(shots));
        work = std::make_unique<WorkDir>();
        const QString runtime = QStringLiteral(ECHORA_RUNTIME_DIR);
        for (int level = 0; level < 3; ++level) {
            QFile::remove(TreesView::localList(level));
            QVERIFY(QFile::copy(runtime + QLatin1Char('/') + TreesView::localList(level),
                                TreesView::localList(level)));
        }
    }
    void cleanupTestCase() { work.reset(); }

    void libraryWindowAndExportPointer()
    {
        QWidget window;
        auto* layout = new QVBoxLayout(&window);
        layout->setContentsMargins(0, 0, 0, 0);
        layout->setSpacing(0);
        auto* view = new TreesView(&window);
        auto* strip = new TabsCtrl(&window);
        layout->addWidget(view, 1);
        layout->addWidget(strip);
        window.resize(294, 420);
        window.show();
        QVERIFY(QTest::qWaitForWindowExposed(&window));
        view->setCurrentIndex(1);
        MatTree* tree = view->tree(1);
        QTreeWidgetItem* group = tree->topLevelItem(0);
        QVERIFY(group && group->childCount() >= 2);
        QTreeWidgetItem* chosen = group->child(0);
        QTreeWidgetItem* hovered = group->child(1);
        QTest::mouseClick(tree->viewport(), Qt::LeftButton, {},
                          tree->visualItemRect(chosen).center());
        strip->doShowNum(3);
        QTRY_COMPARE(tree->currentItem(), chosen);
        const QImage plain = window.grab().toImage();
        QVERIFY(save(plain, QStringLiteral("library.png")));
        QVERIFY(colours(plain, plain.rect()) > 20);

        const QPoint cell(tree->header()->sectionViewportPosition(2) +
                              tree->header()->sectionSize(2) / 2,
                          tree->visualItemRect(hovered).center().y());
        // Sent straight to the tree: other tests' windows on the same display may take the
        // real pointer. Grabbed at once, before a stray leave event can restore the cell.
        QMouseEvent move(QEvent::MouseMove, cell, tree->viewport()->mapToGlobal(cell), Qt::NoButton,
                         Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(tree->viewport(), &move);
        QVERIFY(hovered->text(2).isEmpty());
        const QImage pointer = window.grab().toImage();
        QVERIFY(save(pointer, QStringLiteral("library-export-pointer.png")));

        // The state cell of the hovered row looks different; the rest of the tree does not.
        QRect cellRect = tree->visualItemRect(hovered);
        cellRect.setLeft(tree->header()->sectionViewportPosition(2));
        cellRect.setWidth(tree->header()->sectionSize(2));
        cellRect.translate(tree->viewport()->mapTo(&window, QPoint(0, 0)));
        cellRect = cellRect.intersected(plain.rect());
        QVERIFY(!cellRect.isEmpty());
        QVERIFY(plain.copy(cellRect) != pointer.copy(cellRect));
        QRect titleRect = tree->visualItemRect(chosen);
        titleRect.setWidth(tree->header()->sectionSize(0));
        titleRect.translate(tree->viewport()->mapTo(&window, QPoint(0, 0)));
        QCOMPARE(plain.copy(titleRect), pointer.copy(titleRect));
    }

    void dialogs()
    {
        DelConfirm del(nullptr);
        del.setText(QStringLiteral("材料名:狐狸和葡萄 The Fox and the Grapes\n\n"
                                   "文件名:fox_and_grapes.mp3\n"));
        del.show();
        QVERIFY(QTest::qWaitForWindowExposed(&del));
        const QImage delImage = del.grab().toImage();
        QVERIFY(save(delImage, QStringLiteral("delconfirm.png")));
        // The prompt, the file choice and both buttons, each whole and apart from the others.
        QCOMPARE(del.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly).size(), 4);
        const QString delFault = dialogFault(del, delImage);
        QVERIFY2(delFault.isEmpty(), qPrintable(delFault));

        RenameDlg rename(nullptr);
        rename.setPrompt(QStringLiteral("原名称:狐狸和葡萄\n\n重命名为:"));
        rename.show();
        QVERIFY(QTest::qWaitForWindowExposed(&rename));
        const QImage renameImage = rename.grab().toImage();
        QVERIFY(save(renameImage, QStringLiteral("renamedlg.png")));
        QCOMPARE(rename.findChildren<QWidget*>(QString(), Qt::FindDirectChildrenOnly).size(), 4);
        const QString renameFault = dialogFault(rename, renameImage);
        QVERIFY2(renameFault.isEmpty(), qPrintable(renameFault));
    }
};

QTEST_MAIN(LibraryPicturesTest)
#include "tst_librarypictures.moc"
