#include "journal/AccountList.h"

#include <QComboBox>

#include "data/Helpers.h"
#include "data/Query.h"

bool FillAccountList(Query &query, QComboBox *list, const QString &scopeClause)
{
    if (!RunQuery(query, QStringLiteral("Select * From Account Where (AccountIndex > 1)") + scopeClause,
                  QStringLiteral("帐户读入失败")))
        return false;
    for (query.first(); !query.eof(); query.next())
        list->addItem(query.fieldText(QStringLiteral("AccountName")));
    list->setCurrentIndex(-1);
    return true;
}
