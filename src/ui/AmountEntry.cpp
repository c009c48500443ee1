#include "ui/AmountEntry.h"

#include <QLineEdit>

#include "data/Helpers.h"
#include "ui/Screen.h"

bool CheckAmountEntry(QLineEdit *edit)
{
    const QString problem = AmountEntryProblem(edit->text());
    if (problem.isEmpty())
        return true;
    Screen::current().inform(problem);
    edit->setFocus();
    return false;
}
