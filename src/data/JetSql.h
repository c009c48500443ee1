#pragma once
#include <QDate>
#include <QString>

// Statements are written in the Access (Jet) dialect and turned into SQLite just before they run.
namespace JetSql {

// The fixed short date form used for every date the program shows or writes.
inline constexpr const char *ShortDateFormat = "yyyy-MM-dd";

QString dateText(const QDate &day);

// The last business day the program offers: statements also write the day after the current one, and
// a date literal holds years of four digits.
inline const QDate LastBusinessDay{9999, 12, 30};

// A text value between single quotes, with every ' doubled so the value stays one literal.
QString quoted(const QString &text);

// A date literal: #yyyy-MM-dd#.
QString dateLiteral(const QDate &day);

// Why a text holding a NUL character is neither stored nor run as part of a statement.
inline const QString NulInText = QStringLiteral("文字中含有空字符，不能保存或查找");

// Turns #...# date literals outside quoted texts into ISO text literals; everything else passes.
// Returns an empty string and sets *error when a date literal is malformed, a quote is unclosed or the
// statement holds a NUL character.
QString toSqlite(const QString &jet, QString *error = nullptr);

} // namespace JetSql
