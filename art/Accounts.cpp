// The account pictures: the house icons of the overview (one per type colour and balance band), the
// hint bubble over 新增帐户, and the pictures of the account dialog and the account window.
#include <QPainterPath>
#include <QPolygonF>

#include "Art.h"

namespace {

struct HouseColour
{
    const char *word;
    QColor colour;
};

const HouseColour TypeColours[] = {
    {"Yellow", QColor(236, 178, 30)},
    {"Purple", QColor(140, 82, 190)},
    {"Blue", QColor(52, 112, 204)},
    {"Silver", QColor(160, 168, 180)},
};
const QColor DebtRed(206, 52, 46);
const QColor EmptyGrey(226, 228, 232);
const QColor Ink(40, 48, 64);

enum class Mark { Plus, Minus, Zero };

// A house filling `box`: roof, chimney and body, the body left free for the mark.
QRectF drawHouse(QPainter &p, const QRectF &box, const QColor &colour)
{
    const qreal s = box.width() / 40.0;
    const auto at = [&](qreal x, qreal y) { return box.topLeft() + QPointF(x * s, y * s); };
    p.setRenderHint(QPainter::Antialiasing);
    const QColor edge = colour.darker(170);
    p.setPen(QPen(edge, qMax(1.0, s)));
    p.setBrush(colour.darker(115));
    p.drawRect(QRectF(at(27, 5), at(32, 15)));
    const QRectF body(at(4, 17), at(36, 38.5));
    QLinearGradient wall(body.topLeft(), body.bottomLeft());
    wall.setColorAt(0, colour.lighter(125));
    wall.setColorAt(1, colour);
    p.setBrush(wall);
    p.drawRect(body);
    p.setBrush(colour.darker(125));
    p.drawPolygon(QPolygonF{at(1, 19.5), at(20, 2), at(39, 19.5)});
    return body;
}

// One plus or minus on the house body, white with a dark rim so that it reads on every colour; the
// zero of an empty account in plain grey.
void drawSign(QPainter &p, const QPointF &centre, qreal arm, Mark mark)
{
    QPainterPath path;
    if (mark == Mark::Zero) {
        path.addEllipse(centre, arm * 0.75, arm);
    } else {
        path.moveTo(centre - QPointF(arm, 0));
        path.lineTo(centre + QPointF(arm, 0));
        if (mark == Mark::Plus) {
            path.moveTo(centre - QPointF(0, arm));
            path.lineTo(centre + QPointF(0, arm));
        }
    }
    const qreal width = arm * 0.7;
    p.setBrush(Qt::NoBrush);
    if (mark == Mark::Zero) {
        p.setPen(QPen(QColor(96, 104, 118), width));
        p.drawPath(path);
        return;
    }
    p.setPen(QPen(Ink, width + 2.2, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    p.drawPath(path);
    p.setPen(QPen(Qt::white, width, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
    p.drawPath(path);
}

// `count` marks side by side on the body: the number of + must be seen at a glance.
QImage houseIcon(int size, const QColor &colour, Mark mark, int count)
{
    QImage image = Art::canvas(size, size);
    QPainter p(&image);
    const QRectF body = drawHouse(p, QRectF(0, 0, size, size), colour);
    const qreal arm = size * 0.105;
    const qreal step = arm * 2 + size * 0.07;
    const qreal firstX = body.center().x() - step * (count - 1) / 2.0;
    for (int i = 0; i < count; ++i)
        drawSign(p, QPointF(firstX + i * step, body.center().y() + size * 0.01), arm, mark);
    return image;
}

// The speech bubble above 新增帐户: four houses and the words, its tail pointing down at the button.
QImage hintBubble()
{
    QImage image = Art::canvas(350, 150);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QPainterPath bubble;
    bubble.addRoundedRect(QRectF(3, 3, 344, 120), 16, 16);
    QPainterPath tail;
    tail.addPolygon(QPolygonF{{158, 118}, {192, 118}, {175, 147}});
    tail.closeSubpath();
    bubble = bubble.united(tail);
    p.setPen(QPen(QColor(196, 160, 60), 2));
    QLinearGradient fill(0, 0, 0, 150);
    fill.setColorAt(0, QColor(255, 253, 232));
    fill.setColorAt(1, QColor(255, 243, 196));
    p.setBrush(fill);
    p.drawPath(bubble);
    for (int i = 0; i < 4; ++i) {
        const QImage house = houseIcon(40, TypeColours[i].colour, Mark::Plus, 1);
        p.drawImage(QPointF(175 - 2 * 52 + 6 + i * 52, 16), house);
    }
    Art::text(p, QRectF(10, 66, 330, 40), QStringLiteral("请先点击此按钮进行帐户新增"), 20, QColor(30, 60, 130), true);
    return image;
}

void bankSymbol(QPainter &p, const QRectF &r, const QColor &ink)
{
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawPolygon(QPolygonF{{r.left(), r.top() + r.height() * 0.32}, {r.center().x(), r.top()},
                            {r.right(), r.top() + r.height() * 0.32}});
    for (int i = 0; i < 4; ++i)
        p.drawRect(QRectF(r.left() + r.width() * (0.08 + i * 0.24), r.top() + r.height() * 0.4, r.width() * 0.12,
                          r.height() * 0.42));
    p.drawRect(QRectF(r.left(), r.bottom() - r.height() * 0.12, r.width(), r.height() * 0.12));
}

void cashSymbol(QPainter &p, const QRectF &r, const QColor &ink)
{
    p.setPen(QPen(ink, 1.6));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(r.left(), r.top() + r.height() * 0.1, r.width() * 0.78, r.height() * 0.6), 2, 2);
    p.drawEllipse(QPointF(r.left() + r.width() * 0.39, r.top() + r.height() * 0.4), r.height() * 0.17,
                  r.height() * 0.17);
    p.setBrush(ink.lighter(140));
    for (int i = 0; i < 3; ++i)
        p.drawEllipse(QRectF(r.left() + r.width() * 0.55, r.bottom() - r.height() * (0.32 + i * 0.13),
                             r.width() * 0.45, r.height() * 0.28));
}

void ledgerSymbol(QPainter &p, const QRectF &r, const QColor &ink)
{
    p.setPen(QPen(ink, 1.6));
    p.setBrush(Qt::white);
    const QRectF left(r.left(), r.top(), r.width() / 2, r.height());
    const QRectF right(r.center().x(), r.top(), r.width() / 2, r.height());
    p.drawRect(left);
    p.drawRect(right);
    for (int i = 1; i < 4; ++i) {
        const qreal y = r.top() + r.height() * i / 4.0;
        p.drawLine(QPointF(left.left() + 3, y), QPointF(left.right() - 3, y));
        p.drawLine(QPointF(right.left() + 3, y), QPointF(right.right() - 3, y));
    }
}

// A book picture of the account dialog: symbol above, the book's name below.
template<typename Symbol>
QImage bookCard(int width, int height, const QColor &colour, const QString &words, Symbol symbol)
{
    QImage image = Art::canvas(width, height);
    QPainter p(&image);
    Art::card(p, QRectF(0, 0, width, height), colour.lighter(150), colour, 8);
    symbol(p, QRectF(width * 0.3, height * 0.1, width * 0.4, height * 0.48), colour.darker(190));
    Art::text(p, QRectF(0, height * 0.62, width, height * 0.34), words, 13, colour.darker(260), true);
    return image;
}

// A square picture of `size` pixels drawn by `draw(painter, size)`.
template<typename Draw>
QImage glyph(int size, Draw draw)
{
    return Art::square(size, [&](QPainter &p) { draw(p, qreal(size)); });
}

// The three command pictures of the account dialog: 删除 struck through, a tick, a cross.
void struckDelete(QPainter &p, qreal s)
{
    p.setPen(QPen(QColor(110, 116, 128), s * 0.06));
    p.setBrush(QColor(246, 246, 248));
    p.drawRoundedRect(QRectF(s * 0.14, s * 0.2, s * 0.72, s * 0.6), s * 0.06, s * 0.06);
    Art::text(p, QRectF(s * 0.14, s * 0.2, s * 0.72, s * 0.6), QStringLiteral("删除"), int(s * 0.28), Ink, true);
    p.setPen(QPen(DebtRed, s * 0.09, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(s * 0.08, s * 0.5), QPointF(s * 0.92, s * 0.5));
}

void tick(QPainter &p, qreal s)
{
    p.setPen(QPen(QColor(38, 150, 60), s * 0.14, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF{{s * 0.16, s * 0.52}, {s * 0.4, s * 0.76}, {s * 0.86, s * 0.24}});
}

void cross(QPainter &p, qreal s)
{
    p.setPen(QPen(DebtRed, s * 0.14, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(s * 0.22, s * 0.22), QPointF(s * 0.78, s * 0.78));
    p.drawLine(QPointF(s * 0.78, s * 0.22), QPointF(s * 0.22, s * 0.78));
}

// 新增帐户: a house with a green plus beside it.
void newAccount(QPainter &p, qreal s)
{
    drawHouse(p, QRectF(0, s * 0.12, s * 0.78, s * 0.78), TypeColours[0].colour);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(38, 150, 60));
    p.drawEllipse(QRectF(s * 0.5, s * 0.02, s * 0.48, s * 0.48));
    p.setPen(QPen(Qt::white, s * 0.08));
    p.drawLine(QPointF(s * 0.62, s * 0.26), QPointF(s * 0.86, s * 0.26));
    p.drawLine(QPointF(s * 0.74, s * 0.14), QPointF(s * 0.74, s * 0.38));
}

// 帐户月结: a month sheet with its day grid.
void monthSheet(QPainter &p, qreal s)
{
    p.setPen(QPen(QColor(60, 80, 120), s * 0.05));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(s * 0.12, s * 0.16, s * 0.76, s * 0.72), s * 0.06, s * 0.06);
    p.setBrush(DebtRed);
    p.drawRect(QRectF(s * 0.12, s * 0.16, s * 0.76, s * 0.18));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(60, 80, 120));
    for (int row = 0; row < 3; ++row)
        for (int column = 0; column < 4; ++column)
            p.drawRect(QRectF(s * (0.2 + column * 0.16), s * (0.42 + row * 0.14), s * 0.1, s * 0.08));
}

// 修改帐户: a house with a pencil over its corner.
void editAccount(QPainter &p, qreal s)
{
    drawHouse(p, QRectF(0, s * 0.1, s * 0.8, s * 0.8), TypeColours[2].colour);
    p.setPen(QPen(QColor(214, 140, 40), s * 0.13, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(s * 0.92, s * 0.46), QPointF(s * 0.56, s * 0.86));
    p.setPen(QPen(Ink, s * 0.05, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(s * 0.56, s * 0.86), QPointF(s * 0.5, s * 0.96));
}

// 当月记录: the month sheet under a magnifier.
void monthRecords(QPainter &p, qreal s)
{
    monthSheet(p, s);
    p.setPen(QPen(Ink, s * 0.1, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(s * 0.8, s * 0.8), QPointF(s * 0.95, s * 0.95));
    p.setPen(QPen(Ink, s * 0.06));
    p.setBrush(QColor(200, 225, 250, 190));
    p.drawEllipse(QPointF(s * 0.66, s * 0.66), s * 0.18, s * 0.18);
}

} // namespace

void drawAccountsPictures(Art &art)
{
    for (const HouseColour &type : TypeColours) {
        for (int pluses = 1; pluses <= 3; ++pluses)
            art.saveResource(houseIcon(40, type.colour, Mark::Plus, pluses),
                             QLatin1String(type.word) + QString(pluses, QLatin1Char('+')) + QStringLiteral(".ico"));
    }
    art.saveResource(houseIcon(40, DebtRed, Mark::Minus, 1), QStringLiteral("Money-.ico"));
    art.saveResource(houseIcon(40, EmptyGrey, Mark::Zero, 1), QStringLiteral("Money0.ico"));

    art.saveEmbedded(hintBubble(), QStringLiteral("AccountHint.png"));
    art.saveEmbedded(glyph(24, newAccount), QStringLiteral("AccountNew.png"));
    art.saveEmbedded(houseIcon(32, TypeColours[2].colour, Mark::Plus, 1), QStringLiteral("AccountDetail.png"));
    art.saveEmbedded(glyph(48, monthSheet), QStringLiteral("ActionMoneyMonth.png"));

    art.saveEmbedded(bookCard(80, 60, QColor(84, 140, 210), QStringLiteral("企业总帐簿"), ledgerSymbol),
                     QStringLiteral("AccountLedger.png"));
    art.saveEmbedded(bookCard(76, 56, TypeColours[0].colour, QStringLiteral("企业银行帐"), bankSymbol),
                     QStringLiteral("AccountBank.png"));
    art.saveEmbedded(bookCard(76, 56, TypeColours[1].colour, QStringLiteral("企业现金帐"), cashSymbol),
                     QStringLiteral("AccountCash.png"));
    art.saveEmbedded(glyph(40, struckDelete), QStringLiteral("AccountDelete.png"));
    art.saveEmbedded(glyph(40, tick), QStringLiteral("AccountOk.png"));
    art.saveEmbedded(glyph(40, cross), QStringLiteral("AccountCancel.png"));

    art.saveEmbedded(glyph(32, monthRecords), QStringLiteral("AccountDetailSearch.png"));
    art.saveEmbedded(glyph(32, editAccount), QStringLiteral("AccountDetailEdit.png"));
    art.saveEmbedded(glyph(32, cross), QStringLiteral("AccountDetailCancel.png"));
}
