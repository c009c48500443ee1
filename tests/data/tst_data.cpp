#include <QDir>
#include <QFile>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

#include <iconv.h>
#include <sqlite3.h>
#include <algorithm>
#include <limits>
#include <optional>
#include <unistd.h>

#include "support/Files.h"
#include "support/OtherProgram.h"
#include "support/ProgramFixture.h"
#include "support/TestEngine.h"
#include "app/Program.h"
#include "data/AtomicUnit.h"
#include "data/DataSource.h"
#include "data/DeliveredBooks.h"
#include "data/Failure.h"
#include "data/Helpers.h"
#include "data/JetSql.h"
#include "data/MonthTotals.h"
#include "data/Query.h"
#include "data/Settings.h"
#include "data/ShareDataModule.h"
#include "data/WindowedQuery.h"
#include "data/postgres/PgSchema.h"
#include "reporting/Report.h"
#include "reports/MonthClosing.h"
#include "ui/AmountEntry.h"
#include "ui/FormProgress.h"

namespace {

const QString FormatMessage = QStringLiteral("金额格式有误，请重新输入");
const QString DecimalsMessage = QStringLiteral("金额内容可能有误，请重新输入");

// What the cashier reads when the books fail, after the line saying what failed.
const QString ReadOnlyBooks =
    QStringLiteral("帐簿文件是只读的，改动不能保存。请为帐簿文件和它所在的文件夹打开写入权限后再试。");
const QString BooksInUse =
    QStringLiteral("帐簿正被其他程序使用。请关闭正在使用帐簿的程序（例如通过数据源 KalvoraCmp 打开帐簿的程序）后再试。");
const QString DiskFull = QStringLiteral("磁盘已满，改动没有保存。请在帐簿所在的磁盘上腾出空间后再试。");
const QString DamagedBooks = QStringLiteral("帐簿文件已损坏。请由管理员在“数据维护”中用“恢复数据”从备份恢复帐簿。");
const QString MissingBooks =
    QStringLiteral("帐簿文件打不开：它不在原处，或不能读写。请检查程序文件夹中的帐簿文件 KalvoraCmp.mdb。");
const QString EmptyBooks = QStringLiteral(
    "帐簿文件 KalvoraCmp.mdb 是空的，或者不是本软件的帐簿。请关闭软件，把程序文件夹下 Backup 文件夹里最近的一份"
    "自动备份（KalvoraCmp-年-月-日.mdb）复制到程序文件夹，改名为 KalvoraCmp.mdb 替换现在的文件，再启动软件。");
const QString WaitNotice = QStringLiteral("帐簿正被其他程序使用，正在等待……");

// The screen for tests of helpers that need no program around them.
struct ScreenScope
{
    ScriptedScreen screen;
    ScreenScope() { Screen::install(&screen); }
    ~ScreenScope()
    {
        Screen::install(nullptr);
        if (const QString leftovers = screen.leftovers(); !leftovers.isEmpty())
            QTest::qFail(qPrintable(leftovers), __FILE__, __LINE__);
    }
};

QByteArray gbk(const QString &text)
{
    const QByteArray utf8 = text.toUtf8();
    QByteArray bytes(utf8.size() * 2 + 1, '\0');
    iconv_t cd = iconv_open("GBK", "UTF-8");
    char *in = const_cast<char *>(utf8.constData());
    char *out = bytes.data();
    size_t inLeft = size_t(utf8.size());
    size_t outLeft = size_t(bytes.size());
    iconv(cd, &in, &inLeft, &out, &outLeft);
    iconv_close(cd);
    bytes.truncate(bytes.size() - qsizetype(outLeft));
    return bytes;
}

Query &temp()
{
    return ShareDataModule::instance().ADOQueryTemp();
}

int rowsOf(const QString &statement)
{
    Query &query = temp();
    if (!RunQuery(query, statement, QStringLiteral("读入失败")))
        return -1;
    return query.recordCount();
}

// Account 2, the records' account, made when the books have none yet: books on a server keep no
// record without its account.
bool ensureAccountTwo()
{
    Query &query = temp();
    if (!RunQuery(query, QStringLiteral("Select * From Account Where AccountIndex = 2"), QStringLiteral("读入失败")))
        return false;
    if (!query.eof())
        return true;
    query.append();
    query.setField(QStringLiteral("AccountName"), QStringLiteral("银行A"));
    query.setField(QStringLiteral("AccountType"), 1);
    return query.post() && query.rowId() == 2;
}

qint64 storeRecord(const QString &user, double sum, const QDate &day)
{
    if (!ensureAccountTwo())
        return 0;
    Query &query = temp();
    if (!RunQuery(query, QStringLiteral("Select * From MoneyTable"), QStringLiteral("帐款存储失败")))
        return 0;
    query.append();
    query.setField(QStringLiteral("MoneyAccount"), 2);
    query.setField(QStringLiteral("MoneyUser"), user);
    query.setField(QStringLiteral("MoneySum"), sum);
    query.setField(QStringLiteral("MoneyCreateTime"), day);
    query.setField(QStringLiteral("MoneyRecordTime"), day);
    if (!query.post())
        return 0;
    return query.rowId();
}

// `records` journal records on three accounts, with many equal days and amounts so that the orders
// fall back on their later keys, and amounts that do not add up cleanly.
void fillJournal(ProgramFixture &program, int records)
{
    for (const QString &name : {QStringLiteral("乙"), QStringLiteral("甲"), QStringLiteral("丙")})
        program.insert(QStringLiteral("Account"), {{QStringLiteral("AccountName"), name}});
    const bool server = TestEngine::onServer();
    QString error;
    QVERIFY2(ShareDataModule::instance().execute(
                 QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                                "INSERT INTO MoneyTable(MoneyAccount, MoneyCreateTime, MoneyRecordTime, MoneyUser, "
                                "MoneySum, MoneySerial) SELECT 2 + i % 3, %2, '2026-01-01', '客户' || (i % 13), "
                                "((i * 37) % 201 - 100) * 12.3 / 10, %3 FROM n")
                     .arg(records)
                     .arg(server ? QStringLiteral("DATE '2026-01-01' + i * 7 % 365")
                                 : QStringLiteral("date('2026-01-01', '+' || (i * 7 % 365) || ' days')"),
                          server ? QStringLiteral("lpad((i % 50)::text, 4, '0')") : QStringLiteral("printf('%04d', i % 50)")),
                 &error),
             qPrintable(error));
}

const QString ByDay = QStringLiteral(" Order By MoneyCreateTime,MoneyIndex");
const QString ByAmount = QStringLiteral(" Order By MoneySum Desc,MoneyCreateTime,MoneyIndex");
const QString ByAccount = QStringLiteral(" Order By AccountName,MoneyCreateTime,MoneyIndex");

WindowedQuery::Statement journalRows(const QString &filter, const QString &order,
                                     const QString &fields = QStringLiteral(
                                         "MoneyIndex,MoneySerial,MoneyCreateTime,AccountName,MoneyUser,MoneySum"))
{
    return {fields, QStringLiteral("Account,MoneyTable"), QStringLiteral("(AccountIndex = MoneyAccount)"), filter,
            order, QStringLiteral("MoneyIndex"), {QStringLiteral("MoneySum")}};
}

// The same result read whole, for comparing.
QString wholeStatement(const WindowedQuery::Statement &statement)
{
    return QStringLiteral("Select ") + statement.fields + QStringLiteral(" From ") + statement.from
        + QStringLiteral(" Where ") + statement.join + statement.filter + statement.order;
}

QList<qint64> indexesOf(RowSource &rows)
{
    QList<qint64> indexes;
    const int column = rows.fieldIndex(QStringLiteral("MoneyIndex"));
    for (int row = 0; row < rows.recordCount(); ++row)
        indexes.append(rows.value(row, column).toLongLong());
    return indexes;
}

// Whether another program could take the write lock now: nothing of the program reads any more. On a
// server, a reading transaction left open would keep the journal from being locked whole.
bool booksFreeForWriting(ProgramFixture &program)
{
    OtherProgram other(program);
    return other.execute(TestEngine::onServer() ? "BEGIN; LOCK TABLE MoneyTable IN ACCESS EXCLUSIVE MODE NOWAIT"
                                                : "BEGIN IMMEDIATE")
        == SQLITE_OK
        && other.execute("ROLLBACK") == SQLITE_OK;
}

// The engine's word for an integer that does not fit.
QString overflowText()
{
    return TestEngine::onServer() ? QStringLiteral("out of range") : QStringLiteral("overflow");
}

void storeFailuresOnTheServer(const QString &fault);

} // namespace

class DataTest : public QObject
{
    Q_OBJECT

private slots:
    void amountEntryCheck_data();
    void amountEntryCheck();
    void roundToText_data();
    void roundToText();
    void amountConversion_data();
    void amountConversion();

    void runQueryOnMissingTable();
    void dateLiteralsTranslated_data();
    void dateLiteralsTranslated();
    void textValuesStoredAndFoundAsTyped_data();
    void textValuesStoredAndFoundAsTyped();
    void textComparesIgnoringLatinCase_data();
    void textComparesIgnoringLatinCase();
    void textWithNulRefused_data();
    void textWithNulRefused();
    void oneStatementOnly();

    void deliveredBooksAnswerTheDialect_data();
    void deliveredBooksAnswerTheDialect();
    void appendEditRemove();
    void transactionOnClosedBooksOpensNothing();
    void emptySumReadsZero();
    void valuesKeepTheirKind();
    void updatableResults_data();
    void updatableResults();
    void writesToAVanishedRowFail_data();
    void writesToAVanishedRowFail();
    void statementFailingWhileRunning_data();
    void statementFailingWhileRunning();
    void rowFailingAfterTheSecond_data();
    void rowFailingAfterTheSecond();
    void editThroughComputedColumns();
    void appendReadsNoRows();
    void noPendingStatement();
    void unreachableBooks_data();
    void unreachableBooks();
    void rowsOfOneTableInKeyOrder_data();
    void rowsOfOneTableInKeyOrder();
    void engineChosenByTheDriver_data();
    void engineChosenByTheDriver();
    void storeFailuresToldInChinese_data();
    void storeFailuresToldInChinese();
    void waitForBooksHeldByAnotherProgram();
    void waitEndsWhenTheOtherProgramLetsGo();
    void windowedRowsAsTheWholeResult_data();
    void windowedRowsAsTheWholeResult();
    void windowedRowsStayPutWhileTheBooksChange();
    void windowedRowsOfTiedOrderEachShownOnce();
    void programStoresWhileKeysAreRead();
    void windowedOpenFailures_data();
    void windowedOpenFailures();
    void windowedLateFailureToldOnce();
    void windowedTotalsFollowTheFirstRows_data();
    void windowedTotalsFollowTheFirstRows();
    void windowedClosedWhileCountedTellsNothing();

    void settingsRead_data();
    void settingsRead();
    void settingsStoredInGbk();
    void settingsLimitsInGbkBytes_data();
    void settingsLimitsInGbkBytes();
    void settingsWriteKeepsOtherLines();
    void settingsWriteFailureKeepsOldFile_data();
    void settingsWriteFailureKeepsOldFile();
    void settingsFileAsWindowsWritesIt_data();
    void settingsFileAsWindowsWritesIt();
    void settingsPathNeverCut();

    void registrationKeepsOtherSources();
    void registrationFailures_data();
    void registrationFailures();

    void jetOnPostgres_data();
    void jetOnPostgres();
    void jetRefusedOnBothEngines_data();
    void jetRefusedOnBothEngines();
    void instrFoldsLatinLettersOnly_data();
    void instrFoldsLatinLettersOnly();
    void balanceCountsOddDayTextsOnce_data();
    void balanceCountsOddDayTextsOnce();
    void serverSchemaHoldsTheFileBooks();
    void atomicUnitRunsAgainAfterAConflict_data();
    void atomicUnitRunsAgainAfterAConflict();
    void twoMonthClosingsAtOnce();
};

void DataTest::amountEntryCheck_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("amountText");
    QTest::addColumn<QString>("message");
    QTest::newRow("empty") << "" << false << FormatMessage;
    QTest::newRow("0") << "0" << true << "";
    QTest::newRow("100.5") << "100.5" << true << "";
    QTest::newRow("100.55") << "100.55" << true << "";
    QTest::newRow("100.555") << "100.555" << true << DecimalsMessage;
    QTest::newRow("1.2.3") << "1.2.3" << true << DecimalsMessage;
    QTest::newRow("1..2") << "1..2" << true << "";
    QTest::newRow("1,000") << "1,000" << false << FormatMessage;
    QTest::newRow("-5") << "-5" << false << FormatMessage;
    QTest::newRow("12a") << "12a" << false << FormatMessage;
    QTest::newRow("blank before") << " 5" << false << FormatMessage;
    QTest::newRow("line end after") << "5\n" << false << FormatMessage;
    QTest::newRow("full-width digits") << "１２" << false << FormatMessage;
}

void DataTest::amountEntryCheck()
{
    QFETCH(QString, text);
    QFETCH(bool, amountText);
    QFETCH(QString, message);
    QCOMPARE(IsAmountText(text), amountText);

    ScreenScope scope;
    QWidget window;
    auto *other = new QLineEdit(&window);
    auto *edit = new QLineEdit(text, &window);
    window.show();
    other->setFocus();
    QCOMPARE(CheckAmountEntry(edit), message.isEmpty());
    QCOMPARE(scope.screen.takeMessages(), message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(window.focusWidget(), message.isEmpty() ? other : edit);
}

void DataTest::roundToText_data()
{
    QTest::addColumn<double>("value");
    QTest::addColumn<QString>("text");
    QTest::newRow("12") << 12.0 << "12";
    QTest::newRow("234.5") << 234.5 << "234.5";
    QTest::newRow("-3.456") << -3.456 << "-3.46";
    QTest::newRow("0.1") << 0.1 << "0.1";
    QTest::newRow("-0.004 has no sign") << -0.004 << "0";
    QTest::newRow("-0.0049999 has no sign") << -0.0049999 << "0";
    QTest::newRow("0.1+0.2") << 0.1 + 0.2 << "0.3";
    QTest::newRow("77 x 12.3") << 77 * 12.3 << "947.1";
    // Only a true half goes to the even cent; every other value goes to the cent nearest the double's
    // exact value, even where dividing by 0.01 in double precision makes or breaks a tie.
    QTest::newRow("0.125 exact half down") << 0.125 << "0.12";
    QTest::newRow("-0.125 exact half down") << -0.125 << "-0.12";
    QTest::newRow("0.375 exact half up") << 0.375 << "0.38";
    QTest::newRow("0.135 just above half") << 0.135 << "0.14";
    QTest::newRow("0.025 just above half") << 0.025 << "0.03";
    QTest::newRow("-0.005 just beyond half") << -0.005 << "-0.01";
    QTest::newRow("0.0050000000000000001 just above half") << 0.0050000000000000001 << "0.01";
    QTest::newRow("0.145 just below half") << 0.145 << "0.14";
    QTest::newRow("0.035 just above half") << 0.035 << "0.04";
    QTest::newRow("1.005 just below half") << 1.005 << "1";
    QTest::newRow("2.6749999999999998 just below half") << 2.6749999999999998 << "2.67";
    QTest::newRow("12.345 just above half") << 12.345 << "12.35";
    QTest::newRow("1.115 just below half, a tie in double") << 1.115 << "1.11";
    QTest::newRow("fifteen digits") << 123456789012.34 << "123456789012.34";
    QTest::newRow("sixteen integer digits") << 1e15 << "1E15";
}

void DataTest::roundToText()
{
    QFETCH(double, value);
    QFETCH(QString, text);
    QCOMPARE(RoundToText(value), text);
}

void DataTest::amountConversion_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("converts");
    QTest::addColumn<double>("amount");
    QTest::newRow("100.55") << "100.55" << true << 100.55;
    QTest::newRow("leading zeros") << "007" << true << 7.0;
    QTest::newRow("1..2") << "1..2" << false << 0.0;
    QTest::newRow("point alone") << "." << false << 0.0;
}

void DataTest::amountConversion()
{
    QFETCH(QString, text);
    QFETCH(bool, converts);
    QFETCH(double, amount);
    ScreenScope scope;
    double stored = -1;
    QCOMPARE(AmountFromText(text, &stored), converts);
    const QStringList messages = scope.screen.takeMessages();
    if (converts) {
        QCOMPARE(stored, amount);
        QVERIFY(messages.isEmpty());
    } else {
        QCOMPARE(stored, -1.0);
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages.first().contains(text), qPrintable(messages.first()));
    }
}

void DataTest::runQueryOnMissingTable()
{
    ProgramFixture program;
    Query &query = temp();
    QVERIFY(RunQuery(query, QStringLiteral("Select * From Power"), QStringLiteral("读入失败")));
    QCOMPARE(query.recordCount(), 3);

    QVERIFY(!RunQuery(query, QStringLiteral("Select * From NoSuchTable"), QStringLiteral("帐户读入失败")));
    QCOMPARE(program.screen().takeMessages(), QStringList{QStringLiteral("帐户读入失败")});
    QVERIFY(!query.isOpen());
    QCOMPARE(query.recordCount(), 0);
    QVERIFY(!query.append());
}

void DataTest::dateLiteralsTranslated_data()
{
    QTest::addColumn<QString>("jet");
    QTest::addColumn<QString>("sqlite"); // empty: refused
    QTest::newRow("literal") << "Select * From MoneyTable Where (MoneyCreateTime = #2026-12-10#)"
                             << "Select * From MoneyTable Where (MoneyCreateTime = '2026-12-10')";
    QTest::newRow("short parts") << "Between #2026-1-5# And #2026/2/28#" << "Between '2026-01-05' And '2026-02-28'";
    QTest::newRow("inside a text") << "Where MoneyUser = '#2026-12-10#'" << "Where MoneyUser = '#2026-12-10#'";
    QTest::newRow("after a doubled quote") << "Where MoneyUser = 'it''s #1#' And (MoneyCreateTime = #2026-12-10#)"
                                           << "Where MoneyUser = 'it''s #1#' And (MoneyCreateTime = '2026-12-10')";
    QTest::newRow("no such day") << "Where MoneyCreateTime = #2026-02-30#" << "";
    QTest::newRow("lone hash") << "Where MoneyUser = 5 # 3" << "";
    QTest::newRow("unclosed text") << "Where MoneyUser = 'x" << "";
}

void DataTest::dateLiteralsTranslated()
{
    QFETCH(QString, jet);
    QFETCH(QString, sqlite);
    QString error;
    QCOMPARE(JetSql::toSqlite(jet, &error), sqlite);
    QCOMPARE(error.isEmpty(), !sqlite.isEmpty());
    QCOMPARE(JetSql::dateLiteral(QDate(2026, 1, 5)), QStringLiteral("#2026-01-05#"));
}

void DataTest::textValuesStoredAndFoundAsTyped_data()
{
    QTest::addColumn<QString>("value");
    QTest::newRow("quote") << "O'Brien";
    QTest::newRow("date literal") << "#2026-12-10#";
    QTest::newRow("comment") << "a -- b";
    QTest::newRow("second statement") << "x'; Delete From Account; --";
    QTest::newRow("widening") << "' Or ''='";
    QTest::newRow("widening with comment") << "x' Or 1=1 --";
    QTest::newRow("mixed") << "中文'#;--'";
}

void DataTest::textValuesStoredAndFoundAsTyped()
{
    QFETCH(QString, value);
    ProgramFixture program;
    program.insert(QStringLiteral("Account"), {{QStringLiteral("AccountName"), QStringLiteral("Other")}});
    program.insert(QStringLiteral("Account"), {{QStringLiteral("AccountName"), value}});

    Query &query = temp();
    QVERIFY(RunQuery(query, QStringLiteral("Select * From Account Where AccountName = ") + JetSql::quoted(value),
                     QStringLiteral("帐户读入失败")));
    QCOMPARE(query.recordCount(), 1);
    QCOMPARE(query.fieldText(QStringLiteral("AccountName")), value);
    QCOMPARE(rowsOf(QStringLiteral("Select * From Account Where (AccountIndex > 1) And (InStr(AccountName,")
                    + JetSql::quoted(value) + QStringLiteral("))")),
             1);
    QCOMPARE(rowsOf(QStringLiteral("Select * From Account")), 3);
    QVERIFY(program.screen().takeMessages().isEmpty());
}

void DataTest::textComparesIgnoringLatinCase_data()
{
    QTest::addColumn<QString>("condition");
    QTest::addColumn<int>("rows");
    QTest::newRow("equal, other case") << "AccountName = 'BANK OF CHINA 中国银行'" << 1;
    QTest::newRow("InStr, other case") << "InStr(AccountName,'OF ch')" << 1;
    QTest::newRow("InStr, ideographs") << "InStr(AccountName,'银行')" << 1;
    QTest::newRow("InStr, absent") << "InStr(AccountName,'bank of japan')" << 0;
    QTest::newRow("InStr position") << "InStr(AccountName,'OF') = 6" << 1;
    // Only A to Z fold, as in the books' own comparison: other letters keep their case.
    QTest::newRow("equal, accented capital") << "AccountName = 'İzmir ärger ＡＢＣ'" << 0;
    QTest::newRow("InStr, accented capital") << "InStr(AccountName,'ärger')" << 0;
    QTest::newRow("InStr, full-width capitals") << "InStr(AccountName,'ａｂｃ')" << 0;
    QTest::newRow("InStr, Latin letters beside others") << "InStr(AccountName,'ZMIR ÄRGER')" << 1;
    QTest::newRow("InStr position after a dotted capital") << "InStr(AccountName,'Ärger') = 7" << 1;
}

void DataTest::textComparesIgnoringLatinCase()
{
    QFETCH(QString, condition);
    QFETCH(int, rows);
    ProgramFixture program;
    program.insert(QStringLiteral("Account"), {{QStringLiteral("AccountName"), QStringLiteral("Bank of China 中国银行")}});
    program.insert(QStringLiteral("Account"), {{QStringLiteral("AccountName"), QStringLiteral("İzmir Ärger ＡＢＣ")}});
    QCOMPARE(rowsOf(QStringLiteral("Select * From Account Where (AccountIndex > 1) And (") + condition
                    + QStringLiteral(")")),
             rows);
}

void DataTest::textWithNulRefused_data()
{
    QTest::addColumn<QString>("value");
    QTest::newRow("inside") << QStringLiteral("前") + QChar(0) + QStringLiteral("后");
    QTest::newRow("alone") << QString(QChar(0));
    QTest::newRow("before a quote") << QStringLiteral("x") + QChar(0) + QStringLiteral("' Or ''='");
}

// The books' case-blind comparison stops at a NUL, so "前\0后" would equal "前\0乙": such a text is
// refused at every door, never stored cut or looked up wrongly.
void DataTest::textWithNulRefused()
{
    QFETCH(QString, value);
    ProgramFixture program;
    QVERIFY(!TypedTextProblem(value).isEmpty());
    QVERIFY(TypedTextProblem(QStringLiteral("前后")).isEmpty());

    Query &query = temp();
    QVERIFY(RunQuery(query, QStringLiteral("Select * From Account"), QStringLiteral("帐户读入失败")));
    QVERIFY(query.append());
    query.setField(QStringLiteral("AccountName"), value);
    QVERIFY(!query.post());
    QCOMPARE(query.lastError(), JetSql::NulInText);
    QCOMPARE(rowsOf(QStringLiteral("Select * From Account")), 1);

    QCOMPARE(rowsOf(QStringLiteral("Select * From Account Where AccountName = ") + JetSql::quoted(value)), -1);
    QCOMPARE(program.screen().takeMessages(), QStringList{QStringLiteral("读入失败\n") + JetSql::NulInText});
}

void DataTest::oneStatementOnly()
{
    ProgramFixture program;
    QCOMPARE(rowsOf(QStringLiteral("Select * From Power;")), 3);
    QCOMPARE(rowsOf(QStringLiteral("Select * From Power; Delete From Power")), -1);
    QCOMPARE(program.screen().takeMessages(), QStringList{QStringLiteral("读入失败\n语句后面有多余的内容")});
    QCOMPARE(rowsOf(QStringLiteral("Select * From Power")), 3);
}

void DataTest::deliveredBooksAnswerTheDialect_data()
{
    QTest::addColumn<QString>("statement");
    QTest::addColumn<int>("rows");
    QTest::newRow("reserved account") << "Select * From Account Where (AccountIndex = 1) And (AccountType = 0)" << 1;
    QTest::newRow("user accounts") << "Select * From Account Where (AccountIndex > 1)" << 1;
    QTest::newRow("reserved receivable") << "Select * From GetPay Where GetPayIndex = 1" << 1;
    QTest::newRow("open receivables") << "Select * From GetPay Where (GetPayIndex > 1) And (GetPaySum >= 0) Order By GetPayTime"
                                      << 0;
    QTest::newRow("password row") << "Select * From Power Where PowerName = '修改' And PowerKey = ''" << 1;
    QTest::newRow("print heading row") << "Select * From PrintTable Where PrintIndex = 1" << 1;
    QTest::newRow("boolean literal") << "Select * From PrintTable Where PrintEnable = True" << 0;
    QTest::newRow("days between, descending")
        << "Select * From MoneyTable Where (MoneyCreateTime Between #2026-12-01# And #2026-12-31#) "
           "Order By MoneyCreateTime Desc"
        << 2;
    QTest::newRow("one day") << "Select * From MoneyTable Where (MoneyCreateTime = #2026-12-10#)" << 1;
    QTest::newRow("tables listed, joined in the condition")
        << "Select * From Account,MoneyTable Where (AccountIndex = MoneyAccount) And (MoneyCreateTime < #2026-12-01#)"
        << 1;
}

void DataTest::deliveredBooksAnswerTheDialect()
{
    QFETCH(QString, statement);
    QFETCH(int, rows);
    ProgramFixture program;
    QCOMPARE(program.insert(QStringLiteral("Account"), {{QStringLiteral("AccountName"), QStringLiteral("银行A")},
                                                        {QStringLiteral("AccountType"), 1}}),
             2);
    for (const QDate &day : {QDate(2026, 11, 30), QDate(2026, 12, 1), QDate(2026, 12, 10)})
        storeRecord(QStringLiteral("客户"), 10, day);
    QCOMPARE(rowsOf(statement), rows);
    QVERIFY(rowsOf(QStringLiteral("Select * From PrintTable")) >= 500);
    QVERIFY(rowsOf(QStringLiteral("Select * From PrintDay")) >= 32);
}

// Books closed while a transaction was open (a restore closes them) took the transaction with them:
// its end opens nothing, which would upgrade the books and show its dialogs from a destructor.
void DataTest::transactionOnClosedBooksOpensNothing()
{
    ProgramFixture program;
    ShareDataModule &books = ShareDataModule::instance();
    {
        Transaction together(books);
        QVERIFY(together.isActive());
        QVERIFY(program.insert(QStringLiteral("Parameter"),
                               {{QStringLiteral("ParameterType"), 1}, {QStringLiteral("ParameterValue"), QStringLiteral("甲")}})
                > 0);
        books.disconnect();
    }
    QVERIFY(!books.openConnection());
    QCOMPARE(rowsOf(QStringLiteral("Select * From Parameter Where ParameterValue = '甲'")), 0);
}

void DataTest::appendEditRemove()
{
    ProgramFixture program;
    const qint64 index = storeRecord(QStringLiteral("张三"), -12.5, QDate(2026, 12, 1));
    QVERIFY(index > 0);

    Query &query = temp();
    const QString byIndex = QStringLiteral("Select * From MoneyTable Where MoneyIndex = %1").arg(index);
    QVERIFY(RunQuery(query, byIndex, QStringLiteral("读入失败")));
    QCOMPARE(query.recordCount(), 1);
    QCOMPARE(query.fieldText(QStringLiteral("moneyuser")), QStringLiteral("张三"));
    QCOMPARE(query.fieldNumber(QStringLiteral("MoneySum")), -12.5);
    QCOMPARE(query.fieldDate(QStringLiteral("MoneyCreateTime")), QDate(2026, 12, 1));
    QCOMPARE(query.fieldText(QStringLiteral("MoneyRemark")), QString());

    QVERIFY(query.edit());
    query.setField(QStringLiteral("MoneyUser"), QStringLiteral("李四"));
    query.setField(QStringLiteral("MoneyCreateTime"), QDate(2026, 12, 2));
    QVERIFY(query.post());
    QVERIFY(RunQuery(query, byIndex, QStringLiteral("读入失败")));
    QCOMPARE(query.fieldText(QStringLiteral("MoneyUser")), QStringLiteral("李四"));
    QCOMPARE(query.fieldNumber(QStringLiteral("MoneySum")), -12.5);
    QCOMPARE(rowsOf(QStringLiteral("Select * From MoneyTable Where MoneyCreateTime = #2026-12-02#")), 1);

    QVERIFY(RunQuery(query, byIndex, QStringLiteral("读入失败")));
    QVERIFY(query.remove());
    QVERIFY(query.eof());
    QCOMPARE(rowsOf(byIndex), 0);
    QCOMPARE(rowsOf(QStringLiteral("Select * From MoneyTable")), 0);
}

void DataTest::emptySumReadsZero()
{
    ProgramFixture program;
    Query &query = temp();
    QVERIFY(RunQuery(query,
                     QStringLiteral("Select Round(Sum(MoneySum),2) As TotalMoney, Count(MoneyIndex) As TotalCount "
                                    "From MoneyTable Where MoneyAccount = 2"),
                     QStringLiteral("读入失败")));
    QCOMPARE(query.recordCount(), 1);
    QCOMPARE(query.fieldNumber(QStringLiteral("TotalMoney")), 0.0);
    QCOMPARE(query.fieldInteger(QStringLiteral("TotalCount")), 0);
}

// Every kind of value a result holds comes back as the statement gave it, in every row.
void DataTest::valuesKeepTheirKind()
{
    ProgramFixture program;
    Query &query = temp();
    // Bytes are written in each engine's own way.
    const QString bytes = TestEngine::onServer() ? QStringLiteral("decode('00FF', 'hex')") : QStringLiteral("X'00FF'");
    QVERIFY(RunQuery(query,
                     QStringLiteral("Select -9223372036854775807 - 1 As Smallest, 9223372036854775807 As Largest, "
                                    "-3 As Negative, -0.1 As Real, '帐簿 x' As Words, '' As Blank, Null As Missing, "
                                    "%1 As Raw, PowerName From Power")
                         .arg(bytes),
                     QStringLiteral("读入失败")));
    QCOMPARE(query.recordCount(), 3);
    for (query.first(); !query.eof(); query.next()) {
        QCOMPARE(query.field(QStringLiteral("Smallest")), QVariant(std::numeric_limits<qint64>::min()));
        QCOMPARE(query.field(QStringLiteral("Largest")), QVariant(std::numeric_limits<qint64>::max()));
        QCOMPARE(query.field(QStringLiteral("Negative")), QVariant(qint64(-3)));
        QCOMPARE(query.field(QStringLiteral("Real")), QVariant(-0.1));
        QCOMPARE(query.field(QStringLiteral("Words")), QVariant(QStringLiteral("帐簿 x")));
        QCOMPARE(query.field(QStringLiteral("Blank")), QVariant(QString()));
        QVERIFY(!query.field(QStringLiteral("Missing")).isValid());
        QCOMPARE(query.field(QStringLiteral("Raw")), QVariant(QByteArray("\x00\xff", 2)));
    }
    query.moveTo(2);
    QCOMPARE(query.fieldText(QStringLiteral("PowerName")), QStringLiteral("修改"));
}

void DataTest::updatableResults_data()
{
    QTest::addColumn<QString>("statement");
    QTest::addColumn<bool>("updatable");
    QTest::newRow("whole table") << "Select * From MoneyTable" << true;
    QTest::newRow("computed column") << "Select GetPayIndex, ABS(GetPaySum) As GetPaySum2 From GetPay" << true;
    QTest::newRow("two tables") << "Select * From Account,MoneyTable Where (AccountIndex = MoneyAccount)" << false;
    QTest::newRow("sum") << "Select Sum(MoneySum) As TotalMoney From MoneyTable" << false;
    QTest::newRow("sum inside a rounding") << "Select Round(Sum(MoneySum),2) As TotalMoney From MoneyTable" << false;
    QTest::newRow("table with an alias") << "Select m.MoneyIndex, m.MoneySum From MoneyTable m Where m.MoneySum > 0" << true;
    QTest::newRow("table with As alias") << "Select * From MoneyTable As m Order By m.MoneyIndex" << true;
    QTest::newRow("aggregate only in the condition")
        << "Select * From MoneyTable Where MoneySum >= (Select Avg(MoneySum) From MoneyTable)" << true;
    QTest::newRow("two tables with aliases")
        << "Select * From Account a, MoneyTable m Where a.AccountIndex = m.MoneyAccount" << false;
    QTest::newRow("subquery as the table") << "Select * From (Select MoneyIndex, MoneySum From MoneyTable) As t" << false;
    QTest::newRow("grouped") << "Select MoneyAccount From MoneyTable Group By MoneyAccount" << false;
    QTest::newRow("distinct") << "Select Distinct MoneyAccount From MoneyTable" << false;
}

void DataTest::updatableResults()
{
    QFETCH(QString, statement);
    QFETCH(bool, updatable);
    ProgramFixture program;
    Query &query = temp();
    storeRecord(QStringLiteral("甲"), 5, ProgramFixture::Today);
    storeRecord(QStringLiteral("乙"), 7, ProgramFixture::Today);
    QVERIFY2(RunQuery(query, statement, QStringLiteral("读入失败")), qPrintable(program.screen().takeMessages().join(u'|')));
    QCOMPARE(query.isUpdatable(), updatable);
    QCOMPARE(query.append(), updatable);
    if (updatable) {
        // The new row goes to the one table the result reads, through whatever alias it has there.
        const QString table = query.baseTable();
        const int before = rowsOf(QStringLiteral("Select * From ") + table);
        QVERIFY(RunQuery(query, statement, QStringLiteral("读入失败")));
        QVERIFY(query.append());
        QVERIFY2(query.post(), qPrintable(query.lastError()));
        QCOMPARE(rowsOf(QStringLiteral("Select * From ") + table), before + 1);
    }
}

void DataTest::writesToAVanishedRowFail_data()
{
    QTest::addColumn<bool>("removing");
    QTest::newRow("post") << false;
    QTest::newRow("remove") << true;
}

// Another program deleted the row after it was read: the change is refused, not reported as done.
void DataTest::writesToAVanishedRowFail()
{
    QFETCH(bool, removing);
    ProgramFixture program;
    const qint64 index = storeRecord(QStringLiteral("张三"), 9, ProgramFixture::Today);
    Query &query = temp();
    QVERIFY(RunQuery(query, QStringLiteral("Select * From MoneyTable Where MoneyIndex = %1").arg(index),
                     QStringLiteral("读入失败")));
    QVERIFY(!query.eof());
    OtherProgram other(program);
    QCOMPARE(other.execute("DELETE FROM MoneyTable"), SQLITE_OK);
    if (removing) {
        QVERIFY(!query.remove());
    } else {
        QVERIFY(query.edit());
        query.setField(QStringLiteral("MoneyUser"), QStringLiteral("李四"));
        QVERIFY(!query.post());
    }
    QVERIFY(!query.lastError().isEmpty());
    QCOMPARE(other.number("SELECT count(*) FROM MoneyTable"), 0);
}

void DataTest::statementFailingWhileRunning_data()
{
    QTest::addColumn<QString>("statement");
    QTest::newRow("at its first row") << "Select Abs(-9223372036854775807 - 1) As Overflow From Power";
    QTest::newRow("at a later row") << "Select * From Power Where Abs(Length(PowerName) - 9223372036854775807 - 3) > 0";
    QTest::newRow("inside a sum") << "Select Sum(Abs(Length(PowerName) - 9223372036854775807 - 3)) As Total From Power";
}

// SQLite accepts such a statement and fails only while running it: the runner must still report it.
void DataTest::statementFailingWhileRunning()
{
    QFETCH(QString, statement);
    ProgramFixture program;
    Query &query = temp();
    QVERIFY(!RunQuery(query, statement, QStringLiteral("数据库打开失败")));
    QCOMPARE(program.screen().takeMessages(), QStringList{QStringLiteral("数据库打开失败")});
    QVERIFY(!query.isOpen());
    QVERIFY2(query.lastError().contains(overflowText()), qPrintable(query.lastError()));
}

void DataTest::rowFailingAfterTheSecond_data()
{
    QTest::addColumn<QString>("statement");
    QTest::addColumn<bool>("wholeTable"); // read at its first use rather than at open
    QTest::newRow("all columns") << "Select * From Account Where (AccountIndex > 1)" << false;
    QTest::newRow("the failing column") << "Select AccountName, Checked From Account Where AccountIndex > 1 "
                                           "Order By AccountIndex"
                                        << false;
    QTest::newRow("in the condition") << "Select AccountName From Account Where (AccountIndex > 1) And (Checked > 0)"
                                      << false;
    QTest::newRow("a whole table") << "Select * From Account" << true;
}

// Reading a row after the second fails: the list is never shown short, the failure is told in the
// statement's own words and nothing can be changed through the query.
void DataTest::rowFailingAfterTheSecond()
{
    SKIP_ON_SERVER("a server computes no column while reading a stored row, so a table read cannot fail part way"
                   " (a statement failing at a later row is covered by statementFailingWhileRunning)");
    QFETCH(QString, statement);
    QFETCH(bool, wholeTable);
    ProgramFixture program;
    for (const QString &name : {QStringLiteral("甲"), QStringLiteral("乙"), QStringLiteral("丙")})
        program.insert(QStringLiteral("Account"), {{QStringLiteral("AccountName"), name}});
    QString error;
    QVERIFY2(ShareDataModule::instance().execute(
                 QStringLiteral("ALTER TABLE Account ADD COLUMN Checked AS "
                                "(Abs(Case When AccountName = '丙' Then -9223372036854775807 - 1 Else 1 End))"),
                 &error),
             qPrintable(error));

    Query &query = temp();
    QCOMPARE(RunQuery(query, statement, QStringLiteral("帐户读入失败")), wholeTable);
    QCOMPARE(query.recordCount(), 0);
    QVERIFY(query.eof());
    QCOMPARE(program.screen().takeMessages(), QStringList{QStringLiteral("帐户读入失败")});
    QVERIFY(!query.isOpen());
    QVERIFY2(query.lastError().contains(overflowText()), qPrintable(query.lastError()));
    QVERIFY(!query.append());
    QVERIFY(!query.remove());
}

void DataTest::editThroughComputedColumns()
{
    ProgramFixture program;
    program.insert(QStringLiteral("GetPay"), {{QStringLiteral("GetPayUser"), QStringLiteral("收款方")},
                                              {QStringLiteral("GetPaySum"), 30.0}});
    const qint64 payable = program.insert(
        QStringLiteral("GetPay"), {{QStringLiteral("GetPayUser"), QStringLiteral("供应商")},
                                   {QStringLiteral("GetPaySum"), -30.0},
                                   {QStringLiteral("GetPayTime"), QDate(2026, 12, 1)}});
    const QString payables = QStringLiteral("Select GetPayIndex, GetPayUser, ABS(GetPaySum) As GetPaySum2 From GetPay "
                                            "Where (GetPayIndex > 1) And (GetPaySum < 0) Order By GetPayTime");
    Query &query = temp();
    QVERIFY(RunQuery(query, payables, QStringLiteral("读入失败")));
    QCOMPARE(query.recordCount(), 1);
    QCOMPARE(query.fieldInteger(QStringLiteral("GetPayIndex")), payable);
    QCOMPARE(query.fieldNumber(QStringLiteral("GetPaySum2")), 30.0);

    QVERIFY(query.edit());
    query.setField(QStringLiteral("GetPayUser"), QStringLiteral("新供应商"));
    query.setField(QStringLiteral("GetPaySum"), -45.5);
    QVERIFY2(query.post(), qPrintable(query.lastError()));
    QCOMPARE(query.fieldText(QStringLiteral("GetPayUser")), QStringLiteral("新供应商"));

    QVERIFY(RunQuery(query, payables, QStringLiteral("读入失败")));
    QCOMPARE(query.fieldText(QStringLiteral("GetPayUser")), QStringLiteral("新供应商"));
    QCOMPARE(query.fieldNumber(QStringLiteral("GetPaySum2")), 45.5);
    QVERIFY(query.remove());
    QCOMPARE(rowsOf(payables), 0);
    QCOMPARE(rowsOf(QStringLiteral("Select * From GetPay Where GetPayIndex > 1")), 1);
}

void DataTest::appendReadsNoRows()
{
    ProgramFixture program;
    storeRecord(QStringLiteral("first"), 1, ProgramFixture::Today);
    storeRecord(QStringLiteral("second"), 2, ProgramFixture::Today);
    Query &query = temp();
    QVERIFY(RunQuery(query, QStringLiteral("Select * From MoneyTable"), QStringLiteral("读入失败")));
    QVERIFY(query.append());
    query.setField(QStringLiteral("MoneyUser"), QStringLiteral("third"));
    QVERIFY(query.post());
    // The result holds the appended row alone: the stored rows were never read.
    QCOMPARE(query.recordCount(), 1);
    QCOMPARE(query.fieldText(QStringLiteral("MoneyUser")), QStringLiteral("third"));
    QVERIFY(query.fieldInteger(QStringLiteral("MoneyIndex")) > 2);
    QCOMPARE(rowsOf(QStringLiteral("Select * From MoneyTable")), 3);
}

void DataTest::noPendingStatement()
{
    ProgramFixture program;
    storeRecord(QStringLiteral("first"), 1, ProgramFixture::Today);
    storeRecord(QStringLiteral("second"), 2, ProgramFixture::Today);
    OtherProgram other(program);

    // A walk stopped half way, and a result opened but never read, stay open meanwhile.
    Query &walked = ShareDataModule::instance().ADOQueryTemp2();
    QVERIFY(RunQuery(walked, QStringLiteral("Select * From MoneyTable"), QStringLiteral("读入失败")));
    walked.first();
    QVERIFY(!walked.eof());
    Query unread(ShareDataModule::instance());
    unread.setSql(QStringLiteral("Select * From Account"));
    QVERIFY(unread.open());

    QVERIFY(storeRecord(QStringLiteral("posted"), 3, ProgramFixture::Today) > 0);
    QCOMPARE(other.number("SELECT count(*) FROM MoneyTable WHERE MoneyUser = 'posted'"), 1);
    QCOMPARE(other.execute("INSERT INTO Parameter(ParameterType, ParameterValue) VALUES (1, 'other')"), SQLITE_OK);
    QCOMPARE(rowsOf(QStringLiteral("Select * From Parameter Where ParameterValue = 'other'")), 1);
    QCOMPARE(unread.recordCount(), 2); // the reserved account and the records' own
}

void DataTest::unreachableBooks_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("told");
    QTest::addColumn<QString>("detail");
    QTest::newRow("file missing") << "missing" << MissingBooks << "unable to open database file";
    QTest::newRow("not a database") << "garbage" << DamagedBooks << "file is not a database";
    QTest::newRow("empty file") << "empty" << EmptyBooks << "";
    QTest::newRow("data source not registered") << "unregistered" << "数据源 KalvoraCmp 尚未注册" << "";
}

void DataTest::unreachableBooks()
{
    QFETCH(QString, fault);
    QFETCH(QString, told);
    QFETCH(QString, detail);
    if (fault != u"unregistered")
        SKIP_ON_SERVER("the fault is in the books file");
    ProgramFixture program;
    const QString books = program.databasePath();
    const QString kept = program.folder() + QStringLiteral("kept.mdb");
    const QString odbcIni = program.odbcIniPath();
    const QByteArray laid = fault == u"garbage" ? QByteArray("这不是数据库").repeated(400) : QByteArray();
    if (fault == u"unregistered") {
        QVERIFY(QFile::rename(odbcIni, odbcIni + QStringLiteral(".kept")));
    } else {
        QVERIFY(QFile::rename(books, kept));
        if (fault != u"missing")
            writeBytes(books, laid);
    }

    QCOMPARE(rowsOf(QStringLiteral("Select * From Power")), -1);
    QCOMPARE(program.screen().takeMessages(),
             QStringList{QStringLiteral("读入失败\n") + told});
    QCOMPARE(program.screen().takeDetails(), QStringList{detail});
    if (!TestEngine::onServer())
        QCOMPARE(QFile::exists(books), fault != u"missing");
    if (fault == u"garbage" || fault == u"empty")
        QCOMPARE(readBytes(books), laid);

    if (fault == u"unregistered") {
        QVERIFY(QFile::rename(odbcIni + QStringLiteral(".kept"), odbcIni));
    } else {
        QFile::remove(books);
        QVERIFY(QFile::rename(kept, books));
    }
    QCOMPARE(rowsOf(QStringLiteral("Select * From Power")), 3);
}

void DataTest::rowsOfOneTableInKeyOrder_data()
{
    QTest::addColumn<QString>("tail");          // after "Select MoneyIndex From MoneyTable"
    QTest::addColumn<QList<int>>("order");      // the records by the order they were stored in
    QTest::newRow("condition an index serves") << " Where MoneyAccount = 2" << QList<int>{0, 1, 2};
    QTest::newRow("with a limit") << " Where MoneyAccount = 2 Limit 2;" << QList<int>{0, 1};
    QTest::newRow("aliased table") << " As m Where m.MoneyAccount = 2" << QList<int>{0, 1, 2};
    QTest::newRow("the statement's own order") << " Where MoneyAccount = 2 Order By MoneyCreateTime"
                                               << QList<int>{2, 1, 0};
}

// Rows of one table come in the order they were stored in, not in the order of an index that finds them,
// unless the statement orders them itself.
void DataTest::rowsOfOneTableInKeyOrder()
{
    QFETCH(QString, tail);
    QFETCH(QList<int>, order);
    ProgramFixture program;
    QList<qint64> stored;
    for (const QDate &day : {QDate(2026, 12, 10), QDate(2026, 12, 9), QDate(2026, 12, 8)})
        stored.append(storeRecord(QStringLiteral("甲"), 77 * 12.3, day));
    QList<qint64> expected;
    for (const int at : order)
        expected.append(stored[at]);

    Query &query = program.select(QStringLiteral("Select MoneyIndex From MoneyTable") + tail);
    QVERIFY2(query.isOpen(), qPrintable(query.lastError()));
    QList<qint64> read;
    for (query.first(); !query.eof(); query.next())
        read.append(query.fieldInteger(QStringLiteral("MoneyIndex")));
    QCOMPARE(read, expected);
}

void DataTest::engineChosenByTheDriver_data()
{
    QTest::addColumn<QString>("driverLine"); // the data source's Driver line, empty for none
    QTest::addColumn<QString>("told");       // empty: the books open
    QTest::newRow("as registered") << "Driver=SQLite3" << "";
    QTest::newRow("other letter case") << "Driver = sqlite3" << "";
    QTest::newRow("no driver line") << "" << "";
    QTest::newRow("a driver without an engine")
        << "Driver=MySQL ODBC 8.0 Unicode Driver"
        << QStringLiteral("数据源 KalvoraCmp 使用的驱动程序“MySQL ODBC 8.0 Unicode Driver”本软件不能使用，帐簿无法打开。"
                          "请把数据源 KalvoraCmp 的驱动程序（Driver）改为 SQLite3。");
}

// The data source's driver decides the engine: the books file for SQLite3, while a driver the program
// has no engine for is refused, the books file beside it left unopened.
void DataTest::engineChosenByTheDriver()
{
    QFETCH(QString, driverLine);
    QFETCH(QString, told);
    ProgramFixture program;
    ShareDataModule::instance().disconnect();
    const QByteArray registered = readBytes(program.odbcIniPath());
    // Server books are registered with the server's driver, and the engine is chosen the same way.
    const QByteArray driver = TestEngine::onServer() ? "PostgreSQL Unicode" : "SQLite3";
    if (TestEngine::onServer()) {
        if (driverLine.isEmpty())
            QSKIP("without a driver line the data source names a books file");
        driverLine.replace(QLatin1String("SQLite3"), QLatin1String("PostgreSQL Unicode"))
            .replace(QLatin1String("sqlite3"), QLatin1String("postgresql unicode"));
    }
    QVERIFY(registered.contains("\nDriver=" + driver + "\n"));
    writeBytes(program.odbcIniPath(),
               QByteArray(registered).replace("\nDriver=" + driver + "\n", "\n" + driverLine.toUtf8() + "\n"));

    QCOMPARE(rowsOf(QStringLiteral("Select * From Power")), told.isEmpty() ? 3 : -1);
    QCOMPARE(program.screen().takeMessages(),
             told.isEmpty() ? QStringList() : QStringList{QStringLiteral("读入失败\n") + told});
    QCOMPARE(program.screen().takeDetails(), told.isEmpty() ? QStringList() : QStringList{QString()});

    writeBytes(program.odbcIniPath(), registered);
    QCOMPARE(rowsOf(QStringLiteral("Select * From Power")), 3);
}

void DataTest::storeFailuresToldInChinese_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("told");
    QTest::addColumn<QString>("detail");
    QTest::newRow("read-only books") << "read-only" << ReadOnlyBooks << "attempt to write a readonly database";
    QTest::newRow("disk full") << "full" << DiskFull << "database or disk is full";
    QTest::newRow("another program writing") << "in use" << BooksInUse << "database is locked";
}

// A record that cannot be stored is told in the cashier's words, the engine's text kept as the detail.
void DataTest::storeFailuresToldInChinese()
{
    QFETCH(QString, fault);
    QFETCH(QString, told);
    QFETCH(QString, detail);
    if (TestEngine::onServer()) {
        storeFailuresOnTheServer(fault);
        return;
    }
    ProgramFixture program;
    storeRecord(QStringLiteral("张三"), 77 * 12.3, ProgramFixture::Today);
    ShareDataModule &books = ShareDataModule::instance();
    OtherProgram other(program.databasePath());
    QString error;
    if (fault == u"read-only")
        QVERIFY2(books.execute(QStringLiteral("PRAGMA query_only = 1"), &error), qPrintable(error));
    if (fault == u"full")
        QVERIFY2(books.execute(QStringLiteral("PRAGMA max_page_count = %1").arg(other.number("PRAGMA page_count")), &error),
                 qPrintable(error));
    if (fault == u"in use") {
        books.setBusyTimeout(0);
        QCOMPARE(other.execute("BEGIN IMMEDIATE"), SQLITE_OK);
    }

    Query &query = temp();
    QVERIFY(RunQuery(query, QStringLiteral("Select * From MoneyTable"), QStringLiteral("读入失败")));
    query.append();
    query.setField(QStringLiteral("MoneyAccount"), 2);
    query.setField(QStringLiteral("MoneyRemark"), QString(20000, u'备')); // needs pages of its own
    QVERIFY(!query.post());
    ReportFailure(QStringLiteral("记录未能保存"), query.lastFailure());

    QCOMPARE(program.screen().takeMessages(), QStringList{QStringLiteral("记录未能保存\n") + told});
    QCOMPARE(program.screen().takeDetails(), QStringList{detail});
    QCOMPARE(program.screen().notices(), fault == u"in use" ? QStringList{WaitNotice} : QStringList());
    QVERIFY(!program.screen().isWaiting());
    other.execute("ROLLBACK");
    QCOMPARE(other.number("SELECT count(*) FROM MoneyTable"), 1);
}

namespace {

// On a server the cashier is told what the server's administrator or a moment's wait can mend, never
// to free a books file.
void storeFailuresOnTheServer(const QString &fault)
{
    if (fault == u"full")
        QSKIP("a full disk of the server cannot be made by a test");
    ProgramFixture program;
    storeRecord(QStringLiteral("张三"), 77 * 12.3, ProgramFixture::Today);
    ShareDataModule &books = ShareDataModule::instance();
    OtherProgram other(program);
    QString error;
    if (fault == u"read-only")
        QVERIFY2(books.execute(QStringLiteral("SET SESSION CHARACTERISTICS AS TRANSACTION READ ONLY"), &error),
                 qPrintable(error));
    if (fault == u"in use") {
        // Another cashier's change holds the journal; the wait for it ends at once.
        QVERIFY2(books.execute(QStringLiteral("SET lock_timeout = 1"), &error), qPrintable(error));
        QCOMPARE(other.execute("BEGIN; LOCK TABLE MoneyTable IN SHARE MODE"), SQLITE_OK);
    }

    Query &query = temp();
    QVERIFY(RunQuery(query, QStringLiteral("Select * From MoneyTable"), QStringLiteral("读入失败")));
    query.append();
    query.setField(QStringLiteral("MoneyAccount"), 2);
    QVERIFY(!query.post());
    ReportFailure(QStringLiteral("记录未能保存"), query.lastFailure());

    const QString told = fault == u"read-only"
        ? QStringLiteral("数据库服务器只允许读取帐簿，改动不能保存。请联系数据库管理员。")
        : QStringLiteral("帐簿正被数据库服务器上的其他用户占用，请稍后再试。");
    QCOMPARE(program.screen().takeMessages(), QStringList{QStringLiteral("记录未能保存\n") + told});
    QCOMPARE(program.screen().takeDetails(),
             QStringList{fault == u"read-only" ? QStringLiteral("cannot execute INSERT in a read-only transaction")
                                               : QStringLiteral("canceling statement due to lock timeout")});
    other.execute("ROLLBACK");
    QCOMPARE(other.number("SELECT count(*) FROM MoneyTable"), 1);
}

} // namespace

// The notice shows at the first sign of the other program and goes when the wait gives up; the
// failure says the books are in use, and the next statement runs once they are free.
void DataTest::waitForBooksHeldByAnotherProgram()
{
    SKIP_ON_SERVER("on a server another program's change never holds up reading");
    ProgramFixture program;
    ShareDataModule::instance().setBusyTimeout(0);
    OtherProgram other(program.databasePath());
    QCOMPARE(other.execute("BEGIN EXCLUSIVE"), SQLITE_OK);

    Query &query = temp();
    QVERIFY(!RunQuery(query, QStringLiteral("Select * From Power"), QStringLiteral("读入失败")));
    QCOMPARE(program.screen().takeMessages(), QStringList{QStringLiteral("读入失败\n") + BooksInUse});
    QCOMPARE(program.screen().takeDetails(), QStringList{QStringLiteral("database is locked")});
    QCOMPARE(program.screen().notices(), QStringList{WaitNotice});
    QVERIFY(!program.screen().isWaiting());
    QVERIFY(!query.isOpen());

    QCOMPARE(other.execute("ROLLBACK"), SQLITE_OK);
    QCOMPARE(rowsOf(QStringLiteral("Select * From Power")), 3);
    QCOMPARE(program.screen().notices().size(), 1);
}

void DataTest::waitEndsWhenTheOtherProgramLetsGo()
{
    SKIP_ON_SERVER("a server lets several programs store at once: a change of other rows holds nothing up");
    ProgramFixture program;
    OtherProgram other(program.databasePath());
    QCOMPARE(other.execute("BEGIN IMMEDIATE"), SQLITE_OK);
    QCOMPARE(other.execute("INSERT INTO Parameter(ParameterType, ParameterValue) VALUES (3, '支票')"), SQLITE_OK);
    program.screen().onWaiting([&] { QCOMPARE(other.execute("COMMIT"), SQLITE_OK); });

    QVERIFY(storeRecord(QStringLiteral("张三"), 77 * 12.3, ProgramFixture::Today) > 0);

    QCOMPARE(program.screen().notices(), QStringList{WaitNotice});
    QVERIFY(!program.screen().isWaiting());
    QCOMPARE(program.screen().takeMessages(), QStringList());
    QCOMPARE(other.number("SELECT count(*) FROM MoneyTable"), 1);
    QCOMPARE(other.number("SELECT count(*) FROM Parameter WHERE ParameterValue = '支票'"), 1);
}

void DataTest::windowedRowsAsTheWholeResult_data()
{
    QTest::addColumn<int>("pageRows");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("order");
    // 600 records: more than the first pages, so most keys come from the reading thread.
    QTest::newRow("by day, pages of 7") << 7 << QString() << ByDay;
    QTest::newRow("by amount, a row a page") << 1 << QString() << ByAmount;
    QTest::newRow("by account, dated filter") << 64 << QStringLiteral(" And (MoneyCreateTime >= #2026-06-01#)") << ByAccount;
    QTest::newRow("fewer rows than the first pages") << 64 << QStringLiteral(" And (MoneyUser = '客户3')") << ByAmount;
    QTest::newRow("no rows") << 7 << QStringLiteral(" And (MoneyUser = 'O''Brien')") << ByDay;
}

void DataTest::windowedRowsAsTheWholeResult()
{
    QFETCH(int, pageRows);
    QFETCH(QString, filter);
    QFETCH(QString, order);
    ProgramFixture program;
    fillJournal(program, 600);
    const WindowedQuery::Statement statement = journalRows(filter, order);
    Query &whole = temp();
    QVERIFY(RunQuery(whole, wholeStatement(statement), QStringLiteral("读入失败")));

    WindowedQuery rows(ShareDataModule::instance(), pageRows);
    QVERIFY2(rows.open(statement), qPrintable(rows.lastFailure().text));
    QCOMPARE(rows.recordCount(), whole.recordCount());
    QCOMPARE(rows.fieldNames(), whole.fieldNames());
    const int sum = rows.fieldIndex(QStringLiteral("MoneySum"));
    QCOMPARE(RoundToText(rows.columnSum(sum)), RoundToText(whole.columnSum(sum)));
    // The last row first, which waits for the keys; then the middle, then every row in turn.
    const int count = whole.recordCount();
    QList<int> visits{count - 1, count / 2, 0};
    for (int row = 0; row < count; ++row)
        visits.append(row);
    for (const int row : visits) {
        if (row < 0)
            continue;
        for (int column = 0; column < whole.fieldNames().size(); ++column)
            QVERIFY2(rows.value(row, column) == whole.value(row, column),
                     qPrintable(QStringLiteral("row %1, %2").arg(row).arg(whole.fieldNames()[column])));
    }
    QVERIFY(!rows.value(count, 0).isValid());
    QCOMPARE(program.screen().notices(), QStringList());
}

void DataTest::windowedRowsStayPutWhileTheBooksChange()
{
    ProgramFixture program;
    fillJournal(program, 100);
    WindowedQuery rows(ShareDataModule::instance(), 4);
    QVERIFY(rows.open(journalRows(QString(), ByDay)));
    const QList<qint64> before = indexesOf(rows);
    rows.close();
    QVERIFY(rows.open(journalRows(QString(), ByDay)));
    const int user = rows.fieldIndex(QStringLiteral("MoneyUser"));
    const int sum = rows.fieldIndex(QStringLiteral("MoneySum"));
    const QVariant firstUser = rows.value(0, user);
    const double total = rows.columnSum(sum);
    rows.waitForKeys();

    // Another program removes a record, adds one that sorts first, and renames a customer.
    OtherProgram other(program);
    QCOMPARE(other.execute(qPrintable(QStringLiteral("DELETE FROM MoneyTable WHERE MoneyIndex = %1").arg(before[50]))),
             SQLITE_OK);
    QCOMPARE(other.execute("INSERT INTO MoneyTable(MoneyAccount, MoneyCreateTime, MoneySum) VALUES (2, '2025-01-01', 5)"),
             SQLITE_OK);
    QCOMPARE(other.execute(qPrintable(
                 QStringLiteral("UPDATE MoneyTable SET MoneyUser = '改过' WHERE MoneyIndex = %1").arg(before[60]))),
             SQLITE_OK);

    QCOMPARE(rows.recordCount(), 100);
    QCOMPARE(rows.columnSum(sum), total);
    QCOMPARE(rows.value(0, user), firstUser);
    QCOMPARE(rows.value(0, 0).toLongLong(), before[0]);
    QVERIFY(!rows.value(50, 0).isValid());
    QCOMPARE(rows.value(51, 0).toLongLong(), before[51]);
    QCOMPARE(rows.value(60, user).toString(), QStringLiteral("改过"));
    QCOMPARE(rows.value(99, 0).toLongLong(), before[99]);

    QVERIFY(rows.open(journalRows(QString(), ByDay)));
    QCOMPARE(rows.recordCount(), 100);
    QVERIFY(rows.value(0, 0).toLongLong() > before.last());
    QCOMPARE(program.screen().notices(), QStringList());
}

// The first rows are read apart from the key list; where the order leaves rows tied, the two reads may
// place them differently, and no row may show twice or go missing where they meet.
void DataTest::windowedRowsOfTiedOrderEachShownOnce()
{
    ProgramFixture program;
    fillJournal(program, 600);
    const WindowedQuery::Statement statement = journalRows(QString(), QStringLiteral(" Order By MoneyUser"));
    Query &whole = temp();
    QVERIFY(RunQuery(whole, wholeStatement(statement), QStringLiteral("读入失败")));
    const int user = whole.fieldIndex(QStringLiteral("MoneyUser"));

    WindowedQuery rows(ShareDataModule::instance(), 7);
    QVERIFY(rows.open(statement));
    QCOMPARE(rows.value(0, user), whole.value(0, user)); // shown before the key list is in
    rows.waitForKeys();
    QList<qint64> shown = indexesOf(rows);
    QList<qint64> expected = indexesOf(whole);
    for (int row = 0; row < whole.recordCount(); ++row)
        QVERIFY2(rows.value(row, user) == whole.value(row, user), qPrintable(QString::number(row)));
    std::sort(shown.begin(), shown.end());
    std::sort(expected.begin(), expected.end());
    QCOMPARE(shown, expected);
}

void DataTest::programStoresWhileKeysAreRead()
{
    ProgramFixture program;
    fillJournal(program, 30000);
    {
        WindowedQuery rows(ShareDataModule::instance(), 1);
        QVERIFY(rows.open(journalRows(QString(), ByAmount)));
        // The store waits for the program's own read to end, without telling of another program.
        QVERIFY(storeRecord(QStringLiteral("张三"), 77 * 12.3, ProgramFixture::Today) > 0);
        QCOMPARE(program.screen().notices(), QStringList());
        QCOMPARE(rows.recordCount(), 30000);
        QVERIFY(rows.value(29999, 0).isValid());

        // Closed, reopened, and left reading when it goes.
        QVERIFY(rows.open(journalRows(QString(), ByAccount)));
        rows.close();
        QVERIFY(!rows.isOpen());
        QCOMPARE(rows.recordCount(), 0);
        QVERIFY(!rows.value(0, 0).isValid());
        QVERIFY(rows.open(journalRows(QString(), ByDay)));
        QCOMPARE(rows.recordCount(), 30001);
    }
    QVERIFY(booksFreeForWriting(program));
}

void DataTest::windowedOpenFailures_data()
{
    QTest::addColumn<QString>("fields");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<QString>("order");
    QTest::addColumn<int>("code");       // SQLite's
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("serverText");
    const QString fields = QStringLiteral("MoneyIndex,MoneySum");
    QTest::newRow("misspelt field") << "MoneyIndex,MoneyUsr" << "" << ByDay << SQLITE_ERROR << "no such column: MoneyUsr"
                                    << "column \"MoneyUsr\" does not exist";
    QTest::newRow("misspelt order") << fields << "" << " Order By MoneyDay" << SQLITE_ERROR << "no such column: MoneyDay"
                                    << "column \"MoneyDay\" does not exist";
    QTest::newRow("quote left open") << fields << " And (MoneyUser = 'abc)" << ByDay << 0 << "" << "";
    QTest::newRow("second statement") << fields << " And (1 = 1); Delete From MoneyTable" << ByDay << 0
                                      << "语句后面有多余的内容" << "语句后面有多余的内容";
    QTest::newRow("books held") << fields << "" << ByDay << SQLITE_BUSY << "database is locked" << "";
}

void DataTest::windowedOpenFailures()
{
    QFETCH(QString, fields);
    QFETCH(QString, filter);
    QFETCH(QString, order);
    QFETCH(int, code);
    QFETCH(QString, text);
    QFETCH(QString, serverText);
    if (code == SQLITE_BUSY)
        SKIP_ON_SERVER("on a server another program's change never holds up reading");
    ProgramFixture program;
    fillJournal(program, 300);
    ShareDataModule::instance().setBusyTimeout(0);
    WindowedQuery rows(ShareDataModule::instance(), 2);
    {
        std::optional<OtherProgram> holder;
        if (code == SQLITE_BUSY) {
            holder.emplace(program.databasePath());
            QCOMPARE(holder->execute("BEGIN EXCLUSIVE"), SQLITE_OK);
        }
        QVERIFY(!rows.open(journalRows(filter, order, fields)));
    }
    if (TestEngine::onServer())
        text = serverText;
    else
        QCOMPARE(rows.lastFailure().code & 0xff, code);
    if (text.isEmpty())
        QVERIFY(!rows.lastFailure().text.isEmpty());
    else
        QCOMPARE(rows.lastFailure().text, text);
    QVERIFY(!rows.isOpen());
    QCOMPARE(rows.recordCount(), 0);
    QCOMPARE(rowsOf(QStringLiteral("Select * From MoneyTable")), 300);
    QVERIFY(booksFreeForWriting(program));
    QCOMPARE(program.screen().notices(), code == SQLITE_BUSY ? QStringList{WaitNotice} : QStringList());
}

void DataTest::windowedLateFailureToldOnce()
{
    ProgramFixture program;
    fillJournal(program, 20);
    WindowedQuery rows(ShareDataModule::instance(), 2);
    int told = 0;
    rows.setLateFailureReport([&] { ++told; });
    QVERIFY(rows.open(journalRows(QString(), ByDay)));
    const QVariant first = rows.value(0, 0);
    rows.waitForKeys();
    QCoreApplication::sendPostedEvents(&rows); // the count is in
    OtherProgram other(program);
    QCOMPARE(other.execute("ALTER TABLE MoneyTable RENAME COLUMN MoneyUser TO MoneyCustomer"), SQLITE_OK);

    QVERIFY(!rows.value(8, 0).isValid()); // past the first pages, read whole at opening
    QVERIFY(!rows.value(11, 0).isValid());
    QCOMPARE(told, 0); // not while the grid paints
    QCoreApplication::processEvents();
    QCOMPARE(told, 1);
    // The server names the column in lower case.
    QVERIFY2(rows.lastFailure().text.contains(QStringLiteral("MoneyUser"), Qt::CaseInsensitive),
             qPrintable(rows.lastFailure().text));
    QCOMPARE(rows.value(0, 0), first); // a page read before stays
}

void DataTest::windowedTotalsFollowTheFirstRows_data()
{
    QTest::addColumn<int>("pageRows");
    QTest::addColumn<QString>("filter");
    QTest::addColumn<int>("atHand"); // rows shown at opening; -1: every row, counted at once
    QTest::newRow("counted after the first pages") << 7 << QString() << 28;
    QTest::newRow("one more row than the first pages") << 1 << QStringLiteral(" And (MoneyIndex <= 5)") << 4;
    QTest::newRow("as many rows as the first pages") << 1 << QStringLiteral(" And (MoneyIndex <= 4)") << 4;
    QTest::newRow("fewer rows than the first pages") << 64 << QStringLiteral(" And (MoneyUser = '客户3')") << -1;
}

void DataTest::windowedTotalsFollowTheFirstRows()
{
    QFETCH(int, pageRows);
    QFETCH(QString, filter);
    QFETCH(int, atHand);
    ProgramFixture program;
    fillJournal(program, 600);
    const WindowedQuery::Statement statement = journalRows(filter, ByAmount);
    Query &whole = temp();
    QVERIFY(RunQuery(whole, wholeStatement(statement), QStringLiteral("读入失败")));
    const int sum = whole.fieldIndex(QStringLiteral("MoneySum"));

    WindowedQuery rows(ShareDataModule::instance(), pageRows);
    int told = 0;
    connect(&rows, &WindowedQuery::totalsArrived, this, [&] {
        ++told;
        QCOMPARE(rows.recordCount(), whole.recordCount());
    });
    QVERIFY(rows.open(statement));
    QCOMPARE(rows.totalsKnown(), atHand < 0);
    QCOMPARE(rows.rowsAtHand(), atHand < 0 ? whole.recordCount() : atHand);
    QCOMPARE(rows.value(0, 0), whole.value(0, 0));
    rows.waitForKeys();
    QCOMPARE(told, 0);
    QCoreApplication::sendPostedEvents(&rows);
    QCOMPARE(told, atHand < 0 ? 0 : 1);
    QVERIFY(rows.totalsKnown());
    QCOMPARE(rows.rowsAtHand(), atHand < 0 ? whole.recordCount() : atHand); // until the grid takes them
    rows.showCountedRows();
    QCOMPARE(rows.rowsAtHand(), whole.recordCount());
    QCOMPARE(RoundToText(rows.columnSum(sum)), RoundToText(whole.columnSum(sum)));
    const int last = whole.recordCount() - 1;
    QCOMPARE(rows.value(last, 0), whole.value(last, 0));
    QCOMPARE(program.screen().notices(), QStringList());
}

// Closed or reopened while the count is read: only the rows open when the program gets to the news
// are told of it.
void DataTest::windowedClosedWhileCountedTellsNothing()
{
    ProgramFixture program;
    fillJournal(program, 3000);
    WindowedQuery rows(ShareDataModule::instance(), 3);
    int told = 0;
    connect(&rows, &WindowedQuery::totalsArrived, this, [&] { ++told; });
    QVERIFY(rows.open(journalRows(QString(), ByAccount)));
    rows.close();
    QCoreApplication::sendPostedEvents(&rows);
    QCOMPARE(told, 0);
    QCOMPARE(rows.rowsAtHand(), 0);

    QVERIFY(rows.open(journalRows(QString(), ByAmount)));
    QVERIFY(rows.open(journalRows(QStringLiteral(" And (MoneyUser = '客户3')"), ByDay)));
    const int counted = rows.recordCount();
    QCoreApplication::sendPostedEvents(&rows);
    QCOMPARE(told, 1);
    QCOMPARE(rows.recordCount(), counted);
    QCOMPARE(counted, rowsOf(QStringLiteral("Select * From MoneyTable Where MoneyUser = '客户3'")));
    QVERIFY(booksFreeForWriting(program));
}

void DataTest::settingsRead_data()
{
    QTest::addColumn<QByteArray>("content"); // null: no file
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    const QByteArray usual = gbk(QStringLiteral("[数据库内容]\r\nODBC=1\r\n[Kalvora2]\r\nUserPower=出纳\r\n"));
    QTest::newRow("no file") << QByteArray() << "Kalvora2" << "UserPower" << "default";
    QTest::newRow("found") << usual << "Kalvora2" << "UserPower" << "出纳";
    QTest::newRow("Chinese section") << usual << "数据库内容" << "ODBC" << "1";
    QTest::newRow("case and blanks") << QByteArray("  [kalvora2]  \n  userpower  =  x y  \n") << "Kalvora2"
                                     << "UserPower" << "x y";
    QTest::newRow("key of another section") << usual << "Kalvora2" << "ODBC" << "default";
    QTest::newRow("empty value") << QByteArray("[Kalvora2]\nUserPower=\n") << "Kalvora2" << "UserPower" << "";
    QTest::newRow("first of two") << QByteArray("[Kalvora2]\nUserPower=a\nUserPower=b\n") << "Kalvora2"
                                  << "UserPower" << "a";
    QTest::newRow("garbage lines") << QByteArray("\xff\xfe\x01junk\n[\n=\n]]]\n[Kalvora2\nno equals here\n"
                                                 "[Kalvora2]\n\x80\x80\x80\nUserPower=ok\n")
                                   << "Kalvora2" << "UserPower" << "ok";
    QTest::newRow("empty file") << QByteArray("") << "Kalvora2" << "UserPower" << "default";
    QTest::newRow("CR line ends") << gbk(QStringLiteral("[数据库内容]\rODBC=1\r[Kalvora2]\rUserPower=出纳\rAccountType=5\r"))
                                  << "Kalvora2" << "AccountType" << "5";
    QTest::newRow("double quotes") << QByteArray("[Kalvora2]\r\nAccountType=\"5\"\r\n") << "Kalvora2"
                                   << "AccountType" << "5";
    QTest::newRow("single quotes, blanks inside kept") << QByteArray("[Kalvora2]\nAccountType = ' 5 ' \n")
                                                       << "Kalvora2" << "AccountType" << " 5 ";
    QTest::newRow("one pair of quotes only") << QByteArray("[Kalvora2]\nAccountType=\"\"5\"\"\n") << "Kalvora2"
                                             << "AccountType" << "\"5\"";
    QTest::newRow("quotes that do not pair") << QByteArray("[Kalvora2]\nAccountType=\"5'\n") << "Kalvora2"
                                             << "AccountType" << "\"5'";
    QTest::newRow("a lone quote") << QByteArray("[Kalvora2]\nAccountType=\"\n") << "Kalvora2" << "AccountType"
                                  << "\"";
}

void DataTest::settingsRead()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Kalvora.ini"));
    if (!content.isNull())
        writeBytes(path, content);
    QCOMPARE(ReadSetting(section, key, QStringLiteral("default"), path), value);
    QCOMPARE(QFile::exists(path), !content.isNull());
}

void DataTest::settingsStoredInGbk()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Kalvora.ini"));
    QVERIFY(WriteSetting(QStringLiteral("数据库内容"), QStringLiteral("ODBC"), QStringLiteral("1"), path));
    QVERIFY(WriteSetting(QStringLiteral("Kalvora2"), QStringLiteral("UserPower"), QStringLiteral("出纳"), path));
    QCOMPARE(readBytes(path), gbk(QStringLiteral("[数据库内容]\r\nODBC=1\r\n[Kalvora2]\r\nUserPower=出纳\r\n")));
    QVERIFY(readBytes(path).endsWith("UserPower=\xb3\xf6\xc4\xc9\r\n"));
    QCOMPARE(ReadSetting(QStringLiteral("Kalvora2"), QStringLiteral("UserPower"), QString(), path),
             QStringLiteral("出纳"));
}

void DataTest::settingsLimitsInGbkBytes_data()
{
    QTest::addColumn<QString>("written");
    QTest::addColumn<QString>("stored"); // what the file holds
    QTest::addColumn<QString>("read");
    const QString wide = QString(600, u'帐');
    QTest::newRow("short") << "出纳" << "出纳" << "出纳";
    // 1023 bytes may be written, 1022 read back; a two-byte character is kept whole or not at all.
    QTest::newRow("ideographs") << wide << QString(511, u'帐') << QString(511, u'帐');
    QTest::newRow("odd start") << QStringLiteral("a") + wide << QStringLiteral("a") + QString(511, u'帐')
                               << QStringLiteral("a") + QString(510, u'帐');
    QTest::newRow("ASCII") << QString(2000, u'x') << QString(1023, u'x') << QString(1022, u'x');
}

void DataTest::settingsLimitsInGbkBytes()
{
    QFETCH(QString, written);
    QFETCH(QString, stored);
    QFETCH(QString, read);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Kalvora.ini"));
    QVERIFY(WriteSetting(QStringLiteral("Kalvora2"), QStringLiteral("Remark"), written, path));
    QCOMPARE(readBytes(path), gbk(QStringLiteral("[Kalvora2]\r\nRemark=") + stored + QStringLiteral("\r\n")));
    QCOMPARE(ReadSetting(QStringLiteral("Kalvora2"), QStringLiteral("Remark"), QString(), path), read);

    // Keys are cut at 255 bytes the same way, on writing and on reading.
    const QString longKey = QString(200, u'帐');
    QVERIFY(WriteSetting(QStringLiteral("Kalvora2"), longKey, QStringLiteral("v"), path));
    QVERIFY(readBytes(path).contains(gbk(QString(127, u'帐') + QStringLiteral("=v\r\n"))));
    QCOMPARE(ReadSetting(QStringLiteral("Kalvora2"), longKey, QString(), path), QStringLiteral("v"));
}

void DataTest::settingsWriteKeepsOtherLines()
{
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Kalvora.ini"));
    const QByteArray before = gbk(QStringLiteral("; 注释\r\n[数据库内容]\r\nODBC=0\r\nOther = keep  me\r\n\r\n"))
                              + QByteArray("\xff garbage\r\n[KalvoraSetting]\r\nReportFields=MoneyIndex,MoneySum\r\n");
    writeBytes(path, before);
    QVERIFY(WriteSetting(QStringLiteral("数据库内容"), QStringLiteral("odbc"), QStringLiteral("1"), path));
    QVERIFY(WriteSetting(QStringLiteral("KalvoraSetting"), QStringLiteral("New"), QStringLiteral("v"), path));
    QVERIFY(WriteSetting(QStringLiteral("Kalvora2"), QStringLiteral("UserPower"), QStringLiteral("出纳"), path));
    const QByteArray after = gbk(QStringLiteral("; 注释\r\n[数据库内容]\r\nodbc=1\r\nOther = keep  me\r\n\r\n"))
                             + QByteArray("\xff garbage\r\n[KalvoraSetting]\r\nReportFields=MoneyIndex,MoneySum\r\n"
                                          "New=v\r\n")
                             + gbk(QStringLiteral("[Kalvora2]\r\nUserPower=出纳\r\n"));
    QCOMPARE(readBytes(path), after);
}

void DataTest::settingsWriteFailureKeepsOldFile_data()
{
    QTest::addColumn<bool>("diskFull");
    QTest::newRow("read-only folder") << false;
    QTest::newRow("disk full") << true;
}

void DataTest::settingsWriteFailureKeepsOldFile()
{
    QFETCH(bool, diskFull);
    if (!diskFull && geteuid() == 0)
        QSKIP("the superuser writes into read-only folders");
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Kalvora.ini"));
    const QByteArray before = gbk(QStringLiteral("[Kalvora2]\nUserPower=出纳\n"));
    writeBytes(path, before);
    const QString longValue(300, u'x');
    bool written = true;
    if (diskFull) {
        FileSizeLimit limit(64);
        written = WriteSetting(QStringLiteral("Kalvora2"), QStringLiteral("Remark"), longValue, path);
    } else {
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::ExeOwner);
        written = WriteSetting(QStringLiteral("Kalvora2"), QStringLiteral("Remark"), longValue, path);
        QFile::setPermissions(dir.path(), QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    }
    QVERIFY(!written);
    QCOMPARE(readBytes(path), before);
    QCOMPARE(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden), QStringList{QStringLiteral("Kalvora.ini")});
}

void DataTest::settingsFileAsWindowsWritesIt_data()
{
    QTest::addColumn<QByteArray>("before"); // null: no file
    QTest::addColumn<QString>("key");
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("after");
    QTest::addColumn<QString>("read"); // the key read back
    QTest::newRow("new file") << QByteArray() << "AccountType" << "5"
                              << QByteArray("[Kalvora2]\r\nAccountType=5\r\n") << "5";
    QTest::newRow("CR line ends") << QByteArray("[Kalvora2]\rUserPower=x\rAccountType=1\r[Other]\rk=v\r") << "AccountType"
                                  << "7" << QByteArray("[Kalvora2]\rUserPower=x\rAccountType=7\r[Other]\rk=v\r") << "7";
    QTest::newRow("mixed line ends kept") << QByteArray("[A]\nx = 1 \r\n[Kalvora2]\rUserPower=x\r\n") << "AccountType"
                                          << "3" << QByteArray("[A]\nx = 1 \r\n[Kalvora2]\rUserPower=x\r\nAccountType=3\n")
                                          << "3";
    QTest::newRow("last line without a line end")
        << QByteArray("[Kalvora2]\r\nUserPower=x") << "AccountType" << "3"
        << QByteArray("[Kalvora2]\r\nUserPower=x\r\nAccountType=3\r\n") << "3";
    QTest::newRow("changed last line keeps having no line end")
        << QByteArray("[Kalvora2]\r\nAccountType=1") << "AccountType" << "3"
        << QByteArray("[Kalvora2]\r\nAccountType=3") << "3";
    QTest::newRow("line breaks in the value")
        << QByteArray() << "AccountType" << "1\r\n[数据库内容]\nODBC=1"
        << gbk(QStringLiteral("[Kalvora2]\r\nAccountType=1  [数据库内容] ODBC=1\r\n")) << "1  [数据库内容] ODBC=1";
    QTest::newRow("line break in the key") << QByteArray() << "Account\nType" << "1"
                                           << QByteArray("[Kalvora2]\r\nAccount Type=1\r\n") << "1";
    QTest::newRow("characters GBK lacks") << QByteArray() << "UserPower" << "a😀กé出b"
                                          << gbk(QStringLiteral("[Kalvora2]\r\nUserPower=a??é出b\r\n")) << "a??é出b";
}

// The settings file is written as the Windows profile functions write it; lines not changed keep their
// bytes, line ends included.
void DataTest::settingsFileAsWindowsWritesIt()
{
    QFETCH(QByteArray, before);
    QFETCH(QString, key);
    QFETCH(QString, value);
    QFETCH(QByteArray, after);
    QFETCH(QString, read);
    QTemporaryDir dir;
    const QString path = dir.filePath(QStringLiteral("Kalvora.ini"));
    if (!before.isNull())
        writeBytes(path, before);
    QVERIFY(WriteSetting(QStringLiteral("Kalvora2"), key, value, path));
    QCOMPARE(readBytes(path), after);
    QCOMPARE(ReadSetting(QStringLiteral("Kalvora2"), QString(key).replace(u'\n', u' '), QString(), path), read);
    QCOMPARE(ReadSetting(QStringLiteral("数据库内容"), QStringLiteral("ODBC"), QStringLiteral("0"), path),
             QStringLiteral("0"));
}

// A settings path longer than the helpers take is never cut to the name of another file.
void DataTest::settingsPathNeverCut()
{
    QTemporaryDir dir;
    const QString folder = dir.path() + QLatin1Char('/');
    const QString foreign = folder + QString(255 - folder.size(), u'k');
    QCOMPARE(foreign.size(), 255);
    const QByteArray foreignContent("[Kalvora2]\r\nUserPower=other\r\n");
    writeBytes(foreign, foreignContent);
    QVERIFY(SettingsPathFits(foreign));
    QCOMPARE(ReadSetting(QStringLiteral("Kalvora2"), QStringLiteral("UserPower"), QString(), foreign),
             QStringLiteral("other"));

    const QString longer = foreign + QStringLiteral(".ini");
    QVERIFY(!SettingsPathFits(longer));
    QCOMPARE(ReadSetting(QStringLiteral("Kalvora2"), QStringLiteral("UserPower"), QStringLiteral("出纳"), longer),
             QStringLiteral("出纳"));
    QVERIFY(!WriteSetting(QStringLiteral("Kalvora2"), QStringLiteral("UserPower"), QStringLiteral("管理员"), longer));
    QCOMPARE(readBytes(foreign), foreignContent);
    QVERIFY(!QFile::exists(longer));
    // Counted in GBK bytes: an ideograph takes two.
    QVERIFY(SettingsPathFits(QStringLiteral("/") + QString(127, u'帐')));
    QVERIFY(!SettingsPathFits(QStringLiteral("/x") + QString(127, u'帐')));
}

void DataTest::registrationKeepsOtherSources()
{
    ProgramFixture program(ProgramFixture::Start::NotStarted);
    const QByteArray others = "[ODBC Data Sources]\nOther = PostgreSQL\n\n[Other]\nDriver = PostgreSQL\n"
                              "Database = shop\n";
    writeBytes(program.odbcIniPath(), others);
    QVERIFY(RegisterDataSource(QStringLiteral("KalvoraCmp"), QStringLiteral("/old/place.mdb"), QStringLiteral("旧")));
    QVERIFY(RegisterDataSource(QStringLiteral("KalvoraCmp"), program.databasePath(),
                               QStringLiteral("流水帐企业数据库")));
    QVERIFY(program.screen().takeMessages().isEmpty());
    const QString expected = QStringLiteral("[ODBC Data Sources]\nOther = PostgreSQL\nKalvoraCmp=SQLite3\n\n"
                                            "[Other]\nDriver = PostgreSQL\nDatabase = shop\n"
                                            "[KalvoraCmp]\nDriver=SQLite3\nDatabase=%1\nDescription=流水帐企业数据库\n"
                                            "NoCreat=1\nSyncPragma=FULL\nTimeout=10000\n")
                                 .arg(program.databasePath());
    QCOMPARE(QString::fromUtf8(readBytes(program.odbcIniPath())), expected);
    QCOMPARE(DataSource::databaseOf(QStringLiteral("KalvoraCmp")), program.databasePath());
}

void DataTest::registrationFailures_data()
{
    // The data-source file is written in three steps; each step that cannot write shows its own message.
    QTest::addColumn<int>("step");
    QTest::addColumn<QString>("message");
    QTest::newRow("file cannot be created") << 1 << "注册表键值创建失败";
    QTest::newRow("entry cannot be written") << 2 << "注册键HKEY_LOCAL_MACHINE\\Software\\ODBC\\ODBC.INI\\KalvoraCmp打开失败";
    QTest::newRow("options cannot be written")
        << 3 << "注册键HKEY_LOCAL_MACHINE\\Software\\ODBC\\ODBC.INI\\KalvoraCmp\\Engines\\Jet打开失败";
}

void DataTest::registrationFailures()
{
    QFETCH(int, step);
    QFETCH(QString, message);
    ProgramFixture program(ProgramFixture::Start::NotStarted);
    const auto registerBooks = [&] {
        return RegisterDataSource(QStringLiteral("KalvoraCmp"), program.databasePath(),
                                  QStringLiteral("流水帐企业数据库"));
    };
    // The size of the whole entry tells how far a full disk lets each step go; measured on a file of its
    // own, not beside the test server's entry.
    QFile::remove(program.odbcIniPath());
    QVERIFY(registerBooks());
    const qint64 whole = QFileInfo(program.odbcIniPath()).size();
    QFile::remove(program.odbcIniPath());

    bool registered = true;
    if (step == 1) {
        qputenv("ODBCINI", QFile::encodeName(program.folder() + QStringLiteral("missing/odbc.ini")));
        registered = registerBooks();
    } else {
        FileSizeLimit limit(step == 2 ? 64 : whole - 1);
        registered = registerBooks();
    }
    QVERIFY(!registered);
    QCOMPARE(program.screen().takeMessages(), QStringList{message});
}

void DataTest::jetOnPostgres_data()
{
    QTest::addColumn<QString>("jet");
    QTest::addColumn<QString>("postgres");
    QTest::newRow("date literal") << "Select * From MoneyTable Where (MoneyCreateTime = #2026-12-10#)"
                                  << "Select * From MoneyTable Where (MoneyCreateTime = '2026-12-10')";
    QTest::newRow("short date parts") << "Between #2026-1-5# And #2026/2/28#" << "Between '2026-01-05' And '2026-02-28'";
    QTest::newRow("hash and ampersand inside texts") << "Where MoneyUser = 'it''s #1#' Or MoneyUser = 'A & B'"
                                                     << "Where MoneyUser = 'it''s #1#' Or MoneyUser = 'A & B'";
    QTest::newRow("InStr alone after And")
        << "Select * From MoneyTable Where (MoneyAccount = 2) And (InStr(MoneyUser,'O''Brien'))"
        << "Select * From MoneyTable Where (MoneyAccount = 2) And ((InStr(MoneyUser,'O''Brien') <> 0))";
    QTest::newRow("InStr alone after Where, before Order By")
        << "Select * From Account Where instr(AccountName,')') Order By AccountName"
        << "Select * From Account Where (instr(AccountName,')') <> 0) Order By AccountName NULLS FIRST";
    QTest::newRow("InStr alone after Not, brackets inside")
        << "Where Not INSTR(MoneyUser || (MoneyMan),'x') Or (MoneySum = 1)"
        << "Where Not (INSTR(MoneyUser || (MoneyMan),'x') <> 0) Or (MoneySum = 1)";
    QTest::newRow("InStr alone, twice") << "Where (InStr(a,'x')) Or ((InStr(b,'y')));"
                                        << "Where ((InStr(a,'x') <> 0)) Or (((InStr(b,'y') <> 0)));";
    QTest::newRow("InStr compared") << "Where (InStr(a,'x') = 6)" << "Where (InStr(a,'x') = 6)";
    QTest::newRow("InStr in brackets, compared") << "Where ((InStr(a,'x')) > 0)" << "Where ((InStr(a,'x')) > 0)";
    QTest::newRow("InStr as an argument") << "Where (Abs(InStr(a,'x')) > 0)" << "Where (Abs(InStr(a,'x')) > 0)";
    QTest::newRow("InStr in the select list") << "Select InStr(a,'x') As p From T" << "Select InStr(a,'x') As p From T";
    QTest::newRow("Order By items") << "Select * From MoneyTable Order By MoneySum Desc,MoneyCreateTime,MoneyIndex"
                                    << "Select * From MoneyTable Order By MoneySum Desc NULLS LAST,MoneyCreateTime NULLS FIRST,"
                                       "MoneyIndex NULLS FIRST";
    QTest::newRow("Desc and Asc in any case, trailing ;") << "Select * From T order by a DESC, b asc , c desc;"
                                                          << "Select * From T order by a DESC NULLS LAST, b asc NULLS FIRST , "
                                                             "c desc NULLS LAST;";
    QTest::newRow("Order By inside a text") << "Select * From T Where a = 'x Order By y'"
                                            << "Select * From T Where a = 'x Order By y'";
    QTest::newRow("Order By of a subquery left alone")
        << "Select * From (Select a From T Order By a Desc Limit 5) As Page Order By a"
        << "Select * From (Select a From T Order By a Desc Limit 5) As Page Order By a NULLS FIRST";
    QTest::newRow("Order By item with a call, then Limit")
        << "Select * From T Order By Round(a,2) Desc, b Limit 50 Offset 100"
        << "Select * From T Order By Round(a,2) Desc NULLS LAST, b NULLS FIRST Limit 50 Offset 100";
    QTest::newRow("NULL place already given") << "Select * From T Order By a Nulls Last" << "Select * From T Order By a Nulls Last";
    QTest::newRow("parameters numbered outside texts")
        << "Select a, k From T Where (x = 'a?') And (k = ?) And (j = ?)"
        << "Select a, k From T Where (x = 'a?') And (k = $1) And (j = $2)";
}

void DataTest::jetOnPostgres()
{
    QFETCH(QString, jet);
    QFETCH(QString, postgres);
    QString error;
    QCOMPARE(JetSql::toPostgres(jet, &error), postgres);
    QCOMPARE(error, QString());
}

void DataTest::jetRefusedOnBothEngines_data()
{
    QTest::addColumn<QString>("jet");
    QTest::addColumn<QString>("error");
    const QString badDate = QStringLiteral("语句中的日期格式有误");
    const QString unpaired = QStringLiteral("语句中的引号不成对");
    QTest::newRow("no such day") << "Where (InStr(a,'x')) And MoneyCreateTime = #2026-02-30#" << badDate;
    QTest::newRow("lone hash") << "Where MoneyUser = 5 # 3 Order By a" << badDate;
    QTest::newRow("unclosed text") << "Where MoneyUser = 'x'' Order By a" << unpaired;
    QTest::newRow("unclosed name") << "Select \"a From T" << unpaired;
    QTest::newRow("NUL") << QStringLiteral("Where MoneyUser = 'a") + QChar(0) + QStringLiteral("'") << JetSql::NulInText;
    QTest::newRow("texts joined with &") << "Where MoneyUser = 'x' & 'y'" << JetSql::UnsupportedOperator;
    QTest::newRow("& after a text holding one") << "Where MoneyUser = 'a&b'&MoneyMan" << JetSql::UnsupportedOperator;
}

void DataTest::jetRefusedOnBothEngines()
{
    QFETCH(QString, jet);
    QFETCH(QString, error);
    QString sqliteError;
    QCOMPARE(JetSql::toSqlite(jet, &sqliteError), QString());
    QCOMPARE(sqliteError, error);
    QString postgresError;
    QCOMPARE(JetSql::toPostgres(jet, &postgresError), QString());
    QCOMPARE(postgresError, error);
}

void DataTest::instrFoldsLatinLettersOnly_data()
{
    QTest::addColumn<QString>("call");
    QTest::addColumn<int>("position");
    QTest::newRow("accented capital") << "InStr('Äpfel','ä')" << 0;
    QTest::newRow("full-width capitals") << "InStr('ＡＢＣ','ａｂｃ')" << 0;
    QTest::newRow("Latin capital sought small") << "InStr('abcX','x')" << 4;
    QTest::newRow("after ideographs") << "InStr('中国银行 Bank','BANK')" << 6;
}

void DataTest::instrFoldsLatinLettersOnly()
{
    QFETCH(QString, call);
    QFETCH(int, position);
    ProgramFixture program;
    Query &query = program.select(QStringLiteral("Select ") + call + QStringLiteral(" As P From Power Where PowerName = '出纳'"));
    QCOMPARE(query.recordCount(), 1);
    QCOMPARE(query.fieldInteger(QStringLiteral("P")), position);
}

void DataTest::balanceCountsOddDayTextsOnce_data()
{
    QTest::addColumn<QDate>("day");
    QTest::addColumn<int>("bound");
    QTest::newRow("through a day of the month") << QDate(2026, 12, 10) << int(MonthTotals::Bound::Through);
    QTest::newRow("before the month's first day") << QDate(2026, 12, 1) << int(MonthTotals::Bound::Before);
    QTest::newRow("through the last day before") << QDate(2026, 11, 30) << int(MonthTotals::Bound::Through);
    QTest::newRow("before the next month") << QDate(2027, 1, 1) << int(MonthTotals::Bound::Before);
}

// Day texts written by another program sort beside the dates of the month and of the month before;
// each counts in exactly one month, so a balance equals the sum over the whole history.
void DataTest::balanceCountsOddDayTextsOnce()
{
    SKIP_ON_SERVER("a server keeps days as dates: no odd day text can be stored");
    QFETCH(QDate, day);
    QFETCH(int, bound);
    ProgramFixture program;
    program.insert(QStringLiteral("Account"), {{QStringLiteral("AccountName"), QStringLiteral("银行A")}});
    const QStringList dayTexts{QStringLiteral("2026-11-30"), QStringLiteral("2026-11-30 "), QStringLiteral("2026-11-31"),
                               QStringLiteral("2026-12"),    QStringLiteral("2026-12-0"),   QStringLiteral("2026-12-01"),
                               QStringLiteral("2026-12-5"),  QStringLiteral("2026-12-10x"), QStringLiteral("2026-12-31")};
    double amount = 1;
    for (const QString &text : dayTexts) {
        program.insert(QStringLiteral("MoneyTable"), {{QStringLiteral("MoneyAccount"), 2},
                                                      {QStringLiteral("MoneyCreateTime"), text},
                                                      {QStringLiteral("MoneySum"), amount}});
        amount *= 2;
    }
    const auto through = MonthTotals::Bound(bound);
    const QString wholeHistory = QStringLiteral("Select Sum(MoneySum) As B From MoneyTable Where (MoneyAccount = 2) And (MoneyCreateTime ")
        + (through == MonthTotals::Bound::Before ? QStringLiteral("< ") : QStringLiteral("<= ")) + JetSql::dateLiteral(day)
        + QLatin1Char(')');
    const double expected = program.select(wholeHistory).value(0, 0).toDouble();
    QCOMPARE(program.select(MonthTotals::balanceStatement(QStringLiteral("B"), day, through, QStringLiteral(" And (AccountIndex = 2)"),
                                                          MonthTotals::Rounding::None))
                 .value(0, 0)
                 .toDouble(),
             expected);
}

// The server books declare every field of the file books, with the same delivered rows and version.
void DataTest::serverSchemaHoldsTheFileBooks()
{
    const QString script = PgSchema::script();
    QVERIFY(!script.isEmpty());
    static const QRegularExpression table(QStringLiteral("CREATE TABLE (\\w+)\\((.*?)\\);"),
                                          QRegularExpression::DotMatchesEverythingOption);
    QHash<QString, QStringList> declared;
    for (auto it = table.globalMatch(script); it.hasNext();) {
        const auto match = it.next();
        for (const QString &field : match.captured(2).split(QLatin1Char(',')))
            declared[match.captured(1)].append(field.trimmed().section(QLatin1Char(' '), 0, 0));
    }
    for (const auto &[name, fields] : DeliveredBooks::tableFields())
        for (const QString &field : fields)
            QVERIFY2(declared.value(name).contains(field), qPrintable(name + QLatin1Char('.') + field));
    QVERIFY(declared.contains(QString::fromLatin1(MonthTotals::Table)));

    const auto number = [&](const QString &pattern) {
        return QRegularExpression(pattern).match(script).captured(1).toInt();
    };
    QCOMPARE(number(QStringLiteral("INSERT INTO BooksVersion\\(SchemaVersion\\) VALUES \\((\\d+)\\)")),
             DeliveredBooks::SchemaVersion);
    QCOMPARE(number(QStringLiteral("INSERT INTO PrintTable\\b[^;]*generate_series\\(1, (\\d+)\\)")),
             DeliveredBooks::PrintTableRows);
    QCOMPARE(number(QStringLiteral("INSERT INTO PrintDay\\b[^;]*generate_series\\(1, (\\d+)\\)")),
             DeliveredBooks::PrintDayRows);
}

void DataTest::atomicUnitRunsAgainAfterAConflict_data()
{
    QTest::addColumn<int>("conflicts"); // runs broken off by another cashier's changes before one goes through
    QTest::addColumn<bool>("otherFailure");
    QTest::addColumn<bool>("stored");
    QTest::addColumn<int>("runs");
    QTest::newRow("no conflict") << 0 << false << true << 1;
    QTest::newRow("one conflict") << 1 << false << true << 2;
    QTest::newRow("three conflicts") << 3 << false << true << 4;
    QTest::newRow("four conflicts: given up") << 4 << false << false << 4;
    QTest::newRow("another failure: not run again") << 0 << true << false << 1;
}

// A unit broken off is run again from the start, up to three more times, and the changes of every run
// that did not go through are undone: the books hold the one run that did, or nothing.
void DataTest::atomicUnitRunsAgainAfterAConflict()
{
    QFETCH(int, conflicts);
    QFETCH(bool, otherFailure);
    QFETCH(bool, stored);
    QFETCH(int, runs);
    ProgramFixture program;
    ShareDataModule &books = *program.windows().data;
    int run = 0;
    EngineError error;
    const bool done = runAtomically(
        books,
        [&](EngineError *failure) {
            ++run;
            Query account(books);
            account.setSql(QStringLiteral("Select * From Account"));
            if (!account.open() || !account.append())
                return false;
            account.setField(QStringLiteral("AccountName"), QStringLiteral("第%1次").arg(run));
            if (!account.post()) {
                *failure = account.lastFailure();
                return false;
            }
            if (run <= conflicts || otherFailure) {
                *failure = {0, QStringLiteral("broken off"),
                            run <= conflicts ? EngineError::Kind::Conflict : EngineError::Kind::Other};
                return false;
            }
            return true;
        },
        &error);
    QCOMPARE(done, stored);
    QCOMPARE(run, runs);
    QCOMPARE(error.text, stored ? QString() : QStringLiteral("broken off"));
    Query &accounts = program.select(QStringLiteral("Select * From Account Where AccountIndex > 1"));
    QCOMPARE(accounts.recordCount(), stored ? 1 : 0);
    if (stored)
        QCOMPARE(accounts.fieldText(QStringLiteral("AccountName")), QStringLiteral("第%1次").arg(runs));
}

namespace {

// The printed rows of a built report, each the six texts of one data row.
QList<QStringList> printedRows(Report &report)
{
    QList<QStringList> lines;
    for (int p = 0; p < report.pageCount(); ++p) {
        const QStringList texts = report.page(p).textsOf(ReportBand::Data);
        for (int t = 0; t + 6 <= texts.size(); t += 6)
            lines.append(texts.mid(t, 6));
    }
    return lines;
}

// One cashier's 财务月结, as the main window runs it, on a connection of its own.
struct MonthClosingRun
{
    explicit MonthClosingRun(ShareDataModule &connection)
        : books(connection)
    {
    }

    ShareDataModule &books;
    Query grid{books};
    Report report{books, grid};
    FormProgress progress;

    void close(const QDate &day) { ResearchReport(books, grid, report, progress, day); }
};

QString firstDayName(ShareDataModule &books)
{
    Query days(books);
    days.setSql(QStringLiteral("Select * From PrintDay Order By DayIndex"));
    return days.open() ? days.fieldText(QStringLiteral("DayName")) : days.lastError();
}

} // namespace

// Two cashiers close different months at the same moment: each connection to server books writes its
// own copy of the print tables, so each preview shows its own month and the shared table stays as
// delivered.
void DataTest::twoMonthClosingsAtOnce()
{
    SKIP_ON_FILE("a file has one print table for every program, and one program at a time writes it");
    ProgramFixture program;
    const qint64 bank = program.insert(QStringLiteral("Account"),
                                       {{QStringLiteral("AccountName"), QStringLiteral("工行")}, {QStringLiteral("AccountType"), 1}});
    for (const auto &[day, sum] : {std::pair{QDate(2026, 11, 3), 12.3}, std::pair{QDate(2026, 12, 5), 77 * 12.3}})
        program.insert(QStringLiteral("MoneyTable"), {{QStringLiteral("MoneyAccount"), bank},
                                                      {QStringLiteral("MoneyCreateTime"), day},
                                                      {QStringLiteral("MoneySum"), sum}});
    MonthClosingRun mine(*program.windows().data);
    ShareDataModule otherBooks;
    MonthClosingRun theirs(otherBooks);
    QList<QStringList> myRows, theirRows;
    const auto leave = [](QDialog &preview) { preview.findChild<QPushButton *>(QStringLiteral("ButtonExit"))->click(); };
    program.screen().onDialog(QStringLiteral("FormPreview"), [&](QDialog &myPreview) {
        // While this preview is open, the other cashier closes November.
        program.screen().onDialog(QStringLiteral("FormPreview"), [&](QDialog &theirPreview) {
            theirRows = printedRows(theirs.report);
            leave(theirPreview);
        });
        theirs.close(QDate(2026, 11, 20));
        myRows = printedRows(mine.report);
        leave(myPreview);
    });
    mine.close(QDate(2026, 12, 10));

    QVERIFY(program.screen().allUsed());
    QCOMPARE(program.screen().takeMessages(), QStringList());
    QCOMPARE(myRows.value(4), (QStringList{"2026-12-05", "1", "947.1", "0", "0", "947.1"}));
    QCOMPARE(myRows.value(myRows.size() - 1), (QStringList{"合计", "1", "947.1", "0", "0", "947.1"}));
    QCOMPARE(theirRows.value(2), (QStringList{"2026-11-03", "1", "12.3", "0", "0", "12.3"}));
    QCOMPARE(theirRows.value(theirRows.size() - 1), (QStringList{"合计", "1", "12.3", "0", "0", "12.3"}));
    // What each would print again from its preview: its own month.
    QCOMPARE(firstDayName(mine.books), QStringLiteral("2026-12-01"));
    QCOMPARE(firstDayName(otherBooks), QStringLiteral("2026-11-01"));
    OtherProgram other(program);
    QCOMPARE(other.number("SELECT count(*) FROM public.PrintDay WHERE DayName <> '--------'"), 0);
}

QTEST_MAIN(DataTest)
#include "tst_data.moc"
