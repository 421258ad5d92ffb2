#pragma once
// TreesView: the materials library: three tabs of material trees, one per level ("初级",
// "中级", "高级"), each read from its local list file in the working directory. It relays the
// trees' requests to the main window (open, export) and imports into the tree on the current
// tab. GUI thread only.
//
// The online lists are not available yet: going online keeps the local lists and reports
// nothing; finished downloads (doResLoaded) are already handled as they will be.
#include <QStringList>
#include <QTabWidget>

#include <functional>

class MatTree;

class TreesView : public QTabWidget {
    Q_OBJECT
public:
    // Lists::Later leaves reading the lists to loadLists(), for a window that is not shown yet.
    enum class Lists { Load, Later };
    explicit TreesView(QWidget* parent = nullptr, Lists lists = Lists::Load);
    ~TreesView() override;

    MatTree* tree(int level) const;
    bool isOnline() const { return online; }
    // Local list file of a level: "basicList.xml", "advancedList.xml", "expertList.xml".
    static QString localList(int level);
    // Reads the three local lists and preselects the last material ("MaterialName" in
    // "profile.ini"). Only the first call reads; the constructor makes it unless told not to.
    void loadLists();
    // How the library learns which material the program has open (its material path, empty
    // for none): a material removed with its files is closed first when it is the open one.
    // Until one is given, the last material the library asked to open counts, starting with
    // the one the window reopens from "profile.ini".
    void setOpenMaterialQuery(std::function<QString()> query);

Q_SIGNALS:
    void switchSig(QString path);
    void exportSig(QString path);
    void loadresSig(QString url);
    void fetchingSig(bool fetching);
    void showNumSig(int delta);

public Q_SLOTS:
    void pas_SwitchSig(QString path);
    void pas_ExportSig(QString path);
    void pas_LoadresSig(QString url);
    void pas_ResetSig(QString fileName);
    void doResLoaded(int level, QString path);
    void on_actionOnline_toggled(bool bOnline);
    void on_actionImport_triggered();

private:
    void loadLocalLists();

    MatTree* basic;
    MatTree* advanced;
    MatTree* expert;
    QAction* actionOnline;
    QAction* actionImport;
    QStringList pendingDownloads[3];
    bool online = false;
    bool listsRead = false;
    QString relayedPath;  // the material last asked to open through this view
};
