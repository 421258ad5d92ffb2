// The export operation of the practice controller: runs the export dialog for the open
// material and hands it the writing of the files the learner chose.
#include "Echora.h"

#include "ComparisonTrack.h"
#include "ExportJob.h"
#include "Exporter.h"
#include "vExporter.h"

void Echora::exportTo(vExporter* d)
{
    d->setSentenceCount(int(sentenceCount));
    d->setWorkspace(workFolder);
    d->refresh();
    if (!d->exec())
        return;
    QString imitation;
    QString listenRepeat;
    QString retelling;
    QString comparison;
    d->getTargets(&imitation, &listenRepeat, &retelling);
    d->getComparison(&comparison);

    ExportJob job;
    if (!imitation.isEmpty())
        job.addJoin(imitation, {Exporter::imitationRecording(workFolder)});
    const QStringList sentences = Exporter::sentenceRecordings(workFolder);
    if (!listenRepeat.isEmpty())
        job.addJoin(listenRepeat, sentences);
    if (!retelling.isEmpty())
        job.addJoin(retelling, {Exporter::retellingRecording(workFolder)});
    if (!comparison.isEmpty()) {
        // Each sentence with the recording named after it; one that is missing is reported.
        QStringList own;
        for (unsigned i = 0; i < sentenceCount; ++i)
            own << Exporter::sentenceRecording(workFolder, i);
        job.addComparison(comparison, ComparisonTrack(materialPath, sentenceTimes, own));
    }
    d->runExport(job);
}
