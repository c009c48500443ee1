#include <QFile>
#include <QLabel>
#include <QRandomGenerator>
#include <QtTest>

#include <libpq-fe.h>
#include <sqlite3.h>

#include "data/DeliveredBooks.h"
#include "support/ProgramFixture.h"
#include "support/TestEngine.h"
#include "accounts/AccountsPage.h"
#include "app/FormMain.h"
#include "data/Clock.h"
#include "data/Helpers.h"
#include "data/JetSql.h"
#include "data/MonthTotals.h"
#include "data/Query.h"
#include "data/ShareDataModule.h"
#include "journal/JournalPage.h"

namespace {

// A second connection to the books, writing plain SQL as an ODBC client would: on the books file, or
// on the program's books on the test server.
class OtherClient
{
public:
    explicit OtherClient(const ProgramFixture &program)
    {
        if (TestEngine::onServer())
            m_server = TestEngine::connectToServer(program.serverBooks());
        else
            sqlite3_open_v2(QFile::encodeName(program.databasePath()).constData(), &m_db, SQLITE_OPEN_READWRITE,
                            nullptr);
    }
    ~OtherClient()
    {
        sqlite3_close(m_db);
        PQfinish(m_server);
    }
    OtherClient(const OtherClient &) = delete;
    OtherClient &operator=(const OtherClient &) = delete;

    void run(const QString &sql)
    {
        QByteArray text;
        if (m_server) {
            PGresult *result = PQexec(m_server, sql.toUtf8().constData());
            if (PQresultStatus(result) != PGRES_COMMAND_OK && PQresultStatus(result) != PGRES_TUPLES_OK)
                text = PQresultErrorMessage(result);
            PQclear(result);
        } else {
            char *message = nullptr;
            if (sqlite3_exec(m_db, sql.toUtf8().constData(), nullptr, nullptr, &message) != SQLITE_OK)
                text = message ? QByteArray(message) : QByteArray("failed");
            sqlite3_free(message);
        }
        QVERIFY2(text.isEmpty(), text.constData());
    }

    // The rows of a statement, each as its values joined by '|'; the engine's message when it fails.
    QStringList rows(const QString &sql)
    {
        QStringList found;
        if (m_server) {
            PGresult *result = PQexec(m_server, sql.toUtf8().constData());
            if (PQresultStatus(result) != PGRES_TUPLES_OK)
                found.append(QString::fromUtf8(PQresultErrorMessage(result)));
            for (int r = 0; r < PQntuples(result); ++r) {
                QStringList values;
                for (int c = 0; c < PQnfields(result); ++c)
                    values.append(QString::fromUtf8(PQgetvalue(result, r, c)));
                found.append(values.join(u'|'));
            }
            PQclear(result);
            return found;
        }
        sqlite3_stmt *statement = nullptr;
        if (sqlite3_prepare_v2(m_db, sql.toUtf8().constData(), -1, &statement, nullptr) != SQLITE_OK)
            found.append(QString::fromUtf8(sqlite3_errmsg(m_db)));
        while (statement && sqlite3_step(statement) == SQLITE_ROW) {
            QStringList values;
            for (int c = 0; c < sqlite3_column_count(statement); ++c)
                values.append(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, c))));
            found.append(values.join(u'|'));
        }
        sqlite3_finalize(statement);
        return found;
    }

private:
    sqlite3 *m_db = nullptr;
    pg_conn *m_server = nullptr;
};

// The month-total check in the dialect of the books the tests run on.
QString monthTotalsCheck()
{
    return MonthTotals::checkStatement(TestEngine::onServer() ? Dialect::Postgres : Dialect::Sqlite);
}

// Accounts 2 to 5 with the types 1, 2, 1, 3.
const QList<int> AccountTypes{1, 2, 1, 3};

const QList<QDate> ProbeDays{
    {2024, 1, 1}, {2024, 2, 29}, {2024, 3, 1}, {2024, 12, 31}, {2025, 1, 1}, {2026, 12, 10}, {2027, 1, 1}};

const QStringList Scopes{QString(), QStringLiteral(" And ((AccountType = 1) Or (AccountType = 2))"),
                         QStringLiteral(" And (AccountType = 3)")};

void addAccounts(ProgramFixture &program)
{
    for (int i = 0; i < AccountTypes.size(); ++i)
        program.insert(QStringLiteral("Account"), {{QStringLiteral("AccountName"), QStringLiteral("帐户%1").arg(i)},
                                                   {QStringLiteral("AccountType"), AccountTypes[i]}});
}

QVariant firstValue(ProgramFixture &program, const QString &statement)
{
    Query &query = program.select(statement);
    return query.eof() ? QVariant() : query.value(0, 0);
}

// The balance as a sum over the account's whole history, in yuan rounded to the fen, or in exact
// thousandths of a yuan (every amount of these books has at most three decimals).
QString wholeHistory(const QDate &day, MonthTotals::Bound bound, const QString &condition, bool thousandths = false)
{
    return QStringLiteral("Select ")
        + (thousandths ? QStringLiteral("Sum(Cast(Round(MoneySum * 1000) As Integer))") : QStringLiteral("Round(Sum(MoneySum),2)"))
        + QStringLiteral(" As B From Account,MoneyTable Where (AccountIndex = MoneyAccount) And (MoneyCreateTime ")
        + (bound == MonthTotals::Bound::Before ? QStringLiteral("< ") : QStringLiteral("<= "))
        + JetSql::dateLiteral(day) + QLatin1Char(')') + condition;
}

// Equal to the fen; the only leeway is where the exact sum lies on a half fen (an amount of three
// decimals written by another program), which floating sums added in another order may round either
// way, the whole-history sum included.
bool sameBalance(ProgramFixture &program, const QVariant &expected, const QVariant &shown, const QDate &day,
                 MonthTotals::Bound bound, const QString &condition)
{
    if (expected.isNull() != shown.isNull())
        return false;
    if (expected.toDouble() == shown.toDouble())
        return true;
    const qint64 exact = firstValue(program, wholeHistory(day, bound, condition, true)).toLongLong();
    return qAbs(exact % 10) == 5 && qAbs(expected.toDouble() - shown.toDouble()) < 0.0101;
}

// Every balance the program reads equals the whole-history sum, and the check finds nothing.
void verifyBalances(ProgramFixture &program, const QString &step)
{
    QStringList conditions = Scopes;
    for (int account = 2; account < 2 + AccountTypes.size(); ++account)
        conditions.append(QStringLiteral(" And (AccountIndex = %1)").arg(account));
    for (const QDate &day : ProbeDays)
        for (const QString &condition : conditions)
            for (const auto bound : {MonthTotals::Bound::Before, MonthTotals::Bound::Through}) {
                const QVariant expected = firstValue(program, wholeHistory(day, bound, condition));
                const QVariant shown = firstValue(program, MonthTotals::balanceStatement(QStringLiteral("B"), day, bound, condition));
                QVERIFY2(sameBalance(program, expected, shown, day, bound, condition),
                         qPrintable(QStringLiteral("%1: %2%3 %4: %5 instead of %6")
                                        .arg(step, day.toString(Qt::ISODate), condition)
                                        .arg(int(bound))
                                        .arg(shown.toString(), expected.toString())));
            }
    QVERIFY2(program.select(monthTotalsCheck()).eof(), qPrintable(step));
}

QString shownText(QWidget *page, const QString &name)
{
    return page->findChild<QLabel *>(name)->text();
}

// The first house (account 2) and the daily journal of the company ledger show the whole-history sums.
void verifyShownBalances(ProgramFixture &program)
{
    const QDate day = program.main().currentDate();
    const QString ledger = Scopes[1];
    const auto yuan = [&](const QString &statement) {
        return RoundToText(firstValue(program, statement).toDouble()) + QStringLiteral(" 元");
    };
    QCOMPARE(shownText(program.main().accountsPage(), QStringLiteral("AccountMoney1")),
             yuan(wholeHistory(day, MonthTotals::Bound::Through, QStringLiteral(" And (AccountIndex = 2)"))));
    QCOMPARE(shownText(program.main().journalPage(), QStringLiteral("Label7")),
             QStringLiteral("上日结余：") + yuan(wholeHistory(day, MonthTotals::Bound::Before, ledger)));
    QCOMPARE(shownText(program.main().journalPage(), QStringLiteral("Label8")),
             QStringLiteral("本日结余：") + yuan(wholeHistory(day, MonthTotals::Bound::Through, ledger)));
}

class RandomBooks
{
public:
    explicit RandomBooks(quint32 seed) : m_draw(seed) {}

    double amount()
    {
        static const QList<double> Awkward{0.1, 0.2, 0.005, -0.005, 0.015, 0, -0.1, 946.1, -0.3};
        if (m_draw.bounded(3) == 0)
            return Awkward[m_draw.bounded(int(Awkward.size()))];
        return (m_draw.bounded(2000001) - 1000000) / 100.0;
    }
    QString day()
    {
        static const QStringList Edges{"2023-12-31", "2024-01-01", "2024-02-28", "2024-02-29", "2024-03-01",
                                       "2024-12-31", "2025-01-01", "2026-11-30", "2026-12-01", "2026-12-10",
                                       "2026-12-11", "2026-12-31"};
        if (m_draw.bounded(2) == 0)
            return Edges[m_draw.bounded(int(Edges.size()))];
        return QDate(2023, 6, 1).addDays(m_draw.bounded(1400)).toString(Qt::ISODate);
    }
    int account() { return 2 + m_draw.bounded(int(AccountTypes.size())); }
    int below(int n) { return m_draw.bounded(n); }

private:
    QRandomGenerator m_draw;
};

// The row id of a random stored record, 0 when there is none.
qint64 someRecord(ProgramFixture &program, RandomBooks &books)
{
    Query &query = program.select(QStringLiteral("Select MoneyIndex From MoneyTable Order By MoneyIndex"));
    if (query.recordCount() == 0)
        return 0;
    query.moveTo(books.below(query.recordCount()));
    return query.fieldInteger(QStringLiteral("MoneyIndex"));
}

Query &storedRecord(ProgramFixture &program, qint64 index)
{
    return program.select(QStringLiteral("Select * From MoneyTable Where MoneyIndex = %1").arg(index));
}

// One random change, by the program or by another client; returns what it did.
QString randomStep(ProgramFixture &program, OtherClient &other, RandomBooks &books)
{
    const QString amount = QString::number(books.amount(), 'g', 17);
    const QString day = books.day();
    const int account = books.account();
    const qint64 record = someRecord(program, books);
    switch (record ? books.below(6) : 0) {
    case 0:
        program.insert(QStringLiteral("MoneyTable"), {{QStringLiteral("MoneyAccount"), account},
                                                      {QStringLiteral("MoneyCreateTime"), day},
                                                      {QStringLiteral("MoneySum"), amount.toDouble()}});
        return QStringLiteral("program stores %1 on %2 at %3").arg(amount, day).arg(account);
    case 1:
        other.run(QStringLiteral("INSERT INTO MoneyTable(MoneyAccount, MoneyCreateTime, MoneySum) VALUES (%1, '%2', %3)")
                      .arg(account).arg(day, amount));
        return QStringLiteral("client stores %1 on %2 at %3").arg(amount, day).arg(account);
    case 2: {
        Query &query = storedRecord(program, record);
        query.edit();
        query.setField(QStringLiteral("MoneyAccount"), account);
        query.setField(QStringLiteral("MoneyCreateTime"), day);
        query.setField(QStringLiteral("MoneySum"), amount.toDouble());
        if (!query.post())
            return QStringLiteral("failed: ") + query.lastError();
        return QStringLiteral("program moves %1 to %2 at %3 as %4").arg(record).arg(day).arg(account).arg(amount);
    }
    case 3:
        other.run(QStringLiteral("UPDATE MoneyTable SET MoneyCreateTime = '%1', MoneyAccount = %2 WHERE MoneyIndex = %3")
                      .arg(day).arg(account).arg(record));
        return QStringLiteral("client moves %1 to %2 at %3").arg(record).arg(day).arg(account);
    case 4:
        if (!storedRecord(program, record).remove())
            return QStringLiteral("failed to delete");
        return QStringLiteral("program deletes %1").arg(record);
    default:
        other.run(QStringLiteral("DELETE FROM MoneyTable WHERE MoneyIndex = %1").arg(record));
        return QStringLiteral("client deletes %1").arg(record);
    }
}

void storeEarlyRecords(OtherClient &other)
{
    other.run(QStringLiteral("INSERT INTO MoneyTable(MoneyAccount, MoneyCreateTime, MoneySum) VALUES "
                             "(2, '2024-02-29', 946.1), (2, '2024-03-01', -0.1), (3, '2023-12-31', 0.2),"
                             "(4, '2024-12-31', 0.005), (5, '2025-01-01', -77)"));
}

// The statement README.md gives to list the months whose totals disagree, as printed there: the fenced
// block after the sentence that introduces it.
QString readmeMonthCheck()
{
    QFile readme(QFINDTESTDATA("../../README.md"));
    if (!readme.open(QIODevice::ReadOnly))
        return {};
    const QString text = QString::fromUtf8(readme.readAll());
    const qsizetype introduced = text.indexOf(QStringLiteral("This statement lists every month whose total disagrees"));
    const QString fence = QStringLiteral("\n```\n");
    const qsizetype begins = text.indexOf(fence, introduced);
    const qsizetype ends = text.indexOf(fence, begins + fence.size());
    if (introduced < 0 || begins < 0 || ends < 0)
        return {};
    return text.mid(begins + fence.size(), ends - begins - fence.size() + 1);
}

} // namespace

class tst_balances : public QObject
{
    Q_OBJECT

private slots:
    void balancesFollowEveryChange_data();
    void balancesFollowEveryChange();
    void shownBalancesFollowAnotherClient();
    void olderBooksGetTheirTotals();
    void damagedTotalsAreRebuilt_data();
    void damagedTotalsAreRebuilt();
    void handChangedTotalsFoundAtTheFirstLoginOfADay();
    void refusedTotalLeavesTheRecordUnchanged_data();
    void refusedTotalLeavesTheRecordUnchanged();
    void readmeCheckListsTheBrokenMonths_data();
    void readmeCheckListsTheBrokenMonths();
};

void tst_balances::balancesFollowEveryChange_data()
{
    QTest::addColumn<quint32>("seed");
    QTest::newRow("seed 7") << 7u;
    QTest::newRow("seed 2024") << 2024u;
    QTest::newRow("seed 90210") << 90210u;
}

void tst_balances::balancesFollowEveryChange()
{
    QFETCH(quint32, seed);
    ProgramFixture program;
    addAccounts(program);
    OtherClient other(program);
    RandomBooks books(seed);
    for (int i = 0; i < 40; ++i)
        randomStep(program, other, books);
    verifyBalances(program, QStringLiteral("first books"));
    for (int i = 0; i < 60; ++i) {
        const QString step = randomStep(program, other, books);
        QVERIFY2(!step.startsWith(QStringLiteral("failed")), qPrintable(step));
        verifyBalances(program, QStringLiteral("step %1, %2").arg(i).arg(step));
        if (QTest::currentTestFailed())
            return;
    }
}

void tst_balances::shownBalancesFollowAnotherClient()
{
    ProgramFixture program;
    addAccounts(program);
    program.loginAsCashier(ProgramFixture::pickBook(QStringLiteral("Image5")));
    OtherClient other(program);
    // 77 × 12.3 on account 2, one every fourteen days from 29 February 2024 to past today.
    other.run(QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 0 UNION ALL SELECT i + 1 FROM n WHERE i < 76) "
                             "INSERT INTO MoneyTable(MoneyAccount, MoneyCreateTime, MoneySum) SELECT 2, %1, 12.3 FROM n")
                  .arg(TestEngine::onServer() ? QStringLiteral("DATE '2024-02-29' + i * 14")
                                              : QStringLiteral("date('2024-02-29', '+' || (i * 14) || ' days')")));
    other.run(QStringLiteral("INSERT INTO MoneyTable(MoneyAccount, MoneyCreateTime, MoneySum) VALUES "
                             "(3, '2026-12-10', -0.1), (3, '2026-12-09', 0.2), (2, '2026-12-11', 1000)"));
    program.main().refreshAll();
    verifyShownBalances(program);

    // Moved to another account of the ledger, and from an old month to today.
    other.run(QStringLiteral("UPDATE MoneyTable SET MoneyAccount = 3 WHERE MoneyCreateTime = '2024-03-14';"
                             "UPDATE MoneyTable SET MoneyCreateTime = '2026-12-10' WHERE MoneyCreateTime = '2024-02-29'"));
    program.main().refreshAll();
    verifyShownBalances(program);
    program.main().stepDay(-1);
    verifyShownBalances(program);
    QCOMPARE(program.screen().takeMessages(), QStringList());
}

void tst_balances::olderBooksGetTheirTotals()
{
    SKIP_ON_SERVER("books of the version before the month totals are files only");
    ProgramFixture program(ProgramFixture::Start::NotStarted);
    {
        OtherClient older(program);
        older.run(QStringLiteral("DROP TRIGGER MoneyMonthInsert; DROP TRIGGER MoneyMonthDelete; DROP TRIGGER MoneyMonthUpdate;"
                                 "DROP TABLE MoneyMonth; PRAGMA user_version = 1;"
                                 "INSERT INTO Account(AccountName, AccountType) VALUES ('a',1),('b',2),('c',1),('d',3);"));
        storeEarlyRecords(older);
    }
    program.start();
    verifyBalances(program, QStringLiteral("upgraded"));
    QCOMPARE(firstValue(program, QStringLiteral("PRAGMA user_version")).toInt(), DeliveredBooks::SchemaVersion);
    QCOMPARE(firstValue(program, QStringLiteral("Select Count(*) From MoneyMonth")).toInt(), 5);
    // The triggers came with the table: later changes keep the totals.
    OtherClient later(program);
    later.run(QStringLiteral("UPDATE MoneyTable SET MoneyCreateTime = '2024-02-29' WHERE MoneySum = -0.1"));
    verifyBalances(program, QStringLiteral("after a change"));
    QCOMPARE(program.screen().takeMessages(), QStringList());
}

void tst_balances::damagedTotalsAreRebuilt_data()
{
    QTest::addColumn<QString>("damage");
    QTest::newRow("emptied") << "DELETE FROM MoneyMonth";
    QTest::newRow("one total changed by a fen") << "UPDATE MoneyMonth SET MonthSum = MonthSum + 0.01 WHERE MonthText = '2024-12'";
    QTest::newRow("a month without records") << "INSERT INTO MoneyMonth VALUES (3, '2025-06', 12.3)";
    QTest::newRow("a total moved to another account") << "UPDATE MoneyMonth SET MonthAccount = 3 WHERE MonthAccount = 5";
    QTest::newRow("trigger dropped, then a record changed")
        << (TestEngine::onServer() ? QStringLiteral("DROP TRIGGER MoneyMonthUpdate ON MoneyTable;")
                                   : QStringLiteral("DROP TRIGGER MoneyMonthUpdate;"))
               + QStringLiteral("UPDATE MoneyTable SET MoneySum = 77 * 12.3 WHERE MoneyAccount = 4");
    QTest::newRow("table dropped") << "DROP TABLE MoneyMonth";
}

void tst_balances::damagedTotalsAreRebuilt()
{
    QFETCH(QString, damage);
    ProgramFixture program;
    addAccounts(program);
    {
        OtherClient other(program);
        storeEarlyRecords(other);
        other.run(damage);
    }
    program.restart();
    program.loginAsCashier();
    QCOMPARE(program.screen().takeMessages(), QStringList{MonthTotals::RebuiltNotice});
    verifyBalances(program, QStringLiteral("rebuilt"));
    // Once rebuilt, the next start and login find them right and say nothing.
    program.restart();
    program.loginAsCashier();
    verifyBalances(program, QStringLiteral("next start"));
    QCOMPARE(program.screen().takeMessages(), QStringList());
    // The triggers are back too: a later change by another client keeps the totals.
    OtherClient later(program);
    later.run(QStringLiteral("UPDATE MoneyTable SET MoneyCreateTime = '2024-02-29', MoneySum = 12.3 WHERE MoneyAccount = 4"));
    verifyBalances(program, QStringLiteral("a change after the rebuild"));
}

// The pass over the whole journal runs at the first login of a day only, so a login does not grow
// slower with the books; a total changed by hand is found on the next day's first login.
void tst_balances::handChangedTotalsFoundAtTheFirstLoginOfADay()
{
    ProgramFixture program;
    addAccounts(program);
    program.loginAsCashier();
    {
        OtherClient other(program);
        storeEarlyRecords(other);
        other.run(QStringLiteral("UPDATE MoneyMonth SET MonthSum = MonthSum + 0.01 WHERE MonthText = '2024-12'"));
    }
    program.restart();
    program.loginAsCashier();
    QCOMPARE(program.screen().takeMessages(), QStringList());

    Clock::setToday(ProgramFixture::Today.addDays(1));
    program.restart();
    program.loginAsCashier();
    QCOMPARE(program.screen().takeMessages(), QStringList{MonthTotals::RebuiltNotice});
    verifyBalances(program, QStringLiteral("next day"));
}

void tst_balances::refusedTotalLeavesTheRecordUnchanged_data()
{
    QTest::addColumn<QString>("refused"); // the month totals refused on their way in
    QTest::addColumn<QString>("day");
    QTest::addColumn<double>("amount");
    // The new month's total is refused: a record stored there must not stay without it.
    QTest::newRow("new month refused") << "NEW.MonthText = '2025-07'" << "2025-07-15" << 12.3;
    // The old month's total is removed first, then the new one is refused: the old must come back.
    QTest::newRow("old month removed, new refused") << "NEW.MonthSum > 900000" << "2024-03-15" << 946946.1;
}

void tst_balances::refusedTotalLeavesTheRecordUnchanged()
{
    QFETCH(QString, refused);
    QFETCH(QString, day);
    QFETCH(double, amount);
    ProgramFixture program;
    addAccounts(program);
    OtherClient other(program);
    storeEarlyRecords(other);
    if (TestEngine::onServer())
        other.run(QStringLiteral("CREATE FUNCTION refuse() RETURNS trigger LANGUAGE plpgsql AS"
                                 " $$BEGIN RAISE EXCEPTION 'refused'; END$$;"
                                 "CREATE TRIGGER Refused BEFORE INSERT ON MoneyMonth FOR EACH ROW WHEN (%1)"
                                 " EXECUTE FUNCTION refuse()")
                      .arg(refused));
    else
        other.run(QStringLiteral("CREATE TRIGGER Refused BEFORE INSERT ON MoneyMonth WHEN %1"
                                 " BEGIN SELECT RAISE(ABORT, 'refused'); END")
                      .arg(refused));

    Query &query = storedRecord(program, 1);
    QVERIFY(query.edit());
    query.setField(QStringLiteral("MoneyCreateTime"), day);
    query.setField(QStringLiteral("MoneySum"), amount);
    QVERIFY(!query.post());
    QCOMPARE(firstValue(program, QStringLiteral("Select MoneyCreateTime || '|' || MoneySum From MoneyTable Where MoneyIndex = 1")),
             QVariant(QStringLiteral("2024-02-29|946.1")));
    verifyBalances(program, QStringLiteral("after the refused change"));
    QCOMPARE(firstValue(program, QStringLiteral("Select Count(*) From MoneyMonth")).toInt(), 5);
}

void tst_balances::readmeCheckListsTheBrokenMonths_data()
{
    QTest::addColumn<QString>("damage");
    QTest::addColumn<QStringList>("listed"); // account|month
    QTest::newRow("a total off by a fen")
        << "UPDATE MoneyMonth SET MonthSum = MonthSum + 0.01 WHERE MonthText = '2024-12'" << QStringList{"4|2024-12"};
    QTest::newRow("a month's total missing")
        << "DELETE FROM MoneyMonth WHERE MonthAccount = 2 AND MonthText = '2024-03'" << QStringList{"2|2024-03"};
    QTest::newRow("a total of a month without records")
        << "INSERT INTO MoneyMonth VALUES (3, '2025-06', 12.3)" << QStringList{"3|2025-06"};
    QTest::newRow("a total moved to another account")
        << "UPDATE MoneyMonth SET MonthAccount = 3 WHERE MonthAccount = 5" << QStringList{"3|2025-01", "5|2025-01"};
}

// The README's check, run as an ODBC client would run it on either engine: right totals (one of them
// the sum of 77 records of 12.3, which no order of adding gives exactly) list nothing; after the
// damage, exactly the months damaged.
void tst_balances::readmeCheckListsTheBrokenMonths()
{
    QFETCH(QString, damage);
    QFETCH(QStringList, listed);
    const QString check = readmeMonthCheck();
    QVERIFY2(!check.isEmpty(), "README.md gives no statement after its sentence on the month totals");
    ProgramFixture program;
    addAccounts(program);
    OtherClient other(program);
    storeEarlyRecords(other);
    other.run(QStringLiteral("INSERT INTO MoneyTable(MoneyAccount, MoneyCreateTime, MoneySum) VALUES ")
              + QStringList(77, QStringLiteral("(4, '2024-12-15', 12.3)")).join(u','));
    QCOMPARE(other.rows(check).join(u'\n'), QString());

    other.run(damage);
    QStringList found = other.rows(check);
    found.sort();
    QCOMPARE(found, listed);
}

QTEST_MAIN(tst_balances)
#include "tst_balances.moc"
