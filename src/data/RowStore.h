#pragma once
#include <QByteArray>
#include <QList>
#include <QVariant>

// The rows of a result, packed: each row is one run of bytes in a shared buffer, every value a type
// byte followed by its integer, real, text or blob. A million journal rows take a fraction of what
// lists of QVariants would. Values come back as the statement gave them: qint64, double, QString,
// QByteArray, or an invalid QVariant for an empty field.
class RowStore
{
public:
    void clear();
    qsizetype size() const { return m_starts.size(); }

    // A row as an engine reads it: startRow(), then one put for each column in turn.
    void startRow() { m_starts.append(m_bytes.size()); }
    void putEmpty();
    void putInteger(qint64 value);
    void putReal(double value);
    void putText(const char *utf8, qsizetype size);
    void putBlob(const char *data, qsizetype size);

    void append(const QVariantList &values);
    void replace(qsizetype row, const QVariantList &values);
    void removeAt(qsizetype row) { m_starts.removeAt(row); }
    // Gives back the room left over from growing, once all rows are in.
    void squeeze();

    // The caller keeps row and column within what was stored.
    QVariant value(qsizetype row, int column) const;
    QVariantList row(qsizetype row, int columns) const;

private:
    QByteArray m_bytes;
    QList<qsizetype> m_starts; // where each row begins in m_bytes
};
