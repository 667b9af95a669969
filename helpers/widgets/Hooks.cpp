#include "helpers/widgets/Hooks.h"

#include <cstdlib>
#include <utility>

#include "helpers/widgets/EventPump.h"

namespace morv {

namespace {

WidgetHooks StartingHooks() {
    WidgetHooks hooks;
#ifdef MORV_TEST_HOOKS
    if (const char* step = std::getenv("MORV_TEST_HOLD_PROGRESS"))
        hooks.holdProgressAtStep = std::atol(step);
#endif
    return hooks;
}

WidgetHooks& Current() {
    static WidgetHooks hooks = StartingHooks();
    return hooks;
}

}  // namespace

const WidgetHooks& Hooks() {
    return Current();
}

ScopedHooks::ScopedHooks(WidgetHooks hooks) : previous_(Current()) {
    WidgetHooks& now = Current();
    if (hooks.prompter != nullptr) now.prompter = hooks.prompter;
    if (hooks.fileDialogs != nullptr) now.fileDialogs = hooks.fileDialogs;
    if (hooks.printDialogs != nullptr) now.printDialogs = hooks.printDialogs;
    if (hooks.chooseFont) now.chooseFont = std::move(hooks.chooseFont);
    if (hooks.openUrl) now.openUrl = std::move(hooks.openUrl);
    if (hooks.startProgram) now.startProgram = std::move(hooks.startProgram);
    if (hooks.showFileProperties) now.showFileProperties = std::move(hooks.showFileProperties);
    if (!hooks.shippedFileFolders.isEmpty())
        now.shippedFileFolders = std::move(hooks.shippedFileFolders);
    if (hooks.eachStep) now.eachStep = std::move(hooks.eachStep);
    if (hooks.pollIntervals) now.pollIntervals = hooks.pollIntervals;
    if (hooks.holdProgressAtStep != 0) now.holdProgressAtStep = hooks.holdProgressAtStep;
    EventPump::detail::HooksChanged();
}

ScopedHooks::~ScopedHooks() {
    Current() = std::move(previous_);
    EventPump::detail::HooksChanged();
}

}  // namespace morv
