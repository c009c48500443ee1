#include <QAction>
#include <QComboBox>
#include <QDateEdit>
#include <QFile>
#include <QFrame>
#include <QGroupBox>
#include <QLabel>
#include <QLayout>
#include <QLineEdit>
#include <QMessageBox>
#include <QProcess>
#include <QPushButton>
#include <QTimer>
#include <QProgressBar>
#include <QStandardPaths>
#include <QTabWidget>
#include <QToolButton>
#include <QtTest>

#include "accounts/AccountsPage.h"
#include "app/FormMain.h"
#include "grid/DataGrid.h"
#include "maintenance/MaintenancePage.h"
#include "reports/ReportsPage.h"
#include "service/FormOnlineChat.h"
#include "support/Looks.h"
#include "support/TestEngine.h"
#include "ui/FormProgress.h"
#include "app/ProgramFolder.h"
#include "app/Program.h"
#include "data/DataSource.h"
#include "data/postgres/PgEngine.h"
#include "data/ProfileFile.h"
#include "data/Settings.h"
#include "data/ShareDataModule.h"
#include "grid/DataGrid.h"
#include "journal/JournalPage.h"
#include "support/Controls.h"
#include "support/ProgramFixture.h"
#include "ui/QtScreen.h"

namespace {

const QString DatabaseSection = QStringLiteral("数据库内容");

QString odbcSetting(const ProgramFixture &program)
{
    return ReadSetting(DatabaseSection, QStringLiteral("ODBC"), QStringLiteral("unset"), program.settingsPath());
}

// Lets the main window lay out its panels, as it would before the next paint.
void settle(FormMain &main)
{
    main.centralWidget()->layout()->activate();
}

} // namespace

class AppTest : public QObject
{
    Q_OBJECT

private slots:
    void firstStartRegistersDataSource();
    void registrationRepeatsUntilDone_data();
    void registrationRepeatsUntilDone();
    void failedRegistrationRetriedAtNextStart();
    void rememberedRole_data();
    void rememberedRole();
    void startScreen();
    void pages_data();
    void pages();
    void actionCaptions_data();
    void actionCaptions();
    void barFoldsLeftPanel();
    void dayButtons_data();
    void dayButtons();
    void odbcClientOpensTheBooks();
    void programFolderWithLongPath_data();
    void programFolderWithLongPath();
    void realScreenBoxes_data();
    void realScreenBoxes();
    void realScreenTellsWhetherThePageOpened_data();
    void realScreenTellsWhetherThePageOpened();
    void realScreenWaitNotice();
    void refreshEndsAtFailedHouses();
    void serverStopToldOncePerOutage_data();
    void serverStopToldOncePerOutage();
    void commandButtonsLookAsTheyWork_data();
    void commandButtonsLookAsTheyWork();
    void reportAndMaintenanceTabsHoldTheirControls();
    void onlineServiceShowsEveryLine();
};

void AppTest::firstStartRegistersDataSource()
{
    ProgramFixture program(ProgramFixture::Start::NotStarted);
    QVERIFY(!QFile::exists(program.settingsPath()));
    program.start();
    if (TestEngine::onServer()) {
        // Books on a server were registered on purpose: the start leaves the entry as it was.
        QCOMPARE(odbcSetting(program), QStringLiteral("unset"));
        QCOMPARE(DataSource::databaseOf(QStringLiteral("KalvoraCmp")), program.serverBooks());
        QVERIFY(DataSource::isServer(QStringLiteral("KalvoraCmp")));
    } else {
        QCOMPARE(odbcSetting(program), QStringLiteral("1"));
        QCOMPARE(DataSource::databaseOf(QStringLiteral("KalvoraCmp")), program.databasePath());
    }
    QCOMPARE(control<QComboBox>(program.main(), "ComboBox2")->currentText(), QStringLiteral("出纳"));
    QVERIFY(program.screen().takeMessages().isEmpty());
}

void AppTest::registrationRepeatsUntilDone_data()
{
    QTest::addColumn<QString>("odbc");
    QTest::addColumn<QString>("entry"); // where the data-source file already points: nowhere, here, elsewhere
    QTest::addColumn<bool>("registers");
    QTest::newRow("0") << "0" << "here" << true;
    QTest::newRow("word") << "yes" << "here" << true;
    QTest::newRow("empty") << "" << "here" << true;
    QTest::newRow("10") << "10" << "here" << true;
    QTest::newRow("1") << "1" << "here" << false;
    QTest::newRow("1, no data source") << "1" << "nowhere" << true;
    QTest::newRow("1, other books") << "1" << "elsewhere" << true;
}

void AppTest::registrationRepeatsUntilDone()
{
    QFETCH(QString, odbc);
    QFETCH(QString, entry);
    QFETCH(bool, registers);
    SKIP_ON_SERVER("the data source of a books file is what the start registers");
    ProgramFixture program(ProgramFixture::Start::NotStarted);
    QVERIFY(WriteSetting(DatabaseSection, QStringLiteral("ODBC"), odbc, program.settingsPath()));
    const QString marker = QStringLiteral("written before the start");
    if (entry != u"nowhere") {
        const QString books = entry == u"here" ? program.databasePath() : QStringLiteral("/elsewhere/KalvoraCmp.mdb");
        QVERIFY(RegisterDataSource(QStringLiteral("KalvoraCmp"), books, marker));
    }
    program.start();
    QCOMPARE(odbcSetting(program), registers ? QStringLiteral("1") : odbc);
    QCOMPARE(DataSource::databaseOf(QStringLiteral("KalvoraCmp")), program.databasePath());
    const QString description = ProfileFile(program.odbcIniPath(), ProfileFile::Kind::UnixOdbc)
                                    .read(QStringLiteral("KalvoraCmp"), QStringLiteral("Description"), QString());
    QCOMPARE(description, registers ? QStringLiteral("流水帐企业数据库") : marker);
}

void AppTest::failedRegistrationRetriedAtNextStart()
{
    SKIP_ON_SERVER("the data source of a books file is what the start registers");
    ProgramFixture program(ProgramFixture::Start::NotStarted);
    const QByteArray writable = qgetenv("ODBCINI");
    qputenv("ODBCINI", QFile::encodeName(program.folder() + QStringLiteral("missing/odbc.ini")));
    program.start();
    QCOMPARE(program.screen().takeMessages(), QStringList{QStringLiteral("注册表键值创建失败")});
    QCOMPARE(odbcSetting(program), QStringLiteral("unset"));
    // The start went on: the login screen is up.
    QCOMPARE(control<QTabWidget>(program.main(), "PageControl1")->currentIndex(), 0);

    qputenv("ODBCINI", writable);
    program.start();
    QVERIFY(program.screen().takeMessages().isEmpty());
    QCOMPARE(odbcSetting(program), QStringLiteral("1"));
    QCOMPARE(DataSource::databaseOf(QStringLiteral("KalvoraCmp")), program.databasePath());
}

void AppTest::rememberedRole_data()
{
    QTest::addColumn<QString>("userPower"); // null: not in the file
    QTest::addColumn<int>("item");
    QTest::newRow("not set") << QString() << 1;
    QTest::newRow("管理员") << "管理员" << 0;
    QTest::newRow("出纳") << "出纳" << 1;
    QTest::newRow("other") << "会计" << 0;
}

void AppTest::rememberedRole()
{
    QFETCH(QString, userPower);
    QFETCH(int, item);
    ProgramFixture program(ProgramFixture::Start::NotStarted);
    if (!userPower.isNull())
        QVERIFY(WriteSetting(QStringLiteral("Kalvora2"), QStringLiteral("UserPower"), userPower, program.settingsPath()));
    program.start();
    QCOMPARE(control<QComboBox>(program.main(), "ComboBox2")->currentIndex(), item);
}

void AppTest::startScreen()
{
    ProgramFixture program;
    FormMain &main = program.main();
    QCOMPARE(main.windowTitle(), QStringLiteral("Tuvessa财务管理软件"));
    QCOMPARE(main.size(), QSize(784, 537));
    QVERIFY(!(main.windowFlags() & Qt::WindowMaximizeButtonHint));
    QVERIFY(main.windowFlags() & Qt::WindowMinimizeButtonHint);

    auto *pages = control<QTabWidget>(main, "PageControl1");
    QCOMPARE(pages->currentIndex(), 0);
    for (int page = 0; page < pages->count(); ++page)
        QCOMPARE(pages->isTabVisible(page), page == 0);
    QVERIFY(!control<QWidget>(main, "Panel1")->isEnabled());
    QCOMPARE(control<QLabel>(main, "Label18")->text(), QStringLiteral("未登录"));
    QCOMPARE(control<QDateEdit>(main, "DateTimePicker1")->date(), ProgramFixture::Today);
    auto *password = control<QLineEdit>(main, "Edit3");
    QVERIFY(password->text().isEmpty());
    QCOMPARE(main.focusWidget(), password);

    auto *progress = program.windows().progress;
    QCOMPARE(progress->windowTitle(), QStringLiteral("FormProgress"));
    QCOMPARE(progress->ProgressBar1()->minimum(), 0);
    QCOMPARE(progress->ProgressBar1()->maximum(), 100);
    QVERIFY(!progress->isModal());
}

void AppTest::pages_data()
{
    QTest::addColumn<int>("page");
    QTest::addColumn<QString>("sheet");
    QTest::addColumn<QString>("caption");
    QTest::newRow("0") << 0 << "TabSheet1" << "用户登录";
    QTest::newRow("1") << 1 << "TabSheet2" << "帐户状况";
    QTest::newRow("2") << 2 << "TabSheet3" << "日记帐簿";
    QTest::newRow("3") << 3 << "TabSheet7" << "应收应付";
    QTest::newRow("4") << 4 << "TabSheet4" << "报表中心";
    QTest::newRow("5") << 5 << "TabSheet5" << "软件设置";
    QTest::newRow("6") << 6 << "TabSheet6" << "数据维护";
}

void AppTest::pages()
{
    QFETCH(int, page);
    QFETCH(QString, sheet);
    QFETCH(QString, caption);
    ProgramFixture program;
    auto *pages = control<QTabWidget>(program.main(), "PageControl1");
    QCOMPARE(pages->count(), 7);
    QCOMPARE(pages->widget(page)->objectName(), sheet);
    QCOMPARE(pages->tabText(page), caption);
    QVERIFY(!pages->tabIcon(page).isNull());
}

void AppTest::actionCaptions_data()
{
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("caption");
    const QList<std::pair<const char *, const char *>> actions{
        {"ActionGet", "收入"},          {"ActionPay", "支出"},          {"ActionDraw", "平调"},
        {"ActionEditMoney", "修改记录"}, {"ActionPrintMoney", "打印记录"}, {"ActionMakeReport", "生成报表"},
        {"ActionPrintReport", "打印报表"}, {"ActionResearchReport", "财务月结"}, {"ActionLogin", "  登录"},
        {"ActionSave", "备份数据"},      {"ActionLoad", "恢复数据"},      {"ActionInstruction", "说 明"},
        {"ActionMoneyMonth", "帐户月结"}, {"ActionToExcel", "导出EXCEL"},  {"ActionOnlineChat", "在线服务"},
        {"ActionNewGet", "新增  "},      {"ActionEditGet", "修改  "},     {"ActionDeleteGet", "删除  "},
        {"ActionNewPay", "新增  "},      {"ActionEditPay", "修改  "},     {"ActionDeletePay", "删除  "}};
    for (const auto &[action, caption] : actions)
        QTest::newRow(action) << QString::fromLatin1(action) << QString::fromUtf8(caption);
}

void AppTest::actionCaptions()
{
    QFETCH(QString, action);
    QFETCH(QString, caption);
    ProgramFixture program;
    const auto *found = program.main().findChild<QAction *>(action);
    QVERIFY(found);
    QCOMPARE(found->text(), caption);
}

void AppTest::barFoldsLeftPanel()
{
    ProgramFixture program;
    FormMain &main = program.main();
    auto *panel = control<QWidget>(main, "Panel1");
    auto *bar = control<QLabel>(main, "Image7");
    settle(main);
    QCOMPARE(panel->width(), 97);
    QCOMPARE(control<QWidget>(main, "Panel2")->width(), 16);
    QCOMPARE(bar->toolTip(), QStringLiteral("LeftBar"));
    const QImage leftBar(program.folder() + QStringLiteral("Res/LeftBar.bmp"));
    const QImage rightBar(program.folder() + QStringLiteral("Res/RightBar.bmp"));
    QVERIFY(!leftBar.isNull() && leftBar != rightBar);

    const QList<std::tuple<int, QString, QImage>> afterEachClick{
        {0, QStringLiteral("RightBar"), rightBar}, {97, QStringLiteral("LeftBar"), leftBar}};
    for (const auto &[width, hint, picture] : afterEachClick) {
        QTest::mouseClick(bar, Qt::LeftButton);
        settle(main);
        QCOMPARE(panel->width(), width);
        QCOMPARE(bar->toolTip(), hint);
        QCOMPARE(bar->pixmap().toImage().convertToFormat(picture.format()), picture);
    }
}

void AppTest::dayButtons_data()
{
    QTest::addColumn<QDate>("from");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QDate>("to");
    QTest::newRow("back from the first of a month") << QDate(2026, 12, 1) << "BitBtn1" << QDate(2026, 11, 30);
    QTest::newRow("back into February") << QDate(2026, 3, 1) << "BitBtn1" << QDate(2026, 2, 28);
    QTest::newRow("back into a leap February") << QDate(2024, 3, 1) << "BitBtn1" << QDate(2024, 2, 29);
    QTest::newRow("back over the year") << QDate(2026, 1, 1) << "BitBtn1" << QDate(2025, 12, 31);
    QTest::newRow("forward over the year") << QDate(2026, 12, 31) << "BitBtn2" << QDate(2027, 1, 1);
    // The journal also reads the day after the current one, which must still be a four-digit year.
    QTest::newRow("forward from the last day offered") << QDate(9999, 12, 30) << "BitBtn2" << QDate(9999, 12, 30);
    QTest::newRow("the very last day is not offered") << QDate(9999, 12, 31) << "BitBtn1" << QDate(9999, 12, 29);
}

void AppTest::dayButtons()
{
    QFETCH(QDate, from);
    QFETCH(QString, button);
    QFETCH(QDate, to);
    ProgramFixture program;
    FormMain &main = program.main();
    main.setLeftPanelEnabled(true);
    auto *picker = control<QDateEdit>(main, "DateTimePicker1");
    picker->setDate(from);
    QTest::mouseClick(main.findChild<QToolButton *>(button), Qt::LeftButton);
    QCOMPARE(picker->date(), to);
    QCOMPARE(main.currentDate(), to);
    QVERIFY(program.screen().takeMessages().isEmpty());
}

void AppTest::odbcClientOpensTheBooks()
{
    const QString isql = QStandardPaths::findExecutable(QStringLiteral("isql"));
    if (isql.isEmpty())
        QSKIP("unixODBC's isql is not installed");
    ProgramFixture program;
    QProcess client;
    client.start(isql, {QStringLiteral("-b"), QStringLiteral("-v"), QStringLiteral("KalvoraCmp")});
    QVERIFY(client.waitForStarted());
    client.write("select PowerName, PowerKey from Power;\n");
    client.closeWriteChannel();
    QVERIFY(client.waitForFinished());
    const QString output = QString::fromUtf8(client.readAllStandardOutput() + client.readAllStandardError());
    QVERIFY2(client.exitCode() == 0, qPrintable(output));
    for (const char *name : {"管理员", "出纳", "修改"})
        QVERIFY2(output.contains(QString::fromUtf8(name)), qPrintable(output));
}

void AppTest::programFolderWithLongPath_data()
{
    QTest::addColumn<QString>("folder");
    QTest::addColumn<bool>("starts");
    // "Kalvora.ini" after the folder takes 11 bytes.
    QTest::newRow("settings path of 255 bytes") << QStringLiteral("/") + QString(242, u'a') + QStringLiteral("/") << true;
    QTest::newRow("settings path of 256 bytes") << QStringLiteral("/") + QString(243, u'a') + QStringLiteral("/") << false;
    QTest::newRow("ideographs count twice") << QStringLiteral("/账本/") + QString(120, u'帐') << false;
}

// A settings path longer than the settings helpers take would have them use a cut path, another file:
// the program does not start there and names the folder.
void AppTest::programFolderWithLongPath()
{
    QFETCH(QString, folder);
    QFETCH(bool, starts);
    ProgramFixture program(ProgramFixture::Start::NotStarted);
    QCOMPARE(ProgramFolderUsable(folder), starts);
    const QStringList messages = program.screen().takeMessages();
    QCOMPARE(messages.size(), starts ? 0 : 1);
    if (!starts) {
        QVERIFY2(messages.first().contains(QStringLiteral("路径太长")), qPrintable(messages.first()));
        QVERIFY2(messages.first().contains(folder), qPrintable(messages.first()));
    }
}

void AppTest::realScreenBoxes_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("title");
    QTest::addColumn<QStringList>("buttons");
    QTest::addColumn<bool>("result");
    QTest::addColumn<int>("icon");
    QTest::addColumn<QString>("detail");
    QTest::newRow("information") << "inform" << QString() << QStringList{"确定"} << true << int(QMessageBox::NoIcon)
                                 << "";
    QTest::newRow("error") << "error" << QString() << QStringList{"确定"} << true << int(QMessageBox::Critical)
                           << "database is locked";
    QTest::newRow("question") << "ask" << "删除警告" << QStringList{"是(&Y)", "否(&N)"} << true
                              << int(QMessageBox::NoIcon) << "";
}

// The boxes the cashier really sees: every button in Chinese, a question titled with its caption and
// answered true only for 是, no icon on a simple message, and the text shown as typed (a name such as
// <b>粗</b> is no markup).
void AppTest::realScreenBoxes()
{
    QFETCH(QString, kind);
    QFETCH(QString, title);
    QFETCH(QStringList, buttons);
    QFETCH(bool, result);
    QtScreen screen;
    QStringList shownButtons;
    QString shownText, shownTitle, shownDetail;
    Qt::TextFormat shownFormat = Qt::AutoText;
    int shownIcon = -1;
    // Reads the box on screen and presses its first button.
    QTimer::singleShot(0, [&] {
        for (QWidget *window : QApplication::topLevelWidgets()) {
            auto *box = qobject_cast<QMessageBox *>(window);
            if (!box || !box->isVisible())
                continue;
            shownText = box->text();
            shownTitle = box->windowTitle();
            shownFormat = box->textFormat();
            shownIcon = int(box->icon());
            shownDetail = box->informativeText();
            for (QAbstractButton *button : box->buttons())
                shownButtons.append(button->text());
            box->buttons().first()->click();
        }
    });
    QFETCH(int, icon);
    QFETCH(QString, detail);
    const QString text = QStringLiteral("帐户　<b>粗</b>　新增成功");
    bool answer = true;
    if (kind == u"inform")
        screen.inform(text);
    else if (kind == u"error")
        screen.error(text, detail);
    else
        answer = screen.ask(title, text);
    QCOMPARE(shownText, text);
    QCOMPARE(shownFormat, Qt::PlainText);
    QCOMPARE(shownIcon, icon);
    QCOMPARE(shownDetail, detail);
    if (!title.isEmpty())
        QCOMPARE(shownTitle, title);
    QCOMPARE(shownButtons, buttons);
    QCOMPARE(answer, result);
}

void AppTest::realScreenTellsWhetherThePageOpened_data()
{
    QTest::addColumn<int>("openerExit");
    QTest::addColumn<bool>("opened");
    QTest::newRow("a browser took the page") << 0 << true;
    QTest::newRow("nothing on the machine opens pages") << 3 << false;
}

// The desktop's opener is asked, and its answer counts: a page nothing opened is no page opened.
void AppTest::realScreenTellsWhetherThePageOpened()
{
    QFETCH(int, openerExit);
    QFETCH(bool, opened);
    QTemporaryDir bin;
    const QString asked = bin.filePath(QStringLiteral("asked"));
    QFile opener(bin.filePath(QStringLiteral("xdg-open")));
    QVERIFY(opener.open(QIODevice::WriteOnly));
    opener.write(QStringLiteral("#!/bin/sh\nprintf '%s' \"$1\" > '%1'\nexit %2\n").arg(asked).arg(openerExit).toUtf8());
    opener.close();
    opener.setPermissions(QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    const QByteArray path = qgetenv("PATH");
    qputenv("PATH", QFile::encodeName(bin.path()) + ':' + path);
    const QUrl page = QUrl::fromLocalFile(bin.filePath(QStringLiteral("说明 page.html")));

    const bool answer = QtScreen().openUrl(page);

    qputenv("PATH", path);
    QCOMPARE(answer, opened);
    QFile told(asked);
    QVERIFY(told.open(QIODevice::ReadOnly));
    QCOMPARE(QString::fromUtf8(told.readAll()), page.toString());
}

// While the books are waited for, the busy pointer and the notice are up at once, over the window in
// front; both go when the wait ends.
void AppTest::realScreenWaitNotice()
{
    QWidget window;
    window.resize(600, 400);
    window.show();
    QtScreen screen;
    const QString notice = QStringLiteral("帐簿正被其他程序使用，<i>正在等待</i>……");

    screen.showWaiting(notice);
    screen.showWaiting(notice); // the engine looks again: still one notice, one pointer

    QVERIFY(QApplication::overrideCursor());
    QCOMPARE(QApplication::overrideCursor()->shape(), Qt::WaitCursor);
    const QList<QLabel *> shown = window.findChildren<QLabel *>(QStringLiteral("WaitingNotice"));
    QCOMPARE(shown.size(), 1);
    QVERIFY(shown.first()->isVisible());
    QCOMPARE(shown.first()->text(), notice);
    QCOMPARE(shown.first()->textFormat(), Qt::PlainText);
    QVERIFY(window.rect().contains(shown.first()->geometry()));

    screen.endWaiting();
    QCOMPARE(QApplication::overrideCursor(), nullptr);
    QVERIFY(window.findChildren<QLabel *>(QStringLiteral("WaitingNotice")).isEmpty());
}

// A bank account in the bank books' scope with one record of today, whose amount prints unevenly.
static void storeOneBankRecord(ProgramFixture &program)
{
    WriteSetting(QStringLiteral("Kalvora2"), QStringLiteral("AccountType"), QStringLiteral("5"), program.settingsPath());
    const qint64 bank = program.insert(QStringLiteral("Account"), {{QStringLiteral("AccountName"), QStringLiteral("工行")},
                                                                   {QStringLiteral("AccountType"), 1}});
    program.insert(QStringLiteral("MoneyTable"), {{QStringLiteral("MoneyAccount"), bank},
                                                  {QStringLiteral("MoneySum"), 77 * 12.3},
                                                  {QStringLiteral("MoneyCreateTime"), ProgramFixture::Today},
                                                  {QStringLiteral("MoneyRecordTime"), ProgramFixture::Today}});
}

// A refresh whose account houses cannot be read stops there: one message, and the journal keeps
// what it showed.
void AppTest::refreshEndsAtFailedHouses()
{
    ProgramFixture program;
    storeOneBankRecord(program);
    FormMain &main = program.main();
    main.refreshAll();
    QCOMPARE(main.journalPage()->DBGridEh1()->model().rowCount(), 1);
    const QString income = main.journalPage()->findChild<QLabel *>(QStringLiteral("Label11"))->text();
    QString error;
    QVERIFY2(ShareDataModule::instance().execute(QStringLiteral("ALTER TABLE Account RENAME TO Gone"), &error),
             qPrintable(error));

    main.refreshAll();

    QCOMPARE(program.screen().takeMessages(), QStringList{QStringLiteral("刷新帐户房子时出错")});
    QCOMPARE(main.journalPage()->DBGridEh1()->model().rowCount(), 1);
    QCOMPARE(main.journalPage()->findChild<QLabel *>(QStringLiteral("Label11"))->text(), income);
}

void AppTest::serverStopToldOncePerOutage_data()
{
    QTest::addColumn<QByteArray>("stopAt"); // the statement before which the server stops; none: before the refresh
    QTest::addColumn<QString>("heading");
    QTest::newRow("before the refresh") << QByteArray() << "刷新帐户房子时出错";
    QTest::newRow("after the houses were read") << QByteArray("LastDateSum") << "数据库打开失败";
}

// The books' server stops. The first refresh that meets it says so in the cashier's words, and the houses
// page and its total line are cleared together, the total line saying why; the refreshes after it tell
// nothing more until one reaches the server again. The next outage is told again.
void AppTest::serverStopToldOncePerOutage()
{
    QFETCH(QByteArray, stopAt);
    QFETCH(QString, heading);
    SKIP_ON_FILE("a books file has no server to stop");
    ProgramFixture program;
    storeOneBankRecord(program);
    FormMain &main = program.main();
    main.setLeftPanelEnabled(true);
    main.refreshAll();
    AccountsPage &houses = *main.accountsPage();
    const auto houseShown = [&] { return control<QFrame>(houses, "AccountPanel1")->isVisibleTo(&houses); };
    const auto dayButton = [&](const char *name) { QTest::mouseClick(control<QToolButton>(main, name), Qt::LeftButton); };
    QVERIFY(houseShown());
    QCOMPARE(houses.Label19()->text(), QStringLiteral("总金额：947.1 元"));
    const QString unreachable = QStringLiteral("\n无法连接数据库服务器。请检查服务器是否已开启、网络是否连通。");
    const QString note = QStringLiteral("总金额：暂不能显示（无法连接数据库服务器）");

    EngineError error;
    BooksEngine *engine = program.windows().data->ADOConnection1(&error);
    QVERIFY2(engine, qPrintable(error.text));
    bool stopped = stopAt.isEmpty();
    if (stopped)
        program.setServerReachable(false);
    PgEngine::trace(*engine, [&](const QByteArray &statement, const QList<QByteArray> &, PgEngine::Protocol) {
        if (!stopped && statement.contains(stopAt)) {
            stopped = true;
            program.setServerReachable(false);
        }
    });
    dayButton("BitBtn2");
    PgEngine::trace(*engine, {});
    QVERIFY(stopped);
    QCOMPARE(program.screen().takeMessages(), QStringList{heading + unreachable});
    QVERIFY(!houseShown());
    QCOMPARE(houses.Label19()->text(), note);

    dayButton("BitBtn1");
    QCOMPARE(program.screen().takeMessages(), QStringList());
    QVERIFY(!houseShown());
    QCOMPARE(houses.Label19()->text(), note);

    program.setServerReachable(true);
    dayButton("BitBtn2");
    QCOMPARE(program.screen().takeMessages(), QStringList());
    QVERIFY(houseShown());
    QCOMPARE(control<QLabel>(houses, "AccountMoney1")->text(), QStringLiteral("947.1 元"));
    QCOMPARE(houses.Label19()->text(), QStringLiteral("总金额：947.1 元"));

    program.setServerReachable(false);
    dayButton("BitBtn1");
    program.setServerReachable(true);
    QCOMPARE(program.screen().takeMessages(), QStringList{QStringLiteral("刷新帐户房子时出错") + unreachable});
}

void AppTest::commandButtonsLookAsTheyWork_data()
{
    QTest::addColumn<QString>("place");
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("action");
    QTest::addColumn<bool>("cashier");
    QTest::addColumn<bool>("working");
    QTest::addColumn<int>("hue"); // of the caption of a working command, -1 for the default colour
    const int blue = 240, red = 0;
    QTest::newRow("在线服务 before login") << "left" << "SpeedButton4" << "ActionOnlineChat" << false << false << blue;
    QTest::newRow("在线服务 of the cashier") << "left" << "SpeedButton4" << "ActionOnlineChat" << true << true << blue;
    QTest::newRow("备份数据 before login") << "left" << "SpeedButton2" << "ActionSave" << false << false << blue;
    QTest::newRow("备份数据 of the cashier") << "left" << "SpeedButton2" << "ActionSave" << true << true << blue;
    QTest::newRow("导出EXCEL") << "reports" << "ToExcel" << "ActionToExcel" << true << true << -1;
    QTest::newRow("财务月结") << "reports" << "ResearchReport" << "ActionResearchReport" << true << true << -1;
    QTest::newRow("生成报表") << "reports" << "MakeReport" << "ActionMakeReport" << true << true << -1;
    QTest::newRow("打印报表") << "reports" << "PrintReport" << "ActionPrintReport" << true << true << -1;
    QTest::newRow("备份数据 on its tab") << "maintenance" << "SpeedButton2" << "ActionSave" << false << true << blue;
    QTest::newRow("恢复数据 on its tab") << "maintenance" << "SpeedButton3" << "ActionLoad" << false << true << red;
}

// A command that cannot be used is drawn greyed out, caption and picture, whatever colour its caption
// has when it works; a working one shows its caption's colour.
void AppTest::commandButtonsLookAsTheyWork()
{
    QFETCH(QString, place);
    QFETCH(QString, button);
    QFETCH(QString, action);
    QFETCH(bool, cashier);
    QFETCH(bool, working);
    QFETCH(int, hue);
    ProgramFixture program;
    if (cashier)
        program.loginAsCashier();
    FormMain &main = program.main();
    QWidget *root = place == u"reports" ? static_cast<QWidget *>(main.reportsPage())
        : place == u"maintenance"       ? static_cast<QWidget *>(main.maintenancePage())
                                        : control<QWidget>(main, "Panel1");
    auto *shown = root->findChild<QToolButton *>(button);
    QVERIFY(shown);
    auto *command = control<QAction>(main, action.toLatin1().constData());
    QCOMPARE(shown->defaultAction(), command);
    QCOMPARE(shown->text(), command->text());
    QVERIFY(!shown->icon().isNull());
    if (working)
        command->setEnabled(true); // as it will be once its window exists

    QCOMPARE(shown->isEnabled(), working);
    if (!working)
        QCOMPARE(colouredPixels(*shown), 0);
    else if (hue >= 0)
        QVERIFY(colouredPixels(*shown, (hue + 340) % 360, (hue + 20) % 360) > 0);
    QCOMPARE(program.screen().takeMessages(), QStringList());
}

void AppTest::reportAndMaintenanceTabsHoldTheirControls()
{
    ProgramFixture program;
    FormMain &main = program.main();
    ReportsPage *reports = main.reportsPage();
    auto *order = reports->findChild<QComboBox *>(QStringLiteral("ComboBox3"));
    QVERIFY(order);
    QStringList items;
    for (int i = 0; i < order->count(); ++i)
        items.append(order->itemText(i));
    QCOMPARE(items, (QStringList{"按时间排", "按帐户排", "按金额排"}));
    QCOMPARE(order->currentIndex(), 0);
    QVERIFY(!order->isEditable());
    QVERIFY(order->isEnabled());
    auto *grid = reports->findChild<DataGrid *>(QStringLiteral("DBGridEh2"));
    QVERIFY(grid);
    QVERIFY(grid->isEnabled());
    const auto *sortCaption = reports->findChild<QLabel *>(QStringLiteral("Label20"));
    QCOMPARE(sortCaption->text(), QStringLiteral("排序方式"));

    // The picture buttons stand in one row above the grid, the sort list at their right.
    const QStringList buttons{"ToExcel", "ResearchReport", "MakeReport", "PrintReport"};
    main.setPageVisible(FormMain::ReportsTab, true);
    main.setActivePage(FormMain::ReportsTab);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::LayoutRequest);
    int left = -1;
    for (const QString &name : buttons) {
        const QRect place = reports->findChild<QToolButton *>(name)->geometry();
        QVERIFY(place.left() > left);
        left = place.left();
    }
    QVERIFY(order->mapTo(reports, QPoint()).x() > left);
    QVERIFY(grid->y() > order->mapTo(reports, QPoint(0, order->height())).y());

    auto *group = main.maintenancePage()->findChild<QGroupBox *>(QStringLiteral("GroupBox1"));
    QVERIFY(group);
    QCOMPARE(group->title(), QStringLiteral("帐套数据操作"));
    QCOMPARE(group->findChildren<QToolButton *>().size(), 2);
}

void AppTest::onlineServiceShowsEveryLine()
{
    ProgramFixture program;
    QStringList cut{QStringLiteral("not shown")};
    program.screen().onDialog(QStringLiteral("FormOnlineChat"), [&](QDialog &dialog) {
        dialog.show();
        cut = cutLabels(dialog);
        dialog.accept();
    });
    program.windows().onlineChat->showService();
    QVERIFY(program.screen().allUsed());
    QCOMPARE(cut, QStringList());
}

QTEST_MAIN(AppTest)
#include "tst_app.moc"
