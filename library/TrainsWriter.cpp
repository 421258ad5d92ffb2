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

void setCaseAttributes(QDomElement& element, const QTreeWidgetItem* row)
{
    element.setAttribute(QStringLiteral("url"), row->text(3));
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
        if (!row->text(3).isEmpty()) {
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
            title.appendChild(doc.createTextNode(row->text(0)));
            continue;
        }
        for (int i = row->childCount() - 1; i >= 0; --i)
            stack.push_back(row->child(i));
        if (row->text(0).isEmpty())
            continue;
        lastTrain = appendTitled(doc, root, QStringLiteral("train"), row->text(0));
        lastTrain.setAttribute(QStringLiteral("folded"), QStringLiteral("no"));
        if (importedTrain.isNull() && row->parent() == nullptr &&
            row->text(0) == importedGroupTitle())
            importedTrain = lastTrain;
    }
    if (!homeless.empty()) {
        if (importedTrain.isNull()) {
            importedTrain = appendTitled(doc, root, QStringLiteral("train"), importedGroupTitle());
            importedTrain.setAttribute(QStringLiteral("folded"), QStringLiteral("no"));
        }
        for (const QTreeWidgetItem* row : homeless) {
            QDomElement element =
                appendTitled(doc, importedTrain, QStringLiteral("case"), row->text(0));
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
