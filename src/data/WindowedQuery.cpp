#include "data/WindowedQuery.h"

#include <QTimer>

#include <sqlite3.h>

#include "data/JetSql.h"
#include "data/ShareDataModule.h"

namespace {

// Keys read before open() returns: the first screens of rows, whatever the order.
constexpr int FirstPages = 4;
// Keys handed over from the reading thread at a time.
constexpr size_t KeyBatch = 4096;
// Pages of rows kept for scrolling back.
constexpr int KeptPages = 256;

const QString ExtraText = QStringLiteral("语句后面有多余的内容");

} // namespace

WindowedQuery::WindowedQuery(ShareDataModule &database, int pageRows)
    : m_db(database)
    , m_pageRows(qMax(1, pageRows))
    , m_pages(KeptPages)
{
    // A restore closes the books: the keys are read whole first, so the rows shown stay as they are.
    connect(&m_db, &ShareDataModule::disconnecting, this, &WindowedQuery::waitForKeys);
}

WindowedQuery::~WindowedQuery()
{
    close();
}

void WindowedQuery::close()
{
    {
        std::lock_guard lock(m_lock);
        m_stopping = true;
        if (m_reader)
            sqlite3_interrupt(m_reader);
    }
    if (m_keyReader.joinable())
        m_keyReader.join();
    m_stopping = false;
    m_open = false;
    m_fields.clear();
    m_summed.clear();
    m_sums.clear();
    m_count = 0;
    m_current = 0;
    m_pages.clear();
    m_keys = {};
    m_keysDone = true;
    m_lateFailureTold = false;
    ++m_opening;
}

bool WindowedQuery::open(const Statement &statement)
{
    close();
    m_failure = {};
    Statements sqlite;
    if (!translate(statement, &sqlite) || !describeFields(sqlite.page))
        return false;
    m_summed = statement.summed;
    EngineError error;
    m_reader = m_db.openReader(&error);
    if (!m_reader) {
        close();
        m_failure = error;
        return false;
    }
    const EngineCall call(m_db);
    if (!readTotals(sqlite.totals) || !startKeys(sqlite.keys)) {
        endReading();
        close();
        return false;
    }
    m_pageStatement = sqlite.page;
    m_open = true;
    return true;
}

bool WindowedQuery::translate(const Statement &statement, Statements *sqlite)
{
    const QString where = QStringLiteral(" From ") + statement.from + QStringLiteral(" Where ") + statement.join;
    QString totals = QStringLiteral("Select Count(*)");
    for (const QString &field : statement.summed)
        totals += QStringLiteral(", Sum(%1)").arg(field);
    const QStringList jet{
        totals + where + statement.filter,
        QStringLiteral("Select ") + statement.key + where + statement.filter + statement.order,
        QStringLiteral("Select ") + statement.fields + QStringLiteral(", ") + statement.key + where
            + QStringLiteral(" And (") + statement.key + QStringLiteral(" = ?)"),
    };
    QList<QByteArray> translated;
    for (const QString &each : jet) {
        QString error;
        const QString text = JetSql::toSqlite(each, &error);
        if (text.isEmpty()) {
            m_failure = {SQLITE_OK, error};
            return false;
        }
        translated.append(text.toUtf8());
    }
    *sqlite = {translated[0], translated[1], translated[2]};
    return true;
}

// The page statement names the fields; preparing it on the main connection also finds a misspelt one.
bool WindowedQuery::describeFields(const QByteArray &pageStatement)
{
    sqlite3 *db = m_db.ADOConnection1(&m_failure);
    if (!db)
        return false;
    sqlite3_stmt *page = nullptr;
    const EngineCall call(m_db);
    if (!prepareOne(db, pageStatement, &page))
        return false;
    // The last column is the key, which the rows do not show.
    for (int c = 0; c + 1 < sqlite3_column_count(page); ++c)
        m_fields.append(QString::fromUtf8(sqlite3_column_name(page, c)));
    sqlite3_finalize(page);
    return true;
}

// Prepares exactly one statement, false with the failure set: a second one after a ';' would
// otherwise be dropped without a word.
bool WindowedQuery::prepareOne(sqlite3 *db, const QByteArray &text, sqlite3_stmt **statement)
{
    const char *rest = nullptr;
    if (sqlite3_prepare_v2(db, text.constData(), int(text.size()), statement, &rest) != SQLITE_OK)
        return failInEngine(db);
    if (!QByteArrayView(rest, text.constData() + text.size() - rest).trimmed().isEmpty()) {
        sqlite3_finalize(*statement);
        *statement = nullptr;
        m_failure = {SQLITE_OK, ExtraText};
        return false;
    }
    return true;
}

bool WindowedQuery::failInEngine(sqlite3 *db)
{
    m_failure = {sqlite3_extended_errcode(db), QString::fromUtf8(sqlite3_errmsg(db))};
    return false;
}

// The count and sums, in the read of the books that the keys are read in after them.
bool WindowedQuery::readTotals(const QByteArray &totals)
{
    if (sqlite3_exec(m_reader, "BEGIN", nullptr, nullptr, nullptr) != SQLITE_OK)
        return failInEngine(m_reader);
    sqlite3_stmt *statement = nullptr;
    if (!prepareOne(m_reader, totals, &statement))
        return false;
    if (sqlite3_step(statement) != SQLITE_ROW) {
        failInEngine(m_reader);
        sqlite3_finalize(statement);
        return false;
    }
    m_count = sqlite3_column_int(statement, 0);
    for (int s = 0; s < m_summed.size(); ++s)
        m_sums.append(sqlite3_column_double(statement, s + 1));
    sqlite3_finalize(statement);
    return true;
}

// Reads the keys of the first pages here; the rest, if any, in the reading thread.
bool WindowedQuery::startKeys(const QByteArray &keys)
{
    if (!prepareOne(m_reader, keys, &m_keyStatement))
        return false;
    m_keys.reserve(size_t(m_count));
    const size_t first = size_t(FirstPages) * size_t(m_pageRows);
    int rc = SQLITE_ROW;
    while (m_keys.size() < first && (rc = sqlite3_step(m_keyStatement)) == SQLITE_ROW)
        m_keys.push_back(sqlite3_column_int64(m_keyStatement, 0));
    if (rc != SQLITE_ROW && rc != SQLITE_DONE)
        return failInEngine(m_reader);
    if (rc == SQLITE_DONE) {
        endReading();
        return true;
    }
    m_keysDone = false;
    m_db.moveReaderToBackground(m_reader);
    m_keyReader = std::thread(&WindowedQuery::readRestOfKeys, this);
    return true;
}

void WindowedQuery::readRestOfKeys()
{
    std::vector<qint64> batch;
    batch.reserve(KeyBatch);
    const auto handOver = [&] {
        std::lock_guard lock(m_lock);
        m_keys.insert(m_keys.end(), batch.begin(), batch.end());
        batch.clear();
        m_keysArrived.notify_all();
    };
    int rc;
    while ((rc = sqlite3_step(m_keyStatement)) == SQLITE_ROW) {
        batch.push_back(sqlite3_column_int64(m_keyStatement, 0));
        if (batch.size() == KeyBatch)
            handOver();
    }
    handOver();
    const EngineError failure{sqlite3_extended_errcode(m_reader), QString::fromUtf8(sqlite3_errmsg(m_reader))};
    endReading();
    // Told only if these rows are still the ones open when the program gets to it.
    if (rc != SQLITE_DONE && !m_stopping)
        QMetaObject::invokeMethod(
            this,
            [this, failure, opening = m_opening] {
                if (opening == m_opening)
                    reportLateFailure(failure);
            },
            Qt::QueuedConnection);
}

// Ends the read of the books and closes the reader: in the reading thread, or in open() when the keys
// fit the first pages or the reading failed.
void WindowedQuery::endReading()
{
    sqlite3_finalize(m_keyStatement);
    m_keyStatement = nullptr;
    sqlite3_exec(m_reader, "ROLLBACK", nullptr, nullptr, nullptr);
    std::lock_guard lock(m_lock);
    m_db.closeReader(m_reader, !m_keysDone);
    m_reader = nullptr;
    m_keysDone = true;
    m_keysArrived.notify_all();
}

void WindowedQuery::waitForKeys()
{
    std::unique_lock lock(m_lock);
    m_keysArrived.wait(lock, [this] { return m_keysDone; });
}

std::vector<qint64> WindowedQuery::keysOfPage(int page)
{
    const size_t from = size_t(page) * size_t(m_pageRows);
    const size_t to = qMin(from + size_t(m_pageRows), size_t(m_count));
    std::unique_lock lock(m_lock);
    m_keysArrived.wait(lock, [&] { return m_keysDone || m_keys.size() >= to; });
    if (from >= m_keys.size())
        return {};
    return std::vector<qint64>(m_keys.begin() + qsizetype(from), m_keys.begin() + qsizetype(qMin(to, m_keys.size())));
}

// The page's rows, read by their keys in one statement run once per row and finished at once.
const RowStore *WindowedQuery::page(int page)
{
    if (RowStore *kept = m_pages.object(page))
        return kept;
    const std::vector<qint64> keys = keysOfPage(page);
    EngineError failure;
    sqlite3 *db = m_db.ADOConnection1(&failure);
    if (!db) {
        reportLateFailure(failure);
        return nullptr;
    }
    const EngineCall call(m_db);
    // One read of the books for the page, not one per row with its own locking and checks.
    const bool ownRead = sqlite3_get_autocommit(db) && sqlite3_exec(db, "BEGIN", nullptr, nullptr, nullptr) == SQLITE_OK;
    auto rows = std::make_unique<RowStore>();
    const bool read = readRows(db, keys, *rows);
    if (!read)
        failure = {sqlite3_extended_errcode(db), QString::fromUtf8(sqlite3_errmsg(db))};
    if (ownRead)
        sqlite3_exec(db, "COMMIT", nullptr, nullptr, nullptr);
    if (!read) {
        reportLateFailure(failure);
        return nullptr;
    }
    rows->squeeze();
    RowStore *kept = rows.get();
    m_pages.insert(page, rows.release());
    return kept;
}

// A row whose record is gone by now reads as empty.
bool WindowedQuery::readRows(sqlite3 *db, const std::vector<qint64> &keys, RowStore &rows)
{
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(db, m_pageStatement.constData(), int(m_pageStatement.size()), &statement, nullptr) != SQLITE_OK)
        return false;
    const QVariantList gone(m_fields.size() + 1);
    int rc = SQLITE_DONE;
    for (const qint64 key : keys) {
        sqlite3_bind_int64(statement, 1, key);
        rc = sqlite3_step(statement);
        if (rc == SQLITE_ROW)
            rows.appendFrom(statement);
        else if (rc == SQLITE_DONE)
            rows.append(gone);
        else
            break;
        sqlite3_reset(statement);
    }
    sqlite3_finalize(statement);
    return rc == SQLITE_ROW || rc == SQLITE_DONE;
}

QVariant WindowedQuery::value(int row, int column)
{
    if (!m_open || row < 0 || row >= m_count || column < 0 || column >= m_fields.size())
        return {};
    const RowStore *rows = page(row / m_pageRows);
    const qsizetype at = row % m_pageRows;
    if (!rows || at >= rows->size())
        return {};
    return rows->value(at, column);
}

double WindowedQuery::columnSum(int column)
{
    for (int s = 0; s < m_summed.size(); ++s)
        if (m_summed[s].compare(m_fields.value(column), Qt::CaseInsensitive) == 0)
            return m_sums.value(s);
    return RowSource::columnSum(column);
}

// A failure after open() is told once, when the program is idle: the rows asked for read as empty
// until then, and the owner closes the query when told.
void WindowedQuery::reportLateFailure(const EngineError &failure)
{
    if (m_lateFailureTold)
        return;
    m_lateFailureTold = true;
    m_failure = failure;
    if (m_lateFailure)
        QTimer::singleShot(0, this, [this] {
            if (m_lateFailure)
                m_lateFailure();
        });
}
