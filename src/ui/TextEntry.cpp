#include "ui/TextEntry.h"

#include <QLineEdit>

#include "data/Helpers.h"
#include "ui/Screen.h"

bool AcceptField(QWidget *field, const QString &problem)
{
    if (problem.isEmpty())
        return true;
    Screen::current().inform(problem);
    field->setFocus();
    return false;
}

bool CheckTextEntry(QLineEdit *edit)
{
    return AcceptField(edit, TypedTextProblem(edit->text()));
}
