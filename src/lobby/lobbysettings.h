#pragma once

#include <QString>
#include <QStringList>

namespace vorlith::lobby {

/// What the lobby remembers, in a section of its own of the settings file the
/// game shares; every other section and line stays as it is.
class LobbySettings
{
public:
    static inline const QString Section = QStringLiteral("Vorlith Lobby");
    static inline const QString NameKey = QStringLiteral("Name");
    /// The servers the player added, separated by blanks.
    static inline const QString ServersKey = QStringLiteral("Servers");
    static inline const QString ChosenKey = QStringLiteral("Server");
    static constexpr int MaxServers = 20;

    explicit LobbySettings(QString path);

    QString path() const { return m_path; }

    QString name() const;
    QStringList servers() const;
    QString chosenServer() const;

    /// False when the file could not be written; errorText() says why.
    bool setName(const QString &name);
    bool setServers(const QStringList &servers);
    bool setChosenServer(const QString &server);
    QString errorText() const { return m_error; }

private:
    bool write(const QString &key, const QString &value);

    QString m_path;
    QString m_error;
};

} // namespace vorlith::lobby
