#include "copying/ServerFile.h"

#include <QFile>
#include <QFileInfo>
#include <QSysInfo>

#include <algorithm>
#include <fcntl.h>
#include <libpq-fe.h>
#include <memory>
#include <sqlite3.h>
#include <unistd.h>
#include <vector>

#include "copying/CopyTables.h"
#include "data/ChangeRecord.h"
#include "data/DeliveredBooks.h"
#include "data/MonthTotals.h"

namespace {

using BooksFile::fail;
using CopyTables::FileHold;
using CopyTables::firstRow;
using CopyTables::quotedName;
using CopyTables::ServerHold;

bool connect(const PgEngine::Server &server, ServerHold *hold, BooksFile::Failure *failure)
{
    EngineError refused;
    hold->conn = PgEngine::connectSession(server, &refused);
    return hold->conn || fail(failure, 0, refused.text);
}

bool runFile(sqlite3 *db, const QString &sql, QString *error)
{
    char *message = nullptr;
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &message) == SQLITE_OK)
        return true;
    *error = QString::fromUtf8(message ? message : sqlite3_errmsg(db));
    sqlite3_free(message);
    return false;
}

// One field of COPY's text format, its escapes undone; a null for \N.
QByteArray unescaped(const char *from, const char *to, bool *isNull)
{
    *isNull = to - from == 2 && from[0] == '\\' && from[1] == 'N';
    QByteArray value;
    value.reserve(to - from);
    for (const char *c = from; c < to; ++c) {
        if (*c != '\\' || c + 1 == to) {
            value += *c;
            continue;
        }
        switch (*++c) {
        case 'n': value += '\n'; break;
        case 't': value += '\t'; break;
        case 'r': value += '\r'; break;
        case 'b': value += '\b'; break;
        case 'f': value += '\f'; break;
        case 'v': value += '\v'; break;
        default: value += *c;
        }
    }
    return value;
}

void bind(sqlite3_stmt *insert, int parameter, const QByteArray &value, bool isNull, CopyTables::Kind kind)
{
    if (isNull) {
        sqlite3_bind_null(insert, parameter);
        return;
    }
    switch (kind) {
    case CopyTables::Kind::Integer:
        sqlite3_bind_int64(insert, parameter, value.toLongLong());
        break;
    case CopyTables::Kind::Real:
        sqlite3_bind_double(insert, parameter, value.toDouble());
        break;
    case CopyTables::Kind::Boolean:
        sqlite3_bind_int(insert, parameter, value.startsWith('t') ? 1 : 0);
        break;
    default:
        sqlite3_bind_text(insert, parameter, value.constData(), int(value.size()), SQLITE_TRANSIENT);
    }
}

// The rows of one server table into the file's table, the server's key as the file's record number
// where the file has no key field of its own.
bool writeTable(PGconn *conn, sqlite3 *db, const CopyTables::Table &table, const std::function<void()> &rowDone,
                QString *error)
{
    QStringList selected{table.key}, inserted, places;
    bool keyIsRowId = false;
    for (const CopyTables::Column &column : table.columns) {
        if (column.fromRowId) {
            keyIsRowId = true;
            continue;
        }
        selected.append(column.name);
        inserted.append(quotedName(column.name));
    }
    if (keyIsRowId)
        inserted.prepend(QStringLiteral("rowid"));
    for (int i = 0; i < inserted.size(); ++i)
        places.append(QStringLiteral("?"));
    sqlite3_stmt *insert = nullptr;
    if (sqlite3_prepare_v2(db,
                           QStringLiteral("INSERT INTO %1(%2) VALUES (%3)")
                               .arg(quotedName(table.name), inserted.join(u','), places.join(u','))
                               .toUtf8()
                               .constData(),
                           -1, &insert, nullptr)
        != SQLITE_OK) {
        *error = QString::fromUtf8(sqlite3_errmsg(db));
        return false;
    }
    const std::unique_ptr<sqlite3_stmt, decltype(&sqlite3_finalize)> finalizing(insert, &sqlite3_finalize);
    const QString copy = QStringLiteral("COPY (SELECT %1 FROM %2 ORDER BY %3) TO STDOUT")
                             .arg(selected.join(u','), table.name, table.key);
    const std::unique_ptr<PGresult, decltype(&PQclear)> started(PQexec(conn, copy.toUtf8().constData()), &PQclear);
    if (PQresultStatus(started.get()) != PGRES_COPY_OUT) {
        *error = QString::fromUtf8(PQresultErrorMessage(started.get())).trimmed();
        return false;
    }
    QList<CopyTables::Kind> kinds;
    for (const CopyTables::Column &column : table.columns)
        if (!column.fromRowId)
            kinds.append(column.kind);
    bool written = true;
    char *line = nullptr;
    int length = 0;
    while ((length = PQgetCopyData(conn, &line, 0)) > 0) {
        const char *end = line + length - (line[length - 1] == '\n' ? 1 : 0);
        const char *field = line;
        for (int i = 0; written && field <= end; ++i) {
            const char *stop = std::find(field, end, '\t');
            bool isNull = false;
            const QByteArray value = unescaped(field, stop, &isNull);
            // Field 0 is the key: the record number, or left to the key field that follows.
            if (i == 0 && keyIsRowId)
                bind(insert, 1, value, isNull, CopyTables::Kind::Integer);
            else if (i > 0)
                bind(insert, i + (keyIsRowId ? 1 : 0), value, isNull, kinds.value(i - 1));
            field = stop + 1;
        }
        PQfreemem(line);
        if (written && (sqlite3_step(insert) != SQLITE_DONE || sqlite3_reset(insert) != SQLITE_OK)) {
            *error = QString::fromUtf8(sqlite3_errmsg(db));
            written = false;
        }
        if (rowDone)
            rowDone();
    }
    const std::unique_ptr<PGresult, decltype(&PQclear)> ended(PQgetResult(conn), &PQclear);
    while (PGresult *rest = PQgetResult(conn))
        PQclear(rest);
    if (written && (length == -2 || PQresultStatus(ended.get()) != PGRES_COMMAND_OK)) {
        *error = QString::fromUtf8(PQerrorMessage(conn)).trimmed();
        written = false;
    }
    return written;
}

// The file's numbering goes on past the numbers the server has given out, as it would have on the file.
bool carryNumbering(PGconn *conn, sqlite3 *db, const CopyTables::Table &table, QString *error)
{
    const QStringList sequence =
        firstRow(conn,
                 QStringLiteral("SELECT pg_get_serial_sequence('public.%1', '%2')").arg(table.name.toLower(), table.key),
                 error);
    if (sequence.isEmpty())
        return false;
    if (sequence.first().isNull() || table.columns.first().fromRowId)
        return true;
    const QStringList given = firstRow(
        conn, QStringLiteral("SELECT CASE WHEN is_called THEN last_value ELSE last_value - 1 END FROM %1").arg(sequence.first()),
        error);
    if (given.isEmpty())
        return false;
    return runFile(db,
                   QStringLiteral("DELETE FROM sqlite_sequence WHERE name = '%1';"
                                  "INSERT INTO sqlite_sequence(name, seq) SELECT '%1', max(%2, coalesce(max(rowid), 0)) "
                                  "FROM %3 WHERE EXISTS (SELECT 1 FROM sqlite_schema WHERE name = '%1' "
                                  "AND sql LIKE '%AUTOINCREMENT%');")
                       .arg(table.name, given.first(), quotedName(table.name)),
                   error);
}

// Books on a server that has not yet got the change record (opened by this program since) are copied
// as the file would be upgraded: one baseline entry per row.
QString baselineOfServerWithoutChanges(const QList<CopyTables::Table> &tables)
{
    if (std::any_of(tables.cbegin(), tables.cend(), CopyTables::isChangeLog))
        return {};
    return ChangeRecord::baselineOfEveryRow(Dialect::Sqlite);
}

// A statement with parameters on the server; false with the server's text.
bool runWith(PGconn *conn, const char *sql, const QList<QByteArray> &values, QString *error)
{
    std::vector<const char *> pointers;
    for (const QByteArray &value : values)
        pointers.push_back(value.constData());
    const std::unique_ptr<PGresult, decltype(&PQclear)> result(
        PQexecParams(conn, sql, int(pointers.size()), nullptr, pointers.data(), nullptr, nullptr, 0), &PQclear);
    if (PQresultStatus(result.get()) == PGRES_TUPLES_OK || PQresultStatus(result.get()) == PGRES_COMMAND_OK)
        return true;
    *error = QString::fromUtf8(PQresultErrorMessage(result.get())).trimmed();
    return false;
}

// The entry of the restore, written by `role`, after the entries the file brought.
bool noteRestore(PGconn *conn, const QList<CopyTables::Table> &tables, const QString &role, const QString &fields,
                 QString *error)
{
    if (!std::any_of(tables.cbegin(), tables.cend(), CopyTables::isChangeLog))
        return true;
    return runWith(conn, "SELECT set_config('kalvora.operator', $1, true)", {role.toUtf8()}, error)
        && runWith(conn, "SELECT change_log_write($1, 'ChangeLog', NULL, NULL, NULL, $2::jsonb)",
                   {ChangeRecord::Kind::Restore.toUtf8(), fields.toUtf8()}, error);
}

void syncFolderOf(const QString &path)
{
    const int folder = ::open(QFile::encodeName(QFileInfo(path).absolutePath()).constData(), O_RDONLY | O_DIRECTORY);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
}

// Writes the snapshot of the server's books open on `conn` into a new books file at `path`.
bool writeBooksFile(PGconn *conn, const QList<CopyTables::Table> &tables, const QString &path,
                    const BooksFile::Progress &progress, QString *error)
{
    QStringList counts;
    for (const CopyTables::Table &table : tables)
        counts.append(QStringLiteral("(SELECT count(*) FROM %1)").arg(table.name));
    const qint64 total = firstRow(conn, QStringLiteral("SELECT ") + counts.join(u'+'), error).value(0).toLongLong();
    if (!error->isEmpty() || !DeliveredBooks::create(path, error))
        return false;
    FileHold file;
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &file.db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        *error = QString::fromUtf8(sqlite3_errmsg(file.db));
        return false;
    }
    // The month totals are built once from all the records, not recounted per row; the rows and entries
    // written are the server's, not new changes: the change record's triggers are put back afterwards.
    QString emptying = QStringLiteral("PRAGMA synchronous=FULL; BEGIN; DELETE FROM sqlite_sequence;");
    for (const QString &trigger : ChangeRecord::triggerNames(Dialect::Sqlite))
        emptying += QStringLiteral("DROP TRIGGER %1;").arg(trigger);
    for (const CopyTables::Table &table : tables)
        emptying += QStringLiteral("DELETE FROM %1;").arg(quotedName(table.name));
    if (!std::any_of(tables.cbegin(), tables.cend(), CopyTables::isChangeLog))
        emptying += QStringLiteral("DELETE FROM %1;").arg(QLatin1String(ChangeRecord::Table));
    if (!runFile(file.db, emptying + MonthTotals::dropStatement(), error))
        return false;
    qint64 done = 0;
    int told = -1;
    const auto rowDone = [&] {
        const int percent = total > 0 ? int(95 * ++done / total) : 95;
        if (progress && percent != told)
            progress(told = percent);
    };
    for (const CopyTables::Table &table : tables)
        if (!writeTable(conn, file.db, table, rowDone, error) || !carryNumbering(conn, file.db, table, error))
            return false;
    return runFile(file.db,
                   baselineOfServerWithoutChanges(tables) + MonthTotals::createStatement() + ChangeRecord::sqliteTriggers()
                       + QStringLiteral("COMMIT;"),
                   error);
}

} // namespace

bool ServerFile::copyToFile(const PgEngine::Server &server, const QString &target, BooksFile::Failure *failure,
                            const BooksFile::Progress &progress)
{
    const QString part = BooksFile::unfinishedCopyOf(target);
    if (!BooksFile::removeUnfinished(part, failure))
        return false;
    ServerHold hold;
    if (!connect(server, &hold, failure))
        return false;
    QList<CopyTables::Table> tables;
    QString error;
    const bool written = CopyTables::plan(hold.conn, &tables, &error)
        && CopyTables::run(hold.conn, QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY"), &error)
        && writeBooksFile(hold.conn, tables, part, progress, &error);
    QString ignored;
    CopyTables::run(hold.conn, QStringLiteral("ROLLBACK"), &ignored);
    if (!written) {
        QFile::remove(part);
        QFile::remove(part + QStringLiteral("-journal"));
        return fail(failure, 0, QStringLiteral("从服务器上复制帐簿没有成功：") + error);
    }
    if (::rename(QFile::encodeName(part).constData(), QFile::encodeName(target).constData()) != 0) {
        const int number = errno;
        QFile::remove(part);
        return BooksFile::failSystem(failure, number);
    }
    syncFolderOf(target);
    if (progress)
        progress(100);
    return true;
}

bool ServerFile::replaceFromFile(const PgEngine::Server &server, const QString &source, const QString &role,
                                 const QString &replacedCopy, BooksFile::Failure *failure,
                                 const BooksFile::Progress &progress)
{
    FileHold file;
    if (sqlite3_open_v2(QFile::encodeName(source).constData(), &file.db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK)
        return fail(failure, sqlite3_errcode(file.db), QString::fromUtf8(sqlite3_errmsg(file.db)));
    ServerHold hold;
    if (!connect(server, &hold, failure))
        return false;
    QList<CopyTables::Table> tables;
    QStringList report;
    QString error;
    // Every other desk waits for the tables while the rows are replaced, at most its lock timeout.
    const bool replaced = CopyTables::plan(hold.conn, &tables, &error)
        && CopyTables::run(hold.conn,
                           QStringLiteral("BEGIN; LOCK TABLE Account, MoneyTable, GetPay, Parameter, Power, PrintTable, "
                                          "PrintDay, MoneyMonth IN ACCESS EXCLUSIVE MODE;"),
                           &error)
        && CopyTables::load(hold.conn, file.db, tables, &report, &error, progress)
        && noteRestore(hold.conn, tables, role, ChangeRecord::restoreFields(source, replacedCopy), &error)
        && CopyTables::run(hold.conn, QStringLiteral("COMMIT"), &error);
    if (replaced)
        return true;
    QString ignored;
    CopyTables::run(hold.conn, QStringLiteral("ROLLBACK"), &ignored);
    if (error.contains(QLatin1String("lock timeout")))
        error = QStringLiteral("其他电脑正在使用帐簿，请让其他电脑先退出本软件后再试");
    return fail(failure, 0, QStringLiteral("服务器上的帐簿没有改动：") + error);
}

bool ServerFile::claimCopyOfTheDay(const PgEngine::Server &server, const QDate &day,
                                   const std::function<bool(BooksFile::Failure *)> &take, bool *taken,
                                   BooksFile::Failure *failure)
{
    *taken = false;
    ServerHold hold;
    EngineError unreachable;
    hold.conn = PgEngine::connectSession(server, &unreachable);
    if (!hold.conn)
        return true;
    QString error;
    // The lock keeps two desks starting at once from both copying; the row says the day's copy is kept.
    const QStringList locked = firstRow(hold.conn, QStringLiteral("SELECT pg_try_advisory_lock(hashtext('BackupOfTheDay'))"), &error);
    if (locked.value(0) != u"t")
        return error.isEmpty() || fail(failure, 0, error);
    const QByteArray dayText = day.toString(Qt::ISODate).toUtf8();
    bool tookFailed = false;
    const auto claimed = [&] {
        if (!CopyTables::run(hold.conn, QStringLiteral("CREATE TABLE IF NOT EXISTS BackupOfTheDay(Day date PRIMARY KEY, "
                                                       "Desk text NOT NULL, TakenAt timestamptz NOT NULL DEFAULT now())"),
                             &error))
            return false;
        const QStringList kept =
            firstRow(hold.conn, QStringLiteral("SELECT count(*) FROM BackupOfTheDay WHERE Day = '%1'").arg(QString::fromUtf8(dayText)),
                     &error);
        if (kept.value(0) != u"0")
            return error.isEmpty();
        if (!take(failure)) {
            tookFailed = true;
            return false;
        }
        *taken = true;
        return CopyTables::run(hold.conn,
                               QStringLiteral("INSERT INTO BackupOfTheDay(Day, Desk) VALUES ('%1', '%2')")
                                   .arg(QString::fromUtf8(dayText), QSysInfo::machineHostName().replace(u'\'', QStringLiteral("''"))),
                               &error);
    };
    const bool ok = claimed();
    QString ignored;
    CopyTables::run(hold.conn, QStringLiteral("SELECT pg_advisory_unlock(hashtext('BackupOfTheDay'))"), &ignored);
    return ok || tookFailed || fail(failure, 0, QStringLiteral("服务器上记录今天的自动备份没有成功：") + error);
}
