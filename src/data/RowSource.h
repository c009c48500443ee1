#pragma once
#include <QString>
#include <QStringList>
#include <QVariant>

// Rows of a result as the grids, the printouts and the export read them: by row and column. A Query
// holds its rows; a WindowedQuery reads them from the books as they are asked for.
class RowSource
{
public:
    virtual ~RowSource() = default;

    virtual bool isOpen() const = 0;
    virtual QStringList fieldNames() const = 0;
    virtual int recordCount() = 0;
    // The rows a grid shows without waiting for the whole result to be counted; the first rows while
    // the count is still being read.
    virtual int rowsAtHand() { return recordCount(); }
    // Whether the count and the sums are in, so that recordCount() and columnSum() answer at once.
    virtual bool totalsKnown() const { return true; }
    // Grows rowsAtHand() to the whole count once that is in.
    virtual void showCountedRows() {}
    // An invalid QVariant for an empty field, a row or column out of range.
    virtual QVariant value(int row, int column) = 0;
    // The row the grid showing these rows points at.
    virtual void moveTo(int row) { Q_UNUSED(row); }
    // The sum of a column over every row, however many there are.
    virtual double columnSum(int column);
    // Whether reading the rows failed after they were opened, so that what was read is not the whole
    // result; whoever opened them tells the failure.
    virtual bool readFailed() const { return false; }

    // -1 when the result has no such column; letter case is ignored.
    int fieldIndex(const QString &name) const;
    bool hasField(const QString &name) const { return fieldIndex(name) >= 0; }
};
