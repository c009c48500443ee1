#include "data/ShareDataModule.h"

#include <QFile>
#include <QScopedValueRollback>

#include <sqlite3.h>

#include "data/DataSource.h"
#include "data/DeliveredBooks.h"
#include "data/MonthTotals.h"
#include "data/sqlite/SqliteCalls.h"
#include "data/sqlite/SqliteMonthTotals.h"
#include "ui/Screen.h"

namespace {

ShareDataModule *theModule = nullptr;

// Latin capitals A to Z as small letters, every other character as it is: the folding of the books'
// NOCASE comparison, so that InStr and = never disagree about a name.
QString foldedLikeNocase(const QString &text)
{
    QString folded = text;
    for (QChar &c : folded)
        if (c >= u'A' && c <= u'Z')
            c = QChar(c.unicode() + (u'a' - u'A'));
    return folded;
}

QString textArgument(sqlite3_value *value)
{
    const auto *text = reinterpret_cast<const char *>(sqlite3_value_text(value));
    return QString::fromUtf8(text, sqlite3_value_bytes(value));
}

// InStr as the books compare text: Latin letters match regardless of case, like every text comparison.
void caseBlindInstr(sqlite3_context *context, int, sqlite3_value **argv)
{
    if (sqlite3_value_type(argv[0]) == SQLITE_NULL || sqlite3_value_type(argv[1]) == SQLITE_NULL) {
        sqlite3_result_null(context);
        return;
    }
    const auto found = foldedLikeNocase(textArgument(argv[0])).indexOf(foldedLikeNocase(textArgument(argv[1])));
    sqlite3_result_int64(context, found + 1);
}

// Books made before the report centre's amount order had its index get it now, once; books that
// cannot be written to go on without it, only slower in that order.
void addAmountIndex(sqlite3 *db)
{
    sqlite3_stmt *statement = nullptr;
    sqlite3_prepare_v2(db, "SELECT 1 FROM sqlite_schema WHERE type = 'index' AND name = ?", -1, &statement, nullptr);
    sqlite3_bind_text(statement, 1, DeliveredBooks::AmountIndexName, -1, SQLITE_STATIC);
    const bool present = sqlite3_step(statement) == SQLITE_ROW;
    sqlite3_finalize(statement);
    if (!present)
        sqlite3_exec(db, DeliveredBooks::amountIndexStatement().toUtf8().constData(), nullptr, nullptr, nullptr);
}

int userVersion(sqlite3 *db)
{
    sqlite3_stmt *statement = nullptr;
    sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &statement, nullptr);
    const int version = sqlite3_step(statement) == SQLITE_ROW ? sqlite3_column_int(statement, 0) : 0;
    sqlite3_finalize(statement);
    return version;
}

// A file without the books' tables is told as such, not as the first table a statement missed.
bool hasBooks(sqlite3 *db, EngineError *error)
{
    if (Sqlite::holdsBooks(db))
        return true;
    *error = {SQLITE_OK, ShareDataModule::NoBooksReason};
    return false;
}

// Between two looks at the books while another program holds them.
constexpr int WaitStep = 50;

} // namespace

ShareDataModule::ShareDataModule(QObject *parent)
    : QObject(parent)
    , m_temp(std::make_unique<Query>(*this))
    , m_temp2(std::make_unique<Query>(*this))
{
    setObjectName(QStringLiteral("ShareDataModule"));
    theModule = this;
}

ShareDataModule::~ShareDataModule()
{
    m_temp.reset();
    m_temp2.reset();
    disconnect();
    if (theModule == this)
        theModule = nullptr;
}

ShareDataModule &ShareDataModule::instance()
{
    Q_ASSERT(theModule);
    return *theModule;
}

sqlite3 *ShareDataModule::ADOConnection1(EngineError *error)
{
    if (m_connection)
        return m_connection;
    sqlite3 *db = openBooksFile(SQLITE_OPEN_READWRITE, error);
    if (!db)
        return nullptr;
    // SQLite opens any file; reading the schema is what tells a database from something else.
    const EngineCall call(*this);
    bool rebuilt = false;
    if (!Sqlite::run(db, QStringLiteral("PRAGMA synchronous=FULL; SELECT count(*) FROM sqlite_master;"), error)
        || !hasBooks(db, error) || !SqliteMonthTotals::prepare(db, &rebuilt, error)) {
        sqlite3_close(db);
        return nullptr;
    }
    addAmountIndex(db);
    m_connection = db;
    if (rebuilt)
        Screen::current().inform(MonthTotals::RebuiltNotice);
    return m_connection;
}

// The books file found through the data source, waiting for the books while another program holds
// them, with InStr comparing as the books do.
sqlite3 *ShareDataModule::openBooksFile(int flags, EngineError *error)
{
    const QString path = DataSource::databaseOf(QString::fromLatin1(DataSource::Name));
    if (path.isEmpty()) {
        *error = {SQLITE_OK, QStringLiteral("数据源 KalvoraCmp 尚未注册")};
        return nullptr;
    }
    sqlite3 *db = nullptr;
    // Never create a missing file: a wrong path must fail, not start empty books.
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, flags, nullptr) != SQLITE_OK) {
        *error = db ? Sqlite::errorOf(db) : EngineError{SQLITE_CANTOPEN, QStringLiteral("unable to open database file")};
        sqlite3_close(db);
        return nullptr;
    }
    sqlite3_busy_handler(db, &ShareDataModule::waitForBooks, this);
    sqlite3_create_function(db, "instr", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, caseBlindInstr,
                            nullptr, nullptr);
    return db;
}

sqlite3 *ShareDataModule::openReader(EngineError *error)
{
    return openBooksFile(SQLITE_OPEN_READONLY | SQLITE_OPEN_FULLMUTEX, error);
}

void ShareDataModule::moveReaderToBackground(sqlite3 *reader)
{
    sqlite3_busy_timeout(reader, m_busyTimeout);
    ++m_readers;
}

void ShareDataModule::closeReader(sqlite3 *reader, bool inBackground)
{
    sqlite3_close_v2(reader);
    if (inBackground)
        --m_readers;
}

sqlite3 *ShareDataModule::ADOConnection1(QString *error)
{
    EngineError failure;
    sqlite3 *db = ADOConnection1(&failure);
    if (!db)
        *error = failure.text;
    return db;
}

void ShareDataModule::disconnect()
{
    emit disconnecting();
    if (m_temp)
        m_temp->close();
    if (m_temp2)
        m_temp2->close();
    sqlite3_close_v2(m_connection);
    m_connection = nullptr;
}

bool ShareDataModule::execute(const QString &sqliteStatement, EngineError *error)
{
    sqlite3 *db = ADOConnection1(error);
    if (!db)
        return false;
    const EngineCall call(*this);
    return Sqlite::run(db, sqliteStatement, error);
}

bool ShareDataModule::execute(const QString &sqliteStatement, QString *error)
{
    EngineError failure;
    if (execute(sqliteStatement, &failure))
        return true;
    *error = failure.text;
    return false;
}

bool ShareDataModule::acceptsChanges(EngineError *why)
{
    sqlite3 *db = ADOConnection1(why);
    if (!db)
        return false;
    const QScopedValueRollback noWaiting(m_noWaiting, true);
    if (!Sqlite::run(db, QStringLiteral("BEGIN IMMEDIATE"), why))
        return (why->code & 0xff) == SQLITE_BUSY;
    // Setting the version the books have writes their first page, which also creates the journal
    // beside the file; the rollback undoes it.
    const bool writable = Sqlite::run(db, QStringLiteral("PRAGMA user_version = %1").arg(userVersion(db)), why);
    EngineError ignored;
    Sqlite::run(db, QStringLiteral("ROLLBACK"), &ignored);
    return writable;
}

bool ShareDataModule::checkMonthTotals(EngineError *why)
{
    sqlite3 *db = ADOConnection1(why);
    bool rebuilt = false;
    if (!db)
        return false;
    const EngineCall call(*this);
    if (!SqliteMonthTotals::verify(db, &rebuilt, why))
        return false;
    if (rebuilt)
        Screen::current().inform(MonthTotals::RebuiltNotice);
    return true;
}

// SQLite's busy handler: the first call shows the busy pointer and the notice and looks again at
// once; later calls wait a little each, until the timeout gives up with "database is locked".
int ShareDataModule::waitForBooks(void *module, int attempt)
{
    auto &self = *static_cast<ShareDataModule *>(module);
    if (self.m_noWaiting)
        return 0;
    if (!self.m_waiting) {
        self.m_waiting = true;
        self.m_waited.start();
    }
    if (!self.m_noticeShown && self.m_readers == 0) {
        self.m_noticeShown = true;
        Screen::current().showWaiting(BooksInUseNotice);
    }
    if (self.m_waited.elapsed() >= self.m_busyTimeout)
        return 0;
    if (attempt > 0)
        sqlite3_sleep(WaitStep);
    return 1;
}

void ShareDataModule::endWait()
{
    if (!m_waiting)
        return;
    m_waiting = false;
    if (std::exchange(m_noticeShown, false))
        Screen::current().endWaiting();
}

Transaction::Transaction(ShareDataModule &database)
    : m_db(database)
{
    m_active = m_db.execute(QStringLiteral("BEGIN IMMEDIATE"), &m_error);
}

Transaction::~Transaction()
{
    if (m_active) {
        EngineError ignored;
        m_db.execute(QStringLiteral("ROLLBACK"), &ignored);
    }
}

bool Transaction::commit()
{
    if (!m_active)
        return false;
    if (!m_db.execute(QStringLiteral("COMMIT"), &m_error))
        return false;
    m_active = false;
    return true;
}
