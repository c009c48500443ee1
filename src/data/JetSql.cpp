#include "data/JetSql.h"

#include <QRegularExpression>

#include <algorithm>

namespace {

QDate parseDateLiteral(const QString &body)
{
    static const QRegularExpression form(QStringLiteral("^\\s*(\\d{4})[-/](\\d{1,2})[-/](\\d{1,2})\\s*$"));
    const auto match = form.match(body);
    if (!match.hasMatch())
        return {};
    return QDate(match.captured(1).toInt(), match.captured(2).toInt(), match.captured(3).toInt());
}



// A piece of a statement: a quoted text (date literals already turned into one), a name or keyword,
// a run of white space, or any other single character. A dialect adds text before or after a piece.
struct Token {
    enum class Kind { Quoted, Word, Space, Mark };
    Kind kind;
    QString text;
    QString before;
    QString after;

    bool isMark(char mark) const { return kind == Kind::Mark && text == QLatin1Char(mark); }
    bool isWord(const char *word) const
    {
        return kind == Kind::Word && text.compare(QLatin1String(word), Qt::CaseInsensitive) == 0;
    }
    bool isWordAmong(std::initializer_list<const char *> words) const
    {
        return std::any_of(words.begin(), words.end(), [this](const char *word) { return isWord(word); });
    }
};
using Tokens = QList<Token>;

void setError(QString *error, const QString &text)
{
    if (error)
        *error = text;
}

// Splits `jet` into pieces, refusing what no engine may run (see toSqlite). A piece taken as it stands
// reads `jet` in place rather than copying it: statements are translated at every click.
bool tokenize(const QString &jet, Tokens *tokens, QString *error)
{
    // SQLite reads a statement only up to a NUL character, PostgreSQL refuses it.
    if (jet.contains(QChar(0))) {
        setError(error, JetSql::NulInText);
        return false;
    }
    tokens->reserve(jet.size() / 3);
    qsizetype i = 0;
    while (i < jet.size()) {
        const QChar c = jet[i];
        qsizetype end = i + 1;
        Token::Kind kind = Token::Kind::Mark;
        QString text;
        if (c == QLatin1Char('\'') || c == QLatin1Char('"')) {
            end = JetSql::endOfQuoted(jet, i);
            if (end < 0) {
                setError(error, QStringLiteral("语句中的引号不成对"));
                return false;
            }
            kind = Token::Kind::Quoted;
        } else if (c == QLatin1Char('#')) {
            const qsizetype close = jet.indexOf(QLatin1Char('#'), i + 1);
            const QDate day = close < 0 ? QDate() : parseDateLiteral(jet.mid(i + 1, close - i - 1));
            if (!day.isValid()) {
                setError(error, QStringLiteral("语句中的日期格式有误"));
                return false;
            }
            end = close + 1;
            kind = Token::Kind::Quoted;
            text = QLatin1Char('\'') + JetSql::dateText(day) + QLatin1Char('\'');
        } else if (c == QLatin1Char('&')) {
            // Jet joins texts with &; SQLite would take it for a bitwise AND, PostgreSQL refuses it.
            setError(error, JetSql::UnsupportedOperator);
            return false;
        } else if (c.isSpace()) {
            while (end < jet.size() && jet[end].isSpace())
                ++end;
            kind = Token::Kind::Space;
        } else if (JetSql::isWordCharacter(c)) {
            while (end < jet.size() && JetSql::isWordCharacter(jet[end]))
                ++end;
            kind = Token::Kind::Word;
        }
        tokens->append({kind, text.isNull() ? QString::fromRawData(jet.constData() + i, end - i) : text, {}, {}});
        i = end;
    }
    return true;
}

QString joined(const Tokens &tokens, qsizetype size)
{
    QString out;
    out.reserve(size + 64);
    for (const Token &token : tokens) {
        out += token.before;
        out += token.text;
        out += token.after;
    }
    return out;
}

// The index of the first piece after `i` that is not white space; tokens.size() at the end.
qsizetype nextSolid(const Tokens &tokens, qsizetype i)
{
    do
        ++i;
    while (i < tokens.size() && tokens[i].kind == Token::Kind::Space);
    return i;
}

// The index of the last piece before `i` that is not white space; -1 at the start.
qsizetype previousSolid(const Tokens &tokens, qsizetype i)
{
    do
        --i;
    while (i >= 0 && tokens[i].kind == Token::Kind::Space);
    return i;
}

// The index of the ) that closes the ( at `open`; -1 when it is missing.
qsizetype matchingClose(const Tokens &tokens, qsizetype open)
{
    int depth = 0;
    for (qsizetype i = open; i < tokens.size(); ++i) {
        if (tokens[i].isMark('('))
            ++depth;
        else if (tokens[i].isMark(')') && --depth == 0)
            return i;
    }
    return -1;
}

// Whether a condition starts right after the piece at `i`: a keyword that takes one, or a bracket
// that groups one (not the bracket of a call such as Abs( or In ().
bool opensCondition(const Tokens &tokens, qsizetype i)
{
    if (i < 0)
        return false;
    if (tokens[i].isMark('('))
        return opensCondition(tokens, previousSolid(tokens, i));
    return tokens[i].isWordAmong({"And", "Or", "Not", "Where", "Having", "On"});
}

// Whether a condition ends right before the piece at `i`.
bool closesCondition(const Tokens &tokens, qsizetype i)
{
    if (i == tokens.size() || tokens[i].isMark(';'))
        return true;
    if (tokens[i].isMark(')'))
        return closesCondition(tokens, nextSolid(tokens, i));
    return tokens[i].isWordAmong({"And", "Or", "Order", "Group", "Union", "Limit"});
}

// An InStr call that is a whole condition by itself compares its position with 0: PostgreSQL takes
// no number for a truth value.
void compareLoneInStrWithZero(Tokens &tokens)
{
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        if (!tokens[i].isWord("InStr"))
            continue;
        const qsizetype open = nextSolid(tokens, i);
        if (open == tokens.size() || !tokens[open].isMark('('))
            continue;
        const qsizetype close = matchingClose(tokens, open);
        if (close < 0)
            return;
        if (opensCondition(tokens, previousSolid(tokens, i)) && closesCondition(tokens, nextSolid(tokens, close))) {
            tokens[i].before += QLatin1Char('(');
            tokens[close].after += QStringLiteral(" <> 0)");
        }
    }
}

// Gives one Order By item SQLite's place for NULLs: first going up, last going down (Desc).
void placeNullsAsSqlite(Tokens &tokens, qsizetype first, qsizetype end)
{
    const qsizetype last = previousSolid(tokens, end);
    if (last < first)
        return;
    for (qsizetype i = first; i <= last; ++i)
        if (tokens[i].isWord("Nulls"))
            return;
    tokens[last].after += tokens[last].isWord("Desc") ? QStringLiteral(" NULLS LAST") : QStringLiteral(" NULLS FIRST");
}

// The statement's own Order By (not one inside brackets) lists its items up to Limit, Offset, ; or
// the end; commas inside brackets belong to an item.
void orderNullsAsSqlite(Tokens &tokens)
{
    int depth = 0;
    for (qsizetype i = 0; i < tokens.size(); ++i) {
        if (tokens[i].isMark('('))
            ++depth;
        else if (tokens[i].isMark(')'))
            --depth;
        if (depth != 0 || !tokens[i].isWord("Order"))
            continue;
        const qsizetype by = nextSolid(tokens, i);
        if (by == tokens.size() || !tokens[by].isWord("By"))
            continue;
        qsizetype item = by + 1;
        int inner = 0;
        qsizetype j = item;
        for (; j < tokens.size(); ++j) {
            const Token &token = tokens[j];
            if (token.isMark('('))
                ++inner;
            else if (token.isMark(')') && --inner < 0)
                break;
            if (inner > 0)
                continue;
            if (token.isMark(';') || token.isWordAmong({"Limit", "Offset"}))
                break;
            if (token.isMark(',')) {
                placeNullsAsSqlite(tokens, item, j);
                item = j + 1;
            }
        }
        placeNullsAsSqlite(tokens, item, j);
        i = j - 1;
    }
}

// PostgreSQL numbers its parameters.
void numberParameters(Tokens &tokens)
{
    int number = 0;
    for (Token &token : tokens)
        if (token.isMark('?'))
            token.text = QStringLiteral("$%1").arg(++number);
}

} // namespace

QString JetSql::dateText(const QDate &day)
{
    return day.toString(QLatin1String(ShortDateFormat));
}

bool JetSql::isWordCharacter(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

qsizetype JetSql::endOfQuoted(const QString &text, qsizetype start)
{
    const QChar quote = text[start];
    qsizetype i = start + 1;
    while (i < text.size()) {
        if (text[i] == quote) {
            if (i + 1 < text.size() && text[i + 1] == quote) {
                i += 2;
                continue;
            }
            return i + 1;
        }
        ++i;
    }
    return -1;
}

QString JetSql::quoted(const QString &text)
{
    QString doubled = text;
    doubled.replace(QLatin1Char('\''), QLatin1String("''"));
    return QLatin1Char('\'') + doubled + QLatin1Char('\'');
}

QString JetSql::dateLiteral(const QDate &day)
{
    return QLatin1Char('#') + dateText(day) + QLatin1Char('#');
}

QString JetSql::toSqlite(const QString &jet, QString *error)
{
    Tokens tokens;
    return tokenize(jet, &tokens, error) ? joined(tokens, jet.size()) : QString();
}

QString JetSql::toPostgres(const QString &jet, QString *error)
{
    Tokens tokens;
    if (!tokenize(jet, &tokens, error))
        return {};
    compareLoneInStrWithZero(tokens);
    orderNullsAsSqlite(tokens);
    numberParameters(tokens);
    return joined(tokens, jet.size());
}
