#pragma once
#include <QString>
#include <QStringList>
#include <optional>

// The commands that put this desk's books on a server or point it at books there, run from a terminal:
//   kalvora --move-books-to-server "host=… dbname=… user=…"
//   kalvora --use-server "host=… dbname=… user=…"
//   kalvora --use-local-books
// The exit code when `arguments` (without the program's name) is one of them; nothing otherwise.
// Messages go to the terminal in Chinese, failures to stderr.
std::optional<int> RunServerCommand(const QStringList &arguments, const QString &programDir);
