#include "users/ModificationPassword.h"

#include "data/Helpers.h"
#include "data/Query.h"
#include "data/ShareDataModule.h"
#include "ui/Screen.h"
#include "users/FormAsk.h"
#include "users/Passwords.h"

namespace {
// Masks the prompt's entry for as long as it lives.
class MaskedPrompt
{
public:
    explicit MaskedPrompt(FormAsk &prompt)
        : m_prompt(prompt)
    {
        m_prompt.setMasked(true);
    }
    ~MaskedPrompt() { m_prompt.setMasked(false); }
    MaskedPrompt(const MaskedPrompt &) = delete;
    MaskedPrompt &operator=(const MaskedPrompt &) = delete;

private:
    FormAsk &m_prompt;
};
} // namespace

bool AskModificationPassword(FormAsk &prompt, ShareDataModule &data)
{
    const MaskedPrompt masked(prompt);
    prompt.AskTitle = QStringLiteral("修改密码");
    prompt.AskPrompt = QStringLiteral("请输入资料修改密码");
    prompt.AskAnswer.clear();
    if (!prompt.ask())
        return false;
    Query &query = data.ADOQueryTemp();
    if (!Passwords::select(query, Passwords::Modification))
        return false;
    if (query.eof()) {
        Screen::current().inform(QStringLiteral("数据库出错，资料修改密码被删除"));
        return false;
    }
    if (prompt.AskAnswer != query.fieldText(QStringLiteral("PowerKey"))) {
        Screen::current().inform(Passwords::WrongPassword);
        return false;
    }
    return true;
}
