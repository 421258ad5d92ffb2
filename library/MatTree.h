#pragma once
// MatTree: one tree of the materials library: groups (trains), materials (cases) and separator
// rows read from a trains file. A click on a material asks the program to open it, the export
// pointer in the state cell asks for an export, the context menu imports, renames and removes
// (or, online, repeats and deletes downloads), and every change to a local list is written
// back at once. A change that cannot be written is taken back and reported; a list that did
// not read completely is kept aside (as "<list>.damaged-<date-time>") before it is first
// written over. GUI thread only.
#include <QIcon>
#include <QMap>
#include <QStringList>
#include <QTreeWidget>

#include <functional>

class QAction;
class QMenu;

class MatTree : public QTreeWidget {
    Q_OBJECT
public:
    explicit MatTree(QWidget* parent = nullptr);

    // Replaces the rows with those of a trains file. An offline load remembers the file as the
    // list that later changes are written to.
    void loadList(const QString& fileName, bool online);
    // Writes the rows as a trains file; false when it could not be written.
    bool saveList(const QString& fileName);
    // Imports media files (each with its ".lrc" beside it) into the workspace and this level's
    // local list, then saves that list. Online, the local list is changed on disk and shows the
    // new rows when the tree returns to it.
    void importFiles(const QStringList& paths);
    // Copies one media file and its script into the workspace (unless they are there already)
    // and adds its row; a missing script or a copy that fails is reported with "导入失败", and
    // a failed copy leaves nothing behind. Returns the copies it made.
    QStringList importFile(const QString& path);
    // Adds the row of a material already in the workspace, next to the import anchor.
    void addImported(const QString& name);
    // Adds a finished download from the download cache to the group "下载的材料".
    void addDownloaded(const QString& path);
    // Online: shows in each state cell whether the material is cached or being fetched.
    void refreshStates();
    void setOnline(bool online);
    bool isOnline() const { return onlineList; }
    // Selects the first material whose media file has the file name of path.
    void selectMaterial(const QString& path);
    void deselectAll();
    QString listFileName() const { return listFile; }
    // The row last pressed with the right button, also the anchor for imports.
    QTreeWidgetItem* anchorItem() const { return contextItem; }
    // How the tree learns which material the program has open (a material path, empty for
    // none), so that removing it with its files closes it first. Without one, the material
    // this tree last asked to open counts as open.
    void setOpenMaterialQuery(std::function<QString()> query);

Q_SIGNALS:
    void exportSig(QString path);
    void switchSig(QString path);
    void loadresSig(QString url);
    void resetSig(QString fileName);

public Q_SLOTS:
    void on_actionChoose(QTreeWidgetItem* row);
    void on_actionExport(QTreeWidgetItem* row);
    void actImport();
    void actRemove();
    void actRename();
    void actReload();
    void actReset();

protected:
    void mousePressEvent(QMouseEvent* event) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void leaveEvent(QEvent* event) override;
    void contextMenuEvent(QContextMenuEvent* event) override;
    bool viewportEvent(QEvent* event) override;

private:
    QWidget* dialogOwner() const;
    void restoreHover();
    void forgetRow(QTreeWidgetItem* row);
    void emitSwitch(const QString& path);
    bool isOpenMaterial(const QString& path) const;
    // Writes the local list; false when it could not be written.
    bool saveLocal();
    // Before a damaged list is first written over: keeps a copy and tells the learner where.
    bool keepDamagedList();
    // The rows as list bytes, and the rows put back from such bytes.
    QByteArray snapshot() const;
    void restoreRows(const QByteArray& rows);
    // Saves a change; when that fails, puts back the rows of `before` and says so.
    bool commitChange(const QByteArray& before);
    QTreeWidgetItem* groupItem(const QString& title);
    QTreeWidgetItem* newCaseRow(const QString& title, const QString& name) const;
    void insertAtAnchor(QTreeWidgetItem* anchor, QTreeWidgetItem* row);

    QTreeWidgetItem* hoverItem = nullptr;
    QTreeWidgetItem* contextItem = nullptr;
    QIcon exportIcon;
    QMenu* localMenu;
    QMenu* onlineMenu;
    QAction* importAct;
    QAction* removeAct;
    QAction* renameAct;
    QAction* reloadAct;
    QAction* resetAct;
    QString listFile;
    bool listDamaged = false;  // the list file did not read completely and is not yet kept
    bool onlineList = false;
    std::function<QString()> openMaterialQuery;
    QString switchedPath;  // the material this tree last asked to open
    QMap<QString, QString> downloadTitles;
    QWidget* boxOwner = nullptr;  // owner of message boxes when the tree is not shown
};
