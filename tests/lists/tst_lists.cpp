// The three settings lists on the administrator's settings tab: loading, adding, renaming, deleting,
// and the prompt they share with the data-modification password.
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QPushButton>
#include <QtTest>

#include <sqlite3.h>

#include "app/FormMain.h"
#include "data/JetSql.h"
#include "data/Query.h"
#include "lists/SettingsPage.h"
#include "support/BooksFault.h"
#include "support/OtherProgram.h"
#include "support/TestEngine.h"
#include "support/ProgramFixture.h"
#include "app/Program.h"
#include "users/ModificationPassword.h"

namespace {

using Values = QList<std::pair<int, QString>>; // (list number, text) rows of Parameter, in order

void store(ProgramFixture &f, const Values &values)
{
    for (const auto &[n, text] : values)
        f.insert(QStringLiteral("Parameter"), {{QStringLiteral("ParameterType"), n}, {QStringLiteral("ParameterValue"), text}});
}

// The stored texts of list n, in the order the program's own load statement delivers them.
QStringList stored(ProgramFixture &f, int n)
{
    Query &rows = f.select(QStringLiteral("Select * From Parameter Where ParameterType =  %1").arg(n));
    QStringList texts;
    for (rows.first(); !rows.eof(); rows.next())
        texts.append(rows.fieldText(QStringLiteral("ParameterValue")));
    return texts;
}

QListWidget *listBox(ProgramFixture &f, int n)
{
    return f.main().settingsPage()->findChild<QListWidget *>(QStringLiteral("ListBox%1").arg(n));
}

QStringList sorted(QStringList texts)
{
    texts.sort();
    return texts;
}

QStringList shown(ProgramFixture &f, int n)
{
    QStringList texts;
    for (int row = 0; row < listBox(f, n)->count(); ++row)
        texts.append(listBox(f, n)->item(row)->text());
    return texts;
}

// The selected line of list n, -1 for none.
int selectedRow(ProgramFixture &f, int n)
{
    const QList<QListWidgetItem *> selected = listBox(f, n)->selectedItems();
    return selected.isEmpty() ? -1 : listBox(f, n)->row(selected.first());
}

enum Operation { Add = 1, Rename = 2, Delete = 3 };

void press(ProgramFixture &f, int n, Operation operation)
{
    const int button = (n - 1) * 3 + operation;
    f.main().settingsPage()->findChild<QPushButton *>(QStringLiteral("Button%1").arg(button))->click();
}

void selectLine(ProgramFixture &f, int n, const QString &text)
{
    const QList<QListWidgetItem *> found = listBox(f, n)->findItems(text, Qt::MatchExactly);
    QVERIFY(!found.isEmpty());
    listBox(f, n)->setCurrentItem(found.first());
}

// What the prompt showed when it came up.
struct Shown
{
    QString title;
    QString prompt;
    QString start;
    bool masked = false;
    bool entryFocused = false;
};

// A prompt handler that records what it showed, types `text` and clicks OK (or Cancel), which takes the
// focus from the entry as a mouse click does.
ScriptedScreen::DialogHandler answer(const QString &text, Shown *seen, bool confirm = true)
{
    return [=](QDialog &prompt) {
        auto *entry = prompt.findChild<QLineEdit *>(QStringLiteral("Edit1"));
        *seen = {prompt.windowTitle(), prompt.findChild<QLabel *>(QStringLiteral("Label1"))->text(), entry->text(),
                 entry->echoMode() != QLineEdit::Normal, prompt.focusWidget() == entry};
        entry->setText(text);
        auto *button = prompt.findChild<QPushButton *>(QString::fromLatin1(confirm ? "BitBtn1" : "BitBtn2"));
        button->setFocus();
        button->click();
    };
}

const char *const AddPrompts[] = {"请输入种类的名称", "请输入新类别的名称", "请输入新凭证的名称"};
const char *const RenamePrompts[] = {"请输入种类的名称", "请输入类别的名称", "请输入凭证的名称"};
const char *const Duplicates[] = {"存在同名的种类，请改名", "存在同名的类别，请改名", "存在同名的凭证，请改名"};
const char *const Empties[] = {"种类名不能为空", "类别名不能为空", "凭证名不能为空"};

QString text(const char *const table[], int n)
{
    return QString::fromUtf8(table[n - 1]);
}

} // namespace

class tst_lists : public QObject
{
    Q_OBJECT

private slots:
    void listsLoadAtLogin_data();
    void listsLoadAtLogin();
    void nothingSelected_data();
    void nothingSelected();
    void addValue_data();
    void addValue();
    void addCancelledStoresNothing();
    void renameValue_data();
    void renameValue();
    void renameOrDeleteRemovedValue();
    void lateRenameOverAnotherCashiersChange_data();
    void lateRenameOverAnotherCashiersChange();
    void sameValueByTwoCashiers();
    void deleteValue_data();
    void deleteValue();
    void doubleClickRenames_data();
    void doubleClickRenames();
    void failedStoreChangesNothing_data();
    void failedStoreChangesNothing();
    void promptPlainAfterFailedModificationPassword();
};

void tst_lists::listsLoadAtLogin_data()
{
    QTest::addColumn<bool>("cashier");
    QTest::newRow("管理员") << false;
    QTest::newRow("出纳") << true;
}

void tst_lists::listsLoadAtLogin()
{
    QFETCH(bool, cashier);
    ProgramFixture f;
    store(f, {{1, QStringLiteral("工资")}, {2, QStringLiteral("现金")}, {1, QStringLiteral("货款")}});
    if (cashier)
        f.loginAsCashier();
    else
        f.loginAsAdministrator();
    QCOMPARE(sorted(shown(f, 1)), sorted({QStringLiteral("工资"), QStringLiteral("货款")}));
    QCOMPARE(shown(f, 1), stored(f, 1));
    QCOMPARE(selectedRow(f, 1), 1);
    QCOMPARE(shown(f, 2), QStringList{QStringLiteral("现金")});
    QCOMPARE(selectedRow(f, 2), 0);
    QCOMPARE(shown(f, 3), QStringList());
    QCOMPARE(selectedRow(f, 3), -1);
    QCOMPARE(f.screen().takeMessages(), QStringList());

    // Loaded again at the next login, so a list never shows a line twice.
    if (cashier)
        f.loginAsCashier();
    else
        f.loginAsAdministrator();
    QCOMPARE(shown(f, 1).size(), 2);
}

void tst_lists::nothingSelected_data()
{
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("renameMessage");
    QTest::addColumn<QString>("deleteMessage");
    QTest::newRow("kinds") << 1 << "请先选中要修改的种类" << "请先选中要删除的种类";
    QTest::newRow("categories") << 2 << "请先选中要修改的类别" << "请先选中要删除的类别";
    QTest::newRow("vouchers") << 3 << "请先选中要修改的凭证" << "请先选中要删除的凭证";
}

void tst_lists::nothingSelected()
{
    QFETCH(int, n);
    QFETCH(QString, renameMessage);
    QFETCH(QString, deleteMessage);
    ProgramFixture f;
    f.loginAsAdministrator();
    press(f, n, Rename);
    QCOMPARE(f.main().focusWidget(), listBox(f, n));
    f.main().settingsPage()->findChild<QListWidget *>(QStringLiteral("ListBox%1").arg(n % 3 + 1))->setFocus();
    press(f, n, Delete);
    QCOMPARE(f.main().focusWidget(), listBox(f, n));
    QCOMPARE(f.screen().takeMessages(), (QStringList{renameMessage, deleteMessage}));

    // A list with lines but the selection cleared by the user says the same.
    store(f, {{n, QStringLiteral("甲")}});
    f.loginAsAdministrator();
    listBox(f, n)->clearSelection();
    f.screen().takeMessages();
    press(f, n, Rename);
    QCOMPARE(f.screen().takeMessages(), QStringList{renameMessage});
    QCOMPARE(f.screen().unexpected(), QStringList());
}

void tst_lists::addValue_data()
{
    QTest::addColumn<int>("n");
    QTest::addColumn<Values>("existing");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("after");

    QTest::newRow("kind with a quote") << 1 << Values{{1, "工资"}} << "O'Brien 货款" << ""
                                       << QStringList{"工资", "O'Brien 货款"};
    QTest::newRow("entry order, not alphabetical") << 2 << Values{{2, "b"}, {2, "c"}} << "a" << ""
                                                   << QStringList{"b", "c", "a"};
    QTest::newRow("category already there") << 2 << Values{{2, "现金"}} << "现金" << text(Duplicates, 2)
                                            << QStringList{"现金"};
    QTest::newRow("voucher differing in Latin case") << 3 << Values{{3, "Invoice"}} << "INVOICE" << text(Duplicates, 3)
                                                     << QStringList{"Invoice"};
    QTest::newRow("kind with quote already there") << 1 << Values{{1, "a'b"}} << "a'b" << text(Duplicates, 1)
                                                   << QStringList{"a'b"};
    QTest::newRow("same text in another list") << 3 << Values{{1, "现金"}, {2, "现金"}} << "现金" << ""
                                               << QStringList{"现金"};
    QTest::newRow("empty category") << 2 << Values{} << "" << text(Empties, 2) << QStringList{};
    QTest::newRow("blank kept as typed") << 2 << Values{} << " 备用金 " << "" << QStringList{" 备用金 "};
}

void tst_lists::addValue()
{
    QFETCH(int, n);
    QFETCH(Values, existing);
    QFETCH(QString, typed);
    QFETCH(QString, message);
    QFETCH(QStringList, after);
    ProgramFixture f;
    store(f, existing);
    f.loginAsAdministrator();
    Shown seen;
    f.screen().onDialog(QStringLiteral("FormAsk"), answer(typed, &seen));
    press(f, n, Add);

    QCOMPARE(seen.title, QStringLiteral("参数设置"));
    QCOMPARE(seen.prompt, text(AddPrompts, n));
    QCOMPARE(seen.start, QString());
    QVERIFY(!seen.masked);
    QCOMPARE(f.screen().takeMessages(), message.isEmpty() ? QStringList() : QStringList{message});
    // Lists keep the order of entry, so the value just added is the selected last line.
    QCOMPARE(stored(f, n), after);
    QCOMPARE(shown(f, n), stored(f, n));
    QCOMPARE(selectedRow(f, n), int(after.size()) - 1);
}

void tst_lists::addCancelledStoresNothing()
{
    ProgramFixture f;
    f.loginAsAdministrator();
    Shown seen;
    f.screen().onDialog(QStringLiteral("FormAsk"), answer(QStringLiteral("工资"), &seen, false));
    press(f, 1, Add);
    QVERIFY(f.screen().allUsed());
    QCOMPARE(stored(f, 1), QStringList());
    QCOMPARE(f.screen().takeMessages(), QStringList());
}

void tst_lists::renameValue_data()
{
    QTest::addColumn<int>("n");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message");
    QTest::addColumn<QStringList>("after");

    // Each list holds "Alpha" then "Beta"; "Alpha" is renamed.
    QTest::newRow("to its own text") << 1 << "Alpha" << "" << QStringList{"Alpha", "Beta"};
    QTest::newRow("to a new text with a quote") << 2 << "Al'pha" << "" << QStringList{"Al'pha", "Beta"};
    QTest::newRow("to its own text in capitals") << 1 << "ALPHA" << "" << QStringList{"ALPHA", "Beta"};
    QTest::newRow("to the other value") << 1 << "Beta" << text(Duplicates, 1) << QStringList{"Alpha", "Beta"};
    QTest::newRow("to the other value in capitals") << 3 << "BETA" << text(Duplicates, 3)
                                                   << QStringList{"Alpha", "Beta"};
    QTest::newRow("to empty") << 2 << "" << text(Empties, 2) << QStringList{"Alpha", "Beta"};
}

void tst_lists::renameValue()
{
    QFETCH(int, n);
    QFETCH(QString, typed);
    QFETCH(QString, message);
    QFETCH(QStringList, after);
    ProgramFixture f;
    store(f, {{n, QStringLiteral("Alpha")}, {n, QStringLiteral("Beta")}, {n % 3 + 1, QStringLiteral("Alpha")}});
    f.loginAsAdministrator();
    selectLine(f, n, QStringLiteral("Alpha"));
    Shown seen;
    f.screen().onDialog(QStringLiteral("FormAsk"), answer(typed, &seen));
    press(f, n, Rename);

    QCOMPARE(seen.title, QStringLiteral("参数设置"));
    QCOMPARE(seen.prompt, text(RenamePrompts, n));
    QCOMPARE(seen.start, QStringLiteral("Alpha"));
    QCOMPARE(f.screen().takeMessages(), message.isEmpty() ? QStringList() : QStringList{message});
    QCOMPARE(sorted(stored(f, n)), sorted(after));
    QCOMPARE(stored(f, n % 3 + 1), QStringList{QStringLiteral("Alpha")}); // the other list is untouched
    QCOMPARE(shown(f, n), stored(f, n));
    // Reloaded after a rename, with its last line selected; otherwise the chosen line stays selected.
    const bool reloaded = !after.contains(QStringLiteral("Alpha"));
    QCOMPARE(selectedRow(f, n), reloaded ? 1 : int(shown(f, n).indexOf(QStringLiteral("Alpha"))));
}

void tst_lists::lateRenameOverAnotherCashiersChange_data()
{
    QTest::addColumn<int>("n");
    QTest::newRow("kinds") << 1;
    QTest::newRow("categories") << 2;
    QTest::newRow("vouchers") << 3;
}

// Each line keeps its value's version from when the list showed it: a rename after another cashier
// changed the value (here only its letter case, so that it is still found by name) stores nothing.
void tst_lists::lateRenameOverAnotherCashiersChange()
{
    QFETCH(int, n);
    SKIP_ON_FILE("the file keeps no row versions: the later rename stores, as on one machine");
    ProgramFixture f;
    store(f, {{n, QStringLiteral("Alpha")}, {n, QStringLiteral("Beta")}, {n % 3 + 1, QStringLiteral("Alpha")}});
    f.loginAsAdministrator();
    selectLine(f, n, QStringLiteral("Alpha"));
    {
        OtherProgram other(f);
        QCOMPARE(other.execute(qPrintable(
                     QStringLiteral("UPDATE Parameter SET ParameterValue = 'ALPHA' WHERE ParameterType = %1 AND ParameterValue = 'Alpha'")
                         .arg(n))),
                 SQLITE_OK);
    }
    Shown seen;
    f.screen().onDialog(QStringLiteral("FormAsk"), answer(QStringLiteral("Gamma"), &seen));
    press(f, n, Rename);

    QCOMPARE(f.screen().takeMessages(), QStringList{QStringLiteral("参数未能保存\n该记录已被其他用户修改，请重新打开")});
    QCOMPARE(sorted(stored(f, n)), (QStringList{QStringLiteral("ALPHA"), QStringLiteral("Beta")}));
    QCOMPARE(stored(f, n % 3 + 1), QStringList{QStringLiteral("Alpha")});
}

// Two cashiers add the same value, in another letter case, at the same moment: both checks find it
// free, the books keep the first and the second is told as any taken value.
void tst_lists::sameValueByTwoCashiers()
{
    SKIP_ON_FILE("one program at a time writes a file: its check before storing suffices");
    ProgramFixture f;
    store(f, {{2, QStringLiteral("现金")}});
    f.loginAsAdministrator();
    OtherProgram other(f);
    QCOMPARE(other.execute("BEGIN; INSERT INTO Parameter(ParameterType, ParameterValue) VALUES (2, 'cheque')"), SQLITE_OK);
    other.executeOnceWaitedFor(f, "COMMIT");
    Shown seen;
    f.screen().onDialog(QStringLiteral("FormAsk"), answer(QStringLiteral("Cheque"), &seen));
    press(f, 2, Add);

    QCOMPARE(other.finish(), SQLITE_OK);
    QCOMPARE(f.screen().takeMessages(), QStringList{text(Duplicates, 2)});
    QCOMPARE(sorted(stored(f, 2)), sorted({QStringLiteral("cheque"), QStringLiteral("现金")}));
}

void tst_lists::renameOrDeleteRemovedValue()
{
    ProgramFixture f;
    store(f, {{2, QStringLiteral("现金")}, {2, QStringLiteral("转帐")}});
    f.loginAsAdministrator();
    selectLine(f, 2, QStringLiteral("转帐"));
    Query &row = f.select(QStringLiteral("Select * From Parameter Where ParameterValue = '转帐'"));
    QVERIFY(row.remove());

    Shown seen;
    f.screen().onDialog(QStringLiteral("FormAsk"), answer(QStringLiteral("支票"), &seen));
    press(f, 2, Rename);
    press(f, 2, Delete);
    QCOMPARE(f.screen().takeMessages(), (QStringList{QStringLiteral("该参数已经被删除"), QStringLiteral("该记录已不存在")}));
    QCOMPARE(f.screen().questions(), QStringList());
    QCOMPARE(stored(f, 2), QStringList{QStringLiteral("现金")});
    QCOMPARE(sorted(shown(f, 2)), sorted({QStringLiteral("现金"), QStringLiteral("转帐")})); // not reloaded
}

void tst_lists::deleteValue_data()
{
    QTest::addColumn<int>("n");
    QTest::addColumn<bool>("yes");
    QTest::addColumn<QStringList>("after");
    QTest::newRow("kind, Yes") << 1 << true << QStringList{"Beta"};
    QTest::newRow("voucher, Yes") << 3 << true << QStringList{"Beta"};
    QTest::newRow("category, No") << 2 << false << QStringList{"O'Alpha", "Beta"};
}

void tst_lists::deleteValue()
{
    QFETCH(int, n);
    QFETCH(bool, yes);
    QFETCH(QStringList, after);
    ProgramFixture f;
    store(f, {{n, QStringLiteral("O'Alpha")}, {n, QStringLiteral("Beta")}, {n % 3 + 1, QStringLiteral("O'Alpha")}});
    f.loginAsAdministrator();
    selectLine(f, n, QStringLiteral("O'Alpha"));
    f.screen().answer(yes);
    press(f, n, Delete);

    QCOMPARE(f.screen().questions(), QStringList{QStringLiteral("删除警告|确实要删除该参数吗？")});
    QCOMPARE(f.screen().takeMessages(), QStringList());
    QCOMPARE(sorted(stored(f, n)), sorted(after));
    QCOMPARE(stored(f, n % 3 + 1), QStringList{QStringLiteral("O'Alpha")});
    QCOMPARE(shown(f, n), stored(f, n));
    QCOMPARE(selectedRow(f, n), yes ? 0 : int(shown(f, n).indexOf(QStringLiteral("O'Alpha"))));
}

void tst_lists::doubleClickRenames_data()
{
    QTest::addColumn<bool>("onLine");
    QTest::addColumn<QString>("renamed");
    QTest::addColumn<QStringList>("after");
    QTest::newRow("on a line") << true << QStringLiteral("收据") << QStringList{"增值税发票", "发票"};
    // Below the lines the selected value, the last one after loading, is renamed.
    QTest::newRow("below the lines") << false << QStringLiteral("发票") << QStringList{"收据", "增值税发票"};
}

void tst_lists::doubleClickRenames()
{
    QFETCH(bool, onLine);
    QFETCH(QString, renamed);
    QFETCH(QStringList, after);
    ProgramFixture f;
    store(f, {{3, QStringLiteral("收据")}, {3, QStringLiteral("发票")}});
    f.loginAsAdministrator();
    Shown seen;
    f.screen().onDialog(QStringLiteral("FormAsk"), answer(QStringLiteral("增值税发票"), &seen));
    QListWidget *vouchers = listBox(f, 3);
    const QPoint below(vouchers->viewport()->width() / 2, vouchers->viewport()->height() - 4);
    QVERIFY(!vouchers->indexAt(below).isValid());
    const QPoint point = onLine
        ? vouchers->visualItemRect(vouchers->findItems(QStringLiteral("收据"), Qt::MatchExactly).first()).center()
        : below;
    QTest::mouseClick(vouchers->viewport(), Qt::LeftButton, {}, point);
    QTest::mouseDClick(vouchers->viewport(), Qt::LeftButton, {}, point);
    QVERIFY(f.screen().allUsed());
    QCOMPARE(seen.start, renamed);
    QCOMPARE(sorted(stored(f, 3)), sorted(after));
    QCOMPARE(selectedRow(f, 3), 1);
    QCOMPARE(f.screen().takeMessages(), QStringList());
}

void tst_lists::promptPlainAfterFailedModificationPassword()
{
    ProgramFixture f;
    f.loginAsAdministrator();
    Shown password;
    f.screen().onDialog(QStringLiteral("FormAsk"), answer(QStringLiteral("wrong"), &password));
    QVERIFY(!AskModificationPassword(*f.windows().ask, *f.windows().data));
    QVERIFY(password.masked);
    QCOMPARE(f.screen().takeMessages(), QStringList{QStringLiteral("密码错误，请重新操作")});

    Shown name;
    f.screen().onDialog(QStringLiteral("FormAsk"), answer(QStringLiteral("利息"), &name));
    press(f, 1, Add);
    QVERIFY(!name.masked);
    QVERIFY(name.entryFocused);
    QCOMPARE(name.title, QStringLiteral("参数设置"));
    QCOMPARE(stored(f, 1), QStringList{QStringLiteral("利息")});
}

void tst_lists::failedStoreChangesNothing_data()
{
    QTest::addColumn<int>("n");
    QTest::addColumn<int>("operation");
    QTest::addColumn<QString>("fault");
    QTest::addColumn<QString>("what");
    QTest::newRow("kind added, refused by the books") << 1 << int(Add) << "refused" << "参数未能保存";
    QTest::newRow("category renamed on read-only books") << 2 << int(Rename) << "read-only" << "参数未能保存";
    QTest::newRow("voucher deleted while another program writes") << 3 << int(Delete) << "in use" << "参数未能删除";
}

// The failure is told and the list still shows what the books hold.
void tst_lists::failedStoreChangesNothing()
{
    QFETCH(int, n);
    QFETCH(int, operation);
    QFETCH(QString, fault);
    QFETCH(QString, what);
    ProgramFixture f;
    store(f, {{n, QStringLiteral("Alpha")}, {n, QStringLiteral("Beta")}});
    f.loginAsAdministrator();
    selectLine(f, n, QStringLiteral("Alpha"));
    BooksFault failing(f, fault, QStringLiteral("Parameter"));
    Shown seen;
    if (operation == Delete)
        f.screen().answer(true);
    else
        f.screen().onDialog(QStringLiteral("FormAsk"), answer(QStringLiteral("Gamma"), &seen));

    press(f, n, Operation(operation));

    QCOMPARE(f.screen().takeMessages(), QStringList{failing.message(what)});
    QCOMPARE(f.screen().takeDetails(), QStringList{failing.detail()});
    failing.lift();
    QCOMPARE(stored(f, n), (QStringList{QStringLiteral("Alpha"), QStringLiteral("Beta")}));
    QCOMPARE(shown(f, n), stored(f, n));
}

QTEST_MAIN(tst_lists)
#include "tst_lists.moc"
