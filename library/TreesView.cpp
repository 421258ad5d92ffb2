#include "TreesView.h"

#include "ChromeTabs.h"
#include "LibraryRow.h"
#include "MatTree.h"
#include "Picture.h"
#include "Workspace.h"

#include <QAction>
#include <QHeaderView>
#include <QSettings>

namespace {
const char* const styleSheetText =
    "QTreeView::branch {image:none;}"
    "QTreeView::item:hover {background: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, stop: 0 "
    "#e7effd, stop: 1 #cbdaf1);}"
    "QTreeView::item:selected:active {background: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, "
    "stop: 0 #6ea1f1, stop: 1 #567dbc);}"
    "QTreeView::item:selected:!active {background: qlineargradient(x1: 0, y1: 0, x2: 0, y2: 1, "
    "stop: 0 #6b9be8, stop: 1 #577fbf);}"
    "QScrollBar:vertical {border: 0px;background: #cde;width: 15px;margin: 16px 0 16px 0;}"
    "QScrollBar::handle:vertical {border: 1px solid #cac;background: #edc;min-height: 20px;}"
    "QScrollBar::add-line:vertical {border: 0px;background: #cde;height: 15px;"
    "subcontrol-position: bottom;subcontrol-origin: margin;}"
    "QScrollBar::sub-line:vertical {border: 0px;background: #cde;height: 15px;"
    "subcontrol-position: top;subcontrol-origin: margin;}"
    "QScrollBar::up-arrow:vertical, QScrollBar::down-arrow:vertical {border: 2px solid "
    "#ffffff;width: 3px;height: 3px;background: #ffffff;}"
    "QScrollBar::add-page:vertical, QScrollBar::sub-page:vertical {background: none;}";

// Column widths: title, spacer, state cell. The three columns fit within the view beside the
// vertical scroll bar, so the state cell with the export pointer stays in sight.
constexpr int titleWidth = 185;
constexpr int spacerWidth = 33;
constexpr int stateWidth = 54;
}  // namespace

TreesView::TreesView(QWidget* parent, Lists lists) : QTabWidget(parent)
{
    auto* bar = new ChromeTabs(this);
    setTabBar(bar);

    basic = new MatTree;
    advanced = new MatTree;
    expert = new MatTree;
    const QString names[] = {QStringLiteral("basic"), QStringLiteral("advanced"),
                             QStringLiteral("expert")};
    const QString texts[] = {QStringLiteral("初级"), QStringLiteral("中级"),
                             QStringLiteral("高级")};
    MatTree* trees[] = {basic, advanced, expert};
    for (int i = 0; i < 3; ++i) {
        MatTree* tree = trees[i];
        tree->setObjectName(names[i]);
        tree->setMouseTracking(true);
        tree->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
        tree->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        tree->setDropIndicatorShown(false);
        tree->setHeaderHidden(true);
        tree->setColumnCount(LibraryRow::kShownColumns);
        tree->setHeaderLabels({QStringLiteral("1"), QStringLiteral("2"), QStringLiteral("3")});
        addTab(tree, QString());
        setTabText(i, texts[i]);
        connect(tree, &MatTree::exportSig, this, &TreesView::pas_ExportSig);
        connect(tree, &MatTree::switchSig, this, &TreesView::pas_SwitchSig);
        connect(tree, &MatTree::loadresSig, this, &TreesView::pas_LoadresSig);
        connect(tree, &MatTree::resetSig, this, &TreesView::pas_ResetSig);
    }
    actionOnline = new QAction(QStringLiteral("在线列表"), this);
    actionOnline->setCheckable(true);
    actionImport = new QAction(QStringLiteral("导入"), this);
    connect(actionOnline, &QAction::toggled, this, &TreesView::on_actionOnline_toggled);
    connect(actionImport, &QAction::triggered, this, &TreesView::on_actionImport_triggered);

    resize(294, 300);
    setMinimumSize(294, 300);
    setMaximumWidth(294);
    setTabPosition(QTabWidget::North);
    setUsesScrollButtons(false);
    setCurrentIndex(0);
    setStyleSheet(QString::fromUtf8(styleSheetText));

    bar->setTabImages(Picture::pixmap(QStringLiteral(":/images/bg-tab-mat.png")));
    const char* const tabImages[] = {":/images/bg-tab-mat0.png", ":/images/bg-tab-mat1.png",
                                     ":/images/bg-tab-mat2.png"};
    for (int i = 0; i < 3; ++i)
        bar->setTabImages(i, Picture::pixmap(QString::fromLatin1(tabImages[i])));
    bar->setTabMargins(QMargins(0, 0, 0, 0));
    bar->setOuterMargins(QMargins(0, -5, 0, -5));
    bar->setFirstTabIndent(QPoint(-2, 0));

    setOpenMaterialQuery([this] { return relayedPath; });
    setupOnline();
    if (lists == Lists::Load)
        loadLists();
}

void TreesView::setOpenMaterialQuery(std::function<QString()> query)
{
    for (MatTree* tree : {basic, advanced, expert})
        tree->setOpenMaterialQuery(query);
}

void TreesView::loadLists()
{
    if (listsRead)
        return;
    listsRead = true;
    loadLocalLists();
    const QString last = QSettings(QStringLiteral("profile.ini"), QSettings::IniFormat)
                             .value(QStringLiteral("MaterialName"))
                             .toString();
    relayedPath = last;
    for (MatTree* tree : {basic, advanced, expert})
        tree->selectMaterial(last);
}

TreesView::~TreesView()
{
    // Downloads that finished while online still go into the local lists. The window that
    // listens may be going away too, so nothing is reported any more.
    blockSignals(true);
    if (online)
        on_actionOnline_toggled(false);
}

MatTree* TreesView::tree(int level) const
{
    switch (level) {
    case 0:
        return basic;
    case 1:
        return advanced;
    case 2:
        return expert;
    default:
        return nullptr;
    }
}

QString TreesView::localList(int level)
{
    static const char* const files[] = {"basicList.xml", "advancedList.xml", "expertList.xml"};
    return level >= 0 && level < 3 ? QString::fromLatin1(files[level]) : QString();
}

void TreesView::loadLocalLists()
{
    for (int level = 0; level < 3; ++level) {
        MatTree* t = tree(level);
        t->loadList(localList(level), false);
        t->setColumnWidth(LibraryRow::Title, titleWidth);
        t->setColumnWidth(LibraryRow::Spacer, spacerWidth);
        t->setColumnWidth(LibraryRow::State, stateWidth);
    }
}

void TreesView::pas_SwitchSig(QString path)
{
    relayedPath = path;
    Q_EMIT switchSig(path);
    for (int level = 0; level < 3; ++level) {
        if (level != currentIndex())
            tree(level)->deselectAll();
    }
}

void TreesView::pas_ExportSig(QString path) { Q_EMIT exportSig(path); }

void TreesView::pas_ResetSig(QString fileName)
{
    QStringList& pending = pendingDownloads[currentIndex()];
    if (pending.removeOne(Workspace::cacheFolder() + fileName))
        Q_EMIT showNumSig(-1);
}

void TreesView::on_actionImport_triggered()
{
    if (auto* t = qobject_cast<MatTree*>(currentWidget()))
        t->actImport();
}
