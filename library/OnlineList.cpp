#include "OnlineList.h"

#include "Workspace.h"

#include <QDir>
#include <QHash>
#include <QSaveFile>
#include <QXmlStreamReader>

namespace {
const QString pagePath = QStringLiteral("/inter/imitate.php");
const QString onlineTrainTitle = QStringLiteral("声林在线材料");

// Character data as the DOM writer escapes it: "<" and "&" always, ">" after "]]", and a
// carriage return as a character reference.
QString escapedText(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        const QChar c = text.at(i);
        if (c == QLatin1Char('<'))
            out += QLatin1String("&lt;");
        else if (c == QLatin1Char('&'))
            out += QLatin1String("&amp;");
        else if (c == QLatin1Char('>') && out.endsWith(QLatin1String("]]")))
            out += QLatin1String("&gt;");
        else if (c == QLatin1Char('\r'))
            out += QLatin1String("&#xd;");
        else
            out += c;
    }
    return out;
}

// An attribute value as the DOM writer escapes it: also quotes and white-space characters
// that attribute-value normalisation would otherwise turn into spaces.
QString escapedAttribute(const QString& text)
{
    QString out;
    out.reserve(text.size());
    for (const QChar c : escapedText(text)) {
        if (c == QLatin1Char('"'))
            out += QLatin1String("&quot;");
        else if (c == QLatin1Char('\n'))
            out += QLatin1String("&#xa;");
        else if (c == QLatin1Char('\t'))
            out += QLatin1String("&#x9;");
        else
            out += c;
    }
    return out;
}

// A name of letters, digits, "-", "_" and "." (not "." or ".."), short enough: safe as it
// stands, with nothing to decode. Most names of a list are of this kind, and telling them
// apart without parsing the URL keeps long lists quick.
bool plainName(QStringView name)
{
    if (name.isEmpty() || name.size() > OnlineList::maxNameBytes || name == u"." || name == u"..")
        return false;
    for (const QChar c : name) {
        const char16_t u = c.unicode();
        const bool plain = (u >= 'a' && u <= 'z') || (u >= 'A' && u <= 'Z') ||
                           (u >= '0' && u <= '9') || u == '-' || u == '_' || u == '.';
        if (!plain)
            return false;
    }
    return true;
}

bool hasControl(const QString& text)
{
    for (const QChar c : text) {
        if (c.category() == QChar::Other_Control)
            return true;
    }
    return false;
}

// The text of the first child element named `name` of the current element; the reader ends on
// the current element's end tag.
struct ItemReader {
    QXmlStreamReader& xml;
    OnlineList::Item read(const QUrl& listUrl)
    {
        QString title;
        QString url;
        bool titleSeen = false;
        bool urlSeen = false;
        while (xml.readNextStartElement()) {
            if (xml.name() == QLatin1String("title") && !titleSeen) {
                title = xml.readElementText(QXmlStreamReader::IncludeChildElements);
                titleSeen = true;
            } else if (xml.name() == QLatin1String("audiourl") && !urlSeen) {
                url = xml.readElementText(QXmlStreamReader::IncludeChildElements).trimmed();
                urlSeen = true;
            } else {
                xml.skipCurrentElement();
            }
        }
        return {title, resolve(url, listUrl)};
    }

    // The URL resolved against the list's; folders already resolved are remembered, so a
    // plain file name in a known folder costs no URL parsing.
    QString resolve(const QString& url, const QUrl& listUrl)
    {
        if (url.isEmpty())
            return url;
        const qsizetype slash = url.lastIndexOf(QLatin1Char('/'));
        const QStringView name = QStringView(url).mid(slash + 1);
        const QString folder = url.left(slash + 1);
        if (slash >= 0 && plainName(name) && !folder.contains(QLatin1Char('?')) &&
            !folder.contains(QLatin1Char('#'))) {
            auto known = folders.constFind(folder);
            if (known == folders.constEnd())
                known = folders.insert(folder, resolved(folder, listUrl));
            if (!known->isEmpty())
                return *known + name.toString();
        }
        const QString full = resolved(url, listUrl);
        return full.isEmpty() ? url : full;
    }

    static QString resolved(const QString& url, const QUrl& listUrl)
    {
        const QUrl result = listUrl.resolved(QUrl(url));
        return result.isValid() ? result.toString(QUrl::FullyEncoded) : QString();
    }

    QHash<QString, QString> folders;
};
}  // namespace

QUrl OnlineList::listUrl(const QString& server)
{
    QString base = server.trimmed();
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
    // What a teacher tends to type: a folder of this machine, or a host without a scheme.
    if (base.startsWith(QLatin1Char('/')))
        return QUrl::fromLocalFile(base + pagePath);
    if (!base.isEmpty() && !base.contains(QLatin1String("://")))
        base.prepend(QLatin1String("http://"));
    return QUrl(base + pagePath);
}

QString OnlineList::defaultServer()
{
    return QUrl::fromLocalFile(QDir::current().absoluteFilePath(QStringLiteral("catalogue")))
        .toString();
}

QString OnlineList::netList(int level)
{
    static const char* const files[] = {"basic-net.xml", "advanced-net.xml", "expert-net.xml"};
    return level >= 0 && level < levelCount ? QString::fromLatin1(files[level]) : QString();
}

bool OnlineList::parse(const QString& text, const QUrl& listUrl, QString* error)
{
    channels.clear();
    QXmlStreamReader xml(text);
    ItemReader items{xml, {}};
    while (!xml.atEnd()) {
        const QXmlStreamReader::TokenType token = xml.readNext();
        if (token == QXmlStreamReader::DTD && xml.text().contains(QLatin1Char('['))) {
            *error = QStringLiteral("列表声明了内部文档类型，已拒绝");
            channels.clear();
            return false;
        }
        if (token != QXmlStreamReader::StartElement || xml.name() != QLatin1String("channel"))
            continue;
        // The direct `item` children of the channel; a nested channel counts on its own only
        // when met outside this one, which the reader never does once inside.
        QList<Item> channel;
        while (xml.readNextStartElement()) {
            if (xml.name() == QLatin1String("item"))
                channel.append(items.read(listUrl));
            else
                xml.skipCurrentElement();
        }
        if (channels.size() < levelCount)
            channels.append(channel);
    }
    if (xml.hasError()) {
        *error = QStringLiteral("列表不是完整的 XML（第 %1 行）：%2")
                     .arg(xml.lineNumber())
                     .arg(xml.errorString());
        channels.clear();
        return false;
    }
    if (channels.isEmpty()) {
        *error = QStringLiteral("列表中没有材料频道");
        return false;
    }
    return true;
}

QByteArray OnlineList::netListBytes(int level) const
{
    // The same bytes as the trains-file writer's DOM output, written directly: a list of
    // thousands of materials is written in a fraction of the time.
    QString out;
    out.reserve(256 + int(channels.at(level).size()) * 160);
    out += QStringLiteral("<parlino version=\"1.0\">\n    <train folded=\"no\">\n        <title>");
    out += escapedText(onlineTrainTitle);
    out += QStringLiteral("</title>\n");
    for (const Item& item : channels.at(level)) {
        out += QStringLiteral("        <case url=\"");
        out += escapedAttribute(item.url);
        out += QStringLiteral("\">\n            <title>");
        out += escapedText(item.title);
        out += QStringLiteral("</title>\n        </case>\n");
    }
    out += QStringLiteral("    </train>\n</parlino>\n");
    return "<?xml version='1.0' encoding='UTF-8'?>\n<!DOCTYPE parlino>\n" + out.toUtf8();
}

bool OnlineList::writeNetList(int level) const
{
    QSaveFile file(netList(level));
    if (!file.open(QIODevice::WriteOnly))
        return false;
    const QByteArray bytes = netListBytes(level);
    if (file.write(bytes) != bytes.size()) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

QString OnlineList::unsafeNameReason(const QString& url)
{
    const QUrl parsed(url);
    const QString encodedPath = parsed.path(QUrl::FullyEncoded);
    const QString lastEncoded = encodedPath.section(QLatin1Char('/'), -1);
    const QString decoded = QUrl::fromPercentEncoding(lastEncoded.toUtf8());
    const QString name = Workspace::fileNamePart(url);
    for (const QString& candidate : {decoded, name}) {
        if (candidate.isEmpty() || candidate == QLatin1String(".") ||
            candidate == QLatin1String(".."))
            return QStringLiteral("地址中没有可用的文件名");
        if (candidate.contains(QLatin1Char('/')) || candidate.contains(QLatin1Char('\\')))
            return QStringLiteral("文件名含有路径分隔符");
        if (hasControl(candidate))
            return QStringLiteral("文件名含有控制字符");
        if (candidate.toUtf8().size() > maxNameBytes)
            return QStringLiteral("文件名过长");
    }
    return {};
}

QString OnlineList::unavailableReason(const QString& url, const QUrl& listUrl)
{
    const bool plainHttp =
        url.startsWith(QLatin1String("http://")) || url.startsWith(QLatin1String("https://"));
    const qsizetype slash = url.lastIndexOf(QLatin1Char('/'));
    if (plainHttp && slash > url.indexOf(QLatin1String("://")) + 2 &&
        plainName(QStringView(url).mid(slash + 1)))
        return {};

    const QUrl parsed(url);
    if (url.isEmpty() || !parsed.isValid() || parsed.isRelative())
        return QStringLiteral("材料地址无效");
    const bool http =
        parsed.scheme() == QLatin1String("http") || parsed.scheme() == QLatin1String("https");
    if (!http && !(parsed.isLocalFile() && listUrl.isLocalFile()))
        return QStringLiteral("不支持的下载地址：%1").arg(parsed.scheme());
    return unsafeNameReason(url);
}

QString OnlineList::scriptUrl(const QString& mediaUrl)
{
    QUrl url(mediaUrl);
    QString path = url.path(QUrl::FullyEncoded);
    const qsizetype slash = path.lastIndexOf(QLatin1Char('/'));
    const qsizetype dot = path.lastIndexOf(QLatin1Char('.'));
    path = (dot > slash ? path.left(dot) : path) + QStringLiteral(".lrc");
    url.setPath(path, QUrl::TolerantMode);
    url.setQuery(QString());
    url.setFragment(QString());
    return url.toString(QUrl::FullyEncoded);
}
