#pragma once
#include <QByteArray>
#include <QList>
#include <QStringList>
#include <deque>

#include <libpq-fe.h>

#include "data/BooksEngine.h"
#include "data/postgres/PgValues.h"

namespace Pg {

class Link;

// One statement on a link, its rows read one by one as the server sends them.
class PgCursor final : public BooksCursor
{
public:
    PgCursor(Link &link, const QString &statement, Result description);
    // A statement without parameters, to be sent with start().
    explicit PgCursor(Link &link, const QString &statement);
    ~PgCursor() override { reset(); }
    PgCursor(const PgCursor &) = delete;
    PgCursor &operator=(const PgCursor &) = delete;

    Step step() override;
    EngineError error() const override { return m_error; }
    void reset() override;
    void bindInteger(int parameter, qint64 value) override
    {
        if (parameter >= 1 && parameter <= m_parameters.size())
            m_parameters[parameter - 1] = QByteArray::number(value);
    }

    int columnCount() const override { return int(m_names.size()); }
    QString columnName(int column) const override { return m_names.value(column); }
    QString baseTable(int column) const override { return m_tables.value(column); }
    QString baseColumn(int column) const override { return m_columns.value(column); }

    qint64 integer(int column) const override;
    double real(int column) const override;
    void appendRow(RowStore &rows) const override;

    // Takes in every row still to come, so that the connection is free for another statement.
    void takeRest();
    // Sends the statement and reads its first result, which names the columns: false with error().
    bool start(const QString &statement);

private:
    enum class State { Ready, Streaming, Taken, Finished };
    bool send();
    void describe(const PGresult *described, const QString &statement);
    PGresult *nextResult();
    bool isNull(int column) const { return !m_row || PQgetisnull(m_row.get(), 0, column); }
    const char *text(int column) const { return PQgetvalue(m_row.get(), 0, column); }

    Link &m_link;
    const QByteArray m_text;
    QList<QByteArray> m_parameters; // as text; a null QByteArray is a null
    QStringList m_names;
    QStringList m_tables;
    QStringList m_columns;
    QList<Oid> m_types;
    State m_state = State::Ready;
    Result m_first{nullptr, &PQclear}; // read by start(), before the rows still to come
    std::deque<PGresult *> m_taken;
    Result m_row{nullptr, &PQclear};
    EngineError m_error;
};

} // namespace Pg
