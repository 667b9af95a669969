#include "helpers/widgets/FlatToolbar.h"

#include <QToolBar>
#include <QToolButton>

namespace morv {

namespace {
constexpr const char* kFlatProperty = "flat";
}

bool IsFlatToolbar(const QToolBar* toolbar) {
    if (toolbar == nullptr) return false;
    const QVariant flat = toolbar->property(kFlatProperty);
    if (flat.isValid()) return flat.toBool();
    const QList<QToolButton*> buttons = toolbar->findChildren<QToolButton*>();
    return buttons.isEmpty() || buttons.constFirst()->autoRaise();
}

void SetToolbarFlat(QToolBar* toolbar, bool flat) {
    if (toolbar == nullptr) return;
    toolbar->setProperty(kFlatProperty, flat);
    for (QToolButton* button : toolbar->findChildren<QToolButton*>())
        button->setAutoRaise(flat);
    // Raised buttons keep a frame even where the style draws none for tool buttons.
    toolbar->setStyleSheet(flat ? QString()
                                : QStringLiteral("QToolButton { border: 1px outset; }"));
}

void ToggleFlatToolbar(QToolBar* toolbar) {
    SetToolbarFlat(toolbar, !IsFlatToolbar(toolbar));
}

}  // namespace morv
