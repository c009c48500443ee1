#pragma once
#include <QString>

class QLineEdit;
class QWidget;

// A field check's outcome: an empty `problem` accepts the field; otherwise the problem is shown and the
// focus put into the field.
bool AcceptField(QWidget *field, const QString &problem);

// The check of a text edit whose text is stored or looked up by: true when the text may be used.
bool CheckTextEntry(QLineEdit *edit);
