#pragma once
#include <QWidget>
#include <memory>

class FormChose;
class QAction;
class QComboBox;
class QLineEdit;
class RoleShell;
class ShareDataModule;
class ViewContext;

namespace Ui {
class LoginPage;
}

// The login tab: role and password, the login button, the title banner and the instructions button.
class LoginPage : public QWidget
{
    Q_OBJECT
public:
    // `chooser` is the account-book chooser a cashier is asked with after logging in.
    LoginPage(ShareDataModule &data, RoleShell &shell, ViewContext &views, FormChose &chooser,
              QWidget *parent = nullptr);
    ~LoginPage() override;

    QComboBox *ComboBox2() const;
    QLineEdit *Edit3() const;

    // Puts the main window's login and instructions actions on the tab's buttons.
    void bindActions(QAction *login, QAction *instruction);

    // Checks the typed password of the chosen role and, when it matches, gives the main window that
    // role's tabs and panel, then tells loggedIn() so the settings lists and passwords load.
    void ActionLogin();

signals:
    void loggedIn();

private:
    std::unique_ptr<Ui::LoginPage> ui;
    ShareDataModule &m_data;
    RoleShell &m_shell;
    ViewContext &m_views;
    FormChose &m_chooser;
};
