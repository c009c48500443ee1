#include <QGuiApplication>

#include "Art.h"

// kalvora-art <Res folder> <embedded folder>
int main(int argc, char *argv[])
{
    QGuiApplication application(argc, argv);
    if (argc != 3)
        qFatal("usage: kalvora-art <Res folder> <embedded folder>");
    Art art(QString::fromLocal8Bit(argv[1]), QString::fromLocal8Bit(argv[2]));
    drawShellPictures(art);
    drawAccountsPictures(art);
    drawScopePictures(art);
    drawUsersPictures(art);
    drawJournalPictures(art);
    drawReportsPictures(art);
    drawTransferPictures(art);
    drawReceivablesPictures(art);
    return art.writeResourceList() ? 0 : 1;
}
