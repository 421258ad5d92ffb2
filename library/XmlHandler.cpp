#include "XmlHandler.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QStyle>
#include <QTreeWidget>
#include <QUrl>
#include <QXmlInputSource>
#include <QXmlSimpleReader>

namespace {
// Names of the practice folders under "./workspace/train/": a case whose `learned` attribute
// names one of them is shown for review.
QSet<QString> learnedNames()
{
    const QStringList names =
        QDir(QStringLiteral("./workspace/train/")).entryList(QDir::Dirs, QDir::Unsorted);
    return QSet<QString>(names.begin(), names.end());
}

// The style's icon made by `make`, built once and kept on the application's style: building
// one reads several pictures, and every list read and every new row needs the same two.
template <class Make> QIcon styleIcon(QStyle* style, const char* key, Make make)
{
    QStyle* keeper = QApplication::style();
    const QVariant kept = keeper->property(key);
    if (kept.isValid())
        return kept.value<QIcon>();
    const QIcon icon = make(style);
    keeper->setProperty(key, QVariant::fromValue(icon));
    return icon;
}
}  // namespace

XmlHandler::XmlHandler(QTreeWidget* tree, bool online)
    : treeWidget(tree), onlineList(online), learned(learnedNames())
{
    const QString sheet = QStringLiteral("QPushButton{border:0px;}");
    if (treeWidget->styleSheet() != sheet)
        treeWidget->setStyleSheet(sheet);
    groupIcon = styleIcon(treeWidget->style(), "echoraGroupIcon",
                          [](QStyle* style) { return style->standardIcon(QStyle::SP_DirIcon); });
    caseIcon = styleIcon(treeWidget->style(), "echoraCaseIcon", [](QStyle* style) {
        return QIcon(style->standardPixmap(QStyle::SP_FileIcon));
    });
}

QString XmlHandler::separatorText() { return QString(30, QChar(0x00B7)); }

bool XmlHandler::readFile(QTreeWidget* tree, const QString& fileName, bool onlineList)
{
    QFile file(fileName);
    if (QFileInfo::exists(fileName) && file.open(QIODevice::ReadOnly))
        return readDevice(tree, &file, onlineList);
    XmlHandler handler(tree, onlineList);
    // A list that does not exist yet (a fresh runtime folder) is an empty list, not an error:
    // the first change writes it.
    if (!QFileInfo::exists(fileName))
        return true;
    // A file that cannot be opened reads as empty input and is reported by the parser.
    QXmlSimpleReader reader;
    reader.setContentHandler(&handler);
    reader.setErrorHandler(&handler);
    return reader.parse(QXmlInputSource());
}

bool XmlHandler::readDevice(QTreeWidget* tree, QIODevice* device, bool onlineList,
                            QString* parseError)
{
    XmlHandler handler(tree, onlineList);
    handler.parseErrorOut = parseError;
    QXmlSimpleReader reader;
    reader.setContentHandler(&handler);
    reader.setErrorHandler(&handler);
    QXmlInputSource source(device);
    return reader.parse(source);
}

QTreeWidgetItem* XmlHandler::createChildItem(const QString& tagName)
{
    auto* item = currentItem ? new QTreeWidgetItem(currentItem) : new QTreeWidgetItem(treeWidget);
    // The element name, as the original reader stored it: percent-decoded and translated,
    // which leaves these plain names unchanged.
    const QString name = QUrl::fromPercentEncoding(tagName.toLocal8Bit());
    item->setData(0, ElementRole,
                  QCoreApplication::translate("XmlHandler", name.toUtf8().constData()));
    return item;
}

bool XmlHandler::startElement(const QString&, const QString&, const QString& qName,
                              const QXmlAttributes& attributes)
{
    if (!rootSeen && qName != QLatin1String("parlino")) {
        errorText = QStringLiteral("The file is not a parlino file.");
        return false;
    }
    if (qName == QLatin1String("parlino")) {
        const QString version = attributes.value(QStringLiteral("version"));
        if (!version.isEmpty() && version != QLatin1String("1.0")) {
            errorText = QStringLiteral("The file is not a parlino trains file.");
            return false;
        }
        rootSeen = true;
    } else if (qName == QLatin1String("train")) {
        currentItem = createChildItem(qName);
        currentItem->setIcon(0, groupIcon);
        currentItem->setText(0, QStringLiteral("Train"));
        currentItem->setExpanded(attributes.value(QStringLiteral("folded")) == QLatin1String("no"));
    } else if (qName == QLatin1String("case")) {
        currentItem = createChildItem(qName);
        currentItem->setIcon(0, caseIcon);
        currentItem->setText(0, QStringLiteral("Unknown title"));
        currentItem->setText(1, QString());
        currentItem->setText(2, onlineList ? QStringLiteral("点击下载") : QStringLiteral("导出"));
        if (learned.contains(attributes.value(QStringLiteral("learned"))))
            currentItem->setText(2, QStringLiteral("复习"));
        currentItem->setText(3, attributes.value(QStringLiteral("url")));
    } else if (qName == QLatin1String("separator")) {
        currentItem = createChildItem(qName);
        currentItem->setFlags(currentItem->flags() & ~Qt::ItemIsSelectable);
        currentItem->setText(0, separatorText());
    }
    currentText.clear();
    return true;
}

bool XmlHandler::endElement(const QString&, const QString&, const QString& qName)
{
    if (qName == QLatin1String("title")) {
        if (currentItem)
            currentItem->setText(0, currentText);
    } else if (qName == QLatin1String("train") || qName == QLatin1String("case") ||
               qName == QLatin1String("separator")) {
        if (currentItem)
            currentItem = currentItem->parent();
    }
    return true;
}

bool XmlHandler::characters(const QString& text)
{
    currentText += text;
    return true;
}

bool XmlHandler::fatalError(const QXmlParseException& exception)
{
    const QString report = QStringLiteral("Parse error at line %1, column %2:\n%3")
                               .arg(exception.lineNumber())
                               .arg(exception.columnNumber())
                               .arg(exception.message());
    if (parseErrorOut)
        *parseErrorOut = report;
    else
        QMessageBox::information(treeWidget->window(), QStringLiteral("parlino trains"), report);
    return false;
}

QString XmlHandler::errorString() const { return errorText; }
