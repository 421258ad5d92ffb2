#include "OnlineList.h"

#include "TrainsWriter.h"
#include "Workspace.h"

#include <QDir>
#include <QDomDocument>
#include <QXmlStreamReader>

namespace {
const QString pagePath = QStringLiteral("/inter/imitate.php");
const QString onlineTrainTitle = QStringLiteral("声林在线材料");

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
        const QUrl resolved = url.isEmpty() ? QUrl() : listUrl.resolved(QUrl(url));
        return {title, resolved.isValid() ? resolved.toString(QUrl::FullyEncoded) : url};
    }
};
}  // namespace

QUrl OnlineList::listUrl(const QString& server)
{
    QString base = server.trimmed();
    while (base.endsWith(QLatin1Char('/')))
        base.chop(1);
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
        QList<Item> items;
        while (xml.readNextStartElement()) {
            if (xml.name() == QLatin1String("item"))
                items.append(ItemReader{xml}.read(listUrl));
            else
                xml.skipCurrentElement();
        }
        if (channels.size() < levelCount)
            channels.append(items);
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

bool OnlineList::writeNetList(int level) const
{
    QDomDocument document;
    QDomElement root = document.createElement(QStringLiteral("parlino"));
    root.setAttribute(QStringLiteral("version"), QStringLiteral("1.0"));
    document.appendChild(root);
    QDomElement train = document.createElement(QStringLiteral("train"));
    train.setAttribute(QStringLiteral("folded"), QStringLiteral("no"));
    root.appendChild(train);
    QDomElement trainTitle = document.createElement(QStringLiteral("title"));
    trainTitle.appendChild(document.createTextNode(onlineTrainTitle));
    train.appendChild(trainTitle);
    for (const Item& item : channels.at(level)) {
        QDomElement material = document.createElement(QStringLiteral("case"));
        material.setAttribute(QStringLiteral("url"), item.url);
        QDomElement title = document.createElement(QStringLiteral("title"));
        title.appendChild(document.createTextNode(item.title));
        material.appendChild(title);
        train.appendChild(material);
    }
    return TrainsWriter::save(document, netList(level));
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
