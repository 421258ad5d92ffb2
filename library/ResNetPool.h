#pragma once
// ResNetPool: the downloads into the cache folder "./respool/". Each fetch streams one URL
// into a temporary file named after its final path plus ".prl" and the level digit; a
// transfer that completes replaces the final file with it, one that fails removes it. No two
// transfers ever write the same temporary or final file: a fetch for a URL or a path that is
// already being fetched is refused. GUI thread only.
//
// Ownership: the pool is the parent of its transfers and owns each target file until its
// transfer ends; the optional text buffer is the caller's.
#include <QMap>
#include <QObject>
#include <QSet>
#include <QString>
#include <QUrl>

#include <chrono>

class QFile;
class ResourceGet;

class ResNetPool : public QObject {
    Q_OBJECT
public:
    explicit ResNetPool(QObject* parent = nullptr);
    ~ResNetPool() override;

    // Starts fetching url for a level into destPath (through its temporary file) and/or into
    // the buffer. False when nothing was started: no target, or the URL or path is already
    // being fetched.
    bool fetch(const QString& url, int level, const QString& destPath, QString* buffer = nullptr);
    bool isFetching(const QString& url) const { return transfers.contains(url); }
    // The temporary name of a download: the final path, ".prl" and the level digit.
    static QString partialName(const QString& destPath, int level);
    // Applies to transfers started afterwards.
    void setStallTimeout(std::chrono::milliseconds timeout) { stallTimeout = timeout; }
    void setFileSchemeAllowed(bool allowed) { fileSchemeAllowed = allowed; }

Q_SIGNALS:
    // A transfer completed and its file is at finalPath.
    void sigResLoaded(int level, QString finalPath);
    // A transfer failed; nothing is left at its temporary path and the final file is as it was.
    void sigResFailed(int level, QString finalPath, QString reason);
    // Share of a transfer done, 0…100, when the server announced its size.
    void sigResProgress(int level, QString finalPath, int percent);

public Q_SLOTS:
    void loadFinish();

private:
    struct Transfer {
        QString url;
        QString finalPath;
        int level = 0;
        QFile* file = nullptr;
        int percent = -1;
    };
    void progress(ResourceGet* get, qint64 received, qint64 total);
    static bool moveIntoPlace(const QString& from, const QString& to);

    QMap<QString, ResourceGet*> transfers;  // by URL
    QMap<ResourceGet*, Transfer> details;
    QSet<QString> busyPaths;  // final paths being written
    std::chrono::milliseconds stallTimeout;
    bool fileSchemeAllowed = false;
};
