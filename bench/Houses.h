#pragma once
#include <QString>

// One page of twelve account houses, as the cashier waits for it after every refresh.
struct HousesTiming
{
    int houses = 0;       // houses filled on the page
    double programMs = 0; // RefreshAccountHouses in the running program, median of the rounds
    double bareMs = 0;    // the same statements prepared and stepped on SQLite alone, median
};

// Times the first page of the overview over every typed account (scope 7) in the running program,
// whose books are the file at `booksPath`, and the same statements bare on that file.
HousesTiming TimeHousesPage(const QString &booksPath, int rounds);
