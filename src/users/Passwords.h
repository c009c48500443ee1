#pragma once
#include <QString>

class Query;

// The rows of table Power: one login password per role and the data-modification password.
namespace Passwords {

inline const QString Administrator = QStringLiteral("管理员");
inline const QString Modification = QStringLiteral("修改");

inline const QString WrongPassword = QStringLiteral("密码错误，请重新操作");

// Selects the Power row named `name` into `query`; false after the failure message.
bool select(Query &query, const QString &name);

} // namespace Passwords
