#include "extract/widgets/ExtractDialog.h"

#include <QCheckBox>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QToolBar>
#include <QToolButton>
#include <QTreeWidget>

#include <optional>

#include "editor/widgets/DocumentCommands.h"
#include "editor/widgets/DocumentEditor.h"
#include "editor/widgets/DocumentLoad.h"
#include "editor/widgets/EditorBuffer.h"
#include "editor/widgets/LongOperation.h"
#include "editor/widgets/MainWindow.h"
#include "extract/core/FindFiles.h"
#include "extract/core/ListFile.h"
#include "helpers/core/IniFile.h"
#include "helpers/core/PathHelpers.h"
#include "helpers/core/TextUtil.h"
#include "helpers/widgets/FileDialogs.h"
#include "helpers/widgets/FlatToolbar.h"
#include "helpers/widgets/Prompter.h"
#include "helpers/widgets/QtText.h"
#include "helpers/widgets/ThemeIcon.h"
#include "helpers/widgets/WaitCursor.h"
#include "services/widgets/ProgressWindow.h"

namespace morv {

namespace {

const char kListFilter[] = "MORV Extract List (*.mrk)|*.mrk";
const char kAddFilter[] =
    "All Suported Files|*.htm;*.html;*.asp;*.php;*.php3;*.php4|"
    "HTML Documents (*.htm;*.html)|*.htm;*.html|"
    "Active Server Pages (*.asp)|*.asp|"
    "PHP Files (*.php;*.php3;*.php4)|*.php;*.php3;*.php4|"
    "All Files (*.*)|*.*";

const char* const kTagCaptions[kTagKindCount] = {"Script", "Style", "Link", "Image", "E-mail"};
const char* const kOptionCaptions[3] = {"Clear text before extracting", "Don't add relative links",
                                        "Don't add section attributes"};

// List2 laid over List1 while List1 is refilled.
class CoverList {
  public:
    CoverList(QListWidget* list, QListWidget* cover) : list_(list), cover_(cover) {
        cover_->setGeometry(list_->geometry());
        cover_->show();
        cover_->raise();
        list_->setUpdatesEnabled(false);
    }
    ~CoverList() {
        list_->setUpdatesEnabled(true);
        cover_->hide();
    }
    CoverList(const CoverList&) = delete;
    CoverList& operator=(const CoverList&) = delete;

  private:
    QListWidget* list_;
    QListWidget* cover_;
};

QListWidgetItem* MakeEntry(const std::string& bytes) {
    auto* item = new QListWidgetItem(PathToQString(bytes));
    item->setData(Qt::UserRole, QByteArray::fromStdString(bytes));
    return item;
}

cINI ExtractSettings(frmMain& main) {
    cINI ini;
    ini.FileName = PathToStd(main.SettingsFile());
    ini.AppName = "Extract";
    return ini;
}

}  // namespace

QString LastListFile(frmMain& main) {
    const std::string folder = GetFolderName(PathToStd(main.SettingsFile()), false);
    return PathToQString(JoinPath(folder, "morv.mrk"));
}

frmExtract::frmExtract(frmMain& main)
    : QDialog(&main, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
                         Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint),
      main_(main) {
    setObjectName("frmExtract");
    setWindowTitle("Extract");
    setAccessibleName("Extract");
    setWindowModality(Qt::ApplicationModal);

    auto px = [&main](double twips) { return main.TwipsToPixelsX(twips); };
    auto py = [&main](double twips) { return main.TwipsToPixelsY(twips); };

    toolbar_ = new QToolBar(this);
    toolbar_->setObjectName("Toolbar1");
    toolbar_->setAccessibleName("File list");
    toolbar_->setIconSize(QSize(16, 16));
    toolbar_->setGeometry(0, 0, px(7200), py(420));
    struct Button {
        const char* key;
        const char* tooltip;
        const char* icon;
    };
    const Button buttons[] = {
        {"prev", " Load Previous List ", "document-open-recent"},
        {"", "", ""},
        {"add", " Add Files ", "list-add"},
        {"remove", " Remove Selected Files ", "list-remove"},
        {"clear", " Remove All Files ", "edit-clear"},
        {"", "", ""},
        {"load", " Load List ", "document-open"},
        {"save", " Save List ", "document-save"},
        {"", "", ""},
        {"scan", " Scan Folders for HTML Documents ", "folder-open"},
    };
    for (const Button& button : buttons) {
        if (*button.key == '\0') {
            toolbar_->addSeparator();
            continue;
        }
        const QString key = QString::fromLatin1(button.key);
        const QString name = QString::fromLatin1(button.tooltip).trimmed();
        QAction* action = toolbar_->addAction(ThemeIcon(button.icon), name);
        action->setObjectName(key);
        action->setProperty("key", key);
        action->setToolTip(QString::fromLatin1(button.tooltip));
        connect(action, &QAction::triggered, this, [this, key] { Toolbar1ButtonClick(key); });
    }

    auto label = [this](int index, const char* text, QRect where) {
        auto* l = new QLabel(text, this);
        l->setObjectName(QStringLiteral("Label1_%1").arg(index));
        l->setGeometry(where);
        return l;
    };
    QLabel* filesLabel = label(0, "Files to Extract:", QRect(px(120), py(480), px(3000), py(240)));

    list1_ = new QListWidget(this);
    list1_->setObjectName("List1");
    list1_->setAccessibleName("Files to Extract");
    list1_->setSelectionMode(QAbstractItemView::ExtendedSelection);
    list1_->setUniformItemSizes(true);
    list1_->setGeometry(px(120), py(750), px(6960), py(2400));
    filesLabel->setBuddy(list1_);
    list2_ = new QListWidget(this);
    list2_->setObjectName("List2");
    list2_->setAccessibleName("Files to Extract");
    list2_->setGeometry(list1_->geometry());
    list2_->hide();

    label(1, "Tags:", QRect(px(120), py(3300), px(3000), py(240)));
    mnuPopTags_ = new QMenu("PopTags", this);
    mnuPopTags_->setObjectName("mnuPopTags");
    QAction* all = mnuPopTags_->addAction("Select All");
    all->setObjectName("mnuPopTagsSelectAll");
    connect(all, &QAction::triggered, this, [this] { SetAllTags(true); });
    QAction* none = mnuPopTags_->addAction("Select None");
    none->setObjectName("mnuPopTagsSelectNone");
    connect(none, &QAction::triggered, this, [this] { SetAllTags(false); });
    for (int i = 0; i < kTagKindCount; ++i) {
        QCheckBox* box = new QCheckBox(kTagCaptions[i], this);
        box->setObjectName(QStringLiteral("chkTag%1").arg(i));
        box->setAccessibleName(kTagCaptions[i]);
        box->setGeometry(px(240), py(3570 + 270 * i), px(2400), py(255));
        box->setContextMenuPolicy(Qt::CustomContextMenu);
        connect(box, &QCheckBox::customContextMenuRequested, this,
                [this, box](const QPoint& at) { ShowTagsMenu(box, at); });
        chkTag_[i] = box;
    }
    label(2, "Options:", QRect(px(3240), py(3300), px(3000), py(240)));
    for (int i = 0; i < 3; ++i) {
        QCheckBox* box = new QCheckBox(kOptionCaptions[i], this);
        box->setObjectName(QStringLiteral("chkOption%1").arg(i));
        box->setAccessibleName(kOptionCaptions[i]);
        box->setGeometry(px(3360), py(3570 + 270 * i), px(3720), py(255));
        chkOption_[i] = box;
    }

    auto button = [this](const char* name, const char* text, QRect where) {
        auto* b = new QPushButton(text, this);
        b->setObjectName(name);
        b->setAccessibleName(text);
        b->setAutoDefault(false);
        b->setGeometry(where);
        return b;
    };
    cmdExtract_ = button("cmdExtract", "Extract", QRect(px(3240), py(5040), px(1215), py(375)));
    cmdCancel_ = button("cmdCancel", "Cancel", QRect(px(4560), py(5040), px(1215), py(375)));
    cmdHelp_ = button("cmdHelp", "Help", QRect(px(5880), py(5040), px(1215), py(375)));
    cmdExtract_->setDefault(true);
    connect(cmdExtract_, &QPushButton::clicked, this, [this] { cmdExtract_Click(); });
    connect(cmdCancel_, &QPushButton::clicked, this, [this] { Unload(); });
    connect(cmdHelp_, &QPushButton::clicked, this, [this] {
        if (main_.Commands().helpTopic) main_.Commands().helpTopic("actions_extract.htm");
    });
    cmdHelp_->setEnabled(static_cast<bool>(main_.Commands().helpTopic));

    setFixedSize(px(7260), py(5640));

    // Key preview: every key of the dialog passes through eventFilter first.
    for (QWidget* child : findChildren<QWidget*>())
        child->installEventFilter(this);
    installEventFilter(this);

    SetToolbarFlat(toolbar_, false);  // built raised, made flat at load
    ToggleFlatToolbar(toolbar_);
    LoadExtractSettings();
}

frmExtract::~frmExtract() = default;

void frmExtract::LoadExtractSettings() {
    const cINI ini = ExtractSettings(main_);
    auto value = [&ini](const std::string& key, const char* fallback) {
        long long number = 0;
        if (!ParseInteger(ini.GetINI(key, fallback), number)) ParseInteger(fallback, number);
        return number;
    };
    for (int i = 0; i < kTagKindCount; ++i)
        chkTag_[i]->setChecked(value("Tag(" + std::to_string(i) + ")", "1") == 1);
    for (int i = 0; i < 3; ++i)
        chkOption_[i]->setChecked(value("Option(" + std::to_string(i) + ")", "0") != 0);
}

void frmExtract::SetExtractSettings() {
    const cINI ini = ExtractSettings(main_);
    for (int i = 0; i < kTagKindCount; ++i)
        ini.SetINI("Tag(" + std::to_string(i) + ")", chkTag_[i]->isChecked() ? "1" : "0");
    for (int i = 0; i < 3; ++i)
        ini.SetINI("Option(" + std::to_string(i) + ")", chkOption_[i]->isChecked() ? "1" : "0");
}

void frmExtract::Toolbar1ButtonClick(const QString& key) {
    if (key == "prev")
        LoadPreviousList();
    else if (key == "add")
        AddExtractFiles();
    else if (key == "remove")
        RemoveSelectedFiles();
    else if (key == "clear")
        ClearFileList();
    else if (key == "load")
        LoadFileList();
    else if (key == "save")
        SaveFileList();
    else if (key == "scan")
        ScanFolders();
}

std::vector<std::string> frmExtract::ListEntries() const {
    std::vector<std::string> entries;
    entries.reserve(size_t(list1_->count()));
    for (int i = 0; i < list1_->count(); ++i)
        entries.push_back(list1_->item(i)->data(Qt::UserRole).toByteArray().toStdString());
    return entries;
}

void frmExtract::AppendEntries(const std::vector<std::string>& entries) {
    CoverList cover(list1_, list2_);
    for (const std::string& entry : entries)
        list1_->addItem(MakeEntry(entry));
}

void frmExtract::ReplaceEntries(const std::vector<std::string>& entries) {
    WaitCursor wait;
    list1_->clear();
    AppendEntries(entries);
}

ExtractOptions frmExtract::Options() const {
    ExtractOptions options;
    for (int i = 0; i < kTagKindCount; ++i)
        options.tags[size_t(i)] = chkTag_[i]->isChecked();
    options.clearText = chkOption_[0]->isChecked();
    options.noRelativeLinks = chkOption_[1]->isChecked();
    options.noHeaders = chkOption_[2]->isChecked();
    return options;
}

void frmExtract::ShowFailure(const Error& error) {
    ShowMessage(this, ToQString(error.description) + ".", PromptIcon::Exclamation, kAppTitle);
}

void frmExtract::LoadPreviousList() {
    const std::string path = PathToStd(LastListFile(main_));
    if (!FileExists(path)) return;
    Result<std::vector<std::string>> entries = ReadListFile(path);
    if (!entries) {
        list1_->clear();
        return ShowFailure(entries.error());
    }
    ReplaceEntries(entries.value());
}

void frmExtract::AddExtractFiles() {
    QStringList files;
    if (!SelectFiles(this, files, kAddFilter, "Select Files", main_.State().LastPath)) return;
    WaitCursor wait;
    std::vector<std::string> entries;
    for (const QString& file : files)
        entries.push_back(PathToStd(file));
    AppendEntries(entries);
}

void frmExtract::RemoveSelectedFiles() {
    WaitCursor wait;
    CoverList cover(list1_, list2_);
    // From the last entry back, so removing one does not move the ones still to look at.
    for (int i = list1_->count() - 1; i >= 0; --i) {
        if (list1_->item(i)->isSelected()) delete list1_->takeItem(i);
    }
}

void frmExtract::ClearFileList() {
    if (list1_->count() > 0) list1_->clear();
}

void frmExtract::LoadFileList() {
    const QString path = ShowOpenDialog(this, kListFilter, main_.State().LastPath, "Open", "",
                                        &main_.State().LastPath);
    if (path.isEmpty()) return;
    Result<std::vector<std::string>> entries = ReadListFile(PathToStd(path));
    if (list1_->count() > 0) list1_->clear();
    if (!entries) return ShowFailure(entries.error());
    ReplaceEntries(entries.value());
}

void frmExtract::SaveFileList() {
    if (list1_->count() == 0) return;
    const QString path = ShowSaveDialog(this, kListFilter, "", main_.State().LastPath, "Save As",
                                        &main_.State().LastPath);
    if (path.isEmpty()) return;
    Status written = [&] {
        WaitCursor wait;
        return WriteListFile(PathToStd(path), ListEntries());
    }();
    if (!written) ShowFailure(written.error());
}

void frmExtract::ScanFolders() {
    const QString folder =
        BrowseForFolder(this, "Select the folder where you want to scan for HTML Documents.", "");
    if (folder.isEmpty()) return;

    std::optional<Error> failure;
    hide();
    {
        LongOperation operation(
            main_, {.status = "Scanning folders for HTML documents...", .progressWindow = true});
        Result<std::vector<std::string>> found =
            ScanForDocuments(PathToStd(folder), operation.Observer());
        if (found) {
            frmProgress* progress = operation.Progress();
            progress->ProgressBar.SetValue(progress->ProgressBar.Max());
            progress->lblAction()->setText("Retrieving files...");
            progress->lblStatus()->setText("");
            progress->cmdCancel()->setEnabled(false);
            progress->repaint();
            list1_->clear();
            AppendEntries(found.value());
        } else if (found.error().number != kUserInterrupt) {
            failure = found.error();
        }
    }
    if (failure) ShowFailure(*failure);
    show();
}

void frmExtract::cmdExtract_Click() {
    if (list1_->count() == 0) {
        ShowMessage(this, "Please specify files to extract.", PromptIcon::Exclamation, kAppTitle);
        return;
    }
    for (QCheckBox* box : chkTag_) {
        if (box->isChecked()) return RunExtraction(main_, *this);
    }
    PromptAnswer answer =
        Ask(this,
            "You have not select any tags to extract.\r\n\r\n"
            "Do you want to continue anyway?",
            PromptButtons::YesNo, PromptIcon::Exclamation, PromptAnswer::No, kAppTitle);
    if (answer == PromptAnswer::Yes) RunExtraction(main_, *this);
}

void frmExtract::SetAllTags(bool ticked) {
    for (QCheckBox* box : chkTag_)
        box->setChecked(ticked);
}

void frmExtract::ShowTagsMenu(QCheckBox* box, const QPoint& at) {
    mnuPopTags_->popup(box->mapToGlobal(at));
}

void frmExtract::Unload() {
    if (unloading_) return;
    unloading_ = true;
    SetExtractSettings();
    hide();
    deleteLater();
}

void frmExtract::reject() {
    Unload();
}

void frmExtract::closeEvent(QCloseEvent* event) {
    Unload();
    event->accept();
}

bool frmExtract::eventFilter(QObject* watched, QEvent* event) {
    if ((event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride) &&
        !main_.State().StopRequest) {
        // A scan of this dialog is running: Esc asks it to stop, every other key is dropped.
        if (event->type() == QEvent::KeyPress &&
            static_cast<QKeyEvent*>(event)->key() == Qt::Key_Escape)
            main_.State().StopRequest = true;
        return true;
    }
    return QDialog::eventFilter(watched, event);
}

frmExtract* ShowExtractDialog(frmMain& main) {
    auto* dialog = new frmExtract(main);
    dialog->show();
    return dialog;
}

void RunExtraction(frmMain& main, frmExtract& dialog) {
    dialog.hide();
    ClearSectionsTree(main);
    QString failure;
    {
        LongOperation operation(main,
                                {.status = "Extracting...", .cover = true, .progressWindow = true});
        failure = ExtractTags(main, dialog, operation);
    }
    // Every window is back; the dialog goes (and stores its settings) after every run.
    dialog.Unload();
    if (!failure.isEmpty()) ShowMessage(&main, failure + ".", PromptIcon::Critical, kAppTitle);
}

QString ExtractTags(frmMain& main, frmExtract& dialog, LongOperation& operation) {
    ExtractRequest request;
    request.files = dialog.ListEntries();
    request.options = dialog.Options();
    if (!request.options.clearText) request.head = DocumentBytes(main.Rich1());
    request.lastListFile = PathToStd(LastListFile(main));
    request.onReportCreated = [&main, &request] {
        if (request.options.clearText) {
            main.SetUntitledCaption();
            main.State().DocumentFile.clear();
        }
    };

    Result<std::string> report = ExtractReport(request, operation.Observer());
    operation.ShowProgress();
    if (!report) {
        if (report.error().number == kUserInterrupt) return {};
        return ToQString(report.error().description);
    }
    // The report fills the editor with the bar moving; Cancel still stops, and leaves the editor
    // as it was.
    const LoadReport loaded = LoadDocumentBytes(
        main, std::move(report.value()), QStringLiteral("the report"), &operation.Observer());
    return loaded.result == LoadResult::Failed ? loaded.error : QString();
}

void InstallExtractCommands(frmMain& main) {
    main.Commands().extract = [&main] { ShowExtractDialog(main); };
}

}  // namespace morv
