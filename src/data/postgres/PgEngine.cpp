#include "data/postgres/PgEngine.h"

#include <QDate>
#include <QDateTime>
#include <QHash>
#include <QJsonDocument>
#include <QJsonObject>
#include <QScopeGuard>
#include <QSet>
#include <QMutex>
#include <QRegularExpression>
#include <QStringList>

#include <algorithm>
#include <deque>
#include <functional>
#include <limits>
#include <memory>
#include <mutex>
#include <libpq-fe.h>
#include <poll.h>

#include "data/DataSource.h"
#include "data/DeliveredBooks.h"
#include "data/JetSql.h"
#include "data/MonthTotals.h"
#include "data/RowStore.h"
#include "data/postgres/PgSchema.h"
#include "copying/ServerFile.h"

namespace {

// Type oids of the built-in types the books use (pg_type.h); citext and others read as text.
constexpr Oid BoolOid = 16;
constexpr Oid ByteaOid = 17;
constexpr Oid Int8Oid = 20;
constexpr Oid Int2Oid = 21;
constexpr Oid Int4Oid = 23;
constexpr Oid OidOid = 26;
constexpr Oid XidOid = 28;
constexpr Oid Float4Oid = 700;
constexpr Oid Float8Oid = 701;
constexpr Oid NumericOid = 1700;

// How the data layer holds a value of a type: booleans as 0/1, dates and the rest as text.
enum class ValueKind { Integer, Real, Bytes, Text };

ValueKind valueKind(Oid type)
{
    switch (type) {
    case BoolOid:
    case Int2Oid:
    case Int4Oid:
    case Int8Oid:
    case OidOid:
    case XidOid:
        return ValueKind::Integer;
    case Float4Oid:
    case Float8Oid:
    case NumericOid:
        return ValueKind::Real;
    case ByteaOid:
        return ValueKind::Bytes;
    default:
        return ValueKind::Text;
    }
}

// A bytea value from its text form.
QByteArray unescapedBytes(const char *text)
{
    size_t size = 0;
    unsigned char *bytes = PQunescapeBytea(reinterpret_cast<const unsigned char *>(text), &size);
    const QByteArray value(reinterpret_cast<const char *>(bytes), qsizetype(size));
    PQfreemem(bytes);
    return value;
}

// Per connection, the print tables are the cashier's own copies: one cashier's closing never writes
// into another's. Temporary tables come first in name lookup, so every statement finds the copy.
const char *const ScratchTables = R"(
CREATE TEMP TABLE PrintTable (LIKE public.PrintTable INCLUDING ALL);
INSERT INTO pg_temp.PrintTable SELECT * FROM public.PrintTable;
CREATE TEMP TABLE PrintDay (LIKE public.PrintDay INCLUDING ALL);
INSERT INTO pg_temp.PrintDay SELECT * FROM public.PrintDay;
SELECT setval(pg_get_serial_sequence('pg_temp.printday', 'dayindex'), coalesce(max(DayIndex), 0) + 1, false)
  FROM pg_temp.PrintDay;
)";

// Between two looks at a statement that waits for the server.
constexpr int WaitStep = 50;

const QString LostConnection = QStringLiteral(
    "与数据库服务器的连接已断开，最后一步操作可能没有保存。请检查网络和服务器，然后重新打开窗口查看数据后再试。");

// Calls `take` with each word of `text` outside quotes and comments, in order, until it says stop.
void walkWords(const QString &text, const std::function<bool(QStringView)> &take)
{
    for (qsizetype i = 0; i < text.size();) {
        const QChar c = text[i];
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            const qsizetype end = JetSql::endOfQuoted(text, i);
            i = end < 0 ? text.size() : end;
        } else if (JetSql::isWordCharacter(c)) {
            qsizetype j = i;
            while (j < text.size() && JetSql::isWordCharacter(text[j]))
                ++j;
            if (!take(QStringView(text).mid(i, j - i)))
                return;
            i = j;
        } else if (c == QLatin1Char('-') && i + 1 < text.size() && text[i + 1] == QLatin1Char('-')) {
            while (i < text.size() && text[i] != QLatin1Char('\n'))
                ++i;
        } else {
            ++i;
        }
    }
}

// Each word of `text` by its lower case, with the spelling it has where it first stands: PostgreSQL
// folds every unquoted name to lower case, and the program reads columns by the names it wrote.
void collectSpellings(const QString &text, QHash<QString, QString> *spellings)
{
    walkWords(text, [spellings](QStringView word) {
        const QString folded = word.toString().toLower();
        if (!spellings->contains(folded))
            spellings->insert(folded, word.toString());
        return true;
    });
}

// The spelling `statement` gives the name the server folded, where it first stands; empty when the
// statement does not write it.
QString spellingIn(const QString &statement, const QString &folded)
{
    QString found;
    if (folded != folded.toLower())
        return found; // a quoted name, which the server keeps as written
    walkWords(statement, [&](QStringView word) {
        if (word.compare(folded, Qt::CaseInsensitive) != 0)
            return true;
        found = word.toString();
        return false;
    });
    return found;
}

const QHash<QString, QString> &schemaSpellings()
{
    static const QHash<QString, QString> spellings = [] {
        QHash<QString, QString> found;
        collectSpellings(PgSchema::script(), &found);
        return found;
    }();
    return spellings;
}

// A name of the books as an identifier: a plain word goes as it is, folded by the server like every name
// the program writes; anything else is quoted.
QByteArray identifier(PGconn *conn, const QString &name)
{
    if (!name.isEmpty() && std::all_of(name.cbegin(), name.cend(), JetSql::isWordCharacter))
        return name.toUtf8();
    const QByteArray utf8 = name.toUtf8();
    char *quoted = PQescapeIdentifier(conn, utf8.constData(), size_t(utf8.size()));
    const QByteArray result(quoted ? quoted : "\"\"");
    PQfreemem(quoted);
    return result;
}

// A value as the text the server reads for it; a null stays null.
QByteArray parameterText(const QVariant &value, bool *isNull)
{
    *isNull = !value.isValid() || value.isNull();
    if (*isNull)
        return {};
    switch (value.typeId()) {
    case QMetaType::QDate:
        return JetSql::dateText(value.toDate()).toUtf8();
    case QMetaType::QDateTime:
        return value.toDateTime().toString(QStringLiteral("yyyy-MM-dd HH:mm:ss")).toUtf8();
    case QMetaType::Bool:
        return value.toBool() ? "1" : "0";
    case QMetaType::Double:
    case QMetaType::Float:
        return QByteArray::number(value.toDouble(), 'g', 17);
    default:
        return value.toString().toUtf8();
    }
}

// Parameters of a statement, kept alive while libpq reads them.
struct Parameters
{
    QList<QByteArray> texts;
    std::vector<const char *> values;

    explicit Parameters(const QVariantList &list)
    {
        for (const QVariant &value : list) {
            bool isNull = false;
            texts.append(parameterText(value, &isNull));
            values.push_back(isNull ? nullptr : texts.last().constData());
        }
    }
    int count() const { return int(values.size()); }
    const char *const *data() const { return values.empty() ? nullptr : values.data(); }
};

using Result = std::unique_ptr<PGresult, decltype(&PQclear)>;

Result wrap(PGresult *result)
{
    return Result(result, &PQclear);
}

bool succeeded(const PGresult *result)
{
    const ExecStatusType status = PQresultStatus(result);
    return status == PGRES_COMMAND_OK || status == PGRES_TUPLES_OK || status == PGRES_SINGLE_TUPLE;
}

QByteArray stateOf(const PGresult *result)
{
    const char *state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    return state ? QByteArray(state) : QByteArray();
}

// The five characters of an SQLSTATE packed into the error's code, six bits each as the server does.
int codeOf(const QByteArray &state)
{
    int code = 0;
    for (int i = 0; i < state.size() && i < 5; ++i)
        code |= ((state[i] - '0') & 0x3F) << (6 * i);
    return code;
}

EngineError::Kind kindOf(const QByteArray &state)
{
    if (state == "40P01" || state == "40001")
        return EngineError::Kind::Conflict;
    if (state == "55P03" || state == "55006")
        return EngineError::Kind::InUse;
    if (state == "23503")
        return EngineError::Kind::Unlinked;
    if (state == "25006" || state == "42501")
        return EngineError::Kind::ReadOnly;
    if (state == "53100")
        return EngineError::Kind::DiskFull;
    if (state == "58030")
        return EngineError::Kind::DiskFault;
    if (state == "XX001" || state == "XX002")
        return EngineError::Kind::Damaged;
    return EngineError::Kind::Other;
}

// The server folds unquoted names to lower case, also in its messages: a table or field it does not
// know ("column \"moneynope\" does not exist") is named again as `statement` spells it, so that the
// user finds the name as written in the settings or the template.
QString spelledAsWritten(const QString &text, const QByteArray &statement)
{
    const qsizetype open = text.indexOf(u'"');
    const qsizetype close = open < 0 ? -1 : text.indexOf(u'"', open + 1);
    if (close < 0 || statement.isEmpty())
        return text;
    const QString folded = text.mid(open + 1, close - open - 1);
    const QRegularExpression written(QStringLiteral("(?<![\\w.])%1(?!\\w)").arg(QRegularExpression::escape(folded)),
                                     QRegularExpression::CaseInsensitiveOption);
    const QRegularExpressionMatch found = written.match(QString::fromUtf8(statement));
    return found.hasMatch() ? QString(text).replace(open + 1, folded.size(), found.captured()) : text;
}

// The unique indexes that keep account names and list values apart, case-blind as the program looks.
bool isNameIndex(const PGresult *result)
{
    const char *constraint = PQresultErrorField(result, PG_DIAG_CONSTRAINT_NAME);
    return constraint && (qstrcmp(constraint, "accountbyname") == 0 || qstrcmp(constraint, "parameterbyvalue") == 0);
}

// What the server said went wrong with a statement, in the program's terms.
EngineError errorOf(PGconn *conn, const PGresult *result, const QByteArray &statement = {})
{
    if (PQstatus(conn) == CONNECTION_BAD)
        return {0, LostConnection + QStringLiteral("（") + QString::fromUtf8(PQerrorMessage(conn)).trimmed()
                       + QStringLiteral("）"),
                EngineError::Kind::Found};
    const QByteArray state = stateOf(result);
    const char *message = result ? PQresultErrorField(result, PG_DIAG_MESSAGE_PRIMARY) : nullptr;
    const QString text = message ? QString::fromUtf8(message) : QString::fromUtf8(PQerrorMessage(conn)).trimmed();
    if (state == "42601" && text.contains(QLatin1String("multiple commands")))
        return {codeOf(state), EngineText::ExtraStatement, EngineError::Kind::Found};
    if (state == "23505" && isNameIndex(result))
        return {codeOf(state), text, EngineError::Kind::Duplicate, true};
    if (state == "23505")
        return {codeOf(state), QStringLiteral("已有相同的记录，改动没有保存。（%1）").arg(text), EngineError::Kind::Other};
    if (state == "42703" || state == "42P01")
        return {codeOf(state), spelledAsWritten(text, statement), kindOf(state), true};
    return {codeOf(state), text, kindOf(state), true};
}

// The settings every connection of the program runs with, whatever the server's defaults.
const char *const SessionOptions = "-c DateStyle=ISO,YMD -c standard_conforming_strings=on -c lock_timeout=5s "
                                   "-c idle_in_transaction_session_timeout=60s -c search_path=public";

// The server's notices (a table that already exists, say) are not the user's concern.
void ignoreNotice(void *, const char *)
{
}

PGconn *connectTo(const PgEngine::Server &server)
{
    const QByteArray host = server.host.toUtf8(), port = server.port.toUtf8(), database = server.database.toUtf8(),
                     user = server.user.toUtf8(), sslMode = server.sslMode.toUtf8(),
                     password = server.password.toUtf8();
    // An empty password is left out, so that libpq looks in .pgpass.
    const char *const keywords[] = {"host",           "port",           "dbname",          "user",
                                    "sslmode",        "client_encoding", "application_name", "connect_timeout",
                                    "keepalives_idle", "options",        "password",       nullptr};
    const char *const values[] = {host.constData(),  port.constData(), database.constData(), user.constData(),
                                  sslMode.constData(), "UTF8",         "kalvora",            "5",
                                  "30",              SessionOptions,   password.isEmpty() ? nullptr : password.constData(),
                                  nullptr};
    PGconn *conn = PQconnectdbParams(keywords, values, 0);
    PQsetNoticeProcessor(conn, &ignoreNotice, nullptr);
    return conn;
}

// Why connecting failed, with what the user can check.
EngineError connectFailure(PGconn *conn, const PgEngine::Server &server)
{
    const QString detail = QString::fromUtf8(PQerrorMessage(conn)).trimmed();
    if (PQconnectionNeedsPassword(conn) || detail.contains(QLatin1String("authentication"))) {
        return {0,
                QStringLiteral("数据库服务器拒绝了用户“%1”的登录。请检查数据源 KalvoraCmp 中的用户名（Username），"
                               "并在本用户主文件夹的 .pgpass 文件（权限须为 0600）中写入该用户正确的密码。（%2）")
                    .arg(server.user, detail),
                EngineError::Kind::Found};
    }
    return {0,
            QStringLiteral("无法连接数据库服务器“%1”（端口 %2，数据库“%3”）。请检查服务器是否已开启、网络是否连通，"
                           "以及数据源 KalvoraCmp 中的服务器（Servername）、端口（Port）和数据库（Database）是否正确。（%4）")
                .arg(server.host, server.port.isEmpty() ? QStringLiteral("5432") : server.port, server.database,
                     detail),
            EngineError::Kind::Found};
}

class PgCursor;

// Whether a statement may wait for rows or tables another connection holds, telling the user: changes
// and commits may; reads never wait for a row another cashier changes, so a long report is only long.
enum class Waiting { Quietly, ForBooks };

// One connection to the server. libpq runs one statement per connection at a time, so before any other
// statement goes out the cursor still reading its rows takes the rest of them in.
class Link
{
public:
    Link(PGconn *conn, PgEngine::Server server, BooksWait wait = {})
        : m_conn(conn)
        , m_server(std::move(server))
        , m_cancel(PQgetCancel(conn))
        , m_wait(std::move(wait))
    {
    }
    ~Link()
    {
        PQfreeCancel(m_cancel);
        PQfinish(m_watcher);
        PQfinish(m_conn);
    }
    Link(const Link &) = delete;
    Link &operator=(const Link &) = delete;

    PGconn *conn() const { return m_conn; }
    const PgEngine::Server &server() const { return m_server; }
    void setTrace(PgEngine::Trace trace) { m_trace = std::move(trace); }
    // Tells the trace, if any, of a statement about to be sent and the protocol it goes by.
    void traceSent(const QByteArray &statement, PgEngine::Protocol protocol, int count = 0,
                   const char *const *values = nullptr) const
    {
        if (!m_trace)
            return;
        QList<QByteArray> sent;
        for (int i = 0; i < count; ++i)
            sent.append(values[i] ? QByteArray(values[i]) : QByteArray());
        m_trace(statement, sent, protocol);
    }

    void setStreaming(PgCursor *cursor) { m_streaming = cursor; }
    void stopStreaming(const PgCursor *cursor)
    {
        if (m_streaming == cursor)
            m_streaming = nullptr;
    }
    // Makes the connection free for the next statement; a connection found lost is opened again, once,
    // unless a transaction was open on it: its changes are gone, so the transaction is broken and every
    // statement and the commit fail as lost until it is rolled back.
    bool settle(EngineError *error);

    // Statements of the engine's own, without rows to read: false with the error. They may wait for
    // the books.
    bool run(const QString &statements, EngineError *error);
    Result query(const QString &statement, const QVariantList &values, EngineError *error,
                 Waiting waiting = Waiting::Quietly);
    // The session's settings that are not part of the connection string: the wait for locks and
    // the scratch tables.
    bool startSession(EngineError *error);
    // The role the change record names for this session's writes, kept for a connection opened again.
    bool setOperator(const QString &role, EngineError *error)
    {
        m_operator = role;
        return static_cast<bool>(query(QStringLiteral("SELECT set_config('kalvora.operator', $1, false)"), {role}, error));
    }

    bool begin(BooksConnection::Intent intent, EngineError *error)
    {
        static const QHash<BooksConnection::Intent, QString> begins{
            {BooksConnection::Intent::Read, QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ READ ONLY")},
            {BooksConnection::Intent::Write, QStringLiteral("BEGIN")},
            // Its writes go to the connection's temporary scratch tables, which no one else touches,
            // so the snapshot never meets a serialization failure.
            {BooksConnection::Intent::Report, QStringLiteral("BEGIN ISOLATION LEVEL REPEATABLE READ")}};
        // Sent outside a transaction, so on a connection found lost it goes again, once, on the
        // connection opened again.
        bool begun = run(begins.value(intent), error);
        if (!begun && m_transaction == Transaction::None && PQstatus(m_conn) == CONNECTION_BAD)
            begun = run(begins.value(intent), error);
        if (!begun)
            return false;
        m_transaction = Transaction::Open;
        return true;
    }
    bool commit(EngineError *error);
    // Ends the transaction; one broken by a lost connection was ended by the server already, and the
    // connection is opened again at the next statement.
    void rollback()
    {
        if (std::exchange(m_transaction, Transaction::None) == Transaction::Broken)
            return;
        EngineError ignored;
        run(QStringLiteral("ROLLBACK"), &ignored);
    }
    bool inTransaction() const { return m_transaction != Transaction::None; }
    // Whether the connection can serve another reader as a new one would: open, idle, with the
    // program's wait for locks. One stopped from outside serves too: the server drops a stop that
    // finds no statement running, so it never meets the next reader's.
    bool readyForAnother()
    {
        if (inTransaction() || m_streaming || !isOpenAndIdle())
            return false;
        EngineError ignored;
        if (m_lockTimeout >= 0 && !run(QStringLiteral("RESET lock_timeout"), &ignored))
            return false;
        m_lockTimeout = -1;
        return true;
    }
    // Whether the server still holds the connection open and idle. The server says nothing unasked to an
    // idle connection but that it is closing it (its last words and the close may come apart), so
    // anything waiting on the socket counts as closed.
    bool isOpenAndIdle()
    {
        pollfd socket{PQsocket(m_conn), POLLIN, 0};
        if (poll(&socket, 1, 0) != 0)
            return false;
        return PQstatus(m_conn) == CONNECTION_OK && PQtransactionStatus(m_conn) == PQTRANS_IDLE && !PQisBusy(m_conn);
    }

    void interrupt()
    {
        const QMutexLocker lock(&m_cancelLock);
        char ignored[256];
        if (m_cancel)
            PQcancel(m_cancel, ignored, sizeof ignored);
    }
    void waitQuietly(int milliseconds)
    {
        m_wait = {};
        m_lockTimeout = milliseconds;
        EngineError ignored;
        run(QStringLiteral("SET lock_timeout = %1").arg(milliseconds), &ignored);
    }

    // The base table's name and its columns' by their attribute numbers; cached per table.
    QString tableName(Oid table);
    QString columnName(Oid table, int column);
    // The one column of the table's primary key, empty when it has none or more; false with *error when
    // it could not be read.
    bool keyOf(const QString &table, QString *key, EngineError *error);
    // The spelling of a name as the schema writes it, or the name as the server gave it.
    static QString spelled(const QString &name)
    {
        return schemaSpellings().value(name, name);
    }

private:
    struct Table
    {
        QString name;
        QHash<int, QString> columns;
    };
    const Table &tableOf(Oid table);
    bool reconnect(EngineError *error);
    Result resultOf(Waiting waiting, const QByteArray &statement, EngineError *error);
    bool awaitResult();
    bool waitsForLock();

    PGconn *m_conn;
    const PgEngine::Server m_server;
    QMutex m_cancelLock;
    PGcancel *m_cancel;
    BooksWait m_wait; // asked while a statement waits for the books; none: wait quietly
    PGconn *m_watcher = nullptr; // tells whether a statement on m_conn waits for a lock, opened at need
    PgEngine::Trace m_trace;
    PgCursor *m_streaming = nullptr;
    // Broken: the connection was lost inside the transaction, whose changes the server threw away.
    enum class Transaction { None, Open, Broken } m_transaction = Transaction::None;
    int m_lockTimeout = -1;
    QString m_operator;
    QHash<Oid, Table> m_tables;
    QHash<QString, QString> m_keys;
};

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

bool Link::reconnect(EngineError *error)
{
    m_streaming = nullptr;
    {
        const QMutexLocker lock(&m_cancelLock);
        PQfreeCancel(m_cancel);
        m_cancel = nullptr;
        PQreset(m_conn);
        if (PQstatus(m_conn) != CONNECTION_OK) {
            *error = connectFailure(m_conn, m_server);
            return false;
        }
        m_cancel = PQgetCancel(m_conn);
    }
    return startSession(error);
}

bool Link::settle(EngineError *error)
{
    if (m_streaming) {
        PgCursor *cursor = std::exchange(m_streaming, nullptr);
        cursor->takeRest();
    }
    if (m_transaction == Transaction::Open && PQstatus(m_conn) != CONNECTION_OK)
        m_transaction = Transaction::Broken;
    if (m_transaction == Transaction::Broken) {
        *error = {0, LostConnection, EngineError::Kind::Found};
        return false;
    }
    if (PQstatus(m_conn) == CONNECTION_OK)
        return true;
    return reconnect(error);
}

bool Link::run(const QString &statements, EngineError *error)
{
    if (!settle(error))
        return false;
    const QByteArray text = statements.toUtf8();
    traceSent(text, PgEngine::Protocol::Simple);
    if (!PQsendQuery(m_conn, text.constData())) {
        *error = errorOf(m_conn, nullptr);
        return false;
    }
    return bool(resultOf(Waiting::ForBooks, text, error));
}

Result Link::query(const QString &statement, const QVariantList &values, EngineError *error, Waiting waiting)
{
    if (!settle(error))
        return wrap(nullptr);
    const Parameters parameters(values);
    const QByteArray text = statement.toUtf8();
    traceSent(text, PgEngine::Protocol::Extended, parameters.count(), parameters.data());
    if (!PQsendQueryParams(m_conn, text.constData(), parameters.count(), nullptr, parameters.data(), nullptr,
                           nullptr, 0)) {
        *error = errorOf(m_conn, nullptr);
        return wrap(nullptr);
    }
    return resultOf(waiting, text, error);
}

// The result of the statements sent: the last one's, or the first that failed, with *error set and null
// then. A statement that may wait for the books and waits for a lock longer than the user lets it is
// cancelled, and fails as the books being in use.
Result Link::resultOf(Waiting waiting, const QByteArray &statement, EngineError *error)
{
    bool gaveUp = false;
    Result kept = wrap(nullptr);
    for (;;) {
        if (waiting == Waiting::ForBooks && m_wait && !gaveUp && !awaitResult()) {
            gaveUp = true;
            interrupt();
        }
        PGresult *next = PQgetResult(m_conn);
        if (!next)
            break;
        if (kept && !succeeded(kept.get()))
            PQclear(next);
        else
            kept = wrap(next);
    }
    if (kept && succeeded(kept.get()))
        return kept;
    *error = errorOf(m_conn, kept.get(), statement);
    // Given up as the server gives up at its own lock timeout, and told alike.
    if (gaveUp && stateOf(kept.get()) == "57014") {
        error->kind = EngineError::Kind::InUse;
        error->text = QStringLiteral("canceling statement due to lock timeout");
    }
    return wrap(nullptr);
}

// Waits on the socket in short steps until the statement sent has its results. While it waits for a
// lock another connection holds, each step asks m_wait whether to go on: false when it said no.
bool Link::awaitResult()
{
    pollfd socket{PQsocket(m_conn), POLLIN, 0};
    while (PQconsumeInput(m_conn) && PQisBusy(m_conn)) {
        if (poll(&socket, 1, WaitStep) == 0 && waitsForLock() && !m_wait())
            return false;
    }
    return true; // the results are in, or the connection broke, which reading them tells
}

// Whether the statement running on the connection waits for a lock: a change that is merely slow is let
// run. Asked on a second connection, since this one is busy; when that cannot be had, the server's
// lock_timeout still ends a wait.
bool Link::waitsForLock()
{
    if (!m_watcher) {
        m_watcher = connectTo(m_server);
        if (PQstatus(m_watcher) != CONNECTION_OK) {
            PQfinish(std::exchange(m_watcher, nullptr));
            return false;
        }
    }
    const QByteArray pid = QByteArray::number(PQbackendPID(m_conn));
    const char *const values[] = {pid.constData()};
    const Result found = wrap(PQexecParams(m_watcher,
                                           "SELECT 1 FROM pg_catalog.pg_stat_activity WHERE pid = $1 "
                                           "AND wait_event_type = 'Lock'",
                                           1, nullptr, values, nullptr, nullptr, 0));
    if (!succeeded(found.get())) {
        PQfinish(std::exchange(m_watcher, nullptr));
        return false;
    }
    return PQntuples(found.get()) > 0;
}

bool Link::startSession(EngineError *error)
{
    if (m_lockTimeout >= 0 && !run(QStringLiteral("SET lock_timeout = %1").arg(m_lockTimeout), error))
        return false;
    if (!m_operator.isEmpty() && !setOperator(m_operator, error))
        return false;
    return run(QStringLiteral("BEGIN;") + QString::fromUtf8(ScratchTables) + QStringLiteral("COMMIT;"), error);
}

// Ends the transaction when it was stored; otherwise it stays for the caller to roll back.
bool Link::commit(EngineError *error)
{
    if (!settle(error))
        return false;
    traceSent("COMMIT", PgEngine::Protocol::Simple);
    if (!PQsendQuery(m_conn, "COMMIT")) {
        *error = errorOf(m_conn, nullptr);
        return false;
    }
    const Result result = resultOf(Waiting::ForBooks, "COMMIT", error);
    if (!result)
        return false;
    m_transaction = Transaction::None;
    // A transaction that failed part way ends in a rollback, which COMMIT answers without an error.
    if (qstrcmp(PQcmdStatus(result.get()), "COMMIT") != 0) {
        *error = {0, QStringLiteral("事务中有一步失败，所有改动都已撤销，没有保存。"), EngineError::Kind::Found};
        return false;
    }
    return true;
}

const Link::Table &Link::tableOf(Oid table)
{
    const auto found = m_tables.constFind(table);
    if (found != m_tables.cend())
        return *found;
    Table entry;
    EngineError ignored;
    const Result result = query(QStringLiteral("SELECT c.relname, a.attnum, a.attname FROM pg_catalog.pg_class c "
                                               "JOIN pg_catalog.pg_attribute a ON a.attrelid = c.oid "
                                               "WHERE c.oid = $1 AND a.attnum > 0 AND NOT a.attisdropped"),
                                {qint64(table)}, &ignored);
    for (int row = 0; result && row < PQntuples(result.get()); ++row) {
        entry.name = spelled(QString::fromUtf8(PQgetvalue(result.get(), row, 0)));
        entry.columns.insert(QByteArray(PQgetvalue(result.get(), row, 1)).toInt(),
                             spelled(QString::fromUtf8(PQgetvalue(result.get(), row, 2))));
    }
    // A failed look-up leaves the columns without their table (not writable) this once, and is asked
    // again next time rather than kept.
    if (!result) {
        static const Table none;
        return none;
    }
    return *m_tables.insert(table, entry);
}

QString Link::tableName(Oid table)
{
    return table == InvalidOid ? QString() : tableOf(table).name;
}

QString Link::columnName(Oid table, int column)
{
    return table == InvalidOid || column <= 0 ? QString() : tableOf(table).columns.value(column);
}

bool Link::keyOf(const QString &table, QString *key, EngineError *error)
{
    const QString name = table.toLower();
    const auto found = m_keys.constFind(name);
    if (found != m_keys.cend()) {
        *key = *found;
        return true;
    }
    const Result result = query(QStringLiteral("SELECT a.attname FROM pg_catalog.pg_index i "
                                               "JOIN pg_catalog.pg_attribute a ON a.attrelid = i.indrelid "
                                               "AND a.attnum = i.indkey[0] "
                                               "WHERE i.indrelid = to_regclass($1) AND i.indisprimary "
                                               "AND i.indnatts = 1"),
                                {table}, error);
    if (!result)
        return false;
    *key = PQntuples(result.get()) == 1 ? spelled(QString::fromUtf8(PQgetvalue(result.get(), 0, 0))) : QString();
    m_keys.insert(name, *key);
    return true;
}

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
        m_names.append(written.isEmpty() ? Link::spelled(name) : written);
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

// A connection on the server's books, as the program's own connection (Interface = BooksEngine) or as
// a reader beside it (Interface = BooksConnection).
template <class Interface>
class PgConnection : public Interface
{
public:
    explicit PgConnection(std::unique_ptr<Link> link)
        : m_link(std::move(link))
    {
    }

    // Sent through the extended protocol only, which takes exactly one statement: an injected second
    // one is refused by the server and never runs.
    std::unique_ptr<BooksCursor> prepare(const QString &statement, EngineError *error) override
    {
        const QByteArray text = statement.toUtf8();
        Result described = describe(text, error);
        if (!described && !m_link->inTransaction() && PQstatus(m_link->conn()) == CONNECTION_BAD)
            described = describe(text, error); // the connection is opened again by then
        if (!described)
            return nullptr;
        return std::make_unique<PgCursor>(*m_link, statement, std::move(described));
    }

    // Parsed, bound and run in one round trip; the first result names the columns.
    std::unique_ptr<BooksCursor> start(const QString &statement, EngineError *error) override
    {
        for (int sent = 1;; ++sent) {
            auto cursor = std::make_unique<PgCursor>(*m_link, statement);
            if (cursor->start(statement))
                return cursor;
            // It only reads, so it is sent again, once, on the connection opened again.
            if (sent > 1 || m_link->inTransaction() || PQstatus(m_link->conn()) != CONNECTION_BAD) {
                *error = cursor->error();
                return nullptr;
            }
        }
    }

    bool begin(BooksConnection::Intent intent, EngineError *error) override { return m_link->begin(intent, error); }
    bool commit(EngineError *error) override { return m_link->commit(error); }
    void rollback() override { m_link->rollback(); }
    bool inTransaction() const override { return m_link->inTransaction(); }
    void interrupt() override { m_link->interrupt(); }
    void waitQuietly(int milliseconds) override { m_link->waitQuietly(milliseconds); }

protected:
    Result describe(const QByteArray &text, EngineError *error)
    {
        if (!m_link->settle(error))
            return wrap(nullptr);
        const Result prepared = wrap(PQprepare(m_link->conn(), "", text.constData(), 0, nullptr));
        if (!succeeded(prepared.get())) {
            *error = errorOf(m_link->conn(), prepared.get(), text);
            return wrap(nullptr);
        }
        Result described = wrap(PQdescribePrepared(m_link->conn(), ""));
        if (!succeeded(described.get())) {
            *error = errorOf(m_link->conn(), described.get(), text);
            return wrap(nullptr);
        }
        return described;
    }

    std::unique_ptr<Link> m_link;
};

// The connection of a reader left idle, kept for the next reader: a new connection costs the server a
// process of its own and the time to learn the books' tables again, which a grid would wait for at
// each open.
class IdleReader
{
public:
    std::unique_ptr<Link> take()
    {
        const std::lock_guard lock(m_lock);
        std::unique_ptr<Link> link = std::move(m_link);
        return link && link->isOpenAndIdle() ? std::move(link) : nullptr;
    }
    void keep(std::unique_ptr<Link> link)
    {
        if (!link->readyForAnother())
            return;
        const std::lock_guard lock(m_lock);
        if (!m_link)
            m_link = std::move(link);
    }

private:
    std::mutex m_lock;
    std::unique_ptr<Link> m_link;
};

// A connection reading beside the program's own, handed back when closed: from any thread, and even
// after the books are closed, when the last holder of `idle` closes it.
class Reader final : public PgConnection<BooksConnection>
{
public:
    Reader(std::unique_ptr<Link> link, std::shared_ptr<IdleReader> idle)
        : PgConnection(std::move(link))
        , m_idle(std::move(idle))
    {
    }
    ~Reader() override { m_idle->keep(std::move(m_link)); }
    Reader(const Reader &) = delete;
    Reader &operator=(const Reader &) = delete;

private:
    const std::shared_ptr<IdleReader> m_idle;
};

// The program's connection to the server's books. Rows are written by their table's key.
class PgBooks final : public PgConnection<BooksEngine>
{
public:
    using PgConnection::PgConnection;

    bool execute(const QString &statements, EngineError *error) override { return m_link->run(statements, error); }

    QString dialect(const QString &jet, QString *error) const override { return JetSql::toPostgres(jet, error); }
    QString rowIdExpression(const QString &table) override
    {
        QString key;
        EngineError unread; // no key: the rows are read without one and cannot be changed
        m_link->keyOf(table, &key, &unread);
        return key;
    }
    // The transaction that wrote the row's version: any change by anyone gives the row a new one.
    QString rowVersionExpression() const override { return QStringLiteral("xmin"); }

    bool insertRow(const QString &table, const Fields &fields, qint64 *rowId, StoredRow *stored,
                   EngineError *error) override;
    bool updateRow(const QString &table, qint64 rowId, const QVariant &version, const Fields &fields,
                   StoredRow *stored, EngineError *error) override;
    bool deleteRow(const QString &table, qint64 rowId, const QVariant &version, EngineError *error) override;

    bool setOperator(const QString &role, EngineError *error) override { return m_link->setOperator(role, error); }
    ChangeRecord::Engine changeDialect() const override { return ChangeRecord::Engine::Postgres; }
    bool missingChangeTriggers(QStringList *missing, EngineError *error) override;
    bool restoreChangeTriggers(const QStringList &restored, EngineError *error) override;

    bool acceptsChanges(EngineError *why) override;
    bool verifyMonthTotals(bool *rebuilt, EngineError *error) override;

    std::unique_ptr<BooksConnection> openReader(EngineError *error) override
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

    Link &link() { return *m_link; }

    // From a connection of its own, in one snapshot of the books, into a books file.
    bool copyTo(const QString &target, BooksFile::Failure *failure, const BooksFile::Progress &progress) override
    {
        return ServerFile::copyToFile(m_link->server(), target, failure, progress);
    }

private:
    QString name(const QString &table) const { return QString::fromUtf8(identifier(m_link->conn(), table)); }
    QString keyFor(const QString &table, EngineError *error);
    bool takeRow(const QString &key, Result result, qint64 *rowId, StoredRow *stored, EngineError *error);
    QString rowCondition(const QString &key, const QVariant &version, QVariantList *values) const;
    void tellMissing(const QString &table, const QString &key, qint64 rowId, EngineError *error);

    const std::shared_ptr<IdleReader> m_idleReader = std::make_shared<IdleReader>();
};

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

bool PgBooks::missingChangeTriggers(QStringList *missing, EngineError *error)
{
    missing->clear();
    const Result present = m_link->query(
        QStringLiteral("SELECT tgname FROM pg_catalog.pg_trigger WHERE NOT tgisinternal AND tgenabled <> 'D'"
                       " AND tgname LIKE 'changelog%'"),
        {}, error);
    if (!present)
        return false;
    QSet<QString> names;
    for (int row = 0; row < PQntuples(present.get()); ++row)
        names.insert(QString::fromUtf8(PQgetvalue(present.get(), row, 0)));
    for (const QString &name : ChangeRecord::triggerNames(ChangeRecord::Engine::Postgres))
        if (!names.contains(name))
            missing->append(name);
    return true;
}

bool PgBooks::restoreChangeTriggers(const QStringList &restored, EngineError *error)
{
    const QString after = QString::fromUtf8(
        QJsonDocument(QJsonObject{{QStringLiteral("触发器"), restored.join(QStringLiteral("、"))}})
            .toJson(QJsonDocument::Compact));
    QString drop;
    for (const QString &name : ChangeRecord::triggerNames(ChangeRecord::Engine::Postgres)) {
        const QString table = name.startsWith(QLatin1String("changelogkeep")) ? QStringLiteral("changelog")
                                                                               : name.mid(int(qstrlen("changelog")));
        drop += QStringLiteral("DROP TRIGGER IF EXISTS %1 ON %2;").arg(name, table);
    }
    if (m_link->begin(BooksConnection::Intent::Write, error)
        && m_link->run(QStringLiteral("SET LOCAL client_min_messages = warning;") + drop + PgSchema::changeTriggers(),
                       error)
        && m_link->query(QStringLiteral("SELECT change_log_write($1, $2, NULL, NULL, NULL, $3::jsonb)"),
                         {ChangeRecord::Kind::Restored, QLatin1String(ChangeRecord::Table), after}, error)
        && m_link->commit(error))
        return true;
    m_link->rollback();
    return false;
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

bool PgBooks::verifyMonthTotals(bool *rebuilt, EngineError *error)
{
    *rebuilt = false;
    const Result differing = m_link->query(MonthTotals::checkStatement(MonthTotals::Engine::Postgres), {}, error);
    if (!differing)
        return false;
    if (PQntuples(differing.get()) == 0)
        return true;
    const QString rebuild = MonthTotals::rebuildStatement(MonthTotals::Engine::Postgres);
    if (!m_link->run(QStringLiteral("BEGIN;") + rebuild + QStringLiteral("COMMIT;"), error)) {
        m_link->rollback();
        return false;
    }
    *rebuilt = true;
    return true;
}

// The first value of a statement of the engine's own, as text; null when it gave no row.
bool firstValue(Link &link, const QString &statement, QByteArray *value, EngineError *error)
{
    const Result result = link.query(statement, {}, error);
    if (!result)
        return false;
    *value = PQntuples(result.get()) > 0 && !PQgetisnull(result.get(), 0, 0)
        ? QByteArray(PQgetvalue(result.get(), 0, 0))
        : QByteArray();
    return true;
}

// Books of the version before get the change record, with one baseline entry for each row already
// there, in one transaction.
bool addChangeRecord(Link &link, const BooksFile::Progress &progress, EngineError *error)
{
    const auto finished = qScopeGuard([&progress] {
        if (progress)
            progress(100);
    });
    const auto &tables = ChangeRecord::coveredTables();
    bool added = link.begin(BooksConnection::Intent::Write, error) && link.run(PgSchema::changeRecord(), error);
    for (int i = 0; added && i < tables.size(); ++i) {
        added = link.run(ChangeRecord::baselineStatement(ChangeRecord::Engine::Postgres, tables[i],
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

// The books may be used: a database in the C locale, the books' tables (made here in an empty
// database), of the version this program reads (the version before brought to it), with citext.
bool checkBooks(Link &link, const BooksFile::Progress &upgrade, EngineError *error)
{
    const QString database = link.server().database;
    QByteArray value;
    if (!firstValue(link,
                    QStringLiteral("SELECT datctype FROM pg_catalog.pg_database WHERE datname = current_database()"),
                    &value, error))
        return false;
    if (value != "C") {
        *error = {0,
                  QStringLiteral("服务器上的数据库“%1”不是以 LOCALE 'C' 建立的（现在是“%2”），帐簿不能使用：字母大小写的比较会与本软件不同。")
                          .arg(database, QString::fromUtf8(value))
                      + PgEngine::newDatabaseAdvice(database),
                  EngineError::Kind::Found};
        return false;
    }
    if (!firstValue(link, QStringLiteral("SELECT count(*) FROM pg_catalog.pg_tables WHERE schemaname = 'public'"),
                    &value, error))
        return false;
    if (value == "0" && !link.run(QStringLiteral("BEGIN;") + PgSchema::script() + QStringLiteral("COMMIT;"), error)) {
        link.rollback();
        return false;
    }
    if (!firstValue(link, QStringLiteral("SELECT to_regclass('public.booksversion') IS NOT NULL"), &value, error))
        return false;
    if (value != "t") {
        *error = {0,
                  QStringLiteral("服务器上的数据库“%1”不是本软件的帐簿。请检查数据源 KalvoraCmp 中的数据库（Database）。")
                      .arg(database),
                  EngineError::Kind::Found};
        return false;
    }
    if (!firstValue(link, QStringLiteral("SELECT max(SchemaVersion) FROM public.BooksVersion"), &value, error))
        return false;
    const bool older = value.toInt() == DeliveredBooks::SchemaVersion - 1;
    if (!older && value.toInt() != DeliveredBooks::SchemaVersion) {
        *error = {0,
                  QStringLiteral("帐簿版本（%1）与本软件使用的版本（%2）不同：服务器上的帐簿来自其他版本的软件，"
                                 "本软件不能使用。请先把本软件升级到与帐簿相同的版本。")
                      .arg(value.isEmpty() ? QStringLiteral("无") : QString::fromUtf8(value))
                      .arg(DeliveredBooks::SchemaVersion),
                  EngineError::Kind::Found};
        return false;
    }
    if (!firstValue(link, QStringLiteral("SELECT 1 FROM pg_catalog.pg_extension WHERE extname = 'citext'"), &value,
                    error))
        return false;
    if (value != "1") {
        *error = {0,
                  QStringLiteral("服务器上的数据库“%1”没有安装 citext 扩展，帐簿不能使用。"
                                 "请由管理员在该数据库中执行：CREATE EXTENSION citext;")
                      .arg(database),
                  EngineError::Kind::Found};
        return false;
    }
    return !older || addChangeRecord(link, upgrade, error);
}

// The month totals' table and its four triggers, put back whole with totals built from the records
// when any of them was removed or switched off by hand: the balances read the table, and a missing
// trigger would let them drift from the records unseen.
bool repairMonthTotals(Link &link, bool *rebuilt, EngineError *error)
{
    QByteArray value;
    if (!firstValue(link,
                    QStringLiteral("SELECT to_regclass('public.moneymonth') IS NOT NULL AND (SELECT count(*)"
                                   " FROM pg_catalog.pg_trigger WHERE tgrelid = 'public.moneytable'::regclass"
                                   " AND tgenabled <> 'D' AND tgname IN ('moneymonthinsert', 'moneymonthdelete',"
                                   " 'moneymonthupdate', 'moneymonthtruncate')) = 4"),
                    &value, error))
        return false;
    if (value == "t")
        return true;
    const QString repair = QStringLiteral(
        "BEGIN; DROP TABLE IF EXISTS public.MoneyMonth; DROP FUNCTION IF EXISTS money_month_changed(),"
        " money_month_emptied(), money_month_recount(integer[], text[]) CASCADE;");
    if (!link.run(repair + PgSchema::monthTotals() + MonthTotals::rebuildStatement(MonthTotals::Engine::Postgres)
                      + QStringLiteral("COMMIT;"),
                  error)) {
        link.rollback();
        return false;
    }
    if (rebuilt)
        *rebuilt = true;
    return true;
}

// The key that keeps every record's account stored, added to books made before it: a record stored
// for an account deleted meanwhile, or a deletion meeting a record stored meanwhile, fails whole.
bool repairAccountKey(Link &link, EngineError *error)
{
    QByteArray value;
    if (!firstValue(link,
                    QStringLiteral("SELECT 1 FROM pg_catalog.pg_constraint WHERE conname = 'moneyaccountexists'"
                                   " AND conrelid = 'public.moneytable'::regclass"),
                    &value, error))
        return false;
    return value == "1" || link.run(PgSchema::accountKey(), error);
}

// The change list's index, added to books made before it. It only makes the list faster: books whose
// user may not add it, or whose entries another desk holds just now, open all the same and are tried
// again at the next start.
void addChangeListOrder(Link &link)
{
    QByteArray value;
    EngineError ignored;
    if (firstValue(link,
                   QStringLiteral("SELECT 1 FROM pg_catalog.pg_class WHERE relname = 'changenewestfirst'"
                                  " AND relnamespace = 'public'::regnamespace"),
                   &value, &ignored)
        && value != "1")
        link.run(PgSchema::changeListOrder(), &ignored);
}

} // namespace

std::unique_ptr<BooksEngine> PgEngine::open(const Server &server, EngineError *error, bool *rebuilt, BooksWait wait,
                                            const BooksFile::Progress &upgrade)
{
    PGconn *conn = connectTo(server);
    if (PQstatus(conn) != CONNECTION_OK) {
        *error = connectFailure(conn, server);
        PQfinish(conn);
        return nullptr;
    }
    auto link = std::make_unique<Link>(conn, server, std::move(wait));
    if (!checkBooks(*link, upgrade, error) || !repairMonthTotals(*link, rebuilt, error)
        || !repairAccountKey(*link, error))
        return nullptr;
    addChangeListOrder(*link);
    if (!link->startSession(error))
        return nullptr;
    return std::make_unique<PgBooks>(std::move(link));
}

PgEngine::Server PgEngine::serverOf(const QString &name)
{
    const auto entry = [&name](const char *key) { return DataSource::entryOf(name, QLatin1String(key)); };
    return {entry("Servername"), entry("Port"), entry("Database"), entry("Username"), entry("SSLmode"), {}};
}

pg_conn *PgEngine::connectSession(const Server &server, EngineError *error)
{
    PGconn *conn = connectTo(server);
    if (PQstatus(conn) == CONNECTION_OK)
        return conn;
    *error = connectFailure(conn, server);
    PQfinish(conn);
    return nullptr;
}

QString PgEngine::newDatabaseAdvice(const QString &database)
{
    return QStringLiteral("请由管理员建立一个新的数据库：createdb -T template0 -E UTF8 --locale=C %1").arg(database);
}

void PgEngine::trace(BooksEngine &engine, Trace trace)
{
    dynamic_cast<PgBooks &>(engine).link().setTrace(std::move(trace));
}
