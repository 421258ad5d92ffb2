#pragma once
// ResourceGet: one GET of one URL, streamed as the bytes arrive into a file or collected into
// a text buffer. It ends exactly once with sigFinish(), after which succeeded() and failure()
// say how it went: an HTTP status outside 200…299, a network error, a body shorter than
// announced, a stall (no bytes for the stall timeout), a write error, a buffer over its limit
// or a refused URL scheme all end it as failed. Redirects are followed by the network library
// (at most a few, never from https down to http). GUI thread only.
//
// Ownership: the network access manager and the current reply are owned; the file and the
// buffer are the caller's and must outlive the transfer. The file is opened by start() and
// closed before sigFinish(); the buffer gets its text only when the transfer succeeded.
#include <QByteArray>
#include <QNetworkReply>
#include <QObject>
#include <QUrl>

#include <chrono>

class QFile;
class QNetworkAccessManager;
class QTimer;

class ResourceGet : public QObject {
    Q_OBJECT
public:
    explicit ResourceGet(QObject* parent = nullptr);
    ~ResourceGet() override;

    void setFile(QFile* target) { targetFile = target; }
    void setBuffer(QString* text) { buffer = text; }
    QFile* file() const { return targetFile; }
    // Ends the transfer as failed when no byte arrived for this long (30 s unless changed).
    void setStallTimeout(std::chrono::milliseconds timeout);
    // Largest body the text buffer accepts (16 MB unless changed); more ends it as failed.
    void setBufferLimit(qint64 bytes) { bufferLimit = bytes; }
    // Whether file:// URLs may be read (only for a catalogue that is itself a local folder).
    void setFileSchemeAllowed(bool allowed) { fileSchemeAllowed = allowed; }
    // Whether a URL may be fetched: http or https, or file when file URLs are allowed.
    static bool schemeAllowed(const QUrl& url, bool fileAllowed);

    // Begins the GET; a transfer still running is dropped first (its end is not reported).
    void start(const QUrl& url);
    // Ends a running transfer as failed with this reason; nothing happens when none runs.
    void abort(const QString& reason);
    bool isRunning() const { return running; }
    bool succeeded() const { return running == false && failureText.isEmpty() && started; }
    // Why the transfer failed, in words for the learner; empty when it did not fail.
    QString failure() const { return failureText; }
    qint64 bytesReceived() const { return received; }
    // Size announced by the server, or -1 when unknown.
    qint64 bytesTotal() const { return total; }

    static constexpr std::chrono::milliseconds defaultStallTimeout{30000};
    static constexpr qint64 defaultBufferLimit = 16 * 1024 * 1024;

Q_SIGNALS:
    void sigFinish();
    // Bytes so far and the announced size (-1 when unknown), after each piece written.
    void sigProgress(qint64 received, qint64 total);

public Q_SLOTS:
    void finished(QNetworkReply* reply);
    void readyRead();
    void metaDataChanged();
    void error(QNetworkReply::NetworkError code);
    void doFinish();

private:
    void request(const QUrl& url);
    void dropReply();
    // Ends the transfer; an empty reason is the successful end. Emits sigFinish().
    void endTransfer(const QString& reason);
    void failLater(const QString& reason);
    bool statusRefused() const;
    void writeBytes(const QByteArray& bytes);

    QNetworkAccessManager* manager;
    QNetworkReply* reply = nullptr;
    QString* buffer = nullptr;
    QFile* targetFile = nullptr;
    QTimer* stallTimer;
    QByteArray collected;  // body bytes for the buffer, decoded when the transfer ends
    QString failureText;
    qint64 bufferLimit = defaultBufferLimit;
    qint64 received = 0;
    qint64 total = -1;
    quint64 attempts = 0;  // tells a scheduled end from a later start's
    bool fileSchemeAllowed = false;
    bool running = false;
    bool started = false;
};
