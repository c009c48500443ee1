#include <QCoreApplication>
#include <QFile>
#include <cstdio>

#include "data/DeliveredBooks.h"

// kalvora-makebooks <path>: writes the delivered books at <path> unless a file is already there.
int main(int argc, char *argv[])
{
    QCoreApplication application(argc, argv);
    if (argc != 2) {
        std::fprintf(stderr, "usage: kalvora-makebooks <KalvoraCmp.mdb>\n");
        return 2;
    }
    const QString path = QString::fromLocal8Bit(argv[1]);
    if (QFile::exists(path))
        return 0; // a user's books are never replaced
    QString error;
    if (!DeliveredBooks::create(path, &error)) {
        std::fprintf(stderr, "%s\n", qPrintable(error));
        return 1;
    }
    return 0;
}
