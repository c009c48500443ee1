#pragma once
// Timing the program beside the very statements it ran, replayed bare, so that the ratio is what the
// program adds.
#include <QList>
#include <QString>
#include <functional>

#include "Bench.h"
#include "ForwardingScreen.h"

// Figures that wait long at a million records take at most this many runs.
inline constexpr int MostRuns = 20;

// The statements `work` runs on the program's connection, with the rows it read of each.
QList<Traced> statementsOf(const std::function<void()> &work);

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
