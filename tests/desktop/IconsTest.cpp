// The bundled pictures: every icon name the programs ask for is compiled in and renders through
// Qt's own SVG engine (which reads only SVG Tiny, so a picture that a browser shows may still come
// out empty here), and ThemeIcon() falls back to it when the desktop's theme has no such icon.
#include <gtest/gtest.h>

#include <QDir>
#include <QIcon>
#include <QImage>
#include <QPixmap>

#include "helpers/widgets/ThemeIcon.h"

namespace {

// The names used by the toolbars, the menus and the sections tree, as listed in
// data/icons/README.md.
constexpr const char* kUsedNames[] = {
    "document-new",
    "document-open",
    "document-save",
    "document-print",
    "view-list-tree",
    "view-refresh",
    "edit-find",
    "edit-clear",
    "edit-cut",
    "edit-copy",
    "edit-paste",
    "edit-undo",
    "document-export",
    "insert-link",
    "format-remove-node",
    "format-justify-fill",
    "help-contents",
    "list-add",
    "list-remove",
    "go-up",
    "go-down",
    "view-preview",
    "x-office-document",
    "text-html",
    "text-x-generic",
    "morvane",
    "trellin",
};

// Share of pixels that are not fully transparent.
double CoveredShare(const QImage& image) {
    int covered = 0;
    for (int y = 0; y < image.height(); ++y) {
        for (int x = 0; x < image.width(); ++x) {
            if (qAlpha(image.pixel(x, y)) != 0) ++covered;
        }
    }
    return static_cast<double>(covered) / (image.width() * image.height());
}

TEST(BundledIcons, EveryUsedNameIsCompiledIn) {
    for (const char* name : kUsedNames) {
        EXPECT_TRUE(QFile::exists(QStringLiteral(":/icons/%1.svg").arg(QLatin1String(name))))
            << name;
    }
}

TEST(BundledIcons, EveryPictureRendersAtToolbarAndMenuSizes) {
    const QStringList files = QDir(QStringLiteral(":/icons")).entryList(QDir::Files);
    ASSERT_GE(files.size(), static_cast<qsizetype>(std::size(kUsedNames)));
    for (const QString& file : files) {
        const QIcon icon(QStringLiteral(":/icons/") + file);
        for (int size : {16, 24, 48}) {
            const QImage image =
                icon.pixmap(size, size).toImage().convertToFormat(QImage::Format_ARGB32);
            ASSERT_FALSE(image.isNull()) << file.toStdString() << " at " << size;
            // A picture that lost its shapes renders empty; one that lost its transparency
            // (a filled background) covers everything.
            const double share = CoveredShare(image);
            EXPECT_GT(share, 0.05) << file.toStdString() << " at " << size;
            if (!file.startsWith(QLatin1String("morvane")) &&
                !file.startsWith(QLatin1String("trellin"))) {
                EXPECT_LT(share, 0.95) << file.toStdString() << " at " << size;
            }
        }
    }
}

TEST(BundledIcons, ThemeIconFallsBackToTheBundledPicture) {
    // An icon theme that does not exist: every name must then come from the bundle.
    QIcon::setThemeSearchPaths({});
    QIcon::setThemeName(QStringLiteral("no-such-theme"));
    for (const char* name : kUsedNames) {
        EXPECT_FALSE(morv::ThemeIcon(name).pixmap(24, 24).isNull()) << name;
    }
    EXPECT_TRUE(morv::ThemeIcon("no-such-icon-name").isNull());
}

}  // namespace
