#include "reporting/ReportPainter.h"

#include <QFontMetricsF>
#include <QPaintDevice>
#include <QPainter>

QFont ReportQFont(const ReportFont &font)
{
    QFont qfont(font.family);
    qfont.setPointSizeF(font.size);
    qfont.setBold(font.bold);
    qfont.setHintingPreference(QFont::PreferNoHinting);
    return qfont;
}

namespace {

// The lines of a wrapped text, from the top of `box`, one under the other as they were measured: drawn
// at the resolution they were broken at and scaled to the device, since a font's size in whole pixels
// would make them wider at some resolutions than they were measured.
void paintLines(QPainter &painter, const ReportPageText &text, const QRectF &box, double dotsPerMm)
{
    const double scale = dotsPerMm * 25.4 / ReportMeasureDpi;
    QFont font = ReportQFont(text.font);
    font.setPointSizeF(text.font.size * ReportMeasureDpi / painter.device()->logicalDpiY());
    painter.setFont(font);
    painter.translate(box.topLeft());
    painter.scale(scale, scale);
    const double spacing = QFontMetricsF(font, painter.device()).lineSpacing();
    const QStringList lines = text.text.split(QLatin1Char('\n'));
    for (int i = 0; i < lines.size(); ++i)
        painter.drawText(QRectF(0, i * spacing, box.width() / scale, spacing),
                         int(text.alignment | Qt::AlignTop | Qt::TextSingleLine), lines[i]);
}

} // namespace

void PaintReportPage(QPainter &painter, const ReportPage &page, double dotsPerMm)
{
    const auto scaled = [dotsPerMm](const QRectF &rect) {
        return QRectF(rect.x() * dotsPerMm, rect.y() * dotsPerMm, rect.width() * dotsPerMm, rect.height() * dotsPerMm);
    };
    painter.save();
    for (const ReportPageLine &line : page.lines) {
        QPen pen(Qt::black, line.width * dotsPerMm, Qt::SolidLine, Qt::SquareCap);
        painter.setPen(pen);
        painter.drawLine(QLineF(line.line.p1() * dotsPerMm, line.line.p2() * dotsPerMm));
    }
    painter.setPen(Qt::black);
    for (const ReportPageText &text : page.texts) {
        if (text.text.isEmpty())
            continue;
        const QRectF box = scaled(text.rect);
        painter.save();
        painter.setClipRect(box, Qt::IntersectClip);
        const double inset = ReportTextPadding * dotsPerMm;
        if (text.wrapped)
            paintLines(painter, text, box.adjusted(inset, 0, -inset, 0), dotsPerMm);
        else {
            painter.setFont(ReportQFont(text.font));
            painter.drawText(box.adjusted(inset, 0, -inset, 0), int(text.alignment | Qt::AlignVCenter | Qt::TextSingleLine),
                             text.text);
        }
        painter.restore();
    }
    painter.restore();
}
