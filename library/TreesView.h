#pragma once
// TreesView: the materials library: three tabs of material trees, one per level.
// GUI thread only.
//
// Minimal stand-in: three empty trees under their object names, with the signals and slots
// the main window connects. Reading the list files comes with the library.
#include <QTabWidget>

class QTreeWidget;

class TreesView : public QTabWidget {
    Q_OBJECT
public:
    explicit TreesView(QWidget* parent = nullptr);

Q_SIGNALS:
    void switchSig(QString path);
    void exportSig(QString path);
    void loadresSig(QString url);
    void fetchingSig(bool fetching);
    void showNumSig(int delta);

public Q_SLOTS:
    void on_actionOnline_toggled(bool online);
    void on_actionImport_triggered();

private:
    QTreeWidget* basic;
    QTreeWidget* advanced;
    QTreeWidget* expert;
};
