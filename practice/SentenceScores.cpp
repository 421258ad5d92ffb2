#include "SentenceScores.h"

#include "FileIdentity.h"

#include <QFileInfo>
#include <QSettings>

namespace {
const QString kIntonation = QStringLiteral("intonation");
const QString kRhythm = QStringLiteral("rhythm");
const QString kStart = QStringLiteral("start");
const QString kEnd = QStringLiteral("end");
const QString kSize = QStringLiteral("size");
const QString kModified = QStringLiteral("modified");

QString groupOf(const QString& recording) { return QFileInfo(recording).completeBaseName(); }

bool inRange(int score) { return score >= 0 && score <= 100; }
}  // namespace

namespace sentencescores {
QString fileIn(const QString& practiceFolder)
{
    return practiceFolder + QStringLiteral("/scores.ini");
}

std::optional<SentenceScore> read(const QString& practiceFolder, const QString& recording,
                                  float start, float end)
{
    if (practiceFolder.isEmpty() || !QFileInfo::exists(fileIn(practiceFolder)))
        return std::nullopt;
    QSettings file(fileIn(practiceFolder), QSettings::IniFormat);
    file.beginGroup(groupOf(recording));
    const FileIdentity now = FileIdentity::of(recording);
    const FileIdentity kept{
        file.value(kSize, -1).toLongLong(),
        QDateTime::fromString(file.value(kModified).toString(), Qt::ISODateWithMs)};
    bool ok[4] = {};
    const SentenceScore score{file.value(kIntonation).toInt(&ok[0]),
                              file.value(kRhythm).toInt(&ok[1])};
    const float keptStart = file.value(kStart).toFloat(&ok[2]);
    const float keptEnd = file.value(kEnd).toFloat(&ok[3]);
    if (!(ok[0] && ok[1] && ok[2] && ok[3]) || now.size < 0 || !(kept == now) ||
        keptStart != start || keptEnd != end || !inRange(score.intonation) ||
        !inRange(score.rhythm))
        return std::nullopt;
    return score;
}

bool write(const QString& practiceFolder, const QString& recording, float start, float end,
           SentenceScore score)
{
    if (practiceFolder.isEmpty())
        return false;
    const FileIdentity now = FileIdentity::of(recording);
    QSettings file(fileIn(practiceFolder), QSettings::IniFormat);
    file.beginGroup(groupOf(recording));
    file.setValue(kIntonation, score.intonation);
    file.setValue(kRhythm, score.rhythm);
    file.setValue(kStart, double(start));
    file.setValue(kEnd, double(end));
    file.setValue(kSize, now.size);
    file.setValue(kModified, now.modified.toString(Qt::ISODateWithMs));
    file.endGroup();
    file.sync();
    return file.status() == QSettings::NoError;
}

void remove(const QString& practiceFolder, const QString& recording)
{
    if (practiceFolder.isEmpty() || !QFileInfo::exists(fileIn(practiceFolder)))
        return;
    QSettings file(fileIn(practiceFolder), QSettings::IniFormat);
    file.remove(groupOf(recording));
}

QString text(SentenceScore score)
{
    return QStringLiteral("语调 %1  节奏 %2").arg(score.intonation).arg(score.rhythm);
}
}  // namespace sentencescores
