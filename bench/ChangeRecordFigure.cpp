// The change record on the largest books (a million records, each with its entry): storing one record
// and a two-record transfer with the record's triggers in place and without them, the change list's
// first screen, one record's history, the full check beside a bare SQL comparison of each row with its
// last entry, and (on books files) the upgrade of books made before the change record.
#include <QElapsedTimer>
#include <QFile>

#include <cstdio>
#include <memory>
#include <sqlite3.h>

#include "Figures.h"
#include "app/Program.h"
#include "changes/ChangeCheck.h"
#include "changes/ChangeLogWindow.h"
#include "data/ChangeRecord.h"
#include "data/Query.h"
#include "data/ShareDataModule.h"
#include "data/WindowedQuery.h"

namespace {

void run(sqlite3 *db, const QString &sql)
{
    char *message = nullptr;
    if (sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &message) != SQLITE_OK)
        qFatal("bench: %s: %s", qPrintable(sql.left(80)), message);
}

void storeThroughProgram(int serial)
{
    Query &query = ShareDataModule::instance().ADOQueryTemp();
    query.setSql(QStringLiteral("Select * From MoneyTable"));
    if (!query.open() || !query.append())
        qFatal("bench: cannot open the journal for appending");
    query.setField(QStringLiteral("MoneySerial"), QStringLiteral("C%1").arg(serial));
    query.setField(QStringLiteral("MoneyCreateTime"), QStringLiteral("2026-12-10"));
    query.setField(QStringLiteral("MoneyAccount"), 2);
    query.setField(QStringLiteral("MoneyUser"), QStringLiteral("客户001"));
    query.setField(QStringLiteral("MoneySum"), 123.45);
    if (!query.post())
        qFatal("bench: cannot store a record: %s", qPrintable(query.lastError()));
}

void transferThroughProgram(int serial)
{
    ShareDataModule &data = ShareDataModule::instance();
    Transaction together(data);
    storeThroughProgram(serial);
    storeThroughProgram(-serial);
    if (!together.commit())
        qFatal("bench: cannot commit a transfer");
}

void insertBare(Bare &bare, int serial)
{
    bare.read(QStringLiteral("INSERT INTO MoneyTable(MoneySerial, MoneyCreateTime, MoneyAccount, MoneyUser, MoneySum)"
                             " VALUES ('C%1', '2026-12-10', 2, '客户001', 123.45)")
                  .arg(serial)
                  .toUtf8());
}

// Store and transfer with the record's triggers (on) and without them (off), as the books were before.
void writeFigures(Bench &bench, bool on)
{
    int serial = 0;
    Bare &bare = bench.bare();
    const QString state = on ? QStringLiteral("change record on") : QStringLiteral("change record off");
    bench.report(QStringLiteral("store one record, %1").arg(state), bench.largest(),
                 bench.compare([&] { storeThroughProgram(++serial); }, [&] { insertBare(bare, ++serial); }));
    bench.report(QStringLiteral("transfer (two records), %1").arg(state), bench.largest(),
                 bench.compare([&] { transferThroughProgram(++serial); },
                               [&] {
                                   bare.begin();
                                   insertBare(bare, ++serial);
                                   insertBare(bare, -serial);
                                   bare.commit();
                               }));
}

qint64 lastRecord(Bare &bare)
{
    QList<qint64> last;
    bare.read("SELECT coalesce(max(MoneyIndex), 0) FROM MoneyTable", {}, 1, &last);
    return last.value(0);
}

// The record's triggers on the file: dropped, and made again with every other trigger of the record.
void dropFileTriggers(sqlite3 *db)
{
    for (const QString &name : ChangeRecord::triggerNames(Dialect::Sqlite))
        run(db, QStringLiteral("DROP TRIGGER IF EXISTS %1").arg(name));
}

// Switches the change record of the records off or back on, as plain SQL does it on each engine: the
// file's triggers are dropped and made again, the server's trigger disabled and enabled.
void switchRecordTriggers(Bench &bench, sqlite3 *file, bool on)
{
    if (bench.onServer()) {
        bench.bare().read(QByteArray("ALTER TABLE MoneyTable ") + (on ? "ENABLE" : "DISABLE")
                          + " TRIGGER ChangeLogMoneyTable");
    } else if (on) {
        run(file, QStringLiteral("BEGIN IMMEDIATE;") + ChangeRecord::sqliteTriggers() + QStringLiteral("COMMIT;"));
    } else {
        dropFileTriggers(file);
    }
}

// Reads what the first screen of the list shows: the first 30 rows of every column.
void readFirstScreen(ChangeLogWindow &window)
{
    WindowedQuery &rows = window.rows();
    for (int row = 0; row < std::min(30, rows.recordCount()); ++row)
        for (int column = 0; column < rows.fieldNames().size(); ++column)
            rows.value(row, column);
}

// Books of the version before: the change record dropped, then the program opens them.
void timeUpgrade(Bench &bench, sqlite3 *file)
{
    run(file, QStringLiteral("BEGIN IMMEDIATE;"));
    dropFileTriggers(file);
    run(file, QStringLiteral("DROP TABLE ChangeLog; DROP TABLE ChangeOperator; PRAGMA user_version = 2; COMMIT;"));
    ShareDataModule &data = *bench.windows().data;
    data.disconnect();
    QElapsedTimer upgrade;
    upgrade.start();
    EngineError opened;
    if (!data.ADOConnection1(&opened))
        qFatal("bench: the upgrade failed: %s", qPrintable(opened.text));
    std::printf("upgrade of books with %d records to the change record: %.2f s\n", bench.largest(),
                upgrade.elapsed() / 1000.0);
}

} // namespace

void changeRecordFigure(Bench &bench)
{
    bench.useBooks(bench.largest());
    // On a file, a connection of the figure's own drops and makes the triggers, which takes several
    // statements at once.
    sqlite3 *file = nullptr;
    if (!bench.onServer()
        && sqlite3_open_v2(QFile::encodeName(bench.booksPath()).constData(), &file, SQLITE_OPEN_READWRITE, nullptr)
            != SQLITE_OK)
        qFatal("bench: cannot open the books: %s", sqlite3_errmsg(file));
    const std::unique_ptr<sqlite3, int (*)(sqlite3 *)> own(file, sqlite3_close);
    if (file)
        sqlite3_busy_timeout(file, 10000);
    Bare &bare = bench.bare();
    ShareDataModule &data = *bench.windows().data;
    data.setOperator(QStringLiteral("出纳"));
    writeFigures(bench, true);
    switchRecordTriggers(bench, file, false);
    // The records written without the triggers go again before the triggers return, so that the check
    // below measures books whose record holds.
    const qint64 recorded = lastRecord(bare);
    writeFigures(bench, false);
    bare.read("DELETE FROM MoneyTable WHERE MoneyIndex > " + QByteArray::number(recorded));
    switchRecordTriggers(bench, file, true);

    ChangeLogWindow &window = *bench.windows().changeLog;
    bench.report(QStringLiteral("change list, first screen"), bench.largest(),
                 bench.compare(
                     [&] {
                         window.prepareAll();
                         readFirstScreen(window);
                     },
                     [&] { bare.read("SELECT * FROM ChangeLog ORDER BY ChangeIndex DESC LIMIT 30"); }, 20));
    const qint64 middle = bench.largest() / 2;
    bench.report(QStringLiteral("one record's history"), bench.largest(),
                 bench.compare(
                     [&] {
                         window.prepareHistory(QStringLiteral("MoneyTable"), middle);
                         readFirstScreen(window);
                     },
                     [&] {
                         bare.read("SELECT * FROM ChangeLog WHERE ChangeTable = 'MoneyTable' AND ChangeRow = "
                                   + QByteArray::number(middle) + " ORDER BY ChangeIndex DESC");
                     }));
    window.rows().close();

    // The check once, with the memory it takes, beside a bare comparison of each record with its last
    // entry's after-values (no replay of changes).
    const ChangeRecord::Covered &records = *ChangeRecord::covered(QStringLiteral("MoneyTable"));
    const QString bareCheck =
        QStringLiteral("SELECT count(*) FROM MoneyTable t WHERE %1 %2 (SELECT ChangeAfter FROM ChangeLog"
                       " WHERE ChangeTable = 'MoneyTable' AND ChangeRow = t.MoneyIndex ORDER BY ChangeIndex DESC LIMIT 1)")
            .arg(ChangeRecord::imageExpression(bench.onServer() ? Dialect::Postgres : Dialect::Sqlite, records,
                                               QStringLiteral("t")),
                 bench.onServer() ? QStringLiteral("IS DISTINCT FROM") : QStringLiteral("IS NOT"));
    const long before = residentKilobytes();
    ChangeCheck::Findings found;
    EngineError error;
    bench.report(QStringLiteral("full check of the change record"), bench.largest(),
                 bench.compare(
                     [&] {
                         if (!ChangeCheck(data).run({}, &found, &error))
                             qFatal("bench: the check failed: %s", qPrintable(error.text));
                     },
                     [&] { bare.read(bareCheck.toUtf8()); }, 1));
    std::printf("full check: %lld entries, %s, memory grew by %.1f MB\n", found.entries,
                found.holds() ? "holds" : "found faults", (residentKilobytes() - before) / 1024.0);
    if (file)
        timeUpgrade(bench, file);
}
