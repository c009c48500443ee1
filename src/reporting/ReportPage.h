#pragma once
#include <QLineF>
#include <QList>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>

#include "reporting/ReportTemplate.h"

// Room kept between a text and the sides of its box, in millimetres.
inline constexpr double ReportTextPadding = 0.8;
// Texts are measured at this resolution (every half point a whole number of pixels), so that a cut
// text fits on paper and on the screen alike; wrapped lines are drawn as measured, scaled to the device.
inline constexpr double ReportMeasureDpi = 288;

// One laid-out page: what stands where, in millimetres from the paper's top left corner. It is plain
// data, so a page can be read without painting it.
struct ReportPageText
{
    QRectF rect;
    QString text; // as drawn: already cut to its box
    ReportFont font;
    Qt::Alignment alignment = Qt::AlignLeft;
    ReportBand::Kind band = ReportBand::Title;
    int row = -1;    // the bound query's row, in the data band
    int column = -1; // the table column, for headings, cells and totals
    bool wrapped = false; // broken into lines (joined by '\n'), which stand from the top of the box
};

struct ReportPageLine
{
    QLineF line;
    double width = 0.2;
};

struct ReportPage
{
    int number = 0; // from 1
    QSizeF size;
    QList<ReportPageText> texts;
    QList<ReportPageLine> lines;

    // The texts of one band, in the order they were placed.
    QStringList textsOf(ReportBand::Kind band) const
    {
        QStringList found;
        for (const ReportPageText &text : texts)
            if (text.band == band)
                found.append(text.text);
        return found;
    }

    // The table cells of the data band: one list per row, in row order, each in column order.
    QList<QStringList> cellRows() const
    {
        QList<QStringList> rows;
        int lastRow = -1;
        for (const ReportPageText &text : texts) {
            if (text.band != ReportBand::Data || text.column < 0)
                continue;
            if (text.row != lastRow) {
                rows.append(QStringList());
                lastRow = text.row;
            }
            rows.last().append(text.text);
        }
        return rows;
    }

    QStringList allTexts() const
    {
        QStringList found;
        for (const ReportPageText &text : texts)
            found.append(text.text);
        return found;
    }
};
