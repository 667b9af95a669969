#include "helpers/widgets/FlatToolbar.h"

#include <QToolBar>
#include <QToolButton>

namespace morv {

namespace {
constexpr const char* kFlatProperty = "flat";
}

bool IsFlatToolbar(const QToolBar* toolbar) {
    return toolbar != nullptr && toolbar->property(kFlatProperty).toBool();
}

void ToggleFlatToolbar(QToolBar* toolbar) {
    if (toolbar == nullptr) return;
    const bool flat = !IsFlatToolbar(toolbar);
    toolbar->setProperty(kFlatProperty, flat);
    // QToolButton::autoRaise is the flat look: a frame only while the pointer is over a button.
    for (QToolButton* button : toolbar->findChildren<QToolButton*>())
        button->setAutoRaise(flat);
    // Buttons added later follow the same look.
    toolbar->setStyleSheet(flat ? QString()
                                : QStringLiteral("QToolButton { border: 1px outset; }"));
}

}  // namespace morv
