#include "data/RowSource.h"

double RowSource::columnSum(int column)
{
    double sum = 0;
    for (int row = 0, rows = recordCount(); row < rows; ++row)
        sum += value(row, column).toDouble();
    return sum;
}

int RowSource::fieldIndex(const QString &name) const
{
    const QStringList names = fieldNames();
    for (int c = 0; c < names.size(); ++c)
        if (names[c].compare(name, Qt::CaseInsensitive) == 0)
            return c;
    return -1;
}
