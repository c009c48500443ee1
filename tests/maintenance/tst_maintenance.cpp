#include <QDir>
#include <QFile>
#include <QJsonDocument>
#include <QJsonObject>
#include <QtTest>

#include <algorithm>
#include <cerrno>
#include <optional>
#include <linux/capability.h>
#include <sqlite3.h>
#include <sys/syscall.h>
#include <unistd.h>

#include "accounts/AccountHouses.h"
#include "app/FormMain.h"
#include "changes/ChangeCheck.h"
#include "ui/FormProgress.h"
#include "data/ChangeRecord.h"
#include "data/Clock.h"
#include "data/Settings.h"
#include "data/DeliveredBooks.h"
#include "data/MonthTotals.h"
#include "data/Query.h"
#include "data/ShareDataModule.h"
#include "maintenance/BooksBackup.h"
#include "support/Files.h"
#include "support/OtherProgram.h"
#include "support/ProgramFixture.h"
#include "support/TestEngine.h"

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

// What the engine's own check says of the file at `path`.
QString integrityOf(const QString &path)
{
    sqlite3 *db = nullptr;
    sqlite3_stmt *statement = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_prepare_v2(db, "PRAGMA integrity_check", -1, &statement, nullptr);
    const QString said = sqlite3_step(statement) == SQLITE_ROW
        ? QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, 0)))
        : QString::fromUtf8(sqlite3_errmsg(db));
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return said;
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

// The fields of the change record's entries that both engines keep alike, in their order.
const QString EntryFields = QStringLiteral("ChangeIndex, ChangeTime, ChangeOperator, ChangeKind, ChangeTable, ChangeRow, "
                                           "ChangeAccount, ChangeBefore, ChangeAfter");

// The entries of the change record in the file at `path`, each as its fields joined by '|'.
QStringList fileEntries(const QString &path)
{
    QStringList entries;
    sqlite3 *db = nullptr;
    sqlite3_open_v2(QFile::encodeName(path).constData(), &db, SQLITE_OPEN_READONLY, nullptr);
    sqlite3_stmt *statement = nullptr;
    if (sqlite3_prepare_v2(db, QStringLiteral("SELECT %1 FROM ChangeLog ORDER BY ChangeIndex").arg(EntryFields).toUtf8().constData(),
                           -1, &statement, nullptr)
        != SQLITE_OK)
        entries.append(QString::fromUtf8(sqlite3_errmsg(db)));
    while (statement && sqlite3_step(statement) == SQLITE_ROW) {
        QStringList values;
        for (int column = 0; column < sqlite3_column_count(statement); ++column)
            values.append(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(statement, column))));
        entries.append(values.join(u'|'));
    }
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return entries;
}

// The entries of the change record of the books the program has open, as fileEntries() gives them.
QStringList booksEntries(ProgramFixture &program)
{
    QStringList entries;
    Query &query = program.select(QStringLiteral("Select %1 From ChangeLog Order By ChangeIndex").arg(EntryFields));
    for (query.first(); !query.eof(); query.next()) {
        QStringList values;
        for (const QString &field : EntryFields.split(QStringLiteral(", ")))
            values.append(query.fieldText(field));
        entries.append(values.join(u'|'));
    }
    return entries;
}

QStringList automaticCopies(const ProgramFixture &program)
{
    return QDir(program.folder() + QStringLiteral("Backup")).entryList(QDir::Files, QDir::Name);
}

QString automaticCopyOf(const QDate &day)
{
    return QStringLiteral("KalvoraCmp-") + day.toString(QStringLiteral("yyyy-MM-dd")) + QStringLiteral(".mdb");
}

// Automatic copies of each of the `days` days before today, as earlier starts left them.
QStringList placeEarlierCopies(const ProgramFixture &program, int days)
{
    QStringList names;
    QDir().mkpath(program.folder() + QStringLiteral("Backup"));
    for (int back = days; back > 0; --back) {
        names.append(automaticCopyOf(ProgramFixture::Today.addDays(-back)));
        writeBytes(program.folder() + QStringLiteral("Backup/") + names.last(), "an earlier copy");
    }
    return names;
}

QString keptCopiesNotUnderstood(const QString &value)
{
    return QStringLiteral("设置文件 Kalvora.ini 中 AutoBackupDays 的值“%1”无法识别，自动备份将全部保留，不再删除旧的。"
                          "请把它改为要保留的份数（0 表示不做自动备份）。")
        .arg(value);
}

// While it lives, file permissions bind this thread as they bind any user: the superuser gives up the
// capabilities that let it read and write past them.
class PermissionsBind
{
public:
    PermissionsBind()
    {
        if (geteuid() != 0 || syscall(SYS_capget, &m_header, m_saved) != 0)
            return;
        __user_cap_data_struct bound[2] = {m_saved[0], m_saved[1]};
        bound[0].effective &= ~((1u << CAP_DAC_OVERRIDE) | (1u << CAP_DAC_READ_SEARCH));
        m_dropped = syscall(SYS_capset, &m_header, bound) == 0;
    }
    ~PermissionsBind()
    {
        if (m_dropped)
            syscall(SYS_capset, &m_header, m_saved);
    }
    PermissionsBind(const PermissionsBind &) = delete;
    PermissionsBind &operator=(const PermissionsBind &) = delete;

    bool binds() const { return geteuid() != 0 || m_dropped; }

private:
    __user_cap_header_struct m_header{_LINUX_CAPABILITY_VERSION_3, 0};
    __user_cap_data_struct m_saved[2]{};
    bool m_dropped = false;
};

// Notes that the application was asked to quit.
class QuitSeen : public QObject
{
public:
    bool seen = false;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (watched == qApp && event->type() == QEvent::Quit)
            seen = true;
        return false;
    }
};

void triggerAction(ProgramFixture &program, const QString &name)
{
    program.main().findChild<QAction *>(name)->trigger();
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
    void restoreFailingAfterTheBooksClosed();
    void failedBackupKeepsTheOldCopyWhole_data();
    void failedBackupKeepsTheOldCopyWhole();
    void backupRefusesTheOpenBooks_data();
    void backupRefusesTheOpenBooks();
    void refusedPermissionTold_data();
    void refusedPermissionTold();
    void failureInTheAutomaticFolderTold_data();
    void failureInTheAutomaticFolderTold();
    void automaticCopiesKeepTheNewest();
    void saveBooksFromTheLeftBar();
    void loadBooksAsksThenEndsTheProgram_data();
    void loadBooksAsksThenEndsTheProgram();
    void restoreEndsTheEventLoop();
    void startOfTheDayKeepsACopy_data();
    void startOfTheDayKeepsACopy();
    void keptCopiesSettingReadAtEveryStart();
    void serverBooksBackedUpAndRestored();
    void restoreTakesTheBackupsChangeRecord_data();
    void restoreTakesTheBackupsChangeRecord();
    void restoreReachesAnotherProgramsConnection();
    void restoreWaitsForAnotherProgram_data();
    void restoreWaitsForAnotherProgram();
    void leftoversOfCutOffWorkRemoved_data();
    void leftoversOfCutOffWorkRemoved();
    void restoreAfterACutOffRestore();
};

void MaintenanceTest::backupThenRestoreGivesBackEveryTable()
{
    SKIP_ON_SERVER("reads the books file itself; server books: serverBooksBackedUpAndRestored");
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
    SKIP_ON_SERVER("restores a books file");
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
    // Short of a whole page the engine reads the missing tail as zeros, and its check finds nothing.
    QTest::newRow("one byte short") << "short 1" << SQLITE_CORRUPT << QStringLiteral("所选文件已损坏或不完整");
    QTest::newRow("ten bytes short") << "short 10" << SQLITE_CORRUPT << QStringLiteral("所选文件已损坏或不完整");
    QTest::newRow("a journal beside it")
        << "journal beside" << SQLITE_READONLY_ROLLBACK
        << QStringLiteral("所选文件似乎正被其他程序使用或上次没有正常关闭，请关闭使用它的程序后再试，或另选一份备份");
    QTest::newRow("a journal file") << "journal" << SQLITE_NOTADB << QStringLiteral("所选文件不是数据库文件");
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
    SKIP_ON_SERVER("restores a books file");
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
    } else if (kind.startsWith(u"short ")) {
        // Books whose last page ends with the end of a record's remark.
        QString error;
        QVERIFY2(DeliveredBooks::create(chosen, &error), qPrintable(error));
        runOn(chosen, QStringLiteral("INSERT INTO MoneyTable(MoneyAccount, MoneyCreateTime, MoneySum, MoneyRemark)"
                                     " VALUES (1, '2026-12-10', 12.3, printf('%.*c', 10000, 'x'))"));
        QByteArray bytes = readBytes(chosen);
        bytes.chop(kind.mid(6).toInt());
        writeBytes(chosen, bytes);
        QCOMPARE(integrityOf(chosen), QStringLiteral("ok"));
    } else if (kind.startsWith(u"journal")) {
        // The books as another program leaves them when it ends in the middle of a write too large for
        // its memory: the file, partly written, and beside it the journal that undoes the write.
        OtherProgram writer(program.databasePath());
        // Without its change entries, the write changes pages in place and the file keeps its size.
        QCOMPARE(writer.execute("DROP TRIGGER ChangeLogMoneyTableUpdate"), SQLITE_OK);
        QCOMPARE(writer.execute("PRAGMA cache_size = 5"), SQLITE_OK);
        QCOMPARE(writer.execute("BEGIN IMMEDIATE"), SQLITE_OK);
        QCOMPARE(writer.execute("UPDATE MoneyTable SET MoneyUser = '改了一半'"), SQLITE_OK);
        const QString journal = program.databasePath() + QStringLiteral("-journal");
        if (kind == u"journal") {
            QVERIFY(QFile::copy(journal, chosen));
        } else {
            QVERIFY(QFile::copy(program.databasePath(), chosen));
            QVERIFY(QFile::copy(journal, chosen + QStringLiteral("-journal")));
        }
        QCOMPARE(writer.execute("ROLLBACK"), SQLITE_OK);
    } else if (kind == u"foreign") {
        runOn(chosen, QStringLiteral("CREATE TABLE Orders(id INTEGER, item TEXT); INSERT INTO Orders VALUES (1, 'x');"));
    } else if (kind == u"field" || kind == u"newer") {
        QVERIFY(BooksBackup::backup(ShareDataModule::instance(), chosen, &failure));
        runOn(chosen, kind == u"field" ? QStringLiteral("DROP TRIGGER ChangeLogGetPayInsert; DROP TRIGGER ChangeLogGetPayUpdate;"
                                                        "DROP TRIGGER ChangeLogGetPayDelete;"
                                                        "ALTER TABLE GetPay DROP COLUMN GetPayRemark")
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

// The books are closed before the chosen file is copied over them. When that copy fails the books are
// as they were, and the program goes on with them.
void MaintenanceTest::restoreFailingAfterTheBooksClosed()
{
    SKIP_ON_SERVER("restores a books file");
    ProgramFixture program;
    storeManyRecords(program, 2000);
    const QString chosen = program.folder() + QStringLiteral("大的留底.mdb");
    BooksBackup::Failure failure;
    QVERIFY(BooksBackup::backup(ShareDataModule::instance(), chosen, &failure));
    // Deleted without their change entries, so that the books shrink.
    runOn(program.databasePath(),
          QStringLiteral("DROP TRIGGER ChangeLogMoneyTableDelete; DELETE FROM MoneyTable WHERE MoneyIndex > 77; VACUUM;"));
    const QByteArray before = readBytes(program.databasePath());
    QVERIFY(readBytes(chosen).size() > before.size() + 8192);

    bool restored = true;
    {
        // Room for the kept copy of the books, not for the larger file that was to replace them.
        FileSizeLimit limit(before.size() + 4096);
        restored = BooksBackup::restore(ShareDataModule::instance(), chosen, program.databasePath(), &failure);
    }
    QVERIFY(!restored);
    QCOMPARE(failure.number, EFBIG);
    QCOMPARE(readBytes(program.databasePath()), before);
    QCOMPARE(QDir(program.folder()).entryList({QStringLiteral("*.part*")}, QDir::Files), QStringList());
    QCOMPARE(automaticCopies(program).size(), 2);
    storeRecord(program, 77 * 12.3, QStringLiteral("恢复失败之后"));
    QCOMPARE(program.select(QStringLiteral("Select Round(Sum(MoneySum),2) As S, Count(*) As N From MoneyTable"))
                 .fieldInteger(QStringLiteral("N")),
             78);
    QCOMPARE(program.screen().takeMessages(), QStringList());
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
    SKIP_ON_SERVER("reads the books file itself; server books: serverBooksBackedUpAndRestored");
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

void MaintenanceTest::backupRefusesTheOpenBooks_data()
{
    QTest::addColumn<QString>("target");
    QTest::newRow("the books") << QStringLiteral("KalvoraCmp.mdb");
    QTest::newRow("the books through a linked folder") << QStringLiteral("linked/KalvoraCmp.mdb");
    QTest::newRow("a link to the books") << QStringLiteral("link.mdb");
    QTest::newRow("the books' journal") << QStringLiteral("KalvoraCmp.mdb-journal");
}

// A copy written over the open books would take their place under the connection, and every later
// save would fail.
void MaintenanceTest::backupRefusesTheOpenBooks()
{
    SKIP_ON_SERVER("the open books are a file");
    QFETCH(QString, target);
    ProgramFixture program;
    program.loginAsCashier();
    storeRecord(program, 12.3, QStringLiteral("之前"));
    QVERIFY(QFile::link(QFileInfo(program.databasePath()).absolutePath(), program.folder() + QStringLiteral("linked")));
    QVERIFY(QFile::link(program.databasePath(), program.folder() + QStringLiteral("link.mdb")));
    const QByteArray before = readBytes(program.databasePath());

    program.screen().chooseFile(program.folder() + target);
    triggerAction(program, QStringLiteral("ActionSave"));
    QCOMPARE(program.screen().takeMessages(),
             QStringList{QStringLiteral("数据库备份失败，失败号为：16（所选文件是正在使用的帐簿或它的日志文件，请另选一个文件名）")});
    QCOMPARE(readBytes(program.databasePath()), before);
    QVERIFY(!QFile::exists(program.databasePath() + QStringLiteral("-journal")));
    QCOMPARE(QDir(program.folder()).entryList({QStringLiteral("*.part*")}, QDir::Files), QStringList());
    // Saves go on as before.
    storeRecord(program, 77 * 12.3, QStringLiteral("之后"));
    QCOMPARE(program.select(QStringLiteral("Select Count(*) As N From MoneyTable")).fieldInteger(QStringLiteral("N")), 2);
    QCOMPARE(program.screen().takeMessages(), QStringList());
}

void MaintenanceTest::refusedPermissionTold_data()
{
    QTest::addColumn<QString>("refused");
    QTest::addColumn<QString>("message");
    const QString backupFolder = QStringLiteral("程序文件夹中的 Backup 文件夹不能写入，请为它开放写入权限");
    QTest::newRow("Backup read-only at start")
        << "copy of the day"
        << QStringLiteral("今天的帐簿自动备份没有成功，失败号为：13（") + backupFolder
               + QStringLiteral("）。软件照常使用，请用“备份数据”手动备份。");
    QTest::newRow("Backup read-only at restore")
        << "restore" << QStringLiteral("数据库恢复失败，失败号为：13（") + backupFolder + QStringLiteral("）");
    QTest::newRow("restore file unreadable")
        << "unreadable" << QStringLiteral("数据库恢复失败，失败号为：13（没有读取所选文件的权限，请管理员开放权限或另选一个文件）");
}

// A folder or file the user may not use is told as a matter of permission, whatever the engine tried
// after the first refusal.
void MaintenanceTest::refusedPermissionTold()
{
    SKIP_ON_SERVER("copies of a books file");
    QFETCH(QString, refused);
    QFETCH(QString, message);
    ProgramFixture program(ProgramFixture::Start::NotStarted);
    const QString backupFolder = program.folder() + QStringLiteral("Backup");
    const QString chosen = program.folder() + QStringLiteral("chosen.mdb");
    QVERIFY(QDir().mkdir(backupFolder));
    const bool atStart = refused == u"copy of the day";
    BooksBackup::Failure failure;
    if (!atStart) {
        program.start();
        program.loginAsAdministrator();
        QVERIFY(BooksBackup::backup(ShareDataModule::instance(), chosen, &failure));
    }
    const QString locked = refused == u"unreadable" ? chosen : backupFolder;
    const QFile::Permissions unlocked = QFile::permissions(locked);
    QVERIFY(QFile::setPermissions(locked, refused == u"unreadable" ? QFile::Permissions() : QFile::ReadOwner | QFile::ExeOwner));
    const QByteArray before = readBytes(program.databasePath());
    {
        PermissionsBind bind;
        if (!bind.binds()) {
            QFile::setPermissions(locked, unlocked);
            QSKIP("the superuser cannot give up reading and writing past file permissions here");
        }
        if (atStart) {
            program.start();
        } else {
            program.screen().answer(true);
            program.screen().chooseFile(chosen);
            triggerAction(program, QStringLiteral("ActionLoad"));
        }
    }
    QVERIFY(QFile::setPermissions(locked, unlocked));
    QCOMPARE(program.screen().takeMessages(), QStringList{message});
    QCOMPARE(readBytes(program.databasePath()), before);
    QVERIFY(program.main().isVisible());
    if (atStart)
        program.loginAsCashier();
    QCOMPARE(program.select(QStringLiteral("Select Count(*) As N From Power")).fieldInteger(QStringLiteral("N")), 3);
    QCOMPARE(program.screen().takeMessages(), QStringList());
}

void MaintenanceTest::failureInTheAutomaticFolderTold_data()
{
    QTest::addColumn<bool>("system"); // the number is the system's error number, else the engine's code
    QTest::addColumn<int>("number");
    QTest::addColumn<QString>("reason");
    const QString full = QStringLiteral("磁盘空间不足，请腾出空间或换一个磁盘");
    const QString folder = QStringLiteral("程序文件夹中的 Backup 文件夹不能写入，请为它开放写入权限");
    // The engine's codes share their numbers with the system's: 13 is a full disk to one, a refused
    // permission to the other.
    QTest::newRow("engine: disk full") << false << SQLITE_FULL << full;
    QTest::newRow("engine: error") << false << SQLITE_ERROR << QStringLiteral("读写磁盘出错，请检查磁盘");
    QTest::newRow("system: permission refused") << true << EACCES << folder;
    QTest::newRow("system: not permitted") << true << EPERM << folder;
    QTest::newRow("system: read-only disk") << true << EROFS << folder;
    QTest::newRow("system: disk full") << true << ENOSPC << full;
    QTest::newRow("system: file too large") << true << EFBIG << full;
}

void MaintenanceTest::failureInTheAutomaticFolderTold()
{
    QFETCH(bool, system);
    QFETCH(int, number);
    QFETCH(QString, reason);
    BooksBackup::Failure failure;
    if (system)
        BooksFile::failSystem(&failure, number);
    else
        BooksFile::fail(&failure, number, reason);
    QCOMPARE(BooksBackup::reasonInAutomaticFolder(failure), reason);
}

void MaintenanceTest::automaticCopiesKeepTheNewest()
{
    SKIP_ON_SERVER("copies a books file; server books: tst_copying");
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
    SKIP_ON_SERVER("reads the books file itself; server books: serverBooksBackedUpAndRestored");
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
    SKIP_ON_SERVER("restores a books file");
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

// The program ends through its event loop: the restore closes the last window, and exec() returns.
void MaintenanceTest::restoreEndsTheEventLoop()
{
    SKIP_ON_SERVER("restores a books file");
    ProgramFixture program;
    program.loginAsAdministrator();
    const QString chosen = program.folder() + QStringLiteral("chosen.mdb");
    BooksBackup::Failure failure;
    QVERIFY(BooksBackup::backup(ShareDataModule::instance(), chosen, &failure));
    program.screen().answer(true);
    program.screen().chooseFile(chosen);
    QuitSeen quit;
    qApp->installEventFilter(&quit);
    QAction *load = program.main().findChild<QAction *>(QStringLiteral("ActionLoad"));
    QTimer::singleShot(0, load, [load, &quit] {
        load->trigger();
        // Delivered after whatever the restore posted: ends the loop only when the program did not.
        QMetaObject::invokeMethod(&quit, [&quit] {
            if (!quit.seen)
                QCoreApplication::exit(1);
        }, Qt::QueuedConnection);
    });
    const int ended = QCoreApplication::exec();
    qApp->removeEventFilter(&quit);
    QCOMPARE(ended, 0);
    QVERIFY(quit.seen);
    QVERIFY(!program.main().isVisible());
    QCOMPARE(program.screen().takeMessages(), QStringList{QStringLiteral("恭喜您，数据库恢复成功，请重新启动软件")});
}

void MaintenanceTest::startOfTheDayKeepsACopy_data()
{
    QTest::addColumn<QString>("setting"); // null: no such key
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("today");
    QTest::addColumn<int>("kept");
    QTest::addColumn<QString>("message");
    // Thirty-two earlier copies lie in Backup/ at start.
    QTest::newRow("by default") << QString() << QString() << true << 30 << QString();
    QTest::newRow("turned off") << QStringLiteral("0") << QString() << false << 32 << QString();
    QTest::newRow("fewer") << QStringLiteral("2") << QString() << true << 2 << QString();
    QTest::newRow("more than there are") << QStringLiteral("40") << QString() << true << 33 << QString();
    QTest::newRow("more than can be counted") << QStringLiteral("99999999999") << QString() << true << 33 << QString();
    for (const QString &value : {QStringLiteral("abc"), QStringLiteral(""), QStringLiteral("0x10"), QStringLiteral("1e3"),
                                 QStringLiteral("３０"), QStringLiteral("-5")})
        QTest::newRow(qPrintable(QStringLiteral("not understood: ") + value))
            << value << QString() << true << 33 << keptCopiesNotUnderstood(value);
    QTest::newRow("folder taken by a file")
        << QString() << QStringLiteral("Backup is a file") << false << 0
        << QStringLiteral("今天的帐簿自动备份没有成功，失败号为：20（找不到所选的文件或文件夹）。软件照常使用，请用“备份数据”手动备份。");
    // Left to the login, which says so; a copy of nothing would stand for the day among the copies.
    QTest::newRow("books emptied") << QString() << QStringLiteral("books empty") << false << 32 << QString();
}

void MaintenanceTest::startOfTheDayKeepsACopy()
{
    SKIP_ON_SERVER("copies a books file; server books: tst_copying");
    QFETCH(QString, setting);
    QFETCH(QString, fault);
    QFETCH(bool, today);
    QFETCH(int, kept);
    QFETCH(QString, message);
    ProgramFixture program(ProgramFixture::Start::NotStarted);
    if (!setting.isNull())
        QVERIFY(WriteSetting(QStringLiteral("KalvoraSetting"), QStringLiteral("AutoBackupDays"), setting,
                             program.settingsPath()));
    QStringList copies;
    if (fault == u"Backup is a file")
        writeBytes(program.folder() + QStringLiteral("Backup"), "not a folder");
    else
        copies = placeEarlierCopies(program, 32);
    if (fault == u"books empty")
        writeBytes(program.databasePath(), QByteArray());
    if (today)
        copies.append(automaticCopyOf(ProgramFixture::Today));
    program.start();
    QCOMPARE(program.screen().takeMessages(), message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(automaticCopies(program), copies.mid(copies.size() - kept));
    if (fault == u"books empty")
        return;
    // The program goes on as usual.
    program.loginAsCashier();
    QCOMPARE(program.screen().takeMessages(), QStringList());
}

// The count is read at every start: a value not understood is told once, a lower count trims the
// copies the same day.
void MaintenanceTest::keptCopiesSettingReadAtEveryStart()
{
    SKIP_ON_SERVER("copies a books file; server books: tst_copying");
    ProgramFixture program(ProgramFixture::Start::NotStarted);
    const QStringList earlier = placeEarlierCopies(program, 32);
    const auto setKept = [&program](const QString &value) {
        QVERIFY(WriteSetting(QStringLiteral("KalvoraSetting"), QStringLiteral("AutoBackupDays"), value,
                             program.settingsPath()));
    };
    setKept(QStringLiteral("三十"));
    program.start();
    QCOMPARE(program.screen().takeMessages(), QStringList{keptCopiesNotUnderstood(QStringLiteral("三十"))});
    program.restart();
    QCOMPARE(program.screen().takeMessages(), QStringList());
    setKept(QStringLiteral("30天"));
    program.restart();
    QCOMPARE(program.screen().takeMessages(), QStringList{keptCopiesNotUnderstood(QStringLiteral("30天"))});
    QCOMPARE(automaticCopies(program).size(), 33);

    setKept(QStringLiteral("5"));
    program.restart();
    QCOMPARE(program.screen().takeMessages(), QStringList());
    QCOMPARE(automaticCopies(program), earlier.mid(28) + QStringList{automaticCopyOf(ProgramFixture::Today)});
}

// Books on a server are backed up from the server into a books file, and a backup's rows replace the
// server's; the books file left in the folder is not the books and stays as it is.
void MaintenanceTest::serverBooksBackedUpAndRestored()
{
    SKIP_ON_FILE("books on a server only");
    ProgramFixture program(ProgramFixture::Start::NotStarted);
    QString error;
    QVERIFY2(DeliveredBooks::create(program.databasePath(), &error), qPrintable(error));
    const QByteArray file = readBytes(program.databasePath());
    program.start();
    QCOMPARE(automaticCopies(program), QStringList{automaticCopyOf(ProgramFixture::Today)});
    program.loginAsAdministrator();
    // The record's account: server books keep no record without it.
    program.insert(QStringLiteral("Account"), {{QStringLiteral("AccountName"), QStringLiteral("工行")}});
    storeRecord(program, 12.3, QStringLiteral("服务器上的"));

    const QString chosen = program.folder() + QStringLiteral("月底");
    program.screen().chooseFile(chosen);
    program.main().findChild<QAction *>(QStringLiteral("ActionSave"))->trigger();
    QCOMPARE(program.screen().takeMessages(), QStringList{QStringLiteral("恭喜您，数据库备份成功")});
    QCOMPARE(contentOf(chosen + QStringLiteral(".mdb")).filter(QStringLiteral("|服务器上的|")).size(), 1);

    storeRecord(program, 77, QStringLiteral("备份之后的"));
    program.screen().answer(true);
    program.screen().chooseFile(chosen + QStringLiteral(".mdb"));
    program.main().findChild<QAction *>(QStringLiteral("ActionLoad"))->trigger();
    QCOMPARE(program.screen().questions(),
             QStringList{QStringLiteral("恢复警告|数据库恢复将导致当前数据全部丢失，是否继续？")});
    QCOMPARE(program.screen().takeMessages(), QStringList{QStringLiteral("恭喜您，数据库恢复成功，请重新启动软件")});
    QVERIFY(!program.main().isVisible());
    QCOMPARE(readBytes(program.databasePath()), file);
    program.restart();
    QCOMPARE(program.select(QStringLiteral("Select MoneyUser From MoneyTable")).value(0, 0).toString(),
             QStringLiteral("服务器上的"));
    QCOMPARE(program.select(QStringLiteral("Select Count(*) As n From MoneyTable")).fieldInteger(QStringLiteral("n")), 1);
}

void MaintenanceTest::restoreTakesTheBackupsChangeRecord_data()
{
    QTest::addColumn<bool>("older");
    QTest::newRow("backup with its change record") << false;
    QTest::newRow("backup from before the change record") << true;
}

// A restore leaves the change record as the backup holds it, with one entry more saying who restored
// which file and where the replaced books, with their own entries, are kept. A backup older than the
// change record gets its baseline first, as when such books are opened.
void MaintenanceTest::restoreTakesTheBackupsChangeRecord()
{
    QFETCH(bool, older);
    ProgramFixture program;
    program.loginAsAdministrator();
    program.insert(QStringLiteral("Account"), {{QStringLiteral("AccountName"), QStringLiteral("工行")}});
    storeRecord(program, 12.3, QStringLiteral("备份里的"));
    storeRecord(program, -0.1, QStringLiteral("备份里的"));
    const QString backupPath = program.folder() + QStringLiteral("留底'一.mdb");
    BooksBackup::Failure failure;
    QVERIFY2(BooksBackup::backup(ShareDataModule::instance(), backupPath, &failure), qPrintable(failure.reason));
    if (older)
        runOn(backupPath, fileWithoutChangeRecord());
    const QStringList saved = older ? QStringList() : fileEntries(backupPath);
    QVERIFY(older || saved.size() > 3);
    storeRecord(program, 77 * 12.3, QStringLiteral("备份之后的"));
    const QStringList replaced = booksEntries(program);
    const QStringList copiesBefore = automaticCopies(program);

    QVERIFY2(BooksBackup::restore(ShareDataModule::instance(), backupPath, program.databasePath(), &failure),
             qPrintable(failure.reason));
    QStringList kept = automaticCopies(program);
    for (const QString &name : copiesBefore)
        kept.removeOne(name);
    QCOMPARE(kept.size(), 1);
    const QString keptPath = program.folder() + QStringLiteral("Backup/") + kept.first();
    QCOMPARE(fileEntries(keptPath), replaced);

    QStringList entries = booksEntries(program);
    QVERIFY(!entries.isEmpty());
    const QStringList restore = entries.takeLast().split(u'|');
    QCOMPARE(restore.value(0).toLongLong(), entries.size() + 1);
    QCOMPARE(restore.mid(2, 4), (QStringList{QStringLiteral("管理员"), ChangeRecord::Kind::Restore,
                                             QStringLiteral("ChangeLog"), QString()}));
    QCOMPARE(QJsonDocument::fromJson(restore.value(8).toUtf8()).object(),
             (QJsonObject{{QStringLiteral("文件"), backupPath}, {QStringLiteral("替换前副本"), keptPath}}));
    if (older) {
        // The delivered account, receivable and three passwords, the account and the two records.
        QCOMPARE(entries.size(), 8);
        for (const QString &entry : entries)
            QCOMPARE(entry.section(u'|', 2, 3), ChangeRecord::ProgramItself + u'|' + ChangeRecord::Kind::Baseline);
    } else {
        QCOMPARE(entries, saved);
    }
    ChangeCheck::Findings found;
    EngineError error;
    QVERIFY2(ChangeCheck(ShareDataModule::instance()).run({}, &found, &error), qPrintable(error.text));
    QVERIFY2(found.holds(), qPrintable(ChangeCheck::report(found)));
}

// Another program that has the books open while they are restored goes on with the restored books:
// what it writes afterwards is in the books the program sees, with its entries in the change record.
void MaintenanceTest::restoreReachesAnotherProgramsConnection()
{
    SKIP_ON_SERVER("restores a books file; on a server the restore is one transaction");
    ProgramFixture program;
    program.loginAsAdministrator();
    storeManyRecords(program, 77);
    const QString backupPath = program.folder() + QStringLiteral("留底.mdb");
    BooksBackup::Failure failure;
    QVERIFY(BooksBackup::backup(ShareDataModule::instance(), backupPath, &failure));
    storeRecord(program, -3.5, QStringLiteral("备份之后的"));
    OtherProgram other(program.databasePath());
    QCOMPARE(other.number("SELECT count(*) FROM MoneyTable"), 78);

    QVERIFY2(BooksBackup::restore(ShareDataModule::instance(), backupPath, program.databasePath(), &failure),
             qPrintable(failure.reason));
    QCOMPARE(other.number("SELECT count(*) FROM MoneyTable"), 77);
    QCOMPARE(other.execute("INSERT INTO MoneyTable(MoneyAccount, MoneyCreateTime, MoneySum, MoneyUser)"
                           " VALUES (2, '2026-12-10', 12.3, '恢复之后另一个程序存入的')"),
             SQLITE_OK);

    Query &records = program.select(QStringLiteral("Select Count(*) As N, Sum(MoneySum) As S From MoneyTable"));
    QCOMPARE(records.fieldInteger(QStringLiteral("N")), 78);
    QCOMPARE(records.fieldNumber(QStringLiteral("S")), 36949.2); // 12.3 × (1 + … + 77) + 12.3
    QVERIFY(program.select(MonthTotals::checkStatement()).eof());
    const QStringList last = booksEntries(program).last().split(u'|');
    QCOMPARE(last.mid(2, 3), (QStringList{ChangeRecord::ExternalWriter, ChangeRecord::Kind::Added, QStringLiteral("MoneyTable")}));
    ChangeCheck::Findings found;
    EngineError error;
    QVERIFY2(ChangeCheck(ShareDataModule::instance()).run({}, &found, &error), qPrintable(error.text));
    QVERIFY2(found.holds(), qPrintable(ChangeCheck::report(found)));
}

void MaintenanceTest::restoreWaitsForAnotherProgram_data()
{
    QTest::addColumn<QByteArray>("held"); // what the other program is in the middle of
    QTest::addColumn<bool>("letsGo");     // it ends that while the restore waits
    QTest::newRow("reading, done while the restore waits") << QByteArray("BEGIN; SELECT count(*) FROM MoneyTable") << true;
    QTest::newRow("reading") << QByteArray("BEGIN; SELECT count(*) FROM MoneyTable") << false;
    QTest::newRow("writing") << QByteArray("BEGIN IMMEDIATE") << false;
}

// The restored books go into the books file only once no other program reads or writes it; the
// restore waits for that as long as any statement waits for the books, then is refused and nothing
// changes.
void MaintenanceTest::restoreWaitsForAnotherProgram()
{
    SKIP_ON_SERVER("restores a books file; on a server the restore is one transaction");
    QFETCH(QByteArray, held);
    QFETCH(bool, letsGo);
    ProgramFixture program;
    program.loginAsAdministrator();
    storeRecord(program, 12.3, QStringLiteral("备份里的"));
    const QString chosen = program.folder() + QStringLiteral("chosen.mdb");
    BooksBackup::Failure failure;
    QVERIFY(BooksBackup::backup(ShareDataModule::instance(), chosen, &failure));
    storeRecord(program, 77 * 12.3, QStringLiteral("备份之后的"));
    const QByteArray before = readBytes(program.databasePath());
    OtherProgram other(program.databasePath());
    QCOMPARE(other.execute(held.constData()), SQLITE_OK);
    if (letsGo)
        program.screen().onWaiting([&other] { QCOMPARE(other.execute("COMMIT"), SQLITE_OK); });
    else
        ShareDataModule::instance().setBusyTimeout(0);

    program.screen().answer(true);
    program.screen().chooseFile(chosen);
    triggerAction(program, QStringLiteral("ActionLoad"));
    QCOMPARE(program.screen().notices(), QStringList{ShareDataModule::BooksInUseNotice});
    QVERIFY(!program.screen().isWaiting());
    QVERIFY(!QFile::exists(program.databasePath() + QStringLiteral(".restore")));
    if (letsGo) {
        QCOMPARE(program.screen().takeMessages(), QStringList{QStringLiteral("恭喜您，数据库恢复成功，请重新启动软件")});
        QCOMPARE(other.number("SELECT count(*) FROM MoneyTable WHERE MoneyUser = '备份之后的'"), 0);
        return;
    }
    QCOMPARE(program.screen().takeMessages(),
             QStringList{QStringLiteral("数据库恢复失败，失败号为：5（帐簿正被其他程序使用，请关闭该程序后再试）")});
    QCOMPARE(readBytes(program.databasePath()), before);
    QCOMPARE(other.execute("COMMIT"), SQLITE_OK);
    QVERIFY(program.main().isVisible());
    QCOMPARE(program.select(QStringLiteral("Select Count(*) As N From MoneyTable")).fieldInteger(QStringLiteral("N")), 2);
}

void MaintenanceTest::leftoversOfCutOffWorkRemoved_data()
{
    QTest::addColumn<QString>("work"); // "backup" to 月底.mdb, or the next "start"
    QTest::addColumn<QStringList>("leftovers");
    QTest::addColumn<QStringList>("unrelated");
    QTest::addColumn<bool>("written"); // another program writes 月底.mdb.part just now
    QTest::addColumn<QString>("message");
    const QString yesterday = ProgramFixture::Today.addDays(-1).toString(QStringLiteral("yyyy-MM-dd"));
    const QString earlierCopy = QStringLiteral("Backup/KalvoraCmp-") + yesterday + QStringLiteral(".mdb");
    QTest::newRow("backup to the same file")
        << "backup" << QStringList{QStringLiteral("月底.mdb.part"), QStringLiteral("月底.mdb.part-journal")}
        << QStringList{QStringLiteral("下载.zip.part"), QStringLiteral("月底.mdb.bak"), QStringLiteral("月底.part")}
        << false << QStringLiteral("恭喜您，数据库备份成功");
    QTest::newRow("backup to a file another backup is writing")
        << "backup" << QStringList() << QStringList{QStringLiteral("下载.zip.part")} << true
        << QStringLiteral("数据库备份失败，失败号为：5（另一个程序正在写入同一个备份文件，请等它写完后再试）");
    QTest::newRow("automatic copies and a restore, at the next start")
        << "start"
        << QStringList{earlierCopy + QStringLiteral(".part"), earlierCopy + QStringLiteral(".part-journal"),
                       QStringLiteral("Backup/KalvoraCmp-") + yesterday + QStringLiteral("-170502.mdb.part-journal"),
                       QStringLiteral("KalvoraCmp.mdb.restore"), QStringLiteral("KalvoraCmp.mdb.restore-journal"),
                       QStringLiteral("KalvoraCmp.mdb.restore.part")}
        << QStringList{earlierCopy, QStringLiteral("Backup/笔记.part"), QStringLiteral("Backup/KalvoraCmp说明.txt"),
                       QStringLiteral("KalvoraCmp.mdb.bak"), QStringLiteral("下载.zip.part")}
        << false << QString();
}

// What a backup or a restore cut off half-way left is removed by the next backup to the same file or
// by the next start; files of the same folder that it did not leave are kept.
void MaintenanceTest::leftoversOfCutOffWorkRemoved()
{
    QFETCH(QString, work);
    QFETCH(QStringList, leftovers);
    QFETCH(QStringList, unrelated);
    QFETCH(bool, written);
    QFETCH(QString, message);
    ProgramFixture program(ProgramFixture::Start::NotStarted);
    QVERIFY(QDir().mkpath(program.folder() + QStringLiteral("Backup")));
    for (const QString &name : leftovers + unrelated)
        writeBytes(program.folder() + name, name.toUtf8());
    const QString part = program.folder() + QStringLiteral("月底.mdb.part");
    std::optional<OtherProgram> writer;
    if (written) {
        writeBytes(part, QByteArray());
        writer.emplace(part);
        QCOMPARE(writer->execute("BEGIN EXCLUSIVE; CREATE TABLE Copied(Page BLOB)"), SQLITE_OK);
    }
    program.start();
    if (work == u"backup") {
        program.loginAsCashier();
        program.screen().chooseFile(program.folder() + QStringLiteral("月底"));
        triggerAction(program, QStringLiteral("ActionSave"));
    }
    QCOMPARE(program.screen().takeMessages(), message.isEmpty() ? QStringList() : QStringList{message});
    for (const QString &name : leftovers)
        QVERIFY2(!QFile::exists(program.folder() + name), qPrintable(name));
    for (const QString &name : unrelated)
        QCOMPARE(readBytes(program.folder() + name), name.toUtf8());
    if (written) {
        QVERIFY(QFile::exists(part));
        QVERIFY(QFile::exists(part + QStringLiteral("-journal")));
        QCOMPARE(writer->execute("COMMIT"), SQLITE_OK);
    }
}

// A restore cut off while it prepared the restored books left them with their journal beside the
// books: the next restore gives the backup's books, untouched by that journal.
void MaintenanceTest::restoreAfterACutOffRestore()
{
    SKIP_ON_SERVER("restores a books file");
    ProgramFixture program;
    storeManyRecords(program, 77);
    const QString backupPath = program.folder() + QStringLiteral("留底.mdb");
    BooksBackup::Failure failure;
    QVERIFY(BooksBackup::backup(ShareDataModule::instance(), backupPath, &failure));
    const QStringList saved = contentOf(backupPath);
    const QStringList savedEntries = fileEntries(backupPath);
    storeManyRecords(program, 2000);
    // The earlier restore's books, in the middle of a write too large for the memory of its connection.
    const QString staged = program.databasePath() + QStringLiteral(".restore");
    const QString earlier = program.folder() + QStringLiteral("earlier.mdb");
    QVERIFY(BooksBackup::backup(ShareDataModule::instance(), earlier, &failure));
    {
        OtherProgram writer(earlier);
        QCOMPARE(writer.execute("DROP TRIGGER ChangeLogMoneyTableUpdate"), SQLITE_OK);
        QCOMPARE(writer.execute("PRAGMA cache_size = 5"), SQLITE_OK);
        QCOMPARE(writer.execute("BEGIN IMMEDIATE"), SQLITE_OK);
        QCOMPARE(writer.execute("UPDATE MoneyTable SET MoneyUser = '改了一半'"), SQLITE_OK);
        QVERIFY(QFile::copy(earlier, staged));
        QVERIFY(QFile::copy(earlier + QStringLiteral("-journal"), staged + QStringLiteral("-journal")));
        QCOMPARE(writer.execute("ROLLBACK"), SQLITE_OK);
    }

    QVERIFY2(BooksBackup::restore(ShareDataModule::instance(), backupPath, program.databasePath(), &failure),
             qPrintable(failure.reason));
    QCOMPARE(integrityOf(program.databasePath()), QStringLiteral("ok"));
    QCOMPARE(contentOf(program.databasePath()), saved);
    QCOMPARE(fileEntries(program.databasePath()).mid(0, savedEntries.size()), savedEntries);
    QVERIFY(!QFile::exists(staged));
    QVERIFY(!QFile::exists(staged + QStringLiteral("-journal")));
}

QTEST_MAIN(MaintenanceTest)
#include "tst_maintenance.moc"
