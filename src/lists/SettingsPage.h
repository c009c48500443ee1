#pragma once
#include <QWidget>
#include <array>
#include <memory>

class FormAsk;
class PasswordControls;
class Query;
class ShareDataModule;
class QListWidget;
class QListWidgetItem;

namespace Ui {
class SettingsPage;
}

// The administrator's settings tab: the password groups above, and below them the three lists the
// entry dialogs offer: income and expense kinds (list 1), categories (2) and vouchers (3).
class SettingsPage : public QWidget
{
    Q_OBJECT
public:
    // A new or renamed value is asked for on `prompt`.
    SettingsPage(ShareDataModule &data, FormAsk &prompt, QWidget *parent = nullptr);
    ~SettingsPage() override;

    PasswordControls *passwords() const { return m_passwords; }

    // What a login loads: the three lists and the passwords.
    void loadAfterLogin();
    void LoadKindList();
    void LoadCategoryList();
    void LoadVoucherList();

    // n is the list number, 1 to 3.
    void AddListValue(int n);
    void EditListValue(int n);
    void DeleteListValue(int n);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void loadList(int n);
    QListWidget *listBox(int n) const;
    QListWidgetItem *selectedLine(int n, const QString &noneSelected) const;
    bool askValue(const QString &prompt, const QString &start, QString *value) const;
    bool selectValue(Query &query, int n, const QString &value) const;
    // Selects `value` in list n; false (after the list's duplicate message) when another value of the
    // list has that text already. The value being renamed, `renamedFrom`, does not count against itself.
    bool isNewValue(Query &query, int n, const QString &value, const QString &renamedFrom = QString()) const;
    void storeAndReload(Query &query, int n);

    Query &scratch() const;

    std::unique_ptr<Ui::SettingsPage> ui;
    ShareDataModule &m_data;
    FormAsk &m_prompt;
    PasswordControls *m_passwords = nullptr;
    std::array<QListWidget *, 3> m_lists{};
};
