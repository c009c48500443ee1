#include <QApplication>
#include <QComboBox>
#include <QFrame>
#include <QLabel>
#include <QLineEdit>
#include <QMouseEvent>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

#include <sqlite3.h>

#include "support/ProgramFixture.h"
#include "accounts/AccountChanges.h"
#include "accounts/AccountHouses.h"
#include "accounts/AccountsPage.h"
#include "accounts/FormAccount.h"
#include "accounts/FormAccount2.h"
#include "app/FormMain.h"
#include "app/Program.h"
#include "data/ProgramPaths.h"
#include "data/Query.h"
#include "data/Settings.h"
#include "data/ShareDataModule.h"
#include "journal/FormDraw.h"
#include "journal/FormGetPay.h"
#include "support/BooksFault.h"
#include "support/OtherProgram.h"
#include "support/Looks.h"
#include "support/TestEngine.h"
#include "ui/ElidedLabel.h"

namespace {

const QString LongName = QStringLiteral("中国工商银行股份有限公司北京朝阳支行基本存款帐户");

const QString DeleteQuestion = QStringLiteral("删除警告|删除帐户将删除该帐户下所有记录，确实要删除吗？");

// The cashier's view with the account scope `scope`, refreshed as after a login.
void openOverview(ProgramFixture &program, const QString &scope)
{
    WriteSetting(QStringLiteral("Kalvora2"), QStringLiteral("AccountType"), scope, program.settingsPath());
    FormMain &main = program.main();
    main.setLeftPanelEnabled(true);
    main.setPageVisible(FormMain::AccountsTab, true);
    main.setActivePage(FormMain::AccountsTab);
    main.refreshAll();
}

qint64 addAccount(ProgramFixture &program, const QString &name, int type)
{
    return program.insert(QStringLiteral("Account"), {{QStringLiteral("AccountName"), name},
                                                      {QStringLiteral("AccountType"), type}});
}

void addRecord(ProgramFixture &program, qint64 account, double sum, const QDate &day)
{
    program.insert(QStringLiteral("MoneyTable"), {{QStringLiteral("MoneyAccount"), account},
                                                  {QStringLiteral("MoneySum"), sum},
                                                  {QStringLiteral("MoneyCreateTime"), day},
                                                  {QStringLiteral("MoneyRecordTime"), day}});
}

template<typename Widget = QLabel>
Widget *control(ProgramFixture &program, const QString &name)
{
    auto *widget = program.main().findChild<Widget *>(name);
    if (!widget)
        qFatal("no control %s", qPrintable(name));
    return widget;
}

QLabel *houseLabel(ProgramFixture &program, const char *kind, int house)
{
    return control(program, QLatin1String(kind) + QString::number(house));
}

QFrame *panel(ProgramFixture &program, int house)
{
    return control<QFrame>(program, QStringLiteral("AccountPanel%1").arg(house));
}

QStringList shownNames(ProgramFixture &program)
{
    QStringList names;
    for (int house = 1; house <= AccountsPage::HousesPerPage; ++house)
        if (!panel(program, house)->isHidden())
            names.append(houseLabel(program, "AccountName", house)->text());
    return names;
}

QColor ink(const QLabel *label)
{
    return label->palette().color(QPalette::WindowText);
}

QColor panelColour(ProgramFixture &program, int house)
{
    return panel(program, house)->palette().color(QPalette::Window);
}

bool showsPicture(const QLabel *label, const QString &relative)
{
    const QImage expected(ProgramPaths::file(relative));
    return !expected.isNull() && label->pixmap().toImage().convertToFormat(QImage::Format_ARGB32)
        == expected.convertToFormat(QImage::Format_ARGB32);
}

QStringList accountNames(ProgramFixture &program)
{
    Query &rows = program.select(QStringLiteral("Select * From Account Where AccountIndex > 1 Order By AccountIndex"));
    QStringList names;
    for (rows.first(); !rows.eof(); rows.next())
        names.append(rows.fieldText(QStringLiteral("AccountName")) + QLatin1Char('/')
                     + rows.fieldText(QStringLiteral("AccountType")));
    return names;
}

int recordCount(ProgramFixture &program, qint64 account)
{
    return program.select(QStringLiteral("Select * From MoneyTable Where MoneyAccount = %1").arg(account)).recordCount();
}

void click(QDialog &dialog, const char *button)
{
    dialog.findChild<QToolButton *>(QLatin1String(button))->click();
}

void sendMouse(QWidget *widget, QEvent::Type type)
{
    const QPointF inside(3, 3);
    QMouseEvent event(type, inside, widget->mapToGlobal(inside), type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton,
                      type == QEvent::MouseButtonPress ? Qt::LeftButton : Qt::NoButton, Qt::NoModifier);
    QApplication::sendEvent(widget, &event);
}

// The dialog as the cashier fills it: a type picture (0 for none), a name, then 确定; a dialog a check
// kept open is cancelled, after noting in `focused` where the check put the focus.
ScriptedScreen::DialogHandler fillAccount(int typeButton, const QString &name, QString *focused = nullptr)
{
    return [=](QDialog &dialog) {
        dialog.findChild<QLineEdit *>(QStringLiteral("Edit1"))->setText(name);
        if (typeButton)
            click(dialog, typeButton == 1 ? "BitBtn1" : "BitBtn2");
        click(dialog, "SpeedButton1");
        if (dialog.result() == QDialog::Accepted)
            return;
        if (focused && dialog.focusWidget())
            *focused = dialog.focusWidget()->objectName();
        click(dialog, "SpeedButton2");
    };
}

// Opens the window of `name` as its house would and presses `button`; `still` tells whether the
// window was still open after the command, which is then closed with 取消操作.
void pressInAccountWindow(ProgramFixture &program, const QString &name, const char *button, bool *still)
{
    FormAccount2 &window = *program.windows().account2;
    window.DetailAccountName = name;
    window.DetailBalanceText = QStringLiteral("40 元");
    program.screen().onDialog(QStringLiteral("FormAccount2"), [=](QDialog &dialog) {
        dialog.show();
        click(dialog, button);
        *still = dialog.isVisible();
        if (*still)
            click(dialog, "SpeedButton6");
    });
    window.showDetail();
}

// 修改帐户 as the account window runs it once the modification password was given.
bool editAccountAfterPassword(ProgramFixture &program, const QString &oldName)
{
    const Windows &windows = program.windows();
    AccountChanges changes(*windows.data, *windows.account, program.main());
    return changes.EditAccount(oldName);
}

ScriptedScreen::DialogHandler typingPassword(const QString &answer, bool confirm = true)
{
    return [answer, confirm](QDialog &prompt) {
        prompt.findChild<QLineEdit *>(QStringLiteral("Edit1"))->setText(answer);
        prompt.findChild<QPushButton *>(QLatin1String(confirm ? "BitBtn1" : "BitBtn2"))->click();
    };
}

} // namespace

class TestAccounts : public QObject
{
    Q_OBJECT

private slots:
    void houseControlsHaveNamesOfTheirOwn();
    void emptyScopeShowsTheHint();
    void pages_data();
    void pages();
    void refreshReturnsToFirstPage_data();
    void refreshReturnsToFirstPage();
    void housePictureAndColour_data();
    void housePictureAndColour();
    void monthFigureCoversTheWholeMonth();
    void failedStatementEndsTheRefresh_data();
    void failedStatementEndsTheRefresh();
    void houseUnderTheMouseLightsUp();
    void clickOnHouseOpensItsAccount();
    void sumsUseTheAccountDayIndex();
    void longTextsInHousesEndInAnEllipsis();
    void accountWindowOffersItsCommands();
    void accountWindowEntersOnItsAccount_data();
    void accountWindowEntersOnItsAccount();
    void accountWindowTransfersInEveryScope();
    void accountWindowChangesBehindThePassword_data();
    void accountWindowChangesBehindThePassword();

    void newAccount_data();
    void newAccount();
    void newAccountOutsideTheScope();
    void editAccount_data();
    void editAccount();
    void cancelChangesNothing_data();
    void cancelChangesNothing();
    void deleteAccountWithItsRecords();
    void deleteDoesNothing_data();
    void deleteDoesNothing();
    void failedDeletionChangesNothing_data();
    void failedDeletionChangesNothing();
    void failedStoreReportsNoSuccess_data();
    void failedStoreReportsNoSuccess();
    void storeToAStoppedServer_data();
    void storeToAStoppedServer();
    void lateSaveOverAnotherCashiersChange_data();
    void lateSaveOverAnotherCashiersChange();
    void sameNameByTwoCashiers();
    void deletionMeetsARecordStoredMeanwhile_data();
    void deletionMeetsARecordStoredMeanwhile();
    void accountKeyAddedToOlderBooks();
};

// Controls are found by name, so no control of the houses page may share its name with another
// control of the main window (the login tab's Label22, for one); the dialogs are windows of their own.
void TestAccounts::houseControlsHaveNamesOfTheirOwn()
{
    ProgramFixture program;
    FormMain &main = program.main();
    const auto inMainWindow = [&main](const QString &name) {
        const QList<QWidget *> found = main.findChildren<QWidget *>(name);
        return std::count_if(found.begin(), found.end(), [&main](QWidget *w) { return w->window() == &main; });
    };
    QStringList shared;
    for (const QWidget *widget : main.accountsPage()->findChildren<QWidget *>()) {
        const QString name = widget->objectName();
        if (!name.isEmpty() && !name.startsWith(QLatin1String("qt_")) && inMainWindow(name) != 1)
            shared.append(name);
    }
    QCOMPARE(shared, QStringList());
}

void TestAccounts::emptyScopeShowsTheHint()
{
    ProgramFixture program;
    addAccount(program, QStringLiteral("现金"), 2);
    openOverview(program, QStringLiteral("1"));

    QVERIFY(!control(program, QStringLiteral("Image12"))->isHidden());
    QVERIFY(shownNames(program).isEmpty());
    QVERIFY(!control<QPushButton>(program, QStringLiteral("LastPage"))->isEnabled());
    QVERIFY(!control<QPushButton>(program, QStringLiteral("NextPage"))->isEnabled());
    QCOMPARE(program.screen().takeMessages(), QStringList());
}

void TestAccounts::pages_data()
{
    QTest::addColumn<int>("accounts");
    QTest::addColumn<bool>("secondPage");
    QTest::newRow("exactly twelve") << 12 << false;
    QTest::newRow("thirteen") << 13 << true;
}

// Houses follow the order the accounts were created in, twelve to a page.
void TestAccounts::pages()
{
    QFETCH(int, accounts);
    QFETCH(bool, secondPage);
    ProgramFixture program;
    QStringList names;
    for (int i = 1; i <= accounts; ++i) {
        names.append(QStringLiteral("帐户%1").arg(i));
        addAccount(program, names.last(), 1 + i % 2);
    }
    openOverview(program, QStringLiteral("5"));
    auto *last = control<QPushButton>(program, QStringLiteral("LastPage"));
    auto *next = control<QPushButton>(program, QStringLiteral("NextPage"));

    QVERIFY(control(program, QStringLiteral("Image12"))->isHidden());
    QCOMPARE(shownNames(program), names.mid(0, 12));
    QVERIFY(!last->isEnabled());
    QCOMPARE(next->isEnabled(), secondPage);
    if (!secondPage)
        return;

    next->click();
    QCOMPARE(shownNames(program), names.mid(12));
    QVERIFY(last->isEnabled());
    QVERIFY(!next->isEnabled());

    last->click();
    QCOMPARE(shownNames(program), names.mid(0, 12));
    QVERIFY(!last->isEnabled());
}

void TestAccounts::refreshReturnsToFirstPage_data()
{
    QTest::addColumn<bool>("changeScope");
    QTest::newRow("scope chosen") << true;
    QTest::newRow("day stepped") << false;
}

void TestAccounts::refreshReturnsToFirstPage()
{
    QFETCH(bool, changeScope);
    ProgramFixture program;
    for (int i = 1; i <= 13; ++i)
        addAccount(program, QStringLiteral("银行%1").arg(i), 1);
    openOverview(program, QStringLiteral("5"));
    control<QPushButton>(program, QStringLiteral("NextPage"))->click();
    QCOMPARE(shownNames(program), QStringList{QStringLiteral("银行13")});

    if (changeScope)
        openOverview(program, QStringLiteral("1"));
    else
        program.main().stepDay(1);

    QCOMPARE(program.main().accountsPage()->AccountPageIndex, 0);
    QCOMPARE(shownNames(program).size(), 12);
    QCOMPARE(shownNames(program).first(), QStringLiteral("银行1"));
    QVERIFY(!control<QPushButton>(program, QStringLiteral("LastPage"))->isEnabled());
    QVERIFY(control<QPushButton>(program, QStringLiteral("NextPage"))->isEnabled());
}

void TestAccounts::housePictureAndColour_data()
{
    QTest::addColumn<int>("type");
    QTest::addColumn<QList<double>>("sums");
    QTest::addColumn<QString>("picture");
    QTest::addColumn<QString>("balance");
    QTest::addColumn<QString>("typeText");
    QTest::addColumn<bool>("red");
    QTest::newRow("no records") << 1 << QList<double>{} << "Res/Money0.ico" << "0 元" << "银行帐" << false;
    QTest::newRow("nets to zero") << 2 << QList<double>{20, -20} << "Res/Money0.ico" << "0 元" << "现金帐" << false;
    QTest::newRow("small") << 2 << QList<double>{12.5} << "Res/Purple+.ico" << "12.5 元" << "现金帐" << false;
    QTest::newRow("exactly 30000") << 1 << QList<double>{29999.99, 0.01} << "Res/Yellow+.ico" << "30000 元"
                                   << "银行帐" << false;
    QTest::newRow("a cent above 30000") << 1 << QList<double>{30000.01} << "Res/Yellow++.ico" << "30000.01 元"
                                        << "银行帐" << false;
    QTest::newRow("exactly 100000") << 1 << QList<double>{100000} << "Res/Yellow++.ico" << "100000 元" << "银行帐"
                                    << false;
    QTest::newRow("a cent above 100000") << 2 << QList<double>{100000.01} << "Res/Purple+++.ico" << "100000.01 元"
                                         << "现金帐" << false;
    QTest::newRow("personal bank") << 3 << QList<double>{0.1, 0.2} << "Res/Blue+.ico" << "0.3 元" << "个人银行"
                                   << false;
    QTest::newRow("personal cash") << 4 << QList<double>{250000} << "Res/Silver+++.ico" << "250000 元" << "个人现金"
                                   << false;
    QTest::newRow("overdrawn") << 1 << QList<double>{100, -120} << "Res/Money-.ico" << "-20 元" << "银行帐" << true;
}

void TestAccounts::housePictureAndColour()
{
    QFETCH(int, type);
    QFETCH(QList<double>, sums);
    QFETCH(QString, picture);
    QFETCH(QString, balance);
    QFETCH(QString, typeText);
    QFETCH(bool, red);
    ProgramFixture program;
    const qint64 account = addAccount(program, QStringLiteral("测试帐户"), type);
    for (double sum : sums)
        addRecord(program, account, sum, ProgramFixture::Today.addDays(-1));
    openOverview(program, QStringLiteral("7"));

    QCOMPARE(shownNames(program), QStringList{QStringLiteral("测试帐户")});
    QVERIFY2(showsPicture(houseLabel(program, "AccountImage", 1), picture), qPrintable(picture));
    QCOMPARE(houseLabel(program, "AccountMoney", 1)->text(), balance);
    QCOMPARE(houseLabel(program, "AccountMonth", 1)->text(), balance);
    QCOMPARE(houseLabel(program, "AccountType", 1)->text(), typeText);
    const QColor expected = red ? QColor(Qt::red) : QColor(Qt::blue);
    for (const char *kind : {"AccountName", "AccountMoney", "AccountMonth", "AccountType"})
        QCOMPARE(ink(houseLabel(program, kind, 1)), expected);
    // The captions 名称：, 金额：, 当月： keep the window's own ink.
    int captions = 0;
    for (QLabel *label : panel(program, 1)->findChildren<QLabel *>()) {
        if (label->text().endsWith(QStringLiteral("："))) {
            QCOMPARE(ink(label), QApplication::palette().color(QPalette::WindowText));
            ++captions;
        }
    }
    QCOMPARE(captions, 3);
}

// The balance counts records up to the current day, the month figure the whole calendar month.
void TestAccounts::monthFigureCoversTheWholeMonth()
{
    ProgramFixture program;
    const qint64 account = addAccount(program, QStringLiteral("工行"), 1);
    addRecord(program, account, 100, QDate(2026, 11, 30));
    addRecord(program, account, 50, QDate(2026, 12, 1));
    addRecord(program, account, 25, ProgramFixture::Today);
    addRecord(program, account, -30, QDate(2026, 12, 31));
    addRecord(program, account, 1000, QDate(2027, 1, 1));
    openOverview(program, QStringLiteral("1"));

    QCOMPARE(houseLabel(program, "AccountMoney", 1)->text(), QStringLiteral("175 元"));
    QCOMPARE(houseLabel(program, "AccountMonth", 1)->text(), QStringLiteral("45 元"));

    program.main().stepDay(21); // 2026-12-31
    QCOMPARE(houseLabel(program, "AccountMoney", 1)->text(), QStringLiteral("145 元"));
    QCOMPARE(houseLabel(program, "AccountMonth", 1)->text(), QStringLiteral("45 元"));
}

void TestAccounts::failedStatementEndsTheRefresh_data()
{
    QTest::addColumn<QString>("breakage");
    QTest::addColumn<QString>("message");
    QTest::newRow("accounts") << "ALTER TABLE Account RENAME TO Gone" << "刷新帐户房子时出错";
    QTest::newRow("sums") << "ALTER TABLE MoneyTable RENAME TO Gone" << "统计帐户金额时出错";
}

void TestAccounts::failedStatementEndsTheRefresh()
{
    QFETCH(QString, breakage);
    QFETCH(QString, message);
    ProgramFixture program;
    const qint64 account = addAccount(program, QStringLiteral("工行"), 1);
    addRecord(program, account, 10, ProgramFixture::Today);
    openOverview(program, QStringLiteral("1"));
    QCOMPARE(houseLabel(program, "AccountMoney", 1)->text(), QStringLiteral("10 元"));
    QString error;
    QVERIFY2(program.windows().data->execute(breakage, &error), qPrintable(error));

    QVERIFY(!program.main().accountsPage()->RefreshAccountHouses());
    QCOMPARE(program.screen().takeMessages(), QStringList{message});
    QCOMPARE(houseLabel(program, "AccountMoney", 1)->text(), QStringLiteral("10 元"));
    QVERIFY(!control<QPushButton>(program, QStringLiteral("NextPage"))->isEnabled());
}

void TestAccounts::houseUnderTheMouseLightsUp()
{
    ProgramFixture program;
    for (const QString &name : {QStringLiteral("甲"), QStringLiteral("乙"), QStringLiteral("丙")})
        addAccount(program, name, 1);
    openOverview(program, QStringLiteral("1"));
    const QColor resting = panelColour(program, 1);
    QVERIFY(resting != AccountsPage::HighlightColour);

    sendMouse(houseLabel(program, "AccountMoney", 2), QEvent::MouseMove);
    QCOMPARE(panelColour(program, 2), AccountsPage::HighlightColour);
    QCOMPARE(panelColour(program, 1), resting);

    sendMouse(panel(program, 3), QEvent::MouseMove);
    QCOMPARE(panelColour(program, 3), AccountsPage::HighlightColour);
    QCOMPARE(panelColour(program, 2), resting);

    sendMouse(program.main().accountsPage(), QEvent::MouseMove);
    for (int house = 1; house <= 3; ++house)
        QCOMPARE(panelColour(program, house), resting);
}

void TestAccounts::clickOnHouseOpensItsAccount()
{
    ProgramFixture program;
    addAccount(program, QStringLiteral("工行"), 1);
    const qint64 cash = addAccount(program, QStringLiteral("备用金"), 2);
    addRecord(program, cash, 12.5, ProgramFixture::Today);
    openOverview(program, QStringLiteral("5"));
    QString shownName, shownBalance;
    program.screen().onDialog(QStringLiteral("FormAccount2"), [&](QDialog &dialog) {
        shownName = dialog.findChild<QLabel *>(QStringLiteral("Label3"))->text();
        shownBalance = dialog.findChild<QLabel *>(QStringLiteral("Label4"))->text();
        dialog.reject();
    });

    QLabel *picture = houseLabel(program, "AccountImage", 2);
    sendMouse(picture, QEvent::MouseButtonPress);
    sendMouse(picture, QEvent::MouseButtonRelease);

    QVERIFY(program.screen().allUsed());
    QCOMPARE(program.windows().account2->DetailAccountName, QStringLiteral("备用金"));
    QCOMPARE(program.windows().account2->DetailBalanceText, QStringLiteral("12.5 元"));
    QCOMPARE(shownName, QStringLiteral("备用金"));
    QCOMPARE(shownBalance, QStringLiteral("12.5 元"));
}

// A name or an amount too long for its house is never cut through a character: it ends in "…" and the
// house offers the whole text as a tooltip.
void TestAccounts::longTextsInHousesEndInAnEllipsis()
{
    ProgramFixture program;
    const qint64 bank = addAccount(program, LongName, 1);
    addAccount(program, QStringLiteral("现金"), 2);
    addRecord(program, bank, 100000000177.97, ProgramFixture::Today);
    addRecord(program, bank, -100000000354.08, ProgramFixture::Today.addDays(1));
    openOverview(program, QStringLiteral("5"));
    QCOMPARE(shownNames(program), (QStringList{LongName, QStringLiteral("现金")}));

    QCOMPARE(cutLabels(*program.main().accountsPage()), QStringList());
    const auto *name = qobject_cast<ElidedLabel *>(houseLabel(program, "AccountName", 1));
    QVERIFY(name);
    QVERIFY(name->shownText().endsWith(QChar(0x2026)));
    QCOMPARE(name->toolTip(), LongName);
    QCOMPARE(houseLabel(program, "AccountMonth", 1)->text(), QStringLiteral("-176.11 元"));
    const auto *shortName = qobject_cast<ElidedLabel *>(houseLabel(program, "AccountName", 2));
    QCOMPARE(shortName->shownText(), QStringLiteral("现金"));
    QCOMPARE(shortName->toolTip(), QString());
}

// The window of one account: its name and balance whole or ending in "…", its six commands, and
// 取消操作 closing it.
void TestAccounts::accountWindowOffersItsCommands()
{
    ProgramFixture program;
    FormAccount2 &window = *program.windows().account2;
    window.DetailAccountName = LongName;
    window.DetailBalanceText = QStringLiteral("100000000177.97 元");
    QStringList captions, usable, cut;
    QString nameTip;
    program.screen().onDialog(QStringLiteral("FormAccount2"), [&](QDialog &dialog) {
        dialog.show();
        for (int number = 1; number <= 6; ++number) {
            auto *button = dialog.findChild<QToolButton *>(QStringLiteral("SpeedButton%1").arg(number));
            captions.append(button->text());
            if (button->isEnabled())
                usable.append(button->text());
            else
                QCOMPARE(colouredPixels(*button), 0);
            QVERIFY(!button->icon().isNull());
        }
        cut = cutLabels(dialog);
        nameTip = dialog.findChild<QLabel *>(QStringLiteral("Label3"))->toolTip();
        QTest::mouseClick(dialog.findChild<QToolButton *>(QStringLiteral("SpeedButton6")), Qt::LeftButton);
    });
    window.showDetail();

    QVERIFY(program.screen().allUsed());
    QCOMPARE(captions, (QStringList{"收入", "支出", "平调", "当月记录", "修改帐户", "取消操作"}));
    QCOMPARE(usable, captions);
    QCOMPARE(window.result(), int(QDialog::Rejected));
    QVERIFY(!window.isVisible());
    QCOMPARE(cut, QStringList());
    QCOMPARE(nameTip, LongName);
    QCOMPARE(program.screen().takeMessages(), QStringList());
}

void TestAccounts::accountWindowEntersOnItsAccount_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("mode");
    QTest::addColumn<bool>("store");
    QTest::addColumn<double>("stored");
    QTest::newRow("收入 stored") << "SpeedButton1" << int(FormGetPay::NewIncome) << true << 12.3;
    QTest::newRow("支出 stored") << "SpeedButton2" << int(FormGetPay::NewExpense) << true << -12.3;
    QTest::newRow("收入 cancelled") << "SpeedButton1" << int(FormGetPay::NewIncome) << false << 0.0;
    QTest::newRow("支出 cancelled") << "SpeedButton2" << int(FormGetPay::NewExpense) << false << 0.0;
}

// The entry dialog offers only this account, locked; both windows close whatever it did.
void TestAccounts::accountWindowEntersOnItsAccount()
{
    QFETCH(QString, button);
    QFETCH(int, mode);
    QFETCH(bool, store);
    QFETCH(double, stored);
    ProgramFixture program;
    addAccount(program, QStringLiteral("工行"), 1);
    const qint64 cash = addAccount(program, QStringLiteral("备用金"), 2);
    for (int type = 1; type <= 3; ++type)
        program.insert(QStringLiteral("Parameter"), {{QStringLiteral("ParameterType"), type},
                                                     {QStringLiteral("ParameterValue"), QStringLiteral("值%1").arg(type)}});
    openOverview(program, QStringLiteral("5"));
    program.windows().getPay->PresetUser = QStringLiteral("上次的客户");
    QStringList offered;
    int shownMode = -1;
    program.screen().onDialog(QStringLiteral("FormGetPay"), [&](QDialog &entry) {
        shownMode = program.windows().getPay->EntryMode;
        auto *accounts = entry.findChild<QComboBox *>(QStringLiteral("ComboBox1"));
        for (int i = 0; i < accounts->count(); ++i)
            offered.append(accounts->itemText(i));
        QVERIFY(!accounts->isEnabled());
        QCOMPARE(entry.findChild<QLineEdit *>(QStringLiteral("Edit2"))->text(), QString());
        for (const char *list : {"ComboBox2", "ComboBox3", "ComboBox4"})
            entry.findChild<QComboBox *>(QLatin1String(list))->setCurrentIndex(0);
        entry.findChild<QLineEdit *>(QStringLiteral("Edit3"))->setText(QStringLiteral("12.3"));
        entry.findChild<QPushButton *>(QLatin1String(store ? "BitBtn1" : "BitBtn2"))->click();
    });
    bool still = true;
    pressInAccountWindow(program, QStringLiteral("备用金"), button.toLatin1().constData(), &still);

    QVERIFY(!still);
    QCOMPARE(shownMode, mode);
    QCOMPARE(offered, QStringList{QStringLiteral("备用金")});
    QCOMPARE(program.screen().takeMessages(),
             store ? QStringList{QStringLiteral("记录新增成功")} : QStringList());
    QCOMPARE(recordCount(program, cash), store ? 1 : 0);
    if (store)
        QCOMPARE(program.select(QStringLiteral("Select MoneySum From MoneyTable")).fieldNumber(QStringLiteral("MoneySum")),
                 stored);
    QVERIFY(program.screen().allUsed());
}

// The left panel refuses transfers while every account is in view; the account window does not,
// since its source is fixed.
void TestAccounts::accountWindowTransfersInEveryScope()
{
    ProgramFixture program;
    const qint64 bank = addAccount(program, QStringLiteral("工行"), 1);
    const qint64 own = addAccount(program, QStringLiteral("张三"), 3);
    openOverview(program, QStringLiteral("7"));
    QString source;
    program.screen().onDialog(QStringLiteral("FormDraw"), [&](QDialog &draw) {
        auto *from = draw.findChild<QComboBox *>(QStringLiteral("ComboBox1"));
        source = from->isEnabled() ? QString() : from->currentText();
        auto *to = draw.findChild<QComboBox *>(QStringLiteral("ComboBox2"));
        to->setCurrentIndex(to->findText(QStringLiteral("工行")));
        draw.findChild<QLineEdit *>(QStringLiteral("Edit1"))->setText(QStringLiteral("77.7"));
        draw.findChild<QPushButton *>(QStringLiteral("BitBtn1"))->click();
    });
    bool still = true;
    pressInAccountWindow(program, QStringLiteral("张三"), "SpeedButton3", &still);

    QVERIFY(!still);
    QCOMPARE(source, QStringLiteral("张三"));
    QCOMPARE(program.screen().takeMessages(), QStringList{QStringLiteral("平调成功")});
    QCOMPARE(program.select(QStringLiteral("Select MoneySum From MoneyTable Where MoneyAccount = %1").arg(own))
                 .fieldNumber(QStringLiteral("MoneySum")),
             -77.7);
    QCOMPARE(recordCount(program, bank), 1);
    QCOMPARE(program.windows().draw->PresetAccountName, QString());
}

void TestAccounts::accountWindowChangesBehindThePassword_data()
{
    QTest::addColumn<bool>("confirmPrompt");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("newName"); // empty: 删除
    QTest::addColumn<QStringList>("messages");
    QTest::addColumn<bool>("stillOpen");
    QTest::addColumn<QStringList>("stored");
    const QStringList unchanged{"工行/1", "备用金/2"};
    QTest::newRow("prompt cancelled") << false << "" << "建行" << QStringList{} << true << unchanged;
    QTest::newRow("wrong password") << true << "123" << "建行" << QStringList{"密码错误，请重新操作"} << true << unchanged;
    QTest::newRow("name taken") << true << "" << "备用金" << QStringList{"该帐户名已经存在，请重新操作"} << true
                                << unchanged;
    QTest::newRow("renamed") << true << "" << "建行" << QStringList{"帐户　建行　修改成功"} << false
                             << QStringList{"建行/1", "备用金/2"};
    QTest::newRow("deleted") << true << "" << "" << QStringList{"帐户　工行　删除成功"} << false
                             << QStringList{"备用金/2"};
}

void TestAccounts::accountWindowChangesBehindThePassword()
{
    QFETCH(bool, confirmPrompt);
    QFETCH(QString, password);
    QFETCH(QString, newName);
    QFETCH(QStringList, messages);
    QFETCH(bool, stillOpen);
    QFETCH(QStringList, stored);
    ProgramFixture program;
    addAccount(program, QStringLiteral("工行"), 1);
    addAccount(program, QStringLiteral("备用金"), 2);
    openOverview(program, QStringLiteral("5"));
    program.screen().onDialog(QStringLiteral("FormAsk"), typingPassword(password, confirmPrompt));
    const bool reachesDialog = confirmPrompt && password.isEmpty();
    if (reachesDialog && newName.isEmpty()) {
        program.screen().answer(true);
        program.screen().onDialog(QStringLiteral("FormAccount"), [](QDialog &dialog) { click(dialog, "SpeedButton3"); });
    } else if (reachesDialog) {
        program.screen().onDialog(QStringLiteral("FormAccount"), fillAccount(0, newName));
    }
    bool still = false;
    pressInAccountWindow(program, QStringLiteral("工行"), "SpeedButton5", &still);

    QCOMPARE(still, stillOpen);
    QCOMPARE(program.screen().takeMessages(), messages);
    QCOMPARE(accountNames(program), stored);
    QVERIFY(program.screen().allUsed());
}

// Each house costs two sums; in large books they must be index searches, never table scans.
void TestAccounts::sumsUseTheAccountDayIndex()
{
    ProgramFixture program;
    // A server plans by what it knows of the records: on books of a year on twenty accounts, the
    // account-day index must find an account's records, where the day index alone would read every
    // account's records of those days.
    const bool server = TestEngine::onServer();
    if (server) {
        QString error;
        QVERIFY2(ShareDataModule::instance().execute(
                     QStringLiteral("INSERT INTO Account(AccountIndex, AccountName, AccountType) SELECT i, 'A' || i, 1"
                                    " FROM generate_series(2, 21) AS i;"
                                    "INSERT INTO MoneyTable(MoneyAccount, MoneyCreateTime, MoneySum) SELECT 2 + i % 20,"
                                    " DATE '2026-01-01' + i % 365, 12.3 FROM generate_series(1, 2000) AS i;"
                                    "ANALYZE MoneyTable"),
                     &error),
                 qPrintable(error));
    }
    for (const QString &statement : {AccountHouses::balanceStatement(2, ProgramFixture::Today),
                                     AccountHouses::monthStatement(2, ProgramFixture::Today)}) {
        Query &plan = program.select((server ? QStringLiteral("EXPLAIN ") : QStringLiteral("EXPLAIN QUERY PLAN "))
                                     + statement);
        QStringList steps;
        for (plan.first(); !plan.eof(); plan.next())
            steps.append(plan.fieldText(server ? QStringLiteral("QUERY PLAN") : QStringLiteral("detail")));
        QVERIFY2(steps.join(QLatin1Char('\n'))
                     .contains(server ? QStringLiteral(" moneybyaccountday") : QStringLiteral("COVERING INDEX MoneyByAccountDay")),
                 qPrintable(steps.join(QLatin1Char('\n'))));
    }
}

void TestAccounts::newAccount_data()
{
    QTest::addColumn<QString>("existing");
    QTest::addColumn<int>("typeButton");
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QString>("stored"); // name/type of the new row, empty when nothing is stored
    QTest::addColumn<QString>("focus");  // where a failed check leaves the focus
    QTest::newRow("neither type nor name") << "" << 0 << "" << "请先点击图案，选择帐户类型" << "" << "BitBtn1";
    QTest::newRow("no type") << "" << 0 << "工行" << "请先点击图案，选择帐户类型" << "" << "BitBtn1";
    QTest::newRow("no name") << "" << 1 << "" << "帐户名称不得为空" << "" << "Edit1";
    QTest::newRow("bank") << "" << 1 << "工行" << "帐户　工行　新增成功" << "工行/1" << "";
    QTest::newRow("cash") << "" << 2 << "备用金" << "帐户　备用金　新增成功" << "备用金/2" << "";
    QTest::newRow("blanks") << "" << 1 << "  " << "帐户　  　新增成功" << "  /1" << "";
    QTest::newRow("quotes") << "O'Neil" << 2 << "O'Neil's" << "帐户　O'Neil's　新增成功" << "O'Neil's/2" << "";
    QTest::newRow("taken") << "工行" << 2 << "工行" << "该帐户名已经存在，请重新操作" << "" << "";
    QTest::newRow("taken but for Latin case") << "Bank A" << 1 << "bank a" << "该帐户名已经存在，请重新操作" << ""
                                              << "";
    QTest::newRow("pasted NUL") << "前" << 1 << QStringLiteral("前") + QChar(0) + QStringLiteral("后")
                                << "输入的内容含有看不见的空字符（多为粘贴带入），无法保存，请删除后重新输入" << ""
                                << "Edit1";
}

void TestAccounts::newAccount()
{
    QFETCH(QString, existing);
    QFETCH(int, typeButton);
    QFETCH(QString, name);
    QFETCH(QString, message);
    QFETCH(QString, stored);
    QFETCH(QString, focus);
    ProgramFixture program;
    QStringList expected;
    if (!existing.isEmpty()) {
        addAccount(program, existing, 1);
        expected.append(existing + QStringLiteral("/1"));
    }
    openOverview(program, QStringLiteral("5"));
    QString title, focused;
    bool deleteOffered = true;
    program.screen().onDialog(QStringLiteral("FormAccount"), [&](QDialog &dialog) {
        title = dialog.windowTitle();
        deleteOffered = !dialog.findChild<QToolButton *>(QStringLiteral("SpeedButton3"))->isHidden();
        dialog.findChild<QToolButton *>(QStringLiteral("SpeedButton2"))->setFocus();
        fillAccount(typeButton, name, &focused)(dialog);
    });

    control<QToolButton>(program, QStringLiteral("SpeedButton1"))->click();

    QCOMPARE(title, QStringLiteral("新增帐户"));
    QVERIFY(!deleteOffered);
    QCOMPARE(focused, focus);
    QCOMPARE(program.screen().takeMessages(), QStringList{message});
    if (!stored.isEmpty())
        expected.append(stored);
    QCOMPARE(accountNames(program), expected);
    if (!stored.isEmpty())
        QCOMPARE(shownNames(program).last(), name);
    QVERIFY(program.screen().unexpected().isEmpty());
}

void TestAccounts::newAccountOutsideTheScope()
{
    ProgramFixture program;
    openOverview(program, QStringLiteral("1"));
    program.screen().onDialog(QStringLiteral("FormAccount"), fillAccount(2, QStringLiteral("备用金")));

    control<QToolButton>(program, QStringLiteral("SpeedButton1"))->click();

    QCOMPARE(program.screen().takeMessages(), QStringList{QStringLiteral("帐户　备用金　新增成功")});
    QCOMPARE(accountNames(program), QStringList{QStringLiteral("备用金/2")});
    QVERIFY(shownNames(program).isEmpty());
    QVERIFY(!control(program, QStringLiteral("Image12"))->isHidden());

    openOverview(program, QStringLiteral("5"));
    QCOMPARE(shownNames(program), QStringList{QStringLiteral("备用金")});
}

void TestAccounts::editAccount_data()
{
    QTest::addColumn<QString>("oldName");
    QTest::addColumn<int>("storedType");
    QTest::addColumn<int>("typeButton");
    QTest::addColumn<QString>("newName");
    QTest::addColumn<QString>("message");
    QTest::addColumn<bool>("ranToEnd");
    QTest::addColumn<QString>("stored");
    QTest::newRow("rename") << "工行" << 1 << 0 << "建行" << "帐户　建行　修改成功" << true << "建行/1";
    QTest::newRow("retype") << "工行" << 1 << 2 << "工行" << "帐户　工行　修改成功" << true << "工行/2";
    QTest::newRow("unchanged personal bank stays type 3")
        << "张三" << 3 << 0 << "张三" << "帐户　张三　修改成功" << true << "张三/3";
    QTest::newRow("renamed personal cash stays type 4")
        << "零钱" << 4 << 0 << "零用" << "帐户　零用　修改成功" << true << "零用/4";
    QTest::newRow("personal made company cash") << "零钱" << 4 << 2 << "零钱" << "帐户　零钱　修改成功" << true
                                                << "零钱/2";
    QTest::newRow("quotes") << "O'Neil" << 1 << 0 << "O'Neil's" << "帐户　O'Neil's　修改成功" << true
                            << "O'Neil's/1";
    QTest::newRow("only the letter case changes") << "Icbc" << 1 << 0 << "ICBC" << "帐户　ICBC　修改成功" << true
                                                  << "ICBC/1";
    QTest::newRow("name taken") << "工行" << 1 << 2 << "备用金" << "该帐户名已经存在，请重新操作" << false
                                << "工行/1";
    QTest::newRow("name taken but for Latin case")
        << "工行" << 1 << 0 << "PETTY" << "该帐户名已经存在，请重新操作" << false << "工行/1";
}

void TestAccounts::editAccount()
{
    QFETCH(QString, oldName);
    QFETCH(int, storedType);
    QFETCH(int, typeButton);
    QFETCH(QString, newName);
    QFETCH(QString, message);
    QFETCH(bool, ranToEnd);
    QFETCH(QString, stored);
    ProgramFixture program;
    const qint64 account = addAccount(program, oldName, storedType);
    addRecord(program, account, 40, ProgramFixture::Today);
    const QString other = newName == u"PETTY" ? QStringLiteral("petty") : QStringLiteral("备用金");
    addAccount(program, other, 2);
    openOverview(program, QStringLiteral("7"));
    QString title, shownName;
    bool deleteOffered = false;
    program.screen().onDialog(QStringLiteral("FormAccount"), [&](QDialog &dialog) {
        title = dialog.windowTitle();
        shownName = dialog.findChild<QLineEdit *>(QStringLiteral("Edit1"))->text();
        deleteOffered = !dialog.findChild<QToolButton *>(QStringLiteral("SpeedButton3"))->isHidden();
        fillAccount(typeButton, newName)(dialog);
    });

    QCOMPARE(editAccountAfterPassword(program, oldName), ranToEnd);

    QCOMPARE(title, QStringLiteral("修改帐户"));
    QCOMPARE(shownName, oldName);
    QVERIFY(deleteOffered);
    QCOMPARE(program.screen().takeMessages(), QStringList{message});
    QCOMPARE(accountNames(program), (QStringList{stored, other + QStringLiteral("/2")}));
    QCOMPARE(recordCount(program, account), 1);
    QCOMPARE(shownNames(program).first(), stored.section(QLatin1Char('/'), 0, 0));
}

void TestAccounts::cancelChangesNothing_data()
{
    QTest::addColumn<bool>("editing");
    QTest::addColumn<bool>("closeBox");
    QTest::newRow("new, 取消") << false << false;
    QTest::newRow("new, close box") << false << true;
    QTest::newRow("edit, 取消") << true << false;
    QTest::newRow("edit, close box") << true << true;
}

void TestAccounts::cancelChangesNothing()
{
    QFETCH(bool, editing);
    QFETCH(bool, closeBox);
    ProgramFixture program;
    addAccount(program, QStringLiteral("工行"), 1);
    openOverview(program, QStringLiteral("5"));
    program.screen().onDialog(QStringLiteral("FormAccount"), [&](QDialog &dialog) {
        dialog.findChild<QLineEdit *>(QStringLiteral("Edit1"))->setText(QStringLiteral("建行"));
        click(dialog, "BitBtn2");
        if (closeBox)
            dialog.close();
        else
            click(dialog, "SpeedButton2");
    });

    if (editing)
        QVERIFY(!editAccountAfterPassword(program, QStringLiteral("工行")));
    else
        control<QToolButton>(program, QStringLiteral("SpeedButton1"))->click();

    QVERIFY(program.screen().allUsed());
    QCOMPARE(program.screen().takeMessages(), QStringList());
    QCOMPARE(accountNames(program), QStringList{QStringLiteral("工行/1")});
}

// Deleting removes the account and its own records, the other half of a transfer stays; the caller
// reports the name the dialog was opened with, whatever was typed.
void TestAccounts::deleteAccountWithItsRecords()
{
    ProgramFixture program;
    const qint64 bank = addAccount(program, QStringLiteral("工行"), 1);
    const qint64 cash = addAccount(program, QStringLiteral("备用金"), 2);
    addRecord(program, bank, 500, ProgramFixture::Today);
    addRecord(program, bank, -200, ProgramFixture::Today);
    addRecord(program, cash, 200, ProgramFixture::Today);
    addRecord(program, cash, 7, ProgramFixture::Today);
    openOverview(program, QStringLiteral("5"));
    program.screen().answer(true);
    program.screen().onDialog(QStringLiteral("FormAccount"), [&](QDialog &dialog) {
        dialog.findChild<QLineEdit *>(QStringLiteral("Edit1"))->setText(QStringLiteral("别的名字"));
        click(dialog, "SpeedButton3");
    });

    QVERIFY(editAccountAfterPassword(program, QStringLiteral("工行")));

    QCOMPARE(program.screen().questions(), QStringList{DeleteQuestion});
    QCOMPARE(program.screen().takeMessages(), QStringList{QStringLiteral("帐户　工行　删除成功")});
    QCOMPARE(accountNames(program), QStringList{QStringLiteral("备用金/2")});
    QCOMPARE(recordCount(program, bank), 0);
    QCOMPARE(recordCount(program, cash), 2);
    QCOMPARE(shownNames(program), QStringList{QStringLiteral("备用金")});
    QCOMPARE(houseLabel(program, "AccountMoney", 1)->text(), QStringLiteral("207 元"));
}

void TestAccounts::deleteDoesNothing_data()
{
    QTest::addColumn<bool>("vanished");
    QTest::newRow("answered no") << false;
    QTest::newRow("account vanished meanwhile") << true;
}

void TestAccounts::deleteDoesNothing()
{
    QFETCH(bool, vanished);
    ProgramFixture program;
    const qint64 bank = addAccount(program, QStringLiteral("工行"), 1);
    addRecord(program, bank, 500, ProgramFixture::Today);
    openOverview(program, QStringLiteral("5"));
    if (!vanished)
        program.screen().answer(false);
    bool stayedOpen = false;
    program.screen().onDialog(QStringLiteral("FormAccount"), [&](QDialog &dialog) {
        if (vanished) { // with its records: the books keep no record without its account
            QVERIFY(program.select(QStringLiteral("Select * From MoneyTable")).remove());
            QVERIFY(program.select(QStringLiteral("Select * From Account Where AccountName = '工行'")).remove());
        }
        click(dialog, "SpeedButton3");
        stayedOpen = dialog.result() != QDialog::Accepted;
        click(dialog, "SpeedButton2");
    });

    QVERIFY(!editAccountAfterPassword(program, QStringLiteral("工行")));

    QVERIFY(stayedOpen);
    QCOMPARE(program.screen().questions(), vanished ? QStringList() : QStringList{DeleteQuestion});
    QCOMPARE(program.screen().takeMessages(), QStringList());
    QCOMPARE(recordCount(program, bank), vanished ? 0 : 1);
    QVERIFY(program.screen().unexpected().isEmpty());
}

void TestAccounts::failedDeletionChangesNothing_data()
{
    QTest::addColumn<QString>("fault");  // made before the deletion
    QTest::addColumn<QString>("repair"); // undone after it, so that the records can be counted
    QTest::addColumn<QString>("detail");
    QTest::newRow("the second record refuses to go")
        << (TestEngine::onServer()
                ? QStringLiteral("CREATE FUNCTION keep_second() RETURNS trigger LANGUAGE plpgsql AS"
                                 " $$BEGIN RAISE EXCEPTION '记录被锁定'; END$$;"
                                 "CREATE TRIGGER KeepSecond BEFORE DELETE ON MoneyTable FOR EACH ROW"
                                 " WHEN (old.MoneySum = 7) EXECUTE FUNCTION keep_second()")
                : QStringLiteral("CREATE TRIGGER KeepSecond BEFORE DELETE ON MoneyTable WHEN old.MoneySum = 7 "
                                 "BEGIN SELECT RAISE(ABORT, '记录被锁定'); END"))
        << "" << "记录被锁定";
    // A server computes no column while reading a stored row: this fault is the file's only.
    if (!TestEngine::onServer())
        QTest::newRow("the third record cannot be read")
        << "ALTER TABLE MoneyTable ADD COLUMN Checked AS "
           "(Abs(Case When MoneySum = 500 Then -9223372036854775807 - 1 Else 1 End))"
        << "ALTER TABLE MoneyTable DROP COLUMN Checked" << "integer overflow";
}

// A deletion that fails halfway leaves the account and every one of its records as they were.
void TestAccounts::failedDeletionChangesNothing()
{
    QFETCH(QString, fault);
    QFETCH(QString, repair);
    QFETCH(QString, detail);
    ProgramFixture program;
    const qint64 bank = addAccount(program, QStringLiteral("工行"), 1);
    // Read in this order by row number and by the index on account, day and amount alike.
    addRecord(program, bank, -20, ProgramFixture::Today);
    addRecord(program, bank, 7, ProgramFixture::Today);
    addRecord(program, bank, 500, ProgramFixture::Today);
    openOverview(program, QStringLiteral("5"));
    QString error;
    QVERIFY2(program.windows().data->execute(fault, &error), qPrintable(error));
    program.screen().answer(true);
    bool stayedOpen = false;
    program.screen().onDialog(QStringLiteral("FormAccount"), [&](QDialog &dialog) {
        click(dialog, "SpeedButton3");
        stayedOpen = dialog.result() != QDialog::Accepted;
        click(dialog, "SpeedButton2");
    });

    QVERIFY(!editAccountAfterPassword(program, QStringLiteral("工行")));

    QVERIFY(stayedOpen);
    QCOMPARE(program.screen().takeMessages(), QStringList{QStringLiteral("帐户删除失败，帐户及其记录均未改动")});
    QCOMPARE(program.screen().takeDetails(), QStringList{detail});
    if (!repair.isEmpty())
        QVERIFY2(program.windows().data->execute(repair, &error), qPrintable(error));
    QCOMPARE(accountNames(program), QStringList{QStringLiteral("工行/1")});
    QCOMPARE(recordCount(program, bank), 3);
}

// The statement each action of failedStoreReportsNoSuccess fails at.
const char *const Changes[] = {"INSERT", "UPDATE", "DELETE"};

void TestAccounts::failedStoreReportsNoSuccess_data()
{
    QTest::addColumn<int>("action"); // 0 new account, 1 change, 2 deletion
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("what");
    QTest::newRow("new account refused by the books") << 0 << "refused" << "帐户未能保存";
    QTest::newRow("new account while another program writes") << 0 << "in use" << "帐户未能保存";
    QTest::newRow("change on read-only books") << 1 << "read-only" << "帐户未能保存";
    QTest::newRow("deletion on read-only books") << 2 << "read-only" << "帐户删除失败，帐户及其记录均未改动";
}

// No success is reported for an account the books did not take, and the overview shows the books
// as they are.
void TestAccounts::failedStoreReportsNoSuccess()
{
    QFETCH(int, action);
    QFETCH(QString, fault);
    QFETCH(QString, what);
    ProgramFixture program;
    const qint64 bank = addAccount(program, QStringLiteral("工行"), 1);
    addRecord(program, bank, 77 * 12.3, ProgramFixture::Today);
    openOverview(program, QStringLiteral("5"));
    BooksFault failing(program, fault, QStringLiteral("Account"));
    if (action == 2) {
        program.screen().answer(true);
        program.screen().onDialog(QStringLiteral("FormAccount"), [](QDialog &dialog) {
            click(dialog, "SpeedButton3");
            click(dialog, "SpeedButton2");
        });
    } else {
        program.screen().onDialog(QStringLiteral("FormAccount"), fillAccount(2, QStringLiteral("备用金")));
    }

    if (action == 0)
        control<QToolButton>(program, QStringLiteral("SpeedButton1"))->click();
    else
        QVERIFY(!editAccountAfterPassword(program, QStringLiteral("工行")));

    QCOMPARE(program.screen().takeMessages(), QStringList{failing.message(what)});
    QCOMPARE(program.screen().takeDetails(), QStringList{failing.detail(Changes[action])});
    failing.lift();
    QCOMPARE(accountNames(program), QStringList{QStringLiteral("工行/1")});
    QCOMPARE(recordCount(program, bank), 1);
    QCOMPARE(shownNames(program), QStringList{QStringLiteral("工行")});
}

void TestAccounts::storeToAStoppedServer_data()
{
    QTest::addColumn<int>("action"); // 0 new account, 2 deletion
    QTest::newRow("new account") << 0;
    QTest::newRow("deletion") << 2;
}

// The books' server stops while the account dialog is open: 确定 tells that the connection broke off and
// what to do, claims nothing, and the books keep the account as it was.
void TestAccounts::storeToAStoppedServer()
{
    QFETCH(int, action);
    SKIP_ON_FILE("a books file has no server to stop");
    ProgramFixture program;
    const qint64 bank = addAccount(program, QStringLiteral("工行"), 1);
    addRecord(program, bank, 77 * 12.3, ProgramFixture::Today);
    openOverview(program, QStringLiteral("5"));
    const auto reachable = [&](bool on) {
        QString error;
        QVERIFY2(TestEngine::setServerReachable(program.serverBooks(), on, &error), qPrintable(error));
    };
    // A deletion reads the account again before it asks anything, and stops there.
    program.screen().onDialog(QStringLiteral("FormAccount"), [&](QDialog &dialog) {
        reachable(false);
        if (action == 0) {
            fillAccount(2, QStringLiteral("备用金"))(dialog);
            return;
        }
        click(dialog, "SpeedButton3");
        click(dialog, "SpeedButton2");
    });

    if (action == 0)
        control<QToolButton>(program, QStringLiteral("SpeedButton1"))->click();
    else
        QVERIFY(!editAccountAfterPassword(program, QStringLiteral("工行")));
    reachable(true);

    QCOMPARE(program.screen().takeMessages(),
             QStringList{QStringLiteral("与数据库服务器的连接已断开，最后一步操作可能没有保存。"
                                        "请检查网络和服务器，然后重新打开窗口查看数据后再试。")});
    QCOMPARE(accountNames(program), QStringList{QStringLiteral("工行/1")});
    QCOMPARE(recordCount(program, bank), 1);
}

void TestAccounts::lateSaveOverAnotherCashiersChange_data()
{
    QTest::addColumn<QString>("change"); // by the other cashier while the dialog is open
    QTest::addColumn<int>("typeButton");
    QTest::addColumn<QString>("newName");
    QTest::addColumn<QString>("kept");
    QTest::newRow("retyped meanwhile, renamed here") << "UPDATE Account SET AccountType = 2 WHERE AccountName = '工行'" << 0
                                                     << "建行" << "工行/2";
    QTest::newRow("renamed meanwhile, retyped here")
        << "UPDATE Account SET AccountName = '工商银行' WHERE AccountName = '工行'" << 2 << "工行" << "工商银行/1";
}

// The account dialog keeps the account's version from when it showed it: 确定 after another cashier
// changed the account stores nothing and claims nothing.
void TestAccounts::lateSaveOverAnotherCashiersChange()
{
    QFETCH(QString, change);
    QFETCH(int, typeButton);
    QFETCH(QString, newName);
    QFETCH(QString, kept);
    SKIP_ON_FILE("the file keeps no row versions: the later save stores, as on one machine");
    ProgramFixture program;
    addAccount(program, QStringLiteral("备用金"), 2);
    addAccount(program, QStringLiteral("工行"), 1);
    openOverview(program, QStringLiteral("5"));
    program.screen().onDialog(QStringLiteral("FormAccount"), [&](QDialog &dialog) {
        OtherProgram other(program);
        QCOMPARE(other.execute(change.toUtf8().constData()), SQLITE_OK);
        fillAccount(typeButton, newName)(dialog);
    });

    QVERIFY(!editAccountAfterPassword(program, QStringLiteral("工行")));

    QCOMPARE(program.screen().takeMessages(), QStringList{QStringLiteral("帐户未能保存\n该记录已被其他用户修改，请重新打开")});
    QCOMPARE(accountNames(program), (QStringList{QStringLiteral("备用金/2"), kept}));
}

// Two cashiers add the same name, in another letter case, at the same moment: both checks find the
// name free, the books keep the first and the second is told as any taken name.
void TestAccounts::sameNameByTwoCashiers()
{
    SKIP_ON_FILE("one program at a time writes a file: its check before storing suffices");
    ProgramFixture program;
    openOverview(program, QStringLiteral("5"));
    OtherProgram other(program);
    QCOMPARE(other.execute("BEGIN; INSERT INTO Account(AccountName, AccountType) VALUES ('bank a', 2)"), SQLITE_OK);
    other.executeOnceWaitedFor(program, "COMMIT");
    program.screen().onDialog(QStringLiteral("FormAccount"), fillAccount(1, QStringLiteral("Bank A")));

    control<QToolButton>(program, QStringLiteral("SpeedButton1"))->click();

    QCOMPARE(other.finish(), SQLITE_OK);
    QCOMPARE(program.screen().takeMessages(), QStringList{QStringLiteral("该帐户名已经存在，请重新操作")});
    QCOMPARE(accountNames(program), QStringList{QStringLiteral("bank a/2")});
}

void TestAccounts::deletionMeetsARecordStoredMeanwhile_data()
{
    QTest::addColumn<bool>("deletionFirst"); // whose change began first: the other cashier's is the earlier
    QTest::addColumn<QString>("message");
    QTest::addColumn<int>("accounts");       // left afterwards
    QTest::newRow("record stored while the account is deleted")
        << false << "帐户删除失败，帐户及其记录均未改动\n删除期间有新记录写入该帐户，请重试" << 2;
    QTest::newRow("record stored for an account deleted meanwhile") << true << "记录未能保存\n该帐户已被其他用户删除" << 1;
}

// An account deletion and a record stored for that account by another cashier meet half way: one
// side is refused whole, and no record is ever left without its account.
void TestAccounts::deletionMeetsARecordStoredMeanwhile()
{
    QFETCH(bool, deletionFirst);
    QFETCH(QString, message);
    QFETCH(int, accounts);
    SKIP_ON_FILE("one program at a time writes a file");
    ProgramFixture program;
    addAccount(program, QStringLiteral("备用金"), 2);
    const qint64 bank = addAccount(program, QStringLiteral("工行"), 1);
    for (int n = 1; n <= 3; ++n)
        addRecord(program, bank, n * 12.3, ProgramFixture::Today);
    for (int type = 1; type <= 3; ++type)
        program.insert(QStringLiteral("Parameter"), {{QStringLiteral("ParameterType"), type},
                                                     {QStringLiteral("ParameterValue"), QStringLiteral("值%1").arg(type)}});
    openOverview(program, QStringLiteral("5"));
    OtherProgram other(program);
    const QByteArray account = QByteArray::number(bank);
    if (deletionFirst) {
        // The other cashier deletes the account; this one stores a record for it meanwhile.
        QCOMPARE(other.execute("BEGIN; DELETE FROM MoneyTable WHERE MoneyAccount = " + account
                               + "; DELETE FROM Account WHERE AccountIndex = " + account),
                 SQLITE_OK);
        other.executeOnceWaitedFor(program, "COMMIT");
        program.screen().onDialog(QStringLiteral("FormGetPay"), [&](QDialog &entry) {
            for (const char *list : {"ComboBox2", "ComboBox3", "ComboBox4"})
                entry.findChild<QComboBox *>(QLatin1String(list))->setCurrentIndex(0);
            entry.findChild<QLineEdit *>(QStringLiteral("Edit3"))->setText(QStringLiteral("947.1"));
            entry.findChild<QPushButton *>(QStringLiteral("BitBtn1"))->click();
            entry.findChild<QPushButton *>(QStringLiteral("BitBtn2"))->click();
        });
        bool still = true;
        pressInAccountWindow(program, QStringLiteral("工行"), "SpeedButton1", &still);
    } else {
        // The other cashier stores a record for the account; this one deletes the account meanwhile.
        QCOMPARE(other.execute("BEGIN; INSERT INTO MoneyTable(MoneyAccount, MoneySum, MoneyCreateTime) VALUES ("
                               + account + ", 947.1, '2026-12-10')"),
                 SQLITE_OK);
        other.executeOnceWaitedFor(program, "COMMIT");
        program.screen().answer(true);
        program.screen().onDialog(QStringLiteral("FormAccount"), [](QDialog &dialog) {
            click(dialog, "SpeedButton3");
            click(dialog, "SpeedButton2");
        });
        QVERIFY(!editAccountAfterPassword(program, QStringLiteral("工行")));
        QCOMPARE(program.screen().questions(), QStringList{DeleteQuestion});
    }

    QCOMPARE(other.finish(), SQLITE_OK);
    QCOMPARE(program.screen().takeMessages(), QStringList{message});
    program.screen().takeDetails();
    QCOMPARE(accountNames(program).size(), accounts);
    QCOMPARE(recordCount(program, bank), deletionFirst ? 0 : 4);
    QCOMPARE(program.select(QStringLiteral("Select Count(*) As N From MoneyTable Where MoneyAccount Not In "
                                           "(Select AccountIndex From Account)"))
                 .fieldInteger(QStringLiteral("N")),
             0);
}

// Books made before records were tied to their accounts get the tie when the program opens them.
void TestAccounts::accountKeyAddedToOlderBooks()
{
    SKIP_ON_FILE("a file keeps no tie from records to accounts; an account deletion holds the whole file");
    ProgramFixture program;
    {
        OtherProgram other(program);
        QCOMPARE(other.execute("ALTER TABLE MoneyTable DROP CONSTRAINT MoneyAccountExists"), SQLITE_OK);
        // A record an old deletion left behind stays where it is.
        QCOMPARE(other.execute("INSERT INTO MoneyTable(MoneyAccount, MoneySum) VALUES (999, 5)"), SQLITE_OK);
    }
    program.restart();
    QCOMPARE(program.select(QStringLiteral("Select Count(*) As N From MoneyTable")).fieldInteger(QStringLiteral("N")), 1);
    OtherProgram other(program);
    QCOMPARE(other.number("SELECT count(*) FROM pg_constraint WHERE conname = 'moneyaccountexists'"), 1);
    QCOMPARE(other.execute("INSERT INTO MoneyTable(MoneyAccount, MoneySum) VALUES (998, 5)"), SQLITE_ERROR);
    QCOMPARE(other.number("SELECT count(*) FROM MoneyTable"), 1);
}

QTEST_MAIN(TestAccounts)
#include "tst_accounts.moc"
