#include "data/postgres/PgSpelling.h"

#include <QHash>
#include <algorithm>
#include <functional>

#include "data/JetSql.h"
#include "data/postgres/PgSchema.h"

namespace {

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

const QHash<QString, QString> &schemaSpellings()
{
    static const QHash<QString, QString> spellings = [] {
        QHash<QString, QString> found;
        collectSpellings(PgSchema::script(), &found);
        return found;
    }();
    return spellings;
}

} // namespace

QString Pg::spellingIn(const QString &statement, const QString &folded)
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

QString Pg::spelled(const QString &name)
{
    return schemaSpellings().value(name, name);
}

QByteArray Pg::identifier(PGconn *conn, const QString &name)
{
    if (!name.isEmpty() && std::all_of(name.cbegin(), name.cend(), JetSql::isWordCharacter))
        return name.toUtf8();
    const QByteArray utf8 = name.toUtf8();
    char *quoted = PQescapeIdentifier(conn, utf8.constData(), size_t(utf8.size()));
    const QByteArray result(quoted ? quoted : "\"\"");
    PQfreemem(quoted);
    return result;
}
