#include "editor/widgets/KeyLocks.h"

#include <dlfcn.h>

#include <cstdlib>

namespace morv {

namespace {

// libX11 is loaded at run time so that the program neither links it nor needs it off X.
struct X11 {
    using OpenDisplay = void* (*)(const char*);
    using GetIndicatorState = int (*)(void*, unsigned int, unsigned int*);
    OpenDisplay openDisplay = nullptr;
    GetIndicatorState getIndicatorState = nullptr;
    void* display = nullptr;
    bool tried = false;

    bool Ready() {
        if (!tried) {
            tried = true;
            const char* name = std::getenv("DISPLAY");
            if (name == nullptr || *name == '\0') return false;
            void* lib = dlopen("libX11.so.6", RTLD_LAZY | RTLD_LOCAL);
            if (lib == nullptr) return false;
            openDisplay = reinterpret_cast<OpenDisplay>(dlsym(lib, "XOpenDisplay"));
            getIndicatorState =
                reinterpret_cast<GetIndicatorState>(dlsym(lib, "XkbGetIndicatorState"));
            if (openDisplay != nullptr && getIndicatorState != nullptr) display = openDisplay(name);
        }
        return display != nullptr;
    }
};

X11& Connection() {
    static X11 x11;
    return x11;
}

}  // namespace

bool QueryKeyLocks(KeyLocks& locks) {
    X11& x = Connection();
    if (!x.Ready()) return false;
    unsigned int state = 0;
    constexpr unsigned int kUseCoreKeyboard = 0x0100;
    if (x.getIndicatorState(x.display, kUseCoreKeyboard, &state) != 0) return false;
    locks.caps = (state & 0x1) != 0;  // the first indicator is Caps Lock
    locks.num = (state & 0x2) != 0;   // the second is Num Lock
    return true;
}

}  // namespace morv
