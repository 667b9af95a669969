#include "services/widgets/HelpFiles.h"

#include <QCoreApplication>
#include <QFileInfo>

#include "helpers/widgets/QtText.h"
#include "services/core/DataFiles.h"

#ifndef MORV_INSTALLED_DATA_DIR
#define MORV_INSTALLED_DATA_DIR ""
#endif

namespace morv {

namespace {
QStringList gFolderOverride;
}

QStringList ShippedFileFolders() {
    if (!gFolderOverride.isEmpty()) return gFolderOverride;
    QStringList folders;
    for (const std::string& f :
         DataFolders(PathToStd(QCoreApplication::applicationDirPath()), MORV_INSTALLED_DATA_DIR))
        folders << QFileInfo(PathToQString(f)).absoluteFilePath();
    folders.removeDuplicates();
    return folders;
}

QString FindShippedFile(const QString& relativeName) {
    for (const QString& folder : ShippedFileFolders()) {
        const QString path = folder + QLatin1Char('/') + relativeName;
        if (QFileInfo::exists(path)) return QFileInfo(path).absoluteFilePath();
    }
    return {};
}

void SetShippedFileFolders(const QStringList& folders) {
    gFolderOverride = folders;
}

}  // namespace morv
