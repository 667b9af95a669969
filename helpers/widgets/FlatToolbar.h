#pragma once

class QToolBar;

namespace morv {

// Switches a toolbar between the flat look (buttons drawn only under the pointer) and raised
// buttons. Both programs call it once at load on a raised toolbar, so it ends up flat.
void ToggleFlatToolbar(QToolBar* toolbar);
bool IsFlatToolbar(const QToolBar* toolbar);

}  // namespace morv
