// The material tree's row changes: import, downloads, rename and remove. Every change to a
// local list is written back at once, or taken back and reported.
#include "MatTree.h"

#include "DelConfirm.h"
#include "LibraryRow.h"
#include "RenameDlg.h"
#include "SentenceFile.h"
#include "TrainsWriter.h"
#include "Workspace.h"
#include "XmlHandler.h"

#include <QDir>
#include <QFile>
#include <QFileDialog>
#include <QFileInfo>
#include <QMessageBox>
#include <QQueue>

namespace {
using LibraryRow::isCase;
using LibraryRow::stateCached;
using LibraryRow::stateExport;
using LibraryRow::stateFetch;
using LibraryRow::stateFetching;
}  // namespace

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
