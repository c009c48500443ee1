#include "data/WindowedQuery.h"

#include <QHash>
#include <QTimer>

#include "data/BooksEngine.h"
#include "data/ShareDataModule.h"

namespace {

// Pages of rows read whole before open() returns: the first screens, whatever the order.
constexpr int FirstPages = 4;
// Keys handed over from the reading thread at a time.
constexpr size_t KeyBatch = 4096;
// Pages of rows kept for scrolling back.
constexpr int KeptPages = 256;

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
            m_reader->interrupt();
    }
    if (m_keyReader.joinable())
        m_keyReader.join();
    m_stopping = false;
    m_open = false;
    m_fields.clear();
    m_summed.clear();
    m_sums.clear();
    m_count = 0;
    m_rowsShown = 0;
    m_totalsTaken = false;
    m_current = 0;
    m_pages.clear();
    m_firstKeys = {};
    m_firstRowsOutOfOrder = false;
    m_keys = {};
    m_totalsRead.reset();
    m_keysDone = true;
    m_lateFailureTold = false;
    m_readFailed = false;
    ++m_opening;
}

bool WindowedQuery::open(const Statement &statement)
{
    close();
    m_failure = {};
    Statements translated;
    if (!translate(statement, &translated) || !describeFields(translated.page))
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
    if (!m_reader->begin(BooksConnection::Intent::Read, &m_failure) || !readFirstRowsAndTotals(translated)
        || !startKeys(translated.keys)) {
        endReading();
        close();
        return false;
    }
    m_pageStatement = translated.page;
    m_open = true;
    return true;
}

bool WindowedQuery::translate(const Statement &statement, Statements *translated)
{
    const QString where = QStringLiteral(" From ") + statement.from + QStringLiteral(" Where ") + statement.join;
    QString totals = QStringLiteral("Select Count(*)");
    for (const QString &field : statement.summed)
        totals += QStringLiteral(", Sum(%1)").arg(field);
    const QStringList jet{
        QStringLiteral("Select ") + statement.fields + QStringLiteral(", ") + statement.key + where + statement.filter
            + statement.order + QStringLiteral(" Limit %1").arg(FirstPages * m_pageRows),
        totals + where + statement.filter,
        QStringLiteral("Select ") + statement.key + where + statement.filter + statement.order,
        QStringLiteral("Select ") + statement.fields + QStringLiteral(", ") + statement.key + where
            + QStringLiteral(" And (") + statement.key + QStringLiteral(" In (")
            + QStringList(m_pageRows, QStringLiteral("?")).join(QStringLiteral(", ")) + QStringLiteral("))"),
    };
    BooksEngine *db = m_db.ADOConnection1(&m_failure);
    if (!db)
        return false;
    QStringList texts;
    for (const QString &each : jet) {
        QString error;
        const QString text = db->fromJet(each, &error);
        if (text.isEmpty()) {
            m_failure = {0, error};
            return false;
        }
        texts.append(text);
    }
    *translated = {texts[0], texts[1], texts[2], texts[3]};
    return true;
}

// The page statement names the fields; preparing it on the main connection also finds a misspelt one.
bool WindowedQuery::describeFields(const QString &pageStatement)
{
    BooksEngine *db = m_db.ADOConnection1(&m_failure);
    if (!db)
        return false;
    const EngineCall call(m_db);
    const std::unique_ptr<BooksCursor> page = db->prepare(pageStatement, &m_failure);
    if (!page)
        return false;
    // The last column is the key, which the rows do not show.
    for (int c = 0; c + 1 < page->columnCount(); ++c)
        m_fields.append(page->columnName(c));
    return true;
}

// The totals are prepared before the first rows are read: the whole filter ends them, so a filter the
// books refuse is told as it is, not as it reads with an order and a limit after it. Fewer rows than
// the first pages hold are the whole result, counted here at once; a longer one is counted in the
// reading thread.
bool WindowedQuery::readFirstRowsAndTotals(const Statements &translated)
{
    m_totalsCursor = m_reader->prepare(translated.totals, &m_failure);
    if (!m_totalsCursor || !readFirstRows(translated.first))
        return false;
    m_count = m_rowsShown = int(m_firstKeys.size());
    if (m_firstKeys.size() >= size_t(FirstPages) * size_t(m_pageRows))
        return true;
    Totals totals;
    if (!readTotals(*m_totalsCursor, &totals, &m_failure))
        return false;
    m_totalsCursor.reset();
    m_count = m_rowsShown = totals.count;
    m_sums = totals.sums;
    m_totalsTaken = true;
    return true;
}

// The rows of the first pages with their keys, in one read that stops after them: the books find the
// first rows of the order without sorting every row, which the key list waits for.
bool WindowedQuery::readFirstRows(const QString &first)
{
    const std::unique_ptr<BooksCursor> statement = m_reader->start(first, &m_failure);
    if (!statement)
        return false;
    const int key = statement->columnCount() - 1;
    auto rows = std::make_unique<RowStore>();
    const auto keepPage = [&] {
        rows->squeeze();
        m_pages.insert(int((m_firstKeys.size() - 1) / size_t(m_pageRows)), rows.release());
        rows = std::make_unique<RowStore>();
    };
    BooksCursor::Step step;
    while ((step = statement->step()) == BooksCursor::Step::Row) {
        statement->appendRow(*rows);
        m_firstKeys.push_back(statement->integer(key));
        if (rows->size() == m_pageRows)
            keepPage();
    }
    if (step == BooksCursor::Step::Failed) {
        m_failure = statement->error();
        return false;
    }
    if (rows->size() > 0)
        keepPage();
    return true;
}

// The count and sums, in the read of the books that the first rows were read in.
bool WindowedQuery::readTotals(BooksCursor &totals, Totals *read, EngineError *failure) const
{
    if (totals.step() != BooksCursor::Step::Row) {
        *failure = totals.error();
        return false;
    }
    read->count = int(totals.integer(0));
    for (int s = 0; s < m_summed.size(); ++s)
        read->sums.append(totals.real(s + 1));
    return true;
}

// The keys are those of the first rows when every row was among them; otherwise the totals and the
// keys are read in the reading thread.
bool WindowedQuery::startKeys(const QString &keys)
{
    if (m_totalsTaken) {
        m_keys = m_firstKeys;
        endReading();
        return true;
    }
    m_keyCursor = m_reader->prepare(keys, &m_failure);
    if (!m_keyCursor)
        return false;
    m_keysDone = false;
    m_db.moveReaderToBackground(*m_reader);
    m_keyReader = std::thread(&WindowedQuery::readTotalsAndKeys, this);
    return true;
}

// The totals first, so that the grid shows the whole count soon; then the keys. Both are told to the
// main thread when the program gets to it, and only if these rows are still the ones open then.
void WindowedQuery::readTotalsAndKeys()
{
    EngineError failure;
    Totals totals;
    bool read = readTotals(*m_totalsCursor, &totals, &failure);
    m_totalsCursor.reset();
    if (read) {
        // Told before anyone waiting sees them, so that the news is on its way once recordCount() returns.
        std::lock_guard lock(m_lock);
        m_keys.reserve(size_t(totals.count));
        m_totalsRead = std::move(totals);
        tellLater([this] {
            takeTotals();
            emit totalsArrived();
        });
        m_keysArrived.notify_all();
    }
    if (read)
        read = readKeys(&failure);
    const bool failed = !read && !m_stopping;
    if (failed)
        m_readFailed = true; // before endReading() lets recordCount() return
    endReading();
    if (failed)
        tellLater([this, failure] { reportLateFailure(failure); });
}

void WindowedQuery::tellLater(std::function<void()> told)
{
    QMetaObject::invokeMethod(
        this,
        [this, told = std::move(told), opening = m_opening] {
            if (opening == m_opening)
                told();
        },
        Qt::QueuedConnection);
}

// Keys of the first rows only when the count found no more rows than those.
bool WindowedQuery::readKeys(EngineError *failure)
{
    {
        std::lock_guard lock(m_lock);
        if (m_firstKeys.size() >= size_t(m_totalsRead->count)) {
            m_keys = m_firstKeys;
            return true;
        }
    }
    std::vector<qint64> batch;
    batch.reserve(KeyBatch);
    const auto handOver = [&] {
        std::lock_guard lock(m_lock);
        m_keys.insert(m_keys.end(), batch.begin(), batch.end());
        batch.clear();
        m_keysArrived.notify_all();
    };
    BooksCursor::Step step;
    size_t read = 0;
    while ((step = m_keyCursor->step()) == BooksCursor::Step::Row) {
        const qint64 key = m_keyCursor->integer(0);
        if (read < m_firstKeys.size() && m_firstKeys[read] != key)
            m_firstRowsOutOfOrder = true;
        ++read;
        batch.push_back(key);
        if (batch.size() == KeyBatch)
            handOver();
    }
    handOver();
    if (step == BooksCursor::Step::Done)
        return true;
    *failure = m_keyCursor->error();
    return false;
}

// Ends the read of the books and closes the reader: in the reading thread, or in open() when the rows
// fit the first pages or the reading failed.
void WindowedQuery::endReading()
{
    m_totalsCursor.reset();
    m_keyCursor.reset();
    m_reader->rollback();
    std::lock_guard lock(m_lock);
    m_db.closeReader(std::move(m_reader), !m_keysDone);
    m_keysDone = true;
    m_keysArrived.notify_all();
}

void WindowedQuery::waitForKeys()
{
    std::unique_lock lock(m_lock);
    m_keysArrived.wait(lock, [this] { return m_keysDone; });
}

// Until the totals are in, or their reading failed.
void WindowedQuery::waitForTotals()
{
    std::unique_lock lock(m_lock);
    m_keysArrived.wait(lock, [this] { return m_keysDone || m_totalsRead; });
}

// The count and sums read in the thread become those of the rows; the grid's rows grow when told.
void WindowedQuery::takeTotals()
{
    if (m_totalsTaken)
        return;
    std::lock_guard lock(m_lock);
    if (!m_totalsRead)
        return;
    m_count = m_totalsRead->count;
    m_sums = m_totalsRead->sums;
    m_totalsTaken = true;
}

int WindowedQuery::recordCount()
{
    if (!m_open)
        return 0;
    waitForTotals();
    takeTotals();
    return m_count;
}

void WindowedQuery::showCountedRows()
{
    if (m_totalsTaken)
        m_rowsShown = m_count;
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

// The page's rows, read by their keys in one statement and kept among the pages last used.
const RowStore *WindowedQuery::page(int page)
{
    dropFirstPagesIfOutOfOrder();
    if (RowStore *kept = m_pages.object(page))
        return kept;
    const std::vector<qint64> keys = keysOfPage(page);
    EngineError failure;
    BooksEngine *db = m_db.ADOConnection1(&failure);
    if (!db) {
        reportLateFailure(failure);
        return nullptr;
    }
    const EngineCall call(m_db);
    // One read of the books for the page, not one per row with its own locking and checks.
    EngineError notBegun;
    const bool ownRead = !db->inTransaction() && db->begin(BooksConnection::Intent::Read, &notBegun);
    auto rows = std::make_unique<RowStore>();
    const bool read = readRows(*db, keys, *rows, &failure);
    if (ownRead) {
        EngineError notCommitted;
        db->commit(&notCommitted);
    }
    if (!read) {
        reportLateFailure(failure);
        return nullptr;
    }
    rows->squeeze();
    RowStore *kept = rows.get();
    m_pages.insert(page, rows.release());
    return kept;
}

void WindowedQuery::dropFirstPagesIfOutOfOrder()
{
    if (!m_firstRowsOutOfOrder.exchange(false))
        return;
    for (int page = 0; size_t(page) * size_t(m_pageRows) < m_firstKeys.size(); ++page)
        m_pages.remove(page);
}

// A page's rows in one statement, not one statement per row (a round trip each to a server). They
// come in the books' order and are put in the page's order by key; a row whose record is gone by now
// reads as empty.
bool WindowedQuery::readRows(BooksConnection &db, const std::vector<qint64> &keys, RowStore &rows, EngineError *failure)
{
    if (keys.empty())
        return true;
    const std::unique_ptr<BooksCursor> statement = db.prepare(m_pageStatement, failure);
    if (!statement)
        return false;
    // A short last page asks for its first key again in the places left over.
    for (int place = 0; place < m_pageRows; ++place)
        statement->bindInteger(place + 1, keys[size_t(place) < keys.size() ? size_t(place) : 0]);
    const int keyColumn = int(m_fields.size());
    RowStore found;
    QHash<qint64, qsizetype> foundAt;
    BooksCursor::Step step;
    while ((step = statement->step()) == BooksCursor::Step::Row) {
        foundAt.insert(statement->integer(keyColumn), found.size());
        statement->appendRow(found);
    }
    if (step == BooksCursor::Step::Failed) {
        *failure = statement->error();
        return false;
    }
    const QVariantList gone(keyColumn + 1);
    for (const qint64 key : keys) {
        const auto at = foundAt.constFind(key);
        rows.append(at == foundAt.cend() ? gone : found.row(*at, keyColumn + 1));
    }
    return true;
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
    recordCount();
    for (int s = 0; s < m_summed.size(); ++s)
        if (m_summed[s].compare(m_fields.value(column), Qt::CaseInsensitive) == 0)
            return m_sums.value(s);
    return RowSource::columnSum(column);
}

// A failure after open() is told once, when the program is idle: the rows asked for read as empty
// until then, and the owner closes the query when told.
void WindowedQuery::reportLateFailure(const EngineError &failure)
{
    m_readFailed = true;
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
