#include <QApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "app/FormMain.h"
#include "app/Program.h"
#include "app/ProgramFolder.h"

int main(int argc, char *argv[])
{
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
