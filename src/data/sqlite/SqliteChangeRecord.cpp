#include "data/sqlite/SqliteChangeRecord.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QScopeGuard>

#include "data/ChangeRecord.h"
#include "data/JetSql.h"
#include "data/sqlite/SqliteCalls.h"
#include "data/sqlite/SqliteSchema.h"
#include "data/sqlite/SqliteTransaction.h"

namespace {

constexpr int CurrentVersion = 3;
// Rows given their baseline entries between two reports of progress.
constexpr qint64 BaselineStep = 50000;

// One baseline entry per row of each covered table, a step of rows at a time.
bool writeBaseline(sqlite3 *db, const BooksFile::Progress &progress, EngineError *error)
{
    const auto &tables = ChangeRecord::coveredTables();
    qint64 total = 0;
    for (const auto &table : tables) {
        const qint64 rows = Sqlite::firstNumber(db, QStringLiteral("SELECT count(*) FROM ") + table.table, error);
        if (rows < 0)
            return false;
        total += rows;
    }
    qint64 done = 0;
    for (const auto &table : tables) {
        const QString range = QStringLiteral("SELECT %2(%1) FROM %3").arg(table.key, QStringLiteral("%1"), table.table);
        EngineError ignored;
        const qint64 first = Sqlite::firstNumber(db, range.arg(QStringLiteral("min")), &ignored) - 1;
        const qint64 last = Sqlite::firstNumber(db, range.arg(QStringLiteral("max")), &ignored);
        for (qint64 from = first; from < last; from += BaselineStep) {
            if (!Sqlite::run(db,
                             ChangeRecord::baselineStatement(Dialect::Sqlite, table, from,
                                                             qMin(from + BaselineStep, last)),
                             error))
                return false;
            done += sqlite3_changes(db);
            if (progress && total > 0)
                progress(int(done * 100 / total));
        }
    }
    return true;
}

// An entry of the change record about itself, written by `role`.
QString ownEntry(const QString &role, const QString &kind, const QString &after)
{
    return QStringLiteral("INSERT INTO ChangeLog(ChangeTime,ChangeOperator,ChangeKind,ChangeTable,ChangeAfter)"
                          " VALUES (strftime('%Y-%m-%d %H:%M:%S','now','localtime'),%1,%2,'%3',%4);")
        .arg(JetSql::quoted(role), JetSql::quoted(kind), QLatin1String(ChangeRecord::Table), JetSql::quoted(after));
}

} // namespace

bool SqliteChangeRecord::prepare(sqlite3 *db, const BooksFile::Progress &progress, EngineError *error)
{
    const qint64 version = Sqlite::firstNumber(db, QStringLiteral("PRAGMA user_version"), error);
    if (version < 0)
        return false;
    if (version >= CurrentVersion) {
        const qint64 present = Sqlite::firstNumber(
            db, QStringLiteral("SELECT count(*) FROM sqlite_schema WHERE name = 'ChangeOperator'"), error);
        return present > 0 || (present == 0 && Sqlite::run(db, SqliteSchema::changeOperator(), error));
    }

    // The progress window closes however the upgrade ends.
    const auto finished = qScopeGuard([&progress] {
        if (progress)
            progress(100);
    });
    // Books set back to an earlier version by hand keep the entries they have.
    const qint64 kept = Sqlite::firstNumber(
        db, QStringLiteral("SELECT count(*) FROM sqlite_schema WHERE name = 'ChangeLog'"), error);
    SqliteTransaction transaction(db);
    return kept >= 0 && transaction.begin(error) && Sqlite::run(db, ChangeRecord::sqliteSchema(), error)
        && (kept > 0 || writeBaseline(db, progress, error))
        && Sqlite::run(db, QStringLiteral("PRAGMA user_version=%1;").arg(CurrentVersion), error)
        && transaction.commit(error);
}

bool SqliteChangeRecord::missingTriggers(sqlite3 *db, QStringList *missing, EngineError *error)
{
    missing->clear();
    for (const QString &name : ChangeRecord::triggerNames(Dialect::Sqlite)) {
        const qint64 found = Sqlite::firstNumber(
            db, QStringLiteral("SELECT count(*) FROM sqlite_schema WHERE type = 'trigger' AND name = %1")
                    .arg(JetSql::quoted(name)),
            error);
        if (found < 0)
            return false;
        if (found == 0)
            missing->append(name);
    }
    return true;
}

bool SqliteChangeRecord::restoreTriggers(sqlite3 *db, const QString &role, const QStringList &restored,
                                         EngineError *error)
{
    const QString after = QString::fromUtf8(
        QJsonDocument(QJsonObject{{QStringLiteral("触发器"), restored.join(QStringLiteral("、"))}})
            .toJson(QJsonDocument::Compact));
    SqliteTransaction transaction(db);
    return transaction.begin(error)
        && Sqlite::run(db, ChangeRecord::sqliteTriggers() + ownEntry(role, ChangeRecord::Kind::Restored, after), error)
        && transaction.commit(error);
}

bool SqliteChangeRecord::noteRestore(sqlite3 *db, const QString &role, const QString &file,
                                     const QString &replacedCopy, EngineError *error)
{
    return Sqlite::run(db, ownEntry(role, ChangeRecord::Kind::Restore, ChangeRecord::restoreFields(file, replacedCopy)),
                       error);
}
