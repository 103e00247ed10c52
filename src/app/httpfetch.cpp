#include "app/httpfetch.h"

#include <QCoreApplication>
#include <QIODevice>
#include <QLoggingCategory>
#include <QTcpSocket>

Q_LOGGING_CATEGORY(lcFetch, "vorlith.app.fetch")

namespace vorlith::app {

namespace {

// Largest block taken from the socket at once, and the most the socket itself
// buffers: with both bounded, a server that floods us costs a fixed amount of
// memory whatever it sends.
constexpr qint64 ReadChunk = 64 * 1024;

bool isFetchable(const QUrl &url)
{
    return url.isValid() && url.scheme() == QLatin1String("http") && !url.host().isEmpty() && url.port(80) > 0;
}

// Text from the server as it may go into a log line: printable ASCII only,
// and not much of it.
QString printable(const QByteArray &bytes)
{
    QString text;
    for (const char c : bytes.left(120))
        text += (c >= 0x20 && c < 0x7f) ? QLatin1Char(c) : QLatin1Char('?');
    return text;
}

bool parseStatusLine(const QByteArray &line, int *status)
{
    // "HTTP/" version, space, three digits, then a space and the reason or nothing.
    if (!line.startsWith("HTTP/"))
        return false;
    const qsizetype space = line.indexOf(' ');
    if (space < 0 || line.size() < space + 4)
        return false;
    int code = 0;
    for (qsizetype i = space + 1; i < space + 4; ++i) {
        const char c = line.at(i);
        if (c < '0' || c > '9')
            return false;
        code = code * 10 + (c - '0');
    }
    if (line.size() > space + 4 && line.at(space + 4) != ' ')
        return false;
    *status = code;
    return true;
}

// A Content-Length value: decimal digits only, and small enough to count in.
qint64 parseLength(const QByteArray &value)
{
    if (value.isEmpty() || value.size() > 18)
        return -1;
    for (const char c : value)
        if (c < '0' || c > '9')
            return -1;
    return value.toLongLong();
}

} // namespace

HttpFetch::HttpFetch(QObject *parent) : QObject(parent)
{
    m_idleTimer.setInterval(1000);
    connect(&m_idleTimer, &QTimer::timeout, this, &HttpFetch::idleTick);
    if (QCoreApplication *app = QCoreApplication::instance())
        connect(app, &QCoreApplication::aboutToQuit, this, &HttpFetch::stop);
}

HttpFetch::~HttpFetch()
{
    dropSocket();
}

QString HttpFetch::abortedText()
{
    return QStringLiteral("Connection aborted on request");
}

QByteArray HttpFetch::request(const QUrl &url)
{
    // The encoded forms never hold a space, CR or LF, so an address cannot add
    // lines of its own to the request.
    QByteArray target = url.path(QUrl::FullyEncoded).toLatin1();
    if (target.isEmpty())
        target = "/";
    if (url.hasQuery())
        target += '?' + url.query(QUrl::FullyEncoded).toLatin1();
    QByteArray host = url.host(QUrl::FullyEncoded).toLatin1();
    if (host.contains(':'))
        host = '[' + host + ']';
    const int port = url.port(80);
    if (port != 80)
        host += ':' + QByteArray::number(port);
    return "GET " + target + " HTTP/1.0\r\n"
           + "Accept: image/gif, image/x-xbitmap, image/jpeg, image/pjpeg, */*\r\n"
           + "User-Agent: Mozilla/3.0 (compatible)\r\n"
           + "Host: " + host + "\r\n"
           + "\r\n";
}

bool HttpFetch::get(const QUrl &url, QIODevice *file)
{
    if (isRunning())
        return false;
    m_file = file;
    m_relocations = 0;
    m_received = 0;
    m_idleSeconds = 0;
    m_stage = Stage::Connecting;
    if (!m_manual)
        m_idleTimer.start();
    // Starting on the next turn means every outcome, even an address that
    // cannot be fetched, reaches the caller after get() has returned.
    const quint64 turn = ++m_turn;
    QMetaObject::invokeMethod(
        this,
        [this, turn, url] {
            if (m_turn != turn)
                return;
            if (!m_file || !m_file->isWritable())
                fail(QStringLiteral("The file to download into is not open"));
            else if (!isFetchable(url))
                fail(QStringLiteral("Cannot fetch the address %1").arg(url.toDisplayString()));
            else
                connectTo(url);
        },
        Qt::QueuedConnection);
    return true;
}

void HttpFetch::stop()
{
    if (m_stage == Stage::Idle || m_stage == Stage::Stopping)
        return;
    dropSocket();
    m_idleTimer.stop();
    m_file = nullptr;
    m_pending.clear();
    m_stage = Stage::Stopping;
    const quint64 turn = ++m_turn;
    qCInfo(lcFetch) << "download stopped";
    QMetaObject::invokeMethod(
        this,
        [this, turn] {
            if (m_turn != turn)
                return;
            m_stage = Stage::Idle;
            ++m_turn;
            Q_EMIT failed(abortedText());
        },
        Qt::QueuedConnection);
}

void HttpFetch::setManual(bool manual)
{
    m_manual = manual;
    if (manual)
        m_idleTimer.stop();
    else if (isRunning() && m_stage != Stage::Stopping)
        m_idleTimer.start();
}

void HttpFetch::idleTick()
{
    if (m_stage != Stage::Connecting && m_stage != Stage::Head && m_stage != Stage::Body)
        return;
    if (++m_idleSeconds >= IdleSeconds)
        fail(QStringLiteral("Nothing arrived from the server for %1 seconds").arg(IdleSeconds));
}

void HttpFetch::connectTo(const QUrl &url)
{
    m_url = url;
    m_stage = Stage::Connecting;
    m_pending.clear();
    m_headLines = 0;
    m_status = 0;
    m_statusLine.clear();
    m_location.clear();
    m_contentLength = -1;
    m_socket = new QTcpSocket(this);
    m_socket->setReadBufferSize(ReadChunk);
    connect(m_socket, &QTcpSocket::connected, this, &HttpFetch::onConnected);
    connect(m_socket, &QTcpSocket::readyRead, this, &HttpFetch::onReadyRead);
    connect(m_socket, &QTcpSocket::disconnected, this, &HttpFetch::onDisconnected);
    connect(m_socket, &QTcpSocket::errorOccurred, this, &HttpFetch::onSocketError);
    qCInfo(lcFetch) << "fetching" << url.toDisplayString();
    m_socket->connectToHost(url.host(), quint16(url.port(80)));
}

void HttpFetch::noteActivity()
{
    // The count starts again, and so does the second being counted.
    m_idleSeconds = 0;
    if (m_idleTimer.isActive())
        m_idleTimer.start();
}

void HttpFetch::onConnected()
{
    noteActivity();
    m_stage = Stage::Head;
    m_socket->write(request(m_url));
}

void HttpFetch::onReadyRead()
{
    QTcpSocket *const socket = m_socket;
    const quint64 turn = m_turn;
    while (socket && m_socket == socket && m_turn == turn && socket->bytesAvailable() > 0) {
        if (m_stage != Stage::Head && m_stage != Stage::Body)
            return;
        noteActivity();
        const QByteArray bytes = socket->read(ReadChunk);
        if (m_stage == Stage::Head)
            takeHeadBytes(bytes);
        else
            takeBody(bytes);
    }
}

void HttpFetch::onDisconnected()
{
    // The last bytes may still wait in the socket when the close is reported.
    const quint64 turn = m_turn;
    onReadyRead();
    if (m_turn != turn || !m_socket)
        return;
    if (m_stage != Stage::Body) {
        fail(QStringLiteral("The server closed the connection before its answer was complete"));
    } else if (m_contentLength >= 0 && m_received < m_contentLength) {
        fail(QStringLiteral("The connection closed after %1 of %2 bytes").arg(m_received).arg(m_contentLength));
    } else {
        complete();
    }
}

void HttpFetch::onSocketError(QAbstractSocket::SocketError error)
{
    if (error == QAbstractSocket::RemoteHostClosedError) {
        onDisconnected();
        return;
    }
    const QString text = m_socket ? m_socket->errorString() : QString();
    if (m_stage == Stage::Connecting)
        fail(QStringLiteral("Cannot connect to %1: %2").arg(m_url.host(), text));
    else
        fail(QStringLiteral("The connection broke: %1").arg(text));
}

void HttpFetch::takeHeadBytes(const QByteArray &bytes)
{
    m_pending.append(bytes);
    const quint64 turn = m_turn;
    qsizetype start = 0;
    while (m_turn == turn) {
        const qsizetype end = m_pending.indexOf('\n', start);
        if (end < 0)
            break;
        QByteArray line = m_pending.mid(start, end - start);
        start = end + 1;
        if (line.endsWith('\r'))
            line.chop(1);
        if (line.size() > MaxLineLength) {
            fail(QStringLiteral("A line of the server's answer is longer than %1 bytes").arg(MaxLineLength));
            return;
        }
        if (line.isEmpty()) {
            const QByteArray rest = m_pending.mid(start);
            m_pending.clear();
            headEnded(rest);
            return;
        }
        takeHeadLine(line);
    }
    if (m_turn != turn)
        return;
    m_pending.remove(0, start);
    // What is left has no line end yet; one CR more than a line may hold is
    // still a line that can end well.
    if (m_pending.size() > MaxLineLength + 1)
        fail(QStringLiteral("A line of the server's answer is longer than %1 bytes").arg(MaxLineLength));
}

void HttpFetch::takeHeadLine(const QByteArray &line)
{
    if (++m_headLines > MaxHeadLines) {
        fail(QStringLiteral("The server's answer has more than %1 header lines").arg(MaxHeadLines));
        return;
    }
    if (m_headLines == 1) {
        if (!parseStatusLine(line, &m_status)) {
            fail(QStringLiteral("The server's answer is not HTTP: %1").arg(printable(line)));
            return;
        }
        m_statusLine = line;
    } else if (const qsizetype colon = line.indexOf(':'); colon > 0) {
        const QByteArray name = line.left(colon).trimmed().toLower();
        const QByteArray value = line.mid(colon + 1).trimmed();
        if (name == "location" && m_location.isEmpty()) {
            m_location = value;
        } else if (name == "content-length") {
            const qint64 length = parseLength(value);
            if (length < 0 || (m_contentLength >= 0 && length != m_contentLength)) {
                fail(QStringLiteral("The server's answer has an unreadable length: %1").arg(printable(value)));
                return;
            }
            m_contentLength = length;
        }
    }
    Q_EMIT headerLine(line);
}

void HttpFetch::headEnded(const QByteArray &rest)
{
    if (m_headLines == 0) {
        fail(QStringLiteral("The server's answer is not HTTP: it has no status line"));
        return;
    }
    if (m_status >= 400) {
        fail(QStringLiteral("The server answered %1").arg(printable(m_statusLine)));
        return;
    }
    if (!m_location.isEmpty()) {
        // The relocating answer's own body is never kept.
        if (m_relocations >= MaxRelocations) {
            fail(QStringLiteral("The server relocated the file more than %1 times").arg(MaxRelocations));
            return;
        }
        ++m_relocations;
        const QUrl next = m_url.resolved(QUrl(QString::fromLatin1(m_location)));
        if (!isFetchable(next)) {
            fail(QStringLiteral("The server relocated the file to an address that cannot be fetched: %1")
                     .arg(printable(m_location)));
            return;
        }
        dropSocket();
        ++m_turn;
        connectTo(next);
        return;
    }
    m_stage = Stage::Body;
    const quint64 turn = m_turn;
    Q_EMIT bodyBegins();
    if (m_turn != turn)
        return;
    if (m_contentLength == 0)
        complete();
    else if (!rest.isEmpty())
        takeBody(rest);
}

void HttpFetch::takeBody(QByteArray bytes)
{
    // Anything past the announced length is not part of the file.
    if (m_contentLength >= 0 && bytes.size() > m_contentLength - m_received)
        bytes.truncate(m_contentLength - m_received);
    if (!bytes.isEmpty()) {
        if (m_file->write(bytes) != bytes.size()) {
            fail(QStringLiteral("Cannot write the downloaded file: %1").arg(m_file->errorString()));
            return;
        }
        m_received += bytes.size();
        const quint64 turn = m_turn;
        Q_EMIT bodyReceived(m_received, m_contentLength);
        if (m_turn != turn)
            return;
    }
    if (m_contentLength >= 0 && m_received == m_contentLength)
        complete();
}

void HttpFetch::complete()
{
    const qint64 received = m_received;
    qCInfo(lcFetch) << "download complete," << received << "bytes";
    end();
    Q_EMIT completed(received);
}

void HttpFetch::fail(const QString &reason)
{
    qCWarning(lcFetch).noquote() << "download failed:" << reason;
    end();
    Q_EMIT failed(reason);
}

void HttpFetch::end()
{
    dropSocket();
    m_idleTimer.stop();
    m_file = nullptr;
    m_pending.clear();
    m_pending.squeeze();
    m_stage = Stage::Idle;
    ++m_turn;
}

void HttpFetch::dropSocket()
{
    if (!m_socket)
        return;
    // No more notices from it, and it goes once its own handler has returned.
    m_socket->disconnect(this);
    m_socket->abort();
    m_socket->deleteLater();
    m_socket = nullptr;
}

} // namespace vorlith::app
