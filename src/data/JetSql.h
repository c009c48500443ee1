#pragma once
#include <QDate>
#include <QString>

// Statements are written in the Access (Jet) dialect and turned into the engine's own dialect (SQLite
// or PostgreSQL) just before they run.
namespace JetSql {

// The fixed short date form used for every date the program shows or writes.
inline constexpr const char *ShortDateFormat = "yyyy-MM-dd";

QString dateText(const QDate &day);

// The last business day the program offers: statements also write the day after the current one, and
// a date literal holds years of four digits.
inline const QDate LastBusinessDay{9999, 12, 30};

// A text value between single quotes, with every ' doubled so the value stays one literal.
QString quoted(const QString &text);

// A letter, digit or underscore: a character of a name or a number in a statement.
bool isWordCharacter(QChar c);

// The index just past the quoted text that starts with the quote character at `start` (a doubled quote
// stays inside); -1 when the quote is not closed.
qsizetype endOfQuoted(const QString &text, qsizetype start);

// A date literal: #yyyy-MM-dd#.
QString dateLiteral(const QDate &day);

// Why a text holding a NUL character is neither stored nor run as part of a statement.
inline const QString NulInText = QStringLiteral("文字中含有空字符，不能保存或查找");

// Why a statement joining texts with Jet's & is not run: the engines read & as something else.
inline const QString UnsupportedOperator = QStringLiteral("语句中有不支持的运算符");

// Turns #...# date literals outside quoted texts into ISO text literals; everything else passes.
// Returns an empty string and sets *error when a date literal is malformed, a quote is unclosed, the
// statement holds a NUL character or an & outside a quoted text.
QString toSqlite(const QString &jet, QString *error = nullptr);

// As toSqlite, and gives PostgreSQL what SQLite reads differently: an InStr standing alone as a
// condition is compared with 0, every item of the statement's own Order By puts NULLs where SQLite
// puts them (first going up, last going down), and ? parameters become $1, $2, ... in order.
QString toPostgres(const QString &jet, QString *error = nullptr);

} // namespace JetSql
