#pragma once

#include <QIcon>

namespace morv::renamer {

enum class RenamerIconKind { Add, Remove, Clear, Up, Down, Preview, Program };

// The desktop theme's icon for a toolbar command, or a small drawn one when the theme has none.
QIcon RenamerIcon(RenamerIconKind kind);

}  // namespace morv::renamer
