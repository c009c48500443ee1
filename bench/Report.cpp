// The report figures: the record grid's query printed through the report template of the report
// centre. Building the report, and the first page showing in the preview, beside reading the rows of
// that first page bare from SQLite; and what the laid-out pages cost in memory.
#include <QDialog>
#include <QElapsedTimer>
#include <cstdio>
#include <malloc.h>

#include "Figures.h"
#include "Replay.h"
#include "data/WindowedQuery.h"
#include "data/ShareDataModule.h"
#include "journal/RecordGrid.h"
#include "reporting/FormPreview.h"
#include "reporting/Report.h"
#include "reporting/ReportView.h"
#include "PreviewPainted.h"

namespace {

constexpr int MeasuredPages = 400;

// The bytes the program holds on its heap now; unlike the resident size it does not hide what is
// allocated in memory freed before.
double heapMegabytes()
{
    const struct mallinfo2 heap = mallinfo2();
    return double(heap.uordblks + heap.hblkhd) / (1024.0 * 1024.0);
}

// The memory one laid-out page takes, measured over many pages kept at once.
double kilobytesPerPage(Report &report)
{
    QList<ReportPage> kept;
    const int pages = qMin(MeasuredPages, report.pageCount());
    const double before = heapMegabytes();
    for (int p = 0; p < pages; ++p)
        kept.append(report.page(p));
    return pages > 0 ? (heapMegabytes() - before) * 1024.0 / pages : 0;
}

} // namespace

void reportFigure(Bench &bench)
{
    const QString layout = QStringLiteral(KALVORA_DIR "/Frf/Report.frf");
    QList<int> sizes;
    for (const int records : {10000, 100000, bench.largest()})
        if (records <= bench.largest() && !sizes.contains(records))
            sizes.append(records);
    for (const int records : sizes) {
        bench.useBooks(records);
        const QByteArray bare = QByteArray("SELECT ") + ReportFields().toUtf8()
            + " FROM Account,MoneyTable WHERE (AccountIndex = MoneyAccount) ORDER BY MoneyCreateTime,MoneyIndex";
        const double beforeQuery = heapMegabytes();
        WindowedQuery query(ShareDataModule::instance());
        if (!query.open(ReportGridStatement(QString(), QStringLiteral(" Order By MoneyCreateTime,MoneyIndex"))))
            qFatal("bench: %s", qPrintable(query.lastFailure().text));
        query.waitForKeys();

        const double beforeReport = heapMegabytes();
        Report report(ShareDataModule::instance(), query);
        if (!report.loadTemplate(layout) || !report.build())
            qFatal("bench: the report template %s did not build", qPrintable(layout));
        const int firstPageRows = report.page(0).cellRows().size();
        Bare &db = bench.bare();
        bench.report(QStringLiteral("report build + page 1"), records,
                     bench.compare([&] { report.build(); report.page(0); },
                                   [&] { db.read(bare, {}, firstPageRows); }, qMin(bench.runs(), MostRuns)));
        {
            const PreviewPainted screen;
            bench.report(QStringLiteral("report to preview shown"), records,
                         bench.compare([&] { report.show(); }, [&] { db.read(bare, {}, firstPageRows); },
                                       qMin(bench.runs(), MostRuns)));
        }
        const double reportMemory = heapMegabytes() - beforeReport;
        const double perPage = kilobytesPerPage(report);
        QElapsedTimer findClock;
        findClock.start();
        report.findNext(QStringLiteral("无此文字"));
        const double findSeconds = findClock.nsecsElapsed() / 1e9;
        std::printf("report over %d records: %d pages; the report grid's rows as read for it %.1f MB; the report after building and "
                    "previewing %.2f MB; one laid-out page %.1f KB, so all pages laid out would take %.0f MB; "
                    "looking for a text on no page %.2f s\n",
                    records, report.pageCount(), beforeReport - beforeQuery, reportMemory, perPage,
                    perPage * report.pageCount() / 1024.0, findSeconds);
        std::fflush(stdout);
    }
}
