#include "changes/ChangeRows.h"

#include "changes/EntryFields.h"

ChangeRows::ChangeRows(ShareDataModule &database, const EntryFields &fields)
    : WindowedQuery(database)
    , m_fields(fields)
{
}

QVariant ChangeRows::value(int row, int column)
{
    const QVariant stored = WindowedQuery::value(row, column);
    if (stored.isNull())
        return stored;
    const QString field = fieldNames().value(column);
    if (field.compare(QLatin1String("ChangeAccount"), Qt::CaseInsensitive) == 0)
        return m_fields.account(stored.toLongLong());
    for (const auto &[side, other] : {std::pair{"ChangeBefore", "ChangeAfter"}, std::pair{"ChangeAfter", "ChangeBefore"}})
        if (field.compare(QLatin1String(side), Qt::CaseInsensitive) == 0)
            return m_fields.pairs(stored.toString(), WindowedQuery::value(row, fieldIndex(QLatin1String(other))).toString());
    return stored;
}
