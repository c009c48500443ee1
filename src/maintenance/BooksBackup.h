#pragma once
#include <QDate>
#include <QString>
#include <limits>

#include "data/BooksFile.h"

class ShareDataModule;

// Copies of the books. A copy is taken from the open connection, so it is consistent even while the
// program writes; it is written beside its target and takes the target's name only when whole. A file
// that is to replace the books is checked first, and the books file is rewritten in one write, so a
// crash leaves either the old or the new books, never a mix, and a program that has the file open
// goes on with the restored books.
namespace BooksBackup {

// Why a copy or a restore failed: the system's error number where the system gave one, otherwise the
// engine's result code; and a short Chinese reason the user can act on.
using Failure = BooksFile::Failure;

// Told the share of the work done, 0 to 100, as a long copy or check goes on.
using Progress = BooksFile::Progress;

// Writes a copy of the books to `target`, replacing a file of that name only with a whole copy.
bool backup(ShareDataModule &books, const QString &target, Failure *failure, const Progress &progress = {});

// Whether `path` holds books this program can open: a database, undamaged, with every table and
// field of the books, of a schema version not newer than the program's.
using BooksFile::check;

// Replaces the books at `booksPath` with the checked file `source`; books on a server get the file's
// rows in place of theirs. The books being replaced are first kept among the automatic backups. The
// connection is closed; it opens again at the next statement.
bool restore(ShareDataModule &books, const QString &source, const QString &booksPath, Failure *failure,
             const Progress &progress = {});

// The automatic backups: the folder Backup/ in the program folder, one copy a day named
// KalvoraCmp-yyyy-MM-dd.mdb (and KalvoraCmp-yyyy-MM-dd-hhmmss.mdb for books replaced by a restore).
QString automaticFolder();
// Why writing into the automatic folder failed, as the user is told: that folder is not one the user
// chose, so a refusal of permission names it.
QString reasonInAutomaticFolder(const Failure &failure);
inline constexpr int DefaultKeptDays = 30;
inline constexpr int KeepEvery = std::numeric_limits<int>::max();
// The copy of the day, taken when there is none yet, then keeping the newest `keep` copies. Nothing is
// done when `keep` is 0, nor when the books cannot be opened or hold no books. Of books on a server,
// only the first desk to start on `today` takes the copy (the server keeps which day was copied).
bool backupOfTheDay(const QString &booksPath, const QDate &today, int keep, Failure *failure,
                    const Progress &progress = {});
// Removes all but the newest `keep` automatic copies.
void pruneAutomatic(int keep);
// Removes what restores of the books at `booksPath` and automatic copies cut off half-way left behind.
void removeLeftovers(const QString &booksPath);

} // namespace BooksBackup
