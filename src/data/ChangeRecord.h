#pragma once
#include <QList>
#include <QString>
#include <QStringList>

#include "data/Dialect.h"

// The change record: every change of a record, an account, a receivable or payable, a settings list
// entry or a password leaves an entry in ChangeLog, written by triggers in the same transaction as the
// change, whoever writes. Entries are numbered without gaps and cannot be changed or deleted. Each
// holds, as a JSON object of field names, the values before and after of the fields it changed (all
// fields for a new, deleted or baseline row); a password is named, never its value.
//
// The operator: the file books read it from the one-row table ChangeOperator, which the program fills
// inside each of its write transactions and empties again before the commit, so any other writer is
// told as ExternalWriter. The server books read the session setting kalvora.operator and also keep the
// database user and the client's address.
namespace ChangeRecord {
inline constexpr char Table[] = "ChangeLog";

namespace Kind {
inline const QString Added = QStringLiteral("新增");
inline const QString Changed = QStringLiteral("修改");
inline const QString Deleted = QStringLiteral("删除");
// The state of a row when the books got the change record: the start of its replay.
inline const QString Baseline = QStringLiteral("基准");
// The books were replaced by a backup, whose entries they now hold; names the file and the copy that
// keeps the replaced books with their entries.
inline const QString Restore = QStringLiteral("恢复");
// The check found protection missing and put it back.
inline const QString Restored = QStringLiteral("重建保护");
} // namespace Kind

inline const QString ExternalWriter = QStringLiteral("外部程序");
// The operator of the program's writes before anyone logged in, and of the books' upgrade.
inline const QString ProgramItself = QStringLiteral("本程序");
// What a password's value is written as, before and after.
inline const QString Secret = QStringLiteral("（不记录）");
// What a plain UPDATE or DELETE of an entry is refused with.
inline const QString Refusal = QStringLiteral("改动记录不能修改或删除");

// A table whose rows are recorded.
struct Covered
{
    QString table;
    QString key;     // the file books' row id column; the server's is keyColumn()
    QString account; // the field naming the row's account, empty when none
    QStringList fields;
    QString secret; // a field recorded as changed without its values
    QString serverKey() const;
};
const QList<Covered> &coveredTables();
const Covered *covered(const QString &table); // nullptr when not recorded

// The fields of an entry, in the order of the table.
QStringList logFields();

// How the user knows the table an entry names (entries keep the table's own name): a settings list
// entry by its list, ParameterType `list` 1 to 3, when the entry names it.
QString tableTitle(const QString &table, int list = 0);
// How the windows title a recorded field (the server writes the names in lower case); a field of no
// table, such as a trigger put back, by its own name.
QString fieldTitle(const QString &field);
// The table title over an entry's fields, as an expression of a statement on ChangeLog, so that the list
// prints and exports as it shows.
QString tableTitleExpression();

// The fields of the entry of a restore (Kind::Restore, of the table ChangeLog) as JSON: the file
// restored and, when one was kept, the copy of the books it replaced.
QString restoreFields(const QString &file, const QString &replacedCopy);

// The file books' tables, indexes and triggers of the change record.
QString sqliteSchema();
// Every trigger of the change record on the file books, each dropped first when present.
QString sqliteTriggers();
// The names of the triggers that must be there, as the engine's catalog spells them.
QStringList triggerNames(Dialect dialect);

// Writes one baseline entry for each row of `table` whose row id is in (from, through].
QString baselineStatement(Dialect dialect, const Covered &table, qint64 from, qint64 through);
// Writes one baseline entry for every row of every recorded table, as an upgrade gives books that had
// no change record.
QString baselineOfEveryRow(Dialect dialect);

// The recorded fields of the row `alias` of `table` as the JSON the triggers write, so that a replay
// compares like with like.
QString imageExpression(Dialect dialect, const Covered &table, const QString &alias);
} // namespace ChangeRecord
