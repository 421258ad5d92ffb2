#include "TestSupport.h"

#include <QCoreApplication>
#include <QDir>
#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>

#include <csignal>
#include <dlfcn.h>
#include <link.h>
#include <sys/resource.h>
#include <vector>

namespace testsupport {

QString testDataDir()
{
    const QString dir = QStringLiteral(ECHORA_SOURCE_DIR "/../shared/testdata");
    return QFileInfo(dir).isDir() ? QDir(dir).canonicalPath() : QString();
}

bool run(const QString& program, const QStringList& args, int timeoutMs)
{
    QProcess process;
    process.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    process.start(program, args);
    if (!process.waitForFinished(timeoutMs))
        return false;
    return process.exitStatus() == QProcess::NormalExit && process.exitCode() == 0;
}

bool makeAudio(const QString& path, const QString& lavfiSource, const QStringList& extra)
{
    QStringList args{QStringLiteral("-nostdin"), QStringLiteral("-loglevel"),
                     QStringLiteral("error"),    QStringLiteral("-y"),
                     QStringLiteral("-f"),       QStringLiteral("lavfi"),
                     QStringLiteral("-i"),       lavfiSource};
    args << extra << path;
    return run(QStringLiteral("ffmpeg"), args);
}

bool writeBytes(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    return file.open(QIODevice::WriteOnly | QIODevice::Truncate) &&
           file.write(bytes) == bytes.size();
}

QByteArray readBytes(const QString& path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void copyTree(const QString& from, const QString& to)
{
    QDirIterator it(from, QDir::Files | QDir::Hidden | QDir::NoDotAndDotDot,
                    QDirIterator::Subdirectories);
    while (it.hasNext()) {
        const QString file = it.next();
        const QString target = to + QLatin1Char('/') + QDir(from).relativeFilePath(file);
        QDir().mkpath(QFileInfo(target).path());
        QFile::copy(file, target);
    }
}

void pinLoadedLibraries()
{
    std::vector<QByteArray> names;
    dl_iterate_phdr(
        [](dl_phdr_info* info, size_t, void* data) {
            if (info->dlpi_name && info->dlpi_name[0] != '\0')
                static_cast<std::vector<QByteArray>*>(data)->emplace_back(info->dlpi_name);
            return 0;
        },
        &names);
    // Opening a loaded library again with RTLD_NODELETE marks it never to be unloaded; the
    // extra reference is kept on purpose.
    for (const QByteArray& name : names)
        dlopen(name.constData(), RTLD_NOW | RTLD_NOLOAD | RTLD_NODELETE);
}

QString screenshotDir()
{
    const QString dir = QCoreApplication::applicationDirPath() + QStringLiteral("/screenshots");
    QDir().mkpath(dir);
    return dir;
}

struct FileSizeLimit::Saved {
    rlimit limit{};
    void (*handler)(int) = nullptr;
};

FileSizeLimit::FileSizeLimit(qint64 bytes) : saved(std::make_unique<Saved>())
{
    getrlimit(RLIMIT_FSIZE, &saved->limit);
    saved->handler = std::signal(SIGXFSZ, SIG_IGN);
    rlimit limit = saved->limit;
    limit.rlim_cur = static_cast<rlim_t>(bytes);
    active = setrlimit(RLIMIT_FSIZE, &limit) == 0;
}

FileSizeLimit::~FileSizeLimit()
{
    setrlimit(RLIMIT_FSIZE, &saved->limit);
    std::signal(SIGXFSZ, saved->handler);
}

RuntimeFolder::RuntimeFolder(Contents contents) : previous(QDir::currentPath())
{
    if (!dir.isValid())
        return;
    if (contents == Contents::Shipped)
        copyTree(QStringLiteral(ECHORA_SOURCE_DIR "/data/runtime"), dir.path());
    else
        for (const char* d : {"files", "workspace/train", "respool"})
            QDir(dir.path()).mkpath(QLatin1String(d));
    entered = QDir::setCurrent(dir.path());
}

RuntimeFolder::~RuntimeFolder()
{
    if (entered)
        QDir::setCurrent(previous);
}
}  // namespace testsupport
