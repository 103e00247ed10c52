#pragma once

#include "lobby/tables.h"

#include <QByteArray>
#include <QHash>
#include <QObject>
#include <QString>
#include <QUrl>

#include <functional>

class QNetworkAccessManager;
class QNetworkReply;
class QTimer;

namespace vorlith::lobby {

/// How a request to a table server ended.
struct ApiResult
{
    enum class Kind
    {
        Ok,          ///< a well-formed answer of ours
        Unreachable, ///< no answer: refused, unknown host, timed out, cut off
        NotFound,    ///< 404
        Refused,     ///< 400, 413 or another refusal; text says what
        NotOurApi,   ///< an answer, but not of the table server's shape
    };
    Kind kind{Kind::Ok};
    int status{0};              ///< the HTTP status, 0 without an answer
    QString text;               ///< the reason, plain text, for the person
    QList<Table> tables;        ///< for the list
    std::optional<Table> table; ///< for one table
};

/// Talks to one table server's HTTP API.
///
/// Every request is asynchronous and has a deadline and a limit on the size
/// of its answer; a server that is slow, answers too much or answers
/// something else ends the request with a result that says so, and never
/// holds up the caller. Each request ends with exactly one callback.
class ApiClient : public QObject
{
    Q_OBJECT
public:
    using Done = std::function<void(const ApiResult &)>;

    static constexpr int DeadlineMs = 8000;
    /// No answer of ours comes near this: 1000 tables take about 300 KB.
    static constexpr qint64 MaxAnswerBytes = 1024 * 1024;

    explicit ApiClient(QObject *parent = nullptr);
    ~ApiClient() override;

    /// The server's base address (see servers::baseUrl); requests under way
    /// to another server are dropped without their callbacks.
    void setServer(const QUrl &base);
    QUrl server() const { return m_base; }

    /// With manual deadlines no timer runs; tests call expireDeadlines()
    /// to let every request under way run out of time.
    void setManualDeadlines(bool manual) { m_manual = manual; }
    void expireDeadlines();
    void setDeadlineMs(int ms) { m_deadlineMs = ms; }
    void setMaxAnswerBytes(qint64 bytes) { m_maxBytes = bytes; }

    void listTables(Done done);
    void table(const QString &id, Done done);
    void invite(const QString &code, Done done);
    void createTable(const api::NewTable &table, Done done);

    int pending() const { return int(m_requests.size()); }
    void cancelAll();

private:
    enum class Expect
    {
        List,
        Table
    };
    struct Request
    {
        Expect expect{Expect::Table};
        Done done;
        QTimer *deadline{nullptr};
        bool tooLarge{false};
        bool timedOut{false};
    };

    void send(QNetworkReply *reply, Expect expect, Done done);
    void finish(QNetworkReply *reply);
    void checkSize(QNetworkReply *reply, qint64 received);
    void timeOut(QNetworkReply *reply);
    ApiResult resultOf(QNetworkReply *reply, const Request &request) const;

    QNetworkAccessManager *m_network{nullptr};
    QUrl m_base;
    QHash<QNetworkReply *, Request> m_requests;
    int m_deadlineMs{DeadlineMs};
    qint64 m_maxBytes{MaxAnswerBytes};
    bool m_manual{false};
};

} // namespace vorlith::lobby
