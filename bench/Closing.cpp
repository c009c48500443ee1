// The month figures: 财务月结 and 帐户月结 from the click to the preview's first page painted, beside
// the same statements and row writes run bare, on the largest books. The month is the last
// whole month of the generated books.
#include <QDate>
#include <climits>
#include <functional>

#include "Figures.h"
#include "app/Program.h"
#include "PreviewPainted.h"
#include "ui/FormProgress.h"
#include "data/Query.h"
#include "data/ShareDataModule.h"
#include "reporting/Report.h"
#include "reports/AccountStatement.h"
#include "reports/MonthClosing.h"

namespace {

constexpr int MostRuns = 20;
const QDate Month(2026, 11, 1);

QString isoDay(const QDate &day)
{
    return day.toString(Qt::ISODate);
}

// The month's day figures read and written into PrintDay, then its rows read back as a first page would.
void closeMonthBare(Bare &bare)
{
    const auto count = bare.prepare("SELECT Count(*) FROM MoneyTable WHERE MoneySum > 0 AND MoneyCreateTime = ?1");
    const auto sum = bare.prepare("SELECT Abs(Sum(MoneySum)) FROM MoneyTable WHERE MoneySum > 0 AND MoneyCreateTime = ?1");
    const auto payCount = bare.prepare("SELECT Count(*) FROM MoneyTable WHERE MoneySum < 0 AND MoneyCreateTime = ?1");
    const auto paySum = bare.prepare("SELECT Abs(Sum(MoneySum)) FROM MoneyTable WHERE MoneySum < 0 AND MoneyCreateTime = ?1");
    const auto write = bare.prepare("UPDATE PrintDay SET DayName = ?1, DayGetNum = ?2, DayGetSum = ?3, DayPayNum = ?4, "
                                    "DayPaySum = ?5, DayCount = ?6 WHERE " + bare.rowIdOf("PrintDay") + " = ?7");
    bare.begin();
    for (int d = 0; d < Month.daysInMonth(); ++d) {
        const QString day = isoDay(Month.addDays(d));
        const double get = sum->run({day});
        const double pay = paySum->run({day});
        write->run({day, count->run({day}), get, payCount->run({day}), pay, get - pay, d + 1});
    }
    bare.commit();
    bare.read("SELECT * FROM PrintDay");
}

// Each account's three sums and its line written into PrintTable, then the lines read back.
void statementBare(Bare &bare)
{
    const QString first = isoDay(Month);
    const QString last = isoDay(Month.addMonths(1).addDays(-1));
    const auto opening = bare.prepare("SELECT Sum(MoneySum) FROM Account,MoneyTable WHERE AccountIndex > 1 "
                                      "AND AccountIndex = MoneyAccount AND AccountIndex = ?1 AND MoneyCreateTime < ?2");
    const auto receipts = bare.prepare("SELECT Sum(MoneySum) FROM Account,MoneyTable WHERE AccountIndex > 1 "
                                       "AND AccountIndex = MoneyAccount AND AccountIndex = ?1 AND MoneySum > 0 "
                                       "AND MoneyCreateTime BETWEEN ?2 AND ?3");
    const auto payments = bare.prepare("SELECT Abs(Sum(MoneySum)) FROM Account,MoneyTable WHERE AccountIndex > 1 "
                                       "AND AccountIndex = MoneyAccount AND AccountIndex = ?1 AND MoneySum < 0 "
                                       "AND MoneyCreateTime BETWEEN ?2 AND ?3");
    const auto write = bare.prepare("UPDATE PrintTable SET PrintEnable = TRUE, PrintValue2 = ?1, PrintValue3 = ?2, "
                                    "PrintValue4 = ?3 WHERE " + bare.rowIdOf("PrintTable") + " = ?4");
    QList<qint64> accounts;
    bare.read("SELECT AccountIndex FROM Account WHERE AccountIndex > 1", {}, INT_MAX, &accounts);
    bare.begin();
    int row = 1;
    for (const qint64 account : accounts)
        write->run({opening->run({account, first}), receipts->run({account, first, last}),
                    payments->run({account, first, last}), row++});
    bare.commit();
    bare.read("SELECT * FROM PrintTable WHERE PrintEnable = TRUE");
}

} // namespace

namespace {
// Times `run` over a print query and the report bound to it, from the click to the preview's first page
// painted, beside `bare`, on the largest books.
void timeToPreview(Bench &bench, const QString &figure,
                   const std::function<void(ShareDataModule &, Query &, Report &, FormProgress &, const QDate &)> &run,
                   const std::function<void(Bare &)> &bare)
{
    bench.useBooks(bench.largest());
    ShareDataModule &data = *bench.windows().data;
    Query rows(data);
    Report report(data, rows);
    FormProgress progress;
    const PreviewPainted screen;
    Bare &db = bench.bare();
    bench.report(figure, bench.largest(),
                 bench.compare([&] { run(data, rows, report, progress, Month.addDays(14)); }, [&] { bare(db); },
                               qMin(bench.runs(), MostRuns)));
}
} // namespace

void monthClosingFigure(Bench &bench)
{
    timeToPreview(bench, QStringLiteral("财务月结 to preview"), ResearchReport, closeMonthBare);
}

void accountStatementFigure(Bench &bench)
{
    timeToPreview(bench, QStringLiteral("帐户月结 to preview"), MoneyMonth, statementBare);
}
