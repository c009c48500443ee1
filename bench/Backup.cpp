#include "Figures.h"

#include <QFile>

#include <sqlite3.h>

#include "Replay.h"
#include "data/ShareDataModule.h"
#include "maintenance/BooksBackup.h"

namespace {

// Copies take seconds at a million records; a handful of runs says enough.
constexpr int CopyRuns = 5;

// The copy as the sqlite3 shell's .backup makes it: the online backup API from the open books into a
// new file.
void bareBackup(sqlite3 *books, const QString &target)
{
    QFile::remove(target);
    sqlite3 *copy = nullptr;
    sqlite3_open_v2(QFile::encodeName(target).constData(), &copy, SQLITE_OPEN_READWRITE | SQLITE_OPEN_CREATE, nullptr);
    sqlite3_backup *run = sqlite3_backup_init(copy, "main", books, "main");
    sqlite3_backup_step(run, -1);
    sqlite3_backup_finish(run);
    sqlite3_close(copy);
}

void bareIntegrityCheck(const QString &path)
{
    sqlite3 *file = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &file, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_exec(file, "PRAGMA integrity_check", nullptr, nullptr, nullptr);
    sqlite3_close(file);
}

} // namespace

// A books file copied by the program and by SQLite's backup API; books on a server are kept by the
// server's administrator, and the program refuses to copy them.
void backupFigure(Bench &bench)
{
    if (bench.onServer())
        return;
    for (const int records : journalSizes(bench)) {
        bench.useBooks(records);
        const QString programCopy = bench.programDir() + QStringLiteral("copy.mdb");
        const QString bareCopy = bench.programDir() + QStringLiteral("bare-copy.mdb");
        sqlite3 *db = nullptr;
        sqlite3_open_v2(QFile::encodeName(bench.booksPath()).constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
        BooksBackup::Failure failure;
        bench.report(QStringLiteral("backup of the books"), records,
                     bench.compare([&] { BooksBackup::backup(ShareDataModule::instance(), programCopy, &failure); },
                                   [&] { bareBackup(db, bareCopy); }, runs(bench, CopyRuns)));
        bench.report(QStringLiteral("restore's check of a backup"), records,
                     bench.compare([&] { BooksBackup::check(programCopy, &failure); },
                                   [&] { bareIntegrityCheck(bareCopy); }, runs(bench, CopyRuns)));
        sqlite3_close(db);
        QFile::remove(programCopy);
        QFile::remove(bareCopy);
    }
}
