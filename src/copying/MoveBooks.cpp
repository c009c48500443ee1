#include "copying/MoveBooks.h"

#include <QFile>

#include <libpq-fe.h>
#include <sqlite3.h>

#include "copying/CopyTables.h"
#include "copying/ServerSetup.h"
#include "data/postgres/PgEngine.h"
#include "data/postgres/PgSchema.h"

namespace {

using CopyTables::FileHold;
using CopyTables::ServerHold;

const QString NotMoved = QStringLiteral("帐簿没有搬到服务器上，服务器上的数据库没有改动，本机的帐簿文件也没有改动。");

QString firstValue(PGconn *conn, const char *sql)
{
    QString ignored;
    return CopyTables::firstRow(conn, QString::fromLatin1(sql), &ignored).value(0);
}

// The books go only into an empty database that reads text as the books do.
bool targetFits(PGconn *conn, const QString &database, QString *error)
{
    if (PQserverVersion(conn) < 150000) {
        *error = QStringLiteral("数据库服务器的版本是 %1，本软件需要 PostgreSQL 15 或更新的版本。")
                     .arg(QString::fromUtf8(PQparameterStatus(conn, "server_version")));
        return false;
    }
    const QString ctype = firstValue(conn, "SELECT datctype FROM pg_database WHERE datname = current_database()");
    const QString encoding =
        firstValue(conn, "SELECT pg_encoding_to_char(encoding) FROM pg_database WHERE datname = current_database()");
    if (ctype != u"C" || encoding != u"UTF8") {
        *error = QStringLiteral("服务器上的数据库“%1”不是以 ENCODING 'UTF8' LOCALE 'C' 建立的（现在是 %2、%3）。")
                     .arg(database, encoding, ctype)
            + PgEngine::newDatabaseAdvice(database);
        return false;
    }
    const QString tables = firstValue(conn, "SELECT count(*) FROM pg_tables WHERE schemaname = 'public'");
    if (tables != u"0") {
        *error = QStringLiteral("服务器上的数据库“%1”已经有数据表（%2 个），帐簿只能搬进一个空的数据库。")
                     .arg(database, tables)
            + PgEngine::newDatabaseAdvice(database);
        return false;
    }
    return true;
}

// Holds the file for the move: no one writes to it until the move ends; nothing is written to it.
bool holdFile(const QString &path, FileHold *file, QString *error)
{
    int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &file->db, SQLITE_OPEN_READWRITE, nullptr);
    if (rc == SQLITE_OK) {
        sqlite3_busy_timeout(file->db, 10000);
        rc = sqlite3_exec(file->db, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr);
    }
    if (rc == SQLITE_OK)
        return true;
    *error = QStringLiteral("本机的帐簿文件不能独占使用（%1）。请先在所有电脑上关闭本软件，再搬帐簿。")
                 .arg(QString::fromUtf8(sqlite3_errmsg(file->db)));
    return false;
}

} // namespace

bool MoveBooksToServer(const QString &booksFile, const QString &conninfo, MoveReport *report, QString *error,
                       const BooksFile::Progress &progress)
{
    report->lines.clear();
    PgEngine::Server server;
    if (!ParseConninfo(conninfo, &server, error))
        return false;
    BooksFile::Failure failure;
    if (!BooksFile::check(booksFile, &failure, BooksFile::within(progress, 0, 10))) {
        *error = QStringLiteral("本机的帐簿文件不能搬：%1（%2）。").arg(failure.reason).arg(failure.number) + NotMoved;
        return false;
    }
    FileHold file;
    if (!holdFile(booksFile, &file, error))
        return false;
    ServerHold target;
    EngineError refused;
    target.conn = PgEngine::connectSession(server, &refused);
    if (!target.conn) {
        *error = refused.text;
        return false;
    }
    if (!targetFits(target.conn, server.database, error))
        return false;
    QList<CopyTables::Table> tables;
    QString failed;
    // The delivered schema, emptied of its delivered rows and their entries: the file's take their place.
    const bool moved = CopyTables::run(target.conn, QStringLiteral("BEGIN;") + PgSchema::script(), &failed)
        && CopyTables::plan(target.conn, &tables, &failed)
        && CopyTables::load(target.conn, file.db, tables, &report->lines, &failed, BooksFile::within(progress, 10, 95))
        && CopyTables::run(target.conn, QStringLiteral("COMMIT"), &failed);
    QString ignored;
    if (!moved) {
        CopyTables::run(target.conn, QStringLiteral("ROLLBACK"), &ignored);
        *error = failed + QStringLiteral("\n") + NotMoved;
        report->lines.clear();
        return false;
    }
    // Planner statistics and the visibility map, without which the first balances read every row.
    if (!CopyTables::run(target.conn, QStringLiteral("VACUUM ANALYZE"), &ignored))
        report->lines.append(QStringLiteral("注意：整理服务器上的数据表（VACUUM ANALYZE）没有成功，可由管理员稍后执行：%1").arg(ignored));
    if (progress)
        progress(100);
    return true;
}
