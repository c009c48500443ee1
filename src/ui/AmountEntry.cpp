#include "ui/AmountEntry.h"

#include <QLineEdit>

#include "data/Helpers.h"
#include "ui/TextEntry.h"

bool CheckAmountEntry(QLineEdit *edit)
{
    return AcceptField(edit, AmountEntryProblem(edit->text()));
}
