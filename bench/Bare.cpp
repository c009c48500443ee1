#include "Bare.h"

#include <QFile>
#include <QHash>

#include <cctype>

#include <libpq-fe.h>
#include <sqlite3.h>

#include "data/JetSql.h"

namespace {

class SqliteStatement final : public BareStatement
{
public:
    SqliteStatement(sqlite3 *db, const QByteArray &sql)
        : m_db(db)
    {
        if (sqlite3_prepare_v2(db, sql.constData(), int(sql.size()), &m_statement, nullptr) != SQLITE_OK)
            qFatal("bench: cannot prepare %s: %s", sql.constData(), sqlite3_errmsg(db));
    }
    ~SqliteStatement() override { sqlite3_finalize(m_statement); }
    SqliteStatement(const SqliteStatement &) = delete;
    SqliteStatement &operator=(const SqliteStatement &) = delete;

    double run(const QVariantList &values, int rows, QList<qint64> *firstColumn) override
    {
        sqlite3_reset(m_statement);
        for (int i = 0; i < values.size(); ++i)
            bind(i + 1, values[i]);
        double first = 0;
        int rc = SQLITE_ROW;
        for (int row = 0; row < rows && (rc = sqlite3_step(m_statement)) == SQLITE_ROW; ++row) {
            first = sqlite3_column_double(m_statement, 0);
            if (firstColumn)
                firstColumn->append(sqlite3_column_int64(m_statement, 0));
            for (int column = 0; column < sqlite3_column_count(m_statement); ++column)
                sqlite3_column_text(m_statement, column);
        }
        if (rc != SQLITE_ROW && rc != SQLITE_DONE)
            qFatal("bench: %s", sqlite3_errmsg(m_db));
        return first;
    }

private:
    void bind(int place, const QVariant &value)
    {
        switch (value.typeId()) {
        case QMetaType::Int:
        case QMetaType::LongLong:
            sqlite3_bind_int64(m_statement, place, value.toLongLong());
            break;
        case QMetaType::Double:
            sqlite3_bind_double(m_statement, place, value.toDouble());
            break;
        default: {
            const QByteArray text = value.toString().toUtf8();
            sqlite3_bind_text(m_statement, place, text.constData(), int(text.size()), SQLITE_TRANSIENT);
        }
        }
    }

    sqlite3 *m_db;
    sqlite3_stmt *m_statement = nullptr;
};

class SqliteBare final : public Bare
{
public:
    explicit SqliteBare(const QString &path)
    {
        if (sqlite3_open_v2(QFile::encodeName(path).constData(), &m_db, SQLITE_OPEN_READWRITE, nullptr) != SQLITE_OK)
            qFatal("bench: cannot open the books bare");
        sqlite3_busy_timeout(m_db, 10000);
        sqlite3_exec(m_db, "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
    }
    ~SqliteBare() override { sqlite3_close(m_db); }
    SqliteBare(const SqliteBare &) = delete;
    SqliteBare &operator=(const SqliteBare &) = delete;

    std::unique_ptr<BareStatement> prepare(const QByteArray &sql) override
    {
        return std::make_unique<SqliteStatement>(m_db, sql);
    }
    void begin() override { read("BEGIN IMMEDIATE"); }
    QString dialect(const QString &jet) const override { return JetSql::toSqlite(jet); }
    Dialect engine() const override { return Dialect::Sqlite; }
    QByteArray rowIdOf(const QByteArray &) const override { return "rowid"; }

    void replay(const QList<Traced> &statements) override
    {
        for (const Traced &traced : statements) {
            sqlite3_stmt *statement = nullptr;
            if (sqlite3_prepare_v2(m_db, traced.sql.constData(), int(traced.sql.size()), &statement, nullptr)
                != SQLITE_OK)
                qFatal("bench: cannot replay %s: %s", traced.sql.constData(), sqlite3_errmsg(m_db));
            int rc = SQLITE_ROW;
            for (int step = 0; step <= traced.rows && rc == SQLITE_ROW; ++step)
                rc = sqlite3_step(statement);
            sqlite3_finalize(statement);
            if (rc != SQLITE_DONE && rc != SQLITE_ROW)
                qFatal("bench: replay failed: %s", sqlite3_errmsg(m_db));
        }
    }

private:
    sqlite3 *m_db = nullptr;
};

// ?1, ?2... as $1, $2..., and each bare ? as the next number, outside quoted texts.
QByteArray numbered(const QByteArray &sql)
{
    QByteArray out;
    int next = 0;
    bool quoted = false;
    for (qsizetype i = 0; i < sql.size(); ++i) {
        const char c = sql[i];
        if (c == '\'')
            quoted = !quoted;
        if (c != '?' || quoted) {
            out.append(c);
            continue;
        }
        out.append('$');
        if (i + 1 < sql.size() && std::isdigit(uchar(sql[i + 1])))
            continue;
        out.append(QByteArray::number(++next));
    }
    return out;
}

// Runs `sql` with `values` through the extended protocol, the whole result coming in one piece.
using PgResult = std::unique_ptr<PGresult, decltype(&PQclear)>;

PgResult execute(PGconn *conn, const QByteArray &sql, const QList<QByteArray> &values)
{
    std::vector<const char *> pointers;
    for (const QByteArray &value : values)
        pointers.push_back(value.isNull() ? nullptr : value.constData());
    PgResult result(PQexecParams(conn, sql.constData(), int(pointers.size()), nullptr,
                                 pointers.empty() ? nullptr : pointers.data(), nullptr, nullptr, 0),
                    &PQclear);
    const ExecStatusType status = PQresultStatus(result.get());
    if (status != PGRES_TUPLES_OK && status != PGRES_COMMAND_OK)
        qFatal("bench: %s: %s", sql.constData(), PQerrorMessage(conn));
    return result;
}

class PgStatement final : public BareStatement
{
public:
    PgStatement(PGconn *conn, const QByteArray &sql)
        : m_conn(conn)
        , m_sql(numbered(sql))
    {
    }

    double run(const QVariantList &values, int rows, QList<qint64> *firstColumn) override
    {
        QList<QByteArray> texts;
        for (const QVariant &value : values)
            texts.append(value.typeId() == QMetaType::Double ? QByteArray::number(value.toDouble(), 'g', 17)
                                                             : value.toString().toUtf8());
        const PgResult result = execute(m_conn, m_sql, texts);
        double first = 0;
        for (int row = 0; row < rows && row < PQntuples(result.get()); ++row) {
            first = QByteArray(PQgetvalue(result.get(), row, 0)).toDouble();
            if (firstColumn)
                firstColumn->append(QByteArray(PQgetvalue(result.get(), row, 0)).toLongLong());
            for (int column = 1; column < PQnfields(result.get()); ++column)
                PQgetvalue(result.get(), row, column);
        }
        return first;
    }

private:
    PGconn *m_conn;
    QByteArray m_sql;
};

class PgBare final : public Bare
{
public:
    PgBare(const QString &host, const QString &database)
    {
        const QByteArray hostText = host.toUtf8(), name = database.toUtf8();
        const char *const keys[] = {"host", "dbname", "user", "client_encoding", nullptr};
        const char *const values[] = {hostText.constData(), name.constData(), "kalvora", "UTF8", nullptr};
        m_conn = PQconnectdbParams(keys, values, 0);
        if (PQstatus(m_conn) != CONNECTION_OK)
            qFatal("bench: cannot open the server books bare: %s", PQerrorMessage(m_conn));
    }
    ~PgBare() override { PQfinish(m_conn); }
    PgBare(const PgBare &) = delete;
    PgBare &operator=(const PgBare &) = delete;

    std::unique_ptr<BareStatement> prepare(const QByteArray &sql) override
    {
        return std::make_unique<PgStatement>(m_conn, sql);
    }
    void begin() override { read("BEGIN"); }
    QString dialect(const QString &jet) const override { return JetSql::toPostgres(jet); }
    Dialect engine() const override { return Dialect::Postgres; }
    QByteArray rowIdOf(const QByteArray &table) const override
    {
        if (!m_keys.contains(table)) {
            const PgResult key = execute(m_conn,
                                         "SELECT a.attname FROM pg_catalog.pg_index i JOIN pg_catalog.pg_attribute a "
                                         "ON a.attrelid = i.indrelid AND a.attnum = i.indkey[0] "
                                         "WHERE i.indrelid = to_regclass($1) AND i.indisprimary",
                                         {table});
            m_keys.insert(table, PQgetvalue(key.get(), 0, 0));
        }
        return m_keys.value(table);
    }

    void replay(const QList<Traced> &statements) override
    {
        // Each statement goes by the protocol the program sent it by: the program's own statements may be
        // several in one text, which only the simple protocol takes; everything else goes by the extended
        // one, which refuses a second statement.
        for (const Traced &traced : statements) {
            if (traced.extended) {
                execute(m_conn, traced.sql, traced.values);
                continue;
            }
            const PgResult result(PQexec(m_conn, traced.sql.constData()), &PQclear);
            if (PQresultStatus(result.get()) != PGRES_TUPLES_OK && PQresultStatus(result.get()) != PGRES_COMMAND_OK)
                qFatal("bench: cannot replay %s: %s", traced.sql.constData(), PQerrorMessage(m_conn));
        }
    }

private:
    PGconn *m_conn = nullptr;
    mutable QHash<QByteArray, QByteArray> m_keys;
};

} // namespace

std::unique_ptr<Bare> Bare::onFile(const QString &path)
{
    return std::make_unique<SqliteBare>(path);
}

std::unique_ptr<Bare> Bare::onServer(const QString &host, const QString &database)
{
    return std::make_unique<PgBare>(host, database);
}
