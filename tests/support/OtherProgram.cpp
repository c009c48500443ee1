#include "OtherProgram.h"

#include <QDeadlineTimer>
#include <QFile>

#include <libpq-fe.h>
#include <sqlite3.h>

#include "ProgramFixture.h"
#include "TestEngine.h"
#include "data/Query.h"

OtherProgram::OtherProgram(const QString &path)
{
    sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr);
}

OtherProgram::OtherProgram(const ProgramFixture &program)
{
    if (program.serverBooks().isEmpty())
        sqlite3_open_v2(QFile::encodeName(program.databasePath()).constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr);
    else
        m_server = TestEngine::connectToServer(program.serverBooks());
}

OtherProgram::~OtherProgram()
{
    finish();
    sqlite3_close(m_db);
    PQfinish(m_server);
}

int OtherProgram::execute(const char *sql)
{
    if (!m_server) {
        char *message = nullptr;
        const int rc = sqlite3_exec(m_db, sql, nullptr, nullptr, &message);
        m_lastError = QString::fromUtf8(message);
        sqlite3_free(message);
        return rc;
    }
    PGresult *result = PQexec(m_server, sql);
    const ExecStatusType status = PQresultStatus(result);
    const bool ok = status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
    m_lastError = ok ? QString() : QString::fromUtf8(PQresultErrorMessage(result));
    PQclear(result);
    return ok ? SQLITE_OK : SQLITE_ERROR;
}

qint64 OtherProgram::number(const char *sql)
{
    if (m_server) {
        PGresult *result = PQexec(m_server, sql);
        const qint64 value = PQresultStatus(result) == PGRES_TUPLES_OK && PQntuples(result) > 0
            ? QByteArray(PQgetvalue(result, 0, 0)).toLongLong()
            : -1;
        PQclear(result);
        return value;
    }
    sqlite3_stmt *stmt = nullptr;
    sqlite3_prepare_v2(m_db, sql, -1, &stmt, nullptr);
    const qint64 value = sqlite3_step(stmt) == SQLITE_ROW ? sqlite3_column_int64(stmt, 0) : -1;
    sqlite3_finalize(stmt);
    return value;
}

void OtherProgram::executeOnceWaitedFor(ProgramFixture &program, const QByteArray &sql)
{
    finish();
    const qint64 programPid = program.select(QStringLiteral("Select pg_backend_pid() As Pid")).fieldInteger(QStringLiteral("Pid"));
    m_background = std::thread([this, programPid, sql] {
        // A safety net only: the program waits within its five seconds' lock timeout.
        const QDeadlineTimer patience(30000);
        const QByteArray waiting = "SELECT count(*) FROM pg_locks WHERE NOT granted AND pid = " + QByteArray::number(programPid);
        while (number(waiting.constData()) <= 0 && !patience.hasExpired()) {
        }
        m_backgroundResult = execute(sql.constData());
    });
}

int OtherProgram::finish()
{
    if (m_background.joinable())
        m_background.join();
    return m_backgroundResult;
}
