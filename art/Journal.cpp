// The journal's pictures: the entry dialog's four banners, its field icons and picture buttons, and the
// icons of the daily journal's correction and printout buttons.
#include <QPainterPath>
#include <QPolygonF>

#include "Art.h"

namespace {

const QColor IncomeColour(38, 140, 72);
const QColor ExpenseColour(196, 62, 52);
const QColor Ink(60, 72, 92);

// A coin with an arrow: into the tray for income, out of it for expense.
void moneyArrow(QPainter &p, const QRectF &box, bool income, const QColor &colour)
{
    p.setRenderHint(QPainter::Antialiasing);
    const QPointF centre = box.center();
    const qreal r = box.height() * 0.30;
    p.setPen(Art::roundPen(colour.darker(125), 1.5));
    p.setBrush(QColor(255, 214, 90));
    p.drawEllipse(QPointF(centre.x() - r * 0.55, centre.y() + r * 0.35), r, r);
    Art::text(p, QRectF(centre.x() - r * 1.55, centre.y() - r * 0.65, r * 2, r * 2), QStringLiteral("¥"),
              int(r * 1.3), colour.darker(140), true);
    const qreal x = centre.x() + r * 1.0;
    const qreal top = centre.y() - r * 1.3;
    const qreal bottom = centre.y() + r * 0.9;
    p.setPen(Art::roundPen(Qt::white, 4.5));
    const QPointF from(x, income ? top : bottom);
    const QPointF to(x, income ? bottom : top);
    const qreal d = income ? -1 : 1;
    p.drawLine(from, to);
    p.drawPolyline(QPolygonF{to + QPointF(-r * 0.55, d * r * 0.55), to, to + QPointF(r * 0.55, d * r * 0.55)});
}

QImage banner(bool income, bool isNew)
{
    const QColor colour = income ? IncomeColour : ExpenseColour;
    return Art::banner(colour, income ? QStringLiteral("财务收入单") : QStringLiteral("财务支出单"),
                       isNew ? QStringLiteral("（新增）") : QStringLiteral("（修改）"),
                       [&](QPainter &p, const QRectF &box) { moneyArrow(p, box, income, colour); });
}

// The field icons, 16 x 16, each a small line drawing.
template<typename Drawing>
QImage fieldIcon(const QColor &colour, Drawing drawing)
{
    return Art::square(16, [&](QPainter &p) {
        p.setPen(Art::roundPen(colour, 1.3));
        p.setBrush(Qt::NoBrush);
        drawing(p, colour);
    });
}

void serial(QPainter &p, const QColor &c)
{
    p.setBrush(QColor(255, 255, 255));
    p.drawRect(QRectF(3, 1.5, 10, 13));
    p.setFont(Art::font(9, true));
    p.setPen(c);
    p.drawText(QRectF(3, 2, 10, 12), Qt::AlignCenter, QStringLiteral("#"));
}

void account(QPainter &p, const QColor &c)
{
    p.setBrush(c.lighter(170));
    p.drawPolygon(QPolygonF{{8, 1.5}, {14.5, 5}, {1.5, 5}});
    p.setBrush(Qt::NoBrush);
    for (qreal x : {3.5, 8.0, 12.5})
        p.drawLine(QPointF(x, 6.5), QPointF(x, 12));
    p.drawLine(QPointF(1.5, 14), QPointF(14.5, 14));
}

void date(QPainter &p, const QColor &c)
{
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(1.5, 3, 13, 11.5), 1.5, 1.5);
    p.fillRect(QRectF(2, 3.5, 12, 3), c);
    p.drawLine(QPointF(5, 1), QPointF(5, 4.5));
    p.drawLine(QPointF(11, 1), QPointF(11, 4.5));
    p.setPen(Qt::NoPen);
    p.setBrush(c);
    for (int row = 0; row < 2; ++row)
        for (int col = 0; col < 3; ++col)
            p.drawRect(QRectF(3.5 + col * 3.3, 8 + row * 3, 2, 2));
}

void customer(QPainter &p, const QColor &c)
{
    p.setBrush(c.lighter(160));
    p.drawEllipse(QPointF(8, 5), 3, 3);
    QPainterPath body;
    body.moveTo(2, 15);
    body.cubicTo(2, 8.5, 14, 8.5, 14, 15);
    body.closeSubpath();
    p.drawPath(body);
}

void amount(QPainter &p, const QColor &c)
{
    p.setBrush(QColor(255, 214, 90));
    p.drawEllipse(QPointF(8, 8), 6.5, 6.5);
    Art::text(p, QRectF(1, 1, 14, 14), QStringLiteral("¥"), 10, c.darker(120), true);
}

void kind(QPainter &p, const QColor &c)
{
    p.setBrush(c.lighter(165));
    p.drawPolygon(QPolygonF{{1.5, 2}, {8.5, 2}, {14.5, 8}, {8.5, 14}, {1.5, 7}});
    p.setBrush(Qt::white);
    p.drawEllipse(QPointF(5, 5.5), 1.4, 1.4);
}

void category(QPainter &p, const QColor &c)
{
    p.setBrush(c.lighter(160));
    p.drawPolygon(QPolygonF{{1.5, 3}, {6, 3}, {7.5, 5}, {14.5, 5}, {14.5, 13.5}, {1.5, 13.5}});
    p.drawLine(QPointF(1.5, 7), QPointF(14.5, 7));
}

void voucher(QPainter &p, const QColor &c)
{
    QPainterPath ticket;
    ticket.moveTo(1.5, 3);
    ticket.lineTo(14.5, 3);
    ticket.lineTo(14.5, 6.5);
    ticket.arcTo(QRectF(12.5, 6.5, 3, 3), 90, 180);
    ticket.lineTo(14.5, 13);
    ticket.lineTo(1.5, 13);
    ticket.lineTo(1.5, 9.5);
    ticket.arcTo(QRectF(0, 6.5, 3, 3), 270, 180);
    ticket.closeSubpath();
    p.setBrush(c.lighter(175));
    p.drawPath(ticket);
    p.setPen(QPen(c, 1, Qt::DotLine));
    p.drawLine(QPointF(10.5, 3.5), QPointF(10.5, 12.5));
    p.setPen(Art::roundPen(c, 1.1));
    p.drawLine(QPointF(4, 6.5), QPointF(8, 6.5));
    p.drawLine(QPointF(4, 9.5), QPointF(8, 9.5));
}

void clerk(QPainter &p, const QColor &c)
{
    customer(p, c);
    p.setPen(Qt::NoPen);
    p.setBrush(c.darker(130));
    p.drawPolygon(QPolygonF{{8, 9.5}, {9.2, 11.5}, {8, 14.5}, {6.8, 11.5}});
}

void remark(QPainter &p, const QColor &c)
{
    p.setBrush(Qt::white);
    p.drawRect(QRectF(1.5, 2, 10, 12.5));
    p.drawLine(QPointF(3.5, 5.5), QPointF(8, 5.5));
    p.drawLine(QPointF(3.5, 8.5), QPointF(7, 8.5));
    p.setPen(Art::roundPen(QColor(214, 140, 40), 2.2));
    p.drawLine(QPointF(14.5, 5), QPointF(8.5, 12.5));
    p.setPen(Art::roundPen(c, 1));
    p.drawLine(QPointF(8.5, 12.5), QPointF(7.8, 14.2));
}

void tick(QPainter &p)
{
    p.drawPolyline(QPolygonF{{11.5, 16.5}, {16, 21}, {24.5, 11.5}});
}

void cross(QPainter &p)
{
    p.drawLine(QPointF(13, 11), QPointF(23, 21));
    p.drawLine(QPointF(23, 11), QPointF(13, 21));
}

void bin(QPainter &p)
{
    p.setPen(Art::roundPen(Qt::white, 1.6));
    p.drawLine(QPointF(11.5, 11.5), QPointF(24.5, 11.5));
    p.drawLine(QPointF(16, 11.5), QPointF(16.5, 9.5));
    p.drawLine(QPointF(16.5, 9.5), QPointF(19.5, 9.5));
    p.drawLine(QPointF(19.5, 9.5), QPointF(20, 11.5));
    p.drawPolygon(QPolygonF{{13, 13}, {23, 13}, {22, 22.5}, {14, 22.5}});
    p.drawLine(QPointF(16.5, 15), QPointF(16.7, 20.5));
    p.drawLine(QPointF(19.5, 15), QPointF(19.3, 20.5));
}

// The icons of the daily journal's two buttons, 24 x 24.
void editRecord(QPainter &p)
{
    p.setPen(Art::roundPen(Ink, 1.3));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(3.5, 2.5, 14, 19));
    for (int i = 0; i < 4; ++i)
        p.drawLine(QPointF(6, 7 + i * 3.5), QPointF(14, 7 + i * 3.5));
    p.setPen(Art::roundPen(QColor(214, 140, 40).darker(110), 4));
    p.drawLine(QPointF(21.5, 8), QPointF(12.5, 18.5));
    p.setPen(Art::roundPen(Ink, 1.2));
    p.drawLine(QPointF(12.5, 18.5), QPointF(11.3, 21.3));
}

void printer(QPainter &p)
{
    p.setPen(Art::roundPen(Ink, 1.3));
    p.setBrush(Qt::white);
    p.drawRect(QRectF(6.5, 2.5, 11, 7));
    p.setBrush(QColor(120, 140, 170));
    p.drawRoundedRect(QRectF(2.5, 8.5, 19, 9), 2, 2);
    p.setBrush(Qt::white);
    p.drawRect(QRectF(6.5, 13.5, 11, 8));
    p.drawLine(QPointF(8.5, 16.5), QPointF(15.5, 16.5));
    p.drawLine(QPointF(8.5, 19), QPointF(13.5, 19));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(90, 220, 120));
    p.drawEllipse(QPointF(18.5, 11), 1, 1);
}

} // namespace

void drawJournalPictures(Art &art)
{
    art.saveResource(banner(true, true), QStringLiteral("NewGet.bmp"));
    art.saveResource(banner(true, false), QStringLiteral("EditGet.bmp"));
    art.saveResource(banner(false, true), QStringLiteral("NewPay.bmp"));
    art.saveResource(banner(false, false), QStringLiteral("EditPay.bmp"));

    const QColor blue(46, 96, 168);
    art.saveEmbedded(fieldIcon(blue, serial), QStringLiteral("JournalFieldSerial.png"));
    art.saveEmbedded(fieldIcon(blue, account), QStringLiteral("JournalFieldAccount.png"));
    art.saveEmbedded(fieldIcon(QColor(200, 70, 60), date), QStringLiteral("JournalFieldDate.png"));
    art.saveEmbedded(fieldIcon(QColor(60, 130, 190), customer), QStringLiteral("JournalFieldCustomer.png"));
    art.saveEmbedded(fieldIcon(QColor(170, 110, 20), amount), QStringLiteral("JournalFieldAmount.png"));
    art.saveEmbedded(fieldIcon(QColor(40, 140, 90), kind), QStringLiteral("JournalFieldKind.png"));
    art.saveEmbedded(fieldIcon(QColor(190, 140, 30), category), QStringLiteral("JournalFieldCategory.png"));
    art.saveEmbedded(fieldIcon(QColor(130, 80, 170), voucher), QStringLiteral("JournalFieldVoucher.png"));
    art.saveEmbedded(fieldIcon(QColor(70, 100, 150), clerk), QStringLiteral("JournalFieldClerk.png"));
    art.saveEmbedded(fieldIcon(Ink, remark), QStringLiteral("JournalFieldRemark.png"));

    art.saveEmbedded(Art::pictureButton(QStringLiteral("确定"), QColor(46, 160, 70), 96, tick), QStringLiteral("JournalOk.png"));
    art.saveEmbedded(Art::pictureButton(QStringLiteral("取消"), QColor(210, 56, 48), 96, cross), QStringLiteral("JournalCancel.png"));
    art.saveEmbedded(Art::pictureButton(QStringLiteral("删除"), QColor(150, 60, 60), 96, bin), QStringLiteral("JournalDelete.png"));

    art.saveEmbedded(Art::square(24, editRecord), QStringLiteral("ActionEditMoney.png"));
    art.saveEmbedded(Art::square(24, printer), QStringLiteral("ActionPrintMoney.png"));
}
