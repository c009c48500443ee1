#pragma once
#include <QString>

// The program's own folder, to which every relative file is joined. Set once by the main window.
namespace ProgramPaths {
void setProgramDir(const QString &folder);
QString programDir();   // ends with '/'
QString settingsPath(); // programDir() + "Kalvora.ini"
QString databasePath(); // programDir() + "KalvoraCmp.mdb"
// Joins a relative path as stored ("Res\LeftBar.bmp" or "Res/Money0.ico") to the program folder.
QString file(const QString &relative);
} // namespace ProgramPaths
