#pragma once
#include <QByteArray>
#include <QList>
#include <QVariant>
#include <memory>
#include <vector>

#include <libpq-fe.h>

// Values between the data layer and libpq: the text the server reads for a value, how a column's type
// is held, and the results of statements.
namespace Pg {

// The type oid of boolean, which the data layer holds as 0/1 (pg_type.h).
constexpr Oid BoolOid = 16;

// How the data layer holds a value of a type: booleans as 0/1, dates and the rest as text; citext and
// other types read as text.
enum class ValueKind { Integer, Real, Bytes, Text };
ValueKind valueKind(Oid type);

// A bytea value from its text form.
QByteArray unescapedBytes(const char *text);

// Parameters of a statement as the text the server reads for each (a null stays null), kept alive
// while libpq reads them.
struct Parameters
{
    QList<QByteArray> texts;
    std::vector<const char *> values;

    explicit Parameters(const QVariantList &list);
    int count() const { return int(values.size()); }
    const char *const *data() const { return values.empty() ? nullptr : values.data(); }
};

using Result = std::unique_ptr<PGresult, decltype(&PQclear)>;

Result wrap(PGresult *result);
bool succeeded(const PGresult *result);

} // namespace Pg
