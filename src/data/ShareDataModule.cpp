#include "data/ShareDataModule.h"

#include <QFile>

#include <sqlite3.h>

#include "data/DataSource.h"

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

QString errorOf(sqlite3 *db)
{
    return QString::fromUtf8(sqlite3_errmsg(db));
}

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

sqlite3 *ShareDataModule::ADOConnection1(QString *error)
{
    if (m_connection)
        return m_connection;
    const QString path = DataSource::databaseOf(QString::fromLatin1(DataSource::Name));
    if (path.isEmpty()) {
        *error = QStringLiteral("数据源 KalvoraCmp 尚未注册");
        return nullptr;
    }
    sqlite3 *db = nullptr;
    // Never create a missing file: a wrong path must fail, not start empty books.
    if (sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK) {
        *error = db ? errorOf(db) : QStringLiteral("数据库文件无法打开");
        sqlite3_close(db);
        return nullptr;
    }
    sqlite3_busy_timeout(db, 10000);
    sqlite3_create_function(db, "instr", 2, SQLITE_UTF8 | SQLITE_DETERMINISTIC, nullptr, caseBlindInstr,
                            nullptr, nullptr);
    // SQLite opens any file; reading the schema is what tells a database from something else.
    char *message = nullptr;
    if (sqlite3_exec(db, "PRAGMA synchronous=FULL; SELECT count(*) FROM sqlite_master;", nullptr, nullptr,
                     &message) != SQLITE_OK) {
        *error = QString::fromUtf8(message);
        sqlite3_free(message);
        sqlite3_close(db);
        return nullptr;
    }
    m_connection = db;
    return m_connection;
}

void ShareDataModule::disconnect()
{
    if (m_temp)
        m_temp->close();
    if (m_temp2)
        m_temp2->close();
    sqlite3_close_v2(m_connection);
    m_connection = nullptr;
}

bool ShareDataModule::execute(const QString &sqliteStatement, QString *error)
{
    sqlite3 *db = ADOConnection1(error);
    if (!db)
        return false;
    char *message = nullptr;
    if (sqlite3_exec(db, sqliteStatement.toUtf8().constData(), nullptr, nullptr, &message) != SQLITE_OK) {
        *error = QString::fromUtf8(message);
        sqlite3_free(message);
        return false;
    }
    return true;
}

Transaction::Transaction(ShareDataModule &database)
    : m_db(database)
{
    m_active = m_db.execute(QStringLiteral("BEGIN IMMEDIATE"), &m_error);
}

Transaction::~Transaction()
{
    if (m_active) {
        QString ignored;
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
