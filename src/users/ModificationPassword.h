#pragma once
#include "shell/ModificationCheck.h"

class FormAsk;
class ShareDataModule;

// Asks for the data-modification password on the prompt dialog `prompt`, with the entry masked, and checks it
// against the stored one. True when it matches; the caller then opens the record or account for
// change. The entry is shown plainly again whenever this returns.
bool AskModificationPassword(FormAsk &prompt, ShareDataModule &data);

// The check the pages are handed: the password asked on `prompt`.
class ModificationPasswordCheck final : public ModificationCheck
{
public:
    ModificationPasswordCheck(FormAsk &prompt, ShareDataModule &data)
        : m_prompt(prompt)
        , m_data(data)
    {
    }
    bool passed() override { return AskModificationPassword(m_prompt, m_data); }

private:
    FormAsk &m_prompt;
    ShareDataModule &m_data;
};
