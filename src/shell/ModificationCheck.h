#pragma once

// The data-modification password, asked before a stored record or account is opened for change. Pages
// and dialogs are handed it by their owner and need not know the prompt or where the password is kept.
class ModificationCheck
{
public:
    virtual ~ModificationCheck() = default;
    // True when the user typed the password; the caller then opens the record or account for change.
    virtual bool passed() = 0;
};
