#include "data/DeliveredBooks.h"

#include <QFile>

#include <sqlite3.h>

#include "data/ChangeRecord.h"
#include "data/sqlite/SqliteCalls.h"
#include "data/sqlite/SqliteSchema.h"
#include "data/sqlite/SqliteTransaction.h"

// The delivered books as an SQLite file: the tables with their types and the books' case-blind text
// comparison, the indexes the program's statements use, the month totals and the change record.

namespace {

// The delivered books on the new file `db`, in one transaction.
bool build(sqlite3 *db, EngineError *error)
{
    SqliteTransaction transaction(db);
    return transaction.begin(error)
        && Sqlite::run(db,
                       SqliteSchema::books() + DeliveredBooks::amountIndexStatement() + SqliteSchema::monthTotals()
                           + ChangeRecord::sqliteSchema()
                           // The program made the delivered rows: their entries name it.
                           + QStringLiteral("UPDATE ChangeOperator SET Operator = '%1';").arg(ChangeRecord::ProgramItself)
                           + DeliveredBooks::rowsStatement() + QStringLiteral("UPDATE ChangeOperator SET Operator = NULL;")
                           + QStringLiteral("PRAGMA user_version=%1;").arg(DeliveredBooks::SchemaVersion),
                       error)
        && transaction.commit(error);
}

} // namespace

bool DeliveredBooks::create(const QString &path, QString *error)
{
    if (QFile::exists(path)) {
        *error = QStringLiteral("文件已存在：") + path;
        return false;
    }
    const QString building = path + QStringLiteral(".new");
    QFile::remove(building);
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(building).constData(), &db,
                        SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr) != SQLITE_OK) {
        *error = db ? QString::fromUtf8(sqlite3_errmsg(db)) : QStringLiteral("无法创建数据库文件");
        sqlite3_close(db);
        return false;
    }
    EngineError failure;
    const bool built = build(db, &failure);
    sqlite3_close(db);
    // The finished file takes its name in one step, so no half-built books are ever found.
    if (!built || !QFile::rename(building, path)) {
        *error = built ? QStringLiteral("无法写入数据库文件：") + path : failure.text;
        QFile::remove(building);
        return false;
    }
    return true;
}

QList<std::pair<QString, QStringList>> DeliveredBooks::tableFields()
{
    // Read off the schema itself, built in memory, so the list can never disagree with it. The month
    // totals are not in it: they are derived from the records and built again wherever they are missing.
    static const QList<std::pair<QString, QStringList>> tables = [] {
        QList<std::pair<QString, QStringList>> result;
        sqlite3 *db = nullptr;
        sqlite3_open_v2(":memory:", &db, SQLITE_OPEN_READWRITE, nullptr);
        sqlite3_exec(db, SqliteSchema::books().toUtf8().constData(), nullptr, nullptr, nullptr);
        sqlite3_stmt *statement = nullptr;
        sqlite3_prepare_v2(db,
                           "SELECT m.name, p.name FROM sqlite_schema m, pragma_table_info(m.name) p "
                           "WHERE m.type = 'table' AND m.name NOT LIKE 'sqlite%' ORDER BY m.rowid, p.cid",
                           -1, &statement, nullptr);
        while (sqlite3_step(statement) == SQLITE_ROW) {
            const QString table = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, 0)));
            const QString field = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, 1)));
            if (result.isEmpty() || result.last().first != table)
                result.append({table, {}});
            result.last().second.append(field);
        }
        sqlite3_finalize(statement);
        sqlite3_close(db);
        return result;
    }();
    return tables;
}
