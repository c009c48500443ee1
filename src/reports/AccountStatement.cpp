#include "reports/AccountStatement.h"

#include <QDate>
#include <QList>

#include "data/Helpers.h"
#include "data/JetSql.h"
#include "data/MonthTotals.h"
#include "data/Query.h"
#include "data/ShareDataModule.h"
#include "reporting/Report.h"
#include "ui/FormProgress.h"
#include "reports/PrintRows.h"

namespace {
const QString OpenFailure = QStringLiteral("数据库打开失败");
const QString WriteFailure = QStringLiteral("帐户月结未能写入帐簿，没有打印");
constexpr int ValueFields = 10;

// The amounts of one statement line, unrounded; the totals are summed from these.
struct Amounts
{
    double opening = 0;
    double receipts = 0;
    double payments = 0;

    double net() const { return receipts - payments; }
    double closing() const { return opening + net(); }
    Amounts &operator+=(const Amounts &other)
    {
        opening += other.opening;
        receipts += other.receipts;
        payments += other.payments;
        return *this;
    }
};

struct Line
{
    QString name;
    Amounts amounts;
};

// The first value of a one-row sum, read as 0 when the sum found no record.
bool sumOf(Query &query, const QString &statement, double *value)
{
    if (!RunQuery(query, statement, OpenFailure))
        return false;
    *value = query.fieldNumber(QStringLiteral("TotalMoney"));
    return true;
}

QString accountCondition(qint64 account)
{
    return QStringLiteral(" From Account,MoneyTable Where (AccountIndex > 1) And (AccountIndex = MoneyAccount) "
                          "And (AccountIndex = ")
        + QString::number(account) + QStringLiteral(")");
}

bool readAmounts(Query &sums, qint64 account, const QDate &first, Amounts *amounts)
{
    const QString month = QStringLiteral(" And (MoneyCreateTime Between ") + JetSql::dateLiteral(first)
        + QStringLiteral(" And ") + JetSql::dateLiteral(first.addMonths(1).addDays(-1)) + QStringLiteral(")");
    return AccountOpeningBalance(sums, account, first, &amounts->opening)
        && sumOf(sums, QStringLiteral("Select Sum(MoneySum) As TotalMoney") + accountCondition(account)
                     + QStringLiteral(" And (MoneySum > 0)") + month,
                 &amounts->receipts)
        && sumOf(sums, QStringLiteral("Select ABS(Sum(MoneySum)) As TotalMoney") + accountCondition(account)
                     + QStringLiteral(" And (MoneySum < 0)") + month,
                 &amounts->payments);
}

// Every account with its amounts, in the order the books return them; false when a statement failed.
bool readLines(ShareDataModule &data, const QDate &first, QList<Line> *lines)
{
    Query &accounts = data.ADOQueryTemp();
    if (!RunQuery(accounts, QStringLiteral("Select * From Account Where AccountIndex > 1"), OpenFailure))
        return false;
    for (accounts.first(); !accounts.eof(); accounts.next()) {
        Line line{accounts.fieldText(QStringLiteral("AccountName")), {}};
        if (!readAmounts(data.ADOQueryTemp2(), accounts.fieldInteger(QStringLiteral("AccountIndex")), first, &line.amounts))
            return false;
        lines->append(line);
    }
    return true;
}

RowFields lineFields(const QString &name, const Amounts &amounts)
{
    RowFields fields{{QStringLiteral("PrintEnable"), true},
                     {QStringLiteral("PrintValue1"), name},
                     {QStringLiteral("PrintValue2"), RoundToText(amounts.opening)},
                     {QStringLiteral("PrintValue3"), RoundToText(amounts.receipts)},
                     {QStringLiteral("PrintValue4"), RoundToText(amounts.payments)},
                     {QStringLiteral("PrintValue5"), RoundToText(amounts.net())},
                     {QStringLiteral("PrintValue6"), RoundToText(amounts.closing())}};
    for (int value = 7; value <= ValueFields; ++value)
        fields.append({QStringLiteral("PrintValue%1").arg(value), QString()});
    return fields;
}

// Writes the lines into the rows of PrintTable held by `rows`; false when something failed, which
// was told.
class StatementRows
{
public:
    StatementRows(Query &rows, ProgressShown &progress)
        : m_rows(rows)
        , m_progress(progress)
    {
    }

    bool write(const QList<Line> &lines)
    {
        m_nextIndex = largestIndex() + 1;
        Amounts total;
        for (int row = 0; row < lines.size(); ++row) {
            total += lines[row].amounts;
            if (!store(row, lineFields(lines[row].name, lines[row].amounts)))
                return false;
        }
        if (!store(int(lines.size()), lineFields(QStringLiteral("总合计"), total)))
            return false;
        m_progress.moveTo(75);
        for (int row = int(lines.size()) + 1; row < m_rows.recordCount(); ++row) {
            m_rows.moveTo(row);
            // Rows already out of the printout stay as they are, so this costs little however many.
            if (m_rows.fieldInteger(QStringLiteral("PrintEnable")) != 0
                && !store(row, {{QStringLiteral("PrintEnable"), false}}))
                return false;
        }
        return true;
    }

private:
    qint64 largestIndex()
    {
        qint64 largest = 0;
        for (m_rows.first(); !m_rows.eof(); m_rows.next())
            largest = std::max(largest, m_rows.fieldInteger(QStringLiteral("PrintIndex")));
        return largest;
    }

    // A row added after the last is numbered on from the others.
    bool store(int row, RowFields fields)
    {
        if (row >= m_rows.recordCount())
            fields.append({QStringLiteral("PrintIndex"), m_nextIndex++});
        return StoreRow(m_rows, row, fields, WriteFailure);
    }

    Query &m_rows;
    ProgressShown &m_progress;
    qint64 m_nextIndex = 1;
};
} // namespace

bool AccountOpeningBalance(Query &sums, qint64 account, const QDate &firstDay, double *balance)
{
    // From the month totals, so the statement costs the same in the twentieth year as in the first;
    // unrounded, as the statement's totals add up the accounts' own values.
    return sumOf(sums, MonthTotals::balanceStatement(QStringLiteral("TotalMoney"), firstDay, MonthTotals::Bound::Before,
                                               QStringLiteral(" And (AccountIndex = %1)").arg(account),
                                               MonthTotals::Rounding::None),
                 balance);
}

void MoneyMonth(ShareDataModule &data, Query &accountLines, Report &report, FormProgress &progress, const QDate &day)
{
    ProgressShown shown(progress, 25);
    QList<Line> lines;
    if (!readLines(data, QDate(day.year(), day.month(), 1), &lines) || lines.isEmpty())
        return;
    const auto write = [&] { return StatementRows(accountLines, shown).write(lines); };
    if (!RewritePrintRows(data, accountLines, QStringLiteral("PrintTable"), WriteFailure, write))
        return;
    shown.moveTo(100);
    if (!RunQuery(accountLines, QStringLiteral("Select * From PrintTable Where PrintEnable = True"), OpenFailure))
        return;
    shown.close();
    RunReport(report, QStringLiteral("Frf\\AccountMonth.frf"));
}
