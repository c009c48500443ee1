#include "data/DeliveredBooks.h"

#include <QFile>

#include <sqlite3.h>

#include "data/ChangeRecord.h"
#include "data/MonthTotals.h"

// The delivered books as an SQLite file: the tables with their types and the books' case-blind text
// comparison, and the indexes the program's statements use.

namespace {

const char *const Schema = R"(
CREATE TABLE Account(
  AccountIndex INTEGER PRIMARY KEY AUTOINCREMENT,
  AccountName TEXT COLLATE NOCASE,
  AccountType INTEGER);
CREATE TABLE MoneyTable(
  MoneyIndex INTEGER PRIMARY KEY AUTOINCREMENT,
  MoneySerial TEXT COLLATE NOCASE,
  MoneyCreateTime TEXT,
  MoneyRecordTime TEXT,
  MoneyAccount INTEGER,
  MoneyUser TEXT COLLATE NOCASE,
  MoneySum REAL,
  MoneyMan TEXT COLLATE NOCASE,
  MoneyReason TEXT COLLATE NOCASE,
  MoneyType TEXT COLLATE NOCASE,
  MoneyToken TEXT COLLATE NOCASE,
  MoneyRemark TEXT COLLATE NOCASE);
CREATE TABLE GetPay(
  GetPayIndex INTEGER PRIMARY KEY AUTOINCREMENT,
  GetPayTime TEXT,
  GetPayUser TEXT COLLATE NOCASE,
  GetPaySum REAL,
  GetPayRemark TEXT COLLATE NOCASE);
CREATE TABLE Parameter(
  ParameterType INTEGER,
  ParameterValue TEXT COLLATE NOCASE);
CREATE TABLE Power(
  PowerName TEXT COLLATE NOCASE,
  PowerKey TEXT);
CREATE TABLE PrintTable(
  PrintIndex INTEGER,
  PrintValue1 TEXT, PrintValue2 TEXT, PrintValue3 TEXT, PrintValue4 TEXT, PrintValue5 TEXT,
  PrintValue6 TEXT, PrintValue7 TEXT, PrintValue8 TEXT, PrintValue9 TEXT, PrintValue10 TEXT,
  PrintEnable INTEGER);
CREATE TABLE PrintDay(
  DayName TEXT,
  DayGetNum INTEGER,
  DayGetSum REAL,
  DayPayNum INTEGER,
  DayPaySum REAL,
  DayCount REAL);
CREATE INDEX MoneyByAccountDay ON MoneyTable(MoneyAccount, MoneyCreateTime, MoneySum);
CREATE INDEX MoneyByDay ON MoneyTable(MoneyCreateTime);
CREATE INDEX AccountByName ON Account(AccountName);
CREATE INDEX ParameterByType ON Parameter(ParameterType);
CREATE INDEX PrintTableByIndex ON PrintTable(PrintIndex);
-- Planner statistics of well-filled books, so that from the first day the balance sums walk the
-- (account, day, amount) index account by account instead of visiting every record of the journal.
ANALYZE sqlite_schema;
DELETE FROM sqlite_stat1;
INSERT INTO sqlite_stat1(tbl, idx, stat) VALUES
  ('Account', NULL, '50'),
  ('Account', 'AccountByName', '50 1'),
  ('MoneyTable', 'MoneyByAccountDay', '1000000 20000 20 2'),
  ('MoneyTable', 'MoneyByDay', '1000000 300');
)";

bool run(sqlite3 *db, const QString &sql, QString *error)
{
    char *message = nullptr;
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &message) == SQLITE_OK)
        return true;
    *error = QString::fromUtf8(message);
    sqlite3_free(message);
    return false;
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
    const bool built = run(db, QStringLiteral("BEGIN;") + QString::fromUtf8(Schema) + amountIndexStatement()
                                   + QString::fromUtf8(MonthTotals::schema()) + ChangeRecord::sqliteSchema()
                                   // The program made the delivered rows: their entries name it.
                                   + QStringLiteral("UPDATE ChangeOperator SET Operator = '%1';")
                                         .arg(ChangeRecord::ProgramItself)
                                   + rowsStatement() + QStringLiteral("UPDATE ChangeOperator SET Operator = NULL;")
                                   + QStringLiteral("PRAGMA user_version=%1; COMMIT;").arg(SchemaVersion),
                           error);
    sqlite3_close(db);
    // The finished file takes its name in one step, so no half-built books are ever found.
    if (!built || !QFile::rename(building, path)) {
        if (built)
            *error = QStringLiteral("无法写入数据库文件：") + path;
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
        sqlite3_exec(db, Schema, nullptr, nullptr, nullptr);
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
