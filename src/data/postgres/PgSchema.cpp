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
