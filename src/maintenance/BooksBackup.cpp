#include "maintenance/BooksBackup.h"

#include <QDir>
#include <QFile>

#include <cerrno>
#include <memory>
#include <sys/stat.h>

#include "data/BooksEngine.h"
#include "data/Clock.h"
#include "data/DataSource.h"
#include "data/ProgramPaths.h"
#include "data/ShareDataModule.h"
#include "data/postgres/PgEngine.h"
#include "data/sqlite/SqliteChangeRecord.h"
#include "data/sqlite/SqliteEngine.h"
#include "copying/ServerFile.h"

namespace {

const QString AutomaticPrefix = QStringLiteral("KalvoraCmp-");
const QString AutomaticSuffix = QStringLiteral(".mdb");

bool failedInAutomaticFolder(BooksBackup::Failure *failure)
{
    failure->reason = BooksBackup::reasonInAutomaticFolder(*failure);
    return false;
}

// Where a restore prepares the books that are to replace those at `booksPath`.
QString stagedBooksOf(const QString &booksPath)
{
    return booksPath + QStringLiteral(".restore");
}

QString automaticName(const QString &stamp)
{
    return BooksBackup::automaticFolder() + AutomaticPrefix + stamp + AutomaticSuffix;
}

bool makeAutomaticFolder(BooksBackup::Failure *failure)
{
    if (::mkdir(QFile::encodeName(BooksBackup::automaticFolder()).constData(), 0777) != 0 && errno != EEXIST)
        return BooksFile::failSystem(failure, errno);
    return true;
}

bool onServer()
{
    return DataSource::isServer(QString::fromLatin1(DataSource::Name));
}

// Keeps the books about to be replaced, in *kept (empty when there were none to keep). Books the
// database cannot read any more are kept as they lie; books on a server that cannot be copied are not
// replaced.
bool keepReplacedBooks(ShareDataModule &books, const QString &booksPath, QString *kept, BooksBackup::Failure *failure,
                       const BooksBackup::Progress &progress)
{
    kept->clear();
    if (!makeAutomaticFolder(failure))
        return failedInAutomaticFolder(failure);
    const QString target = automaticName(Clock::now().toString(QStringLiteral("yyyy-MM-dd-HHmmss")));
    if (BooksBackup::backup(books, target, failure, progress)) {
        *kept = target;
        return true;
    }
    if (onServer())
        return false;
    if (!QFile::exists(booksPath))
        return true;
    if (QFile::copy(booksPath, target)) {
        *kept = target;
        return true;
    }
    // Neither copy could be written: the first failure says why.
    return failedInAutomaticFolder(failure);
}

// The books that are to replace the books at `booksPath`: a copy of `source` beside them, brought to
// this program's version and holding the entry of the restore, so that the books are replaced by it in
// one step with their change record saying so.
bool stageRestore(const QString &source, const QString &booksPath, const QString &role, const QString &kept,
                  QString *staged, BooksBackup::Failure *failure, const BooksBackup::Progress &progress)
{
    *staged = stagedBooksOf(booksPath);
    // A journal that a restore cut off left beside them would be played back into the new copy.
    if (!BooksFile::removeUnfinished(*staged, failure) || !BooksFile::copyBooksFile(source, *staged, failure, progress))
        return false;
    EngineError error;
    bool rebuilt = false;
    const std::unique_ptr<BooksEngine> restored =
        SqliteEngine::open(*staged, [] { return false; }, &rebuilt, &error);
    if (restored && SqliteChangeRecord::noteRestore(SqliteEngine::handleOf(*restored), role, source, kept, &error))
        return true;
    QFile::remove(*staged);
    return BooksFile::fail(failure, error.code, QStringLiteral("要恢复的备份不能写入改动记录，帐簿没有改动：") + error.text);
}

// The copy of the day of books on a server: taken by the first desk to start that day, into its own
// Backup/ folder. A server that cannot be reached is left to the login, which says so.
bool serverCopyOfTheDay(const QString &target, const QDate &today, BooksBackup::Failure *failure,
                        const BooksBackup::Progress &progress)
{
    const PgEngine::Server server = PgEngine::serverOf(QString::fromLatin1(DataSource::Name));
    const auto take = [&](BooksBackup::Failure *taking) {
        if (!makeAutomaticFolder(taking))
            return failedInAutomaticFolder(taking);
        return ServerFile::copyToFile(server, target, taking, progress) || failedInAutomaticFolder(taking);
    };
    bool taken = false;
    return ServerFile::claimCopyOfTheDay(server, today, take, &taken, failure);
}

} // namespace

bool BooksBackup::backup(ShareDataModule &books, const QString &target, Failure *failure, const Progress &progress)
{
    return BooksFile::copyOpenBooks(books, target, failure, progress);
}

bool BooksBackup::restore(ShareDataModule &books, const QString &source, const QString &booksPath, Failure *failure,
                          const Progress &progress)
{
    QString kept;
    // On a server the rows are replaced, not this folder's file, which is not the books then.
    if (onServer()) {
        if (!check(source, failure, BooksFile::within(progress, 0, 40))
            || !keepReplacedBooks(books, QString(), &kept, failure, BooksFile::within(progress, 40, 60)))
            return false;
        books.disconnect();
        return ServerFile::replaceFromFile(PgEngine::serverOf(QString::fromLatin1(DataSource::Name)), source,
                                           books.currentOperator(), kept, failure, BooksFile::within(progress, 60, 100));
    }
    QString staged;
    if (!check(source, failure, BooksFile::within(progress, 0, 50))
        || !keepReplacedBooks(books, booksPath, &kept, failure, BooksFile::within(progress, 50, 75))
        || !stageRestore(source, booksPath, books.currentOperator(), kept, &staged, failure,
                         BooksFile::within(progress, 75, 90)))
        return false;
    const bool replaced = BooksFile::replaceBooks(books, staged, booksPath, failure, BooksFile::within(progress, 90, 100));
    QFile::remove(staged);
    return replaced;
}

QString BooksBackup::reasonInAutomaticFolder(const Failure &failure)
{
    if (BooksFile::refusedPermission(failure))
        return QStringLiteral("程序文件夹中的 Backup 文件夹不能写入，请为它开放写入权限");
    return failure.reason;
}

QString BooksBackup::automaticFolder()
{
    return ProgramPaths::programDir() + QStringLiteral("Backup/");
}

void BooksBackup::removeLeftovers(const QString &booksPath)
{
    BooksFile::Failure stillWritten; // work still going on keeps its files, and is not told
    const QString staged = stagedBooksOf(booksPath);
    for (const QString &path : {staged, BooksFile::unfinishedCopyOf(staged)})
        BooksFile::removeUnfinished(path, &stillWritten);
    const QDir folder(automaticFolder());
    const QString copies = BooksFile::unfinishedCopyOf(AutomaticPrefix + QLatin1Char('*') + AutomaticSuffix);
    const QString journal = QStringLiteral("-journal");
    for (QString name : folder.entryList({copies, copies + journal}, QDir::Files)) {
        if (name.endsWith(journal))
            name.chop(journal.size());
        BooksFile::removeUnfinished(folder.filePath(name), &stillWritten);
    }
}

bool BooksBackup::backupOfTheDay(const QString &booksPath, const QDate &today, int keep, Failure *failure,
                                 const Progress &progress)
{
    if (keep <= 0)
        return true;
    const QString target = automaticName(today.toString(QStringLiteral("yyyy-MM-dd")));
    if (!QFile::exists(target) && onServer()) {
        if (!serverCopyOfTheDay(target, today, failure, progress))
            return false;
    } else if (!QFile::exists(target)) {
        // Books that cannot be read, or a file that holds none, are left to the login, which says so;
        // the copies already kept are what the user may go back to. The copy is taken without the
        // program's connection, which still opens at its first statement.
        if (!BooksFile::holdsBooks(booksPath))
            return true;
        if (!makeAutomaticFolder(failure) || !BooksFile::copyBooksFile(booksPath, target, failure, progress))
            return failedInAutomaticFolder(failure);
    }
    pruneAutomatic(keep);
    return true;
}

void BooksBackup::pruneAutomatic(int keep)
{
    const QDir folder(automaticFolder());
    QStringList copies = folder.entryList({AutomaticPrefix + QLatin1Char('*') + AutomaticSuffix}, QDir::Files,
                                          QDir::Name | QDir::Reversed);
    for (int i = keep; i < copies.size(); ++i)
        QFile::remove(folder.filePath(copies.at(i)));
}
