#include "TestEngine.h"

#include <QAtomicInt>
#include <QCoreApplication>
#include <QFile>

#include <libpq-fe.h>

#include "data/ProfileFile.h"

namespace {

QString envValue(const char *name)
{
    return QString::fromLocal8Bit(qgetenv(name));
}

// One connection to a database of the test cluster, closed when it goes out of scope.
struct ServerConnection
{
    explicit ServerConnection(const QString &database)
        : connection(TestEngine::connectToServer(database))
    {
    }
    ~ServerConnection() { PQfinish(connection); }
    ServerConnection(const ServerConnection &) = delete;
    ServerConnection &operator=(const ServerConnection &) = delete;

    bool run(const QString &statements, QString *error)
    {
        if (PQstatus(connection) != CONNECTION_OK) {
            *error = QString::fromUtf8(PQerrorMessage(connection));
            return false;
        }
        PGresult *result = PQexec(connection, statements.toUtf8().constData());
        const bool ok = PQresultStatus(result) == PGRES_COMMAND_OK || PQresultStatus(result) == PGRES_TUPLES_OK;
        if (!ok)
            *error = QString::fromUtf8(PQresultErrorMessage(result));
        PQclear(result);
        return ok;
    }

    PGconn *connection;
};

} // namespace

bool TestEngine::onServer()
{
    return envValue("KALVORA_TEST_ENGINE") == u"postgresql";
}

QString TestEngine::serverHost()
{
    if (!onServer())
        return {};
    static const QString host = [] {
        QFile file(envValue("KALVORA_TEST_PGENV"));
        if (!file.open(QIODevice::ReadOnly))
            qFatal("the test cluster's address file is missing: start it with scripts/pg-test-cluster.sh");
        for (const QByteArray &line : file.readAll().split('\n'))
            if (line.startsWith("KALVORA_TEST_PGHOST="))
                return QString::fromLocal8Bit(line.mid(int(qstrlen("KALVORA_TEST_PGHOST="))));
        qFatal("the test cluster's address file names no socket folder");
    }();
    return host;
}

pg_conn *TestEngine::connectToServer(const QString &database)
{
    const QByteArray host = serverHost().toLocal8Bit();
    const QByteArray name = database.toUtf8();
    const char *keys[] = {"host", "dbname", "user", "client_encoding", nullptr};
    const char *values[] = {host.constData(), name.constData(), "kalvora", "UTF8", nullptr};
    return PQconnectdbParams(keys, values, 0);
}

bool TestEngine::runOnServer(const QString &statements, QString *error)
{
    ServerConnection server(QStringLiteral("postgres"));
    return server.run(statements, error);
}

bool TestEngine::setServerReachable(const QString &database, bool reachable, QString *error)
{
    if (!runOnServer(QStringLiteral("ALTER DATABASE %1 ALLOW_CONNECTIONS %2").arg(database, reachable ? u"true" : u"false"),
                     error))
        return false;
    return reachable
        || runOnServer(QStringLiteral("SELECT pg_terminate_backend(pid, 5000) FROM pg_stat_activity "
                                      "WHERE datname = '%1' AND application_name = 'kalvora'")
                           .arg(database),
                       error);
}

namespace {
// A database name unique across the test programs that run at once on the one cluster.
QString newDatabaseName()
{
    static QAtomicInt made = 0;
    return QStringLiteral("books_%1_%2").arg(QCoreApplication::applicationPid()).arg(++made);
}
} // namespace

QString TestEngine::createServerBooks(QString *error)
{
    const QString name = newDatabaseName();
    if (!runOnServer(QStringLiteral("CREATE DATABASE %1 TEMPLATE kalvora_template").arg(name), error))
        return {};
    return name;
}

QString TestEngine::createEmptyServerDatabase(QString *error, const QString &locale)
{
    const QString name = newDatabaseName();
    if (!runOnServer(QStringLiteral("CREATE DATABASE %1 TEMPLATE template0 ENCODING 'UTF8' LOCALE '%2'").arg(name, locale),
                     error))
        return {};
    return name;
}

void TestEngine::dropServerBooks(const QString &database)
{
    QString error;
    if (!runOnServer(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(database), &error))
        qWarning("test books %s left on the cluster: %s", qPrintable(database), qPrintable(error));
}

bool TestEngine::registerServerBooks(const QString &odbcIni, const QString &database)
{
    ProfileFile file(odbcIni, ProfileFile::Kind::UnixOdbc);
    const QString source = QStringLiteral("KalvoraCmp");
    const QString driver = QStringLiteral("PostgreSQL Unicode");
    return file.write(QStringLiteral("ODBC Data Sources"), source, driver)
        && file.write(source, {{QStringLiteral("Driver"), driver},
                               {QStringLiteral("Servername"), serverHost()},
                               {QStringLiteral("Database"), database},
                               {QStringLiteral("Username"), QStringLiteral("kalvora")},
                               {QStringLiteral("SSLmode"), QStringLiteral("disable")}});
}
