#pragma once

#include "host/computerplan.h"

#include <QCommandLineOption>
#include <QString>
#include <QStringList>

#include <functional>
#include <vector>

class QCommandLineParser;

namespace vorlith::app {

/// What the command line asks the program to do.
struct LaunchRequest
{
    enum class Action
    {
        Play,  ///< open the game window with params
        Print, ///< print output to standard output and end with exitCode
        Fail,  ///< print output to standard error and end with exitCode
    };
    Action action{Action::Play};
    /// The launch parameters: player name, host address, mode ("true"
    /// hosts); none for a solo game.
    QStringList params;
    /// Computer players to seat at the game this program hosts (solo or
    /// with "true"), and their strength.
    int computerPlayers{0};
    host::Strength strength{host::Strength::Normal};
    /// A seated player may start a game between games without hosting (a
    /// table server's tables let anyone seated start).
    bool mayStart{false};
    QString output;
    int exitCode{0};
};

/// Maps the program's arguments to a LaunchRequest.
///
/// The launch parameters stay positional exactly as the lobby passes them.
/// Options are the "--name" forms listed in the usage, and only before the
/// first positional parameter ("--" ends them early); anything from the first
/// other argument on is positional, including words that start with a dash.
class CommandLine
{
public:
    /// The text the mode parameter holds when joining.
    static inline const QString JoinMode = QStringLiteral("join");

    CommandLine();
    ~CommandLine();

    /// \a arguments starts with the program's path, like argv.
    LaunchRequest parse(const QStringList &arguments) const;
    /// The usage text for \a program (the name it was started by).
    QString usage(const QString &program) const;

private:
    /// One option: how it reads and what it does to the request. apply
    /// returns an error text for the usage, or an empty string.
    struct Rule
    {
        QCommandLineOption option;
        std::function<QString(const QCommandLineParser &, LaunchRequest &)> apply;
    };

    void setUp(QCommandLineParser &parser) const;
    bool takesValue(const QString &name) const;
    LaunchRequest fail(const QString &program, const QString &error) const;

    std::vector<Rule> m_rules;
};

} // namespace vorlith::app
