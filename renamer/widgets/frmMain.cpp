#include "renamer/widgets/frmMain.h"

#include <QAccessible>
#include <QAccessibleWidget>
#include <QAction>
#include <QApplication>
#include <QBuffer>
#include <QCheckBox>
#include <QCloseEvent>
#include <QFileInfo>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QHeaderView>
#include <QImageReader>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QScreen>
#include <QSet>
#include <QSocketNotifier>
#include <QTimer>
#include <QToolBar>
#include <QVBoxLayout>

#include <signal.h>

#include <cstdio>
#include <optional>

#include "helpers/core/FileIo.h"
#include "helpers/core/PathHelpers.h"
#include "helpers/core/StopSignals.h"
#include "helpers/core/TextUtil.h"
#include "helpers/widgets/FileDialogs.h"
#include "helpers/widgets/FlatToolbar.h"
#include "helpers/widgets/Prompter.h"
#include "helpers/widgets/QtText.h"
#include "linkcheck/core/LinkCheck.h"
#include "renamer/core/BatchOperation.h"
#include "renamer/core/BatchRecovery.h"
#include "renamer/core/RenameList.h"
#include "renamer/widgets/BatchFront.h"
#include "renamer/widgets/FileListView.h"
#include "renamer/widgets/FileProperties.h"
#include "renamer/widgets/RenamerIcons.h"
#include "renamer/widgets/RenamerText.h"
#include "renamer/widgets/frmHelp.h"
#include "renamer/widgets/frmLinks.h"

namespace morv::renamer {

namespace {

constexpr int kPathRole = Qt::UserRole;
constexpr int kExtensionRole = Qt::UserRole + 1;
// The largest picture the preview reads.
constexpr size_t kMaxPreviewFile = size_t(64) << 20;

const QString kRenameCaption = QStringLiteral("Rename");
const QString kCopyCaption = QStringLiteral("Copy");

QString TemplateWarning() {
    // The two lines as the platform writes a line break.
    return QString::fromLatin1(kTemplateWarning)
        .replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
}

QLabel* FieldLabel(const QString& text, QWidget* parent, QWidget* buddy = nullptr) {
    auto* label = new QLabel(text, parent);
    label->setObjectName("Label1");
    if (buddy != nullptr) label->setBuddy(buddy);
    return label;
}

// A plain top-level widget is told to screen readers as a filler; the main window is a window.
QAccessibleInterface* WindowAccessible(const QString& className, QObject* object) {
    if (className == QLatin1String(frmMain::staticMetaObject.className()) && object != nullptr &&
        object->isWidgetType())
        return new QAccessibleWidget(static_cast<QWidget*>(object), QAccessible::Window);
    return nullptr;
}

}  // namespace

frmMain::frmMain(QString settingsFile, QWidget* parent)
    : QWidget(parent), settingsFile_(std::move(settingsFile)) {
    static const bool announced = (QAccessible::installFactory(WindowAccessible), true);
    (void)announced;
    setObjectName("frmMain");
    setWindowTitle(kAppTitle);
    setWindowIcon(RenamerIcon(RenamerIconKind::Program));
    setAccessibleName(kAppTitle);
    BuildControls();
    CreateActions();
    // Load: a flat toolbar, the notice, full-row selection (set by the list itself).
    SetToolbarFlat(Toolbar1_, false);  // built raised, made flat at load
    ToggleFlatToolbar(Toolbar1_);
    ApplySize();
}

frmMain::~frmMain() {
    while (busy_ > 0)
        SetBusy(false);
}

int frmMain::TwipsToPixels(int twips) const {
    return qRound(twips * logicalDpiX() / 1440.0);
}

int frmMain::PixelsToTwips(int pixels) const {
    return qRound(pixels * 1440.0 / logicalDpiX());
}

void frmMain::BuildControls() {
    // One panel of the wide, tall size; the window shows as much of it as its size lets through,
    // so the side panel and the "Save in:" row appear by making the window wider or taller.
    auto* content = content_ = new QWidget(this);
    content->setObjectName("content");
    const int narrow = TwipsToPixels(kNarrowWidth), wide = TwipsToPixels(kWideWidth);
    const int low = TwipsToPixels(kRenameHeight), high = TwipsToPixels(kCopyHeight);
    const int links = TwipsToPixels(kRenameHeight + kLinksHeight) - low;
    content->setGeometry(0, 0, wide, high + links);

    // The list, the fields, the options and the buttons.
    auto* main = new QWidget(content);
    main->setGeometry(0, 0, narrow, low);
    auto* mainLayout = new QVBoxLayout(main);
    mainLayout->setContentsMargins(8, 6, 6, 4);
    mainLayout->setSpacing(4);

    Toolbar1_ = new QToolBar(main);
    Toolbar1_->setObjectName("Toolbar1");
    Toolbar1_->setAccessibleName(QStringLiteral("List commands"));
    Toolbar1_->setIconSize(QSize(16, 16));
    Toolbar1_->setToolButtonStyle(Qt::ToolButtonIconOnly);
    ListView1_ = new FileListView(main);
    ListView1_->setObjectName("ListView1");
    ListView1_->setAccessibleName(QStringLiteral("Files to Rename"));
    ListView1_->header()->resizeSection(0, (narrow - 30) / 2);
    auto* top = new QHBoxLayout;
    top->addWidget(FieldLabel(QStringLiteral("Files to Rename:"), main, ListView1_), 0,
                   Qt::AlignBottom);
    top->addStretch(1);
    top->addWidget(Toolbar1_);
    mainLayout->addLayout(top);
    mainLayout->addWidget(ListView1_, 1);

    txtTemplate_ = new QLineEdit(main);
    txtTemplate_->setObjectName("txtTemplate");
    txtTemplate_->setAccessibleName(QStringLiteral("Template"));
    txtTemplate_->setToolTip(QStringLiteral("# is one digit of the counter, * the old name"));
    txtStart_ = new QLineEdit(QStringLiteral("0"), main);
    txtStart_->setObjectName("txtStart");
    txtStart_->setAccessibleName(QStringLiteral("Start at"));
    txtStart_->setFixedWidth(70);
    auto* fields = new QHBoxLayout;
    fields->addWidget(FieldLabel(QStringLiteral("Template:"), main, txtTemplate_));
    fields->addWidget(txtTemplate_, 1);
    fields->addSpacing(6);
    fields->addWidget(FieldLabel(QStringLiteral("Start at:"), main, txtStart_));
    fields->addWidget(txtStart_);
    mainLayout->addLayout(fields);

    chkForce_ = new QCheckBox(QStringLiteral("Force lower case extension"), main);
    chkForce_->setObjectName("chkForce");
    chkRemove_ = new QCheckBox(QStringLiteral("Remove original extension"), main);
    chkRemove_->setObjectName("chkRemove");
    chkCopy_ = new QCheckBox(QStringLiteral("Copy files instead of rename"), main);
    chkCopy_->setObjectName("chkCopy");
    auto* options = new QVBoxLayout;
    options->setSpacing(2);
    options->addWidget(FieldLabel(QStringLiteral("Options:"), main));
    options->addWidget(chkForce_);
    options->addWidget(chkRemove_);
    options->addWidget(chkCopy_);

    auto button = [&](QPushButton*& into, const char* name, const QString& caption) {
        into = new QPushButton(caption, main);
        into->setObjectName(QLatin1String(name));
        into->setMinimumWidth(76);
    };
    button(cmdRename_, "cmdRename", kRenameCaption);
    button(cmdPreview_, "cmdPreview", QStringLiteral("Preview"));
    button(cmdHelp_, "cmdHelp", QStringLiteral("Help"));
    button(cmdClose_, "cmdClose", QStringLiteral("Close"));
    cmdRename_->setDefault(true);
    auto* buttons = new QGridLayout;
    buttons->setSpacing(4);
    buttons->addWidget(cmdRename_, 0, 0);
    buttons->addWidget(cmdPreview_, 0, 1);
    buttons->addWidget(cmdHelp_, 1, 0);
    buttons->addWidget(cmdClose_, 1, 1);
    auto* lower = new QHBoxLayout;
    lower->addLayout(options, 1);
    lower->addLayout(buttons);
    lower->setAlignment(buttons, Qt::AlignBottom);
    mainLayout->addLayout(lower);

    // "Update links in site folder:", below the options.
    auto* linkRows = new QWidget(content);
    linkRows->setGeometry(0, low, narrow, links);
    auto* linkLayout = new QGridLayout(linkRows);
    linkLayout->setContentsMargins(8, 0, 6, 2);
    linkLayout->setVerticalSpacing(2);
    chkLinks_ = new QCheckBox(QStringLiteral("Update links in site folder:"), linkRows);
    chkLinks_->setObjectName("chkLinks");
    chkLinks_->setToolTip(
        QStringLiteral("Rewrite the links and image sources of the site's pages that lead to "
                       "the files, so that they lead to the new names"));
    txtSite_ = new QLineEdit(linkRows);
    txtSite_->setObjectName("txtSite");
    txtSite_->setAccessibleName(QStringLiteral("Site folder"));
    cmdSiteBrowse_ = new QPushButton(QStringLiteral("Browse"), linkRows);
    cmdSiteBrowse_->setObjectName("cmdSiteBrowse");
    cmdSiteBrowse_->setAccessibleName(QStringLiteral("Browse for the site folder"));
    txtSiteAddresses_ = new QLineEdit(linkRows);
    txtSiteAddresses_->setObjectName("txtSiteAddresses");
    txtSiteAddresses_->setAccessibleName(QStringLiteral("Site addresses"));
    txtSiteAddresses_->setPlaceholderText(QStringLiteral("http://www.example.org/"));
    txtSiteAddresses_->setToolTip(
        QStringLiteral("The site's own addresses, separated by blanks: links that begin with "
                       "one of them are kept too"));
    lblLinkCount_ = new QLabel(linkRows);
    lblLinkCount_->setObjectName("lblLinkCount");
    lblLinkCount_->setAccessibleName(QStringLiteral("Links to update"));
    lblLinkCount_->setTextFormat(Qt::PlainText);
    lblLinkCount_->setWordWrap(true);
    cmdLinks_ = new QPushButton(QStringLiteral("Details..."), linkRows);
    cmdLinks_->setObjectName("cmdLinks");
    cmdLinks_->setAccessibleName(QStringLiteral("Details of the links to update"));
    cmdLinks_->setEnabled(false);
    linkLayout->addWidget(chkLinks_, 0, 0);
    linkLayout->addWidget(txtSite_, 0, 1);
    linkLayout->addWidget(cmdSiteBrowse_, 0, 2);
    linkLayout->addWidget(
        FieldLabel(QStringLiteral("Site addresses:"), linkRows, txtSiteAddresses_), 1, 0,
        Qt::AlignRight);
    linkLayout->addWidget(txtSiteAddresses_, 1, 1, 1, 2);
    linkLayout->addWidget(lblLinkCount_, 2, 0, 1, 2);
    linkLayout->addWidget(cmdLinks_, 2, 2);
    linkLayout->setColumnStretch(1, 1);
    SetUpdateLinks(false);

    // The "Save in:" row of copy mode, below the options.
    auto* saveIn = new QWidget(content);
    saveIn->setGeometry(0, low + links, narrow, high - low);
    auto* saveLayout = new QHBoxLayout(saveIn);
    saveLayout->setContentsMargins(8, 2, 6, 8);
    txtDest_ = new QLineEdit(saveIn);
    txtDest_->setObjectName("txtDest");
    txtDest_->setAccessibleName(QStringLiteral("Save in"));
    cmdBrowse_ = new QPushButton(QStringLiteral("Browse"), saveIn);
    cmdBrowse_->setObjectName("cmdBrowse");
    saveLayout->addWidget(FieldLabel(QStringLiteral("Save in:"), saveIn, txtDest_));
    saveLayout->addWidget(txtDest_, 1);
    saveLayout->addWidget(cmdBrowse_);
    txtDest_->setEnabled(false);
    cmdBrowse_->setEnabled(false);

    // The side panel.
    auto* side = new QWidget(content);
    side->setGeometry(narrow, 0, wide - narrow, low);  // whole in both heights
    auto* sideLayout = new QVBoxLayout(side);
    sideLayout->setContentsMargins(4, 6, 8, 8);
    chkOnTop_ = new QCheckBox(QStringLiteral("Always on Top"), side);
    chkOnTop_->setObjectName("chkOnTop");
    Frame1_ = new QGroupBox(QStringLiteral("Image Preview"), side);
    Frame1_->setObjectName("Frame1");
    Image1_ = new QLabel(Frame1_);
    Image1_->setObjectName("Image1");
    Image1_->setAccessibleName(QStringLiteral("Image Preview"));
    Image1_->setAlignment(Qt::AlignCenter);
    Image1_->setMinimumSize(140, 120);
    auto* frameLayout = new QVBoxLayout(Frame1_);
    frameLayout->addWidget(Image1_);
    Image2_ = new QLabel(side);
    Image2_->setObjectName("Image2");
    Image2_->setAccessibleName(QStringLiteral("Trellin logo"));
    Image2_->setPixmap(RenamerIcon(RenamerIconKind::Program).pixmap(32, 32));
    lblAbout_ = new QLabel(side);
    lblAbout_->setObjectName("lblAbout");
    lblAbout_->setWordWrap(true);
    lblAbout_->setTextFormat(Qt::PlainText);
    // SetAboutText: the program's notice.
    lblAbout_->setText(
        QStringLiteral("Trellin 1.0\nBatch file renamer.\nBy the Morvane and Trellin "
                       "authors."));
    auto* about = new QHBoxLayout;
    about->addWidget(Image2_, 0, Qt::AlignTop);
    about->addWidget(lblAbout_, 1);
    sideLayout->addWidget(chkOnTop_);
    sideLayout->addWidget(Frame1_, 1);
    sideLayout->addLayout(about);

    mnuPopList_ = new QMenu(QStringLiteral("Pop List"), this);
    mnuPopList_->setObjectName("mnuPopList");
    mnuPopListProperties_ = mnuPopList_->addAction(QStringLiteral("Properties"));
    mnuPopListProperties_->setObjectName("mnuPopListProperties");

    txtTemplate_->installEventFilter(this);
    txtStart_->installEventFilter(this);
    txtDest_->installEventFilter(this);
}

void frmMain::CreateActions() {
    struct Button {
        const char* key;
        const char* tip;
        RenamerIconKind icon;
        void (frmMain::*command)();
    };
    const Button kButtons[] = {
        {"add", " Add Files ", RenamerIconKind::Add, &frmMain::AddFiles},
        {"remove", " Remove Selected File ", RenamerIconKind::Remove, &frmMain::RemoveFile},
        {"clear", " Remove All Files ", RenamerIconKind::Clear, &frmMain::ClearFiles},
        {"up", " Move Up ", RenamerIconKind::Up, &frmMain::MoveFileUp},
        {"down", " Move Down ", RenamerIconKind::Down, &frmMain::MoveFileDown},
        {"undo", " Undo Last Batch ", RenamerIconKind::Undo, &frmMain::UndoLastBatch},
    };
    for (const Button& b : kButtons) {
        QAction* action =
            Toolbar1_->addAction(RenamerIcon(b.icon), QString::fromLatin1(b.tip).trimmed());
        action->setObjectName(QLatin1String(b.key));
        action->setToolTip(QLatin1String(b.tip));
        connect(action, &QAction::triggered, this, b.command);
    }
    // The text fields keep Ctrl+Z for their own undo (they take the key first).
    Toolbar1_->findChild<QAction*>("undo")->setShortcut(QKeySequence::Undo);
    previewAction_ = Toolbar1_->addAction(RenamerIcon(RenamerIconKind::Preview),
                                          QStringLiteral("Image Preview"));
    previewAction_->setObjectName("preview");
    previewAction_->setToolTip(QStringLiteral(" Image Preview "));
    previewAction_->setCheckable(true);
    connect(previewAction_, &QAction::toggled, this, &frmMain::SetPanelVisible);

    connect(cmdRename_, &QPushButton::clicked, this, &frmMain::RenameButton);
    connect(cmdPreview_, &QPushButton::clicked, this, &frmMain::PreviewButton);
    connect(cmdHelp_, &QPushButton::clicked, this, &frmMain::HelpButton);
    connect(cmdClose_, &QPushButton::clicked, this, &QWidget::close);
    connect(cmdBrowse_, &QPushButton::clicked, this, &frmMain::BrowseButton);
    connect(chkLinks_, &QCheckBox::toggled, this, &frmMain::SetUpdateLinks);
    connect(cmdSiteBrowse_, &QPushButton::clicked, this, &frmMain::BrowseSiteButton);
    connect(cmdLinks_, &QPushButton::clicked, this, &frmMain::LinkDetailsButton);
    connect(chkCopy_, &QCheckBox::toggled, this, &frmMain::SetCopyMode);
    connect(chkOnTop_, &QCheckBox::toggled, this, &frmMain::SetOnTop);
    connect(chkRemove_, &QCheckBox::toggled, this, [this](bool removed) {
        if (removed) chkForce_->setChecked(false);
        chkForce_->setEnabled(!removed);
    });
    connect(ListView1_, &FileListView::pathsDropped, this, &frmMain::DropFiles);
    connect(ListView1_, &QTreeWidget::itemClicked, this,
            [this](QTreeWidgetItem* item) { ShowImagePreview(item); });
    connect(ListView1_, &QWidget::customContextMenuRequested, this, [this](const QPoint& pos) {
        PreparePopList(pos);
        mnuPopList_->popup(ListView1_->viewport()->mapToGlobal(pos));
    });
    connect(mnuPopListProperties_, &QAction::triggered, this, [this] {
        // Owned by the window, so that it opens above it also while the window stays on top.
        if (QTreeWidgetItem* item = ListView1_->currentItem())
            ShowFileProperties(this, item->data(0, kPathRole).toString());
    });
}

void frmMain::ApplySize() {
    setFixedSize(TwipsToPixels(wide_ ? kWideWidth : kNarrowWidth),
                 TwipsToPixels((copyMode_ ? kCopyHeight : kRenameHeight) + kLinksHeight));
}

// ----- settings -----

void frmMain::LoadSettings() {
    QScreen* screen = this->screen() != nullptr ? this->screen() : QGuiApplication::primaryScreen();
    const QRect area = screen != nullptr ? screen->geometry() : QRect(0, 0, 1024, 768);
    const long left = CentredPosition(PixelsToTwips(area.width()), PixelsToTwips(width()));
    const long top = CentredPosition(PixelsToTwips(area.height()), PixelsToTwips(height()));
    RenamerSettings settings = LoadRenamerSettings(PathToStd(settingsFile_), left, top);
    if (settings.left) move(TwipsToPixels(int(*settings.left)), y());
    if (settings.top) move(x(), TwipsToPixels(int(*settings.top)));
    txtTemplate_->setText(ToQString(settings.nameTemplate));
    txtDest_->setText(ToQString(settings.saveIn));
    if (settings.onTop) chkOnTop_->setChecked(*settings.onTop);
    txtSite_->setText(PathToQString(settings.links.folder));
    txtSiteAddresses_->setText(ToQString(settings.links.addresses));
    chkLinks_->setChecked(settings.links.on);
}

void frmMain::SaveSettings() {
    SaveRenamerSettings(
        PathToStd(settingsFile_), PixelsToTwips(x()), PixelsToTwips(y()),
        ToStd(txtTemplate_->text()), ToStd(txtDest_->text()), chkOnTop_->isChecked(),
        {chkLinks_->isChecked(), PathToStd(txtSite_->text()), ToStd(txtSiteAddresses_->text())});
}

void frmMain::closeEvent(QCloseEvent* event) {
    SaveSettings();
    event->accept();
}

// ----- key filters and the destination field -----

bool frmMain::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::KeyPress && (watched == txtTemplate_ || watched == txtStart_)) {
        const QString text = static_cast<QKeyEvent*>(event)->text();
        // Typed characters only: keys without text and control characters (Backspace, Ctrl+V)
        // go on as usual.
        if (text.size() == 1 && text.at(0).unicode() >= 0x20 && text.at(0).unicode() != 0x7f) {
            const char32_t c = text.at(0).unicode();
            if (watched == txtTemplate_ && IsRefusedTemplateChar(c)) {
                ShowMessage(this, TemplateWarning(), PromptIcon::Exclamation, kAppTitle);
                return true;
            }
            if (watched == txtStart_ && !IsAcceptedStartKey(c)) return true;
        }
    }
    if (event->type() == QEvent::FocusIn && watched == txtDest_) {
        // After the click that gave the focus has placed the caret.
        QTimer::singleShot(0, txtDest_, &QLineEdit::selectAll);
    }
    return QWidget::eventFilter(watched, event);
}

// ----- busy state -----

void frmMain::SetBusy(bool busy) {
    if (busy) {
        if (busy_++ == 0) {
            QApplication::setOverrideCursor(Qt::WaitCursor);
            content_->setEnabled(false);
        }
    } else if (busy_ > 0 && --busy_ == 0) {
        QApplication::restoreOverrideCursor();
        content_->setEnabled(true);
    }
    repaint();
}

// ----- the list -----

std::vector<FileEntry> frmMain::Entries() const {
    std::vector<FileEntry> entries;
    entries.reserve(size_t(ListView1_->topLevelItemCount()));
    for (int row = 0; row < ListView1_->topLevelItemCount(); ++row) {
        const QTreeWidgetItem* item = ListView1_->topLevelItem(row);
        entries.push_back(FileEntry{
            PathToStd(item->data(0, kPathRole).toString()), PathToStd(item->text(0)),
            PathToStd(item->data(0, kExtensionRole).toString()), PathToStd(item->text(1))});
    }
    return entries;
}

QSet<QString> frmMain::ListedPaths() const {
    QSet<QString> paths;
    paths.reserve(ListView1_->topLevelItemCount());
    for (int row = 0; row < ListView1_->topLevelItemCount(); ++row)
        paths.insert(ListView1_->topLevelItem(row)->data(0, kPathRole).toString());
    return paths;
}

bool frmMain::AddEntry(const QString& path, QSet<QString>& listed) {
    if (listed.contains(path)) return false;
    listed.insert(path);
    FileEntry entry = MakeFileEntry(PathToStd(path));
    auto* item = new QTreeWidgetItem({PathToQString(entry.displayName), QString()});
    item->setData(0, kPathRole, path);
    item->setData(0, kExtensionRole, PathToQString(entry.originalExtension));
    item->setToolTip(0, path);
    ListView1_->addTopLevelItem(item);
    return true;
}

Status frmMain::ShowPreview() {
    std::vector<FileEntry> entries = Entries();
    Status status =
        renamer::ShowPreview(entries, PathToStd(txtTemplate_->text()), ToStd(txtStart_->text()),
                             TemplateOptions{chkRemove_->isChecked(), chkForce_->isChecked()});
    // Entries before a failure have their new names, later ones their old contents.
    for (int row = 0; row < ListView1_->topLevelItemCount(); ++row)
        ListView1_->topLevelItem(row)->setText(1, PathToQString(entries[size_t(row)].newName));
    return status;
}

void frmMain::AddFiles() {
    SetBusy(true);
    QStringList files;
    bool chosen = false;
    {
        ArrowWhileAsking arrow;
        chosen = SelectFiles(this, files, QStringLiteral("All Files (*.*)|*.*"),
                             QStringLiteral("Select Files"), QString());
    }
    repaint();
    if (chosen) {
        QSet<QString> listed = ListedPaths();
        for (const QString& path : files)
            AddEntry(path, listed);
        if (Status status = ShowPreview(); !status) {
            ArrowWhileAsking arrow;
            ShowMessage(this, ToQString(status.error().description), PromptIcon::Critical,
                        kAppTitle);
        }
    }
    ClearImage();
    SetBusy(false);
}

void frmMain::DropFiles(const QStringList& paths) {
    SetBusy(true);
    bool anyFile = false;
    QSet<QString> listed = ListedPaths();
    for (const QString& path : paths) {
        if (QFileInfo(path).isDir()) continue;
        anyFile = true;
        AddEntry(path, listed);
    }
    if (anyFile) (void)ShowPreview();  // failures of a drop are ignored
    SetBusy(false);
}

void frmMain::RemoveFile() {
    if (ListView1_->topLevelItemCount() == 0) return;
    ClearImage();
    if (QTreeWidgetItem* item = ListView1_->currentItem(); item != nullptr && item->isSelected())
        delete item;
    ListView1_->setFocus();
}

void frmMain::ClearFiles() {
    if (ListView1_->topLevelItemCount() == 0) return;
    if (Ask(this, QStringLiteral("Remove all files from the list?"), PromptButtons::YesNo,
            PromptIcon::Question, PromptAnswer::No, kAppTitle) != PromptAnswer::Yes)
        return;
    ClearImage();
    ListView1_->clear();
}

void frmMain::MoveFileUp() {
    QTreeWidgetItem* item = ListView1_->currentItem();
    if (item == nullptr || !item->isSelected()) return;
    const int row = ListView1_->indexOfTopLevelItem(item);
    if (row <= 0) return;
    ListView1_->takeTopLevelItem(row);
    ListView1_->insertTopLevelItem(row - 1, item);
    ListView1_->setCurrentItem(item);
}

void frmMain::MoveFileDown() {
    QTreeWidgetItem* item = ListView1_->currentItem();
    if (item == nullptr || !item->isSelected()) return;
    const int row = ListView1_->indexOfTopLevelItem(item);
    if (row < 0 || row + 1 >= ListView1_->topLevelItemCount()) return;
    ListView1_->takeTopLevelItem(row);
    ListView1_->insertTopLevelItem(row + 1, item);
    ListView1_->setCurrentItem(item);
}

void frmMain::ClearImage() {
    Image1_->clear();
}

void frmMain::ShowImagePreview(QTreeWidgetItem* item) {
    ClearImage();
    if (item == nullptr) return;
    // The bytes come through the file layer, so a pipe or device in the list is passed over
    // at once instead of holding the window up.
    const Result<std::string> bytes =
        ReadFile(PathToStd(item->data(0, kPathRole).toString()), {kMaxPreviewFile, false, {}});
    if (!bytes) return;
    QByteArray data = QByteArray::fromStdString(bytes.value());
    QBuffer buffer(&data);
    QImageReader reader(&buffer);
    reader.setAutoTransform(true);
    const QSize box = Image1_->size();
    if (reader.size().isValid()) {
        QSize size = reader.size();
        if (size.width() > box.width() || size.height() > box.height())
            reader.setScaledSize(size.scaled(box, Qt::KeepAspectRatio));
    }
    const QImage image = reader.read();
    if (image.isNull()) return;  // not a picture the loader reads: the box stays empty
    Image1_->setPixmap(
        QPixmap::fromImage(image.width() > box.width() || image.height() > box.height()
                               ? image.scaled(box, Qt::KeepAspectRatio, Qt::SmoothTransformation)
                               : image));
}

void frmMain::PreparePopList(const QPoint& pos) {
    mnuPopListProperties_->setEnabled(ListView1_->itemAt(pos) != nullptr);
}

// ----- modes and options -----

void frmMain::SetCopyMode(bool copy) {
    copyMode_ = copy;
    ApplySize();
    cmdRename_->setText(copy ? kCopyCaption : kRenameCaption);
    txtDest_->setEnabled(copy);
    cmdBrowse_->setEnabled(copy);
    if (copy) txtDest_->setFocus();
}

void frmMain::SetPanelVisible(bool visible) {
    wide_ = visible;
    ApplySize();
}

void frmMain::SetOnTop(bool onTop) {
    if (windowFlags().testFlag(Qt::WindowStaysOnTopHint) == onTop) return;
    const bool visible = isVisible();
    const QPoint at = pos();
    setWindowFlag(Qt::WindowStaysOnTopHint, onTop);  // hides a shown window
    if (visible) {
        move(at);
        show();
    }
}

// ----- buttons -----

void frmMain::PreviewButton() {
    if (ListView1_->topLevelItemCount() == 0) return;
    SetBusy(true);
    if (Status status = ShowPreview(); !status) {
        ArrowWhileAsking arrow;
        ShowMessage(this, ToQString(status.error().description) + '.', PromptIcon::Critical,
                    kAppTitle);
    } else if (Site().on()) {
        const BatchMode mode = copyMode_ ? BatchMode::Copy : BatchMode::Move;
        PlanLinks(mode, MakeBatchItems(mode, Entries(),
                                       PathToStd(CopyDestination(txtDest_->text().trimmed())),
                                       ListPaths::CurrentFolder));
    }
    SetBusy(false);
}

// ----- links of the site -----

void frmMain::SetUpdateLinks(bool on) {
    txtSite_->setEnabled(on);
    cmdSiteBrowse_->setEnabled(on);
    txtSiteAddresses_->setEnabled(on);
    if (!on) {
        ShowLinkCount(QString());
        links_ = {};
        cmdLinks_->setEnabled(false);
    }
}

void frmMain::BrowseSiteButton() {
    const QString folder = BrowseForFolder(
        this, QStringLiteral("Select the folder of the site whose links are to be kept."),
        txtSite_->text());
    if (!folder.isEmpty()) txtSite_->setText(folder);
    txtSite_->setFocus();
}

void frmMain::LinkDetailsButton() {
    frmLinks details(this, links_, linksFolder_, chkOnTop_->isChecked());
    details.exec();
}

SiteLinks frmMain::Site() const {
    if (!chkLinks_->isChecked()) return {};
    std::string folder(TrimBlanks(PathToStd(txtSite_->text())));
    return {folder, SplitNames(ToStd(txtSiteAddresses_->text()))};
}

void frmMain::ShowLinkCount(const QString& text) {
    lblLinkCount_->setText(text);
    lblLinkCount_->setAccessibleDescription(text);
}

bool frmMain::PlanLinks(BatchMode mode, const std::vector<BatchItem>& items) {
    const SiteLinks site = Site();
    Result<LinkUpdatePlan> plan = PlanLinksWithWindow(this, mode, items, site);
    links_ = plan ? std::move(plan.value()) : LinkUpdatePlan{};
    linksFolder_ = site.folder;
    cmdLinks_->setEnabled(plan.ok());
    if (!plan) {
        if (plan.error().number == kUserInterrupt) {
            ShowLinkCount(QStringLiteral("The look for links was cancelled."));
            return false;
        }
        ShowLinkCount(QString());
        ArrowWhileAsking arrow;
        ShowMessage(this, ToQString(plan.error().description) + '.', PromptIcon::Exclamation,
                    kAppTitle);
        return false;
    }
    ShowLinkCount(LinkPreviewText(links_, false));
    return true;
}

void frmMain::HelpButton() {
    frmHelp help(this, chkOnTop_->isChecked());
    help.exec();
}

void frmMain::BrowseButton() {
    const QString folder =
        BrowseForFolder(this, QStringLiteral("Select folder where you want to copy the files to."),
                        txtDest_->text());
    if (!folder.isEmpty()) txtDest_->setText(folder);
    txtDest_->setFocus();
}

void frmMain::RenameButton() {
    if (ListView1_->topLevelItemCount() == 0) return;
    if (!OfferRecovery()) return;  // no batch starts while one is interrupted
    if (chkLinks_->isChecked() && !Site().on()) {
        ShowMessage(this, QStringLiteral("Please specify the site folder."),
                    PromptIcon::Exclamation, kAppTitle);
        txtSite_->setFocus();
        return;
    }
    if (cmdRename_->text() == kRenameCaption) {
        RenameFiles();
        return;
    }
    if (txtDest_->text().trimmed().isEmpty()) {
        ShowMessage(this, QStringLiteral("Please specify copy destination."),
                    PromptIcon::Exclamation, kAppTitle);
        txtDest_->setFocus();
        return;
    }
    CopyFiles();
}

void frmMain::RenameFiles() {
    const int n = ListView1_->topLevelItemCount();
    if (Ask(this, QStringLiteral("Are you sure you want to rename %1 files?").arg(n),
            PromptButtons::YesNo, PromptIcon::Question, PromptAnswer::No,
            kAppTitle) != PromptAnswer::Yes)
        return;
    RunBatch(BatchMode::Move, QString());
}

void frmMain::CopyFiles() {
    const int n = ListView1_->topLevelItemCount();
    const QString destination = txtDest_->text().trimmed();
    if (Ask(this,
            QStringLiteral("This will copy %1 files to the '%2' folder.").arg(n).arg(destination),
            PromptButtons::OKCancel, PromptIcon::Information, PromptAnswer::Cancel,
            kAppTitle) != PromptAnswer::OK)
        return;
    RunBatch(BatchMode::Copy, CopyDestination(destination));
}

QString frmMain::CopyDestination(const QString& typed) const {
    const std::string folder = PathToStd(typed);
    if (folder.empty() || folder.front() == kPathSeparator || ListView1_->topLevelItemCount() == 0)
        return typed;
    const std::string files =
        GetFolderName(PathToStd(ListView1_->topLevelItem(0)->data(0, kPathRole).toString()), false);
    return PathToQString(JoinPath(files.empty() ? std::string(1, kPathSeparator) : files,
                                  folder.rfind("./", 0) == 0 ? folder.substr(2) : folder));
}

void frmMain::RunBatch(BatchMode mode, const QString& destination) {
    SetBusy(true);
    auto finish = [this] {
        SetBusy(false);
        activateWindow();
        raise();
    };
    if (Status status = ShowPreview(); !status) {
        {
            ArrowWhileAsking arrow;
            ShowMessage(this, ToQString(status.error().description) + '.', PromptIcon::Critical,
                        kAppTitle);
        }
        finish();
        return;
    }
    repaint();

    const std::vector<BatchItem> items =
        MakeBatchItems(mode, Entries(), PathToStd(destination), ListPaths::CurrentFolder);
    if (Site().on() && !PlanLinks(mode, items)) {
        finish();
        return;
    }

    batchRunning_ = true;
    const SiteBatchResult site = RunSiteBatchWithWindow(this, mode, items, links_);
    batchRunning_ = false;
    const BatchResult& result = site.batch;
    if (Site().on() && site.pagesWritten > 0) ShowLinkCount(LinkPreviewText(links_, true));

    // The list keeps exactly the entries that were not done.
    bool removed = false;
    for (int row = int(result.items.size()) - 1; row >= 0; --row) {
        if (BatchResult::IsDone(result.items[size_t(row)].state)) {
            delete ListView1_->takeTopLevelItem(row);
            removed = true;
        }
    }
    if (removed) ClearImage();

    if (ClosingForStopSignal(DescribeSiteResult(mode, items, site, size_t(-1)))) {
        finish();
        return;
    }
    const bool quietCancel = result.cancelled && result.problems.empty() &&
                             result.DoneCount() == 0 && site.turnedBack.empty();
    if (!site.ok() && !quietCancel) {
        // Refused names, a turned back batch and pages left are warnings; files the user chose
        // to keep, or a stop, are news.
        ArrowWhileAsking arrow;
        const PromptIcon icon =
            AnyFailed(result) && site.turnedBack.empty() ? PromptIcon::Critical
            : !result.problems.empty() || !site.turnedBack.empty() || !site.pagesLeft.empty()
                ? PromptIcon::Exclamation
                : PromptIcon::Information;
        ShowMessage(this, ToQString(DescribeSiteResult(mode, items, site)), icon, kAppTitle);
    }
    finish();
}

// ----- recovery, undo and stop signals -----

bool frmMain::OfferRecovery() {
    for (;;) {
        const std::vector<JournalState> interrupted = FindInterruptedBatches(JournalFolder());
        if (interrupted.empty()) return true;
        const JournalState& state = interrupted.front();
        const QString question =
            ToQString(DescribeInterrupted(state)) + QStringLiteral("\n\n") +
            (state.undoing ? QStringLiteral("Turn the undo back, so that the files keep the names "
                                            "the batch gave them, or finish the undo?")
                           : QStringLiteral("Turn the batch back, so that every file has the name "
                                            "it had before it, or finish the batch?")) +
            QStringLiteral("\n\nNo new batch can start until then.");
        PromptAnswer answer = PromptAnswer::Cancel;
        {
            ArrowWhileAsking arrow;
            answer = CurrentPrompter().Ask(
                this, Prompt{question,
                             PromptButtons::YesNoCancel,
                             PromptIcon::Question,
                             PromptAnswer::Yes,
                             kAppTitle,
                             {QStringLiteral("Turn Back"), QStringLiteral("Finish"),
                              QStringLiteral("Later")}});
        }
        if (answer != PromptAnswer::Yes && answer != PromptAnswer::No) return false;
        const RecoverWay way =
            answer == PromptAnswer::Yes ? RecoverWay::TurnBack : RecoverWay::Finish;
        SetBusy(true);
        batchRunning_ = true;
        const SettleReport report = RecoverWithWindow(this, state, way);
        batchRunning_ = false;
        if (ClosingForStopSignal(DescribeSettle(report, "Recovery", size_t(-1)))) {
            SetBusy(false);
            return false;
        }
        {
            ArrowWhileAsking arrow;
            ShowMessage(this,
                        ToQString(DescribeSettle(
                            report, way == RecoverWay::TurnBack ? "Turned back" : "Finished")),
                        report.ok() ? PromptIcon::Information : PromptIcon::Exclamation, kAppTitle);
        }
        SetBusy(false);
        if (!report.refused.empty() || report.stopped) return false;
    }
}

void frmMain::UndoLastBatch() {
    if (IsBusy() || !OfferRecovery()) return;
    const std::optional<JournalState> last = FindLastBatch(JournalFolder());
    if (!last) {
        ShowMessage(this, QStringLiteral("There is no batch to undo."), PromptIcon::Information,
                    kAppTitle);
        return;
    }
    const QString question =
        QStringLiteral(
            "Undo %1?\n\nRenamed files get their old names back, and pages whose links "
            "were rewritten their old bytes; copies are deleted. A copy or page changed "
            "since is left as it is. The last ten batches can be undone, one after the other, "
            "also after Trellin was closed.")
            .arg(ToQString(DescribeBatch(*last)));
    if (Ask(this, question, PromptButtons::YesNo, PromptIcon::Question, PromptAnswer::No,
            kAppTitle) != PromptAnswer::Yes)
        return;
    SetBusy(true);
    batchRunning_ = true;
    const SettleReport report = UndoWithWindow(this, *last);
    batchRunning_ = false;
    ShowLinkCount(QString());  // what it said is undone
    if (ClosingForStopSignal(DescribeSettle(report, "Undo", size_t(-1)))) {
        SetBusy(false);
        return;
    }
    {
        ArrowWhileAsking arrow;
        ShowMessage(this, ToQString(DescribeSettle(report, "Undone")),
                    report.ok() ? PromptIcon::Information : PromptIcon::Exclamation, kAppTitle);
    }
    SetBusy(false);
}

bool frmMain::ClosingForStopSignal(const std::string& outcome) {
    const int signal = StopSignalReceived();
    if (signal == 0) return false;
    // SIGINT stops a batch as Cancel does; SIGTERM and SIGHUP also end the program, without a
    // box in the way.
    ClearStopSignal();
    std::fprintf(stderr, "trelo: stopped by %s: %s\n", StopSignalName(signal).c_str(),
                 outcome.c_str());
    if (signal == SIGINT) return false;
    QTimer::singleShot(0, qApp, &QApplication::closeAllWindows);
    return true;
}

void frmMain::WatchStopSignals() {
    if (StopSignalFd() < 0) return;
    auto* notifier = new QSocketNotifier(StopSignalFd(), QSocketNotifier::Read, this);
    connect(notifier, &QSocketNotifier::activated, this, [this] {
        DrainStopSignalPipe();
        if (batchRunning_) return;  // the batch polls the signal and stops by itself
        ClearStopSignal();
        QApplication::closeAllWindows();  // open dialogs too; closing saves the settings
    });
}

}  // namespace morv::renamer
