#pragma once
#include <QAbstractTableModel>
#include <QColor>
#include <QList>
#include <functional>

class RowSource;

// A read-only table over the rows of an open result, one column per chosen field. The rows stay in the
// result; the model only reads them when the view asks, so a result of any size costs the view nothing.
class QueryModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    // The colour of a cell's text from its field and value; an invalid colour keeps the default.
    using ColourRule = std::function<QColor(const QString &field, const QVariant &value)>;

    struct Column
    {
        int field = -1; // column of the query
        QString title;
        Qt::Alignment alignment;
    };

    explicit QueryModel(QObject *parent = nullptr);

    // The query was opened, closed or reopened: every row and column is read afresh.
    void setQuery(RowSource *query);
    // The result's count came in after its first rows: the rows grow to it, the ones shown stay.
    void showCountedRows();
    RowSource *query() const { return m_query; }

    // Columns: none, or one per named field of the open query (every field when `fields` is empty),
    // titled with the field name; names the result lacks are left out.
    void clearColumns();
    void columnsFromFields(const QStringList &fields = {});
    const Column &column(int column) const { return m_columns[column]; }
    QString fieldName(int column) const;
    void setTitle(int column, const QString &title);
    void setAlignment(int column, Qt::Alignment alignment);
    void setColourRule(ColourRule rule);

    // The row shown with the indicator in the row header.
    void setCurrentRow(int row);
    int currentRow() const { return m_currentRow; }

    // The value text as the grid shows it: numbers in their shortest form, dates as stored.
    static QString displayText(const QVariant &value);
    QVariant value(int row, int column) const;

    // Every row of the result, which rowCount() reaches once the count is in; waits for the count.
    int countedRows() const;
    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation, int role = Qt::DisplayRole) const override;
    Qt::ItemFlags flags(const QModelIndex &index) const override;

private:
    RowSource *m_query = nullptr;
    QList<Column> m_columns;
    ColourRule m_colourRule;
    int m_currentRow = -1;
};
