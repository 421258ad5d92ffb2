#include "TrainsWriter.h"

#include <QSaveFile>
#include <QTextStream>
#include <QTreeWidget>

#include <vector>

namespace {
QDomElement appendTitled(QDomDocument& doc, QDomNode parent, const QString& tag,
                         const QString& title)
{
    QDomElement element = doc.createElement(tag);
    parent.appendChild(element);
    QDomElement titleElement = doc.createElement(QStringLiteral("title"));
    element.appendChild(titleElement);
    titleElement.appendChild(doc.createTextNode(title));
    return element;
}

// Text as XML can carry it: characters outside XML's character range (most control
// characters, unpaired surrogates, U+FFFE and U+FFFF) are left out. Titles and file names can
// hold them (a character reference the reader let through, a file name, a pasted title), and
// a list written with them would stop reading at that row the next time.
QString xmlText(const QString& text)
{
    QString kept;
    const qsizetype n = text.size();
    for (qsizetype i = 0; i < n; ++i) {
        const char16_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < n &&
            QChar::isLowSurrogate(text[i + 1].unicode())) {
            kept += text[i];
            kept += text[++i];
            continue;
        }
        const bool allowed = (c >= 0x20 || c == u'\t' || c == u'\n' || c == u'\r') &&
                             !QChar::isSurrogate(c) && c != 0xFFFE && c != 0xFFFF;
        if (allowed)
            kept += text[i];
    }
    return kept;
}

QString titleOf(const QTreeWidgetItem* row) { return xmlText(row->text(0)); }
QString urlOf(const QTreeWidgetItem* row) { return xmlText(row->text(3)); }

void setCaseAttributes(QDomElement& element, const QTreeWidgetItem* row)
{
    element.setAttribute(QStringLiteral("url"), urlOf(row));
}
}  // namespace

QString TrainsWriter::importedGroupTitle() { return QStringLiteral("导入的材料"); }

QDomDocument TrainsWriter::document(const QTreeWidget* tree)
{
    QDomDocument doc;
    QDomElement root = doc.createElement(QStringLiteral("parlino"));
    doc.appendChild(root);
    root.setAttribute(QStringLiteral("version"), QStringLiteral("1.0"));

    QDomElement lastTrain;
    QDomElement importedTrain;  // the train titled "导入的材料", once written
    std::vector<const QTreeWidgetItem*> homeless;
    std::vector<const QTreeWidgetItem*> stack{tree->invisibleRootItem()};
    while (!stack.empty()) {
        const QTreeWidgetItem* row = stack.back();
        stack.pop_back();
        if (!urlOf(row).isEmpty()) {
            const bool topLevel = row->parent() == nullptr && row != tree->invisibleRootItem();
            if (topLevel || lastTrain.isNull()) {
                homeless.push_back(row);
                continue;
            }
            QDomElement element = doc.createElement(QStringLiteral("case"));
            lastTrain.appendChild(element);
            setCaseAttributes(element, row);
            QDomElement title = doc.createElement(QStringLiteral("title"));
            element.appendChild(title);
            title.appendChild(doc.createTextNode(titleOf(row)));
            continue;
        }
        for (int i = row->childCount() - 1; i >= 0; --i)
            stack.push_back(row->child(i));
        const QString title = titleOf(row);
        if (title.isEmpty())
            continue;
        lastTrain = appendTitled(doc, root, QStringLiteral("train"), title);
        lastTrain.setAttribute(QStringLiteral("folded"), QStringLiteral("no"));
        if (importedTrain.isNull() && row->parent() == nullptr && title == importedGroupTitle())
            importedTrain = lastTrain;
    }
    if (!homeless.empty()) {
        if (importedTrain.isNull()) {
            importedTrain = appendTitled(doc, root, QStringLiteral("train"), importedGroupTitle());
            importedTrain.setAttribute(QStringLiteral("folded"), QStringLiteral("no"));
        }
        for (const QTreeWidgetItem* row : homeless) {
            QDomElement element =
                appendTitled(doc, importedTrain, QStringLiteral("case"), titleOf(row));
            setCaseAttributes(element, row);
        }
    }
    return doc;
}

bool TrainsWriter::save(const QDomDocument& document, const QString& fileName)
{
    QSaveFile file(fileName);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Text))
        return false;
    if (!write(document, &file)) {
        file.cancelWriting();
        return false;
    }
    return file.commit();
}

bool TrainsWriter::write(const QDomDocument& document, QIODevice* device)
{
    if (device->write("<?xml version='1.0' encoding='UTF-8'?>\n") < 0 ||
        device->write("<!DOCTYPE parlino>\n") < 0)
        return false;
    QTextStream stream(device);
    document.save(stream, 4);
    stream.flush();
    return stream.status() == QTextStream::Ok;
}

bool TrainsWriter::saveTree(const QTreeWidget* tree, const QString& fileName)
{
    return save(document(tree), fileName);
}
