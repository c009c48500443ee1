// The spreadsheet export: the report grid over every record written to an .xlsx, beside stepping
// through the same rows bare on SQLite; and the memory the writing adds.
#include <QDir>
#include <QFile>
#include <cstdio>


#include "Figures.h"
#include "Replay.h"
#include "data/WindowedQuery.h"
#include "data/ShareDataModule.h"
#include "grid/DataGrid.h"
#include "journal/RecordGrid.h"
#include "reports/SheetExport.h"

namespace {

constexpr int ExportedRecords = 100000;
constexpr int ExportRuns = 3;

} // namespace

void exportFigure(Bench &bench)
{
    const int records = qMin(ExportedRecords, bench.largest());
    bench.useBooks(records);
    WindowedQuery rows(ShareDataModule::instance());
    DataGrid grid;
    OpenRecordGrid(rows, grid, ReportGridStatement(QString(), QStringLiteral(" Order By MoneyCreateTime,MoneyIndex")),
                   QString());
    const QByteArray bare = QByteArray("SELECT ") + ReportFields().toUtf8()
        + " FROM Account,MoneyTable WHERE (AccountIndex = MoneyAccount) ORDER BY MoneyCreateTime,MoneyIndex";
    const QString path = QDir(QDir::tempPath()).filePath(QStringLiteral("kalvora-bench-export.xlsx"));
    const long before = residentKilobytes();
    Bare &db = bench.bare();
    bench.report(QStringLiteral("export to .xlsx"), records,
                 bench.compare([&] { SheetExport::write(path, grid, QDate(2026, 12, 10)); },
                               [&] { db.read(bare); }, qMin(bench.runs(), ExportRuns)));
    std::printf("export of %d records: %.1f MB written, resident memory grew by %.1f MB while writing\n", records,
                QFile(path).size() / (1024.0 * 1024.0), (residentKilobytes() - before) / 1024.0);
    std::fflush(stdout);
    QFile::remove(path);
}
