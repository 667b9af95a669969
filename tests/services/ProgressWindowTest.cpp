#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include "services/widgets/ProgressWindow.h"

using namespace morv;

namespace {

struct ValueRow {
    const char* name;
    double min, max, value;
    int position;     // what the control shows, 0..100
    double readBack;  // what Value reads afterwards
};

void PrintTo(const ValueRow& row, std::ostream* os) {
    *os << row.name;
}

const ValueRow kValueRows[] = {
    {"HalfOfFiftyIsFiftyPercent", 0, 50, 25, 50, 25},
    {"MaxGivesFullBar", 0, 10, 10, 100, 10},
    {"ZeroStaysRaw", 0, 50, 0, 0, 0},
    {"NegativeStaysRawAndShowsLowEnd", 0, 50, -4, 0, -2},
    {"EmptyRangePassesValueUnchanged", 7, 7, 42, 42, 0},
    {"InvertedRangePassesValueUnchanged", 9, 3, 60, 60, -3.6},
    {"EmptyRangeAboveHundredShowsHighEnd", 0, 0, 250, 100, 0},
    {"MinDoesNotShiftTheValue", 10, 60, 25, 50, 25},
    {"HalfRoundsToEvenDown", 0, 200, 1, 0, 1},
    {"HalfRoundsToEvenUp", 0, 200, 3, 2, 3},
};

class ProgressBarValue : public ::testing::TestWithParam<ValueRow> {};

TEST_P(ProgressBarValue, PercentOfRange) {
    const ValueRow& row = GetParam();
    QWidget parent;
    cProgressBar bar;
    bar.Create(&parent);
    bar.SetMin(row.min);
    bar.SetMax(row.max);
    bar.SetValue(row.value);
    EXPECT_EQ(bar.control()->value(), row.position);
    EXPECT_NEAR(bar.Value(), row.readBack, 1e-4);
}

INSTANTIATE_TEST_SUITE_P(Rows, ProgressBarValue, ::testing::ValuesIn(kValueRows),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(ProgressBar, PositionIsStoredBeforeCreateAndMovesTheControlAfter) {
    const double tx = TwipsPerPixelX();
    const double ty = TwipsPerPixelY();
    QWidget parent;
    cProgressBar bar;
    bar.SetLeft(30 * tx);
    bar.SetTop(40 * ty);
    bar.SetWidth(200 * tx);
    bar.SetHeight(12 * ty);
    EXPECT_EQ(bar.control(), nullptr);
    EXPECT_NEAR(bar.Left(), 30 * tx, 1e-3);
    EXPECT_NEAR(bar.Height(), 12 * ty, 1e-3);

    bar.Create(&parent);
    ASSERT_NE(bar.control(), nullptr);
    EXPECT_EQ(bar.control()->geometry(), QRect(30, 40, 200, 12));
    EXPECT_EQ(bar.control()->minimum(), 0);
    EXPECT_EQ(bar.control()->maximum(), 100);

    bar.SetLeft(5 * tx);
    EXPECT_EQ(bar.control()->geometry(), QRect(5, 40, 200, 12));
}

TEST(ProgressBar, SurvivesItsParentWindow) {
    cProgressBar bar;
    {
        QWidget parent;
        bar.Create(&parent);
    }
    EXPECT_EQ(bar.control(), nullptr);
    bar.SetValue(50);  // no control left to move: must not touch freed memory
    bar.SetLeft(100);
}

TEST(ProgressWindow, ShowsItsTextsAndStartsEmpty) {
    bool stop = false;
    auto* window = new frmProgress(nullptr, &stop);
    EXPECT_EQ(window->objectName(), "frmProgress");
    EXPECT_EQ(window->windowTitle(), "Progress");
    EXPECT_EQ(window->findChild<QLabel*>("Label1")->text(),
              "Please wait while Morvane is performing requested operation.");
    EXPECT_EQ(window->findChild<QLabel*>("lblAction")->text(), "Initializing...");
    EXPECT_EQ(window->findChild<QLabel*>("lblStatus")->text(), "");
    EXPECT_EQ(window->findChild<QPushButton*>("cmdCancel")->text(), "Cancel");
    QProgressBar* bar = window->findChild<QProgressBar*>("ProgressBar");
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->value(), 0);
    EXPECT_FALSE(window->windowFlags() & Qt::WindowCloseButtonHint);
    window->Unload();
}

TEST(ProgressWindow, CloseEscAndCancelLeaveItOpenAndCancelSetsTheStopRequest) {
    bool stop = false;
    auto* window = new frmProgress(nullptr, &stop);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));

    window->close();
    EXPECT_TRUE(window->isVisible());
    QTest::keyClick(window, Qt::Key_Escape);
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(stop);

    QTest::mouseClick(window->cmdCancel(), Qt::LeftButton);
    EXPECT_TRUE(stop);
    EXPECT_TRUE(window->isVisible());

    QPointer<frmProgress> guard(window);
    window->Unload();
    EXPECT_TRUE(guard.isNull());
}

TEST(ProgressWindowObserver, UpdatesTheWindow) {
    bool stop = false;
    auto* window = new frmProgress(nullptr, &stop);
    ProgressWindowObserver observer(window, &stop);
    observer.SetAction("Scanning...");
    observer.SetStatus("/site/docs/index.htm");
    observer.SetMax(8);
    observer.SetValue(2);
    EXPECT_EQ(window->lblAction()->text(), "Scanning...");
    EXPECT_EQ(window->lblStatus()->text(), "/site/docs/index.htm");
    EXPECT_EQ(window->ProgressBar.control()->value(), 25);
    window->Unload();
}

TEST(ProgressWindowObserver, CancelClickReachesTheOperationOnlyWhenEventsRun) {
    bool stop = false;
    auto* window = new frmProgress(nullptr, &stop);
    window->show();

    // A long interval: the queued click has not run yet, so the operation goes on.
    ProgressWindowObserver slow(window, &stop, 1000000);
    QMetaObject::invokeMethod(window->cmdCancel(), "click", Qt::QueuedConnection);
    EXPECT_FALSE(slow.ShouldStop());

    // Once the interval has passed, pending events run and the click stops the operation.
    ProgressWindowObserver eager(window, &stop, 0);
    EXPECT_TRUE(eager.ShouldStop());
    window->Unload();
}

}  // namespace
