#pragma once
#include <QMainWindow>
#include <memory>

#include "app/MainContext.h"

class AccountsPage;
class FormDraw;
class FormGetPay;
class FormGetPay2;
class FormProgress;
class FormMakeReport;
class JournalPage;
class LoginPage;
struct MainReports;
class MaintenancePage;
class ReceivablesPage;
class ReportsPage;
class SettingsPage;

namespace Ui {
class FormMain;
}

// The main window: the left command panel with the scope picture and the current date, the bar that
// folds the panel away, and the seven tab pages that the subsystems own.
class FormMain : public QMainWindow, public MainContext
{
    Q_OBJECT
public:
    enum Page { LoginTab = 0, AccountsTab, JournalTab, ReceivablesTab, ReportsTab, SettingsTab, MaintenanceTab };

    explicit FormMain(const QString &programDir, QWidget *parent = nullptr);
    ~FormMain() override;

    // MainContext
    QDate currentDate() const override;
    QString accountClause() const override { return m_accountClause; }
    void refreshAll() override;
    bool LoadGetPayLists() override;
    void setPageVisible(int page, bool visible) override;
    void setActivePage(int page) override;
    void setLeftPanelEnabled(bool enabled) override;
    void setCurrentUser(const QString &role) override;

    // The steps that run when the window is first shown (also called by tests).
    void prepareFirstShow();

    // The dialogs that the left panel's 平调 and the receivables tab's commands open, created after
    // the main window.
    void attachDialogs(FormDraw &draw, FormGetPay2 &getPay2);
    // The progress window the two month runs show.
    void attachProgress(FormProgress &progress) { m_progress = &progress; }
    // The dialogs of the report tab: the condition dialog and the one records are corrected in.
    void attachReportDialogs(FormMakeReport &makeReport, FormGetPay &entry);

    Ui::FormMain *form() const { return ui.get(); }
    LoginPage *loginPage() const { return m_login; }
    AccountsPage *accountsPage() const { return m_accounts; }
    JournalPage *journalPage() const { return m_journal; }
    ReceivablesPage *receivablesPage() const { return m_receivables; }
    ReportsPage *reportsPage() const { return m_reports; }
    SettingsPage *settingsPage() const { return m_settings; }
    MaintenancePage *maintenancePage() const { return m_maintenance; }

    // The four report objects and their queries, made with the first use (the data module comes
    // after the main window).
    MainReports &reportObjects();

    bool ApplyAccountScope();
    void stepDay(int days);
    void toggleLeftPanel();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void placePages();
    void setPictures();
    void connectActions();
    void connectReportActions();
    void registerDataSourceOnce();
    void restoreBooks();
    void selectRememberedRole();

    std::unique_ptr<Ui::FormMain> ui;
    QString m_accountClause;
    bool m_shown = false;
    LoginPage *m_login = nullptr;
    AccountsPage *m_accounts = nullptr;
    JournalPage *m_journal = nullptr;
    ReceivablesPage *m_receivables = nullptr;
    ReportsPage *m_reports = nullptr;
    SettingsPage *m_settings = nullptr;
    MaintenancePage *m_maintenance = nullptr;
    FormDraw *m_draw = nullptr;
    FormProgress *m_progress = nullptr;
    std::unique_ptr<MainReports> m_reportObjects;
};
