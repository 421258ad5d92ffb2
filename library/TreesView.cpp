#include "TreesView.h"

#include <QTreeWidget>

TreesView::TreesView(QWidget* parent) : QTabWidget(parent)
{
    basic = new QTreeWidget;
    advanced = new QTreeWidget;
    expert = new QTreeWidget;
    const QString names[] = {QStringLiteral("basic"), QStringLiteral("advanced"),
                             QStringLiteral("expert")};
    const QString texts[] = {QStringLiteral("初级"), QStringLiteral("中级"),
                             QStringLiteral("高级")};
    QTreeWidget* trees[] = {basic, advanced, expert};
    for (int i = 0; i < 3; ++i) {
        trees[i]->setObjectName(names[i]);
        trees[i]->setHeaderHidden(true);
        addTab(trees[i], texts[i]);
    }
    setFixedWidth(294);
    setMinimumHeight(300);
    setCurrentIndex(0);
}

void TreesView::on_actionOnline_toggled(bool) {}

void TreesView::on_actionImport_triggered() {}
