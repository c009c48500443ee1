// The journal's figures: the refresh after a login, one day step, one record stored through the entry
// dialog, and the record grid over the whole journal. The bare side replays the very statements the
// program ran (as SQLite saw them, values filled in), so the ratio is what the program adds.
#include <QFile>
#include <cstdio>

#include <sqlite3.h>

#include "Figures.h"
#include "Replay.h"
#include "app/FormMain.h"
#include "app/Forms.h"
#include "app/MainContext.h"
#include "data/Query.h"
#include "data/ShareDataModule.h"
#include "grid/DataGrid.h"
#include "journal/FormGetPay.h"
#include "journal/RecordGrid.h"

namespace {

// The record grid waits long at a million records; it takes at most this many runs.
constexpr int MostGridRuns = 3;

void newIncomeThroughDialog()
{
    FormGetPay &entry = *forms().getPay;
    entry.EntryMode = FormGetPay::NewIncome;
    entry.PresetUser = QStringLiteral("客户001");
    entry.PresetSum = QStringLiteral("123.45");
    entry.PresetRemark.clear();
    if (!entry.prepareShowing())
        qFatal("bench: the entry dialog did not open");
    entry.confirm();
}

} // namespace

void refreshAllFigure(Bench &bench)
{
    for (const int records : journalSizes(bench)) {
        logInto(bench, records);
        compareWithReplay(bench, QStringLiteral("RefreshAll after login"), records, [] { forms().context->refreshAll(); });
    }
}

void dayStepFigure(Bench &bench)
{
    for (const int records : journalSizes(bench)) {
        logInto(bench, records);
        // Back and forth between the journal's last two days, each side on its own turn.
        const auto step = [](int days) { return [days] { forms().main->stepDay(days); }; };
        const QList<Traced> back = statementsOf(step(-1));
        const QList<Traced> forward = statementsOf(step(1));
        int programSteps = 0, bareSteps = 0;
        sqlite3 *db = bench.bare();
        bench.report(QStringLiteral("one day step"), records,
                     bench.compare([&] { forms().main->stepDay(programSteps++ % 2 ? 1 : -1); },
                                   [&] { replay(db, bareSteps++ % 2 ? forward : back); }, runs(bench, MostRuns)));
    }
}

void storeThroughDialogFigure(Bench &bench)
{
    const ExpectedMessage stored(QStringLiteral("记录新增成功"));
    for (const int records : journalSizes(bench)) {
        logInto(bench, records);
        compareWithReplay(bench, QStringLiteral("store through dialog"), records, newIncomeThroughDialog);
    }
}

void recordGridFigure(Bench &bench)
{
    for (const int records : journalSizes(bench)) {
        bench.useBooks(records);
        Query query(ShareDataModule::instance());
        DataGrid grid;
        const QString statement = QStringLiteral("Select ") + ReportFields()
            + QStringLiteral(" From Account,MoneyTable Where (AccountIndex = MoneyAccount) Order By MoneyCreateTime,MoneyIndex");
        const auto open = [&] { OpenRecordGrid(query, grid, statement, QString()); };
        const long before = residentKilobytes();
        const QList<Traced> statements = statementsOf(open);
        std::printf("record grid over %d records: %d rows held in %.0f MB\n", records, grid.model().rowCount(),
                    (residentKilobytes() - before) / 1024.0);
        std::fflush(stdout);
        sqlite3 *db = bench.bare();
        bench.report(QStringLiteral("record grid, all rows"), records,
                     bench.compare(open, [&] { replay(db, statements); }, runs(bench, MostGridRuns)));
    }
}
