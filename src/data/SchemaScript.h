#pragma once
#include <QString>

// A schema script built into the program as a resource (each engine's Schema.sql), and its parts: the
// lines between "-- <name>: begin" and "-- <name>: end", which the engines run again on older books.
namespace SchemaScript {

// The text of the resource at `path`.
QString read(const QString &path);
// The text of `script` from the line `from` up to the line `to`; empty when either is not there.
QString between(const QString &script, const QString &from, const QString &to);
// The part `name` of `script`.
QString part(const QString &script, const QString &name);

} // namespace SchemaScript
