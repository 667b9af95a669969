#include "renamer/widgets/RenamerIcons.h"

#include "helpers/widgets/ThemeIcon.h"

namespace morv::renamer {

namespace {

// Icon theme names; every one of them is also bundled with the program (data/icons).
const char* ThemeName(RenamerIconKind kind) {
    switch (kind) {
        case RenamerIconKind::Add:
            return "list-add";
        case RenamerIconKind::Remove:
            return "list-remove";
        case RenamerIconKind::Clear:
            return "edit-clear";
        case RenamerIconKind::Up:
            return "go-up";
        case RenamerIconKind::Down:
            return "go-down";
        case RenamerIconKind::Undo:
            return "edit-undo";
        case RenamerIconKind::Preview:
            return "view-preview";
        case RenamerIconKind::Program:
            return "trellin";
    }
    return "trellin";
}

}  // namespace

QIcon RenamerIcon(RenamerIconKind kind) {
    return ThemeIcon(ThemeName(kind));
}

}  // namespace morv::renamer
