#include "data/ProgramPaths.h"

namespace {
QString folder;
}

void ProgramPaths::setProgramDir(const QString &dir)
{
    folder = dir.endsWith(QLatin1Char('/')) ? dir : dir + QLatin1Char('/');
}

QString ProgramPaths::programDir()
{
    return folder;
}

QString ProgramPaths::settingsPath()
{
    return folder + QStringLiteral("Kalvora.ini");
}

QString ProgramPaths::databasePath()
{
    return folder + QStringLiteral("KalvoraCmp.mdb");
}

QString ProgramPaths::file(const QString &relative)
{
    QString path = relative;
    path.replace(QLatin1Char('\\'), QLatin1Char('/'));
    return folder + path;
}
