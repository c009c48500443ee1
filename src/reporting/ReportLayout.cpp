#include "reporting/ReportLayout.h"

#include <QFontMetricsF>
#include <QImage>
#include <QTextLayout>
#include <algorithm>
#include <cmath>

#include "data/Clock.h"
#include "data/Helpers.h"
#include "data/JetSql.h"
#include "data/Query.h"
#include "reporting/ReportPainter.h"

namespace {

constexpr double Slack = 1e-9;

QString quotedWord(const QString &word)
{
    return QStringLiteral("“") + word + QStringLiteral("”");
}

int fieldIn(const QStringList &fields, const QString &name)
{
    for (int f = 0; f < fields.size(); ++f)
        if (fields[f].compare(name, Qt::CaseInsensitive) == 0)
            return f;
    return -1;
}

const QPaintDevice &measuringDevice()
{
    static QImage device = [] {
        QImage image(4, 4, QImage::Format_ARGB32);
        const int dotsPerMeter = int(std::lround(ReportMeasureDpi / 0.0254));
        image.setDotsPerMeterX(dotsPerMeter);
        image.setDotsPerMeterY(dotsPerMeter);
        return image;
    }();
    return device;
}

} // namespace

struct ReportLayout::Placed
{
    ReportBand::Kind band;
    double top;
    int row;
    int pageIndex;
    bool fit;
    double height; // the band's, or the data row's part on the page
    int from = 0;  // the lines of wrapping cells on the page
    int to = 0;
};

ReportLayout::ReportLayout() = default;
ReportLayout::~ReportLayout() = default;

bool ReportLayout::fail(const QString &what, int line)
{
    m_error = what;
    m_errorLine = line;
    return false;
}

bool ReportLayout::prepare(const ReportTemplate &layout, RowSource &data, ShareDataModule &database)
{
    m_template = layout;
    m_data = &data;
    m_error.clear();
    m_errorLine = 0;
    m_sums.clear();
    m_pageCount = 0;
    m_rowCount = data.isOpen() && layout.band(ReportBand::Data).present ? data.recordCount() : 0;
    if (!readRows(layout, database))
        return false;
    arrangeColumns(layout);
    const QList<ReportItem> &dataItems = layout.band(ReportBand::Data).items;
    const auto wrapping = std::find_if(dataItems.begin(), dataItems.end(), [](const ReportItem &item) { return item.wrap; });
    m_wrapItem = wrapping == dataItems.end() ? -1 : int(wrapping - dataItems.begin());
    m_lineHeight = m_wrapItem < 0 ? 0 : metrics(fontOf(*wrapping)).lineSpacing() / ReportMeasureDpi * 25.4;
    return compileItems() && paginate();
}

// Reads the first row of each of the template's own Selects; a Select without rows shows empty fields.
bool ReportLayout::readRows(const ReportTemplate &layout, ShareDataModule &database)
{
    m_rowValues.clear();
    m_rowFields.clear();
    for (const ReportRowSource &source : layout.rows) {
        Query query(database);
        query.setSql(source.statement);
        if (!query.open())
            return fail(QStringLiteral("row ") + source.name + QStringLiteral(" 的查询失败：") + query.lastError(),
                        source.line);
        QVariantList values;
        for (int c = 0; c < query.fieldNames().size(); ++c)
            values.append(query.value(0, c));
        m_rowFields.append(query.fieldNames());
        m_rowValues.append(values);
    }
    return true;
}

// One table column per field of the query, in its order, sharing the printable width by their widths.
void ReportLayout::arrangeColumns(const ReportTemplate &layout)
{
    m_columnFields.clear();
    m_headings.clear();
    m_footers.clear();
    m_suffixes.clear();
    m_columnX.clear();
    m_columnWidth.clear();
    if (!layout.hasColumns || !m_data->isOpen())
        return;
    const QStringList fields = m_data->fieldNames();
    QList<double> widths;
    for (int f = 0; f < fields.size(); ++f) {
        ReportColumn column{fields[f], fields[f], layout.otherColumnWidth, ReportColumn::Footer::None, QString()};
        for (const ReportColumn &listed : layout.columns)
            if (listed.field.compare(fields[f], Qt::CaseInsensitive) == 0)
                column = listed;
        m_columnFields.append(f);
        m_headings.append(column.heading);
        m_footers.append(column.footer);
        m_suffixes.append(column.suffix);
        widths.append(column.width);
    }
    double total = 0;
    for (const double width : widths)
        total += width;
    double x = 0;
    for (const double width : widths) {
        const double share = total > 0 ? width / total * layout.printableWidth() : 0;
        m_columnX.append(x);
        m_columnWidth.append(share);
        x += share;
    }
}

bool ReportLayout::compileItems()
{
    for (int kind = 0; kind < ReportBand::KindCount; ++kind) {
        QList<Expression> &expressions = m_expressions[size_t(kind)];
        expressions.clear();
        for (const ReportItem &item : m_template.bands[size_t(kind)].items) {
            Expression expression;
            if (!compile(item.text, ReportBand::Kind(kind), item.line, &expression))
                return false;
            expressions.append(expression);
        }
    }
    return true;
}

bool ReportLayout::compile(const QString &text, ReportBand::Kind band, int line, Expression *expression)
{
    QString literal;
    const auto flush = [&] {
        if (!literal.isEmpty())
            expression->append({Segment::Kind::Literal, std::exchange(literal, QString())});
    };
    for (qsizetype i = 0; i < text.size(); ++i) {
        if (text[i] != QLatin1Char('[')) {
            literal += text[i];
            continue;
        }
        if (i + 1 < text.size() && text[i + 1] == QLatin1Char('[')) {
            literal += QLatin1Char('[');
            ++i;
            continue;
        }
        const qsizetype close = text.indexOf(QLatin1Char(']'), i);
        if (close < 0)
            return fail(QStringLiteral("表达式") + quotedWord(text.mid(i)) + QStringLiteral("缺少“]”"), line);
        const QString inside = text.mid(i + 1, close - i - 1).trimmed();
        i = close;
        flush();
        Segment segment;
        const auto named = [&](const char *word) { return inside.compare(QLatin1String(word), Qt::CaseInsensitive) == 0; };
        if (named("Page")) {
            segment.kind = Segment::Kind::Page;
        } else if (named("Pages")) {
            segment.kind = Segment::Kind::Pages;
        } else if (named("Count")) {
            segment.kind = Segment::Kind::Count;
        } else if (named("Today")) {
            segment.kind = Segment::Kind::Today;
        } else if (inside.startsWith(QLatin1String("Sum("), Qt::CaseInsensitive) && inside.endsWith(QLatin1Char(')'))) {
            const QString field = inside.mid(4, inside.size() - 5).trimmed();
            segment.kind = Segment::Kind::Sum;
            segment.column = m_data->isOpen() ? m_data->fieldIndex(field) : -1;
            if (segment.column < 0)
                return fail(QStringLiteral("数据中没有字段") + quotedWord(field), line);
        } else if (inside.contains(QLatin1Char('.'))) {
            const QString name = inside.section(QLatin1Char('.'), 0, 0).trimmed();
            const QString field = inside.section(QLatin1Char('.'), 1).trimmed();
            segment.kind = Segment::Kind::RowField;
            for (int s = 0; s < m_template.rows.size(); ++s)
                if (m_template.rows[s].name.compare(name, Qt::CaseInsensitive) == 0)
                    segment.source = s;
            if (segment.source < 0)
                return fail(QStringLiteral("没有名为") + quotedWord(name) + QStringLiteral("的 row"), line);
            segment.column = fieldIn(m_rowFields[segment.source], field);
            if (segment.column < 0)
                return fail(QStringLiteral("row ") + name + QStringLiteral(" 的查询结果中没有字段") + quotedWord(field), line);
        } else {
            segment.kind = Segment::Kind::Field;
            if (band != ReportBand::Data)
                return fail(QStringLiteral("字段") + quotedWord(inside) + QStringLiteral("只能用在 band data 里"), line);
            segment.column = m_data->isOpen() ? m_data->fieldIndex(inside) : -1;
            if (segment.column < 0)
                return fail(QStringLiteral("数据中没有字段") + quotedWord(inside), line);
        }
        expression->append(segment);
    }
    flush();
    return true;
}

// How many rows each page takes, and where the summary goes: after the last row when it fits there,
// else on a page of its own.
bool ReportLayout::paginate()
{
    const auto height = [this](ReportBand::Kind kind) {
        const ReportBand &band = m_template.band(kind);
        return band.present ? band.height : 0.0;
    };
    const double body = m_template.printableHeight() - height(ReportBand::PageHeader) - height(ReportBand::PageFooter);
    const double title = height(ReportBand::Title);
    const double columnHeader = height(ReportBand::ColumnHeader);
    const double row = height(ReportBand::Data);
    const double summary = height(ReportBand::Summary);
    if (title + columnHeader > body + Slack)
        return fail(QStringLiteral("标题和栏目头在一页里放不下"), m_template.band(ReportBand::Title).line);
    if (summary + columnHeader > body + Slack)
        return fail(QStringLiteral("band summary 在一页里放不下"), m_template.band(ReportBand::Summary).line);

    m_firstPageRows = m_pageRows = 0;
    m_pageStarts.clear();
    int rowPages = 1;
    double lastUsed = 0; // by the rows of the last page
    if (m_wrapItem >= 0) {
        if (!paginateGrowing(body - title - columnHeader, body - columnHeader, &lastUsed))
            return false;
        rowPages = int(m_pageStarts.size());
    } else if (m_rowCount > 0) {
        if (row <= 0)
            return fail(QStringLiteral("band data 的高度应大于 0"), m_template.band(ReportBand::Data).line);
        m_firstPageRows = int(std::floor((body - title - columnHeader) / row + Slack));
        m_pageRows = int(std::floor((body - columnHeader) / row + Slack));
        if (m_pageRows < 1)
            return fail(QStringLiteral("一页连一行数据也放不下"), m_template.band(ReportBand::Data).line);
        if (m_rowCount > m_firstPageRows)
            rowPages = 1 + (m_rowCount - m_firstPageRows + m_pageRows - 1) / m_pageRows;
        lastUsed = rowsOn(rowPages - 1) * row;
    }
    m_pageCount = rowPages;
    m_summaryPage = -1;
    if (m_template.band(ReportBand::Summary).present) {
        const int last = rowPages - 1;
        const double used = (last == 0 ? title : 0) + columnHeader + lastUsed;
        const double bodyTop = m_template.margins.top() + height(ReportBand::PageHeader);
        const bool fits = used + summary <= body + Slack;
        m_summaryPage = fits ? last : last + 1;
        m_summaryTop = bodyTop + (fits ? used : columnHeader);
        m_pageCount = m_summaryPage + 1;
    }
    return true;
}

// Rows that grow with their wrapped cells: each row measured once, in order, the page breaking
// before a row that does not fit. A row taller than a page begins where it is and goes on over the
// next pages, line by line.
bool ReportLayout::paginateGrowing(double firstRoom, double pageRoom, double *lastUsed)
{
    if (sliceHeight(1) > pageRoom + Slack)
        return fail(QStringLiteral("一页连一行数据也放不下"), m_template.band(ReportBand::Data).line);
    m_pageStarts = {{0, 0}};
    double room = firstRoom;
    for (int r = 0; r < m_rowCount; ++r) {
        const int lines = lineCount(r);
        int from = 0;
        for (;;) {
            const double needed = sliceHeight(lines - from);
            if (needed <= room + Slack) {
                room -= needed;
                break;
            }
            if (needed > pageRoom + Slack)
                from += linesFitting(room);
            m_pageStarts.append({r, from});
            room = pageRoom;
        }
    }
    *lastUsed = (m_pageStarts.size() == 1 ? firstRoom : pageRoom) - room;
    return true;
}

// The data rows of a page, each whole unless it goes on over pages.
QList<ReportLayout::Slice> ReportLayout::slicesOn(int pageIndex) const
{
    QList<Slice> slices;
    if (m_wrapItem < 0) {
        const double height = m_template.band(ReportBand::Data).height;
        for (int r = 0; r < rowsOn(pageIndex); ++r)
            slices.append({firstRowOf(pageIndex) + r, 0, 1, height});
        return slices;
    }
    if (pageIndex >= m_pageStarts.size())
        return slices;
    const Start start = m_pageStarts[pageIndex];
    const Start end = pageIndex + 1 < m_pageStarts.size() ? m_pageStarts[pageIndex + 1] : Start{m_rowCount, 0};
    for (int r = start.row; r < m_rowCount && (r < end.row || (r == end.row && end.line > 0)); ++r) {
        const int from = r == start.row ? start.line : 0;
        const int to = r == end.row ? end.line : lineCount(r);
        slices.append({r, from, to, sliceHeight(to - from)});
    }
    return slices;
}

// The lines the row's tallest wrapping cell takes, at least one.
int ReportLayout::lineCount(int row) const
{
    const ReportFont font = fontOf(m_template.band(ReportBand::Data).items[m_wrapItem]);
    qsizetype lines = 1;
    for (int c = 0; c < m_columnFields.size(); ++c)
        lines = std::max(lines, wrapped(cellText(row, c), font, m_columnWidth[c] - 2 * ReportTextPadding).size());
    return int(lines);
}

double ReportLayout::sliceHeight(int lines) const
{
    return std::max(m_template.band(ReportBand::Data).height, lines * m_lineHeight + 2 * ReportTextPadding);
}

int ReportLayout::linesFitting(double room) const
{
    if (m_template.band(ReportBand::Data).height > room + Slack)
        return 0;
    return std::max(0, int(std::floor((room - 2 * ReportTextPadding) / m_lineHeight + Slack)));
}

int ReportLayout::firstRowOf(int pageIndex) const
{
    return pageIndex == 0 ? 0 : m_firstPageRows + (pageIndex - 1) * m_pageRows;
}

int ReportLayout::rowsOn(int pageIndex) const
{
    const int capacity = pageIndex == 0 ? m_firstPageRows : m_pageRows;
    return qBound(0, m_rowCount - firstRowOf(pageIndex), capacity);
}

QString ReportLayout::cellText(int row, int column) const
{
    return valueText(m_data->value(row, m_columnFields[column]));
}

QString ReportLayout::valueText(const QVariant &value) const
{
    if (value.typeId() == QMetaType::Double)
        return QString::number(value.toDouble(), 'g', 15);
    return value.toString();
}

double ReportLayout::columnSum(int column) const
{
    const auto known = m_sums.constFind(column);
    if (known != m_sums.constEnd())
        return *known;
    const double sum = m_rowCount > 0 ? m_data->columnSum(column) : 0;
    m_sums.insert(column, sum);
    return sum;
}

QString ReportLayout::evaluate(const Expression &expression, int row, int pageIndex) const
{
    QString text;
    for (const Segment &segment : expression) {
        switch (segment.kind) {
        case Segment::Kind::Literal:
            text += segment.text;
            break;
        case Segment::Kind::Field:
            text += valueText(m_data->value(row, segment.column));
            break;
        case Segment::Kind::RowField:
            text += valueText(m_rowValues[segment.source].value(segment.column));
            break;
        case Segment::Kind::Sum:
            text += RoundToText(columnSum(segment.column));
            break;
        case Segment::Kind::Count:
            text += QString::number(m_rowCount);
            break;
        case Segment::Kind::Page:
            text += QString::number(pageIndex + 1);
            break;
        case Segment::Kind::Pages:
            text += QString::number(m_pageCount);
            break;
        case Segment::Kind::Today:
            text += JetSql::dateText(Clock::today());
            break;
        }
    }
    return text;
}

ReportPage ReportLayout::page(int index, bool fitTexts) const
{
    ReportPage page;
    page.number = index + 1;
    page.size = m_template.paper;
    if (index < 0 || index >= m_pageCount)
        return page;
    const auto height = [this](ReportBand::Kind kind) {
        const ReportBand &band = m_template.band(kind);
        return band.present ? band.height : 0.0;
    };
    const auto place = [&](ReportBand::Kind kind, double top, int row) {
        placeBand(page, Placed{kind, top, row, index, fitTexts, height(kind)});
    };
    const double top = m_template.margins.top();
    place(ReportBand::PageHeader, top, -1);
    double y = top + height(ReportBand::PageHeader);
    if (index == 0) {
        place(ReportBand::Title, y, -1);
        y += height(ReportBand::Title);
    }
    place(ReportBand::ColumnHeader, y, -1);
    y += height(ReportBand::ColumnHeader);
    for (const Slice &slice : slicesOn(index)) {
        placeBand(page, Placed{ReportBand::Data, y, slice.row, index, fitTexts, slice.height, slice.from, slice.to});
        y += slice.height;
    }
    if (index == m_summaryPage)
        place(ReportBand::Summary, m_summaryTop, -1);
    place(ReportBand::PageFooter, top + m_template.printableHeight() - height(ReportBand::PageFooter), -1);
    return page;
}

void ReportLayout::placeBand(ReportPage &page, const Placed &where) const
{
    const ReportBand &band = m_template.band(where.band);
    if (!band.present)
        return;
    const double left = m_template.margins.left();
    const double top = where.top;
    for (int i = 0; i < band.items.size(); ++i) {
        const ReportItem &item = band.items[i];
        switch (item.kind) {
        case ReportItem::Kind::Text: {
            const QRectF rect = itemRect(item, top);
            placeText(page, rect, evaluate(m_expressions[size_t(where.band)][i], where.row, where.pageIndex), item,
                      where, -1);
            if (item.border)
                placeBox(page, rect, 0.2);
            break;
        }
        case ReportItem::Kind::Line: {
            const double x2 = item.toRightMargin ? m_template.printableWidth() : item.x + item.width;
            page.lines.append({QLineF(left + item.x, top + item.y, left + x2, top + item.y + item.height), item.lineWidth});
            break;
        }
        case ReportItem::Kind::Headings:
        case ReportItem::Kind::Cells:
        case ReportItem::Kind::Totals:
            placeColumns(page, item, i, where);
            break;
        }
    }
}

QRectF ReportLayout::itemRect(const ReportItem &item, double top) const
{
    const double width = item.toRightMargin ? m_template.printableWidth() - item.x : item.width;
    return QRectF(m_template.margins.left() + item.x, top + item.y, qMax(0.0, width), item.height);
}

ReportFont ReportLayout::fontOf(const ReportItem &item) const
{
    ReportFont font = m_template.font;
    if (item.size > 0)
        font.size = item.size;
    font.bold = item.bold;
    return font;
}

void ReportLayout::placeText(ReportPage &page, const QRectF &rect, const QString &text, const ReportItem &item,
                             const Placed &where, int column) const
{
    const ReportFont font = fontOf(item);
    page.texts.append({rect, where.fit ? fitted(text, font, rect.width() - 2 * ReportTextPadding) : text, font,
                       item.alignment, where.band, where.band == ReportBand::Data ? where.row : -1, column});
}

// The table row of a headings, cells or totals item: one box per column over the band's height.
void ReportLayout::placeColumns(ReportPage &page, const ReportItem &item, int itemIndex, const Placed &where) const
{
    const double height = where.height;
    const double left = m_template.margins.left();
    bool ownTextPlaced = false;
    for (int c = 0; c < m_columnFields.size(); ++c) {
        QString text;
        switch (item.kind) {
        case ReportItem::Kind::Headings:
            text = m_headings[c];
            break;
        case ReportItem::Kind::Cells:
            text = cellText(where.row, c);
            break;
        default:
            if (m_footers[c] == ReportColumn::Footer::Count)
                text = QString::number(m_rowCount) + m_suffixes[c];
            else if (m_footers[c] == ReportColumn::Footer::Sum)
                text = RoundToText(columnSum(m_columnFields[c]));
            else if (!ownTextPlaced) {
                text = evaluate(m_expressions[size_t(where.band)][itemIndex], where.row, where.pageIndex);
                ownTextPlaced = true;
            }
        }
        const QRectF box(left + m_columnX[c], where.top, m_columnWidth[c], height);
        if (item.wrap)
            placeLines(page, box, text, item, where, c);
        else
            placeText(page, box, text, item, where, c);
    }
    if (!item.border || m_columnFields.isEmpty())
        return;
    const double right = left + m_columnX.last() + m_columnWidth.last();
    page.lines.append({QLineF(left, where.top, right, where.top), 0.2});
    page.lines.append({QLineF(left, where.top + height, right, where.top + height), 0.2});
    for (int c = 0; c < m_columnFields.size(); ++c)
        page.lines.append({QLineF(left + m_columnX[c], where.top, left + m_columnX[c], where.top + height), 0.2});
    page.lines.append({QLineF(right, where.top, right, where.top + height), 0.2});
}

// The lines of a wrapping cell that fall on this page, from the top of its box.
void ReportLayout::placeLines(ReportPage &page, const QRectF &box, const QString &text, const ReportItem &item,
                              const Placed &where, int column) const
{
    const ReportFont font = fontOf(item);
    const QStringList lines = wrapped(text, font, box.width() - 2 * ReportTextPadding);
    page.texts.append({box.adjusted(0, ReportTextPadding, 0, -ReportTextPadding),
                       lines.mid(where.from, where.to - where.from).join(QLatin1Char('\n')), font,
                       item.alignment, where.band, where.row, column, true});
}

void ReportLayout::placeBox(ReportPage &page, const QRectF &rect, double width) const
{
    page.lines.append({QLineF(rect.topLeft(), rect.topRight()), width});
    page.lines.append({QLineF(rect.bottomLeft(), rect.bottomRight()), width});
    page.lines.append({QLineF(rect.topLeft(), rect.bottomLeft()), width});
    page.lines.append({QLineF(rect.topRight(), rect.bottomRight()), width});
}

QFontMetricsF ReportLayout::metrics(const ReportFont &font) const
{
    const QString key = font.family + QLatin1Char('/') + QString::number(font.size) + (font.bold ? QStringLiteral("b") : QString());
    auto known = m_metrics.find(key);
    if (known == m_metrics.end())
        known = m_metrics.insert(key, QFontMetricsF(ReportQFont(font), &measuringDevice()));
    return known.value();
}

QString ReportLayout::fitted(const QString &text, const ReportFont &font, double width) const
{
    QString single = text;
    single.replace(QLatin1Char('\n'), QLatin1Char(' ')).replace(QLatin1Char('\r'), QLatin1Char(' '));
    if (single.isEmpty())
        return single;
    if (width <= 0)
        return QString();
    return metrics(font).elidedText(single, Qt::ElideRight, width / 25.4 * ReportMeasureDpi);
}

// Broken where the text's own line breaks are and, within a line, between words or, in a word
// longer than the width, between characters.
QStringList ReportLayout::wrapped(const QString &text, const ReportFont &font, double width) const
{
    QStringList lines;
    if (text.isEmpty())
        return lines;
    QString laid = text;
    laid.replace(QStringLiteral("\r\n"), QChar(QChar::LineSeparator))
        .replace(QLatin1Char('\n'), QChar(QChar::LineSeparator))
        .replace(QLatin1Char('\r'), QChar(QChar::LineSeparator));
    QTextLayout layout(laid, ReportQFont(font), &measuringDevice());
    QTextOption option;
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
        line.setLineWidth(std::max(0.0, width) / 25.4 * ReportMeasureDpi);
        QString piece = laid.mid(line.textStart(), line.textLength());
        if (piece.endsWith(QChar(QChar::LineSeparator)))
            piece.chop(1);
        lines.append(piece);
    }
    layout.endLayout();
    return lines;
}
