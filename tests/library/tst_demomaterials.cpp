// The demo materials shipped in the runtime folder: the three local lists name them in the
// writer's own format, each has its media and ".lrc" beside it, the sentence times are in
// "[mm:ss.xx]" form and fall in pauses (so a sentence loop never cuts into a word), and the
// levels get longer and faster from 初级 to 高级. The audio is decoded with the ffmpeg tool.
#include "LibraryFixture.h"
#include "TrainsWriter.h"
#include "XmlHandler.h"

#include <QDirIterator>
#include <QFileInfo>
#include <QProcess>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QTest>

#include <cmath>

using namespace libfixture;

namespace {
const QString runtime = QStringLiteral(ECHORA_RUNTIME_DIR);
constexpr int rate = 22050;

struct Sentence {
    double time;
    QString text;
};

QList<Sentence> readLrc(const QString& path)
{
    QList<Sentence> sentences;
    const QStringList lines = QString::fromUtf8(readBytes(path)).split(QLatin1Char('\n'));
    static const QRegularExpression tag(QStringLiteral("^\\[(\\d\\d):(\\d\\d)\\.(\\d\\d)\\](.+)$"));
    for (const QString& line : lines) {
        if (line.isEmpty())
            continue;
        const auto match = tag.match(line);
        if (!match.hasMatch())
            return {};  // every line is a timed sentence
        sentences.append({match.captured(1).toInt() * 60 + match.captured(2).toInt() +
                              match.captured(3).toInt() / 100.0,
                          match.captured(4)});
    }
    return sentences;
}

// Mono 16-bit samples at `rate`, decoded by the ffmpeg tool.
QList<qint16> decode(const QString& media)
{
    QProcess ffmpeg;
    ffmpeg.start(QStringLiteral("ffmpeg"),
                 {"-nostdin", "-loglevel", "error", "-i", media, "-f", "s16le", "-ac", "1", "-ar",
                  QString::number(rate), "-"});
    if (!ffmpeg.waitForFinished(60000) || ffmpeg.exitCode() != 0)
        return {};
    const QByteArray raw = ffmpeg.readAllStandardOutput();
    QList<qint16> samples(raw.size() / 2);
    memcpy(samples.data(), raw.constData(), samples.size() * 2);
    return samples;
}

double rms(const QList<qint16>& samples, qsizetype from, qsizetype count)
{
    from = std::clamp<qsizetype>(from, 0, samples.size());
    count = std::min(count, samples.size() - from);
    double sum = 0;
    for (qsizetype i = from; i < from + count; ++i)
        sum += double(samples[i]) * samples[i];
    return count > 0 ? std::sqrt(sum / count) : 0;
}

// How loud the steps from sample to sample are against the samples themselves. Speech keeps
// most of its energy low, well under 1; white noise gives about 1.4, and so does speech whose
// 16-bit samples were shifted by one byte.
double roughness(const QList<qint16>& samples, qsizetype from, qsizetype count)
{
    from = std::clamp<qsizetype>(from, 0, samples.size());
    count = std::min(count, samples.size() - from);
    double steps = 0;
    for (qsizetype i = from + 1; i < from + count; ++i) {
        const double step = double(samples[i]) - samples[i - 1];
        steps += step * step;
    }
    const double level = rms(samples, from, count);
    return count > 1 && level > 0 ? std::sqrt(steps / (count - 1)) / level : 0;
}
}  // namespace

class DemoMaterialsTest : public QObject {
    Q_OBJECT
    struct Material {
        int level;
        QString file;
        QString title;
    };
    QList<Material> materials;

private Q_SLOTS:
    void initTestCase()
    {
        QVERIFY2(QFileInfo(runtime + "/basicList.xml").isFile(), qPrintable(runtime));
        for (int level = 0; level < 3; ++level) {
            const QString list =
                runtime + QLatin1Char('/') +
                QStringList{"basicList.xml", "advancedList.xml", "expertList.xml"}[level];
            QTreeWidget tree;
            QVERIFY(XmlHandler::readFile(&tree, list, false));
            for (QTreeWidgetItemIterator it(&tree); *it; ++it) {
                if (!(*it)->text(3).isEmpty())
                    materials.append({level, (*it)->text(3), (*it)->text(0)});
            }
            // The shipped lists are in exactly the bytes the library writes, so the first save
            // on the learner's machine changes nothing but what the learner changed.
            const QString copy = QDir::temp().filePath(
                QStringLiteral("echora-list-%1.xml").arg(QCoreApplication::applicationPid()));
            QVERIFY(TrainsWriter::saveTree(&tree, copy));
            QCOMPARE(readBytes(copy), readBytes(list));
            QFile::remove(copy);
        }
    }

    void everyLevelHasMaterialsWithScripts()
    {
        int perLevel[3] = {0, 0, 0};
        int videos = 0;
        for (const Material& m : materials) {
            ++perLevel[m.level];
            const QString media = runtime + "/workspace/" + m.file;
            QVERIFY2(QFileInfo(media).isFile(), qPrintable(media));
            QVERIFY2(
                QFileInfo(runtime + "/workspace/" + QFileInfo(m.file).completeBaseName() + ".lrc")
                    .isFile(),
                qPrintable(m.file));
            QVERIFY2(!m.title.trimmed().isEmpty() && m.title != QStringLiteral("Unknown title"),
                     qPrintable(m.file));
            if (m.file.endsWith(QLatin1String(".mp4")))
                ++videos;
        }
        for (int level = 0; level < 3; ++level)
            QVERIFY2(perLevel[level] >= 2, qPrintable(QString::number(level)));
        QVERIFY(videos >= 1);

        qint64 total = 0;
        QDirIterator it(runtime + "/workspace", QDir::Files, QDirIterator::Subdirectories);
        while (it.hasNext())
            total += QFileInfo(it.next()).size();
        QVERIFY2(total < 15 * 1024 * 1024, qPrintable(QString::number(total)));
    }

    void sentenceTimesFallInPauses()
    {
        if (QStandardPaths::findExecutable(QStringLiteral("ffmpeg")).isEmpty())
            QSKIP("the ffmpeg tool is not installed");
        double wordsPerMinute[3] = {0, 0, 0};
        double seconds[3] = {0, 0, 0};
        for (const Material& m : materials) {
            const QString media = runtime + "/workspace/" + m.file;
            const QList<Sentence> sentences =
                readLrc(runtime + "/workspace/" + QFileInfo(m.file).completeBaseName() + ".lrc");
            QVERIFY2(sentences.size() >= 5, qPrintable(m.file));
            QCOMPARE(sentences.first().time, 0.0);
            const QList<qint16> samples = decode(media);
            QVERIFY2(!samples.isEmpty(), qPrintable(media));
            const double duration = double(samples.size()) / rate;
            const qsizetype window = rate / 100;  // 10 ms
            double loudest = 0;
            for (qsizetype i = 0; i + window <= samples.size(); i += window)
                loudest = std::max(loudest, rms(samples, i, window));
            QVERIFY(loudest > 1000);  // real speech, not silence
            int words = 0;
            for (int i = 0; i < sentences.size(); ++i) {
                words += sentences[i].text.split(QLatin1Char(' '), Qt::SkipEmptyParts).size();
                if (i == 0)
                    continue;
                QVERIFY2(sentences[i].time > sentences[i - 1].time + 0.5, qPrintable(m.file));
                QVERIFY(sentences[i].time < duration);
                // 100 ms either side of the cut is quiet, and the sentence is not.
                const qsizetype cut = qsizetype(sentences[i].time * rate);
                for (qsizetype at = cut - rate / 10; at < cut + rate / 10; at += window / 2)
                    QVERIFY2(rms(samples, at, window) < loudest * 0.01,
                             qPrintable(
                                 QStringLiteral("%1 at %2 s").arg(m.file).arg(double(at) / rate)));
                const qsizetype start = qsizetype(sentences[i - 1].time * rate);
                QVERIFY(rms(samples, start, cut - start) > loudest * 0.05);
                QVERIFY2(
                    roughness(samples, start, cut - start) < 1.0,
                    qPrintable(
                        QStringLiteral("%1: sentence %2 sounds like noise").arg(m.file).arg(i)));
            }
            wordsPerMinute[m.level] = std::max(wordsPerMinute[m.level], words / duration * 60);
            seconds[m.level] = std::max(seconds[m.level], duration);
        }
        QVERIFY(wordsPerMinute[0] < wordsPerMinute[2]);
        QVERIFY(seconds[0] < seconds[2]);
    }
};

QTEST_MAIN(DemoMaterialsTest)
#include "tst_demomaterials.moc"
