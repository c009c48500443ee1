#pragma once
#include <QMainWindow>
#include <memory>

#include "shell/RoleShell.h"
#include "shell/ViewContext.h"

class AccountChanges;
class AccountsPage;
class JournalPage;
class LoginPage;
struct MainReports;
class MaintenancePage;
class ReceivablesPage;
class ReportsPage;
class SettingsPage;
class ShareDataModule;
class FormProgress;
struct FailureToTell;
struct Windows;

namespace Ui {
class FormMain;
}

// The main window: the left command panel with the scope picture and the current date, the bar that
// folds the panel away, and the seven tab pages that the subsystems own.
class FormMain : public QMainWindow, public ViewContext, public RoleShell
{
    Q_OBJECT
public:
    explicit FormMain(const QString &programDir, QWidget *parent = nullptr);
    ~FormMain() override;

    // Creates the tab pages, handing each the dialogs and data it uses, and connects the commands;
    // called once the data module and every dialog exist.
    void assemble(const Windows &windows, AccountChanges &accountChanges);

    // ViewContext
    QDate currentDate() const override;
    QString accountClause() const override { return m_accountClause; }
    void refreshAll() override;
    bool LoadGetPayLists() override;
    // RoleShell
    void setPageVisible(int page, bool visible) override;
    void setActivePage(int page) override;
    void setLeftPanelEnabled(bool enabled) override;
    void setCurrentUser(const QString &role) override;

    // The steps that run when the window is first shown (also called by tests).
    void prepareFirstShow();

    Ui::FormMain *form() const { return ui.get(); }
    LoginPage *loginPage() const { return m_login; }
    AccountsPage *accountsPage() const { return m_accounts; }
    JournalPage *journalPage() const { return m_journal; }
    ReceivablesPage *receivablesPage() const { return m_receivables; }
    ReportsPage *reportsPage() const { return m_reports; }
    SettingsPage *settingsPage() const { return m_settings; }
    MaintenancePage *maintenancePage() const { return m_maintenance; }

    // The four report objects and their queries.
    MainReports &reportObjects() { return *m_reportObjects; }

    bool ApplyAccountScope();
    void stepDay(int days);
    void toggleLeftPanel();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void placePages(const Windows &windows, AccountChanges &accountChanges);
    void setPictures();
    void connectActions(const Windows &windows);
    void connectReportActions();
    void connectChangeActions(const Windows &windows);
    QVariant selectedRecord();
    void reloadReceivables();
    void tellRefreshFailure(const FailureToTell &failed);
    void registerDataSourceOnce();
    void restoreBooks();
    void selectRememberedRole();

    std::unique_ptr<Ui::FormMain> ui;
    QString m_accountClause;
    bool m_shown = false;
    bool m_outageTold = false; // the books' server could not be reached, and a refresh said so
    LoginPage *m_login = nullptr;
    AccountsPage *m_accounts = nullptr;
    JournalPage *m_journal = nullptr;
    ReceivablesPage *m_receivables = nullptr;
    ReportsPage *m_reports = nullptr;
    SettingsPage *m_settings = nullptr;
    MaintenancePage *m_maintenance = nullptr;
    ShareDataModule *m_data = nullptr;
    FormProgress *m_progress = nullptr;
    std::unique_ptr<MainReports> m_reportObjects;
};
