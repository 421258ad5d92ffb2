#include "XmlHandler.h"

#include "LibraryRow.h"

#include <QApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QMessageBox>
#include <QRegularExpression>
#include <QStyle>
#include <QTreeWidget>
#include <QUrl>
#include <QXmlInputSource>
#include <QXmlSimpleReader>

#include <optional>
#include <utility>

namespace {
QString notTrainsFile() { return QStringLiteral("The file is not a parlino trains file."); }

void showParseError(QTreeWidget* tree, const QString& text)
{
    QMessageBox::information(tree->window(), QStringLiteral("parlino trains"), text);
}

// The text of a trains file, decoded as its declaration says; none when the file holds more
// than a list may.
std::optional<QString> decoded(QIODevice* device)
{
    const QByteArray bytes = device->read(XmlHandler::maxListBytes + 1);
    if (bytes.size() > XmlHandler::maxListBytes)
        return std::nullopt;
    QXmlInputSource source;
    source.setData(bytes);
    QString text = source.data();
    if (text.startsWith(QChar(0xFEFF)))
        text.remove(0, 1);
    return text;
}

// Where the internal subset of the document type begins (its "["), or -1 when the document
// has none. Only the prolog is looked at: comments, processing instructions and white space
// may come before the document type, and quoted identifiers may hold brackets.
qsizetype internalSubsetAt(const QString& text)
{
    const qsizetype n = text.size();
    qsizetype i = 0;
    for (;;) {
        while (i < n && text[i].isSpace())
            ++i;
        const QStringView rest = QStringView(text).mid(i);
        const QLatin1String close = rest.startsWith(QLatin1String("<!--")) ? QLatin1String("-->")
                                    : rest.startsWith(QLatin1String("<?")) ? QLatin1String("?>")
                                                                           : QLatin1String();
        if (close.size() == 0)
            break;
        const qsizetype end = text.indexOf(close, i + 2);
        if (end < 0)
            return -1;
        i = end + close.size();
    }
    const QLatin1String doctype("<!DOCTYPE");
    if (!QStringView(text).mid(i).startsWith(doctype))
        return -1;
    QChar quote;
    for (i += doctype.size(); i < n; ++i) {
        const QChar c = text[i];
        if (!quote.isNull()) {
            if (c == quote)
                quote = QChar();
        } else if (c == QLatin1Char('"') || c == QLatin1Char('\'')) {
            quote = c;
        } else if (c == QLatin1Char('[')) {
            return i;
        } else if (c == QLatin1Char('>')) {
            return -1;
        }
    }
    return -1;
}

// Line and column, counted from 1, of a position in a text.
std::pair<int, int> lineAndColumn(const QString& text, qsizetype at)
{
    const QStringView before = QStringView(text).left(at);
    const qsizetype lineStart = before.lastIndexOf(QLatin1Char('\n')) + 1;
    return {int(before.count(QLatin1Char('\n'))) + 1, int(at - lineStart) + 1};
}

// The text with every "&" that begins no entity or character reference written as "&amp;".
QString withBareAmpersandsEscaped(const QString& text)
{
    static const QRegularExpression reference(
        QStringLiteral("&(#[0-9]+|#x[0-9A-Fa-f]+|[A-Za-z_:][A-Za-z0-9._:-]*);"));
    QString out;
    out.reserve(text.size());
    for (qsizetype i = 0; i < text.size(); ++i) {
        out += text[i];
        if (text[i] == QLatin1Char('&') &&
            !reference
                 .match(text, i, QRegularExpression::NormalMatch,
                        QRegularExpression::AnchorAtOffsetMatchOption)
                 .hasMatch())
            out += QStringLiteral("amp;");
    }
    return out;
}

void removeRowsFrom(QTreeWidget* tree, int first)
{
    while (tree->topLevelItemCount() > first)
        delete tree->takeTopLevelItem(tree->topLevelItemCount() - 1);
}

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

bool XmlHandler::readFile(QTreeWidget* tree, const QString& fileName, bool onlineList,
                          QString* parseError)
{
    // A list that does not exist yet (a fresh runtime folder) is an empty list, not an error:
    // the first change writes it.
    if (!QFileInfo::exists(fileName)) {
        XmlHandler handler(tree, onlineList);
        return true;
    }
    // A file that cannot be opened reads as empty input and is reported by the parser.
    QFile file(fileName);
    const std::optional<QString> text =
        file.open(QIODevice::ReadOnly) ? decoded(&file) : std::optional(QString());
    QString error;
    const int rowsBefore = tree->topLevelItemCount();
    const bool complete =
        text ? readText(tree, *text, onlineList, &error) : refuse(tree, onlineList, 1, 1, &error);
    if (!complete && text) {
        // The commonest damage, a bare "&" in a title typed by hand, leaves the rest of the
        // file readable: read it with each such "&" taken as text.
        const QString repaired = withBareAmpersandsEscaped(*text);
        if (repaired != *text) {
            QString ignored;
            removeRowsFrom(tree, rowsBefore);
            if (!readText(tree, repaired, onlineList, &ignored)) {
                removeRowsFrom(tree, rowsBefore);
                readText(tree, *text, onlineList, &ignored);
            }
        }
    }
    if (!complete) {
        if (parseError)
            *parseError = error;
        else
            showParseError(tree, error);
    }
    return complete;
}

bool XmlHandler::readDevice(QTreeWidget* tree, QIODevice* device, bool onlineList,
                            QString* parseError)
{
    const std::optional<QString> text = decoded(device);
    if (!text)
        return refuse(tree, onlineList, 1, 1, parseError);
    return readText(tree, *text, onlineList, parseError);
}

bool XmlHandler::readText(QTreeWidget* tree, const QString& text, bool onlineList,
                          QString* parseError)
{
    const qsizetype subset = internalSubsetAt(text);
    if (subset >= 0) {
        const auto [line, column] = lineAndColumn(text, subset);
        return refuse(tree, onlineList, line, column, parseError);
    }
    XmlHandler handler(tree, onlineList);
    handler.parseErrorOut = parseError;
    QXmlSimpleReader reader;
    reader.setContentHandler(&handler);
    reader.setErrorHandler(&handler);
    reader.setDeclHandler(&handler);
    QXmlInputSource source;
    source.setData(text);
    return reader.parse(&source);
}

bool XmlHandler::refuse(QTreeWidget* tree, bool onlineList, int line, int column,
                        QString* parseError)
{
    XmlHandler handler(tree, onlineList);
    handler.parseErrorOut = parseError;
    handler.report(line, column, notTrainsFile());
    return false;
}

void XmlHandler::report(int line, int column, const QString& message)
{
    const QString text =
        QStringLiteral("Parse error at line %1, column %2:\n%3").arg(line).arg(column).arg(message);
    if (parseErrorOut)
        *parseErrorOut = text;
    else
        showParseError(treeWidget, text);
}

QTreeWidgetItem* XmlHandler::createChildItem(const QString& tagName)
{
    auto* item = currentItem ? new QTreeWidgetItem(currentItem) : new QTreeWidgetItem(treeWidget);
    // The element name, as the original reader stored it: percent-decoded and translated,
    // which leaves these plain names unchanged.
    const QString name = QUrl::fromPercentEncoding(tagName.toLocal8Bit());
    item->setData(LibraryRow::Title, ElementRole,
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
            errorText = notTrainsFile();
            return false;
        }
        rootSeen = true;
    } else if (qName == QLatin1String("train")) {
        currentItem = createChildItem(qName);
        currentItem->setIcon(LibraryRow::Title, groupIcon);
        currentItem->setText(LibraryRow::Title, QStringLiteral("Train"));
        currentItem->setExpanded(attributes.value(QStringLiteral("folded")) == QLatin1String("no"));
    } else if (qName == QLatin1String("case")) {
        currentItem = createChildItem(qName);
        currentItem->setIcon(LibraryRow::Title, caseIcon);
        currentItem->setText(LibraryRow::Title, QStringLiteral("Unknown title"));
        currentItem->setText(LibraryRow::Spacer, QString());
        currentItem->setText(LibraryRow::State,
                             onlineList ? LibraryRow::stateFetch : LibraryRow::stateExport);
        if (learned.contains(attributes.value(QStringLiteral("learned"))))
            currentItem->setText(LibraryRow::State, LibraryRow::stateReview);
        currentItem->setText(LibraryRow::File, attributes.value(QStringLiteral("url")));
        if (attributes.index(QStringLiteral("learned")) >= 0)
            currentItem->setData(LibraryRow::Title, LearnedRole,
                                 attributes.value(QStringLiteral("learned")));
    } else if (qName == QLatin1String("separator")) {
        currentItem = createChildItem(qName);
        currentItem->setFlags(currentItem->flags() & ~Qt::ItemIsSelectable);
        currentItem->setText(LibraryRow::Title, separatorText());
    }
    currentText.clear();
    return true;
}

bool XmlHandler::endElement(const QString&, const QString&, const QString& qName)
{
    if (qName == QLatin1String("title")) {
        if (currentItem)
            currentItem->setText(LibraryRow::Title, currentText);
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
    report(exception.lineNumber(), exception.columnNumber(), exception.message());
    return false;
}

bool XmlHandler::internalEntityDecl(const QString&, const QString&)
{
    errorText = notTrainsFile();
    return false;
}

bool XmlHandler::externalEntityDecl(const QString&, const QString&, const QString&)
{
    errorText = notTrainsFile();
    return false;
}

QString XmlHandler::errorString() const { return errorText; }
