#pragma once
// Helpers of the online-list tests: a real web server on 127.0.0.1 (a Python script of the
// tests' own, started on a free port and stopped by its process id), catalogues made by the
// catalogue generator from materials encoded by ffmpeg, and clicks on tree rows.
#include "LibraryFixture.h"
#include "TestSupport.h"

#include <QApplication>
#include <QHeaderView>
#include <QMouseEvent>
#include <QProcess>
#include <QTreeWidget>

namespace libfixture {

class WebServer {
public:
    // Serves the files below root; false when the server did not come up.
    bool start(const QString& root)
    {
        process.setProgram(QStringLiteral("python3"));
        process.setArguments(
            {QStringLiteral(ECHORA_SOURCE_DIR "/tests/library/test_http_server.py"), root});
        process.start();
        if (!process.waitForStarted(10000))
            return false;
        while (!process.canReadLine()) {
            if (!process.waitForReadyRead(10000))
                return false;
        }
        port = process.readLine().trimmed().toInt();
        return port > 0;
    }
    ~WebServer() { stop(); }
    void stop()
    {
        if (process.state() == QProcess::NotRunning)
            return;
        process.kill();  // by its process id
        process.waitForFinished(5000);
    }
    QString url(const QString& path) const
    {
        return QStringLiteral("http://127.0.0.1:%1/%2").arg(port).arg(path);
    }
    int port = 0;

private:
    QProcess process;
};

// Runs the catalogue generator on source into out; true when it succeeded.
inline bool makeCatalogue(const QString& source, const QString& out)
{
    return testsupport::run(
        QStringLiteral("python3"),
        {QStringLiteral(ECHORA_SOURCE_DIR "/tools/catalogue/make_catalogue.py"), source, out});
}

// A material encoded by ffmpeg (a tone of a few seconds) with its script, in folder.
inline bool makeToneMaterial(const QString& folder, const QString& base, int seconds = 2)
{
    QDir().mkpath(folder);
    const QString media = folder + QLatin1Char('/') + base + QStringLiteral(".mp3");
    if (!testsupport::makeAudio(media,
                                QStringLiteral("sine=frequency=440:duration=%1").arg(seconds)))
        return false;
    return writeBytes(folder + QLatin1Char('/') + base + QStringLiteral(".lrc"),
                      "[00:00.00]" + base.toUtf8() + "\n[00:01.00]second line\n");
}

// A list document with one channel per entry of levels, each item a (title, audiourl) pair.
using Items = QList<QPair<QString, QString>>;
inline QByteArray listDocument(const QList<Items>& levels)
{
    QByteArray out = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<rss>\n";
    for (const Items& items : levels) {
        out += "<channel><title>level</title>\n";
        for (const auto& [title, url] : items)
            out += "<item><title>" + title.toHtmlEscaped().toUtf8() + "</title><audiourl>" +
                   url.toHtmlEscaped().toUtf8() + "</audiourl></item>\n";
        out += "</channel>\n";
    }
    return out + "</rss>\n";
}

inline QTreeWidgetItem* findRow(QTreeWidget* tree, const QString& title)
{
    const auto found = tree->findItems(title, Qt::MatchExactly | Qt::MatchRecursive, 0);
    return found.isEmpty() ? nullptr : found.first();
}

// A left click on a cell of a row, sent straight to the tree's viewport.
inline void clickRow(QTreeWidget* tree, QTreeWidgetItem* row, int column = 0)
{
    tree->scrollToItem(row);
    const QRect rect = tree->visualItemRect(row);
    const QPoint pos(tree->header()->sectionViewportPosition(column) +
                         tree->header()->sectionSize(column) / 2,
                     rect.center().y());
    const QPoint global = tree->viewport()->mapToGlobal(pos);
    QMouseEvent down(QEvent::MouseButtonPress, pos, global, Qt::LeftButton, Qt::LeftButton,
                     Qt::NoModifier);
    QApplication::sendEvent(tree->viewport(), &down);
    QMouseEvent up(QEvent::MouseButtonRelease, pos, global, Qt::LeftButton, Qt::NoButton,
                   Qt::NoModifier);
    QApplication::sendEvent(tree->viewport(), &up);
}

// Files left in the cache folder, sorted.
inline QStringList cacheFiles()
{
    return QDir(QStringLiteral("respool")).entryList(QDir::Files, QDir::Name);
}

}  // namespace libfixture
