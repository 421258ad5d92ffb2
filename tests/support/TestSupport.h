#pragma once
// Helpers shared by the tests: where the shared test data lives, temporary working folders,
// and fixtures made with the ffmpeg command-line tool.
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <QTest>

#include <memory>

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
// Write a whole file, replacing what it held; true when every byte was written.
bool writeBytes(const QString& path, const QByteArray& bytes);
// A whole file's bytes, or none when it cannot be read.
QByteArray readBytes(const QString& path);
// Copy every file below `from` (hidden ones too) to the same place below `to`.
void copyTree(const QString& from, const QString& to);
// Keep every shared library loaded so far mapped until the process ends. Libraries that are
// unloaded before the leak checker runs (the software GL driver) leave leaks without names in
// its report; pinned, their allocations can be told apart from Echora's own.
void pinLoadedLibraries();
// The folder tests save pictures of what they show in, beside the test programs; made on first use.
QString screenshotDir();

// Writes beyond a size fail in this process while it lives, as on a full disk: the write
// returns an error (the signal the kernel sends for it is ignored meanwhile).
class FileSizeLimit {
public:
    explicit FileSizeLimit(qint64 bytes);
    ~FileSizeLimit();
    FileSizeLimit(const FileSizeLimit&) = delete;
    FileSizeLimit& operator=(const FileSizeLimit&) = delete;
    bool isActive() const { return active; }

private:
    struct Saved;
    std::unique_ptr<Saved> saved;
    bool active = false;
};

// A temporary folder a test works in as the trainer's runtime folder: made and entered when
// constructed; left (the previous working folder restored) and removed when destroyed.
// `Shipped` holds a copy of the runtime data the program ships with; `Bare` only the empty
// folders the trainer expects there, as on a first start without materials.
class RuntimeFolder {
public:
    enum class Contents { Bare, Shipped };
    explicit RuntimeFolder(Contents contents);
    ~RuntimeFolder();
    RuntimeFolder(const RuntimeFolder&) = delete;
    RuntimeFolder& operator=(const RuntimeFolder&) = delete;

    bool isValid() const { return entered; }
    QString path() const { return dir.path(); }

private:
    QTemporaryDir dir;
    QString previous;
    bool entered = false;
};
}  // namespace testsupport
