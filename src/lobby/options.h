#pragma once

#include <QString>
#include <QStringList>

namespace vorlith::lobby {

/// What the lobby's command line asks for.
struct Options
{
    enum class Action
    {
        Run,
        Print, ///< print output to standard output and end with exitCode
        Fail,  ///< print output to standard error and end with exitCode
    };
    Action action{Action::Run};
    QString server; ///< --server, else VORLITH_TABLE_SERVER; may be empty
    QString name;   ///< --name; may be empty
    QString output;
    int exitCode{0};
};

/// Reads \a arguments (starting with the program's path, like argv) and the
/// environment's \a tableServer (VORLITH_TABLE_SERVER).
Options parseOptions(const QStringList &arguments, const QString &tableServer);

/// Starts the lobby: the whole program.
int run(int argc, char **argv);

} // namespace vorlith::lobby
