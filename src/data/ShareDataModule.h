#pragma once
#include <QElapsedTimer>
#include <QObject>
#include <QString>
#include <atomic>
#include <memory>

#include "data/BooksEngine.h"
#include "data/BooksFile.h"
#include "data/ChangeRecord.h"
#include "data/Failure.h"
#include "data/Query.h"

// The one connection to the books and the two scratch queries every command runs its statements in.
// The connection opens at the first statement, through the engine the registered data source names
// (Driver=SQLite3: the books file, which is never created when missing). While another program holds
// the books a statement waits for them, with the busy pointer and a notice on the screen, and fails as
// "in use" when the wait runs out.
class ShareDataModule : public QObject
{
    Q_OBJECT
public:
    explicit ShareDataModule(QObject *parent = nullptr);
    ~ShareDataModule() override;

    static ShareDataModule &instance();

    Query &ADOQueryTemp() { return *m_temp; }
    Query &ADOQueryTemp2() { return *m_temp2; }

    // The role logged in: the change record names it for every write of the program from now on.
    void setOperator(const QString &role);
    QString currentOperator() const { return m_operator; }
    // Told the progress while books of an earlier version are brought to this one as they open.
    void setUpgradeProgress(BooksFile::Progress progress) { m_upgradeProgress = std::move(progress); }

    // Opens the connection if needed; nullptr with *error set when the books cannot be reached.
    BooksEngine *ADOConnection1(EngineError *error);
    // The connection when it is open, without opening it.
    BooksEngine *openConnection() const { return m_engine.get(); }
    void disconnect(); // closes the books, for a restore that replaces them

    // A second, read-only connection to the books for a long read that goes on beside the program's
    // own statements. It waits for the books like the main connection; nullptr with *error set.
    std::unique_ptr<BooksConnection> openReader(EngineError *error);
    // The reader goes on in another thread: from now on it waits without showing anything, and a
    // change that waits for it waits without the notice, the wait being the program's own and short.
    void moveReaderToBackground(BooksConnection &reader);
    // Closes a reader, from any thread.
    void closeReader(std::unique_ptr<BooksConnection> reader, bool inBackground);

    // Runs statements that return no rows, in the engine's own dialect. Used by the data layer and tests.
    bool execute(const QString &engineStatements, EngineError *error);
    bool execute(const QString &engineStatements, QString *error);

    // Whether `failure`, met by a statement of the program, came of books on a server that cannot be
    // reached now: outside a transaction, a statement that reads nothing fails too, the connection found
    // lost not opening again. False where no statement ran yet.
    static bool serverLost(const EngineError &failure);

    // Whether changes can be stored: takes the write lock and writes within a transaction that is
    // rolled back, without waiting. True also when another program holds the books just now; false
    // with *why (read-only file or folder, damaged books...) otherwise.
    bool acceptsChanges(EngineError *why);
    // Compares the month totals with the records and rebuilds them, telling the user, when they
    // disagree; false with the engine's error.
    bool checkMonthTotals(EngineError *why);

    // How long a statement waits for another program to let go of the books.
    static constexpr int DefaultBusyTimeout = 10000;
    void setBusyTimeout(int milliseconds) { m_busyTimeout = milliseconds; }

    // The notice shown while a statement waits for the books.
    static inline const QString BooksInUseNotice = QStringLiteral("帐簿正被其他程序使用，正在等待……");

    // Asked while another program holds the books: whether to go on waiting for them, with the busy
    // pointer and the notice, as long as a statement waits. An EngineCall around the call that waits
    // ends the wait.
    bool waitForBooks();
    // Ends the wait for the books, if one began: the call into the engine that waited has returned.
    void endWait();

signals:
    // The file is about to be closed: long reads finish now, before it goes.
    void disconnecting();

private:
    std::unique_ptr<BooksEngine> openEngine(bool *rebuilt, EngineError *error);

    std::unique_ptr<BooksEngine> m_engine;
    QString m_operator = ChangeRecord::ProgramItself;
    BooksFile::Progress m_upgradeProgress;
    int m_busyTimeout = DefaultBusyTimeout;
    bool m_waiting = false;
    bool m_noWaiting = false;
    bool m_noticeShown = false;
    std::atomic<int> m_readers = 0;
    QElapsedTimer m_waited;
    std::unique_ptr<Query> m_temp;
    std::unique_ptr<Query> m_temp2;
};

// Begins a transaction and rolls it back unless commit() succeeded, for changes that go together, or
// (Intent::Report) for a report of many statements that must all see one state of the books.
class Transaction
{
public:
    explicit Transaction(ShareDataModule &database,
                         BooksConnection::Intent intent = BooksConnection::Intent::Write);
    ~Transaction();
    Transaction(const Transaction &) = delete;
    Transaction &operator=(const Transaction &) = delete;

    bool isActive() const { return m_active; }
    EngineError lastError() const { return m_error; }
    bool commit();

private:
    ShareDataModule &m_db;
    bool m_active = false;
    EngineError m_error;
};

// Marks a call into the engine: when it returns, any wait for the books that it began is over.
class EngineCall
{
public:
    explicit EngineCall(ShareDataModule &database)
        : m_db(database)
    {
    }
    ~EngineCall() { m_db.endWait(); }
    EngineCall(const EngineCall &) = delete;
    EngineCall &operator=(const EngineCall &) = delete;

private:
    ShareDataModule &m_db;
};
