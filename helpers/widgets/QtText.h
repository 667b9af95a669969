#pragma once

#include <QFile>
#include <QString>

#include <string>
#include <string_view>

// Conversions between the core's byte strings and Qt strings. File names go through the file
// system's own encoding (QFile::encodeName), everything else is UTF-8.
namespace morv {

inline QString ToQString(std::string_view text) {
    return QString::fromUtf8(text.data(), qsizetype(text.size()));
}
inline std::string ToStd(const QString& text) {
    return text.toStdString();
}
inline QString PathToQString(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}
inline std::string PathToStd(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

}  // namespace morv
