#pragma once
#include <QStringList>

#include "data/BooksFile.h"
#include "data/Failure.h"

namespace Pg {
class Link;
}

// The change record (see ChangeRecord) kept in the books on a server.
namespace PgChangeRecord {

// Books of the version before get the change record, with one baseline entry for each row already
// there, in one transaction (`progress` told as it goes). False with the server's error.
bool add(Pg::Link &link, const BooksFile::Progress &progress, EngineError *error);

// The triggers of the change record that are not there or are switched off, by name.
bool missingTriggers(Pg::Link &link, QStringList *missing, EngineError *error);
// Puts every trigger of the change record back, with an entry of the session's operator naming
// `restored`.
bool restoreTriggers(Pg::Link &link, const QStringList &restored, EngineError *error);

} // namespace PgChangeRecord
