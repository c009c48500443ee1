#include "shell/AccountScope.h"

#include <array>

#include "data/ProgramPaths.h"
#include "data/Settings.h"
#include "ui/Screen.h"

namespace {
struct Scope
{
    const char *picture;
    const char *clause;
};

const std::array<Scope, 8> Scopes{{
    {"Res/EmptyAccount.bmp", " And (AccountType = 0)"},
    {"Res/CompanyAccount2.bmp", " And (AccountType = 1)"},
    {"Res/CompanyAccount3.bmp", " And (AccountType = 2)"},
    {"Res/PersonAccount2.bmp", " And (AccountType = 3)"},
    {"Res/PersonAccount3.bmp", " And (AccountType = 4)"},
    {"Res/CompanyAccount.bmp", " And ((AccountType = 1) Or (AccountType = 2))"},
    {"Res/PersonAccount.bmp", " And ((AccountType = 3) Or (AccountType = 4))"},
    {"Res/TotalAccount.bmp", " And (AccountType > 0)"},
}};

const QString Section = QStringLiteral("Kalvora2");
const QString Key = QStringLiteral("AccountType");
} // namespace

std::optional<int> AccountScope::read(const QString &defaultValue)
{
    const QString text = ReadSetting(Section, Key, defaultValue, ProgramPaths::settingsPath());
    bool ok = false;
    const int scope = text.trimmed().toInt(&ok);
    if (!ok) {
        Screen::current().inform(QStringLiteral("“") + text + QStringLiteral("”不是有效的帐簿范围，请重新选择帐簿"));
        return std::nullopt;
    }
    return scope;
}

bool AccountScope::write(int scope)
{
    if (WriteSetting(Section, Key, QString::number(scope), ProgramPaths::settingsPath()))
        return true;
    Screen::current().inform(QStringLiteral("无法保存帐簿选择，请检查设置文件：") + ProgramPaths::settingsPath());
    return false;
}

bool AccountScope::isKnown(int scope)
{
    return scope >= First && scope <= Last;
}

QString AccountScope::picture(int scope)
{
    return isKnown(scope) ? QString::fromLatin1(Scopes[size_t(scope)].picture) : QString();
}

QString AccountScope::clause(int scope)
{
    return isKnown(scope) ? QString::fromLatin1(Scopes[size_t(scope)].clause) : QString();
}
