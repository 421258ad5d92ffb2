// Benchmark of the online library against a web server on 127.0.0.1 (the tests' own server
// script): the download of a 100 MB file through the download pool beside `curl -o` of the
// same URL (wall time of a fresh process each, and the pool's growth of peak resident
// memory), and a list of 10,000 materials from the online button to the rows shown beside
// `curl -o` of the same list document. Run under an X server.
//
//   bench_online <server script> [runs]
//   bench_online --child-download <url> <file>      (internal) one download, prints its growth
#include "BenchSupport.h"
#include "MatTree.h"
#include "ResNetPool.h"
#include "TreesView.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QProcess>
#include <QSignalSpy>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <vector>

namespace {
constexpr qint64 downloadBytes = 100LL * 1024 * 1024;
constexpr int listItems = 10000;
constexpr double downloadRatioTarget = 1.2;
constexpr double growthTargetMb = 20;
constexpr double listTargetMs = 500;

double statusMb(const char* key)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    for (const QByteArray& line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(qstrlen(key)).trimmed().split(' ').value(0).toDouble() / 1024.0;
    }
    return -1;
}

int childDownload(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    const double before = statusMb("VmRSS:");
    ResNetPool pool;
    bool ok = false;
    QObject::connect(&pool, &ResNetPool::sigResLoaded, &app, [&] {
        ok = true;
        app.quit();
    });
    QObject::connect(&pool, &ResNetPool::sigResFailed, &app, [&](int, QString, QString why) {
        std::fprintf(stderr, "download failed: %s\n", qPrintable(why));
        app.quit();
    });
    if (!pool.fetch(QString::fromLocal8Bit(argv[2]), 0, QString::fromLocal8Bit(argv[3])))
        return 1;
    app.exec();
    std::printf("GROWTH %.1f\n", statusMb("VmHWM:") - before);
    return ok && QFile(QString::fromLocal8Bit(argv[3])).size() == downloadBytes ? 0 : 1;
}

struct Server {
    QProcess process;
    int port = 0;
    bool start(const QString& script, const QString& root)
    {
        process.start(QStringLiteral("python3"), {script, root});
        if (!process.waitForStarted(10000))
            return false;
        while (!process.canReadLine())
            if (!process.waitForReadyRead(10000))
                return false;
        port = process.readLine().trimmed().toInt();
        return port > 0;
    }
    ~Server()
    {
        process.kill();
        process.waitForFinished(5000);
    }
    QString url(const QString& path) const
    {
        return QStringLiteral("http://127.0.0.1:%1/%2").arg(port).arg(path);
    }
};

bool curl(const QString& url, const QString& file)
{
    QProcess process;
    process.start(QStringLiteral("curl"),
                  {QStringLiteral("-s"), QStringLiteral("-f"), QStringLiteral("-o"), file, url});
    return process.waitForFinished(120000) && process.exitCode() == 0;
}

void benchDownload(const Server& server, const QString& work, int runs)
{
    const QString url = server.url(QStringLiteral("big/%1/large.bin").arg(downloadBytes));
    const QString ours = work + QStringLiteral("/ours.bin");
    const QString theirs = work + QStringLiteral("/curl.bin");
    double growth = 0;
    const auto [pool, reference] = bench::medianPair(
        runs,
        [&] {
            QFile::remove(ours);
            QProcess child;
            child.start(QCoreApplication::applicationFilePath(),
                        {QStringLiteral("--child-download"), url, ours});
            if (!child.waitForFinished(120000) || child.exitCode() != 0)
                return false;
            const QByteArray out = child.readAllStandardOutput();
            const qsizetype at = out.indexOf("GROWTH ");
            growth = std::max(growth, out.mid(at + 7).trimmed().toDouble());
            return at >= 0;
        },
        [&] {
            QFile::remove(theirs);
            return curl(url, theirs);
        });
    QFile::remove(ours);
    QFile::remove(theirs);
    const double ratio = reference > 0 ? pool / reference : -1;
    bench::row(QStringLiteral("download of 100 MB from 127.0.0.1 (pool vs curl -o)"),
               bench::amount(pool, "ms", 0), bench::amount(reference, "ms", 0), ratio,
               QStringLiteral("<= 1.2x"), pool > 0 && ratio <= downloadRatioTarget);
    bench::row(QStringLiteral("download of 100 MB: growth of peak resident memory"),
               bench::amount(growth, "MB"), QStringLiteral("(none)"), -1,
               QStringLiteral("<= 20 MB"), pool > 0 && growth <= growthTargetMb);
}

QByteArray bigList()
{
    QByteArray out =
        "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n<rss>\n<channel><title>1</title>\n";
    for (int i = 0; i < listItems; ++i)
        out += QStringLiteral("<item><title>材料 %1 A Long Practice Title</title>"
                              "<audiourl>../media/material_%1.mp3</audiourl></item>\n")
                   .arg(i)
                   .toUtf8();
    return out + "</channel>\n<channel/>\n<channel/>\n</rss>\n";
}

void benchList(const Server& server, const QString& root, const QString& work, int runs)
{
    QDir().mkpath(root + QStringLiteral("/big-list/inter"));
    QFile list(root + QStringLiteral("/big-list/inter/imitate.php"));
    if (!list.open(QIODevice::WriteOnly) || list.write(bigList()) < 0)
        return;
    list.close();
    QDir::setCurrent(work);
    for (const char* dir : {"workspace/train", "respool", "files"})
        QDir().mkpath(QString::fromLatin1(dir));
    TreesView view;
    view.setListServer(server.url(QStringLiteral("big-list")));
    view.show();
    QSignalSpy fetching(&view, &TreesView::fetchingSig);
    std::vector<double> times;
    bool complete = true;
    for (int run = 0; run < runs; ++run) {
        fetching.clear();
        QElapsedTimer clock;
        clock.start();
        view.on_actionOnline_toggled(true);
        while (fetching.size() < 2)
            QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        view.repaint();
        times.push_back(double(clock.nsecsElapsed()) / 1e6);
        const QTreeWidgetItem* top = view.tree(0)->topLevelItem(0);
        complete = complete && top && top->childCount() == listItems;
        view.on_actionOnline_toggled(false);
    }
    const double ms = bench::median(times);
    const QString target = work + QStringLiteral("/list.xml");
    const double reference = bench::medianOf(runs, [&] {
        return curl(server.url(QStringLiteral("big-list/inter/imitate.php")), target);
    });
    bench::row(QStringLiteral("list of 10,000 materials: button to rows shown"),
               bench::amount(ms, "ms", 0),
               bench::amount(reference, "ms", 0) + " (curl of the list)",
               reference > 0 ? ms / reference : -1, QStringLiteral("<= 500 ms"),
               complete && ms <= listTargetMs);
}
}  // namespace

int main(int argc, char** argv)
{
    if (argc >= 4 && QByteArray(argv[1]) == "--child-download")
        return childDownload(argc, argv);
    if (argc < 2) {
        std::fprintf(stderr, "usage: bench_online <server script> [runs]\n");
        return 2;
    }
    QApplication app(argc, argv);
    const int runs = argc >= 3 ? std::max(1, QByteArray(argv[2]).toInt()) : 5;
    QTemporaryDir root;
    QTemporaryDir work;
    Server server;
    if (!server.start(QString::fromLocal8Bit(argv[1]), root.path())) {
        std::fprintf(stderr, "the web server did not start\n");
        return 1;
    }
    benchDownload(server, work.path(), runs);
    benchList(server, root.path(), work.path(), runs);
    return 0;
}
