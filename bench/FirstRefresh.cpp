// The first refresh after the program starts: the connection is opened (the books' schema read and
// their month totals looked over) and every view filled, with the books dropped from the system's
// file cache before each run as far as the system allows. The bare side opens its own connection on
// the same cold file and replays the refresh's statements.
#include <QFile>

#include <fcntl.h>
#include <sqlite3.h>

#include "Figures.h"
#include "Replay.h"
#include "app/FormMain.h"
#include "app/Program.h"
#include "data/ShareDataModule.h"

namespace {

constexpr int MostColdRuns = 5;

void forgetCachedBooks(const QString &path)
{
    QFile books(path);
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
        const QByteArray path = QFile::encodeName(bench.booksPath());
        const auto program = [&] {
            ShareDataModule::instance().disconnect();
            forgetCachedBooks(bench.booksPath());
            refresh();
        };
        const auto bare = [&] {
            forgetCachedBooks(bench.booksPath());
            sqlite3 *db = nullptr;
            sqlite3_open_v2(path.constData(), &db, SQLITE_OPEN_READWRITE, nullptr);
            replay(db, statements);
            sqlite3_close(db);
        };
        bench.report(QStringLiteral("first refresh, cold"), records, bench.compare(program, bare, runs(bench, MostColdRuns)));
    }
}
