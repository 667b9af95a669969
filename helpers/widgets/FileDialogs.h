#pragma once

#include <QString>
#include <QStringList>

class QWidget;

// File and folder dialogs. The programs call the Show/Select/Browse functions; they reach the
// dialogs through the current FileDialogs, which tests replace with a scripted one
// (WidgetHooks::fileDialogs).
namespace morv {

class FileDialogs {
  public:
    virtual ~FileDialogs() = default;
    // nameFilters are Qt filters ("Text Documents (*.txt);;All Files (*)"); results are full
    // paths, empty when the user cancels.
    virtual QString OpenFile(QWidget* owner, const QString& nameFilters,
                             const QString& initialFolder, const QString& title,
                             const QString& fileName) = 0;
    virtual QString SaveFile(QWidget* owner, const QString& nameFilters, const QString& fileName,
                             const QString& initialFolder, const QString& title,
                             const QString& defaultSuffix) = 0;
    virtual QStringList OpenFiles(QWidget* owner, const QString& nameFilters, const QString& title,
                                  const QString& initialFolder) = 0;
    virtual QString Folder(QWidget* owner, const QString& title, const QString& initialFolder) = 0;
};

FileDialogs& CurrentFileDialogs();  // the QFileDialog ones unless the hooks name others

// QFileDialog. With no initial folder a dialog opens in the user's home folder.
class QtFileDialogs : public FileDialogs {
  public:
    QString OpenFile(QWidget* owner, const QString& nameFilters, const QString& initialFolder,
                     const QString& title, const QString& fileName) override;
    QString SaveFile(QWidget* owner, const QString& nameFilters, const QString& fileName,
                     const QString& initialFolder, const QString& title,
                     const QString& defaultSuffix) override;
    QStringList OpenFiles(QWidget* owner, const QString& nameFilters, const QString& title,
                          const QString& initialFolder) override;
    QString Folder(QWidget* owner, const QString& title, const QString& initialFolder) override;
};

// The programs' dialog helpers. filter is the "|"-separated form ("Text Documents
// (*.txt)|*.txt|All Files (*.*)|*.*"). Open and Save set *lastPath to the chosen file's folder.
QString ShowOpenDialog(QWidget* owner, const QString& filter, const QString& initialFolder,
                       const QString& title, const QString& fileName, QString* lastPath);
QString ShowSaveDialog(QWidget* owner, const QString& filter, const QString& fileName,
                       const QString& initialFolder, const QString& title, QString* lastPath);
// Several existing files; files is replaced by the chosen paths when the user confirms.
bool SelectFiles(QWidget* owner, QStringList& files, const QString& filter, const QString& title,
                 const QString& initialFolder);
QString BrowseForFolder(QWidget* owner, const QString& title, const QString& initialFolder);

}  // namespace morv
