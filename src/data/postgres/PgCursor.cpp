#include "data/postgres/PgCursor.h"

#include "data/RowStore.h"
#include "data/postgres/PgErrors.h"
#include "data/postgres/PgLink.h"
#include "data/postgres/PgSpelling.h"

namespace Pg {

PgCursor::PgCursor(Link &link, const QString &statement, Result description)
    : m_link(link)
    , m_text(statement.toUtf8())
{
    const PGresult *described = description.get();
    for (int p = 0; p < PQnparams(described); ++p)
        m_parameters.append(QByteArray());
    describe(described, statement);
}

PgCursor::PgCursor(Link &link, const QString &statement)
    : m_link(link)
    , m_text(statement.toUtf8())
{
}

// The columns by the names the statement writes them, else as the schema writes them.
void PgCursor::describe(const PGresult *described, const QString &statement)
{
    for (int c = 0; c < PQnfields(described); ++c) {
        const QString name = QString::fromUtf8(PQfname(described, c));
        const QString written = spellingIn(statement, name);
        m_names.append(written.isEmpty() ? spelled(name) : written);
        const Oid table = PQftable(described, c);
        m_tables.append(m_link.tableName(table));
        m_columns.append(m_link.columnName(table, PQftablecol(described, c)));
        m_types.append(PQftype(described, c));
    }
}

bool PgCursor::start(const QString &statement)
{
    if (!send())
        return false;
    m_first = wrap(PQgetResult(m_link.conn()));
    if (m_first && (PQresultStatus(m_first.get()) == PGRES_SINGLE_TUPLE || succeeded(m_first.get()))) {
        describe(m_first.get(), statement);
        return true;
    }
    m_error = errorOf(m_link.conn(), m_first.get(), m_text);
    reset();
    m_state = State::Finished;
    return false;
}

// Sends the statement with the values bound, its rows to come one by one.
bool PgCursor::send()
{
    if (!m_link.settle(&m_error))
        return false;
    std::vector<const char *> values;
    for (const QByteArray &parameter : m_parameters)
        values.push_back(parameter.isNull() ? nullptr : parameter.constData());
    m_link.traceSent(m_text, PgEngine::Protocol::Extended, int(values.size()), values.data());
    if (!PQsendQueryParams(m_link.conn(), m_text.constData(), int(values.size()), nullptr,
                           values.empty() ? nullptr : values.data(), nullptr, nullptr, 0)) {
        m_error = errorOf(m_link.conn(), nullptr);
        m_state = State::Finished;
        return false;
    }
    PQsetSingleRowMode(m_link.conn());
    m_state = State::Streaming;
    m_link.setStreaming(this);
    return true;
}

PGresult *PgCursor::nextResult()
{
    if (m_first)
        return m_first.release();
    if (m_state == State::Streaming)
        return PQgetResult(m_link.conn());
    if (m_taken.empty())
        return nullptr;
    PGresult *result = m_taken.front();
    m_taken.pop_front();
    return result;
}

void PgCursor::takeRest()
{
    if (m_state != State::Streaming)
        return;
    while (PGresult *result = PQgetResult(m_link.conn()))
        m_taken.push_back(result);
    m_state = State::Taken;
    m_link.stopStreaming(this);
}

BooksCursor::Step PgCursor::step()
{
    m_row.reset();
    if (m_state == State::Finished)
        return Step::Done;
    if (m_state == State::Ready && !send())
        return Step::Failed;
    Result result = wrap(nextResult());
    if (result && PQresultStatus(result.get()) == PGRES_SINGLE_TUPLE) {
        m_row = std::move(result);
        return Step::Row;
    }
    const bool failed = !result || !succeeded(result.get());
    if (failed)
        m_error = errorOf(m_link.conn(), result.get(), m_text);
    // The end of the rows, or the error, is followed by the end of the statement.
    while (PGresult *rest = nextResult())
        PQclear(rest);
    m_link.stopStreaming(this);
    m_state = State::Finished;
    return failed ? Step::Failed : Step::Done;
}

void PgCursor::reset()
{
    m_row.reset();
    m_first.reset();
    if (m_state == State::Streaming) {
        while (PGresult *rest = PQgetResult(m_link.conn()))
            PQclear(rest);
        m_link.stopStreaming(this);
    }
    for (PGresult *taken : m_taken)
        PQclear(taken);
    m_taken.clear();
    m_state = State::Ready;
}

qint64 PgCursor::integer(int column) const
{
    if (isNull(column))
        return 0;
    if (m_types[column] == BoolOid)
        return text(column)[0] == 't' ? 1 : 0;
    return QByteArray(text(column)).toLongLong();
}

double PgCursor::real(int column) const
{
    if (isNull(column))
        return 0;
    if (m_types[column] == BoolOid)
        return text(column)[0] == 't' ? 1 : 0;
    return QByteArray(text(column)).toDouble();
}

void PgCursor::appendRow(RowStore &rows) const
{
    rows.startRow();
    for (int column = 0; column < m_names.size(); ++column) {
        if (isNull(column)) {
            rows.putEmpty();
            continue;
        }
        switch (valueKind(m_types[column])) {
        case ValueKind::Integer:
            rows.putInteger(integer(column));
            break;
        case ValueKind::Real:
            rows.putReal(real(column));
            break;
        case ValueKind::Bytes: {
            const QByteArray bytes = unescapedBytes(text(column));
            rows.putBlob(bytes.constData(), bytes.size());
            break;
        }
        case ValueKind::Text:
            rows.putText(text(column), PQgetlength(m_row.get(), 0, column));
        }
    }
}

} // namespace Pg
