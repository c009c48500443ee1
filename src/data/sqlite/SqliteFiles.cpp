#include "data/sqlite/SqliteFiles.h"

#include <QFile>
#include <QFileInfo>
#include <QSet>

#include <cerrno>
#include <cstdio>
#include <cstring>
#include <fcntl.h>
#include <optional>
#include <sys/stat.h>
#include <unistd.h>
#include <utility>

#include "data/DeliveredBooks.h"
#include "data/BooksEngine.h"
#include "data/ShareDataModule.h"
#include "data/sqlite/SqliteCalls.h"

using BooksFile::fail;
using BooksFile::failSystem;

namespace {

// A connection on a file other than the books, closed when it goes.
struct OpenFile
{
    sqlite3 *db = nullptr;
    ~OpenFile() { sqlite3_close_v2(db); }
};

QByteArray nativePath(const QString &path)
{
    return QFile::encodeName(path);
}

QString reasonForDatabase(int code)
{
    // The engine found a journal beside a file it may only read: a write to the file never finished.
    if (code == SQLITE_READONLY_ROLLBACK)
        return QStringLiteral("所选文件似乎正被其他程序使用或上次没有正常关闭，请关闭使用它的程序后再试，或另选一份备份");
    switch (code & 0xff) {
    case SQLITE_FULL:
        return BooksFile::reasonForSystem(ENOSPC);
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

// A chosen file the system would not give to be read.
bool failReading(BooksFile::Failure *failure, int number)
{
    failSystem(failure, number);
    if (BooksFile::refusedPermission(*failure))
        failure->reason = QStringLiteral("没有读取所选文件的权限，请管理员开放权限或另选一个文件");
    return false;
}

// The system's error number where the failed step had one, otherwise the database's own code.
bool failDatabase(BooksFile::Failure *failure, sqlite3 *db, int code)
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
bool createEmpty(const QString &path, BooksFile::Failure *failure)
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

void tell(const BooksFile::Progress &progress, int percent)
{
    if (progress)
        progress(percent);
}

// Pages copied at a time, so that the progress moves while a large copy runs.
constexpr int PagesPerStep = 4096;

void removeWithJournal(const QString &path)
{
    QFile::remove(path);
    QFile::remove(path + QStringLiteral("-journal"));
}

// Whether a connection, of this program or another, writes the database at `path` just now: it holds
// the lock that a write takes.
bool isBeingWritten(const QString &path)
{
    OpenFile file;
    if (sqlite3_open_v2(nativePath(path).constData(), &file.db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
        return false;
    const int rc = sqlite3_exec(file.db, "BEGIN EXCLUSIVE; ROLLBACK", nullptr, nullptr, nullptr);
    return rc == SQLITE_BUSY || rc == SQLITE_LOCKED;
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
bool hasWholePages(const QString &path, BooksFile::Failure *failure)
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
    auto *state = static_cast<std::pair<const BooksFile::Progress *, int> *>(context);
    ++state->second;
    (*state->first)(100 - 100 * 200 / (200 + state->second));
    return 0;
}

// The first value a statement returns, as text; false with the failure when it cannot run.
bool firstValue(sqlite3 *db, const char *sql, QString *value, BooksFile::Failure *failure)
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
bool hasBooksSchema(sqlite3 *db, BooksFile::Failure *failure)
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

// The file at `path` opened only to be read; false with the failure when it cannot be.
bool openForReading(const QString &path, OpenFile *file, BooksFile::Failure *failure)
{
    const int rc = sqlite3_open_v2(nativePath(path).constData(), &file->db, SQLITE_OPEN_READONLY, nullptr);
    return rc == SQLITE_OK || failDatabase(failure, file->db, rc);
}

// The existing database at `path` opened to be written, every write on disk when it returns.
bool openForWriting(const QString &path, OpenFile *file, BooksFile::Failure *failure)
{
    int rc = sqlite3_open_v2(nativePath(path).constData(), &file->db, SQLITE_OPEN_READWRITE, nullptr);
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(file->db, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
    return rc == SQLITE_OK || failDatabase(failure, file->db, rc);
}

// Copies every page of the database open on `from` over the one open on `into`, a share at a time so
// that the progress moves. `into` is locked against every other connection from the first page on, and
// its rollback journal makes the copy one write: a crash leaves it whole as it was.
bool copyPages(sqlite3 *from, sqlite3 *into, BooksFile::Failure *failure, const BooksFile::Progress &progress)
{
    sqlite3_backup *run = sqlite3_backup_init(into, "main", from, "main");
    int rc = run ? sqlite3_backup_step(run, PagesPerStep) : sqlite3_errcode(into);
    for (; rc == SQLITE_OK; rc = sqlite3_backup_step(run, PagesPerStep)) {
        const int pages = sqlite3_backup_pagecount(run);
        tell(progress, pages > 0 ? 100 * (pages - sqlite3_backup_remaining(run)) / pages : 0);
    }
    const int finished = run ? sqlite3_backup_finish(run) : rc;
    if (rc == SQLITE_DONE && finished == SQLITE_OK) {
        tell(progress, 100);
        return true;
    }
    // A failure in reading belongs to the source, one in writing to the copy.
    sqlite3 *culprit = sqlite3_errcode(into) != SQLITE_OK ? into : from;
    return failDatabase(failure, culprit, rc == SQLITE_DONE ? finished : rc);
}

} // namespace

bool Sqlite::copyDatabase(sqlite3 *source, const QString &target, BooksFile::Failure *failure,
                          const BooksFile::Progress &progress)
{
    if (replacesTheSource(source, target))
        return failSystem(failure, EBUSY, QStringLiteral("所选文件是正在使用的帐簿或它的日志文件，请另选一个文件名"));
    const QString part = BooksFile::unfinishedCopyOf(target);
    if (!BooksFile::removeUnfinished(part, failure) || !createEmpty(part, failure))
        return false;
    {
        OpenFile copy;
        if (!openForWriting(part, &copy, failure) || !copyPages(source, copy.db, failure, progress)) {
            sqlite3_close_v2(std::exchange(copy.db, nullptr));
            removeWithJournal(part);
            return false;
        }
    }
    if (std::rename(nativePath(part).constData(), nativePath(target).constData()) != 0) {
        const int number = errno;
        removeWithJournal(part);
        return failSystem(failure, number);
    }
    syncFolderOf(target);
    return true;
}

bool BooksFile::removeUnfinished(const QString &path, Failure *failure)
{
    if (isBeingWritten(path))
        return fail(failure, SQLITE_BUSY, QStringLiteral("另一个程序正在写入同一个备份文件，请等它写完后再试"));
    removeWithJournal(path);
    return true;
}

bool BooksFile::copyOpenBooks(ShareDataModule &books, const QString &target, Failure *failure,
                              const Progress &progress)
{
    EngineError error;
    BooksEngine *engine = books.ADOConnection1(&error);
    if (!engine)
        return fail(failure, SQLITE_CANTOPEN, QStringLiteral("帐簿无法打开：") + error.text);
    return engine->copyTo(target, failure, progress);
}

bool BooksFile::holdsBooks(const QString &path)
{
    OpenFile books;
    return sqlite3_open_v2(nativePath(path).constData(), &books.db, SQLITE_OPEN_READONLY, nullptr) == SQLITE_OK
        && Sqlite::holdsBooks(books.db);
}

bool BooksFile::copyBooksFile(const QString &path, const QString &target, Failure *failure, const Progress &progress)
{
    OpenFile books;
    return openForReading(path, &books, failure) && Sqlite::copyDatabase(books.db, target, failure, progress);
}

bool BooksFile::check(const QString &path, Failure *failure, const Progress &progress)
{
    if (!QFileInfo(path).isFile())
        return failSystem(failure, ENOENT);
    if (!hasWholePages(path, failure))
        return false;
    OpenFile file;
    if (!openForReading(path, &file, failure))
        return false;
    QString integrity;
    const Progress checking = BooksFile::within(progress, 0, 90);
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

bool BooksFile::replaceBooks(ShareDataModule &books, const QString &source, const QString &booksPath,
                             Failure *failure, const Progress &progress)
{
    books.disconnect();
    // The pages go into the books file itself, which another program may have open: it reads and
    // writes the restored books from then on. Its reads and writes under way end first, as long as
    // a statement of the program waits for the books.
    BooksWait wait = [&books] { return books.waitForBooks(); };
    OpenFile from;
    OpenFile into;
    if (!openForReading(source, &from, failure) || !openForWriting(booksPath, &into, failure))
        return false;
    Sqlite::waitWith(into.db, &wait);
    const EngineCall call(books);
    return copyPages(from.db, into.db, failure, progress);
}
