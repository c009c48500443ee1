#include "service/Instructions.h"

#include <QFileInfo>
#include <QUrl>

#include "data/ProgramPaths.h"
#include "ui/Screen.h"

void OpenInstructions()
{
    const QString page = ProgramPaths::file(QStringLiteral("Instruction.html"));
    if (!QFileInfo::exists(page)) {
        Screen::current().inform(QStringLiteral("找不到说明文件：") + page);
        return;
    }
    if (!Screen::current().openUrl(QUrl::fromLocalFile(page)))
        Screen::current().inform(QStringLiteral("无法打开浏览器，请直接打开说明文件：") + page);
}
