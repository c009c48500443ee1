#pragma once
#include <QLatin1String>
#include <QWidget>

// The control named `name` under `parent`, found as the user's story names it; a missing one ends the
// test program, as nothing after it could be checked.
template<typename T>
T *control(QWidget &parent, const char *name)
{
    T *found = parent.findChild<T *>(QLatin1String(name));
    if (!found)
        qFatal("no control %s", name);
    return found;
}
