#include "data/RowStore.h"

#include <cstring>

namespace {

enum Kind : char { Empty, Integer, Real, Text, Blob };

void putCount(QByteArray &bytes, quint64 count)
{
    while (count >= 0x80) {
        bytes.append(char(count | 0x80));
        count >>= 7;
    }
    bytes.append(char(count));
}

quint64 takeCount(const char *&at)
{
    quint64 count = 0;
    for (int shift = 0;; shift += 7) {
        const auto byte = uchar(*at++);
        count |= quint64(byte & 0x7f) << shift;
        if (!(byte & 0x80))
            return count;
    }
}

// Small numbers of either sign take one or two bytes.
void putIntegerIn(QByteArray &bytes, qint64 value)
{
    bytes.append(Integer);
    putCount(bytes, (quint64(value) << 1) ^ quint64(value >> 63));
}

void putRealIn(QByteArray &bytes, double value)
{
    bytes.append(Real);
    char raw[sizeof value];
    std::memcpy(raw, &value, sizeof value);
    bytes.append(raw, sizeof value);
}

void putRun(QByteArray &bytes, Kind kind, const char *data, qsizetype size)
{
    bytes.append(kind);
    putCount(bytes, quint64(size));
    bytes.append(data, size);
}

void putVariant(QByteArray &bytes, const QVariant &value)
{
    if (!value.isValid() || value.isNull()) {
        bytes.append(Empty);
        return;
    }
    switch (value.typeId()) {
    case QMetaType::LongLong:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::Bool:
        putIntegerIn(bytes, value.toLongLong());
        return;
    case QMetaType::Double:
        putRealIn(bytes, value.toDouble());
        return;
    case QMetaType::QByteArray: {
        const QByteArray blob = value.toByteArray();
        putRun(bytes, Blob, blob.constData(), blob.size());
        return;
    }
    default: {
        const QByteArray text = value.toString().toUtf8();
        putRun(bytes, Text, text.constData(), text.size());
        return;
    }
    }
}

// Reads the value at `at` and moves past it.
QVariant takeValue(const char *&at)
{
    const Kind kind = Kind(*at++);
    switch (kind) {
    case Integer: {
        const quint64 zigzag = takeCount(at);
        return QVariant(qint64(zigzag >> 1) ^ -qint64(zigzag & 1));
    }
    case Real: {
        double value;
        std::memcpy(&value, at, sizeof value);
        at += sizeof value;
        return QVariant(value);
    }
    case Text:
    case Blob: {
        const auto size = qsizetype(takeCount(at));
        const char *data = at;
        at += size;
        return kind == Text ? QVariant(QString::fromUtf8(data, size)) : QVariant(QByteArray(data, size));
    }
    case Empty:
        break;
    }
    return {};
}

void skipValue(const char *&at)
{
    switch (Kind(*at++)) {
    case Integer:
        takeCount(at);
        return;
    case Real:
        at += sizeof(double);
        return;
    case Text:
    case Blob:
        at += qsizetype(takeCount(at));
        return;
    case Empty:
        return;
    }
}

} // namespace

void RowStore::clear()
{
    m_bytes.clear();
    m_starts.clear();
}

void RowStore::putEmpty()
{
    m_bytes.append(Empty);
}

void RowStore::putInteger(qint64 value)
{
    putIntegerIn(m_bytes, value);
}

void RowStore::putReal(double value)
{
    putRealIn(m_bytes, value);
}

void RowStore::putText(const char *utf8, qsizetype size)
{
    putRun(m_bytes, Text, utf8, size);
}

void RowStore::putBlob(const char *data, qsizetype size)
{
    putRun(m_bytes, Blob, data, size);
}

void RowStore::append(const QVariantList &values)
{
    startRow();
    for (const QVariant &value : values)
        putVariant(m_bytes, value);
}

void RowStore::replace(qsizetype row, const QVariantList &values)
{
    // The new values go to the end; the old run stays unused until the store is cleared.
    append(values);
    m_starts[row] = m_starts.last();
    m_starts.removeLast();
}

void RowStore::squeeze()
{
    m_bytes.squeeze();
    m_starts.squeeze();
}

QVariant RowStore::value(qsizetype row, int column) const
{
    const char *at = m_bytes.constData() + m_starts[row];
    for (int skipped = 0; skipped < column; ++skipped)
        skipValue(at);
    return takeValue(at);
}

QVariantList RowStore::row(qsizetype row, int columns) const
{
    QVariantList values;
    values.reserve(columns);
    const char *at = m_bytes.constData() + m_starts[row];
    for (int column = 0; column < columns; ++column)
        values.append(takeValue(at));
    return values;
}
