#include "lobby/lobbysettings.h"

#include "profile/profilefile.h"

namespace vorlith::lobby {

LobbySettings::LobbySettings(QString path) : m_path(std::move(path)) {}

QString LobbySettings::name() const
{
    return profile::ProfileFile(m_path).readString(Section, NameKey);
}

QStringList LobbySettings::servers() const
{
    const QString text = profile::ProfileFile(m_path).readString(Section, ServersKey);
    QStringList list = text.split(QLatin1Char(' '), Qt::SkipEmptyParts);
    list.removeDuplicates();
    return list.mid(0, MaxServers);
}

QString LobbySettings::chosenServer() const
{
    return profile::ProfileFile(m_path).readString(Section, ChosenKey);
}

bool LobbySettings::setName(const QString &name)
{
    return write(NameKey, name);
}

bool LobbySettings::setServers(const QStringList &servers)
{
    return write(ServersKey, servers.mid(0, MaxServers).join(QLatin1Char(' ')));
}

bool LobbySettings::setChosenServer(const QString &server)
{
    return write(ChosenKey, server);
}

bool LobbySettings::write(const QString &key, const QString &value)
{
    profile::ProfileFile file(m_path);
    if (file.writeString(Section, key, value)) {
        m_error.clear();
        return true;
    }
    m_error = file.refusedTooLarge() ? profile::ProfileFile::unableToWriteText(m_path)
                                     : file.errorString();
    if (m_error.isEmpty())
        m_error = profile::ProfileFile::unableToWriteText(m_path);
    return false;
}

} // namespace vorlith::lobby
