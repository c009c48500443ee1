#include "data/postgres/PgChangeRecord.h"

#include <QJsonDocument>
#include <QJsonObject>
#include <QScopeGuard>
#include <QSet>
#include <limits>

#include "data/ChangeRecord.h"
#include "data/DeliveredBooks.h"
#include "data/postgres/PgLink.h"
#include "data/postgres/PgSchema.h"

using Pg::Link;
using Pg::Result;

bool PgChangeRecord::add(Link &link, const BooksFile::Progress &progress, EngineError *error)
{
    const auto finished = qScopeGuard([&progress] {
        if (progress)
            progress(100);
    });
    const auto &tables = ChangeRecord::coveredTables();
    bool added = link.begin(BooksConnection::Intent::Write, error) && link.run(PgSchema::changeRecord(), error);
    for (int i = 0; added && i < tables.size(); ++i) {
        added = link.run(ChangeRecord::baselineStatement(Dialect::Postgres, tables[i],
                                                         std::numeric_limits<qint64>::min() + 1,
                                                         std::numeric_limits<qint64>::max()),
                         error);
        if (progress)
            progress(int((i + 1) * 100 / tables.size()));
    }
    if (added
        && link.run(QStringLiteral("UPDATE public.BooksVersion SET SchemaVersion = %1").arg(DeliveredBooks::SchemaVersion),
                    error)
        && link.commit(error))
        return true;
    link.rollback();
    return false;
}

bool PgChangeRecord::missingTriggers(Link &link, QStringList *missing, EngineError *error)
{
    missing->clear();
    const Result present = link.query(
        QStringLiteral("SELECT tgname FROM pg_catalog.pg_trigger WHERE NOT tgisinternal AND tgenabled <> 'D'"
                       " AND tgname LIKE 'changelog%'"),
        {}, error);
    if (!present)
        return false;
    QSet<QString> names;
    for (int row = 0; row < PQntuples(present.get()); ++row)
        names.insert(QString::fromUtf8(PQgetvalue(present.get(), row, 0)));
    for (const QString &name : ChangeRecord::triggerNames(Dialect::Postgres))
        if (!names.contains(name))
            missing->append(name);
    return true;
}

bool PgChangeRecord::restoreTriggers(Link &link, const QStringList &restored, EngineError *error)
{
    const QString after = QString::fromUtf8(
        QJsonDocument(QJsonObject{{QStringLiteral("触发器"), restored.join(QStringLiteral("、"))}})
            .toJson(QJsonDocument::Compact));
    QString drop;
    for (const QString &name : ChangeRecord::triggerNames(Dialect::Postgres)) {
        const QString table = name.startsWith(QLatin1String("changelogkeep")) ? QStringLiteral("changelog")
                                                                               : name.mid(int(qstrlen("changelog")));
        drop += QStringLiteral("DROP TRIGGER IF EXISTS %1 ON %2;").arg(name, table);
    }
    if (link.begin(BooksConnection::Intent::Write, error)
        && link.run(QStringLiteral("SET LOCAL client_min_messages = warning;") + drop + PgSchema::changeTriggers(),
                    error)
        && link.query(QStringLiteral("SELECT change_log_write($1, $2, NULL, NULL, NULL, $3::jsonb)"),
                      {ChangeRecord::Kind::Restored, QLatin1String(ChangeRecord::Table), after}, error)
        && link.commit(error))
        return true;
    link.rollback();
    return false;
}
