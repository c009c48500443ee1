#include "ui/Screen.h"

#include "ui/QtScreen.h"

namespace {
Screen *installed = nullptr;
}

Screen &Screen::current()
{
    static QtScreen qtScreen;
    return installed ? *installed : qtScreen;
}

void Screen::install(Screen *screen)
{
    installed = screen;
}
