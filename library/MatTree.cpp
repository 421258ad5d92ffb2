#include "MatTree.h"
#include "NoFocusRectangleStyle.h"

#include "LibraryRow.h"
#include "Picture.h"
#include "TrainsWriter.h"
#include "Workspace.h"
#include "XmlHandler.h"

#include <QAction>
#include <QBuffer>
#include <QContextMenuEvent>
#include <QDateTime>
#include <QFile>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QToolTip>

namespace {
using LibraryRow::stateCached;
using LibraryRow::stateExport;
using LibraryRow::stateFetch;
using LibraryRow::stateFetching;

// The export pointer; drawn when the picture is not among the compiled-in images.
QIcon makeExportIcon()
{
    QPixmap picture = Picture::pixmap(QStringLiteral(":/images/bg-export-pointer.png"));
    if (picture.isNull()) {
        picture = QPixmap(40, 16);
        picture.fill(Qt::transparent);
        QPainter painter(&picture);
        painter.setRenderHint(QPainter::Antialiasing);
        QPainterPath arrow;
        arrow.moveTo(4, 5);
        arrow.lineTo(22, 5);
        arrow.lineTo(22, 1);
        arrow.lineTo(34, 8);
        arrow.lineTo(22, 15);
        arrow.lineTo(22, 11);
        arrow.lineTo(4, 11);
        arrow.closeSubpath();
        painter.fillPath(arrow, QColor(0x2f, 0x7c, 0xd8));
    }
    QIcon icon;
    icon.addPixmap(picture, QIcon::Normal, QIcon::Off);
    return icon;
}

using LibraryRow::isCase;
}  // namespace

MatTree::MatTree(QWidget* parent) : QTreeWidget(parent)
{
    // No focus frames: the rows' own colours show what is current.
    auto* style = new NoFocusRectangleStyle;
    style->setParent(this);
    setStyle(style);
    setFont(QFont(QStringLiteral("宋体"), 9));
    exportIcon = makeExportIcon();

    importAct = new QAction(QStringLiteral("导入…"), this);
    removeAct = new QAction(QStringLiteral("移除…"), this);
    renameAct = new QAction(QStringLiteral("重命名"), this);
    reloadAct = new QAction(QStringLiteral("重新下载"), this);
    resetAct = new QAction(QStringLiteral("删除缓存"), this);
    localMenu = new QMenu(this);
    localMenu->addAction(importAct);
    localMenu->addAction(removeAct);
    localMenu->addAction(renameAct);
    onlineMenu = new QMenu(this);
    onlineMenu->addAction(reloadAct);
    onlineMenu->addAction(resetAct);
    connect(importAct, &QAction::triggered, this, &MatTree::actImport);
    connect(removeAct, &QAction::triggered, this, &MatTree::actRemove);
    connect(renameAct, &QAction::triggered, this, &MatTree::actRename);
    connect(reloadAct, &QAction::triggered, this, &MatTree::actReload);
    connect(resetAct, &QAction::triggered, this, &MatTree::actReset);
}

QWidget* MatTree::dialogOwner() const { return boxOwner ? boxOwner : parentWidget(); }

void MatTree::loadList(const QString& fileName, bool online)
{
    clear();
    contextItem = nullptr;
    hoverItem = nullptr;
    onlineList = online;
    if (!online)
        listFile = fileName;
    const bool complete = XmlHandler::readFile(this, fileName, online);
    if (!online)
        listDamaged = !complete;
}

bool MatTree::saveList(const QString& fileName)
{
    // The export pointer empties the state cell while it shows; the file never keeps cells.
    return TrainsWriter::saveTree(this, fileName);
}

bool MatTree::saveLocal()
{
    // The online rows never go into the local list file.
    if (listFile.isEmpty() || onlineList)
        return true;
    return keepDamagedList() && saveList(listFile);
}

bool MatTree::keepDamagedList()
{
    if (!listDamaged)
        return true;
    if (!QFileInfo::exists(listFile)) {
        listDamaged = false;
        return true;
    }
    const QString stem = listFile + QStringLiteral(".damaged-") +
                         QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString kept = stem;
    for (int n = 1; QFileInfo::exists(kept); ++n)
        kept = stem + QLatin1Char('-') + QString::number(n);
    if (!QFile::copy(listFile, kept))
        return false;
    listDamaged = false;
    QMessageBox::information(
        dialogOwner(), QStringLiteral("列表文件有错误"),
        QStringLiteral(
            "列表文件%1没能完整读取。\n\n原来的文件已保存为\n%2\n\n列表将按现在显示的内容保存。")
            .arg(listFile, QFileInfo(kept).absoluteFilePath()));
    return true;
}

QByteArray MatTree::snapshot() const
{
    QByteArray bytes;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::WriteOnly);
    TrainsWriter::write(TrainsWriter::document(this), &buffer);
    return bytes;
}

void MatTree::restoreRows(const QByteArray& rows)
{
    QStringList selected;
    for (const QTreeWidgetItem* row : selectedItems())
        selected << Workspace::materialPath(row->text(LibraryRow::File));
    clear();
    contextItem = nullptr;
    hoverItem = nullptr;
    QByteArray bytes = rows;
    QBuffer buffer(&bytes);
    buffer.open(QIODevice::ReadOnly);
    XmlHandler::readDevice(this, &buffer, onlineList);
    for (const QString& path : selected)
        selectMaterial(path);
}

bool MatTree::commitChange(const QByteArray& before)
{
    if (saveLocal())
        return true;
    restoreRows(before);
    QMessageBox::information(dialogOwner(), QStringLiteral("保存失败"),
                             QStringLiteral("无法写入列表文件%1，刚才的更改已撤销。")
                                 .arg(QFileInfo(listFile).absoluteFilePath()));
    return false;
}

void MatTree::setOpenMaterialQuery(std::function<QString()> query)
{
    openMaterialQuery = std::move(query);
}

void MatTree::emitSwitch(const QString& path)
{
    switchedPath = path;
    Q_EMIT switchSig(path);
}

bool MatTree::isOpenMaterial(const QString& path) const
{
    const QString open = openMaterialQuery ? openMaterialQuery() : switchedPath;
    if (open.isEmpty())
        return false;
    return QFileInfo(open).absoluteFilePath() == QFileInfo(path).absoluteFilePath();
}

void MatTree::setOnline(bool online) { onlineList = online; }

// ---- mouse ----

void MatTree::mousePressEvent(QMouseEvent* event)
{
    const QList<QTreeWidgetItem*> before = selectedItems();
    const QPoint pos = event->position().toPoint();
    QTreeWidgetItem* row = itemAt(pos);
    if (!row)
        return;
    QTreeWidget::mousePressEvent(event);
    const int column = columnAt(pos.x());
    if (event->buttons() == Qt::LeftButton) {
        if (isCase(row)) {
            const bool pointerShown =
                column == LibraryRow::State && row->text(LibraryRow::State).isEmpty();
            if (column >= LibraryRow::Title && column <= LibraryRow::State)
                on_actionChoose(row);
            if (pointerShown)
                on_actionExport(row);
            return;
        }
    } else if (event->buttons() == Qt::RightButton) {
        contextItem = row;
    } else if (row->childCount() == 0) {
        return;
    }
    // Groups and separators never stay selected: the open material keeps its highlight.
    row->setSelected(false);
    for (QTreeWidgetItem* kept : before)
        kept->setSelected(true);
}

void MatTree::restoreHover()
{
    if (hoverItem && hoverItem->childCount() == 0 && isCase(hoverItem) &&
        hoverItem->text(LibraryRow::State).isEmpty()) {
        hoverItem->setIcon(LibraryRow::State, QIcon());
        hoverItem->setText(LibraryRow::State, stateExport);
    }
}

void MatTree::mouseMoveEvent(QMouseEvent* event)
{
    QTreeWidget::mouseMoveEvent(event);
    const QPoint pos = event->position().toPoint();
    QTreeWidgetItem* row = itemAt(pos);
    const int column = columnAt(pos.x());
    if (row != hoverItem || column != LibraryRow::State)
        restoreHover();
    if (column == LibraryRow::State && row && row->childCount() == 0 && isCase(row) &&
        row->text(LibraryRow::State) == stateExport) {
        row->setIcon(LibraryRow::State, exportIcon);
        row->setText(LibraryRow::State, QString());
    }
    hoverItem = row;
}

void MatTree::leaveEvent(QEvent* event)
{
    restoreHover();
    hoverItem = nullptr;
    QTreeWidget::leaveEvent(event);
}

void MatTree::contextMenuEvent(QContextMenuEvent* event)
{
    QTreeWidgetItem* row = itemAt(event->pos());
    if (!row)
        return;
    contextItem = row;
    if (!onlineList) {
        removeAct->setEnabled(row->childCount() == 0);
        localMenu->exec(event->globalPos());
    } else {
        reloadAct->setEnabled(row->text(LibraryRow::State) == stateCached);
        onlineMenu->exec(event->globalPos());
    }
}

bool MatTree::viewportEvent(QEvent* event)
{
    // Titles are often longer than their column: the tip shows the whole title.
    if (event->type() == QEvent::ToolTip) {
        auto* help = static_cast<QHelpEvent*>(event);
        QTreeWidgetItem* row = itemAt(help->pos());
        if (row && columnAt(help->pos().x()) == LibraryRow::Title &&
            !row->text(LibraryRow::Title).isEmpty()) {
            QToolTip::showText(help->globalPos(), row->text(LibraryRow::Title), viewport());
            return true;
        }
    }
    return QTreeWidget::viewportEvent(event);
}

// ---- choose and export ----

void MatTree::on_actionChoose(QTreeWidgetItem* row)
{
    // An online material that cannot be downloaded is shown disabled and does nothing.
    if (!row || !(row->flags() & Qt::ItemIsEnabled))
        return;
    if (row->text(LibraryRow::State) == stateFetch) {
        row->setText(LibraryRow::State, stateFetching);
        Q_EMIT loadresSig(row->text(LibraryRow::File));
        downloadTitles.insert(Workspace::fileNamePart(row->text(LibraryRow::File)),
                              row->text(LibraryRow::Title));
        return;
    }
    emitSwitch(Workspace::materialPath(row->text(LibraryRow::File)));
}

void MatTree::on_actionExport(QTreeWidgetItem* row)
{
    if (row)
        Q_EMIT exportSig(Workspace::materialPath(row->text(LibraryRow::File)));
}

// ---- selection ----

void MatTree::selectMaterial(const QString& path)
{
    const QString fileName = QFileInfo(path).fileName();
    if (fileName.isEmpty())
        return;
    for (QTreeWidgetItemIterator it(this); *it; ++it) {
        QTreeWidgetItem* row = *it;
        if (row->childCount() == 0 && isCase(row) &&
            Workspace::fileNamePart(row->text(LibraryRow::File)) == fileName) {
            row->setSelected(true);
            scrollToItem(row);
            return;
        }
    }
}

void MatTree::deselectAll()
{
    const QList<QTreeWidgetItem*> rows = selectedItems();
    for (QTreeWidgetItem* row : rows)
        row->setSelected(false);
}
