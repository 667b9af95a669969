#include <gtest/gtest.h>

#include <QLabel>
#include <QLocale>
#include <QPushButton>
#include <QTemporaryDir>
#include <QTest>
#include <QTimer>
#include <QUrl>

#include <cerrno>

#include "helpers/core/SystemFolder.h"
#include "helpers/widgets/Prompter.h"
#include "services/widgets/AboutDialog.h"
#include "services/widgets/HelpFiles.h"
#include "tests/support/WidgetFakes.h"

namespace morv {
namespace {

TEST(AboutMemoryText, ThousandsSeparatorOfTheLocale) {
    struct Row {
        const char* name;
        QLocale locale;
        quint64 kb;
        const char* number;
    };
    const Row rows[] = {
        {"English", QLocale(QLocale::English, QLocale::UnitedStates), 16314876, "16,314,876"},
        {"German", QLocale(QLocale::German, QLocale::Germany), 16314876, "16.314.876"},
        {"C groups too", QLocale::c(), 8000000, "8,000,000"},
        {"small", QLocale(QLocale::English, QLocale::UnitedStates), 512, "512"},
    };
    for (const Row& row : rows) {
        EXPECT_EQ(frmAbout::MemoryText(row.kb, row.locale),
                  QStringLiteral("Physical memory available to Linux:     ") +
                      QString::fromLatin1(row.number) + QStringLiteral(" KB"))
            << row.name;
    }
}

class AboutTest : public ::testing::Test {
  protected:
    void ClickLicense(frmAbout& about) {
        auto* link = about.findChild<QLabel*>(QStringLiteral("lblLicense"));
        ASSERT_NE(link, nullptr);
        emit link->linkActivated(QStringLiteral("license"));
    }
    QList<QUrl> opened_;
    bool openerWorks_ = true;
    ScriptedPrompter prompter_;
    ScopedHooks hooks_{{.prompter = &prompter_, .openUrl = [this](const QUrl& url) {
                            opened_ << url;
                            return openerWorks_;
                        }}};
};

TEST_F(AboutTest, LabelsOfTheBox) {
    frmAbout about;
    EXPECT_EQ(about.windowTitle(), QStringLiteral("About"));
    auto text = [&](const char* name) {
        auto* label = about.findChild<QLabel*>(QString::fromLatin1(name));
        return label != nullptr ? label->text() : QStringLiteral("<missing>");
    };
    EXPECT_EQ(text("lblProduct"), QStringLiteral("Morvane Version 1.0"));
    EXPECT_TRUE(text("lblAuthor").startsWith(QStringLiteral("Author:\n        ")));
    EXPECT_EQ(text("lblAuthor").count(QLatin1Char('\n')), 2);
    EXPECT_TRUE(text("lblThanks").startsWith(QStringLiteral("Thanks to: \n        ")));
    EXPECT_TRUE(
        text("lblMemory").startsWith(QStringLiteral("Physical memory available to Linux:     ")));
    EXPECT_TRUE(text("lblMemory").endsWith(QStringLiteral(" KB")));
    EXPECT_TRUE(text("lblLicense").contains(QStringLiteral("End-User License Agreement")));
    for (const char* picture : {"Image1", "Image2", "Image3"})
        EXPECT_NE(about.findChild<QLabel*>(QString::fromLatin1(picture)), nullptr) << picture;
}

TEST_F(AboutTest, OkClosesTheModalBox) {
    frmAbout about;
    QTimer::singleShot(0, &about, [&about] {
        QTest::mouseClick(about.findChild<QPushButton*>(QStringLiteral("cmdOK")), Qt::LeftButton);
    });
    EXPECT_EQ(about.exec(), QDialog::Accepted);
}

TEST_F(AboutTest, LicenseLinkOpensTheShippedLicence) {
    frmAbout about;
    ClickLicense(about);
    ASSERT_EQ(opened_.size(), 1);
    EXPECT_TRUE(opened_[0].isLocalFile());
    EXPECT_TRUE(opened_[0].toLocalFile().endsWith(QStringLiteral("/License.txt")));
    EXPECT_TRUE(QFile::exists(opened_[0].toLocalFile()));
    EXPECT_TRUE(prompter_.asked().isEmpty());
}

TEST_F(AboutTest, LicenseFailuresAreReported) {
    struct Row {
        const char* name;
        bool licencePresent;
        bool openerWorks;
        QString message;
    };
    const Row rows[] = {
        {"missing file", false, true,
         QString::fromStdString(GetAPIErrorText(ENOENT)) + QStringLiteral(": License.txt")},
        {"no viewer", true, false, QStringLiteral("No program of the desktop could open")},
    };
    for (const Row& row : rows) {
        QTemporaryDir empty;
        ScopedHooks folders(
            {.shippedFileFolders = row.licencePresent ? QStringList() : QStringList{empty.path()}});
        openerWorks_ = row.openerWorks;
        prompter_.clear();
        opened_.clear();
        frmAbout about;
        ClickLicense(about);
        ASSERT_EQ(prompter_.asked().size(), 1) << row.name;
        EXPECT_TRUE(prompter_.asked()[0].text.startsWith(row.message))
            << row.name << ": " << prompter_.asked()[0].text.toStdString();
        EXPECT_EQ(prompter_.asked()[0].icon, PromptIcon::Critical) << row.name;
    }
}

}  // namespace
}  // namespace morv
