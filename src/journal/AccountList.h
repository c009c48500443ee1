#pragma once
#include <QString>

class QComboBox;
class Query;

// Adds the names of the accounts that the scope clause lets through, in stored order, and leaves the
// list without a selection. False, after the message 帐户读入失败, when the accounts cannot be read.
// The accounts are read in `query`.
bool FillAccountList(Query &query, QComboBox *list, const QString &scopeClause);
