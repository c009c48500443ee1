#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QLabel>
#include <QDateEdit>
#include <QHeaderView>
#include <QTableWidget>
#include <QJsonDocument>
#include <QJsonObject>
#include <QProcess>
#include <QtTest>

#include <cstdio>

#include "app/FormMain.h"
#include "app/Program.h"
#include "changes/ChangeCheck.h"
#include "changes/ChangeDetails.h"
#include "changes/ChangeLogWindow.h"
#include "data/Clock.h"
#include "data/WindowedQuery.h"
#include "grid/DataGrid.h"
#include "reporting/Report.h"
#include "journal/JournalPage.h"
#include "data/ChangeRecord.h"
#include "data/DeliveredBooks.h"
#include "data/JetSql.h"
#include "data/Query.h"
#include "data/ShareDataModule.h"
#include "support/Files.h"
#include "support/OtherProgram.h"
#include "support/ProgramFixture.h"
#include "support/TestEngine.h"

namespace {

using Fields = QList<std::pair<QString, QVariant>>;

// One entry of the change record as read back, field names in lower case as both engines compare them.
struct Entry
{
    qint64 number = 0;
    QString operatorName;
    QString kind;
    QString table;
    qint64 row = 0;
    QVariant account;
    QJsonObject before;
    QJsonObject after;
};

QJsonObject lowered(const QVariant &json)
{
    QJsonObject result;
    const QJsonObject object = QJsonDocument::fromJson(json.toString().toUtf8()).object();
    for (auto it = object.begin(); it != object.end(); ++it)
        result.insert(it.key().toLower(), it.value());
    return result;
}

QList<Entry> entriesOf(ProgramFixture &program, const QString &condition = QString())
{
    Query &query = program.select(
        QStringLiteral("Select ChangeIndex, ChangeOperator, ChangeKind, ChangeTable, ChangeRow, ChangeAccount,"
                       " ChangeBefore, ChangeAfter From ChangeLog")
        + (condition.isEmpty() ? QString() : QStringLiteral(" Where ") + condition)
        + QStringLiteral(" Order By ChangeIndex"));
    QList<Entry> entries;
    for (query.first(); !query.eof(); query.next())
        entries.append({query.field(QStringLiteral("ChangeIndex")).toLongLong(),
                        query.fieldText(QStringLiteral("ChangeOperator")), query.fieldText(QStringLiteral("ChangeKind")),
                        query.fieldText(QStringLiteral("ChangeTable")), query.field(QStringLiteral("ChangeRow")).toLongLong(),
                        query.field(QStringLiteral("ChangeAccount")), lowered(query.field(QStringLiteral("ChangeBefore"))),
                        lowered(query.field(QStringLiteral("ChangeAfter")))});
    return entries;
}

// Entries written after the delivered books were made.
QList<Entry> newEntries(ProgramFixture &program, qint64 after)
{
    return entriesOf(program, QStringLiteral("ChangeIndex > %1").arg(after));
}

qint64 lastEntry(ProgramFixture &program)
{
    return program.select(QStringLiteral("Select Max(ChangeIndex) As Last From ChangeLog"))
        .field(QStringLiteral("Last"))
        .toLongLong();
}

// The row of `table` with the row id `row` opened for a change through the program's data layer.
Query &openRow(ProgramFixture &program, const QString &table, qint64 row)
{
    const ChangeRecord::Covered *covered = ChangeRecord::covered(table);
    const QString key = TestEngine::onServer() ? covered->serverKey() : covered->key;
    return program.select(QStringLiteral("Select * From %1 Where %2 = %3").arg(table, key).arg(row));
}

void changeRow(ProgramFixture &program, const QString &table, qint64 row, const Fields &fields)
{
    Query &query = openRow(program, table, row);
    QVERIFY(!query.eof());
    query.edit();
    for (const auto &[name, value] : fields)
        query.setField(name, value);
    QVERIFY2(query.post(), qPrintable(query.lastError()));
}

void deleteRow(ProgramFixture &program, const QString &table, qint64 row)
{
    Query &query = openRow(program, table, row);
    QVERIFY(!query.eof());
    QVERIFY2(query.remove(), qPrintable(query.lastError()));
}

ChangeCheck::Findings checked(ProgramFixture &program)
{
    ChangeCheck::Findings found;
    EngineError error;
    if (!ChangeCheck(*program.windows().data).run({}, &found, &error))
        qWarning("the check could not run: %s", qPrintable(error.text));
    return found;
}

QString text(const QJsonObject &object, const QString &field)
{
    return object.value(field.toLower()).toString();
}

double number(const QJsonObject &object, const QString &field)
{
    return object.value(field.toLower()).toDouble();
}

const Fields Record{{QStringLiteral("MoneyAccount"), 1},
                    {QStringLiteral("MoneyCreateTime"), QStringLiteral("2026-12-10")},
                    {QStringLiteral("MoneySum"), 12.3},
                    {QStringLiteral("MoneyUser"), QStringLiteral("张三")}};

// What a child writer does before it is killed with its transaction open.
enum class Unfinished { Store, Transfer, AccountDeletion };

} // namespace

class tst_changes : public QObject
{
    Q_OBJECT
private slots:
    void addChangeDeleteLeaveEntries_data();
    void addChangeDeleteLeaveEntries();
    void entriesNameTheOperator_data();
    void entriesNameTheOperator();
    void passwordChangeKeepsNoValue();
    void textsAreKeptAsTyped_data();
    void textsAreKeptAsTyped();
    void correctionThatChangesNothingLeavesNoEntry();
    void entriesCannotBeAltered_data();
    void entriesCannotBeAltered();
    void checkFindsWhatWentUnrecorded_data();
    void checkFindsWhatWentUnrecorded();
    void killedWriterLeavesTheRecordWhole_data();
    void killedWriterLeavesTheRecordWhole();
    void olderBooksGetABaseline();
    void olderServerBooksGetTheListOrder();
    void listFiltersNewestFirst_data();
    void listFiltersNewestFirst();
    void listShowsEntriesAsTheUserKnowsThem();
    void listKeepsItsColumnsInView();
    void printShowsEveryEntryWhole();
    void detailsShowBothSidesMarkingChanges();
    void tablesShownByTheirUsersNames();
    void recordHistoryOpensFromTheJournal();
    void checkIsToldOnMaintenanceAndAtFirstLogin();
};

void tst_changes::addChangeDeleteLeaveEntries_data()
{
    QTest::addColumn<QString>("table");
    QTest::addColumn<Fields>("fields");
    QTest::addColumn<QString>("changed");
    QTest::addColumn<QVariant>("value");
    QTest::addColumn<bool>("hasAccount");
    QTest::newRow("record") << "MoneyTable" << Record << "MoneySum" << QVariant(77 * 12.3) << true;
    QTest::newRow("account") << "Account"
                             << Fields{{QStringLiteral("AccountName"), QStringLiteral("现金")},
                                       {QStringLiteral("AccountType"), 1}}
                             << "AccountName" << QVariant(QStringLiteral("现金 二")) << true;
    QTest::newRow("receivable") << "GetPay"
                                << Fields{{QStringLiteral("GetPayTime"), QStringLiteral("2026-12-10")},
                                          {QStringLiteral("GetPayUser"), QStringLiteral("李四")},
                                          {QStringLiteral("GetPaySum"), 100.5}}
                                << "GetPaySum" << QVariant(-3.7) << false;
    QTest::newRow("settings list") << "Parameter"
                                   << Fields{{QStringLiteral("ParameterType"), 2},
                                             {QStringLiteral("ParameterValue"), QStringLiteral("办公用品")}}
                                   << "ParameterValue" << QVariant(QStringLiteral("办公用品、文具")) << false;
}

// Each covered table: a new row, a change of one field and the deletion, each an entry with the fields
// it touched, the row and its account, numbered on from the last.
void tst_changes::addChangeDeleteLeaveEntries()
{
    QFETCH(QString, table);
    QFETCH(Fields, fields);
    QFETCH(QString, changed);
    QFETCH(QVariant, value);
    QFETCH(bool, hasAccount);
    ProgramFixture program;
    const qint64 before = lastEntry(program);
    const qint64 row = program.insert(table, fields);
    changeRow(program, table, row, {{changed, value}});
    deleteRow(program, table, row);

    const QList<Entry> entries = newEntries(program, before);
    QCOMPARE(entries.size(), 3);
    QCOMPARE(entries[0].number, before + 1);
    QCOMPARE(entries[2].number, before + 3);
    const QStringList kinds{ChangeRecord::Kind::Added, ChangeRecord::Kind::Changed, ChangeRecord::Kind::Deleted};
    for (int i = 0; i < 3; ++i) {
        QCOMPARE(entries[i].kind, kinds[i]);
        QCOMPARE(entries[i].table, table);
        QCOMPARE(entries[i].row, row);
        QCOMPARE(entries[i].account.isNull(), !hasAccount);
    }
    if (table == u"MoneyTable")
        QCOMPARE(entries[0].account.toLongLong(), 1);
    QCOMPARE(entries[0].after.value(fields[0].first.toLower()).toVariant().toString(), fields[0].second.toString());
    QVERIFY(entries[0].before.isEmpty());
    // The change names the one field changed, with both values.
    QCOMPARE(entries[1].before.keys(), QStringList{changed.toLower()});
    QCOMPARE(entries[1].after.keys(), QStringList{changed.toLower()});
    const QVariant old = std::find_if(fields.begin(), fields.end(), [&](const auto &f) { return f.first == changed; })->second;
    if (value.typeId() == QMetaType::Double) {
        QCOMPARE(number(entries[1].before, changed), old.toDouble());
        QCOMPARE(number(entries[1].after, changed), value.toDouble());
    } else {
        QCOMPARE(text(entries[1].before, changed), old.toString());
        QCOMPARE(text(entries[1].after, changed), value.toString());
    }
    QCOMPARE(entries[2].before.value(changed.toLower()).toVariant(), entries[1].after.value(changed.toLower()).toVariant());
    QVERIFY(entries[2].after.isEmpty());
    QVERIFY2(checked(program).holds(), qPrintable(ChangeCheck::report(checked(program))));
}

void tst_changes::entriesNameTheOperator_data()
{
    QTest::addColumn<QString>("role");
    QTest::newRow("cashier") << "出纳";
    QTest::newRow("administrator") << "管理员";
}

// The role logged in names the program's writes; a plain-SQL writer beside it is an outside program,
// even while the program's own transaction names its role.
void tst_changes::entriesNameTheOperator()
{
    QFETCH(QString, role);
    ProgramFixture program;
    if (role == u"出纳")
        program.loginAsCashier();
    else
        program.loginAsAdministrator();
    const qint64 before = lastEntry(program);
    const qint64 row = program.insert(QStringLiteral("MoneyTable"), Record);
    OtherProgram other(program);
    QCOMPARE(other.execute(QStringLiteral("UPDATE MoneyTable SET MoneyRemark = '改了' WHERE MoneyIndex = %1")
                               .arg(row)
                               .toUtf8()
                               .constData()),
             0);
    changeRow(program, QStringLiteral("MoneyTable"), row, {{QStringLiteral("MoneySum"), 5.5}});

    const QList<Entry> entries = newEntries(program, before);
    QCOMPARE(entries.size(), 3);
    QCOMPARE(entries[0].operatorName, role);
    QCOMPARE(entries[1].operatorName, ChangeRecord::ExternalWriter);
    QCOMPARE(text(entries[1].after, QStringLiteral("MoneyRemark")), QStringLiteral("改了"));
    QCOMPARE(entries[2].operatorName, role);
    if (TestEngine::onServer()) {
        // The server also keeps who connected, and from where.
        Query &query = program.select(
            QStringLiteral("Select ChangeDbUser, ChangeAddress From ChangeLog Where ChangeIndex = %1").arg(entries[1].number));
        QVERIFY(!query.fieldText(QStringLiteral("ChangeDbUser")).isEmpty());
        QVERIFY(!query.fieldText(QStringLiteral("ChangeAddress")).isEmpty());
    }
    QVERIFY(checked(program).holds());
}

// A password change is an entry naming the password, with neither value in it.
void tst_changes::passwordChangeKeepsNoValue()
{
    ProgramFixture program;
    program.loginAsAdministrator();
    const qint64 before = lastEntry(program);
    Query &power = program.select(QStringLiteral("Select * From Power Where PowerName = '出纳'"));
    const qint64 row = power.rowId();
    power.edit();
    power.setField(QStringLiteral("PowerKey"), QStringLiteral("秘密-7731"));
    QVERIFY(power.post());

    const QList<Entry> entries = newEntries(program, before);
    QCOMPARE(entries.size(), 1);
    QCOMPARE(entries[0].kind, ChangeRecord::Kind::Changed);
    QCOMPARE(entries[0].table, QStringLiteral("Power"));
    QCOMPARE(entries[0].row, row);
    QCOMPARE(entries[0].after.keys(), QStringList{QStringLiteral("powerkey")});
    QCOMPARE(text(entries[0].before, QStringLiteral("PowerKey")), ChangeRecord::Secret);
    QCOMPARE(text(entries[0].after, QStringLiteral("PowerKey")), ChangeRecord::Secret);
    OtherProgram other(program);
    QCOMPARE(other.number("SELECT count(*) FROM ChangeLog WHERE ChangeAfter LIKE '%7731%' OR ChangeBefore LIKE '%7731%'"), 0);
    QVERIFY(checked(program).holds());
}

void tst_changes::textsAreKeptAsTyped_data()
{
    QTest::addColumn<QString>("typed");
    QTest::newRow("quotes") << QStringLiteral("O'Brien 说：\"对\" '' \\' \\\" 完");
    QTest::newRow("control characters") << QStringLiteral("甲\t乙\n丙\r丁") + QChar(1) + QChar(31) + QChar(127)
                                               + QStringLiteral("戊");
    QTest::newRow("4000 characters") << QString(3999, QChar(u'帐')) + QStringLiteral("末");
}

// The before and after values of a changed text come back exactly as typed, and the replay agrees.
void tst_changes::textsAreKeptAsTyped()
{
    QFETCH(QString, typed);
    ProgramFixture program;
    const qint64 row = program.insert(QStringLiteral("MoneyTable"), Record);
    const qint64 before = lastEntry(program);
    changeRow(program, QStringLiteral("MoneyTable"), row, {{QStringLiteral("MoneyRemark"), typed}});
    changeRow(program, QStringLiteral("MoneyTable"), row, {{QStringLiteral("MoneyRemark"), QStringLiteral("平")}});

    const QList<Entry> entries = newEntries(program, before);
    QCOMPARE(entries.size(), 2);
    QCOMPARE(text(entries[0].after, QStringLiteral("MoneyRemark")), typed);
    QCOMPARE(text(entries[1].before, QStringLiteral("MoneyRemark")), typed);
    QVERIFY(checked(program).holds());
}

// A correction stored without changing any value leaves no entry: the books are as they were, and an
// entry without fields would tell nothing the replay could check.
void tst_changes::correctionThatChangesNothingLeavesNoEntry()
{
    ProgramFixture program;
    const qint64 row = program.insert(QStringLiteral("MoneyTable"), Record);
    const qint64 before = lastEntry(program);
    changeRow(program, QStringLiteral("MoneyTable"), row,
              {{QStringLiteral("MoneySum"), 12.3}, {QStringLiteral("MoneyUser"), QStringLiteral("张三")}});
    QCOMPARE(lastEntry(program), before);
    // Only the case of a name changed is a change all the same.
    changeRow(program, QStringLiteral("MoneyTable"), row, {{QStringLiteral("MoneyRemark"), QStringLiteral("abc")}});
    changeRow(program, QStringLiteral("MoneyTable"), row, {{QStringLiteral("MoneyRemark"), QStringLiteral("ABC")}});
    const QList<Entry> entries = newEntries(program, before);
    QCOMPARE(entries.size(), 2);
    QCOMPARE(text(entries[1].before, QStringLiteral("MoneyRemark")), QStringLiteral("abc"));
    QCOMPARE(text(entries[1].after, QStringLiteral("MoneyRemark")), QStringLiteral("ABC"));
}

void tst_changes::entriesCannotBeAltered_data()
{
    QTest::addColumn<QString>("statement");
    QTest::newRow("update") << "UPDATE ChangeLog SET ChangeOperator = '管理员' WHERE ChangeIndex = 2";
    QTest::newRow("update all") << "UPDATE ChangeLog SET ChangeAfter = NULL";
    QTest::newRow("delete the last") << "DELETE FROM ChangeLog WHERE ChangeIndex = (SELECT max(ChangeIndex) FROM ChangeLog)";
    QTest::newRow("delete all") << "DELETE FROM ChangeLog";
}

// Plain SQL cannot change or delete entries: it is refused with the reason, and every entry stays.
void tst_changes::entriesCannotBeAltered()
{
    QFETCH(QString, statement);
    ProgramFixture program;
    program.insert(QStringLiteral("MoneyTable"), Record);
    OtherProgram other(program);
    const qint64 count = other.number("SELECT count(*) FROM ChangeLog");
    const qint64 operators = other.number("SELECT count(*) FROM ChangeLog WHERE ChangeOperator = '本程序'");
    const int refused = other.execute(statement.toUtf8().constData());
    QVERIFY(refused != 0);
    QVERIFY2(other.lastError().contains(ChangeRecord::Refusal), qPrintable(other.lastError()));
    QCOMPARE(other.number("SELECT count(*) FROM ChangeLog"), count);
    QCOMPARE(other.number("SELECT count(*) FROM ChangeLog WHERE ChangeOperator = '本程序'"), operators);
    QCOMPARE(other.number("SELECT count(*) FROM ChangeLog WHERE ChangeAfter IS NULL AND ChangeKind <> '删除'"), 0);
    QVERIFY(checked(program).holds());
}

void tst_changes::checkFindsWhatWentUnrecorded_data()
{
    // Run by another program on the books: `sqlite` on a file, `server` on a server.
    QTest::addColumn<QString>("sqlite");
    QTest::addColumn<QString>("server");
    QTest::addColumn<QStringList>("restored");
    QTest::addColumn<QStringList>("found");
    QTest::addColumn<int>("gaps");
    QTest::newRow("protection dropped")
        << "DROP TRIGGER ChangeLogNoDelete" << "DROP TRIGGER ChangeLogKeep ON ChangeLog"
        << QStringList{QStringLiteral("ChangeLogNoDelete"), QStringLiteral("changelogkeep")} << QStringList{} << 0;
    QTest::newRow("record changed unrecorded")
        << "DROP TRIGGER ChangeLogMoneyTableUpdate; UPDATE MoneyTable SET MoneySum = 947.1, MoneyRemark = '改' WHERE MoneyIndex = 3"
        << "ALTER TABLE MoneyTable DISABLE TRIGGER ChangeLogMoneyTable; UPDATE MoneyTable SET MoneySum = 947.1, MoneyRemark = '改' WHERE MoneyIndex = 3"
        << QStringList{QStringLiteral("ChangeLogMoneyTableUpdate"), QStringLiteral("changelogmoneytable")}
        << QStringList{QStringLiteral("日记帐 3：现在的内容与改动记录不符（金额、备注）")} << 0;
    QTest::newRow("record deleted unrecorded")
        << "DROP TRIGGER ChangeLogMoneyTableDelete; DELETE FROM MoneyTable WHERE MoneyIndex = 2"
        << "ALTER TABLE MoneyTable DISABLE TRIGGER ChangeLogMoneyTable; DELETE FROM MoneyTable WHERE MoneyIndex = 2"
        << QStringList{QStringLiteral("ChangeLogMoneyTableDelete"), QStringLiteral("changelogmoneytable")}
        << QStringList{QStringLiteral("日记帐 2：已不在帐簿中，但改动记录中没有它的删除")} << 0;
    QTest::newRow("entry deleted")
        << "DROP TRIGGER ChangeLogNoDelete; DELETE FROM ChangeLog WHERE ChangeTable = 'MoneyTable' AND ChangeRow = 2"
        << "ALTER TABLE ChangeLog DISABLE TRIGGER ChangeLogKeep; DELETE FROM ChangeLog WHERE ChangeTable = 'MoneyTable' AND ChangeRow = 2"
        << QStringList{QStringLiteral("ChangeLogNoDelete"), QStringLiteral("changelogkeep")}
        << QStringList{QStringLiteral("日记帐 2：在帐簿中，但改动记录中没有它")} << 1;
    // Settings values 1 to 3 are one of each list; a renamed value's entries name its list only when
    // it was added.
    QTest::newRow("settings value renamed unrecorded")
        << "DROP TRIGGER ChangeLogParameterUpdate; UPDATE Parameter SET ParameterValue = '支票' WHERE ParameterValue = '值3'"
        << "ALTER TABLE Parameter DISABLE TRIGGER ChangeLogParameter; UPDATE Parameter SET ParameterValue = '支票' WHERE ParameterValue = '值3'"
        << QStringList{QStringLiteral("ChangeLogParameterUpdate"), QStringLiteral("changelogparameter")}
        << QStringList{QStringLiteral("凭证 3：现在的内容与改动记录不符（列表项）")} << 0;
    QTest::newRow("renamed settings value deleted unrecorded")
        << "DROP TRIGGER ChangeLogParameterDelete; DELETE FROM Parameter WHERE ParameterValue = '办公'"
        << "ALTER TABLE Parameter DISABLE TRIGGER ChangeLogParameter; DELETE FROM Parameter WHERE ParameterValue = '办公'"
        << QStringList{QStringLiteral("ChangeLogParameterDelete"), QStringLiteral("changelogparameter")}
        << QStringList{QStringLiteral("款项类别 2：已不在帐簿中，但改动记录中没有它的删除")} << 0;
}

// What another program did past the change record is found by the check, named by record as the
// list names it, its fields by their titles; missing protection is put back with an entry saying
// so, and the next check finds it in place.
void tst_changes::checkFindsWhatWentUnrecorded()
{
    QFETCH(QString, sqlite);
    QFETCH(QString, server);
    QFETCH(QStringList, restored);
    QFETCH(QStringList, found);
    QFETCH(int, gaps);
    ProgramFixture program;
    for (int i = 0; i < 3; ++i)
        program.insert(QStringLiteral("MoneyTable"), Record);
    QList<qint64> values;
    for (int list = 1; list <= 3; ++list)
        values.append(program.insert(QStringLiteral("Parameter"),
                                     {{QStringLiteral("ParameterType"), list},
                                      {QStringLiteral("ParameterValue"), QStringLiteral("值%1").arg(list)}}));
    QCOMPARE(values, (QList<qint64>{1, 2, 3}));
    changeRow(program, QStringLiteral("Parameter"), values[1], {{QStringLiteral("ParameterValue"), QStringLiteral("办公")}});
    QVERIFY(checked(program).holds());
    OtherProgram other(program);
    QCOMPARE(other.execute((TestEngine::onServer() ? server : sqlite).toUtf8().constData()), 0);

    const ChangeCheck::Findings findings = checked(program);
    QCOMPARE(findings.restored, QStringList{restored[TestEngine::onServer() ? 1 : 0]});
    QCOMPARE(findings.brokenRows, found);
    QCOMPARE(findings.gaps.size(), gaps);
    const QString report = ChangeCheck::report(findings);
    QVERIFY2(report.contains(findings.restored[0]), qPrintable(report));
    for (const QString &row : found)
        QVERIFY2(report.contains(row), qPrintable(report));
    const QList<Entry> last = entriesOf(program, QStringLiteral("ChangeKind = '%1'").arg(ChangeRecord::Kind::Restored));
    QCOMPARE(last.size(), 1);
    QCOMPARE(text(last[0].after, QStringLiteral("触发器")), findings.restored[0]);

    // Put back: the same plain SQL is recorded or refused now.
    const ChangeCheck::Findings again = checked(program);
    QVERIFY(again.restored.isEmpty());
    QCOMPARE(again.brokenRows, found);
}

void tst_changes::killedWriterLeavesTheRecordWhole_data()
{
    QTest::addColumn<int>("unfinished");
    QTest::newRow("store") << int(Unfinished::Store);
    QTest::newRow("transfer") << int(Unfinished::Transfer);
    QTest::newRow("account deletion") << int(Unfinished::AccountDeletion);
}

// A writer killed while its transaction is open leaves neither its changes nor their entries: the
// check holds, and the next entry takes the next number.
void tst_changes::killedWriterLeavesTheRecordWhole()
{
    QFETCH(int, unfinished);
    ProgramFixture program;
    const qint64 account = program.insert(QStringLiteral("Account"), {{QStringLiteral("AccountName"), QStringLiteral("银行")},
                                                                      {QStringLiteral("AccountType"), 1}});
    Fields record = Record;
    record[0].second = account;
    program.insert(QStringLiteral("MoneyTable"), record);
    program.insert(QStringLiteral("MoneyTable"), record);
    const qint64 before = lastEntry(program);
    OtherProgram other(program);
    const qint64 records = other.number("SELECT count(*) FROM MoneyTable");

    QProcess writer;
    writer.setProcessChannelMode(QProcess::ForwardedErrorChannel);
    writer.start(QCoreApplication::applicationFilePath(),
                 {QStringLiteral("--unfinished"), QString::number(unfinished), QString::number(account)});
    QVERIFY2(writer.waitForReadyRead(60000), "the writer never got its transaction open");
    QCOMPARE(writer.readAllStandardOutput().trimmed(), QByteArray("open"));
    writer.kill();
    QVERIFY(writer.waitForFinished(60000));

    const ChangeCheck::Findings findings = checked(program);
    QVERIFY2(findings.holds(), qPrintable(ChangeCheck::report(findings)));
    QCOMPARE(lastEntry(program), before);
    QCOMPARE(other.number("SELECT count(*) FROM MoneyTable"), records);
    program.insert(QStringLiteral("MoneyTable"), record);
    QCOMPARE(lastEntry(program), before + 1);
    QVERIFY(checked(program).holds());
}

// Books made before the change record get it at their first open: one baseline entry per row, so the
// check holds from the first day.
void tst_changes::olderBooksGetABaseline()
{
    ProgramFixture program(ProgramFixture::Start::NotStarted);
    {
        OtherProgram other(program);
        QString drop;
        if (TestEngine::onServer()) {
            drop = QStringLiteral("SET client_min_messages = warning; DROP TABLE ChangeLog, ChangeCounter; DROP FUNCTION change_log_row() CASCADE;"
                                  "DROP FUNCTION change_log_refuse(), change_log_write(text, text, bigint, integer, jsonb, jsonb),"
                                  " change_log_image(jsonb, text, text), change_log_now(), change_log_address();"
                                  "UPDATE BooksVersion SET SchemaVersion = 2;");
        } else {
            drop = fileWithoutChangeRecord();
        }
        QCOMPARE(other.execute(drop.toUtf8().constData()), 0);
        for (int i = 1; i <= 7; ++i)
            QCOMPARE(other.execute(QStringLiteral("INSERT INTO MoneyTable(MoneyAccount, MoneyCreateTime, MoneySum, MoneyRemark)"
                                                  " VALUES (1, '2026-11-0%1', %1 * 12.3, '旧''帐')")
                                       .arg(i)
                                       .toUtf8()
                                       .constData()),
                     0);
        QCOMPARE(other.execute("DELETE FROM MoneyTable WHERE MoneyIndex = 4"), 0);
    }
    program.start();
    const QList<Entry> entries = entriesOf(program);
    // The delivered account, receivable and three passwords, and the six records left.
    QCOMPARE(entries.size(), 11);
    for (int i = 0; i < entries.size(); ++i) {
        QCOMPARE(entries[i].number, i + 1);
        QCOMPARE(entries[i].kind, ChangeRecord::Kind::Baseline);
        QCOMPARE(entries[i].operatorName, ChangeRecord::ProgramItself);
    }
    const QList<Entry> records = entriesOf(program, QStringLiteral("ChangeTable = 'MoneyTable'"));
    QCOMPARE(records.size(), 6);
    QCOMPARE(records[3].row, 5);
    QCOMPARE(number(records[3].after, QStringLiteral("MoneySum")), 5 * 12.3);
    QCOMPARE(text(records[3].after, QStringLiteral("MoneyRemark")), QStringLiteral("旧'帐"));
    QVERIFY(checked(program).holds());
    OtherProgram other(program);
    QCOMPARE(other.number(TestEngine::onServer() ? "SELECT SchemaVersion FROM BooksVersion" : "PRAGMA user_version"),
             DeliveredBooks::SchemaVersion);
}


namespace {

// Entries of three operators, two accounts and three kinds: 出纳 stores 12.3 on the first account and
// 77 × 12.3 on the second, 管理员 corrects the second, another program deletes the first.
struct Story
{
    qint64 first = 0, second = 0;
};

Story tellStory(ProgramFixture &program)
{
    ShareDataModule &data = *program.windows().data;
    Story story;
    story.first = program.insert(QStringLiteral("Account"), {{QStringLiteral("AccountName"), QStringLiteral("现金")},
                                                             {QStringLiteral("AccountType"), 1}});
    story.second = program.insert(QStringLiteral("Account"), {{QStringLiteral("AccountName"), QStringLiteral("银行")},
                                                              {QStringLiteral("AccountType"), 2}});
    data.setOperator(QStringLiteral("出纳"));
    Fields record = Record;
    record[0].second = story.first;
    const qint64 one = program.insert(QStringLiteral("MoneyTable"), record);
    record[0].second = story.second;
    record[2].second = 77 * 12.3;
    const qint64 two = program.insert(QStringLiteral("MoneyTable"), record);
    data.setOperator(QStringLiteral("管理员"));
    changeRow(program, QStringLiteral("MoneyTable"), two, {{QStringLiteral("MoneySum"), 947.0}});
    OtherProgram other(program);
    other.execute(QStringLiteral("DELETE FROM MoneyTable WHERE MoneyIndex = %1").arg(one).toUtf8().constData());
    return story;
}

// The numbers of the entries the list shows, top to bottom.
QList<qint64> listed(ChangeLogWindow &window)
{
    QList<qint64> numbers;
    WindowedQuery &rows = window.rows();
    for (int row = 0; row < rows.recordCount(); ++row)
        numbers.append(rows.value(row, 0).toLongLong());
    return numbers;
}

// What the list shows in a column: the texts of its rows, top to bottom.
QStringList columnTexts(DataGrid &grid, const QString &title, int rows)
{
    int column = 0;
    while (column < grid.columnCount() && grid.title(column) != title)
        ++column;
    QStringList texts;
    for (int row = 0; row < rows; ++row)
        texts.append(grid.model().index(row, column).data().toString());
    return texts;
}

} // namespace

// The list shows each side of an entry as "标题：值" pairs in the order of the table, the fields a
// change emptied on both sides; an account by its name while it exists and by its number once it is
// gone. The database user and the address show on a server only, where they are kept.
void tst_changes::listShowsEntriesAsTheUserKnowsThem()
{
    ProgramFixture program;
    const qint64 cash = program.insert(QStringLiteral("Account"), {{QStringLiteral("AccountName"), QStringLiteral("现金")},
                                                                   {QStringLiteral("AccountType"), 1}});
    const qint64 bank = program.insert(QStringLiteral("Account"), {{QStringLiteral("AccountName"), QStringLiteral("银行")},
                                                                   {QStringLiteral("AccountType"), 2}});
    Fields record = Record;
    record[0].second = cash;
    const qint64 first = program.insert(QStringLiteral("MoneyTable"), record);
    changeRow(program, QStringLiteral("MoneyTable"), first,
              {{QStringLiteral("MoneySum"), 77 * 12.3}, {QStringLiteral("MoneyRemark"), QStringLiteral("备用金")}});
    record[0].second = bank;
    const qint64 second = program.insert(QStringLiteral("MoneyTable"), record);
    deleteRow(program, QStringLiteral("MoneyTable"), second);
    deleteRow(program, QStringLiteral("Account"), bank);

    ChangeLogWindow &window = *program.windows().changeLog;
    window.prepareAll();
    DataGrid &grid = *window.DBGridEh1();
    QStringList titles;
    for (int c = 0; c < grid.columnCount(); ++c)
        titles.append(grid.title(c));
    QStringList expected{QStringLiteral("编号"), QStringLiteral("时间"), QStringLiteral("操作人"), QStringLiteral("类别"),
                         QStringLiteral("表"),   QStringLiteral("记录号"), QStringLiteral("帐户")};
    if (TestEngine::onServer())
        expected << QStringLiteral("数据库用户") << QStringLiteral("地址");
    expected << QStringLiteral("改动前") << QStringLiteral("改动后");
    QCOMPARE(titles, expected);

    const QString gone = QString::number(bank);
    const QString stored = QStringLiteral("录入时间：2026-12-10；帐户：%1；客户名称：张三；金额：12.3");
    QCOMPARE(columnTexts(grid, QStringLiteral("帐户"), 5),
             (QStringList{gone, gone, gone, QStringLiteral("现金"), QStringLiteral("现金")}));
    QCOMPARE(columnTexts(grid, QStringLiteral("改动前"), 5),
             (QStringList{QStringLiteral("帐户名：银行；帐户类型：2"), stored.arg(gone), QString(),
                          QStringLiteral("金额：12.3；备注："), QString()}));
    QCOMPARE(columnTexts(grid, QStringLiteral("改动后"), 5),
             (QStringList{QString(), QString(), stored.arg(gone), QStringLiteral("金额：947.1；备注：备用金"),
                          stored.arg(QStringLiteral("现金"))}));
}

// At its normal size the list shows every column: the others as wide as their titles and what they
// show, and the two sides of an entry, the widest, sharing the width left.
void tst_changes::listKeepsItsColumnsInView()
{
    ProgramFixture program;
    tellStory(program);
    ChangeLogWindow &window = *program.windows().changeLog;
    window.prepareAll();
    window.show();
    DataGrid &grid = *window.DBGridEh1();
    const int width = grid.viewport()->width();
    const int rows = grid.model().rowCount();
    QVERIFY(rows >= 6);
    QList<int> sides;
    int othersWidest = 0;
    for (int c = 0; c < grid.columnCount(); ++c) {
        const QString title = grid.title(c);
        QVERIFY2(grid.columnViewportPosition(c) + grid.columnWidth(c) <= width,
                 qPrintable(QStringLiteral("%1 ends past %2").arg(title).arg(width)));
        if (title == u"改动前" || title == u"改动后") {
            sides.append(grid.columnWidth(c));
            continue;
        }
        int widest = grid.horizontalHeader()->fontMetrics().horizontalAdvance(title);
        for (const QString &text : columnTexts(grid, title, rows))
            widest = std::max(widest, grid.fontMetrics().horizontalAdvance(text));
        QVERIFY2(grid.columnWidth(c) > widest, qPrintable(title));
        othersWidest = std::max(othersWidest, grid.columnWidth(c));
    }
    QCOMPARE(sides.size(), 2);
    QVERIFY(std::abs(sides[0] - sides[1]) <= 1);
    QVERIFY2(sides[0] > othersWidest, qPrintable(QStringLiteral("%1 beside %2").arg(sides[0]).arg(othersWidest)));
    window.hide();
}

// The printout holds every entry whole: a long side goes on over as many lines as it takes, an
// entry taller than a page over the next pages, and nothing is cut. On a books file the columns a
// server alone fills are left out.
void tst_changes::printShowsEveryEntryWhole()
{
    ProgramFixture program;
    tellStory(program);
    QString remark;
    for (int i = 1; i <= 400; ++i)
        remark += QStringLiteral("第%1笔 ").arg(i);
    const qint64 row = program.insert(QStringLiteral("MoneyTable"), Record);
    changeRow(program, QStringLiteral("MoneyTable"), row, {{QStringLiteral("MoneyRemark"), remark}});
    changeRow(program, QStringLiteral("MoneyTable"), row, {{QStringLiteral("MoneyUser"), QStringLiteral("李四")}});
    changeRow(program, QStringLiteral("MoneyTable"), row, {{QStringLiteral("MoneySum"), 77 * 12.3}});

    ChangeLogWindow &window = *program.windows().changeLog;
    window.prepareAll();
    program.screen().onDialog(QStringLiteral("FormPreview"), [](QDialog &preview) { preview.reject(); });
    window.print();
    QVERIFY(program.screen().allUsed());
    Report &report = window.report();

    // Each cell's lines, over every page it takes.
    QMap<std::pair<int, int>, QString> printed;
    QSet<int> pagesOfTheRemark;
    for (int p = 0; p < report.pageCount(); ++p) {
        const ReportPage page = report.page(p);
        const QStringList headings = page.textsOf(ReportBand::ColumnHeader);
        QCOMPARE(headings.contains(QStringLiteral("数据库用户")), TestEngine::onServer());
        QCOMPARE(headings.contains(QStringLiteral("地址")), TestEngine::onServer());
        QVERIFY(page.textsOf(ReportBand::PageFooter).contains(QStringLiteral("第 %1 页 / 共 %2 页").arg(p + 1).arg(report.pageCount())));
        for (const ReportPageText &text : page.texts)
            if (text.band == ReportBand::Data && text.column >= 0) {
                QVERIFY2(!text.text.endsWith(QStringLiteral("…")), qPrintable(text.text));
                printed[{text.row, text.column}] += QString(text.text).remove(QLatin1Char('\n'));
                if (text.row == 2 && !text.text.isEmpty() && headings.value(text.column) == u"改动后")
                    pagesOfTheRemark.insert(p);
            }
    }
    DataGrid &grid = *window.DBGridEh1();
    const int entries = window.rows().recordCount();
    for (int r = 0; r < entries; ++r)
        for (int c = 0; c < grid.columnCount(); ++c)
            QCOMPARE(printed.value({r, c}), grid.model().index(r, c).data().toString());
    QVERIFY(printed.value({2, grid.columnCount() - 1}).endsWith(QStringLiteral("第400笔 ")));
    QVERIFY2(pagesOfTheRemark.size() >= 2, "the long entry fits one page");
    QCOMPARE(report.page(report.pageCount() - 1).textsOf(ReportBand::Summary),
             QStringList{QStringLiteral("共 %1 条改动记录").arg(entries)});
}

// Server books made before the list's own index get it when the program opens them: without it the
// newest entries come only after every entry is sorted.
void tst_changes::olderServerBooksGetTheListOrder()
{
    SKIP_ON_FILE("the file reads the entries newest first by their number itself");
    ProgramFixture program;
    const char *present = "SELECT count(*) FROM pg_indexes WHERE indexname = 'changenewestfirst'";
    {
        OtherProgram other(program);
        QCOMPARE(other.number(present), 1);
        QCOMPARE(other.execute("DROP INDEX ChangeNewestFirst"), 0);
    }
    program.restart();
    QCOMPARE(program.select(QStringLiteral("Select Count(*) As N From ChangeLog")).fieldInteger(QStringLiteral("N")) > 0,
             true);
    OtherProgram other(program);
    QCOMPARE(other.number(present), 1);
}

void tst_changes::listFiltersNewestFirst_data()
{
    QTest::addColumn<QString>("who");
    QTest::addColumn<int>("account"); // 0: all, 1: the first, 2: the second
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("dayShift"); // the date range's distance from the entries' day; -99 for none
    QTest::addColumn<QStringList>("expected"); // kind|operator of each entry listed
    QTest::newRow("everything of the day")
        << "全部" << 0 << "全部" << 0
        << QStringList{"删除|外部程序", "修改|管理员", "新增|出纳", "新增|出纳", "新增|本程序", "新增|本程序"};
    QTest::newRow("cashier") << "出纳" << 0 << "全部" << -99 << QStringList{"新增|出纳", "新增|出纳"};
    QTest::newRow("second account")
        << "全部" << 2 << "全部" << -99 << QStringList{"修改|管理员", "新增|出纳", "新增|本程序"};
    QTest::newRow("deletions of the first account") << "全部" << 1 << "删除" << -99 << QStringList{"删除|外部程序"};
    QTest::newRow("outside program's changes") << "外部程序" << 2 << "全部" << -99 << QStringList{};
    QTest::newRow("the day before") << "全部" << 0 << "全部" << -1 << QStringList{};
}

// 改动记录 lists the newest entry first and narrows the list by operator, account, kind and dates.
void tst_changes::listFiltersNewestFirst()
{
    QFETCH(QString, who);
    QFETCH(int, account);
    QFETCH(QString, kind);
    QFETCH(int, dayShift);
    QFETCH(QStringList, expected);
    ProgramFixture program;
    const qint64 delivered = lastEntry(program);
    const Story story = tellStory(program);
    ChangeLogWindow &window = *program.windows().changeLog;
    window.prepareAll();
    QCOMPARE(listed(window).size(), int(delivered) + 6);
    QCOMPARE(listed(window).first(), delivered + 6);

    window.findChild<QComboBox *>(QStringLiteral("ComboBox1"))->setCurrentText(who);
    auto *accounts = window.findChild<QComboBox *>(QStringLiteral("ComboBox2"));
    if (account > 0)
        accounts->setCurrentIndex(accounts->findData(account == 1 ? story.first : story.second));
    auto *kinds = window.findChild<QComboBox *>(QStringLiteral("ComboBox3"));
    kinds->setCurrentIndex(kinds->findText(kind));
    if (dayShift != -99) {
        // The entries' own day, as the books' clock wrote it.
        const QDate day = QDate::fromString(
            program.select(QStringLiteral("Select Max(ChangeTime) As Last From ChangeLog")).fieldText(QStringLiteral("Last")).left(10),
            Qt::ISODate);
        window.findChild<QCheckBox *>(QStringLiteral("CheckBox1"))->setChecked(true);
        window.findChild<QDateEdit *>(QStringLiteral("DateEdit1"))->setDate(day.addDays(dayShift));
        window.findChild<QDateEdit *>(QStringLiteral("DateEdit2"))->setDate(day.addDays(dayShift));
    }
    QVERIFY(window.load());
    QStringList shown;
    WindowedQuery &rows = window.rows();
    for (int row = 0; row < rows.recordCount(); ++row)
        shown.append(rows.value(row, 3).toString() + u'|' + rows.value(row, 2).toString());
    if (dayShift == 0)
        shown = shown.mid(0, expected.size()); // the delivered rows' entries are of the same day
    QCOMPARE(shown, expected);
    QCOMPARE(window.DBGridEh1()->footerText(0), QStringLiteral("%1条").arg(rows.recordCount()));
}

// A double-click on an entry shows every field of the row before and after it, the changed ones
// marked, texts as typed, the account by its name.
void tst_changes::detailsShowBothSidesMarkingChanges()
{
    ProgramFixture program;
    const QString remark = QStringLiteral("O'Brien\t\"全\"\n") + QString(3990, QChar(u'帐'));
    Fields record = Record;
    record[0].second = program.insert(QStringLiteral("Account"), {{QStringLiteral("AccountName"), QStringLiteral("现金")},
                                                                  {QStringLiteral("AccountType"), 1}});
    const qint64 row = program.insert(QStringLiteral("MoneyTable"), record);
    changeRow(program, QStringLiteral("MoneyTable"), row,
              {{QStringLiteral("MoneySum"), 77 * 12.3}, {QStringLiteral("MoneyRemark"), remark}});
    ChangeLogWindow &window = *program.windows().changeLog;
    window.prepareHistory(QStringLiteral("MoneyTable"), row);
    QCOMPARE(window.rows().recordCount(), 2);
    window.DBGridEh1()->setCurrentIndex(window.DBGridEh1()->model().index(0, 0));
    program.screen().onDialog(QStringLiteral("ChangeDetails"), [&](QDialog &dialog) {
        auto *table = dialog.findChild<QTableWidget *>(QStringLiteral("TableWidget1"));
        QHash<QString, QStringList> shown;
        for (int r = 0; r < table->rowCount(); ++r)
            shown.insert(table->item(r, 0)->text(), {table->item(r, 1)->text(), table->item(r, 2)->text(),
                                                     table->item(r, 3)->text()});
        QCOMPARE(shown.size(), ChangeRecord::covered(QStringLiteral("MoneyTable"))->fields.size());
        QCOMPARE(shown.value(QStringLiteral("金额")),
                 (QStringList{QStringLiteral("12.3"), QString::number(77 * 12.3, 'g', 15), ChangeDetails::ChangedMark}));
        QCOMPARE(shown.value(QStringLiteral("备注")), (QStringList{QString(), remark, ChangeDetails::ChangedMark}));
        QCOMPARE(shown.value(QStringLiteral("客户名称")), (QStringList{QStringLiteral("张三"), QStringLiteral("张三"), QString()}));
        QCOMPARE(shown.value(QStringLiteral("帐户")), (QStringList{QStringLiteral("现金"), QStringLiteral("现金"), QString()}));
        dialog.accept();
    });
    QTest::mouseDClick(window.DBGridEh1()->viewport(), Qt::LeftButton, {},
                       window.DBGridEh1()->visualRect(window.DBGridEh1()->model().index(0, 0)).center());
    QVERIFY(program.screen().allUsed());
}

// The list (and so its print and export) and the details show each table by the name the user knows
// it by, a settings list entry by its list, a renamed one too; entries keep the stored name, by which
// a record's history is still found.
void tst_changes::tablesShownByTheirUsersNames()
{
    ProgramFixture program;
    const qint64 delivered = lastEntry(program);
    Fields record = Record;
    record[0].second = program.insert(QStringLiteral("Account"), {{QStringLiteral("AccountName"), QStringLiteral("现金")},
                                                                  {QStringLiteral("AccountType"), 1}});
    const qint64 row = program.insert(QStringLiteral("MoneyTable"), record);
    program.insert(QStringLiteral("GetPay"), {{QStringLiteral("GetPayUser"), QStringLiteral("老客户")},
                                              {QStringLiteral("GetPaySum"), -50.25}});
    QList<qint64> lists;
    for (int list = 1; list <= 3; ++list)
        lists.append(program.insert(QStringLiteral("Parameter"), {{QStringLiteral("ParameterType"), list},
                                                                  {QStringLiteral("ParameterValue"), QStringLiteral("值%1").arg(list)}}));
    changeRow(program, QStringLiteral("Parameter"), lists[2], {{QStringLiteral("ParameterValue"), QStringLiteral("支票")}});
    deleteRow(program, QStringLiteral("Parameter"), lists[1]);
    changeRow(program, QStringLiteral("Power"), 2, {{QStringLiteral("PowerKey"), QStringLiteral("x")}});
    {
        OtherProgram other(program);
        QCOMPARE(other.execute(TestEngine::onServer() ? "DROP TRIGGER ChangeLogKeep ON ChangeLog"
                                                      : "DROP TRIGGER ChangeLogNoDelete"),
                 0);
    }
    QCOMPARE(checked(program).restored.size(), 1);

    QStringList stored;
    for (const Entry &entry : newEntries(program, delivered))
        stored.prepend(entry.table);
    QCOMPARE(stored, (QStringList{QStringLiteral("ChangeLog"), QStringLiteral("Power"), QStringLiteral("Parameter"),
                                  QStringLiteral("Parameter"), QStringLiteral("Parameter"), QStringLiteral("Parameter"),
                                  QStringLiteral("Parameter"), QStringLiteral("GetPay"), QStringLiteral("MoneyTable"),
                                  QStringLiteral("Account")}));
    ChangeLogWindow &window = *program.windows().changeLog;
    window.prepareAll();
    QStringList shown;
    for (int r = 0; r < stored.size(); ++r)
        shown.append(window.rows().value(r, 4).toString());
    QCOMPARE(shown, (QStringList{QStringLiteral("改动记录"), QStringLiteral("密码"), QStringLiteral("款项类别"),
                                 QStringLiteral("凭证"), QStringLiteral("凭证"), QStringLiteral("款项类别"),
                                 QStringLiteral("收支种类"), QStringLiteral("应收应付"), QStringLiteral("日记帐"),
                                 QStringLiteral("帐户")}));
    QCOMPARE(window.DBGridEh1()->model().index(2, 4).data().toString(), QStringLiteral("款项类别"));

    window.prepareHistory(QStringLiteral("MoneyTable"), row);
    QCOMPARE(window.rows().recordCount(), 1);
    QCOMPARE(window.rows().value(0, 4).toString(), QStringLiteral("日记帐"));
    ChangeDetails &details = *program.windows().changeDetails;
    const auto title = [&details](qint64 entry) {
        details.load(entry);
        return details.findChild<QLabel *>(QStringLiteral("Label1"))->text().section(QStringLiteral("　"), 4, 4);
    };
    QCOMPARE(title(delivered + 6), QStringLiteral("凭证 %1").arg(lists[2]));
    QCOMPARE(title(delivered + 7), QStringLiteral("凭证 %1").arg(lists[2]));
    QCOMPARE(title(delivered + 10), QStringLiteral("改动记录 "));
}

// A record's own history opens from the daily journal's context menu, newest first.
void tst_changes::recordHistoryOpensFromTheJournal()
{
    ProgramFixture program;
    const qint64 account = program.insert(QStringLiteral("Account"), {{QStringLiteral("AccountName"), QStringLiteral("现金")},
                                                                      {QStringLiteral("AccountType"), 1}});
    Fields record = Record;
    record[0].second = account;
    record[1].second = JetSql::dateText(ProgramFixture::Today);
    program.insert(QStringLiteral("MoneyTable"), record);
    const qint64 row = program.insert(QStringLiteral("MoneyTable"), record);
    changeRow(program, QStringLiteral("MoneyTable"), row, {{QStringLiteral("MoneyMan"), QStringLiteral("王五")}});
    program.loginAsCashier(ProgramFixture::pickBook(QStringLiteral("Image5")));
    program.main().refreshAll();
    DataGrid &grid = *program.main().journalPage()->DBGridEh1();
    QCOMPARE(grid.model().rowCount(), 2);
    grid.setCurrentIndex(grid.model().index(1, 0));
    QList<qint64> shown;
    program.screen().onDialog(QStringLiteral("ChangeLogWindow"), [&](QDialog &dialog) {
        shown = listed(static_cast<ChangeLogWindow &>(dialog));
        dialog.accept();
    });
    auto *history = program.main().findChild<QAction *>(QStringLiteral("ActionRecordHistory"));
    QVERIFY(grid.actions().contains(history));
    history->trigger();
    const QList<Entry> entries = entriesOf(program, QStringLiteral("ChangeTable = 'MoneyTable' And ChangeRow = %1").arg(row));
    QCOMPARE(shown, (QList<qint64>{entries[1].number, entries[0].number}));
}

// 校验改动记录 on 数据维护 tells its findings; the first login of the day runs the check and tells only
// what it found.
void tst_changes::checkIsToldOnMaintenanceAndAtFirstLogin()
{
    ProgramFixture program;
    {
        OtherProgram other(program);
        QCOMPARE(other.execute(TestEngine::onServer() ? "DROP TRIGGER ChangeLogKeep ON ChangeLog"
                                                      : "DROP TRIGGER ChangeLogNoUpdate"),
                 0);
    }
    program.loginAsAdministrator();
    const QStringList told = program.screen().takeMessages();
    QCOMPARE(told.size(), 1);
    QVERIFY2(told[0].contains(TestEngine::onServer() ? QStringLiteral("changelogkeep") : QStringLiteral("ChangeLogNoUpdate")),
             qPrintable(told[0]));
    // Once a day: a second login checks nothing, and finds nothing to tell.
    program.loginAsAdministrator();
    QVERIFY(program.screen().takeMessages().isEmpty());
    program.main().findChild<QAction *>(QStringLiteral("ActionCheckChanges"))->trigger();
    QCOMPARE(program.screen().takeMessages(), QStringList{ChangeCheck::Holds});
}

namespace {

// The child writer of killedWriterLeavesTheRecordWhole: opens the books through the data source as
// the program does, begins the change as the program would, says "open" and waits to be killed.
int writeUnfinished(int argc, char **argv)
{
    QCoreApplication app(argc, argv);
    const auto unfinished = Unfinished(QByteArray(argv[2]).toInt());
    const qint64 account = QByteArray(argv[3]).toLongLong();
    ShareDataModule data;
    data.setOperator(QStringLiteral("出纳"));
    Transaction together(data);
    if (!together.isActive())
        return 2;
    Query query(data);
    const auto store = [&](double sum) {
        query.setSql(QStringLiteral("Select * From MoneyTable"));
        query.open();
        query.append();
        query.setField(QStringLiteral("MoneyAccount"), account);
        query.setField(QStringLiteral("MoneyCreateTime"), QStringLiteral("2026-12-10"));
        query.setField(QStringLiteral("MoneySum"), sum);
        return query.post();
    };
    bool written = true;
    switch (unfinished) {
    case Unfinished::Store:
        written = store(12.3);
        break;
    case Unfinished::Transfer:
        written = store(-77 * 12.3) && store(77 * 12.3);
        break;
    case Unfinished::AccountDeletion:
        query.setSql(QStringLiteral("Select * From MoneyTable Where MoneyAccount = %1").arg(account));
        written = query.open();
        while (written && !query.eof())
            written = query.remove();
        query.setSql(QStringLiteral("Select * From Account Where AccountIndex = %1").arg(account));
        written = written && query.open() && query.remove();
        break;
    }
    if (!written)
        return 3;
    std::puts("open");
    std::fflush(stdout);
    std::getchar(); // killed here, the transaction still open
    return 0;
}

} // namespace

int main(int argc, char **argv)
{
    if (argc == 4 && qstrcmp(argv[1], "--unfinished") == 0)
        return writeUnfinished(argc, argv);
    QApplication app(argc, argv);
    tst_changes test;
    QTEST_SET_MAIN_SOURCE_PATH
    return QTest::qExec(&test, argc, argv);
}

#include "tst_changes.moc"
