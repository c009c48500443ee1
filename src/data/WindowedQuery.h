#pragma once
#include <QCache>
#include <QObject>
#include <QStringList>

#include <atomic>
#include <condition_variable>
#include <functional>
#include <memory>
#include <mutex>
#include <optional>
#include <thread>
#include <vector>

#include "data/Failure.h"
#include "data/RowSource.h"
#include "data/RowStore.h"

class BooksConnection;
class BooksCursor;
class ShareDataModule;

// A long ordered result read in windows, so that a million rows show at once and cost little memory.
//
// open() reads the first rows whole, as the first screens show them; the count of the rows, the sums
// of the chosen fields and the keys of every row in order are read in another thread, so that the
// first screen never waits for the whole result to be counted or sorted (totalsArrived() tells when
// the count and sums are in). All of that is one read of the books on a connection
// of its own, so the rows, the count, the sums and the order agree with each other whatever changes
// meanwhile. The fields of a later row are read by its key, a page of rows at a time, when first asked
// for, and only the pages last used are kept. A row whose record is gone by then reads as empty; rows
// never shift while the user scrolls.
class WindowedQuery : public QObject, public RowSource
{
    Q_OBJECT
public:
    // Select <fields> From <from> Where <join><filter><order>, in the Jet dialect.
    struct Statement
    {
        QString fields;
        QString from;
        QString join;        // ties the rows of the tables together: "(A = B)"
        QString filter;      // further conditions, each " And (…)"; may be empty
        QString order;       // " Order By …"
        QString key;         // an integer unique to each row of the result, such as a table's rowid
        QStringList summed;  // fields summed over the whole result along with the count
    };

    static constexpr int DefaultPageRows = 64;

    explicit WindowedQuery(ShareDataModule &database, int pageRows = DefaultPageRows);
    ~WindowedQuery() override;
    WindowedQuery(const WindowedQuery &) = delete;
    WindowedQuery &operator=(const WindowedQuery &) = delete;

    // False with lastFailure() set; the query is closed then.
    bool open(const Statement &statement);
    void close();
    EngineError lastFailure() const { return m_failure; }
    // Called, once the program is idle, when reading the keys or a page fails after open().
    void setLateFailureReport(std::function<void()> report) { m_lateFailure = std::move(report); }
    // Waits until every key is read; for tests and for the books being closed.
    void waitForKeys();

    bool isOpen() const override { return m_open; }
    bool readFailed() const override { return m_readFailed; }
    QStringList fieldNames() const override { return m_fields; }
    // The whole count, waiting for it when it is still being read.
    int recordCount() override;
    int rowsAtHand() override { return m_open ? m_rowsShown : 0; }
    bool totalsKnown() const override { return m_totalsTaken; }
    void showCountedRows() override;
    QVariant value(int row, int column) override;
    void moveTo(int row) override { m_current = row; }
    double columnSum(int column) override;

    // The field of the row the grid points at.
    QVariant field(const QString &name) { return value(m_current, fieldIndex(name)); }

signals:
    // The count and sums read after open() are in: recordCount() and columnSum() answer at once.
    void totalsArrived();

private:
    struct Totals
    {
        int count = 0;
        QList<double> sums;
    };
    struct Statements
    {
        QString first, totals, keys, page;
    };
    bool translate(const Statement &statement, Statements *translated);
    bool describeFields(const QString &pageStatement);
    bool readFirstRowsAndTotals(const Statements &translated);
    bool readFirstRows(const QString &first);
    bool readTotals(BooksCursor &totals, Totals *read, EngineError *failure) const;
    bool startKeys(const QString &keys);
    void readTotalsAndKeys();
    bool readKeys(EngineError *failure);
    void tellLater(std::function<void()> told);
    void waitForTotals();
    void takeTotals();
    void dropFirstPagesIfOutOfOrder();
    void endReading();
    std::vector<qint64> keysOfPage(int page);
    const RowStore *page(int page);
    bool readRows(BooksConnection &db, const std::vector<qint64> &keys, RowStore &rows, EngineError *failure);
    void reportLateFailure(const EngineError &failure);

    ShareDataModule &m_db;
    const int m_pageRows;
    bool m_open = false;
    QStringList m_fields;
    QStringList m_summed;
    QList<double> m_sums;
    int m_count = 0;     // the rows known: those of the first pages until the totals are in
    int m_rowsShown = 0; // the rows the grid shows, grown to the count when it is told
    bool m_totalsTaken = false;
    int m_current = 0;
    QString m_pageStatement;
    QCache<int, RowStore> m_pages;
    std::vector<qint64> m_firstKeys; // of the rows read whole at open(), in their order
    EngineError m_failure;
    std::function<void()> m_lateFailure;
    bool m_lateFailureTold = false;
    std::atomic<bool> m_readFailed = false; // also by the reading thread, before the failure is told
    int m_opening = 0; // counts the results opened, so a late report of an earlier one is dropped

    // Shared with the thread reading the keys.
    std::mutex m_lock;
    std::condition_variable m_keysArrived;
    std::vector<qint64> m_keys;
    std::optional<Totals> m_totalsRead;
    bool m_keysDone = true;
    std::atomic<bool> m_stopping = false;
    // The key list orders the first rows otherwise than their own read did (rows the order leaves
    // tied): those pages are read again by key, so that no row shows twice or goes missing.
    std::atomic<bool> m_firstRowsOutOfOrder = false;
    std::unique_ptr<BooksConnection> m_reader;
    std::unique_ptr<BooksCursor> m_totalsCursor;
    std::unique_ptr<BooksCursor> m_keyCursor;
    std::thread m_keyReader;
};
