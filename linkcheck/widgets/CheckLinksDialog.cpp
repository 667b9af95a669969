#include "linkcheck/widgets/CheckLinksDialog.h"

#include <QCheckBox>
#include <QDir>
#include <QFileInfo>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QVBoxLayout>

#include "editor/widgets/DocumentCommands.h"
#include "editor/widgets/DocumentEditor.h"
#include "editor/widgets/DocumentLoad.h"
#include "editor/widgets/LongOperation.h"
#include "editor/widgets/MainWindow.h"
#include "helpers/core/IniFile.h"
#include "helpers/core/TextUtil.h"
#include "helpers/widgets/FileDialogs.h"
#include "helpers/widgets/FormParts.h"
#include "helpers/widgets/Prompter.h"
#include "helpers/widgets/QtText.h"

namespace morv {

namespace {

cINI CheckLinksIni(const frmMain& main) {
    cINI ini;
    ini.FileName = PathToStd(main.SettingsFile());
    ini.AppName = "CheckLinks";
    return ini;
}

QLineEdit* AddBox(QWidget* parent, QLabel* label, const char* name, const QString& accessible) {
    auto* box = new QLineEdit(parent);
    box->setObjectName(name);
    box->setAccessibleName(accessible);
    label->setBuddy(box);
    return box;
}

QPushButton* AddButton(QWidget* parent, const char* name, const QString& text) {
    auto* button = new QPushButton(text, parent);
    button->setObjectName(name);
    button->setAccessibleName(QString(text).remove(" .."));
    return button;
}

QString JoinNames(const std::vector<std::string>& names) {
    QStringList list;
    for (const std::string& name : names)
        list << ToQString(name);
    return list.join(' ');
}

}  // namespace

frmCheckLinks::frmCheckLinks(frmMain& main) : QDialog(&main), main_(main) {
    setObjectName("frmCheckLinks");
    setWindowTitle("Check Links");
    setAccessibleName("Check Links");
    setModal(true);

    auto* fields = new QVBoxLayout;
    QLabel* lblFolder = AddLabel(this, fields, "lblFolder", "Site folder:");
    auto* folderRow = new QHBoxLayout;
    txtFolder_ = AddBox(this, lblFolder, "txtFolder", "Site folder");
    cmdBrowse_ = AddButton(this, "cmdBrowse", "Browse ..");
    folderRow->addWidget(txtFolder_, 1);
    folderRow->addWidget(cmdBrowse_);
    fields->addLayout(folderRow);

    QLabel* lblAddresses = AddLabel(this, fields, "lblAddresses", "Site's own addresses:");
    txtAddresses_ = AddBox(this, lblAddresses, "txtAddresses", "Site's own addresses");
    fields->addWidget(txtAddresses_);
    AddLabel(this, fields, "lblAddressesExample",
             "Example: http://www.example.org/ https://example.org/");

    QLabel* lblIndex = AddLabel(this, fields, "lblIndex", "Index documents:");
    txtIndex_ = AddBox(this, lblIndex, "txtIndex", "Index documents");
    fields->addWidget(txtIndex_);

    chkOrphans_ = new QCheckBox("List orphans (files no page links to)", this);
    chkOrphans_->setObjectName("chkOrphans");
    chkOrphans_->setAccessibleName("List orphans");
    fields->addSpacing(6);
    fields->addWidget(chkOrphans_);
    fields->addStretch();

    auto* buttons = new QVBoxLayout;
    cmdCheck_ = AddButton(this, "cmdCheck", "Check");
    cmdCheck_->setDefault(true);
    cmdCancel_ = AddButton(this, "cmdCancel", "Cancel");
    cmdHelp_ = AddButton(this, "cmdHelp", "Help");
    cmdHelp_->setEnabled(static_cast<bool>(main_.Commands().helpTopic));
    for (QPushButton* button : {cmdCheck_, cmdCancel_, cmdHelp_})
        buttons->addWidget(button);
    buttons->addStretch();

    auto* layout = new QHBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->addLayout(fields, 1);
    layout->addSpacing(12);
    layout->addLayout(buttons);
    txtFolder_->setMinimumWidth(320);

    connect(cmdBrowse_, &QPushButton::clicked, this, [this] { cmdBrowse_Click(); });
    connect(cmdCheck_, &QPushButton::clicked, this, [this] { cmdCheck_Click(); });
    connect(cmdCancel_, &QPushButton::clicked, this, [this] { Unload(); });
    connect(cmdHelp_, &QPushButton::clicked, this, [this] {
        if (main_.Commands().helpTopic) main_.Commands().helpTopic("actions_checklinks.htm");
    });
    LoadCheckLinksSettings();
}

frmCheckLinks::~frmCheckLinks() {
    if (!unloaded_) SaveCheckLinksSettings();
}

void frmCheckLinks::LoadCheckLinksSettings() {
    const cINI ini = CheckLinksIni(main_);
    txtFolder_->setText(PathToQString(ini.GetINI("Folder", "")));
    // One address per key: a list of them would not fit the length of one value.
    long long count = 0;
    if (!ParseInteger(ini.GetINI("Addresses", "0"), count)) count = 0;
    std::vector<std::string> addresses;
    for (long long i = 0; i < count && i < 100; ++i) {
        std::string address = ini.GetINI("Address(" + std::to_string(i) + ")", "");
        if (!address.empty()) addresses.push_back(std::move(address));
    }
    txtAddresses_->setText(JoinNames(addresses));
    const std::vector<std::string> index = SplitNames(ini.GetINI("Index", ""));
    txtIndex_->setText(JoinNames(index.empty() ? DefaultIndexNames() : index));
    long long orphans = 0;
    chkOrphans_->setChecked(ParseInteger(ini.GetINI("Orphans", "0"), orphans) && orphans != 0);
}

void frmCheckLinks::SaveCheckLinksSettings() {
    const cINI ini = CheckLinksIni(main_);
    ini.SetINI("Folder", PathToStd(txtFolder_->text()));
    const std::vector<std::string> addresses = SplitNames(ToStd(txtAddresses_->text()));
    ini.SetINI("Addresses", std::to_string(addresses.size()));
    for (size_t i = 0; i < addresses.size(); ++i)
        ini.SetINI("Address(" + std::to_string(i) + ")", addresses[i]);
    ini.SetINI("Index", ToStd(txtIndex_->text()));
    ini.SetINI("Orphans", chkOrphans_->isChecked() ? "1" : "0");
}

LinkCheckOptions frmCheckLinks::Options() const {
    LinkCheckOptions options;
    options.folder = PathToStd(txtFolder_->text().trimmed());
    options.addresses = SplitNames(ToStd(txtAddresses_->text()));
    options.indexNames = SplitNames(ToStd(txtIndex_->text()));
    options.orphans = chkOrphans_->isChecked();
    return options;
}

void frmCheckLinks::Unload() {
    done(QDialog::Rejected);
}

void frmCheckLinks::done(int result) {
    if (!unloaded_) {
        unloaded_ = true;
        SaveCheckLinksSettings();
    }
    QDialog::done(result);
}

void frmCheckLinks::cmdBrowse_Click() {
    const QString folder = BrowseForFolder(this, "Select the folder of the site to check.",
                                           txtFolder_->text().trimmed());
    if (!folder.isEmpty()) txtFolder_->setText(folder);
}

void frmCheckLinks::cmdCheck_Click() {
    auto refuse = [this](const QString& text, QWidget* focus) {
        ShowMessage(this, text, PromptIcon::Exclamation, kAppTitle);
        focus->setFocus();
    };
    const QString folder = txtFolder_->text().trimmed();
    if (folder.isEmpty()) return refuse("Please specify the site's folder.", txtFolder_);
    if (!QFileInfo(folder).isDir()) {
        return refuse("The folder \"" + QDir::toNativeSeparators(folder) + "\" does not exist.",
                      txtFolder_);
    }
    if (SplitNames(ToStd(txtIndex_->text())).empty())
        return refuse("Please specify at least one index document.", txtIndex_);
    // The report takes the document's place.
    if (!QuerySaveChanges(main_)) return;
    RunCheckLinks(main_, *this);
}

void ShowCheckLinksDialog(frmMain& main) {
    frmCheckLinks dialog(main);
    dialog.exec();
}

void RunCheckLinks(frmMain& main, frmCheckLinks& dialog) {
    const LinkCheckOptions options = dialog.Options();
    dialog.hide();
    ClearSectionsTree(main);
    QString failure;
    {
        LongOperation operation(
            main, {.status = "Checking links...", .cover = true, .progressWindow = true});
        ReportWriter report;
        Result<LinkCheckCounts> counts = Error{};
        {
            LinkReportWriter sink(report);
            counts = CheckLinks(options, sink, operation.Observer());
        }
        operation.ShowProgress();
        if (counts) {
            // The report fills the editor as an extraction's does: Cancel still stops, and leaves
            // the editor as it was.
            const LoadReport loaded =
                LoadDocumentBytes(main, std::string(report.memory()), QStringLiteral("the report"),
                                  &operation.Observer());
            if (loaded.result == LoadResult::Done) {
                main.SetUntitledCaption();
                main.State().DocumentFile.clear();
            } else if (loaded.result == LoadResult::Failed) {
                failure = loaded.error;
            }
        } else if (counts.error().number != kUserInterrupt) {
            failure = ToQString(counts.error().description);
        }
    }
    dialog.Unload();
    if (!failure.isEmpty()) ShowMessage(&main, failure + ".", PromptIcon::Critical, kAppTitle);
}

void InstallLinkcheckCommands(frmMain& main) {
    main.Commands().checkLinks = [&main] { ShowCheckLinksDialog(main); };
}

}  // namespace morv
