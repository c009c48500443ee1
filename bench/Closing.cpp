// The month figures: 财务月结 and 帐户月结 from the click to the preview's first page painted, beside
// the same statements and row writes run bare on SQLite, on the largest books. The month is the last
// whole month of the generated books.
#include <QDate>
#include <functional>

#include <sqlite3.h>

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

// One prepared statement on the bare connection, stepped to its end for each set of values.
class Bare
{
public:
    Bare(sqlite3 *db, const char *sql)
    {
        if (sqlite3_prepare_v2(db, sql, -1, &m_statement, nullptr) != SQLITE_OK)
            qFatal("bench: %s", sqlite3_errmsg(db));
    }
    ~Bare() { sqlite3_finalize(m_statement); }
    Bare(const Bare &) = delete;
    Bare &operator=(const Bare &) = delete;

    // Binds the values in order, steps through every row and returns the first column of the last.
    double run(const QList<QVariant> &values = {})
    {
        sqlite3_reset(m_statement);
        for (int i = 0; i < values.size(); ++i) {
            const QByteArray text = values[i].toString().toUtf8();
            if (values[i].typeId() == QMetaType::QString)
                sqlite3_bind_text(m_statement, i + 1, text.constData(), int(text.size()), SQLITE_TRANSIENT);
            else
                sqlite3_bind_double(m_statement, i + 1, values[i].toDouble());
        }
        double first = 0;
        while (sqlite3_step(m_statement) == SQLITE_ROW) {
            first = sqlite3_column_double(m_statement, 0);
            for (int column = 1; column < sqlite3_column_count(m_statement); ++column)
                sqlite3_column_text(m_statement, column);
        }
        return first;
    }

private:
    sqlite3_stmt *m_statement = nullptr;
};

QString isoDay(const QDate &day)
{
    return day.toString(Qt::ISODate);
}

// The month's day figures read and written into PrintDay, then its rows read back as a first page would.
void closeMonthBare(sqlite3 *db)
{
    Bare count(db, "SELECT Count(*) FROM MoneyTable WHERE MoneySum > 0 AND MoneyCreateTime = ?1");
    Bare sum(db, "SELECT Abs(Sum(MoneySum)) FROM MoneyTable WHERE MoneySum > 0 AND MoneyCreateTime = ?1");
    Bare payCount(db, "SELECT Count(*) FROM MoneyTable WHERE MoneySum < 0 AND MoneyCreateTime = ?1");
    Bare paySum(db, "SELECT Abs(Sum(MoneySum)) FROM MoneyTable WHERE MoneySum < 0 AND MoneyCreateTime = ?1");
    Bare write(db, "UPDATE PrintDay SET DayName = ?1, DayGetNum = ?2, DayGetSum = ?3, DayPayNum = ?4, DayPaySum = ?5, "
                   "DayCount = ?6 WHERE rowid = ?7");
    Bare rows(db, "SELECT * FROM PrintDay");
    Bare(db, "BEGIN IMMEDIATE").run();
    for (int d = 0; d < Month.daysInMonth(); ++d) {
        const QString day = isoDay(Month.addDays(d));
        const double get = sum.run({day});
        const double pay = paySum.run({day});
        write.run({day, count.run({day}), get, payCount.run({day}), pay, get - pay, d + 1});
    }
    Bare(db, "COMMIT").run();
    rows.run();
}

// Each account's three sums and its line written into PrintTable, then the lines read back.
void statementBare(sqlite3 *db)
{
    const QString first = isoDay(Month);
    const QString last = isoDay(Month.addMonths(1).addDays(-1));
    Bare opening(db, "SELECT Sum(MoneySum) FROM Account,MoneyTable WHERE AccountIndex > 1 AND AccountIndex = MoneyAccount "
                     "AND AccountIndex = ?1 AND MoneyCreateTime < ?2");
    Bare receipts(db, "SELECT Sum(MoneySum) FROM Account,MoneyTable WHERE AccountIndex > 1 AND AccountIndex = MoneyAccount "
                      "AND AccountIndex = ?1 AND MoneySum > 0 AND MoneyCreateTime BETWEEN ?2 AND ?3");
    Bare payments(db, "SELECT Abs(Sum(MoneySum)) FROM Account,MoneyTable WHERE AccountIndex > 1 AND AccountIndex = MoneyAccount "
                      "AND AccountIndex = ?1 AND MoneySum < 0 AND MoneyCreateTime BETWEEN ?2 AND ?3");
    Bare write(db, "UPDATE PrintTable SET PrintEnable = 1, PrintValue2 = ?1, PrintValue3 = ?2, PrintValue4 = ?3 WHERE rowid = ?4");
    Bare lines(db, "SELECT * FROM PrintTable WHERE PrintEnable = 1");
    QList<double> indexes;
    sqlite3_stmt *walk = nullptr;
    sqlite3_prepare_v2(db, "SELECT AccountIndex FROM Account WHERE AccountIndex > 1", -1, &walk, nullptr);
    while (sqlite3_step(walk) == SQLITE_ROW)
        indexes.append(sqlite3_column_double(walk, 0));
    sqlite3_finalize(walk);
    Bare(db, "BEGIN IMMEDIATE").run();
    int row = 1;
    for (const double account : indexes)
        write.run({opening.run({account, first}), receipts.run({account, first, last}),
                   payments.run({account, first, last}), row++});
    Bare(db, "COMMIT").run();
    lines.run();
}

} // namespace

namespace {
// Times `run` over a print query and the report bound to it, from the click to the preview's first page
// painted, beside `bare`, on the largest books.
void timeToPreview(Bench &bench, const QString &figure,
                   const std::function<void(ShareDataModule &, Query &, Report &, FormProgress &, const QDate &)> &run,
                   const std::function<void(sqlite3 *)> &bare)
{
    bench.useBooks(bench.largest());
    ShareDataModule &data = *bench.windows().data;
    Query rows(data);
    Report report(data, rows);
    FormProgress progress;
    const PreviewPainted screen;
    sqlite3 *db = bench.bare();
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
