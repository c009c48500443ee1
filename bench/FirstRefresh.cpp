// The first refresh after the program starts: the connection is opened (the books' schema read and
// their month totals looked over) and every view filled, with a books file dropped from the system's
// file cache before each run as far as the system allows (server books stay in the server's cache: a
// new connection is what is cold there). The bare side opens its own connection on the same books and
// replays the refresh's statements.
#include <QFile>

#include <fcntl.h>

#include "Figures.h"
#include "Replay.h"
#include "app/FormMain.h"
#include "app/Program.h"
#include "data/ShareDataModule.h"

namespace {

constexpr int MostColdRuns = 5;

void forgetCachedBooks(const Bench &bench)
{
    if (bench.onServer())
        return;
    QFile books(bench.booksPath());
    if (books.open(QIODevice::ReadOnly))
        ::posix_fadvise(books.handle(), 0, 0, POSIX_FADV_DONTNEED);
}

} // namespace

void firstRefreshFigure(Bench &bench)
{
    for (const int records : journalSizes(bench)) {
        logInto(bench, records);
        const auto refresh = [&bench] { bench.windows().main->refreshAll(); };
        const QList<Traced> statements = statementsOf(refresh);
        const auto program = [&] {
            ShareDataModule::instance().disconnect();
            forgetCachedBooks(bench);
            refresh();
        };
        const auto bare = [&] {
            forgetCachedBooks(bench);
            bench.openBare()->replay(statements);
        };
        bench.report(QStringLiteral("first refresh, cold"), records, bench.compare(program, bare, runs(bench, MostColdRuns)));
    }
}
