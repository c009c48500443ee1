#include "data/Query.h"

#include "data/BooksEngine.h"
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
    QString table;           // the one table read, as the statement names it
    bool ordered = false;    // a top-level Order By
    qsizetype limitAt = -1;  // where a top-level Limit stands
};

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
            const qsizetype end = JetSql::endOfQuoted(sql, i);
            i = end < 0 ? sql.size() : end;
        } else if (JetSql::isWordCharacter(c)) {
            qsizetype j = i;
            while (j < sql.size() && JetSql::isWordCharacter(sql[j]))
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
    if (shape.traceable)
        shape.table = sql.mid(tokens[from + 1].at, tokens[from + 1].upper.size());
    for (const Token &token : tokens) {
        if (token.depth != 0)
            continue;
        if (token.upper == u"ORDER")
            shape.ordered = true;
        else if (token.upper == u"LIMIT")
            shape.limitAt = token.at;
    }
    return shape;
}

// The statement without the semicolons and blanks that may end it, so that words can follow it.
QString withoutEnd(const QString &statement)
{
    qsizetype end = statement.size();
    while (end > 0 && (statement[end - 1] == QLatin1Char(';') || statement[end - 1].isSpace()))
        --end;
    return statement.left(end);
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
    m_lateFailure = nullptr;
}

void Query::setLateFailureReport(std::function<void()> report)
{
    m_lateFailure = std::move(report);
}

void Query::finalize()
{
    m_cursor.reset();
}

bool Query::fail(const QString &message)
{
    return failWith({0, message});
}

bool Query::failWith(const EngineError &error)
{
    m_failure = error;
    return false;
}

BooksEngine *Query::connection()
{
    return m_db.ADOConnection1(&m_failure);
}

void Query::close()
{
    finalize();
    m_open = false;
    m_columns.clear();
    m_baseColumns.clear();
    m_rowIdColumn = -1;
    m_versionColumn = -1;
    m_table.clear();
    m_rows.clear();
    m_current = 0;
    m_state = State::Browse;
    m_pending.clear();
    m_shownVersion.clear();
}

bool Query::open()
{
    close();
    m_failure = {};
    BooksEngine *db = connection();
    if (!db)
        return false;
    QString error;
    QString statement = withoutEnd(db->fromJet(m_sql, &error));
    if (statement.isEmpty())
        return fail(error.isEmpty() ? QStringLiteral("空语句") : error);
    const EngineCall call(m_db);

    SelectShape shape = shapeOf(statement);
    const QString rowId = shape.traceable ? db->rowIdExpression(shape.table) : QString();
    shape.traceable = !rowId.isEmpty();
    shape.wholeTable = shape.wholeTable && shape.traceable;
    if (shape.traceable) {
        // Rows of one table come in the order of their row ids unless the statement orders them: an
        // engine otherwise returns them as it finds them, and a row changed may then come last.
        if (!shape.ordered)
            statement.insert(shape.limitAt < 0 ? statement.size() : shape.limitAt,
                             QStringLiteral(" Order By %1 ").arg(QLatin1String(RowIdName)));
        // Each row carries its row id, unqualified so that an alias of the table does not matter, and
        // its version where the engine keeps one.
        const QString version = db->rowVersionExpression();
        QString hidden = QStringLiteral(", %1 AS %2 ").arg(rowId, QLatin1String(RowIdName));
        if (!version.isEmpty())
            hidden += QStringLiteral(", %1 AS %2 ").arg(version, QLatin1String(RowVersionName));
        statement.insert(shape.fromAt, hidden);
    }
    // A whole table is only described here; other results are read at once.
    m_cursor = shape.wholeTable ? db->prepare(statement, &m_failure) : db->start(statement, &m_failure);
    if (!m_cursor)
        return false;
    if (m_cursor->columnCount() == 0) {
        finalize();
        return fail(QStringLiteral("语句不返回记录"));
    }
    describeColumns(shape.traceable ? (db->rowVersionExpression().isEmpty() ? 1 : 2) : 0);
    m_open = true;
    if (shape.wholeTable ? peek(*db, statement) : readAhead())
        return true;
    const EngineError failure = m_failure;
    close();
    return failWith(failure);
}

// Names the result's columns and, for rows of one table, the table and each column's field in it.
void Query::describeColumns(int hidden)
{
    const int visible = m_cursor->columnCount() - hidden;
    for (int c = 0; c < visible; ++c) {
        m_columns.append(m_cursor->columnName(c));
        m_baseColumns.append(hidden > 0 ? m_cursor->baseColumn(c) : QString());
    }
    if (hidden > 0) {
        m_rowIdColumn = visible;
        m_table = m_cursor->baseTable(m_rowIdColumn);
    }
    if (hidden > 1)
        m_versionColumn = visible + 1;
}

// Reads the result whole, so that a statement failing on any row fails open().
bool Query::readAhead()
{
    for (;;) {
        const BooksCursor::Step step = m_cursor->step();
        if (step != BooksCursor::Step::Row)
            return finishReading(step == BooksCursor::Step::Done);
        m_cursor->appendRow(m_rows);
    }
}

// A whole table, the form a Select opened to append takes, is run here on its first two rows only, so
// that one failing fails open(); its rows are read at their first use. Appending never reads the table,
// and no statement is left half read on the connection.
bool Query::peek(BooksEngine &db, const QString &statement)
{
    const std::unique_ptr<BooksCursor> firstRows = db.start(statement + QStringLiteral(" LIMIT 2"), &m_failure);
    if (!firstRows)
        return false;
    BooksCursor::Step step;
    while ((step = firstRows->step()) == BooksCursor::Step::Row) {
    }
    if (step == BooksCursor::Step::Failed)
        m_failure = firstRows->error();
    return step == BooksCursor::Step::Done;
}

// Ends the reading, `done` when it reached the end: the statement is finished, false with its error
// unless it reached the end.
bool Query::finishReading(bool done)
{
    if (!done)
        m_failure = m_cursor->error();
    finalize();
    m_rows.squeeze();
    return done;
}

// Reads the rows of a whole table at its first use. A failure then leaves nothing half read: the query
// closes, so no row can be walked, changed or deleted through it, and the failure is told as the opener
// asked.
bool Query::ensureRows()
{
    if (!m_open)
        return false;
    if (!m_cursor)
        return true;
    const EngineCall call(m_db);
    BooksCursor::Step step;
    while ((step = m_cursor->step()) == BooksCursor::Step::Row)
        m_cursor->appendRow(m_rows);
    if (finishReading(step == BooksCursor::Step::Done))
        return true;
    const EngineError failure = m_failure;
    close();
    failWith(failure);
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

QVariant Query::currentVersion() const
{
    return m_versionColumn < 0 ? QVariant() : m_rows.value(m_current, m_versionColumn);
}

qint64 Query::rowId()
{
    ensureRows();
    if (m_rowIdColumn < 0 || m_current >= m_rows.size())
        return 0;
    return currentRowId();
}

QVariant Query::rowVersion()
{
    ensureRows();
    return m_current < m_rows.size() ? currentVersion() : QVariant();
}

bool Query::isAsShown(const QVariant &shown)
{
    return shown.isNull() || rowVersion() == shown;
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
    m_shownVersion.clear();
    m_state = State::Editing;
    return true;
}

bool Query::editAsShown(const QVariant &shown)
{
    if (!edit())
        return false;
    m_shownVersion = shown;
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
    m_shownVersion.clear();
    m_state = State::Browse;
}

bool Query::post()
{
    if (m_state == State::Browse)
        return fail(QStringLiteral("没有待保存的修改"));
    const bool ok = writeRow();
    m_pending.clear();
    m_shownVersion.clear();
    m_state = State::Browse;
    return ok;
}

bool Query::writeRow()
{
    BooksEngine::Fields fields;
    for (auto pending = m_pending.cbegin(); pending != m_pending.cend(); ++pending) {
        // The books' case-blind comparison stops at a NUL character, so such a text could not be found by
        // its own name: it is refused rather than stored.
        if (pending.value().typeId() == QMetaType::QString && pending.value().toString().contains(QChar(0)))
            return fail(JetSql::NulInText);
        fields.append({pending.key(), pending.value()});
    }
    if (m_state == State::Editing && fields.isEmpty())
        return true;
    BooksEngine *db = connection();
    if (!db)
        return false;
    const EngineCall call(m_db);
    BooksEngine::StoredRow stored;
    qint64 rowId = 0;
    if (m_state == State::Inserting) {
        if (!db->insertRow(m_table, fields, &rowId, &stored, &m_failure))
            return false;
    } else {
        rowId = currentRowId();
        const QVariant version = m_shownVersion.isNull() ? currentVersion() : m_shownVersion;
        if (!db->updateRow(m_table, rowId, version, fields, &stored, &m_failure))
            return false;
    }
    takeStoredRow(stored, rowId);
    return true;
}

// Puts the row as stored in place of the one changed, or after the rows for one added.
void Query::takeStoredRow(const QHash<QString, QVariant> &stored, qint64 rowId)
{
    // Computed columns keep what the Select gave them; base columns show what is stored now.
    const QVariantList previous = m_state == State::Editing ? m_rows.row(m_current, int(m_columns.size())) : QVariantList();
    QVariantList row;
    for (int c = 0; c < m_columns.size(); ++c) {
        if (!m_baseColumns[c].isEmpty())
            row.append(stored.value(m_baseColumns[c].toLower()));
        else
            row.append(previous.isEmpty() ? QVariant() : previous[c]);
    }
    row.append(rowId);
    if (m_versionColumn >= 0)
        row.append(stored.value(QLatin1String(RowVersionName)));
    if (m_state == State::Editing) {
        m_rows.replace(m_current, row);
    } else if (!m_cursor) {
        m_rows.append(row);
        m_current = int(m_rows.size()) - 1;
    } else {
        // An append-only result holds just the rows it added; the table is never read.
        finalize();
        m_rows.clear();
        m_rows.append(row);
        m_current = 0;
    }
}

bool Query::remove()
{
    if (!m_open || !isUpdatable() || eof())
        return fail(QStringLiteral("没有可删除的记录"));
    BooksEngine *db = connection();
    if (!db)
        return false;
    const EngineCall call(m_db);
    if (!db->deleteRow(m_table, currentRowId(), currentVersion(), &m_failure))
        return false;
    m_rows.removeAt(m_current);
    return true;
}

bool Query::removeAll()
{
    if (!m_open || !isUpdatable())
        return fail(QStringLiteral("没有可删除的记录"));
    BooksEngine *db = connection();
    if (!db)
        return false;
    QString error;
    const QString statement = withoutEnd(db->fromJet(m_sql, &error));
    const SelectShape shape = shapeOf(statement);
    if (shape.fromAt < 0 || shape.ordered || shape.limitAt >= 0)
        return fail(QStringLiteral("该查询结果不能整体删除"));
    const EngineCall call(m_db);
    const std::unique_ptr<BooksCursor> deletion =
        db->prepare(QStringLiteral("Delete ") + statement.mid(shape.fromAt), &m_failure);
    if (!deletion)
        return false;
    if (deletion->step() != BooksCursor::Step::Done)
        return failWith(deletion->error());
    finalize();
    m_rows.clear();
    m_current = 0;
    return true;
}
