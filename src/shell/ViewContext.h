#pragma once
#include <QDate>
#include <QString>

// What a page or dialog may ask of the main window's views: the business day they show, the
// condition of the account scope, and the refreshes that follow a stored change.
class ViewContext
{
public:
    virtual ~ViewContext() = default;

    virtual QDate currentDate() const = 0;
    virtual QString accountClause() const = 0;
    // Every view again, in their fixed order.
    virtual void refreshAll() = 0;
    // Reloads the lists of receivables and payables; false when a statement failed.
    virtual bool LoadGetPayLists() = 0;
};
