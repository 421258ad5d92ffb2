// The online side of TreesView: the list request, the online trees and the downloads.
#include "LibraryRow.h"
#include "MatTree.h"
#include "OnlineList.h"
#include "ResNetPool.h"
#include "ResourceGet.h"
#include "TreesView.h"
#include "Workspace.h"

#include <QDir>
#include <QFile>
#include <QSettings>

#include <functional>

namespace {
const QString cacheFolder = Workspace::cacheFolder();
using LibraryRow::stateFetch;
using LibraryRow::stateRetry;
// Online the state cell is wider, for "下载中 100%", and the spacer narrower; the local lists
// set their own widths when they come back.
constexpr int onlineSpacerWidth = 7;
constexpr int onlineStateWidth = 80;
// Marks the row that says the list could not be fetched; a click on it asks again.
constexpr int retryRole = Qt::UserRole + 1;

void forEachCase(MatTree* tree, const std::function<void(QTreeWidgetItem*)>& visit)
{
    QList<QTreeWidgetItem*> rows;
    for (int i = 0; i < tree->topLevelItemCount(); ++i)
        rows.append(tree->topLevelItem(i));
    while (!rows.isEmpty()) {
        QTreeWidgetItem* row = rows.takeFirst();
        for (int i = 0; i < row->childCount(); ++i)
            rows.append(row->child(i));
        if (row->childCount() == 0 && !row->text(LibraryRow::File).isEmpty())
            visit(row);
    }
}

// The rows of a tree that download into the cache file of this name.
void forEachRowOf(MatTree* tree, const QString& fileName,
                  const std::function<void(QTreeWidgetItem*)>& visit)
{
    forEachCase(tree, [&](QTreeWidgetItem* row) {
        if (Workspace::fileNamePart(row->text(LibraryRow::File)) == fileName)
            visit(row);
    });
}
}  // namespace

QString TreesView::unavailableText() { return QStringLiteral("不可用"); }

QString TreesView::listFailedText() { return QStringLiteral("无法获取在线材料列表"); }

void TreesView::setupOnline()
{
    actionOnline->setEnabled(true);
    listGet = new ResourceGet(this);
    listGet->setBuffer(&listText);
    listGet->setFileSchemeAllowed(true);
    pool = new ResNetPool(this);
    connect(listGet, &ResourceGet::sigFinish, this, &TreesView::doFinish);
    connect(pool, &ResNetPool::sigResLoaded, this, &TreesView::transferLoaded);
    connect(pool, &ResNetPool::sigResFailed, this, &TreesView::transferFailed);
    connect(pool, &ResNetPool::sigResProgress, this, &TreesView::transferProgress);
    for (int level = 0; level < OnlineList::levelCount; ++level) {
        // Every row has the same font and icon size; an online list may have thousands.
        tree(level)->setUniformRowHeights(true);
        connect(tree(level), &QTreeWidget::itemClicked, this, [this](QTreeWidgetItem* row) {
            if (online && row->data(LibraryRow::Title, retryRole).toBool() && !listGet->isRunning())
                on_actionOnline_toggled(true);
        });
    }
    purgePartialDownloads();
}

void TreesView::purgePartialDownloads()
{
    // Partial files of an earlier run can never be finished.
    QDir cache(cacheFolder);
    const QStringList partial = cache.entryList({QStringLiteral("*.prl*")}, QDir::Files);
    for (auto it = partial.crbegin(); it != partial.crend(); ++it)
        cache.remove(*it);
}

QString TreesView::listServer() const
{
    if (!serverOverride.isEmpty())
        return serverOverride;
    const QString configured = QSettings(QStringLiteral("profile.ini"), QSettings::IniFormat)
                                   .value(QStringLiteral("ListServer"))
                                   .toString()
                                   .trimmed();
    return configured.isEmpty() ? OnlineList::defaultServer() : configured;
}

void TreesView::setStallTimeout(std::chrono::milliseconds timeout)
{
    listGet->setStallTimeout(timeout);
    pool->setStallTimeout(timeout);
}

bool TreesView::isFetchingList() const { return listGet->isRunning(); }

int TreesView::levelOf(QObject* object) const
{
    for (int level = 0; level < OnlineList::levelCount; ++level) {
        if (tree(level) == object)
            return level;
    }
    return currentIndex();
}

void TreesView::on_actionOnline_toggled(bool bOnline)
{
    online = bOnline;
    if (!bOnline) {
        // A list that arrives after the learner went back would cover the local lists.
        listGet->abort(QStringLiteral("已回到本地列表"));
        loadLocalLists();
        for (int level = 0; level < OnlineList::levelCount; ++level) {
            while (!pendingDownloads[level].isEmpty())
                tree(level)->addDownloaded(pendingDownloads[level].takeFirst());
        }
    } else {
        listUrl = OnlineList::listUrl(listServer());
        pool->setFileSchemeAllowed(listUrl.isLocalFile());
        Q_EMIT fetchingSig(true);
        listGet->start(listUrl);
    }
    for (int level = 0; level < OnlineList::levelCount; ++level)
        tree(level)->setOnline(bOnline);
}

void TreesView::doFinish()
{
    Q_EMIT fetchingSig(false);
    if (!online)
        return;
    if (!listGet->succeeded()) {
        showListFailure(listGet->failure());
        return;
    }
    showOnlineLists(listText);
    listText.clear();
}

void TreesView::showOnlineLists(const QString& text)
{
    OnlineList list;
    QString error;
    if (!list.parse(text, listUrl, &error)) {
        showListFailure(error);
        return;
    }
    for (int level = 0; level < list.channelCount(); ++level) {
        if (!list.writeNetList(level)) {
            showListFailure(QStringLiteral("无法写入 %1").arg(OnlineList::netList(level)));
            return;
        }
    }
    for (int level = 0; level < list.channelCount(); ++level) {
        MatTree* t = tree(level);
        t->setUpdatesEnabled(false);  // one paint for the whole list
        t->loadList(OnlineList::netList(level), true);
        t->refreshStates();
        markUnavailable(t);
        t->setColumnWidth(LibraryRow::Spacer, onlineSpacerWidth);
        t->setColumnWidth(LibraryRow::State, onlineStateWidth);
        t->setUpdatesEnabled(true);
    }
}

void TreesView::showListFailure(const QString& reason)
{
    for (int level = 0; level < OnlineList::levelCount; ++level) {
        MatTree* t = tree(level);
        t->loadList(QString(), true);
        auto* row = new QTreeWidgetItem(t);
        row->setText(LibraryRow::Title, listFailedText());
        row->setText(LibraryRow::State, stateRetry);
        row->setToolTip(2, reason + QStringLiteral("\n点击重试"));
        row->setData(LibraryRow::Title, retryRole, true);
    }
}

void TreesView::markUnavailable(MatTree* t) const
{
    forEachCase(t, [this](QTreeWidgetItem* row) {
        const QString reason = OnlineList::unavailableReason(row->text(LibraryRow::File), listUrl);
        if (reason.isEmpty())
            return;
        row->setText(LibraryRow::State, unavailableText());
        row->setToolTip(2, reason);
        row->setFlags(row->flags() & ~Qt::ItemIsEnabled);
    });
}

void TreesView::pas_LoadresSig(QString url)
{
    const int level = levelOf(sender());
    Q_EMIT loadresSig(url);
    MatTree* t = tree(level);
    const QString name = Workspace::fileNamePart(url);
    const QString refused = OnlineList::unavailableReason(url, listUrl);
    if (!refused.isEmpty()) {
        transferFailed(level, cacheFolder + name, refused);
        return;
    }
    const QString media = cacheFolder + name;
    if (downloads.contains(media) || pool->isFetching(url))
        return;  // already on its way
    forEachRowOf(t, name, [](QTreeWidgetItem* row) { row->setToolTip(2, QString()); });

    // The script first, then the media file.
    const QString scriptUrl = OnlineList::scriptUrl(url);
    Download download;
    download.level = level;
    download.script = cacheFolder + Workspace::fileNamePart(scriptUrl);
    const bool scriptStarted = OnlineList::unsafeNameReason(scriptUrl).isEmpty() &&
                               pool->fetch(scriptUrl, level, download.script);
    download.scriptDone = !scriptStarted;
    if (!pool->fetch(url, level, media)) {
        if (scriptStarted)
            scripts.insert(download.script, QString());  // its end concerns no download
        t->refreshStates();
        return;
    }
    if (scriptStarted)
        scripts.insert(download.script, media);
    downloads.insert(media, download);
}

void TreesView::transferLoaded(int level, const QString& path)
{
    if (scripts.contains(path)) {
        const QString media = scripts.take(path);
        if (downloads.contains(media)) {
            downloads[media].scriptDone = true;
            downloadEnded(media);
        }
        return;
    }
    if (downloads.contains(path)) {
        downloads[path].mediaDone = true;
        downloadEnded(path);
        return;
    }
    doResLoaded(level, path);
}

void TreesView::transferFailed(int level, const QString& path, const QString& reason)
{
    if (scripts.contains(path)) {
        transferLoaded(level, path);  // a material may come without its script
        return;
    }
    if (downloads.contains(path)) {
        downloads[path].mediaDone = true;
        downloads[path].failure = reason;
        downloadEnded(path);
        return;
    }
    MatTree* t = tree(level);
    if (!t || !t->isOnline())
        return;
    t->refreshStates();
    forEachRowOf(t, Workspace::fileNamePart(path), [&reason](QTreeWidgetItem* row) {
        if (!(row->flags() & Qt::ItemIsEnabled))
            return;
        row->setText(LibraryRow::State, stateFetch);
        row->setToolTip(2, QStringLiteral("下载失败：") + reason);
    });
}

void TreesView::downloadEnded(const QString& media)
{
    const Download download = downloads.value(media);
    if (!download.mediaDone || !download.scriptDone)
        return;
    downloads.remove(media);
    if (download.failure.isEmpty())
        doResLoaded(download.level, media);
    else
        transferFailed(download.level, media, download.failure);
}

void TreesView::transferProgress(int level, const QString& path, int percent)
{
    MatTree* t = tree(level);
    if (!t || !t->isOnline() || !downloads.contains(path))
        return;
    const QString text = QStringLiteral("下载中 %1%").arg(percent);
    forEachRowOf(t, Workspace::fileNamePart(path), [&text](QTreeWidgetItem* row) {
        if (row->flags() & Qt::ItemIsEnabled)
            row->setText(LibraryRow::State, text);
    });
}

void TreesView::doResLoaded(int level, QString path)
{
    MatTree* t = tree(level);
    if (!t)
        return;
    if (path.endsWith(QLatin1String(".lrc"))) {
        t->refreshStates();
        return;
    }
    if (!online) {
        t->addDownloaded(path);
        t->refreshStates();
        return;
    }
    pendingDownloads[level].append(path);
    Q_EMIT showNumSig(1);
    t->refreshStates();
}
