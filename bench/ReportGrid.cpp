// The report grid over every record, in each of its three orders: the first screen (its count and
// sums still being read), the same with its footers filled, the last screen, and a jump to anywhere once the keys are in; beside SQLite reading the same screen
// bare, and the memory the grid holds at the largest books.
#include <QCoreApplication>
#include <QHeaderView>
#include <QRandomGenerator>
#include <QScrollBar>
#include <cstdio>

#include "Figures.h"
#include "Replay.h"
#include "data/ShareDataModule.h"
#include "data/WindowedQuery.h"
#include "grid/DataGrid.h"
#include "journal/RecordGrid.h"

namespace {

struct Order
{
    const char *name;
    const char *piece;
};

const Order Orders[] = {
    {"date", " Order By MoneyCreateTime,MoneyIndex"},
    {"amount", " Order By MoneySum Desc,MoneyCreateTime,MoneyIndex"},
    {"account", " Order By AccountName,MoneyCreateTime,MoneyIndex"},
};

// Bare: the count and sum of every record when asked, then one screen of the ordered records from
// `offset` on.
void bareScreen(Bare &bare, const Order &order, int rows, int offset, bool totals = true)
{
    const QByteArray from = " FROM Account,MoneyTable WHERE (AccountIndex = MoneyAccount)";
    if (totals)
        bare.read("SELECT Count(*), Sum(MoneySum)" + from, {}, 1);
    bare.read("SELECT " + ReportFields().toUtf8() + from + order.piece + " LIMIT " + QByteArray::number(rows)
                  + " OFFSET " + QByteArray::number(offset),
              {}, rows);
}

int rowsInSight(DataGrid &grid)
{
    return qMax(1, grid.viewport()->height() / grid.verticalHeader()->defaultSectionSize());
}

} // namespace

void reportGridFigure(Bench &bench)
{
    for (const int records : journalSizes(bench)) {
        bench.useBooks(records);
        Bare &db = bench.bare();
        const long before = residentKilobytes();
        WindowedQuery rows(ShareDataModule::instance());
        DataGrid grid;
        grid.resize(760, 420);
        const auto show = [&](const Order &order) {
            OpenRecordGrid(rows, grid, ReportGridStatement(QString(), QString::fromLatin1(order.piece)), QString());
            grid.grab();
        };
        // The count and sums in and shown, as the user sees them once the grid is told.
        const auto showCounted = [&](const Order &order) {
            show(order);
            rows.recordCount();
            QCoreApplication::sendPostedEvents(&rows);
            grid.grab();
        };
        for (const Order &order : Orders) {
            show(order);
            const int screen = rowsInSight(grid);
            const QString name = QString::fromLatin1(order.name);
            bench.report(QStringLiteral("report grid by %1, first screen").arg(name), records,
                         bench.compare([&] { show(order); }, [&] { bareScreen(db, order, screen, 0, false); },
                                       runs(bench, MostRuns)));
            bench.report(QStringLiteral("report grid by %1, first screen with its footers").arg(name), records,
                         bench.compare([&] { showCounted(order); }, [&] { bareScreen(db, order, screen, 0); },
                                       runs(bench, MostRuns)));
            bench.report(QStringLiteral("report grid by %1, last screen").arg(name), records,
                         bench.compare(
                             [&] {
                                 showCounted(order);
                                 grid.scrollToBottom();
                                 grid.grab();
                             },
                             [&] { bareScreen(db, order, screen, records - screen); }, runs(bench, MostRuns)));
            rows.waitForKeys();
            QCoreApplication::sendPostedEvents(&rows);
            QRandomGenerator places(records);
            int place = 0;
            bench.report(QStringLiteral("report grid by %1, jump once read").arg(name), records,
                         bench.compare(
                             [&] {
                                 place = int(places.bounded(records));
                                 grid.verticalScrollBar()->setValue(place);
                                 grid.grab();
                             },
                             [&] { bareScreen(db, order, screen, place, false); }, runs(bench, MostRuns)));
        }
        grid.scrollToBottom();
        grid.grab();
        std::printf("report grid over %d records: %d rows, footer %s / %s; after every order and scrolling to "
                    "the end the program holds %.0f MB resident, %.0f MB more than before\n",
                    records, grid.model().rowCount(), qPrintable(grid.footerText(0)), qPrintable(grid.footerText(5)),
                    residentKilobytes() / 1024.0, (residentKilobytes() - before) / 1024.0);
        std::fflush(stdout);
    }
}
