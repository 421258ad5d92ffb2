#pragma once
// TreesView: the materials library: three tabs of material trees, one per level ("初级",
// "中级", "高级"), each read from its local list file in the working directory. It relays the
// trees' requests to the main window (open, export) and imports into the tree on the current
// tab. GUI thread only.
//
// Online, the view fetches the list document of a list server (the "ListServer" key of
// "profile.ini", or the catalogue installed with the program), shows it as three online trees
// and downloads materials into "./respool/", each as a media file and its script; a finished
// download joins the level's local list at once when offline, or when the view goes offline.
// The view owns the list transfer and the download pool.
#include <QMap>
#include <QStringList>
#include <QTabWidget>
#include <QUrl>

#include <chrono>

#include <functional>

class MatTree;
class ResNetPool;
class ResourceGet;

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
    // The list server to use from now on, winning over "profile.ini"; empty forgets it.
    void setListServer(const QString& server) { serverOverride = server; }
    // Base URL of the list server: the one set, else "ListServer" in "profile.ini", else the
    // installed catalogue.
    QString listServer() const;
    // How long a transfer may go without bytes before it fails (30 s unless changed).
    void setStallTimeout(std::chrono::milliseconds timeout);
    bool isFetchingList() const;
    // Row state shown for an online material that cannot be downloaded.
    static QString unavailableText();
    // Column 0 of the row shown when the online list could not be fetched.
    static QString listFailedText();

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
    void doFinish();
    void doResLoaded(int level, QString path);
    void on_actionOnline_toggled(bool bOnline);
    void on_actionImport_triggered();

private:
    // A download: the media transfer and its script's; it ends when both have ended.
    struct Download {
        int level = 0;
        QString script;  // final path of the script
        bool mediaDone = false;
        bool scriptDone = false;
        QString failure;  // why the media transfer failed, empty when it completed
    };

    void loadLocalLists();
    void setupOnline();
    void purgePartialDownloads();
    void showOnlineLists(const QString& text);
    void showListFailure(const QString& reason);
    void markUnavailable(MatTree* tree) const;
    void transferLoaded(int level, const QString& path);
    void transferFailed(int level, const QString& path, const QString& reason);
    void transferProgress(int level, const QString& path, int percent);
    void downloadEnded(const QString& media);
    int levelOf(QObject* tree) const;

    MatTree* basic;
    MatTree* advanced;
    MatTree* expert;
    QAction* actionOnline;
    QAction* actionImport;
    ResourceGet* listGet = nullptr;
    QString listText;
    ResNetPool* pool = nullptr;
    QStringList pendingDownloads[3];
    bool online = false;
    QString serverOverride;
    QUrl listUrl;                       // of the list shown or being fetched
    QMap<QString, Download> downloads;  // by the media's final path
    QMap<QString, QString> scripts;     // final path of a script -> its media's
    bool listsRead = false;
    QString relayedPath;  // the material last asked to open through this view
};
