// Login and roles, the account-book scope, the passwords and their prompt, and the help actions,
// driven through the main window with a scripted person at the screen.
#include <QComboBox>
#include <QDialog>
#include <QFile>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QToolButton>
#include <QtTest>

#include <libpq-fe.h>
#include <sqlite3.h>

#include "accounts/AccountsPage.h"
#include "app/FormMain.h"
#include "app/Program.h"
#include "data/Query.h"
#include "data/Settings.h"
#include "data/ShareDataModule.h"
#include "lists/SettingsPage.h"
#include "support/BooksFault.h"
#include "support/OtherProgram.h"
#include "support/ProgramFixture.h"
#include "support/TestEngine.h"
#include "users/LoginPage.h"
#include "users/ModificationPassword.h"

namespace {

const QString Administrator = QStringLiteral("管理员");
const QString Cashier = QStringLiteral("出纳");
const QString WrongPassword = QStringLiteral("密码错误，请重新操作");

QList<int> visiblePages(FormMain &main)
{
    auto *pages = main.findChild<QTabWidget *>(QStringLiteral("PageControl1"));
    QList<int> visible;
    for (int page = 0; page < pages->count(); ++page)
        if (pages->isTabVisible(page))
            visible.append(page);
    return visible;
}

int activePage(FormMain &main)
{
    return main.findChild<QTabWidget *>(QStringLiteral("PageControl1"))->currentIndex();
}

QWidget *leftPanel(FormMain &main)
{
    return main.findChild<QWidget *>(QStringLiteral("Panel1"));
}

QString currentUser(FormMain &main)
{
    return main.findChild<QLabel *>(QStringLiteral("Label18"))->text();
}

QLabel *scopePicture(FormMain &main)
{
    return leftPanel(main)->findChild<QLabel *>(QStringLiteral("Image1"));
}

// The Res picture the left panel shows, by comparing pixels; empty when it shows none of them.
QString shownScope(ProgramFixture &f)
{
    const QImage shown = scopePicture(f.main())->pixmap().toImage().convertToFormat(QImage::Format_RGB32);
    if (shown.isNull())
        return {};
    const QStringList pictures{"EmptyAccount", "CompanyAccount2", "CompanyAccount3", "PersonAccount2",
                               "PersonAccount3", "CompanyAccount",  "PersonAccount",   "TotalAccount"};
    for (const QString &picture : pictures) {
        const QString file = f.folder() + QStringLiteral("Res/") + picture + QStringLiteral(".bmp");
        if (QImage(file).convertToFormat(QImage::Format_RGB32) == shown)
            return picture;
    }
    return QStringLiteral("?");
}

QString setting(ProgramFixture &f, const QString &key)
{
    return ReadSetting(QStringLiteral("Kalvora2"), key, QStringLiteral("<none>"), f.settingsPath());
}

// Three accounts, one of each company book and one personal.
void storeAccounts(ProgramFixture &f)
{
    f.insert(QStringLiteral("Account"), {{QStringLiteral("AccountName"), QStringLiteral("工行基本户")}, {QStringLiteral("AccountType"), 1}});
    f.insert(QStringLiteral("Account"), {{QStringLiteral("AccountName"), QStringLiteral("出纳现金")}, {QStringLiteral("AccountType"), 2}});
    f.insert(QStringLiteral("Account"), {{QStringLiteral("AccountName"), QStringLiteral("老板个人卡")}, {QStringLiteral("AccountType"), 3}});
}

// The names on the account houses in view.
QStringList shownHouses(FormMain &main)
{
    QStringList names;
    for (int house = 1; house <= AccountsPage::HousesPerPage; ++house)
        if (!main.findChild<QWidget *>(QStringLiteral("AccountPanel%1").arg(house))->isHidden())
            names.append(main.findChild<QLabel *>(QStringLiteral("AccountName%1").arg(house))->text());
    names.sort();
    return names;
}

void writeScope(ProgramFixture &f, const QString &scope)
{
    QVERIFY(WriteSetting(QStringLiteral("Kalvora2"), QStringLiteral("AccountType"), scope, f.settingsPath()));
}

void setStoredPassword(ProgramFixture &f, const QString &name, const QString &password)
{
    Query &row = f.select(QStringLiteral("Select * From Power Where PowerName = '%1'").arg(name));
    QVERIFY(!row.eof());
    row.setField(QStringLiteral("PowerKey"), password);
    QVERIFY(row.post());
}

void removePowerRow(ProgramFixture &f, const QString &name)
{
    Query &row = f.select(QStringLiteral("Select * From Power Where PowerName = '%1'").arg(name));
    QVERIFY(row.remove());
}

QString storedPassword(ProgramFixture &f, const QString &name)
{
    Query &row = f.select(QStringLiteral("Select * From Power Where PowerName = '%1'").arg(name));
    return row.eof() ? QStringLiteral("<no row>") : row.fieldText(QStringLiteral("PowerKey"));
}

int powerRows(ProgramFixture &f, const QString &name)
{
    return f.select(QStringLiteral("Select * From Power Where PowerName = '%1'").arg(name)).recordCount();
}

void login(ProgramFixture &f, const QString &role, const QString &password)
{
    f.main().loginPage()->ComboBox2()->setCurrentText(role);
    f.main().loginPage()->Edit3()->setText(password);
    f.main().loginPage()->findChild<QToolButton *>(QStringLiteral("Login"))->click();
}

template<typename T>
T *passwordControl(ProgramFixture &f, const char *name)
{
    return f.main().settingsPage()->findChild<T *>(QString::fromLatin1(name));
}

void clickPicture(QLabel *picture)
{
    QTest::mouseClick(picture, Qt::LeftButton);
}

// A prompt handler that types `text` and presses OK.
ScriptedScreen::DialogHandler typeAndConfirm(const QString &text)
{
    return [text](QDialog &prompt) {
        prompt.findChild<QLineEdit *>(QStringLiteral("Edit1"))->setText(text);
        prompt.findChild<QPushButton *>(QStringLiteral("BitBtn1"))->click();
    };
}

bool promptMasked(ProgramFixture &f)
{
    auto *prompt = f.main().findChild<QDialog *>(QStringLiteral("FormAsk"));
    return prompt->findChild<QLineEdit *>(QStringLiteral("Edit1"))->echoMode() != QLineEdit::Normal;
}

} // namespace

class tst_users : public QObject
{
    Q_OBJECT

private slots:
    void loginPageShowsMaskedPassword();
    void firstCashierLoginWithChooserClosed();
    void chosenBookBecomesScope_data();
    void chosenBookBecomesScope();
    void scopePictureReopensChooser();
    void storedScope_data();
    void storedScope();
    void scopeOutsideRangeKeepsLastView();
    void nonIntegerScopeEndsRefresh_data();
    void nonIntegerScopeEndsRefresh();
    void nonIntegerScopeStopsLaterRefresh();
    void loginComparesPasswordExactly_data();
    void loginComparesPasswordExactly();
    void missingPowerRowIsReported();
    void missingBooksFailLogin();
    void rolesSwitchTabsAndPanel();
    void roleRememberedForNextStart_data();
    void roleRememberedForNextStart();
    void passwordChange_data();
    void passwordChange();
    void latePasswordChange_data();
    void latePasswordChange();
    void passwordWithNulRefused_data();
    void passwordWithNulRefused();
    void roleChoiceShowsItsPassword();
    void unreadablePasswordsToldOnce();
    void changedPasswordLogsIn();
    void modificationPassword_data();
    void modificationPassword();
    void instructionsOpenShippedPage();
    void readOnlyBooksToldAtLogin_data();
    void readOnlyBooksToldAtLogin();
    void failedPasswordStoreTold_data();
    void failedPasswordStoreTold();
    void onlineServiceShowsHowToReachSupport();
};

void tst_users::loginPageShowsMaskedPassword()
{
    ProgramFixture f;
    QLineEdit *password = f.main().loginPage()->Edit3();
    password->setText(QStringLiteral("Ab 1"));
    QCOMPARE(password->displayText(), QStringLiteral("####"));
    const QAction *login = f.main().loginPage()->findChild<QToolButton *>(QStringLiteral("Login"))->defaultAction();
    QCOMPARE(login->objectName(), QStringLiteral("ActionLogin"));
    QCOMPARE(login->text(), QStringLiteral("  登录"));
    const QAction *instruction =
        f.main().loginPage()->findChild<QToolButton *>(QStringLiteral("SpeedButtonInstruction"))->defaultAction();
    QCOMPARE(instruction->text(), QStringLiteral("说 明"));
}

void tst_users::firstCashierLoginWithChooserClosed()
{
    ProgramFixture f;
    storeAccounts(f);
    QCOMPARE(currentUser(f.main()), QStringLiteral("未登录"));
    f.loginAsCashier();

    QVERIFY(f.screen().allUsed()); // the chooser was shown
    QCOMPARE(f.screen().unexpected(), QStringList());
    QCOMPARE(f.screen().takeMessages(), QStringList());
    QCOMPARE(setting(f, QStringLiteral("AccountType")), QStringLiteral("<none>"));
    QCOMPARE(shownScope(f), QStringLiteral("CompanyAccount2"));
    QCOMPARE(f.main().accountClause(), QStringLiteral(" And (AccountType = 1)"));
    QCOMPARE(shownHouses(f.main()), QStringList{QStringLiteral("工行基本户")});
    QCOMPARE(visiblePages(f.main()), (QList<int>{0, 1, 2, 3, 4}));
    QCOMPARE(activePage(f.main()), 1);
    QVERIFY(leftPanel(f.main())->isEnabled());
    QCOMPARE(currentUser(f.main()), Cashier);
    QCOMPARE(setting(f, QStringLiteral("UserPower")), Cashier);
}

void tst_users::chosenBookBecomesScope_data()
{
    QTest::addColumn<QString>("picture");
    QTest::addColumn<QString>("scope");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("clause");
    QTest::addColumn<QStringList>("houses");
    QTest::newRow("企业总帐簿") << "Image5" << "5" << "CompanyAccount"
                             << " And ((AccountType = 1) Or (AccountType = 2))" << QStringList{"出纳现金", "工行基本户"};
    QTest::newRow("企业银行帐") << "Image1" << "1" << "CompanyAccount2" << " And (AccountType = 1)"
                             << QStringList{"工行基本户"};
    QTest::newRow("企业现金帐") << "Image2" << "2" << "CompanyAccount3" << " And (AccountType = 2)"
                             << QStringList{"出纳现金"};
}

void tst_users::chosenBookBecomesScope()
{
    QFETCH(QString, picture);
    QFETCH(QString, scope);
    QFETCH(QString, shown);
    QFETCH(QString, clause);
    QFETCH(QStringList, houses);
    ProgramFixture f;
    storeAccounts(f);
    f.loginAsCashier(ProgramFixture::pickBook(picture));
    QVERIFY(f.screen().allUsed());
    QCOMPARE(setting(f, QStringLiteral("AccountType")), scope);
    QCOMPARE(shownScope(f), shown);
    QCOMPARE(f.main().accountClause(), clause);
    QCOMPARE(shownHouses(f.main()), houses);
}

void tst_users::scopePictureReopensChooser()
{
    ProgramFixture f;
    f.loginAsCashier(ProgramFixture::pickBook(QStringLiteral("Image5")));

    f.screen().onDialog(QStringLiteral("FormChose"), ProgramFixture::pickBook(QStringLiteral("Image2")));
    clickPicture(scopePicture(f.main()));
    QVERIFY(f.screen().allUsed());
    QCOMPARE(shownScope(f), QStringLiteral("CompanyAccount3"));
    QCOMPARE(f.main().accountClause(), QStringLiteral(" And (AccountType = 2)"));

    // Closed with its close box: no refresh, so a scope changed behind the program's back stays unseen.
    writeScope(f, QStringLiteral("7"));
    f.screen().onDialog(QStringLiteral("FormChose"), [](QDialog &) {});
    clickPicture(scopePicture(f.main()));
    QVERIFY(f.screen().allUsed());
    QCOMPARE(setting(f, QStringLiteral("AccountType")), QStringLiteral("7"));
    QCOMPARE(shownScope(f), QStringLiteral("CompanyAccount3"));
    QCOMPARE(f.screen().unexpected(), QStringList());
}

void tst_users::storedScope_data()
{
    QTest::addColumn<QString>("scope");
    QTest::addColumn<QString>("shown");
    QTest::addColumn<QString>("clause");
    QTest::newRow("0") << "0" << "EmptyAccount" << " And (AccountType = 0)";
    QTest::newRow("3") << "3" << "PersonAccount2" << " And (AccountType = 3)";
    QTest::newRow("4") << "4" << "PersonAccount3" << " And (AccountType = 4)";
    QTest::newRow("6") << "6" << "PersonAccount" << " And ((AccountType = 3) Or (AccountType = 4))";
    QTest::newRow("7") << "7" << "TotalAccount" << " And (AccountType > 0)";
    QTest::newRow("9 at first: nothing applied") << "9" << "" << "";
    QTest::newRow("-1") << "-1" << "" << "";
}

void tst_users::storedScope()
{
    QFETCH(QString, scope);
    QFETCH(QString, shown);
    QFETCH(QString, clause);
    ProgramFixture f;
    writeScope(f, scope);
    f.loginAsCashier();
    QCOMPARE(f.screen().takeMessages(), QStringList());
    QCOMPARE(shownScope(f), shown);
    QCOMPARE(f.main().accountClause(), clause);
    QCOMPARE(setting(f, QStringLiteral("AccountType")), scope);
}

void tst_users::scopeOutsideRangeKeepsLastView()
{
    ProgramFixture f;
    storeAccounts(f);
    f.loginAsCashier(ProgramFixture::pickBook(QStringLiteral("Image5")));
    writeScope(f, QStringLiteral("9"));
    f.main().findChild<QToolButton *>(QStringLiteral("BitBtn2"))->click(); // a day forward refreshes
    QCOMPARE(f.main().currentDate(), ProgramFixture::Today.addDays(1));
    QCOMPARE(shownScope(f), QStringLiteral("CompanyAccount"));
    QCOMPARE(f.main().accountClause(), QStringLiteral(" And ((AccountType = 1) Or (AccountType = 2))"));
    QCOMPARE(shownHouses(f.main()), (QStringList{QStringLiteral("出纳现金"), QStringLiteral("工行基本户")}));
    QCOMPARE(f.screen().takeMessages(), QStringList());
}

void tst_users::nonIntegerScopeEndsRefresh_data()
{
    QTest::addColumn<QString>("scope");
    QTest::newRow("word") << "abc";
    QTest::newRow("fraction") << "1.5";
    QTest::newRow("empty value") << "";
}

void tst_users::nonIntegerScopeEndsRefresh()
{
    QFETCH(QString, scope);
    ProgramFixture f;
    writeScope(f, scope);
    f.loginAsCashier();
    const QStringList messages = f.screen().takeMessages();
    QCOMPARE(messages.size(), 1);
    QVERIFY2(messages.first().contains(QStringLiteral("帐簿范围")), qPrintable(messages.first()));
    QCOMPARE(shownScope(f), QString());
    QCOMPARE(f.main().accountClause(), QString());
    // The login itself stands: the cashier can choose a proper book with the scope picture.
    QCOMPARE(currentUser(f.main()), Cashier);
    f.screen().onDialog(QStringLiteral("FormChose"), ProgramFixture::pickBook(QStringLiteral("Image1")));
    clickPicture(scopePicture(f.main()));
    QCOMPARE(shownScope(f), QStringLiteral("CompanyAccount2"));
    QCOMPARE(f.screen().takeMessages(), QStringList());
}

void tst_users::nonIntegerScopeStopsLaterRefresh()
{
    ProgramFixture f;
    storeAccounts(f);
    f.loginAsCashier(ProgramFixture::pickBook(QStringLiteral("Image2")));
    QCOMPARE(shownHouses(f.main()), QStringList{QStringLiteral("出纳现金")});
    const QString total = f.main().accountsPage()->Label19()->text();
    writeScope(f, QStringLiteral("二"));
    f.main().findChild<QToolButton *>(QStringLiteral("BitBtn1"))->click(); // a day back refreshes
    QCOMPARE(f.screen().takeMessages(), QStringList{QStringLiteral("“二”不是有效的帐簿范围，请重新选择帐簿")});
    // The houses and their total stay as they were, together with the scope picture and condition.
    QCOMPARE(shownHouses(f.main()), QStringList{QStringLiteral("出纳现金")});
    QCOMPARE(f.main().accountsPage()->Label19()->text(), total);
    QCOMPARE(shownScope(f), QStringLiteral("CompanyAccount3"));
    QCOMPARE(f.main().accountClause(), QStringLiteral(" And (AccountType = 2)"));
}

void tst_users::loginComparesPasswordExactly_data()
{
    QTest::addColumn<QString>("role");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("accepted");
    QTest::newRow("delivered empty, nothing typed") << Administrator << "" << "" << true;
    QTest::newRow("delivered empty, a character typed") << Administrator << "" << "a" << false;
    QTest::newRow("delivered empty, a blank typed") << Cashier << "" << " " << false;
    QTest::newRow("same text") << Administrator << "Kassa7" << "Kassa7" << true;
    QTest::newRow("letter case differs") << Administrator << "Kassa7" << "kassa7" << false;
    QTest::newRow("trailing blank typed") << Cashier << "abc" << "abc " << false;
    QTest::newRow("stored trailing blank kept") << Cashier << "abc " << "abc " << true;
    QTest::newRow("stored trailing blank missing") << Cashier << "abc " << "abc" << false;
    QTest::newRow("quote and Chinese") << Administrator << "o'密码" << "o'密码" << true;
    QTest::newRow("quote not widening") << Administrator << "x" << "' Or '1'='1" << false;
}

void tst_users::loginComparesPasswordExactly()
{
    QFETCH(QString, role);
    QFETCH(QString, stored);
    QFETCH(QString, typed);
    QFETCH(bool, accepted);
    ProgramFixture f;
    setStoredPassword(f, role, stored);
    if (role == Cashier && accepted)
        f.screen().onDialog(QStringLiteral("FormChose"), [](QDialog &) {});
    login(f, role, typed);

    if (accepted) {
        QCOMPARE(f.screen().takeMessages(), QStringList());
        QCOMPARE(currentUser(f.main()), role);
        QCOMPARE(setting(f, QStringLiteral("UserPower")), role);
        QCOMPARE(f.main().loginPage()->Edit3()->text(), QString());
        QVERIFY(visiblePages(f.main()).size() > 1);
    } else {
        QCOMPARE(f.screen().takeMessages(), QStringList{WrongPassword});
        QCOMPARE(currentUser(f.main()), QStringLiteral("未登录"));
        QCOMPARE(setting(f, QStringLiteral("UserPower")), QStringLiteral("<none>"));
        QCOMPARE(f.main().loginPage()->Edit3()->text(), typed);
        QCOMPARE(visiblePages(f.main()), QList<int>{0});
        QVERIFY(!leftPanel(f.main())->isEnabled());
    }
    QVERIFY(f.screen().allUsed());
    QCOMPARE(f.screen().unexpected(), QStringList());
}

void tst_users::missingPowerRowIsReported()
{
    ProgramFixture f;
    f.loginAsAdministrator();
    removePowerRow(f, Cashier);
    login(f, Cashier, QString());
    QCOMPARE(f.screen().takeMessages(), QStringList{QStringLiteral("数据库中找不到当前用户")});
    QCOMPARE(powerRows(f, Cashier), 0);
    // The administrator's view stays as it was.
    QCOMPARE(currentUser(f.main()), Administrator);
    QCOMPARE(visiblePages(f.main()), (QList<int>{0, 5, 6}));
    QCOMPARE(setting(f, QStringLiteral("UserPower")), Administrator);
    QCOMPARE(f.screen().unexpected(), QStringList());
}

// Books gone from where the data source says are told, nobody gets in, and no empty books are made in
// their place: no file on a file, no database on a server.
void tst_users::missingBooksFailLogin()
{
    ProgramFixture f;
    if (TestEngine::onServer())
        TestEngine::dropServerBooks(f.serverBooks());
    else
        QVERIFY(QFile::remove(f.databasePath()));
    login(f, Administrator, QString());
    const QStringList told = f.screen().takeMessages();
    QCOMPARE(told.size(), 1);
    if (TestEngine::onServer()) {
        const QString expected =
            QStringLiteral("数据库打开失败\n无法连接数据库服务器“%1”（端口 5432，数据库“%2”）。请检查服务器是否已开启、"
                           "网络是否连通，以及数据源 KalvoraCmp 中的服务器（Servername）、端口（Port）和数据库"
                           "（Database）是否正确。")
                .arg(TestEngine::serverHost(), f.serverBooks());
        QVERIFY2(told.first().startsWith(expected), qPrintable(told.first()));
    } else {
        QCOMPARE(told.first(), QStringLiteral("数据库打开失败\n帐簿文件打不开：它不在原处，或不能读写。请检查程序文件夹中的"
                                              "帐簿文件 KalvoraCmp.mdb。"));
    }
    QCOMPARE(currentUser(f.main()), QStringLiteral("未登录"));
    QCOMPARE(visiblePages(f.main()), QList<int>{0});
    if (TestEngine::onServer()) {
        pg_conn *books = TestEngine::connectToServer(f.serverBooks());
        const bool made = PQstatus(books) == CONNECTION_OK;
        PQfinish(books);
        QVERIFY(!made);
    } else {
        QVERIFY(!QFile::exists(f.databasePath()));
    }
}

void tst_users::rolesSwitchTabsAndPanel()
{
    ProgramFixture f;
    f.loginAsCashier(ProgramFixture::pickBook(QStringLiteral("Image2")));
    QCOMPARE(visiblePages(f.main()), (QList<int>{0, 1, 2, 3, 4}));

    f.loginAsAdministrator();
    QCOMPARE(visiblePages(f.main()), (QList<int>{0, 5, 6}));
    QCOMPARE(activePage(f.main()), 5);
    QVERIFY(!leftPanel(f.main())->isEnabled());
    QCOMPARE(currentUser(f.main()), Administrator);

    // Back to the cashier: the chooser comes again and its choice is applied.
    f.loginAsCashier(ProgramFixture::pickBook(QStringLiteral("Image5")));
    QVERIFY(f.screen().allUsed());
    QCOMPARE(visiblePages(f.main()), (QList<int>{0, 1, 2, 3, 4}));
    QCOMPARE(activePage(f.main()), 1);
    QVERIFY(leftPanel(f.main())->isEnabled());
    QCOMPARE(currentUser(f.main()), Cashier);
    QCOMPARE(shownScope(f), QStringLiteral("CompanyAccount"));
    QCOMPARE(f.screen().takeMessages(), QStringList());
    QCOMPARE(f.screen().unexpected(), QStringList());
}

void tst_users::roleRememberedForNextStart_data()
{
    QTest::addColumn<QString>("role");
    QTest::addColumn<int>("preselected");
    QTest::newRow("管理员") << Administrator << 0;
    QTest::newRow("出纳") << Cashier << 1;
}

void tst_users::roleRememberedForNextStart()
{
    QFETCH(QString, role);
    QFETCH(int, preselected);
    ProgramFixture f;
    QCOMPARE(f.main().loginPage()->ComboBox2()->currentIndex(), 1); // nothing remembered: 出纳
    if (role == Cashier)
        f.loginAsCashier();
    else
        f.loginAsAdministrator();
    // A failed login afterwards as the other role does not replace the remembered one.
    setStoredPassword(f, role == Cashier ? Administrator : Cashier, QStringLiteral("secret"));
    login(f, role == Cashier ? Administrator : Cashier, QStringLiteral("guess"));
    QCOMPARE(f.screen().takeMessages(), QStringList{WrongPassword});

    f.restart();
    QCOMPARE(f.main().loginPage()->ComboBox2()->currentIndex(), preselected);
    QCOMPARE(currentUser(f.main()), QStringLiteral("未登录"));
    QCOMPARE(visiblePages(f.main()), QList<int>{0});
}

void tst_users::passwordChange_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("row");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("yes");
    QTest::addColumn<bool>("rowPresent");
    QTest::addColumn<QString>("message");

    const QString userDone = QStringLiteral("用户密码修改成功");
    const QString modifyDone = QStringLiteral("密码修改成功");
    QTest::newRow("administrator's") << "Button10" << "Edit1" << Administrator << "N3u Pw'd " << true << true << userDone;
    QTest::newRow("to empty") << "Button10" << "Edit1" << Administrator << "" << true << true << userDone;
    QTest::newRow("modification") << "Button11" << "Edit2" << QStringLiteral("修改") << "修改'Key" << true << true
                                  << modifyDone;
    QTest::newRow("login: answered No") << "Button10" << "Edit1" << Administrator << "unsaved" << false << true << "";
    QTest::newRow("modification: answered No") << "Button11" << "Edit2" << QStringLiteral("修改") << "unsaved" << false
                                               << true << "";
    QTest::newRow("login: row removed") << "Button10" << "Edit1" << Administrator << "x" << true << false
                                        << QStringLiteral("该用户密码已被删除");
    QTest::newRow("modification: row removed") << "Button11" << "Edit2" << QStringLiteral("修改") << "x" << true
                                               << false << QStringLiteral("该密码已被删除");
}

void tst_users::passwordChange()
{
    QFETCH(QString, button);
    QFETCH(QString, edit);
    QFETCH(QString, row);
    QFETCH(QString, typed);
    QFETCH(bool, yes);
    QFETCH(bool, rowPresent);
    QFETCH(QString, message);
    ProgramFixture f;
    setStoredPassword(f, row, QStringLiteral("old"));
    login(f, Administrator, row == Administrator ? QStringLiteral("old") : QString());
    QLineEdit *field = passwordControl<QLineEdit>(f, edit.toLatin1().constData());
    QCOMPARE(field->text(), QStringLiteral("old"));
    if (!rowPresent)
        removePowerRow(f, row);

    field->setText(typed);
    f.screen().answer(yes);
    passwordControl<QPushButton>(f, button.toLatin1().constData())->click();

    QCOMPARE(f.screen().questions(),
             QStringList{QStringLiteral("修改确认|确定要把该密码修改为 ") + typed + QStringLiteral(" 吗？")});
    QCOMPARE(f.screen().takeMessages(), message.isEmpty() ? QStringList() : QStringList{message});
    const bool stored = yes && rowPresent;
    QCOMPARE(storedPassword(f, row), rowPresent ? (stored ? typed : QStringLiteral("old")) : QStringLiteral("<no row>"));
    QCOMPARE(powerRows(f, row), rowPresent ? 1 : 0);
    QCOMPARE(field->text(), typed); // after storing, reloaded; otherwise the unsaved text stays
    QCOMPARE(f.screen().unexpected(), QStringList());
}

void tst_users::latePasswordChange_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("row");
    QTest::newRow("login") << "Button10" << "Edit1" << Administrator;
    QTest::newRow("modification") << "Button11" << "Edit2" << QStringLiteral("修改");
}

// The settings tab keeps each password's version from when it showed it: a change after another
// administrator set that password stores nothing and keeps the other's password.
void tst_users::latePasswordChange()
{
    QFETCH(QString, button);
    QFETCH(QString, edit);
    QFETCH(QString, row);
    SKIP_ON_FILE("the file keeps no row versions: the later change stores, as on one machine");
    ProgramFixture f;
    login(f, Administrator, QString());
    QLineEdit *field = passwordControl<QLineEdit>(f, edit.toLatin1().constData());
    {
        OtherProgram other(f);
        QCOMPARE(other.execute(qPrintable(QStringLiteral("UPDATE Power SET PowerKey = 'theirs' WHERE PowerName = '%1'").arg(row))),
                 SQLITE_OK);
    }
    field->setText(QStringLiteral("mine"));
    f.screen().answer(true);
    passwordControl<QPushButton>(f, button.toLatin1().constData())->click();

    QCOMPARE(f.screen().takeMessages(), QStringList{QStringLiteral("密码未能保存\n该记录已被其他用户修改，请重新打开")});
    QCOMPARE(storedPassword(f, row), QStringLiteral("theirs"));
}

void tst_users::passwordWithNulRefused_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("row");
    QTest::newRow("login") << "Button10" << "Edit1" << Administrator;
    QTest::newRow("modification") << "Button11" << "Edit2" << QStringLiteral("修改");
}

// A pasted NUL could not be stored as typed, and a cut password would lock its user out: refused.
void tst_users::passwordWithNulRefused()
{
    QFETCH(QString, button);
    QFETCH(QString, edit);
    QFETCH(QString, row);
    ProgramFixture f;
    setStoredPassword(f, row, QStringLiteral("old"));
    login(f, Administrator, row == Administrator ? QStringLiteral("old") : QString());
    QLineEdit *field = passwordControl<QLineEdit>(f, edit.toLatin1().constData());
    const QString typed = QStringLiteral("前") + QChar(0) + QStringLiteral("后");
    field->setText(typed);
    passwordControl<QPushButton>(f, button.toLatin1().constData())->click();

    QCOMPARE(f.screen().questions(), QStringList());
    QCOMPARE(f.screen().takeMessages(),
             QStringList{QStringLiteral("输入的内容含有看不见的空字符（多为粘贴带入），无法保存，请删除后重新输入")});
    QCOMPARE(storedPassword(f, row), QStringLiteral("old"));
    QCOMPARE(field->text(), typed);
}

void tst_users::roleChoiceShowsItsPassword()
{
    ProgramFixture f;
    setStoredPassword(f, Administrator, QStringLiteral("adm"));
    setStoredPassword(f, Cashier, QStringLiteral("cash"));
    setStoredPassword(f, QStringLiteral("修改"), QStringLiteral("mod"));
    login(f, Administrator, QStringLiteral("adm"));
    auto *role = passwordControl<QComboBox>(f, "ComboBox1");
    auto *password = passwordControl<QLineEdit>(f, "Edit1");
    QCOMPARE(password->text(), QStringLiteral("adm"));
    QCOMPARE(passwordControl<QLineEdit>(f, "Edit2")->text(), QStringLiteral("mod"));
    QCOMPARE(password->echoMode(), QLineEdit::Normal);

    role->setCurrentIndex(1);
    emit role->activated(1);
    QCOMPARE(password->text(), QStringLiteral("cash"));
    role->setCurrentIndex(0);
    emit role->activated(0);
    QCOMPARE(password->text(), QStringLiteral("adm"));
    QCOMPARE(f.screen().takeMessages(), QStringList());
}

// The first failed statement ends the loading: one message, and both edits keep what they showed.
void tst_users::unreadablePasswordsToldOnce()
{
    ProgramFixture f;
    setStoredPassword(f, QStringLiteral("修改"), QStringLiteral("mod"));
    f.loginAsAdministrator();
    QString error;
    QVERIFY2(f.windows().data->execute(QStringLiteral("ALTER TABLE Power RENAME TO Gone"), &error), qPrintable(error));
    auto *role = passwordControl<QComboBox>(f, "ComboBox1");
    role->setCurrentIndex(1);
    emit role->activated(1);
    QCOMPARE(f.screen().takeMessages(), QStringList{QStringLiteral("数据库打开失败")});
    QCOMPARE(passwordControl<QLineEdit>(f, "Edit1")->text(), QString());
    QCOMPARE(passwordControl<QLineEdit>(f, "Edit2")->text(), QStringLiteral("mod"));
}

void tst_users::changedPasswordLogsIn()
{
    ProgramFixture f;
    setStoredPassword(f, Cashier, QStringLiteral("before"));
    f.loginAsAdministrator();
    auto *role = passwordControl<QComboBox>(f, "ComboBox1");
    role->setCurrentIndex(1);
    emit role->activated(1);
    passwordControl<QLineEdit>(f, "Edit1")->setText(QString());
    f.screen().answer(true);
    passwordControl<QPushButton>(f, "Button10")->click();
    QCOMPARE(f.screen().takeMessages(), QStringList{QStringLiteral("用户密码修改成功")});
    QCOMPARE(storedPassword(f, Cashier), QString());
    QCOMPARE(storedPassword(f, Administrator), QString()); // only the chosen role's row changed

    f.loginAsCashier();
    QCOMPARE(currentUser(f.main()), Cashier);
    QCOMPARE(f.screen().takeMessages(), QStringList());
}

void tst_users::modificationPassword_data()
{
    QTest::addColumn<QString>("stored");
    QTest::addColumn<bool>("rowPresent");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<bool>("confirm");
    QTest::addColumn<bool>("granted");
    QTest::addColumn<QString>("message");
    QTest::newRow("delivered empty, OK on empty") << "" << true << "" << true << true << "";
    QTest::newRow("matching") << "Mod'1 " << true << "Mod'1 " << true << true << "";
    QTest::newRow("case differs") << "Mod1" << true << "mod1" << true << false << WrongPassword;
    QTest::newRow("trailing blank missing") << "Mod1 " << true << "Mod1" << true << false << WrongPassword;
    QTest::newRow("cancelled") << "" << true << "" << false << false << "";
    QTest::newRow("row removed") << "" << false << "" << true << false << QStringLiteral("数据库出错，资料修改密码被删除");
}

void tst_users::modificationPassword()
{
    QFETCH(QString, stored);
    QFETCH(bool, rowPresent);
    QFETCH(QString, typed);
    QFETCH(bool, confirm);
    QFETCH(bool, granted);
    QFETCH(QString, message);
    ProgramFixture f;
    setStoredPassword(f, QStringLiteral("修改"), stored);
    if (!rowPresent)
        removePowerRow(f, QStringLiteral("修改"));
    f.screen().onDialog(QStringLiteral("FormAsk"), [&](QDialog &prompt) {
        auto *entry = prompt.findChild<QLineEdit *>(QStringLiteral("Edit1"));
        QCOMPARE(prompt.windowTitle(), QStringLiteral("修改密码"));
        QCOMPARE(prompt.findChild<QLabel *>(QStringLiteral("Label1"))->text(), QStringLiteral("请输入资料修改密码"));
        QCOMPARE(entry->text(), QString());
        entry->setText(typed);
        QCOMPARE(entry->displayText(), QString(typed.size(), QLatin1Char('#')));
        prompt.findChild<QPushButton *>(QString::fromLatin1(confirm ? "BitBtn1" : "BitBtn2"))->click();
    });

    QCOMPARE(AskModificationPassword(*f.windows().ask, *f.windows().data), granted);
    QVERIFY(f.screen().allUsed());
    QCOMPARE(f.screen().takeMessages(), message.isEmpty() ? QStringList() : QStringList{message});
    QVERIFY(!promptMasked(f));
    QCOMPARE(powerRows(f, QStringLiteral("修改")), rowPresent ? 1 : 0);
}

void tst_users::instructionsOpenShippedPage()
{
    ProgramFixture f;
    auto *instruction = f.main().findChild<QAction *>(QStringLiteral("ActionInstruction"));
    const QString page = f.folder() + QStringLiteral("Instruction.html");
    instruction->trigger();
    QCOMPARE(f.screen().takeMessages(), QStringList{QStringLiteral("找不到说明文件：") + page});
    QVERIFY(f.screen().openedUrls().isEmpty());

    QFile shipped(page);
    QVERIFY(shipped.open(QIODevice::WriteOnly));
    shipped.write("<html><body>说明</body></html>");
    shipped.close();
    instruction->trigger();
    QCOMPARE(f.screen().openedUrls(), QList<QUrl>{QUrl::fromLocalFile(page)});
    QCOMPARE(f.screen().takeMessages(), QStringList());

    // Nothing on this machine opens pages.
    f.screen().refuseUrls();
    instruction->trigger();
    QCOMPARE(f.screen().takeMessages(), QStringList{QStringLiteral("无法打开浏览器，请直接打开说明文件：") + page});
}

void tst_users::readOnlyBooksToldAtLogin_data()
{
    QTest::addColumn<QString>("fault");
    QTest::addColumn<bool>("told");
    QTest::newRow("read-only books") << "read-only" << true;
    QTest::newRow("books in use by another program just now") << "in use" << false;
}

// Books that take no changes are said when the user logs in, who still gets in to look at them; books
// another program holds just now are no read-only books, and the login waits for nothing.
void tst_users::readOnlyBooksToldAtLogin()
{
    QFETCH(QString, fault);
    QFETCH(bool, told);
    ProgramFixture f;
    BooksFault failing(f, fault);

    f.loginAsAdministrator();

    QCOMPARE(f.screen().takeMessages(),
             told ? QStringList{failing.message(QStringLiteral("帐簿只能查看，不能记帐"))} : QStringList());
    // A server is asked whether it takes changes, and says so in the program's own words.
    const QString detail = TestEngine::onServer()
                               ? QStringLiteral("数据库服务器只允许读取帐簿，改动不能保存。请联系管理员。")
                               : failing.detail();
    QCOMPARE(f.screen().takeDetails(), told ? QStringList{detail} : QStringList());
    QCOMPARE(f.screen().notices(), QStringList());
    QCOMPARE(visiblePages(f.main()), (QList<int>{0, 5, 6}));
    QCOMPARE(currentUser(f.main()), Administrator);
}

void tst_users::failedPasswordStoreTold_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("read-only books") << "read-only";
    QTest::newRow("another program writing") << "in use";
}

void tst_users::failedPasswordStoreTold()
{
    QFETCH(QString, fault);
    ProgramFixture f;
    setStoredPassword(f, QStringLiteral("修改"), QStringLiteral("old"));
    f.loginAsAdministrator();
    BooksFault failing(f, fault);
    passwordControl<QLineEdit>(f, "Edit2")->setText(QStringLiteral("new"));
    f.screen().answer(true);

    passwordControl<QPushButton>(f, "Button11")->click();

    QCOMPARE(f.screen().takeMessages(), QStringList{failing.message(QStringLiteral("密码未能保存"))});
    QCOMPARE(f.screen().takeDetails(), QStringList{failing.detail()});
    failing.lift();
    QCOMPARE(storedPassword(f, QStringLiteral("修改")), QStringLiteral("old"));
}

void tst_users::onlineServiceShowsHowToReachSupport()
{
    ProgramFixture f;
    f.loginAsCashier();
    QString shownPath;
    f.screen().onDialog(QStringLiteral("FormOnlineChat"), [&](QDialog &service) {
        shownPath = service.findChild<QLabel *>(QStringLiteral("Label4"))->text();
        service.findChild<QPushButton *>(QStringLiteral("BitBtn1"))->click();
    });
    f.main().findChild<QToolButton *>(QStringLiteral("SpeedButton4"))->click();
    QVERIFY(f.screen().allUsed());
    QVERIFY2(shownPath.endsWith(QStringLiteral("KalvoraCmp.mdb")), qPrintable(shownPath));
    QVERIFY(f.screen().openedUrls().isEmpty());
}

QTEST_MAIN(tst_users)
#include "tst_users.moc"
