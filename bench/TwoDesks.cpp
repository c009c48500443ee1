// Two cashiers at work on the same server books at once: this process is one desk, a second run of the
// bench (with the hidden option --second-desk) the other. Each desk stores records, transfers between the
// same two accounts in both directions and refreshes, for a fixed time. Afterwards the month totals and
// the houses page's balances are checked against a recount of the records.
#include <QComboBox>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QProcess>

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "Figures.h"
#include "Replay.h"
#include "accounts/AccountHouses.h"
#include "shell/AccountScope.h"
#include "app/FormMain.h"
#include "app/Program.h"
#include "data/Helpers.h"
#include "data/JetSql.h"
#include "data/Query.h"
#include "data/ShareDataModule.h"
#include "data/postgres/PgEngine.h"
#include "journal/FormDraw.h"

namespace {

const QDate Day(2026, 12, 10);
const QString Transferred = QStringLiteral("平调成功");

// What one desk did, as the second desk prints it on one line.
struct DeskTally
{
    int stores = 0;
    int transfers = 0;
    int refreshes = 0;
    int retries = 0;
    int failures = 0;
    int waits = 0;
    double slowestStore = 0;
    double slowestTransfer = 0;
    double slowestRefresh = 0;

    QByteArray line() const
    {
        return QStringLiteral("desk %1 %2 %3 %4 %5 %6 %7 %8 %9")
            .arg(stores)
            .arg(transfers)
            .arg(refreshes)
            .arg(retries)
            .arg(failures)
            .arg(waits)
            .arg(slowestStore)
            .arg(slowestTransfer)
            .arg(slowestRefresh)
            .toUtf8();
    }
    static DeskTally fromLine(const QByteArray &text)
    {
        const QList<QByteArray> parts = text.trimmed().split(' ');
        if (parts.size() != 10 || parts[0] != "desk")
            qFatal("bench: the second desk reported %s", text.constData());
        return {parts[1].toInt(),    parts[2].toInt(),    parts[3].toInt(),   parts[4].toInt(), parts[5].toInt(),
                parts[6].toInt(),    parts[7].toDouble(), parts[8].toDouble(), parts[9].toDouble()};
    }
};

// Counts what the desk is told: the transfer's own message is a success, anything else a failure,
// which the bench's screen also prints. A notice that the books are held by the other desk is part of
// the work, counted as a wait.
class DeskScreen : public ForwardingScreen
{
public:
    int failures = 0;
    int waits = 0;

    void showWaiting(const QString &) override { ++waits; }
    void endWaiting() override {}

    void inform(const QString &text) override
    {
        if (text == Transferred)
            return;
        ++failures;
        others().inform(text);
    }
    void error(const QString &text, const QString &detail) override
    {
        ++failures;
        others().error(text, detail);
    }
};

// Whole transactions the program began on its connection: a transfer is one, each rerun of it by the
// retry another (a refresh's read-only snapshot begins differently, a store runs on its own).
class TransactionCount
{
public:
    TransactionCount()
        : m_engine(*ShareDataModule::instance().ADOConnection1(&m_error))
    {
        PgEngine::trace(m_engine, [this](const QByteArray &statement, const QList<QByteArray> &, PgEngine::Protocol) {
            if (statement == "BEGIN")
                ++begun;
        });
    }
    ~TransactionCount() { PgEngine::trace(m_engine, {}); }
    TransactionCount(const TransactionCount &) = delete;
    TransactionCount &operator=(const TransactionCount &) = delete;

    int begun = 0;

private:
    EngineError m_error;
    BooksEngine &m_engine;
};

qint64 accountIndex(const QString &name)
{
    Query &query = ShareDataModule::instance().ADOQueryTemp();
    if (!RunQuery(query, QStringLiteral("Select AccountIndex From Account Where AccountName = ") + JetSql::quoted(name),
                  QStringLiteral("帐户读入失败"))
        || query.eof())
        qFatal("bench: no account %s", qPrintable(name));
    return query.fieldInteger(QStringLiteral("AccountIndex"));
}

bool storeRecord(qint64 account, int serial)
{
    Query &query = ShareDataModule::instance().ADOQueryTemp();
    if (!RunQuery(query, QStringLiteral("Select * From MoneyTable"), QStringLiteral("帐款存储失败")) || !query.append())
        return false;
    query.setField(QStringLiteral("MoneySerial"), QStringLiteral("D%1").arg(serial));
    query.setField(QStringLiteral("MoneyCreateTime"), Day);
    query.setField(QStringLiteral("MoneyRecordTime"), Day);
    query.setField(QStringLiteral("MoneyAccount"), account);
    query.setField(QStringLiteral("MoneyUser"), QStringLiteral("客户001"));
    query.setField(QStringLiteral("MoneySum"), 12.3);
    query.setField(QStringLiteral("MoneyReason"), QStringLiteral("销售收入"));
    query.setField(QStringLiteral("MoneyType"), QStringLiteral("主营业务"));
    query.setField(QStringLiteral("MoneyToken"), QStringLiteral("发票"));
    return query.post();
}

// One desk's work for `seconds`: store, transfer, refresh, over and over. The first desk moves money
// from the first account to the second first, the other desk the other way; each turns round after
// every transfer.
DeskTally workAtDesk(const Windows &windows, int seconds, bool reversed)
{
    DeskScreen screen;
    FormDraw &dialog = *windows.draw;
    const auto [source, target] = openTransfer(dialog);
    const QString first = target->itemText(0), second = target->itemText(1);
    const qint64 storeAccount = accountIndex(first);

    DeskTally tally;
    int attempts = 0;
    const TransactionCount transactions;
    QElapsedTimer clock, click;
    clock.start();
    const auto timed = [&click](double *slowest, const std::function<void()> &work) {
        click.start();
        work();
        *slowest = std::max(*slowest, click.nsecsElapsed() / 1e6);
    };
    for (int turn = 0; clock.elapsed() < seconds * 1000LL; ++turn) {
        timed(&tally.slowestStore, [&] {
            if (storeRecord(storeAccount, turn))
                ++tally.stores;
            else
                ++tally.failures;
        });
        timed(&tally.slowestTransfer, [&] {
            if (!dialog.prepareShowing())
                qFatal("bench: the transfer dialog did not open");
            const bool backwards = (turn % 2 == 1) != reversed;
            source->setCurrentIndex(source->findText(backwards ? second : first));
            target->setCurrentIndex(target->findText(backwards ? first : second));
            dialog.findChild<QLineEdit *>(QStringLiteral("Edit1"))->setText(QStringLiteral("77.35"));
            const int failed = screen.failures;
            dialog.confirm();
            ++attempts;
            if (screen.failures == failed)
                ++tally.transfers;
        });
        timed(&tally.slowestRefresh, [&] {
            windows.main->refreshAll();
            ++tally.refreshes;
        });
    }
    tally.retries = transactions.begun - attempts;
    tally.failures += screen.failures;
    tally.waits = screen.waits;
    return tally;
}

// The accounts whose month totals differ from their records, and whose houses-page balance differs
// from a recount of their records up to the day; both should be none.
std::pair<int, int> recountDifferences(Bench &bench)
{
    Bare &bare = bench.bare();
    const int months = int(bare.read("SELECT count(*) FROM (" + MonthTotals::checkStatement(bare.engine()).toUtf8()
                                      + ") AS differing"));
    QList<qint64> accounts;
    bare.read("SELECT AccountIndex FROM Account", {}, INT_MAX, &accounts);
    int houses = 0;
    for (const qint64 account : accounts) {
        Query &query = ShareDataModule::instance().ADOQueryTemp();
        if (!RunQuery(query, AccountHouses::balanceStatement(account, Day), QStringLiteral("帐户读入失败")))
            qFatal("bench: cannot read a balance");
        const double shown = query.fieldNumber(QStringLiteral("TotalMoney"));
        const double counted = bare.read("SELECT coalesce(sum(MoneySum), 0) FROM MoneyTable WHERE MoneyAccount = ?1 "
                                         "AND MoneyCreateTime <= '2026-12-10'",
                                         {account});
        if (std::round(shown * 100) != std::round(counted * 100))
            ++houses;
    }
    return {months, houses};
}

void printDesk(const char *name, const DeskTally &t)
{
    std::printf("%-14s %7d %9d %9d %7d %8d %5d | %10.1f %10.1f %10.1f\n", name, t.stores, t.transfers, t.refreshes,
                t.retries, t.failures, t.waits, t.slowestStore, t.slowestTransfer, t.slowestRefresh);
}

} // namespace

void twoDesksFigure(Bench &bench)
{
    if (!bench.onServer()) {
        std::printf("two desks: skipped on books files, which one program at a time writes\n");
        return;
    }
    const int records = std::min(100000, bench.largest());
    logInto(bench, records);
    const qint64 before = qint64(bench.bare().read("SELECT count(*) FROM MoneyTable"));
    QProcess other;
    other.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    other.start(QCoreApplication::applicationFilePath(),
                {QStringLiteral("--second-desk"), bench.server(), QString::number(bench.deskSeconds())});
    // Both desks start work together, once the second has its program up.
    while (!other.canReadLine())
        if (!other.waitForReadyRead(-1))
            qFatal("bench: the second desk did not start");
    if (other.readLine().trimmed() != "ready")
        qFatal("bench: the second desk did not start");
    const DeskTally mine = workAtDesk(bench.windows(), bench.deskSeconds(), false);
    if (!other.waitForFinished(-1) || other.exitCode() != 0)
        qFatal("bench: the second desk failed");
    const DeskTally theirs = DeskTally::fromLine(other.readAllStandardOutput().trimmed());

    const qint64 after = qint64(bench.bare().read("SELECT count(*) FROM MoneyTable"));
    const qint64 expected = before + mine.stores + theirs.stores + 2LL * (mine.transfers + theirs.transfers);
    const auto [months, houses] = recountDifferences(bench);
    std::printf("\ntwo desks on server books of %d records, %d s each\n", records, bench.deskSeconds());
    std::printf("%-14s %7s %9s %9s %7s %8s %5s | %10s %10s %10s\n", "desk", "stores", "transfers", "refreshes", "retries",
                "failures", "waits", "store ms", "transfer", "refresh");
    printDesk("this process", mine);
    printDesk("second desk", theirs);
    std::printf("records %lld -> %lld (%s); month totals differing from the records: %d; houses-page balances "
                "differing from a recount: %d\n",
                before, after, expected == after ? "every store and both halves of every transfer" : "MISMATCH",
                months, houses);
    std::fflush(stdout);
}

int runSecondDesk(const QString &server, int seconds)
{
    Bench::Options options;
    options.server = server;
    Bench bench(options);
    AccountScope::write(AccountScope::CompanyLedger);
    bench.windows().main->setLeftPanelEnabled(true);
    bench.windows().main->refreshAll();
    std::printf("ready\n");
    std::fflush(stdout);
    std::printf("%s\n", workAtDesk(bench.windows(), seconds, true).line().constData());
    return 0;
}
