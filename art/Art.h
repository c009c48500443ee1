#pragma once
#include <QColor>
#include <QImage>
#include <QPainter>
#include <QString>
#include <functional>

// Where the pictures go and the few drawing tools every picture shares.
class Art
{
public:
    Art(const QString &resFolder, const QString &embeddedFolder);

    // A picture read at run time from Res/ (name with extension: .bmp or .ico).
    void saveResource(const QImage &image, const QString &name);
    // A picture compiled into the program, reachable as ":/embedded/<name>".
    void saveEmbedded(const QImage &image, const QString &name);
    bool writeResourceList();

    static QImage canvas(int width, int height, const QColor &fill = Qt::transparent);
    // A square picture of `size` pixels on a transparent ground, drawn antialiased by `draw`.
    static QImage square(int size, const std::function<void(QPainter &)> &draw);
    static QFont font(int pixelSize, bool bold = false);
    // A pen with round ends and joins, for strokes that meet cleanly.
    static QPen roundPen(const QColor &colour, qreal width)
    {
        return QPen(colour, width, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
    }
    // A rounded card with a soft vertical gradient and a thin border.
    static void card(QPainter &painter, const QRectF &rect, const QColor &top, const QColor &bottom,
                     qreal radius = 6);
    static void text(QPainter &painter, const QRectF &rect, const QString &words, int pixelSize,
                     const QColor &colour, bool bold = false, int flags = Qt::AlignCenter);
    // A dialog's 420 x 60 banner: a wash of `colour`, a round badge that `badge` draws into, the title in
    // white and `note` (such as （新增）) in a pill after it.
    static QImage banner(const QColor &colour, const QString &title, const QString &note,
                         const std::function<void(QPainter &, const QRectF &)> &badge);
    // A picture button `width` pixels wide: a round badge of `colour` (centred at 18, 16) on which
    // `glyph` draws in white, and the button's word beside it.
    static QImage pictureButton(const QString &word, const QColor &colour, int width,
                                const std::function<void(QPainter &)> &glyph);

private:
    QString m_res;
    QString m_embedded;
    QStringList m_embeddedNames;
};

// One function per subsystem draws its pictures.
void drawShellPictures(Art &art);
void drawAccountsPictures(Art &art);
void drawScopePictures(Art &art);
void drawUsersPictures(Art &art);
void drawJournalPictures(Art &art);
void drawReportsPictures(Art &art);
void drawTransferPictures(Art &art);
void drawReceivablesPictures(Art &art);
