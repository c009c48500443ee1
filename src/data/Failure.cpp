#include "data/Failure.h"

#include <sqlite3.h>

#include "ui/Screen.h"

QString FailureSentence(const EngineError &error)
{
    switch (error.code & 0xff) {
    case SQLITE_READONLY:
        return QStringLiteral("帐簿文件是只读的，改动不能保存。请为帐簿文件和它所在的文件夹打开写入权限后再试。");
    case SQLITE_BUSY:
    case SQLITE_LOCKED:
        return QStringLiteral("帐簿正被其他程序使用。请关闭正在使用帐簿的程序（例如通过数据源 KalvoraCmp 打开帐簿的程序）后再试。");
    case SQLITE_FULL:
        return QStringLiteral("磁盘已满，改动没有保存。请在帐簿所在的磁盘上腾出空间后再试。");
    case SQLITE_IOERR:
        return QStringLiteral("读写帐簿文件时出错，可能是磁盘已满或出了故障。请检查帐簿所在的磁盘后再试。");
    case SQLITE_CORRUPT:
    case SQLITE_NOTADB:
        return QStringLiteral("帐簿文件已损坏。请由管理员在“数据维护”中用“恢复数据”从备份恢复帐簿。");
    case SQLITE_CANTOPEN:
        return QStringLiteral("帐簿文件打不开：它不在原处，或不能读写。请检查程序文件夹中的帐簿文件 KalvoraCmp.mdb。");
    default:
        return {};
    }
}

void ReportFailure(const QString &what, const EngineError &error)
{
    // The data layer's own findings (code 0) are told in Chinese already and say what happened.
    if (error.code == 0 && !error.text.isEmpty()) {
        Screen::current().error(what + QLatin1Char('\n') + error.text, QString());
        return;
    }
    const QString sentence = FailureSentence(error);
    const QString text = sentence.isEmpty() ? what : what + QLatin1Char('\n') + sentence;
    Screen::current().error(text, error.text);
}
