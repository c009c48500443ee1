#include <QDir>
#include <QFile>
#include <QtTest>

#include <algorithm>
#include <cerrno>
#include <sqlite3.h>

#include "accounts/AccountHouses.h"
#include "app/FormMain.h"
#include "ui/FormProgress.h"
#include "data/Clock.h"
#include "data/Settings.h"
#include "data/DeliveredBooks.h"
#include "data/MonthTotals.h"
#include "data/Query.h"
#include "data/ShareDataModule.h"
#include "maintenance/BooksBackup.h"
#include "support/Files.h"
#include "support/ProgramFixture.h"

namespace {

// Runs statements on a file of its own connection, as another program would.
void runOn(const QString &path, const QString &sql)
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

// Every row of every table of the books at `path`, in stored order, as text.
QStringList contentOf(const QString &path)
{
    QStringList rows;
    sqlite3 *db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    for (const auto &[table, fields] : DeliveredBooks::tableFields()) {
        sqlite3_stmt *statement = nullptr;
        sqlite3_prepare_v2(db, QStringLiteral("SELECT * FROM %1 ORDER BY rowid").arg(table).toUtf8().constData(), -1,
                           &statement, nullptr);
        while (sqlite3_step(statement) == SQLITE_ROW) {
            QStringList values{table};
            for (int column = 0; column < sqlite3_column_count(statement); ++column)
                values.append(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, column))));
            rows.append(values.join(u'|'));
        }
        sqlite3_finalize(statement);
    }
    sqlite3_close(db);
    return rows;
}

void storeRecord(ProgramFixture &program, double sum, const QString &user)
{
    program.insert(QStringLiteral("MoneyTable"), {{QStringLiteral("MoneyAccount"), 2},
                                                  {QStringLiteral("MoneyCreateTime"), QStringLiteral("2026-12-10")},
                                                  {QStringLiteral("MoneySum"), sum},
                                                  {QStringLiteral("MoneyUser"), user}});
}

// Many records in one write, as another program would store them: enough pages that a copy cut in
// half loses some.
void storeManyRecords(ProgramFixture &program, int count)
{
    runOn(program.databasePath(),
          QStringLiteral("WITH RECURSIVE n(i) AS (SELECT 1 UNION ALL SELECT i + 1 FROM n WHERE i < %1) "
                         "INSERT INTO MoneyTable(MoneyAccount, MoneyCreateTime, MoneySum, MoneyUser) "
                         "SELECT 2, '2026-12-10', i * 12.3, '一个足够长的客户名称，让帐簿占满许多页' || i FROM n")
              .arg(count));
}

QStringList automaticCopies(const ProgramFixture &program)
{
    return QDir(program.folder() + QStringLiteral("Backup")).entryList(QDir::Files, QDir::Name);
}

} // namespace

class MaintenanceTest : public QObject
{
    Q_OBJECT
private slots:
    void backupThenRestoreGivesBackEveryTable();
    void olderBackupComesBackWithItsMonthTotals();
    void restoreRefusesFilesThatAreNotBooks_data();
    void restoreRefusesFilesThatAreNotBooks();
    void failedBackupKeepsTheOldCopyWhole_data();
    void failedBackupKeepsTheOldCopyWhole();
    void automaticCopiesKeepTheNewest();
    void saveBooksFromTheLeftBar();
    void loadBooksAsksThenEndsTheProgram_data();
    void loadBooksAsksThenEndsTheProgram();
    void startOfTheDayKeepsACopy_data();
    void startOfTheDayKeepsACopy();
};

void MaintenanceTest::backupThenRestoreGivesBackEveryTable()
{
    ProgramFixture program;
    program.insert(QStringLiteral("Account"), {{QStringLiteral("AccountName"), QStringLiteral("工行'东")},
                                               {QStringLiteral("AccountType"), 1}});
    program.insert(QStringLiteral("GetPay"), {{QStringLiteral("GetPayUser"), QStringLiteral("老客户")},
                                              {QStringLiteral("GetPaySum"), -50.25}});
    program.insert(QStringLiteral("Parameter"), {{QStringLiteral("ParameterType"), 1},
                                                 {QStringLiteral("ParameterValue"), QStringLiteral("货款")}});
    storeManyRecords(program, 77);
    storeRecord(program, 12.3, QStringLiteral("刚刚存入"));
    const QStringList saved = contentOf(program.databasePath());
    const QString backupPath = program.folder() + QStringLiteral("留底.mdb");
    writeBytes(backupPath, "an older backup of the same name");

    BooksBackup::Failure failure;
    QVERIFY2(BooksBackup::backup(ShareDataModule::instance(), backupPath, &failure), qPrintable(failure.reason));
    QCOMPARE(contentOf(backupPath), saved);

    // Later work, then the backup goes back: the books are as they were saved, the later work kept aside.
    storeRecord(program, -3.5, QStringLiteral("之后"));
    program.select(QStringLiteral("Select * From Account Where AccountName = '工行''东'")).remove();
    const QStringList later = contentOf(program.databasePath());
    QList<int> told;
    QVERIFY2(BooksBackup::restore(ShareDataModule::instance(), backupPath, program.databasePath(), &failure,
                                  [&told](int percent) { told.append(percent); }),
             qPrintable(failure.reason));
    // The progress only ever moves forward, through the check, the kept copy and the copy into place.
    QVERIFY2(std::is_sorted(told.begin(), told.end()) && told.contains(50) && told.contains(75) && told.last() == 100,
             qPrintable(QString::number(told.size())));
    QCOMPARE(contentOf(program.databasePath()), saved);
    QCOMPARE(program.select(QStringLiteral("Select Count(*) As N From MoneyTable")).fieldInteger(QStringLiteral("N")), 78);
    // Beside the copy of the day taken at start, the books replaced by the restore.
    QStringList kept = automaticCopies(program);
    QCOMPARE(kept.size(), 2);
    QVERIFY(kept.removeOne(QStringLiteral("KalvoraCmp-2026-12-10.mdb")));
    QCOMPARE(contentOf(program.folder() + QStringLiteral("Backup/") + kept.first()), later);
    QVERIFY(!QFile::exists(program.databasePath() + QStringLiteral(".part")));
}

// A backup from before the month totals existed is taken back and gets them when the books open.
void MaintenanceTest::olderBackupComesBackWithItsMonthTotals()
{
    ProgramFixture program;
    QCOMPARE(program.insert(QStringLiteral("Account"), {{QStringLiteral("AccountName"), QStringLiteral("现金")},
                                                        {QStringLiteral("AccountType"), 2}}),
             2);
    storeManyRecords(program, 77);
    const QString backupPath = program.folder() + QStringLiteral("旧版留底.mdb");
    BooksBackup::Failure failure;
    QVERIFY(BooksBackup::backup(ShareDataModule::instance(), backupPath, &failure));
    runOn(backupPath, QStringLiteral("DROP TRIGGER MoneyMonthInsert; DROP TRIGGER MoneyMonthDelete;"
                                     "DROP TRIGGER MoneyMonthUpdate; DROP TABLE MoneyMonth; PRAGMA user_version = 1;"));
    storeRecord(program, -3.5, QStringLiteral("之后"));

    QVERIFY2(BooksBackup::restore(ShareDataModule::instance(), backupPath, program.databasePath(), &failure),
             qPrintable(failure.reason));
    const QString balance = AccountHouses::balanceStatement(2, QDate(2026, 12, 31));
    QCOMPARE(program.select(balance).fieldNumber(QStringLiteral("TotalMoney")), 36936.9); // 12.3 × (1 + … + 77)
    QCOMPARE(program.select(QStringLiteral("PRAGMA user_version")).value(0, 0).toInt(), DeliveredBooks::SchemaVersion);
    QVERIFY(program.select(MonthTotals::checkStatement()).eof());
    QCOMPARE(program.screen().takeMessages(), QStringList());
}

void MaintenanceTest::restoreRefusesFilesThatAreNotBooks_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("reason");
    QTest::newRow("text file") << "text" << SQLITE_NOTADB << QStringLiteral("所选文件不是数据库文件");
    QTest::newRow("empty file") << "empty" << SQLITE_NOTADB << QStringLiteral("所选文件不是本软件的帐簿（没有数据表 Account）");
    QTest::newRow("truncated backup") << "truncated" << SQLITE_CORRUPT << QStringLiteral("所选文件已损坏或不完整");
    QTest::newRow("another program's database")
        << "foreign" << SQLITE_NOTADB << QStringLiteral("所选文件不是本软件的帐簿（没有数据表 Account）");
    QTest::newRow("a field missing")
        << "field" << SQLITE_NOTADB << QStringLiteral("所选文件不是本软件的帐簿（数据表 GetPay 没有字段 GetPayRemark）");
    QTest::newRow("newer program's books")
        << "newer" << SQLITE_SCHEMA << QStringLiteral("所选文件来自更新版本的软件，请先升级本软件");
    QTest::newRow("no such file") << "missing" << ENOENT << QStringLiteral("找不到所选的文件或文件夹");
}

void MaintenanceTest::restoreRefusesFilesThatAreNotBooks()
{
    QFETCH(QString, kind);
    QFETCH(int, number);
    QFETCH(QString, reason);
    ProgramFixture program;
    storeManyRecords(program, 400);
    const QString chosen = program.folder() + QStringLiteral("chosen.mdb");
    BooksBackup::Failure failure;
    if (kind == u"text") {
        writeBytes(chosen, QByteArray("日期,金额\n2026-12-10,12.3\n").repeated(200));
    } else if (kind == u"empty") {
        writeBytes(chosen, QByteArray());
    } else if (kind == u"truncated") {
        QVERIFY(BooksBackup::backup(ShareDataModule::instance(), chosen, &failure));
        QByteArray bytes = readBytes(chosen);
        writeBytes(chosen, bytes.left(bytes.size() / 2));
    } else if (kind == u"foreign") {
        runOn(chosen, QStringLiteral("CREATE TABLE Orders(id INTEGER, item TEXT); INSERT INTO Orders VALUES (1, 'x');"));
    } else if (kind == u"field" || kind == u"newer") {
        QVERIFY(BooksBackup::backup(ShareDataModule::instance(), chosen, &failure));
        runOn(chosen, kind == u"field" ? QStringLiteral("ALTER TABLE GetPay DROP COLUMN GetPayRemark")
                                       : QStringLiteral("PRAGMA user_version = %1").arg(DeliveredBooks::SchemaVersion + 1));
    }
    const QByteArray before = readBytes(program.databasePath());

    QVERIFY(!BooksBackup::restore(ShareDataModule::instance(), chosen, program.databasePath(), &failure));
    QCOMPARE(failure.number, number);
    QCOMPARE(failure.reason, reason);
    QCOMPARE(readBytes(program.databasePath()), before);
    QCOMPARE(automaticCopies(program), QStringList{QStringLiteral("KalvoraCmp-2026-12-10.mdb")});
    QCOMPARE(program.select(QStringLiteral("Select Count(*) As N From MoneyTable")).fieldInteger(QStringLiteral("N")), 400);
}

void MaintenanceTest::failedBackupKeepsTheOldCopyWhole_data()
{
    QTest::addColumn<bool>("diskFull");
    QTest::addColumn<int>("number");
    QTest::newRow("disk full") << true << EFBIG;
    QTest::newRow("folder gone") << false << ENOENT;
}

void MaintenanceTest::failedBackupKeepsTheOldCopyWhole()
{
    QFETCH(bool, diskFull);
    QFETCH(int, number);
    ProgramFixture program;
    storeManyRecords(program, 400);
    const QString target = diskFull ? program.folder() + QStringLiteral("留底.mdb")
                                    : program.folder() + QStringLiteral("gone/留底.mdb");
    if (diskFull)
        writeBytes(target, "yesterday's backup");
    BooksBackup::Failure failure;
    bool copied = true;
    {
        FileSizeLimit limit(diskFull ? 8192 : RLIM_INFINITY);
        copied = BooksBackup::backup(ShareDataModule::instance(), target, &failure);
    }
    QVERIFY(!copied);
    QCOMPARE(failure.number, number);
    QVERIFY(!failure.reason.isEmpty());
    if (diskFull)
        QCOMPARE(readBytes(target), QByteArray("yesterday's backup"));
    QCOMPARE(QDir(QFileInfo(target).path()).entryList({QStringLiteral("*.part*")}, QDir::Files), QStringList());
}

void MaintenanceTest::automaticCopiesKeepTheNewest()
{
    ProgramFixture program;
    BooksBackup::Failure failure;
    QDate day(2026, 12, 28);
    for (int i = 0; i < 6; ++i, day = day.addDays(1)) {
        storeRecord(program, i, QStringLiteral("第%1天").arg(i));
        QVERIFY(BooksBackup::backupOfTheDay(program.databasePath(), day, 4, &failure));
    }
    // The year turned while copies were kept: the newest four by date stay.
    QCOMPARE(automaticCopies(program),
             (QStringList{QStringLiteral("KalvoraCmp-2026-12-30.mdb"), QStringLiteral("KalvoraCmp-2026-12-31.mdb"),
                          QStringLiteral("KalvoraCmp-2027-01-01.mdb"), QStringLiteral("KalvoraCmp-2027-01-02.mdb")}));
    // A second start on the same day keeps the first copy of the day.
    storeRecord(program, 99, QStringLiteral("同一天"));
    QVERIFY(BooksBackup::backupOfTheDay(program.databasePath(), QDate(2027, 1, 2), 4, &failure));
    QCOMPARE(contentOf(program.folder() + QStringLiteral("Backup/KalvoraCmp-2027-01-02.mdb")).filter(QStringLiteral("同一天")),
             QStringList());
    // Turned off, nothing is written.
    QVERIFY(BooksBackup::backupOfTheDay(program.databasePath(), QDate(2027, 1, 3), 0, &failure));
    QCOMPARE(automaticCopies(program).size(), 4);
}

void MaintenanceTest::saveBooksFromTheLeftBar()
{
    ProgramFixture program;
    program.loginAsCashier();
    storeRecord(program, 12.3, QStringLiteral("刚刚存入"));
    QAction *save = program.main().findChild<QAction *>(QStringLiteral("ActionSave"));
    const QString chosen = program.folder() + QStringLiteral("月底");
    for (int time = 0; time < 2; ++time) {
        program.screen().chooseFile(chosen);
        save->trigger();
        QCOMPARE(program.screen().takeMessages(), QStringList{QStringLiteral("恭喜您，数据库备份成功")});
        storeRecord(program, 4.5, QStringLiteral("第二次之前"));
    }
    // The copy showed its progress window and closed it.
    QVERIFY(!program.main().findChild<FormProgress *>()->isVisible());
    // The second backup of the same name replaced the first without a question, with the later record.
    QCOMPARE(program.screen().questions(), QStringList());
    QCOMPARE(contentOf(chosen + QStringLiteral(".mdb")).filter(QStringLiteral("|第二次之前|")).size(), 1);
    const QStringList dialog = program.screen().fileDialogs().first().split(u'|');
    QCOMPARE(dialog.size(), 3);
    QVERIFY2(dialog.at(1).endsWith(QStringLiteral("Orvane流水帐Ⅱ（企业版）2026-12-10.mdb")), qPrintable(dialog.at(1)));
    QCOMPARE(dialog.at(2), QStringLiteral("Mdb Files (*.mdb *.MDB)"));

    // A folder that is not there: the failure says its number and why.
    program.screen().chooseFile(program.folder() + QStringLiteral("没有的文件夹/月底.mdb"));
    save->trigger();
    QCOMPARE(program.screen().takeMessages(),
             QStringList{QStringLiteral("数据库备份失败，失败号为：2（找不到所选的文件或文件夹）")});
}

void MaintenanceTest::loadBooksAsksThenEndsTheProgram_data()
{
    QTest::addColumn<bool>("yes");
    QTest::addColumn<QString>("file"); // "" cancels the file dialog
    QTest::addColumn<QString>("message");
    QTest::newRow("answered No") << false << QString() << QString();
    QTest::newRow("file dialog cancelled") << true << QString() << QString();
    QTest::newRow("not books") << true << QStringLiteral("text")
                               << QStringLiteral("数据库恢复失败，失败号为：26（所选文件不是数据库文件）");
    QTest::newRow("a backup") << true << QStringLiteral("backup") << QStringLiteral("恭喜您，数据库恢复成功，请重新启动软件");
}

void MaintenanceTest::loadBooksAsksThenEndsTheProgram()
{
    QFETCH(bool, yes);
    QFETCH(QString, file);
    QFETCH(QString, message);
    ProgramFixture program;
    program.loginAsAdministrator();
    storeRecord(program, 12.3, QStringLiteral("备份里的"));
    const QString chosen = program.folder() + QStringLiteral("chosen.mdb");
    BooksBackup::Failure failure;
    if (file == u"backup")
        QVERIFY(BooksBackup::backup(ShareDataModule::instance(), chosen, &failure));
    else
        writeBytes(chosen, "日期,金额\n2026-12-10,12.3\n");
    storeRecord(program, 77, QStringLiteral("备份之后的"));
    const QByteArray before = readBytes(program.databasePath());

    program.screen().answer(yes);
    if (yes)
        program.screen().chooseFile(file.isEmpty() ? QString() : chosen);
    program.main().findChild<QAction *>(QStringLiteral("ActionLoad"))->trigger();

    QCOMPARE(program.screen().questions(),
             QStringList{QStringLiteral("恢复警告|数据库恢复将导致当前数据全部丢失，是否继续？")});
    QCOMPARE(program.screen().takeMessages(), message.isEmpty() ? QStringList() : QStringList{message});
    const bool restored = file == u"backup";
    QCOMPARE(program.main().isVisible(), !restored);
    if (!restored) {
        QCOMPARE(readBytes(program.databasePath()), before);
        return;
    }
    program.restart();
    const QStringList users = contentOf(program.databasePath()).filter(QStringLiteral("的|"));
    QCOMPARE(users.size(), 1);
    QVERIFY(users.first().contains(QStringLiteral("备份里的")));
}

void MaintenanceTest::startOfTheDayKeepsACopy_data()
{
    QTest::addColumn<QString>("setting");
    QTest::addColumn<bool>("backupIsAFile");
    QTest::addColumn<QStringList>("copies");
    QTest::addColumn<QString>("message");
    const QStringList today{QStringLiteral("KalvoraCmp-2026-12-10.mdb")};
    QTest::newRow("by default") << QString() << false << today << QString();
    QTest::newRow("not a number") << QStringLiteral("三十") << false << today << QString();
    QTest::newRow("turned off") << QStringLiteral("0") << false << QStringList() << QString();
    QTest::newRow("folder taken by a file")
        << QString() << true << QStringList()
        << QStringLiteral("今天的帐簿自动备份没有成功，失败号为：20（找不到所选的文件或文件夹）。软件照常使用，请用“备份数据”手动备份。");
}

void MaintenanceTest::startOfTheDayKeepsACopy()
{
    QFETCH(QString, setting);
    QFETCH(bool, backupIsAFile);
    QFETCH(QStringList, copies);
    QFETCH(QString, message);
    ProgramFixture program(ProgramFixture::Start::NotStarted);
    if (!setting.isEmpty())
        QVERIFY(WriteSetting(QStringLiteral("KalvoraSetting"), QStringLiteral("AutoBackupDays"), setting,
                             program.settingsPath()));
    if (backupIsAFile)
        writeBytes(program.folder() + QStringLiteral("Backup"), "not a folder");
    program.start();
    QCOMPARE(program.screen().takeMessages(), message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(automaticCopies(program), copies);
    // The program goes on as usual.
    program.loginAsCashier();
    QCOMPARE(program.screen().takeMessages(), QStringList());
}

QTEST_MAIN(MaintenanceTest)
#include "tst_maintenance.moc"
