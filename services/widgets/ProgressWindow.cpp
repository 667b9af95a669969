#include "services/widgets/ProgressWindow.h"

#include <QCloseEvent>
#include <QFile>
#include <QGuiApplication>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QScreen>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <thread>

#include "helpers/widgets/EventPump.h"
#include "helpers/widgets/Hooks.h"

namespace morv {

namespace {

double TwipsPerPixel(bool horizontal) {
    const QScreen* screen = QGuiApplication::primaryScreen();
    double dpi = screen == nullptr
                     ? 96.0
                     : (horizontal ? screen->logicalDotsPerInchX() : screen->logicalDotsPerInchY());
    if (dpi <= 0) dpi = 96.0;
    return 1440.0 / dpi;
}

int Round(float value) {
    return int(std::lround(value));
}

}  // namespace

double TwipsPerPixelX() {
    return TwipsPerPixel(true);
}
double TwipsPerPixelY() {
    return TwipsPerPixel(false);
}

cProgressBar::~cProgressBar() {
    // The control belongs to its parent window as well; it may already be gone with it.
    delete control_.data();
}

double cProgressBar::Left() const {
    return left_ * TwipsPerPixelX();
}
void cProgressBar::SetLeft(double twips) {
    left_ = float(twips / TwipsPerPixelX());
    Move();
}
double cProgressBar::Top() const {
    return top_ * TwipsPerPixelY();
}
void cProgressBar::SetTop(double twips) {
    top_ = float(twips / TwipsPerPixelY());
    Move();
}
double cProgressBar::Width() const {
    return width_ * TwipsPerPixelX();
}
void cProgressBar::SetWidth(double twips) {
    width_ = float(twips / TwipsPerPixelX());
}
double cProgressBar::Height() const {
    return height_ * TwipsPerPixelY();
}
void cProgressBar::SetHeight(double twips) {
    height_ = float(twips / TwipsPerPixelY());
}

void cProgressBar::Move() {
    if (control_ != nullptr)
        control_->setGeometry(Round(left_), Round(top_), Round(width_), Round(height_));
}

double cProgressBar::Value() const {
    return double(max_ - min_) * value_ / 100.0;
}

void cProgressBar::SetValue(double value) {
    if (value <= 0 || max_ <= min_)
        value_ = float(value);
    else
        value_ = float(value / (max_ - min_) * 100.0);
    if (control_ != nullptr) {
        // Nearest integer, ties to even; the control keeps positions outside 0..100 at its ends.
        double position = std::nearbyint(double(value_));
        control_->setValue(int(std::clamp(position, 0.0, 100.0)));
    }
}

void cProgressBar::Create(QWidget* parent) {
    if (control_ != nullptr) return;
    control_ = new QProgressBar(parent);
    control_->setObjectName("ProgressBar");
    control_->setAccessibleName("Progress");
    control_->setRange(0, 100);
    control_->setValue(0);
    control_->setTextVisible(false);
    Move();
    control_->show();
}

frmProgress::frmProgress(QWidget* owner, bool* stopRequest)
    : QDialog(owner, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint),
      stopRequest_(stopRequest) {
    setObjectName("frmProgress");
    setWindowTitle("Progress");
    setAccessibleName("Progress");
    setModal(false);

    const double tx = TwipsPerPixelX();
    const double ty = TwipsPerPixelY();
    auto px = [tx](double twips) { return int(std::lround(twips / tx)); };
    auto py = [ty](double twips) { return int(std::lround(twips / ty)); };

    label1_ = new QLabel("Please wait while Morvane is performing requested operation.", this);
    label1_->setObjectName("Label1");
    label1_->setWordWrap(true);
    label1_->setGeometry(px(210), py(120), px(3900), py(450));

    // The labels carry no accessible names of their own: a screen reader announces their texts,
    // and hears of every change.
    lblAction_ = new QLabel("Initializing...", this);
    lblAction_->setObjectName("lblAction");
    lblAction_->setGeometry(px(210), py(660), px(3900), py(270));

    lblStatus_ = new QLabel(this);
    lblStatus_->setObjectName("lblStatus");
    lblStatus_->setGeometry(px(210), py(1020), px(3900), py(270));

    cmdCancel_ = new QPushButton("Cancel", this);
    cmdCancel_->setObjectName("cmdCancel");
    cmdCancel_->setAccessibleName("Cancel");
    cmdCancel_->setGeometry(px(2910), py(1860), px(1200), py(375));
    cmdCancel_->setAutoDefault(false);
    connect(cmdCancel_, &QPushButton::clicked, this, [this] { cmdCancel_Click(); });

    // The bar is placed in twips before its control exists, then created inside the window.
    ProgressBar.SetLeft(210);
    ProgressBar.SetTop(1470);
    ProgressBar.SetHeight(225);
    ProgressBar.SetWidth(3900);
    ProgressBar.Create(this);

    setFixedSize(px(4320), py(2400));
}

frmProgress::~frmProgress() = default;

void frmProgress::cmdCancel_Click() {
    if (stopRequest_ != nullptr) *stopRequest_ = true;
}

void frmProgress::Unload() {
    unloading_ = true;
    close();
    delete this;
}

void frmProgress::reject() {
    // Esc does not close the window; only the operation does.
}

void frmProgress::closeEvent(QCloseEvent* event) {
    if (unloading_) {
        QDialog::closeEvent(event);
        return;
    }
    // The close box and Alt+F4 ask the operation to stop, as Cancel does; the operation closes
    // the window when it ends.
    event->ignore();
    cmdCancel_Click();
}

ProgressWindowObserver::ProgressWindowObserver(frmProgress* window, const bool* stopRequest)
    : window_(window), stopRequest_(stopRequest) {}

void ProgressWindowObserver::SetAction(std::string_view text) {
    if (window_ == nullptr) return;
    window_->lblAction()->setText(QString::fromUtf8(text.data(), qsizetype(text.size())));
    Flush();
    statusWanted_ = true;
}

void ProgressWindowObserver::SetStatus(std::string_view text) {
    if (!statusWanted_ || window_ == nullptr) return;
    statusWanted_ = false;
    const QString status = QFile::decodeName(QByteArray(text.data(), qsizetype(text.size())));
    if (window_->lblStatus()->text() != status) window_->lblStatus()->setText(status);
}

void ProgressWindowObserver::SetMax(long max) {
    if (window_ != nullptr) window_->ProgressBar.SetMax(double(max));
}

void ProgressWindowObserver::SetValue(long value) {
    value_ = value;
}

void ProgressWindowObserver::Flush() {
    if (window_ != nullptr && value_) window_->ProgressBar.SetValue(double(*value_));
    value_.reset();
}

bool ProgressWindowObserver::ShouldStop() {
    const PollThrottle::Decision step = EventPump::Step();
    if (step.showProgress) {
        Flush();
        statusWanted_ = true;
    }
    if (step.runEvents) EventPump::RunNow();
    // Held at a chosen step (WidgetHooks::holdProgressAtStep), events run as a loop of short
    // steps would let them, until the user stops the operation.
    if (++steps_ == Hooks().holdProgressAtStep) {
        Flush();
        while (!Stopped()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
            EventPump::Poll();
        }
    }
    return Stopped();
}

}  // namespace morv
