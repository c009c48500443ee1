#pragma once
#include <QFontMetricsF>
#include <QHash>
#include <QList>
#include <QString>
#include <QVariant>
#include <memory>

#include "reporting/ReportPage.h"
#include "reporting/ReportTemplate.h"

class RowSource;
class ShareDataModule;

// Lays a template out over the rows of a query. prepare() checks the template against the query,
// reads the template's own rows and works out how many rows each page takes; after that any page can
// be laid out on its own, without laying out the pages before it.
class ReportLayout
{
public:
    ReportLayout();
    ~ReportLayout();
    ReportLayout(const ReportLayout &) = delete;
    ReportLayout &operator=(const ReportLayout &) = delete;

    // False with error() and errorLine() when the template does not fit the data or the paper.
    bool prepare(const ReportTemplate &layout, RowSource &data, ShareDataModule &database);
    QString error() const { return m_error; }
    int errorLine() const { return m_errorLine; }

    int pageCount() const { return m_pageCount; }
    int rowCount() const { return m_rowCount; }
    // The page at `index` (from 0). Unfitted, every text is whole, which is quicker when only
    // looking for a text.
    ReportPage page(int index, bool fitTexts = true) const;

    // A text as it fits a box of `width` mm in `font`: whole, or cut with "…".
    QString fitted(const QString &text, const ReportFont &font, double width) const;
    // A text broken into the lines it takes in a box of `width` mm in `font`; none for an empty text.
    QStringList wrapped(const QString &text, const ReportFont &font, double width) const;

private:
    struct Segment
    {
        enum class Kind { Literal, Field, RowField, Sum, Count, Page, Pages, Today };
        Kind kind = Kind::Literal;
        QString text;
        int column = -1; // Field, Sum: the query's column; RowField: the field's index in its row
        int source = -1; // RowField: which row
    };
    using Expression = QList<Segment>;

    struct Placed; // where a band stands on a page
    // Where a page's rows begin when the data band grows: the row, and its first line on the page.
    struct Start
    {
        int row;
        int line;
    };
    // A data row's part on one page: its lines [from, to) of the wrapping cells, and its height.
    struct Slice
    {
        int row;
        int from;
        int to;
        double height;
    };

    bool fail(const QString &what, int line);
    bool readRows(const ReportTemplate &layout, ShareDataModule &database);
    void arrangeColumns(const ReportTemplate &layout);
    bool compile(const QString &text, ReportBand::Kind band, int line, Expression *expression);
    bool compileItems();
    bool paginate();
    bool paginateGrowing(double firstRoom, double pageRoom, double *lastUsed);
    QList<Slice> slicesOn(int pageIndex) const;
    int lineCount(int row) const;
    double sliceHeight(int lines) const;
    int linesFitting(double room) const;
    QString cellText(int row, int column) const;
    QFontMetricsF metrics(const ReportFont &font) const;

    QString evaluate(const Expression &expression, int row, int pageIndex) const;
    QString valueText(const QVariant &value) const;
    double columnSum(int column) const;
    int firstRowOf(int pageIndex) const;
    int rowsOn(int pageIndex) const;

    void placeBand(ReportPage &page, const Placed &where) const;
    void placeText(ReportPage &page, const QRectF &rect, const QString &text, const ReportItem &item,
                   const Placed &where, int column) const;
    void placeColumns(ReportPage &page, const ReportItem &item, int itemIndex, const Placed &where) const;
    void placeLines(ReportPage &page, const QRectF &box, const QString &text, const ReportItem &item,
                    const Placed &where, int column) const;
    void placeBox(ReportPage &page, const QRectF &rect, double width) const;
    QRectF itemRect(const ReportItem &item, double top) const;
    ReportFont fontOf(const ReportItem &item) const;

    ReportTemplate m_template;
    RowSource *m_data = nullptr;
    QString m_error;
    int m_errorLine = 0;

    QList<QVariantList> m_rowValues; // one per "row" of the template, its first row's fields
    QList<QStringList> m_rowFields;
    QList<int> m_columnFields; // the query's column shown in each table column
    QStringList m_headings;
    QList<ReportColumn::Footer> m_footers;
    QStringList m_suffixes;
    QList<double> m_columnX, m_columnWidth; // mm, from the left margin
    // The compiled text of each item, by band and item; a totals row's own text as well.
    std::array<QList<Expression>, ReportBand::KindCount> m_expressions;

    int m_rowCount = 0;
    int m_pageCount = 0;
    int m_firstPageRows = 0;
    int m_pageRows = 0;
    int m_summaryPage = -1; // -1: no summary band
    int m_wrapItem = -1;    // the data band's wrapping cells item, -1 when its height is fixed
    double m_lineHeight = 0; // mm, of the wrapping cells
    QList<Start> m_pageStarts; // of the pages holding rows, when the data band grows
    double m_summaryTop = 0;
    mutable QHash<int, double> m_sums;
    mutable QHash<QString, QFontMetricsF> m_metrics; // by font
};
