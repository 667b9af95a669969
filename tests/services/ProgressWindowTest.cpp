#include <QAccessible>
#include <QCoreApplication>
#include <QKeyEvent>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include "helpers/widgets/EventPump.h"
#include "services/widgets/ProgressWindow.h"
#include "tests/support/WidgetFakes.h"

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

TEST(ProgressWindow, CloseBoxAndCancelSetTheStopRequestAndOnlyTheOperationClosesIt) {
    bool stop = false;
    auto* window = new frmProgress(nullptr, &stop);
    window->show();
    ASSERT_TRUE(QTest::qWaitForWindowExposed(window));

    QTest::keyClick(window, Qt::Key_Escape);
    EXPECT_TRUE(window->isVisible());
    EXPECT_FALSE(stop);
    window->close();  // the close box, Alt+F4
    EXPECT_TRUE(window->isVisible());
    EXPECT_TRUE(stop);

    stop = false;
    QTest::mouseClick(window->cmdCancel(), Qt::LeftButton);
    EXPECT_TRUE(stop);
    EXPECT_TRUE(window->isVisible());

    QPointer<frmProgress> guard(window);
    window->Unload();
    EXPECT_TRUE(guard.isNull());
}

QString AccessibleName(QWidget* widget) {
    return QAccessible::queryAccessibleInterface(widget)->text(QAccessible::Name);
}

TEST(ProgressWindowObserver, ShowsTheActionAtOnceAndTheRestWhenTheThrottleSays) {
    bool stop = false;
    auto* window = new frmProgress(nullptr, &stop);
    ProgressWindowObserver observer(window, &stop);
    observer.SetAction("Scanning...");
    observer.SetMax(8);
    observer.SetValue(2);
    observer.SetStatus("/site/a");  // the first item after the action shows at once
    observer.SetStatus("/site/b");  // the next ones wait
    EXPECT_EQ(window->lblStatus()->text(), "/site/a");
    EXPECT_EQ(window->ProgressBar.control()->value(), 0);
    {
        ScopedHooks pump({.pollIntervals = kPollAtEveryStep});
        EXPECT_FALSE(observer.ShouldStop());
    }
    EXPECT_EQ(window->ProgressBar.control()->value(), 25);
    observer.SetStatus("/site/c");
    // A screen reader hears the texts, not the labels' roles.
    EXPECT_EQ(AccessibleName(window->lblAction()), "Scanning...");
    EXPECT_EQ(AccessibleName(window->lblStatus()), "/site/c");
    window->Unload();
}

TEST(ProgressWindowObserver, CancelClickReachesTheOperationOnlyWhenEventsRun) {
    bool stop = false;
    auto* window = new frmProgress(nullptr, &stop);
    window->show();
    ProgressWindowObserver observer(window, &stop);

    // Events have just run and the next run is far off: the queued click waits.
    const PollThrottle::Ticks never = ~PollThrottle::Ticks(0);
    ScopedHooks slow({.pollIntervals = PollThrottle::Intervals{never, never, never, 0}});
    EventPump::RunNow();
    QMetaObject::invokeMethod(window->cmdCancel(), "click", Qt::QueuedConnection);
    EXPECT_FALSE(observer.ShouldStop());

    // Once events are due, the click runs and stops the operation.
    ScopedHooks due({.pollIntervals = kPollAtEveryStep});
    EXPECT_TRUE(observer.ShouldStop());
    window->Unload();
}

TEST(PollThrottle, EventsComeSoonerWhileTheyKeepComingAndTheClockIsReadLessWhileStepsAreShort) {
    PollThrottle throttle({20, 2, 50, 4});
    PollThrottle::Ticks now = 1000;
    throttle.Ran(now, true);
    EXPECT_TRUE(throttle.Look(now += 2).runEvents) << "busy: after the busy interval";
    throttle.Ran(now, false);
    EXPECT_FALSE(throttle.Look(now += 19).runEvents) << "idle: not before the idle interval";

    for (int look = 0; look < 10; ++look)
        throttle.Look(now += 1);  // looks less than half the look interval apart
    EXPECT_EQ(throttle.stride(), PollThrottle::kMaxStride);
    throttle.Look(now += 8);  // twice the interval: kept
    EXPECT_EQ(throttle.stride(), PollThrottle::kMaxStride);
    throttle.Look(now += 10);  // later than that: every step again
    EXPECT_EQ(throttle.stride(), 1);
}

}  // namespace
