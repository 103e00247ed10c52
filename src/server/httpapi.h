#pragma once

#include <QByteArray>
#include <QHostAddress>
#include <QJsonArray>
#include <QJsonObject>
#include <QList>
#include <QObject>
#include <QString>
#include <QTimer>

#include <memory>

struct MHD_Connection;
struct MHD_Daemon;
class QSocketNotifier;

namespace vorlith::server {

class Table;
class Tables;

/// The HTTP/1.1 API and the status page, served by libmicrohttpd from this
/// thread's event loop: its epoll descriptor wakes us, and a single-shot
/// timer runs only while connections exist, for their time-outs.
class HttpApi : public QObject
{
    Q_OBJECT
public:
    struct Settings
    {
        quint16 port{7780};
        QHostAddress bind;  ///< null: every address, IPv4 and IPv6
        QString publicHost; ///< empty: the address a request came to
        QList<QHostAddress> trustedProxies;
        unsigned maxConnections{256};
        unsigned maxConnectionsPerAddress{16};
        unsigned timeoutSeconds{15};
    };
    /// Requests with headers or a body larger than this get 413.
    static constexpr qsizetype MaxRequestBytes = 4096;

    HttpApi(Tables &tables, Settings settings, QObject *parent = nullptr);
    ~HttpApi() override;

    /// Starts serving; false with errorText() when the port cannot be had.
    bool start();
    quint16 port() const;
    QString errorText() const { return m_error; }

    /// What answers a request: a status and a body of a content type.
    struct Reply
    {
        unsigned status{200};
        QByteArray contentType;
        QByteArray body;
    };
    /// Answers a request whose headers and body have been read (and bounded).
    Reply answer(const QByteArray &method, const QString &path, const QByteArray &body,
                 const QString &remote, const QString &localHost);

    /// The table object of the API, as players' programs and pages read it.
    QJsonObject tableObject(const Table &table, const QString &localHost) const;
    static QJsonArray heldArray(const Table &table);

private:
    friend struct DaemonCallbacks;
    /// One request's call from the daemon: true to go on, false to drop the connection.
    bool request(MHD_Connection *connection, const char *url, const char *method,
                 const char *upload, size_t *uploadSize, void **state);
    void run();
    QString remoteOf(MHD_Connection *connection) const;

    Reply createTable(const QByteArray &body, const QString &remote, const QString &localHost);
    Reply statusPage() const;
    Reply metrics() const;

    Tables &m_tables;
    Settings m_settings;
    MHD_Daemon *m_daemon{nullptr};
    std::unique_ptr<QSocketNotifier> m_notifier;
    QTimer m_timeouts;
    QString m_error;
};

} // namespace vorlith::server
