// Joining recordings into one MP3: recordings made by the recorder's own encoder (and by the
// recorder itself on the test microphone) are joined, and the result is checked the way
// players see it: ffprobe's length, the engine's length and playback, a clean decode to the
// end, and every recording's tone in its place.
#include "EngineRig.h"
#include "ExportFixtures.h"
#include "ExportJob.h"
#include "Mp3Join.h"
#include "Mp3Probe.h"
#include "PaRecThread.h"
#include "TestSupport.h"

#include <QtTest>
#include <cmath>

using namespace exporttest;

namespace {
constexpr double kTolerance = 0.05;  // seconds

struct Piece {
    double seconds;
    int hz;
};

ExportJob::Outcome runJoin(const QString& target, const QStringList& sources)
{
    ExportJob job;
    job.addJoin(target, sources);
    std::atomic<int> permille{0};
    std::atomic<bool> cancel{false};
    return job.run(permille, cancel);
}

int countOf(const QByteArray& bytes, const char* word)
{
    int n = 0;
    for (qsizetype at = bytes.indexOf(word); at >= 0; at = bytes.indexOf(word, at + 1))
        ++n;
    return n;
}

using testsupport::readBytes;
using testsupport::writeBytes;
}  // namespace

class TestMp3Join : public QObject {
    Q_OBJECT

    QTemporaryDir dir;
    QString file(const QString& name) const { return dir.filePath(name); }

    QStringList makePieces(const QString& stem, const QList<Piece>& pieces)
    {
        QStringList paths;
        for (int i = 0; i < pieces.size(); ++i) {
            const QString path =
                file(QStringLiteral("%1%2.mp3").arg(stem).arg(i, 3, 10, QLatin1Char('0')));
            if (!writeRecording(path, pieces[i].seconds, pieces[i].hz))
                return {};
            paths << path;
        }
        return paths;
    }

    // The joined file against its pieces: lengths, a clean decode, the tones in order.
    void checkJoined(const QString& joined, const QStringList& sources, const QList<int>& tones)
    {
        double probed = 0, decoded = 0;
        QList<double> starts;
        for (const QString& s : sources) {
            starts << probed;
            probed += probeDuration(s);
            decoded += mp3probe::decode(s).seconds();
        }
        const double joinedProbe = probeDuration(joined);
        QVERIFY2(std::abs(joinedProbe - probed) <= kTolerance,
                 qPrintable(
                     QStringLiteral("ffprobe %1 s, recordings %2 s").arg(joinedProbe).arg(probed)));

        const QString errors = decodeErrors(joined);
        QVERIFY2(errors.isEmpty(), qPrintable(errors));
        const DecodedAudio audio = mp3probe::decode(joined);
        QVERIFY(audio.ok);
        // Every recording's sound is there; only the encoder's priming at the joins adds a
        // little, and nothing beyond the announced length.
        QVERIFY2(audio.seconds() >= decoded - 0.001 && audio.seconds() <= joinedProbe,
                 qPrintable(QStringLiteral("decoded %1 s, recordings %2 s, announced %3 s")
                                .arg(audio.seconds())
                                .arg(decoded)
                                .arg(joinedProbe)));

        // One tag frame for the whole stream.
        const QByteArray bytes = readBytes(joined);
        QCOMPARE(countOf(bytes, "Info") + countOf(bytes, "Xing"), 1);

        // Each recording's tone in the middle of its stretch.
        for (int i = 0; i < sources.size(); ++i) {
            const double middle = starts[i] + probeDuration(sources[i]) / 2;
            const std::vector<float> window = audio.channel(
                0, (long long)((middle - 0.1) * audio.rate), (long long)(0.2 * audio.rate));
            QCOMPARE(mp3probe::dominantFrequency(window, audio.rate, 200, 1000), tones[i]);
        }
    }

private Q_SLOTS:
    void initTestCase() { QVERIFY(dir.isValid()); }

    void joinedRecordingsReportAndPlayTheirSum()
    {
        const QStringList sources =
            makePieces(QStringLiteral("piece"), {{1.0, 440}, {1.3, 550}, {0.7, 660}});
        QCOMPARE(sources.size(), 3);
        const QString joined = file(QStringLiteral("joined.mp3"));
        const ExportJob::Outcome outcome = runJoin(joined, sources);
        QVERIFY2(outcome.ok(), qPrintable(outcome.reason));
        QCOMPARE(outcome.written, QStringList{joined});
        checkJoined(joined, sources, {440, 550, 660});

        // Our own engine: the same length, and playback runs to the last recording's end.
        double sum = 0;
        for (const QString& s : sources)
            sum += probeDuration(s);
        mediatest::Rig rig;
        mediatest::RecordingAudio device;
        const MediaIdentifier id = mediatest::ident(joined, &device);
        rig.engine.doOpen(id);
        QVERIFY2(std::abs(rig.engine.duration(id) - sum) <= kTolerance,
                 qPrintable(QString::number(rig.engine.duration(id))));
        QVERIFY(rig.engine.doStart(id, true));
        QTRY_COMPARE_WITH_TIMEOUT(rig.stopped.size(), 1, mediatest::kLong);
        const double played = mediatest::seconds(device.taken().size());
        QVERIFY2(played >= sum - 2 * kTolerance, qPrintable(QString::number(played)));
    }

    void manySentenceRecordingsKeepTheirLength()
    {
        QList<Piece> pieces;
        QList<int> tones;
        for (int i = 0; i < 12; ++i) {
            pieces << Piece{0.6 + 0.05 * i, i % 2 ? 660 : 440};
            tones << pieces.back().hz;
        }
        const QStringList sources = makePieces(QStringLiteral("many"), pieces);
        QCOMPARE(sources.size(), 12);
        const QString joined = file(QStringLiteral("many.mp3"));
        QVERIFY(runJoin(joined, sources).ok());
        checkJoined(joined, sources, tones);
    }

    void tagsOfTheRecordingsAreLeftOut()
    {
        const QStringList plain = makePieces(QStringLiteral("tagged"), {{0.8, 440}, {0.9, 660}});
        QCOMPARE(plain.size(), 2);
        // An ID3v2 tag in front and an ID3v1 tag behind each recording.
        QByteArray id3v2("ID3\x03\x00\x00\x00\x00\x00\x14", 10);
        id3v2.append(QByteArray(20, '\0'));
        QByteArray id3v1("TAG");
        id3v1.append(QByteArray(125, 'x'));
        for (const QString& p : plain)
            QVERIFY(writeBytes(p, id3v2 + readBytes(p) + id3v1));
        const QString joined = file(QStringLiteral("tagged.mp3"));
        QVERIFY(runJoin(joined, plain).ok());
        const QByteArray bytes = readBytes(joined);
        QVERIFY(!bytes.contains("ID3"));
        QVERIFY(!bytes.contains("TAGxxx"));
        checkJoined(joined, plain, {440, 660});
    }

    void theJoinedTagCarriesValidChecksums()
    {
        // The encoder's own tag frame checks out with our checksum, so ours is the same one.
        const QStringList one = makePieces(QStringLiteral("crc"), {{0.5, 440}, {0.5, 550}});
        for (const QString& path : {one[0], file(QStringLiteral("crc-joined.mp3"))}) {
            if (path != one[0])
                QVERIFY(runJoin(path, one).ok());
            const QByteArray bytes = readBytes(path);
            const qsizetype lame = bytes.indexOf("LAME");
            QVERIFY(lame > 0 && lame + 36 <= bytes.size());
            const quint16 stored =
                quint16((quint8(bytes[lame + 34]) << 8) | quint8(bytes[lame + 35]));
            QCOMPARE(mp3join::tagCrc(bytes.constData(), lame + 34), stored);
        }
    }

    void cutAndDamagedRecordingsAreHandled()
    {
        const QStringList one = makePieces(QStringLiteral("damaged"), {{1.0, 440}});
        const QByteArray whole = readBytes(one[0]);
        mp3join::Recording intact;
        QVERIFY(mp3join::parse(whole, &intact).isEmpty());
        QVERIFY(intact.delay > 0 && intact.padding >= 0);

        // A recording cut inside its last frame keeps only its whole frames.
        mp3join::Recording cut;
        QVERIFY(mp3join::parse(whole.left(whole.size() - 100), &cut).isEmpty());
        QCOMPARE(cut.frames.size(), intact.frames.size() - 1);
        const mp3join::Frame& last = cut.frames.back();
        QVERIFY(last.offset + last.size <= whole.size() - 100);

        // Cuts anywhere and scrambled bytes never read outside the data.
        for (qsizetype size = 0; size < whole.size(); size += 97) {
            mp3join::Recording r;
            mp3join::parse(whole.left(size), &r);
            for (const mp3join::Frame& f : r.frames)
                QVERIFY(f.offset >= 0 && f.offset + f.size <= size);
        }
        QByteArray scrambled = whole;
        for (qsizetype i = 7; i < scrambled.size(); i += 61)
            scrambled[i] = char(scrambled[i] ^ 0x5A);
        mp3join::Recording r;
        mp3join::parse(scrambled, &r);
        for (const mp3join::Frame& f : r.frames)
            QVERIFY(f.offset >= 0 && f.offset + f.size <= scrambled.size());
    }

    void aSingleRecordingIsCopiedAsItIs()
    {
        const QStringList one = makePieces(QStringLiteral("single"), {{1.1, 550}});
        const QString target = file(QStringLiteral("single-copy.mp3"));
        QVERIFY(runJoin(target, one).ok());
        QCOMPARE(readBytes(target), readBytes(one[0]));
    }

    void failuresNameTheFileAndLeaveTargetsWhole()
    {
        const QStringList good = makePieces(QStringLiteral("fail"), {{0.5, 440}});
        const QString target = file(QStringLiteral("kept.mp3"));
        QVERIFY(writeBytes(target, "the old export"));

        // A recording that cannot be read.
        const QString missing = file(QStringLiteral("missing.mp3"));
        ExportJob::Outcome outcome = runJoin(target, {good[0], missing});
        QVERIFY(!outcome.ok());
        QCOMPARE(outcome.failedFile, missing);
        QCOMPARE(readBytes(target), QByteArray("the old export"));

        // A file that is not an MP3 recording.
        const QString junk = file(QStringLiteral("junk.mp3"));
        QVERIFY(writeBytes(junk, QByteArray(5000, 'j')));
        outcome = runJoin(target, {good[0], junk});
        QVERIFY(!outcome.ok());
        QCOMPARE(outcome.failedFile, junk);
        QCOMPARE(readBytes(target), QByteArray("the old export"));

        // Recordings of different formats cannot be joined without decoding.
        const QString other = file(QStringLiteral("other-rate.mp3"));
        QVERIFY(testsupport::makeAudio(
            other, QStringLiteral("sine=frequency=440:sample_rate=22050:duration=0.5"),
            {QStringLiteral("-c:a"), QStringLiteral("libmp3lame")}));
        outcome = runJoin(target, {good[0], other});
        QVERIFY(!outcome.ok());
        QCOMPARE(outcome.failedFile, target);
        QCOMPARE(readBytes(target), QByteArray("the old export"));

        // A target that cannot be created: no file, no temporary left behind.
        const QString nowhere = file(QStringLiteral("no-such-folder/x.mp3"));
        outcome = runJoin(nowhere, good);
        QVERIFY(!outcome.ok());
        QCOMPARE(outcome.failedFile, nowhere);
        QVERIFY(!outcome.reason.isEmpty());
        QVERIFY(!QFileInfo::exists(nowhere));
        const QStringList left =
            QDir(dir.path()).entryList({QStringLiteral("kept.mp3*")}, QDir::Files);
        QCOMPARE(left, QStringList{QStringLiteral("kept.mp3")});
    }

    void recordingsOfTheRecorderJoin()
    {
        if (qEnvironmentVariableIsEmpty("ECHORA_FAKEMIC_HZ"))
            QSKIP("needs the test microphone of scripts/services.sh");
        const int hz = qEnvironmentVariableIntValue("ECHORA_FAKEMIC_HZ");
        QStringList sources;
        for (int i = 0; i < 3; ++i) {
            const QString path = file(QStringLiteral("mic%1.mp3").arg(i));
            FILE* out = std::fopen(path.toUtf8().constData(), "w+b");
            QVERIFY(out);
            PaRecThread recorder;
            QSignalSpy finished(&recorder, &QThread::finished);
            recorder.setFile(out);
            recorder.start();
            QTest::qWait(600 + 200 * i);
            recorder.requestStop();
            QVERIFY(finished.wait(20000) || finished.count() > 0);
            recorder.wait();
            std::fclose(out);
            if (recorder.capturedFrames() == 0)
                QSKIP("the test microphone delivered nothing");
            sources << path;
        }
        const QString joined = file(QStringLiteral("mic-joined.mp3"));
        QVERIFY(runJoin(joined, sources).ok());
        checkJoined(joined, sources, {hz, hz, hz});
    }
};

QTEST_MAIN(TestMp3Join)
#include "tst_mp3join.moc"
