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

QString PgSchema::monthTotals()
{
    static const QString part = [] {
        const QString whole = script();
        const QString begin = QStringLiteral("-- month totals: begin");
        const qsizetype from = whole.indexOf(begin);
        const qsizetype to = whole.indexOf(QStringLiteral("-- month totals: end"));
        return from < 0 || to < from ? QString() : whole.mid(from, to - from);
    }();
    return part;
}
