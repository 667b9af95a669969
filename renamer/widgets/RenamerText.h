#pragma once

#include <QString>

// The renamer window's fixed texts.
namespace morv::renamer {

inline const QString kAppTitle = QStringLiteral("Trellin");

// Window lengths are twips, 1/1440 inch.
inline constexpr int kNarrowWidth = 6360;  // list, fields and buttons
inline constexpr int kWideWidth = 9015;    // also the side panel
inline constexpr int kRenameHeight = 5355;
inline constexpr int kCopyHeight = 5955;  // also the "Save in:" row
// The rows of "Update links in site folder:", below the options in both heights.
inline constexpr int kLinksHeight = 1260;

}  // namespace morv::renamer
