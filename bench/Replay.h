#pragma once
// Timing the program beside the very statements it ran, replayed bare on SQLite (values filled in),
// so that the ratio is what the program adds.
#include <QByteArray>
#include <QList>
#include <QString>
#include <climits>
#include <functional>

#include "Bench.h"
#include "ForwardingScreen.h"

struct sqlite3;

// Figures that wait long at a million records take at most this many runs.
inline constexpr int MostRuns = 20;

// A statement the program ran, with its values filled in, and how many rows it stepped through.
struct Traced
{
    QByteArray sql;
    int rows = 0;
};

// The statements `work` runs on the program's connection, with the rows it read of each.
QList<Traced> statementsOf(const std::function<void()> &work);

// Steps through the first `rows` rows of the statement (all of them by default), reading every
// column, and finishes it: what SQLite alone takes to hand over those rows.
void readRows(sqlite3 *db, const QByteArray &sql, int rows = INT_MAX);

// Prepares every statement and steps through as many rows as the program read of it (and one step
// more, which ends a statement the program read to its end).
void replay(sqlite3 *db, const QList<Traced> &statements);

// Lets the one message a figure expects pass silently and hands everything else to the bench's screen.
class ExpectedMessage : public ForwardingScreen
{
public:
    explicit ExpectedMessage(const QString &text)
        : m_text(text)
    {
    }

    void inform(const QString &text) override
    {
        if (text != m_text)
            others().inform(text);
    }

private:
    QString m_text;
};

// 10 thousand, 100 thousand and the largest books, as far as the largest goes.
QList<int> journalSizes(const Bench &bench);

// Fresh books, and the program as a cashier leaves it after logging in to the company ledger.
void logInto(Bench &bench, int records);

int runs(const Bench &bench, int most);

// Times `work` in the program beside the statements it ran, replayed bare.
void compareWithReplay(Bench &bench, const QString &figure, int records, const std::function<void()> &work,
                       int most = MostRuns);
