#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "app/FormMain.h"
#include "app/Program.h"
#include "app/ProgramFolder.h"
#include "copying/ServerCommands.h"

int main(int argc, char *argv[])
{
    // The commands that move the books or point this desk at them run in the terminal, without windows.
    if (argc > 1) {
        const QCoreApplication command(argc, argv);
        if (const auto code = RunServerCommand(QCoreApplication::arguments().mid(1), QCoreApplication::applicationDirPath()))
            return *code;
    }
    QApplication application(argc, argv);
    // Qt's own texts (OK in message boxes, the calendar, edit menus) in Chinese like the rest.
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    QTranslator qtTexts;
    if (qtTexts.load(QLocale(), QStringLiteral("qtbase"), QStringLiteral("_"),
                     QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QApplication::installTranslator(&qtTexts);
    if (!ProgramFolderUsable(QApplication::applicationDirPath()))
        return 1;
    const Program program(QApplication::applicationDirPath());
    program.windows().main->show();
    return application.exec();
}
