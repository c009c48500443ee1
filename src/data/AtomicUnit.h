#pragma once
#include <functional>

#include "data/Failure.h"

class ShareDataModule;

// Runs `unit` as one transaction: every change it makes is stored, or none. When the books broke the
// unit off because it met another cashier's changes half way (a deadlock, a serialization failure),
// it is run again from the start, up to three more times. `unit` returns false with *error set to
// give up. It shows nothing while it runs: the books stay held until it ends, so the caller tells the
// user afterwards. False with *error when the unit gave up, the books refused it or every run met
// another cashier.
bool runAtomically(ShareDataModule &books, const std::function<bool(EngineError *error)> &unit, EngineError *error);
