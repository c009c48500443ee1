#include "data/Failure.h"

#include "data/ShareDataModule.h"
#include "ui/Screen.h"

namespace {

// What another cashier's change at the same moment did to this one, wherever the books are.
QString sharedBooksSentence(EngineError::Kind kind)
{
    switch (kind) {
    case EngineError::Kind::Conflict:
        return QStringLiteral("另一位出纳员同时在修改相同的帐目，改动没有保存。请稍后再试。");
    case EngineError::Kind::Duplicate:
        return QStringLiteral("已有相同名称的记录（可能刚由其他用户新增），改动没有保存。");
    case EngineError::Kind::Unlinked:
        return QStringLiteral("该帐户已被其他用户删除");
    default:
        return {};
    }
}

// Books on a server have no file the cashier could mend: the server's administrator does.
QString serverSentence(EngineError::Kind kind)
{
    switch (kind) {
    case EngineError::Kind::ReadOnly:
        return QStringLiteral("数据库服务器只允许读取帐簿，改动不能保存。请联系数据库管理员。");
    case EngineError::Kind::InUse:
        return QStringLiteral("帐簿正被数据库服务器上的其他用户占用，请稍后再试。");
    case EngineError::Kind::DiskFull:
        return QStringLiteral("数据库服务器的磁盘已满，改动没有保存。请联系数据库管理员腾出空间后再试。");
    case EngineError::Kind::DiskFault:
        return QStringLiteral("数据库服务器读写磁盘时出错。请联系数据库管理员检查服务器。");
    case EngineError::Kind::Damaged:
        return QStringLiteral("服务器上的帐簿已损坏。请联系数据库管理员从服务器上的备份恢复帐簿。");
    case EngineError::Kind::Unreachable:
        return QStringLiteral("无法连接数据库服务器。请检查服务器是否已开启、网络是否连通。");
    case EngineError::Kind::Conflict:
    case EngineError::Kind::Duplicate:
    case EngineError::Kind::Unlinked:
        return sharedBooksSentence(kind);
    case EngineError::Kind::Found:
    case EngineError::Kind::Other:
        break;
    }
    return {};
}

} // namespace

QString FailureSentence(const EngineError &error)
{
    if (error.onServer)
        return serverSentence(error.kind);
    switch (error.kind) {
    case EngineError::Kind::ReadOnly:
        return QStringLiteral("帐簿文件是只读的，改动不能保存。请为帐簿文件和它所在的文件夹打开写入权限后再试。");
    case EngineError::Kind::InUse:
        return QStringLiteral("帐簿正被其他程序使用。请关闭正在使用帐簿的程序（例如通过数据源 KalvoraCmp 打开帐簿的程序）后再试。");
    case EngineError::Kind::DiskFull:
        return QStringLiteral("磁盘已满，改动没有保存。请在帐簿所在的磁盘上腾出空间后再试。");
    case EngineError::Kind::DiskFault:
        return QStringLiteral("读写帐簿文件时出错，可能是磁盘已满或出了故障。请检查帐簿所在的磁盘后再试。");
    case EngineError::Kind::Damaged:
        return QStringLiteral("帐簿文件已损坏。请由管理员在“数据维护”中用“恢复数据”从备份恢复帐簿。");
    case EngineError::Kind::Unreachable:
        return QStringLiteral("帐簿文件打不开：它不在原处，或不能读写。请检查程序文件夹中的帐簿文件 KalvoraCmp.mdb。");
    case EngineError::Kind::Conflict:
    case EngineError::Kind::Duplicate:
    case EngineError::Kind::Unlinked:
        return sharedBooksSentence(error.kind);
    case EngineError::Kind::Found:
    case EngineError::Kind::Other:
        break;
    }
    return {};
}

void ReportFailure(const QString &what, const EngineError &error)
{
    if (ShareDataModule::serverLost(error)) {
        Screen::current().error(LostConnectionSentence, error.text);
        return;
    }
    // The data layer's own findings are told in Chinese already and say what happened.
    if (error.kind == EngineError::Kind::Found && !error.text.isEmpty()) {
        Screen::current().error(what + QLatin1Char('\n') + error.text, QString());
        return;
    }
    const QString sentence = FailureSentence(error);
    const QString text = sentence.isEmpty() ? what : what + QLatin1Char('\n') + sentence;
    Screen::current().error(text, error.text);
}

void ReportFailure(const FailureToTell &failed)
{
    if (!failed.what.isEmpty())
        ReportFailure(failed.what, failed.error);
}
