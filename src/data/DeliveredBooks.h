#pragma once
#include <QList>
#include <QString>
#include <QStringList>
#include <utility>

// The books as delivered: the seven tables, their indexes and the rows the program relies on
// (reserved first rows of Account and GetPay, the three password rows, the print rows).
// Used by the build, the tests and the benchmark alike.
namespace DeliveredBooks {
inline constexpr int SchemaVersion = 3; // 2: month totals of MoneyTable; 3: the change record
inline constexpr int PrintTableRows = 1000;
inline constexpr int PrintDayRows = 32;

// Creates the books file at `path`. Refuses (false) when a file is already there: a user's books
// are never overwritten.
bool create(const QString &path, QString *error);

// The rows the delivered books hold, as statements run once the tables are there.
QString rowsStatement();

// The index the report centre's amount order reads the journal in (amount down, then day), holding
// the account too so that the order is read from it alone. Books made before it get it when opened.
inline constexpr char AmountIndexName[] = "MoneyByAmount";
QString amountIndexStatement();

// Each of the seven tables that hold the books' own data with its fields, in the order of the schema.
QList<std::pair<QString, QStringList>> tableFields();
} // namespace DeliveredBooks
