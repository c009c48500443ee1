#pragma once
#include <QDateEdit>

// A date field that is one stop of the Tab key: Tab leaves it for the next control instead of walking
// its year, month and day. The arrow keys still move between the parts.
class DatePicker : public QDateEdit
{
    Q_OBJECT
public:
    using QDateEdit::QDateEdit;

protected:
    bool focusNextPrevChild(bool next) override;
};
