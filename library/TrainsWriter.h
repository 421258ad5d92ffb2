#pragma once
// TrainsWriter: writes a material tree, or a ready document, as a trains file. The file gets
// two fixed header lines and then the document with 4-space indentation; it is written through
// a save file, so an interrupted save leaves the previous list intact. What the reader made is
// written back: groups nested as they are, each group's folded state as the tree shows it,
// separators, and each material's file and `learned` name. GUI thread only (it reads tree
// rows).
#include <QDomDocument>
#include <QString>

class QIODevice;
class QTreeWidget;

class TrainsWriter {
public:
    // The document of a tree: one element per row, in tree order, nested as the rows are.
    static QDomDocument document(const QTreeWidget* tree);
    // Writes the header lines and the document; false when the file could not be written.
    static bool save(const QDomDocument& document, const QString& fileName);
    // Writes the header lines and the document to an open device; false on a write error.
    static bool write(const QDomDocument& document, QIODevice* device);
    // document() followed by save().
    static bool saveTree(const QTreeWidget* tree, const QString& fileName);

    // Title of the group that takes imported materials.
    static QString importedGroupTitle();
};
