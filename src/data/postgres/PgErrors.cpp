#include "data/postgres/PgErrors.h"

#include <QRegularExpression>

#include "data/BooksEngine.h"

namespace {

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

} // namespace

QByteArray Pg::stateOf(const PGresult *result)
{
    const char *state = result ? PQresultErrorField(result, PG_DIAG_SQLSTATE) : nullptr;
    return state ? QByteArray(state) : QByteArray();
}

EngineError Pg::errorOf(PGconn *conn, const PGresult *result, const QByteArray &statement)
{
    if (PQstatus(conn) == CONNECTION_BAD)
        return {0, LostConnectionSentence + QStringLiteral("（") + QString::fromUtf8(PQerrorMessage(conn)).trimmed()
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

EngineError Pg::connectFailure(PGconn *conn, const PgEngine::Server &server)
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
