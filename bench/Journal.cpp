#include "Journal.h"

#include <QElapsedTimer>
#include <QFile>
#include <QLineEdit>
#include <QStringList>
#include <algorithm>
#include <functional>
#include <vector>

#include <sqlite3.h>

#include "app/FormMain.h"
#include "app/Forms.h"
#include "app/MainContext.h"
#include "data/ProgramPaths.h"
#include "data/Query.h"
#include "data/Settings.h"
#include "data/ShareDataModule.h"
#include "grid/DataGrid.h"
#include "journal/FormGetPay.h"
#include "journal/RecordGrid.h"
#include "ui/Screen.h"

namespace {

constexpr const char *CompanyLedger = "5";

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

// Writes down the SQL of every statement the program steps on its connection, values filled in.
class StatementLog
{
public:
    StatementLog()
    {
        QString error;
        m_db = ShareDataModule::instance().ADOConnection1(&error);
        if (m_db)
            sqlite3_trace_v2(m_db, SQLITE_TRACE_STMT, &StatementLog::note, this);
    }
    ~StatementLog()
    {
        if (m_db)
            sqlite3_trace_v2(m_db, 0, nullptr, nullptr);
    }
    QList<QByteArray> statements() const { return m_statements; }

private:
    static int note(unsigned, void *self, void *statement, void *text)
    {
        if (qstrncmp(static_cast<const char *>(text), "--", 2) == 0) // inside a trigger
            return 0;
        char *expanded = sqlite3_expanded_sql(static_cast<sqlite3_stmt *>(statement));
        static_cast<StatementLog *>(self)->m_statements.append(QByteArray(expanded));
        sqlite3_free(expanded);
        return 0;
    }

    sqlite3 *m_db = nullptr;
    QList<QByteArray> m_statements;
};

// Prepares and steps every statement to its end on a connection of its own.
bool replay(sqlite3 *db, const QList<QByteArray> &statements)
{
    for (const QByteArray &text : statements) {
        sqlite3_stmt *statement = nullptr;
        if (sqlite3_prepare_v2(db, text.constData(), int(text.size()), &statement, nullptr) != SQLITE_OK)
            return false;
        int rc;
        while ((rc = sqlite3_step(statement)) == SQLITE_ROW) {
        }
        sqlite3_finalize(statement);
        if (rc != SQLITE_DONE)
            return false;
    }
    return true;
}

// Answers every message at once, so that a store runs through without a person at the screen.
class QuietScreen : public Screen
{
public:
    void inform(const QString &) override {}
    bool ask(const QString &, const QString &) override { return true; }
    void error(const QString &text) override { qWarning("%s", qPrintable(text)); }
    int runModal(QDialog &) override { return 0; }
    QString chooseOpenFile(const QString &, const QString &, const QString &) override { return {}; }
    QString chooseSaveFile(const QString &, const QString &, const QString &) override { return {}; }
    bool openUrl(const QUrl &) override { return false; }
};

// Runs `action` for each round in the program while logging its statements, and right after it
// replays that round's statements bare, so that both see the same books and the same load.
JournalTiming timeAction(const QString &booksPath, int rounds, const std::function<void(int round)> &action)
{
    WriteSetting(QStringLiteral("Kalvora2"), QStringLiteral("AccountType"), QString::fromLatin1(CompanyLedger),
                 ProgramPaths::settingsPath());
    forms().context->setLeftPanelEnabled(true);
    QuietScreen quiet;
    Screen *shown = &Screen::current();
    Screen::install(&quiet);
    sqlite3 *db = nullptr;
    if (sqlite3_open_v2(QFile::encodeName(booksPath).constData(), &db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
        rounds = 0;

    JournalTiming timing;
    std::vector<double> program, bare;
    QElapsedTimer clock;
    for (int round = 0; round < rounds; ++round) {
        QList<QByteArray> statements;
        {
            const StatementLog log;
            clock.start();
            action(round);
            program.push_back(clock.nsecsElapsed() / 1e6);
            statements = log.statements();
        }
        clock.start();
        if (!replay(db, statements))
            break;
        bare.push_back(clock.nsecsElapsed() / 1e6);
        timing.statements = int(statements.size());
    }
    sqlite3_close(db);
    Screen::install(shown);
    timing.programMs = median(program);
    timing.bareMs = median(bare);
    return timing;
}

long residentKilobytes()
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return 0;
    for (const QByteArray &line : status.readAll().split('\n'))
        if (line.startsWith("VmRSS:"))
            return line.mid(6).trimmed().split(' ').value(0).toLong();
    return 0;
}

} // namespace

JournalTiming TimeRefreshAll(const QString &booksPath, int rounds)
{
    return timeAction(booksPath, rounds, [](int) { forms().context->refreshAll(); });
}

JournalTiming TimeDayStep(const QString &booksPath, int rounds)
{
    forms().context->refreshAll();
    return timeAction(booksPath, rounds, [](int round) { forms().main->stepDay(round % 2 == 0 ? 1 : -1); });
}

JournalTiming TimeStoreRecord(const QString &booksPath, int rounds)
{
    return timeAction(booksPath, rounds, [](int) {
        FormGetPay &entry = *forms().getPay;
        entry.EntryMode = FormGetPay::NewIncome;
        entry.PresetUser = QStringLiteral("基准客户");
        entry.PresetSum = QStringLiteral("123.45");
        entry.PresetRemark.clear();
        if (entry.prepareShowing())
            entry.confirm();
    });
}

GridLoad TimeWholeRecordGrid()
{
    GridLoad load;
    Query query(ShareDataModule::instance());
    DataGrid grid;
    const long before = residentKilobytes();
    QElapsedTimer clock;
    clock.start();
    const QString statement = QStringLiteral("Select ") + ReportFields()
        + QStringLiteral(" From Account,MoneyTable Where (AccountIndex = MoneyAccount) Order By MoneyCreateTime,MoneyIndex");
    if (!OpenRecordGrid(query, grid, statement, QString()))
        return load;
    load.rows = grid.model().rowCount();
    load.openMs = clock.nsecsElapsed() / 1e6;
    load.megabytes = (residentKilobytes() - before) / 1024.0;
    return load;
}
