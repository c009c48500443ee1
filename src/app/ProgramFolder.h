#pragma once
#include <QString>

// Whether the program can start in `programDir`: its settings file must lie on a path the settings
// helpers take whole. Otherwise tells the person at the screen which folder is at fault and what to do.
bool ProgramFolderUsable(const QString &programDir);
