#include "users/Passwords.h"

#include "data/Helpers.h"
#include "data/JetSql.h"

bool Passwords::select(Query &query, const QString &name)
{
    return RunQuery(query, QStringLiteral("Select * From Power Where PowerName = ") + JetSql::quoted(name),
                    QStringLiteral("数据库打开失败"));
}
