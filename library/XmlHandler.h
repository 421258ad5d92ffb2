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
    // Entity declarations are refused wherever the reader meets them (lists never declare
    // any; readText refuses the internal subset that would hold them before parsing).
    bool internalEntityDecl(const QString& name, const QString& value) override;
    bool externalEntityDecl(const QString& name, const QString& publicId,
                            const QString& systemId) override;
    QString errorString() const override;

    // Reads a trains file into the tree (rows are appended; the caller clears first).
    // False when the file did not read completely: its rows up to the error stay, and when
    // the error is a bare "&" in a text the rows after it are read too. A file that does not
    // exist reads as an empty list. With `parseError` given, the error is stored there
    // ("Parse error at line L, column C:\nmessage") instead of being shown in a message box.
    static bool readFile(QTreeWidget* tree, const QString& fileName, bool onlineList,
                         QString* parseError = nullptr);
    // Reads trains-file bytes from an open device the same way, without the repair.
    // A document type with an internal subset (lists never declare entities, and declared
    // ones can expand without bound) and input beyond maxListBytes are refused with the
    // message of a file that is not a trains file.
    static bool readDevice(QTreeWidget* tree, QIODevice* device, bool onlineList,
                           QString* parseError = nullptr);

    // Column 0 of a separator row: thirty middle dots.
    static QString separatorText();
    // Role of column 0 that holds the element name a row was read from.
    static constexpr int ElementRole = Qt::UserRole;
    // Role of column 0 that holds a case's `learned` attribute, written back as it was read.
    static constexpr int LearnedRole = Qt::UserRole + 1;
    // Largest trains file read, in bytes: far beyond any list of materials.
    static constexpr qint64 maxListBytes = 8 * 1024 * 1024;

private:
    // Parses a whole document held in `text` into the tree.
    static bool readText(QTreeWidget* tree, const QString& text, bool onlineList,
                         QString* parseError);
    // Reports the file as no trains file at a line and column, creating no rows.
    static bool refuse(QTreeWidget* tree, bool onlineList, int line, int column,
                       QString* parseError);
    // Shows or stores a parse error, as parseErrorOut says.
    void report(int line, int column, const QString& message);
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
