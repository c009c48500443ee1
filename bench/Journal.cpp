// The journal's figures: the refresh after a login, one day step, one record stored through the entry
// dialog, and the record grid over the whole journal. The bare side replays the very statements the
// program ran (as SQLite saw them, values filled in), so the ratio is what the program adds.
#include <QElapsedTimer>
#include <QFile>
#include <QHash>
#include <QLineEdit>
#include <cstdio>
#include <functional>

#include <sqlite3.h>

#include "Figures.h"
#include "accounts/AccountScope.h"
#include "app/FormMain.h"
#include "app/Forms.h"
#include "app/MainContext.h"
#include "data/Query.h"
#include "data/ShareDataModule.h"
#include "grid/DataGrid.h"
#include "journal/FormGetPay.h"
#include "journal/RecordGrid.h"
#include "ui/Screen.h"

namespace {

// The journal figures wait long at a million records; they take at most this many runs.
constexpr int MostRuns = 20;
constexpr int MostGridRuns = 3;

// A statement the program ran, with its values filled in, and how many rows it stepped through.
struct Traced
{
    QByteArray sql;
    int rows = 0;
};

// Writes down every statement the program runs on its connection and the rows it reads of each, so
// that the bare side does the same work: a result opened only to append is read no further there either.
class StatementLog
{
public:
    StatementLog()
    {
        QString error;
        m_db = ShareDataModule::instance().ADOConnection1(&error);
        if (!m_db)
            qFatal("bench: no connection: %s", qPrintable(error));
        sqlite3_trace_v2(m_db, SQLITE_TRACE_STMT | SQLITE_TRACE_ROW, &StatementLog::note, this);
    }
    ~StatementLog() { sqlite3_trace_v2(m_db, 0, nullptr, nullptr); }
    StatementLog(const StatementLog &) = delete;
    StatementLog &operator=(const StatementLog &) = delete;

    QList<Traced> statements() const { return m_statements; }

private:
    static int note(unsigned event, void *self, void *statement, void *text)
    {
        auto *log = static_cast<StatementLog *>(self);
        auto *stmt = static_cast<sqlite3_stmt *>(statement);
        if (event == SQLITE_TRACE_ROW) {
            if (log->m_latest.contains(stmt))
                ++log->m_statements[log->m_latest.value(stmt)].rows;
            return 0;
        }
        if (qstrncmp(static_cast<const char *>(text), "--", 2) == 0) // a trigger's own statement
            return 0;
        char *expanded = sqlite3_expanded_sql(stmt);
        log->m_latest.insert(stmt, log->m_statements.size());
        log->m_statements.append({QByteArray(expanded), 0});
        sqlite3_free(expanded);
        return 0;
    }

    sqlite3 *m_db = nullptr;
    QList<Traced> m_statements;
    QHash<sqlite3_stmt *, qsizetype> m_latest;
};

QList<Traced> statementsOf(const std::function<void()> &work)
{
    const StatementLog log;
    work();
    return log.statements();
}

// Prepares every statement and steps through as many rows as the program read of it (and one step
// more, which ends a statement the program read to its end).
void replay(sqlite3 *db, const QList<Traced> &statements)
{
    for (const Traced &traced : statements) {
        sqlite3_stmt *statement = nullptr;
        if (sqlite3_prepare_v2(db, traced.sql.constData(), int(traced.sql.size()), &statement, nullptr) != SQLITE_OK)
            qFatal("bench: cannot replay %s: %s", traced.sql.constData(), sqlite3_errmsg(db));
        int rc = SQLITE_ROW;
        for (int step = 0; step <= traced.rows && rc == SQLITE_ROW; ++step)
            rc = sqlite3_step(statement);
        sqlite3_finalize(statement);
        if (rc != SQLITE_DONE && rc != SQLITE_ROW)
            qFatal("bench: replay failed: %s", sqlite3_errmsg(db));
    }
}

// Lets the one message a figure expects pass silently and hands everything else to the bench's screen.
class ExpectedMessage : public Screen
{
public:
    explicit ExpectedMessage(const QString &text)
        : m_text(text)
        , m_others(Screen::current())
    {
        Screen::install(this);
    }
    ~ExpectedMessage() override { Screen::install(&m_others); }

    void inform(const QString &text) override
    {
        if (text != m_text)
            m_others.inform(text);
    }
    bool ask(const QString &caption, const QString &text) override { return m_others.ask(caption, text); }
    void error(const QString &text) override { m_others.error(text); }
    int runModal(QDialog &dialog) override { return m_others.runModal(dialog); }
    QString chooseOpenFile(const QString &c, const QString &f, const QString &x) override { return m_others.chooseOpenFile(c, f, x); }
    QString chooseSaveFile(const QString &c, const QString &p, const QString &x) override { return m_others.chooseSaveFile(c, p, x); }
    bool openUrl(const QUrl &url) override { return m_others.openUrl(url); }

private:
    QString m_text;
    Screen &m_others;
};

QList<int> journalSizes(const Bench &bench)
{
    QList<int> sizes;
    for (const int records : {10000, 100000, bench.largest()})
        if (records <= bench.largest() && !sizes.contains(records))
            sizes.append(records);
    return sizes;
}

// Fresh books, and the program as a cashier leaves it after logging in to the company ledger.
void logInto(Bench &bench, int records)
{
    bench.useBooks(records);
    AccountScope::write(AccountScope::CompanyLedger);
    forms().context->setLeftPanelEnabled(true);
    forms().context->refreshAll();
}

int runs(const Bench &bench, int most)
{
    return qMin(bench.runs(), most);
}

// Times `work` in the program beside the statements it ran, replayed bare.
void compareWithReplay(Bench &bench, const QString &figure, int records, const std::function<void()> &work)
{
    const QList<Traced> statements = statementsOf(work);
    sqlite3 *db = bench.bare();
    bench.report(figure, records, bench.compare(work, [&] { replay(db, statements); }, runs(bench, MostRuns)));
}

void newIncomeThroughDialog()
{
    FormGetPay &entry = *forms().getPay;
    entry.EntryMode = FormGetPay::NewIncome;
    entry.PresetUser = QStringLiteral("客户001");
    entry.PresetSum = QStringLiteral("123.45");
    entry.PresetRemark.clear();
    if (!entry.prepareShowing())
        qFatal("bench: the entry dialog did not open");
    entry.confirm();
}

} // namespace

void refreshAllFigure(Bench &bench)
{
    for (const int records : journalSizes(bench)) {
        logInto(bench, records);
        compareWithReplay(bench, QStringLiteral("RefreshAll after login"), records, [] { forms().context->refreshAll(); });
    }
}

void dayStepFigure(Bench &bench)
{
    for (const int records : journalSizes(bench)) {
        logInto(bench, records);
        // Back and forth between the journal's last two days, each side on its own turn.
        const auto step = [](int days) { return [days] { forms().main->stepDay(days); }; };
        const QList<Traced> back = statementsOf(step(-1));
        const QList<Traced> forward = statementsOf(step(1));
        int programSteps = 0, bareSteps = 0;
        sqlite3 *db = bench.bare();
        bench.report(QStringLiteral("one day step"), records,
                     bench.compare([&] { forms().main->stepDay(programSteps++ % 2 ? 1 : -1); },
                                   [&] { replay(db, bareSteps++ % 2 ? forward : back); }, runs(bench, MostRuns)));
    }
}

void storeThroughDialogFigure(Bench &bench)
{
    const ExpectedMessage stored(QStringLiteral("记录新增成功"));
    for (const int records : journalSizes(bench)) {
        logInto(bench, records);
        compareWithReplay(bench, QStringLiteral("store through dialog"), records, newIncomeThroughDialog);
    }
}

void recordGridFigure(Bench &bench)
{
    for (const int records : journalSizes(bench)) {
        bench.useBooks(records);
        Query query(ShareDataModule::instance());
        DataGrid grid;
        const QString statement = QStringLiteral("Select ") + ReportFields()
            + QStringLiteral(" From Account,MoneyTable Where (AccountIndex = MoneyAccount) Order By MoneyCreateTime,MoneyIndex");
        const auto open = [&] { OpenRecordGrid(query, grid, statement, QString()); };
        const long before = residentKilobytes();
        const QList<Traced> statements = statementsOf(open);
        std::printf("record grid over %d records: %d rows held in %.0f MB\n", records, grid.model().rowCount(),
                    (residentKilobytes() - before) / 1024.0);
        std::fflush(stdout);
        sqlite3 *db = bench.bare();
        bench.report(QStringLiteral("record grid, all rows"), records,
                     bench.compare(open, [&] { replay(db, statements); }, runs(bench, MostGridRuns)));
    }
}
