#include <QComboBox>
#include <QDateEdit>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>
#include <functional>
#include <optional>

#include <sqlite3.h>

#include "app/FormMain.h"
#include "app/Program.h"
#include "data/Query.h"
#include "data/Settings.h"
#include "data/ShareDataModule.h"
#include "grid/DataGrid.h"
#include "journal/FormGetPay.h"
#include "receivables/FormGetPay2.h"
#include "receivables/ReceivablesPage.h"
#include "support/BooksFault.h"
#include "support/OtherProgram.h"
#include "support/ProgramFixture.h"
#include "support/TestEngine.h"

namespace {

using Side = ReceivablesPage::Side;

const QString BadFormat = QStringLiteral("金额格式有误，请重新输入");
const QString BadDecimals = QStringLiteral("金额内容可能有误，请重新输入");
const QString Added = QStringLiteral("记录新增成功");
const QString Changed = QStringLiteral("记录修改成功");
const QString NotFound = QStringLiteral("找不到要修改的记录");
const QString ChangedElsewhere = QStringLiteral("该记录已被其他用户修改，请重新打开");
const QString PostedElsewhere = QStringLiteral("该款项已被其他用户处理，请核对日记帐");
const QString LostConnection = QStringLiteral(
    "与数据库服务器的连接已断开，最后一步操作可能没有保存。请检查网络和服务器，然后重新打开窗口查看数据后再试。");

// A cashier's books with one account and the three settings lists, so that an entry can be posted
// into the journal, and the tab 应收应付 on screen.
struct Books
{
    ProgramFixture program;

    Books()
    {
        WriteSetting(QStringLiteral("Kalvora2"), QStringLiteral("AccountType"), QStringLiteral("5"), program.settingsPath());
        program.insert(QStringLiteral("Account"),
                       {{QStringLiteral("AccountName"), QStringLiteral("工行")}, {QStringLiteral("AccountType"), 1}});
        for (int type = 1; type <= 3; ++type)
            program.insert(QStringLiteral("Parameter"), {{QStringLiteral("ParameterType"), type},
                                                         {QStringLiteral("ParameterValue"), QStringLiteral("项目%1").arg(type)}});
        program.main().setLeftPanelEnabled(true);
        program.main().setPageVisible(FormMain::ReceivablesTab, true);
        program.main().setActivePage(FormMain::ReceivablesTab);
        program.main().refreshAll();
    }

    qint64 entry(const QDate &day, const QString &user, double sum, const QString &remark = QString())
    {
        return program.insert(QStringLiteral("GetPay"), {{QStringLiteral("GetPayTime"), day},
                                                         {QStringLiteral("GetPayUser"), user},
                                                         {QStringLiteral("GetPaySum"), sum},
                                                         {QStringLiteral("GetPayRemark"), remark}});
    }

    Query &stored(qint64 index)
    {
        return program.select(QStringLiteral("Select * From GetPay Where GetPayIndex = ") + QString::number(index));
    }

    int entryCount()
    {
        return int(program.select(QStringLiteral("Select Count(*) As N From GetPay Where GetPayIndex > 1"))
                       .fieldInteger(QStringLiteral("N")));
    }

    ReceivablesPage &page() { return *program.main().receivablesPage(); }
    DataGrid &grid(Side side) { return side == Side::Receivable ? *page().DBGridEh3() : *page().DBGridEh4(); }

    QStringList column(Side side, int column)
    {
        QStringList texts;
        for (int row = 0; row < grid(side).model().rowCount(); ++row)
            texts.append(grid(side).model().data(grid(side).model().index(row, column)).toString());
        return texts;
    }
};

QAction *mainAction(Books &books, const char *name)
{
    return books.program.main().findChild<QAction *>(QLatin1String(name));
}

// A dialog as the user sees it while a test plays the user.
struct Shown
{
    QDialog &dialog;

    QLineEdit *edit(const char *name) const { return dialog.findChild<QLineEdit *>(QLatin1String(name)); }
    QToolButton *button(const char *name) const { return dialog.findChild<QToolButton *>(QLatin1String(name)); }
    QDateEdit *date() const { return dialog.findChild<QDateEdit *>(QStringLiteral("DateTimePicker1")); }
    QString focus() const { return dialog.focusWidget() ? dialog.focusWidget()->objectName() : QString(); }
    void confirm() const { button("BitBtn1")->click(); }
    void post() const { button("BitBtn2")->click(); }
};

using Steps = std::function<void(const Shown &)>;

// Queues `steps` for the next showing of the dialog named `name`.
void onShowing(Books &books, const QString &name, const Steps &steps)
{
    books.program.screen().onDialog(name, [steps](QDialog &shown) {
        shown.show();
        steps(Shown{shown});
        shown.hide();
    });
}

} // namespace

Q_DECLARE_METATYPE(ReceivablesPage::Side)

class ReceivablesTest : public QObject
{
    Q_OBJECT

private slots:
    void tabShowsItsCommands()
    {
        Books books;
        const QStringList buttons{"NewGet", "EditGet", "DeleteGet", "NewPay", "EditPay", "DeletePay"};
        const QStringList captions{"新增  ", "修改  ", "删除  ", "新增  ", "修改  ", "删除  "};
        for (int i = 0; i < captions.size(); ++i) {
            const auto *button = books.page().findChild<QToolButton *>(QStringLiteral("SpeedButton") + buttons[i]);
            QCOMPARE(button->defaultAction()->objectName(), QStringLiteral("Action") + buttons[i]);
            QCOMPARE(button->defaultAction()->text(), captions[i]);
            QCOMPARE(button->text(), captions[i]);
            QVERIFY(button->isEnabled());
        }
        for (const char *title : {"ImageGetList", "ImagePayList"})
            QCOMPARE(books.page().findChild<QLabel *>(QLatin1String(title))->pixmap().size(), QSize(300, 50));
    }

    // Every receivable is 12.3, so the footer sums 77 x 12.3, which does not print cleanly unrounded.
    void listsSplitBySign()
    {
        Books books;
        const QDate day(2026, 11, 1);
        for (int i = 0; i < 76; ++i)
            books.entry(day.addDays(i % 20), QStringLiteral("客户%1").arg(i), 12.3);
        books.entry(day.addDays(-1), QStringLiteral("一个名字非常非常长的客户有限公司"), 12.3);
        books.entry(day.addDays(30), QStringLiteral("零"), 0);
        books.entry(day.addDays(2), QStringLiteral("乙"), -50);
        books.entry(day.addDays(1), QStringLiteral("丙"), -0.35);
        // The reserved row and a row numbered 0 are never listed, whatever they hold.
        Query &reserved = books.stored(1);
        reserved.edit();
        reserved.setField(QStringLiteral("GetPaySum"), 7);
        QVERIFY(reserved.post());
        books.program.insert(QStringLiteral("GetPay"), {{QStringLiteral("GetPayIndex"), 0},
                                                        {QStringLiteral("GetPayTime"), day},
                                                        {QStringLiteral("GetPaySum"), -3}});
        books.program.main().refreshAll();

        DataGrid &get = books.grid(Side::Receivable);
        QCOMPARE(get.model().rowCount(), 78);
        QCOMPARE(books.column(Side::Receivable, 1).first(), QStringLiteral("一个名字非常非常长的客户有限公司"));
        QCOMPARE(books.column(Side::Receivable, 1).last(), QStringLiteral("零"));
        QCOMPARE(books.column(Side::Receivable, 2).last(), QStringLiteral("0"));
        QCOMPARE(get.footerText(0), QStringLiteral("合计"));
        QCOMPARE(get.footerText(2), QStringLiteral("947.1"));

        DataGrid &pay = books.grid(Side::Payable);
        QCOMPARE(books.column(Side::Payable, 1), (QStringList{QStringLiteral("丙"), QStringLiteral("乙")}));
        QCOMPARE(books.column(Side::Payable, 2), (QStringList{QStringLiteral("0.35"), QStringLiteral("50")}));
        QCOMPARE(pay.footerText(2), QStringLiteral("50.35"));

        const QList<std::pair<Side, QStringList>> titles{
            {Side::Receivable, {"应收日期", "应收客户", "应收金额"}}, {Side::Payable, {"应付日期", "应付客户", "应付金额"}}};
        const QList<int> widths{80, 110, 60};
        for (const auto &[side, expected] : titles) {
            DataGrid &grid = books.grid(side);
            grid.grab(); // draws every visible cell, as the screen would
            QCOMPARE(grid.columnCount(), 3);
            for (int column = 0; column < 3; ++column) {
                emit grid.horizontalHeader()->sectionClicked(column); // a click on a title widens nothing
                QCOMPARE(grid.title(column), expected[column]);
                QCOMPARE(grid.columnWidth(column), widths[column]);
                QCOMPARE(grid.alignment(column), Qt::AlignCenter);
                QCOMPARE(grid.footer(column).alignment, Qt::AlignCenter);
            }
        }
    }

    void newEntryIsStoredWithItsSign_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("amount");
        QTest::addColumn<double>("sum");
        QTest::addColumn<bool>("leftList");
        QTest::addColumn<QString>("shown");
        QTest::newRow("receivable") << "ActionNewGet" << "12.34" << 12.34 << true << "12.34";
        QTest::newRow("payable of 50") << "ActionNewPay" << "50" << -50.0 << false << "50";
        QTest::newRow("payable of 0 is a receivable") << "ActionNewPay" << "0" << 0.0 << true << "0";
    }

    void newEntryIsStoredWithItsSign()
    {
        QFETCH(QString, action);
        QFETCH(QString, amount);
        QFETCH(double, sum);
        QFETCH(bool, leftList);
        QFETCH(QString, shown);
        Books books;
        books.entry(QDate(2026, 12, 1), QStringLiteral("旧客户"), 8.8);
        books.entry(QDate(2026, 12, 1), QStringLiteral("旧供应商"), -8.8);
        books.program.main().stepDay(-3);
        const QDate day = ProgramFixture::Today.addDays(-3);
        onShowing(books, QStringLiteral("FormGetPay2"), [&](const Shown &dialog) {
            QCOMPARE(dialog.date()->date(), day);
            QCOMPARE(dialog.focus(), QStringLiteral("DateTimePicker1"));
            QVERIFY(!dialog.button("BitBtn2")->isVisible());
            dialog.edit("Edit1")->setText(QStringLiteral("O'Neil 公司"));
            dialog.edit("Edit2")->setText(amount);
            dialog.edit("Edit3")->setText(QStringLiteral("it's due"));
            dialog.confirm();
        });
        mainAction(books, qPrintable(action))->trigger();
        QCOMPARE(books.program.screen().takeMessages(), QStringList{Added});

        Query &row = books.program.select(QStringLiteral("Select * From GetPay Where GetPayUser = 'O''Neil 公司'"));
        QCOMPARE(row.recordCount(), 1);
        QCOMPARE(row.fieldNumber(QStringLiteral("GetPaySum")), sum);
        QCOMPARE(row.fieldDate(QStringLiteral("GetPayTime")), day);
        QCOMPARE(row.fieldText(QStringLiteral("GetPayRemark")), QStringLiteral("it's due"));

        const Side side = leftList ? Side::Receivable : Side::Payable;
        QCOMPARE(books.column(side, 1).last(), QStringLiteral("O'Neil 公司"));
        QCOMPARE(books.column(side, 2).last(), shown);
        QCOMPARE(books.grid(side).footerText(2), QString::number(8.8 + shown.toDouble()));
    }

    void amountTexts_data()
    {
        QTest::addColumn<QString>("amount");
        QTest::addColumn<QString>("message");
        QTest::newRow("two decimals") << "12.34" << Added;
        QTest::newRow("ends with the point") << "12." << Added;
        QTest::newRow("begins with the point") << ".5" << Added;
        QTest::newRow("three decimals") << "12.345" << BadDecimals;
        QTest::newRow("empty") << "" << BadFormat;
        QTest::newRow("letter") << "1O" << BadFormat;
        QTest::newRow("minus sign") << "-5" << BadFormat;
        QTest::newRow("two points") << "1..2" << "“1..2”不是有效的金额，请重新输入";
    }

    void amountTexts()
    {
        QFETCH(QString, amount);
        QFETCH(QString, message);
        Books books;
        QString focus;
        bool open = false;
        onShowing(books, QStringLiteral("FormGetPay2"), [&](const Shown &dialog) {
            dialog.edit("Edit2")->setText(amount);
            dialog.confirm();
            focus = dialog.focus();
            open = dialog.dialog.isVisible();
        });
        mainAction(books, "ActionNewPay")->trigger();
        QCOMPARE(books.program.screen().takeMessages(), QStringList{message});
        const bool stored = message == Added;
        QCOMPARE(books.entryCount(), stored ? 1 : 0);
        QCOMPARE(open, !stored);
        if (!stored)
            QCOMPARE(focus, QStringLiteral("Edit2"));
    }

    void dialogPerMode_data()
    {
        QTest::addColumn<int>("mode");
        QTest::addColumn<QString>("title");
        QTest::addColumn<bool>("posting");
        QTest::newRow("new receivable") << 0 << "NewGet2.bmp" << false;
        QTest::newRow("edit receivable") << 1 << "EditGet2.bmp" << true;
        QTest::newRow("new payable") << 2 << "NewPay2.bmp" << false;
        QTest::newRow("edit payable") << 3 << "EditPay2.bmp" << true;
    }

    void dialogPerMode()
    {
        QFETCH(int, mode);
        QFETCH(QString, title);
        QFETCH(bool, posting);
        Books books;
        FormGetPay2 &dialog = *books.program.windows().getPay2;
        dialog.GetPay2Mode = mode;
        dialog.GetPay2Index = books.entry(QDate(2026, 10, 3), QStringLiteral("甲"), mode == 3 ? -0.1 : 0.1, QStringLiteral("备"));
        onShowing(books, QStringLiteral("FormGetPay2"), [&](const Shown &shown) {
            QCOMPARE(shown.dialog.windowTitle(), QStringLiteral("FormGetPay2"));
            const QImage picture = shown.dialog.findChild<QLabel *>(QStringLiteral("Image1"))->pixmap().toImage();
            QCOMPARE(picture.convertToFormat(QImage::Format_RGB32),
                     QImage(books.program.folder() + QStringLiteral("Res/") + title).convertToFormat(QImage::Format_RGB32));
            QCOMPARE(shown.button("BitBtn2")->isVisible(), posting);
            QCOMPARE(shown.edit("Edit2")->text(), posting ? QStringLiteral("0.1") : QString());
            QCOMPARE(shown.focus(), QStringLiteral("DateTimePicker1"));
        });
        QCOMPARE(dialog.showModal(), int(QDialog::Rejected));
    }

    // The third row, so that a command that always took the first would show.
    void editChangesTheSelectedEntry_data()
    {
        QTest::addColumn<Side>("side");
        QTest::addColumn<bool>("doubleClick");
        QTest::addColumn<double>("sum");
        QTest::newRow("receivable by 修改") << Side::Receivable << false << 60.5;
        QTest::newRow("payable by double-click") << Side::Payable << true << -60.5;
    }

    void editChangesTheSelectedEntry()
    {
        QFETCH(Side, side);
        QFETCH(bool, doubleClick);
        QFETCH(double, sum);
        Books books;
        const double sign = side == Side::Receivable ? 1 : -1;
        QList<qint64> entries;
        for (int i = 0; i < 4; ++i)
            entries.append(books.entry(QDate(2026, 12, 1 + i), QStringLiteral("客户%1").arg(i), sign * (i + 0.25),
                                       QStringLiteral("备注%1").arg(i)));
        books.program.main().refreshAll();
        DataGrid &grid = books.grid(side);
        const QModelIndex third = grid.model().index(2, 1);
        grid.setCurrentIndex(third);

        onShowing(books, QStringLiteral("FormGetPay2"), [&](const Shown &dialog) {
            QCOMPARE(dialog.date()->date(), QDate(2026, 12, 3));
            QCOMPARE(dialog.edit("Edit1")->text(), QStringLiteral("客户2"));
            QCOMPARE(dialog.edit("Edit2")->text(), QStringLiteral("2.25"));
            QCOMPARE(dialog.edit("Edit3")->text(), QStringLiteral("备注2"));
            dialog.edit("Edit2")->setText(QStringLiteral("60.5"));
            dialog.date()->setDate(QDate(2026, 12, 9));
            dialog.confirm();
        });
        if (doubleClick) {
            const QPoint cell = grid.visualRect(third).center();
            QTest::mouseClick(grid.viewport(), Qt::LeftButton, {}, cell);
            QTest::mouseDClick(grid.viewport(), Qt::LeftButton, {}, cell);
        }
        else
            mainAction(books, side == Side::Receivable ? "ActionEditGet" : "ActionEditPay")->trigger();
        QVERIFY(books.program.screen().allUsed());
        QCOMPARE(books.program.screen().takeMessages(), QStringList{Changed});
        Query &row = books.stored(entries[2]);
        QCOMPARE(row.fieldNumber(QStringLiteral("GetPaySum")), sum);
        QCOMPARE(row.fieldDate(QStringLiteral("GetPayTime")), QDate(2026, 12, 9));
        QCOMPARE(books.stored(entries[1]).fieldNumber(QStringLiteral("GetPaySum")), sign * 1.25);
        QCOMPARE(books.column(side, 2).last(), QStringLiteral("60.5"));
    }

    void emptyListRefusesCommands_data()
    {
        QTest::addColumn<QString>("command");
        QTest::addColumn<Side>("side");
        QTest::addColumn<QString>("message");
        QTest::newRow("edit receivable") << "ActionEditGet" << Side::Receivable << "请先选中要修改的记录";
        QTest::newRow("delete receivable") << "ActionDeleteGet" << Side::Receivable << "请先选中要删除的记录";
        QTest::newRow("double-click on receivables") << "double-click" << Side::Receivable << "请先选中要修改的记录";
        QTest::newRow("edit payable") << "ActionEditPay" << Side::Payable << "请先选中要修改的记录";
        QTest::newRow("delete payable") << "ActionDeletePay" << Side::Payable << "请先选中要删除的记录";
        QTest::newRow("double-click on payables") << "double-click" << Side::Payable << "请先选中要修改的记录";
    }

    void emptyListRefusesCommands()
    {
        QFETCH(QString, command);
        QFETCH(Side, side);
        QFETCH(QString, message);
        Books books;
        // The other list has an entry; it must not be taken for this one's.
        books.entry(QDate(2026, 12, 1), QStringLiteral("对面"), side == Side::Receivable ? -5 : 5);
        books.program.main().refreshAll();
        if (command == u"double-click")
            QTest::mouseDClick(books.grid(side).viewport(), Qt::LeftButton, {}, QPoint(20, 20));
        else
            mainAction(books, qPrintable(command))->trigger();
        QCOMPARE(books.program.screen().takeMessages(), QStringList{message});
        QCOMPARE(books.program.screen().unexpected(), QStringList());
        QCOMPARE(books.entryCount(), 1);
    }

    void deleteAsksFirst()
    {
        Books books;
        for (int i = 0; i < 3; ++i)
            books.entry(QDate(2026, 12, 1 + i), QStringLiteral("供应商%1").arg(i), -(i + 1) * 1.1);
        books.program.main().refreshAll();
        DataGrid &grid = books.grid(Side::Payable);
        grid.setCurrentIndex(grid.model().index(2, 0));
        books.program.screen().answer(false);
        mainAction(books, "ActionDeletePay")->trigger();
        QCOMPARE(books.entryCount(), 3);
        grid.setCurrentIndex(grid.model().index(2, 0));
        books.program.screen().answer(true);
        mainAction(books, "ActionDeletePay")->trigger();
        QCOMPARE(books.program.screen().questions(), QStringList(2, QStringLiteral("删除警告|确实要删除该记录吗？")));
        QVERIFY(books.program.screen().takeMessages().isEmpty());
        QCOMPARE(books.column(Side::Payable, 1), (QStringList{QStringLiteral("供应商0"), QStringLiteral("供应商1")}));
        QCOMPARE(grid.footerText(2), QStringLiteral("3.3"));
    }

    void entryVanished_data()
    {
        QTest::addColumn<QString>("when");
        QTest::addColumn<QString>("message");
        QTest::newRow("before showing") << "show" << NotFound;
        QTest::newRow("before confirming") << "confirm" << NotFound;
        QTest::newRow("before deleting") << "delete" << "记录未能删除\n该记录已不存在，可能已被删除";
    }

    void entryVanished()
    {
        QFETCH(QString, when);
        QFETCH(QString, message);
        Books books;
        const qint64 gone = books.entry(QDate(2026, 12, 1), QStringLiteral("甲"), 5);
        books.entry(QDate(2026, 12, 2), QStringLiteral("乙"), 6);
        books.program.main().refreshAll();
        const auto remove = [&] { QVERIFY(books.stored(gone).remove()); };
        if (when == u"show") {
            remove();
            mainAction(books, "ActionEditGet")->trigger();
        } else if (when == u"confirm") {
            onShowing(books, QStringLiteral("FormGetPay2"), [&](const Shown &dialog) {
                remove();
                dialog.confirm();
                QVERIFY(dialog.dialog.isVisible());
            });
            mainAction(books, "ActionEditGet")->trigger();
        } else {
            remove();
            books.program.screen().answer(true);
            mainAction(books, "ActionDeleteGet")->trigger();
        }
        QCOMPARE(books.program.screen().takeMessages(), QStringList{message});
        QCOMPARE(books.entryCount(), 1);
        if (when == u"delete") // the failed deletion shows the list as it is now
            QCOMPARE(books.column(Side::Receivable, 1), QStringList{QStringLiteral("乙")});
    }

    // The amount is changed in the dialog but not confirmed: the journal gets the changed amount,
    // the entry keeps its own.
    void postingHandsOverWhatStands_data()
    {
        QTest::addColumn<Side>("side");
        QTest::addColumn<bool>("deleteEntry");
        QTest::addColumn<double>("recorded");
        QTest::addColumn<QString>("question");
        QTest::newRow("receivable kept") << Side::Receivable << false << 77.7
                                         << "款项删除|款项入帐后，是否删除当前应收记录？";
        QTest::newRow("payable deleted") << Side::Payable << true << -77.7
                                         << "款项删除|款项入帐后，是否删除当前应付记录？";
    }

    void postingHandsOverWhatStands()
    {
        QFETCH(Side, side);
        QFETCH(bool, deleteEntry);
        QFETCH(double, recorded);
        QFETCH(QString, question);
        Books books;
        const double sign = side == Side::Receivable ? 1 : -1;
        const qint64 index = books.entry(QDate(2026, 12, 1), QStringLiteral("O'Neil"), sign * 12.3, QStringLiteral("合同'A'"));
        books.program.main().refreshAll();
        onShowing(books, QStringLiteral("FormGetPay2"), [&](const Shown &dialog) {
            dialog.edit("Edit2")->setText(QStringLiteral("77.7"));
            dialog.post();
        });
        onShowing(books, QStringLiteral("FormGetPay"), [&](const Shown &entry) {
            QCOMPARE(books.program.screen().questions(), QStringList{question}); // asked before anything is stored
            QCOMPARE(books.program.windows().getPay->EntryMode, side == Side::Receivable ? 0 : 2);
            QCOMPARE(entry.edit("Edit2")->text(), QStringLiteral("O'Neil"));
            QCOMPARE(entry.edit("Edit3")->text(), QStringLiteral("77.7"));
            QCOMPARE(entry.edit("Edit5")->text(), QStringLiteral("合同'A'"));
            entry.dialog.findChild<QPushButton *>(QStringLiteral("BitBtn1"))->click();
        });
        books.program.screen().answer(deleteEntry);
        mainAction(books, side == Side::Receivable ? "ActionEditGet" : "ActionEditPay")->trigger();

        QCOMPARE(books.program.screen().takeMessages(), QStringList{Added});
        QCOMPARE(books.program.screen().questions(), QStringList{question});
        Query &journal = books.program.select(QStringLiteral("Select * From MoneyTable"));
        QCOMPARE(journal.recordCount(), 1);
        QCOMPARE(journal.fieldNumber(QStringLiteral("MoneySum")), recorded);
        QCOMPARE(journal.fieldText(QStringLiteral("MoneyUser")), QStringLiteral("O'Neil"));
        QCOMPARE(books.entryCount(), deleteEntry ? 0 : 1);
        if (!deleteEntry)
            QCOMPARE(books.stored(index).fieldNumber(QStringLiteral("GetPaySum")), 12.3);
        QCOMPARE(books.grid(side).model().rowCount(), deleteEntry ? 0 : 1);
    }

    void postingCancelledLeavesTheEntry()
    {
        Books books;
        const qint64 index = books.entry(QDate(2026, 12, 1), QStringLiteral("甲"), -12.3);
        books.program.main().refreshAll();
        onShowing(books, QStringLiteral("FormGetPay2"), [&](const Shown &dialog) {
            dialog.edit("Edit2")->setText(QStringLiteral("99"));
            dialog.post();
            QVERIFY(dialog.dialog.isVisible());
        });
        books.program.screen().answer(true);
        onShowing(books, QStringLiteral("FormGetPay"), [](const Shown &) {});
        mainAction(books, "ActionEditPay")->trigger();
        QVERIFY(books.program.screen().allUsed());
        QVERIFY(books.program.screen().takeMessages().isEmpty());
        QCOMPARE(books.program.select(QStringLiteral("Select Count(*) As N From MoneyTable")).fieldInteger(QStringLiteral("N")), 0);
        QCOMPARE(books.stored(index).fieldNumber(QStringLiteral("GetPaySum")), -12.3);
    }

    void postingStoresAllOrNothing_data()
    {
        QTest::addColumn<Side>("side");
        QTest::addColumn<bool>("deleteEntry");
        QTest::addColumn<QString>("fault");
        QTest::addColumn<QString>("message");
        QTest::newRow("receivable deleted by another program")
            << Side::Receivable << true << "vanished" << PostedElsewhere;
        QTest::newRow("payable to keep, deleted by another program")
            << Side::Payable << false << "vanished" << PostedElsewhere;
        QTest::newRow("receivable posted by another desk at the same moment")
            << Side::Receivable << true << "posted at the same moment" << PostedElsewhere;
        QTest::newRow("receivable changed by another cashier") << Side::Receivable << true << "changed" << ChangedElsewhere;
        QTest::newRow("receivable changed by another desk at the same moment")
            << Side::Receivable << true << "changed at the same moment" << ChangedElsewhere;
        QTest::newRow("deletion refused by the books") << Side::Receivable << true << "refused" << "记录未能保存";
    }

    // The journal record and the entry's deletion are stored together or not at all: an entry gone or
    // changed since the posting began is not posted, also when another desk takes it away or changes it
    // while this one deletes it, and a deletion the books refuse takes the record with it.
    void postingStoresAllOrNothing()
    {
        QFETCH(Side, side);
        QFETCH(bool, deleteEntry);
        QFETCH(QString, fault);
        QFETCH(QString, message);
        if (fault == u"changed")
            SKIP_ON_FILE("the file keeps no row versions: an entry changed meanwhile is posted as it stands, as on one machine");
        const bool sameMoment = fault.endsWith(u"at the same moment");
        if (sameMoment)
            SKIP_ON_FILE("one program at a time writes a file: the second change starts after the first is stored");
        Books books;
        const double sign = side == Side::Receivable ? 1 : -1;
        books.entry(QDate(2026, 12, 1), QStringLiteral("甲"), sign * 5);
        books.entry(QDate(2026, 12, 2), QStringLiteral("乙"), sign * 6);
        const qint64 posted = books.entry(QDate(2026, 12, 3), QStringLiteral("丙"), sign * 77 * 12.3);
        books.program.main().refreshAll();
        books.grid(side).setCurrentIndex(books.grid(side).model().index(2, 0));

        std::optional<BooksFault> failing;
        bool entryOpen = false;
        bool postingOpen = false;
        onShowing(books, QStringLiteral("FormGetPay2"), [&](const Shown &dialog) {
            dialog.post();
            postingOpen = dialog.dialog.isVisible();
        });
        books.program.screen().answer(deleteEntry);
        onShowing(books, QStringLiteral("FormGetPay"), [&](const Shown &entry) {
            OtherProgram other(books.program);
            const QString change = (fault.startsWith(u"changed") ? QStringLiteral("UPDATE GetPay SET GetPaySum = 1")
                                                                 : QStringLiteral("DELETE FROM GetPay"))
                + QStringLiteral(" WHERE GetPayIndex = %1").arg(posted);
            if (sameMoment) {
                // The other desk's change is made, and commits once this one waits for it.
                QCOMPARE(other.execute(qPrintable(QStringLiteral("BEGIN; ") + change)), SQLITE_OK);
                other.executeOnceWaitedFor(books.program, "COMMIT");
            } else if (fault == u"refused") {
                failing.emplace(books.program, fault, QStringLiteral("GetPay"));
            } else {
                QCOMPARE(other.execute(qPrintable(change)), SQLITE_OK);
            }
            entry.dialog.findChild<QPushButton *>(QStringLiteral("BitBtn1"))->click();
            QCOMPARE(other.finish(), SQLITE_OK);
            entryOpen = entry.dialog.isVisible() && entry.dialog.result() != QDialog::Accepted;
            entry.dialog.findChild<QPushButton *>(QStringLiteral("BitBtn2"))->click();
        });
        mainAction(books, side == Side::Receivable ? "ActionEditGet" : "ActionEditPay")->trigger();

        QVERIFY(books.program.screen().allUsed());
        QVERIFY(entryOpen);
        QVERIFY(postingOpen);
        QCOMPARE(books.program.screen().takeMessages(), QStringList{message});
        if (failing) {
            QCOMPARE(books.program.screen().takeDetails(), QStringList{failing->detail()});
            failing->lift();
        }
        QCOMPARE(books.program.select(QStringLiteral("Select Count(*) As N From MoneyTable")).fieldInteger(QStringLiteral("N")), 0);
        QCOMPARE(books.entryCount(), fault == u"vanished" || fault.startsWith(u"posted") ? 2 : 3);
    }

    void postingWhatAnotherCashierHandled_data()
    {
        QTest::addColumn<QString>("change");
        QTest::addColumn<QString>("message");
        QTest::addColumn<bool>("serverOnly");
        QTest::newRow("posted and deleted") << "DELETE FROM GetPay WHERE GetPayIndex = %1" << PostedElsewhere << false;
        QTest::newRow("amount changed") << "UPDATE GetPay SET GetPaySum = GetPaySum + 1 WHERE GetPayIndex = %1"
                                        << ChangedElsewhere << true;
    }

    // Two cashiers had the same entry open: once one handled it, the other's 款项入帐 is refused before
    // the entry dialog opens, so that it is not posted twice.
    void postingWhatAnotherCashierHandled()
    {
        QFETCH(QString, change);
        QFETCH(QString, message);
        QFETCH(bool, serverOnly);
        if (serverOnly)
            SKIP_ON_FILE("the file keeps no row versions: a change meanwhile is not seen, as on one machine");
        Books books;
        books.entry(QDate(2026, 12, 1), QStringLiteral("甲"), 5);
        const qint64 posted = books.entry(QDate(2026, 12, 2), QStringLiteral("乙"), 77 * 12.3);
        books.program.main().refreshAll();
        books.grid(Side::Receivable).setCurrentIndex(books.grid(Side::Receivable).model().index(1, 0));
        bool stillOpen = false;
        onShowing(books, QStringLiteral("FormGetPay2"), [&](const Shown &dialog) {
            OtherProgram other(books.program);
            QCOMPARE(other.execute(qPrintable(change.arg(posted))), SQLITE_OK);
            dialog.post();
            stillOpen = dialog.dialog.isVisible();
        });
        mainAction(books, "ActionEditGet")->trigger();

        QVERIFY(stillOpen);
        QVERIFY(books.program.screen().questions().isEmpty()); // nothing asked, the entry dialog never opened
        QCOMPARE(books.program.screen().takeMessages(), QStringList{message});
        QCOMPARE(books.program.select(QStringLiteral("Select Count(*) As N From MoneyTable")).fieldInteger(QStringLiteral("N")), 0);
    }

    void lateSaveOverAnotherCashiersChange_data()
    {
        QTest::addColumn<Side>("side");
        QTest::newRow("receivable") << Side::Receivable;
        QTest::newRow("payable") << Side::Payable;
    }

    // The dialog keeps the entry's version from when it showed it: 确定 after another cashier changed the
    // entry stores nothing and keeps the other cashier's values.
    void lateSaveOverAnotherCashiersChange()
    {
        QFETCH(Side, side);
        SKIP_ON_FILE("the file keeps no row versions: the later save stores, as on one machine");
        Books books;
        const double sign = side == Side::Receivable ? 1 : -1;
        books.entry(QDate(2026, 12, 1), QStringLiteral("甲"), sign * 5);
        books.entry(QDate(2026, 12, 2), QStringLiteral("乙"), sign * 6);
        const qint64 index = books.entry(QDate(2026, 12, 3), QStringLiteral("丙"), sign * 7, QStringLiteral("原备注"));
        books.program.main().refreshAll();
        books.grid(side).setCurrentIndex(books.grid(side).model().index(2, 0));
        bool stillOpen = false;
        onShowing(books, QStringLiteral("FormGetPay2"), [&](const Shown &dialog) {
            OtherProgram other(books.program);
            QCOMPARE(other.execute(qPrintable(
                         QStringLiteral("UPDATE GetPay SET GetPayRemark = '另一出纳' WHERE GetPayIndex = %1").arg(index))),
                     SQLITE_OK);
            dialog.edit("Edit2")->setText(QStringLiteral("946.1"));
            dialog.confirm();
            stillOpen = dialog.dialog.isVisible();
        });
        mainAction(books, side == Side::Receivable ? "ActionEditGet" : "ActionEditPay")->trigger();

        QVERIFY(stillOpen);
        QCOMPARE(books.program.screen().takeMessages(), QStringList{QStringLiteral("记录未能保存\n") + ChangedElsewhere});
        Query &row = books.stored(index);
        QCOMPARE(row.fieldText(QStringLiteral("GetPayRemark")), QStringLiteral("另一出纳"));
        QCOMPARE(row.fieldNumber(QStringLiteral("GetPaySum")), sign * 7);
    }

    void refusedStoreKeepsTheDialogOpen_data()
    {
        QTest::addColumn<QString>("action");
        QTest::addColumn<QString>("fault");
        QTest::newRow("new receivable refused by the books") << "ActionNewGet" << "refused";
        QTest::newRow("new payable on read-only books") << "ActionNewPay" << "read-only";
        QTest::newRow("changed receivable refused by the books") << "ActionEditGet" << "refused";
        QTest::newRow("changed payable while another program writes") << "ActionEditPay" << "in use";
    }

    // The failure is told, no success is claimed, the dialog stays open and the lists are unchanged.
    void refusedStoreKeepsTheDialogOpen()
    {
        QFETCH(QString, action);
        QFETCH(QString, fault);
        Books books;
        const bool payable = action.endsWith(u"Pay");
        const qint64 kept = books.entry(QDate(2026, 12, 1), QStringLiteral("甲"), payable ? -77 * 12.3 : 77 * 12.3);
        books.program.main().refreshAll();
        BooksFault failing(books.program, fault, QStringLiteral("GetPay"));
        bool open = false;
        onShowing(books, QStringLiteral("FormGetPay2"), [&](const Shown &dialog) {
            dialog.edit("Edit1")->setText(QStringLiteral("乙"));
            dialog.edit("Edit2")->setText(QStringLiteral("5"));
            dialog.confirm();
            open = dialog.dialog.isVisible() && dialog.dialog.result() != QDialog::Accepted;
        });
        mainAction(books, qPrintable(action))->trigger();
        QVERIFY(open);
        QCOMPARE(books.program.screen().takeMessages(), QStringList{failing.message(QStringLiteral("记录未能保存"))});
        const QString change = action.startsWith(u"ActionNew") ? QStringLiteral("INSERT") : QStringLiteral("UPDATE");
        QCOMPARE(books.program.screen().takeDetails(), QStringList{failing.detail(change)});
        failing.lift();
        QCOMPARE(books.entryCount(), 1);
        QCOMPARE(books.stored(kept).fieldText(QStringLiteral("GetPayUser")), QStringLiteral("甲"));
        QCOMPARE(books.column(payable ? Side::Payable : Side::Receivable, 1), QStringList{QStringLiteral("甲")});
    }

    void storeToAStoppedServer_data()
    {
        QTest::addColumn<QString>("action");
        QTest::newRow("new receivable") << "ActionNewGet";
        QTest::newRow("changed payable") << "ActionEditPay";
    }

    // The books' server stops while the dialog is open: 确定 tells that the connection broke off and what to
    // do, claims nothing, and the dialog stays open.
    void storeToAStoppedServer()
    {
        QFETCH(QString, action);
        SKIP_ON_FILE("a books file has no server to stop");
        Books books;
        const bool payable = action.endsWith(u"Pay");
        const qint64 kept = books.entry(QDate(2026, 12, 1), QStringLiteral("甲"), payable ? -77 * 12.3 : 77 * 12.3);
        books.program.main().refreshAll();
        const auto reachable = [&](bool on) {
            QString error;
            QVERIFY2(TestEngine::setServerReachable(books.program.serverBooks(), on, &error), qPrintable(error));
        };
        bool open = false;
        onShowing(books, QStringLiteral("FormGetPay2"), [&](const Shown &dialog) {
            reachable(false);
            dialog.edit("Edit1")->setText(QStringLiteral("乙"));
            dialog.edit("Edit2")->setText(QStringLiteral("5"));
            dialog.confirm();
            open = dialog.dialog.isVisible() && dialog.dialog.result() != QDialog::Accepted;
        });
        mainAction(books, qPrintable(action))->trigger();
        reachable(true);

        QVERIFY(open);
        QCOMPARE(books.program.screen().takeMessages(), QStringList{LostConnection});
        QCOMPARE(books.entryCount(), 1);
        QCOMPARE(books.stored(kept).fieldText(QStringLiteral("GetPayUser")), QStringLiteral("甲"));
    }

    // An entry another desk added shows when the tab 应收应付 is shown again, as records and accounts do at
    // the next refresh.
    void entryAddedElsewhereShowsWhenTheTabIsShownAgain()
    {
        Books books;
        books.entry(QDate(2026, 12, 1), QStringLiteral("甲"), 5);
        books.program.main().refreshAll();
        OtherProgram other(books.program);
        QCOMPARE(other.execute("INSERT INTO GetPay (GetPayTime, GetPayUser, GetPaySum) VALUES ('2026-12-02', '乙', 947.1)"),
                 SQLITE_OK);
        QCOMPARE(books.column(Side::Receivable, 1), QStringList{QStringLiteral("甲")});

        books.program.main().setActivePage(FormMain::LoginTab);
        books.program.main().setActivePage(FormMain::ReceivablesTab);

        QCOMPARE(books.column(Side::Receivable, 1), (QStringList{QStringLiteral("甲"), QStringLiteral("乙")}));
        QCOMPARE(books.grid(Side::Receivable).footerText(2), QStringLiteral("952.1"));
    }

    // Each press of Tab goes on by one control; the date is one stop, not three.
    void tabOrder()
    {
        Books books;
        FormGetPay2 &dialog = *books.program.windows().getPay2;
        dialog.GetPay2Mode = FormGetPay2::EditReceivable;
        dialog.GetPay2Index = books.entry(QDate(2026, 12, 1), QStringLiteral("甲"), 5);
        QStringList stops;
        onShowing(books, QStringLiteral("FormGetPay2"), [&](const Shown &shown) {
            shown.date()->setFocus();
            stops.append(shown.focus());
            for (int press = 0; press < 7; ++press) {
                QTest::keyClick(shown.dialog.focusWidget(), Qt::Key_Tab);
                stops.append(shown.focus());
            }
        });
        dialog.showModal();
        QCOMPARE(stops, (QStringList{"DateTimePicker1", "Edit1", "Edit2", "Edit3", "BitBtn1", "BitBtn2", "BitBtn3",
                                     "DateTimePicker1"}));
    }

    void failedListIsReported()
    {
        Books books;
        books.entry(QDate(2026, 12, 1), QStringLiteral("甲"), 5);
        books.program.main().refreshAll();
        QString error;
        QVERIFY(ShareDataModule::instance().execute(QStringLiteral("ALTER TABLE GetPay RENAME TO Gone"), &error));
        QVERIFY(!books.program.main().LoadGetPayLists());
        QCOMPARE(books.program.screen().takeMessages(), QStringList{QStringLiteral("数据库打开失败")});
        QCOMPARE(books.grid(Side::Receivable).columnCount(), 0);
        QCOMPARE(books.grid(Side::Receivable).model().rowCount(), 0);
    }
};


QTEST_MAIN(ReceivablesTest)
#include "tst_receivables.moc"
