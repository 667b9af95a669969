#pragma once

#include <QDialog>
#include <QPointer>
#include <QProgressBar>

#include <optional>
#include <string_view>

#include "helpers/core/Progress.h"

class QLabel;
class QPushButton;
class QWidget;

namespace morv {

// Twips per pixel of the primary screen (15 at 96 dots per inch).
double TwipsPerPixelX();
double TwipsPerPixelY();

// A progress bar placed and sized in twips. The caller's range is Min..Max; the control itself
// always runs from 0 to 100 and receives the percentage. The control (a QProgressBar named
// "ProgressBar") exists once Create has run; the position properties are stored before that.
class cProgressBar {
  public:
    cProgressBar() = default;
    ~cProgressBar();
    cProgressBar(const cProgressBar&) = delete;
    cProgressBar& operator=(const cProgressBar&) = delete;

    double Left() const;
    void SetLeft(double twips);
    double Top() const;
    void SetTop(double twips);
    double Width() const;
    void SetWidth(double twips);
    double Height() const;
    void SetHeight(double twips);

    double Min() const { return min_; }
    void SetMin(double value) { min_ = value; }
    double Max() const { return max_; }
    void SetMax(double value) { max_ = value; }

    // A positive value with Max > Min is stored as its percentage of Max - Min (measured from 0,
    // not from Min); anything else is stored raw. Reading converts back.
    double Value() const;
    void SetValue(double value);

    void Create(QWidget* parent);
    QProgressBar* control() const { return control_; }

  private:
    void Move();

    // Stored in pixels of the parent's client area.
    float left_ = 10, top_ = 10, width_ = 100, height_ = 20;
    float min_ = 0, max_ = 100, value_ = 0;
    QPointer<QProgressBar> control_;
};

// The small window that long operations show: what is being done, the current item, a bar and
// a Cancel button. Cancel only sets the stop request; the operation decides when to stop and
// closes the window with Unload. The close box and Alt+F4 act like Cancel; Esc does nothing. The
// labels are announced by their texts.
class frmProgress : public QDialog {
    Q_OBJECT
  public:
    // stopRequest: the program's stop request that Cancel sets (may be null).
    explicit frmProgress(QWidget* owner, bool* stopRequest);
    ~frmProgress() override;

    QLabel* Label1() const { return label1_; }
    QLabel* lblAction() const { return lblAction_; }
    QLabel* lblStatus() const { return lblStatus_; }
    QPushButton* cmdCancel() const { return cmdCancel_; }
    cProgressBar ProgressBar;

    // Closes and destroys the window (the operation's end).
    void Unload();

  public slots:
    void reject() override;

  protected:
    void closeEvent(QCloseEvent* event) override;

  private:
    void cmdCancel_Click();

    bool* stopRequest_;
    bool unloading_ = false;
    QLabel* label1_;
    QLabel* lblAction_;
    QLabel* lblStatus_;
    QPushButton* cmdCancel_;
};

// Reports a core operation's progress in a progress window. The action and the range show at
// once. The bar's position and the current item change at every step and show when the shared
// throttle says so: the position last reported, and the first item reported after that moment
// (so that no step pays for keeping a copy of its item). ShouldStop is one step of the
// operation: it lets pending window events run when they are due and then answers from the stop
// request, which the window's Cancel button sets.
class ProgressWindowObserver : public ProgressObserver {
  public:
    ProgressWindowObserver(frmProgress* window, const bool* stopRequest);

    void SetAction(std::string_view text) override;  // the next item shows at once too
    void SetStatus(std::string_view text) override;
    void SetMax(long max) override;
    void SetValue(long value) override;
    bool ShouldStop() override;

    // Shows the position reported last.
    void Flush();

  private:
    bool Stopped() const { return stopRequest_ != nullptr && *stopRequest_; }

    QPointer<frmProgress> window_;
    const bool* stopRequest_;
    bool statusWanted_ = true;
    std::optional<long> value_;
    long steps_ = 0;
};

}  // namespace morv
