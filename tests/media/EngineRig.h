#pragma once
// Shared by the engine tests: an engine whose reports are recorded, identifiers, the fixture
// files and small helpers on recorded PCM.
#include "MediaEngine.h"
#include "MediaFixtures.h"

#include <QDir>
#include <QFile>
#include <QStringList>
#include <QTemporaryDir>
#include <QVector>
#include <QtTest>
#include <cmath>

namespace mediatest {
constexpr int kBytesPerSecond = kRate * 4;  // stereo 16-bit
constexpr int kLong = 20000;                // ms: generous bound for a channel to end

// Seconds of PCM in `bytes`, with the tone's format.
inline double seconds(qint64 bytes) { return double(bytes) / kBytesPerSecond; }

inline QByteArray describe(const QVector<double>& gaps)
{
    QStringList parts;
    for (double g : gaps)
        parts << QString::number(g, 'f', 3);
    return parts.join(' ').toLatin1();
}

// One engine with its reports recorded. The records are declared first so they outlive the
// engine: its destructor reports every channel still playing, into these lists.
struct Rig {
    QVector<MediaIdentifier> stopped, marksIn, marksOut;
    QStringList order;  // "in" / "out" in arrival order
    MediaEngine engine;
    Rig()
    {
        QObject::connect(&engine, &MediaEngine::sigPlayStopped,
                         [this](MediaIdentifier id) { stopped.push_back(id); });
        QObject::connect(&engine, &MediaEngine::sigMarkIn, [this](MediaIdentifier id) {
            marksIn.push_back(id);
            order << "in";
        });
        QObject::connect(&engine, &MediaEngine::sigMarkOut, [this](MediaIdentifier id) {
            marksOut.push_back(id);
            order << "out";
        });
    }
};

inline MediaIdentifier ident(const QString& path, AudioDev* a, VideoDev* v = nullptr)
{
    MediaIdentifier id;
    id.path = path;
    id.audio = a;
    id.video = v;
    return id;
}

// The fixture files in `dir`: tones in four formats, test patterns, a video-only file, a
// truncated, an empty and a text file named .mp3, and a folder.
inline void makeEngineFixtures(const QTemporaryDir& dir)
{
    const auto file = [&](const QString& name) { return dir.filePath(name); };
    QVERIFY(dir.isValid());
    for (const char* ext : {"mp3", "m4a", "ogg", "wav"})
        QVERIFY(makeTone(file(QStringLiteral("tone.") + ext)));
    QVERIFY(makePattern(file("pattern.flv"), 3, false));
    QVERIFY(makePattern(file("pattern.mp4"), 3, false));
    QVERIFY(makePattern(file("videoonly.mp4"), 1, true));
    QFile whole(file("tone.mp3"));
    QVERIFY(whole.open(QIODevice::ReadOnly));
    const QByteArray bytes = whole.readAll();
    QFile half(file("truncated.mp3"));
    QVERIFY(half.open(QIODevice::WriteOnly));
    half.write(bytes.left(bytes.size() / 2));
    QFile empty(file("empty.mp3"));
    QVERIFY(empty.open(QIODevice::WriteOnly));
    QFile text(file("text.mp3"));
    QVERIFY(text.open(QIODevice::WriteOnly));
    text.write("[00:01.00]This is a sentence file, not a sound.\n");
    QVERIFY(QDir(dir.path()).mkdir("unreadable"));
}
}  // namespace mediatest
