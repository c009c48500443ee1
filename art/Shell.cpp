// The main window's pictures: the fold bar, the tab icons, the day arrows and the action icons.
#include <QPainterPath>
#include <QPolygonF>
#include <QtMath>

#include "Art.h"

namespace {

const QColor Navy(36, 74, 140);
const QColor Sky(92, 152, 222);

void chevron(QPainter &p, QPointF centre, qreal size, bool pointsLeft, const QColor &colour)
{
    const qreal d = pointsLeft ? -1 : 1;
    QPolygonF shape{centre + QPointF(-d * size / 2, -size), centre + QPointF(d * size / 2, 0),
                    centre + QPointF(-d * size / 2, size)};
    p.setPen(QPen(colour, 2.2, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    p.drawPolyline(shape);
}

QImage foldBar(bool pointsLeft)
{
    QImage image = Art::canvas(16, 537);
    QPainter p(&image);
    QLinearGradient gradient(0, 0, 16, 0);
    gradient.setColorAt(0, QColor(208, 222, 242));
    gradient.setColorAt(0.5, QColor(236, 242, 252));
    gradient.setColorAt(1, QColor(200, 214, 236));
    p.fillRect(image.rect(), gradient);
    p.setPen(QColor(150, 170, 205));
    p.drawLine(0, 0, 0, 536);
    p.drawLine(15, 0, 15, 536);
    p.setRenderHint(QPainter::Antialiasing);
    for (int i = -1; i <= 1; ++i)
        chevron(p, QPointF(8, 268 + i * 14), 4, pointsLeft, Navy);
    return image;
}

// A round badge in the tab colour, with a white symbol drawn by `symbol`.
template<typename Symbol>
QImage badge(int size, const QColor &colour, Symbol symbol)
{
    QImage image = Art::canvas(size, size);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient glow(size * 0.35, size * 0.3, size * 0.8);
    glow.setColorAt(0, colour.lighter(135));
    glow.setColorAt(1, colour.darker(115));
    p.setPen(QPen(colour.darker(140), 1));
    p.setBrush(glow);
    p.drawEllipse(QRectF(1, 1, size - 2, size - 2));
    p.setPen(QPen(Qt::white, size / 14.0, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::white);
    symbol(p, qreal(size));
    return image;
}

void person(QPainter &p, qreal s)
{
    p.drawEllipse(QPointF(s / 2, s * 0.36), s * 0.13, s * 0.13);
    QPainterPath body;
    body.moveTo(s * 0.25, s * 0.78);
    body.quadTo(s * 0.5, s * 0.42, s * 0.75, s * 0.78);
    body.closeSubpath();
    p.drawPath(body);
}

void house(QPainter &p, qreal s)
{
    p.drawPolygon(QPolygonF{{s * 0.5, s * 0.2}, {s * 0.8, s * 0.48}, {s * 0.2, s * 0.48}});
    p.drawRect(QRectF(s * 0.3, s * 0.48, s * 0.4, s * 0.3));
}

void book(QPainter &p, qreal s)
{
    p.setBrush(Qt::NoBrush);
    p.drawRect(QRectF(s * 0.27, s * 0.22, s * 0.46, s * 0.56));
    for (int i = 0; i < 3; ++i)
        p.drawLine(QPointF(s * 0.36, s * (0.36 + i * 0.13)), QPointF(s * 0.64, s * (0.36 + i * 0.13)));
}

void exchange(QPainter &p, qreal s)
{
    p.drawLine(QPointF(s * 0.25, s * 0.38), QPointF(s * 0.72, s * 0.38));
    p.drawPolyline(QPolygonF{{s * 0.6, s * 0.27}, {s * 0.73, s * 0.38}, {s * 0.6, s * 0.49}});
    p.drawLine(QPointF(s * 0.75, s * 0.62), QPointF(s * 0.28, s * 0.62));
    p.drawPolyline(QPolygonF{{s * 0.4, s * 0.51}, {s * 0.27, s * 0.62}, {s * 0.4, s * 0.73}});
}

void chart(QPainter &p, qreal s)
{
    p.setPen(Qt::NoPen);
    p.drawRect(QRectF(s * 0.26, s * 0.52, s * 0.12, s * 0.24));
    p.drawRect(QRectF(s * 0.44, s * 0.34, s * 0.12, s * 0.42));
    p.drawRect(QRectF(s * 0.62, s * 0.24, s * 0.12, s * 0.52));
}

void gear(QPainter &p, qreal s)
{
    const QPointF c(s / 2, s / 2);
    for (int i = 0; i < 8; ++i) {
        const qreal a = qDegreesToRadians(i * 45.0);
        p.drawLine(c + QPointF(std::cos(a), std::sin(a)) * s * 0.18, c + QPointF(std::cos(a), std::sin(a)) * s * 0.32);
    }
    p.drawEllipse(c, s * 0.2, s * 0.2);
    p.setBrush(QColor(0, 0, 0, 0));
}

void disk(QPainter &p, qreal s)
{
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(s * 0.26, s * 0.24, s * 0.48, s * 0.52), s * 0.05, s * 0.05);
    p.drawRect(QRectF(s * 0.36, s * 0.24, s * 0.28, s * 0.16));
    p.drawLine(QPointF(s * 0.34, s * 0.6), QPointF(s * 0.66, s * 0.6));
}

void plus(QPainter &p, qreal s)
{
    p.drawLine(QPointF(s * 0.5, s * 0.26), QPointF(s * 0.5, s * 0.74));
    p.drawLine(QPointF(s * 0.26, s * 0.5), QPointF(s * 0.74, s * 0.5));
}

void minus(QPainter &p, qreal s)
{
    p.drawLine(QPointF(s * 0.26, s * 0.5), QPointF(s * 0.74, s * 0.5));
}

void bubble(QPainter &p, qreal s)
{
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(s * 0.22, s * 0.26, s * 0.56, s * 0.36), s * 0.08, s * 0.08);
    p.drawLine(QPointF(s * 0.36, s * 0.62), QPointF(s * 0.3, s * 0.76));
}

void upload(QPainter &p, qreal s)
{
    p.drawLine(QPointF(s * 0.5, s * 0.24), QPointF(s * 0.5, s * 0.62));
    p.drawPolyline(QPolygonF{{s * 0.36, s * 0.38}, {s * 0.5, s * 0.24}, {s * 0.64, s * 0.38}});
    p.drawLine(QPointF(s * 0.28, s * 0.74), QPointF(s * 0.72, s * 0.74));
}

void download(QPainter &p, qreal s)
{
    p.drawLine(QPointF(s * 0.5, s * 0.24), QPointF(s * 0.5, s * 0.62));
    p.drawPolyline(QPolygonF{{s * 0.36, s * 0.48}, {s * 0.5, s * 0.62}, {s * 0.64, s * 0.48}});
    p.drawLine(QPointF(s * 0.28, s * 0.74), QPointF(s * 0.72, s * 0.74));
}

void key(QPainter &p, qreal s)
{
    p.setBrush(Qt::NoBrush);
    p.drawEllipse(QPointF(s * 0.36, s * 0.5), s * 0.11, s * 0.11);
    p.drawLine(QPointF(s * 0.47, s * 0.5), QPointF(s * 0.76, s * 0.5));
    p.drawLine(QPointF(s * 0.68, s * 0.5), QPointF(s * 0.68, s * 0.62));
}

void info(QPainter &p, qreal s)
{
    p.drawPoint(QPointF(s * 0.5, s * 0.3));
    p.drawLine(QPointF(s * 0.5, s * 0.44), QPointF(s * 0.5, s * 0.74));
}

// A sheet of lines with a small clock at its corner: the record of changes.
void changeTrail(QPainter &p, qreal s)
{
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(QRectF(s * 0.24, s * 0.2, s * 0.4, s * 0.56), s * 0.04, s * 0.04);
    for (const qreal y : {0.34, 0.46, 0.58})
        p.drawLine(QPointF(s * 0.32, s * y), QPointF(s * 0.52, s * y));
    const QPointF clock(s * 0.66, s * 0.66);
    p.setBrush(Qt::white);
    p.drawEllipse(clock, s * 0.15, s * 0.15);
    p.setPen(QPen(QColor(120, 95, 40), s / 18.0, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(clock, clock + QPointF(0, -s * 0.09));
    p.drawLine(clock, clock + QPointF(s * 0.07, 0));
}

// A shield with a tick: the check that nothing was changed unseen.
void shieldTick(QPainter &p, qreal s)
{
    QPainterPath shield;
    shield.moveTo(s * 0.5, s * 0.2);
    shield.lineTo(s * 0.74, s * 0.29);
    shield.cubicTo(s * 0.74, s * 0.56, s * 0.64, s * 0.72, s * 0.5, s * 0.8);
    shield.cubicTo(s * 0.36, s * 0.72, s * 0.26, s * 0.56, s * 0.26, s * 0.29);
    shield.closeSubpath();
    p.setBrush(Qt::NoBrush);
    p.drawPath(shield);
    p.drawPolyline(QPolygonF{{s * 0.39, s * 0.5}, {s * 0.47, s * 0.58}, {s * 0.62, s * 0.41}});
}

QImage arrow(bool pointsLeft)
{
    QImage image = Art::canvas(16, 16);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(30, 120, 40));
    const qreal d = pointsLeft ? -1 : 1;
    p.drawPolygon(QPolygonF{{8 + d * 6, 8}, {8 - d * 2, 2}, {8 - d * 2, 5.5}, {8 - d * 6, 5.5},
                            {8 - d * 6, 10.5}, {8 - d * 2, 10.5}, {8 - d * 2, 14}});
    return image;
}

} // namespace

void drawShellPictures(Art &art)
{
    art.saveResource(foldBar(true), QStringLiteral("LeftBar.bmp"));
    art.saveResource(foldBar(false), QStringLiteral("RightBar.bmp"));

    art.saveEmbedded(badge(32, QColor(70, 130, 200), person), QStringLiteral("Tab0.png"));
    art.saveEmbedded(badge(32, QColor(225, 140, 40), house), QStringLiteral("Tab1.png"));
    art.saveEmbedded(badge(32, QColor(60, 150, 90), book), QStringLiteral("Tab2.png"));
    art.saveEmbedded(badge(32, QColor(150, 90, 190), exchange), QStringLiteral("Tab3.png"));
    art.saveEmbedded(badge(32, QColor(210, 70, 70), chart), QStringLiteral("Tab4.png"));
    art.saveEmbedded(badge(32, QColor(110, 120, 135), gear), QStringLiteral("Tab5.png"));
    art.saveEmbedded(badge(32, QColor(40, 150, 170), disk), QStringLiteral("Tab6.png"));

    art.saveEmbedded(arrow(true), QStringLiteral("ArrowLeft.png"));
    art.saveEmbedded(arrow(false), QStringLiteral("ArrowRight.png"));

    art.saveEmbedded(badge(24, QColor(40, 150, 70), plus), QStringLiteral("ActionGet.png"));
    art.saveEmbedded(badge(24, QColor(205, 60, 50), minus), QStringLiteral("ActionPay.png"));
    art.saveEmbedded(badge(24, QColor(150, 90, 190), exchange), QStringLiteral("ActionDraw.png"));
    // The same three commands at 32 pixels, for the buttons of the account window.
    art.saveEmbedded(badge(32, QColor(40, 150, 70), plus), QStringLiteral("AccountDetailGet.png"));
    art.saveEmbedded(badge(32, QColor(205, 60, 50), minus), QStringLiteral("AccountDetailPay.png"));
    art.saveEmbedded(badge(32, QColor(150, 90, 190), exchange), QStringLiteral("AccountDetailDraw.png"));
    art.saveEmbedded(badge(32, Sky, bubble), QStringLiteral("ActionOnlineChat.png"));
    art.saveEmbedded(badge(48, QColor(40, 150, 170), upload), QStringLiteral("ActionSave.png"));
    art.saveEmbedded(badge(48, QColor(40, 150, 170), download), QStringLiteral("ActionLoad.png"));
    art.saveEmbedded(badge(24, QColor(70, 130, 200), key), QStringLiteral("ActionLogin.png"));
    art.saveEmbedded(badge(24, QColor(70, 130, 200), info), QStringLiteral("ActionInstruction.png"));
    const QColor auditGold(190, 145, 50);
    art.saveEmbedded(badge(48, auditGold, changeTrail), QStringLiteral("ActionChangeLog.png"));
    art.saveEmbedded(badge(48, auditGold, shieldTick), QStringLiteral("ActionCheckChanges.png"));
    art.saveEmbedded(badge(24, auditGold, changeTrail), QStringLiteral("ActionRecordHistory.png"));
}
