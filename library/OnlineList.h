#pragma once
// OnlineList: the online list document and what the library makes of it. The document holds
// one `channel` element per level (the first three count), each with `item` children naming a
// material by `title` and `audiourl`; it becomes the three "-net" trains files. Reading it is
// guarded: a document type with an internal subset (where entities would be declared) is
// refused, so no entity expansion can happen. The class also decides which download URLs and
// file names are safe: an unsafe item is shown but never fetched. Stateless apart from the
// parsed channels; GUI thread (it is used by the library view).
#include <QByteArray>
#include <QList>
#include <QString>
#include <QUrl>

class OnlineList {
public:
    static constexpr int levelCount = 3;
    // Longest file name the cache accepts, in UTF-8 bytes.
    static constexpr int maxNameBytes = 200;

    struct Item {
        QString title;
        QString url;  // resolved against the list URL
    };

    // The page of a list server: base URL + "/inter/imitate.php". A base without a scheme
    // is an http host ("192.168.1.5:8000"), or a local folder when it is an absolute path.
    static QUrl listUrl(const QString& server);
    // The catalogue installed with the program: the folder "catalogue" in the working
    // directory, as a file:// URL.
    static QString defaultServer();
    // The trains file of a level's online list: "basic-net.xml", "advanced-net.xml",
    // "expert-net.xml".
    static QString netList(int level);

    // Reads a list document fetched from listUrl. False, with the reason, when it is not
    // well-formed, declares an internal document type subset or has no channel at all.
    bool parse(const QString& text, const QUrl& listUrl, QString* error);
    int channelCount() const { return int(channels.size()); }
    const QList<Item>& channel(int level) const { return channels.at(level); }
    // A channel as a trains file: one train "声林在线材料" holding a case per item, in the bytes
    // of the library's trains-file writer.
    QByteArray netListBytes(int level) const;
    // Writes netListBytes() as the level's "-net" file; false when it could not be written.
    bool writeNetList(int level) const;

    // Why a material URL of a list read from listUrl cannot be downloaded, or empty when it
    // can: the scheme must be http or https (or file for a list that is itself a file), and
    // its file name must be safe.
    static QString unavailableReason(const QString& url, const QUrl& listUrl);
    // Why a download file name cannot be written into the cache, or empty when it can: it
    // must not be empty, ".", "..", hold a separator or a control character once
    // percent-decoded, nor be longer than maxNameBytes.
    static QString unsafeNameReason(const QString& url);
    // The URL of a material's script: the media URL with the last extension of its file name
    // replaced by ".lrc".
    static QString scriptUrl(const QString& mediaUrl);

private:
    QList<QList<Item>> channels;
};
