#pragma once
#include <QStringList>

#include <sqlite3.h>

#include "data/BooksFile.h"
#include "data/Failure.h"

// The change record (see ChangeRecord) kept in the books file.
namespace SqliteChangeRecord {

// Books of an earlier version get the change record, with one baseline entry for each row already
// there, in one transaction (`progress` told as it goes); the operator table is put back when removed
// by hand, since every write of the program fills it. False with the engine's error.
bool prepare(sqlite3 *db, const BooksFile::Progress &progress, EngineError *error);

// The triggers of the change record that are not there.
bool missingTriggers(sqlite3 *db, QStringList *missing, EngineError *error);
// Puts every trigger of the change record back, with an entry of `role` naming `restored`.
bool restoreTriggers(sqlite3 *db, const QString &role, const QStringList &restored, EngineError *error);

// Writes the entry of a restore of `file` made by `role`, naming the copy `replacedCopy` of the books
// it replaced (empty when none was kept).
bool noteRestore(sqlite3 *db, const QString &role, const QString &file, const QString &replacedCopy,
                 EngineError *error);

} // namespace SqliteChangeRecord
