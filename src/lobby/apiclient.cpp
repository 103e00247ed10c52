#include "lobby/apiclient.h"

#include <QLoggingCategory>
#include <QNetworkAccessManager>
#include <QNetworkReply>
#include <QNetworkRequest>
#include <QTimer>

Q_LOGGING_CATEGORY(lcApi, "vorlith.lobby.api")

namespace vorlith::lobby {

namespace {

QString addressOf(const QUrl &base)
{
    return servers::displayName(base);
}

bool isUnreachable(QNetworkReply::NetworkError error)
{
    switch (error) {
    // A server that takes the connection and closes it without an answer
    // is up, but speaks something else (a game's port, say).
    case QNetworkReply::RemoteHostClosedError:
    case QNetworkReply::ProtocolFailure:
    case QNetworkReply::ProtocolUnknownError:
    case QNetworkReply::ProtocolInvalidOperationError:
    case QNetworkReply::UnknownContentError:
        return false;
    default:
        return true;
    }
}

} // namespace

ApiClient::ApiClient(QObject *parent) : QObject(parent), m_network(new QNetworkAccessManager(this))
{
    // A lobby asks one small question at a time; nothing it fetches is kept.
    m_network->setRedirectPolicy(QNetworkRequest::NoLessSafeRedirectPolicy);
}

ApiClient::~ApiClient()
{
    cancelAll();
}

void ApiClient::setServer(const QUrl &base)
{
    if (base == m_base)
        return;
    cancelAll();
    m_base = base;
}

void ApiClient::cancelAll()
{
    const QList<QNetworkReply *> replies = m_requests.keys();
    m_requests.clear();
    for (QNetworkReply *reply : replies) {
        reply->abort();
        reply->deleteLater();
    }
}

void ApiClient::listTables(Done done)
{
    QNetworkRequest request(servers::apiUrl(m_base, QStringLiteral("api/tables")));
    send(m_network->get(request), Expect::List, std::move(done));
}

void ApiClient::table(const QString &id, Done done)
{
    const QString path =
        QStringLiteral("api/tables/") + QString::fromLatin1(QUrl::toPercentEncoding(id));
    send(m_network->get(QNetworkRequest(servers::apiUrl(m_base, path))), Expect::Table,
         std::move(done));
}

void ApiClient::invite(const QString &code, Done done)
{
    const QString path =
        QStringLiteral("api/invites/") + QString::fromLatin1(QUrl::toPercentEncoding(code));
    send(m_network->get(QNetworkRequest(servers::apiUrl(m_base, path))), Expect::Table,
         std::move(done));
}

void ApiClient::createTable(const api::NewTable &table, Done done)
{
    QNetworkRequest request(servers::apiUrl(m_base, QStringLiteral("api/tables")));
    request.setHeader(QNetworkRequest::ContentTypeHeader, QByteArrayLiteral("application/json"));
    send(m_network->post(request, api::newTableBody(table)), Expect::Table, std::move(done));
}

void ApiClient::send(QNetworkReply *reply, Expect expect, Done done)
{
    Request request{expect, std::move(done), nullptr, false, false};
    if (!m_manual) {
        request.deadline = new QTimer(reply);
        request.deadline->setSingleShot(true);
        connect(request.deadline, &QTimer::timeout, this, [this, reply] { timeOut(reply); });
        request.deadline->start(m_deadlineMs);
    }
    m_requests.insert(reply, std::move(request));
    // The answer's size is checked as it comes: a server that announces or
    // sends more than an answer of ours can be is cut off there.
    connect(reply, &QNetworkReply::metaDataChanged, this, [this, reply] {
        const QVariant length = reply->header(QNetworkRequest::ContentLengthHeader);
        if (length.isValid() && length.toLongLong() > m_maxBytes)
            checkSize(reply, length.toLongLong());
    });
    connect(reply, &QNetworkReply::downloadProgress, this,
            [this, reply](qint64 received, qint64) { checkSize(reply, received); });
    connect(reply, &QNetworkReply::finished, this, [this, reply] { finish(reply); });
}

void ApiClient::checkSize(QNetworkReply *reply, qint64 received)
{
    auto it = m_requests.find(reply);
    if (it == m_requests.end() || received <= m_maxBytes || it->tooLarge)
        return;
    it->tooLarge = true;
    reply->abort();
}

void ApiClient::timeOut(QNetworkReply *reply)
{
    auto it = m_requests.find(reply);
    if (it == m_requests.end())
        return;
    it->timedOut = true;
    reply->abort();
}

void ApiClient::expireDeadlines()
{
    const QList<QNetworkReply *> replies = m_requests.keys();
    for (QNetworkReply *reply : replies)
        timeOut(reply);
}

void ApiClient::finish(QNetworkReply *reply)
{
    const auto it = m_requests.find(reply);
    if (it == m_requests.end())
        return;
    const Request request = std::move(*it);
    m_requests.erase(it);
    reply->deleteLater();
    const ApiResult result = resultOf(reply, request);
    if (result.kind != ApiResult::Kind::Ok)
        qCInfo(lcApi) << reply->url().toString() << "failed:" << result.text;
    // The callback may drop this client or start the next request.
    request.done(result);
}

ApiResult ApiClient::resultOf(QNetworkReply *reply, const Request &request) const
{
    using Kind = ApiResult::Kind;
    const QString server = addressOf(m_base);
    ApiResult result;
    if (request.timedOut) {
        result.kind = Kind::Unreachable;
        result.text = QStringLiteral("no answer within %1 seconds").arg(m_deadlineMs / 1000.0);
        return result;
    }
    if (request.tooLarge) {
        result.kind = Kind::NotOurApi;
        result.text =
            QStringLiteral("%1 sent an answer too large to be a table server's").arg(server);
        return result;
    }
    result.status = reply->attribute(QNetworkRequest::HttpStatusCodeAttribute).toInt();
    if (result.status == 0) {
        result.kind = isUnreachable(reply->error()) ? Kind::Unreachable : Kind::NotOurApi;
        result.text = result.kind == Kind::Unreachable
                          ? api::plain(reply->errorString(), 200)
                          : QStringLiteral("%1 does not answer as a table server does").arg(server);
        return result;
    }
    // The answer is read only once it is known to be small.
    const QByteArray body = reply->readAll().left(m_maxBytes);
    const QString error = api::readError(body);
    const bool asked = request.expect == Expect::List;
    if (result.status == 200 || result.status == 201) {
        if (asked) {
            if (auto tables = api::readTableList(body)) {
                result.tables = std::move(*tables);
                return result;
            }
        } else if (auto table = api::readTableBody(body)) {
            result.table = std::move(table);
            return result;
        }
        result.kind = Kind::NotOurApi;
        result.text =
            QStringLiteral("%1 answered something that is not a table server's answer").arg(server);
        return result;
    }
    if (result.status == 404 && !asked) {
        result.kind = Kind::NotFound;
        result.text = error;
        return result;
    }
    // The table server says why it refuses (a limit reached, a bad field).
    if (result.status >= 400 && !error.isEmpty()) {
        result.kind = Kind::Refused;
        result.text = error;
        return result;
    }
    if (result.status == 502 || result.status == 503 || result.status == 504) {
        // A proxy in front of a table server that is not running.
        result.kind = Kind::Unreachable;
        result.text = QStringLiteral("the server's proxy answered %1").arg(result.status);
        return result;
    }
    if (result.status == 413) {
        result.kind = Kind::Refused;
        result.text = QStringLiteral("the request was too large");
        return result;
    }
    result.kind = Kind::NotOurApi;
    result.text = QStringLiteral("%1 answered %2, which a table server does not")
                      .arg(server)
                      .arg(result.status);
    return result;
}

} // namespace vorlith::lobby
