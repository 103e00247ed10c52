#include "server/config.h"

#include <QCommandLineParser>
#include <QCoreApplication>
#include <QFile>
#include <QRegularExpression>

#include <functional>
#include <map>

namespace vorlith::server {

namespace {

struct Key
{
    const char *name;
    const char *valueName;
    const char *help;
    /// Applies a value; answers an error text, empty when it was good.
    std::function<QString(ServerConfig &, const QString &)> apply;
};

QString number(const QString &text, int low, int high, int &out)
{
    bool ok = false;
    const int n = text.trimmed().toInt(&ok);
    if (!ok || n < low || n > high)
        return QStringLiteral("must be a number from %1 to %2").arg(low).arg(high);
    out = n;
    return {};
}

QString addresses(const QString &text, QList<QHostAddress> &out)
{
    for (const QString &part :
         text.split(QRegularExpression(QStringLiteral("[,\\s]+")), Qt::SkipEmptyParts)) {
        const QHostAddress address(part);
        if (address.isNull())
            return QStringLiteral("'%1' is not an IP address").arg(part);
        out.append(address);
    }
    return {};
}

const std::vector<Key> &keys()
{
    static const std::vector<Key> table{
        {"bind", "ADDRESS",
         "Address the tables listen on, loopback besides; the API too unless api-bind is given "
         "(default: all).",
         [](ServerConfig &c, const QString &v) { return addresses(v, c.bind); }},
        {"api-bind", "ADDRESS",
         "Address the API listens on (default: the first bind address, else all).",
         [](ServerConfig &c, const QString &v) {
             QList<QHostAddress> one;
             const QString error = addresses(v, one);
             if (error.isEmpty() && one.size() != 1)
                 return QStringLiteral("give one address");
             if (error.isEmpty())
                 c.apiBind = one.front();
             return error;
         }},
        {"public-host", "NAME", "Host name players dial, given in every table object.",
         [](ServerConfig &c, const QString &v) {
             c.publicHost = v.trimmed();
             return QString();
         }},
        {"api-port", "N", "Port of the HTTP API (default 7780).",
         [](ServerConfig &c, const QString &v) {
             int n = 0;
             const QString e = number(v, 0, 65535, n);
             c.apiPort = quint16(n);
             return e;
         }},
        {"ports", "FIRST-LAST", "Ports of the tables (default 7781-7880).",
         [](ServerConfig &c, const QString &v) {
             const QStringList parts = v.trimmed().split(QLatin1Char('-'));
             int first = 0;
             int last = 0;
             if (parts.size() != 2 || !number(parts[0], 1, 65535, first).isEmpty() ||
                 !number(parts[1], 1, 65535, last).isEmpty() || last < first)
                 return QStringLiteral(
                     "must be FIRST-LAST, two ports, the first not above the last");
             c.firstPort = quint16(first);
             c.lastPort = quint16(last);
             return QString();
         }},
        {"max-tables", "N", "Tables open at once (default 100).",
         [](ServerConfig &c, const QString &v) { return number(v, 0, 100000, c.maxTables); }},
        {"max-tables-per-address", "N", "Open tables one address may make (default 3).",
         [](ServerConfig &c, const QString &v) {
             return number(v, 0, 100000, c.maxTablesPerAddress);
         }},
        {"max-creations-per-minute", "N", "Tables one address may make a minute (default 5).",
         [](ServerConfig &c, const QString &v) {
             return number(v, 0, 100000, c.maxCreationsPerMinute);
         }},
        {"max-connections", "N", "Players' connections in all (default 4096).",
         [](ServerConfig &c, const QString &v) { return number(v, 0, 1000000, c.maxConnections); }},
        {"max-connections-per-address", "N", "Players' connections from one address (default 16).",
         [](ServerConfig &c, const QString &v) {
             return number(v, 0, 1000000, c.maxConnectionsPerAddress);
         }},
        {"trusted-proxy", "ADDRESS", "A proxy whose X-Forwarded-For names the client (repeatable).",
         [](ServerConfig &c, const QString &v) { return addresses(v, c.trustedProxies); }},
        {"word-list", "FILE", "Word list the tables judge by (default: the built-in one).",
         [](ServerConfig &c, const QString &v) {
             c.wordList = v.trimmed();
             return QString();
         }},
    };
    return table;
}

const Key *keyNamed(const QString &name)
{
    for (const Key &k : keys()) {
        if (name == QLatin1String(k.name))
            return &k;
    }
    return nullptr;
}

QString readFile(const QString &fileName, ServerConfig &config)
{
    QFile file(fileName);
    if (!file.open(QIODevice::ReadOnly))
        return QStringLiteral("cannot read %1: %2").arg(fileName, file.errorString());
    // A configuration file is a few hundred bytes; a huge one is a mistake.
    if (file.size() > 64 * 1024)
        return QStringLiteral("%1 is too large").arg(fileName);
    const QStringList lines = QString::fromUtf8(file.readAll()).split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i) {
        const QString line = lines[i].section(QLatin1Char('#'), 0, 0).trimmed();
        if (line.isEmpty())
            continue;
        const qsizetype eq = line.indexOf(QLatin1Char('='));
        const QString name = line.left(eq).trimmed();
        const Key *key = eq > 0 ? keyNamed(name) : nullptr;
        if (!key)
            return QStringLiteral("%1:%2: unknown setting '%3'").arg(fileName).arg(i + 1).arg(name);
        const QString error = key->apply(config, line.mid(eq + 1));
        if (!error.isEmpty())
            return QStringLiteral("%1:%2: %3 %4").arg(fileName).arg(i + 1).arg(name, error);
    }
    return {};
}

} // namespace

ConfigResult readConfig(const QStringList &arguments, ServerConfig &config,
                        const QString &defaultFile)
{
    QCommandLineParser parser;
    parser.setApplicationDescription(
        QStringLiteral("Keeps tables of the word game open for players on the internet."));
    const QCommandLineOption help({QStringLiteral("h"), QStringLiteral("help")},
                                  QStringLiteral("Shows this help."));
    const QCommandLineOption version(QStringLiteral("version"),
                                     QStringLiteral("Shows the version."));
    const QCommandLineOption configFile(
        QStringLiteral("config"),
        QStringLiteral("Configuration file (default %1).").arg(defaultFile),
        QStringLiteral("FILE"));
    parser.addOption(help);
    parser.addOption(version);
    parser.addOption(configFile);
    for (const Key &k : keys())
        parser.addOption(QCommandLineOption(QLatin1String(k.name), QLatin1String(k.help),
                                            QLatin1String(k.valueName)));

    ConfigResult result;
    if (!parser.parse(arguments)) {
        result.action = ConfigResult::Action::Fail;
        result.error = parser.errorText();
        return result;
    }
    if (parser.isSet(help)) {
        result.action = ConfigResult::Action::Exit;
        result.output = parser.helpText();
        return result;
    }
    if (parser.isSet(version)) {
        result.action = ConfigResult::Action::Exit;
        result.output =
            QStringLiteral("vorlith-server %1\n").arg(QCoreApplication::applicationVersion());
        return result;
    }
    if (!parser.positionalArguments().isEmpty()) {
        result.action = ConfigResult::Action::Fail;
        result.error =
            QStringLiteral("unexpected argument '%1'").arg(parser.positionalArguments().first());
        return result;
    }

    const QString fileName = parser.isSet(configFile) ? parser.value(configFile) : defaultFile;
    if (parser.isSet(configFile) || QFile::exists(fileName)) {
        const QString error = readFile(fileName, config);
        if (!error.isEmpty()) {
            result.action = ConfigResult::Action::Fail;
            result.error = error;
            return result;
        }
    }
    // The command line wins over the file: lists given there replace the file's.
    for (const Key &k : keys()) {
        const QString name = QLatin1String(k.name);
        if (!parser.isSet(name))
            continue;
        if (name == QLatin1String("bind"))
            config.bind.clear();
        else if (name == QLatin1String("trusted-proxy"))
            config.trustedProxies.clear();
        for (const QString &value : parser.values(name)) {
            const QString error = k.apply(config, value);
            if (!error.isEmpty()) {
                result.action = ConfigResult::Action::Fail;
                result.error = QStringLiteral("--%1: %2").arg(name, error);
                return result;
            }
        }
    }
    return result;
}

QList<QHostAddress> ServerConfig::tableAddresses() const
{
    if (bind.isEmpty())
        return {};
    QList<QHostAddress> out;
    for (const QHostAddress &address : bind) {
        if (!out.contains(address))
            out.append(address);
    }
    const auto covers = [&out](QHostAddress::SpecialAddress any,
                               QHostAddress::SpecialAddress loopback) {
        return out.contains(QHostAddress(any)) || out.contains(QHostAddress(loopback)) ||
               out.contains(QHostAddress(QHostAddress::Any));
    };
    if (!covers(QHostAddress::AnyIPv4, QHostAddress::LocalHost))
        out.append(QHostAddress(QHostAddress::LocalHost));
    if (!covers(QHostAddress::AnyIPv6, QHostAddress::LocalHostIPv6))
        out.append(QHostAddress(QHostAddress::LocalHostIPv6));
    return out;
}

} // namespace vorlith::server
