#pragma once

#include <QAbstractSocket>
#include <QByteArray>
#include <QObject>
#include <QTimer>
#include <QUrl>

class QIODevice;
class QTcpSocket;

namespace vorlith::app {

/// Fetches one http:// address into an open device with HTTP/1.0.
///
/// Event driven on the calling thread: get() returns at once and the fetch
/// reports through signals, ending with exactly one of completed() or failed().
/// The request carries a fixed set of lines and nothing else. The answer's
/// head is read line by line with bounds on the length and number of lines,
/// relocations (a Location header on a status below 400) are followed up to
/// MaxRelocations times, and the body goes to the device as it arrives.
/// A fetch that receives nothing for IdleSeconds fails; the application
/// quitting stops a running fetch.
class HttpFetch : public QObject
{
    Q_OBJECT
public:
    static constexpr int MaxRelocations = 10;
    static constexpr int IdleSeconds = 30;
    /// Longest status or header line accepted, without its line end.
    static constexpr qsizetype MaxLineLength = 8 * 1024;
    /// Most lines one answer's head may have, the status line included.
    static constexpr int MaxHeadLines = 100;

    explicit HttpFetch(QObject *parent = nullptr);
    ~HttpFetch() override;

    /// Starts fetching \a url into \a file, which must stay open until the
    /// fetch has ended. Returns false, doing nothing, while a fetch runs.
    /// An address that cannot be fetched fails on the next turn of the event
    /// loop, like any other failure.
    bool get(const QUrl &url, QIODevice *file);

    /// Ends a running fetch at once: the connection closes now and failed()
    /// with abortedText() follows on the next turn of the event loop. No
    /// effect when no fetch runs.
    void stop();

    /// True from get() until completed() or failed() has been emitted.
    bool isRunning() const { return m_stage != Stage::Idle; }

    /// With manual timing the idle clock never runs by itself; tests call
    /// idleTick() for each second that passes.
    void setManual(bool manual);
    /// One second without anything received.
    void idleTick();

    /// The exact bytes sent to ask for \a url.
    static QByteArray request(const QUrl &url);
    /// The reason of a stopped fetch.
    static QString abortedText();

Q_SIGNALS:
    /// One line of an answer's head (the status line too), without its line end.
    void headerLine(const QByteArray &line);
    /// The head of the final answer has ended; body bytes follow.
    void bodyBegins();
    /// A block of the body was written; \a total is -1 when the server did
    /// not announce the length.
    void bodyReceived(qint64 received, qint64 total);
    /// The whole body arrived and was written.
    void completed(qint64 received);
    /// The fetch ended without the whole body; \a reason says why.
    void failed(const QString &reason);

private:
    enum class Stage { Idle, Connecting, Head, Body, Stopping };

    void connectTo(const QUrl &url);
    void noteActivity();
    void onConnected();
    void onReadyRead();
    void onDisconnected();
    void onSocketError(QAbstractSocket::SocketError error);
    void takeHeadBytes(const QByteArray &bytes);
    void takeHeadLine(const QByteArray &line);
    void headEnded(const QByteArray &rest);
    void takeBody(QByteArray bytes);
    void complete();
    void fail(const QString &reason);
    void end();
    void dropSocket();

    QTcpSocket *m_socket{nullptr};
    QIODevice *m_file{nullptr};
    QUrl m_url;
    Stage m_stage{Stage::Idle};
    /// Head bytes not yet cut into lines.
    QByteArray m_pending;
    int m_headLines{0};
    int m_status{0};
    QByteArray m_statusLine;
    QByteArray m_location;
    qint64 m_contentLength{-1};
    qint64 m_received{0};
    int m_relocations{0};
    int m_idleSeconds{0};
    bool m_manual{false};
    QTimer m_idleTimer;
    /// Counts fetches and answers; a handler that emitted a signal checks it
    /// to learn whether the fetch ended or moved on while the signal ran.
    quint64 m_turn{0};
};

} // namespace vorlith::app
