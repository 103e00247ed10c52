// vorlith-server: tables of the word game kept open on the internet.
#include "server/admission.h"
#include "server/config.h"
#include "server/httpapi.h"
#include "server/table.h"
#include "server/tables.h"

#include <QCoreApplication>
#include <QLoggingCategory>

#include <sys/resource.h>

#include <cstdio>

Q_LOGGING_CATEGORY(lcServer, "vorlith.server")

namespace {

/// Every player holds a descriptor; the soft limit's usual 1024 would cap
/// the server far below what it is configured for.
void raiseOpenFiles()
{
    rlimit limit{};
    if (getrlimit(RLIMIT_NOFILE, &limit) != 0 || limit.rlim_cur == limit.rlim_max)
        return;
    limit.rlim_cur = limit.rlim_max;
    if (setrlimit(RLIMIT_NOFILE, &limit) != 0)
        qCWarning(lcServer) << "cannot raise the open-files limit";
    else
        qCInfo(lcServer) << "open-files limit" << qulonglong(limit.rlim_cur);
}

} // namespace

int main(int argc, char *argv[])
{
    using namespace vorlith::server;
    QCoreApplication app(argc, argv);
    QCoreApplication::setApplicationName(QStringLiteral("vorlith-server"));
    QCoreApplication::setApplicationVersion(QStringLiteral(VORLITH_VERSION));

    ServerConfig config;
    const ConfigResult read = readConfig(QCoreApplication::arguments(), config);
    if (read.action == ConfigResult::Action::Exit) {
        std::fputs(qPrintable(read.output), stdout);
        return 0;
    }
    if (read.action == ConfigResult::Action::Fail) {
        std::fprintf(stderr, "vorlith-server: %s\n", qPrintable(read.error));
        return 2;
    }
    raiseOpenFiles();

    Words words;
    if (!words.load(config.wordList)) {
        qCCritical(lcServer) << "word list" << config.wordList << "cannot be loaded"
                             << words.errorText();
        return 1;
    }
    Admission admission(config.maxConnectionsPerAddress, config.maxConnections);
    Tables tables(words, admission,
                  {config.maxTables, config.maxTablesPerAddress, config.maxCreationsPerMinute,
                   config.firstPort, config.lastPort, config.tableAddresses()});
    HttpApi::Settings api;
    api.port = config.apiPort;
    api.bind = config.apiAddress();
    api.publicHost = config.publicHost;
    api.trustedProxies = config.trustedProxies;
    // Behind a proxy every client comes from the proxy's address: the
    // daemon's own per-address bound would then hold them all together.
    if (!config.trustedProxies.isEmpty())
        api.maxConnectionsPerAddress = api.maxConnections;
    HttpApi http(tables, api);
    if (!http.start()) {
        qCCritical(lcServer) << http.errorText();
        return 1;
    }
    qCInfo(lcServer) << "serving tables on ports" << config.firstPort << "to" << config.lastPort;
    return QCoreApplication::exec();
}
