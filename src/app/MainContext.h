#pragma once
#include <QDate>
#include <QString>

// What the dialogs and pages may ask of the main window, so that none of them includes it whole.
class MainContext
{
public:
    virtual ~MainContext() = default;

    virtual QDate currentDate() const = 0;
    virtual QString accountClause() const = 0;
    virtual void refreshAll() = 0;
    // Reloads the lists of receivables and payables; false when a statement failed.
    virtual bool LoadGetPayLists() = 0;

    // Used by the login to apply a role.
    virtual void setPageVisible(int page, bool visible) = 0;
    virtual void setActivePage(int page) = 0;
    virtual void setLeftPanelEnabled(bool enabled) = 0;
    virtual void setCurrentUser(const QString &role) = 0;
};
