#include "grid/DataGrid.h"

#include <QHeaderView>
#include <climits>
#include <QPainter>
#include <QProxyStyle>
#include <QScrollBar>
#include <QStyledItemDelegate>

#include "data/Helpers.h"
#include "data/RowSource.h"
#include "data/WindowedQuery.h"
#include "ui/CjkFont.h"

namespace {
// Text sits 1 pixel from the cell's edges, as in the grids the column widths were laid out for, so
// a date or a six-digit amount with cents fits its column.
constexpr int TextMargin = 1;

} // namespace

// The footer row: one cell under each column, moving with the columns when they scroll or resize.
class GridFooter : public QWidget
{
public:
    explicit GridFooter(DataGrid *grid)
        : QWidget(grid)
        , m_grid(grid)
    {
    }

protected:
    void paintEvent(QPaintEvent *) override
    {
        QPainter painter(this);
        const QColor line = palette().color(QPalette::Mid);
        painter.fillRect(rect(), palette().color(QPalette::Button));
        const QHeaderView *header = m_grid->horizontalHeader();
        const int offset = m_grid->viewport()->x() - x();
        painter.setPen(line);
        painter.drawLine(0, 0, width(), 0);
        painter.drawLine(offset - 1, 0, offset - 1, height());
        painter.setClipRect(offset, 0, width() - offset, height());
        for (int column = 0; column < m_grid->columnCount(); ++column) {
            if (header->isSectionHidden(column))
                continue;
            const QRect cell(offset + header->sectionViewportPosition(column), 1, header->sectionSize(column),
                             height() - 1);
            if (cell.right() < offset || cell.left() > width())
                continue;
            painter.setPen(line);
            painter.drawLine(cell.topRight(), cell.bottomRight());
            const DataGrid::Footer footer = m_grid->footer(column);
            painter.setPen(footer.colour.isValid() ? footer.colour : palette().color(QPalette::ButtonText));
            const QRect text = cell.adjusted(TextMargin, 0, -TextMargin, 0);
            painter.drawText(text, int(footer.alignment | Qt::AlignVCenter),
                             fontMetrics().elidedText(m_grid->footerText(column), Qt::ElideRight, text.width()));
        }
    }

private:
    DataGrid *m_grid;
};

namespace {

class NarrowCellMargins : public QProxyStyle
{
public:
    int pixelMetric(PixelMetric metric, const QStyleOption *option, const QWidget *widget) const override
    {
        if (metric == PM_FocusFrameHMargin)
            return TextMargin - 1; // the item view adds one pixel to it
        return QProxyStyle::pixelMetric(metric, option, widget);
    }
};

// Draws cells as usual and reports each text's width, for the remembered widths.
class MeasuringDelegate : public QStyledItemDelegate
{
public:
    explicit MeasuringDelegate(DataGrid *grid)
        : QStyledItemDelegate(grid)
        , m_grid(grid)
    {
    }

    void paint(QPainter *painter, const QStyleOptionViewItem &option, const QModelIndex &index) const override
    {
        QStyledItemDelegate::paint(painter, option, index);
        if (!m_grid->remembersWidths())
            return;
        const QString text = index.data(Qt::DisplayRole).toString();
        m_grid->noteTextWidth(index.column(), m_grid->fontMetrics().horizontalAdvance(text));
    }

private:
    DataGrid *m_grid;
};

} // namespace

DataGrid::DataGrid(QWidget *parent)
    : QTableView(parent)
    , m_footer(new GridFooter(this))
{
    setFont(CjkFont());
    auto *cellStyle = new NarrowCellMargins;
    cellStyle->setParent(this);
    setStyle(cellStyle);
    setModel(&m_model);
    setItemDelegate(new MeasuringDelegate(this));
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setShowGrid(true);
    setWordWrap(false);
    setTabKeyNavigation(false);

    const int rowHeight = fontMetrics().height() + 6;
    QHeaderView *rows = verticalHeader();
    rows->setSectionResizeMode(QHeaderView::Fixed);
    rows->setDefaultSectionSize(rowHeight);
    rows->setMinimumSectionSize(rowHeight);
    rows->setFixedWidth(14);
    rows->setSectionsClickable(false);

    QHeaderView *titles = horizontalHeader();
    titles->setDefaultSectionSize(DefaultColumnWidth);
    titles->setSectionResizeMode(QHeaderView::Interactive);
    titles->setSectionsClickable(true);
    titles->setHighlightSections(false);
    titles->setStretchLastSection(false);

    m_footer->setFixedHeight(rowHeight);
    connect(titles, &QHeaderView::sectionClicked, this, &DataGrid::widenToRemembered);
    connect(titles, &QHeaderView::sectionResized, m_footer, qOverload<>(&QWidget::update));
    connect(horizontalScrollBar(), &QScrollBar::valueChanged, m_footer, qOverload<>(&QWidget::update));
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this, &DataGrid::followCurrentRow);
    // New rows start at the top, shown or not.
    connect(&m_model, &QAbstractItemModel::modelReset, this, [this] {
        forgetFooterTexts();
        scrollToTop();
        selectFirstRow();
    });
}

DataGrid::~DataGrid() = default;

void DataGrid::setQuery(RowSource *query)
{
    m_model.setQuery(query);
    // Rows read in windows are counted after their first rows are shown.
    disconnect(m_counted);
    if (auto *windowed = dynamic_cast<WindowedQuery *>(query))
        m_counted = connect(windowed, &WindowedQuery::totalsArrived, this, &DataGrid::showCountedRows);
}

void DataGrid::showCountedRows()
{
    m_model.showCountedRows();
    forgetFooterTexts();
}

void DataGrid::clearColumns()
{
    resetColumnState(0);
    m_model.clearColumns();
}

void DataGrid::rebuildColumns(const QStringList &fields)
{
    m_model.columnsFromFields(fields);
    resetColumnState(m_model.columnCount());
    // The header keeps the sizes of earlier columns across a reset; new columns start at the default.
    for (int column = 0; column < columnCount(); ++column)
        setColumnWidth(column, DefaultColumnWidth);
}

void DataGrid::resetColumnState(int columns)
{
    m_footers = QList<Footer>(columns);
    m_remembered = QList<int>(columns, 0);
    forgetFooterTexts();
}

QColor DataGrid::cellColour(int row, int column) const
{
    return m_model.data(m_model.index(row, column), Qt::ForegroundRole).value<QColor>();
}

void DataGrid::setFooter(int column, const Footer &footer)
{
    m_footers[column] = footer;
    forgetFooterTexts();
}

void DataGrid::forgetFooterTexts()
{
    m_footerTexts.reset();
    m_footer->update();
}

QString DataGrid::footerText(int column) const
{
    if (!m_footerTexts) {
        m_footerTexts.emplace();
        for (int each = 0; each < columnCount(); ++each)
            m_footerTexts->append(footerValue(each));
    }
    return m_footerTexts->value(column);
}

QString DataGrid::footerValue(int column) const
{
    const Footer footer = m_footers.value(column);
    // The count and sums are left blank while they are still being read.
    const bool counted = !m_model.query() || !m_model.query()->isOpen() || m_model.query()->totalsKnown();
    if (!counted && (footer.kind == Footer::Kind::Count || footer.kind == Footer::Kind::Sum))
        return {};
    switch (footer.kind) {
    case Footer::Kind::Text:
        return footer.text;
    case Footer::Kind::Count:
        return QString::number(m_model.countedRows()) + footer.text;
    case Footer::Kind::Sum: {
        // Over every row of the result, not only the rows on screen; shown rounded like every amount.
        if (m_model.countedRows() == 0)
            return RoundToText(0);
        return RoundToText(m_model.query()->columnSum(m_model.column(column).field));
    }
    case Footer::Kind::None:
        break;
    }
    return {};
}

void DataGrid::noteTextWidth(int column, int textWidth)
{
    if (column >= 0 && column < m_remembered.size() && textWidth > m_remembered[column])
        m_remembered[column] = textWidth + WidthMargin;
}

void DataGrid::widenToRemembered(int column)
{
    if (m_remembersWidths && column >= 0 && column < m_remembered.size() && columnWidth(column) < m_remembered[column])
        setColumnWidth(column, m_remembered[column]);
}

void DataGrid::followCurrentRow(const QModelIndex &current)
{
    const int row = current.isValid() ? current.row() : -1;
    m_model.setCurrentRow(row);
    if (row >= 0 && query())
        query()->moveTo(row);
}

void DataGrid::selectFirstRow()
{
    if (m_model.rowCount() > 0 && m_model.columnCount() > 0)
        setCurrentIndex(m_model.index(0, 0));
}

// The table lays out the row indicators and works out how far it scrolls for the rows area without
// the footer, which would put the last row under it. Every row has the same height, so the rows that
// fit above the footer are the viewport's height over a row's; at the end the last row ends at the
// footer. `scrolledTo` is the first row to show (INT_MAX: the end).
void DataGrid::fitRowsAboveFooter(int scrolledTo)
{
    const QRect rowsArea = viewport()->geometry();
    QHeaderView *indicators = verticalHeader();
    indicators->setGeometry(indicators->x(), rowsArea.top(), indicators->width(), rowsArea.height());
    const int rows = m_model.rowCount();
    const int fitting = qMin(rows, rowsArea.height() / qMax(1, indicators->defaultSectionSize()));
    QScrollBar *bar = verticalScrollBar();
    bar->setRange(0, rows - fitting);
    bar->setPageStep(fitting);
    bar->setValue(qMin(scrolledTo, bar->maximum()));
    if (bar->maximum() > 0 && bar->value() == bar->maximum())
        indicators->setOffsetToLastSection();
    else
        indicators->setOffsetToSectionPosition(bar->value());
}

void DataGrid::updateGeometries()
{
    // The table sets its own margins for the headers; the footer takes a row's height under the rows.
    // Placing it can show or hide a scroll bar, which asks for the layout again: that is done here,
    // a few times at most, so that scroll bars that come and go cannot keep it busy.
    if (m_placingFooter) {
        m_placeAgain = true;
        return;
    }
    m_placingFooter = true;
    // The table's own pass reckons with the footer's room as rows: the place scrolled to is kept.
    const QScrollBar *bar = verticalScrollBar();
    const int scrolledTo = bar->maximum() > 0 && bar->value() == bar->maximum() ? INT_MAX : bar->value();
    for (int pass = 0; pass < 3; ++pass) {
        m_placeAgain = false;
        QTableView::updateGeometries();
        const QMargins margins = viewportMargins();
        if (margins.bottom() != m_footer->height())
            setViewportMargins(margins.left(), margins.top(), margins.right(), m_footer->height());
        fitRowsAboveFooter(scrolledTo);
        if (!m_placeAgain)
            break;
    }
    const QRect area = viewport()->geometry();
    m_footer->setGeometry(frameWidth(), area.bottom() + 1, area.right() + 1 - frameWidth(), m_footer->height());
    m_footer->raise();
    m_footer->update();
    m_placingFooter = false;
}

void closeOnLateFailure(WindowedQuery &rows, DataGrid &grid, const QString &message)
{
    rows.setLateFailureReport([&rows, &grid, message] {
        const EngineError failure = rows.lastFailure();
        rows.close();
        grid.setQuery(&rows);
        ReportFailure(message, failure);
    });
}
