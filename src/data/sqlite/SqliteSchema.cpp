#include "data/sqlite/SqliteSchema.h"

#include "data/SchemaScript.h"

// A resource of a static library is registered only when its initializer is called.
static void registerSqliteResource()
{
    Q_INIT_RESOURCE(sqlite);
}

namespace {

QString partOfScript(const QString &name)
{
    static const QString script = [] {
        registerSqliteResource();
        return SchemaScript::read(QStringLiteral(":/sqlite/Schema.sql"));
    }();
    return SchemaScript::part(script, name);
}

} // namespace

QString SqliteSchema::books()
{
    static const QString part = partOfScript(QStringLiteral("books"));
    return part;
}

QString SqliteSchema::monthTotals()
{
    static const QString part = partOfScript(QStringLiteral("month totals"));
    return part;
}

QString SqliteSchema::changeRecord()
{
    static const QString part = partOfScript(QStringLiteral("change record"));
    return part;
}

QString SqliteSchema::changeOperator()
{
    static const QString part = partOfScript(QStringLiteral("change operator"));
    return part;
}
