// The receivables tab's pictures: the two list titles, the commands' icons, the entry dialog's four
// title pictures and its 款项入帐 button.
#include <QPainterPath>
#include <QPolygonF>

#include "Art.h"

namespace {

const QColor GetBlue(40, 96, 176);
const QColor PayRed(196, 58, 50);

// A bill with a few ruled lines and a coin; the arrow says whether the money comes or goes.
void bill(QPainter &p, const QRectF &box, const QColor &colour, bool incoming)
{
    const qreal w = box.width();
    const qreal h = box.height();
    const QRectF paper(box.left() + w * 0.12, box.top() + h * 0.06, w * 0.58, h * 0.82);
    p.setPen(Art::roundPen(colour.darker(130), 1.2));
    p.setBrush(Qt::white);
    p.drawRoundedRect(paper, 2, 2);
    p.setPen(Art::roundPen(colour.lighter(130), 1.2));
    for (int i = 1; i <= 3; ++i) {
        const qreal y = paper.top() + paper.height() * i / 4.5;
        p.drawLine(QPointF(paper.left() + 3, y), QPointF(paper.right() - 3, y));
    }
    const QPointF coin(box.left() + w * 0.70, box.top() + h * 0.70);
    const qreal r = w * 0.2;
    p.setPen(Art::roundPen(QColor(170, 120, 20), 1));
    p.setBrush(QColor(255, 214, 90));
    p.drawEllipse(coin, r, r);
    Art::text(p, QRectF(coin.x() - r, coin.y() - r, 2 * r, 2 * r), QStringLiteral("¥"), int(r * 1.4),
              QColor(140, 90, 10), true);
    const qreal x = box.left() + w * 0.9;
    const qreal top = box.top() + h * 0.1;
    const qreal bottom = box.top() + h * 0.5;
    const QPointF to(x, incoming ? bottom : top);
    const qreal d = incoming ? -1 : 1;
    p.setPen(Art::roundPen(Qt::white, w * 0.07));
    p.drawLine(QPointF(x, incoming ? top : bottom), to);
    p.drawPolyline(QPolygonF{to + QPointF(-w * 0.08, d * w * 0.08), to, to + QPointF(w * 0.08, d * w * 0.08)});
}

QImage dialogTitle(bool receivable, bool isNew)
{
    const QColor colour = receivable ? GetBlue : PayRed;
    return Art::banner(colour, receivable ? QStringLiteral("应收款单") : QStringLiteral("应付款单"),
                       isNew ? QStringLiteral("（新增）") : QStringLiteral("（修改）"),
                       [&](QPainter &p, const QRectF &box) { bill(p, box.adjusted(4, 4, -4, -4), colour, receivable); });
}

// The title over each list: its words in a frame of the list's colour.
QImage listTitle(const QString &words, const QColor &colour, bool incoming)
{
    QImage image = Art::canvas(300, 50);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    const QRectF frame(1.5, 1.5, 297, 47);
    QLinearGradient fill(0, 0, 0, 50);
    fill.setColorAt(0, QColor(255, 255, 255));
    fill.setColorAt(1, colour.lighter(180));
    p.setPen(QPen(colour, 3));
    p.setBrush(fill);
    p.drawRoundedRect(frame, 8, 8);
    p.setPen(QPen(colour.lighter(150), 1));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(frame.adjusted(4, 4, -4, -4), 5, 5);
    p.setPen(Art::roundPen(colour, 1));
    p.setBrush(colour.lighter(110));
    p.drawEllipse(QRectF(14, 7, 36, 36));
    bill(p, QRectF(18, 11, 28, 28), colour, incoming);
    QFont titleFont = Art::font(24, true);
    titleFont.setLetterSpacing(QFont::AbsoluteSpacing, 4);
    p.setFont(titleFont);
    p.setPen(colour.darker(115));
    p.drawText(QRectF(56, 0, 230, 50), Qt::AlignCenter, words);
    return image;
}

// The commands' icons, 22 x 22, in the colour of their list.
void sheet(QPainter &p, const QColor &c)
{
    p.setPen(Art::roundPen(c.darker(130), 1.2));
    p.setBrush(Qt::white);
    p.drawRoundedRect(QRectF(2.5, 2.5, 13, 17), 1.5, 1.5);
    p.setPen(Art::roundPen(c.lighter(140), 1.1));
    for (int i = 0; i < 3; ++i)
        p.drawLine(QPointF(5, 7 + i * 3.5), QPointF(13, 7 + i * 3.5));
}

// The round mark in the sheet's corner, ready for a white sign.
void badge(QPainter &p, const QColor &c)
{
    p.setPen(Art::roundPen(c.darker(110), 1));
    p.setBrush(c);
    p.drawEllipse(QPointF(15.5, 15.5), 5.5, 5.5);
    p.setPen(Art::roundPen(Qt::white, 1.8));
}

void newGlyph(QPainter &p, const QColor &c)
{
    sheet(p, c);
    badge(p, c);
    p.drawLine(QPointF(15.5, 12.5), QPointF(15.5, 18.5));
    p.drawLine(QPointF(12.5, 15.5), QPointF(18.5, 15.5));
}

void editGlyph(QPainter &p, const QColor &c)
{
    sheet(p, c);
    p.setPen(Art::roundPen(QColor(214, 140, 40).darker(110), 3.5));
    p.drawLine(QPointF(19.5, 7), QPointF(11, 16.5));
    p.setPen(Art::roundPen(c.darker(120), 1.2));
    p.drawLine(QPointF(11, 16.5), QPointF(9.8, 19.3));
}

void deleteGlyph(QPainter &p, const QColor &c)
{
    sheet(p, c);
    badge(p, c);
    p.drawLine(QPointF(13.3, 13.3), QPointF(17.7, 17.7));
    p.drawLine(QPointF(17.7, 13.3), QPointF(13.3, 17.7));
}

template<typename Glyph>
QImage commandIcon(const QColor &colour, Glyph glyph)
{
    QImage image = Art::canvas(22, 22);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    glyph(p, colour);
    return image;
}

// 款项入帐: an arrow going down into an open journal.
void intoJournal(QPainter &p)
{
    p.setPen(Art::roundPen(Qt::white, 1.4));
    p.drawPolyline(QPolygonF{{11, 21.5}, {18, 19.5}, {25, 21.5}});
    p.drawLine(QPointF(18, 19.5), QPointF(18, 23));
    p.setPen(Art::roundPen(Qt::white, 2.4));
    p.drawLine(QPointF(18, 8), QPointF(18, 16));
    p.drawPolyline(QPolygonF{{14.5, 12.5}, {18, 16}, {21.5, 12.5}});
}

} // namespace

void drawReceivablesPictures(Art &art)
{
    art.saveResource(dialogTitle(true, true), QStringLiteral("NewGet2.bmp"));
    art.saveResource(dialogTitle(true, false), QStringLiteral("EditGet2.bmp"));
    art.saveResource(dialogTitle(false, true), QStringLiteral("NewPay2.bmp"));
    art.saveResource(dialogTitle(false, false), QStringLiteral("EditPay2.bmp"));

    art.saveEmbedded(listTitle(QStringLiteral("应收款列表"), GetBlue, true), QStringLiteral("GetListTitle.png"));
    art.saveEmbedded(listTitle(QStringLiteral("应付款列表"), PayRed, false), QStringLiteral("PayListTitle.png"));
    for (const auto &[list, colour] : {std::pair{"Get", GetBlue}, std::pair{"Pay", PayRed}}) {
        const QString prefix = QLatin1String(list);
        art.saveEmbedded(commandIcon(colour, newGlyph), prefix + QStringLiteral("New.png"));
        art.saveEmbedded(commandIcon(colour, editGlyph), prefix + QStringLiteral("Edit.png"));
        art.saveEmbedded(commandIcon(colour, deleteGlyph), prefix + QStringLiteral("Delete.png"));
    }
    art.saveEmbedded(Art::pictureButton(QStringLiteral("款项入帐"), QColor(38, 120, 170), 110, intoJournal),
                     QStringLiteral("GetPayPost.png"));
}
