#include "data/postgres/PgBooks.h"

#include "data/JetSql.h"
#include "copying/ServerFile.h"

namespace Pg {

QString PgBooks::fromJet(const QString &jet, QString *error) const
{
    return JetSql::toPostgres(jet, error);
}

QString PgBooks::rowIdExpression(const QString &table)
{
    QString key;
    EngineError unread; // no key: the rows are read without one and cannot be changed
    m_link->keyOf(table, &key, &unread);
    return key;
}

std::unique_ptr<BooksConnection> PgBooks::openReader(EngineError *error)
{
    if (std::unique_ptr<Link> idle = m_idleReader->take())
        return std::make_unique<Reader>(std::move(idle), m_idleReader);
    PGconn *conn = connectTo(m_link->server());
    if (PQstatus(conn) != CONNECTION_OK) {
        *error = connectFailure(conn, m_link->server());
        PQfinish(conn);
        return nullptr;
    }
    return std::make_unique<Reader>(std::make_unique<Link>(conn, m_link->server()), m_idleReader);
}

bool PgBooks::copyTo(const QString &target, BooksFile::Failure *failure, const BooksFile::Progress &progress)
{
    return ServerFile::copyToFile(m_link->server(), target, failure, progress);
}

// The condition naming one row by its key (the last of `values`) and, when known, the version it was
// read in.
QString PgBooks::rowCondition(const QString &key, const QVariant &version, QVariantList *values) const
{
    QString condition = QStringLiteral("%1=$%2").arg(name(key)).arg(values->size());
    if (version.isNull())
        return condition;
    values->append(version);
    return condition + QStringLiteral(" AND xmin=$%1").arg(values->size());
}

// A write found no row: gone when its key is no longer there, else changed by someone since it was read.
void PgBooks::tellMissing(const QString &table, const QString &key, qint64 rowId, EngineError *error)
{
    const Result result =
        m_link->query(QStringLiteral("SELECT 1 FROM %1 WHERE %2=$1").arg(name(table), name(key)), {rowId}, error);
    if (result)
        *error = {0, PQntuples(result.get()) > 0 ? EngineText::RowChanged : EngineText::RowGone};
}

QString PgBooks::keyFor(const QString &table, EngineError *error)
{
    QString key;
    if (!m_link->keyOf(table, &key, error))
        return QString();
    if (key.isEmpty())
        *error = {0, QStringLiteral("表 %1 没有主键，记录不能修改").arg(table), EngineError::Kind::Other};
    return key;
}

// The row a write gave back as it is stored now; none means it is no longer there.
bool PgBooks::takeRow(const QString &key, Result result, qint64 *rowId, StoredRow *stored,
                      EngineError *error)
{
    if (!result)
        return false;
    if (PQntuples(result.get()) == 0) {
        *error = {0, EngineText::RowGone};
        return false;
    }
    stored->clear();
    for (int c = 0; c < PQnfields(result.get()); ++c) {
        const QString column = QString::fromUtf8(PQfname(result.get(), c));
        QVariant value;
        if (!PQgetisnull(result.get(), 0, c)) {
            const QByteArray text(PQgetvalue(result.get(), 0, c));
            const Oid type = PQftype(result.get(), c);
            switch (valueKind(type)) {
            case ValueKind::Integer:
                value = type == BoolOid ? qint64(text.startsWith('t') ? 1 : 0) : text.toLongLong();
                break;
            case ValueKind::Real:
                value = text.toDouble();
                break;
            case ValueKind::Bytes:
                value = unescapedBytes(text.constData());
                break;
            case ValueKind::Text:
                value = QString::fromUtf8(text);
            }
        }
        stored->insert(column, value);
    }
    if (rowId)
        *rowId = stored->value(key.toLower()).toLongLong();
    return true;
}

bool PgBooks::insertRow(const QString &table, const Fields &fields, qint64 *rowId, StoredRow *stored,
                        EngineError *error)
{
    const QString key = keyFor(table, error);
    if (key.isEmpty())
        return false;
    QStringList columns, places;
    QVariantList values;
    for (const auto &field : fields) {
        columns.append(name(field.first));
        places.append(QStringLiteral("$%1").arg(places.size() + 1));
        values.append(field.second);
    }
    const QString into = name(table);
    const QString sql = fields.isEmpty()
        ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES RETURNING *, xmin AS %2")
              .arg(into, QLatin1String(RowVersionName))
        : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3) RETURNING *, xmin AS %4")
              .arg(into, columns.join(QLatin1Char(',')), places.join(QLatin1Char(',')),
                   QLatin1String(RowVersionName));
    return takeRow(key, m_link->query(sql, values, error, Waiting::ForBooks), rowId, stored, error);
}

bool PgBooks::updateRow(const QString &table, qint64 rowId, const QVariant &version, const Fields &fields,
                        StoredRow *stored, EngineError *error)
{
    const QString key = keyFor(table, error);
    if (key.isEmpty())
        return false;
    QStringList assignments;
    QVariantList values;
    for (const auto &field : fields) {
        values.append(field.second);
        assignments.append(QStringLiteral("%1=$%2").arg(name(field.first)).arg(values.size()));
    }
    values.append(rowId);
    const QString sql = QStringLiteral("UPDATE %1 SET %2 WHERE %3 RETURNING *, xmin AS %4")
                            .arg(name(table), assignments.join(QLatin1Char(',')), rowCondition(key, version, &values),
                                 QLatin1String(RowVersionName));
    Result result = m_link->query(sql, values, error, Waiting::ForBooks);
    if (result && PQntuples(result.get()) == 0) {
        tellMissing(table, key, rowId, error);
        return false;
    }
    return takeRow(key, std::move(result), nullptr, stored, error);
}

bool PgBooks::deleteRow(const QString &table, qint64 rowId, const QVariant &version, EngineError *error)
{
    const QString key = keyFor(table, error);
    if (key.isEmpty())
        return false;
    QVariantList values{rowId};
    const QString condition = rowCondition(key, version, &values);
    const Result result =
        m_link->query(QStringLiteral("DELETE FROM %1 WHERE %2").arg(name(table), condition), values, error,
                      Waiting::ForBooks);
    if (!result)
        return false;
    if (QByteArray(PQcmdTuples(result.get())) == "0") {
        tellMissing(table, key, rowId, error);
        return false;
    }
    return true;
}

bool PgBooks::acceptsChanges(EngineError *why)
{
    const Result result = m_link->query(
        QStringLiteral("SELECT pg_is_in_recovery() OR current_setting('transaction_read_only') = 'on', "
                       "has_table_privilege('public.moneytable', 'INSERT') "
                       "AND has_table_privilege('public.moneytable', 'UPDATE') "
                       "AND has_table_privilege('public.moneytable', 'DELETE')"),
        {}, why);
    if (!result)
        return false;
    if (QByteArray(PQgetvalue(result.get(), 0, 0)) == "t") {
        *why = {0, QStringLiteral("数据库服务器只允许读取帐簿，改动不能保存。请联系管理员。"), EngineError::Kind::ReadOnly,
                true};
        return false;
    }
    if (QByteArray(PQgetvalue(result.get(), 0, 1)) != "t") {
        *why = {0,
                QStringLiteral("数据库用户“%1”没有修改帐簿的权限，改动不能保存。请联系管理员授予权限。")
                    .arg(m_link->server().user),
                EngineError::Kind::ReadOnly, true};
        return false;
    }
    return true;
}

Link &linkOf(BooksEngine &books)
{
    return dynamic_cast<PgBooks &>(books).link();
}

} // namespace Pg
