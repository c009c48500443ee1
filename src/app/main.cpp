#include <QApplication>

#include "app/Forms.h"
#include "app/FormMain.h"

int main(int argc, char *argv[])
{
    QApplication application(argc, argv);
    FormsOwner windows(QApplication::applicationDirPath());
    forms().main->show();
    return application.exec();
}
