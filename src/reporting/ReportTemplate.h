#pragma once
#include <QList>
#include <QMarginsF>
#include <QSizeF>
#include <QString>
#include <Qt>
#include <array>

// The report template: a text file (UTF-8) under Frf/, read line by line.
//
//   # A comment: a line whose first non-blank character is '#'. Blank lines are ignored.
//   # Lengths are millimetres, font sizes points. Texts stand between double quotes ("" is one quote).
//
//   page A4 landscape 12 10 12 10      paper (A4, A5, B5, Letter), portrait or landscape, and the
//                                       margins left, top, right, bottom. Default: A4 portrait, 15 mm.
//   font "WenQuanYi Micro Hei" 9        the family and size of every text. Default: that font at 9 pt.
//   row Head "Select * From PrintTable Where PrintIndex = 1"
//                                       a row of the template's own: the Select runs on the shared
//                                       connection when the report is built; its first row's fields
//                                       show as [Head.PrintValue1] (empty when it gives no row).
//
//   columns                             the bound query's fields as table columns, in the query's own
//     MoneyIndex "记录号" 50 count "条"  order: field, heading, width (a share of the printable width)
//     MoneySum "金额" 60 sum             and what the totals row shows under it: count "suffix" (the row
//     MoneyRemark "备注" 128             count and the suffix), sum (the column's sum), or nothing.
//     * 64                              A field not listed is headed with its own name at this width.
//   end
//
//   band title 30                       a band: its kind and height, its items, then end. Kinds:
//     text 0 0 * 10 center bold size 16 "日记帐簿"
//     line 0 28 * 28 0.4                title        once, at the top of the first page
//   end                                 pageheader   at the top of every page
//                                       columnheader on every page, under the page header (and title)
//                                       data         once for each row of the bound query, from its first
//                                       summary      once, after the last data row
//                                       pagefooter   at the foot of every page
//
// Items of a band, placed from the band's top left corner:
//   text X Y W H [left|center|right] [bold] [size N] [border] "text"
//       A W of * reaches the right margin. A text too long for its box is cut with "…".
//   line X1 Y1 X2 Y2 [width]            a line (X2 may be *), width in mm (default 0.2).
//   headings [left|center|right] [bold] [size N] [border]   the column headings, over the band's height
//   cells    [left|center|right] [bold] [size N] [border] [wrap]
//       the row's value in every column (data band). With wrap a value too long for its column goes on
//       over as many lines as it needs instead of being cut, and the row grows to its tallest cell
//       (the band's height is the least it takes); one such item per band.
//   totals   [left|center|right] [bold] [size N] [border] ["text"]
//       the totals row: the count or sum each column asks for; the text goes into the first column
//       that shows neither (for example "合计").
//
// Inside a text, [ ] holds a value ("[[" is a plain "["):
//   [Field]          the field of the current row of the bound query (data band only)
//   [Name.Field]     a field of the row read by "row Name"
//   [Sum(Field)]     the sum of the field over every row of the bound query
//   [Count]          the number of rows of the bound query
//   [Page] [Pages]   this page's number and the number of pages
//   [Today]          today's date
// Numbers show as the grid shows them; sums rounded to cents without trailing zeros.
//
// Each band kind appears at most once, and every band's height is fixed, so the number of pages
// follows from the number of rows and a page can be laid out without laying out the pages before it.
// A data band whose cells wrap is the exception: building the report measures every row once, and
// a row taller than a page goes on over the next pages.

struct ReportFont
{
    QString family;
    double size = 9;
    bool bold = false;
};

struct ReportItem
{
    enum class Kind { Text, Line, Headings, Cells, Totals };
    Kind kind = Kind::Text;
    double x = 0, y = 0, width = 0, height = 0; // a line runs from (x, y) to (x + width, y + height)
    bool toRightMargin = false;                 // width given as *
    double lineWidth = 0.2;
    Qt::Alignment alignment = Qt::AlignLeft;
    bool bold = false;
    double size = 0; // 0: the template's font size
    bool border = false;
    bool wrap = false; // cells only
    QString text;
    int line = 0; // where it stands in the file
};

struct ReportBand
{
    enum Kind { Title, PageHeader, ColumnHeader, Data, Summary, PageFooter, KindCount };
    bool present = false;
    double height = 0;
    QList<ReportItem> items;
    int line = 0;
};

struct ReportColumn
{
    enum class Footer { None, Count, Sum };
    QString field;
    QString heading;
    double width = 0;
    Footer footer = Footer::None;
    QString suffix;
};

struct ReportRowSource
{
    QString name;
    QString statement;
    int line = 0;
};

struct ReportTemplate
{
    QSizeF paper{210, 297}; // after the orientation is applied
    QMarginsF margins{15, 15, 15, 15};
    ReportFont font{QStringLiteral("WenQuanYi Micro Hei"), 9, false};
    QList<ReportRowSource> rows;
    bool hasColumns = false;
    QList<ReportColumn> columns;
    double otherColumnWidth = 64;
    std::array<ReportBand, ReportBand::KindCount> bands;

    // What is wrong with the file, and on which line (0: the file as a whole). Empty when it is sound.
    QString error;
    int errorLine = 0;

    bool isValid() const { return error.isEmpty(); }
    const ReportBand &band(ReportBand::Kind kind) const { return bands[size_t(kind)]; }
    double printableWidth() const { return paper.width() - margins.left() - margins.right(); }
    double printableHeight() const { return paper.height() - margins.top() - margins.bottom(); }
};

// Reads a template's text. A fault leaves error and errorLine set; the rest is then of no use.
ReportTemplate ParseReportTemplate(const QString &text);
