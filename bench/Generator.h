#pragma once
#include <QString>

// Fills new books with made-up but plausible data: `accounts` accounts of the four types, the three
// settings lists, some open receivables and payables, and `records` journal records spread evenly over
// the days from 2022-01-01 to 2026-12-10 (one transfer pair in fifty records). The same contents always
// give the same books. The file at `path` must not exist yet.
struct BookContents
{
    int accounts = 20;
    int records = 0;
};

bool GenerateBooks(const QString &path, const BookContents &contents, QString *error);
