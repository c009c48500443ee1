#include "data/postgres/PgSchema.h"

#include <QFile>

// A resource of a static library is registered only when its initializer is called.
static void registerPostgresResource()
{
    Q_INIT_RESOURCE(postgres);
}

QString PgSchema::script()
{
    static const QString text = [] {
        registerPostgresResource();
        QFile file(QStringLiteral(":/postgres/Schema.sql"));
        file.open(QIODevice::ReadOnly);
        return QString::fromUtf8(file.readAll());
    }();
    return text;
}

namespace {

// The lines of the script between "-- <name>: begin" and "-- <name>: end".
QString partOf(const QString &name)
{
    const QString whole = PgSchema::script();
    const qsizetype from = whole.indexOf(QStringLiteral("-- %1: begin").arg(name));
    const qsizetype to = whole.indexOf(QStringLiteral("-- %1: end").arg(name));
    return from < 0 || to < from ? QString() : whole.mid(from, to - from);
}

} // namespace

QString PgSchema::monthTotals()
{
    static const QString part = partOf(QStringLiteral("month totals"));
    return part;
}

QString PgSchema::accountKey()
{
    static const QString part = partOf(QStringLiteral("account key"));
    return part;
}
