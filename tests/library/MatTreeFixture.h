#pragma once
// MatTreeFixture: a material tree in a shown window over a fresh working directory with two
// materials (fox, lion) listed in "basicList.xml", and helpers to press, move and find rows.
// The signals the tree emits are recorded in `events` in emission order.
#include "LibraryFixture.h"
#include "MatTree.h"
#include "TestSupport.h"

#include <QAbstractButton>
#include <QApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QTest>

namespace libfixture {

inline const QByteArray basicList = listHeader + "<parlino version=\"1.0\">\n"
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
inline void click(QWidget* dialog, const char* name)
{
    auto* button = dialog->findChild<QAbstractButton*>(QString::fromLatin1(name));
    QVERIFY2(button, name);
    button->click();
}

class MatTreeFixture : public QObject {
protected:
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
    // Press and release sent straight to the viewport, with no event processing between the
    // hover and the click, so a stray leave event from another window cannot come between.
    void press(QTreeWidgetItem* item, int column, Qt::MouseButton button = Qt::LeftButton)
    {
        const QPoint pos = cellCentre(item, column);
        const QPoint global = tree->viewport()->mapToGlobal(pos);
        QMouseEvent down(QEvent::MouseButtonPress, pos, global, button, button, Qt::NoModifier);
        QApplication::sendEvent(tree->viewport(), &down);
        QMouseEvent up(QEvent::MouseButtonRelease, pos, global, button, Qt::NoButton,
                       Qt::NoModifier);
        QApplication::sendEvent(tree->viewport(), &up);
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

    void setUpTree()
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
        ECHORA_CHECKED(loadBasic());
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

    void tearDownTree()
    {
        window.reset();
        work.reset();
    }
};

}  // namespace libfixture
