#include "helpers/core/CoreHooks.h"

namespace morv {

namespace {

CoreHooks& Current() {
    static CoreHooks hooks;
    return hooks;
}

}  // namespace

const CoreHooks& CurrentCoreHooks() {
    return Current();
}

ScopedCoreHooks::ScopedCoreHooks(const CoreHooks& hooks) : previous_(Current()) {
    if (hooks.toolInputLimit != 0) Current().toolInputLimit = hooks.toolInputLimit;
    if (hooks.batchStep) Current().batchStep = hooks.batchStep;
}

ScopedCoreHooks::~ScopedCoreHooks() {
    Current() = previous_;
}

}  // namespace morv
