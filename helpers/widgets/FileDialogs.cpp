#include "helpers/widgets/FileDialogs.h"

#include <QDir>
#include <QFileDialog>
#include <QFileInfo>
#include <QLineEdit>

#include "helpers/core/PathHelpers.h"
#include "helpers/widgets/Hooks.h"
#include "helpers/widgets/QtText.h"

namespace morv {

namespace {

QtFileDialogs gQtFileDialogs;

QString QtFilters(const QString& filter) {
    return ToQString(ToQtNameFilters(ToStd(filter)));
}

QString FolderOf(const QString& path) {
    return PathToQString(GetFolderName(PathToStd(path), false));
}

// Where a dialog opens: the folder asked for, or the user's home folder rather than whatever the
// program's working folder happens to be.
QString StartFolder(const QString& initialFolder) {
    return initialFolder.isEmpty() ? QDir::homePath() : initialFolder;
}

// The names typed into the dialog's name field: several in double quotes ("a" "b"), or one.
QStringList TypedNames(const QString& text) {
    if (!text.contains(u'"')) return text.isEmpty() ? QStringList() : QStringList{text};
    QStringList names;
    const QStringList parts = text.split(u'"');
    for (qsizetype i = 1; i < parts.size(); i += 2)  // every other part is what lies between
        if (!parts[i].isEmpty()) names.append(parts[i]);
    return names;
}

}  // namespace

FileDialogs& CurrentFileDialogs() {
    FileDialogs* hooked = Hooks().fileDialogs;
    return hooked != nullptr ? *hooked : gQtFileDialogs;
}

QString QtFileDialogs::OpenFile(QWidget* owner, const QString& nameFilters,
                                const QString& initialFolder, const QString& title,
                                const QString& fileName) {
    QFileDialog dialog(owner, title, StartFolder(initialFolder));
    dialog.setObjectName("FileDialog");
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(nameFilters);
    if (!fileName.isEmpty()) dialog.selectFile(fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

QString QtFileDialogs::SaveFile(QWidget* owner, const QString& nameFilters, const QString& fileName,
                                const QString& initialFolder, const QString& title,
                                const QString& defaultSuffix) {
    QFileDialog dialog(owner, title, StartFolder(initialFolder));
    dialog.setObjectName("FileDialog");
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setFileMode(QFileDialog::AnyFile);
    dialog.setNameFilter(nameFilters);
    dialog.setDefaultSuffix(defaultSuffix);  // a name typed without an extension gets this one
    if (!fileName.isEmpty()) dialog.selectFile(fileName);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty()) return {};
    return dialog.selectedFiles().constFirst();
}

QStringList QtFileDialogs::OpenFiles(QWidget* owner, const QString& nameFilters,
                                     const QString& title, const QString& initialFolder) {
    QFileDialog dialog(owner, title, StartFolder(initialFolder));
    dialog.setObjectName("FileDialog");
    dialog.setAcceptMode(QFileDialog::AcceptOpen);
    dialog.setFileMode(QFileDialog::ExistingFiles);
    dialog.setNameFilter(nameFilters);
    if (dialog.exec() != QDialog::Accepted) return {};
    // The dialog answers with the names it shows; a hidden file typed among several quoted names
    // is not among them, so the typed names are the answer whenever they all exist.
    QStringList chosen = dialog.selectedFiles();
    if (const auto* edit = dialog.findChild<QLineEdit*>(QStringLiteral("fileNameEdit"))) {
        QStringList typed;
        for (const QString& name : TypedNames(edit->text()))
            typed.append(dialog.directory().absoluteFilePath(name));
        bool all = typed.size() > 1;
        for (const QString& path : typed)
            all = all && QFileInfo(path).isFile();
        if (all) chosen = typed;
    }
    return chosen;
}

QString QtFileDialogs::Folder(QWidget* owner, const QString& title, const QString& initialFolder) {
    return QFileDialog::getExistingDirectory(owner, title, StartFolder(initialFolder),
                                             QFileDialog::ShowDirsOnly);
}

QString ShowOpenDialog(QWidget* owner, const QString& filter, const QString& initialFolder,
                       const QString& title, const QString& fileName, QString* lastPath) {
    QString path =
        CurrentFileDialogs().OpenFile(owner, QtFilters(filter), initialFolder, title, fileName);
    if (!path.isEmpty() && lastPath != nullptr) *lastPath = FolderOf(path);
    return path;
}

QString ShowSaveDialog(QWidget* owner, const QString& filter, const QString& fileName,
                       const QString& initialFolder, const QString& title, QString* lastPath) {
    QString suffix = ToQString(GetDefaultExtension(ToStd(filter)));
    QString path = CurrentFileDialogs().SaveFile(owner, QtFilters(filter), fileName, initialFolder,
                                                 title, suffix);
    if (!path.isEmpty() && lastPath != nullptr) *lastPath = FolderOf(path);
    return path;
}

bool SelectFiles(QWidget* owner, QStringList& files, const QString& filter, const QString& title,
                 const QString& initialFolder) {
    QStringList chosen =
        CurrentFileDialogs().OpenFiles(owner, QtFilters(filter), title, initialFolder);
    if (chosen.isEmpty()) return false;
    files = chosen;
    return true;
}

QString BrowseForFolder(QWidget* owner, const QString& title, const QString& initialFolder) {
    return CurrentFileDialogs().Folder(owner, title, initialFolder);
}

}  // namespace morv
