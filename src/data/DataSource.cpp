#include "data/DataSource.h"

#include <QDir>
#include <QStandardPaths>

#include <pwd.h>
#include <unistd.h>

#include "data/ProfileFile.h"
#include "ui/Screen.h"

namespace {
const QString Sources = QStringLiteral("ODBC Data Sources");
const QString RegistryRoot = QStringLiteral("注册键HKEY_LOCAL_MACHINE\\Software\\ODBC\\ODBC.INI\\");

ProfileFile odbcIni()
{
    return ProfileFile(DataSource::odbcIniPath(), ProfileFile::Kind::UnixOdbc);
}
} // namespace

QString DataSource::odbcIniPath()
{
    const QByteArray named = qgetenv("ODBCINI");
    if (!named.isEmpty())
        return QString::fromLocal8Bit(named);
    // unixODBC takes the home folder from the password entry, not from $HOME.
    const passwd *entry = getpwuid(getuid());
    const QString home = entry && entry->pw_dir ? QString::fromLocal8Bit(entry->pw_dir) : QDir::homePath();
    return home + QStringLiteral("/.odbc.ini");
}

QString DataSource::databaseOf(const QString &name)
{
    return odbcIni().read(name, QStringLiteral("Database"), QString());
}

QString DataSource::driverOf(const QString &name)
{
    return odbcIni().read(name, QStringLiteral("Driver"), QString());
}

bool DataSource::isServer(const QString &name)
{
    return driverOf(name).contains(QLatin1String("PostgreSQL"), Qt::CaseInsensitive);
}

QString DataSource::entryOf(const QString &name, const QString &key)
{
    return odbcIni().read(name, key, QString());
}

bool RegisterDataSource(const QString &name, const QString &path, const QString &description)
{
    ProfileFile file = odbcIni();
    if (!file.write(Sources, name, QString::fromLatin1(DataSource::SqliteDriver))) {
        Screen::current().inform(QStringLiteral("注册表键值创建失败"));
        return false;
    }
    // NoCreat keeps an ODBC client from creating an empty file at a wrong path.
    if (!file.write(name,
                    {{QStringLiteral("Driver"), QString::fromLatin1(DataSource::SqliteDriver)},
                     {QStringLiteral("Database"), path},
                     {QStringLiteral("Description"), description},
                     {QStringLiteral("NoCreat"), QStringLiteral("1")}})) {
        Screen::current().inform(RegistryRoot + name + QStringLiteral("打开失败"));
        return false;
    }
    // Engine options: commit every write to disk, wait for a busy file rather than fail.
    if (!file.write(name,
                    {{QStringLiteral("SyncPragma"), QStringLiteral("FULL")},
                     {QStringLiteral("Timeout"), QStringLiteral("10000")}})) {
        Screen::current().inform(RegistryRoot + name + QStringLiteral("\\Engines\\Jet") + QStringLiteral("打开失败"));
        return false;
    }
    return true;
}

QString DesktopFolder()
{
    const QString folder = QStandardPaths::writableLocation(QStandardPaths::DesktopLocation);
    return QDir(folder).exists() ? folder : QString();
}
