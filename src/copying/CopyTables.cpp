#include "copying/CopyTables.h"

#include <QDate>
#include <QHash>
#include <QLocale>
#include <QRegularExpression>

#include <cmath>
#include <libpq-fe.h>
#include <limits>
#include <memory>
#include <sqlite3.h>

#include "data/ChangeRecord.h"
#include "data/DeliveredBooks.h"
#include "data/MonthTotals.h"
#include "data/postgres/PgSchema.h"

namespace {

using Result = std::unique_ptr<PGresult, decltype(&PQclear)>;

Result exec(pg_conn *server, const QString &sql, const QList<QByteArray> &values = {})
{
    std::vector<const char *> pointers;
    for (const QByteArray &value : values)
        pointers.push_back(value.constData());
    return Result(PQexecParams(server, sql.toUtf8().constData(), int(pointers.size()), nullptr,
                               pointers.empty() ? nullptr : pointers.data(), nullptr, nullptr, 0),
                  &PQclear);
}

bool succeeded(const PGresult *result)
{
    const ExecStatusType status = PQresultStatus(result);
    return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK;
}

QString serverText(pg_conn *server, const PGresult *result)
{
    const char *message = result ? PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
    const char *detail = result ? PQresultErrorField(result, PG_DIAG_MESSAGE_DETAIL) : nullptr;
    QString text = message ? QString::fromUtf8(message) : QString::fromUtf8(PQerrorMessage(server)).trimmed();
    if (detail)
        text += QLatin1Char(' ') + QString::fromUtf8(detail);
    return text;
}

// The rows of a query as text; false with the server's text.
bool rows(pg_conn *server, const QString &sql, QList<QStringList> *found, QString *error,
          const QList<QByteArray> &values = {})
{
    const Result result = exec(server, sql, values);
    if (!succeeded(result.get())) {
        *error = serverText(server, result.get());
        return false;
    }
    found->clear();
    for (int row = 0; row < PQntuples(result.get()); ++row) {
        QStringList fields;
        for (int column = 0; column < PQnfields(result.get()); ++column)
            fields.append(PQgetisnull(result.get(), row, column)
                              ? QString()
                              : QString::fromUtf8(PQgetvalue(result.get(), row, column)));
        found->append(fields);
    }
    return true;
}

CopyTables::Kind kindOf(const QString &type)
{
    if (type == u"integer" || type == u"bigint" || type == u"smallint")
        return CopyTables::Kind::Integer;
    if (type == u"double precision" || type == u"real" || type.startsWith(u"numeric"))
        return CopyTables::Kind::Real;
    if (type == u"date")
        return CopyTables::Kind::Date;
    if (type == u"boolean")
        return CopyTables::Kind::Boolean;
    return CopyTables::Kind::Text;
}

// A statement on the file, finalized when it goes.
struct FileStatement
{
    sqlite3_stmt *statement = nullptr;
    ~FileStatement() { sqlite3_finalize(statement); }
};

bool prepare(sqlite3 *file, const QString &sql, FileStatement *into, QString *error)
{
    if (sqlite3_prepare_v2(file, sql.toUtf8().constData(), -1, &into->statement, nullptr) == SQLITE_OK)
        return true;
    *error = QString::fromUtf8(sqlite3_errmsg(file));
    return false;
}

// The first number a statement on the file gives; 0 when it gives no row.
bool fileNumber(sqlite3 *file, const QString &sql, qint64 *value, QString *error)
{
    FileStatement query;
    if (!prepare(file, sql, &query, error))
        return false;
    const int rc = sqlite3_step(query.statement);
    if (rc != SQLITE_ROW && rc != SQLITE_DONE) {
        *error = QString::fromUtf8(sqlite3_errmsg(file));
        return false;
    }
    *value = rc == SQLITE_ROW ? sqlite3_column_int64(query.statement, 0) : 0;
    return true;
}

using CopyTables::quotedName;

// Where a row of the file is: its place in the table's order and its record number.
QString rowName(const QString &table, qint64 place, qint64 rowId)
{
    return QStringLiteral("数据表 %1 第 %2 行（编号 %3）").arg(table).arg(place).arg(rowId);
}

// A text as COPY's text format carries it.
void appendEscaped(QByteArray &line, const char *text, int size)
{
    for (int i = 0; i < size; ++i) {
        const char c = text[i];
        switch (c) {
        case '\\':
            line += "\\\\";
            break;
        case '\t':
            line += "\\t";
            break;
        case '\n':
            line += "\\n";
            break;
        case '\r':
            line += "\\r";
            break;
        default:
            line += c;
        }
    }
}

// Whether `text` is a day of the calendar written yyyy-MM-dd. Checked byte by byte: it runs for every
// day of every record.
bool isDay(const char *text, int size)
{
    if (size != 10 || text[4] != '-' || text[7] != '-')
        return false;
    int parts[3] = {0, 0, 0};
    for (int i = 0, part = 0; i < size; ++i) {
        if (i == 4 || i == 7) {
            ++part;
            continue;
        }
        if (text[i] < '0' || text[i] > '9')
            return false;
        parts[part] = parts[part] * 10 + (text[i] - '0');
    }
    return QDate(parts[0], parts[1], parts[2]).isValid();
}

// The file's value as an integer the server's integer fields hold; false for anything else. A real is
// checked as a real before it is cast: the cast of one beyond 64 bits, NaN or an infinity is undefined.
bool fieldInteger(sqlite3_stmt *row, int at, qint64 *value)
{
    constexpr qint64 least = std::numeric_limits<qint32>::min(), most = std::numeric_limits<qint32>::max();
    switch (sqlite3_column_type(row, at)) {
    case SQLITE_INTEGER:
        *value = sqlite3_column_int64(row, at);
        return *value >= least && *value <= most;
    case SQLITE_FLOAT: {
        const double real = sqlite3_column_double(row, at);
        if (!(std::trunc(real) == real && real >= double(least) && real <= double(most)))
            return false;
        *value = qint64(real);
        return true;
    }
    default:
        return false;
    }
}

// The value of `column` of the file's current row as the server takes it; empty with *why when the
// server's column cannot hold it.
bool appendValue(QByteArray &line, sqlite3_stmt *row, int at, const CopyTables::Column &column, QString *why)
{
    const int type = sqlite3_column_type(row, at);
    if (type == SQLITE_NULL) {
        line += "\\N";
        return true;
    }
    const auto text = [row, at] {
        return QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(row, at)),
                                 sqlite3_column_bytes(row, at));
    };
    switch (column.kind) {
    case CopyTables::Kind::Integer: {
        qint64 value = 0;
        if (!fieldInteger(row, at, &value)) {
            *why = QStringLiteral("不是整数：“%1”").arg(text());
            return false;
        }
        line += QByteArray::number(value);
        return true;
    }
    case CopyTables::Kind::Real:
    case CopyTables::Kind::Boolean: {
        const double value = sqlite3_column_double(row, at);
        if ((type != SQLITE_INTEGER && type != SQLITE_FLOAT) || !std::isfinite(value)) {
            *why = QStringLiteral("不是数字：“%1”").arg(text());
            return false;
        }
        if (column.kind == CopyTables::Kind::Boolean)
            line += value != 0 ? "t" : "f";
        else
            line += type == SQLITE_INTEGER ? QByteArray::number(sqlite3_column_int64(row, at))
                                           : QByteArray::number(value, 'g', 17);
        return true;
    }
    case CopyTables::Kind::Date: {
        const char *day = reinterpret_cast<const char *>(sqlite3_column_text(row, at));
        if (type != SQLITE_TEXT || !isDay(day, sqlite3_column_bytes(row, at))) {
            *why = QStringLiteral("不是 yyyy-MM-dd 形式的日期：“%1”").arg(text());
            return false;
        }
        line.append(day, 10);
        return true;
    }
    case CopyTables::Kind::Text:
        appendEscaped(line, reinterpret_cast<const char *>(sqlite3_column_text(row, at)), sqlite3_column_bytes(row, at));
        return true;
    }
    return true;
}

// The record number of the `place`th row of a file table.
qint64 rowIdAt(sqlite3 *file, const QString &table, qint64 place)
{
    qint64 rowId = 0;
    QString ignored;
    fileNumber(file, QStringLiteral("SELECT rowid FROM %1 ORDER BY rowid LIMIT 1 OFFSET %2").arg(quotedName(table)).arg(place - 1),
               &rowId, &ignored);
    return rowId;
}

// Why the server refused the rows of a COPY: the row it names, by the line it counts.
QString copyRefusal(pg_conn *server, const PGresult *result, sqlite3 *file, const QString &table)
{
    const QString text = serverText(server, result);
    const char *context = result ? PQresultErrorField(result, PG_DIAG_CONTEXT) : nullptr;
    static const QRegularExpression lineOf(QStringLiteral("line (\\d+)"));
    const QRegularExpressionMatch line = lineOf.match(QString::fromUtf8(context ? context : ""));
    if (!line.hasMatch())
        return QStringLiteral("数据表 %1 不能存入服务器：%2").arg(table, text);
    const qint64 place = line.captured(1).toLongLong();
    const char *state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    QString why = text;
    if (state && qstrcmp(state, "23505") == 0)
        why = QStringLiteral("编号与前面的行重复（%1）").arg(text);
    else if (state && qstrcmp(state, "23502") == 0)
        why = QStringLiteral("编号为空（%1）").arg(text);
    return rowName(table, place, rowIdAt(file, table, place)) + QStringLiteral("不能存入服务器：") + why;
}

// Sends the rows of one file table to the server's table of the same name.
bool copyTable(pg_conn *server, sqlite3 *file, const CopyTables::Table &table, qint64 *sent, QString *error,
               const std::function<void(qint64)> &rowDone)
{
    QStringList selected{QStringLiteral("rowid")};
    QStringList columns;
    QList<int> places;
    for (const CopyTables::Column &column : table.columns) {
        columns.append(column.name);
        if (column.fromRowId) {
            places.append(0);
        } else {
            places.append(int(selected.size()));
            selected.append(quotedName(column.name));
        }
    }
    FileStatement reading;
    if (!prepare(file,
                 QStringLiteral("SELECT %1 FROM %2 ORDER BY rowid").arg(selected.join(u','), quotedName(table.name)),
                 &reading, error))
        return false;
    const Result started = exec(server, QStringLiteral("COPY %1 (%2) FROM STDIN").arg(table.name, columns.join(u',')));
    if (PQresultStatus(started.get()) != PGRES_COPY_IN) {
        *error = QStringLiteral("数据表 %1 不能存入服务器：%2").arg(table.name, serverText(server, started.get()));
        return false;
    }
    constexpr int Chunk = 1 << 20;
    QByteArray buffer;
    buffer.reserve(Chunk + 4096);
    QString refused;
    qint64 place = 0;
    int rc = SQLITE_ROW;
    bool sending = true;
    while (sending && (rc = sqlite3_step(reading.statement)) == SQLITE_ROW) {
        ++place;
        for (int i = 0; i < table.columns.size(); ++i) {
            if (i > 0)
                buffer += '\t';
            QString why;
            if (!appendValue(buffer, reading.statement, places[i], table.columns[i], &why)) {
                refused = rowName(table.name, place, sqlite3_column_int64(reading.statement, 0))
                    + QStringLiteral("的字段 %1 ").arg(table.columns[i].name) + why;
                sending = false;
                break;
            }
        }
        buffer += '\n';
        if (buffer.size() >= Chunk) {
            sending = sending && PQputCopyData(server, buffer.constData(), int(buffer.size())) == 1;
            buffer.clear();
        }
        if (rowDone)
            rowDone(place);
    }
    if (refused.isEmpty() && rc != SQLITE_ROW && rc != SQLITE_DONE)
        refused = QStringLiteral("读取本机帐簿的数据表 %1 出错：%2").arg(table.name, QString::fromUtf8(sqlite3_errmsg(file)));
    if (refused.isEmpty() && !buffer.isEmpty())
        PQputCopyData(server, buffer.constData(), int(buffer.size()));
    PQputCopyEnd(server, refused.isEmpty() ? nullptr : "refused");
    Result ended(PQgetResult(server), &PQclear);
    while (PGresult *rest = PQgetResult(server))
        PQclear(rest);
    if (!refused.isEmpty()) {
        *error = refused;
        return false;
    }
    if (!succeeded(ended.get())) {
        *error = copyRefusal(server, ended.get(), file, table.name);
        return false;
    }
    *sent = place;
    return true;
}

struct SecondaryIndex
{
    QString table;
    QString name;
    QString definition;
    QString constraint; // the unique constraint it carries, if any
    bool unique = false;
};

// The indexes beside the keys: taken off while the rows go in, so each is built once over all of them.
bool takeOffIndexes(pg_conn *server, const QList<CopyTables::Table> &tables, QList<SecondaryIndex> *indexes,
                    QString *error)
{
    QStringList names;
    for (const CopyTables::Table &table : tables)
        names.append(table.name.toLower());
    QList<QStringList> found;
    if (!rows(server,
              QStringLiteral("SELECT c.relname, i.indexrelid::regclass::text, pg_get_indexdef(i.indexrelid), "
                             "i.indisunique, con.conname FROM pg_index i JOIN pg_class c ON c.oid = i.indrelid "
                             "LEFT JOIN pg_constraint con ON con.conindid = i.indexrelid AND con.contype = 'u' "
                             "WHERE c.relnamespace = 'public'::regnamespace AND c.relname = ANY($1) "
                             "AND NOT i.indisprimary ORDER BY i.indexrelid"),
              &found, error, {(QStringLiteral("{") + names.join(u',') + QStringLiteral("}")).toUtf8()}))
        return false;
    QString drop;
    for (const QStringList &row : found) {
        indexes->append({row[0], row[1], row[2], row[4], row[3] == u"t"});
        drop += row[4].isEmpty() ? QStringLiteral("DROP INDEX %1;").arg(row[1])
                                 : QStringLiteral("ALTER TABLE %1 DROP CONSTRAINT %2;").arg(row[0], row[4]);
    }
    return CopyTables::run(server, drop, error);
}

// Builds the indexes again. A unique one the rows do not allow (two account names differing only in
// the case of their letters, say) is built as an ordinary index, and the report says so.
bool putBackIndexes(pg_conn *server, const QList<SecondaryIndex> &indexes, QStringList *report, QString *error)
{
    for (const SecondaryIndex &index : indexes) {
        QString unique = index.definition;
        if (!index.constraint.isEmpty())
            unique += QStringLiteral(";ALTER TABLE %1 ADD CONSTRAINT %2 UNIQUE USING INDEX %3")
                          .arg(index.table, index.constraint, index.name);
        if (!index.unique) {
            if (!CopyTables::run(server, unique, error))
                return false;
            continue;
        }
        QString refused;
        if (!CopyTables::run(server, QStringLiteral("SAVEPOINT unique_index;") + unique, &refused)) {
            QString plain = index.definition;
            plain.replace(QStringLiteral("CREATE UNIQUE INDEX"), QStringLiteral("CREATE INDEX"));
            if (!CopyTables::run(server, QStringLiteral("ROLLBACK TO SAVEPOINT unique_index;") + plain, error))
                return false;
            report->append(QStringLiteral("数据表 %1 有重复的值（%2），索引 %3 没有建成唯一索引，重复的行照样保留。")
                               .arg(index.table, refused, index.name));
        }
        if (!CopyTables::run(server, QStringLiteral("RELEASE SAVEPOINT unique_index"), error))
            return false;
    }
    return true;
}

// New rows get numbers past every number used: past the largest key, and past the numbers the file had
// already given out to rows deleted since.
bool setNumbering(pg_conn *server, sqlite3 *file, const QList<CopyTables::Table> &tables, QString *error)
{
    qint64 hasSequences = 0;
    if (!fileNumber(file, QStringLiteral("SELECT count(*) FROM sqlite_schema WHERE name = 'sqlite_sequence'"),
                    &hasSequences, error))
        return false;
    for (const CopyTables::Table &table : tables) {
        qint64 given = 0;
        if (hasSequences
            && !fileNumber(file,
                           QStringLiteral("SELECT coalesce(max(seq), 0) FROM sqlite_sequence WHERE name = '%1' COLLATE NOCASE")
                               .arg(table.name),
                           &given, error))
            return false;
        QList<QStringList> ignored;
        if (!rows(server,
                  QStringLiteral("SELECT setval(pg_get_serial_sequence('public.%1', '%2'), "
                                 "greatest(coalesce(max(%2), 0), %3) + 1, false) FROM %1")
                      .arg(table.name.toLower(), table.key.toLower())
                      .arg(given),
                  &ignored, error))
            return false;
    }
    return true;
}

QString amount(double value)
{
    return QLocale(QLocale::C).toString(value, 'f', 2);
}

// Rows counted per table and amounts summed per account on both sides; any difference refuses the load.
bool compareSides(pg_conn *server, sqlite3 *file, const QList<CopyTables::Table> &tables, QStringList *report,
                  QString *error)
{
    for (const CopyTables::Table &table : tables) {
        qint64 inFile = 0;
        if (!fileNumber(file, QStringLiteral("SELECT count(*) FROM %1").arg(quotedName(table.name)), &inFile, error))
            return false;
        QList<QStringList> counted;
        if (!rows(server, QStringLiteral("SELECT count(*) FROM %1").arg(table.name), &counted, error))
            return false;
        const qint64 onServer = counted.value(0).value(0).toLongLong();
        if (onServer != inFile) {
            *error = QStringLiteral("核对不符：数据表 %1 本机有 %2 行，服务器上有 %3 行。").arg(table.name).arg(inFile).arg(onServer);
            return false;
        }
        report->append(QStringLiteral("数据表 %1：%2 行").arg(table.name).arg(inFile));
    }
    // Sums are compared to within half a fen: the two sides add in their own order.
    const QString perAccount = QStringLiteral("SELECT MoneyAccount, count(*), sum(MoneySum) FROM MoneyTable "
                                              "GROUP BY MoneyAccount ORDER BY MoneyAccount");
    QHash<QString, std::pair<qint64, double>> fileSums;
    {
        FileStatement query;
        if (!prepare(file, perAccount, &query, error))
            return false;
        while (sqlite3_step(query.statement) == SQLITE_ROW)
            fileSums.insert(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(query.statement, 0))),
                            {sqlite3_column_int64(query.statement, 1), sqlite3_column_double(query.statement, 2)});
    }
    QList<QStringList> serverSums;
    if (!rows(server, perAccount, &serverSums, error))
        return false;
    for (const QStringList &row : serverSums) {
        const QString account = row[0];
        const auto side = fileSums.take(account);
        const double sum = row[2].toDouble();
        if (side.first != row[1].toLongLong() || std::abs(side.second - sum) > 0.005) {
            *error = QStringLiteral("核对不符：帐户 %1 的流水本机有 %2 条、合计 %3，服务器上有 %4 条、合计 %5。")
                         .arg(account.isNull() ? QStringLiteral("（空）") : account)
                         .arg(side.first)
                         .arg(amount(side.second))
                         .arg(row[1], amount(sum));
            return false;
        }
        report->append(QStringLiteral("帐户 %1：流水 %2 条，合计 %3")
                           .arg(account.isNull() ? QStringLiteral("（空）") : account, row[1], amount(sum)));
    }
    if (!fileSums.isEmpty()) {
        *error = QStringLiteral("核对不符：帐户 %1 的流水没有到服务器上。").arg(fileSums.keys().first());
        return false;
    }
    return true;
}

// Records whose account no longer exists (left by an old account deletion) go along as they are.
bool noteOrphans(pg_conn *server, QStringList *report, QString *error)
{
    QList<QStringList> orphans;
    if (!rows(server,
              QStringLiteral("SELECT MoneyAccount, count(*) FROM MoneyTable WHERE MoneyAccount IS NOT NULL AND NOT EXISTS "
                             "(SELECT 1 FROM Account WHERE AccountIndex = MoneyAccount) GROUP BY 1 ORDER BY 1"),
              &orphans, error))
        return false;
    for (const QStringList &row : orphans)
        report->append(QStringLiteral("注意：有 %1 条流水记录的帐户（编号 %2）已不存在，照样保留。").arg(row[1], row[0]));
    return true;
}

// The server's columns of one table that the file has too, with the server's key.
bool planTable(pg_conn *server, const QString &name, const QStringList &fields, CopyTables::Table *planned,
               QString *error)
{
    const QByteArray relation = (QStringLiteral("public.") + name.toLower()).toUtf8();
    QList<QStringList> columns, key;
    if (!rows(server,
              QStringLiteral("SELECT attname, format_type(atttypid, atttypmod) FROM pg_attribute "
                             "WHERE attrelid = to_regclass($1) AND attnum > 0 AND NOT attisdropped ORDER BY attnum"),
              &columns, error, {relation})
        || !rows(server,
                 QStringLiteral("SELECT a.attname FROM pg_index i JOIN pg_attribute a ON a.attrelid = i.indrelid "
                                "AND a.attnum = i.indkey[0] WHERE i.indrelid = to_regclass($1) AND i.indisprimary "
                                "AND i.indnatts = 1"),
                 &key, error, {relation}))
        return false;
    if (key.size() != 1) {
        *error = QStringLiteral("服务器上的数据表 %1 不是本软件的帐簿的样子（没有主键）。").arg(name);
        return false;
    }
    *planned = CopyTables::Table{name, key[0][0], {}};
    for (const QStringList &column : columns) {
        const auto field = std::find_if(fields.cbegin(), fields.cend(), [&column](const QString &f) {
            return f.compare(column[0], Qt::CaseInsensitive) == 0;
        });
        if (field != fields.cend())
            planned->columns.append({*field, kindOf(column[1]), false});
        else if (column[0] == planned->key)
            planned->columns.append({column[0], kindOf(column[1]), true});
    }
    if (planned->columns.size() < fields.size()) {
        *error = QStringLiteral("服务器上的数据表 %1 缺少本软件的字段。").arg(name);
        return false;
    }
    return true;
}

// Entries made after the load go on from the numbers of the loaded ones. Books whose file had no
// change record get one baseline entry per row, as the file would have got when opened.
bool numberChanges(pg_conn *server, bool baseline, QString *error)
{
    if (!baseline)
        return CopyTables::run(
            server, QStringLiteral("UPDATE ChangeCounter SET LastIndex = (SELECT coalesce(max(ChangeIndex), 0) FROM ChangeLog)"),
            error);
    return CopyTables::run(server,
                           QStringLiteral("UPDATE ChangeCounter SET LastIndex = 0;")
                               + ChangeRecord::baselineOfEveryRow(Dialect::Postgres),
                           error);
}

} // namespace

QStringList CopyTables::firstRow(pg_conn *conn, const QString &sql, QString *error)
{
    const std::unique_ptr<PGresult, decltype(&PQclear)> result(PQexec(conn, sql.toUtf8().constData()), &PQclear);
    if (PQresultStatus(result.get()) != PGRES_TUPLES_OK) {
        *error = QString::fromUtf8(PQresultErrorMessage(result.get())).trimmed();
        return {};
    }
    QStringList values;
    for (int c = 0; PQntuples(result.get()) > 0 && c < PQnfields(result.get()); ++c)
        values.append(PQgetisnull(result.get(), 0, c) ? QString() : QString::fromUtf8(PQgetvalue(result.get(), 0, c)));
    return values;
}

QString CopyTables::quotedName(const QString &name)
{
    return QLatin1Char('"') + QString(name).replace(QLatin1Char('"'), QStringLiteral("\"\"")) + QLatin1Char('"');
}

CopyTables::ServerHold::~ServerHold()
{
    PQfinish(conn);
}

CopyTables::FileHold::~FileHold()
{
    if (db && !sqlite3_get_autocommit(db))
        sqlite3_exec(db, "ROLLBACK", nullptr, nullptr, nullptr);
    sqlite3_close_v2(db);
}

bool CopyTables::run(pg_conn *server, const QString &statements, QString *error)
{
    if (statements.isEmpty())
        return true;
    const Result result(PQexec(server, statements.toUtf8().constData()), &PQclear);
    if (succeeded(result.get()))
        return true;
    *error = serverText(server, result.get());
    return false;
}

bool CopyTables::plan(pg_conn *server, QList<Table> *tables, QString *error)
{
    tables->clear();
    for (const auto &[name, fields] : DeliveredBooks::tableFields()) {
        Table table;
        if (!planTable(server, name, fields, &table, error))
            return false;
        tables->append(table);
    }
    QList<QStringList> keepsChanges;
    if (!rows(server, QStringLiteral("SELECT 1 WHERE to_regclass('public.changelog') IS NOT NULL"), &keepsChanges, error))
        return false;
    if (keepsChanges.isEmpty())
        return true;
    Table log;
    if (!planTable(server, QLatin1String(ChangeRecord::Table), ChangeRecord::logFields(), &log, error))
        return false;
    tables->append(log);
    return true;
}

bool CopyTables::isChangeLog(const Table &table)
{
    return table.name == QLatin1String(ChangeRecord::Table);
}

bool CopyTables::load(pg_conn *server, sqlite3 *file, const QList<Table> &tables, QStringList *report,
                      QString *error, const BooksFile::Progress &progress)
{
    qint64 fileKeepsChanges = 0;
    if (!fileNumber(file,
                    QStringLiteral("SELECT count(*) FROM sqlite_schema WHERE type = 'table' AND name = '%1' COLLATE NOCASE")
                        .arg(QLatin1String(ChangeRecord::Table)),
                    &fileKeepsChanges, error))
        return false;
    // The tables whose rows come from the file: a file of books older than the change record has no entries.
    QList<Table> loaded;
    bool baseline = false;
    QStringList names;
    QString triggersOff, triggersOn;
    for (const Table &table : tables) {
        if (isChangeLog(table) && fileKeepsChanges == 0)
            baseline = true;
        else
            loaded.append(table);
        names.append(table.name);
        triggersOff += QStringLiteral("ALTER TABLE %1 DISABLE TRIGGER USER;").arg(table.name);
        triggersOn += QStringLiteral("ALTER TABLE %1 ENABLE TRIGGER USER;").arg(table.name);
    }
    qint64 total = 0;
    for (const Table &table : loaded) {
        qint64 count = 0;
        if (!fileNumber(file, QStringLiteral("SELECT count(*) FROM %1").arg(quotedName(table.name)), &count, error))
            return false;
        total += count;
    }
    QList<SecondaryIndex> indexes;
    // The triggers stay off while the rows go in: the month totals are built once from all the records,
    // not recounted per row, and rows that are already the books' are no new changes to record (the
    // entries' own guard would refuse the emptying, too). The key from records to accounts goes back on
    // afterwards as it stands in the schema, checking new records only, so records an older deletion
    // left without their account move along (and are reported). The triggers and the key are off
    // before anything is written, so no event of theirs is pending when the indexes are built again.
    if (!run(server,
             triggersOff
                 + QStringLiteral("ALTER TABLE MoneyTable DROP CONSTRAINT IF EXISTS MoneyAccountExists; TRUNCATE %1")
                       .arg(names.join(QStringLiteral(", "))),
             error)
        || !takeOffIndexes(server, tables, &indexes, error))
        return false;
    qint64 done = 0;
    int told = -1;
    for (const Table &table : loaded) {
        qint64 sent = 0;
        const auto rowDone = [&](qint64 place) {
            const int percent = total > 0 ? int(90 * (done + place) / total) : 90;
            if (progress && percent != told)
                progress(told = percent);
        };
        if (!copyTable(server, file, table, &sent, error, rowDone))
            return false;
        done += sent;
    }
    const bool keepsChanges = std::any_of(tables.cbegin(), tables.cend(), isChangeLog);
    const bool finished = (!keepsChanges || numberChanges(server, baseline, error))
        && putBackIndexes(server, indexes, report, error)
        && run(server, triggersOn + PgSchema::accountKey() + MonthTotals::rebuildStatement(Dialect::Postgres),
               error)
        && setNumbering(server, file, loaded, error) && compareSides(server, file, loaded, report, error)
        && noteOrphans(server, report, error);
    if (finished && progress)
        progress(100);
    return finished;
}
