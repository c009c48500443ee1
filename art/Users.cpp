// The pictures of the login tab, the settings tab and the prompt dialog: the title banner, the two
// decorations beside the login box, the question mark with its OK and Cancel glyphs, and the small
// icons of the password groups, the settings lists and the support window.
#include <QPainterPath>
#include <QPolygonF>
#include <QRadialGradient>

#include "Art.h"

namespace {

const QColor Navy(30, 64, 128);
const QColor Blue(52, 112, 196);
const QColor Gold(236, 180, 40);

QImage banner()
{
    QImage image = Art::canvas(650, 92);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient sky(0, 0, 650, 0);
    sky.setColorAt(0, QColor(28, 70, 140));
    sky.setColorAt(0.6, QColor(54, 120, 200));
    sky.setColorAt(1, QColor(120, 180, 235));
    p.setPen(Qt::NoPen);
    p.setBrush(sky);
    p.drawRoundedRect(QRectF(0, 0, 650, 92), 8, 8);
    // Soft rising bars on the right, like a chart behind the title.
    for (int i = 0; i < 7; ++i) {
        const qreal h = 18 + i * 8;
        p.setBrush(QColor(255, 255, 255, 30 + i * 6));
        p.drawRoundedRect(QRectF(440 + i * 28, 92 - h, 18, h), 3, 3);
    }
    QPainterPath trend;
    trend.moveTo(430, 78);
    trend.cubicTo(500, 70, 540, 40, 636, 14);
    p.setPen(QPen(QColor(255, 224, 120), 2.5, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawPath(trend);
    // A gold coin as the mark.
    QRadialGradient coin(48, 40, 30);
    coin.setColorAt(0, QColor(255, 230, 140));
    coin.setColorAt(1, Gold.darker(110));
    p.setPen(QPen(Gold.darker(140), 1.5));
    p.setBrush(coin);
    p.drawEllipse(QPointF(52, 46), 28, 28);
    Art::text(p, QRectF(24, 18, 56, 56), QStringLiteral("¥"), 34, QColor(150, 90, 10), true);
    Art::text(p, QRectF(96, 12, 420, 44), QStringLiteral("Tuvessa财务管理软件"), 34, Qt::white, true,
              Qt::AlignLeft | Qt::AlignVCenter);
    Art::text(p, QRectF(98, 56, 420, 24), QStringLiteral("出纳流水帐 · 帐户 · 日记帐 · 应收应付 · 报表"), 15,
              QColor(220, 234, 255), false, Qt::AlignLeft | Qt::AlignVCenter);
    return image;
}

// The soft shadow a decoration stands on.
void groundShadow(QPainter &p, const QRectF &rect)
{
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(0, 0, 0, 28));
    p.drawEllipse(rect);
}

// An open account book with a pen lying across it.
QImage openLedger()
{
    QImage image = Art::canvas(180, 180);
    QPainter p(&image);
    groundShadow(p, QRectF(14, 146, 152, 20));
    p.setBrush(Navy);
    p.drawRoundedRect(QRectF(12, 44, 156, 108), 6, 6);
    const QRectF pages[] = {QRectF(18, 38, 72, 106), QRectF(90, 38, 72, 106)};
    for (const QRectF &page : pages) {
        p.setPen(QPen(QColor(180, 186, 196), 1));
        p.setBrush(QColor(252, 252, 248));
        p.drawRect(page);
        p.setPen(QPen(QColor(150, 190, 230), 1));
        for (int line = 0; line < 7; ++line)
            p.drawLine(QPointF(page.left() + 8, 58 + line * 12), QPointF(page.right() - 8, 58 + line * 12));
        p.setPen(QPen(QColor(220, 120, 120), 1));
        p.drawLine(QPointF(page.left() + 22, 46), QPointF(page.left() + 22, 138));
    }
    Art::text(p, QRectF(18, 40, 72, 16), QStringLiteral("收入"), 12, QColor(40, 130, 60), true);
    Art::text(p, QRectF(90, 40, 72, 16), QStringLiteral("支出"), 12, QColor(190, 60, 50), true);
    p.setPen(QPen(QColor(120, 120, 130), 1));
    p.drawLine(QPointF(90, 38), QPointF(90, 144));
    // The pen.
    p.save();
    p.translate(120, 96);
    p.rotate(-38);
    p.setPen(QPen(QColor(20, 40, 80), 1));
    p.setBrush(QColor(200, 50, 50));
    p.drawRoundedRect(QRectF(-56, -5, 88, 10), 3, 3);
    p.setBrush(Gold);
    p.drawRect(QRectF(22, -5, 8, 10));
    p.setBrush(QColor(60, 60, 70));
    p.drawPolygon(QPolygonF{{32, -5}, {46, 0}, {32, 5}});
    p.restore();
    return image;
}

// A calculator beside a small stack of coins.
QImage calculator()
{
    QImage image = Art::canvas(180, 180);
    QPainter p(&image);
    groundShadow(p, QRectF(14, 150, 152, 18));
    Art::card(p, QRectF(30, 20, 100, 138), QColor(90, 100, 118), QColor(50, 58, 72), 10);
    p.setPen(QPen(QColor(40, 60, 40), 1));
    p.setBrush(QColor(190, 222, 170));
    p.drawRoundedRect(QRectF(40, 32, 80, 28), 3, 3);
    Art::text(p, QRectF(42, 32, 74, 28), QStringLiteral("8,888.00"), 15, QColor(30, 60, 30), true,
              Qt::AlignRight | Qt::AlignVCenter);
    for (int row = 0; row < 4; ++row)
        for (int column = 0; column < 4; ++column) {
            const bool operation = column == 3;
            p.setPen(Qt::NoPen);
            p.setBrush(operation ? QColor(236, 140, 50) : QColor(226, 230, 238));
            p.drawRoundedRect(QRectF(40 + column * 20.5, 70 + row * 21, 16, 16), 3, 3);
        }
    for (int i = 0; i < 4; ++i) {
        p.setPen(QPen(Gold.darker(150), 1));
        p.setBrush(i == 3 ? QColor(255, 214, 90) : Gold);
        p.drawEllipse(QRectF(124, 138 - i * 9, 44, 16));
    }
    Art::text(p, QRectF(124, 111, 44, 16), QStringLiteral("¥"), 12, QColor(150, 90, 10), true);
    return image;
}

// A round disc lit from the upper left.
void glossyDisc(QPainter &p, const QRectF &rect, const QColor &light, const QColor &dark)
{
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient glow(rect.left() + rect.width() * 0.38, rect.top() + rect.height() * 0.32, rect.width() * 0.8);
    glow.setColorAt(0, light);
    glow.setColorAt(1, dark);
    p.setPen(QPen(dark.darker(125), 1.5));
    p.setBrush(glow);
    p.drawEllipse(rect);
}

QImage questionMark()
{
    QImage image = Art::canvas(80, 80);
    QPainter p(&image);
    glossyDisc(p, QRectF(4, 4, 72, 72), QColor(120, 180, 245), QColor(30, 84, 170));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 60));
    p.drawEllipse(QRectF(16, 10, 44, 22));
    Art::text(p, QRectF(4, 2, 72, 72), QStringLiteral("?"), 54, Qt::white, true);
    return image;
}

QImage tick()
{
    QImage image = Art::canvas(32, 32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(30, 140, 50), 4.5, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.drawPolyline(QPolygonF{{6, 17}, {13, 24}, {26, 8}});
    return image;
}

QImage cross()
{
    QImage image = Art::canvas(32, 32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(200, 50, 45), 4.5, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(8, 8), QPointF(24, 24));
    p.drawLine(QPointF(24, 8), QPointF(8, 24));
    return image;
}

// A 20 × 20 padlock (login passwords) or key (data-modification password).
QImage lock()
{
    QImage image = Art::canvas(20, 20);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(110, 116, 128), 2));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(5, 2, 10, 12), 0, 180 * 16);
    p.drawLine(QPointF(5, 8), QPointF(5, 10));
    p.drawLine(QPointF(15, 8), QPointF(15, 10));
    p.setPen(QPen(Gold.darker(140), 1));
    p.setBrush(Gold);
    p.drawRoundedRect(QRectF(3, 9, 14, 10), 2, 2);
    p.setBrush(QColor(90, 60, 10));
    p.drawEllipse(QPointF(10, 13.5), 1.6, 1.6);
    return image;
}

QImage key()
{
    QImage image = Art::canvas(20, 20);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(Gold.darker(150), 1));
    p.setBrush(Gold);
    p.drawEllipse(QRectF(1, 5, 10, 10));
    p.drawRect(QRectF(10, 8.5, 9, 3));
    p.drawRect(QRectF(15, 11, 2, 3));
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(5, 10), 1.8, 1.8);
    return image;
}

// The 24 × 24 pictures above the three settings lists.
QImage listPicture(const QColor &colour, const QString &glyph)
{
    QImage image = Art::canvas(24, 24);
    QPainter p(&image);
    Art::card(p, QRectF(1, 1, 22, 22), colour.lighter(140), colour, 5);
    Art::text(p, QRectF(1, 1, 22, 22), glyph, 14, Qt::white, true);
    return image;
}

// A headset for the support window.
QImage headset()
{
    QImage image = Art::canvas(64, 64);
    QPainter p(&image);
    glossyDisc(p, QRectF(2, 2, 60, 60), QColor(130, 190, 245), Blue);
    p.setPen(QPen(Qt::white, 4, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(15, 14, 34, 34), 0, 180 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(11, 28, 10, 16), 3, 3);
    p.drawRoundedRect(QRectF(43, 28, 10, 16), 3, 3);
    p.setPen(QPen(Qt::white, 2.5, Qt::SolidLine, Qt::RoundCap));
    p.setBrush(Qt::NoBrush);
    p.drawArc(QRectF(20, 30, 28, 20), 200 * 16, 140 * 16);
    p.setPen(Qt::NoPen);
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(32, 50), 3, 3);
    return image;
}

} // namespace

void drawUsersPictures(Art &art)
{
    art.saveEmbedded(banner(), QStringLiteral("LoginBanner.png"));
    art.saveEmbedded(openLedger(), QStringLiteral("LoginLedger.png"));
    art.saveEmbedded(calculator(), QStringLiteral("LoginCalculator.png"));

    art.saveEmbedded(questionMark(), QStringLiteral("AskQuestion.png"));
    art.saveEmbedded(tick(), QStringLiteral("AskOk.png"));
    art.saveEmbedded(cross(), QStringLiteral("AskCancel.png"));

    art.saveEmbedded(lock(), QStringLiteral("PasswordLogin.png"));
    art.saveEmbedded(key(), QStringLiteral("PasswordModify.png"));
    art.saveEmbedded(listPicture(QColor(46, 140, 80), QStringLiteral("收")), QStringLiteral("ListKind.png"));
    art.saveEmbedded(listPicture(QColor(52, 112, 196), QStringLiteral("类")), QStringLiteral("ListCategory.png"));
    art.saveEmbedded(listPicture(QColor(214, 122, 38), QStringLiteral("凭")), QStringLiteral("ListVoucher.png"));

    art.saveEmbedded(headset(), QStringLiteral("OnlineService.png"));
}
