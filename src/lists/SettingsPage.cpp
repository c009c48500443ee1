#include "lists/SettingsPage.h"

#include <QMouseEvent>
#include <QPixmap>
#include <QVBoxLayout>

#include "data/Failure.h"
#include "data/Helpers.h"
#include "data/JetSql.h"
#include "data/Query.h"
#include "data/ShareDataModule.h"
#include "ui/Screen.h"
#include "ui_SettingsPage.h"
#include "users/FormAsk.h"
#include "users/PasswordControls.h"

namespace {
// What each list says, by list number.
struct ListTexts
{
    const char *loadFailure;
    const char *addPrompt;
    const char *renamePrompt;
    const char *empty;
    const char *duplicate;
    const char *noneToRename;
    const char *noneToDelete;
};

const std::array<ListTexts, 3> Texts{{
    {"读入帐款收支种类失败", "请输入种类的名称", "请输入种类的名称", "种类名不能为空", "存在同名的种类，请改名",
     "请先选中要修改的种类", "请先选中要删除的种类"},
    {"读入帐款类别失败", "请输入新类别的名称", "请输入类别的名称", "类别名不能为空", "存在同名的类别，请改名",
     "请先选中要修改的类别", "请先选中要删除的类别"},
    {"读入帐款类别失败", "请输入新凭证的名称", "请输入凭证的名称", "凭证名不能为空", "存在同名的凭证，请改名",
     "请先选中要修改的凭证", "请先选中要删除的凭证"},
}};

const ListTexts &texts(int n)
{
    return Texts[size_t(n - 1)];
}

const QString ParameterValue = QStringLiteral("ParameterValue");
// Each line keeps the version its value was read in, so that a rename never overwrites another
// cashier's change of it.
constexpr int ShownVersion = Qt::UserRole;

void inform(const char *text)
{
    Screen::current().inform(QString::fromUtf8(text));
}

// A write the database refused is told, with what the user can do about it.
bool written(bool ok, const Query &query, const QString &failure)
{
    if (!ok)
        ReportFailure(failure, query.lastFailure());
    return ok;
}
} // namespace

SettingsPage::SettingsPage(ShareDataModule &data, FormAsk &prompt, QWidget *parent)
    : QWidget(parent)
    , ui(std::make_unique<Ui::SettingsPage>())
    , m_data(data)
    , m_prompt(prompt)
{
    ui->setupUi(this);
    auto *place = new QVBoxLayout(ui->PasswordsPlace);
    place->setContentsMargins(0, 0, 0, 0);
    place->addWidget(m_passwords = new PasswordControls(data));
    m_lists = {ui->ListBox1, ui->ListBox2, ui->ListBox3};
    ui->KindPicture->setPixmap(QPixmap(QStringLiteral(":/embedded/ListKind.png")));
    ui->CategoryPicture->setPixmap(QPixmap(QStringLiteral(":/embedded/ListCategory.png")));
    ui->VoucherPicture->setPixmap(QPixmap(QStringLiteral(":/embedded/ListVoucher.png")));
    const std::array<std::array<QPushButton *, 3>, 3> buttons{{{ui->Button1, ui->Button2, ui->Button3},
                                                               {ui->Button4, ui->Button5, ui->Button6},
                                                               {ui->Button7, ui->Button8, ui->Button9}}};
    for (int n = 1; n <= 3; ++n) {
        const auto &[add, rename, remove] = buttons[size_t(n - 1)];
        connect(add, &QPushButton::clicked, this, [this, n] { AddListValue(n); });
        connect(rename, &QPushButton::clicked, this, [this, n] { EditListValue(n); });
        connect(remove, &QPushButton::clicked, this, [this, n] { DeleteListValue(n); });
        listBox(n)->viewport()->installEventFilter(this);
    }
}

SettingsPage::~SettingsPage() = default;

// A double click anywhere in a list box, below its lines too, renames the list's selected value; so a
// click below the lines keeps the selection instead of clearing it.
bool SettingsPage::eventFilter(QObject *watched, QEvent *event)
{
    for (int n = 1; n <= 3; ++n) {
        QListWidget *box = listBox(n);
        if (watched != box->viewport())
            continue;
        if (event->type() == QEvent::MouseButtonDblClick) {
            EditListValue(n);
            return true;
        }
        if (event->type() == QEvent::MouseButtonPress
            && !box->indexAt(static_cast<QMouseEvent *>(event)->position().toPoint()).isValid()) {
            box->setFocus(Qt::MouseFocusReason);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

Query &SettingsPage::scratch() const
{
    return m_data.ADOQueryTemp();
}

void SettingsPage::loadAfterLogin()
{
    LoadKindList();
    LoadCategoryList();
    LoadVoucherList();
    m_passwords->LoadPasswords();
}

void SettingsPage::LoadKindList()
{
    loadList(1);
}

void SettingsPage::LoadCategoryList()
{
    loadList(2);
}

void SettingsPage::LoadVoucherList()
{
    loadList(3);
}

QListWidget *SettingsPage::listBox(int n) const
{
    return m_lists[size_t(n - 1)];
}

void SettingsPage::loadList(int n)
{
    QListWidget *box = listBox(n);
    box->clear();
    Query &query = scratch();
    if (!RunQuery(query, QStringLiteral("Select * From Parameter Where ParameterType =  %1").arg(n),
                  QString::fromUtf8(texts(n).loadFailure)))
        return;
    for (query.first(); !query.eof(); query.next()) {
        auto *line = new QListWidgetItem(query.fieldText(ParameterValue), box);
        line->setData(ShownVersion, query.rowVersion());
    }
    if (box->count() > 0)
        box->setCurrentRow(box->count() - 1);
}

QListWidgetItem *SettingsPage::selectedLine(int n, const QString &noneSelected) const
{
    QListWidget *box = listBox(n);
    const QList<QListWidgetItem *> selected = box->selectedItems();
    if (!selected.isEmpty())
        return selected.first();
    Screen::current().inform(noneSelected);
    box->setFocus();
    return nullptr;
}

bool SettingsPage::askValue(const QString &prompt, const QString &start, QString *value) const
{
    FormAsk &ask = m_prompt;
    ask.AskTitle = QStringLiteral("参数设置");
    ask.AskPrompt = prompt;
    ask.AskAnswer = start;
    if (!ask.ask())
        return false;
    *value = ask.AskAnswer;
    return true;
}

bool SettingsPage::selectValue(Query &query, int n, const QString &value) const
{
    return RunQuery(query,
                    QStringLiteral("Select * From Parameter Where (ParameterType =  %1) And (ParameterValue = ").arg(n)
                        + JetSql::quoted(value) + QLatin1Char(')'),
                    QStringLiteral("读入帐款参数失败"));
}

bool SettingsPage::isNewValue(Query &query, int n, const QString &value, const QString &renamedFrom) const
{
    if (!selectValue(query, n, value))
        return false;
    for (query.first(); !query.eof(); query.next()) {
        if (query.fieldText(ParameterValue) != renamedFrom) {
            inform(texts(n).duplicate);
            return false;
        }
    }
    return true;
}

void SettingsPage::storeAndReload(Query &query, int n)
{
    if (query.post())
        loadList(n);
    else if (query.lastFailure().kind == EngineError::Kind::Duplicate)
        inform(texts(n).duplicate); // another cashier stored the same value since it was looked up
    else
        ReportFailure(QStringLiteral("参数未能保存"), query.lastFailure());
}

void SettingsPage::AddListValue(int n)
{
    QString value;
    if (!askValue(QString::fromUtf8(texts(n).addPrompt), QString(), &value))
        return;
    if (value.isEmpty())
        return inform(texts(n).empty);
    if (const QString problem = TypedTextProblem(value); !problem.isEmpty())
        return Screen::current().inform(problem);
    Query &query = scratch();
    if (!isNewValue(query, n, value))
        return;
    query.append();
    query.setField(QStringLiteral("ParameterType"), n);
    query.setField(ParameterValue, value);
    storeAndReload(query, n);
}

void SettingsPage::EditListValue(int n)
{
    const QListWidgetItem *line = selectedLine(n, QString::fromUtf8(texts(n).noneToRename));
    if (!line)
        return;
    const QString old = line->text();
    QString value;
    if (!askValue(QString::fromUtf8(texts(n).renamePrompt), old, &value))
        return;
    if (value.isEmpty())
        return inform(texts(n).empty);
    if (const QString problem = TypedTextProblem(value); !problem.isEmpty())
        return Screen::current().inform(problem);
    if (value == old)
        return;
    Query &query = scratch();
    if (!isNewValue(query, n, value, old) || !selectValue(query, n, old))
        return;
    if (query.eof())
        return inform("该参数已经被删除");
    query.editAsShown(line->data(ShownVersion));
    query.setField(ParameterValue, value);
    storeAndReload(query, n);
}

void SettingsPage::DeleteListValue(int n)
{
    const QListWidgetItem *line = selectedLine(n, QString::fromUtf8(texts(n).noneToDelete));
    if (!line)
        return;
    Query &query = scratch();
    if (!selectValue(query, n, line->text()))
        return;
    if (query.eof())
        return inform("该记录已不存在");
    if (!Screen::current().ask(QStringLiteral("删除警告"), QStringLiteral("确实要删除该参数吗？")))
        return;
    if (written(query.remove(), query, QStringLiteral("参数未能删除")))
        loadList(n);
}
