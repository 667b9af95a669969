#pragma once

#include <QDialog>

class QLabel;
class QLocale;
class QPushButton;
class QUrl;

// The about box of the editor.
namespace morv {

class frmAbout : public QDialog {
    Q_OBJECT
  public:
    explicit frmAbout(QWidget* owner = nullptr);

    // "Physical memory available to Linux:     " + kilobytes with the locale's thousands
    // separator + " KB".
    static QString MemoryText(quint64 kilobytes, const QLocale& locale);

    // Opens "License.txt" with the desktop's viewer; on failure shows why (error icon).
    void OpenLicense();

  private:
    QLabel* lblProduct_ = nullptr;
    QLabel* lblAuthor_ = nullptr;
    QLabel* lblThanks_ = nullptr;
    QLabel* lblMemory_ = nullptr;
    QLabel* lblLicense_ = nullptr;
    QPushButton* cmdOK_ = nullptr;
};

// Shows the about box modally.
void ShowAbout(QWidget* owner);

// Hands a document or link to the desktop (QDesktopServices::openUrl, or WidgetHooks::openUrl).
bool OpenUrl(const QUrl& url);

}  // namespace morv
