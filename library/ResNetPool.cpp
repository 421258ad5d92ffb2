#include "ResNetPool.h"

#include "ResourceGet.h"

#include <QFile>
#include <QFileInfo>

#include <algorithm>
#include <cstdio>

ResNetPool::ResNetPool(QObject* parent)
    : QObject(parent), stallTimeout(ResourceGet::defaultStallTimeout)
{
}

ResNetPool::~ResNetPool()
{
    // Transfers still running leave no partial file behind.
    for (auto it = details.begin(); it != details.end(); ++it) {
        ResourceGet* get = it.key();
        get->disconnect(this);
        delete get;
        if (it->file) {
            it->file->close();
            it->file->remove();
            delete it->file;
        }
    }
}

QString ResNetPool::partialName(const QString& destPath, int level)
{
    return destPath + QStringLiteral(".prl") + QString::number(level);
}

bool ResNetPool::fetch(const QString& url, int level, const QString& destPath, QString* buffer)
{
    if (destPath.isEmpty() && !buffer)
        return false;
    if (transfers.contains(url) || (!destPath.isEmpty() && busyPaths.contains(destPath)))
        return false;
    Transfer transfer{url, destPath, level, nullptr, -1};
    auto* get = new ResourceGet(this);
    if (!destPath.isEmpty()) {
        transfer.file = new QFile(partialName(destPath, level));
        get->setFile(transfer.file);
        busyPaths.insert(destPath);
    }
    get->setBuffer(buffer);
    get->setStallTimeout(stallTimeout);
    get->setFileSchemeAllowed(fileSchemeAllowed);
    transfers.insert(url, get);
    details.insert(get, transfer);
    connect(get, &ResourceGet::sigFinish, this, &ResNetPool::loadFinish);
    connect(get, &ResourceGet::sigProgress, this,
            [this, get](qint64 received, qint64 total) { progress(get, received, total); });
    get->start(QUrl(url));
    return true;
}

void ResNetPool::progress(ResourceGet* get, qint64 received, qint64 total)
{
    auto it = details.find(get);
    if (it == details.end() || total <= 0)
        return;
    const int percent = int(std::clamp<qint64>(received * 100 / total, 0, 100));
    if (percent == it->percent)
        return;
    it->percent = percent;
    Q_EMIT sigResProgress(it->level, it->finalPath, percent);
}

bool ResNetPool::moveIntoPlace(const QString& from, const QString& to)
{
    // rename() replaces an existing final file in one step, so it is never missing or half
    // written.
    const QByteArray source = QFile::encodeName(from);
    const QByteArray target = QFile::encodeName(to);
    return std::rename(source.constData(), target.constData()) == 0 && QFileInfo(to).isFile();
}

void ResNetPool::loadFinish()
{
    auto* get = qobject_cast<ResourceGet*>(sender());
    auto it = details.find(get);
    if (!get || it == details.end())
        return;
    const Transfer transfer = *it;
    details.erase(it);
    transfers.remove(transfer.url);
    busyPaths.remove(transfer.finalPath);
    get->disconnect(this);
    get->setFile(nullptr);
    get->deleteLater();

    QString reason = get->failure();
    if (transfer.file) {
        const QString partial = transfer.file->fileName();
        delete transfer.file;  // closed by the transfer already
        if (reason.isEmpty() && !moveIntoPlace(partial, transfer.finalPath))
            reason = QStringLiteral("无法保存文件：%1").arg(transfer.finalPath);
        if (!reason.isEmpty())
            QFile::remove(partial);
    }
    if (reason.isEmpty())
        Q_EMIT sigResLoaded(transfer.level, transfer.finalPath);
    else
        Q_EMIT sigResFailed(transfer.level, transfer.finalPath, reason);
}
