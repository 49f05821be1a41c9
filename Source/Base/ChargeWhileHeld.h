// A charge for memory held only for a while (a file's bytes while they are decoded), given back when
// it goes out of scope. Admit() is the question a data file's reader asks before it allocates.
#pragma once

#include "Base/CMemoryBudget.h"

#include <cstdint>
#include <functional>
#include <string>

class ChargeWhileHeld {
public:
    ChargeWhileHeld(CMemoryBudget* budget, const char* kind, std::string name)
        : budget(budget), kind(kind), name(std::move(name)) {}
    ~ChargeWhileHeld() {
        if (budget && charged)
            budget->Refund(charged);
    }
    ChargeWhileHeld(const ChargeWhileHeld&) = delete;
    ChargeWhileHeld& operator=(const ChargeWhileHeld&) = delete;

    std::function<bool(int64_t)> Admit() {
        return [this](int64_t bytes) {
            if (!budget)
                return true;
            if (!budget->Charge(bytes, kind, name))
                return false;
            charged += bytes;
            return true;
        };
    }

private:
    CMemoryBudget* budget;
    const char* kind;
    std::string name;
    int64_t charged = 0;
};
