#pragma once
#include "data/BooksFile.h"
#include "data/Failure.h"

// The books a connection to the server opens: checked, made in an empty database, brought up to the
// version this program reads.
namespace Pg {

class Link;

// The books may be used: a database in the C locale, the books' tables (made here in an empty
// database), of the version this program reads (the version before brought to it, `upgrade` told its
// progress), with citext. False with *error in Chinese.
bool checkBooks(Link &link, const BooksFile::Progress &upgrade, EngineError *error);
// The key that keeps every record's account stored, added to books made before it: a record stored
// for an account deleted meanwhile, or a deletion meeting a record stored meanwhile, fails whole.
bool repairAccountKey(Link &link, EngineError *error);
// The change list's index, added to books made before it. It only makes the list faster: books whose
// user may not add it, or whose entries another desk holds just now, open all the same and are tried
// again at the next start.
void addChangeListOrder(Link &link);

} // namespace Pg
