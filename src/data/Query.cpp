#include "data/Query.h"

#include <QDateTime>

#include <sqlite3.h>

#include "data/JetSql.h"
#include "data/ShareDataModule.h"

namespace {

const char *const RowIdName = "kalvora_rowid";

// What a Select says about the table it reads, found by a scan of its top level (outside quotes and
// parentheses): where its From stands, which single table follows, and whether rows can be traced back.
struct SelectShape
{
    qsizetype fromAt = -1;
    QString table;
    bool traceable = false;
};

bool isWordChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

SelectShape shapeOf(const QString &sql)
{
    struct Word
    {
        QString upper;
        qsizetype at;
        int depth;
    };
    QList<Word> words;
    QList<QPair<QChar, int>> marks; // top-level punctuation after From, with its depth
    int depth = 0;
    bool aggregate = false;
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
            const QString upper = sql.mid(i, j - i).toUpper();
            qsizetype k = j;
            while (k < sql.size() && sql[k].isSpace())
                ++k;
            if (k < sql.size() && sql[k] == QLatin1Char('(')
                && (upper == u"SUM" || upper == u"COUNT" || upper == u"MIN" || upper == u"MAX" || upper == u"AVG"))
                aggregate = true;
            words.append({upper, i, depth});
            i = j;
        } else {
            if (c == QLatin1Char('('))
                ++depth;
            else if (c == QLatin1Char(')'))
                --depth;
            else if (c == QLatin1Char(','))
                marks.append({c, int(i)});
            ++i;
        }
    }

    SelectShape shape;
    if (words.isEmpty() || words.first().upper != u"SELECT")
        return shape;
    for (qsizetype w = 0; w + 1 < words.size(); ++w) {
        if (words[w].depth == 0 && words[w].upper == u"FROM") {
            shape.fromAt = words[w].at;
            shape.table = sql.mid(words[w + 1].at, words[w + 1].upper.size());
            const qsizetype tableEnd = words[w + 1].at + words[w + 1].upper.size();
            const qsizetype nextWordAt = w + 2 < words.size() ? words[w + 2].at : sql.size();
            bool joined = false;
            for (const auto &mark : marks)
                if (mark.second >= tableEnd && mark.second < nextWordAt)
                    joined = true;
            bool plain = !aggregate && !joined;
            for (const Word &word : words)
                if (word.upper == u"DISTINCT" || word.upper == u"GROUP" || word.upper == u"UNION"
                    || word.upper == u"JOIN")
                    plain = false;
            shape.traceable = plain;
            break;
        }
    }
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
    default:
        return sqlite3_bind_text(stmt, index, value.toString().toUtf8().constData(), -1, SQLITE_TRANSIENT);
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
    return false;
}

void Query::close()
{
    finalize();
    m_open = false;
    m_loaded = false;
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
    QString sqlite = JetSql::toSqlite(m_sql, &m_error);
    if (sqlite.isEmpty())
        return fail(m_error.isEmpty() ? QStringLiteral("空语句") : m_error);
    sqlite3 *db = m_db.ADOConnection1(&m_error);
    if (!db)
        return false;

    const SelectShape shape = shapeOf(sqlite);
    if (shape.traceable)
        sqlite.insert(shape.fromAt, QStringLiteral(", %1.rowid AS %2 ").arg(quotedName(shape.table), QLatin1String(RowIdName)));
    const QByteArray text = sqlite.toUtf8();
    const char *rest = nullptr;
    if (sqlite3_prepare_v2(db, text.constData(), int(text.size()), &m_stmt, &rest) != SQLITE_OK) {
        m_error = QString::fromUtf8(sqlite3_errmsg(db));
        finalize();
        return false;
    }
    // One statement only: a second one after a ';' would otherwise be dropped without a word.
    if (!isBlankTail(QByteArrayView(rest, text.constData() + text.size() - rest))) {
        finalize();
        return fail(QStringLiteral("语句后面有多余的内容"));
    }
    const int count = sqlite3_column_count(m_stmt);
    if (count == 0) {
        finalize();
        return fail(QStringLiteral("语句不返回记录"));
    }
    const int visible = shape.traceable ? count - 1 : count;
    for (int c = 0; c < visible; ++c) {
        m_columns.append(QString::fromUtf8(sqlite3_column_name(m_stmt, c)));
        const char *origin = sqlite3_column_origin_name(m_stmt, c);
        const char *table = sqlite3_column_table_name(m_stmt, c);
        const bool fromBase = shape.traceable && origin && table
            && QString::fromUtf8(table).compare(shape.table, Qt::CaseInsensitive) == 0;
        m_baseColumns.append(fromBase ? QString::fromUtf8(origin) : QString());
    }
    if (shape.traceable) {
        m_rowIdColumn = visible;
        m_table = shape.table;
    }
    m_open = true;
    return true;
}

bool Query::ensureRows()
{
    if (!m_open)
        return false;
    if (m_loaded)
        return true;
    m_loaded = true;
    const int count = sqlite3_column_count(m_stmt);
    int rc;
    while ((rc = sqlite3_step(m_stmt)) == SQLITE_ROW) {
        QVariantList row;
        row.reserve(count);
        for (int c = 0; c < count; ++c)
            row.append(columnValue(m_stmt, c));
        m_rows.append(std::move(row));
    }
    if (rc != SQLITE_DONE)
        m_error = QString::fromUtf8(sqlite3_errmsg(sqlite3_db_handle(m_stmt)));
    finalize();
    return rc == SQLITE_DONE;
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

int Query::fieldIndex(const QString &name) const
{
    for (int c = 0; c < m_columns.size(); ++c)
        if (m_columns[c].compare(name, Qt::CaseInsensitive) == 0)
            return c;
    return -1;
}

QVariant Query::value(int row, int column)
{
    ensureRows();
    if (row < 0 || row >= m_rows.size() || column < 0 || column >= m_columns.size())
        return {};
    return m_rows[row][column];
}

qint64 Query::rowId()
{
    ensureRows();
    if (m_rowIdColumn < 0 || m_current >= m_rows.size())
        return 0;
    return m_rows[m_current][m_rowIdColumn].toLongLong();
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

bool Query::writeRow()
{
    sqlite3 *db = m_db.ADOConnection1(&m_error);
    if (!db)
        return false;
    const QStringList names = m_pending.keys();
    QString sql;
    if (m_state == State::Inserting) {
        QStringList columns, marks;
        for (const QString &name : names) {
            columns.append(quotedName(name));
            marks.append(QStringLiteral("?"));
        }
        sql = names.isEmpty() ? QStringLiteral("INSERT INTO %1 DEFAULT VALUES").arg(quotedName(m_table))
                              : QStringLiteral("INSERT INTO %1 (%2) VALUES (%3)")
                                    .arg(quotedName(m_table), columns.join(QLatin1Char(',')), marks.join(QLatin1Char(',')));
    } else {
        if (names.isEmpty())
            return true;
        QStringList assignments;
        for (const QString &name : names)
            assignments.append(quotedName(name) + QStringLiteral("=?"));
        sql = QStringLiteral("UPDATE %1 SET %2 WHERE rowid=?").arg(quotedName(m_table), assignments.join(QLatin1Char(',')));
    }

    sqlite3_stmt *stmt = nullptr;
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &stmt, nullptr) != SQLITE_OK)
        return fail(QString::fromUtf8(sqlite3_errmsg(db)));
    int index = 1;
    for (const QString &name : names)
        bindValue(stmt, index++, m_pending.value(name));
    const qint64 editedRowId = m_state == State::Editing ? m_rows[m_current][m_rowIdColumn].toLongLong() : 0;
    if (m_state == State::Editing)
        sqlite3_bind_int64(stmt, index, editedRowId);
    const int rc = sqlite3_step(stmt);
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE)
        return fail(QString::fromUtf8(sqlite3_errmsg(db)));

    const qint64 rowId = m_state == State::Inserting ? sqlite3_last_insert_rowid(db) : editedRowId;
    QVariantList row;
    if (!readBack(rowId, row))
        return false;
    if (m_state == State::Editing) {
        m_rows[m_current] = row;
    } else if (m_loaded) {
        m_rows.append(row);
        m_current = int(m_rows.size()) - 1;
    } else {
        // An append-only result holds just the rows it added; the table is never read.
        finalize();
        m_loaded = true;
        m_rows = {row};
        m_current = 0;
    }
    return true;
}

bool Query::readBack(qint64 rowId, QVariantList &row)
{
    sqlite3 *db = m_db.ADOConnection1(&m_error);
    if (!db)
        return false;
    sqlite3_stmt *stmt = nullptr;
    const QString sql = QStringLiteral("SELECT * FROM %1 WHERE rowid=?").arg(quotedName(m_table));
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &stmt, nullptr) != SQLITE_OK)
        return fail(QString::fromUtf8(sqlite3_errmsg(db)));
    sqlite3_bind_int64(stmt, 1, rowId);
    QHash<QString, QVariant> stored;
    if (sqlite3_step(stmt) == SQLITE_ROW)
        for (int c = 0; c < sqlite3_column_count(stmt); ++c)
            stored.insert(QString::fromUtf8(sqlite3_column_name(stmt, c)).toLower(), columnValue(stmt, c));
    sqlite3_finalize(stmt);
    // Computed columns keep what the Select gave them; base columns show what is stored now.
    const QVariantList previous = m_state == State::Editing ? m_rows[m_current] : QVariantList();
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
    sqlite3 *db = m_db.ADOConnection1(&m_error);
    if (!db)
        return false;
    sqlite3_stmt *stmt = nullptr;
    const QString sql = QStringLiteral("DELETE FROM %1 WHERE rowid=?").arg(quotedName(m_table));
    if (sqlite3_prepare_v2(db, sql.toUtf8().constData(), -1, &stmt, nullptr) != SQLITE_OK)
        return fail(QString::fromUtf8(sqlite3_errmsg(db)));
    sqlite3_bind_int64(stmt, 1, m_rows[m_current][m_rowIdColumn].toLongLong());
    const int rc = sqlite3_step(stmt);
    sqlite3_finalize(stmt);
    if (rc != SQLITE_DONE)
        return fail(QString::fromUtf8(sqlite3_errmsg(db)));
    m_rows.removeAt(m_current);
    return true;
}
