#include "copying/ServerSetup.h"

#include <QDir>
#include <QFile>
#include <QSaveFile>

#include <libpq-fe.h>
#include <pg_config_manual.h>

#include "data/DataSource.h"
#include "data/ProfileFile.h"
#include "data/Settings.h"

namespace {

// A field of a .pgpass line: ':' and '\' are escaped with '\'.
QString passwordField(const QString &value)
{
    QString escaped = value;
    escaped.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    escaped.replace(QLatin1Char(':'), QStringLiteral("\\:"));
    return escaped;
}

// The first four fields of a .pgpass line as written (still escaped), to tell which server it is for.
QString lineKey(const QString &line)
{
    int fields = 0;
    for (qsizetype i = 0; i < line.size(); ++i) {
        if (line[i] == QLatin1Char('\\')) {
            ++i;
        } else if (line[i] == QLatin1Char(':') && ++fields == 4) {
            return line.left(i);
        }
    }
    return {};
}

// The host field libpq looks for: "localhost" for its default socket folder (named or left out), any
// other host or socket folder as it is named.
QString passwordHost(const QString &host)
{
    return host.isEmpty() || host == QLatin1String(DEFAULT_PGSOCKET_DIR) ? QStringLiteral("localhost") : host;
}

} // namespace

bool ParseConninfo(const QString &conninfo, PgEngine::Server *server, QString *error)
{
    char *message = nullptr;
    PQconninfoOption *options = PQconninfoParse(conninfo.toUtf8().constData(), &message);
    if (!options) {
        *error = QStringLiteral("服务器的连接参数无法识别：%1。应写成 \"host=服务器 dbname=数据库 user=用户\"。")
                     .arg(QString::fromUtf8(message ? message : "").trimmed());
        PQfreemem(message);
        return false;
    }
    *server = {};
    for (PQconninfoOption *option = options; option->keyword; ++option) {
        if (!option->val)
            continue;
        const QString key = QString::fromLatin1(option->keyword);
        const QString value = QString::fromUtf8(option->val);
        if (key == u"host" || key == u"hostaddr")
            server->host = value;
        else if (key == u"port")
            server->port = value;
        else if (key == u"dbname")
            server->database = value;
        else if (key == u"user")
            server->user = value;
        else if (key == u"sslmode")
            server->sslMode = value;
        else if (key == u"password")
            server->password = value;
    }
    PQconninfoFree(options);
    if (server->database.isEmpty()) {
        *error = QStringLiteral("服务器的连接参数中没有数据库（dbname=…）。");
        return false;
    }
    if (server->user.isEmpty())
        server->user = QString::fromUtf8(qgetenv("PGUSER"));
    if (server->sslMode.isEmpty())
        server->sslMode = QStringLiteral("prefer");
    return true;
}

bool ServerWantsPassword(const PgEngine::Server &server)
{
    EngineError ignored;
    PGconn *conn = PgEngine::connectSession(server, &ignored);
    PQfinish(conn);
    if (conn)
        return false;
    // Asked again without the session's settings, to learn only whether a password was missing.
    const QByteArray host = server.host.toUtf8(), port = server.port.toUtf8(), database = server.database.toUtf8(),
                     user = server.user.toUtf8(), sslMode = server.sslMode.toUtf8();
    const char *const keywords[] = {"host", "port", "dbname", "user", "sslmode", "connect_timeout", nullptr};
    const char *const values[] = {host.constData(), port.constData(), database.constData(), user.constData(),
                                  sslMode.constData(), "5", nullptr};
    PGconn *probe = PQconnectdbParams(keywords, values, 0);
    const bool wants = PQstatus(probe) != CONNECTION_OK && PQconnectionNeedsPassword(probe);
    PQfinish(probe);
    return wants;
}

bool CheckServerBooks(const PgEngine::Server &server, QString *error)
{
    EngineError refused;
    PGconn *conn = PgEngine::connectSession(server, &refused);
    if (!conn) {
        *error = refused.text;
        return false;
    }
    PGresult *result = PQexec(conn, "SELECT to_regclass('public.booksversion') IS NOT NULL");
    const bool hasBooks = PQresultStatus(result) == PGRES_TUPLES_OK && QByteArray(PQgetvalue(result, 0, 0)) == "t";
    PQclear(result);
    PQfinish(conn);
    // The engine would lay down new books in an empty database; a desk joining books must find them there.
    if (!hasBooks) {
        *error = QStringLiteral("服务器上的数据库“%1”中还没有帐簿。请先在存有帐簿的电脑上执行 "
                                "kalvora --move-books-to-server 把帐簿搬过去。")
                     .arg(server.database);
        return false;
    }
    if (!PgEngine::open(server, &refused)) {
        *error = refused.text;
        return false;
    }
    return true;
}

bool RegisterServerDataSource(const PgEngine::Server &server, const QString &settingsPath, QString *error)
{
    const QString name = QString::fromLatin1(DataSource::Name);
    const QString driver = QStringLiteral("PostgreSQL Unicode");
    ProfileFile file(DataSource::odbcIniPath(), ProfileFile::Kind::UnixOdbc);
    // psqlODBC: texts (citext) read whole, not cut to 255 characters.
    const bool written = file.write(QStringLiteral("ODBC Data Sources"), name, driver)
        && file.write(name, {{QStringLiteral("Driver"), driver},
                             {QStringLiteral("Description"), QStringLiteral("流水帐企业数据库")},
                             {QStringLiteral("Servername"), server.host},
                             {QStringLiteral("Port"), server.port.isEmpty() ? QStringLiteral("5432") : server.port},
                             {QStringLiteral("Database"), server.database},
                             {QStringLiteral("Username"), server.user},
                             {QStringLiteral("SSLmode"), server.sslMode},
                             {QStringLiteral("MaxVarcharSize"), QStringLiteral("65535")},
                             {QStringLiteral("UnknownsAsLongVarchar"), QStringLiteral("1")}})
        && WriteSetting(QStringLiteral("数据库内容"), QStringLiteral("ODBC"), QStringLiteral("1"), settingsPath);
    if (!written)
        *error = QStringLiteral("数据源文件 %1 无法写入，请检查它的权限。").arg(DataSource::odbcIniPath());
    return written;
}

QString PasswordFilePath()
{
    const QByteArray named = qgetenv("PGPASSFILE");
    return named.isEmpty() ? QDir::homePath() + QStringLiteral("/.pgpass") : QString::fromLocal8Bit(named);
}

bool KeepServerPassword(const PgEngine::Server &server, QString *error)
{
    const QString path = PasswordFilePath();
    const QString key = QStringList{passwordField(passwordHost(server.host)),
                                    server.port.isEmpty() ? QStringLiteral("*") : passwordField(server.port),
                                    passwordField(server.database), passwordField(server.user)}
                            .join(u':');
    QStringList lines;
    QFile old(path);
    if (old.open(QIODevice::ReadOnly)) {
        for (const QString &line : QString::fromUtf8(old.readAll()).split(u'\n')) {
            if (!line.isEmpty() && lineKey(line) != key)
                lines.append(line);
        }
    }
    lines.append(key + QLatin1Char(':') + passwordField(server.password));
    QSaveFile file(path);
    // The file is made 0600 before the password is in it: libpq ignores a .pgpass others can read.
    const bool saved = file.open(QIODevice::WriteOnly)
        && file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner)
        && file.write((lines.join(u'\n') + QLatin1Char('\n')).toUtf8()) >= 0 && file.commit();
    if (!saved)
        *error = QStringLiteral("密码文件 %1 无法写入（%2）。").arg(path, file.errorString());
    return saved;
}
