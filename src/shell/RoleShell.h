#pragma once
#include <QString>

// What a login changes in the main window: which tabs the role sees and lands on, whether the left
// command panel works, and the role's name on the panel.
class RoleShell
{
public:
    // The main window's tab pages, in their order.
    enum Page { LoginTab = 0, AccountsTab, JournalTab, ReceivablesTab, ReportsTab, SettingsTab, MaintenanceTab,
                PageCount };

    virtual ~RoleShell() = default;

    virtual void setPageVisible(int page, bool visible) = 0;
    virtual void setActivePage(int page) = 0;
    virtual void setLeftPanelEnabled(bool enabled) = 0;
    virtual void setCurrentUser(const QString &role) = 0;
};
