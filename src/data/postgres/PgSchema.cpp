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
// The text of the script from the line `from` up to the line `to`.
QString partOfScript(const char *from, const char *to)
{
    const QString whole = PgSchema::script();
    const qsizetype begin = whole.indexOf(QLatin1String(from));
    const qsizetype end = whole.indexOf(QLatin1String(to));
    return begin < 0 || end < begin ? QString() : whole.mid(begin, end - begin);
}
} // namespace

QString PgSchema::monthTotals()
{
    static const QString part = partOfScript("-- month totals: begin", "-- month totals: end");
    return part;
}

QString PgSchema::changeRecord()
{
    static const QString part = partOfScript("-- change record: begin", "-- change record: end");
    return part;
}

QString PgSchema::changeTriggers()
{
    static const QString part = partOfScript("-- change record: triggers", "-- change record: end");
    return part;
}
