#include "data/Clock.h"

namespace {
QDate pinnedDay;
}

QDate Clock::today()
{
    return pinnedDay.isValid() ? pinnedDay : QDate::currentDate();
}

void Clock::setToday(const QDate &day)
{
    pinnedDay = day;
}

QDateTime Clock::now()
{
    return QDateTime(today(), QTime::currentTime());
}
