// The check of the month totals against every record that each login runs: a pass over the whole
// journal, so its cost grows with the books, once a session.

#include "Figures.h"
#include "Replay.h"
#include "data/Failure.h"
#include "data/MonthTotals.h"
#include "data/ShareDataModule.h"

namespace {

constexpr int MostCheckRuns = 5;

} // namespace

void monthCheckFigure(Bench &bench)
{
    for (const int records : journalSizes(bench)) {
        bench.useBooks(records);
        Bare &bare = bench.bare();
        const QByteArray count = (QStringLiteral("SELECT count(*) FROM (") + MonthTotals::checkStatement(bare.engine())
                                  + QStringLiteral(") AS differing")).toUtf8();
        const auto program = [] {
            EngineError why;
            if (!ShareDataModule::instance().checkMonthTotals(&why))
                qFatal("bench: the month totals check failed: %s", qPrintable(why.text));
        };
        bench.report(QStringLiteral("month totals check"), records,
                     bench.compare(program, [&] { bare.read(count); }, runs(bench, MostCheckRuns)));
    }
}
