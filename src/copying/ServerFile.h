#pragma once
#include <QDate>
#include <QString>

#include "data/BooksFile.h"
#include "data/postgres/PgEngine.h"

// Books on a server and books files: one backup format for both engines. A backup of server books is a
// books file like the delivered ones, written from one snapshot of the server's books; a restore puts
// a checked books file's rows in place of the server's, in one transaction.
namespace ServerFile {

// Writes the books on `server` to the file `target`, from one REPEATABLE READ snapshot; the file takes
// the target's name only when whole.
bool copyToFile(const PgEngine::Server &server, const QString &target, BooksFile::Failure *failure,
                const BooksFile::Progress &progress);

// Replaces every row of the books on `server` with the rows of the checked books file `source`, in one
// transaction that holds the tables against everyone (others wait at most the lock timeout); a failure
// leaves the server's rows as they were. The change record becomes the file's, with one more entry of
// `role` saying the restore was made and naming `replacedCopy`, the copy kept of the books replaced.
bool replaceFromFile(const PgEngine::Server &server, const QString &source, const QString &role,
                     const QString &replacedCopy, BooksFile::Failure *failure, const BooksFile::Progress &progress);

// Whether this desk is the one to keep the copy of `day`: the first desk to claim the day on the
// server, under an advisory lock, as a row of the server's table BackupOfTheDay. `take` writes the
// copy; when it fails (its failure told) the day stays unclaimed, so another desk takes it. `taken`
// tells whether this desk wrote it. A server that cannot be reached takes no copy and is no failure
// here: the login tells it.
bool claimCopyOfTheDay(const PgEngine::Server &server, const QDate &day,
                       const std::function<bool(BooksFile::Failure *)> &take, bool *taken,
                       BooksFile::Failure *failure);

} // namespace ServerFile
