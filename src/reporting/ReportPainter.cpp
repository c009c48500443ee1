#include "reporting/ReportPainter.h"

#include <QPainter>

QFont ReportQFont(const ReportFont &font)
{
    QFont qfont(font.family);
    qfont.setPointSizeF(font.size);
    qfont.setBold(font.bold);
    qfont.setHintingPreference(QFont::PreferNoHinting);
    return qfont;
}

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
        painter.setFont(ReportQFont(text.font));
        const double inset = ReportTextPadding * dotsPerMm;
        painter.drawText(box.adjusted(inset, 0, -inset, 0), int(text.alignment | Qt::AlignVCenter | Qt::TextSingleLine),
                         text.text);
        painter.restore();
    }
    painter.restore();
}
