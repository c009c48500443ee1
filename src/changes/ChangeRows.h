#pragma once
#include "data/WindowedQuery.h"

class EntryFields;

// The rows of the change record's list as the user reads them, in the grid, its printout and its
// export alike: each side of an entry as "标题：值" pairs and the account by its name.
class ChangeRows : public WindowedQuery
{
public:
    // `fields` shows the values; it outlives the rows.
    ChangeRows(ShareDataModule &database, const EntryFields &fields);

    QVariant value(int row, int column) override;

private:
    const EntryFields &m_fields;
};
