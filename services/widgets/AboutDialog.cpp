#include "services/widgets/AboutDialog.h"

#include <QDesktopServices>
#include <QFrame>
#include <QHBoxLayout>
#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QStyle>
#include <QUrl>
#include <QVBoxLayout>

#include <cerrno>

#include "helpers/core/SystemFolder.h"
#include "helpers/widgets/Hooks.h"
#include "helpers/widgets/Prompter.h"
#include "helpers/widgets/QtText.h"
#include "helpers/widgets/ThemeIcon.h"
#include "services/core/DataFiles.h"
#include "services/widgets/HelpFiles.h"

namespace morv {

namespace {

const QString kTitle = QStringLiteral("Morvane");
const QString kIndent = QStringLiteral("        ");  // eight blanks before a name or address

QLabel* MakeLabel(QWidget* parent, const char* name, const QString& text) {
    auto* label = new QLabel(text, parent);
    label->setObjectName(QString::fromLatin1(name));
    label->setTextInteractionFlags(Qt::TextSelectableByMouse);
    return label;
}

QLabel* MakePicture(QWidget* parent, const char* name, const char* icon,
                    QStyle::StandardPixmap fallback, int size, const QString& description) {
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    // The desktop's icon theme may lack the picture; the style always has one.
    QPixmap picture = ThemeIcon(icon).pixmap(size, size);
    if (picture.isNull()) picture = parent->style()->standardIcon(fallback).pixmap(size, size);
    label->setPixmap(picture);
    label->setAccessibleName(description);
    return label;
}

QFrame* MakeLine(QWidget* parent, const char* name) {
    auto* line = new QFrame(parent);
    line->setObjectName(QString::fromLatin1(name));
    line->setFrameShape(QFrame::HLine);
    line->setFrameShadow(QFrame::Sunken);
    return line;
}

}  // namespace

bool OpenUrl(const QUrl& url) {
    const std::function<bool(const QUrl&)>& hooked = Hooks().openUrl;
    return hooked ? hooked(url) : QDesktopServices::openUrl(url);
}

frmAbout::frmAbout(QWidget* owner) : QDialog(owner) {
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About"));
    setAccessibleName(QStringLiteral("About Morvane"));
    setModal(true);

    lblProduct_ = MakeLabel(this, "lblProduct", QStringLiteral("Morvane Version 1.0"));
    QFont productFont = lblProduct_->font();
    productFont.setBold(true);
    productFont.setPointSizeF(productFont.pointSizeF() * 1.3);
    lblProduct_->setFont(productFont);
    lblAuthor_ = MakeLabel(this, "lblAuthor",
                           QStringLiteral("Author:\n") + kIndent +
                               QStringLiteral("The Morvane and Trellin developers\n") + kIndent +
                               QStringLiteral("morvane-dev@example.org"));
    lblThanks_ = MakeLabel(this, "lblThanks",
                           QStringLiteral("Thanks to: \n") + kIndent +
                               QStringLiteral("Everyone who tested and reported faults\n") +
                               kIndent + QStringLiteral("morvane-feedback@example.org"));
    lblMemory_ = MakeLabel(this, "lblMemory", MemoryText(TotalPhysicalMemoryKB(), QLocale()));
    lblLicense_ =
        new QLabel(QStringLiteral("<a href=\"license\">End-User License Agreement</a>"), this);
    lblLicense_->setObjectName(QStringLiteral("lblLicense"));
    lblLicense_->setAccessibleName(QStringLiteral("End-User License Agreement"));
    lblLicense_->setTextInteractionFlags(Qt::LinksAccessibleByMouse |
                                         Qt::LinksAccessibleByKeyboard);
    lblLicense_->setFocusPolicy(Qt::StrongFocus);
    connect(lblLicense_, &QLabel::linkActivated, this, [this] { OpenLicense(); });

    cmdOK_ = new QPushButton(QStringLiteral("OK"), this);
    cmdOK_->setObjectName(QStringLiteral("cmdOK"));
    cmdOK_->setAccessibleName(QStringLiteral("OK"));
    cmdOK_->setDefault(true);
    connect(cmdOK_, &QPushButton::clicked, this, &QDialog::accept);

    auto* pictures = new QVBoxLayout;
    pictures->addWidget(MakePicture(this, "Image1", "accessories-text-editor",
                                    QStyle::SP_FileDialogContentsView, 48,
                                    QStringLiteral("Morvane")));
    pictures->addWidget(MakePicture(this, "Image2", "text-html", QStyle::SP_FileIcon, 32,
                                    QStringLiteral("HTML documents")));
    pictures->addWidget(MakePicture(this, "Image3", "folder", QStyle::SP_DirIcon, 32,
                                    QStringLiteral("Web site folders")));
    pictures->addStretch(1);

    auto* text = new QVBoxLayout;
    text->addWidget(lblProduct_);
    text->addWidget(MakeLine(this, "Line1"));
    text->addWidget(lblAuthor_);
    text->addWidget(lblThanks_);
    text->addWidget(MakeLine(this, "Line2"));
    text->addWidget(lblMemory_);
    text->addWidget(lblLicense_);

    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(cmdOK_);

    auto* top = new QHBoxLayout;
    top->addLayout(pictures);
    top->addSpacing(12);
    top->addLayout(text, 1);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(top);
    layout->addLayout(buttons);
    layout->setSizeConstraint(QLayout::SetFixedSize);
}

QString frmAbout::MemoryText(quint64 kilobytes, const QLocale& locale) {
    // Always group the digits, also in locales whose default leaves them ungrouped ("C").
    QLocale grouped = locale;
    grouped.setNumberOptions(locale.numberOptions() & ~QLocale::OmitGroupSeparator);
    return QStringLiteral("Physical memory available to Linux:     ") +
           grouped.toString(qulonglong(kilobytes)) + QStringLiteral(" KB");
}

void frmAbout::OpenLicense() {
    const QString path = FindShippedFile(QStringLiteral("License.txt"));
    if (path.isEmpty()) {
        ShowMessage(this, ToQString(GetAPIErrorText(ENOENT)) + QStringLiteral(": License.txt"),
                    PromptIcon::Critical, kTitle);
        return;
    }
    if (!OpenUrl(QUrl::fromLocalFile(path))) {
        ShowMessage(this,
                    QStringLiteral("No program of the desktop could open \"") + path +
                        QStringLiteral("\"."),
                    PromptIcon::Critical, kTitle);
    }
}

void ShowAbout(QWidget* owner) {
    frmAbout about(owner);
    about.exec();
}

}  // namespace morv
