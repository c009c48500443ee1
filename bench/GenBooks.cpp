// kalvora-genbooks <path> <accounts> <records>: writes generated books at <path>, for looking at large
// books in the program (put them at build/Kalvora/KalvoraCmp.mdb). Never replaces an existing file.
#include <QCoreApplication>

#include <cstdio>

#include "Generator.h"

int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    const QStringList arguments = application.arguments();
    bool accountsOk = false, recordsOk = false;
    const BookContents contents{arguments.value(2).toInt(&accountsOk), arguments.value(3).toInt(&recordsOk)};
    if (arguments.size() != 4 || !accountsOk || !recordsOk || contents.accounts < 1 || contents.records < 0) {
        std::fprintf(stderr, "usage: kalvora-genbooks <path> <accounts> <records>\n");
        return 2;
    }
    QString error;
    if (!GenerateBooks(arguments[1], contents, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    return 0;
}
