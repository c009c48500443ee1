#include "users/PasswordControls.h"

#include <QPixmap>

#include "data/Failure.h"
#include "data/Query.h"
#include "data/ShareDataModule.h"
#include "ui/Screen.h"
#include "ui/TextEntry.h"
#include "ui_PasswordControls.h"
#include "users/Passwords.h"

namespace {
const QString PowerKey = QStringLiteral("PowerKey");

// The version of the row a password edit shows, kept on the edit: a change is stored only over the
// password shown, never over one another user set meanwhile.
const char *const ShownVersion = "shownVersion";

// Shows the password of row `name` in `edit`; a missing row leaves the edit as it is. False when the
// statement failed (its message was shown).
bool showPassword(Query &query, const QString &name, QLineEdit *edit)
{
    if (!Passwords::select(query, name))
        return false;
    if (!query.eof()) {
        edit->setText(query.fieldText(PowerKey));
        edit->setProperty(ShownVersion, query.rowVersion());
    }
    return true;
}
} // namespace

PasswordControls::PasswordControls(ShareDataModule &data, QWidget *parent)
    : QWidget(parent)
    , ui(std::make_unique<Ui::PasswordControls>())
    , m_data(data)
{
    ui->setupUi(this);
    ui->LoginPicture->setPixmap(QPixmap(QStringLiteral(":/embedded/PasswordLogin.png")));
    ui->ModifyPicture->setPixmap(QPixmap(QStringLiteral(":/embedded/PasswordModify.png")));
    connect(ui->ComboBox1, &QComboBox::activated, this, &PasswordControls::LoadPasswords);
    connect(ui->Button10, &QPushButton::clicked, this, &PasswordControls::changeLoginPassword);
    connect(ui->Button11, &QPushButton::clicked, this, &PasswordControls::changeModificationPassword);
}

PasswordControls::~PasswordControls() = default;

void PasswordControls::LoadPasswords()
{
    Query &query = m_data.ADOQueryTemp();
    if (showPassword(query, ui->ComboBox1->currentText(), ui->Edit1))
        showPassword(query, Passwords::Modification, ui->Edit2);
}

void PasswordControls::changeLoginPassword()
{
    changePassword(ui->ComboBox1->currentText(), ui->Edit1, QStringLiteral("该用户密码已被删除"),
                   QStringLiteral("用户密码修改成功"));
}

void PasswordControls::changeModificationPassword()
{
    changePassword(Passwords::Modification, ui->Edit2, QStringLiteral("该密码已被删除"), QStringLiteral("密码修改成功"));
}

void PasswordControls::changePassword(const QString &name, QLineEdit *edit, const QString &missing,
                                      const QString &done)
{
    if (!CheckTextEntry(edit))
        return;
    const QString password = edit->text();
    if (!Screen::current().ask(QStringLiteral("修改确认"),
                               QStringLiteral("确定要把该密码修改为 ") + password + QStringLiteral(" 吗？")))
        return;
    Query &query = m_data.ADOQueryTemp();
    if (!Passwords::select(query, name))
        return;
    if (query.eof()) {
        Screen::current().inform(missing);
        return;
    }
    query.editAsShown(edit->property(ShownVersion));
    query.setField(PowerKey, password);
    if (!query.post()) {
        ReportFailure(QStringLiteral("密码未能保存"), query.lastFailure());
        return;
    }
    Screen::current().inform(done);
    LoadPasswords();
}
