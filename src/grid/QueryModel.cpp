#include "grid/QueryModel.h"

#include "data/RowSource.h"

QueryModel::QueryModel(QObject *parent)
    : QAbstractTableModel(parent)
{
}

void QueryModel::setQuery(RowSource *query)
{
    beginResetModel();
    m_query = query;
    m_currentRow = -1;
    endResetModel();
}

void QueryModel::showCountedRows()
{
    if (!m_query || !m_query->isOpen() || !m_query->totalsKnown())
        return;
    const int shown = rowCount();
    const int counted = countedRows();
    if (counted <= shown) {
        m_query->showCountedRows();
        return;
    }
    beginInsertRows({}, shown, counted - 1);
    m_query->showCountedRows();
    endInsertRows();
}

void QueryModel::clearColumns()
{
    beginResetModel();
    m_columns.clear();
    m_currentRow = -1;
    endResetModel();
}

void QueryModel::columnsFromFields(const QStringList &fields)
{
    beginResetModel();
    m_columns.clear();
    m_currentRow = -1;
    if (m_query && m_query->isOpen()) {
        const QStringList names = m_query->fieldNames();
        for (const QString &name : fields.isEmpty() ? names : fields) {
            const int field = m_query->fieldIndex(name);
            if (field >= 0)
                m_columns.append({field, names[field], {}});
        }
    }
    endResetModel();
}

QString QueryModel::fieldName(int column) const
{
    return m_query ? m_query->fieldNames().value(m_columns[column].field) : QString();
}

void QueryModel::setTitle(int column, const QString &title)
{
    m_columns[column].title = title;
    emit headerDataChanged(Qt::Horizontal, column, column);
}

void QueryModel::setAlignment(int column, Qt::Alignment alignment)
{
    m_columns[column].alignment = alignment;
    emit headerDataChanged(Qt::Horizontal, column, column);
    if (rowCount() > 0)
        emit dataChanged(index(0, column), index(rowCount() - 1, column), {Qt::TextAlignmentRole});
}

void QueryModel::setColourRule(ColourRule rule)
{
    m_colourRule = std::move(rule);
    if (rowCount() > 0 && columnCount() > 0)
        emit dataChanged(index(0, 0), index(rowCount() - 1, columnCount() - 1), {Qt::ForegroundRole});
}

void QueryModel::setCurrentRow(int row)
{
    const int previous = std::exchange(m_currentRow, row);
    if (previous >= 0 && previous < rowCount())
        emit headerDataChanged(Qt::Vertical, previous, previous);
    if (row >= 0 && row < rowCount())
        emit headerDataChanged(Qt::Vertical, row, row);
}

QString QueryModel::displayText(const QVariant &value)
{
    if (value.typeId() == QMetaType::Double)
        return QString::number(value.toDouble(), 'g', 15);
    return value.toString();
}

QVariant QueryModel::value(int row, int column) const
{
    return m_query->value(row, m_columns[column].field);
}

int QueryModel::rowCount(const QModelIndex &parent) const
{
    if (parent.isValid() || !m_query || !m_query->isOpen() || m_columns.isEmpty())
        return 0;
    return m_query->rowsAtHand();
}

int QueryModel::countedRows() const
{
    if (!m_query || !m_query->isOpen() || m_columns.isEmpty())
        return 0;
    return m_query->recordCount();
}

int QueryModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : int(m_columns.size());
}

QVariant QueryModel::data(const QModelIndex &index, int role) const
{
    if (!checkIndex(index, CheckIndexOption::IndexIsValid | CheckIndexOption::ParentIsInvalid))
        return {};
    const Column &column = m_columns[index.column()];
    switch (role) {
    case Qt::DisplayRole:
        return displayText(value(index.row(), index.column()));
    case Qt::TextAlignmentRole:
        if (column.alignment)
            return int(column.alignment | Qt::AlignVCenter);
        return {};
    case Qt::ForegroundRole:
        if (m_colourRule) {
            const QColor colour = m_colourRule(fieldName(index.column()), value(index.row(), index.column()));
            if (colour.isValid())
                return colour;
        }
        return {};
    default:
        return {};
    }
}

QVariant QueryModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation == Qt::Vertical) {
        // The row indicator: a pointer at the current row, nothing elsewhere.
        if (role == Qt::DisplayRole)
            return section == m_currentRow ? QStringLiteral("▶") : QString();
        if (role == Qt::TextAlignmentRole)
            return int(Qt::AlignCenter);
        return {};
    }
    if (section < 0 || section >= m_columns.size())
        return {};
    if (role == Qt::DisplayRole)
        return m_columns[section].title;
    if (role == Qt::TextAlignmentRole && m_columns[section].alignment)
        return int(m_columns[section].alignment | Qt::AlignVCenter);
    return {};
}

Qt::ItemFlags QueryModel::flags(const QModelIndex &index) const
{
    return index.isValid() ? Qt::ItemIsEnabled | Qt::ItemIsSelectable : Qt::NoItemFlags;
}
