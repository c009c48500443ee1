#include "reports/MonthClosing.h"

#include <QDate>
#include <array>

#include "data/Helpers.h"
#include "data/JetSql.h"
#include "data/Query.h"
#include "data/ShareDataModule.h"
#include "reporting/Report.h"
#include "ui/FormProgress.h"
#include "reports/PrintRows.h"

namespace {
const QString OpenFailure = QStringLiteral("数据库打开失败");
const QString WriteFailure = QStringLiteral("财务月结未能写入帐簿，没有打印");
const QString FillerName = QStringLiteral("--------");

// Where the bar stands once the walk reaches the day so many days after the first.
constexpr std::array<std::pair<int, int>, 3> DayMarks{{{10, 45}, {20, 65}, {30, 85}}};

// The rounding of the shown amounts, kept as a number.
double roundedToCents(double value)
{
    return RoundToText(value).toDouble();
}

// Receipts or payments of one day: how many and their total without sign.
struct DayFlow
{
    qint64 count = 0;
    double total = 0;
};

struct DayFigures
{
    DayFlow receipts;
    DayFlow payments;
};

// The records of `day` on one side of zero (`side` is "> 0" or "< 0"); false when a statement failed.
bool readFlow(Query &query, const QDate &day, const QString &side, DayFlow *flow)
{
    const QString where = QStringLiteral(" From MoneyTable Where (MoneySum ") + side
        + QStringLiteral(") And (MoneyCreateTime = ") + JetSql::dateLiteral(day) + QStringLiteral(")");
    if (!RunQuery(query, QStringLiteral("Select Count(*) As DayNum") + where, OpenFailure))
        return false;
    flow->count = query.fieldInteger(QStringLiteral("DayNum"));
    if (!RunQuery(query, QStringLiteral("Select Abs(Sum(MoneySum)) As TotalMoney") + where, OpenFailure))
        return false;
    flow->total = query.fieldNumber(QStringLiteral("TotalMoney"));
    return true;
}

// The day's or the month's figures as written and shown: totals to the cent, so that a sum such as
// 77 × 12.3 reads 947.1 and not as the binary sum left it; the net is taken from the unrounded totals.
RowFields rowFields(const QString &name, const DayFigures &figures)
{
    return {{QStringLiteral("DayName"), name},
            {QStringLiteral("DayGetNum"), figures.receipts.count},
            {QStringLiteral("DayGetSum"), roundedToCents(figures.receipts.total)},
            {QStringLiteral("DayPayNum"), figures.payments.count},
            {QStringLiteral("DayPaySum"), roundedToCents(figures.payments.total)},
            {QStringLiteral("DayCount"), roundedToCents(figures.receipts.total - figures.payments.total)}};
}

// Writes the summary into the rows of PrintDay held by `rows`; false when something failed, which
// was told.
class MonthSummary
{
public:
    MonthSummary(Query &rows, Query &sums, ProgressShown &progress)
        : m_rows(rows)
        , m_sums(sums)
        , m_progress(progress)
    {
    }

    bool write(const QDate &firstDay)
    {
        const int days = firstDay.daysInMonth();
        // Every day gets its row and the total one more, so no day is left out or overwritten.
        const int rowCount = std::max(m_rows.recordCount(), days + 1);
        for (int offset = 0; offset < days; ++offset) {
            moveBarOn(offset);
            if (!writeDay(offset, firstDay.addDays(offset)))
                return false;
        }
        for (int row = days; row < rowCount - 1; ++row)
            if (!StoreRow(m_rows, row, rowFields(FillerName, {}), WriteFailure))
                return false;
        m_progress.moveTo(100);
        return StoreRow(m_rows, rowCount - 1, rowFields(QStringLiteral("合计"), m_month), WriteFailure);
    }

private:
    void moveBarOn(int offset)
    {
        for (const auto &[mark, value] : DayMarks)
            if (offset == mark)
                m_progress.moveTo(value);
    }

    bool writeDay(int row, const QDate &day)
    {
        DayFigures figures;
        if (!readFlow(m_sums, day, QStringLiteral("> 0"), &figures.receipts)
            || !readFlow(m_sums, day, QStringLiteral("< 0"), &figures.payments))
            return false;
        m_month.receipts.count += figures.receipts.count;
        m_month.receipts.total += figures.receipts.total;
        m_month.payments.count += figures.payments.count;
        m_month.payments.total += figures.payments.total;
        return StoreRow(m_rows, row, rowFields(JetSql::dateText(day), figures), WriteFailure);
    }

    Query &m_rows;
    Query &m_sums;
    ProgressShown &m_progress;
    DayFigures m_month;
};
} // namespace

void ResearchReport(ShareDataModule &data, Query &monthGrid, Report &report, FormProgress &progress, const QDate &day)
{
    ProgressShown shown(progress, 25);
    const auto write = [&] {
        return MonthSummary(monthGrid, data.ADOQueryTemp(), shown).write(QDate(day.year(), day.month(), 1));
    };
    if (!RewritePrintRows(data, monthGrid, QStringLiteral("PrintDay"), WriteFailure, write))
        return;
    shown.close();
    RunReport(report, QStringLiteral("Frf\\MonthCount.frf"));
}
