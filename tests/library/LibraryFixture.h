#pragma once
// Helpers shared by the library tests: a fresh temporary working directory laid out like the
// learner's runtime folder, small material files and list files.
#include "TestSupport.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>
#include <QTreeWidget>

#include <memory>

namespace libfixture {

inline const QByteArray listHeader = "<?xml version='1.0' encoding='UTF-8'?>\n<!DOCTYPE parlino>\n";

using testsupport::readBytes;
using testsupport::writeBytes;

// A media file and its script with contents that tell them apart; returns the media path.
inline QString makeMaterial(const QString& folder, const QString& base,
                            const QString& ext = QStringLiteral("mp3"))
{
    QDir().mkpath(folder);
    const QString media = folder + QLatin1Char('/') + base + QLatin1Char('.') + ext;
    writeBytes(media, "media of " + base.toUtf8() + QByteArray(1000, '\x55'));
    writeBytes(folder + QLatin1Char('/') + base + QStringLiteral(".lrc"),
               "[00:00.00]" + base.toUtf8() + "\n[00:01.50]second line\n");
    return media;
}

// A fresh working directory with the folders of an installation and three list files.
struct WorkDir {
    QTemporaryDir dir;
    QString previous = QDir::currentPath();
    WorkDir()
    {
        QDir::setCurrent(dir.path());
        QDir().mkpath(QStringLiteral("workspace/train"));
        QDir().mkpath(QStringLiteral("respool"));
        QDir().mkpath(QStringLiteral("files"));
        for (const char* name : {"basicList.xml", "advancedList.xml", "expertList.xml"})
            writeBytes(QString::fromLatin1(name), listHeader + "<parlino version=\"1.0\"/>\n");
    }
    ~WorkDir() { QDir::setCurrent(previous); }
    QString path(const QString& relative) const { return dir.filePath(relative); }
};

// Rows of a tree as "title|state|url" lines, groups indented by two spaces per level.
inline QStringList describe(const QTreeWidget& tree)
{
    QStringList lines;
    std::function<void(QTreeWidgetItem*, int)> walk = [&](QTreeWidgetItem* row, int depth) {
        lines << QString(depth * 2, QLatin1Char(' ')) + row->text(0) + QLatin1Char('|') +
                     row->text(2) + QLatin1Char('|') + row->text(3);
        for (int i = 0; i < row->childCount(); ++i)
            walk(row->child(i), depth + 1);
    };
    for (int i = 0; i < tree.topLevelItemCount(); ++i)
        walk(tree.topLevelItem(i), 0);
    return lines;
}

}  // namespace libfixture
