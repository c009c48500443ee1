#pragma once
#include <QFont>

// The program's 12-pixel CJK font: 宋体 where it is installed, else the CJK font of the system. The
// widths of the houses and the grid columns were laid out for it.
QFont CjkFont();
