#include "reporting/ReportPrinting.h"

#include <QPageLayout>
#include <QPageSize>
#include <QPainter>
#include <QPrinter>

#include "reporting/Report.h"
#include "reporting/ReportPainter.h"

void SetupReportPrinter(QPrinter &printer, const Report &report)
{
    const QSizeF paper = report.paperSize();
    const bool landscape = paper.width() > paper.height();
    const QSizeF portrait = landscape ? paper.transposed() : paper;
    printer.setFullPage(true);
    printer.setPageLayout(QPageLayout(QPageSize(portrait, QPageSize::Millimeter),
                                      landscape ? QPageLayout::Landscape : QPageLayout::Portrait, QMarginsF()));
}

bool PrintReport(Report &report, QPrinter &printer)
{
    int first = 1;
    int last = report.pageCount();
    if (printer.printRange() == QPrinter::PageRange && printer.fromPage() > 0) {
        first = qMax(first, printer.fromPage());
        last = qMin(last, printer.toPage() > 0 ? printer.toPage() : last);
    }
    QPainter painter;
    if (first > last || !painter.begin(&printer))
        return false;
    const double dotsPerMm = printer.resolution() / 25.4;
    for (int number = first; number <= last; ++number) {
        if (number > first)
            printer.newPage();
        PaintReportPage(painter, report.page(number - 1), dotsPerMm);
    }
    return painter.end();
}
