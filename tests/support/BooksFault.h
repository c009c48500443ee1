#pragma once
#include <QString>

#include "OtherProgram.h"

class ProgramFixture;

// Makes the program's changes of the books fail as a cashier can meet it, until lift() or the end of
// the scope: "read-only" books, books "in use" by another program that holds the write lock (the
// program gives up at once), or changes of `table` "refused" by the books (a trigger raising Reason).
class BooksFault
{
public:
    static inline const QString Reason = QStringLiteral("帐簿拒绝了改动");

    BooksFault(ProgramFixture &program, const QString &fault, const QString &table = QString());
    ~BooksFault() { lift(); }
    BooksFault(const BooksFault &) = delete;
    BooksFault &operator=(const BooksFault &) = delete;

    void lift();

    // The message the program shows when `what` failed this way, and the detail it keeps. A server
    // names the refused statement in a read-only detail: `change` is "INSERT", "UPDATE" or "DELETE".
    QString message(const QString &what) const;
    QString detail(const QString &change = QStringLiteral("UPDATE")) const;

private:
    QString m_fault;
    QString m_table;
    OtherProgram m_other;
    bool m_lifted = false;
};
