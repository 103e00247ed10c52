#pragma once

#include <QHostAddress>
#include <QList>
#include <QString>
#include <QStringList>

namespace vorlith::server {

/// Everything an operator sets: read from the configuration file (key =
/// value, one a line, "#" starts a comment), each key also a command-line
/// option of the same name, which wins.
struct ServerConfig
{
    static inline const QString DefaultFile = QStringLiteral("/etc/vorlith/server.conf");

    /// Where the tables listen (and loopback always); none: every address.
    QList<QHostAddress> bind;
    /// Where the API listens; none: the first bind address, else every one.
    QHostAddress apiBind;
    QString publicHost; ///< the name players dial; none: the address asked
    quint16 apiPort{7780};
    quint16 firstPort{7781};
    quint16 lastPort{7880};
    int maxTables{100};
    int maxTablesPerAddress{3};
    int maxCreationsPerMinute{5};
    int maxConnections{4096};
    int maxConnectionsPerAddress{16};
    QList<QHostAddress> trustedProxies;
    QString wordList; ///< none: the built-in list

    /// The addresses a table listens on: those bound, and loopback (for
    /// checks and tools on the machine itself) where they do not cover it.
    QList<QHostAddress> tableAddresses() const;
    QHostAddress apiAddress() const { return apiBind.isNull() ? bind.value(0) : apiBind; }
};

/// The outcome of reading the command line (and the file it names).
struct ConfigResult
{
    enum class Action
    {
        Run,
        Exit, ///< print output and end successfully (--help, --version)
        Fail, ///< print error and end with a failure
    };
    Action action{Action::Run};
    QString output;
    QString error;
};

/// Reads \a arguments (the program name first) and the configuration file
/// into \a config. The default file is read when it exists; one named by
/// --config must exist.
ConfigResult readConfig(const QStringList &arguments, ServerConfig &config,
                        const QString &defaultFile = ServerConfig::DefaultFile);

} // namespace vorlith::server
