#pragma once
#include <QWidget>
#include <memory>

class MainContext;
class QAction;
class QComboBox;
class QLineEdit;
class SettingsPage;

namespace Ui {
class LoginPage;
}

// The login tab: role and password, the login button, the title banner and the instructions button.
class LoginPage : public QWidget
{
    Q_OBJECT
public:
    explicit LoginPage(QWidget *parent = nullptr);
    ~LoginPage() override;

    QComboBox *ComboBox2() const;
    QLineEdit *Edit3() const;

    // Puts the main window's login and instructions actions on the tab's buttons.
    void bindActions(QAction *login, QAction *instruction);

    // Checks the typed password of the chosen role and, when it matches, gives the main window that
    // role's tabs and panel and loads the settings lists and passwords.
    void ActionLogin(MainContext &main, SettingsPage &settings);

private:
    std::unique_ptr<Ui::LoginPage> ui;
};
