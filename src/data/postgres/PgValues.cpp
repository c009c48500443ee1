#include "data/postgres/PgValues.h"

#include <QDate>
#include <QDateTime>

#include "data/JetSql.h"

namespace {

// Type oids of the other built-in types the books use (pg_type.h).
constexpr Oid ByteaOid = 17;
constexpr Oid Int8Oid = 20;
constexpr Oid Int2Oid = 21;
constexpr Oid Int4Oid = 23;
constexpr Oid OidOid = 26;
constexpr Oid XidOid = 28;
constexpr Oid Float4Oid = 700;
constexpr Oid Float8Oid = 701;
constexpr Oid NumericOid = 1700;

// A value as the text the server reads for it; a null stays null.
QByteArray parameterText(const QVariant &value, bool *isNull)
{
    *isNull = !value.isValid() || value.isNull();
    if (*isNull)
        return {};
    switch (value.typeId()) {
    case QMetaType::QDate:
        return JetSql::dateText(value.toDate()).toUtf8();
    case QMetaType::QDateTime:
        return value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toUtf8();
    case QMetaType::Bool:
        return value.toBool() ? "1" : "0";
    case QMetaType::Double:
    case QMetaType::Float:
        return QByteArray::number(value.toDouble(), 'g', 17);
    default:
        return value.toString().toUtf8();
    }
}

} // namespace

Pg::ValueKind Pg::valueKind(Oid type)
{
    switch (type) {
    case BoolOid:
    case Int2Oid:
    case Int4Oid:
    case Int8Oid:
    case OidOid:
    case XidOid:
        return ValueKind::Integer;
    case Float4Oid:
    case Float8Oid:
    case NumericOid:
        return ValueKind::Real;
    case ByteaOid:
        return ValueKind::Bytes;
    default:
        return ValueKind::Text;
    }
}

QByteArray Pg::unescapedBytes(const char *text)
{
    size_t size = 0;
    unsigned char *bytes = PQunescapeBytea(reinterpret_cast<const unsigned char *>(text), &size);
    const QByteArray value(reinterpret_cast<const char *>(bytes), qsizetype(size));
    PQfreemem(bytes);
    return value;
}

Pg::Parameters::Parameters(const QVariantList &list)
{
    for (const QVariant &value : list) {
        bool isNull = false;
        texts.append(parameterText(value, &isNull));
        values.push_back(isNull ? nullptr : texts.last().constData());
    }
}

Pg::Result Pg::wrap(PGresult *result)
{
    return Result(result, &PQclear);
}

bool Pg::succeeded(const PGresult *result)
{
    const ExecStatusType status = PQresultStatus(result);
    return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK || status == PGRES_SINGLE_TUPLE;
}
