#include "ui/Screen.h"

#include "ui/QtScreen.h"

namespace {
Screen *installed = nullptr;
int held = 0;
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

Screen::NoDialogs::NoDialogs()
{
    ++held;
}

Screen::NoDialogs::~NoDialogs()
{
    --held;
}

bool Screen::dialogsHeld()
{
    return held > 0;
}
