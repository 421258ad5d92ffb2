#include "ResourceGet.h"

#include <QFile>
#include <QNetworkAccessManager>
#include <QNetworkRequest>
#include <QTimer>

namespace {
// A reply keeps at most this much unread; the rest waits in the socket, so a large download
// never gathers in memory.
constexpr qint64 replyBufferBytes = 256 * 1024;
constexpr int maxRedirects = 10;

int httpStatus(const QNetworkReply* reply)
{
    const QVariant status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute);
    return status.isValid() ? status.toInt() : 0;  // file replies have no status
}

bool isHttp(const QUrl& url)
{
    return url.scheme() == QLatin1String("http") || url.scheme() == QLatin1String("https");
}
}  // namespace

ResourceGet::ResourceGet(QObject* parent)
    : QObject(parent), manager(new QNetworkAccessManager(this)), stallTimer(new QTimer(this))
{
    stallTimer->setSingleShot(true);
    stallTimer->setInterval(defaultStallTimeout);
    connect(stallTimer, &QTimer::timeout, this, [this] {
        abort(QStringLiteral("连接超时：%1 秒没有收到数据")
                  .arg(std::chrono::duration<double>(stallTimer->intervalAsDuration()).count()));
    });
    connect(manager, &QNetworkAccessManager::finished, this, &ResourceGet::finished);
}

ResourceGet::~ResourceGet()
{
    if (reply) {
        reply->disconnect(this);
        reply->abort();
        delete reply;
    }
    if (targetFile && targetFile->isOpen())
        targetFile->close();
}

void ResourceGet::setStallTimeout(std::chrono::milliseconds timeout)
{
    stallTimer->setInterval(timeout);
}

bool ResourceGet::schemeAllowed(const QUrl& url, bool fileAllowed)
{
    if (!url.isValid())
        return false;
    return isHttp(url) || (fileAllowed && url.isLocalFile());
}

void ResourceGet::start(const QUrl& url)
{
    dropReply();
    stallTimer->stop();
    running = true;
    started = true;
    failureText.clear();
    collected.clear();
    received = 0;
    total = -1;
    if (buffer)
        buffer->clear();
    if (!schemeAllowed(url, fileSchemeAllowed)) {
        failLater(QStringLiteral("不支持的下载地址：%1").arg(url.toDisplayString()));
        return;
    }
    if (targetFile && !targetFile->open(QIODevice::WriteOnly | QIODevice::Truncate)) {
        failLater(QStringLiteral("无法写入文件：%1").arg(targetFile->fileName()));
        return;
    }
    request(url);
}

void ResourceGet::failLater(const QString& reason)
{
    // The caller connects to sigFinish after start(); the end is reported from the event loop.
    const quint64 attempt = ++attempts;
    QTimer::singleShot(0, this, [this, attempt, reason] {
        if (attempt == attempts)
            endTransfer(reason);
    });
}

void ResourceGet::request(const QUrl& url)
{
    dropReply();
    QNetworkRequest get(url);
    get.setAttribute(QNetworkRequest::RedirectPolicyAttribute,
                     QNetworkRequest::NoLessSafeRedirectPolicy);
    get.setMaximumRedirectsAllowed(maxRedirects);
    reply = manager->get(get);
    reply->setReadBufferSize(replyBufferBytes);
    connect(reply, &QNetworkReply::readyRead, this, &ResourceGet::readyRead);
    connect(reply, &QNetworkReply::metaDataChanged, this, &ResourceGet::metaDataChanged);
    connect(reply, &QNetworkReply::errorOccurred, this, &ResourceGet::error);
    connect(reply, &QNetworkReply::finished, this, &ResourceGet::doFinish);
    stallTimer->start();
}

void ResourceGet::dropReply()
{
    ++attempts;
    if (!reply)
        return;
    QNetworkReply* old = reply;
    reply = nullptr;
    old->disconnect(this);
    old->abort();
    old->deleteLater();
}

void ResourceGet::abort(const QString& reason)
{
    if (running)
        endTransfer(reason.isEmpty() ? QStringLiteral("已取消") : reason);
}

void ResourceGet::finished(QNetworkReply*)
{
    // Every reply reports its own end to doFinish().
}

bool ResourceGet::statusRefused() const
{
    const int status = httpStatus(reply);
    return status != 0 && (status < 200 || status > 299);
}

void ResourceGet::metaDataChanged()
{
    if (!reply)
        return;
    const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
    total = length.isValid() ? length.toLongLong() : -1;
    if (httpStatus(reply) >= 400)
        endTransfer(QStringLiteral("服务器回答 %1").arg(httpStatus(reply)));
}

void ResourceGet::readyRead()
{
    if (!reply)
        return;
    stallTimer->start();
    if (statusRefused())
        return;  // a redirect's or an error page's body is no part of the resource
    while (reply && reply->bytesAvailable() > 0) {
        const QByteArray bytes = reply->read(replyBufferBytes);
        if (bytes.isEmpty())
            break;
        writeBytes(bytes);
    }
}

void ResourceGet::writeBytes(const QByteArray& bytes)
{
    if (targetFile && targetFile->write(bytes) != bytes.size()) {
        endTransfer(QStringLiteral("无法写入文件：%1").arg(targetFile->fileName()));
        return;
    }
    if (buffer) {
        if (collected.size() + bytes.size() > bufferLimit) {
            endTransfer(QStringLiteral("文件过大（超过 %1 MB）").arg(bufferLimit / (1024 * 1024)));
            return;
        }
        collected.append(bytes);
    }
    received += bytes.size();
    Q_EMIT sigProgress(received, total);
}

void ResourceGet::error(QNetworkReply::NetworkError code)
{
    if (!reply || !failureText.isEmpty() || code == QNetworkReply::NoError)
        return;
    const int status = httpStatus(reply);
    failureText = status >= 400 ? QStringLiteral("服务器回答 %1").arg(status)
                                : QStringLiteral("网络错误：%1").arg(reply->errorString());
}

void ResourceGet::doFinish()
{
    if (!running || !reply)
        return;
    readyRead();  // whatever is still unread
    if (!running || !reply)
        return;
    if (failureText.isEmpty()) {
        if (reply->error() != QNetworkReply::NoError)
            failureText = QStringLiteral("网络错误：%1").arg(reply->errorString());
        else if (statusRefused())
            failureText = QStringLiteral("服务器回答 %1").arg(httpStatus(reply));
        else if (total >= 0 && received < total)
            failureText = QStringLiteral("下载不完整：%1 / %2 字节").arg(received).arg(total);
    }
    endTransfer(failureText);
}

void ResourceGet::endTransfer(const QString& reason)
{
    if (!running)
        return;
    // An empty reason is the successful end.
    failureText = reason;
    running = false;
    stallTimer->stop();
    dropReply();
    if (targetFile && targetFile->isOpen()) {
        if (!targetFile->flush() && failureText.isEmpty())
            failureText = QStringLiteral("无法写入文件：%1").arg(targetFile->fileName());
        targetFile->close();
    }
    if (buffer && failureText.isEmpty()) {
        const qsizetype zero = collected.indexOf('\0');
        *buffer = QString::fromUtf8(zero < 0 ? collected : collected.left(zero));
    }
    collected.clear();
    Q_EMIT sigFinish();
}
