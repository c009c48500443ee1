#pragma once
#include <QString>
#include <functional>

class ShareDataModule;

// The books as a file of their own, for backup and restore: a copy of the books, the check a file must
// pass before it may become the books, and the books replaced by such a file. A copy is written beside
// its target and takes the target's name only when whole, so a crash never leaves half a copy under it;
// the books are replaced in one write of their file, which a crash leaves as it was.
namespace BooksFile {

// Why the work failed: the system's error number where the system gave one, otherwise the engine's
// result code; and a short Chinese reason the user can act on.
struct Failure
{
    // Whose number it is. A number means one thing to the system and another to the engine (13: a
    // permission refused, or a full disk), so it is read only as its own source's.
    enum class Source { Engine, System };

    int number = 0;
    QString reason;
    Source source = Source::Engine;
};

// Told the share of the work done, 0 to 100, as a long copy or check goes on.
using Progress = std::function<void(int percent)>;
// The progress of a share of a longer piece of work: `from` to `to` of the whole.
Progress within(const Progress &progress, int from, int to);

// Copies the books open on `books` (opening them if need be) to `target`, consistent even while the
// program writes.
bool copyOpenBooks(ShareDataModule &books, const QString &target, Failure *failure, const Progress &progress);

// The file a copy to `target` is written into until it is whole.
QString unfinishedCopyOf(const QString &target);
// Removes what work cut off half-way left at `path`: the unfinished file and its journal, and nothing
// else. False, with the reason, while that work still goes on (in another program, say): its files stay.
bool removeUnfinished(const QString &path, Failure *failure);

// Whether the file at `path` opens for reading and holds books, without touching the program's connection.
bool holdsBooks(const QString &path);
// Copies the books in the file at `path`, which the program has not opened, to `target`.
bool copyBooksFile(const QString &path, const QString &target, Failure *failure, const Progress &progress);

// Whether `path` holds books this program can open: a database, undamaged, with every table and field
// of the books, of a schema version not newer than the program's.
bool check(const QString &path, Failure *failure, const Progress &progress = {});

// Closes the books open on `books` and writes the pages of the checked file `source` over the books
// file at `booksPath`, in one write that other programs with the file open see whole. While another
// program reads or writes the books the replacement waits as a statement does, then fails as in use
// and the books stay as they were. The connection opens again at the next statement.
bool replaceBooks(ShareDataModule &books, const QString &source, const QString &booksPath, Failure *failure,
                  const Progress &progress);

// Sets *failure to the engine's result code `code` (0 for a failure the program found itself); false.
bool fail(Failure *failure, int code, const QString &reason);
// What the user is told of a failure the system reported with error number `number`.
QString reasonForSystem(int number);
// Sets *failure to the system's error number `number`, told by reasonForSystem or by `reason`; false.
bool failSystem(Failure *failure, int number);
bool failSystem(Failure *failure, int number, const QString &reason);
// Whether the system refused the work for want of permission.
bool refusedPermission(const Failure &failure);

} // namespace BooksFile
