#include <QApplication>
#include <QLocale>

#include "app/Forms.h"
#include "app/FormMain.h"

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    // Date pickers name their months and weekdays in Chinese, whatever the desktop's language.
    QLocale::setDefault(QLocale(QLocale::Chinese, QLocale::China));
    FormsOwner windows(QApplication::applicationDirPath());
    forms().main->show();
    return application.exec();
}
