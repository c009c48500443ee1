#include "data/Query.h"

#include <QDateTime>

#include <sqlite3.h>

#include "data/JetSql.h"
#include "data/ShareDataModule.h"

namespace {

const char *const RowIdName = "kalvora_rowid";

// What a Select says about the table it reads, found by a scan of its words and commas (quoted texts
// skipped): where its top-level From stands, and whether each row traces back to one row of one table
// (a single table in the From list, no aggregate in the select list, no grouping or compound).
struct SelectShape
{
    qsizetype fromAt = -1;
    bool traceable = false;
    bool wholeTable = false; // "Select * From" one table and nothing more: the form opened to append
};

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

struct Token
{
    QString upper; // a word in upper case, or "," / "("
    qsizetype at;
    int depth;     // parentheses around it
};

QList<Token> tokensOf(const QString &sql)
{
    QList<Token> tokens;
    int depth = 0;
    for (qsizetype i = 0; i < sql.size();) {
        const QChar c = sql[i];
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            qsizetype j = i + 1;
            while (j < sql.size() && !(sql[j] == c && (j + 1 >= sql.size() || sql[j + 1] != c)))
                j += sql[j] == c ? 2 : 1;
            i = j + 1;
        } else if (isWordChar(c)) {
            qsizetype j = i;
            while (j < sql.size() && isWordChar(sql[j]))
                ++j;
            tokens.append({sql.mid(i, j - i).toUpper(), i, depth});
            i = j;
        } else {
            if (c == QLatin1Char('(') || c == QLatin1Char(','))
                tokens.append({QString(c), i, depth});
            if (c == QLatin1Char('('))
                ++depth;
            else if (c == QLatin1Char(')'))
                --depth;
            ++i;
        }
    }
    return tokens;
}

bool isAggregate(const QString &upper)
{
    return upper == u"SUM" || upper == u"COUNT" || upper == u"MIN" || upper == u"MAX" || upper == u"AVG";
}

// The words that end a From list at the top level.
bool endsFromList(const QString &upper)
{
    static const QStringList ends{QStringLiteral("WHERE"), QStringLiteral("GROUP"), QStringLiteral("HAVING"),
                                  QStringLiteral("ORDER"), QStringLiteral("LIMIT"), QStringLiteral("WINDOW"),
                                  QStringLiteral("UNION"), QStringLiteral("EXCEPT"), QStringLiteral("INTERSECT")};
    return ends.contains(upper);
}

// An aggregate called anywhere in the select list (the tokens before From): no row is a table row.
bool aggregatesRows(const QList<Token> &tokens, qsizetype from)
{
    for (qsizetype t = 1; t < from; ++t)
        if (tokens[t].upper == u"(" && isAggregate(tokens[t - 1].upper))
            return true;
    return false;
}

// The index just after a From list that names one table, perhaps with an alias; -1 for a second table,
// a join or a subquery.
qsizetype endOfSingleTable(const QList<Token> &tokens, qsizetype from)
{
    qsizetype t = from + 1;
    for (; t < tokens.size() && !(tokens[t].depth == 0 && endsFromList(tokens[t].upper)); ++t)
        if (tokens[t].depth != 0 || tokens[t].upper == u"," || tokens[t].upper == u"(" || tokens[t].upper == u"JOIN")
            return -1;
    const qsizetype listed = t - from - 1;
    return listed >= 1 && listed <= 3 ? t : -1;
}

// After the From list only a condition, an order and a limit keep the table's rows as they are.
bool keepsRowsApart(const QList<Token> &tokens, qsizetype t)
{
    for (; t < tokens.size(); ++t)
        if (tokens[t].depth == 0 && endsFromList(tokens[t].upper) && tokens[t].upper != u"WHERE"
            && tokens[t].upper != u"ORDER" && tokens[t].upper != u"LIMIT")
            return false;
    return true;
}

SelectShape shapeOf(const QString &sql)
{
    const QList<Token> tokens = tokensOf(sql);
    SelectShape shape;
    if (tokens.isEmpty() || tokens.first().upper != u"SELECT")
        return shape;
    qsizetype from = 1;
    while (from < tokens.size() && !(tokens[from].depth == 0 && tokens[from].upper == u"FROM"))
        ++from;
    if (from >= tokens.size())
        return shape;
    shape.fromAt = tokens[from].at;
    const qsizetype afterList = endOfSingleTable(tokens, from);
    shape.traceable = tokens[1].upper != u"DISTINCT" && !aggregatesRows(tokens, from) && afterList > 0
        && keepsRowsApart(tokens, afterList);
    shape.wholeTable = shape.traceable && from == 1 && afterList == tokens.size();
    return shape;
}

QVariant columnValue(sqlite3_stmt *stmt, int column)
{
    switch (sqlite3_column_type(stmt, column)) {
    case SQLITE_INTEGER:
        return QVariant(qint64(sqlite3_column_int64(stmt, column)));
    case SQLITE_FLOAT:
        return QVariant(sqlite3_column_double(stmt, column));
    case SQLITE_TEXT:
        return QVariant(QString::fromUtf8(reinterpret_cast<const char *>(sqlite3_column_text(stmt, column)),
                                          sqlite3_column_bytes(stmt, column)));
    case SQLITE_BLOB:
        return QVariant(QByteArray(static_cast<const char *>(sqlite3_column_blob(stmt, column)),
                                   sqlite3_column_bytes(stmt, column)));
    default:
        return {};
    }
}

// Dates are stored as ISO text so that date literals compare as text.
int bindValue(sqlite3_stmt *stmt, int index, const QVariant &value)
{
    if (!value.isValid() || value.isNull())
        return sqlite3_bind_null(stmt, index);
    switch (value.typeId()) {
    case QMetaType::QDate:
        return sqlite3_bind_text(stmt, index, JetSql::dateText(value.toDate()).toUtf8().constData(), -1,
                                 SQLITE_TRANSIENT);
    case QMetaType::QDateTime:
        return sqlite3_bind_text(stmt, index,
                                 value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toUtf8().constData(),
                                 -1, SQLITE_TRANSIENT);
    case QMetaType::Bool:
    case QMetaType::Int:
    case QMetaType::UInt:
    case QMetaType::LongLong:
    case QMetaType::ULongLong:
        return sqlite3_bind_int64(stmt, index, value.toLongLong());
    case QMetaType::Double:
    case QMetaType::Float:
        return sqlite3_bind_double(stmt, index, value.toDouble());
    default: {
        const QByteArray text = value.toString().toUtf8();
        return sqlite3_bind_text(stmt, index, text.constData(), int(text.size()), SQLITE_TRANSIENT);
    }
    }
}

bool isBlankTail(QByteArrayView tail)
{
    for (const char c : tail)
        if (c != ';' && !QChar::isSpace(uchar(c)))
            return false;
    return true;
}

QString quotedName(const QString &name)
{
    QString doubled = name;
    doubled.replace(QLatin1Char('"'), QLatin1String("\"\""));
    return QLatin1Char('"') + doubled + QLatin1Char('"');
}

// One statement of the data layer's own (a row written, read back or deleted): prepared with its
// values bound, finished when it goes out of scope.
class Statement
{
public:
    Statement(sqlite3 *db, const QString &sql, const QVariantList &values)
    {
        if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &m_stmt, nullptr) != SQLITE_OK) {
            sqlite3_finalize(m_stmt);
            m_stmt = nullptr;
            return;
        }
        for (int i = 0; i < values.size(); ++i)
            bindValue(m_stmt, i + 1, values[i]);
    }
    ~Statement() { sqlite3_finalize(m_stmt); }
    Statement(const Statement &) = delete;
    Statement &operator=(const Statement &) = delete;

    int step() { return m_stmt ? sqlite3_step(m_stmt) : SQLITE_ERROR; }
    sqlite3_stmt *handle() const { return m_stmt; }

private:
    sqlite3_stmt *m_stmt = nullptr;
};

const QString RowGone = QStringLiteral("该记录已不存在，可能已被删除");

} // namespace


Query::Query(ShareDataModule &database)
    : m_db(database)
{
}

Query::~Query()
{
    finalize();
}

void Query::setSql(const QString &statement)
{
    close();
    m_sql = statement;
    m_lateFailure = nullptr;
}

void Query::setLateFailureReport(std::function<void()> report)
{
    m_lateFailure = std::move(report);
}

void Query::finalize()
{
    if (m_stmt) {
        sqlite3_finalize(m_stmt);
        m_stmt = nullptr;
    }
}

bool Query::fail(const QString &message)
{
    m_error = message;
    m_errorCode = 0;
    return false;
}

bool Query::failInEngine(sqlite3 *db)
{
    m_error = QString::fromUtf8(sqlite3_errmsg(db));
    m_errorCode = sqlite3_extended_errcode(db);
    return false;
}

sqlite3 *Query::connection()
{
    EngineError error;
    sqlite3 *db = m_db.ADOConnection1(&error);
    if (!db) {
        m_error = error.text;
        m_errorCode = error.code;
    }
    return db;
}

void Query::close()
{
    finalize();
    m_open = false;
    m_columns.clear();
    m_baseColumns.clear();
    m_rowIdColumn = -1;
    m_table.clear();
    m_rows.clear();
    m_current = 0;
    m_state = State::Browse;
    m_pending.clear();
}

bool Query::open()
{
    close();
    m_error.clear();
    m_errorCode = 0;
    QString sqlite = JetSql::toSqlite(m_sql, &m_error);
    if (sqlite.isEmpty())
        return fail(m_error.isEmpty() ? QStringLiteral("空语句") : m_error);
    sqlite3 *db = connection();
    if (!db)
        return false;
    const EngineCall call(m_db);

    const SelectShape shape = shapeOf(sqlite);
    // Rows of a single table carry their row id, unqualified so that an alias of the table does not matter.
    if (shape.traceable)
        sqlite.insert(shape.fromAt, QStringLiteral(", rowid AS %1 ").arg(QLatin1String(RowIdName)));
    const QByteArray text = sqlite.toUtf8();
    const char *rest = nullptr;
    if (sqlite3_prepare_v2(db, text.constData(), int(text.size()), &m_stmt, &rest) != SQLITE_OK) {
        failInEngine(db);
        finalize();
        return false;
    }
    // One statement only: a second one after a ';' would otherwise be dropped without a word.
    if (!isBlankTail(QByteArrayView(rest, text.constData() + text.size() - rest))) {
        finalize();
        return fail(QStringLiteral("语句后面有多余的内容"));
    }
    if (sqlite3_column_count(m_stmt) == 0) {
        finalize();
        return fail(QStringLiteral("语句不返回记录"));
    }
    describeColumns(shape.traceable);
    m_open = true;
    if (readAhead(shape.wholeTable))
        return true;
    const EngineError error = lastFailure();
    close();
    m_error = error.text;
    m_errorCode = error.code;
    return false;
}

// Names the result's columns and, for rows of one table, the table and each column's field in it.
void Query::describeColumns(bool traceable)
{
    const int count = sqlite3_column_count(m_stmt);
    const int visible = traceable ? count - 1 : count;
    for (int c = 0; c < visible; ++c) {
        m_columns.append(QString::fromUtf8(sqlite3_column_name(m_stmt, c)));
        const char *origin = sqlite3_column_origin_name(m_stmt, c);
        m_baseColumns.append(traceable && origin ? QString::fromUtf8(origin) : QString());
    }
    if (traceable) {
        m_rowIdColumn = visible;
        m_table = QString::fromUtf8(sqlite3_column_table_name(m_stmt, m_rowIdColumn));
    }
}

// Reads the result whole, so that a statement failing on any row fails open(). Only a whole table, the
// form a Select opened to append takes, is read no further than its second row and reset, to be read
// again at its first use: appending never walks the table.
bool Query::readAhead(bool wholeTable)
{
    for (;;) {
        const int rc = sqlite3_step(m_stmt);
        if (rc != SQLITE_ROW)
            return finishReading(rc);
        if (wholeTable && m_rows.size() == 1) {
            sqlite3_reset(m_stmt);
            m_rows.clear();
            return true;
        }
        m_rows.appendFrom(m_stmt);
    }
}

// Ends the reading at the step result `rc`: the statement is finished, false with its error unless it
// reached the end.
bool Query::finishReading(int rc)
{
    if (rc != SQLITE_DONE)
        failInEngine(sqlite3_db_handle(m_stmt));
    finalize();
    m_rows.squeeze();
    return rc == SQLITE_DONE;
}

// Reads the rows of a whole table at its first use. A failure then leaves nothing half read: the query
// closes, so no row can be walked, changed or deleted through it, and the failure is told as the opener
// asked.
bool Query::ensureRows()
{
    if (!m_open)
        return false;
    if (!m_stmt)
        return true;
    const EngineCall call(m_db);
    int rc;
    while ((rc = sqlite3_step(m_stmt)) == SQLITE_ROW)
        m_rows.appendFrom(m_stmt);
    if (finishReading(rc))
        return true;
    const EngineError error = lastFailure();
    close();
    m_error = error.text;
    m_errorCode = error.code;
    if (m_lateFailure)
        m_lateFailure();
    return false;
}

void Query::first()
{
    ensureRows();
    m_current = 0;
}

void Query::next()
{
    ensureRows();
    if (m_current < m_rows.size())
        ++m_current;
}

bool Query::eof()
{
    ensureRows();
    return m_current >= m_rows.size();
}

int Query::recordCount()
{
    ensureRows();
    return int(m_rows.size());
}

int Query::recNo()
{
    ensureRows();
    return m_current < m_rows.size() ? m_current : -1;
}

void Query::moveTo(int row)
{
    ensureRows();
    m_current = qBound(0, row, int(m_rows.size()));
}

QVariant Query::value(int row, int column)
{
    ensureRows();
    if (row < 0 || row >= m_rows.size() || column < 0 || column >= m_columns.size())
        return {};
    return m_rows.value(row, column);
}

qint64 Query::currentRowId() const
{
    return m_rows.value(m_current, m_rowIdColumn).toLongLong();
}

qint64 Query::rowId()
{
    ensureRows();
    if (m_rowIdColumn < 0 || m_current >= m_rows.size())
        return 0;
    return currentRowId();
}

QVariant Query::field(const QString &name)
{
    ensureRows();
    return value(m_current, fieldIndex(name));
}

QString Query::fieldText(const QString &name)
{
    const QVariant v = field(name);
    if (v.typeId() == QMetaType::Double)
        return QString::number(v.toDouble(), 'g', 15);
    return v.toString();
}

double Query::fieldNumber(const QString &name)
{
    return field(name).toDouble();
}

qint64 Query::fieldInteger(const QString &name)
{
    return field(name).toLongLong();
}

QDate Query::fieldDate(const QString &name)
{
    return QDate::fromString(field(name).toString().left(10), Qt::ISODate);
}

bool Query::append()
{
    if (!m_open || !isUpdatable())
        return fail(QStringLiteral("查询结果不能新增记录"));
    m_pending.clear();
    m_state = State::Inserting;
    return true;
}

bool Query::edit()
{
    if (!m_open || !isUpdatable() || eof())
        return fail(QStringLiteral("没有可修改的记录"));
    m_pending.clear();
    m_state = State::Editing;
    return true;
}

void Query::setField(const QString &name, const QVariant &value)
{
    if (m_state == State::Browse)
        edit();
    const int column = fieldIndex(name);
    const QString base = column >= 0 && !m_baseColumns[column].isEmpty() ? m_baseColumns[column] : name;
    m_pending.insert(base.toLower(), value);
}

void Query::cancel()
{
    m_pending.clear();
    m_state = State::Browse;
}

bool Query::post()
{
    if (m_state == State::Browse)
        return fail(QStringLiteral("没有待保存的修改"));
    const bool ok = writeRow();
    m_pending.clear();
    m_state = State::Browse;
    return ok;
}

// Runs one write of a row of the base table; false with the reason, also when no row was there to change.
bool Query::changeRow(const QString &sql, const QVariantList &values)
{
    sqlite3 *db = connection();
    if (!db)
        return false;
    const EngineCall call(m_db);
    Statement statement(db, sql, values);
    if (statement.step() != SQLITE_DONE)
        return failInEngine(db);
    if (sqlite3_changes(db) == 0)
        return fail(RowGone);
    return true;
}

bool Query::writeRow()
{
    const QStringList names = m_pending.keys();
    QVariantList values;
    QStringList columns;
    for (const QString &name : names) {
        const QVariant value = m_pending.value(name);
        // The books' case-blind comparison stops at a NUL character, so such a text could not be found by
        // its own name: it is refused rather than stored.
        if (value.typeId() == QMetaType::QString && value.toString().contains(QChar(0)))
            return fail(JetSql::NulInText);
        values.append(value);
        columns.append(quotedName(name));
    }
    qint64 rowId = 0;
    if (m_state == State::Inserting) {
        const QString sql = names.isEmpty()
            ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(quotedName(m_table))
            : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                  .arg(quotedName(m_table), columns.join(QLatin1Char(',')),
                       QStringList(names.size(), QStringLiteral("?")).join(QLatin1Char(',')));
        if (!changeRow(sql, values))
            return false;
        rowId = sqlite3_last_insert_rowid(connection());
    } else {
        rowId = currentRowId();
        if (names.isEmpty())
            return true;
        values.append(rowId);
        if (!changeRow(QStringLiteral("UPDATE %1 SET %2=? WHERE rowid=?")
                           .arg(quotedName(m_table), columns.join(QStringLiteral("=?,"))),
                       values))
            return false;
    }

    QVariantList row;
    if (!readBack(rowId, row))
        return false;
    if (m_state == State::Editing) {
        m_rows.replace(m_current, row);
    } else if (!m_stmt) {
        m_rows.append(row);
        m_current = int(m_rows.size()) - 1;
    } else {
        // An append-only result holds just the rows it added; the table is never read.
        finalize();
        m_rows.clear();
        m_rows.append(row);
        m_current = 0;
    }
    return true;
}

bool Query::readBack(qint64 rowId, QVariantList &row)
{
    sqlite3 *db = connection();
    if (!db)
        return false;
    const EngineCall call(m_db);
    Statement statement(db, QStringLiteral("SELECT * FROM %1 WHERE rowid=?").arg(quotedName(m_table)), {rowId});
    const int rc = statement.step();
    if (rc != SQLITE_ROW)
        return rc == SQLITE_DONE ? fail(RowGone) : failInEngine(db);
    QHash<QString, QVariant> stored;
    for (int c = 0; c < sqlite3_column_count(statement.handle()); ++c)
        stored.insert(QString::fromUtf8(sqlite3_column_name(statement.handle(), c)).toLower(),
                      columnValue(statement.handle(), c));
    // Computed columns keep what the Select gave them; base columns show what is stored now.
    const QVariantList previous = m_state == State::Editing ? m_rows.row(m_current, int(m_columns.size())) : QVariantList();
    row.clear();
    for (int c = 0; c < m_columns.size(); ++c) {
        if (!m_baseColumns[c].isEmpty())
            row.append(stored.value(m_baseColumns[c].toLower()));
        else
            row.append(previous.isEmpty() ? QVariant() : previous[c]);
    }
    row.append(rowId);
    return true;
}

bool Query::remove()
{
    if (!m_open || !isUpdatable() || eof())
        return fail(QStringLiteral("没有可删除的记录"));
    if (!changeRow(QStringLiteral("DELETE FROM %1 WHERE rowid=?").arg(quotedName(m_table)), {currentRowId()}))
        return false;
    m_rows.removeAt(m_current);
    return true;
}
