#include "data/AtomicUnit.h"

#include "data/ShareDataModule.h"
#include "ui/Screen.h"

namespace {

constexpr int Retries = 3;

} // namespace

bool runAtomically(ShareDataModule &books, const std::function<bool(EngineError *error)> &unit, EngineError *error)
{
    for (int run = 0;; ++run) {
        {
            const Screen::NoDialogs quiet;
            Transaction together(books);
            *error = together.lastError();
            if (together.isActive() && unit(error)) {
                if (together.commit())
                    return true;
                *error = together.lastError();
            }
        }
        if (error->kind != EngineError::Kind::Conflict || run == Retries)
            return false;
    }
}
