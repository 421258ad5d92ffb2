#pragma once
// SentenceScores: the last intonation and rhythm scores of the Listen & Repeat recordings of
// one material, kept in "scores.ini" in its practice folder, one group per recording file.
// A score belongs to one version of its recording and to the sentence bounds it was
// measured against: when either has changed since, it is not read back. GUI thread.
#include <QString>
#include <optional>

struct SentenceScore {
    int intonation = 0;
    int rhythm = 0;
    friend bool operator==(const SentenceScore&, const SentenceScore&) = default;
};

namespace sentencescores {
// The scores file of a practice folder.
QString fileIn(const QString& practiceFolder);
// The score kept for `recording` measured against the sentence start..end (seconds, end -1
// for the material's end), when it still belongs to this recording and these bounds.
std::optional<SentenceScore> read(const QString& practiceFolder, const QString& recording,
                                  float start, float end);
// Keeps the score of `recording` as it is now; false when the file cannot be written.
bool write(const QString& practiceFolder, const QString& recording, float start, float end,
           SentenceScore score);
// Forgets the score of `recording`.
void remove(const QString& practiceFolder, const QString& recording);
// The recording row's text for a score: "语调 85  节奏 72".
QString text(SentenceScore score);
}  // namespace sentencescores
