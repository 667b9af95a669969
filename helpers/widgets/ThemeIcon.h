#pragma once

#include <QIcon>

namespace morv {

// An icon by its freedesktop theme name ("document-open"), falling back to the bundled picture
// ":/icons/<name>.svg" when the desktop's icon theme has none.
QIcon ThemeIcon(const char* name);

}  // namespace morv
