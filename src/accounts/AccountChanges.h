#pragma once
#include <QString>

class FormAccount;
class Query;
class ShareDataModule;
class ViewContext;

// Storing what the account dialog collected. Both commands run the dialog themselves, report in the
// cashier's words and refresh every view when something was stored or deleted.
class AccountChanges
{
public:
    AccountChanges(ShareDataModule &data, FormAccount &dialog, ViewContext &views);

    // 新增帐户: asks for a type and a name and adds the account unless the name is taken.
    void AddAccount();

    // 修改帐户 for the account named `oldName`, after the modification password was given: renames or
    // retypes it, or reports its deletion inside the dialog. True when it ran to its end (the caller
    // closes its window then); false when the dialog was cancelled, the new name is taken or a
    // statement failed.
    bool EditAccount(const QString &oldName);

private:
    Query &scratch();
    bool findAccount(const QString &name);
    bool nameIsFree(const QString &name, const QString &renamedFrom = QString());
    bool storeAccount();

    ShareDataModule &m_data;
    FormAccount &m_dialog;
    ViewContext &m_views;
};
