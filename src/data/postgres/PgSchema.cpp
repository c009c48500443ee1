#include "data/postgres/PgSchema.h"

#include "data/SchemaScript.h"

// A resource of a static library is registered only when its initializer is called.
static void registerPostgresResource()
{
    Q_INIT_RESOURCE(postgres);
}

QString PgSchema::script()
{
    static const QString text = [] {
        registerPostgresResource();
        return SchemaScript::read(QStringLiteral(":/postgres/Schema.sql"));
    }();
    return text;
}

QString PgSchema::monthTotals()
{
    static const QString part = SchemaScript::part(script(), QStringLiteral("month totals"));
    return part;
}

QString PgSchema::accountKey()
{
    static const QString part = SchemaScript::part(script(), QStringLiteral("account key"));
    return part;
}

QString PgSchema::changeListOrder()
{
    static const QString part = SchemaScript::part(script(), QStringLiteral("change list order"));
    return part;
}

QString PgSchema::changeRecord()
{
    static const QString part = SchemaScript::part(script(), QStringLiteral("change record"));
    return part;
}

QString PgSchema::changeTriggers()
{
    static const QString part = SchemaScript::between(script(), QStringLiteral("-- change record: triggers"),
                                                      QStringLiteral("-- change record: end"));
    return part;
}
