#pragma once

class FormAsk;
class ShareDataModule;

// Asks for the data-modification password on the prompt dialog `prompt`, with the entry masked, and checks it
// against the stored one. True when it matches; the caller then opens the record or account for
// change. The entry is shown plainly again whenever this returns.
bool AskModificationPassword(FormAsk &prompt, ShareDataModule &data);
