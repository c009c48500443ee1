#include <QApplication>
#include <QComboBox>
#include <QDateEdit>
#include <QDeadlineTimer>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>
#include <functional>

#include <sqlite3.h>

#include "accounts/AccountsPage.h"
#include "app/FormMain.h"
#include "app/Program.h"
#include "data/Helpers.h"
#include "data/JetSql.h"
#include "data/MonthTotals.h"
#include "data/postgres/PgEngine.h"
#include "data/Query.h"
#include "data/Settings.h"
#include "data/ShareDataModule.h"
#include "grid/DataGrid.h"
#include "journal/FormDraw.h"
#include "journal/FormGetPay.h"
#include "journal/JournalPage.h"
#include "reports/ReportsPage.h"
#include "support/BooksFault.h"
#include "support/ChildProgram.h"
#include "support/OtherProgram.h"
#include "support/Looks.h"
#include "ui/ElidedComboBox.h"
#include "support/ProgramFixture.h"
#include "support/TestEngine.h"

namespace {

const QString NewGet = QStringLiteral("记录新增成功");
const QString BadFormat = QStringLiteral("金额格式有误，请重新输入");
const QString BadDecimals = QStringLiteral("金额内容可能有误，请重新输入");
const QString LostConnection = QStringLiteral(
    "与数据库服务器的连接已断开，最后一步操作可能没有保存。请检查网络和服务器，然后重新打开窗口查看数据后再试。");

// A cashier's books: a bank and a cash account of the company, one personal account outside the
// company ledger, the three settings lists, and the scope written as the login would leave it.
struct Books
{
    ProgramFixture program;
    qint64 bank = 0;
    qint64 cash = 0;
    qint64 personal = 0;

    explicit Books(const QString &scope = QStringLiteral("5"))
    {
        if (!scope.isNull())
            setScope(scope);
        bank = account(QStringLiteral("工行"), 1);
        cash = account(QStringLiteral("现金"), 2);
        personal = account(QStringLiteral("私人"), 3);
        for (const auto &[type, value] : QList<std::pair<int, QString>>{{1, QStringLiteral("销售收入")},
                                                                     {1, QStringLiteral("办公费用")},
                                                                     {2, QStringLiteral("货款")},
                                                                     {2, QStringLiteral("杂项")},
                                                                     {3, QStringLiteral("发票")},
                                                                     {3, QStringLiteral("收据")}})
            program.insert(QStringLiteral("Parameter"),
                           {{QStringLiteral("ParameterType"), type}, {QStringLiteral("ParameterValue"), value}});
        program.main().setLeftPanelEnabled(true);
        program.main().refreshAll();
    }

    void setScope(const QString &scope)
    {
        WriteSetting(QStringLiteral("Kalvora2"), QStringLiteral("AccountType"), scope, program.settingsPath());
    }

    qint64 account(const QString &name, int type)
    {
        return program.insert(QStringLiteral("Account"),
                              {{QStringLiteral("AccountName"), name}, {QStringLiteral("AccountType"), type}});
    }

    qint64 record(qint64 account, const QDate &day, double sum, const QString &reason = QStringLiteral("销售收入"))
    {
        return program.insert(QStringLiteral("MoneyTable"),
                              {{QStringLiteral("MoneyAccount"), account},
                               {QStringLiteral("MoneyCreateTime"), day},
                               {QStringLiteral("MoneyRecordTime"), QDate(2026, 1, 1)},
                               {QStringLiteral("MoneySum"), sum},
                               {QStringLiteral("MoneyReason"), reason},
                               {QStringLiteral("MoneyType"), QStringLiteral("货款")},
                               {QStringLiteral("MoneyToken"), QStringLiteral("发票")},
                               {QStringLiteral("MoneyUser"), QStringLiteral("老客户")}});
    }

    int recordCount()
    {
        return int(program.select(QStringLiteral("Select Count(*) As N From MoneyTable")).fieldInteger(QStringLiteral("N")));
    }

    Query &stored(qint64 index)
    {
        return program.select(QStringLiteral("Select * From MoneyTable Where MoneyIndex = ") + QString::number(index));
    }

    QString label(const char *name)
    {
        return program.main().journalPage()->findChild<QLabel *>(QLatin1String(name))->text();
    }

    DataGrid &grid() { return *program.main().journalPage()->DBGridEh1(); }
};

// The entry dialog as the user sees it while a test plays the user.
struct Entry
{
    QDialog &dialog;

    QLineEdit *edit(const char *name) const { return dialog.findChild<QLineEdit *>(QLatin1String(name)); }
    QComboBox *list(const char *name) const { return dialog.findChild<QComboBox *>(QLatin1String(name)); }
    QPushButton *button(const char *name) const { return dialog.findChild<QPushButton *>(QLatin1String(name)); }
    QDateEdit *date() const { return dialog.findChild<QDateEdit *>(QStringLiteral("DateTimePicker1")); }
    QStringList items(const char *name) const
    {
        QStringList texts;
        for (int i = 0; i < list(name)->count(); ++i)
            texts.append(list(name)->itemText(i));
        return texts;
    }
    QString focus() const { return dialog.focusWidget() ? dialog.focusWidget()->objectName() : QString(); }
    void confirm() const { button("BitBtn1")->click(); }
    void remove() const { button("BitBtn3")->click(); }
};

using Steps = std::function<void(const Entry &)>;

// Whether `text` fits column `column` of the grid without being cut: the cell less its grid line and
// the text margins of the grid's style.
bool fitsColumn(DataGrid &grid, const QString &text, int column)
{
    const int margin = grid.style()->pixelMetric(QStyle::PM_FocusFrameHMargin, nullptr, &grid) + 1;
    return grid.fontMetrics().horizontalAdvance(text) <= grid.columnWidth(column) - 1 - 2 * margin;
}

QAction *mainAction(Books &books, const char *name)
{
    return books.program.main().findChild<QAction *>(QLatin1String(name));
}

void clickDayButton(Books &books, const char *name)
{
    books.program.main().findChild<QToolButton *>(QLatin1String(name))->click();
}

// Shows the entry dialog in `mode` as a caller would; `steps` plays the user.
int showEntry(Books &books, int mode, const Steps &steps, int index = 0)
{
    FormGetPay &dialog = *books.program.windows().getPay;
    dialog.EntryMode = mode;
    dialog.EntryIndex = index;
    books.program.screen().onDialog(QStringLiteral("FormGetPay"), [&steps](QDialog &shown) {
        shown.show();
        steps(Entry{shown});
        shown.hide();
    });
    return dialog.showModal();
}

// Shows the transfer dialog as a caller would, with `preset` as the locked source; `steps` plays the user.
int showDraw(Books &books, const Steps &steps, const QString &preset = QString())
{
    FormDraw &dialog = *books.program.windows().draw;
    dialog.PresetAccountName = preset;
    books.program.screen().onDialog(QStringLiteral("FormDraw"), [&steps](QDialog &shown) {
        shown.show();
        steps(Entry{shown});
        shown.hide();
    });
    return dialog.showModal();
}

// Fills a transfer the way the user does; an empty name leaves that list without a selection.
void fillTransfer(const Entry &entry, const QString &from, const QString &to, const QString &amount)
{
    if (entry.list("ComboBox1")->isEnabled())
        entry.list("ComboBox1")->setCurrentIndex(entry.list("ComboBox1")->findText(from));
    entry.list("ComboBox2")->setCurrentIndex(entry.list("ComboBox2")->findText(to));
    entry.edit("Edit1")->setText(amount);
}

const QString Transferred = QStringLiteral("平调成功");

// The kill test's child transfers on the books of the test cluster named in this variable.
constexpr char ChildBooksVariable[] = "KALVORA_TEST_CHILD_BOOKS";

// As the kill test's child: a second program on the test's server books transfers 947.1 from the
// bank to cash through the transfer dialog, and nothing else.
int transferAsChild()
{
    ProgramFixture program(ChildProgram::value(ChildBooksVariable));
    WriteSetting(QStringLiteral("Kalvora2"), QStringLiteral("AccountType"), QStringLiteral("5"), program.settingsPath());
    program.screen().onDialog(QStringLiteral("FormDraw"), [](QDialog &shown) {
        const Entry entry{shown};
        fillTransfer(entry, QStringLiteral("工行"), QStringLiteral("现金"), QStringLiteral("947.1"));
        entry.confirm();
    });
    return program.windows().draw->showModal() == QDialog::Accepted ? 0 : 1;
}

// The controls that have the focus in `entry` as the user presses Tab `presses` times, starting in the
// control named `first`.
QStringList tabStops(const Entry &entry, const char *first, int presses)
{
    entry.dialog.findChild<QWidget *>(QLatin1String(first))->setFocus();
    QStringList stops{entry.focus()};
    for (int press = 0; press < presses; ++press) {
        QTest::keyClick(entry.dialog.focusWidget(), Qt::Key_Tab);
        stops.append(entry.focus());
    }
    return stops;
}

const QString Corrected = QStringLiteral("记录修改成功");
const QString NoRecordNumber
    = QStringLiteral("显示字段中没有记录号，无法打开记录。请在设置文件的显示字段（ReportFields）中加入 MoneyIndex。");

// A record grid that corrections start from: "daily" is the daily journal's (修改记录), "report" the
// report grid over every record in scope (a double-click), each on its tab on screen.
struct CorrectionGrid
{
    FormMain &main;
    QString which;

    DataGrid &grid() const
    {
        return which == u"daily" ? *main.journalPage()->DBGridEh1() : *main.reportsPage()->DBGridEh2();
    }

    DataGrid &load() const
    {
        const int tab = which == u"daily" ? FormMain::JournalTab : FormMain::ReportsTab;
        main.setPageVisible(tab, true);
        main.setActivePage(tab);
        if (which == u"daily")
            main.refreshAll();
        else
            main.reportsPage()->LoadReportGrid();
        return grid();
    }

    // Makes the row of record `index` the current one, as a click on it does.
    void select(qint64 index) const
    {
        DataGrid &shown = grid();
        const int column = shown.query()->fieldIndex(QStringLiteral("MoneyIndex"));
        for (int row = 0; row < shown.model().rowCount(); ++row)
            if (shown.model().value(row, column).toLongLong() == index)
                return shown.setCurrentIndex(shown.model().index(row, 0));
        QFAIL("the record is not in the grid");
    }

    void startCorrection() const
    {
        if (which == u"daily") {
            main.findChild<QAction *>(QStringLiteral("ActionEditMoney"))->trigger();
            return;
        }
        DataGrid &shown = grid();
        QTest::mouseDClick(shown.viewport(), Qt::LeftButton, {}, shown.visualRect(shown.currentIndex()).center());
    }
};

// The data-modification password prompt answered with the delivered empty password.
void acceptPassword(ScriptedScreen &screen)
{
    screen.onDialog(QStringLiteral("FormAsk"),
                    [](QDialog &prompt) { prompt.findChild<QPushButton *>(QStringLiteral("BitBtn1"))->click(); });
}

} // namespace

class JournalTest : public QObject
{
    Q_OBJECT

private slots:
    void amountTexts_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("amount");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("stored");
        QTest::addColumn<double>("sum");

        QTest::newRow("income 12.5") << 0 << "12.5" << NewGet << true << 12.5;
        QTest::newRow("trailing point") << 0 << "12." << NewGet << true << 12.0;
        QTest::newRow("leading point") << 0 << ".5" << NewGet << true << 0.5;
        QTest::newRow("two decimals, expense") << 2 << "100.55" << NewGet << true << -100.55;
        QTest::newRow("zero income") << 0 << "0" << NewGet << true << 0.0;
        QTest::newRow("zero expense stays zero") << 2 << "0" << NewGet << true << 0.0;
        QTest::newRow("empty") << 0 << "" << BadFormat << false << 0.0;
        QTest::newRow("minus sign") << 2 << "-5" << BadFormat << false << 0.0;
        QTest::newRow("thousands separator") << 0 << "1,000" << BadFormat << false << 0.0;
        QTest::newRow("blank") << 0 << "1 000" << BadFormat << false << 0.0;
        QTest::newRow("letter") << 0 << "12a" << BadFormat << false << 0.0;
        QTest::newRow("three decimals") << 0 << "12.345" << BadDecimals << false << 0.0;
        QTest::newRow("three after first point") << 0 << "1.2.3" << BadDecimals << false << 0.0;
        QTest::newRow("two points") << 0 << "1..2" << "“1..2”不是有效的金额，请重新输入" << false << 0.0;
        QTest::newRow("lone point") << 2 << "." << "“.”不是有效的金额，请重新输入" << false << 0.0;
    }

    void amountTexts()
    {
        QFETCH(int, mode);
        QFETCH(QString, amount);
        QFETCH(QString, message);
        QFETCH(bool, stored);
        QFETCH(double, sum);
        Books books;
        QString focus;
        const int result = showEntry(books, mode, [&](const Entry &entry) {
            entry.edit("Edit3")->setText(amount);
            entry.confirm();
            focus = entry.focus();
        });
        QCOMPARE(books.program.screen().takeMessages(), QStringList{message});
        QCOMPARE(result, stored ? QDialog::Accepted : QDialog::Rejected);
        QCOMPARE(books.recordCount(), stored ? 1 : 0);
        if (stored) {
            const double value = books.program.select(QStringLiteral("Select MoneySum From MoneyTable"))
                                     .fieldNumber(QStringLiteral("MoneySum"));
            QCOMPARE(value, sum);
        } else {
            QCOMPARE(focus, QStringLiteral("Edit3"));
        }
    }

    void newRecordStoresEveryField()
    {
        Books books;
        const qint64 quoted = books.account(QStringLiteral("O'Brien's"), 1);
        books.program.insert(QStringLiteral("Parameter"),
                             {{QStringLiteral("ParameterType"), 1}, {QStringLiteral("ParameterValue"), QStringLiteral("客户's 退款")}});
        books.program.main().stepDay(-3);
        const QDate businessDay = ProgramFixture::Today.addDays(-3);

        showEntry(books, FormGetPay::NewExpense, [&](const Entry &entry) {
            QCOMPARE(entry.date()->date(), businessDay);
            QVERIFY(!entry.button("BitBtn3")->isVisible());
            QCOMPARE(entry.focus(), QStringLiteral("Edit1"));
            entry.edit("Edit1")->setText(QStringLiteral("NO-'7"));
            entry.list("ComboBox1")->setCurrentText(QStringLiteral("O'Brien's"));
            entry.edit("Edit2")->setText(QStringLiteral("张三' Or '1'='1"));
            entry.edit("Edit3")->setText(QStringLiteral("88.8"));
            entry.list("ComboBox2")->setCurrentText(QStringLiteral("客户's 退款"));
            entry.list("ComboBox3")->setCurrentText(QStringLiteral("杂项"));
            entry.list("ComboBox4")->setCurrentText(QStringLiteral("收据"));
            entry.edit("Edit4")->setText(QStringLiteral("李四"));
            entry.edit("Edit5")->setText(QStringLiteral("it's paid"));
            entry.confirm();
        });
        QCOMPARE(books.program.screen().takeMessages(), QStringList{NewGet});
        Query &row = books.program.select(QStringLiteral("Select * From MoneyTable"));
        QCOMPARE(row.recordCount(), 1);
        QCOMPARE(row.fieldInteger(QStringLiteral("MoneyAccount")), quoted);
        QCOMPARE(row.fieldDate(QStringLiteral("MoneyRecordTime")), ProgramFixture::Today);
        QCOMPARE(row.fieldDate(QStringLiteral("MoneyCreateTime")), businessDay);
        QCOMPARE(row.fieldText(QStringLiteral("MoneySerial")), QStringLiteral("NO-'7"));
        QCOMPARE(row.fieldText(QStringLiteral("MoneyUser")), QStringLiteral("张三' Or '1'='1"));
        QCOMPARE(row.fieldNumber(QStringLiteral("MoneySum")), -88.8);
        QCOMPARE(row.fieldText(QStringLiteral("MoneyReason")), QStringLiteral("客户's 退款"));
        QCOMPARE(row.fieldText(QStringLiteral("MoneyType")), QStringLiteral("杂项"));
        QCOMPARE(row.fieldText(QStringLiteral("MoneyToken")), QStringLiteral("收据"));
        QCOMPARE(row.fieldText(QStringLiteral("MoneyMan")), QStringLiteral("李四"));
        QCOMPARE(row.fieldText(QStringLiteral("MoneyRemark")), QStringLiteral("it's paid"));
    }

    void checksRunInOrder_data()
    {
        QTest::addColumn<QStringList>("unselected");
        QTest::addColumn<QString>("amount");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");

        QTest::newRow("no account") << QStringList{"ComboBox1", "ComboBox2"} << "x" << "请选择一个帐户" << "ComboBox1";
        QTest::newRow("no kind before the amount") << QStringList{"ComboBox2"} << "x" << "请选择帐款项目" << "ComboBox2";
        QTest::newRow("amount before the category") << QStringList{"ComboBox3"} << "1.234" << BadDecimals << "Edit3";
        QTest::newRow("no category") << QStringList{"ComboBox3", "ComboBox4"} << "5" << "请选择帐款类别" << "ComboBox3";
        QTest::newRow("no voucher") << QStringList{"ComboBox4"} << "5" << "请选择帐款凭证" << "ComboBox4";
    }

    void checksRunInOrder()
    {
        QFETCH(QStringList, unselected);
        QFETCH(QString, amount);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        Books books;
        QString focused;
        const int result = showEntry(books, FormGetPay::NewIncome, [&](const Entry &entry) {
            for (const QString &name : unselected)
                entry.list(qPrintable(name))->setCurrentIndex(-1);
            entry.edit("Edit3")->setText(amount);
            entry.confirm();
            focused = entry.focus();
        });
        QCOMPARE(books.program.screen().takeMessages(), QStringList{message});
        QCOMPARE(focused, focus);
        QCOMPARE(result, QDialog::Rejected);
        QCOMPARE(books.recordCount(), 0);
    }

    void showingPerMode_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("banner");
        QTest::addColumn<bool>("deletable");
        QTest::newRow("new income") << 0 << "NewGet.bmp" << false;
        QTest::newRow("edit income") << 1 << "EditGet.bmp" << true;
        QTest::newRow("new expense") << 2 << "NewPay.bmp" << false;
        QTest::newRow("edit expense") << 3 << "EditPay.bmp" << true;
    }

    void showingPerMode()
    {
        QFETCH(int, mode);
        QFETCH(QString, banner);
        QFETCH(bool, deletable);
        Books books;
        const qint64 index = books.record(books.bank, ProgramFixture::Today, mode == 3 ? -1 : 1);
        showEntry(books, mode, [&](const Entry &entry) {
            const QImage shown = entry.dialog.findChild<QLabel *>(QStringLiteral("Image1"))->pixmap().toImage();
            QCOMPARE(shown.size(), QSize(420, 60));
            QCOMPARE(shown.convertToFormat(QImage::Format_RGB32),
                     QImage(books.program.folder() + QStringLiteral("Res/") + banner).convertToFormat(QImage::Format_RGB32));
            QCOMPARE(entry.button("BitBtn3")->isVisible(), deletable);
            QCOMPARE(entry.dialog.windowTitle(), QStringLiteral("FormGetPay"));
        }, int(index));
    }

    // A long account name in the account list ends in "…" and is offered whole as the tooltip.
    void longAccountNameEndsInAnEllipsis()
    {
        Books books;
        const QString name = QStringLiteral("中国工商银行股份有限公司北京朝阳支行基本存款帐户");
        books.account(name, 1);
        QString shown, tip;
        QStringList cut;
        showEntry(books, FormGetPay::NewIncome, [&](const Entry &entry) {
            auto *accounts = qobject_cast<ElidedComboBox *>(entry.list("ComboBox1"));
            QVERIFY(accounts);
            accounts->setCurrentIndex(accounts->findText(name));
            entry.dialog.grab();
            shown = accounts->shownText();
            tip = accounts->toolTip();
            cut = cutLabels(entry.dialog);
        });
        QVERIFY2(shown.endsWith(QChar(0x2026)) && name.startsWith(shown.chopped(1)), qPrintable(shown));
        QCOMPARE(tip, name);
        QCOMPARE(cut, QStringList());
        QCOMPARE(books.program.screen().takeMessages(), QStringList());
    }

    // The date field is one stop: Tab goes on to 客户名称, Shift+Tab back to the account.
    void dateIsOneTabStop()
    {
        Books books;
        QString afterTab, afterBacktab;
        showEntry(books, FormGetPay::NewIncome, [&](const Entry &entry) {
            entry.date()->setFocus();
            QTest::keyClick(entry.date(), Qt::Key_Tab);
            afterTab = entry.focus();
            entry.date()->setFocus();
            QTest::keyClick(entry.date(), Qt::Key_Backtab);
            afterBacktab = entry.focus();
        });
        QCOMPARE(afterTab, QStringLiteral("Edit2"));
        QCOMPARE(afterBacktab, QStringLiteral("ComboBox1"));

        auto *current = books.program.main().findChild<QDateEdit *>(QStringLiteral("DateTimePicker1"));
        current->setFocus();
        QTest::keyClick(current, Qt::Key_Tab);
        QCOMPARE(books.program.main().focusWidget()->objectName(), QStringLiteral("BitBtn1"));
        QCOMPARE(books.program.screen().takeMessages(), QStringList());
    }

    void tabOrderFollowsTheRows()
    {
        const QStringList order{"Edit1", "ComboBox1", "DateTimePicker1", "Edit2", "Edit3", "ComboBox2", "ComboBox3",
                                "ComboBox4", "Edit4", "Edit5", "BitBtn1", "BitBtn2", "BitBtn3", "Edit1"};
        Books books;
        const qint64 index = books.record(books.bank, ProgramFixture::Today, 5); // 删除 shows for a stored record
        QStringList stops;
        showEntry(books, FormGetPay::EditIncome, [&](const Entry &entry) { stops = tabStops(entry, "Edit1", 13); },
                  int(index));
        QCOMPARE(stops, order);
    }

    void presetsFillOneNewRecord()
    {
        Books books;
        FormGetPay &dialog = *books.program.windows().getPay;
        dialog.PresetUser = QStringLiteral("应收客户");
        dialog.PresetSum = QStringLiteral("66.6");
        dialog.PresetRemark = QStringLiteral("款项入帐");
        showEntry(books, FormGetPay::NewIncome, [&](const Entry &entry) {
            QCOMPARE(entry.edit("Edit2")->text(), QStringLiteral("应收客户"));
            QCOMPARE(entry.edit("Edit3")->text(), QStringLiteral("66.6"));
            QCOMPARE(entry.edit("Edit5")->text(), QStringLiteral("款项入帐"));
            for (const char *list : {"ComboBox1", "ComboBox2", "ComboBox3", "ComboBox4"}) {
                QCOMPARE(entry.list(list)->currentIndex(), 0);
                QVERIFY(!entry.list(list)->currentText().isEmpty());
            }
            entry.edit("Edit1")->setText(QStringLiteral("typed"));
            entry.edit("Edit4")->setText(QStringLiteral("typed"));
        });
        // 收入 on the left panel hands nothing over; nothing typed before survives.
        books.program.screen().onDialog(QStringLiteral("FormGetPay"), [&books](QDialog &shown) {
            const Entry entry{shown};
            QCOMPARE(books.program.windows().getPay->EntryMode, int(FormGetPay::NewIncome));
            for (const char *name : {"Edit1", "Edit2", "Edit3", "Edit4", "Edit5"})
                QCOMPARE(entry.edit(name)->text(), QString());
        });
        mainAction(books, "ActionGet")->trigger();
        QVERIFY(books.program.screen().allUsed());
    }

    void leftPanelStoresIncomeAndExpenseAndRefreshes()
    {
        Books books;
        const auto enter = [&](QAction *action, const QString &amount) {
            books.program.screen().onDialog(QStringLiteral("FormGetPay"), [amount](QDialog &shown) {
                const Entry entry{shown};
                entry.edit("Edit3")->setText(amount);
                entry.confirm();
            });
            action->trigger();
        };
        enter(mainAction(books, "ActionGet"), QStringLiteral("12.5"));
        enter(mainAction(books, "ActionPay"), QStringLiteral("2"));
        QCOMPARE(books.program.screen().takeMessages(), (QStringList{NewGet, NewGet}));
        QCOMPARE(books.label("Label11"), QStringLiteral("共 1 笔～12.5 元"));
        QCOMPARE(books.label("Label12"), QStringLiteral("共 1 笔～2 元"));
        QCOMPARE(books.label("Label8"), QStringLiteral("本日结余：10.5 元"));
        QCOMPARE(books.program.main().accountsPage()->Label19()->text(), QStringLiteral("总金额：10.5 元"));
        QCOMPARE(books.grid().model().rowCount(), 2);
    }

    void presetAccountIsLockedForOneShowing()
    {
        Books books;
        books.program.windows().getPay->PresetAccountName = QStringLiteral("私人"); // outside the company ledger
        showEntry(books, FormGetPay::NewExpense, [&](const Entry &entry) {
            QVERIFY(!entry.list("ComboBox1")->isEnabled());
            QCOMPARE(entry.items("ComboBox1"), QStringList{QStringLiteral("私人")});
            QCOMPARE(entry.list("ComboBox1")->currentText(), QStringLiteral("私人"));
            entry.edit("Edit3")->setText(QStringLiteral("7"));
            entry.confirm();
        });
        QCOMPARE(books.program.select(QStringLiteral("Select MoneyAccount From MoneyTable")).fieldInteger(QStringLiteral("MoneyAccount")),
                 books.personal);
        QCOMPARE(books.program.screen().takeMessages(), QStringList{QStringLiteral("记录新增成功")});
        QCOMPARE(books.program.windows().getPay->PresetAccountName, QString());

        showEntry(books, FormGetPay::NewIncome, [&](const Entry &entry) {
            QVERIFY(entry.list("ComboBox1")->isEnabled());
            QCOMPARE(entry.items("ComboBox1"), (QStringList{QStringLiteral("工行"), QStringLiteral("现金")}));
        });
    }

    void editShowsAndChangesTheStoredRecord()
    {
        Books books;
        const QDate day(2026, 11, 30);
        const qint64 index = books.record(books.bank, day, -30.456);
        const int result = showEntry(books, FormGetPay::EditExpense, [&](const Entry &entry) {
            QCOMPARE(entry.list("ComboBox1")->currentText(), QStringLiteral("工行"));
            QCOMPARE(entry.date()->date(), day);
            QCOMPARE(entry.edit("Edit3")->text(), QStringLiteral("30.46"));
            QCOMPARE(entry.edit("Edit2")->text(), QStringLiteral("老客户"));
            QCOMPARE(entry.list("ComboBox2")->currentText(), QStringLiteral("销售收入"));
            QCOMPARE(entry.list("ComboBox3")->currentText(), QStringLiteral("货款"));
            QCOMPARE(entry.list("ComboBox4")->currentText(), QStringLiteral("发票"));
            entry.list("ComboBox1")->setCurrentText(QStringLiteral("现金"));
            entry.date()->setDate(day.addDays(1));
            entry.edit("Edit3")->setText(QStringLiteral("40"));
            entry.confirm();
        }, int(index));
        QCOMPARE(result, QDialog::Accepted);
        QCOMPARE(books.program.screen().takeMessages(), QStringList{QStringLiteral("记录修改成功")});
        Query &row = books.stored(index);
        QCOMPARE(row.fieldInteger(QStringLiteral("MoneyAccount")), books.cash);
        QCOMPARE(row.fieldNumber(QStringLiteral("MoneySum")), -40.0);
        QCOMPARE(row.fieldDate(QStringLiteral("MoneyCreateTime")), day.addDays(1));
        QCOMPARE(row.fieldDate(QStringLiteral("MoneyRecordTime")), QDate(2026, 1, 1));
        QCOMPARE(books.recordCount(), 1);
    }

    void editOutOfScopeRecordOpensWithoutAccount()
    {
        Books books;
        const qint64 index = books.record(books.personal, ProgramFixture::Today, 5);
        showEntry(books, FormGetPay::EditIncome, [&](const Entry &entry) {
            QCOMPARE(entry.list("ComboBox1")->currentIndex(), -1);
            entry.confirm();
            entry.list("ComboBox1")->setCurrentText(QStringLiteral("工行"));
            entry.confirm();
        }, int(index));
        QCOMPARE(books.program.screen().takeMessages(),
                 (QStringList{QStringLiteral("请选择一个帐户"), QStringLiteral("记录修改成功")}));
        QCOMPARE(books.stored(index).fieldInteger(QStringLiteral("MoneyAccount")), books.bank);
    }

    void removedListValueLeavesNoSelection_data()
    {
        QTest::addColumn<QString>("field");
        QTest::addColumn<QString>("list");
        QTest::addColumn<QString>("message");
        QTest::newRow("kind") << "MoneyReason" << "ComboBox2" << "请选择帐款项目";
        QTest::newRow("category") << "MoneyType" << "ComboBox3" << "请选择帐款类别";
        QTest::newRow("voucher") << "MoneyToken" << "ComboBox4" << "请选择帐款凭证";
    }

    void removedListValueLeavesNoSelection()
    {
        QFETCH(QString, field);
        QFETCH(QString, list);
        QFETCH(QString, message);
        Books books;
        const qint64 index = books.record(books.bank, ProgramFixture::Today, 9);
        Query &row = books.stored(index);
        row.edit();
        row.setField(field, QStringLiteral("已删除的项目"));
        QVERIFY(row.post());
        QString focused;
        const int result = showEntry(books, FormGetPay::EditIncome, [&](const Entry &entry) {
            QCOMPARE(entry.list(qPrintable(list))->currentIndex(), -1);
            entry.confirm();
            focused = entry.focus();
        }, int(index));
        QCOMPARE(result, QDialog::Rejected);
        QCOMPARE(books.program.screen().takeMessages(), QStringList{message});
        QCOMPARE(focused, list);
        QCOMPARE(books.stored(index).fieldText(field), QStringLiteral("已删除的项目"));
    }

    void vanishedWhileShown_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("gone");
        QTest::addColumn<bool>("deleting");
        QTest::addColumn<QString>("message");
        QTest::newRow("record before saving") << 1 << "MoneyTable" << false << "找不到要修改的记录";
        QTest::newRow("record before deleting") << 3 << "MoneyTable" << true << "找不到要删除的记录";
        QTest::newRow("account of a new record") << 0 << "Account" << false << "找不到所需要的帐户";
        QTest::newRow("account of an edited record") << 1 << "Account" << false << "找不到所需要的帐户";
    }

    void vanishedWhileShown()
    {
        QFETCH(int, mode);
        QFETCH(QString, gone);
        QFETCH(bool, deleting);
        QFETCH(QString, message);
        Books books;
        const qint64 index = books.record(books.bank, ProgramFixture::Today, mode == 3 ? -8 : 8);
        const int before = books.recordCount();
        const int result = showEntry(books, mode, [&](const Entry &entry) {
            // An account goes with its records: the books keep no record without its account.
            QVERIFY(books.program.select(QStringLiteral("Select * From MoneyTable")).remove());
            if (gone == u"Account")
                QVERIFY(books.program.select(QStringLiteral("Select * From Account Where AccountName = '工行'")).remove());
            entry.edit("Edit3")->setText(QStringLiteral("3"));
            deleting ? entry.remove() : entry.confirm();
            QVERIFY(entry.dialog.isVisible()); // it stays open
        }, int(index));
        QCOMPARE(result, QDialog::Rejected);
        QCOMPARE(books.program.screen().takeMessages(), QStringList{message});
        QCOMPARE(books.recordCount(), before - 1);
        QVERIFY(books.program.screen().questions().isEmpty());
    }

    void recordGoneBeforeShowingCancels()
    {
        Books books;
        books.program.windows().getPay->EntryMode = FormGetPay::EditIncome;
        books.program.windows().getPay->EntryIndex = 4711;
        QCOMPARE(books.program.windows().getPay->showModal(), int(QDialog::Rejected));
        QCOMPARE(books.program.screen().takeMessages(), QStringList{QStringLiteral("找不到要修改的记录")});
        QVERIFY(books.program.screen().unexpected().isEmpty()); // it never stayed on screen
    }

    void deleteAsksFirst()
    {
        Books books;
        const qint64 index = books.record(books.bank, ProgramFixture::Today, -20);
        books.program.screen().answer(false);
        books.program.screen().answer(true);
        const int result = showEntry(books, FormGetPay::EditExpense, [&](const Entry &entry) {
            entry.remove();
            QCOMPARE(books.recordCount(), 1);
            QVERIFY(entry.dialog.isVisible());
            entry.remove();
        }, int(index));
        QCOMPARE(result, QDialog::Accepted);
        QCOMPARE(books.program.screen().questions(),
                 QStringList(2, QStringLiteral("删除警告|确实要删除该记录吗？")));
        QVERIFY(books.program.screen().takeMessages().isEmpty());
        QCOMPARE(books.recordCount(), 0);
        QCOMPARE(books.label("Label12"), QStringLiteral("共 0 笔～0 元"));
    }

    void failedListStopsTheFilling()
    {
        Books books;
        QString error;
        QVERIFY(ShareDataModule::instance().execute(QStringLiteral("ALTER TABLE Parameter RENAME TO Gone"), &error));
        const int result = showEntry(books, FormGetPay::NewIncome, [&](const Entry &entry) {
            QCOMPARE(entry.items("ComboBox1"), (QStringList{QStringLiteral("工行"), QStringLiteral("现金")}));
            QCOMPARE(entry.list("ComboBox2")->count(), 0);
            entry.edit("Edit3")->setText(QStringLiteral("1"));
            entry.confirm();
        });
        QCOMPARE(result, QDialog::Rejected);
        QCOMPARE(books.program.screen().takeMessages(),
                 (QStringList{QStringLiteral("参数读入失败"), QStringLiteral("请选择一个帐户")}));
        QCOMPARE(books.recordCount(), 0);
    }

    void deleteOnlyForARecordShown_data()
    {
        QTest::addColumn<QString>("breakage");
        QTest::addColumn<QString>("message");
        QTest::newRow("accounts unread") << "ALTER TABLE Account RENAME TO Gone" << "帐户读入失败";
        QTest::newRow("lists unread") << "ALTER TABLE Parameter RENAME TO Gone" << "参数读入失败";
        QTest::newRow("record unread") << "ALTER TABLE MoneyTable RENAME TO Gone" << "帐款读入失败";
    }

    // A showing whose filling stopped offers no 删除: the record it would delete was never shown.
    void deleteOnlyForARecordShown()
    {
        QFETCH(QString, breakage);
        QFETCH(QString, message);
        Books books;
        const qint64 index = books.record(books.bank, ProgramFixture::Today, -77 * 12.3);
        QString error;
        QVERIFY2(ShareDataModule::instance().execute(breakage, &error), qPrintable(error));
        bool deletable = true;
        const int result = showEntry(books, FormGetPay::EditExpense, [&](const Entry &entry) {
            deletable = entry.button("BitBtn3")->isVisible();
            entry.button("BitBtn2")->click();
        }, int(index));
        QCOMPARE(result, QDialog::Rejected);
        QCOMPARE(books.program.screen().takeMessages(), QStringList{message});
        QVERIFY(!deletable);
    }

    void failedStoreReportsNoSuccess_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<bool>("deleting");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("what");
        QTest::newRow("new record refused by the books") << int(FormGetPay::NewIncome) << false << "refused" << "记录未能保存";
        QTest::newRow("change on read-only books") << int(FormGetPay::EditExpense) << false << "read-only" << "记录未能保存";
        QTest::newRow("deletion while another program writes") << int(FormGetPay::EditExpense) << true << "in use"
                                                               << "记录未能删除";
        QTest::newRow("deletion refused by the books") << int(FormGetPay::EditExpense) << true << "refused"
                                                       << "记录未能删除";
    }

    // The failure is told, no success is claimed, the dialog stays open and the books are unchanged.
    void failedStoreReportsNoSuccess()
    {
        QFETCH(int, mode);
        QFETCH(bool, deleting);
        QFETCH(QString, fault);
        QFETCH(QString, what);
        Books books;
        const qint64 kept = books.record(books.bank, ProgramFixture::Today, -77 * 12.3);
        BooksFault failing(books.program, fault, QStringLiteral("MoneyTable"));
        if (deleting)
            books.program.screen().answer(true);
        bool stayedOpen = false;
        const int result = showEntry(books, mode, [&](const Entry &entry) {
            entry.edit("Edit3")->setText(QStringLiteral("5"));
            if (deleting)
                entry.remove();
            else
                entry.confirm();
            stayedOpen = entry.dialog.result() != QDialog::Accepted;
            entry.button("BitBtn2")->click();
        }, int(kept));

        QVERIFY(stayedOpen);
        QCOMPARE(result, QDialog::Rejected);
        QCOMPARE(books.program.screen().takeMessages(), QStringList{failing.message(what)});
        QCOMPARE(books.program.screen().takeDetails(), QStringList{failing.detail()});
        QVERIFY(!books.program.screen().isWaiting());
        failing.lift();
        QCOMPARE(books.recordCount(), 1);
        QCOMPARE(books.stored(kept).fieldNumber(QStringLiteral("MoneySum")), -77 * 12.3);
    }

    // Transfers seeded directly: bank to cash (different types) and bank to a second bank account.
    void dayTotalsLeaveTransfersOut_data()
    {
        QTest::addColumn<QString>("scope");
        QTest::addColumn<QString>("income");
        QTest::addColumn<QString>("expense");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("balance");
        QTest::newRow("company ledger") << "5" << "共 2 笔～100 元" << "共 1 笔～0.4 元" << 8 << "本日结余：99.6 元";
        QTest::newRow("bank book") << "1" << "共 2 笔～100 元" << "共 2 笔～50.4 元" << 7 << "本日结余：49.6 元";
        QTest::newRow("all accounts") << "7" << "共 3 笔～150 元" << "共 2 笔～50.4 元" << 8 << "本日结余：99.6 元";
        // Without the key the counts follow the ledger rule while the accounts are the bank book's.
        QTest::newRow("no scope key") << QString() << "共 2 笔～100 元" << "共 1 笔～0.4 元" << 7 << "本日结余：49.6 元";
    }

    void dayTotalsLeaveTransfersOut()
    {
        QFETCH(QString, scope);
        QFETCH(QString, income);
        QFETCH(QString, expense);
        QFETCH(int, rows);
        QFETCH(QString, balance);
        Books books(scope);
        const QDate today = ProgramFixture::Today;
        const qint64 bank2 = books.account(QStringLiteral("建行"), 1);
        books.record(books.bank, today, 100);
        books.record(books.bank, today, 0); // a record of 0 counts as income
        books.record(books.bank, today, -0.4);
        books.record(books.bank, today, -50, QStringLiteral("帐簿平调"));
        books.record(books.cash, today, 50, QStringLiteral("帐簿平调"));
        books.record(books.bank, today, -30, QStringLiteral("帐户平调"));
        books.record(bank2, today, 30, QStringLiteral("帐户平调"));
        books.record(books.bank, today, 0, QStringLiteral("帐户平调"));
        books.program.main().refreshAll();

        QCOMPARE(books.label("Label11"), income);
        QCOMPARE(books.label("Label12"), expense);
        QCOMPARE(books.label("Label8"), balance);
        // Every record of the day is listed and summed, transfers included.
        QCOMPARE(books.grid().model().rowCount(), rows);
        QCOMPARE(books.grid().footerText(0), QString::number(rows) + QStringLiteral("条"));
        QVERIFY(books.program.screen().takeMessages().isEmpty());
    }

    void transferStoresThePair_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("amount");
        QTest::addColumn<double>("sum");
        QTest::addColumn<QString>("reason");
        QTest::newRow("same account type") << "工行" << "建行" << "77.35" << 77.35 << "帐户平调";
        QTest::newRow("bank to cash") << "工行" << "现金" << "12.3" << 12.3 << "帐簿平调";
        QTest::newRow("amount of 0") << "现金" << "工行" << "0" << 0.0 << "帐簿平调";
        QTest::newRow("names with quotes") << "O'Brien's" << "工行" << ".5" << 0.5 << "帐户平调";
    }

    void transferStoresThePair()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, amount);
        QFETCH(double, sum);
        QFETCH(QString, reason);
        Books books;
        books.account(QStringLiteral("建行"), 1);
        books.account(QStringLiteral("O'Brien's"), 1);
        const qint64 before = books.record(books.bank, ProgramFixture::Today, 3);
        books.program.main().stepDay(-5);
        const QDate businessDay = ProgramFixture::Today.addDays(-2);
        const int result = showDraw(books, [&](const Entry &entry) {
            QCOMPARE(entry.date()->date(), ProgramFixture::Today); // today, not the journal's day
            fillTransfer(entry, from, to, amount);
            entry.date()->setDate(businessDay);
            entry.edit("Edit2")->setText(QStringLiteral("it's moved"));
            entry.confirm();
        });
        QCOMPARE(result, QDialog::Accepted);
        QCOMPARE(books.program.screen().takeMessages(), QStringList{Transferred});

        Query &rows = books.program.select(QStringLiteral("Select * From Account,MoneyTable Where (AccountIndex = MoneyAccount)"
                                                          " And (MoneyIndex > ")
                                                          + QString::number(before) + QStringLiteral(") Order By MoneyIndex"));
        QCOMPARE(rows.recordCount(), 2);
        const QList<std::tuple<QString, double, QString>> expected{
            {from, -sum, QStringLiteral("调出->") + to}, {to, sum, from + QStringLiteral("->调入")}};
        for (const auto &[account, value, user] : expected) {
            QCOMPARE(rows.fieldText(QStringLiteral("AccountName")), account);
            QCOMPARE(rows.fieldNumber(QStringLiteral("MoneySum")), value);
            QCOMPARE(rows.fieldText(QStringLiteral("MoneyUser")), user);
            QCOMPARE(rows.fieldText(QStringLiteral("MoneyReason")), reason);
            QCOMPARE(rows.fieldDate(QStringLiteral("MoneyCreateTime")), businessDay);
            QCOMPARE(rows.fieldDate(QStringLiteral("MoneyRecordTime")), ProgramFixture::Today);
            QCOMPARE(rows.fieldText(QStringLiteral("MoneyRemark")), QStringLiteral("it's moved"));
            for (const char *empty : {"MoneyType", "MoneyToken", "MoneySerial", "MoneyMan"})
                QCOMPARE(rows.fieldText(QLatin1String(empty)), QString());
            rows.next();
        }
    }

    void transferAmountTexts_data()
    {
        QTest::addColumn<QString>("amount");
        QTest::addColumn<QString>("message");
        QTest::newRow("two decimals") << "12.34" << Transferred;
        QTest::newRow("three decimals") << "12.345" << BadDecimals;
        QTest::newRow("empty") << "" << BadFormat;
        QTest::newRow("letter") << "12a" << BadFormat;
        QTest::newRow("minus sign") << "-12" << BadFormat;
        QTest::newRow("two points") << "1..2" << "“1..2”不是有效的金额，请重新输入";
    }

    void transferAmountTexts()
    {
        QFETCH(QString, amount);
        QFETCH(QString, message);
        Books books;
        QString focus;
        const int result = showDraw(books, [&](const Entry &entry) {
            fillTransfer(entry, QStringLiteral("工行"), QStringLiteral("现金"), amount);
            entry.confirm();
            focus = entry.focus();
        });
        QCOMPARE(books.program.screen().takeMessages(), QStringList{message});
        const bool stored = message == Transferred;
        QCOMPARE(result, stored ? QDialog::Accepted : QDialog::Rejected);
        QCOMPARE(books.recordCount(), stored ? 2 : 0);
        if (!stored)
            QCOMPARE(focus, QStringLiteral("Edit1"));
    }

    void transferChecksRunInOrder_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<QString>("to");
        QTest::addColumn<QString>("message");
        QTest::addColumn<QString>("focus");
        QTest::newRow("no source") << "" << "" << "请选择调出帐户" << "ComboBox1";
        QTest::newRow("no target") << "现金" << "" << "请选择调入帐户" << "ComboBox2";
        // The focus stays in the remark, where the user was.
        QTest::newRow("same account, before the amount") << "现金" << "现金" << "调出帐户和调入帐户不能相同" << "Edit2";
    }

    void transferChecksRunInOrder()
    {
        QFETCH(QString, from);
        QFETCH(QString, to);
        QFETCH(QString, message);
        QFETCH(QString, focus);
        Books books;
        QString focused;
        const int result = showDraw(books, [&](const Entry &entry) {
            fillTransfer(entry, from, to, QStringLiteral("1.234"));
            entry.edit("Edit2")->setFocus();
            entry.confirm();
            focused = entry.focus();
        });
        QCOMPARE(result, QDialog::Rejected);
        QCOMPARE(books.program.screen().takeMessages(), QStringList{message});
        QCOMPARE(focused, focus);
        QCOMPARE(books.recordCount(), 0);
    }

    void transferShowingStartsAfresh()
    {
        Books books;
        showDraw(books, [&](const Entry &entry) {
            QCOMPARE(entry.dialog.windowTitle(), QStringLiteral("FormDraw"));
            QCOMPARE(entry.dialog.findChild<QLabel *>(QStringLiteral("Image1"))->pixmap().size(), QSize(420, 60));
            QVERIFY(entry.list("ComboBox1")->isEnabled());
            QCOMPARE(entry.focus(), QStringLiteral("ComboBox1"));
            fillTransfer(entry, QStringLiteral("工行"), QStringLiteral("现金"), QStringLiteral("8"));
            entry.edit("Edit2")->setText(QStringLiteral("typed"));
            entry.date()->setDate(QDate(2026, 1, 1));
        });
        showDraw(books, [&](const Entry &entry) {
            for (const char *list : {"ComboBox1", "ComboBox2"}) {
                QCOMPARE(entry.items(list), (QStringList{QStringLiteral("工行"), QStringLiteral("现金")}));
                QCOMPARE(entry.list(list)->currentIndex(), -1);
            }
            QCOMPARE(entry.edit("Edit1")->text(), QString());
            QCOMPARE(entry.edit("Edit2")->text(), QString());
            QCOMPARE(entry.date()->date(), ProgramFixture::Today);
        });
        QCOMPARE(books.recordCount(), 0);
    }

    // Each press of Tab goes on by one control; the date is one stop, not three.
    void transferTabOrder()
    {
        Books books;
        QStringList stops;
        showDraw(books, [&](const Entry &entry) { stops = tabStops(entry, "DateTimePicker1", 7); });
        QCOMPARE(stops, (QStringList{"DateTimePicker1", "ComboBox1", "ComboBox2", "Edit1", "Edit2", "BitBtn1", "BitBtn2",
                                     "DateTimePicker1"}));
    }

    void presetSourceIsLockedForOneShowing()
    {
        Books books;
        showDraw(books, [&](const Entry &entry) {
            QVERIFY(!entry.list("ComboBox1")->isEnabled());
            QCOMPARE(entry.items("ComboBox1"), QStringList{QStringLiteral("工行")});
            // The target list is the scope's, the preset account included, and never locked.
            QVERIFY(entry.list("ComboBox2")->isEnabled());
            QCOMPARE(entry.items("ComboBox2"), (QStringList{QStringLiteral("工行"), QStringLiteral("现金")}));
            fillTransfer(entry, QString(), QStringLiteral("工行"), QStringLiteral("5"));
            entry.confirm();
            fillTransfer(entry, QString(), QStringLiteral("现金"), QStringLiteral("5"));
            entry.confirm();
        }, QStringLiteral("工行"));
        QCOMPARE(books.program.screen().takeMessages(),
                 (QStringList{QStringLiteral("调出帐户和调入帐户不能相同"), Transferred}));
        QCOMPARE(books.program.windows().draw->PresetAccountName, QString());
        showDraw(books, [&](const Entry &entry) {
            QVERIFY(entry.list("ComboBox1")->isEnabled());
            QCOMPARE(entry.items("ComboBox1"), (QStringList{QStringLiteral("工行"), QStringLiteral("现金")}));
        });
    }

    void leftPanelRefusesTransfersInAllAccounts()
    {
        Books books(QStringLiteral("7"));
        mainAction(books, "ActionDraw")->trigger();
        QCOMPARE(books.program.screen().takeMessages(),
                 QStringList{QStringLiteral("为免出现平调错误，在“所有帐户”状态下不提供平调功能！")});

        // A caller that hands over its account still opens the dialog, with every account of the scope.
        showDraw(books, [&](const Entry &entry) {
            QCOMPARE(entry.items("ComboBox2"),
                     (QStringList{QStringLiteral("工行"), QStringLiteral("现金"), QStringLiteral("私人")}));
        }, QStringLiteral("私人"));

        books.setScope(QStringLiteral("5"));
        books.program.screen().onDialog(QStringLiteral("FormDraw"), [](QDialog &shown) {
            QCOMPARE(Entry{shown}.items("ComboBox1"), (QStringList{QStringLiteral("工行"), QStringLiteral("现金")}));
        });
        mainAction(books, "ActionDraw")->trigger();
        QVERIFY(books.program.screen().allUsed());
        QVERIFY(books.program.screen().takeMessages().isEmpty());
    }

    // The company ledger holds 工行 and 现金; 私人 lies outside it.
    void transferInTheJournal_data()
    {
        QTest::addColumn<QString>("from");
        QTest::addColumn<int>("rows");
        QTest::addColumn<QString>("balance");
        QTest::newRow("both halves in scope") << "现金" << 2 << "本日结余：100 元";
        QTest::newRow("only the incoming half") << "私人" << 1 << "本日结余：177.35 元";
    }

    void transferInTheJournal()
    {
        QFETCH(QString, from);
        QFETCH(int, rows);
        QFETCH(QString, balance);
        Books books;
        books.record(books.cash, ProgramFixture::Today.addDays(-1), 100);
        books.record(books.personal, ProgramFixture::Today.addDays(-1), 500);
        books.program.main().refreshAll();
        showDraw(books, [&](const Entry &entry) {
            fillTransfer(entry, from, QStringLiteral("工行"), QStringLiteral("77.35"));
            entry.confirm();
        }, from == u"私人" ? from : QString());
        QCOMPARE(books.program.screen().takeMessages(), QStringList{Transferred});
        QCOMPARE(books.grid().model().rowCount(), rows);
        QCOMPARE(books.label("Label8"), balance);
        QCOMPARE(books.label("Label11"), QStringLiteral("共 0 笔～0 元"));
        QCOMPARE(books.label("Label12"), QStringLiteral("共 0 笔～0 元"));
    }

    void transferStoresBothOrNeither()
    {
        Books books;
        QString error;
        if (TestEngine::onServer()) {
            QVERIFY2(ShareDataModule::instance().execute(
                         QStringLiteral("CREATE FUNCTION refuse_incoming() RETURNS trigger LANGUAGE plpgsql AS "
                                        "$$BEGIN RAISE EXCEPTION 'incoming refused'; END$$"),
                         &error),
                     qPrintable(error));
            QVERIFY2(ShareDataModule::instance().execute(
                         QStringLiteral("CREATE TRIGGER refuseIncoming BEFORE INSERT ON MoneyTable FOR EACH ROW "
                                        "WHEN (NEW.MoneySum > 0) EXECUTE FUNCTION refuse_incoming()"),
                         &error),
                     qPrintable(error));
        } else {
            QVERIFY2(ShareDataModule::instance().execute(
                         QStringLiteral("CREATE TRIGGER refuseIncoming BEFORE INSERT ON MoneyTable WHEN NEW.MoneySum > 0 "
                                        "BEGIN SELECT RAISE(ABORT, 'incoming refused'); END"),
                         &error),
                     qPrintable(error));
        }
        const int result = showDraw(books, [&](const Entry &entry) {
            fillTransfer(entry, QStringLiteral("工行"), QStringLiteral("现金"), QStringLiteral("77.35"));
            entry.confirm();
            QVERIFY(entry.dialog.isVisible());
            QCOMPARE(books.recordCount(), 0);
            QString dropped;
            QVERIFY(ShareDataModule::instance().execute(
                TestEngine::onServer() ? QStringLiteral("DROP TRIGGER refuseIncoming ON MoneyTable")
                                       : QStringLiteral("DROP TRIGGER refuseIncoming"),
                &dropped));
            entry.confirm(); // the books took no harm: the same transfer goes through now
        });
        QCOMPARE(result, QDialog::Accepted);
        QCOMPARE(books.program.screen().takeMessages(),
                 (QStringList{QStringLiteral("平调没有保存，两个帐户都未改动"), Transferred}));
        QCOMPARE(books.program.screen().takeDetails(), QStringList{QStringLiteral("incoming refused")});
        Query &stored = books.program.select(QStringLiteral("Select Round(Sum(MoneySum),2) As S, Count(*) As N From MoneyTable"));
        QCOMPARE(stored.fieldInteger(QStringLiteral("N")), 2);
        QCOMPARE(stored.fieldNumber(QStringLiteral("S")), 0.0);
    }

    void lateSaveOverAnotherCashiersChange_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<double>("sum");
        QTest::newRow("income") << int(FormGetPay::EditIncome) << 8.5;
        QTest::newRow("expense") << int(FormGetPay::EditExpense) << -8.5;
    }

    // The entry dialog keeps the record's version from when it showed it: 确定 after another cashier
    // changed the record stores nothing, whatever was read again at confirming, and keeps the other's
    // values.
    void lateSaveOverAnotherCashiersChange()
    {
        QFETCH(int, mode);
        QFETCH(double, sum);
        SKIP_ON_FILE("the file keeps no row versions: the later save stores, as on one machine");
        Books books;
        books.record(books.bank, ProgramFixture::Today, 1);
        const qint64 index = books.record(books.bank, ProgramFixture::Today, sum);
        const int result = showEntry(books, mode, [&](const Entry &entry) {
            OtherProgram other(books.program);
            QCOMPARE(other.execute(qPrintable(
                         QStringLiteral("UPDATE MoneyTable SET MoneyRemark = '另一出纳' WHERE MoneyIndex = %1").arg(index))),
                     SQLITE_OK);
            entry.edit("Edit3")->setText(QStringLiteral("947.1"));
            entry.confirm();
            QVERIFY(entry.dialog.isVisible());
        }, int(index));
        QCOMPARE(result, QDialog::Rejected);
        QCOMPARE(books.program.screen().takeMessages(),
                 QStringList{QStringLiteral("记录未能保存\n该记录已被其他用户修改，请重新打开")});
        Query &row = books.stored(index);
        QCOMPARE(row.fieldText(QStringLiteral("MoneyRemark")), QStringLiteral("另一出纳"));
        QCOMPARE(row.fieldNumber(QStringLiteral("MoneySum")), sum);
    }

    // Two cashiers move money between the same two accounts in opposite directions at the same moment:
    // each holds one account's month total and waits for the other's. The server breaks one off; this
    // program runs its transfer again and both transfers are stored whole.
    void oppositeTransfersMeetHalfWay()
    {
        SKIP_ON_FILE("one program at a time writes a file: two transfers never interleave");
        Books books;
        OtherProgram other(books.program);
        const QByteArray bank = QByteArray::number(books.bank), cash = QByteArray::number(books.cash);
        // The other cashier's transfer from cash to bank has stored its first half. It finds itself
        // waiting last, so the server's check breaks this program's transfer off, not the other's.
        QCOMPARE(other.execute("SET deadlock_timeout = '60s'; BEGIN; INSERT INTO MoneyTable(MoneyAccount, MoneySum, "
                               "MoneyCreateTime, MoneyReason) VALUES ("
                               + cash + ", -0.3, '2026-12-10', '帐簿平调')"),
                 SQLITE_OK);
        other.executeOnceWaitedFor(books.program, "INSERT INTO MoneyTable(MoneyAccount, MoneySum, MoneyCreateTime, "
                                                  "MoneyReason) VALUES (" + bank + ", 0.3, '2026-12-10', '帐簿平调');"
                                                  "COMMIT");
        const int result = showDraw(books, [&](const Entry &entry) {
            fillTransfer(entry, QStringLiteral("工行"), QStringLiteral("现金"), QStringLiteral("947.1"));
            entry.confirm();
        });

        QCOMPARE(other.finish(), SQLITE_OK);
        QCOMPARE(result, QDialog::Accepted);
        QCOMPARE(books.program.screen().takeMessages(), QStringList{Transferred});
        Query &bankRows = books.program.select(
            QStringLiteral("Select Count(*) As N, Round(Sum(MoneySum),2) As S From MoneyTable Where MoneyAccount = ")
            + QString::number(books.bank));
        QCOMPARE(bankRows.fieldInteger(QStringLiteral("N")), 2);
        QCOMPARE(bankRows.fieldNumber(QStringLiteral("S")), -946.8);
        QCOMPARE(books.recordCount(), 4);
        // The month totals hold exactly what the records sum to.
        const QByteArray check = MonthTotals::checkStatement(Dialect::Postgres).toUtf8();
        QCOMPARE(other.number("SELECT count(*) FROM (" + check + ") AS differing"), 0);
        QCOMPARE(other.number("SELECT count(*) FROM MoneyMonth WHERE MonthAccount = " + cash
                              + " AND round(MonthSum::numeric, 2) = 946.8"),
                 1);
    }

    // A transfer cut off by kill -9 while its transaction is open, its first record stored and the
    // second waiting: the server keeps neither, and the month totals stay what the records add up to.
    void killedTransferStoresNeither()
    {
        SKIP_ON_FILE("the file's own journal undoing a killed transfer is the books engine's to prove");
        Books books;
        books.record(books.cash, ProgramFixture::Today, 77 * 12.3);
        const QByteArray cash = QByteArray::number(books.cash);
        // Holds cash's month total, which the transfer's incoming record has to change.
        OtherProgram holder(books.program);
        QCOMPARE(holder.execute("BEGIN; SELECT * FROM MoneyMonth WHERE MonthAccount = " + cash + " FOR UPDATE"),
                 SQLITE_OK);
        OtherProgram watcher(books.program);
        const QByteArray waiting = "SELECT pid FROM pg_stat_activity WHERE datname = current_database() "
                                   "AND wait_event_type = 'Lock' AND backend_xid IS NOT NULL";
        qint64 backend = -1;
        ChildProgram child(QStringLiteral("transfer"), {{ChildBooksVariable, books.program.serverBooks()}});
        QVERIFY2(child.waitUntil([&] { return (backend = watcher.number(waiting.constData())) > 0; }),
                 qPrintable(child.errors()));
        QCOMPARE(watcher.number("SELECT count(*) FROM MoneyTable"), 1); // the outgoing half is not seen yet
        child.kill();
        QCOMPARE(holder.execute("ROLLBACK"), SQLITE_OK);
        // The server ends the killed program's session once it finds the program gone.
        const QByteArray alive = "SELECT count(*) FROM pg_stat_activity WHERE pid = " + QByteArray::number(backend);
        const QDeadlineTimer patience(30000);
        while (watcher.number(alive.constData()) != 0 && !patience.hasExpired()) {
        }
        QCOMPARE(watcher.number(alive.constData()), 0);

        QCOMPARE(watcher.number("SELECT count(*) FROM MoneyTable WHERE MoneyReason = '帐簿平调'"), 0);
        QCOMPARE(books.recordCount(), 1);
        const QByteArray check = MonthTotals::checkStatement(Dialect::Postgres).toUtf8();
        QCOMPARE(watcher.number("SELECT count(*) FROM (" + check + ") AS differing"), 0);
        QCOMPARE(watcher.number("SELECT count(*) FROM MoneyMonth WHERE MonthAccount = " + cash
                                + " AND round(MonthSum::numeric, 2) = 947.1"),
                 1);
    }

    void connectionLostWhileShown_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QStringList>("messages");
        QTest::addColumn<int>("stored");
        QTest::newRow("correction") << int(FormGetPay::EditExpense) << QStringList{Corrected} << 1;
        QTest::newRow("new record") << int(FormGetPay::NewExpense) << QStringList{NewGet} << 1;
    }

    // The server ends the program's session (a restart does that) while the entry dialog shows a stored
    // record; 确定 then stores the change exactly once, or tells that the connection was lost and
    // stores nothing. Either way the next statement works.
    void connectionLostWhileShown()
    {
        QFETCH(int, mode);
        QFETCH(QStringList, messages);
        QFETCH(int, stored);
        SKIP_ON_FILE("a books file has no connection to lose");
        Books books;
        books.record(books.bank, ProgramFixture::Today, 1);
        const qint64 index = books.record(books.bank, ProgramFixture::Today, -8.5);
        const qint64 backend
            = books.program.select(QStringLiteral("Select pg_backend_pid() As Pid")).fieldInteger(QStringLiteral("Pid"));
        OtherProgram other(books.program);
        const int result = showEntry(books, mode, [&](const Entry &entry) {
            if (mode == FormGetPay::NewExpense) {
                entry.list("ComboBox1")->setCurrentText(QStringLiteral("工行"));
                entry.list("ComboBox2")->setCurrentText(QStringLiteral("办公费用"));
                entry.list("ComboBox3")->setCurrentText(QStringLiteral("杂项"));
                entry.list("ComboBox4")->setCurrentText(QStringLiteral("收据"));
            }
            QCOMPARE(other.number("SELECT pg_terminate_backend(" + QByteArray::number(backend) + ")::integer"),
                     1);
            entry.edit("Edit3")->setText(QStringLiteral("947.1"));
            entry.confirm();
        }, int(index));
        QCOMPARE(result, QDialog::Accepted);
        QCOMPARE(books.program.screen().takeMessages(), messages);
        QCOMPARE(other.number("SELECT count(*) FROM MoneyTable WHERE MoneySum = -947.1"), stored);
        QCOMPARE(books.recordCount(), 2 + (mode == FormGetPay::NewExpense ? stored : 0));
        const QByteArray check = MonthTotals::checkStatement(Dialect::Postgres).toUtf8();
        QCOMPARE(other.number("SELECT count(*) FROM (" + check + ") AS differing"), 0);
    }

    void saveToAStoppedServer_data()
    {
        QTest::addColumn<QString>("window");
        QTest::addColumn<bool>("midway"); // the server stops while the save waits for another desk, else before 确定
        QTest::newRow("new record") << "new" << false;
        QTest::newRow("correction") << "correction" << false;
        QTest::newRow("transfer") << "transfer" << false;
        QTest::newRow("new record, stopped while stored") << "new" << true;
    }

    // The books' server stops while a dialog is open, or while its save waits for the books: 确定 tells that
    // the connection broke off and what to do, nothing is stored and the dialog stays open.
    void saveToAStoppedServer()
    {
        QFETCH(QString, window);
        QFETCH(bool, midway);
        SKIP_ON_FILE("a books file has no server to stop");
        Books books;
        const qint64 index = books.record(books.bank, ProgramFixture::Today, -8.5);
        OtherProgram other(books.program);
        const auto stop = [&] {
            if (!midway)
                return books.program.setServerReachable(false);
            QString error;
            QVERIFY2(TestEngine::runOnServer(QStringLiteral("ALTER DATABASE %1 ALLOW_CONNECTIONS false")
                                                 .arg(books.program.serverBooks()),
                                             &error),
                     qPrintable(error));
            QCOMPARE(other.execute("BEGIN; LOCK TABLE MoneyMonth IN ACCESS EXCLUSIVE MODE"), SQLITE_OK);
            const qint64 backend = books.program.select(QStringLiteral("Select pg_backend_pid() As Pid"))
                                       .fieldInteger(QStringLiteral("Pid"));
            other.executeOnceWaitedFor(books.program, "SELECT pg_terminate_backend(" + QByteArray::number(backend) + ")");
        };
        bool open = false;
        const Steps steps = [&](const Entry &entry) {
            if (window == u"transfer") {
                fillTransfer(entry, QStringLiteral("工行"), QStringLiteral("现金"), QStringLiteral("947.1"));
            } else {
                if (window == u"new") {
                    entry.list("ComboBox1")->setCurrentText(QStringLiteral("工行"));
                    entry.list("ComboBox2")->setCurrentText(QStringLiteral("办公费用"));
                    entry.list("ComboBox3")->setCurrentText(QStringLiteral("杂项"));
                    entry.list("ComboBox4")->setCurrentText(QStringLiteral("收据"));
                }
                entry.edit("Edit3")->setText(QStringLiteral("947.1"));
            }
            stop();
            entry.confirm();
            open = entry.dialog.isVisible();
        };
        const int result = window == u"transfer"
            ? showDraw(books, steps)
            : showEntry(books, window == u"new" ? FormGetPay::NewExpense : FormGetPay::EditExpense, steps, int(index));
        other.finish();
        other.execute("ROLLBACK");
        books.program.setServerReachable(true);

        QCOMPARE(result, QDialog::Rejected);
        QVERIFY(open);
        QCOMPARE(books.program.screen().takeMessages(), QStringList{LostConnection});
        QCOMPARE(books.recordCount(), 1);
        QCOMPARE(books.stored(index).fieldNumber(QStringLiteral("MoneySum")), -8.5);
    }

    void transferAccountVanished_data()
    {
        QTest::addColumn<QString>("gone");
        QTest::addColumn<QString>("message");
        QTest::newRow("source") << "O'Brien's" << "找不到调出帐户";
        QTest::newRow("target") << "现金" << "找不到调入帐户";
    }

    void transferAccountVanished()
    {
        QFETCH(QString, gone);
        QFETCH(QString, message);
        Books books;
        books.account(QStringLiteral("O'Brien's"), 2);
        const int result = showDraw(books, [&](const Entry &entry) {
            fillTransfer(entry, QStringLiteral("O'Brien's"), QStringLiteral("现金"), QStringLiteral("9"));
            QVERIFY(books.program.select(QStringLiteral("Select * From Account Where AccountName = ") + JetSql::quoted(gone))
                        .remove());
            entry.confirm();
            QVERIFY(entry.dialog.isVisible());
        });
        QCOMPARE(result, QDialog::Rejected);
        QCOMPARE(books.program.screen().takeMessages(), QStringList{message});
        QCOMPARE(books.recordCount(), 0);
    }

    void balancesCarryOverFromDayToDay()
    {
        Books books;
        const QDate today = ProgramFixture::Today;
        books.record(books.bank, today.addDays(-2), 1000);
        books.record(books.cash, today.addDays(-1), -250.5);
        books.record(books.bank, today.addDays(-1), 0.75);
        books.record(books.personal, today.addDays(-1), 5000); // outside the scope
        books.record(books.bank, today, 12.5);

        clickDayButton(books, "BitBtn1");
        QCOMPARE(books.label("Label7"), QStringLiteral("上日结余：1000 元"));
        QCOMPARE(books.label("Label8"), QStringLiteral("本日结余：750.25 元"));
        QCOMPARE(books.label("Label11"), QStringLiteral("共 1 笔～0.75 元"));
        QCOMPARE(books.label("Label12"), QStringLiteral("共 1 笔～250.5 元"));
        const QString yesterdaysEnd = books.label("Label8").mid(5);
        clickDayButton(books, "BitBtn2");
        QCOMPARE(books.label("Label7").mid(5), yesterdaysEnd);
        QCOMPARE(books.label("Label8"), QStringLiteral("本日结余：762.75 元"));

        // A day without records.
        clickDayButton(books, "BitBtn2");
        QCOMPARE(books.label("Label7"), QStringLiteral("上日结余：762.75 元"));
        QCOMPARE(books.label("Label8"), QStringLiteral("本日结余：762.75 元"));
        QCOMPARE(books.label("Label11"), QStringLiteral("共 0 笔～0 元"));
        QCOMPARE(books.label("Label12"), QStringLiteral("共 0 笔～0 元"));
        QCOMPARE(books.grid().model().rowCount(), 0);
        QCOMPARE(books.grid().footerText(0), QStringLiteral("0条"));
        QCOMPARE(books.grid().footerText(5), QStringLiteral("0"));

        // A day picked in the calendar refreshes the journal like the buttons do.
        books.program.main().findChild<QDateEdit *>(QStringLiteral("DateTimePicker1"))->setDate(today.addDays(-2));
        QCOMPARE(books.label("Label7"), QStringLiteral("上日结余：0 元"));
        QCOMPARE(books.label("Label8"), QStringLiteral("本日结余：1000 元"));
    }

    // Another desk stores a record of yesterday while the daily journal reads its figures: they all come
    // from one state of the books, so 上日结余 plus the day's income less its expense is 本日结余.
    void dayFiguresAgreeWhileAnotherDeskStores()
    {
        SKIP_ON_FILE("the other desk's record slips in through the trace of the server connection's statements");
        Books books;
        books.record(books.bank, ProgramFixture::Today.addDays(-1), 77 * 12.3);
        books.record(books.bank, ProgramFixture::Today, 12.3);
        books.record(books.cash, ProgramFixture::Today, -7.7);
        OtherProgram other(books.program);
        const QByteArray late = "INSERT INTO MoneyTable (MoneyAccount, MoneySum, MoneyCreateTime, MoneyReason) VALUES ("
            + QByteArray::number(books.cash) + ", 0.3, '2026-12-09', '销售收入')";
        EngineError error;
        BooksEngine *engine = books.program.windows().data->ADOConnection1(&error);
        QVERIFY2(engine, qPrintable(error.text));
        int stored = 0;
        // Once the balance before the day was read, before the balance after it is.
        PgEngine::trace(*engine, [&](const QByteArray &statement, const QList<QByteArray> &, PgEngine::Protocol) {
            if (statement.contains("TodayDateSum") && stored++ == 0)
                QCOMPARE(other.execute(late.constData()), SQLITE_OK);
        });
        books.program.main().refreshAll();
        PgEngine::trace(*engine, {});

        QCOMPARE(stored, 1);
        QCOMPARE(books.label("Label7"), QStringLiteral("上日结余：947.1 元"));
        QCOMPARE(books.label("Label11"), QStringLiteral("共 1 笔～12.3 元"));
        QCOMPARE(books.label("Label12"), QStringLiteral("共 1 笔～7.7 元"));
        QCOMPARE(books.label("Label8"), QStringLiteral("本日结余：951.7 元"));
        // The next refresh shows the other desk's record.
        books.program.main().refreshAll();
        QCOMPARE(books.label("Label7"), QStringLiteral("上日结余：947.4 元"));
        QCOMPARE(books.label("Label8"), QStringLiteral("本日结余：952 元"));
    }

    void gridColumnsFootersAndRedNegatives()
    {
        Books books;
        books.record(books.bank, ProgramFixture::Today, 12.5);
        books.record(books.cash, ProgramFixture::Today, -0.4);
        books.program.main().refreshAll();
        DataGrid &grid = books.grid();
        const QStringList titles{"记录号", "单据编号", "录入时间", "帐户名", "客户名称", "金额",
                                 "业务员", "收支种类", "类别", "凭证", "备注"};
        const QList<int> widths{50, 60, 70, 90, 100, 60, 48, 60, 40, 40, 128};
        QCOMPARE(grid.columnCount(), titles.size());
        for (int column = 0; column < grid.columnCount(); ++column) {
            QCOMPARE(grid.title(column), titles[column]);
            QCOMPARE(grid.columnWidth(column), widths[column]);
            QCOMPARE(grid.alignment(column), Qt::AlignHCenter);
        }
        QCOMPARE(grid.footerText(0), QStringLiteral("2条"));
        QCOMPARE(grid.footerText(5), QStringLiteral("12.1"));
        QCOMPARE(grid.footer(5).colour, QColor(Qt::blue));
        QCOMPARE(grid.footer(0).alignment, Qt::AlignCenter);
        for (int row = 0; row < 2; ++row) {
            const bool negative = grid.model().value(row, 5).toDouble() < 0;
            QCOMPARE(grid.cellColour(row, 5), negative ? QColor(Qt::red) : QColor(Qt::black));
        }
    }

    void dayGridShowsWholeDatesAndAmounts_data()
    {
        QTest::addColumn<int>("count");
        QTest::addColumn<double>("amount");
        QTest::addColumn<QString>("sum");
        QTest::newRow("77 × 12.3") << 77 << 12.3 << QStringLiteral("947.1");
        QTest::newRow("100 × 0.1") << 100 << 0.1 << QStringLiteral("10");
        QTest::newRow("three payments of 0.1") << 3 << -0.1 << QStringLiteral("-0.3");
        QTest::newRow("a six-digit amount") << 1 << 123456.78 << QStringLiteral("123456.78");
    }

    // The sum footer prints like every amount the user sees, equal to the day's total above the grid;
    // dates, amounts and the footer fit the columns whole.
    void dayGridShowsWholeDatesAndAmounts()
    {
        QFETCH(int, count);
        QFETCH(double, amount);
        QFETCH(QString, sum);
        Books books;
        const QDate day(2026, 12, 28);
        for (int i = 0; i < count; ++i)
            books.record(books.bank, day, amount);
        books.program.main().findChild<QDateEdit *>(QStringLiteral("DateTimePicker1"))->setDate(day);

        DataGrid &grid = books.grid();
        QCOMPARE(grid.model().rowCount(), count);
        QCOMPARE(grid.footerText(0), QString::number(count) + QStringLiteral("条"));
        QCOMPARE(grid.footerText(5), sum);
        const QString dayTotal = amount < 0 ? books.label("Label12") : books.label("Label11");
        QCOMPARE(dayTotal, QStringLiteral("共 %1 笔～%2 元").arg(count).arg(sum.startsWith(u'-') ? sum.mid(1) : sum));

        const QString date = grid.model().data(grid.model().index(0, 2)).toString();
        QCOMPARE(date, QStringLiteral("2026-12-28"));
        QVERIFY2(fitsColumn(grid, date, 2), qPrintable(date));
        const QString shownAmount = grid.model().data(grid.model().index(0, 5)).toString();
        QCOMPARE(shownAmount.toDouble(), amount);
        QVERIFY2(fitsColumn(grid, shownAmount, 5), qPrintable(shownAmount));
        QVERIFY2(fitsColumn(grid, grid.footerText(5), 5), qPrintable(grid.footerText(5)));
        QCOMPARE(books.program.screen().takeMessages(), QStringList());
    }

    // Balances of eleven digits: every label above the grid shows its whole text or ends in "…".
    void largeBalancesShowWhole()
    {
        Books books;
        books.record(books.bank, ProgramFixture::Today.addDays(-1), 100000000000);
        books.record(books.bank, ProgramFixture::Today, 177.97);
        books.record(books.cash, ProgramFixture::Today, 99999999.99);
        books.record(books.cash, ProgramFixture::Today, -99999999.99);
        books.program.main().refreshAll();
        QCOMPARE(books.label("Label7"), QStringLiteral("上日结余：100000000000 元"));
        QCOMPARE(books.label("Label8"), QStringLiteral("本日结余：100000000177.97 元"));
        QCOMPARE(books.label("Label11"), QStringLiteral("共 2 笔～100000177.96 元"));
        QCOMPARE(books.label("Label12"), QStringLiteral("共 1 笔～99999999.99 元"));
        books.program.main().setPageVisible(FormMain::JournalTab, true);
        books.program.main().setActivePage(FormMain::JournalTab);
        QCOMPARE(cutLabels(*books.program.main().journalPage()), QStringList());
        QCOMPARE(books.program.screen().takeMessages(), QStringList());
    }

    void reportFieldsDecideTheColumns_data()
    {
        QTest::addColumn<QString>("fields");
        QTest::addColumn<QStringList>("titles");
        QTest::addColumn<QStringList>("footers");
        QTest::addColumn<QList<int>>("widths");
        QTest::newRow("without MoneySum") << "MoneyIndex,MoneyUser,MoneyRecordTime"
                                          << QStringList{"记录号", "客户名称", "MoneyRecordTime"}
                                          << QStringList{"1条", "", ""} << QList<int>{50, 100, DataGrid::DefaultColumnWidth};
        QTest::newRow("with AccountIndex") << "AccountIndex,MoneySum"
                                           << QStringList{"帐户编号", "金额"}
                                           << QStringList{"", "-0.4"} << QList<int>{60, 60};
    }

    void reportFieldsDecideTheColumns()
    {
        QFETCH(QString, fields);
        QFETCH(QStringList, titles);
        QFETCH(QStringList, footers);
        QFETCH(QList<int>, widths);
        Books books;
        books.record(books.bank, ProgramFixture::Today, -0.4);
        WriteSetting(QStringLiteral("KalvoraSetting"), QStringLiteral("ReportFields"), fields, books.program.settingsPath());
        books.program.main().refreshAll();
        DataGrid &grid = books.grid();
        QStringList shown, footed;
        QList<int> sized;
        for (int column = 0; column < grid.columnCount(); ++column) {
            shown.append(grid.title(column));
            footed.append(grid.footerText(column));
            sized.append(grid.columnWidth(column));
            QCOMPARE(grid.cellColour(0, column) == QColor(Qt::red), grid.fieldName(column) == u"MoneySum");
        }
        QCOMPARE(shown, titles);
        QCOMPARE(footed, footers);
        QCOMPARE(sized, widths);
    }

    void unknownReportFieldLeavesTheGridEmpty()
    {
        Books books;
        books.record(books.bank, ProgramFixture::Today, 3);
        WriteSetting(QStringLiteral("KalvoraSetting"), QStringLiteral("ReportFields"), QStringLiteral("MoneyIndex,MoneyNope"),
                     books.program.settingsPath());
        books.program.main().refreshAll();
        const QStringList messages = books.program.screen().takeMessages();
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages.first().contains(QStringLiteral("ReportFields"))
                     && messages.first().contains(QStringLiteral("MoneyNope")),
                 qPrintable(messages.first()));
        QCOMPARE(books.grid().columnCount(), 0);
        QCOMPARE(books.grid().model().rowCount(), 0);
        QCOMPARE(books.label("Label11"), QStringLiteral("共 1 笔～3 元"));
    }

    // Fields lacking MoneySum, or spelt in another letter case, and rows not first in the grid: the
    // record keeps its kind when confirmed unchanged.
    void correctionKeepsTheStoredKind_data()
    {
        QTest::addColumn<QString>("grid");
        QTest::addColumn<QString>("fields");
        QTest::addColumn<double>("amount");
        QTest::addColumn<int>("mode");
        const QString withoutSum = QStringLiteral("MoneyIndex,AccountName,MoneyUser");
        QTest::newRow("daily journal without the amount") << "daily" << withoutSum << -85.5 << int(FormGetPay::EditExpense);
        QTest::newRow("report grid without the amount") << "report" << withoutSum << -85.5 << int(FormGetPay::EditExpense);
        QTest::newRow("report grid, fields in lower case")
            << "report" << "moneyindex,moneysum,accountname" << -85.5 << int(FormGetPay::EditExpense);
        QTest::newRow("report grid, income") << "report" << QString() << 12.3 << int(FormGetPay::EditIncome);
        QTest::newRow("report grid, amount of 0") << "report" << QString() << 0.0 << int(FormGetPay::EditIncome);
        QTest::newRow("daily journal, income") << "daily" << QString() << 12.3 << int(FormGetPay::EditIncome);
    }

    void correctionKeepsTheStoredKind()
    {
        QFETCH(QString, grid);
        QFETCH(QString, fields);
        QFETCH(double, amount);
        QFETCH(int, mode);
        Books books;
        if (!fields.isNull())
            WriteSetting(QStringLiteral("KalvoraSetting"), QStringLiteral("ReportFields"), fields, books.program.settingsPath());
        books.record(books.bank, ProgramFixture::Today, 250);
        books.record(books.cash, ProgramFixture::Today, -40);
        const qint64 chosen = books.record(books.bank, ProgramFixture::Today, amount);
        const CorrectionGrid correction{books.program.main(), grid};
        correction.load();
        correction.select(chosen);

        acceptPassword(books.program.screen());
        int opened = -1;
        QString shown;
        books.program.screen().onDialog(QStringLiteral("FormGetPay"), [&](QDialog &dialog) {
            const Entry entry{dialog};
            opened = books.program.windows().getPay->EntryMode;
            shown = entry.edit("Edit3")->text();
            entry.confirm();
        });
        correction.startCorrection();
        QVERIFY(books.program.screen().allUsed());
        QCOMPARE(books.program.screen().takeMessages(), QStringList{Corrected});
        QCOMPARE(opened, mode);
        QCOMPARE(shown, RoundToText(qAbs(amount)));
        QCOMPARE(books.stored(chosen).fieldNumber(QStringLiteral("MoneySum")), amount);
    }

    void correctionNeedsTheRecordNumber_data()
    {
        QTest::addColumn<QString>("grid");
        QTest::newRow("daily journal") << "daily";
        QTest::newRow("report grid") << "report";
    }

    // Without MoneyIndex among the fields no row can be opened: the user learns why, and no password
    // is asked.
    void correctionNeedsTheRecordNumber()
    {
        QFETCH(QString, grid);
        Books books;
        WriteSetting(QStringLiteral("KalvoraSetting"), QStringLiteral("ReportFields"), QStringLiteral("MoneySerial,MoneySum"),
                     books.program.settingsPath());
        for (double amount : {250.0, -40.0, -85.5})
            books.record(books.bank, ProgramFixture::Today, amount);
        const CorrectionGrid correction{books.program.main(), grid};
        DataGrid &shown = correction.load();
        QCOMPARE(shown.model().rowCount(), 3);
        shown.setCurrentIndex(shown.model().index(2, 0));
        correction.startCorrection();
        QCOMPARE(books.program.screen().takeMessages(), QStringList{NoRecordNumber});
        QCOMPARE(books.program.screen().unexpected(), QStringList());
    }

    void correctionOfAVanishedRecord_data()
    {
        QTest::addColumn<QString>("grid");
        QTest::newRow("daily journal") << "daily";
        QTest::newRow("report grid") << "report";
    }

    // Deleted after the grid was read: the existing message, and nothing is stored.
    void correctionOfAVanishedRecord()
    {
        QFETCH(QString, grid);
        Books books;
        books.record(books.bank, ProgramFixture::Today, 250);
        const qint64 chosen = books.record(books.cash, ProgramFixture::Today, -85.5);
        const CorrectionGrid correction{books.program.main(), grid};
        correction.load();
        correction.select(chosen);
        QVERIFY(books.stored(chosen).remove());

        acceptPassword(books.program.screen());
        correction.startCorrection();
        QVERIFY(books.program.screen().allUsed());
        QCOMPARE(books.program.screen().takeMessages(), QStringList{QStringLiteral("找不到要修改的记录")});
        QCOMPARE(books.program.screen().unexpected(), QStringList());
        QCOMPARE(books.recordCount(), 1);
    }

    // A field name the books do not know: the report grid says which setting to check and stays
    // empty, and a double-click on it opens nothing.
    void misspeltFieldOnTheReportGrid()
    {
        Books books;
        books.record(books.bank, ProgramFixture::Today, -85.5);
        WriteSetting(QStringLiteral("KalvoraSetting"), QStringLiteral("ReportFields"), QStringLiteral("MoneyIndex,MoneySumm"),
                     books.program.settingsPath());
        const CorrectionGrid correction{books.program.main(), QStringLiteral("report")};
        DataGrid &shown = correction.load();
        const QStringList messages = books.program.screen().takeMessages();
        QCOMPARE(messages.size(), 1);
        QVERIFY2(messages.first().contains(QStringLiteral("ReportFields")), qPrintable(messages.first()));
        QVERIFY2(books.program.screen().takeDetails().join(QString()).contains(QStringLiteral("MoneySumm")),
                 qPrintable(messages.first()));
        QCOMPARE(shown.model().rowCount(), 0);
        correction.startCorrection();
        QCOMPARE(books.program.screen().takeMessages(), QStringList{QStringLiteral("请先选中需要查看的记录")});
        QCOMPARE(books.program.screen().unexpected(), QStringList());
    }

    // A correction through 修改记录 shows at once in the day's figures, the grid and its footer.
    void journalRefreshedAfterCorrection()
    {
        Books books;
        books.record(books.bank, ProgramFixture::Today, 250);
        books.record(books.cash, ProgramFixture::Today, -40);
        const qint64 chosen = books.record(books.cash, ProgramFixture::Today, -85.5);
        const CorrectionGrid correction{books.program.main(), QStringLiteral("daily")};
        DataGrid &shown = correction.load();
        QCOMPARE(books.label("Label12"), QStringLiteral("共 2 笔～125.5 元"));
        correction.select(chosen);

        acceptPassword(books.program.screen());
        books.program.screen().onDialog(QStringLiteral("FormGetPay"), [](QDialog &dialog) {
            const Entry entry{dialog};
            entry.edit("Edit3")->setText(QStringLiteral("12.3"));
            entry.confirm();
        });
        correction.startCorrection();
        QCOMPARE(books.program.screen().takeMessages(), QStringList{Corrected});
        QCOMPARE(books.label("Label12"), QStringLiteral("共 2 笔～52.3 元"));
        QCOMPARE(books.label("Label8"), QStringLiteral("本日结余：197.7 元"));
        QCOMPARE(shown.footerText(5), QStringLiteral("197.7"));
        QCOMPARE(books.stored(chosen).fieldNumber(QStringLiteral("MoneySum")), -12.3);
    }

    void failedBalanceEndsTheRebuild()
    {
        Books books;
        books.record(books.bank, ProgramFixture::Today, 3);
        books.program.main().refreshAll();
        QString error;
        QVERIFY(ShareDataModule::instance().execute(QStringLiteral("ALTER TABLE MoneyTable RENAME TO Gone"), &error));
        QVERIFY(!books.program.main().journalPage()->LoadDailyGrid());
        QCOMPARE(books.program.screen().takeMessages(), QStringList{QStringLiteral("数据库打开失败")});
        QCOMPARE(books.label("Label8"), QStringLiteral("本日结余：3 元"));
        QCOMPARE(books.grid().model().rowCount(), 1);
    }
};

// As the kill test's child the program transfers and does nothing else.
int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    if (ChildProgram::work() == u"transfer")
        return transferAsChild();
    JournalTest test;
    return QTest::qExec(&test, argc, argv);
}
#include "tst_journal.moc"
