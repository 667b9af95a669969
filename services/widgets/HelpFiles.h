#pragma once

#include <QString>
#include <QStringList>

// The files that ship beside the program: the help collection ("morv.qhc", "morv.qch") and
// "License.txt".
namespace morv {

// The folders searched for them, in order: the program's folder, "<prefix>/share/morvane"
// beside "<prefix>/bin", then the data folder of the configured install prefix; or those of
// WidgetHooks::shippedFileFolders.
QStringList ShippedFileFolders();

// The full path of a shipped file ("License.txt", "morv.qhc"), or "" when no folder
// holds it.
QString FindShippedFile(const QString& relativeName);

}  // namespace morv
