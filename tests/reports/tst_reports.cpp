#include <QAccessible>
#include <QCheckBox>
#include <QComboBox>
#include <QDateEdit>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFileSystemModel>
#include <QHeaderView>
#include <QLineEdit>
#include <QProcess>
#include <QProgressBar>
#include <QPushButton>
#include <QScopeGuard>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QTreeView>
#include <QXmlStreamReader>
#include <QtTest>
#include <functional>

#include <sqlite3.h>

#include "accounts/FormAccount2.h"
#include "app/FormMain.h"
#include "app/Program.h"
#include "app/MainReports.h"
#include "data/Helpers.h"
#include "data/Query.h"
#include "data/Settings.h"
#include "grid/DataGrid.h"
#include "journal/FormGetPay.h"
#include "reporting/FormPreview.h"
#include "reporting/Report.h"
#include "reports/FormMakeReport.h"
#include "reports/ReportsPage.h"
#include "reports/SheetExport.h"
#include "support/Controls.h"
#include "support/Files.h"
#include "support/Looks.h"
#include "support/OtherProgram.h"
#include "support/ProgramFixture.h"
#include "support/TestEngine.h"
#include "ui/FileDialog.h"
#include "ui/FormProgress.h"

namespace {

using Fill = std::function<void(QDialog &)>;
using Indexes = QList<qint64>;

void choose(QDialog &dialog, const char *list, const QString &text)
{
    auto *box = control<QComboBox>(dialog, list);
    box->setCurrentIndex(box->findText(text));
}

void type(QDialog &dialog, const char *box, const QString &text)
{
    control<QLineEdit>(dialog, box)->setText(text);
}

void tick(QDialog &dialog, const char *box, bool on = true)
{
    control<QCheckBox>(dialog, box)->setChecked(on);
}

struct Record
{
    const char *account;
    QDate day;
    double sum;
    const char *reason = "销售收入";
    const char *type = "货款";
    const char *token = "发票";
    const char *user = "";
    const char *serial = "";
    const char *man = "";
    const char *remark = "";
};

// A cashier's books in the company ledger: a bank and a cash account, a personal account outside the
// scope, and the three settings lists.
struct Books
{
    ProgramFixture program;
    QHash<QString, qint64> accounts;

    Books()
    {
        WriteSetting(QStringLiteral("Kalvora2"), QStringLiteral("AccountType"), QStringLiteral("5"),
                     program.settingsPath());
        account(QStringLiteral("工行"), 1);
        account(QStringLiteral("现金"), 2);
        account(QStringLiteral("私人"), 3);
        for (const auto &[type, value] : QList<std::pair<int, const char *>>{
                 {1, "销售收入"}, {1, "办公费用"}, {2, "货款"}, {2, "杂项"}, {3, "发票"}, {3, "收据"}})
            parameter(type, QString::fromUtf8(value));
        program.main().setLeftPanelEnabled(true);
        program.main().refreshAll();
    }

    void account(const QString &name, int type)
    {
        accounts[name] = program.insert(QStringLiteral("Account"), {{QStringLiteral("AccountName"), name},
                                                                    {QStringLiteral("AccountType"), type}});
    }

    void parameter(int type, const QString &value)
    {
        program.insert(QStringLiteral("Parameter"),
                       {{QStringLiteral("ParameterType"), type}, {QStringLiteral("ParameterValue"), value}});
    }

    qint64 record(const Record &r, const QVariant &day = QVariant())
    {
        return program.insert(QStringLiteral("MoneyTable"),
                              {{QStringLiteral("MoneyAccount"), accounts.value(QString::fromUtf8(r.account))},
                               {QStringLiteral("MoneyCreateTime"), day.isValid() ? day : QVariant(r.day)},
                               {QStringLiteral("MoneyRecordTime"), QDate(2026, 1, 1)},
                               {QStringLiteral("MoneySum"), r.sum},
                               {QStringLiteral("MoneyReason"), QString::fromUtf8(r.reason)},
                               {QStringLiteral("MoneyType"), QString::fromUtf8(r.type)},
                               {QStringLiteral("MoneyToken"), QString::fromUtf8(r.token)},
                               {QStringLiteral("MoneyUser"), QString::fromUtf8(r.user)},
                               {QStringLiteral("MoneySerial"), QString::fromUtf8(r.serial)},
                               {QStringLiteral("MoneyMan"), QString::fromUtf8(r.man)},
                               {QStringLiteral("MoneyRemark"), QString::fromUtf8(r.remark)}});
    }

    ReportsPage &page() { return *program.main().reportsPage(); }
    DataGrid &grid() { return *page().DBGridEh2(); }
    QComboBox &order() { return *control<QComboBox>(page(), "ComboBox3"); }
    QAction &action(const char *name) { return *control<QAction>(program.main(), name); }

    // 生成报表 with `fill` playing the user, who then presses OK.
    void makeReport(const Fill &fill)
    {
        program.screen().onDialog(QStringLiteral("FormMakeReport"), [fill](QDialog &dialog) {
            dialog.show();
            fill(dialog);
            control<QPushButton>(dialog, "BitBtn1")->click();
            if (dialog.isVisible())
                control<QPushButton>(dialog, "BitBtn2")->click();
        });
        action("ActionMakeReport").trigger();
    }

    // The MoneyIndex of each row of the report grid, top to bottom.
    Indexes listed()
    {
        Indexes rows;
        RowSource *query = grid().query();
        if (!query || !query->isOpen())
            return rows;
        const int column = query->fieldIndex(QStringLiteral("MoneyIndex"));
        for (int row = 0; row < query->recordCount(); ++row)
            rows.append(query->value(row, column).toLongLong());
        return rows;
    }

    int column(const QString &field)
    {
        for (int c = 0; c < grid().columnCount(); ++c)
            if (grid().fieldName(c) == field)
                return c;
        return -1;
    }
};

// Six records of which the personal one lies outside the scope; sums that test the strict bounds.
struct ConditionBooks : Books
{
    qint64 r1, r2, r3, r4, r5, r6;
    ConditionBooks()
    {
        r1 = record({"工行", {2026, 12, 1}, 100, "销售收入", "货款", "发票", "老客户", "0012", "张三", "首笔"});
        r2 = record({"现金", {2026, 12, 10}, -100, "办公费用", "杂项", "收据", "新客户", "A-7", "李四", "报销"});
        r3 = record({"工行", {2026, 11, 30}, 100.01, "销售收入", "货款", "发票", "老客户甲", "0013", "张三丰", ""});
        r4 = record({"现金", {2026, 12, 31}, -250.5, "办公费用", "杂项", "收据", "", "", "", "备用金"});
        r5 = record({"工行", {2027, 1, 1}, 0, "销售收入", "杂项", "发票", "零单", "", "", ""});
        r6 = record({"私人", {2026, 12, 10}, 999});
    }
};

// The fields a typed or chosen text looks in, the dialog's control for each, and the prefix of the
// account and list values the books hold for it.
struct TypedField
{
    const char *name;
    const char *control;
    const char *Record::*member;
    const char *prefix;
};
const TypedField TypedFields[] = {
    {"MoneyUser", "Edit4", &Record::user, ""},        {"MoneyRemark", "Edit6", &Record::remark, ""},
    {"MoneySerial", "Edit3", &Record::serial, ""},    {"MoneyMan", "Edit5", &Record::man, ""},
    {"AccountName", "ComboBox2", &Record::account, "甲"}, {"MoneyReason", "ComboBox3", &Record::reason, "乙"},
};

// The cells of the first sheet of an .xlsx: "A1" -> text, numbers prefixed with '#'.
QHash<QString, QString> sheetCells(const QString &path)
{
    QProcess unzip;
    unzip.start(QStringLiteral("unzip"), {QStringLiteral("-p"), path, QStringLiteral("xl/worksheets/sheet1.xml")});
    unzip.waitForFinished();
    QXmlStreamReader xml(unzip.readAllStandardOutput());
    QHash<QString, QString> cells;
    QString ref, kind;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement())
            continue;
        if (xml.name() == u"c") {
            ref = xml.attributes().value(QLatin1String("r")).toString();
            kind = xml.attributes().value(QLatin1String("t")).toString();
        } else if (xml.name() == u"t" && kind == u"inlineStr") {
            cells[ref] = xml.readElementText();
        } else if (xml.name() == u"v") {
            cells[ref] = (kind.isEmpty() || kind == u"n" ? QStringLiteral("#") : QString()) + xml.readElementText();
        }
    }
    return cells;
}

// A home folder of the test's own, so that exports land where the test looks and nowhere else. The
// user-dirs file names the documents folder when `userDirs` is not empty.
class OwnHome
{
public:
    explicit OwnHome(const QString &userDirs = QString())
        : m_home(qgetenv("HOME"))
        , m_config(qgetenv("XDG_CONFIG_HOME"))
    {
        qputenv("HOME", QFile::encodeName(m_dir.path()));
        qunsetenv("XDG_CONFIG_HOME");
        if (!userDirs.isEmpty()) {
            QDir().mkpath(path(QStringLiteral(".config")));
            writeBytes(path(QStringLiteral(".config/user-dirs.dirs")),
                       (QStringLiteral("XDG_DOCUMENTS_DIR=") + userDirs + QLatin1Char('\n')).toUtf8());
        }
    }
    ~OwnHome()
    {
        qputenv("HOME", m_home);
        if (m_config.isNull())
            qunsetenv("XDG_CONFIG_HOME");
        else
            qputenv("XDG_CONFIG_HOME", m_config);
    }

    QString path(const QString &relative) const { return m_dir.filePath(relative); }

private:
    QTemporaryDir m_dir;
    QByteArray m_home;
    QByteArray m_config;
};

} // namespace

class ReportsTest : public QObject
{
    Q_OBJECT

private slots:
    void dialogStartsEachShowingAfresh();
    void conditionsDialogShowsItsFieldsWhole();
    void conditionsFindTheirRecords_data();
    void conditionsFindTheirRecords();
    void typedTextsFindExactlyTheirRows_data();
    void typedTextsFindExactlyTheirRows();
    void refusedEntryStopsOk_data();
    void refusedEntryStopsOk();
    void sortOrders_data();
    void sortOrders();
    void gridColumnsFootersAndRedNegatives();
    void resultLongerThanTheFirstScreens();
    void rowsFailingWhileScrolledAreTold();
    void doubleClickCorrectsBehindThePassword();
    void monthRecordsOfAnAccount_data();
    void monthRecordsOfAnAccount();
    void monthRecordsOfLeapFebruary();
    void printAndExportWaitForAReport();
    void printShowsTheResult();
    void sheetHoldsTheResult();
    void emptyResultGivesHeadingsOnly();
    void exportOpensTheSheetOrSaysWhy_data();
    void exportOpensTheSheetOrSaysWhy();
    void exportNamesAreNeverReused();
    void exportWriteFailureIsTold_data();
    void exportWriteFailureIsTold();
    void exportCanBeStopped();
    void fileDialogsFollowTheProgramsLocale();
};

void ReportsTest::dialogStartsEachShowingAfresh()
{
    ConditionBooks books;
    books.makeReport([](QDialog &dialog) {
        choose(dialog, "ComboBox1", QStringLiteral("财务支出单"));
        tick(dialog, "CheckBox2");
        type(dialog, "Edit1", QStringLiteral("5"));
        type(dialog, "Edit6", QStringLiteral("备"));
        choose(dialog, "ComboBox2", QStringLiteral("现金"));
    });
    QCOMPARE(books.listed(), (Indexes{books.r4}));

    QStringList accounts, reasons;
    QString focus;
    books.program.screen().onDialog(QStringLiteral("FormMakeReport"), [&](QDialog &dialog) {
        dialog.show();
        QCOMPARE(dialog.windowTitle(), QStringLiteral("FormMakeReport"));
        for (const char *box : {"Edit1", "Edit2", "Edit3", "Edit4", "Edit5", "Edit6"})
            QCOMPARE(control<QLineEdit>(dialog, box)->text(), QString());
        QCOMPARE(control<QDateEdit>(dialog, "DateTimePicker1")->date(), QDate(2026, 12, 1));
        QCOMPARE(control<QDateEdit>(dialog, "DateTimePicker2")->date(), QDate(2026, 12, 31));
        for (const char *box : {"CheckBox1", "CheckBox2"})
            QVERIFY(!control<QCheckBox>(dialog, box)->isChecked());
        for (const char *field : {"DateTimePicker1", "DateTimePicker2", "Edit1", "Edit2"})
            QVERIFY(!control<QWidget>(dialog, field)->isEnabled());
        tick(dialog, "CheckBox1");
        QVERIFY(control<QWidget>(dialog, "DateTimePicker2")->isEnabled());
        QVERIFY(!control<QWidget>(dialog, "Edit2")->isEnabled());
        tick(dialog, "CheckBox2");
        QVERIFY(control<QWidget>(dialog, "Edit2")->isEnabled());
        QCOMPARE(control<QComboBox>(dialog, "ComboBox1")->currentText(), QStringLiteral("财务支出单"));
        auto *list = control<QComboBox>(dialog, "ComboBox2");
        for (int i = 0; i < list->count(); ++i)
            accounts.append(list->itemText(i));
        QCOMPARE(list->currentIndex(), 0);
        list = control<QComboBox>(dialog, "ComboBox3");
        for (int i = 0; i < list->count(); ++i)
            reasons.append(list->itemText(i));
        focus = dialog.focusWidget() ? dialog.focusWidget()->objectName() : QString();
        control<QPushButton>(dialog, "BitBtn2")->click();
    });
    books.action("ActionMakeReport").trigger();

    QCOMPARE(accounts, (QStringList{"所有", "工行", "现金"}));
    QCOMPARE(reasons, (QStringList{"所有", "销售收入", "办公费用"}));
    QCOMPARE(focus, QStringLiteral("ComboBox1"));
    // Cancel keeps the condition and the grid of the last OK.
    QCOMPARE(books.listed(), (Indexes{books.r4}));
    QCOMPARE(books.program.screen().takeMessages(), QStringList());
    QVERIFY(books.program.screen().allUsed());
}

// The dialog as drawn: every date shows whole in its picker, no caption is cut, and the picture
// buttons carry names that a screen reader can say.
void ReportsTest::conditionsDialogShowsItsFieldsWhole()
{
    Books books;
    QStringList cut;
    QMap<QString, int> pickers; // how much wider each picker is than its longest date needs
    QStringList names;
    books.program.screen().onDialog(QStringLiteral("FormMakeReport"), [&](QDialog &dialog) {
        dialog.show();
        tick(dialog, "CheckBox1");
        for (const char *name : {"DateTimePicker1", "DateTimePicker2"}) {
            auto *picker = control<QDateEdit>(dialog, name);
            picker->setDate({2026, 12, 28});
            pickers[QLatin1String(name)] = picker->width() - picker->sizeHint().width();
        }
        cut = cutLabels(dialog);
        for (const char *button : {"BitBtn1", "BitBtn2"})
            names.append(QAccessible::queryAccessibleInterface(control<QPushButton>(dialog, button))->text(QAccessible::Name));
        control<QPushButton>(dialog, "BitBtn2")->click();
    });
    books.action("ActionMakeReport").trigger();
    for (auto picker = pickers.cbegin(); picker != pickers.cend(); ++picker)
        QVERIFY2(picker.value() >= 0, qPrintable(picker.key() + QStringLiteral(" too narrow by %1").arg(-picker.value())));
    QCOMPARE(cut, QStringList());
    QCOMPARE(names, (QStringList{"确定", "取消"}));
    QCOMPARE(books.program.screen().takeMessages(), QStringList());
}

void ReportsTest::conditionsFindTheirRecords_data()
{
    QTest::addColumn<Fill>("fill");
    QTest::addColumn<QList<int>>("expected"); // record numbers r1..r5 in time order
    const auto none = [](QDialog &) {};
    QTest::newRow("nothing chosen") << Fill(none) << QList<int>{3, 1, 2, 4, 5};
    QTest::newRow("this month") << Fill([](QDialog &d) { tick(d, "CheckBox1"); }) << QList<int>{1, 2, 4};
    QTest::newRow("range entered backwards") << Fill([](QDialog &d) {
        tick(d, "CheckBox1");
        control<QDateEdit>(d, "DateTimePicker1")->setDate({2026, 12, 31});
        control<QDateEdit>(d, "DateTimePicker2")->setDate({2026, 11, 30});
    }) << QList<int>{3, 1, 2, 4};
    QTest::newRow("range of one day") << Fill([](QDialog &d) {
        tick(d, "CheckBox1");
        control<QDateEdit>(d, "DateTimePicker1")->setDate({2026, 11, 30});
        control<QDateEdit>(d, "DateTimePicker2")->setDate({2026, 11, 30});
    }) << QList<int>{3};
    QTest::newRow("lower bound strict") << Fill([](QDialog &d) {
        tick(d, "CheckBox2");
        type(d, "Edit1", QStringLiteral("100"));
    }) << QList<int>{3, 4};
    QTest::newRow("lower bound -100 matches all") << Fill([](QDialog &d) {
        tick(d, "CheckBox2");
        type(d, "Edit1", QStringLiteral("-100"));
    }) << QList<int>{3, 1, 2, 4, 5};
    QTest::newRow("upper bound strict") << Fill([](QDialog &d) {
        tick(d, "CheckBox2");
        type(d, "Edit2", QStringLiteral("100"));
    }) << QList<int>{5};
    QTest::newRow("both bounds") << Fill([](QDialog &d) {
        tick(d, "CheckBox2");
        type(d, "Edit1", QStringLiteral("99.99"));
        type(d, "Edit2", QStringLiteral("100.02"));
    }) << QList<int>{3, 1, 2};
    QTest::newRow("bounds left out when cleared") << Fill([](QDialog &d) {
        tick(d, "CheckBox2");
        type(d, "Edit1", QStringLiteral("100"));
        tick(d, "CheckBox2", false);
    }) << QList<int>{3, 1, 2, 4, 5};
    QTest::newRow("income leaves 0 out") << Fill([](QDialog &d) { choose(d, "ComboBox1", QStringLiteral("财务收入单")); })
                                         << QList<int>{3, 1};
    QTest::newRow("expense leaves 0 out") << Fill([](QDialog &d) { choose(d, "ComboBox1", QStringLiteral("财务支出单")); })
                                          << QList<int>{2, 4};
    QTest::newRow("account") << Fill([](QDialog &d) { choose(d, "ComboBox2", QStringLiteral("现金")); }) << QList<int>{2, 4};
    QTest::newRow("reason") << Fill([](QDialog &d) { choose(d, "ComboBox3", QStringLiteral("办公费用")); })
                            << QList<int>{2, 4};
    QTest::newRow("type") << Fill([](QDialog &d) { choose(d, "ComboBox4", QStringLiteral("杂项")); }) << QList<int>{2, 4, 5};
    QTest::newRow("voucher") << Fill([](QDialog &d) { choose(d, "ComboBox5", QStringLiteral("发票")); })
                             << QList<int>{3, 1, 5};
    QTest::newRow("part of customer") << Fill([](QDialog &d) { type(d, "Edit4", QStringLiteral("老客户")); })
                                      << QList<int>{3, 1};
    QTest::newRow("part of document number") << Fill([](QDialog &d) { type(d, "Edit3", QStringLiteral("001")); })
                                             << QList<int>{3, 1};
    QTest::newRow("part of salesperson") << Fill([](QDialog &d) { type(d, "Edit5", QStringLiteral("三丰")); })
                                         << QList<int>{3};
    QTest::newRow("part of remark") << Fill([](QDialog &d) { type(d, "Edit6", QStringLiteral("用")); }) << QList<int>{4};
    QTest::newRow("every piece at once") << Fill([](QDialog &d) {
        tick(d, "CheckBox1");
        tick(d, "CheckBox2");
        type(d, "Edit1", QStringLiteral("50"));
        choose(d, "ComboBox1", QStringLiteral("财务收入单"));
        choose(d, "ComboBox2", QStringLiteral("工行"));
        choose(d, "ComboBox3", QStringLiteral("销售收入"));
        type(d, "Edit4", QStringLiteral("客"));
        type(d, "Edit5", QStringLiteral("张"));
    }) << QList<int>{1};
}

void ReportsTest::conditionsFindTheirRecords()
{
    QFETCH(Fill, fill);
    QFETCH(QList<int>, expected);
    ConditionBooks books;
    const Indexes numbers{0, books.r1, books.r2, books.r3, books.r4, books.r5};
    Indexes wanted;
    for (int n : expected)
        wanted.append(numbers[n]);
    books.makeReport(fill);
    QCOMPARE(books.listed(), wanted);
    QCOMPARE(books.program.screen().takeMessages(), QStringList());
}

void ReportsTest::typedTextsFindExactlyTheirRows_data()
{
    QTest::addColumn<int>("field");
    QTest::addColumn<QString>("text");
    const QStringList texts{"O'Brien", "#1#", "a--b", "x;y", "50%", "a_b", "'); Drop Table Account; --"};
    for (int field = 0; field < int(std::size(TypedFields)); ++field)
        for (const QString &text : texts)
            QTest::newRow(qPrintable(QLatin1String(TypedFields[field].name) + QLatin1Char(' ') + text)) << field << text;
}

// A value holding a quote or a character that other matching treats as special finds the row that
// holds it, and not the decoys that a widened match would also find.
void ReportsTest::typedTextsFindExactlyTheirRows()
{
    QFETCH(int, field);
    QFETCH(QString, text);
    const TypedField &typed = TypedFields[field];
    const QString value = QString::fromUtf8(typed.prefix) + text;
    const QByteArray stored = value.toUtf8();
    Books books;
    books.account(QStringLiteral("甲") + text, 1);
    books.parameter(1, QStringLiteral("乙") + text);
    // What a pattern match, a cut statement or a lost quote would find as well.
    for (const char *decoy : {"50x", "aXb", "ab", "O", "1", "a-b", "x", "y'z", "%", "_", "--", "'"})
        books.record({"工行", {2026, 12, 2}, 1, "销售收入", "货款", "发票", decoy, decoy, decoy, decoy});
    Record holder{"工行", {2026, 12, 4}, 3};
    holder.*typed.member = stored.constData();
    const qint64 wanted = books.record(holder);

    books.makeReport([&](QDialog &d) {
        if (QLatin1String(typed.control).startsWith(QLatin1String("ComboBox")))
            choose(d, typed.control, value);
        else
            type(d, typed.control, value);
    });
    QCOMPARE(books.program.screen().takeMessages(), QStringList());
    QCOMPARE(books.listed(), (Indexes{wanted}));
    QCOMPARE(books.program.select(QStringLiteral("Select Count(*) As N From Account")).fieldInteger(QStringLiteral("N")), 5);
}

void ReportsTest::refusedEntryStopsOk_data()
{
    QTest::addColumn<QString>("box");
    QTest::addColumn<QString>("text");
    QTest::addColumn<bool>("ticked");
    QTest::addColumn<QString>("message");
    const QString badAmount = QStringLiteral("金额格式有误，请重新输入");
    QTest::newRow("minus alone") << "Edit1" << "-" << true << badAmount;
    QTest::newRow("two points") << "Edit1" << "1..2" << true << badAmount;
    QTest::newRow("point alone") << "Edit2" << "." << true << badAmount;
    QTest::newRow("two minus signs") << "Edit1" << "--5" << true << badAmount;
    QTest::newRow("minus inside") << "Edit2" << "1-2" << true << badAmount;
    QTest::newRow("statement text") << "Edit2" << "1) Or (1=1" << true << badAmount;
    QTest::newRow("upper bad while cleared") << "Edit2" << "abc" << false << badAmount;
    // A NUL character pasted along with a text is told as the entry dialogs tell it, not as a fault
    // of the settings file; the boxes before it hold good texts.
    const QString invisible = QStringLiteral("输入的内容含有看不见的空字符（多为粘贴带入），无法保存，请删除后重新输入");
    const QString nul(QChar(0));
    QTest::newRow("NUL in 单据编号") << "Edit3" << nul + "0012" << true << invisible;
    QTest::newRow("NUL in 客户名称") << "Edit4" << "老" + nul + "客户" << true << invisible;
    QTest::newRow("NUL in 业务员") << "Edit5" << "张三" + nul << true << invisible;
    QTest::newRow("NUL in 备注") << "Edit6" << "备" + nul + "注" << true << invisible;
}

// A refused OK empties the condition; cancelling then leaves it empty, so a sort change lists every
// record in scope, not what the earlier report showed.
void ReportsTest::refusedEntryStopsOk()
{
    QFETCH(QString, box);
    QFETCH(QString, text);
    QFETCH(bool, ticked);
    QFETCH(QString, message);
    ConditionBooks books;
    books.makeReport([](QDialog &d) { choose(d, "ComboBox2", QStringLiteral("现金")); });
    QCOMPARE(books.listed(), (Indexes{books.r2, books.r4}));

    QString focus;
    bool stayedOpen = false;
    books.program.screen().onDialog(QStringLiteral("FormMakeReport"), [&](QDialog &d) {
        d.show();
        tick(d, "CheckBox2");
        type(d, "Edit1", QStringLiteral("5"));
        for (const char *earlier : {"Edit3", "Edit4", "Edit5"})
            type(d, earlier, QStringLiteral("甲"));
        type(d, box.toLatin1().constData(), text);
        tick(d, "CheckBox2", ticked);
        control<QPushButton>(d, "BitBtn1")->click();
        stayedOpen = d.isVisible();
        focus = d.focusWidget() ? d.focusWidget()->objectName() : QString();
        control<QPushButton>(d, "BitBtn2")->click();
    });
    books.action("ActionMakeReport").trigger();
    QCOMPARE(books.program.screen().takeMessages(), QStringList{message});
    QVERIFY(stayedOpen);
    if (ticked)
        QCOMPARE(focus, box);
    QCOMPARE(books.program.windows().makeReport->ReportCondition, QString());
    QCOMPARE(books.listed(), (Indexes{books.r2, books.r4})); // the grid was not reloaded

    books.order().setCurrentIndex(2);
    QCOMPARE(books.listed(), (Indexes{books.r3, books.r1, books.r5, books.r2, books.r4}));
    QCOMPARE(books.program.screen().takeMessages(), QStringList());
}

void ReportsTest::sortOrders_data()
{
    QTest::addColumn<int>("order");
    QTest::addColumn<QList<int>>("expected");
    // A sort change before any report lists every record in scope.
    QTest::newRow("by account") << 1 << QList<int>{3, 1, 7, 5, 2, 4};
    QTest::newRow("by amount") << 2 << QList<int>{7, 3, 1, 5, 2, 4};
    QTest::newRow("back to time") << 0 << QList<int>{3, 1, 7, 2, 4, 5};
}

void ReportsTest::sortOrders()
{
    QFETCH(int, order);
    QFETCH(QList<int>, expected);
    ConditionBooks books;
    // A day shared with r1 falls back to the record number.
    const qint64 r7 = books.record({"工行", {2026, 12, 1}, 150});
    const Indexes numbers{0, books.r1, books.r2, books.r3, books.r4, books.r5, books.r6, r7};
    if (order == 0)
        books.order().setCurrentIndex(2);
    books.order().setCurrentIndex(order);
    Indexes wanted;
    for (int n : expected)
        wanted.append(numbers[n]);
    QCOMPARE(books.listed(), wanted);
    QCOMPARE(books.program.screen().takeMessages(), QStringList());
}

void ReportsTest::gridColumnsFootersAndRedNegatives()
{
    Books books;
    for (int i = 0; i < 77; ++i)
        books.record({"工行", {2026, 12, 1}, 12.3});
    books.record({"现金", {2026, 12, 2}, -0.3});
    books.makeReport([](QDialog &) {});
    DataGrid &grid = books.grid();
    QCOMPARE(grid.columnCount(), 11);
    const int index = books.column(QStringLiteral("MoneyIndex"));
    const int sum = books.column(QStringLiteral("MoneySum"));
    QCOMPARE(grid.title(index), QStringLiteral("记录号"));
    QCOMPARE(grid.title(books.column(QStringLiteral("MoneyRemark"))), QStringLiteral("备注"));
    QCOMPARE(grid.columnWidth(books.column(QStringLiteral("MoneyUser"))), 100);
    QCOMPARE(grid.footerText(index), QStringLiteral("78条"));
    QCOMPARE(grid.footerText(sum), QStringLiteral("946.8"));
    QCOMPARE(grid.cellColour(77, sum), QColor(Qt::red));
    QCOMPARE(grid.cellColour(76, sum), QColor(Qt::black));
    QCOMPARE(books.program.screen().takeMessages(), QStringList());
}

void ReportsTest::resultLongerThanTheFirstScreens()
{
    // More rows than are read before the grid shows, in the amount order with its many ties.
    Books books;
    struct Written
    {
        double sum;
        QDate day;
        qint64 index;
    };
    QList<Written> written;
    double total = 0;
    for (int i = 0; i < 300; ++i) {
        const Record r{i % 2 ? "工行" : "现金", QDate(2026, 12, 1 + i % 9), (i % 7) * 12.3 - 30};
        written.append({r.sum, r.day, books.record(r)});
        total += r.sum;
    }
    std::sort(written.begin(), written.end(), [](const Written &a, const Written &b) {
        return std::tuple(-a.sum, a.day, a.index) < std::tuple(-b.sum, b.day, b.index);
    });
    Indexes expected;
    for (const Written &w : written)
        expected.append(w.index);

    books.order().setCurrentIndex(2);
    QCOMPARE(books.listed(), expected);
    QCoreApplication::sendPostedEvents(); // the grid grows to the count
    DataGrid &grid = books.grid();
    QCOMPARE(grid.footerText(books.column(QStringLiteral("MoneyIndex"))), QStringLiteral("300条"));
    QCOMPARE(grid.footerText(books.column(QStringLiteral("MoneySum"))), RoundToText(total));

    // A correction opens the record of the row chosen far down the grid.
    ScriptedScreen &screen = books.program.screen();
    qint64 opened = 0;
    screen.onDialog(QStringLiteral("FormAsk"), [](QDialog &prompt) {
        control<QPushButton>(prompt, "BitBtn1")->click();
    });
    screen.onDialog(QStringLiteral("FormGetPay"), [&](QDialog &) { opened = books.program.windows().getPay->EntryIndex; });
    grid.setCurrentIndex(grid.model().index(290, 0));
    books.page().EditReportRecord();
    QCOMPARE(opened, expected[290]);
    QCOMPARE(screen.takeMessages(), QStringList());
}

void ReportsTest::rowsFailingWhileScrolledAreTold()
{
    Books books;
    for (int i = 0; i < 300; ++i)
        books.record({"工行", QDate(2026, 12, 1 + i % 9), 12.3});
    books.makeReport([](QDialog &) {});
    books.program.main().reportObjects().ADOQueryReportGrid.waitForKeys();
    QCoreApplication::sendPostedEvents(); // the grid grows to the count
    OtherProgram other(books.program);
    QCOMPARE(other.execute("ALTER TABLE MoneyTable RENAME COLUMN MoneyUser TO MoneyCustomer"), SQLITE_OK);

    DataGrid &grid = books.grid();
    QVERIFY(grid.model().data(grid.model().index(299, 0)).toString().isEmpty());
    QCoreApplication::processEvents();
    QCOMPARE(books.program.screen().takeMessages(), QStringList{QStringLiteral("报表的记录读取失败，请重新生成报表。")});
    QVERIFY(books.program.screen().takeDetails().join(QString()).contains(QStringLiteral("MoneyUser"), Qt::CaseInsensitive));
    QCOMPARE(grid.model().rowCount(), 0);
}

void ReportsTest::doubleClickCorrectsBehindThePassword()
{
    ConditionBooks books;
    ScriptedScreen &screen = books.program.screen();
    books.page().EditReportRecord();
    QCOMPARE(screen.takeMessages(), QStringList{QStringLiteral("请先选中需要查看的记录")});

    books.makeReport([](QDialog &d) { choose(d, "ComboBox2", QStringLiteral("现金")); });
    books.grid().setCurrentIndex(books.grid().model().index(1, 0));
    const auto password = [](const QString &answer) {
        return [answer](QDialog &prompt) {
            control<QLineEdit>(prompt, "Edit1")->setText(answer);
            control<QPushButton>(prompt, "BitBtn1")->click();
        };
    };
    screen.onDialog(QStringLiteral("FormAsk"), password(QStringLiteral("错的")));
    books.page().EditReportRecord();
    QCOMPARE(screen.takeMessages(), QStringList{QStringLiteral("密码错误，请重新操作")});

    int mode = -1;
    qint64 index = 0;
    screen.onDialog(QStringLiteral("FormAsk"), password(QString()));
    screen.onDialog(QStringLiteral("FormGetPay"), [&](QDialog &entry) {
        mode = books.program.windows().getPay->EntryMode;
        index = books.program.windows().getPay->EntryIndex;
        entry.show();
        control<QLineEdit>(entry, "Edit3")->setText(QStringLiteral("40.7"));
        control<QPushButton>(entry, "BitBtn1")->click();
    });
    QTest::mouseDClick(books.grid().viewport(), Qt::LeftButton, {}, books.grid().visualRect(books.grid().model().index(1, 0)).center());
    QCOMPARE(screen.takeMessages(), QStringList{QStringLiteral("记录修改成功")});
    QCOMPARE(mode, 3);
    QCOMPARE(index, books.r4);
    // Reloaded with the same condition: the corrected amount shows.
    QCOMPARE(books.listed(), (Indexes{books.r2, books.r4}));
    QCOMPARE(books.grid().model().value(1, books.column(QStringLiteral("MoneySum"))).toDouble(), -40.7);
    QVERIFY(screen.allUsed());
}

void ReportsTest::monthRecordsOfAnAccount_data()
{
    QTest::addColumn<QString>("account");
    QTest::addColumn<QList<int>>("expected");
    QTest::newRow("cash in December") << "现金" << QList<int>{2, 4};
    QTest::newRow("bank in December") << "工行" << QList<int>{1};
    QTest::newRow("no records this month") << "新户" << QList<int>{};
}

// 当月记录 lists the account's calendar month of the current date on 报表中心; the condition stays,
// so a sort change lists the same records again.
void ReportsTest::monthRecordsOfAnAccount()
{
    QFETCH(QString, account);
    QFETCH(QList<int>, expected);
    ConditionBooks books;
    books.account(QStringLiteral("新户"), 2);
    const Indexes numbers{0, books.r1, books.r2, books.r3, books.r4, books.r5};
    Indexes wanted;
    for (int n : expected)
        wanted.append(numbers[n]);
    books.makeReport([](QDialog &d) { choose(d, "ComboBox1", QStringLiteral("财务收入单")); });
    books.program.main().setPageVisible(FormMain::ReportsTab, true);
    books.program.main().setActivePage(FormMain::AccountsTab);
    FormAccount2 &window = *books.program.windows().account2;
    window.DetailAccountName = account;
    bool still = true;
    books.program.screen().onDialog(QStringLiteral("FormAccount2"), [&](QDialog &dialog) {
        dialog.show();
        control<QToolButton>(dialog, "SpeedButton4")->click();
        still = dialog.isVisible();
    });
    window.showDetail();

    QVERIFY(!still);
    QCOMPARE(books.listed(), wanted);
    QCOMPARE(books.grid().footerText(books.column(QStringLiteral("MoneyIndex"))),
             QString::number(wanted.size()) + QStringLiteral("条"));
    QCOMPARE(control<QTabWidget>(books.program.main(), "PageControl1")->currentIndex(), int(FormMain::ReportsTab));
    books.order().setCurrentIndex(2); // each month's amounts fall with time, so the order stays
    QCOMPARE(books.listed(), wanted);
    QCOMPARE(books.program.screen().takeMessages(), QStringList());
}

// In a leap year the month of the current date ends on 29 February, not before it and not after.
void ReportsTest::monthRecordsOfLeapFebruary()
{
    Books books;
    books.record({"工行", {2028, 1, 31}, 1});
    const qint64 first = books.record({"工行", {2028, 2, 1}, 2});
    const qint64 last = books.record({"工行", {2028, 2, 29}, 3});
    books.record({"工行", {2028, 3, 1}, 4});
    books.record({"现金", {2028, 2, 29}, 5});
    auto *current = control<QDateEdit>(books.program.main(), "DateTimePicker1");
    {
        const QSignalBlocker quiet(current);
        current->setDate({2028, 2, 14});
    }
    books.program.main().setPageVisible(FormMain::ReportsTab, true);
    FormAccount2 &window = *books.program.windows().account2;
    window.DetailAccountName = QStringLiteral("工行");
    books.program.screen().onDialog(QStringLiteral("FormAccount2"), [](QDialog &dialog) {
        dialog.show();
        control<QToolButton>(dialog, "SpeedButton4")->click();
    });
    window.showDetail();
    QCOMPARE(books.listed(), (Indexes{first, last}));
    QCOMPARE(books.program.screen().takeMessages(), QStringList());
}

void ReportsTest::printAndExportWaitForAReport()
{
    Books books;
    books.record({"工行", {2026, 12, 1}, 12.3});
    books.action("ActionPrintReport").trigger();
    books.action("ActionToExcel").trigger();
    QCOMPARE(books.program.screen().takeMessages(), QStringList());
    QCOMPARE(books.program.screen().unexpected(), QStringList());
    QCOMPARE(books.program.screen().openedUrls(), QList<QUrl>());
}

void ReportsTest::printShowsTheResult()
{
    Books books;
    for (int i = 0; i < 3; ++i)
        books.record({"工行", {2026, 12, 1 + i}, 12.3, "销售收入", "货款", "发票", "印刷客户"});
    books.makeReport([](QDialog &) {});
    int pages = 0;
    books.program.screen().onDialog(QStringLiteral("FormPreview"), [&](QDialog &preview) {
        pages = books.program.main().reportObjects().frReport2.pageCount();
        control<QPushButton>(preview, "ButtonExit")->click();
    });
    books.action("ActionPrintReport").trigger();
    QCOMPARE(pages, 1);
    QVERIFY(books.program.main().reportObjects().frReport2.findNext(QStringLiteral("印刷客户")).has_value());
    QCOMPARE(books.program.screen().takeMessages(), QStringList());
    QVERIFY(books.program.screen().allUsed());
}

// Text stays text (leading zeros kept), amounts are numbers, dates follow their stored form: books
// files kept from earlier versions may hold a time with the day, server books hold the day only.
void ReportsTest::sheetHoldsTheResult()
{
    const bool dayOnly = TestEngine::onServer();
    Books books;
    books.record({"工行", {2026, 12, 1}, -12.5, "销售收入", "货款", "发票", "老客户", "0012"});
    books.record({"现金", {}, 77 * 12.3, "办公费用"},
                 dayOnly ? QStringLiteral("2026-12-03") : QStringLiteral("2026-12-03 14:05:09"));
    books.makeReport([](QDialog &) {});
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("sheet.xlsx"));
    QCOMPARE(SheetExport::write(path, books.grid(), {2026, 12, 10}), SheetExport::Outcome::Written);
    const auto cells = sheetCells(path);
    QCOMPARE(cells.value(QStringLiteral("A1")), QStringLiteral("日期:2026年12月10日"));
    QVERIFY(!cells.contains(QStringLiteral("A2")));
    const QStringList titles{"记录号", "单据编号", "录入时间", "帐户名", "客户名称", "金额",
                             "业务员", "收支种类", "类别", "凭证", "备注"};
    for (int c = 0; c < titles.size(); ++c)
        QCOMPARE(cells.value(QChar(u'A' + c) + QStringLiteral("3")), titles[c]);
    QCOMPARE(cells.value(QStringLiteral("B4")), QStringLiteral("0012"));
    QCOMPARE(cells.value(QStringLiteral("C4")), QStringLiteral("2026.12.01"));
    QCOMPARE(cells.value(QStringLiteral("D4")), QStringLiteral("工行"));
    QCOMPARE(cells.value(QStringLiteral("F4")), QStringLiteral("#-12.5"));
    QVERIFY(cells.value(QStringLiteral("A4")).startsWith(u'#'));
    QCOMPARE(cells.value(QStringLiteral("C5")),
             dayOnly ? QStringLiteral("2026.12.03") : QStringLiteral("2026.12.03 14.05.09"));
    QCOMPARE(cells.value(QStringLiteral("F5")).mid(1).toDouble(), 77 * 12.3);
    QVERIFY(!cells.contains(QStringLiteral("A6")));
    QCOMPARE(books.program.screen().takeMessages(), QStringList());
}

void ReportsTest::emptyResultGivesHeadingsOnly()
{
    Books books;
    books.makeReport([](QDialog &d) { type(d, "Edit4", QStringLiteral("无此客户")); });
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("empty.xlsx"));
    QCOMPARE(SheetExport::write(path, books.grid(), {2027, 1, 5}), SheetExport::Outcome::Written);
    const auto cells = sheetCells(path);
    QCOMPARE(cells.value(QStringLiteral("A1")), QStringLiteral("日期:2027年01月05日"));
    QCOMPARE(cells.value(QStringLiteral("K3")), QStringLiteral("备注"));
    QCOMPARE(cells.size(), 12);
    QCOMPARE(books.program.screen().takeMessages(), QStringList());
}

void ReportsTest::exportOpensTheSheetOrSaysWhy_data()
{
    QTest::addColumn<QString>("userDirs");  // XDG_DOCUMENTS_DIR of the user-dirs file, none when empty
    QTest::addColumn<QString>("documents"); // the documents folder under the home folder
    QTest::newRow("documents folder named by XDG") << "\"$HOME/文档\"" << "文档";
    QTest::newRow("no user-dirs file") << "" << "Documents";
}

// The workbook is written into 流水帐导出 in the user's documents folder, named by the time, and left
// there once opened; when nothing opens it, the user is told and no file is left behind.
void ReportsTest::exportOpensTheSheetOrSaysWhy()
{
    QFETCH(QString, userDirs);
    QFETCH(QString, documents);
    OwnHome home(userDirs);
    Books books;
    books.record({"工行", {2026, 12, 1}, 12.3});
    books.makeReport([](QDialog &) {});
    ScriptedScreen &screen = books.program.screen();
    books.action("ActionToExcel").trigger();
    QCOMPARE(screen.takeMessages(), QStringList());
    QCOMPARE(screen.openedUrls().size(), 1);
    const QFileInfo opened(screen.openedUrls().first().toLocalFile());
    QCOMPARE(opened.absolutePath(), home.path(documents + QStringLiteral("/流水帐导出")));
    QVERIFY2(QRegularExpression(QStringLiteral("^报表导出_20261210_\\d{6}\\.xlsx$")).match(opened.fileName()).hasMatch(),
             qPrintable(opened.fileName()));
    QVERIFY(opened.exists());
    QCOMPARE(sheetCells(opened.filePath()).value(QStringLiteral("F4")), QStringLiteral("#12.3"));

    screen.refuseUrls();
    books.action("ActionToExcel").trigger();
    QCOMPARE(screen.takeMessages(),
             QStringList{QStringLiteral("本机未安装EXCEL,本功能必须在安装有EXCEL的电脑上才能运行!")});
    QCOMPARE(screen.openedUrls().size(), 2);
    QVERIFY(!QFile::exists(screen.openedUrls().last().toLocalFile()));
    QVERIFY(opened.exists());
}

// Exports in the same second never overwrite each other.
void ReportsTest::exportNamesAreNeverReused()
{
    QTemporaryDir folder;
    const QDateTime moment(QDate(2026, 12, 10), QTime(14, 5, 9));
    QStringList names;
    for (int n = 0; n < 3; ++n) {
        const QString path = SheetExport::newFilePath(folder.path(), moment);
        names.append(QFileInfo(path).fileName());
        writeBytes(path, "earlier export");
    }
    QCOMPARE(names, (QStringList{"报表导出_20261210_140509.xlsx", "报表导出_20261210_140509_2.xlsx",
                                 "报表导出_20261210_140509_3.xlsx"}));
}

void ReportsTest::exportWriteFailureIsTold_data()
{
    QTest::addColumn<QString>("fault");
    QTest::newRow("export folder taken by a file") << "folder";
    QTest::newRow("disk full while writing") << "disk";
}

// A workbook that cannot be written is told with the folder it was to go to; nothing opens and no
// part of a workbook is left.
void ReportsTest::exportWriteFailureIsTold()
{
    QFETCH(QString, fault);
    OwnHome home;
    Books books;
    for (int n = 0; n < 300; ++n)
        books.record({"工行", {2026, 12, 1 + n % 28}, 12.3, "销售收入", "货款", "发票", "一位名字很长的老客户"});
    books.makeReport([](QDialog &) {});
    const QString folder = home.path(QStringLiteral("Documents/流水帐导出"));
    if (fault == u"folder") {
        QVERIFY(QDir().mkpath(home.path(QStringLiteral("Documents"))));
        writeBytes(folder, "not a folder");
        books.action("ActionToExcel").trigger();
    } else {
        QVERIFY(QDir().mkpath(folder));
        FileSizeLimit limit(4096);
        books.action("ActionToExcel").trigger();
    }
    QCOMPARE(books.program.screen().takeMessages(),
             QStringList{QStringLiteral("建立Excel对象不成功，请重试!\n表格未能写入“") + folder
                         + QStringLiteral("”，请确认这个文件夹可以写入、磁盘没有写满。")});
    QCOMPARE(books.program.screen().openedUrls(), QList<QUrl>());
    if (fault == u"disk")
        QCOMPARE(QDir(folder).entryList(QDir::Files), QStringList());
}

// 取消 in the progress window stops the export: nothing opens, nothing is told, no file is left, and
// the window is gone.
void ReportsTest::exportCanBeStopped()
{
    StoppableProgress::setShowDelay(0); // as though the export had taken longer than a second
    const auto restoreDelay = qScopeGuard([] { StoppableProgress::setShowDelay(1000); });
    OwnHome home;
    Books books;
    for (int n = 0; n < 300; ++n)
        books.record({"工行", {2026, 12, 1 + n % 28}, 12.3});
    books.makeReport([](QDialog &) {});
    auto *progress = books.program.windows().progress;
    QVERIFY(progress);
    QList<int> shown;
    bool modalWithCancel = true;
    connect(progress->ProgressBar1(), &QProgressBar::valueChanged, progress, [&](int value) {
        shown.append(value);
        modalWithCancel = modalWithCancel && progress->isVisible() && progress->isModal()
            && progress->BitBtn1()->isVisible();
        if (shown.size() == 3)
            progress->BitBtn1()->click();
    });
    books.action("ActionToExcel").trigger();
    QCOMPARE(shown.size(), 3);
    QVERIFY(modalWithCancel);
    QCOMPARE(books.program.screen().takeMessages(), QStringList());
    QCOMPARE(books.program.screen().openedUrls(), QList<QUrl>());
    QCOMPARE(QDir(home.path(QStringLiteral("Documents/流水帐导出"))).entryList(QDir::Files), QStringList());
    QVERIFY(!progress->isVisible());
    QVERIFY(!progress->isModal());
}

// The file dialogs are the program's own and write a file's size and modification date as the
// program's Chinese locale does, whatever language the desktop speaks.
void ReportsTest::fileDialogsFollowTheProgramsLocale()
{
    const QLocale before;
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    const auto restoreLocale = qScopeGuard([&] { QLocale::setDefault(before); });
    QTemporaryDir folder;
    const QString path = folder.filePath(QStringLiteral("报表导出_20261210_140509.xlsx"));
    writeBytes(path, "workbook");
    const QDateTime modified(QDate(2026, 12, 10), QTime(14, 5));
    QFile file(path);
    QVERIFY(file.open(QIODevice::ReadWrite) && file.setFileTime(modified, QFileDevice::FileModificationTime));
    file.close();

    FileDialog dialog(nullptr, QStringLiteral("恢复数据"), path, QStringLiteral("表格 (*.xlsx)"));
    QVERIFY(dialog.testOption(QFileDialog::DontUseNativeDialog));
    QAbstractProxyModel *shown = dialog.proxyModel();
    QVERIFY(shown);
    auto *files = qobject_cast<QFileSystemModel *>(shown->sourceModel());
    QVERIFY(files);
    const QModelIndex date = shown->mapFromSource(files->index(path, 3));
    QCOMPARE(date.data().toString(), QStringLiteral("2026/12/10 14:05"));
    auto *list = dialog.findChild<QTreeView *>(QStringLiteral("treeView"));
    QVERIFY(list);
    QVERIFY(list->header()->sectionSize(3) > list->fontMetrics().horizontalAdvance(date.data().toString()));
    QCOMPARE(shown->mapFromSource(files->index(path, 0)).data().toString(), QFileInfo(path).fileName());
    QCOMPARE(shown->mapFromSource(files->index(path, 1)).data().toString(), QStringLiteral("8 字节"));
}

QTEST_MAIN(ReportsTest)
#include "tst_reports.moc"
