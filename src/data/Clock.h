#pragma once
#include <QDate>
#include <QDateTime>

// The one source of "today" in the program. Tests pin it with setToday().
namespace Clock {
QDate today();
QDateTime now(); // today() at the system's time of day
void setToday(const QDate &day); // an invalid date returns to the system clock
}
