#pragma once
// vExporter: the export dialog as the practice controller sees it. The controller configures
// and runs it, asks it for the chosen targets, and hands it the writing so the learner sees
// the progress and the outcome. The dialog implements it; a test harness may too. GUI thread
// only; the controller never owns the object behind it.
#include <QString>

class ExportJob;

class vExporter {
public:
    virtual void setWorkspace(QString folder) = 0;
    virtual void refresh() = 0;
    // Sets the number of sentences of the material; -1 is ignored.
    virtual void setSentenceCount(int n) = 0;
    // Runs the dialog modally; non-zero when the learner accepted it.
    virtual int exec() = 0;
    // For each phase that can be exported, writes "<folder>/<file name>" into its string; the
    // strings of the other phases are left as they are.
    virtual void getTargets(QString* imitation, QString* listenRepeat, QString* retelling) = 0;
    // Like getTargets, for the comparison track, when the learner chose it.
    virtual void getComparison(QString* comparison) = 0;
    // Runs the job (writing the files) while showing its progress, then tells the learner
    // which files were written, or which file failed and why.
    virtual void runExport(const ExportJob& job) = 0;

protected:
    ~vExporter() = default;
};
