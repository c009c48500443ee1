#include <QTemporaryDir>
#include <QtTest>
#include <thread>
#include <libpq-fe.h>
#include "support/ProgramFixture.h"
#include "support/TestEngine.h"
#include "data/BooksEngine.h"
#include "data/DeliveredBooks.h"
#include "data/Helpers.h"
#include "data/JetSql.h"
#include "data/Query.h"
#include "data/ShareDataModule.h"
#include "data/WindowedQuery.h"
#include "data/postgres/PgEngine.h"

namespace {

// A connection of the test's own to a database of the test server, beside the program's.
class Session
{
public:
    explicit Session(const QString &database)
        : m_conn(TestEngine::connectToServer(database))
    {
        PQsetNoticeProcessor(m_conn, [](void *, const char *) {}, nullptr);
    }
    ~Session() { PQfinish(m_conn); }
    Session(const Session &) = delete;
    Session &operator=(const Session &) = delete;

    bool run(const QString &statements)
    {
        PGresult *result = PQexec(m_conn, statements.toUtf8().constData());
        const ExecStatusType status = PQresultStatus(result);
        if (status != PGRES_COMMAND_OK && status != PGRES_TUPLES_OK)
            qWarning("%s", PQerrorMessage(m_conn));
        PQclear(result);
        return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
    }
    QString value(const QString &statement)
    {
        PGresult *result = PQexec(m_conn, statement.toUtf8().constData());
        const QString text = PQntuples(result) > 0 ? QString::fromUtf8(PQgetvalue(result, 0, 0)) : QString();
        PQclear(result);
        return text;
    }

private:
    PGconn *m_conn;
};

// A fresh, empty database on the test server for one case, dropped at its end.
class ServerDatabase
{
public:
    explicit ServerDatabase(const QString &locale = QStringLiteral("C"))
        : m_name(QStringLiteral("engine_%1_%2").arg(QCoreApplication::applicationPid()).arg(++s_made))
    {
        QString error;
        m_made = TestEngine::runOnServer(
            QStringLiteral("CREATE DATABASE %1 TEMPLATE template0 ENCODING 'UTF8' LOCALE '%2'").arg(m_name, locale),
            &error);
        if (!m_made)
            qWarning("%s", qPrintable(error));
    }
    ~ServerDatabase() { TestEngine::dropServerBooks(m_name); }
    bool made() const { return m_made; }
    QString name() const { return m_name; }
    PgEngine::Server server() const
    {
        return {TestEngine::serverHost(), QString(), m_name, QStringLiteral("kalvora"), QStringLiteral("disable")};
    }

    // Points the program's data source at this database.
    void registerFor(ProgramFixture &program) const
    {
        ShareDataModule::instance().disconnect();
        QVERIFY(TestEngine::registerServerBooks(program.odbcIniPath(), m_name));
    }

private:
    static inline int s_made = 0;
    QString m_name;
    bool m_made = false;
};

#define NEEDS_SERVER()                                                                                                 \
    if (!TestEngine::onServer())                                                                                       \
    QSKIP("needs a server: KALVORA_TEST_ENGINE=postgresql and the test cluster")

std::unique_ptr<BooksEngine> openBooks(const ServerDatabase &database)
{
    EngineError error;
    auto books = PgEngine::open(database.server(), &error);
    if (!books)
        qWarning("%s", qPrintable(error.text));
    return books;
}

// Every value of the first column of `statement`, read through a prepared statement.
QVariantList firstColumn(BooksConnection &books, const QString &statement)
{
    EngineError error;
    auto cursor = books.prepare(statement, &error);
    QVariantList values;
    if (!cursor)
        return {error.text};
    while (cursor->step() == BooksCursor::Step::Row)
        values.append(cursor->integer(0));
    return values;
}

} // namespace

class PgEngineTest : public QObject
{
    Q_OBJECT

private slots:
    void engineChosenByTheDriver();
    void refusedBooks_data();
    void refusedBooks();
    void serverUnreachable();
    void loginWithPassword_data();
    void loginWithPassword();
    void injectedStatementRefused();
    void valuesReadAsStored_data();
    void valuesReadAsStored();
    void columnNamesSpelled_data();
    void columnNamesSpelled();
    void rowChangedElsewhereTold_data();
    void rowChangedElsewhereTold();
    void halfReadResultThenAnother_data();
    void halfReadResultThenAnother();
    void startedReadFailingLate();
    void rowsInKeyOrder();
    void reportSeesOneStateOfTheBooks();
    void lockHeldElsewhereTold();
    void lockWaitShown_data();
    void lockWaitShown();
    void lostConnectionOpenedAgain();
    void lostConnectionBreaksTheTransaction();
    void waitingStatementInterrupted();
    void readerConnectionKeptForTheNext_data();
    void readerConnectionKeptForTheNext();
    void reportGridReadsAsTheWholeResult();
    void changesAccepted_data();
    void changesAccepted();
    void quotingHoldsOnAServerSetOtherwise_data();
    void quotingHoldsOnAServerSetOtherwise();
    void textTheServerRefusesIsTold_data();
    void textTheServerRefusesIsTold();
};

// A data source whose driver names PostgreSQL opens the server's books; an empty database gets the books'
// tables, and writes through a result go to the server.
void PgEngineTest::engineChosenByTheDriver()
{
    NEEDS_SERVER();
    ServerDatabase database;
    QVERIFY(database.made());
    ProgramFixture program;
    database.registerFor(program);

    const qint64 key = program.insert(QStringLiteral("Account"),
                                      {{QStringLiteral("AccountName"), QStringLiteral("现金")},
                                       {QStringLiteral("AccountType"), 1}});
    QVERIFY(key > 0);
    Session other(database.name());
    QCOMPARE(other.value(QStringLiteral("SELECT AccountName FROM Account WHERE AccountIndex = %1").arg(key)),
             QStringLiteral("现金"));
    QCOMPARE(other.value(QStringLiteral("SELECT SchemaVersion FROM BooksVersion")),
             QString::number(DeliveredBooks::SchemaVersion));
    QVERIFY(program.screen().takeMessages().isEmpty());
}

void PgEngineTest::refusedBooks_data()
{
    QTest::addColumn<QString>("locale");
    QTest::addColumn<QString>("prepare"); // run on the database first
    QTest::addColumn<QString>("told");    // a part of the message
    QTest::newRow("locale other than C") << "C.UTF-8" << "" << "createdb -T template0 -E UTF8 --locale=C engine_";
    QTest::newRow("books of another version")
        << "C" << "CREATE TABLE BooksVersion(SchemaVersion integer NOT NULL); INSERT INTO BooksVersion VALUES (4)"
        << "帐簿版本（4）";
    QTest::newRow("another program's tables") << "C" << "CREATE TABLE Orders(Id integer)" << "不是本软件的帐簿";
    QTest::newRow("no citext") << "C" << "CREATE TABLE BooksVersion(SchemaVersion integer NOT NULL); "
                                         "INSERT INTO BooksVersion VALUES (2)"
                               << "CREATE EXTENSION citext";
}

// Books the program cannot use are refused with what to do, and nothing is created in them.
void PgEngineTest::refusedBooks()
{
    NEEDS_SERVER();
    QFETCH(QString, locale);
    QFETCH(QString, prepare);
    QFETCH(QString, told);
    ServerDatabase database(locale);
    QVERIFY(database.made());
    Session other(database.name());
    if (!prepare.isEmpty())
        QVERIFY(other.run(prepare));

    EngineError error;
    QVERIFY(!PgEngine::open(database.server(), &error));
    QVERIFY2(error.text.contains(told), qPrintable(error.text));
    QCOMPARE(other.value(QStringLiteral("SELECT to_regclass('public.moneytable') IS NULL")), QStringLiteral("t"));
}

// No server at the address: told with what to check, not as a file that is missing.
void PgEngineTest::serverUnreachable()
{
    NEEDS_SERVER();
    QTemporaryDir nowhere;
    EngineError error;
    QVERIFY(!PgEngine::open({nowhere.path(), QStringLiteral("5999"), QStringLiteral("k"), QStringLiteral("kalvora"), QString()},
                            &error));
    QVERIFY2(error.text.startsWith(QStringLiteral("无法连接数据库服务器“%1”（端口 5999").arg(nowhere.path())),
             qPrintable(error.text));
    QVERIFY(error.text.contains(QStringLiteral("Servername")));
    QCOMPARE(error.kind, EngineError::Kind::Found);
}

void PgEngineTest::loginWithPassword_data()
{
    QTest::addColumn<QString>("pgpass"); // the password file's line; none: no file at all
    QTest::addColumn<bool>("opens");
    QTest::newRow("no password file") << QString() << false;
    QTest::newRow("wrong password") << "*:*:*:kalvora_pw:tuvessa-pw1" << false;
    QTest::newRow("password of another user") << "*:*:*:kalvora:Tuvessa-pw1" << false;
    QTest::newRow("right password") << "*:*:*:kalvora_pw:Tuvessa-pw1" << true;
}

// The password comes from the user's password file only; a missing or wrong one is told as a refused
// login, with where the password belongs, never as a server that cannot be reached.
void PgEngineTest::loginWithPassword()
{
    NEEDS_SERVER();
    QFETCH(QString, pgpass);
    QFETCH(bool, opens);
    ServerDatabase database;
    QVERIFY(database.made());
    QVERIFY(Session(database.name()).run(QStringLiteral("GRANT ALL ON DATABASE %1 TO kalvora_pw; "
                                                          "GRANT ALL ON SCHEMA public TO kalvora_pw")
                                             .arg(database.name())));
    QTemporaryDir home;
    const QString passwordFile = home.filePath(QStringLiteral(".pgpass"));
    if (!pgpass.isNull()) {
        QFile file(passwordFile);
        QVERIFY(file.open(QIODevice::WriteOnly));
        file.write(pgpass.toUtf8() + '\n');
        file.close();
        QVERIFY(file.setPermissions(QFileDevice::ReadOwner | QFileDevice::WriteOwner));
    }
    const QByteArray before = qgetenv("PGPASSFILE");
    qputenv("PGPASSFILE", QFile::encodeName(passwordFile));
    PgEngine::Server server = database.server();
    server.user = QStringLiteral("kalvora_pw");
    EngineError error;
    const auto books = PgEngine::open(server, &error);
    if (before.isNull())
        qunsetenv("PGPASSFILE");
    else
        qputenv("PGPASSFILE", before);

    QCOMPARE(books != nullptr, opens);
    if (!opens) {
        QVERIFY2(error.text.startsWith(QStringLiteral("数据库服务器拒绝了用户“kalvora_pw”的登录。")), qPrintable(error.text));
        QVERIFY(error.text.contains(QStringLiteral(".pgpass")));
    }
}

// A second statement after the first is refused by the server and never runs; a closing ';' is fine.
void PgEngineTest::injectedStatementRefused()
{
    NEEDS_SERVER();
    ServerDatabase database;
    auto books = openBooks(database);
    QVERIFY(books);
    EngineError error;
    QVERIFY(books->execute(QStringLiteral("INSERT INTO Power(PowerName) VALUES ('a'), ('b'), ('c')"), &error));

    QVERIFY(!books->prepare(QStringLiteral("Select * From Power; Delete From Power"), &error));
    QCOMPARE(error.text, EngineText::ExtraStatement);
    QCOMPARE(firstColumn(*books, QStringLiteral("Select Count(*) From Power;")), QVariantList{6});
}

void PgEngineTest::valuesReadAsStored_data()
{
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QVariant>("expected");
    QTest::newRow("false") << "Select PrintEnable From PrintTable Where PrintIndex = 2" << QVariant(qint64(0));
    QTest::newRow("true") << "Select PrintEnable From PrintTable Where PrintIndex = 1" << QVariant(qint64(1));
    QTest::newRow("date") << "Select MoneyCreateTime From MoneyTable" << QVariant(QStringLiteral("2026-12-10"));
    QTest::newRow("sum") << "Select Sum(MoneySum) As Total From MoneyTable" << QVariant(77 * 12.3);
    QTest::newRow("count") << "Select Count(*) As N From MoneyTable" << QVariant(qint64(77));
    QTest::newRow("text") << "Select MoneyUser From MoneyTable Where MoneyIndex = 3"
                          << QVariant(QStringLiteral("O'Brien 张"));
}

// Values read as the program reads the file's: a stored false is 0, never a text that reads as true.
void PgEngineTest::valuesReadAsStored()
{
    NEEDS_SERVER();
    QFETCH(QString, statement);
    QFETCH(QVariant, expected);
    ServerDatabase database;
    QVERIFY(database.made());
    Session other(database.name());
    ProgramFixture program;
    database.registerFor(program);
    QString error;
    QVERIFY2(ShareDataModule::instance().execute(
                 QStringLiteral("UPDATE PrintTable SET PrintEnable = true WHERE PrintIndex = 1;"
                                "INSERT INTO MoneyTable(MoneySum, MoneyCreateTime, MoneyUser)"
                                " SELECT 12.3, '2026-12-10', 'O''Brien 张' FROM generate_series(1, 77)"),
                 &error),
             qPrintable(error));

    Query &query = program.select(statement);
    QVERIFY2(query.isOpen(), qPrintable(query.lastError()));
    const QVariant value = query.field(query.fieldNames().first());
    QCOMPARE(value.typeId(), expected.typeId());
    if (expected.typeId() == QMetaType::Double)
        QVERIFY2(qFuzzyCompare(value.toDouble(), expected.toDouble()), qPrintable(value.toString()));
    else
        QCOMPARE(value, expected);
}

void PgEngineTest::columnNamesSpelled_data()
{
    QTest::addColumn<QString>("statement");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("alias") << "Select Sum(MoneySum) As TotalMoney, Count(*) As RecordCount From MoneyTable"
                           << QStringList{"TotalMoney", "RecordCount"};
    QTest::newRow("whole table") << "Select * From Power" << QStringList{"PowerIndex", "PowerName", "PowerKey"};
    QTest::newRow("as written") << "Select powername, POWERKEY From Power" << QStringList{"powername", "POWERKEY"};
    QTest::newRow("first spelling stands") << "Select PowerName From Power Where (POWERNAME <> '') Order By powername"
                                           << QStringList{"PowerName"};
    // A quoted name is not folded: a word of the same letters elsewhere does not respell it.
    QTest::newRow("quoted alias") << "Select PowerName As \"Shown\", 1 As shown From Power"
                                  << QStringList{"Shown", "shown"};
    QTest::newRow("word in a text") << "Select 'TotalMoney' As totalmoney" << QStringList{"totalmoney"};
}

// PostgreSQL folds names to lower case; the program reads fields by the names it writes.
void PgEngineTest::columnNamesSpelled()
{
    NEEDS_SERVER();
    QFETCH(QString, statement);
    QFETCH(QStringList, names);
    ServerDatabase database;
    QVERIFY(database.made());
    ProgramFixture program;
    database.registerFor(program);
    Query &query = program.select(statement);
    QVERIFY2(query.isOpen(), qPrintable(query.lastError()));
    QCOMPARE(query.fieldNames(), names);
}

void PgEngineTest::rowChangedElsewhereTold_data()
{
    QTest::addColumn<QString>("elsewhere"); // what another cashier does to the second row meanwhile
    QTest::addColumn<QString>("told");
    QTest::newRow("deleted") << "DELETE FROM Account WHERE AccountName = '乙'" << EngineText::RowGone;
    QTest::newRow("changed") << "UPDATE Account SET AccountType = 7 WHERE AccountName = '乙'" << EngineText::RowChanged;
}

// A row another cashier deleted or changed since it was read is neither overwritten nor deleted here; the
// rows nobody else touched can be changed again and again.
void PgEngineTest::rowChangedElsewhereTold()
{
    NEEDS_SERVER();
    QFETCH(QString, elsewhere);
    QFETCH(QString, told);
    ServerDatabase database;
    QVERIFY(database.made());
    ProgramFixture program;
    database.registerFor(program);
    program.insert(QStringLiteral("Account"), {{QStringLiteral("AccountName"), QStringLiteral("甲")}});
    program.insert(QStringLiteral("Account"), {{QStringLiteral("AccountName"), QStringLiteral("乙")}});
    Query &query = program.select(QStringLiteral("Select AccountName From Account Where AccountIndex > 1"));
    QCOMPARE(query.recordCount(), 2);
    Session other(database.name());
    QVERIFY(other.run(elsewhere));

    query.moveTo(1);
    query.setField(QStringLiteral("AccountName"), QStringLiteral("丙"));
    QVERIFY(!query.post());
    QCOMPARE(query.lastError(), told);
    QVERIFY(!query.remove());
    QCOMPARE(query.lastError(), told);
    query.moveTo(0);
    for (const QString &name : {QStringLiteral("丁"), QStringLiteral("戊")}) {
        query.setField(QStringLiteral("AccountName"), name);
        QVERIFY2(query.post(), qPrintable(query.lastError()));
    }
    QCOMPARE(other.value(QStringLiteral("SELECT string_agg(AccountName || AccountType, ',' ORDER BY AccountIndex) "
                                        "FROM (SELECT AccountIndex, AccountName, coalesce(AccountType, 0) AS AccountType "
                                        "FROM Account WHERE AccountIndex > 1) a")),
             told == EngineText::RowGone ? QStringLiteral("戊0") : QStringLiteral("戊0,乙7"));
}

// libpq runs one statement at a time on a connection: a result read part way is taken in whole when
// another statement runs, and goes on from where it was.
void PgEngineTest::halfReadResultThenAnother_data()
{
    QTest::addColumn<bool>("started");
    QTest::newRow("prepared") << false;
    QTest::newRow("started") << true;
}

void PgEngineTest::halfReadResultThenAnother()
{
    NEEDS_SERVER();
    QFETCH(bool, started);
    ServerDatabase database;
    auto books = openBooks(database);
    QVERIFY(books);
    EngineError error;
    const QString statement = QStringLiteral("Select generate_series(1, 1000) As N");
    auto series = started ? books->start(statement, &error) : books->prepare(statement, &error);
    QVERIFY2(series, qPrintable(error.text));
    QCOMPARE(series->columnName(0), QStringLiteral("N"));
    for (int row = 1; row <= 3; ++row) {
        QCOMPARE(series->step(), BooksCursor::Step::Row);
        QCOMPARE(series->integer(0), row);
    }
    QCOMPARE(firstColumn(*books, QStringLiteral("Select 7")), QVariantList{7});
    qint64 sum = 0;
    int rows = 0;
    while (series->step() == BooksCursor::Step::Row) {
        sum += series->integer(0);
        ++rows;
    }
    QCOMPARE(rows, 997);
    QCOMPARE(sum, 1000 * 1001 / 2 - 6);

    series->reset();
    QCOMPARE(series->step(), BooksCursor::Step::Row);
    QCOMPARE(series->integer(0), 1);
    series->reset();
    QCOMPARE(firstColumn(*books, QStringLiteral("Select 8")), QVariantList{8});
}

// A read started at once tells a failure on its third row at that row, after the first two, and the
// connection goes on; one failing on its first row fails at the start.
void PgEngineTest::startedReadFailingLate()
{
    NEEDS_SERVER();
    ServerDatabase database;
    auto books = openBooks(database);
    QVERIFY(books);
    EngineError error;
    auto late = books->start(QStringLiteral("Select 6 / (3 - generate_series(1, 5)) As N"), &error);
    QVERIFY2(late, qPrintable(error.text));
    QCOMPARE(late->step(), BooksCursor::Step::Row);
    QCOMPARE(late->integer(0), 3);
    QCOMPARE(late->step(), BooksCursor::Step::Row);
    QCOMPARE(late->integer(0), 6);
    QCOMPARE(late->step(), BooksCursor::Step::Failed);
    QVERIFY2(late->error().text.contains(QLatin1String("division by zero")), qPrintable(late->error().text));
    QCOMPARE(firstColumn(*books, QStringLiteral("Select 7")), QVariantList{7});

    QVERIFY(!books->start(QStringLiteral("Select 1 / 0"), &error));
    QVERIFY2(error.text.contains(QLatin1String("division by zero")), qPrintable(error.text));
    QVERIFY(!books->start(QStringLiteral("Select 1; Select 2"), &error));
    QCOMPARE(firstColumn(*books, QStringLiteral("Select 8")), QVariantList{8});
}

// A report of many statements counts from one state of the books while another cashier stores a
// record, and still writes its own scratch rows.
void PgEngineTest::reportSeesOneStateOfTheBooks()
{
    NEEDS_SERVER();
    ServerDatabase database;
    QVERIFY(database.made());
    ProgramFixture program;
    database.registerFor(program);
    const auto recordsOfTheDay = [&program] {
        Query &query = program.select(QStringLiteral(
            "Select Count(*) As Records, Round(Sum(MoneySum),2) As Total From MoneyTable "
            "Where MoneyCreateTime = #2026-12-10#"));
        return QStringList{query.fieldText(QStringLiteral("Records")), query.fieldText(QStringLiteral("Total"))};
    };
    EngineError notOpened;
    QVERIFY(ShareDataModule::instance().ADOConnection1(&notOpened)); // the program makes the books
    Session other(database.name());
    const QString store = QStringLiteral("INSERT INTO MoneyTable(MoneyAccount, MoneyCreateTime, MoneyUser, MoneySum) "
                                         "VALUES (1, '2026-12-10', 'B', 12.3)");
    QVERIFY(other.run(store));

    Transaction report(ShareDataModule::instance(), BooksConnection::Intent::Report);
    QVERIFY(report.isActive());
    const QStringList first = recordsOfTheDay();
    QCOMPARE(first, (QStringList{"1", "12.3"}));
    QVERIFY(other.run(store));
    QCOMPARE(recordsOfTheDay(), first);
    QString error;
    QVERIFY2(ShareDataModule::instance().execute(
                 QStringLiteral("UPDATE PrintDay SET DayName = 'x' WHERE DayIndex = 1"), &error),
             qPrintable(error));
    QVERIFY(report.commit());
    QCOMPARE(recordsOfTheDay(), (QStringList{"2", "24.6"}));
}

// A row changed does not move to the end of its table: the print lines stay in their order.
void PgEngineTest::rowsInKeyOrder()
{
    NEEDS_SERVER();
    ServerDatabase database;
    QVERIFY(database.made());
    ProgramFixture program;
    database.registerFor(program);
    QString error;
    QVERIFY2(ShareDataModule::instance().execute(
                 QStringLiteral("UPDATE PrintTable SET PrintValue1 = 'A' WHERE PrintIndex = 1"),
                 &error),
             qPrintable(error));
    Query &query = program.select(QStringLiteral("Select PrintIndex From PrintTable Where PrintIndex < 4"));
    QStringList order;
    for (query.first(); !query.eof(); query.next())
        order.append(query.fieldText(QStringLiteral("PrintIndex")));
    QCOMPARE(order, (QStringList{"1", "2", "3"}));
}

// Books locked by another connection: after the wait the failure is the "in use" kind, as for a busy file.
void PgEngineTest::lockHeldElsewhereTold()
{
    NEEDS_SERVER();
    ServerDatabase database;
    auto books = openBooks(database);
    QVERIFY(books);
    Session other(database.name());
    QVERIFY(other.run(QStringLiteral("BEGIN; LOCK TABLE Account IN ACCESS EXCLUSIVE MODE")));
    books->waitQuietly(50);
    EngineError error;
    QVERIFY(!books->execute(QStringLiteral("UPDATE Account SET AccountType = 1"), &error));
    QCOMPARE(error.kind, EngineError::Kind::InUse);
    QVERIFY(!FailureSentence(error).isEmpty());
    QVERIFY(other.run(QStringLiteral("ROLLBACK")));
    QVERIFY2(books->execute(QStringLiteral("UPDATE Account SET AccountType = 1"), &error), qPrintable(error.text));
}

void PgEngineTest::lockWaitShown_data()
{
    QTest::addColumn<QString>("change");  // of the row another cashier holds: post, remove or execute
    QTest::addColumn<QString>("held");    // what the other cashier's open transaction did
    QTest::addColumn<bool>("letGo");      // the other cashier ends the transaction while the program waits
    QTest::addColumn<QString>("notice");
    QTest::addColumn<QString>("stored");  // the accounts' names and types afterwards
    const QString lock = QStringLiteral("SELECT 1 FROM Account WHERE AccountName = '乙' FOR UPDATE");
    const QString notice = ShareDataModule::BooksInUseNotice;
    QTest::newRow("update, held to the end") << "post" << lock << false << notice << "甲3,乙3";
    QTest::newRow("update, let go while waiting") << "post" << lock << true << notice << "甲3,丙3";
    QTest::newRow("delete, held to the end") << "remove" << lock << false << notice << "甲3,乙3";
    QTest::newRow("delete, let go while waiting") << "remove" << lock << true << notice << "甲3";
    QTest::newRow("statement, held to the end") << "execute" << lock << false << notice << "甲3,乙3";
    QTest::newRow("statement, let go while waiting") << "execute" << lock << true << notice << "甲3,乙7";
    // A change that takes long without waiting for anyone is neither shown as waiting nor given up.
    QTest::newRow("slow statement, nothing held") << "execute" << "SELECT 1" << false << "" << "甲3,乙7";
}

// A change that meets a row another cashier holds waits with the notice up, as for books another program
// holds, and stores once the row is let go; when the wait runs out it is given up, told as the books being
// in use, and nothing of it is stored.
void PgEngineTest::lockWaitShown()
{
    NEEDS_SERVER();
    QFETCH(QString, change);
    QFETCH(QString, held);
    QFETCH(bool, letGo);
    QFETCH(QString, notice);
    QFETCH(QString, stored);
    ProgramFixture program;
    for (const QString &name : {QStringLiteral("甲"), QStringLiteral("乙")})
        program.insert(QStringLiteral("Account"),
                       {{QStringLiteral("AccountName"), name}, {QStringLiteral("AccountType"), 3}});
    Query &query = program.select(QStringLiteral("Select AccountName From Account Where AccountName = '乙'"));
    QCOMPARE(query.recordCount(), 1);
    Session other(program.serverBooks());
    QVERIFY(other.run(QStringLiteral("BEGIN")));
    QVERIFY(other.run(held));
    ShareDataModule &books = ShareDataModule::instance();
    if (letGo)
        program.screen().onWaiting([&other] { QVERIFY(other.run(QStringLiteral("ROLLBACK"))); });
    else
        books.setBusyTimeout(0);

    bool done = false;
    EngineError failure;
    if (change == u"post") {
        query.setField(QStringLiteral("AccountName"), QStringLiteral("丙"));
        done = query.post();
        failure = query.lastFailure();
    } else if (change == u"remove") {
        done = query.remove();
        failure = query.lastFailure();
    } else {
        done = books.execute(QStringLiteral("UPDATE Account SET AccountType = 7 FROM (SELECT pg_sleep(0.2)) AS slow "
                                            "WHERE AccountName = '乙'"),
                             &failure);
    }
    QCOMPARE(done, letGo || notice.isEmpty());
    if (!done) {
        QCOMPARE(failure.kind, EngineError::Kind::InUse);
        ReportFailure(QStringLiteral("记录未能保存"), failure);
        QCOMPARE(program.screen().takeMessages(),
                 QStringList{QStringLiteral("记录未能保存\n帐簿正被数据库服务器上的其他用户占用，请稍后再试。")});
    }
    QCOMPARE(program.screen().notices(), notice.isEmpty() ? QStringList() : QStringList{notice});
    QVERIFY(!program.screen().isWaiting());
    other.run(QStringLiteral("ROLLBACK"));
    QCOMPARE(other.value(QStringLiteral("SELECT string_agg(AccountName || AccountType, ',' ORDER BY AccountIndex) "
                                        "FROM Account WHERE AccountIndex > 1")),
             stored);
}

// A connection the server dropped between statements is opened again, with the cashier's own print tables.
void PgEngineTest::lostConnectionOpenedAgain()
{
    NEEDS_SERVER();
    ServerDatabase database;
    auto books = openBooks(database);
    QVERIFY(books);
    Session other(database.name());
    QVERIFY(other.run(QStringLiteral("SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
                                     "WHERE application_name = 'kalvora' AND datname = current_database()")));
    QCOMPARE(firstColumn(*books, QStringLiteral("Select Count(*) From pg_temp.PrintTable")), QVariantList{1000});
    // A read started at once is sent again, once, on the connection opened again.
    QVERIFY(other.run(QStringLiteral("SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
                                     "WHERE application_name = 'kalvora' AND datname = current_database()")));
    EngineError error;
    auto started = books->start(QStringLiteral("Select Count(*) From pg_temp.PrintDay"), &error);
    QVERIFY2(started, qPrintable(error.text));
    QCOMPARE(started->step(), BooksCursor::Step::Row);
    started.reset();
    // So is the start of a transaction, which nothing has been done in yet.
    QVERIFY(other.run(QStringLiteral("SELECT pg_terminate_backend(pid, 5000) FROM pg_stat_activity "
                                     "WHERE application_name = 'kalvora' AND datname = current_database()")));
    QVERIFY2(books->begin(BooksConnection::Intent::Write, &error), qPrintable(error.text));
    books->rollback();

    QVERIFY(books->begin(BooksConnection::Intent::Write, &error));
    QVERIFY(other.run(QStringLiteral("SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
                                     "WHERE application_name = 'kalvora' AND datname = current_database()")));
    QVERIFY(!books->prepare(QStringLiteral("Select 1"), &error));
    QVERIFY2(error.text.startsWith(QStringLiteral("与数据库服务器的连接已断开")), qPrintable(error.text));
}

// The server ends the session inside a transaction: its changes are gone, so nothing after may run as
// if they were not, nor may the commit say they were stored; only the rollback starts afresh.
void PgEngineTest::lostConnectionBreaksTheTransaction()
{
    NEEDS_SERVER();
    ServerDatabase database;
    auto books = openBooks(database);
    QVERIFY(books);
    Session other(database.name());
    EngineError error;
    QVERIFY2(books->begin(BooksConnection::Intent::Write, &error), qPrintable(error.text));
    QVERIFY(books->execute(QStringLiteral("INSERT INTO Parameter (ParameterType, ParameterValue) VALUES (1, '甲')"),
                           &error));
    QVERIFY(other.run(QStringLiteral("SELECT pg_terminate_backend(pid, 5000) FROM pg_stat_activity "
                                     "WHERE application_name = 'kalvora' AND datname = current_database()")));
    const auto lost = [&error] { return error.text.startsWith(QStringLiteral("与数据库服务器的连接已断开")); };
    QVERIFY(!books->execute(QStringLiteral("INSERT INTO Parameter (ParameterType, ParameterValue) VALUES (1, '乙')"),
                            &error));
    QVERIFY2(lost(), qPrintable(error.text));
    error = {};
    QVERIFY(!books->execute(QStringLiteral("INSERT INTO Parameter (ParameterType, ParameterValue) VALUES (1, '丙')"),
                            &error));
    QVERIFY2(lost(), qPrintable(error.text));
    error = {};
    qint64 rowId = 0;
    BooksEngine::StoredRow stored;
    QVERIFY(!books->insertRow(QStringLiteral("Parameter"), {{QStringLiteral("parametertype"), 2},
                                                            {QStringLiteral("parametervalue"), QStringLiteral("丁")}},
                              &rowId, &stored, &error));
    QVERIFY2(lost(), qPrintable(error.text));
    error = {};
    QVERIFY(!books->commit(&error));
    QVERIFY2(lost(), qPrintable(error.text));
    QVERIFY(books->inTransaction());
    books->rollback();
    QCOMPARE(other.value(QStringLiteral("SELECT count(*) FROM Parameter WHERE ParameterValue IN ('甲','乙','丙','丁')")),
             QStringLiteral("0"));
    // After the rollback the books are used again, on a connection opened anew.
    QVERIFY2(books->execute(QStringLiteral("INSERT INTO Parameter (ParameterType, ParameterValue) VALUES (1, '戊')"),
                            &error),
             qPrintable(error.text));
    QCOMPARE(other.value(QStringLiteral("SELECT count(*) FROM Parameter WHERE ParameterValue = '戊'")),
             QStringLiteral("1"));
}

QString firstText(BooksConnection &books, const QString &statement)
{
    EngineError error;
    auto cursor = books.start(statement, &error);
    if (!cursor)
        return error.text;
    RowStore row;
    if (cursor->step() != BooksCursor::Step::Row)
        return cursor->error().text;
    cursor->appendRow(row);
    return row.value(0, 0).toString();
}

void PgEngineTest::readerConnectionKeptForTheNext_data()
{
    QTest::addColumn<QString>("before"); // what happens to the first reader before it is closed
    QTest::addColumn<bool>("kept");
    QTest::newRow("read and closed") << "" << true;
    QTest::newRow("waited quietly") << "quiet" << true;
    QTest::newRow("stopped") << "stopped" << true;
    QTest::newRow("stopped in a long read") << "stopped reading" << true;
    QTest::newRow("left in its read") << "open read" << false;
    QTest::newRow("closed by the server") << "terminated" << false;
}

// A grid's reader gives its connection back when closed, and the next reader reads on it as on a new
// one; a connection that may not serve as new is closed, and the next reader opens its own.
void PgEngineTest::readerConnectionKeptForTheNext()
{
    NEEDS_SERVER();
    QFETCH(QString, before);
    QFETCH(bool, kept);
    ServerDatabase database;
    auto books = openBooks(database);
    QVERIFY(books);
    EngineError error;
    auto reader = books->openReader(&error);
    QVERIFY2(reader, qPrintable(error.text));
    const QString pid = firstText(*reader, QStringLiteral("Select pg_backend_pid()"));
    if (before == u"quiet")
        reader->waitQuietly(700);
    else if (before == u"stopped")
        reader->interrupt();
    else if (before == u"stopped reading") {
        std::thread stopper([&database, &reader, &pid] {
            Session watcher(database.name());
            while (watcher.value(QStringLiteral("SELECT wait_event FROM pg_stat_activity WHERE pid = %1").arg(pid))
                   != u"PgSleep") {
            }
            reader->interrupt();
        });
        QVERIFY(firstText(*reader, QStringLiteral("Select Count(*) From pg_sleep(30), generate_series(1, 10)"))
                    .contains(QLatin1String("cancel")));
        stopper.join();
    }
    else if (before == u"open read")
        QVERIFY(reader->begin(BooksConnection::Intent::Read, &error));
    else if (before == u"terminated")
        QVERIFY(Session(database.name()).run(QStringLiteral("SELECT pg_terminate_backend(%1, 5000)").arg(pid)));
    reader.reset();

    // A grid's reader begins its read first, which is not sent again on a connection found closed.
    auto next = books->openReader(&error);
    QVERIFY2(next, qPrintable(error.text));
    QVERIFY2(next->begin(BooksConnection::Intent::Read, &error), qPrintable(error.text));
    QCOMPARE(firstText(*next, QStringLiteral("Select pg_backend_pid()")) == pid, kept);
    QCOMPARE(firstText(*next, QStringLiteral("Show lock_timeout")), QStringLiteral("5s"));
    QCOMPARE(firstText(*next, QStringLiteral("Select Count(*) From Power")), QStringLiteral("3"));
    next->rollback();
}

// A statement waiting for books another connection holds stops when interrupted from another thread,
// and the connection goes on.
void PgEngineTest::waitingStatementInterrupted()
{
    NEEDS_SERVER();
    ServerDatabase database;
    auto books = openBooks(database);
    QVERIFY(books);
    Session holder(database.name());
    QVERIFY(holder.run(QStringLiteral("BEGIN; LOCK TABLE Account IN ACCESS EXCLUSIVE MODE")));
    std::thread interrupter([&database, &books] {
        Session watcher(database.name());
        while (watcher.value(QStringLiteral("SELECT count(*) FROM pg_stat_activity WHERE wait_event_type = 'Lock' "
                                            "AND datname = current_database()"))
               != u"1") {
        }
        books->interrupt();
    });
    EngineError error;
    const bool ran = books->execute(QStringLiteral("UPDATE Account SET AccountType = 1"), &error);
    interrupter.join();
    QVERIFY(!ran);
    QCOMPARE(error.kind, EngineError::Kind::Other);
    QVERIFY(holder.run(QStringLiteral("ROLLBACK")));
    QCOMPARE(firstColumn(*books, QStringLiteral("Select Count(*) From Account Where AccountType = 1")), QVariantList{0});
}

// The report grid on server books: counts and sums and keys from a second connection, the keys past the
// first pages in a thread, each page's rows by key; every row as the whole result has it.
void PgEngineTest::reportGridReadsAsTheWholeResult()
{
    NEEDS_SERVER();
    ServerDatabase database;
    QVERIFY(database.made());
    ProgramFixture program;
    database.registerFor(program);
    QString error;
    QVERIFY2(ShareDataModule::instance().execute(
                 QStringLiteral("INSERT INTO Account(AccountName) VALUES ('乙'), ('甲');"
                                "INSERT INTO MoneyTable(MoneyAccount, MoneyCreateTime, MoneyUser, MoneySum) "
                                "SELECT 2 + i % 2, DATE '2026-01-01' + (i * 7 % 365), '客户' || (i % 13), "
                                "((i * 37) % 201 - 100) * 12.3 / 10 FROM generate_series(1, 300) AS i"),
                 &error),
             qPrintable(error));
    const QString fields = QStringLiteral("MoneyIndex,MoneyCreateTime,AccountName,MoneyUser,MoneySum");
    const QString order = QStringLiteral(" Order By MoneySum Desc,MoneyCreateTime,MoneyIndex");
    WindowedQuery rows(ShareDataModule::instance(), 4);
    QVERIFY2(rows.open({fields, QStringLiteral("Account,MoneyTable"), QStringLiteral("(AccountIndex = MoneyAccount)"),
                        QString(), order, QStringLiteral("MoneyIndex"), {QStringLiteral("MoneySum")}}),
             qPrintable(rows.lastFailure().text));
    Query &whole = program.select(QStringLiteral("Select ") + fields
                                  + QStringLiteral(" From Account,MoneyTable Where (AccountIndex = MoneyAccount)") + order);
    QCOMPARE(whole.recordCount(), 300);
    QCOMPARE(rows.recordCount(), 300);
    double sum = 0;
    for (int row = 0; row < 300; ++row) {
        for (int column = 0; column < 5; ++column)
            QCOMPARE(rows.value(row, column), whole.value(row, column));
        sum += whole.value(row, 4).toDouble();
    }
    QVERIFY(qFuzzyCompare(rows.columnSum(4), sum));
}

void PgEngineTest::changesAccepted_data()
{
    QTest::addColumn<QString>("grant"); // what the cashier's database user may do with the records
    QTest::addColumn<bool>("accepted");
    QTest::newRow("all changes") << "SELECT, INSERT, UPDATE, DELETE" << true;
    QTest::newRow("reading only") << "SELECT" << false;
    QTest::newRow("adding but not deleting") << "SELECT, INSERT, UPDATE" << false;
}

// Books the cashier's database user may only read are told as read-only before any change is tried.
void PgEngineTest::changesAccepted()
{
    NEEDS_SERVER();
    QFETCH(QString, grant);
    QFETCH(bool, accepted);
    ServerDatabase database;
    QVERIFY(openBooks(database));
    const QString cashier = database.name() + QStringLiteral("_cashier");
    Session owner(database.name());
    QVERIFY(owner.run(QStringLiteral("CREATE ROLE %1 LOGIN; GRANT SELECT ON ALL TABLES IN SCHEMA public TO %1; "
                                     "GRANT %2 ON MoneyTable TO %1")
                          .arg(cashier, grant)));
    PgEngine::Server server = database.server();
    server.user = cashier;
    EngineError error;
    {
        auto books = PgEngine::open(server, &error);
        QVERIFY2(books, qPrintable(error.text));
        QCOMPARE(books->acceptsChanges(&error), accepted);
        QCOMPARE(error.kind, accepted ? EngineError::Kind::Found : EngineError::Kind::ReadOnly);
    }
    QVERIFY(owner.run(QStringLiteral("DROP OWNED BY %1").arg(cashier)));
    QString dropped;
    QVERIFY2(TestEngine::runOnServer(QStringLiteral("DROP ROLE %1").arg(cashier), &dropped), qPrintable(dropped));
}

void PgEngineTest::quotingHoldsOnAServerSetOtherwise_data()
{
    QTest::addColumn<QString>("value"); // typed by a cashier into a search field
    QTest::addColumn<int>("found");
    QTest::newRow("backslash before a quote") << QStringLiteral("\\' Or 1=1 --") << 0;
    QTest::newRow("the value itself") << QStringLiteral("x\\'y") << 1;
    QTest::newRow("doubled quote") << QStringLiteral("O'Brien") << 1;
}

// Values are quoted by doubling '. A server whose books are set to read backslashes in texts would end
// the text early, so that a typed value widens the statement; the program's connection sets it back.
void PgEngineTest::quotingHoldsOnAServerSetOtherwise()
{
    NEEDS_SERVER();
    QFETCH(QString, value);
    QFETCH(int, found);
    ServerDatabase database;
    QVERIFY(database.made());
    ProgramFixture program;
    database.registerFor(program);
    program.insert(QStringLiteral("MoneyTable"), {{QStringLiteral("MoneyUser"), QStringLiteral("x\\'y")}});
    program.insert(QStringLiteral("MoneyTable"), {{QStringLiteral("MoneyUser"), QStringLiteral("O'Brien")}});
    QString error;
    QVERIFY2(TestEngine::runOnServer(
                 QStringLiteral("ALTER DATABASE %1 SET standard_conforming_strings = off").arg(database.name()), &error),
             qPrintable(error));
    ShareDataModule::instance().disconnect();
    Query &query = program.select(QStringLiteral("Select MoneyUser From MoneyTable Where MoneyUser = ")
                                  + JetSql::quoted(value));
    QVERIFY2(query.isOpen(), qPrintable(query.lastError()));
    QCOMPARE(query.recordCount(), found);
    if (found)
        QCOMPARE(query.fieldText(QStringLiteral("MoneyUser")), value);
}

void PgEngineTest::textTheServerRefusesIsTold_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QVariant>("value");
    QTest::newRow("not a date") << "MoneyCreateTime" << QVariant(QStringLiteral("2026-02-30"));
    QTest::newRow("empty date") << "MoneyCreateTime" << QVariant(QString(""));
    QTest::newRow("not a number") << "MoneySum" << QVariant(QStringLiteral("12,3"));
}

// A text the file would keep as it is, the server refuses: the store fails and says so, nothing is kept,
// and the connection goes on.
void PgEngineTest::textTheServerRefusesIsTold()
{
    NEEDS_SERVER();
    QFETCH(QString, field);
    QFETCH(QVariant, value);
    ServerDatabase database;
    QVERIFY(database.made());
    ProgramFixture program;
    database.registerFor(program);
    Query &query = program.select(QStringLiteral("Select * From MoneyTable"));
    QVERIFY(query.append());
    query.setField(QStringLiteral("MoneyUser"), QStringLiteral("第一笔"));
    query.setField(field, value);
    QVERIFY(!query.post());
    QVERIFY2(!query.lastError().isEmpty(), "no reason given");
    QCOMPARE(program.select(QStringLiteral("Select Count(*) As n From MoneyTable")).fieldInteger(QStringLiteral("n")),
             0);
}

QTEST_MAIN(PgEngineTest)
#include "tst_pgengine.moc"
