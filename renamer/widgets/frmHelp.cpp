#include "renamer/widgets/frmHelp.h"

#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QVBoxLayout>

#include "renamer/widgets/RenamerIcons.h"

namespace morv::renamer {

namespace {

QLabel* Text(const char* name, const QString& text, QWidget* parent) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QLatin1String(name));
    label->setTextFormat(Qt::PlainText);  // "<Preview>" is text, not a tag
    label->setWordWrap(true);
    return label;
}

}  // namespace

frmHelp::frmHelp(QWidget* owner, bool onTop) : QDialog(owner) {
    setObjectName("frmHelp");
    setWindowTitle(QStringLiteral("Trellin Help"));
    setModal(true);
    if (onTop) setWindowFlag(Qt::WindowStaysOnTopHint, true);

    auto* image = new QLabel(this);
    image->setObjectName("Image1");
    image->setPixmap(RenamerIcon(RenamerIconKind::Program).pixmap(32, 32));
    image->setAccessibleName(QStringLiteral("Trellin"));
    QLabel* title = Text("Label0_0", QStringLiteral("Trellin"), this);
    QFont bold = title->font();
    bold.setBold(true);
    bold.setPointSizeF(bold.pointSizeF() * 1.3);
    title->setFont(bold);
    QLabel* subtitle =
        Text("Label0_1", QStringLiteral("Rename a group of files according to a numbered series."),
             this);

    auto* head = new QHBoxLayout;
    head->addWidget(image, 0, Qt::AlignTop);
    auto* headText = new QVBoxLayout;
    headText->addWidget(title);
    headText->addWidget(subtitle);
    head->addLayout(headText, 1);

    auto* line = new QFrame(this);
    line->setObjectName("Line1");
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);

    auto* steps = new QFrame(this);
    steps->setObjectName("Shape1");
    steps->setFrameShape(QFrame::StyledPanel);
    auto* stepsLayout = new QVBoxLayout(steps);
    auto step = [&](const char* name, const QString& text, bool heading) {
        QLabel* label = Text(name, text, steps);
        if (heading) {
            QFont font = label->font();
            font.setBold(true);
            label->setFont(font);
        } else {
            label->setContentsMargins(16, 0, 0, 4);
        }
        stepsLayout->addWidget(label);
    };
    step("Label1_0", QStringLiteral("1. Select files:"), true);
    step("Label1_1",
         QStringLiteral("Click {+} to add files, {-} to remove the selected file, and {x} to "
                        "remove all the files."),
         false);
    step("Label2_0", QStringLiteral("2. Enter Template:"), true);
    step("Label2_1",
         QStringLiteral("Use #'s to specify positions used by numeric enumerator.\n"
                        "Use * to insert original filename in pattern."),
         false);
    step("Label3", QStringLiteral("3. Enter Start at to specify the starting index."), true);
    step("Label4", QStringLiteral("4. Click <Preview> to see the new names."), true);
    step("Label5", QStringLiteral("5. Click <Rename> to start renaming."), true);
    step("Label6",
         QStringLiteral("Undo Last Batch (or Ctrl+Z) turns the last batch back, also after "
                        "Trellin was closed; the last ten batches are kept, to undo one after the "
                        "other."),
         false);

    auto* ok = new QPushButton(QStringLiteral("OK"), this);
    ok->setObjectName("cmdOK");
    ok->setDefault(true);
    connect(ok, &QPushButton::clicked, this, &QDialog::accept);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(head);
    layout->addWidget(line);
    layout->addWidget(steps);
    layout->addWidget(ok, 0, Qt::AlignRight);
    setFixedWidth(380);
}

}  // namespace morv::renamer
