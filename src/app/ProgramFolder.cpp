#include "app/ProgramFolder.h"

#include "data/ProgramPaths.h"
#include "data/Settings.h"
#include "ui/Screen.h"

bool ProgramFolderUsable(const QString &programDir)
{
    ProgramPaths::setProgramDir(programDir);
    if (SettingsPathFits(ProgramPaths::settingsPath()))
        return true;
    Screen::current().inform(QStringLiteral("程序所在文件夹的路径太长（设置文件 Kalvora.ini 的完整路径超过 255 个字节，一个汉字按两个字节计），"
                                            "程序无法启动：\n")
                             + ProgramPaths::programDir()
                             + QStringLiteral("\n请把程序所在的文件夹移到路径较短的位置后再启动。"));
    return false;
}
