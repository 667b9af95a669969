#pragma once

class QToolBar;

namespace morv {

// Switches a toolbar between the flat look (a button's frame shows only under the pointer) and
// raised buttons. Both programs build their toolbar raised (SetToolbarFlat(false)) and call this
// once at load, so it ends up flat.
void ToggleFlatToolbar(QToolBar* toolbar);
void SetToolbarFlat(QToolBar* toolbar, bool flat);
// Qt draws toolbars flat unless told otherwise.
bool IsFlatToolbar(const QToolBar* toolbar);

}  // namespace morv
