#include "Art.h"

#include <QDir>
#include <QFile>
#include <QFontMetricsF>
#include <QLinearGradient>
#include <QPainterPath>
#include <QTextStream>

Art::Art(const QString &resFolder, const QString &embeddedFolder)
    : m_res(resFolder)
    , m_embedded(embeddedFolder)
{
    QDir().mkpath(m_res);
    QDir().mkpath(m_embedded);
}

void Art::saveResource(const QImage &image, const QString &name)
{
    // Bitmaps carry no transparency: flatten on the window colour.
    QImage out = image;
    if (name.endsWith(QLatin1String(".bmp"), Qt::CaseInsensitive)) {
        out = QImage(image.size(), QImage::Format_RGB32);
        out.fill(QColor(240, 240, 240));
        QPainter painter(&out);
        painter.drawImage(0, 0, image);
    }
    if (!out.save(m_res + QLatin1Char('/') + name))
        qFatal("cannot write %s", qPrintable(name));
}

void Art::saveEmbedded(const QImage &image, const QString &name)
{
    if (!image.save(m_embedded + QLatin1Char('/') + name))
        qFatal("cannot write %s", qPrintable(name));
    m_embeddedNames.append(name);
}

bool Art::writeResourceList()
{
    QFile qrc(m_embedded + QStringLiteral("/embedded.qrc"));
    if (!qrc.open(QIODevice::WriteOnly | QIODevice::Truncate))
        return false;
    QTextStream out(&qrc);
    out << "<RCC>\n  <qresource prefix=\"/embedded\">\n";
    for (const QString &name : m_embeddedNames)
        out << "    <file>" << name << "</file>\n";
    out << "  </qresource>\n</RCC>\n";
    return true;
}

QImage Art::canvas(int width, int height, const QColor &fill)
{
    QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
    image.fill(fill);
    return image;
}

QImage Art::square(int size, const std::function<void(QPainter &)> &draw)
{
    QImage image = canvas(size, size);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    draw(painter);
    return image;
}

QFont Art::font(int pixelSize, bool bold)
{
    QFont f(QStringLiteral("WenQuanYi Micro Hei"));
    f.setPixelSize(pixelSize);
    f.setBold(bold);
    return f;
}

void Art::card(QPainter &painter, const QRectF &rect, const QColor &top, const QColor &bottom, qreal radius)
{
    QLinearGradient gradient(rect.topLeft(), rect.bottomLeft());
    gradient.setColorAt(0, top);
    gradient.setColorAt(1, bottom);
    painter.setRenderHint(QPainter::Antialiasing);
    painter.setPen(QPen(bottom.darker(130), 1));
    painter.setBrush(gradient);
    painter.drawRoundedRect(rect.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
}

void Art::text(QPainter &painter, const QRectF &rect, const QString &words, int pixelSize, const QColor &colour,
               bool bold, int flags)
{
    painter.setRenderHint(QPainter::TextAntialiasing);
    painter.setFont(font(pixelSize, bold));
    painter.setPen(colour);
    painter.drawText(rect, flags, words);
}

QImage Art::banner(const QColor &colour, const QString &title, const QString &note,
                   const std::function<void(QPainter &, const QRectF &)> &badge)
{
    QImage image = canvas(420, 60, Qt::white);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QLinearGradient wash(0, 0, 420, 0);
    wash.setColorAt(0, colour);
    wash.setColorAt(0.45, colour.lighter(150));
    wash.setColorAt(1, QColor(250, 250, 248));
    p.fillRect(image.rect(), wash);
    // A faint ledger ruling on the right.
    p.setPen(QPen(colour.lighter(120), 1, Qt::SolidLine));
    p.setOpacity(0.25);
    for (int y = 14; y < 60; y += 12)
        p.drawLine(260, y, 412, y);
    p.setOpacity(1);
    const QRectF badgeBox(6, 4, 52, 52);
    p.setPen(QPen(QColor(255, 255, 255, 120), 1));
    p.setBrush(QColor(255, 255, 255, 40));
    p.drawEllipse(badgeBox);
    badge(p, badgeBox);

    QFont titleFont = font(26, true);
    titleFont.setLetterSpacing(QFont::AbsoluteSpacing, 2);
    p.setFont(titleFont);
    p.setPen(QColor(0, 0, 0, 60));
    p.drawText(QRectF(71, 11, 220, 40), Qt::AlignLeft | Qt::AlignVCenter, title);
    p.setPen(Qt::white);
    p.drawText(QRectF(70, 10, 220, 40), Qt::AlignLeft | Qt::AlignVCenter, title);

    const qreal pillLeft = 70 + QFontMetricsF(titleFont).horizontalAdvance(title) + 12;
    const QRectF pill(pillLeft, 18, 70, 24);
    p.setPen(QPen(colour.darker(115), 1.2));
    p.setBrush(Qt::white);
    p.drawRoundedRect(pill, 12, 12);
    text(p, pill, note, 13, colour.darker(115), true);

    p.setPen(colour.darker(110));
    p.drawLine(0, 59, 420, 59);
    return image;
}

QImage Art::pictureButton(const QString &word, const QColor &colour, int width,
                          const std::function<void(QPainter &)> &glyph)
{
    QImage image = canvas(width, 32);
    QPainter p(&image);
    p.setRenderHint(QPainter::Antialiasing);
    QRadialGradient fill(12, 10, 18);
    fill.setColorAt(0, colour.lighter(140));
    fill.setColorAt(1, colour);
    p.setPen(QPen(colour.darker(130), 1));
    p.setBrush(fill);
    p.drawEllipse(QRectF(6, 4, 24, 24));
    p.setPen(QPen(Qt::white, 3, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin));
    p.setBrush(Qt::NoBrush);
    glyph(p);
    text(p, QRectF(34, 0, width - 36, 32), word, 17, QColor(40, 40, 40), true);
    return image;
}
