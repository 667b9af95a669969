#include "services/widgets/HelpFiles.h"

#include <QCoreApplication>
#include <QFileInfo>

#include "helpers/widgets/Hooks.h"
#include "helpers/widgets/QtText.h"
#include "services/core/DataFiles.h"

#ifndef MORV_INSTALLED_DATA_DIR
#define MORV_INSTALLED_DATA_DIR ""
#endif

namespace morv {

QStringList ShippedFileFolders() {
    if (!Hooks().shippedFileFolders.isEmpty()) return Hooks().shippedFileFolders;
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

}  // namespace morv
