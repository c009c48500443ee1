// The journal's figures: the refresh after a login, one day step and one record stored through the
// entry dialog. The bare side replays the very statements the program ran, so the ratio is what the
// program adds.
#include <QFile>
#include <cstdio>

#include "Figures.h"
#include "Replay.h"
#include "app/FormMain.h"
#include "app/Program.h"
#include "data/ShareDataModule.h"
#include "journal/FormGetPay.h"

namespace {

void newIncomeThroughDialog(FormGetPay &entry)
{
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
        compareWithReplay(bench, QStringLiteral("RefreshAll after login"), records, [&bench] { bench.windows().main->refreshAll(); });
    }
}

void dayStepFigure(Bench &bench)
{
    for (const int records : journalSizes(bench)) {
        logInto(bench, records);
        // Back and forth between the journal's last two days, each side on its own turn.
        FormMain &main = *bench.windows().main;
        const auto step = [&main](int days) { return [&main, days] { main.stepDay(days); }; };
        const QList<Traced> back = statementsOf(step(-1));
        const QList<Traced> forward = statementsOf(step(1));
        int programSteps = 0, bareSteps = 0;
        Bare &bare = bench.bare();
        bench.report(QStringLiteral("one day step"), records,
                     bench.compare([&] { main.stepDay(programSteps++ % 2 ? 1 : -1); },
                                   [&] { bare.replay(bareSteps++ % 2 ? forward : back); }, runs(bench, MostRuns)));
    }
}

void storeThroughDialogFigure(Bench &bench)
{
    const ExpectedMessage stored(QStringLiteral("记录新增成功"));
    for (const int records : journalSizes(bench)) {
        logInto(bench, records);
        compareWithReplay(bench, QStringLiteral("store through dialog"), records,
                          [&bench] { newIncomeThroughDialog(*bench.windows().getPay); });
    }
}
