#pragma once
// Exporter: the export dialog. Shows which practice phases have recordings to export,
// proposes file names, asks for the target folder and checks it before it closes; then shows
// the progress and the outcome of the writing that the practice controller hands back to it.
// Created by the main window as its child for one export and destroyed afterwards. GUI thread
// only; owns its form through Qt parent-child ownership.
#include "vExporter.h"

#include <QDialog>
#include <QString>
#include <QStringList>

class ExpProgBar;
class QSkinObject;
class OctImgBtn;
class QCheckBox;
class QLabel;
class QLineEdit;

class Exporter : public QDialog, public vExporter {
    Q_OBJECT
public:
    static constexpr int kWidth = 444;
    static constexpr int kHeight = 373;

    explicit Exporter(QWidget* parent = nullptr);

    void setWorkspace(QString folder) override;
    void refresh() override;
    void setSentenceCount(int n) override;
    int exec() override;
    void getTargets(QString* imitation, QString* listenRepeat, QString* retelling) override;
    void getComparison(QString* comparison) override;
    void runExport(const ExportJob& job) override;

    // The recordings of a workspace folder: the two whole-passage ones, and those of the
    // Listen & Repeat folder (the file of sentence `index`; the names that count as sentence
    // recordings; those present, sorted by name, as "<folder>/<name>").
    static QString imitationRecording(const QString& workspace);
    static QString retellingRecording(const QString& workspace);
    static QString sentenceRecording(const QString& workspace, unsigned index);
    static bool isSentenceRecording(const QString& fileName);
    static QStringList sentenceRecordings(const QString& workspace);

public Q_SLOTS:
    void doChoDir();
    // Tells the learner the export succeeded; shown once every file is written.
    void doNotice();
    // Checks the folder and the names, asks before replacing files, then closes accepted.
    void accept() override;

private:
    void buildForm();
    void setUpFrame();
    void fillNames();
    void updateExportButton();
    QString target(const QLineEdit* name) const;
    bool comparisonChosen() const;
    bool checkTargets();

    QSkinObject* skin = nullptr;  // the skinned frame, a child of the dialog
    // Form, in the order it is laid out.
    QLabel* label_4 = nullptr;
    QLabel* label_8 = nullptr;
    QLabel* label_12 = nullptr;
    QLabel* label_13 = nullptr;
    QLabel* label_14 = nullptr;
    QLabel* label_9 = nullptr;
    QLabel* label_10 = nullptr;
    QLabel* label_11 = nullptr;
    ExpProgBar* progImit = nullptr;
    ExpProgBar* progShad = nullptr;
    ExpProgBar* progRete = nullptr;
    QLineEdit* imitFile = nullptr;
    QLineEdit* shadFile = nullptr;
    QLineEdit* reteFile = nullptr;
    QCheckBox* compChoose = nullptr;
    QLabel* compHint = nullptr;
    QLineEdit* compFile = nullptr;
    QLineEdit* expPath = nullptr;
    OctImgBtn* btnChoDir = nullptr;
    OctImgBtn* btnExport = nullptr;
    OctImgBtn* btnCancel = nullptr;

    QString workspace;
};
