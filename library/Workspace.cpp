#include "Workspace.h"

#include "SentenceFile.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <QUrl>

QString Workspace::folder() { return QStringLiteral("./workspace/"); }

QString Workspace::cacheFolder() { return QStringLiteral("./respool/"); }

QString Workspace::fileNamePart(const QString& url)
{
    // Online rows hold URLs; a local name may contain '#' or '?' and is taken as it is.
    const QString path = url.contains(QLatin1String("://")) ? QUrl(url).path() : url;
    return path.section(QLatin1Char('/'), -1);
}

QString Workspace::materialPath(const QString& url) { return folder() + fileNamePart(url); }

QString Workspace::scriptOf(const QString& path)
{
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    const QString stem = dot > slash ? path.left(dot) : path;
    return stem + QStringLiteral(".lrc");
}

QString Workspace::freeName(const QString& fileName)
{
    const QFileInfo info(fileName);
    const QString base = info.completeBaseName();
    const QString ext = info.suffix();
    for (int n = 0;; ++n) {
        const QString stem = QStringLiteral("%1_%2").arg(base).arg(n);
        const QString name = ext.isEmpty() ? stem : stem + QLatin1Char('.') + ext;
        if (!QFileInfo::exists(folder() + name) &&
            !QFileInfo::exists(folder() + stem + QStringLiteral(".lrc")))
            return name;
    }
}

bool Workspace::copyFile(const QString& src, const QString& dst)
{
    const QFileInfo from(src);
    if (!from.isFile())
        return false;
    // Copying a file onto itself would truncate it before it is read.
    if (QFileInfo(dst).exists() && from.canonicalFilePath() == QFileInfo(dst).canonicalFilePath())
        return false;
    QFile in(src);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    QSaveFile out(dst);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    while (!in.atEnd()) {
        const QByteArray block = in.read(1 << 20);
        if (block.isEmpty() || out.write(block) != block.size()) {
            out.cancelWriting();
            return false;
        }
    }
    return out.commit();
}

bool Workspace::copyScript(const QString& src, const QString& dst)
{
    if (src.endsWith(QLatin1String(".lrc"), Qt::CaseInsensitive))
        return copyFile(src, dst);
    const SentenceTimeline cues = readSentenceFile(src);
    if (cues.times.empty())
        return false;
    QSaveFile out(dst);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = lrcBytes(cues);
    if (out.write(bytes) != bytes.size()) {
        out.cancelWriting();
        return false;
    }
    return out.commit();
}

QString Workspace::listedTitle(const QString& fileName)
{
    static const char* const lists[] = {"basicList.xml", "advancedList.xml", "expertList.xml"};
    static const char* const levels[] = {"初级", "中级", "高级"};
    // A case names its file in its url attribute; matching the whole attribute keeps a name
    // from being found inside a longer one (a.mp3 inside la.mp3).
    const QString needle = QStringLiteral("url=\"%1\"").arg(fileName.toHtmlEscaped());
    for (int level = 0; level < 3; ++level) {
        QFile file(QString::fromLatin1(lists[level]));
        if (!file.open(QIODevice::ReadOnly))
            continue;
        QByteArray bytes = file.readAll();
        const qsizetype zero = bytes.indexOf('\0');
        if (zero >= 0)
            bytes.truncate(zero);
        const QString text = QString::fromUtf8(bytes);
        const qsizetype hit = text.indexOf(needle);
        if (hit < 0)
            continue;
        QString title;
        const qsizetype open = text.indexOf(QLatin1String("<title>"), hit);
        if (open >= 0) {
            const qsizetype start = open + 7;
            const qsizetype end = text.indexOf(QLatin1Char('<'), start);
            title = text.mid(start, end < 0 ? -1 : end - start);
        }
        return QString::fromUtf8(levels[level]) + QStringLiteral("材料:") + title;
    }
    return QString();
}

QString Workspace::adoptFiles(const QString& media, const QString& script)
{
    const QString fileName = QFileInfo(media).fileName();
    if (inWorkspace(media)) {
        if (!listedTitle(fileName).isEmpty())
            return QString();
        copyFile(script, scriptOf(folder() + fileName));
        return fileName;
    }
    const QString name = freeName(fileName);
    copyFile(media, folder() + name);
    copyFile(script, scriptOf(folder() + name));
    return name;
}

bool Workspace::hasMaterial(const QString& name)
{
    return QFileInfo(folder() + name).isFile() && QFileInfo(scriptOf(folder() + name)).isFile();
}

bool Workspace::inWorkspace(const QString& path)
{
    const QString here = QDir(folder()).canonicalPath();
    return !here.isEmpty() && QFileInfo(path).absoluteDir().canonicalPath() == here;
}
