#include "OtherProgram.h"

#include <QFile>

#include <sqlite3.h>

OtherProgram::OtherProgram(const QString &path)
{
    sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr);
}

OtherProgram::~OtherProgram()
{
    sqlite3_close(m_db);
}

int OtherProgram::execute(const char *sql)
{
    return sqlite3_exec(m_db, sql, nullptr, nullptr, nullptr);
}

qint64 OtherProgram::number(const char *sql)
{
    sqlite3_stmt *stmt = nullptr;
    sqlite3_prepare_v2(m_db, sql, -1, &stmt, nullptr);
    const qint64 value = sqlite3_step(stmt) == SQLITE_ROW ? sqlite3_column_int64(stmt, 0) : -1;
    sqlite3_finalize(stmt);
    return value;
}
