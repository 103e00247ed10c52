#include "app/commandline.h"

#include "host/computertable.h"
#include "net/hostport.h"
#include "net/protocol.h"

#include <QCommandLineParser>
#include <QFileInfo>

namespace vorlith::app {

namespace {

const QString HelpName = QStringLiteral("help");
const QString VersionName = QStringLiteral("version");
const QString Localhost = QStringLiteral("127.0.0.1");

QString addressError(const QString &address)
{
    return QStringLiteral("\"%1\" is not an address: give a host, HOST:PORT or [IPv6]:PORT "
                          "(a port from 1 to 65535).")
        .arg(address);
}

} // namespace

CommandLine::CommandLine()
{
    m_rules.push_back(
        {QCommandLineOption(
             QStringLiteral("host"),
             QStringLiteral("Host a game as NAME (the same as: NAME 127.0.0.1 true)."),
             QStringLiteral("NAME")),
         [](const QCommandLineParser &parser, LaunchRequest &request) {
             if (parser.isSet(QStringLiteral("join")))
                 return QStringLiteral("Choose either --host or --join.");
             if (!request.params.isEmpty())
                 return QStringLiteral("--host takes no launch parameters besides its NAME.");
             request.params = {parser.value(QStringLiteral("host")), Localhost,
                               QStringLiteral("true")};
             return QString();
         }});
    // The address follows the option's value as the one positional argument;
    // the value name shows both in the usage.
    m_rules.push_back(
        {QCommandLineOption(QStringLiteral("join"),
                            QStringLiteral("Join the game hosted at ADDRESS as NAME (the same as: "
                                           "NAME ADDRESS join)."),
                            QStringLiteral("NAME> <ADDRESS")),
         [](const QCommandLineParser &parser, LaunchRequest &request) {
             if (request.params.size() != 1)
                 return QStringLiteral("--join needs a NAME and an ADDRESS.");
             request.params = {parser.value(QStringLiteral("join")), request.params.first(),
                               JoinMode};
             return QString();
         }});
    m_rules.push_back(
        {QCommandLineOption(QStringLiteral("may-start"),
                            QStringLiteral("Offer START GAME between games while seated, as a "
                                           "table server allows every seated player.")),
         [](const QCommandLineParser &, LaunchRequest &request) {
             request.mayStart = true;
             return QString();
         }});
    // After --host and --join, so that the launch parameters are final.
    m_rules.push_back(
        {QCommandLineOption(QStringLiteral("computer-players"),
                            QStringLiteral("Seat N computer players (0 to 5) at the game this "
                                           "program hosts, solo or as NAME 127.0.0.1 true."),
                            QStringLiteral("N")),
         [](const QCommandLineParser &parser, LaunchRequest &request) {
             bool number = false;
             const int count = parser.value(QStringLiteral("computer-players")).toInt(&number);
             if (!number || count < 0 || count > host::ComputerTable::MaxPlayers)
                 return QStringLiteral("--computer-players takes a number from 0 to %1.")
                     .arg(host::ComputerTable::MaxPlayers);
             if (request.params.size() >= 3 && request.params.at(2) != QLatin1String("true"))
                 return QStringLiteral("Computer players sit only at a game this program hosts.");
             request.computerPlayers = count;
             return QString();
         }});
    m_rules.push_back(
        {QCommandLineOption(QStringLiteral("strength"),
                            QStringLiteral("How well the computer players play: easy, normal (the "
                                           "default) or hard."),
                            QStringLiteral("LEVEL")),
         [](const QCommandLineParser &parser, LaunchRequest &request) {
             const std::optional<host::Strength> strength =
                 host::strengthFromName(parser.value(QStringLiteral("strength")));
             if (!strength)
                 return QStringLiteral("--strength is easy, normal or hard.");
             request.strength = *strength;
             return QString();
         }});
}

CommandLine::~CommandLine() = default;

void CommandLine::setUp(QCommandLineParser &parser) const
{
    parser.setApplicationDescription(QStringLiteral(
        "Vorlith, a timed word game for up to six players.\n"
        "Without parameters it starts a solo game. With NAME HOST MODE (the lobby's\n"
        "way) it hosts the game when MODE is exactly \"true\" and joins the game at\n"
        "HOST otherwise; one or two parameters start nothing."));
    parser.addOption(QCommandLineOption(HelpName, QStringLiteral("Show this help and quit.")));
    parser.addOption(QCommandLineOption(VersionName, QStringLiteral("Show the version and quit.")));
    for (const Rule &rule : m_rules)
        parser.addOption(rule.option);
    parser.addPositionalArgument(QStringLiteral("NAME"), QStringLiteral("Your name at the table."),
                                 QStringLiteral("[NAME"));
    parser.addPositionalArgument(QStringLiteral("HOST"),
                                 QStringLiteral("The host's address (used when joining)."),
                                 QStringLiteral("HOST"));
    parser.addPositionalArgument(QStringLiteral("MODE"),
                                 QStringLiteral("\"true\" to host, anything else to join."),
                                 QStringLiteral("MODE]"));
}

bool CommandLine::takesValue(const QString &name) const
{
    for (const Rule &rule : m_rules) {
        if (rule.option.names().contains(name))
            return !rule.option.valueName().isEmpty();
    }
    return false;
}

QString CommandLine::usage(const QString &program) const
{
    QCommandLineParser parser;
    setUp(parser);
    QString text = parser.helpText();
    // The parser names the running executable; name the one the user typed.
    const qsizetype lineEnd = text.indexOf(QLatin1Char('\n'));
    const QString first = text.left(lineEnd);
    const qsizetype options = first.indexOf(QStringLiteral(" [options]"));
    if (first.startsWith(QStringLiteral("Usage: ")) && options > 0)
        text = QStringLiteral("Usage: ") + QFileInfo(program).fileName() + text.mid(options);
    return text;
}

LaunchRequest CommandLine::fail(const QString &program, const QString &error) const
{
    LaunchRequest request;
    request.action = LaunchRequest::Action::Fail;
    request.output = error + QStringLiteral("\n\n") + usage(program);
    request.exitCode = 2;
    return request;
}

LaunchRequest CommandLine::parse(const QStringList &arguments) const
{
    const QString program = arguments.value(0, QStringLiteral("vorlith"));

    // Options end at the first argument that is not a "--" option or the
    // value of one; from there on everything is a launch parameter.
    qsizetype end = 1;
    bool endMarker = false;
    while (end < arguments.size()) {
        const QString &a = arguments.at(end);
        if (a == QLatin1String("--")) {
            endMarker = true;
            break;
        }
        if (!a.startsWith(QLatin1String("--")))
            break;
        ++end;
        if (!a.contains(QLatin1Char('=')) && takesValue(a.mid(2)) && end < arguments.size())
            ++end;
    }

    QCommandLineParser parser;
    setUp(parser);
    if (!parser.parse(arguments.mid(0, end)))
        return fail(program, parser.errorText());

    LaunchRequest request;
    if (parser.isSet(HelpName)) {
        request.action = LaunchRequest::Action::Print;
        request.output = usage(program);
        return request;
    }
    if (parser.isSet(VersionName)) {
        request.action = LaunchRequest::Action::Print;
        request.output = QStringLiteral("vorlith ") + net::proto::Version + QLatin1Char('\n');
        return request;
    }

    request.params = arguments.mid(end + (endMarker ? 1 : 0));
    for (const Rule &rule : m_rules) {
        if (!parser.isSet(rule.option))
            continue;
        const QString error = rule.apply(parser, request);
        if (!error.isEmpty())
            return fail(program, error);
    }
    // Both join forms end here; a hosting program's address is never dialled.
    if (request.params.size() >= 3 && request.params.at(2) != QLatin1String("true") &&
        !net::parseHostPort(request.params.at(1)))
        return fail(program, addressError(request.params.at(1)));
    return request;
}

} // namespace vorlith::app
