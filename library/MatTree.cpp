#include "MatTree.h"
#include "NoFocusRectangleStyle.h"

#include "SentenceFile.h"

#include "DelConfirm.h"
#include "LibraryRow.h"
#include "Picture.h"
#include "RenameDlg.h"
#include "TrainsWriter.h"
#include "Workspace.h"
#include "XmlHandler.h"

#include <QAction>
#include <QBuffer>
#include <QContextMenuEvent>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMenu>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <QQueue>
#include <QSet>
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

bool isCase(const QTreeWidgetItem* row) { return !row->text(LibraryRow::File).isEmpty(); }
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

// ---- import ----

void MatTree::actImport()
{
    const QStringList paths = QFileDialog::getOpenFileNames(
        this, QStringLiteral("选择文件"), QString(), QStringLiteral("MP3 files with lrc (*.mp3)"));
    importFiles(paths);
}

void MatTree::importFiles(const QStringList& paths)
{
    if (paths.isEmpty())
        return;
    if (onlineList) {
        // Imports always belong to this level's local list, also while the online list shows.
        if (listFile.isEmpty())
            return;
        MatTree local;
        local.boxOwner = dialogOwner();
        local.loadList(listFile, false);
        local.importFiles(paths);
        return;
    }
    const QByteArray before = snapshot();
    QStringList copies;
    for (const QString& path : paths)
        copies += importFile(path);
    // Copies that no list names would only fill the workspace.
    if (!commitChange(before)) {
        for (const QString& copy : copies)
            QFile::remove(copy);
    }
}

QStringList MatTree::importFile(const QString& path)
{
    // The script may also be subtitles (.srt, .vtt): the workspace gets them as a ".lrc".
    const QString script = sentenceFileOf(path);
    if (!QFileInfo(path).isFile() || !QFileInfo(script).isFile()) {
        QMessageBox::information(dialogOwner(), QStringLiteral("导入失败"),
                                 QStringLiteral("mp3文件所在的文件夹必须有同名的lrc文件"));
        return {};
    }
    QString name = QFileInfo(path).fileName();
    QStringList copies;
    if (Workspace::inWorkspace(path)) {
        if (script != Workspace::scriptOf(path) &&
            !Workspace::copyScript(script, Workspace::scriptOf(path))) {
            QMessageBox::information(dialogOwner(), QStringLiteral("导入失败"),
                                     QStringLiteral("无法读取句子文件"));
            return {};
        }
    } else {
        name = Workspace::freeName(name);
        // The free name belongs to no file yet, so whatever a failed copy left is removed.
        copies = QStringList{Workspace::folder() + name,
                             Workspace::scriptOf(Workspace::folder() + name)};
        if (!Workspace::copyFile(path, copies[0]) || !Workspace::copyScript(script, copies[1])) {
            for (const QString& copy : copies)
                QFile::remove(copy);
            QMessageBox::information(dialogOwner(), QStringLiteral("导入失败"),
                                     QStringLiteral("无法把%1复制到材料文件夹，这个文件没有导入。")
                                         .arg(QFileInfo(path).fileName()));
            return {};
        }
    }
    addImported(name);
    return copies;
}

QTreeWidgetItem* MatTree::newCaseRow(const QString& title, const QString& name) const
{
    auto* row = new QTreeWidgetItem;
    row->setIcon(LibraryRow::Title, style()->standardIcon(QStyle::SP_FileIcon));
    row->setData(LibraryRow::Title, XmlHandler::ElementRole, QStringLiteral("case"));
    row->setText(LibraryRow::Title, title);
    row->setText(LibraryRow::State, stateExport);
    row->setText(LibraryRow::File, name);
    return row;
}

void MatTree::addImported(const QString& name)
{
    if (!Workspace::hasMaterial(name))
        return;
    const QString listed = Workspace::listedTitle(name);
    if (!listed.isEmpty()) {
        QMessageBox::information(
            dialogOwner(), QStringLiteral("文件已被占用"),
            QStringLiteral("您选择导入的文件%1\n属于%2。\n\n声林没有进行更多操作。")
                .arg(name, listed));
        return;
    }
    QTreeWidgetItem* anchor = contextItem;
    if (!anchor) {
        const QString title = TrainsWriter::importedGroupTitle();
        const QList<QTreeWidgetItem*> found = findItems(title, Qt::MatchExactly, LibraryRow::Title);
        if (!found.isEmpty()) {
            QTreeWidgetItem* group = found.first();
            anchor = group->childCount() ? group->child(group->childCount() - 1) : group;
        } else {
            anchor = new QTreeWidgetItem(this);
            anchor->setIcon(LibraryRow::Title, style()->standardIcon(QStyle::SP_DirIcon));
            anchor->setData(LibraryRow::Title, XmlHandler::ElementRole, QStringLiteral("train"));
            anchor->setText(LibraryRow::Title, title);
        }
    }
    contextItem = anchor;
    insertAtAnchor(anchor, newCaseRow(name.section(QLatin1Char('.'), 0, 0), name));
}

void MatTree::insertAtAnchor(QTreeWidgetItem* anchor, QTreeWidgetItem* row)
{
    const bool isGroup =
        !isCase(anchor) && anchor->data(LibraryRow::Title, XmlHandler::ElementRole).toString() !=
                               QLatin1String("separator");
    if (anchor->childCount() > 0) {
        anchor->insertChild(0, row);
    } else if (QTreeWidgetItem* parent = anchor->parent()) {
        parent->insertChild(parent->indexOfChild(anchor) + 1, row);
    } else if (isGroup) {
        // An empty group at top level (such as a new "导入的材料") takes the row inside.
        anchor->addChild(row);
    } else {
        // A material or separator at top level: the row goes right after it.
        insertTopLevelItem(indexOfTopLevelItem(anchor) + 1, row);
    }
    if (row->parent())
        row->parent()->setExpanded(true);
}

// ---- downloads ----

QTreeWidgetItem* MatTree::groupItem(const QString& title)
{
    const QList<QTreeWidgetItem*> found =
        findItems(title, Qt::MatchExactly | Qt::MatchRecursive, LibraryRow::Title);
    if (!found.isEmpty())
        return found.first();
    auto* group = new QTreeWidgetItem(this);
    group->setIcon(LibraryRow::Title, style()->standardIcon(QStyle::SP_DirIcon));
    group->setData(LibraryRow::Title, XmlHandler::ElementRole, QStringLiteral("train"));
    group->setText(LibraryRow::Title, title);
    return group;
}

void MatTree::addDownloaded(const QString& path)
{
    const QByteArray before = snapshot();
    QTreeWidgetItem* group = groupItem(QStringLiteral("下载的材料"));
    const QString fileName = QFileInfo(path).fileName();
    const QString script = Workspace::scriptOf(path);
    const QString title = downloadTitles.value(fileName);
    const QString name = Workspace::adoptFiles(path, script);
    if (!name.isEmpty())
        group->insertChild(0, newCaseRow(title.isEmpty() ? fileName : title, name));
    group->setExpanded(true);
    commitChange(before);
}

void MatTree::refreshStates()
{
    if (!onlineList)
        return;
    // One listing of the cache serves every row of a long online list.
    const QStringList listed = QDir(Workspace::cacheFolder()).entryList(QDir::Files);
    const QSet<QString> cache(listed.cbegin(), listed.cend());
    QQueue<QTreeWidgetItem*> queue;
    for (int i = 0; i < topLevelItemCount(); ++i)
        queue.enqueue(topLevelItem(i));
    while (!queue.isEmpty()) {
        QTreeWidgetItem* row = queue.dequeue();
        for (int i = 0; i < row->childCount(); ++i)
            queue.enqueue(row->child(i));
        if (row->childCount() > 0 || !isCase(row) || !(row->flags() & Qt::ItemIsEnabled))
            continue;
        const QString f = Workspace::fileNamePart(row->text(LibraryRow::File));
        QString state = stateFetch;
        if (cache.contains(f))
            state = stateCached;
        else if (cache.contains(f + ".prl0") || cache.contains(f + ".prl1") ||
                 cache.contains(f + ".prl2"))
            state = stateFetching;
        if (row->text(LibraryRow::State) != state)
            row->setText(LibraryRow::State, state);
    }
}

void MatTree::actReload()
{
    if (!contextItem || !isCase(contextItem))
        return;
    const QString name = Workspace::fileNamePart(contextItem->text(LibraryRow::File));
    QFile::remove(Workspace::cacheFolder() + name);
    QFile::remove(Workspace::scriptOf(Workspace::cacheFolder() + name));
    contextItem->setText(LibraryRow::State, stateFetching);
    Q_EMIT loadresSig(contextItem->text(LibraryRow::File));
}

void MatTree::actReset()
{
    if (!contextItem || !isCase(contextItem))
        return;
    const QString name = Workspace::fileNamePart(contextItem->text(LibraryRow::File));
    QFile::remove(Workspace::cacheFolder() + name);
    QFile::remove(Workspace::scriptOf(Workspace::cacheFolder() + name));
    refreshStates();
    Q_EMIT resetSig(name);
}

// ---- rename and remove ----

void MatTree::actRename()
{
    if (!contextItem)
        return;
    const QByteArray before = snapshot();
    RenameDlg dialog(dialogOwner());
    dialog.setPrompt(
        QStringLiteral("原名称:%1\n\n重命名为:").arg(contextItem->text(LibraryRow::Title)));
    // An empty title would turn a group into nothing when the list is written, and its
    // materials would move into the group before it: an empty entry keeps the old title.
    if (dialog.exec() == QDialog::Accepted && !dialog.text().isEmpty())
        contextItem->setText(LibraryRow::Title, dialog.text());
    commitChange(before);
}

void MatTree::forgetRow(QTreeWidgetItem* row)
{
    if (contextItem == row)
        contextItem = nullptr;
    if (hoverItem == row)
        hoverItem = nullptr;
    if (QTreeWidgetItem* parent = row->parent())
        parent->removeChild(row);
    else
        takeTopLevelItem(indexOfTopLevelItem(row));
    delete row;
}

void MatTree::actRemove()
{
    QTreeWidgetItem* row = contextItem;
    if (!row || row->childCount() > 0)
        return;
    const QByteArray before = snapshot();
    if (!isCase(row)) {
        forgetRow(row);
        commitChange(before);
        return;
    }
    const QString name = Workspace::fileNamePart(row->text(LibraryRow::File));
    DelConfirm dialog(dialogOwner());
    dialog.setText(
        QStringLiteral("材料名:%1\n\n文件名:%2\n").arg(row->text(LibraryRow::Title), name));
    if (dialog.exec() != QDialog::Accepted)
        return;
    const bool deleteFiles = !dialog.keepFile();
    const QString path = Workspace::materialPath(row->text(LibraryRow::File));
    forgetRow(row);
    // A list that keeps the row keeps its files too.
    if (!commitChange(before) || !deleteFiles)
        return;
    // The open material is closed before its files go, whichever row is selected.
    if (isOpenMaterial(path))
        emitSwitch(QString());
    QFile::remove(path);
    QFile::remove(Workspace::scriptOf(path));
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
