#pragma once
#include <QColor>
#include <QList>
#include <QTableView>
#include <optional>

#include "grid/QueryModel.h"

class GridFooter;
class WindowedQuery;

// The read-only data grid of the main window's tabs: the rows of a Query in the 12-pixel CJK font,
// whole-row selection, a row indicator, one footer row aligned with the columns, and a colour rule for
// cell texts. With remembered widths switched on (the record grids), each column remembers the widest
// text drawn in it plus 20 pixels, and a click on the column title widens the column to that; without
// them the columns keep the widths they were given.
class DataGrid : public QTableView
{
    Q_OBJECT
public:
    struct Footer
    {
        enum class Kind { None, Text, Sum, Count };
        Kind kind = Kind::None;
        QString text; // the fixed text, or the suffix after the row count
        Qt::Alignment alignment = Qt::AlignLeft;
        QColor colour;

        static Footer fixedText(const QString &text) { return of(Kind::Text, text); }
        static Footer sum() { return of(Kind::Sum, QString()); }
        static Footer count(const QString &suffix) { return of(Kind::Count, suffix); }
        static Footer of(Kind kind, const QString &text)
        {
            Footer footer;
            footer.kind = kind;
            footer.text = text;
            return footer;
        }
    };

    static constexpr int DefaultColumnWidth = 64;
    static constexpr int WidthMargin = 20;

    explicit DataGrid(QWidget *parent = nullptr);
    ~DataGrid() override;

    // The grid shows this query; call again whenever the query was reopened or closed.
    void setQuery(RowSource *query);
    // The count and sums of the rows came in after their first rows: the rows grow to the count, the
    // current row, the selection and the scroll place stay, and the footers fill.
    void showCountedRows();
    RowSource *query() const { return m_model.query(); }
    QueryModel &model() { return m_model; }

    // Columns. Rebuilding gives one column per field of the open query (or per named field, in the
    // order named), titled with the field name, at the default width, without footer, with a
    // remembered width of 0.
    void clearColumns();
    void rebuildColumns(const QStringList &fields = {});
    int columnCount() const { return m_model.columnCount(); }
    QString fieldName(int column) const { return m_model.fieldName(column); }
    QString title(int column) const { return m_model.column(column).title; }
    void setTitle(int column, const QString &title) { m_model.setTitle(column, title); }
    Qt::Alignment alignment(int column) const { return m_model.column(column).alignment; }
    void setAlignment(int column, Qt::Alignment alignment) { m_model.setAlignment(column, alignment); }
    void setColourRule(QueryModel::ColourRule rule) { m_model.setColourRule(std::move(rule)); }
    QColor cellColour(int row, int column) const;

    // Footer texts are worked out once for each load of the rows, when first shown or asked for.
    void setFooter(int column, const Footer &footer);
    Footer footer(int column) const { return m_footers.value(column); }
    QString footerText(int column) const;

    // Off by default.
    void setRememberedWidths(bool on) { m_remembersWidths = on; }
    bool remembersWidths() const { return m_remembersWidths; }
    int rememberedWidth(int column) const { return m_remembered.value(column); }
    // Called for each cell drawn with the width of its text.
    void noteTextWidth(int column, int textWidth);

protected:
    void updateGeometries() override;

private:
    void resetColumnState(int columns);
    void forgetFooterTexts();
    QString footerValue(int column) const;
    void widenToRemembered(int column);
    void followCurrentRow(const QModelIndex &current);
    void selectFirstRow();
    void fitRowsAboveFooter(int scrolledTo);

    QueryModel m_model;
    GridFooter *m_footer = nullptr;
    QList<Footer> m_footers;
    mutable std::optional<QStringList> m_footerTexts; // none until worked out for the rows loaded
    QList<int> m_remembered;
    bool m_remembersWidths = false;
    bool m_placingFooter = false;
    QMetaObject::Connection m_counted; // to the shown rows' news of their count
    bool m_placeAgain = false;
};

// Rows read in windows that fail after they were opened, the grid scrolled or the count read: the
// grid empties, and the user is told, `message` first.
void closeOnLateFailure(WindowedQuery &rows, DataGrid &grid, const QString &message);
