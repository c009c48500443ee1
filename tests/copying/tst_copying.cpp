#include <QApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QtTest>

#include <libpq-fe.h>
#include <pg_config_manual.h>
#include <sqlite3.h>
#include <sys/stat.h>

#include "changes/ChangeCheck.h"
#include "copying/MoveBooks.h"
#include "copying/ServerCommands.h"
#include "copying/ServerFile.h"
#include "copying/ServerSetup.h"
#include "data/ChangeRecord.h"
#include "data/DataSource.h"
#include "data/DeliveredBooks.h"
#include "data/MonthTotals.h"
#include "data/Query.h"
#include "data/ShareDataModule.h"
#include "maintenance/BooksBackup.h"
#include "support/ChildProgram.h"
#include "support/Files.h"
#include "support/ProgramFixture.h"
#include "support/TestEngine.h"

namespace {

// The kill test's child moves the books file named in these variables to the server, or restores it
// onto the server's books.
constexpr char ChildFileVariable[] = "KALVORA_TEST_CHILD_FILE";
constexpr char ChildTargetVariable[] = "KALVORA_TEST_CHILD_TARGET";

void runOnFile(const QString &path, const QString &sql)
{
    sqlite3 *db = nullptr;
    QCOMPARE(sqlite3_open(QFile::encodeName(path).constData(), &db), SQLITE_OK);
    char *message = nullptr;
    const int rc = sqlite3_exec(db, sql.toUtf8().constData(), nullptr, nullptr, &message);
    const QString error = QString::fromUtf8(message ? message : "");
    sqlite3_free(message);
    sqlite3_close(db);
    QVERIFY2(rc == SQLITE_OK, qPrintable(error));
}

// An amount with every bit of it, so that both engines' values compare exactly.
QString exactly(double value)
{
    return QString::number(value, 'g', 17);
}

constexpr Oid Float8Type = 701;

// The rows of a statement on a books file, each as its values joined by '|', NULL as "∅".
QStringList fileRows(const QString &path, const QString &sql)
{
    QStringList rows;
    sqlite3 *db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &statement, nullptr) != SQLITE_OK)
        rows.append(QString::fromUtf8(sqlite3_errmsg(db)));
    while (statement && sqlite3_step(statement) == SQLITE_ROW) {
        QStringList values;
        for (int c = 0; c < sqlite3_column_count(statement); ++c)
            values.append(sqlite3_column_type(statement, c) == SQLITE_NULL ? QStringLiteral("∅")
                              : sqlite3_column_type(statement, c) == SQLITE_FLOAT
                              ? exactly(sqlite3_column_double(statement, c))
                              : QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, c))));
        rows.append(values.join(u'|'));
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return rows;
}

QStringList serverRows(const QString &database, const QString &sql)
{
    QStringList rows;
    PGconn *conn = TestEngine::connectToServer(database);
    PGresult *result = PQexec(conn, sql.toUtf8().constData());
    if (PQresultStatus(result) != PGRES_TUPLES_OK && PQresultStatus(result) != PGRES_COMMAND_OK)
        rows.append(QString::fromUtf8(PQresultErrorMessage(result)));
    for (int r = 0; r < PQntuples(result); ++r) {
        QStringList values;
        for (int c = 0; c < PQnfields(result); ++c)
            values.append(PQgetisnull(result, r, c) ? QStringLiteral("∅")
                              : PQftype(result, c) == Float8Type ? exactly(QByteArray(PQgetvalue(result, r, c)).toDouble())
                                                                 : QString::fromUtf8(PQgetvalue(result, r, c)));
        rows.append(values.join(u'|'));
    }
    PQclear(result);
    PQfinish(conn);
    return rows;
}

QString serverValue(const QString &database, const QString &sql)
{
    return serverRows(database, sql).value(0);
}

int publicTables(const QString &database)
{
    return serverValue(database, QStringLiteral("SELECT count(*) FROM pg_tables WHERE schemaname = 'public'")).toInt();
}

// Every row of each table of the books, in the order of their record numbers: on a file by rowid, on
// the server by the table's key, the server's own key columns left out.
QStringList fileContent(const QString &path)
{
    QStringList rows;
    for (const auto &[table, fields] : DeliveredBooks::tableFields())
        for (const QString &row : fileRows(path, QStringLiteral("SELECT %1 FROM %2 ORDER BY rowid").arg(fields.join(u','), table)))
            rows.append(table + u'|' + row);
    return rows;
}

QStringList serverContent(const QString &database)
{
    const QHash<QString, QString> keys{{QStringLiteral("Parameter"), QStringLiteral("ParameterIndex")},
                                       {QStringLiteral("Power"), QStringLiteral("PowerIndex")},
                                       {QStringLiteral("PrintDay"), QStringLiteral("DayIndex")}};
    QStringList rows;
    for (const auto &[table, fields] : DeliveredBooks::tableFields()) {
        QStringList selected = fields;
        selected.replaceInStrings(QStringLiteral("PrintEnable"), QStringLiteral("PrintEnable::int"));
        const QString key = keys.value(table, fields.first());
        for (const QString &row : serverRows(database, QStringLiteral("SELECT %1 FROM %2 ORDER BY %3")
                                                           .arg(selected.join(u','), table, key)))
            rows.append(table + u'|' + row);
    }
    return rows;
}

// Books as they are after some years: two accounts, records over three months with amounts that do not
// add up cleanly, texts with tabs, quotes and backslashes, a record deleted (so the third record is
// number 4), numbers given out past the last record, and records of an account deleted long ago.
void storeBooks(const QString &path)
{
    QString error;
    QVERIFY2(DeliveredBooks::create(path, &error), qPrintable(error));
    runOnFile(path, QStringLiteral(
        "INSERT INTO Account(AccountName, AccountType) VALUES ('工行''东', 1), ('现金', 2);"
        "WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 78) "
        "INSERT INTO MoneyTable(MoneyAccount, MoneyCreateTime, MoneyRecordTime, MoneySum, MoneyUser, MoneyRemark) "
        "SELECT 2, date('2026-10-01', '+' || i || ' days'), '2026-12-10', 12.3, '客户' || i, 'a' || char(9) || 'b\\c' || char(10) || 'd''' FROM n;"
        "DELETE FROM MoneyTable WHERE MoneyIndex = 2;"
        "INSERT INTO MoneyTable(MoneyAccount, MoneyCreateTime, MoneySum, MoneyType) VALUES (3, '2026-12-01', -0.1, NULL),"
        " (3, '2026-12-02', -0.2, '杂费'), (9, '2025-01-05', 100.05, '旧帐户');"
        "INSERT INTO GetPay(GetPayTime, GetPayUser, GetPaySum, GetPayRemark) VALUES ('2026-12-31', '老客户', -50.25, NULL);"
        "INSERT INTO Parameter(ParameterType, ParameterValue) VALUES (1, '货款'), (2, '现金支票'), (1, 'Zeta');"
        "DELETE FROM Parameter WHERE ParameterValue = '现金支票';"
        "UPDATE PrintTable SET PrintValue1 = '表头', PrintEnable = 1 WHERE PrintIndex = 1;"
        "UPDATE sqlite_sequence SET seq = 5000 WHERE name = 'MoneyTable';"));
}

// A database of the test cluster, dropped when the case ends.
struct ServerDatabase
{
    QString name;
    ~ServerDatabase()
    {
        if (!name.isEmpty())
            TestEngine::dropServerBooks(name);
    }
    QString conninfo(const QString &user = QStringLiteral("kalvora")) const
    {
        return QStringLiteral("host=%1 dbname=%2 user=%3 sslmode=disable").arg(TestEngine::serverHost(), name, user);
    }
};

// The test cluster's one role that must give a password over the socket, and its password.
constexpr char PasswordRole[] = "kalvora_pw";
constexpr char RolePassword[] = "Tuvessa-pw1";

void createEmpty(ServerDatabase *database, const QString &locale = QStringLiteral("C"))
{
    QString error;
    database->name = TestEngine::createEmptyServerDatabase(&error, locale);
    QVERIFY2(!database->name.isEmpty(), qPrintable(error));
}

// A desk's own files in a folder of the case: its books file, and the data source and .pgpass its
// commands write, named to them by ODBCINI and PGPASSFILE until the case ends.
class DeskFolder
{
public:
    DeskFolder()
        : m_odbcIni(qgetenv("ODBCINI")), m_passwordFile(qgetenv("PGPASSFILE"))
    {
        qputenv("ODBCINI", QFile::encodeName(path(QStringLiteral("odbc.ini"))));
        qputenv("PGPASSFILE", QFile::encodeName(passwordFile()));
    }
    ~DeskFolder()
    {
        qputenv("ODBCINI", m_odbcIni);
        m_passwordFile.isNull() ? qunsetenv("PGPASSFILE") : qputenv("PGPASSFILE", m_passwordFile);
    }
    DeskFolder(const DeskFolder &) = delete;
    DeskFolder &operator=(const DeskFolder &) = delete;

    QString programDir() const { return m_folder.path() + QLatin1Char('/'); }
    QString path(const QString &name) const { return programDir() + name; }
    QString passwordFile() const { return path(QStringLiteral("pgpass")); }

private:
    QTemporaryDir m_folder;
    QByteArray m_odbcIni, m_passwordFile;
};

// The password libpq takes from .pgpass for a connection to `host` and `port`, asked of libpq itself:
// it reads the file while it sets the connection up, before any answer from a server.
QString passwordLibpqFinds(const QString &host, const QString &port, const QString &database, const QString &user)
{
    const QByteArray values[] = {host.toUtf8(), port.toUtf8(), database.toUtf8(), user.toUtf8()};
    const char *const keywords[] = {"host", "port", "dbname", "user", nullptr};
    const char *const given[] = {values[0].constData(), values[1].constData(), values[2].constData(),
                                 values[3].constData(), nullptr};
    PGconn *conn = PQconnectStartParams(keywords, given, 0);
    const QString found = QString::fromUtf8(PQpass(conn));
    PQfinish(conn);
    return found;
}

} // namespace

class CopyingTest : public QObject
{
    Q_OBJECT
private slots:
    void moveCarriesEveryRowAndNumber();
    void moveCarriesTheChangeRecord_data();
    void moveCarriesTheChangeRecord();
    void badValuesAreRefusedByTableAndRow_data();
    void badValuesAreRefusedByTableAndRow();
    void realInAnIntegerFieldMovesOnlyWhole_data();
    void realInAnIntegerFieldMovesOnlyWhole();
    void unfitTargetIsRefused_data();
    void unfitTargetIsRefused();
    void accountNamesDifferingInCaseAreKept();
    void killedCopyLeavesServerAsItWas_data();
    void killedCopyLeavesServerAsItWas();
    void backupFromServerRestoresToEqualTables();
    void restoreOnServerReplacesRowsOrLeavesThem();
    void copyOfTheDayTakenOncePerDay();
    void commandsSwitchTheDataSource();
    void passwordKeptWhereLibpqLooks_data();
    void passwordKeptWhereLibpqLooks();
    void deskLogsInWithThePasswordKept_data();
    void deskLogsInWithThePasswordKept();
};

void CopyingTest::moveCarriesEveryRowAndNumber()
{
    SKIP_ON_FILE("moves books to a server");
    QTemporaryDir folder;
    const QString books = folder.filePath(QStringLiteral("KalvoraCmp.mdb"));
    storeBooks(books);
    const QByteArray before = readBytes(books);
    ServerDatabase server;
    createEmpty(&server);

    MoveReport report;
    QString error;
    QList<int> told;
    QVERIFY2(MoveBooksToServer(books, server.conninfo(), &report, &error, [&told](int percent) { told.append(percent); }),
             qPrintable(error));
    QVERIFY(std::is_sorted(told.begin(), told.end()) && told.last() == 100);
    QCOMPARE(readBytes(books), before);
    QCOMPARE(serverContent(server.name), fileContent(books));
    const QString lines = report.lines.join(u'\n');
    QVERIFY2(lines.contains(QStringLiteral("数据表 MoneyTable：80 行")), qPrintable(lines));
    QVERIFY2(lines.contains(QStringLiteral("帐户 2：流水 77 条，合计 947.10")), qPrintable(lines)); // 77 × 12.3
    QVERIFY2(lines.contains(QStringLiteral("帐户 3：流水 2 条，合计 -0.30")), qPrintable(lines));
    QVERIFY2(lines.contains(QStringLiteral("有 1 条流水记录的帐户（编号 9）已不存在")), qPrintable(lines));

    // Month totals built from the records; new numbers past every number the file gave out.
    QCOMPARE(serverRows(server.name, MonthTotals::checkStatement(Dialect::Postgres)), QStringList());
    QCOMPARE(serverRows(server.name, QStringLiteral("SELECT MonthText, round(MonthSum::numeric, 2) FROM MoneyMonth "
                                                    "WHERE MonthAccount = 2 ORDER BY 1")),
             (QStringList{QStringLiteral("2026-10|356.70"), QStringLiteral("2026-11|369.00"),
                          QStringLiteral("2026-12|221.40")}));
    QCOMPARE(serverValue(server.name, QStringLiteral("INSERT INTO MoneyTable(MoneySum) VALUES (1) RETURNING MoneyIndex")),
             QStringLiteral("5001"));
    QCOMPARE(serverValue(server.name, QStringLiteral("INSERT INTO Parameter(ParameterType, ParameterValue) "
                                                     "VALUES (3, 'x') RETURNING ParameterIndex")),
             QStringLiteral("4"));
    QCOMPARE(serverValue(server.name, QStringLiteral("SELECT SchemaVersion FROM BooksVersion")),
             QString::number(DeliveredBooks::SchemaVersion));
    // The server's books open in the program's engine: version, locale and totals as it wants them.
    EngineError refused;
    PgEngine::Server address;
    QVERIFY(ParseConninfo(server.conninfo(), &address, &error));
    QVERIFY2(PgEngine::open(address, &refused), qPrintable(refused.text));
}

void CopyingTest::moveCarriesTheChangeRecord_data()
{
    QTest::addColumn<bool>("older");
    QTest::newRow("books with their change record") << false;
    QTest::newRow("books from before the change record") << true;
}

// The server's change record after a move is the file's, as it was: no entry for the moved rows, new
// entries numbered on after the last. Books older than the change record get their baseline, as when
// the program opens them. Either way the check finds the server's books as their entries leave them.
void CopyingTest::moveCarriesTheChangeRecord()
{
    SKIP_ON_FILE("moves books to a server");
    QFETCH(bool, older);
    QTemporaryDir folder;
    const QString books = folder.filePath(QStringLiteral("KalvoraCmp.mdb"));
    storeBooks(books);
    if (older)
        runOnFile(books, fileWithoutChangeRecord());
    ServerDatabase server;
    createEmpty(&server);
    MoveReport report;
    QString error;
    QVERIFY2(MoveBooksToServer(books, server.conninfo(), &report, &error), qPrintable(error));

    const QString history = QStringLiteral(
        "SELECT ChangeIndex, ChangeTime, ChangeOperator, ChangeDbUser, ChangeAddress, ChangeKind, ChangeTable, "
        "ChangeRow, ChangeAccount, ChangeBefore, ChangeAfter FROM ChangeLog ORDER BY ChangeIndex");
    const QStringList moved = serverRows(server.name, history);
    if (older) {
        // The delivered account, receivable and passwords, the two accounts, 80 records, one receivable
        // and the two settings left, each once.
        QCOMPARE(moved.size(), 90);
        QCOMPARE(serverRows(server.name, QStringLiteral("SELECT DISTINCT ChangeOperator, ChangeKind FROM ChangeLog")),
                 QStringList{ChangeRecord::ProgramItself + u'|' + ChangeRecord::Kind::Baseline});
    } else {
        QCOMPARE(moved, fileRows(books, history));
        QVERIFY2(fileRows(books, QStringLiteral("SELECT count(*) FROM ChangeLog WHERE ChangeKind = '删除'")).value(0).toInt() >= 2,
                 "the file's history holds deletions");
    }
    QCOMPARE(serverValue(server.name, QStringLiteral("SELECT LastIndex FROM ChangeCounter")), moved.last().section(u'|', 0, 0));
    QCOMPARE(serverValue(server.name, QStringLiteral("INSERT INTO Parameter(ParameterType, ParameterValue) VALUES (3, 'x');"
                                                     "SELECT max(ChangeIndex) FROM ChangeLog")),
             QString::number(moved.last().section(u'|', 0, 0).toLongLong() + 1));
    ProgramFixture program(server.name);
    ChangeCheck::Findings found;
    EngineError refused;
    QVERIFY2(ChangeCheck(ShareDataModule::instance()).run({}, &found, &refused), qPrintable(refused.text));
    QVERIFY2(found.holds(), qPrintable(ChangeCheck::report(found)));
}

void CopyingTest::badValuesAreRefusedByTableAndRow_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("message");
    QTest::newRow("a day that is no date")
        << QStringLiteral("UPDATE MoneyTable SET MoneyCreateTime = '2026-02-30' WHERE MoneyIndex = 4")
        << QStringLiteral("数据表 MoneyTable 第 3 行（编号 4）的字段 MoneyCreateTime 不是 yyyy-MM-dd 形式的日期：“2026-02-30”");
    QTest::newRow("a day written otherwise")
        << QStringLiteral("UPDATE GetPay SET GetPayTime = '2026/12/31' WHERE GetPayIndex = 2")
        << QStringLiteral("数据表 GetPay 第 2 行（编号 2）的字段 GetPayTime 不是 yyyy-MM-dd 形式的日期：“2026/12/31”");
    QTest::newRow("text in an amount")
        << QStringLiteral("UPDATE MoneyTable SET MoneySum = '12,30' WHERE MoneyIndex = 4")
        << QStringLiteral("数据表 MoneyTable 第 3 行（编号 4）的字段 MoneySum 不是数字：“12,30”");
    QTest::newRow("text as account")
        << QStringLiteral("UPDATE MoneyTable SET MoneyAccount = '现金' WHERE MoneyIndex = 4")
        << QStringLiteral("数据表 MoneyTable 第 3 行（编号 4）的字段 MoneyAccount 不是整数：“现金”");
    QTest::newRow("print row numbered twice")
        << QStringLiteral("UPDATE PrintTable SET PrintIndex = 2 WHERE PrintIndex = 3")
        << QStringLiteral("数据表 PrintTable 第 3 行（编号 3）不能存入服务器：编号与前面的行重复");
    QTest::newRow("print row without number")
        << QStringLiteral("UPDATE PrintTable SET PrintIndex = NULL WHERE PrintIndex = 3")
        << QStringLiteral("数据表 PrintTable 第 3 行（编号 3）不能存入服务器：编号为空");
}

void CopyingTest::badValuesAreRefusedByTableAndRow()
{
    SKIP_ON_FILE("moves books to a server");
    QFETCH(QString, fault);
    QFETCH(QString, message);
    QTemporaryDir folder;
    const QString books = folder.filePath(QStringLiteral("KalvoraCmp.mdb"));
    storeBooks(books);
    runOnFile(books, fault);
    const QByteArray before = readBytes(books);
    ServerDatabase server;
    createEmpty(&server);

    MoveReport report;
    QString error;
    QVERIFY(!MoveBooksToServer(books, server.conninfo(), &report, &error));
    QVERIFY2(error.startsWith(message), qPrintable(error));
    QVERIFY2(error.contains(QStringLiteral("服务器上的数据库没有改动")), qPrintable(error));
    QCOMPARE(report.lines, QStringList());
    QCOMPARE(publicTables(server.name), 0);
    QCOMPARE(readBytes(books), before);
    QVERIFY(!QFile::exists(books + QStringLiteral("-journal")));
}

void CopyingTest::realInAnIntegerFieldMovesOnlyWhole_data()
{
    // A real as another program may store it; the file keeps one that is whole within 64 bits as an integer.
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("moves");
    QTest::addColumn<QString>("shown"); // as the refusal names it, or as the server holds it
    QTest::newRow("beyond 64 bits") << "1e19" << false << "1.0e+19";
    QTest::newRow("beyond 64 bits, negative") << "-1e19" << false << "-1.0e+19";
    QTest::newRow("just beyond 2^63") << "9.3e18" << false << "9.3e+18";
    QTest::newRow("infinite") << "-1e999" << false << "-Inf";
    QTest::newRow("one past the largest integer") << "2147483648.0" << false << "2147483648";
    QTest::newRow("not whole") << "3.5" << false << "3.5";
    QTest::newRow("the largest integer") << "2147483647.0" << true << "2147483647";
    QTest::newRow("the smallest integer") << "-2147483648.0" << true << "-2147483648";
}

// A real in an integer field moves as the integer it is, when it is one the server's field holds;
// anything else is refused by table, row and field, and the server stays empty.
void CopyingTest::realInAnIntegerFieldMovesOnlyWhole()
{
    SKIP_ON_FILE("moves books to a server");
    QFETCH(QString, value);
    QFETCH(bool, moves);
    QFETCH(QString, shown);
    QTemporaryDir folder;
    const QString books = folder.filePath(QStringLiteral("KalvoraCmp.mdb"));
    storeBooks(books);
    runOnFile(books, QStringLiteral("UPDATE MoneyTable SET MoneyAccount = %1 WHERE MoneyIndex = 4").arg(value));
    ServerDatabase server;
    createEmpty(&server);

    MoveReport report;
    QString error;
    QCOMPARE(MoveBooksToServer(books, server.conninfo(), &report, &error), moves);
    if (moves) {
        QCOMPARE(serverValue(server.name, QStringLiteral("SELECT MoneyAccount FROM MoneyTable WHERE MoneyIndex = 4")), shown);
    } else {
        QVERIFY2(error.startsWith(QStringLiteral("数据表 MoneyTable 第 3 行（编号 4）的字段 MoneyAccount 不是整数：“%1”").arg(shown)),
                 qPrintable(error));
        QCOMPARE(publicTables(server.name), 0);
    }
}

void CopyingTest::unfitTargetIsRefused_data()
{
    QTest::addColumn<QString>("target");
    QTest::addColumn<QString>("message");
    QTest::newRow("books already there") << QStringLiteral("books") << QStringLiteral("已经有数据表");
    QTest::newRow("not the C locale") << QStringLiteral("C.utf8") << QStringLiteral("不是以 ENCODING 'UTF8' LOCALE 'C' 建立的");
}

void CopyingTest::unfitTargetIsRefused()
{
    SKIP_ON_FILE("moves books to a server");
    QFETCH(QString, target);
    QFETCH(QString, message);
    QTemporaryDir folder;
    const QString books = folder.filePath(QStringLiteral("KalvoraCmp.mdb"));
    storeBooks(books);
    ServerDatabase server;
    QString error;
    if (target == u"books")
        server.name = TestEngine::createServerBooks(&error);
    else
        createEmpty(&server, target);
    QVERIFY2(!server.name.isEmpty(), qPrintable(error));
    const QStringList before = serverRows(server.name, QStringLiteral("SELECT tablename FROM pg_tables WHERE schemaname = 'public' ORDER BY 1"));
    const QString accounts = target == u"books" ? serverValue(server.name, QStringLiteral("SELECT count(*) FROM Account")) : QString();

    MoveReport report;
    QVERIFY(!MoveBooksToServer(books, server.conninfo(), &report, &error));
    QVERIFY2(error.contains(message), qPrintable(error));
    QVERIFY2(error.contains(QStringLiteral("createdb -T template0 -E UTF8 --locale=C ") + server.name), qPrintable(error));
    QCOMPARE(serverRows(server.name, QStringLiteral("SELECT tablename FROM pg_tables WHERE schemaname = 'public' ORDER BY 1")),
             before);
    if (target == u"books")
        QCOMPARE(serverValue(server.name, QStringLiteral("SELECT count(*) FROM Account")), accounts);
}

// The file compares names without case only where the program checks; old books may hold both spellings.
void CopyingTest::accountNamesDifferingInCaseAreKept()
{
    SKIP_ON_FILE("moves books to a server");
    QTemporaryDir folder;
    const QString books = folder.filePath(QStringLiteral("KalvoraCmp.mdb"));
    storeBooks(books);
    runOnFile(books, QStringLiteral("INSERT INTO Account(AccountName, AccountType) VALUES ('Bank', 1), ('BANK', 1)"));
    ServerDatabase server;
    createEmpty(&server);

    MoveReport report;
    QString error;
    QVERIFY2(MoveBooksToServer(books, server.conninfo(), &report, &error), qPrintable(error));
    const QString lines = report.lines.join(u'\n');
    QVERIFY2(lines.contains(QStringLiteral("数据表 account 有重复的值")) && lines.contains(QStringLiteral("accountbyname")),
             qPrintable(lines));
    QCOMPARE(serverRows(server.name, QStringLiteral("SELECT AccountName FROM Account WHERE AccountName = 'bank' ORDER BY AccountIndex")),
             (QStringList{QStringLiteral("Bank"), QStringLiteral("BANK")}));
    // The index is there for the orders it serves, as an ordinary one; the other unique ones stay unique.
    QCOMPARE(serverRows(server.name, QStringLiteral("SELECT indexrelid::regclass::text, indisunique FROM pg_index "
                                                    "WHERE indexrelid::regclass::text IN ('accountbyname', 'parameterbyvalue') ORDER BY 1")),
             (QStringList{QStringLiteral("accountbyname|f"), QStringLiteral("parameterbyvalue|t")}));
}

void CopyingTest::killedCopyLeavesServerAsItWas_data()
{
    QTest::addColumn<QString>("work");
    QTest::newRow("move into an empty database") << QStringLiteral("move");
    QTest::newRow("restore onto books") << QStringLiteral("restore");
}

// A move or restore cut off by kill -9 in the middle of sending the records: the server's database is as
// it was (empty, or with its old rows), the file too.
void CopyingTest::killedCopyLeavesServerAsItWas()
{
    SKIP_ON_FILE("copies books to a server");
    QFETCH(QString, work);
    QTemporaryDir folder;
    const QString books = folder.filePath(QStringLiteral("KalvoraCmp.mdb"));
    storeBooks(books);
    runOnFile(books, MonthTotals::dropStatement()
                         + QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < 200000) "
                                          "INSERT INTO MoneyTable(MoneyAccount, MoneyCreateTime, MoneySum, MoneyUser) "
                                          "SELECT 2, '2026-12-10', i * 0.01, '一个足够长的客户名称' || i FROM n;")
                         + MonthTotals::createStatement());
    const QByteArray before = readBytes(books);
    ServerDatabase server;
    QString error;
    if (work == u"move") {
        createEmpty(&server);
    } else {
        server.name = TestEngine::createServerBooks(&error);
        QVERIFY2(!server.name.isEmpty(), qPrintable(error));
        serverRows(server.name, QStringLiteral("INSERT INTO MoneyTable(MoneyAccount, MoneyCreateTime, MoneySum) "
                                               "VALUES (1, '2026-12-10', 12.3)"));
    }
    const QStringList rows = work == u"move" ? QStringList() : serverContent(server.name);

    ChildProgram child(work, {{ChildFileVariable, books}, {ChildTargetVariable, server.conninfo()}});
    // Killed once the server shows the records being sent inside the open transaction.
    const QString sending = QStringLiteral("SELECT count(*) FROM pg_stat_activity WHERE datname = '%1' "
                                           "AND state = 'active' AND query LIKE 'COPY MoneyTable%%'")
                                .arg(server.name);
    QVERIFY2(child.waitUntil([&] { return serverValue(server.name, sending) == u"1"; }), qPrintable(child.errors()));
    child.kill();

    if (work == u"move")
        QCOMPARE(publicTables(server.name), 0);
    else
        QCOMPARE(serverContent(server.name), rows);
    QCOMPARE(readBytes(books), before);
    QVERIFY(!QFile::exists(books + QStringLiteral("-journal")));
}

// One backup format for both engines: books moved to a server, backed up from it and restored into a
// file are the books that were moved.
void CopyingTest::backupFromServerRestoresToEqualTables()
{
    SKIP_ON_FILE("backs up books on a server");
    QTemporaryDir folder;
    const QString books = folder.filePath(QStringLiteral("KalvoraCmp.mdb"));
    storeBooks(books);
    ServerDatabase server;
    createEmpty(&server);
    MoveReport report;
    QString error;
    QVERIFY2(MoveBooksToServer(books, server.conninfo(), &report, &error), qPrintable(error));
    PgEngine::Server address;
    QVERIFY(ParseConninfo(server.conninfo(), &address, &error));

    const QString backup = folder.filePath(QStringLiteral("留底.mdb"));
    writeBytes(backup, "an older backup of the same name");
    BooksFile::Failure failure;
    QVERIFY2(ServerFile::copyToFile(address, backup, &failure, {}), qPrintable(failure.reason));
    QVERIFY(!QFile::exists(backup + QStringLiteral(".part")));
    QCOMPARE(fileContent(backup), fileContent(books));
    QCOMPARE(fileRows(backup, QStringLiteral("SELECT name, seq FROM sqlite_sequence ORDER BY name")),
             (QStringList{QStringLiteral("Account|3"), QStringLiteral("GetPay|2"), QStringLiteral("MoneyTable|5000")}));
    QCOMPARE(fileRows(backup, MonthTotals::checkStatement()), QStringList());
    QCOMPARE(fileRows(backup, QStringLiteral("PRAGMA user_version")), QStringList{QString::number(DeliveredBooks::SchemaVersion)});
    BooksFile::Failure checked;
    QVERIFY2(BooksFile::check(backup, &checked), qPrintable(checked.reason));
    // The change record as the server holds it (the moved file's), none for the copied rows; entries
    // made in the backup go on after the last.
    const QString history = QStringLiteral("SELECT ChangeIndex, ChangeTime, ChangeOperator, ChangeKind, ChangeTable, "
                                           "ChangeRow, ChangeAccount, ChangeBefore, ChangeAfter FROM ChangeLog ORDER BY 1");
    const QStringList entries = fileRows(books, history);
    QCOMPARE(fileRows(backup, history), entries);
    runOnFile(backup, QStringLiteral("DELETE FROM MoneyTable WHERE MoneyIndex = 4"));
    QCOMPARE(fileRows(backup, QStringLiteral("SELECT ChangeIndex, ChangeKind, ChangeRow FROM ChangeLog WHERE ChangeIndex > %1")
                                  .arg(entries.last().section(u'|', 0, 0))),
             QStringList{QStringLiteral("%1|删除|4").arg(entries.last().section(u'|', 0, 0).toLongLong() + 1)});
}

// 恢复数据 on a server: the server's rows become the backup's, the rows replaced kept as an automatic
// copy; a backup the server refuses leaves every row as it was.
void CopyingTest::restoreOnServerReplacesRowsOrLeavesThem()
{
    SKIP_ON_FILE("restores books on a server");
    ProgramFixture program;
    program.loginAsAdministrator();
    const auto store = [&program](double sum, const QString &user) {
        program.insert(QStringLiteral("MoneyTable"), {{QStringLiteral("MoneyAccount"), 1},
                                                      {QStringLiteral("MoneyCreateTime"), QStringLiteral("2026-12-10")},
                                                      {QStringLiteral("MoneySum"), sum},
                                                      {QStringLiteral("MoneyUser"), user}});
    };
    for (int i = 1; i <= 3; ++i)
        store(12.3 * i, QStringLiteral("备份里的"));
    const QString backup = program.folder() + QStringLiteral("留底.mdb");
    BooksBackup::Failure failure;
    QVERIFY2(BooksBackup::backup(ShareDataModule::instance(), backup, &failure), qPrintable(failure.reason));
    const QStringList saved = serverContent(program.serverBooks());
    QCOMPARE(fileContent(backup), saved);
    store(77, QStringLiteral("备份之后的"));
    const QStringList later = serverContent(program.serverBooks());
    const QStringList before = QDir(BooksBackup::automaticFolder()).entryList(QDir::Files);

    QVERIFY2(BooksBackup::restore(ShareDataModule::instance(), backup, program.databasePath(), &failure),
             qPrintable(failure.reason));
    QCOMPARE(serverContent(program.serverBooks()), saved);
    QCOMPARE(serverRows(program.serverBooks(), MonthTotals::checkStatement(Dialect::Postgres)), QStringList());
    QCOMPARE(serverValue(program.serverBooks(), QStringLiteral("INSERT INTO MoneyTable(MoneySum) VALUES (1) RETURNING MoneyIndex")),
             QStringLiteral("4")); // numbered on from the backup's books, as a restored file is
    QStringList kept = QDir(BooksBackup::automaticFolder()).entryList(QDir::Files);
    for (const QString &name : before)
        kept.removeOne(name);
    QCOMPARE(kept.size(), 1);
    QCOMPARE(fileContent(BooksBackup::automaticFolder() + kept.first()), later);

    // A backup whose third record has no date the server takes: refused, the rows stay.
    const QString bad = program.folder() + QStringLiteral("坏的.mdb");
    QVERIFY(QFile::copy(backup, bad));
    runOnFile(bad, QStringLiteral("UPDATE MoneyTable SET MoneyCreateTime = '2026-12-1' WHERE MoneyIndex = 3"));
    const QStringList current = serverContent(program.serverBooks());
    QVERIFY(!BooksBackup::restore(ShareDataModule::instance(), bad, program.databasePath(), &failure));
    QVERIFY2(failure.reason.startsWith(QStringLiteral("服务器上的帐簿没有改动：数据表 MoneyTable 第 3 行（编号 3）的字段 MoneyCreateTime")),
             qPrintable(failure.reason));
    QCOMPARE(serverContent(program.serverBooks()), current);
    QCOMPARE(program.select(QStringLiteral("Select Count(*) As n From MoneyTable")).fieldInteger(QStringLiteral("n")), 4);
}

// Of books on a server, the first desk to start each day keeps the copy of the day; the others do not.
void CopyingTest::copyOfTheDayTakenOncePerDay()
{
    SKIP_ON_FILE("automatic copies of books on a server");
    ProgramFixture program;
    const QString today = BooksBackup::automaticFolder() + QStringLiteral("KalvoraCmp-2026-12-10.mdb");
    QVERIFY(QFile::exists(today));
    QCOMPARE(fileContent(today), serverContent(program.serverBooks()));
    QCOMPARE(serverRows(program.serverBooks(), QStringLiteral("SELECT Day FROM BackupOfTheDay")),
             QStringList{QStringLiteral("2026-12-10")});

    // Another desk on the same day (this folder without its copy) takes none; the next day it does.
    QVERIFY(QFile::remove(today));
    BooksBackup::Failure failure;
    QVERIFY2(BooksBackup::backupOfTheDay(program.databasePath(), ProgramFixture::Today, 30, &failure),
             qPrintable(failure.reason));
    QVERIFY(!QFile::exists(today));
    QVERIFY2(BooksBackup::backupOfTheDay(program.databasePath(), ProgramFixture::Today.addDays(1), 30, &failure),
             qPrintable(failure.reason));
    QVERIFY(QFile::exists(BooksBackup::automaticFolder() + QStringLiteral("KalvoraCmp-2026-12-11.mdb")));
    QCOMPARE(program.screen().takeMessages(), QStringList());
}

// The three commands of a desk: move the books and switch to them, join books on a server, go back to
// the file. The password goes into .pgpass, replacing only the line of the same server and user.
void CopyingTest::commandsSwitchTheDataSource()
{
    SKIP_ON_FILE("books on a server");
    const DeskFolder desk;
    const QString programDir = desk.programDir();
    storeBooks(programDir + QStringLiteral("KalvoraCmp.mdb"));
    writeBytes(desk.passwordFile(), "other:5432:kalvora:kalvora:keep\n"
                                    "localhost:*:db:kalvora:stale\n");
    QFile::setPermissions(desk.passwordFile(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
    ServerDatabase server;
    createEmpty(&server);
    // The cluster trusts its socket: the password is only carried, never checked.
    QCOMPARE(RunServerCommand({QStringLiteral("--move-books-to-server"), server.conninfo() + QStringLiteral(" password='p:a\\\\ss'")},
                              programDir),
             std::optional<int>(0));
    const QString source = QString::fromLatin1(DataSource::Name);
    QCOMPARE(DataSource::driverOf(source), QStringLiteral("PostgreSQL Unicode"));
    QCOMPARE(DataSource::entryOf(source, QStringLiteral("Servername")), TestEngine::serverHost());
    QCOMPARE(DataSource::entryOf(source, QStringLiteral("Database")), server.name);
    QCOMPARE(DataSource::entryOf(source, QStringLiteral("Username")), QStringLiteral("kalvora"));
    QCOMPARE(DataSource::entryOf(source, QStringLiteral("UnknownsAsLongVarchar")), QStringLiteral("1"));
    QCOMPARE(QString::fromUtf8(readBytes(desk.passwordFile())),
             QStringLiteral("other:5432:kalvora:kalvora:keep\nlocalhost:*:db:kalvora:stale\n"
                            "%1:*:%2:kalvora:p\\:a\\\\ss\n").arg(TestEngine::serverHost(), server.name));
    struct stat status{};
    QCOMPARE(::stat(QFile::encodeName(desk.passwordFile()).constData(), &status), 0);
    QCOMPARE(status.st_mode & 0777, 0600u);
    EngineError refused;
    QVERIFY2(PgEngine::open(PgEngine::serverOf(source), &refused), qPrintable(refused.text));

    // Back to the file; then a desk joining the server's books, and one pointed at a database without them.
    QCOMPARE(RunServerCommand({QStringLiteral("--use-local-books")}, programDir), std::optional<int>(0));
    QCOMPARE(DataSource::driverOf(source), QStringLiteral("SQLite3"));
    QCOMPARE(DataSource::databaseOf(source), programDir + QStringLiteral("KalvoraCmp.mdb"));
    QCOMPARE(RunServerCommand({QStringLiteral("--use-server"), server.conninfo()}, programDir), std::optional<int>(0));
    QCOMPARE(DataSource::entryOf(source, QStringLiteral("Database")), server.name);
    ServerDatabase empty;
    createEmpty(&empty);
    QCOMPARE(RunServerCommand({QStringLiteral("--use-server"), empty.conninfo()}, programDir), std::optional<int>(1));
    QCOMPARE(publicTables(empty.name), 0);
    QCOMPARE(DataSource::entryOf(source, QStringLiteral("Database")), server.name);
    QCOMPARE(RunServerCommand({QStringLiteral("--move-books-to-server"), server.conninfo()}, programDir), std::optional<int>(1));
    QCOMPARE(RunServerCommand({QStringLiteral("--help")}, programDir), std::optional<int>());
}

void CopyingTest::passwordKeptWhereLibpqLooks_data()
{
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("port");
    QTest::newRow("socket folder of its own") << QStringLiteral("/tmp/kalvora-desk") << QString();
    QTest::newRow("socket folder with a colon, port given") << QStringLiteral("/tmp/desk:2") << QStringLiteral("5433");
    QTest::newRow("libpq's default socket folder") << QStringLiteral(DEFAULT_PGSOCKET_DIR) << QString();
    QTest::newRow("no host") << QString() << QString();
    QTest::newRow("server by address") << QStringLiteral("192.0.2.10") << QStringLiteral("6543");
}

// However the server is named, a later connection to it finds the password kept, beside the line of
// another database on the same server.
void CopyingTest::passwordKeptWhereLibpqLooks()
{
    QFETCH(QString, host);
    QFETCH(QString, port);
    const DeskFolder desk;
    PgEngine::Server server;
    server.host = host;
    server.port = port;
    server.user = QStringLiteral("kalvora");
    QString error;
    for (const QString &database : {QStringLiteral("other"), QStringLiteral("kalvora")}) {
        server.database = database;
        server.password = QStringLiteral("pw:") + database;
        QVERIFY2(KeepServerPassword(server, &error), qPrintable(error));
    }
    QCOMPARE(passwordLibpqFinds(host, port, QStringLiteral("kalvora"), QStringLiteral("kalvora")), QStringLiteral("pw:kalvora"));
    QCOMPARE(passwordLibpqFinds(host, port, QStringLiteral("other"), QStringLiteral("kalvora")), QStringLiteral("pw:other"));
}

void CopyingTest::deskLogsInWithThePasswordKept_data()
{
    QTest::addColumn<QString>("command");
    QTest::newRow("moving the books") << QStringLiteral("--move-books-to-server");
    QTest::newRow("joining books on the server") << QStringLiteral("--use-server");
}

// A desk on a server named by its socket folder, as the test cluster is, with a user that must give
// a password: after the command, the program's next start logs in with what the command kept.
void CopyingTest::deskLogsInWithThePasswordKept()
{
    SKIP_ON_FILE("books on a server");
    QFETCH(QString, command);
    const DeskFolder desk;
    storeBooks(desk.path(QStringLiteral("KalvoraCmp.mdb")));
    ServerDatabase server;
    createEmpty(&server);
    QString error;
    QVERIFY2(TestEngine::runOnServer(QStringLiteral("ALTER DATABASE %1 OWNER TO %2").arg(server.name, PasswordRole), &error),
             qPrintable(error));
    const QString withPassword = server.conninfo(PasswordRole) + QStringLiteral(" password=") + RolePassword;
    if (command == u"--use-server") {
        MoveReport report;
        QVERIFY2(MoveBooksToServer(desk.path(QStringLiteral("KalvoraCmp.mdb")), withPassword, &report, &error),
                 qPrintable(error));
    }

    QCOMPARE(RunServerCommand({command, withPassword}, desk.programDir()), std::optional<int>(0));
    EngineError refused;
    QVERIFY2(PgEngine::open(PgEngine::serverOf(QString::fromLatin1(DataSource::Name)), &refused), qPrintable(refused.text));
}

// As the kill test's child: moves or restores the books the environment names, and nothing else.
int main(int argc, char *argv[])
{
    if (!ChildProgram::work().isEmpty()) {
        QCoreApplication application(argc, argv);
        const QString file = ChildProgram::value(ChildFileVariable), target = ChildProgram::value(ChildTargetVariable);
        QString error;
        if (ChildProgram::work() == u"move") {
            MoveReport report;
            return MoveBooksToServer(file, target, &report, &error) ? 0 : 1;
        }
        PgEngine::Server server;
        BooksFile::Failure failure;
        return ParseConninfo(target, &server, &error) && ServerFile::replaceFromFile(server, file, QStringLiteral("管理员"), QString(), &failure, {}) ? 0 : 1;
    }
    QApplication application(argc, argv);
    CopyingTest test;
    return QTest::qExec(&test, argc, argv);
}

#include "tst_copying.moc"
