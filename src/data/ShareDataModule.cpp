#include "data/ShareDataModule.h"

#include <QScopedValueRollback>

#include "data/DataSource.h"
#include "data/BooksEngine.h"
#include "data/BooksUpkeep.h"
#include "data/MonthTotals.h"
#include "data/postgres/PgEngine.h"
#include "data/sqlite/SqliteEngine.h"
#include "ui/Screen.h"

namespace {

ShareDataModule *theModule = nullptr;

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

BooksEngine *ShareDataModule::ADOConnection1(EngineError *error)
{
    if (m_engine)
        return m_engine.get();
    const EngineCall call(*this);
    bool rebuilt = false;
    m_engine = openEngine(&rebuilt, error);
    if (!m_engine || !m_engine->setOperator(m_operator, error)) {
        m_engine.reset();
        return nullptr;
    }
    if (rebuilt)
        Screen::current().inform(MonthTotals::RebuiltNotice);
    return m_engine.get();
}

// The engine the data source names, on the books it names, waiting for the books while another
// program holds them.
std::unique_ptr<BooksEngine> ShareDataModule::openEngine(bool *rebuilt, EngineError *error)
{
    const QString source = QString::fromLatin1(DataSource::Name);
    const QString driver = DataSource::driverOf(source);
    if (DataSource::isServer(source))
        return PgEngine::open(PgEngine::serverOf(source), error, rebuilt, [this] { return waitForBooks(); },
                              m_upgradeProgress);
    if (!driver.isEmpty() && driver.compare(QLatin1String(DataSource::SqliteDriver), Qt::CaseInsensitive) != 0) {
        *error = {0, QStringLiteral("数据源 KalvoraCmp 使用的驱动程序“%1”本软件不能使用，帐簿无法打开。"
                                    "请把数据源 KalvoraCmp 的驱动程序（Driver）改为 SQLite3。")
                         .arg(driver)};
        return nullptr;
    }
    const QString path = DataSource::databaseOf(source);
    if (path.isEmpty()) {
        *error = {0, QStringLiteral("数据源 KalvoraCmp 尚未注册")};
        return nullptr;
    }
    return SqliteEngine::open(path, [this] { return waitForBooks(); }, rebuilt, error, m_upgradeProgress);
}

void ShareDataModule::setOperator(const QString &role)
{
    m_operator = role;
    EngineError ignored; // a connection that cannot take it now is given it again when it opens
    if (m_engine)
        m_engine->setOperator(role, &ignored);
}

std::unique_ptr<BooksConnection> ShareDataModule::openReader(EngineError *error)
{
    BooksEngine *engine = ADOConnection1(error);
    return engine ? engine->openReader(error) : nullptr;
}

void ShareDataModule::moveReaderToBackground(BooksConnection &reader)
{
    reader.waitQuietly(m_busyTimeout);
    ++m_readers;
}

void ShareDataModule::closeReader(std::unique_ptr<BooksConnection> reader, bool inBackground)
{
    reader.reset();
    if (inBackground)
        --m_readers;
}

void ShareDataModule::disconnect()
{
    emit disconnecting();
    if (m_temp)
        m_temp->close();
    if (m_temp2)
        m_temp2->close();
    m_engine.reset();
}

bool ShareDataModule::execute(const QString &engineStatements, EngineError *error)
{
    BooksEngine *engine = ADOConnection1(error);
    if (!engine)
        return false;
    const EngineCall call(*this);
    return engine->execute(engineStatements, error);
}

bool ShareDataModule::execute(const QString &engineStatements, QString *error)
{
    EngineError failure;
    if (execute(engineStatements, &failure))
        return true;
    *error = failure.text;
    return false;
}

bool ShareDataModule::serverLost(const EngineError &failure)
{
    // A server that went away fails a statement as lost (Found) or as ending the session (Other); any other
    // kind is the books' own answer.
    const bool mayBeLost = failure.kind == EngineError::Kind::Found || failure.kind == EngineError::Kind::Other;
    if (!mayBeLost || !theModule || !theModule->m_engine || theModule->m_engine->inTransaction()
        || !DataSource::isServer(QString::fromLatin1(DataSource::Name)))
        return false;
    EngineError unreachable;
    return !theModule->execute(QStringLiteral("SELECT 1"), &unreachable);
}

bool ShareDataModule::acceptsChanges(EngineError *why)
{
    BooksEngine *engine = ADOConnection1(why);
    if (!engine)
        return false;
    const QScopedValueRollback noWaiting(m_noWaiting, true);
    return engine->acceptsChanges(why);
}

bool ShareDataModule::checkMonthTotals(EngineError *why)
{
    BooksEngine *engine = ADOConnection1(why);
    bool rebuilt = false;
    if (!engine)
        return false;
    const EngineCall call(*this);
    if (!BooksUpkeep::verifyMonthTotals(*engine, &rebuilt, why))
        return false;
    if (rebuilt)
        Screen::current().inform(MonthTotals::RebuiltNotice);
    return true;
}

// Asked by the engine while another program holds the books: the first time shows the busy pointer
// and the notice; the wait gives up when the timeout has run out.
bool ShareDataModule::waitForBooks()
{
    if (m_noWaiting)
        return false;
    if (!m_waiting) {
        m_waiting = true;
        m_waited.start();
    }
    if (!m_noticeShown && m_readers == 0) {
        m_noticeShown = true;
        Screen::current().showWaiting(BooksInUseNotice);
    }
    return m_waited.elapsed() < m_busyTimeout;
}

void ShareDataModule::endWait()
{
    if (!m_waiting)
        return;
    m_waiting = false;
    if (std::exchange(m_noticeShown, false))
        Screen::current().endWaiting();
}

Transaction::Transaction(ShareDataModule &database, BooksConnection::Intent intent)
    : m_db(database)
{
    BooksEngine *engine = m_db.ADOConnection1(&m_error);
    const EngineCall call(m_db);
    m_active = engine && engine->begin(intent, &m_error);
}

// Books closed meanwhile (a restore) took the transaction with them: nothing is opened to roll back.
Transaction::~Transaction()
{
    if (!m_active)
        return;
    if (BooksEngine *engine = m_db.openConnection()) {
        const EngineCall call(m_db);
        engine->rollback();
    }
}

bool Transaction::commit()
{
    if (!m_active)
        return false;
    BooksEngine *engine = m_db.ADOConnection1(&m_error);
    const EngineCall call(m_db);
    if (!engine || !engine->commit(&m_error))
        return false;
    m_active = false;
    return true;
}
