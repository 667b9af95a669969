#pragma once

#include <cstddef>
#include <functional>
#include <string_view>

// The places where the Qt-free core can be changed for a test, gathered in one struct like the
// widgets' hooks (helpers/widgets/Hooks.h). A member left at its initial value means the real
// thing; tests set the members they need for one scope (ScopedCoreHooks).
namespace morv {

struct CoreHooks {
    // The most bytes a tool reads from one input (ToolInputLimit); 0: the figure computed from
    // the process's limits.
    size_t toolInputLimit = 0;
    // Runs before every step on disk of the batches that trelo-cli's commands run
    // (BatchOptions::beforeStep); empty: none.
    std::function<int(size_t item, std::string_view step)> batchStep{};
};

// The hooks in force.
const CoreHooks& CurrentCoreHooks();

// Puts the members of hooks that are set in force for its lifetime and restores the hooks that
// were in force before when it ends. Scopes nest; end them in the reverse order.
class ScopedCoreHooks {
  public:
    explicit ScopedCoreHooks(const CoreHooks& hooks);
    ~ScopedCoreHooks();
    ScopedCoreHooks(const ScopedCoreHooks&) = delete;
    ScopedCoreHooks& operator=(const ScopedCoreHooks&) = delete;

  private:
    CoreHooks previous_;
};

}  // namespace morv
