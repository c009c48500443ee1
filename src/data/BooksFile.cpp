#include "data/BooksFile.h"

#include <cerrno>

BooksFile::Progress BooksFile::within(const Progress &progress, int from, int to)
{
    if (!progress)
        return {};
    return [progress, from, to](int percent) { progress(from + (to - from) * percent / 100); };
}

namespace {

bool isPermission(int systemNumber)
{
    return systemNumber == EACCES || systemNumber == EPERM || systemNumber == EROFS;
}

} // namespace

QString BooksFile::unfinishedCopyOf(const QString &target)
{
    return target + QStringLiteral(".part");
}

bool BooksFile::fail(Failure *failure, int code, const QString &reason)
{
    *failure = {code, reason, Failure::Source::Engine};
    return false;
}

bool BooksFile::refusedPermission(const Failure &failure)
{
    return failure.source == Failure::Source::System && isPermission(failure.number);
}

QString BooksFile::reasonForSystem(int number)
{
    if (isPermission(number))
        return QStringLiteral("没有写入权限，请换一个文件夹或请管理员开放权限");
    switch (number) {
    case ENOSPC:
    case EDQUOT:
    case EFBIG:
        return QStringLiteral("磁盘空间不足，请腾出空间或换一个磁盘");
    case ENOENT:
    case ENOTDIR:
        return QStringLiteral("找不到所选的文件或文件夹");
    case EBUSY:
        return QStringLiteral("文件正被其他程序使用，请关闭该程序后再试");
    default:
        return QStringLiteral("读写磁盘出错，请检查磁盘");
    }
}

bool BooksFile::failSystem(Failure *failure, int number)
{
    return failSystem(failure, number, reasonForSystem(number));
}

bool BooksFile::failSystem(Failure *failure, int number, const QString &reason)
{
    *failure = {number, reason, Failure::Source::System};
    return false;
}
