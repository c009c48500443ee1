#pragma once
#include <QWidget>
#include <memory>

class QLineEdit;
class ShareDataModule;

namespace Ui {
class PasswordControls;
}

// The administrator's password groups on the settings tab: the two login passwords, chosen by role,
// and the data-modification password, all shown in clear and changed by overwriting them.
class PasswordControls : public QWidget
{
    Q_OBJECT
public:
    explicit PasswordControls(ShareDataModule &data, QWidget *parent = nullptr);
    ~PasswordControls() override;

    // Fills both edits from the stored passwords.
    void LoadPasswords();

private:
    void changeLoginPassword();
    void changeModificationPassword();
    void changePassword(const QString &name, QLineEdit *edit, const QString &missing, const QString &done);

    std::unique_ptr<Ui::PasswordControls> ui;
    ShareDataModule &m_data;
};
