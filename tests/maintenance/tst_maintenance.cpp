#include <QDir>
#include <QFile>
#include <QtTest>

#include <cerrno>
#include <sqlite3.h>

#include "data/Clock.h"
#include "data/DeliveredBooks.h"
#include "data/Query.h"
#include "data/ShareDataModule.h"
#include "maintenance/BooksBackup.h"
#include "support/FileSizeLimit.h"
#include "support/ProgramFixture.h"

namespace {

QByteArray readBytes(const QString &path)
{
    QFile file(path);
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void writeBytes(const QString &path, const QByteArray &bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly | QIODevice::Truncate));
    file.write(bytes);
}

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
    void restoreRefusesFilesThatAreNotBooks_data();
    void restoreRefusesFilesThatAreNotBooks();
    void failedBackupKeepsTheOldCopyWhole_data();
    void failedBackupKeepsTheOldCopyWhole();
    void automaticCopiesKeepTheNewest();
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
    QVERIFY2(BooksBackup::restore(ShareDataModule::instance(), backupPath, program.databasePath(), &failure),
             qPrintable(failure.reason));
    QCOMPARE(contentOf(program.databasePath()), saved);
    QCOMPARE(program.select(QStringLiteral("Select Count(*) As N From MoneyTable")).fieldInteger(QStringLiteral("N")), 78);
    const QStringList kept = automaticCopies(program);
    QCOMPARE(kept.size(), 1);
    QCOMPARE(contentOf(program.folder() + QStringLiteral("Backup/") + kept.first()), later);
    QVERIFY(!QFile::exists(program.databasePath() + QStringLiteral(".part")));
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
    QCOMPARE(automaticCopies(program), QStringList());
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
        QVERIFY(BooksBackup::backupOfTheDay(ShareDataModule::instance(), day, 4, &failure));
    }
    // The year turned while copies were kept: the newest four by date stay.
    QCOMPARE(automaticCopies(program),
             (QStringList{QStringLiteral("KalvoraCmp-2026-12-30.mdb"), QStringLiteral("KalvoraCmp-2026-12-31.mdb"),
                          QStringLiteral("KalvoraCmp-2027-01-01.mdb"), QStringLiteral("KalvoraCmp-2027-01-02.mdb")}));
    // A second start on the same day keeps the first copy of the day.
    storeRecord(program, 99, QStringLiteral("同一天"));
    QVERIFY(BooksBackup::backupOfTheDay(ShareDataModule::instance(), QDate(2027, 1, 2), 4, &failure));
    QCOMPARE(contentOf(program.folder() + QStringLiteral("Backup/KalvoraCmp-2027-01-02.mdb")).filter(QStringLiteral("同一天")),
             QStringList());
    // Turned off, nothing is written.
    QVERIFY(BooksBackup::backupOfTheDay(ShareDataModule::instance(), QDate(2027, 1, 3), 0, &failure));
    QCOMPARE(automaticCopies(program).size(), 4);
}

QTEST_MAIN(MaintenanceTest)
#include "tst_maintenance.moc"
