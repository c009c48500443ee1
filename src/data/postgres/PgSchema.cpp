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
QString partOfScript(const QString &from, const QString &to)
{
    const QString whole = PgSchema::script();
    const qsizetype begin = whole.indexOf(from);
    const qsizetype end = whole.indexOf(to);
    return begin < 0 || end < begin ? QString() : whole.mid(begin, end - begin);
}

// The lines of the script between "-- <name>: begin" and "-- <name>: end".
QString partOf(const QString &name)
{
    return partOfScript(QStringLiteral("-- %1: begin").arg(name), QStringLiteral("-- %1: end").arg(name));
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

QString PgSchema::changeListOrder()
{
    static const QString part = partOf(QStringLiteral("change list order"));
    return part;
}

QString PgSchema::changeRecord()
{
    static const QString part = partOf(QStringLiteral("change record"));
    return part;
}

QString PgSchema::changeTriggers()
{
    static const QString part =
        partOfScript(QStringLiteral("-- change record: triggers"), QStringLiteral("-- change record: end"));
    return part;
}
