#pragma once

#include <QLabel>
#include <QLayout>

namespace morv {

// A label named for tests and screen readers, added to a dialog's layout.
inline QLabel* AddLabel(QWidget* parent, QLayout* layout, const char* name, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(name);
    layout->addWidget(label);
    return label;
}

}  // namespace morv
