#pragma once
// GalleryBoard: lays grabbed widget pictures out in labelled rows on one sheet and writes it
// as PNG into the gallery folder, for a person to look at.
#include <QImage>
#include <QList>
#include <QString>

class GalleryBoard {
public:
    explicit GalleryBoard(const QString& title, int scale = 2);
    void row(const QString& label);
    void add(const QImage& picture, const QString& caption = QString());
    // Renders the board and writes it; the path written, or empty on failure.
    QString save(const QString& fileName) const;

    // $ECHORA_GALLERY_DIR, else "gallery" in the working directory.
    static QString dir();

private:
    struct Cell {
        QImage picture;
        QString caption;
    };
    struct Row {
        QString label;
        QList<Cell> cells;
    };
    QString title;
    int scale;
    QList<Row> rows;
};
