#include "accounts/AccountChanges.h"

#include "accounts/FormAccount.h"
#include "data/Failure.h"
#include "data/Helpers.h"
#include "data/JetSql.h"
#include "data/ShareDataModule.h"
#include "shell/ViewContext.h"
#include "ui/Screen.h"

namespace {

const QString NoDatabase = QStringLiteral("无法打开数据库");
const QString Ideographic = QStringLiteral("\u3000");
const QString DuplicateName = QStringLiteral("该帐户名已经存在，请重新操作");

void reportDone(const QString &name, const QString &what)
{
    Screen::current().inform(QStringLiteral("帐户") + Ideographic + name + Ideographic + what);
}

} // namespace

AccountChanges::AccountChanges(ShareDataModule &data, FormAccount &dialog, ViewContext &views)
    : m_data(data)
    , m_dialog(dialog)
    , m_views(views)
{
}

Query &AccountChanges::scratch()
{
    return m_data.ADOQueryTemp();
}

// Looks the account up by name in the scratch query; false when the statement failed.
bool AccountChanges::findAccount(const QString &name)
{
    return RunQuery(scratch(), QStringLiteral("Select * From Account Where AccountName = ") + JetSql::quoted(name),
                    NoDatabase);
}

// A name another account uses (the books compare names ignoring Latin case) is refused; the account
// being renamed does not count against itself, so its name may change in letter case alone. False
// also when the look-up failed.
bool AccountChanges::nameIsFree(const QString &name, const QString &renamedFrom)
{
    if (!findAccount(name))
        return false;
    Query &found = scratch();
    for (found.first(); !found.eof(); found.next()) {
        if (found.fieldText(QStringLiteral("AccountName")) != renamedFrom) {
            Screen::current().inform(DuplicateName);
            return false;
        }
    }
    return true;
}

// Writes name and type into the current row of the scratch query (appended or edited) and stores it.
bool AccountChanges::storeAccount()
{
    const FormAccount &dialog = m_dialog;
    Query &row = scratch();
    row.setField(QStringLiteral("AccountName"), dialog.ChosenAccountName);
    row.setField(QStringLiteral("AccountType"), dialog.ChosenAccountType);
    if (row.post())
        return true;
    // Another cashier stored the same name between the check and this store.
    if (row.lastFailure().kind == EngineError::Kind::Duplicate)
        Screen::current().inform(DuplicateName);
    else
        ReportFailure(QStringLiteral("帐户未能保存"), row.lastFailure());
    return false;
}

void AccountChanges::AddAccount()
{
    FormAccount &dialog = m_dialog;
    dialog.ChosenAccountType = 0;
    dialog.ChosenAccountName.clear();
    if (!dialog.collectAccount() || !nameIsFree(dialog.ChosenAccountName))
        return;
    scratch().append();
    if (!storeAccount())
        return;
    reportDone(dialog.ChosenAccountName, QStringLiteral("新增成功"));
    m_views.refreshAll();
}

bool AccountChanges::EditAccount(const QString &oldName)
{
    FormAccount &dialog = m_dialog;
    dialog.ChosenAccountType = 0;
    if (!findAccount(oldName))
        return false;
    // The account as shown in the dialog: a change another cashier stores meanwhile, a rename too, is
    // not overwritten.
    const QVariant shown = scratch().rowVersion();
    const qint64 index = scratch().eof() ? 0 : scratch().fieldInteger(QStringLiteral("AccountIndex"));
    if (!scratch().eof())
        dialog.ChosenAccountType = int(scratch().fieldInteger(QStringLiteral("AccountType")));
    dialog.ChosenAccountName = oldName;
    if (!dialog.collectAccount())
        return false;
    if (dialog.ChosenAccountName != oldName && !nameIsFree(dialog.ChosenAccountName, oldName))
        return false;
    if (!RunQuery(scratch(), QStringLiteral("Select * From Account Where AccountIndex = ") + QString::number(index),
                  NoDatabase))
        return false;
    if (scratch().eof()) {
        reportDone(dialog.ChosenAccountName, QStringLiteral("删除成功"));
    } else {
        scratch().editAsShown(shown);
        if (!storeAccount())
            return false;
        reportDone(dialog.ChosenAccountName, QStringLiteral("修改成功"));
    }
    m_views.refreshAll();
    return true;
}
