#pragma once
// XmlHandler: the SAX reader of trains files. As the parser reports elements it fills a tree
// with train rows (groups), case rows (materials) and separator rows; it is content handler
// and error handler at once. GUI thread only: it creates tree rows and shows the parse-error
// box over the tree's window.
#include <QIcon>
#include <QSet>
#include <QString>
#include <QXmlDefaultHandler>

class QIODevice;
class QTreeWidget;
class QTreeWidgetItem;

class XmlHandler : public QXmlDefaultHandler {
public:
    XmlHandler(QTreeWidget* tree, bool onlineList);

    bool startElement(const QString& namespaceURI, const QString& localName, const QString& qName,
                      const QXmlAttributes& attributes) override;
    bool endElement(const QString& namespaceURI, const QString& localName,
                    const QString& qName) override;
    bool characters(const QString& text) override;
    bool fatalError(const QXmlParseException& exception) override;
    QString errorString() const override;

    // Reads a trains file into the tree (rows are appended; the caller clears first).
    // False when the parse stopped early; rows made before the error stay. A file that does
    // not exist reads as an empty list.
    static bool readFile(QTreeWidget* tree, const QString& fileName, bool onlineList);
    // Reads trains-file bytes from an open device the same way. With `parseError` given, a
    // parse error is stored there ("Parse error at line L, column C:\nmessage") instead of
    // being shown in a message box.
    static bool readDevice(QTreeWidget* tree, QIODevice* device, bool onlineList,
                           QString* parseError = nullptr);

    // Column 0 of a separator row: thirty middle dots.
    static QString separatorText();
    // Role of column 0 that holds the element name a row was read from.
    static constexpr int ElementRole = Qt::UserRole;

private:
    QTreeWidgetItem* createChildItem(const QString& tagName);

    QTreeWidget* treeWidget;
    QTreeWidgetItem* currentItem = nullptr;
    QString currentText;
    QString errorText;
    QString* parseErrorOut = nullptr;  // where fatalError() stores the report, if not shown
    bool rootSeen = false;
    bool onlineList;
    QSet<QString> learned;  // practice folder names, listed once per read
    QIcon groupIcon;
    QIcon caseIcon;
};
