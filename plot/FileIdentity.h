#pragma once
// FileIdentity: what tells one version of a file from another at the same path: its size
// and its modification time. A file removed and another saved under the same name has
// another identity, so whatever was learnt from the old one is not used for it. A value
// type, read from the file system in whichever thread asks.
#include <QDateTime>
#include <QFileInfo>
#include <QString>

struct FileIdentity {
    qint64 size = -1;
    QDateTime modified;

    static FileIdentity of(const QString& path)
    {
        const QFileInfo file(path);
        if (!file.exists())
            return {};
        return {file.size(), file.lastModified()};
    }
    friend bool operator==(const FileIdentity& a, const FileIdentity& b)
    {
        return a.size == b.size && a.modified == b.modified;
    }
};
