#pragma once
#include <QDate>

// The one source of "today" in the program. Tests pin it with setToday().
namespace Clock {
QDate today();
void setToday(const QDate &day); // an invalid date returns to the system clock
}
