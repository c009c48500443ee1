#pragma once
#include <QString>

#include <sqlite3.h>

#include "data/BooksFile.h"

namespace Sqlite {

// Copies the database open on `source` page by page into a new file beside `target`, then gives the
// whole copy the target's name in one rename.
bool copyDatabase(sqlite3 *source, const QString &target, BooksFile::Failure *failure,
                  const BooksFile::Progress &progress);

} // namespace Sqlite
