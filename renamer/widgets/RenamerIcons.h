#pragma once

#include <QIcon>

namespace morv::renamer {

enum class RenamerIconKind { Add, Remove, Clear, Up, Down, Undo, Preview, Program };

// The desktop theme's icon for a toolbar command or the program, else the bundled one.
QIcon RenamerIcon(RenamerIconKind kind);

}  // namespace morv::renamer
