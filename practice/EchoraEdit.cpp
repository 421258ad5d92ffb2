// Sentence-timing editing: moving the current sentence's bounds with the sentence view's A-B
// marks, correcting texts in the sentence list, splitting a sentence, and going back to the
// sentence file as it was before the first edit.
#include "Echora.h"
#include "MediaEngine.h"
#include "Ploter.h"
#include "SentenceEdit.h"
#include "SentenceFile.h"
#include "SentenceText.h"
#include "vPlotWidget.h"
#include "vTabsWidget.h"

#include <QFile>
#include <QFileInfo>
#include <QSaveFile>
#include <algorithm>
#include <limits>

namespace {
const QString kOriginalSuffix = QStringLiteral(".orig");

// Writes `bytes` to `path` through a temporary file that replaces it only once complete, so the
// old file stays whole whatever happens on the way. Empty on success, else the reason.
// Unbuffered: a buffered file takes a short write at a full disk or a size limit for success,
// and would put a cut file in place of the old one.
QString saveWhole(const QString& path, const QByteArray& bytes)
{
    QSaveFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::Unbuffered))
        return file.errorString();
    if (file.write(bytes) != bytes.size()) {
        const QString reason = file.error() != QFileDevice::NoError
                                   ? file.errorString()
                                   : QStringLiteral("磁盘已满或文件超出大小限制");
        file.cancelWriting();
        file.commit();  // removes the temporary file
        return reason;
    }
    if (!file.commit())
        return file.errorString();
    return {};
}

QString withoutLineEnd(QString text)
{
    while (text.endsWith(QLatin1Char('\n')) || text.endsWith(QLatin1Char('\r')))
        text.chop(1);
    return text;
}
}  // namespace

void Echora::updateSentenceLoop()
{
    if (!(playFlags & PcePlaying) || !haveSentence()) {
        engine->doSetLoop(oriChannel, -1, -1);
        return;
    }
    float start = 0;
    float end = 0;
    pceBounds(&start, &end);
    // The last sentence runs to the end of the material and stops there (an end of -1 sets
    // no loop).
    engine->doSetLoop(oriChannel, start, end);
}

void Echora::pceBounds(float* start, float* end) const
{
    *start = sentenceStart(currentSentence);
    *end = sentenceEnd(currentSentence);
    float newStart = 0;
    float newEnd = 0;
    bool moved = false;
    if (editMode && markedBounds(&newStart, &newEnd, &moved) && moved) {
        *start = newStart;
        *end = newEnd;
    }
}

bool Echora::markedBounds(float* newStart, float* newEnd, bool* moved) const
{
    if (!haveSentence())
        return false;
    float a = 0;
    float b = 1;
    if (!pceView->getRange(&a, &b))
        return false;
    a = std::clamp(a, 0.0f, 1.0f);
    b = std::clamp(b, 0.0f, 1.0f);
    if (!(a < b))
        return false;
    const unsigned i = currentSentence;
    const double length = materialLength();
    const double start = sentenceStart(i);
    const double end = i + 1 < sentenceCount ? double(sentenceStart(i + 1)) : length;
    if (!(end > start))
        return false;  // the last sentence while the material's length is not known yet
    // The new bounds stay between the neighbours' bounds and within the material.
    const double lower = i > 0 ? double(sentenceStart(i - 1)) : 0.0;
    double upper =
        i + 2 < sentenceCount ? double(sentenceStart(i + 2)) : std::numeric_limits<double>::max();
    if (length > 0)
        upper = std::min(upper, length);
    const double s = std::clamp(start + double(a) * (end - start), lower, std::max(lower, upper));
    const double e = std::clamp(start + double(b) * (end - start), lower, std::max(lower, upper));
    if (!(s < e))
        return false;
    *newStart = float(s);
    *newEnd = float(e);
    *moved = float(s) != float(start) || float(e) != float(end);
    return true;
}

QString Echora::editedLrcPath() const
{
    // Subtitles are left as they are: the edited sentences go to the ".lrc" of the same name.
    const QString read = sentenceFileOf(materialPath);
    if (read.isEmpty() || read.endsWith(QLatin1String(".lrc")))
        return read;
    return read.left(read.lastIndexOf(QLatin1Char('.'))) + QStringLiteral(".lrc");
}

bool Echora::hasOriginalLrc() const
{
    const QString lrc = editedLrcPath();
    return !lrc.isEmpty() && QFileInfo(lrc + kOriginalSuffix).isFile();
}

bool Echora::rewriteSentenceFile(const std::function<SentenceFileEdit(const QByteArray&)>& change)
{
    const QString source = sentenceFileOf(materialPath);
    QFile in(source);
    if (source.isEmpty() || !in.open(QIODevice::ReadOnly)) {
        lastEditMessage = QStringLiteral("无法读取句子文件，没有保存修改。");
        return false;
    }
    const QByteArray old = in.read(kMaxSentenceFileBytes + 1);
    in.close();
    const SentenceTimeline read = readSentenceBytes(old);
    if (old.size() > kMaxSentenceFileBytes || read.times != sentenceTimes) {
        // The sentences shown are not the file's any more: an index would name another one.
        lastEditMessage = QStringLiteral("句子文件在打开后被改动过，已重新读取，请再修改一次。");
        showEditedTimeline(currentSentence);
        return false;
    }
    const SentenceFileEdit edit = change(old);
    if (!edit.ok)
        return false;
    const QString target = editedLrcPath();
    const QString original = target + kOriginalSuffix;
    if (!QFileInfo::exists(original)) {
        const QString reason = saveWhole(original, read.subtitles ? lrcBytes(read) : old);
        if (!reason.isEmpty()) {
            lastEditMessage =
                QStringLiteral("无法保留原始时间（%1），句子文件没有改动。").arg(reason);
            return false;
        }
    }
    const QString reason = saveWhole(target, edit.bytes);
    if (!reason.isEmpty()) {
        lastEditMessage =
            QStringLiteral("无法保存句子文件（%1），原来的文件没有改动。").arg(reason);
        return false;
    }
    return true;
}

void Echora::showEditedTimeline(unsigned keep)
{
    pceView->setPixmap(nullptr);
    ploter->clearSentencePlots();
    loadLrc(sentenceFileOf(materialPath));
    if (sentenceCount == 0) {
        currentSentence = unsigned(-1);
        return;
    }
    currentSentence = std::min(keep, sentenceCount - 1);
    oriView->setCurrentSentence(int(currentSentence));
    preparePiece();  // in Listen & Repeat: the sentence picture of the new range
    tabs->showSentence(currentSentence, unsigned(-1), unsigned(-1));
    if (playFlags & PcePlaying) {
        float start = 0;
        float end = 0;
        pceBounds(&start, &end);
        engine->doSetInOut(oriChannel, start, end);
        updateSentenceLoop();
    }
}

void Echora::editLrc(bool on)
{
    lastEditMessage.clear();
    const bool wasEditing = editMode;
    float newStart = 0;
    float newEnd = 0;
    bool moved = false;
    // The marks are read before the view leaves range mode.
    const bool marked = markedBounds(&newStart, &newEnd, &moved);
    pceView->setRangeMode(on);
    editing = on;
    editMode = on;
    if (on || !wasEditing || !marked) {
        if (haveSentence() && (playFlags & PcePlaying)) {
            float start = 0;
            float end = 0;
            pceBounds(&start, &end);
            engine->doSetInOut(oriChannel, start, end);
            updateSentenceLoop();
        }
        return;
    }
    const unsigned i = currentSentence;
    SentenceRetime change;
    change.sentence = int(i);
    change.start = moved ? newStart : sentenceStart(i);
    change.nextStart = moved ? newEnd : -1;
    for (unsigned n = 0; n < sentenceCount; ++n) {
        const QString text = withoutLineEnd(tabs->sentenceText(int(n)));
        if (text != sentencetext::firstLine(sentencetext::paragraph(sentenceTexts.at(n))))
            change.texts[int(n)] = text;
    }
    if (!moved && change.texts.empty())
        return;  // nothing to save
    if (rewriteSentenceFile([&](const QByteArray& old) { return retimeSentenceFile(old, change); }))
        showEditedTimeline(i);
    else if (playFlags & PcePlaying) {
        engine->doSetInOut(oriChannel, sentenceStart(i), sentenceEnd(i));
        updateSentenceLoop();
    }
}

void Echora::splitLrc()
{
    lastEditMessage.clear();
    if (!editing || !haveSentence())
        return;
    const QString selected = tabs->selectedText();
    float newStart = 0;
    float newEnd = 0;
    bool moved = false;
    if (selected.isEmpty() || !markedBounds(&newStart, &newEnd, &moved))
        return;
    const unsigned i = currentSentence;
    if (!(newStart > sentenceStart(i))) {
        lastEditMessage = QStringLiteral("请先在句子波形上用左键标出后半句的开始。");
        return;
    }
    const qsizetype at = withoutLineEnd(sentenceTexts.at(i)).indexOf(selected);
    if (at < 0) {
        lastEditMessage = QStringLiteral("请先在句子列表中选中当前句子里后半句开头的文字。");
        return;
    }
    SentenceSplit change;
    change.sentence = int(i);
    change.at = at;
    change.secondStart = newStart;
    if (rewriteSentenceFile([&](const QByteArray& old) { return splitSentenceFile(old, change); }))
        showEditedTimeline(i);
}

void Echora::restoreLrc()
{
    lastEditMessage.clear();
    if (!hasOriginalLrc())
        return;
    const QString target = editedLrcPath();
    QFile original(target + kOriginalSuffix);
    if (!original.open(QIODevice::ReadOnly)) {
        lastEditMessage = QStringLiteral("无法读取原始时间文件。");
        return;
    }
    const QString reason = saveWhole(target, original.readAll());
    if (!reason.isEmpty()) {
        lastEditMessage = QStringLiteral("无法恢复原始时间（%1），句子文件没有改动。").arg(reason);
        return;
    }
    showEditedTimeline(haveSentence() ? currentSentence : 0);
}
