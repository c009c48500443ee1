// The report centre's picture buttons: 导出EXCEL, 财务月结, 生成报表 and 打印报表.
#include <QPolygonF>

#include "Art.h"

namespace {

const QColor Ink(52, 64, 86);
const QColor SheetGreen(33, 115, 70);

// A sheet of paper with a folded corner, in the unit square scaled by `s`.
void paper(QPainter &p, qreal s, const QRectF &r)
{
    const qreal fold = r.width() * 0.28;
    p.setPen(Art::roundPen(Ink, s * 0.04));
    p.setBrush(Qt::white);
    p.drawPolygon(QPolygonF{r.topLeft(), r.topRight() - QPointF(fold, 0), r.topRight() + QPointF(0, fold),
                            r.bottomRight(), r.bottomLeft()});
    p.setBrush(QColor(220, 226, 236));
    p.drawPolygon(QPolygonF{r.topRight() - QPointF(fold, 0), r.topRight() - QPointF(fold, -fold),
                            r.topRight() + QPointF(0, fold)});
}

// 导出EXCEL: a spreadsheet with a green badge bearing an X.
void spreadsheet(QPainter &p, qreal s)
{
    const QRectF sheet(s * 0.3, s * 0.08, s * 0.6, s * 0.84);
    paper(p, s, sheet);
    p.setPen(Art::roundPen(QColor(150, 170, 150), s * 0.025));
    for (int row = 0; row < 4; ++row)
        p.drawLine(QPointF(s * 0.5, s * (0.38 + row * 0.12)), QPointF(s * 0.84, s * (0.38 + row * 0.12)));
    p.drawLine(QPointF(s * 0.67, s * 0.32), QPointF(s * 0.67, s * 0.8));
    p.setPen(Qt::NoPen);
    p.setBrush(SheetGreen);
    p.drawRoundedRect(QRectF(s * 0.06, s * 0.26, s * 0.44, s * 0.48), s * 0.06, s * 0.06);
    p.setPen(Art::roundPen(Qt::white, s * 0.07));
    p.drawLine(QPointF(s * 0.17, s * 0.37), QPointF(s * 0.39, s * 0.63));
    p.drawLine(QPointF(s * 0.39, s * 0.37), QPointF(s * 0.17, s * 0.63));
}

// 财务月结: a sheet of the month's day lines, closed with a green tick.
void monthClosing(QPainter &p, qreal s)
{
    paper(p, s, QRectF(s * 0.08, s * 0.06, s * 0.62, s * 0.84));
    p.setPen(Art::roundPen(QColor(150, 162, 184), s * 0.04));
    for (int row = 0; row < 5; ++row)
        p.drawLine(QPointF(s * 0.18, s * (0.3 + row * 0.1)), QPointF(s * 0.58, s * (0.3 + row * 0.1)));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(38, 150, 60));
    p.drawEllipse(QRectF(s * 0.52, s * 0.52, s * 0.46, s * 0.46));
    p.setPen(Art::roundPen(Qt::white, s * 0.07));
    p.drawPolyline(QPolygonF{{s * 0.63, s * 0.76}, {s * 0.72, s * 0.85}, {s * 0.87, s * 0.66}});
}

// 生成报表: a report sheet with a bar chart and a magnifier over it.
void makeReport(QPainter &p, qreal s)
{
    paper(p, s, QRectF(s * 0.1, s * 0.06, s * 0.62, s * 0.84));
    p.setPen(Qt::NoPen);
    const QColor bars[] = {QColor(52, 112, 196), QColor(236, 160, 30), QColor(206, 52, 46)};
    for (int i = 0; i < 3; ++i) {
        const qreal height = s * (0.16 + i * 0.1);
        p.setBrush(bars[i]);
        p.drawRect(QRectF(s * (0.2 + i * 0.13), s * 0.76 - height, s * 0.09, height));
    }
    p.setPen(Art::roundPen(Ink, s * 0.08));
    p.drawLine(QPointF(s * 0.78, s * 0.62), QPointF(s * 0.93, s * 0.8));
    p.setPen(Art::roundPen(Ink, s * 0.05));
    p.setBrush(QColor(200, 225, 250, 170));
    p.drawEllipse(QPointF(s * 0.66, s * 0.48), s * 0.17, s * 0.17);
}

// 打印报表: a printer with a sheet coming out.
void printReport(QPainter &p, qreal s)
{
    p.setPen(Art::roundPen(Ink, s * 0.04));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(s * 0.26, s * 0.08, s * 0.48, s * 0.3));
    p.setBrush(QColor(120, 140, 170));
    p.drawRoundedRect(QRectF(s * 0.08, s * 0.34, s * 0.84, s * 0.38), s * 0.08, s * 0.08);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(s * 0.26, s * 0.56, s * 0.48, s * 0.36));
    p.drawLine(QPointF(s * 0.34, s * 0.68), QPointF(s * 0.66, s * 0.68));
    p.drawLine(QPointF(s * 0.34, s * 0.8), QPointF(s * 0.58, s * 0.8));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(90, 220, 120));
    p.drawEllipse(QPointF(s * 0.8, s * 0.45), s * 0.04, s * 0.04);
}

// The small mark before each condition's label in the report dialog: a blue page corner.
QImage fieldMark()
{
    return Art::square(16, [](QPainter &p) {
        p.setPen(Art::roundPen(QColor(40, 90, 170), 1.2));
        p.setBrush(QColor(200, 222, 250));
        p.drawPolygon(QPolygonF{{3, 2}, {10, 2}, {13, 5}, {13, 14}, {3, 14}});
        p.drawLine(QPointF(5.5, 7.5), QPointF(10.5, 7.5));
        p.drawLine(QPointF(5.5, 10.5), QPointF(10.5, 10.5));
    });
}

template<typename Draw>
QImage picture(Draw draw)
{
    constexpr int Size = 32;
    return Art::square(Size, [&](QPainter &p) { draw(p, qreal(Size)); });
}

} // namespace

void drawReportsPictures(Art &art)
{
    art.saveEmbedded(picture(spreadsheet), QStringLiteral("ActionToExcel.png"));
    art.saveEmbedded(picture(monthClosing), QStringLiteral("ActionResearchReport.png"));
    art.saveEmbedded(picture(makeReport), QStringLiteral("ActionMakeReport.png"));
    art.saveEmbedded(picture(printReport), QStringLiteral("ActionPrintReport.png"));
    art.saveEmbedded(fieldMark(), QStringLiteral("ReportField.png"));
}
