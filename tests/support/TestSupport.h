#pragma once
// Helpers shared by the tests: where the shared test data lives, temporary working folders,
// and fixtures made with the ffmpeg command-line tool.
#include <QString>
#include <QStringList>
#include <QTest>

// Calls a void helper that checks with QVERIFY / QCOMPARE, which return from the helper only,
// and leaves the calling test function as well once the helper has recorded a failure.
#define ECHORA_CHECKED(call)                                                                       \
    do {                                                                                           \
        call;                                                                                      \
        if (QTest::currentTestFailed())                                                            \
            return;                                                                                \
    } while (false)

namespace testsupport {
// The shared test data folder beside the project checkout, or empty when it is absent.
QString testDataDir();
// Run a program to completion; true when it exited with status 0.
bool run(const QString& program, const QStringList& args, int timeoutMs = 60000);
// Make an audio file with ffmpeg's lavfi sources (e.g. "sine=frequency=440:duration=2").
bool makeAudio(const QString& path, const QString& lavfiSource, const QStringList& extra = {});
// Copy every file below `from` (hidden ones too) to the same place below `to`.
void copyTree(const QString& from, const QString& to);
// Keep every shared library loaded so far mapped until the process ends. Libraries that are
// unloaded before the leak checker runs (the software GL driver) leave leaks without names in
// its report; pinned, their allocations can be told apart from Echora's own.
void pinLoadedLibraries();
}  // namespace testsupport
