// The account-book pictures: one per scope for the left panel (read from Res/ at run time), and the
// three pictures the account-book chooser carries inside itself.
#include <QPainterPath>
#include <QPolygonF>

#include "Art.h"

namespace {

enum class Symbol { Bank, Cash, Ledger, Person, Empty, All };

// Company books are blue, personal ones warm, the rest neutral.
struct Book
{
    const char *name;
    const char *words;
    QColor colour;
    Symbol symbol;
    bool personal;
};

const QColor CompanyBlue(44, 104, 176);
const QColor PersonalOrange(214, 122, 38);

void bank(QPainter &p, const QRectF &r, const QColor &ink)
{
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    const qreal w = r.width();
    const qreal h = r.height();
    p.drawPolygon(QPolygonF{{r.left() + w * 0.5, r.top()}, {r.right(), r.top() + h * 0.3},
                            {r.left(), r.top() + h * 0.3}});
    for (int i = 0; i < 4; ++i)
        p.drawRect(QRectF(r.left() + w * (0.1 + i * 0.23), r.top() + h * 0.38, w * 0.11, h * 0.42));
    p.drawRect(QRectF(r.left(), r.bottom() - h * 0.14, w, h * 0.14));
}

void cash(QPainter &p, const QRectF &r, const QColor &ink)
{
    p.setPen(QPen(ink.darker(120), 1));
    for (int i = 2; i >= 0; --i) {
        const QRectF coin(r.left() + i * r.width() * 0.12, r.top() + r.height() * 0.32 - i * r.height() * 0.12,
                          r.width() * 0.62, r.height() * 0.62);
        p.setBrush(i == 0 ? QColor(250, 206, 64) : QColor(236, 180, 40));
        p.drawEllipse(coin);
    }
    const QRectF front(r.left(), r.top() + r.height() * 0.32, r.width() * 0.62, r.height() * 0.62);
    Art::text(p, front, QStringLiteral("¥"), int(r.height() * 0.46), QColor(150, 90, 10), true);
}

void ledger(QPainter &p, const QRectF &r, const QColor &ink)
{
    p.setPen(QPen(ink.darker(130), 1));
    p.setBrush(QColor(250, 250, 246));
    p.drawRect(QRectF(r.left() + r.width() * 0.16, r.top() + r.height() * 0.08, r.width() * 0.78, r.height() * 0.9));
    p.setBrush(ink);
    p.drawRect(QRectF(r.left() + r.width() * 0.06, r.top(), r.width() * 0.78, r.height() * 0.9));
    p.setPen(QPen(QColor(255, 255, 255, 200), 1.2));
    for (int i = 0; i < 3; ++i) {
        const qreal y = r.top() + r.height() * (0.25 + i * 0.2);
        p.drawLine(QPointF(r.left() + r.width() * 0.22, y), QPointF(r.left() + r.width() * 0.7, y));
    }
}

void person(QPainter &p, const QRectF &r, const QColor &ink)
{
    p.setPen(Qt::NoPen);
    p.setBrush(ink);
    p.drawEllipse(QPointF(r.center().x(), r.top() + r.height() * 0.25), r.width() * 0.22, r.height() * 0.24);
    QPainterPath body;
    body.moveTo(r.left() + r.width() * 0.08, r.bottom());
    body.quadTo(r.center().x(), r.top() + r.height() * 0.3, r.right() - r.width() * 0.08, r.bottom());
    body.closeSubpath();
    p.drawPath(body);
}

void empty(QPainter &p, const QRectF &r, const QColor &ink)
{
    p.setPen(QPen(ink, 1.6, Qt::DashLine));
    p.setBrush(Qt::NoBrush);
    p.drawRoundedRect(r.adjusted(2, 2, -2, -2), 3, 3);
    Art::text(p, r, QStringLiteral("?"), int(r.height() * 0.6), ink, true);
}

void symbol(QPainter &p, Symbol kind, const QRectF &r, const QColor &ink)
{
    switch (kind) {
    case Symbol::Bank:
        bank(p, r, ink);
        break;
    case Symbol::Cash:
        cash(p, r, ink);
        break;
    case Symbol::Ledger:
        ledger(p, r, ink);
        break;
    case Symbol::Person:
        person(p, r, ink);
        break;
    case Symbol::Empty:
        empty(p, r, ink);
        break;
    case Symbol::All:
        ledger(p, QRectF(r.left() - r.width() * 0.45, r.top() + 2, r.width() * 0.8, r.height() - 2), CompanyBlue);
        ledger(p, QRectF(r.left() + r.width() * 0.55, r.top() + 2, r.width() * 0.8, r.height() - 2), PersonalOrange);
        break;
    }
}

// An 80 × 60 card: the book's symbol above its name, a small figure in the corner for personal books.
QImage bookPicture(const Book &book)
{
    QImage image = Art::canvas(80, 60, QColor(240, 240, 240));
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    Art::card(p, QRectF(0, 0, 80, 60), book.colour.lighter(175), book.colour.lighter(128), 5);
    symbol(p, book.symbol, QRectF(27, 6, 26, 30), book.colour.darker(115));
    if (book.personal && book.symbol != Symbol::Person)
        person(p, QRectF(60, 6, 13, 15), book.colour.darker(140));
    p.setPen(Qt::NoPen);
    p.setBrush(QColor(255, 255, 255, 150));
    p.drawRoundedRect(QRectF(4, 40, 72, 17), 3, 3);
    Art::text(p, QRectF(0, 40, 80, 17), QString::fromUtf8(book.words), 13, book.colour.darker(170), true);
    return image;
}

} // namespace

void drawScopePictures(Art &art)
{
    const Book books[] = {
        {"EmptyAccount", "无类型帐户", QColor(128, 134, 142), Symbol::Empty, false},
        {"CompanyAccount2", "企业银行帐", CompanyBlue, Symbol::Bank, false},
        {"CompanyAccount3", "企业现金帐", QColor(36, 140, 120), Symbol::Cash, false},
        {"PersonAccount2", "个人银行帐", PersonalOrange, Symbol::Bank, true},
        {"PersonAccount3", "个人现金帐", QColor(190, 96, 40), Symbol::Cash, true},
        {"CompanyAccount", "企业总帐簿", QColor(56, 84, 170), Symbol::Ledger, false},
        {"PersonAccount", "个人总帐簿", QColor(200, 110, 50), Symbol::Person, true},
        {"TotalAccount", "所有帐户", QColor(92, 96, 160), Symbol::All, false},
    };
    for (const Book &book : books)
        art.saveResource(bookPicture(book), QString::fromLatin1(book.name) + QStringLiteral(".bmp"));

    // The chooser offers the company ledger, the bank book and the cash book.
    art.saveEmbedded(bookPicture(books[5]), QStringLiteral("ChoseLedger.png"));
    art.saveEmbedded(bookPicture(books[1]), QStringLiteral("ChoseBank.png"));
    art.saveEmbedded(bookPicture(books[2]), QStringLiteral("ChoseCash.png"));
}
