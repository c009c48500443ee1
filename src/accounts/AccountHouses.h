#pragma once
#include <QDate>
#include <QString>

// What one account house shows and the statements that find it, apart from the widgets, so that the
// benchmark can run the very same statements.
namespace AccountHouses {

// The accounts of a scope, reserved rows left out, in the order they were created.
QString accountsStatement(const QString &accountClause);
// The balance of an account up to and including `day`, as TotalMoney.
QString balanceStatement(qint64 accountIndex, const QDate &day);
// The net of an account over the whole calendar month of `day`, as TotalMoney.
QString monthStatement(qint64 accountIndex, const QDate &day);

// The house picture for an account type and its balance, relative to the program folder.
QString picture(int accountType, double balance);
// The words under the house picture.
QString typeText(int accountType);

} // namespace AccountHouses
