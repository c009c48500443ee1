// The transfer dialog's pictures: its banner with two arrows pointing apart, the two account icons
// above the lists and the arrow between them.
#include <QPainterPath>
#include <QPolygonF>

#include "Art.h"

namespace {

const QColor OutColour(200, 62, 52);
const QColor InColour(40, 146, 76);
const QColor Violet(118, 82, 170);

// A thick arrow from `from` to `to`, filled, with a darker rim.
void fatArrow(QPainter &p, const QPointF &from, const QPointF &to, qreal thickness, const QColor &colour)
{
    const QLineF line(from, to);
    const QPointF unit = (to - from) / line.length();
    const QPointF normal(-unit.y(), unit.x());
    const qreal head = thickness * 1.9;
    const QPointF neck = to - unit * head;
    const QPolygonF shape{from + normal * thickness / 2, neck + normal * thickness / 2, neck + normal * head * 0.75, to,
                          neck - normal * head * 0.75, neck - normal * thickness / 2, from - normal * thickness / 2};
    QLinearGradient fill(from, to);
    fill.setColorAt(0, colour.lighter(135));
    fill.setColorAt(1, colour);
    p.setPen(Art::roundPen(colour.darker(135), 1.2));
    p.setBrush(fill);
    p.drawPolygon(shape);
}

// Money going separate ways: red out to the left, green in to the right.
void apart(QPainter &p, const QRectF &box)
{
    const QPointF centre = box.center();
    fatArrow(p, centre + QPointF(-4, -8), centre + QPointF(-24, -8), 7, OutColour);
    fatArrow(p, centre + QPointF(4, 8), centre + QPointF(24, 8), 7, InColour);
    p.setPen(Art::roundPen(QColor(180, 130, 20), 1.2));
    p.setBrush(QColor(255, 214, 90));
    p.drawEllipse(centre, 8, 8);
    Art::text(p, QRectF(centre.x() - 8, centre.y() - 8, 16, 16), QStringLiteral("¥"), 11, QColor(150, 100, 10), true);
}

// An account as a small strongbox, its door marked with the way the money goes.
QImage accountIcon(const QColor &colour, bool outgoing)
{
    return Art::square(32, [&](QPainter &p) {
        QLinearGradient body(0, 4, 0, 28);
        body.setColorAt(0, colour.lighter(150));
        body.setColorAt(1, colour);
        p.setPen(Art::roundPen(colour.darker(140), 1.2));
        p.setBrush(body);
        p.drawRoundedRect(QRectF(3.5, 5.5, 25, 21), 3, 3);
        p.setBrush(QColor(255, 255, 255, 70));
        p.drawRoundedRect(QRectF(7.5, 9.5, 17, 13), 2, 2);
        p.setPen(Art::roundPen(Qt::white, 2.4));
        const qreal y = 16;
        const qreal tip = outgoing ? 8.5 : 23.5;
        const qreal tail = outgoing ? 23.5 : 8.5;
        const qreal d = outgoing ? 4 : -4;
        p.drawLine(QPointF(tail, y), QPointF(tip, y));
        p.drawPolyline(QPolygonF{{tip + d, y - 4}, {tip, y}, {tip + d, y + 4}});
        p.setPen(Art::roundPen(colour.darker(150), 1.4));
        p.drawLine(QPointF(8, 27), QPointF(8, 29.5));
        p.drawLine(QPointF(24, 27), QPointF(24, 29.5));
    });
}

// The arrow between the two account icons: from the source towards the target.
QImage betweenArrow()
{
    QImage image = Art::canvas(120, 24);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient fill(0, 0, 120, 0);
    fill.setColorAt(0, OutColour.lighter(120));
    fill.setColorAt(1, InColour);
    p.setPen(Qt::NoPen);
    p.setBrush(fill);
    p.drawPolygon(QPolygonF{{6, 9}, {96, 9}, {96, 3}, {116, 12}, {96, 21}, {96, 15}, {6, 15}});
    p.setBrush(QColor(255, 255, 255, 90));
    for (int x = 14; x < 90; x += 14)
        p.drawEllipse(QPointF(x, 12), 1.6, 1.6);
    return image;
}

} // namespace

void drawTransferPictures(Art &art)
{
    art.saveEmbedded(Art::banner(Violet, QStringLiteral("财务平调单"), QStringLiteral("（新增）"), apart),
                     QStringLiteral("DrawBanner.png"));
    art.saveEmbedded(accountIcon(OutColour, true), QStringLiteral("DrawSource.png"));
    art.saveEmbedded(accountIcon(InColour, false), QStringLiteral("DrawTarget.png"));
    art.saveEmbedded(betweenArrow(), QStringLiteral("DrawArrow.png"));
}
