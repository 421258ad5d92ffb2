#include "TabsCtrl.h"

#include <QGridLayout>
#include <QPushButton>

TabsCtrl::TabsCtrl(QWidget* parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("TabsCtrl"));
    setMinimumHeight(50);
    auto* layout = new QGridLayout(this);
    layout->setObjectName(QStringLiteral("ctrlLO"));
    btnImport = new QPushButton(QStringLiteral("导入"), this);
    btnImport->setObjectName(QStringLiteral("btnImport"));
    btnOnline = new QPushButton(QStringLiteral("在线列表"), this);
    btnOnline->setObjectName(QStringLiteral("btnOnline"));
    btnOnline->setCheckable(true);
    btnOnline->setEnabled(false);
    layout->addWidget(btnImport, 0, 0);
    layout->addWidget(btnOnline, 0, 1);
    connect(btnImport, &QPushButton::clicked, this, &TabsCtrl::sigImport);
    connect(btnOnline, &QPushButton::toggled, this, &TabsCtrl::sigOnline);
}

void TabsCtrl::doShowNum(int delta) { count += delta; }
