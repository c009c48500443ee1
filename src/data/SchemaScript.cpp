#include "data/SchemaScript.h"

#include <QFile>

QString SchemaScript::read(const QString &path)
{
    QFile file(path);
    file.open(QIODevice::ReadOnly);
    return QString::fromUtf8(file.readAll());
}

QString SchemaScript::between(const QString &script, const QString &from, const QString &to)
{
    const qsizetype begin = script.indexOf(from);
    const qsizetype end = script.indexOf(to);
    return begin < 0 || end < begin ? QString() : script.mid(begin, end - begin);
}

QString SchemaScript::part(const QString &script, const QString &name)
{
    return between(script, QStringLiteral("-- %1: begin").arg(name), QStringLiteral("-- %1: end").arg(name));
}
