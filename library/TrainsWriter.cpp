#include "TrainsWriter.h"

#include "LibraryRow.h"

#include "XmlHandler.h"

#include <QSaveFile>
#include <QTextStream>
#include <QTreeWidget>

#include <vector>

namespace {
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

QString titleOf(const QTreeWidgetItem* row) { return xmlText(row->text(LibraryRow::Title)); }
QString urlOf(const QTreeWidgetItem* row) { return xmlText(row->text(LibraryRow::File)); }

// The element a row is written as: a case when it names a file, a separator when it was read
// as one, a train otherwise.
QString tagOf(const QTreeWidgetItem* row)
{
    if (!urlOf(row).isEmpty())
        return QStringLiteral("case");
    if (row->data(LibraryRow::Title, XmlHandler::ElementRole).toString() ==
        QLatin1String("separator"))
        return QStringLiteral("separator");
    return QStringLiteral("train");
}

// One row's element with its attributes and title; its rows follow inside it.
QDomElement rowElement(QDomDocument& doc, const QTreeWidgetItem* row)
{
    const QString tag = tagOf(row);
    QDomElement element = doc.createElement(tag);
    if (tag == QLatin1String("case")) {
        element.setAttribute(QStringLiteral("url"), urlOf(row));
        const QVariant learned = row->data(LibraryRow::Title, XmlHandler::LearnedRole);
        if (learned.isValid())
            element.setAttribute(QStringLiteral("learned"), xmlText(learned.toString()));
    } else if (tag == QLatin1String("train")) {
        element.setAttribute(QStringLiteral("folded"),
                             row->isExpanded() ? QStringLiteral("no") : QStringLiteral("yes"));
    }
    // A separator shows its dots unless the file gave it a title.
    if (tag != QLatin1String("separator") ||
        row->text(LibraryRow::Title) != XmlHandler::separatorText()) {
        QDomElement title = doc.createElement(QStringLiteral("title"));
        element.appendChild(title);
        title.appendChild(doc.createTextNode(titleOf(row)));
    }
    return element;
}
}  // namespace

QString TrainsWriter::importedGroupTitle() { return QStringLiteral("导入的材料"); }

QDomDocument TrainsWriter::document(const QTreeWidget* tree)
{
    QDomDocument doc;
    QDomElement root = doc.createElement(QStringLiteral("parlino"));
    doc.appendChild(root);
    root.setAttribute(QStringLiteral("version"), QStringLiteral("1.0"));

    // Depth first with an explicit stack, so that however deep a list nests, writing it
    // cannot exhaust the call stack.
    struct Pending {
        const QTreeWidgetItem* row;
        QDomElement parent;
    };
    std::vector<Pending> stack;
    const QTreeWidgetItem* top = tree->invisibleRootItem();
    for (int i = top->childCount() - 1; i >= 0; --i)
        stack.push_back({top->child(i), root});
    while (!stack.empty()) {
        const Pending next = stack.back();
        stack.pop_back();
        QDomElement element = rowElement(doc, next.row);
        QDomElement parent = next.parent;
        parent.appendChild(element);
        for (int i = next.row->childCount() - 1; i >= 0; --i)
            stack.push_back({next.row->child(i), element});
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
