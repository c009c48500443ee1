#include "maintenance/BooksBackup.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sqlite3.h>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "data/Clock.h"
#include "data/DeliveredBooks.h"
#include "data/ProgramPaths.h"
#include "data/ShareDataModule.h"

namespace {

const QString AutomaticPrefix = QStringLiteral("KalvoraCmp-");
const QString AutomaticSuffix = QStringLiteral(".mdb");

// A connection on a file other than the books, closed when it goes.
struct Connection
{
    sqlite3 *db = nullptr;
    ~Connection() { sqlite3_close_v2(db); }
};

QByteArray nativePath(const QString &path)
{
    return QFile::encodeName(path);
}

bool isPermission(int number)
{
    return number == EACCES || number == EPERM || number == EROFS;
}

QString reasonForSystem(int number)
{
    if (isPermission(number))
        return QStringLiteral("没有写入权限，请换一个文件夹或请管理员开放权限");
    switch (number) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return QStringLiteral("磁盘空间不足，请腾出空间或换一个磁盘");
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("找不到所选的文件或文件夹");
    case EBUSY:
        return QStringLiteral("文件正被其他程序使用，请关闭该程序后再试");
    default:
        return QStringLiteral("读写磁盘出错，请检查磁盘");
    }
}

QString reasonForDatabase(int code)
{
    // The engine found a journal beside a file it may only read: a write to the file never finished.
    if (code == SQLITE_READONLY_ROLLBACK)
        return QStringLiteral("所选文件似乎正被其他程序使用或上次没有正常关闭，请关闭使用它的程序后再试，或另选一份备份");
    switch (code & 0xff) {
    case SQLITE_FULL:
        return reasonForSystem(ENOSPC);
    case SQLITE_READONLY:
    case SQLITE_PERM:
    case SQLITE_CANTOPEN:
        return QStringLiteral("文件无法打开或写入，请检查文件夹和权限");
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return QStringLiteral("帐簿正被其他程序使用，请关闭该程序后再试");
    case SQLITE_NOTADB:
        return QStringLiteral("所选文件不是数据库文件");
    case SQLITE_CORRUPT:
        return QStringLiteral("所选文件已损坏或不完整");
    default:
        return QStringLiteral("读写磁盘出错，请检查磁盘");
    }
}

bool fail(BooksBackup::Failure *failure, int number, const QString &reason)
{
    failure->number = number;
    failure->reason = reason;
    return false;
}

bool failSystem(BooksBackup::Failure *failure, int number)
{
    return fail(failure, number, reasonForSystem(number));
}

// A chosen file the system would not give to be read.
bool failReading(BooksBackup::Failure *failure, int number)
{
    if (isPermission(number))
        return fail(failure, number, QStringLiteral("没有读取所选文件的权限，请管理员开放权限或另选一个文件"));
    return failSystem(failure, number);
}

// The automatic copies go to a folder the user did not choose: a refusal names it.
bool failedInAutomaticFolder(BooksBackup::Failure *failure)
{
    if (isPermission(failure->number))
        failure->reason = QStringLiteral("程序文件夹中的 Backup 文件夹不能写入，请为它开放写入权限");
    return false;
}

// The system's error number where the failed step had one, otherwise the database's own code.
bool failDatabase(BooksBackup::Failure *failure, sqlite3 *db, int code)
{
    const int system = db ? sqlite3_system_errno(db) : 0;
    if (system != 0)
        return failSystem(failure, system);
    const int extended = db ? sqlite3_extended_errcode(db) : code;
    return fail(failure, extended, reasonForDatabase(extended));
}

struct FileIdentity
{
    dev_t device = 0;
    ino_t inode = 0;
    bool operator==(const FileIdentity &) const = default;
};

// The file or folder itself, however its path is spelled or linked; nothing when it is not there.
std::optional<FileIdentity> identityOf(const QString &path)
{
    struct stat status{};
    if (::stat(nativePath(path).constData(), &status) != 0)
        return std::nullopt;
    return FileIdentity{status.st_dev, status.st_ino};
}

// Whether writing `target` would put a file in place of the open database `source` or of one of the
// files the engine keeps beside it while it writes.
bool replacesTheSource(sqlite3 *source, const QString &target)
{
    const QFileInfo opened(QString::fromUtf8(sqlite3_db_filename(source, "main")));
    const std::optional<FileIdentity> sourceFile = identityOf(opened.filePath());
    if (sourceFile && identityOf(target) == sourceFile)
        return true;
    const QFileInfo chosen(target);
    const QString name = chosen.fileName();
    const QString own = opened.fileName();
    const bool companionName = name == own || name == own + QStringLiteral("-journal")
        || name == own + QStringLiteral("-wal") || name == own + QStringLiteral("-shm");
    const std::optional<FileIdentity> sourceFolder = identityOf(opened.absolutePath());
    return companionName && sourceFolder && identityOf(chosen.absolutePath()) == sourceFolder;
}

// Creates the empty file the copy is written into: a folder that refuses it is told with the system's
// own reason, where the engine would try again read-only and report what that second try met.
bool createEmpty(const QString &path, BooksBackup::Failure *failure)
{
    const int file = ::open(nativePath(path).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0666);
    if (file < 0)
        return failSystem(failure, errno);
    ::close(file);
    return true;
}

// Makes a finished rename durable: the folder's entry is on disk when this returns.
void syncFolderOf(const QString &path)
{
    const int folder = ::open(nativePath(QFileInfo(path).absolutePath()).constData(), O_RDONLY | O_DIRECTORY);
    if (folder >= 0) {
        ::fsync(folder);
        ::close(folder);
    }
}

// A share of a longer piece of work: `from` to `to` of the whole.
BooksBackup::Progress within(const BooksBackup::Progress &progress, int from, int to)
{
    if (!progress)
        return {};
    return [progress, from, to](int percent) { progress(from + (to - from) * percent / 100); };
}

void tell(const BooksBackup::Progress &progress, int percent)
{
    if (progress)
        progress(percent);
}

// Pages copied at a time, so that the progress moves while a large copy runs.
constexpr int PagesPerStep = 4096;

void removeUnfinished(const QString &part)
{
    QFile::remove(part);
    QFile::remove(part + QStringLiteral("-journal"));
}

// Copies the database open on `source` page by page into a new file beside `target`, then gives the
// whole copy the target's name in one rename.
bool copyDatabase(sqlite3 *source, const QString &target, BooksBackup::Failure *failure,
                  const BooksBackup::Progress &progress)
{
    if (replacesTheSource(source, target))
        return fail(failure, EBUSY, QStringLiteral("所选文件是正在使用的帐簿或它的日志文件，请另选一个文件名"));
    const QString part = target + QStringLiteral(".part");
    removeUnfinished(part);
    if (!createEmpty(part, failure))
        return false;
    {
        Connection copy;
        int rc = sqlite3_open_v2(nativePath(part).constData(), &copy.db, SQLITE_OPEN_READWRITE, nullptr);
        if (rc == SQLITE_OK)
            rc = sqlite3_exec(copy.db, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
        if (rc != SQLITE_OK) {
            failDatabase(failure, copy.db, rc);
            sqlite3_close_v2(std::exchange(copy.db, nullptr));
            removeUnfinished(part);
            return false;
        }
        sqlite3_backup *run = sqlite3_backup_init(copy.db, "main", source, "main");
        rc = run ? sqlite3_backup_step(run, PagesPerStep) : sqlite3_errcode(copy.db);
        for (; rc == SQLITE_OK; rc = sqlite3_backup_step(run, PagesPerStep)) {
            const int pages = sqlite3_backup_pagecount(run);
            tell(progress, pages > 0 ? 100 * (pages - sqlite3_backup_remaining(run)) / pages : 0);
        }
        const int finished = run ? sqlite3_backup_finish(run) : rc;
        if (rc != SQLITE_DONE || finished != SQLITE_OK) {
            // A failure in reading belongs to the source, one in writing to the copy.
            sqlite3 *culprit = sqlite3_errcode(copy.db) != SQLITE_OK ? copy.db : source;
            failDatabase(failure, culprit, rc == SQLITE_DONE ? finished : rc);
            sqlite3_close_v2(std::exchange(copy.db, nullptr));
            removeUnfinished(part);
            return false;
        }
    }
    if (std::rename(nativePath(part).constData(), nativePath(target).constData()) != 0) {
        const int number = errno;
        removeUnfinished(part);
        return failSystem(failure, number);
    }
    syncFolderOf(target);
    tell(progress, 100);
    return true;
}

quint32 bigEndian(const unsigned char *bytes, int count)
{
    quint32 value = 0;
    for (int i = 0; i < count; ++i)
        value = value << 8 | bytes[i];
    return value;
}

// Whether the file at `path` is as long as the pages its header counts. The engine reads a missing
// tail of the last page as zeros, and its own check does not see the loss.
bool hasWholePages(const QString &path, BooksBackup::Failure *failure)
{
    const int file = ::open(nativePath(path).constData(), O_RDONLY | O_CLOEXEC);
    if (file < 0)
        return failReading(failure, errno);
    constexpr int HeaderSize = 100;
    unsigned char header[HeaderSize] = {};
    struct stat status{};
    const bool statted = ::fstat(file, &status) == 0;
    const ssize_t got = statted && status.st_size > 0 ? ::read(file, header, HeaderSize) : 0;
    const int readError = errno;
    ::close(file);
    if (!statted || got < 0)
        return failReading(failure, readError);
    // An empty file opens as a database without tables, which the schema check tells.
    if (status.st_size == 0)
        return true;
    if (got < HeaderSize || std::memcmp(header, "SQLite format 3", 16) != 0)
        return fail(failure, SQLITE_NOTADB, reasonForDatabase(SQLITE_NOTADB));
    const quint32 pageSize = bigEndian(header + 16, 2) == 1 ? 65536 : bigEndian(header + 16, 2);
    const bool validPageSize = pageSize >= 512 && (pageSize & (pageSize - 1)) == 0;
    // The header's page count holds when the change counter it was written with is the file's (always,
    // for a file this engine wrote) and the file keeps no write-ahead log beside it.
    const quint32 pages = bigEndian(header + 28, 4);
    const bool rollbackJournal = header[18] == 1 && header[19] == 1;
    const bool counted = rollbackJournal && pages > 0 && std::memcmp(header + 24, header + 92, 4) == 0;
    const bool whole = validPageSize
        && (counted ? status.st_size == qint64(pages) * pageSize : status.st_size % pageSize == 0);
    return whole || fail(failure, SQLITE_CORRUPT, reasonForDatabase(SQLITE_CORRUPT));
}

// Keeps the progress moving while the engine checks a file whose length of work is not known ahead:
// it nears the end of its share without reaching it.
int tickWhileChecking(void *context)
{
    auto *state = static_cast<std::pair<const BooksBackup::Progress *, int> *>(context);
    ++state->second;
    (*state->first)(100 - 100 * 200 / (200 + state->second));
    return 0;
}

// The first value a statement returns, as text; false with the failure when it cannot run.
bool firstValue(sqlite3 *db, const char *sql, QString *value, BooksBackup::Failure *failure)
{
    sqlite3_stmt *statement = nullptr;
    int rc = sqlite3_prepare_v2(db, sql, -1, &statement, nullptr);
    if (rc == SQLITE_OK) {
        rc = sqlite3_step(statement);
        if (rc == SQLITE_ROW)
            *value = QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, 0)));
    }
    sqlite3_finalize(statement);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE && rc != SQLITE_OK)
        return failDatabase(failure, db, rc);
    return true;
}

QSet<QString> fieldsOf(sqlite3 *db, const QString &table)
{
    QSet<QString> fields;
    sqlite3_stmt *statement = nullptr;
    const QByteArray sql = QStringLiteral("PRAGMA table_info(\"%1\")").arg(table).toUtf8();
    if (sqlite3_prepare_v2(db, sql.constData(), -1, &statement, nullptr) == SQLITE_OK)
        while (sqlite3_step(statement) == SQLITE_ROW)
            fields.insert(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, 1))).toLower());
    sqlite3_finalize(statement);
    return fields;
}

// Every table and field the program reads must be there; more is allowed.
bool hasBooksSchema(sqlite3 *db, BooksBackup::Failure *failure)
{
    for (const auto &[table, fields] : DeliveredBooks::tableFields()) {
        const QSet<QString> present = fieldsOf(db, table);
        if (present.isEmpty())
            return fail(failure, SQLITE_NOTADB, QStringLiteral("所选文件不是本软件的帐簿（没有数据表 %1）").arg(table));
        for (const QString &field : fields)
            if (!present.contains(field.toLower()))
                return fail(failure, SQLITE_NOTADB,
                            QStringLiteral("所选文件不是本软件的帐簿（数据表 %1 没有字段 %2）").arg(table, field));
    }
    return true;
}

QString automaticName(const QString &stamp)
{
    return BooksBackup::automaticFolder() + AutomaticPrefix + stamp + AutomaticSuffix;
}

bool makeAutomaticFolder(BooksBackup::Failure *failure)
{
    if (::mkdir(nativePath(BooksBackup::automaticFolder()).constData(), 0777) != 0 && errno != EEXIST)
        return failSystem(failure, errno);
    return true;
}

// Keeps the books about to be replaced. Books the database cannot read any more are kept as they lie.
bool keepReplacedBooks(ShareDataModule &books, const QString &booksPath, BooksBackup::Failure *failure,
                       const BooksBackup::Progress &progress)
{
    if (!makeAutomaticFolder(failure))
        return failedInAutomaticFolder(failure);
    const QString target = automaticName(Clock::now().toString(QStringLiteral("yyyy-MM-dd-HHmmss")));
    if (BooksBackup::backup(books, target, failure, progress))
        return true;
    if (!QFile::exists(booksPath) || QFile::copy(booksPath, target))
        return true;
    // Neither copy could be written: the first failure says why.
    return failedInAutomaticFolder(failure);
}

} // namespace

bool BooksBackup::backup(ShareDataModule &books, const QString &target, Failure *failure, const Progress &progress)
{
    QString error;
    sqlite3 *source = books.ADOConnection1(&error);
    if (!source)
        return fail(failure, SQLITE_CANTOPEN, QStringLiteral("帐簿无法打开：") + error);
    return copyDatabase(source, target, failure, progress);
}

bool BooksBackup::check(const QString &path, Failure *failure, const Progress &progress)
{
    if (!QFileInfo(path).isFile())
        return failSystem(failure, ENOENT);
    if (!hasWholePages(path, failure))
        return false;
    Connection file;
    const int rc = sqlite3_open_v2(nativePath(path).constData(), &file.db, SQLITE_OPEN_READONLY, nullptr);
    if (rc != SQLITE_OK)
        return failDatabase(failure, file.db, rc);
    QString integrity;
    const Progress checking = within(progress, 0, 90);
    std::pair<const Progress *, int> ticks{&checking, 0};
    if (checking)
        sqlite3_progress_handler(file.db, 100000, &tickWhileChecking, &ticks);
    if (!firstValue(file.db, "PRAGMA integrity_check", &integrity, failure))
        return false;
    sqlite3_progress_handler(file.db, 0, nullptr, nullptr);
    if (integrity != u"ok")
        return fail(failure, SQLITE_CORRUPT, reasonForDatabase(SQLITE_CORRUPT));
    QString version;
    if (!firstValue(file.db, "PRAGMA user_version", &version, failure))
        return false;
    if (version.toInt() > DeliveredBooks::SchemaVersion)
        return fail(failure, SQLITE_SCHEMA, QStringLiteral("所选文件来自更新版本的软件，请先升级本软件"));
    if (!hasBooksSchema(file.db, failure))
        return false;
    tell(progress, 100);
    return true;
}

bool BooksBackup::restore(ShareDataModule &books, const QString &source, const QString &booksPath, Failure *failure,
                          const Progress &progress)
{
    if (!check(source, failure, within(progress, 0, 50)) || !keepReplacedBooks(books, booksPath, failure, within(progress, 50, 75)))
        return false;
    books.disconnect();
    // A journal beside the books means another program is in the middle of a write.
    if (QFile::exists(booksPath + QStringLiteral("-journal")))
        return fail(failure, SQLITE_BUSY, reasonForDatabase(SQLITE_BUSY));
    Connection from;
    const int rc = sqlite3_open_v2(nativePath(source).constData(), &from.db, SQLITE_OPEN_READONLY, nullptr);
    if (rc != SQLITE_OK)
        return failDatabase(failure, from.db, rc);
    return copyDatabase(from.db, booksPath, failure, within(progress, 75, 100));
}

QString BooksBackup::automaticFolder()
{
    return ProgramPaths::programDir() + QStringLiteral("Backup/");
}

bool BooksBackup::backupOfTheDay(const QString &booksPath, const QDate &today, int keep, Failure *failure,
                                 const Progress &progress)
{
    if (keep <= 0)
        return true;
    const QString target = automaticName(today.toString(QStringLiteral("yyyy-MM-dd")));
    if (!QFile::exists(target)) {
        // A connection of its own, so that the program's connection still opens at its first statement.
        Connection books;
        // Books that cannot be read, or a file that holds none, are left to the login, which says so;
        // the copies already kept are what the user may go back to.
        if (sqlite3_open_v2(nativePath(booksPath).constData(), &books.db, SQLITE_OPEN_READONLY, nullptr) != SQLITE_OK
            || !ShareDataModule::holdsBooks(books.db))
            return true;
        if (!makeAutomaticFolder(failure) || !copyDatabase(books.db, target, failure, progress))
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
