// SPDX-License-Identifier: MIT
#include <algorithm>
#include <array>
#include <string>
#include <vector>

#include <QCheckBox>
#include <QLineEdit>
#include <QMessageBox>
#include <QMoveEvent>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalSpy>
#include <QTest>
#include <QTimer>
#include <QWindow>

#include "fakes/fake_ports.hpp"
#include "ui/qt/control_names.hpp"
#include "ui/qt/lamp_widget.hpp"
#include "ui/qt/qt_front_end.hpp"
#include "ui_fixture.hpp"

namespace quillon::testing {
namespace {

using namespace control_names;

struct Placement {
    QString name;
    int left, top, width, height;  // twips
};

std::vector<Placement> DisplayedControls() {
    std::vector<Placement> table;
    // Left edges in twips, as the form places the columns.
    const std::array<int, 10> lefts = {120, 600, 1080, 1560, 2040, 2520, 3000, 3480, 3960, 4440};
    for (int slot = 0; slot < 10; ++slot) {
        const int x = lefts[static_cast<std::size_t>(slot)];
        table.push_back({kLamp.ObjectName(slot), x, 120, 255, 255});
        table.push_back({kModeSwitch.ObjectName(slot), x, 480, 255, 975});
        if (slot < 8) {
            table.push_back({kEditEquation.ObjectName(slot), x, 1680, 255, 495});
        } else {
            table.push_back({kEditEquation.ObjectName(slot), x - 30, 1680, 315, 495});
        }
    }
    table.insert(table.end(), {{kTrueLabel.ObjectName(), 5040, 480, 495, 255},
                               {kProgLabel.ObjectName(), 5040, 840, 495, 255},
                               {kFalseLabel.ObjectName(), 5040, 1200, 495, 255},
                               {kStartStop.ObjectName(), 4920, 1680, 615, 495},
                               {kDataWindow.ObjectName(), 120, 2400, 735, 285},
                               {kQuickReference.ObjectName(), 960, 2400, 375, 375},
                               {kGlobalKeys.ObjectName(), 1560, 2400, 2175, 255},
                               {kAlarmSettings.ObjectName(), 3930, 2400, 315, 255},
                               {kEmailSettings.ObjectName(), 4410, 2400, 315, 255}});
    return table;
}

QRect Pixels(const Placement& p) {
    return {p.left / 15, p.top / 15, p.width / 15, p.height / 15};
}

using MainWindowTest = UiFixture;

TEST_F(MainWindowTest, EveryDisplayedControlSitsAtItsPlaceInsideTheClientArea) {
    EXPECT_EQ(window_.size(), QSize(5655 / 15, 2895 / 15));
    const QRect client(0, 0, 5655 / 15, 2895 / 15);
    for (const Placement& placement : DisplayedControls()) {
        SCOPED_TRACE(placement.name.toStdString());
        QWidget* control = Control(placement.name);
        ASSERT_NE(control, nullptr);
        EXPECT_EQ(control->geometry(), Pixels(placement));
        EXPECT_TRUE(client.contains(control->geometry()));
    }
}

TEST_F(MainWindowTest, CaptionsAndToolTips) {
    struct Row {
        QString name, text, tip;
    };
    std::vector<Row> table = {
        {kStartStop.ObjectName(), "Start", ""},
        {kGlobalKeys.ObjectName(), "Global Key",
         "When checked, you can use Alt+Ctrl+Keys to set/reset DOs"},
        {kDataWindow.ObjectName(), "100",
         "Number of data points for advanced math functions like #rms, #ave, #min, #max and "
         "#acrms"},
        {kQuickReference.ObjectName(), "", "Quick reference of math operators"},
        {kAlarmSettings.ObjectName(), "", "Alarm sound file configuration"},
        {kEmailSettings.ObjectName(), "", "Email interval configuration"},
        {kEditEquation.ObjectName(8), "", "Logical Equation for Audio Alarm (PROG Mode)"},
        {kEditEquation.ObjectName(9), "", "Logical Equation for Email Alarm (PROG Mode)"}};
    for (int output = 0; output < 8; ++output) {
        table.push_back(
            {kEditEquation.ObjectName(output), QStringLiteral("D%1").arg(output),
             QStringLiteral("Logical Equation for Digital Output %1 (PROG Mode)").arg(output)});
    }
    for (const Row& row : table) {
        SCOPED_TRACE(row.name.toStdString());
        QWidget* control = Control(row.name);
        ASSERT_NE(control, nullptr);
        QString text;
        if (auto* button = qobject_cast<QAbstractButton*>(control)) {
            text = button->text();
        } else if (auto* edit = qobject_cast<QLineEdit*>(control)) {
            text = edit->text();
        }
        EXPECT_EQ(text, row.text);
        EXPECT_EQ(control->toolTip(), row.tip);
    }
    EXPECT_EQ(window_.windowTitle(), QStringLiteral("Quillon"));
    EXPECT_FALSE(window_.windowIcon().isNull());
}

TEST_F(MainWindowTest, TabOrder) {
    QStringList expected = {kStartStop.ObjectName(), kQuickReference.ObjectName(),
                            kDataWindow.ObjectName(), kAlarmSettings.ObjectName()};
    for (int slot = 0; slot <= 8; ++slot) {
        expected << kModeSwitch.ObjectName(slot);
    }
    for (int slot = 0; slot <= 8; ++slot) {
        expected << kEditEquation.ObjectName(slot);
    }
    expected << kGlobalKeys.ObjectName() << kModeSwitch.ObjectName(9) << kEditEquation.ObjectName(9)
             << kEmailSettings.ObjectName();

    QStringList chain;
    QWidget* first = Control(kStartStop.ObjectName());
    QWidget* widget = first;
    do {
        if ((widget->focusPolicy() & Qt::TabFocus) != 0 && widget->parentWidget() == &window_) {
            chain << widget->objectName();
        }
        widget = widget->nextInFocusChain();
    } while (widget != first);
    EXPECT_EQ(chain, expected);
}

TEST_F(MainWindowTest, PanelChangesReachTheControls) {
    Panel& panel = application_.GetPanel();
    panel.SetStartStopCaption("Stop");
    EXPECT_EQ(Control<QPushButton>(kStartStop.ObjectName())->text(), QStringLiteral("Stop"));
    panel.SetEditEnabled(4, false);
    EXPECT_FALSE(Control(kEditEquation.ObjectName(4))->isEnabled());
    panel.SetQuickReferenceEnabled(false);
    EXPECT_FALSE(Control(kQuickReference.ObjectName())->isEnabled());
    panel.SetDataWindowText("250");
    EXPECT_EQ(Control<QLineEdit>(kDataWindow.ObjectName())->text(), QStringLiteral("250"));
    panel.SetGlobalKeys(true);
    EXPECT_TRUE(Control<QCheckBox>(kGlobalKeys.ObjectName())->isChecked());
    panel.SetWindowSize(5655 + 120, 2850);
    EXPECT_EQ(window_.size(), QSize(377, 153));
}

TEST_F(MainWindowTest, LampColourReachesTheLamp) {
    struct Row {
        Colour colour;
        QColor shown;
    };
    const std::vector<Row> table = {{0x000000FF, QColor(255, 0, 0)},
                                    {0x0000C000, QColor(0, 192, 0)},
                                    {0x00FF0000, QColor(0, 0, 255)},
                                    {0x8000000F, window_.palette().color(QPalette::Button)}};
    for (const Row& row : table) {
        SCOPED_TRACE(row.colour);
        application_.GetPanel().SetLampColour(6, row.colour);
        const QImage image = Control(kLamp.ObjectName(6))->grab().toImage();
        EXPECT_EQ(image.pixelColor(image.rect().center()), row.shown);
    }
}

TEST_F(MainWindowTest, SwitchesForwardTheOperatorsMoveAndFollowThePanel) {
    struct Row {
        int slot, position;
        std::string mode;
    };
    const std::vector<Row> table = {{0, 3, "Force Reset"}, {5, 2, "Set"}, {9, 1, "Force Set"}};
    for (const Row& row : table) {
        SCOPED_TRACE(row.slot);
        auto* position = Control<QScrollBar>(kModeSwitch.ObjectName(row.slot));
        position->setValue(row.position);
        EXPECT_EQ(application_.GetPanel().Slot(row.slot).switch_position, row.position);
        EXPECT_EQ(application_.GetPanel().Slot(row.slot).mode, row.mode);
        application_.GetPanel().SetSwitchPosition(row.slot, row.position == 1 ? 3 : 1);
        EXPECT_EQ(position->value(), row.position == 1 ? 3 : 1);
    }
}

TEST_F(MainWindowTest, TimersFollowThePanel) {
    struct Row {
        QString name;
        void (Panel::*set)(bool);
        int interval;
    };
    const std::vector<Row> table = {
        {kScanTimer.ObjectName(), &Panel::SetScanTimerEnabled, 10},
        {kAlarmTimer.ObjectName(), &Panel::SetAlarmTimerEnabled, 1000},
        {kKeepAliveTimer.ObjectName(), &Panel::SetKeepAliveTimerEnabled, 30000}};
    for (const Row& row : table) {
        SCOPED_TRACE(row.name.toStdString());
        auto* timer = window_.findChild<QTimer*>(row.name);
        ASSERT_NE(timer, nullptr);
        EXPECT_FALSE(timer->isActive());
        (application_.GetPanel().*row.set)(true);
        EXPECT_TRUE(timer->isActive());
        EXPECT_EQ(timer->interval(), row.interval);
        (application_.GetPanel().*row.set)(false);
        EXPECT_FALSE(timer->isActive());
    }
    EXPECT_EQ(window_.findChild<QTimer*>(kScanTimer.ObjectName())->timerType(), Qt::PreciseTimer);
}

TEST_F(MainWindowTest, StartStopClickGoesToTheApplication) {
    // Client height in pixels: the outer height in twips less the frame.
    const auto client_height = [](int outer) { return (outer - kFrameHeight) / 15; };
    QTest::mouseClick(Control(kStartStop.ObjectName()), Qt::LeftButton);
    EXPECT_EQ(application_.GetPanel().StartStopCaption(), "Stop");
    EXPECT_EQ(Control<QPushButton>(kStartStop.ObjectName())->text(), QStringLiteral("Stop"));
    EXPECT_TRUE(window_.findChild<QTimer*>(kScanTimer.ObjectName())->isActive());
    for (const QString& locked : {kDataWindow.ObjectName(), kQuickReference.ObjectName(),
                                  kEditEquation.ObjectName(0), kEditEquation.ObjectName(9)}) {
        EXPECT_FALSE(Control(locked)->isEnabled()) << locked.toStdString();
    }
    EXPECT_EQ(window_.height(), client_height(kRunningWindowHeight));
    QTest::mouseClick(Control(kStartStop.ObjectName()), Qt::LeftButton);
    EXPECT_EQ(Control<QPushButton>(kStartStop.ObjectName())->text(), QStringLiteral("Start"));
    EXPECT_FALSE(window_.findChild<QTimer*>(kScanTimer.ObjectName())->isActive());
    for (const QString& unlocked : {kDataWindow.ObjectName(), kQuickReference.ObjectName(),
                                    kEditEquation.ObjectName(0), kEditEquation.ObjectName(9)}) {
        EXPECT_TRUE(Control(unlocked)->isEnabled()) << unlocked.toStdString();
    }
    EXPECT_EQ(window_.height(), client_height(kStoppedWindowHeight));
}

TEST_F(MainWindowTest, StatusShowsInTitleAndStartStopTip) {
    application_.GetPanel().SetCaption("Rig 2");
    application_.GetPanel().SetStatus("Settings not saved");
    EXPECT_EQ(window_.windowTitle(), QStringLiteral("Rig 2 - Settings not saved"));
    EXPECT_EQ(Control(kStartStop.ObjectName())->toolTip(), QStringLiteral("Settings not saved"));
    application_.GetPanel().SetStatus("");
    EXPECT_EQ(window_.windowTitle(), QStringLiteral("Rig 2"));
}

TEST_F(MainWindowTest, TypedCharacterGoesToTheApplicationFirstAndStillReachesTheControl) {
    window_.show();
    auto* data_window = Control<QLineEdit>(kDataWindow.ObjectName());
    data_window->setFocus();
    std::vector<std::pair<char, QString>>
        previewed;  // the character, the data window at that moment
    QObject::connect(&window_, &MainWindow::CharacterPreviewed, [&](char character) {
        previewed.emplace_back(character, data_window->text());
    });
    QTest::keyClick(window_.windowHandle(), '1');
    ASSERT_EQ(previewed.size(), 1u);
    EXPECT_EQ(previewed[0], std::make_pair('1', QStringLiteral("100")));
    EXPECT_EQ(data_window->text(), QStringLiteral("1001"));
    EXPECT_EQ(application_.GetPanel().DataWindowText(), "1001");
}

TEST_F(MainWindowTest, HiddenLampsStayHiddenAndNothingMoves) {
    std::vector<QRect> before;
    for (const Placement& placement : DisplayedControls()) {
        before.push_back(Control(placement.name)->geometry());
    }
    application_.GetPanel().SetLampVisible(3, false);
    application_.GetPanel().SetLampVisible(9, false);
    window_.show();
    for (int slot = 0; slot < 10; ++slot) {
        EXPECT_EQ(Control(kLamp.ObjectName(slot))->isVisible(), slot != 3 && slot != 9) << slot;
    }
    std::size_t index = 0;
    for (const Placement& placement : DisplayedControls()) {
        EXPECT_EQ(Control(placement.name)->geometry(), before[index++])
            << placement.name.toStdString();
    }
}

// The rows start-up hides or locks for an instrument take their switch and edit button along.
TEST_F(MainWindowTest, RowsTheInstrumentLacksAreHiddenOrLocked) {
    struct Row {
        int model;
        std::vector<int> hidden;
        std::vector<int> locked;
    };
    for (const Row& row : std::vector<Row>{
             {154, {0, 1, 2, 3, 4, 5, 6, 7}, {}}, {480, {0, 1}, {}}, {149, {}, {4, 5, 6, 7}}}) {
        SCOPED_TRACE(row.model);
        RecordingHost host;
        host.model = row.model;
        MemoryProfileStore profiles;
        Application application(
            Ports{host, profiles, prompter_, locale_, clock_, sound_, launcher_, keys_});
        MainWindow window(application);
        window.show();
        window.Load("");  // the run starts: the switches stay usable, but the locked ones
        for (int slot = 0; slot < 10; ++slot) {
            const bool hidden = std::count(row.hidden.begin(), row.hidden.end(), slot) > 0;
            const bool locked = std::count(row.locked.begin(), row.locked.end(), slot) > 0;
            auto* position = window.findChild<QScrollBar*>(kModeSwitch.ObjectName(slot));
            auto* edit = window.findChild<QPushButton*>(kEditEquation.ObjectName(slot));
            EXPECT_EQ(position->isVisible(), !hidden) << slot;
            EXPECT_EQ(edit->isVisible(), !hidden) << slot;
            EXPECT_EQ(position->isEnabled(), !locked) << slot;
        }
        window.close();
    }
}

TEST_F(MainWindowTest, OperatorResizeIsBoundedByTheApplication) {
    struct Row {
        QSize asked;
        int outer_width, outer_height;
        QSize shown;
    };
    const std::vector<Row> table = {{{400, 193}, 6120, 3450, {400, 193}},
                                    {{700, 193}, 9240, 3450, {608, 193}},
                                    {{10, 100}, 480, 2055, {24, 100}}};
    window_.show();
    for (const Row& row : table) {
        SCOPED_TRACE(row.outer_width);
        window_.resize(row.asked);
        DeliverPostedEvents();
        EXPECT_EQ(application_.GetPanel().WindowWidth(), row.outer_width);
        EXPECT_EQ(application_.GetPanel().WindowHeight(), row.outer_height);
        EXPECT_EQ(window_.size(), row.shown);
    }
}

TEST_F(MainWindowTest, ClosingUnloadsAndSaves) {
    QSignalSpy closed(&window_, &MainWindow::Closed);
    window_.show();
    window_.close();
    EXPECT_EQ(closed.count(), 1);
    EXPECT_FALSE(profiles_.files.empty());
}

// Only the operator's moves change the stored position: a position off the screen, which the
// window system answers with one kept on the screen, is saved back as it was read.
TEST_F(MainWindowTest, APositionOffTheScreenIsSavedBackUnchanged) {
    profiles_.files["NorvaneAlarm.ini"] = "[Quillon]\nWindow Left=10000000\nWindow Top=900\n";
    window_.show();
    window_.Load("");
    QMoveEvent kept_on_screen(QPoint(32000, 60), window_.pos());
    QApplication::sendEvent(&window_, &kept_on_screen);
    DeliverPostedEvents();
    window_.close();
    const std::string saved = profiles_.files["NorvaneAlarm.ini"];
    EXPECT_NE(saved.find("Window Left=10000000\n"), std::string::npos) << saved;
    EXPECT_NE(saved.find("Window Top=900\n"), std::string::npos) << saved;
}

// A latched lamp carries a white frame inside it; a click on it acknowledges that slot alone.
TEST_F(MainWindowTest, ALatchedLampShowsItsMarkAndAClickAcknowledgesIt) {
    profiles_.files["NorvaneAlarm.ini"] =
        "[Quillon]\nMathExpression3=1\nLatch3=1\nMathExpression5=1\nLatch5=1\n";
    window_.show();
    window_.Load("");
    application_.ScanTick();
    auto* lamp = Control<LampWidget>(kLamp.ObjectName(3));
    ASSERT_NE(lamp, nullptr);
    ASSERT_TRUE(lamp->Latched());
    const QImage marked = lamp->grab().toImage();
    const QPoint frame(std::max(2, lamp->width() / 6), lamp->height() / 2);
    EXPECT_EQ(marked.pixelColor(frame), QColor(Qt::white));
    EXPECT_EQ(marked.pixelColor(lamp->rect().center()), QColor(255, 0, 0));
    QTest::mouseClick(lamp, Qt::LeftButton);
    DeliverPostedEvents();
    EXPECT_FALSE(lamp->Latched());
    EXPECT_NE(lamp->grab().toImage().pixelColor(frame), QColor(Qt::white));
    EXPECT_TRUE(Control<LampWidget>(kLamp.ObjectName(5))->Latched());
}

// The Qt front end on fake ports, its window not yet shown.
class QtFrontEndTest : public ::testing::Test {
protected:
    RecordingHost host;
    FakePorts ports;
    QtFrontEnd front_end{
        {host, ports.profiles, ports.locale, ports.clock, ports.sound, ports.launcher, ports.keys}};
};

TEST_F(QtFrontEndTest, AFailedLastSaveIsShownAndEndsWithStatusOne) {
    front_end.Window().show();
    ports.profiles.fail_writes = true;
    front_end.Window().close();
    QString shown;
    QTimer::singleShot(0, [&shown] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        shown = box->text();
        box->accept();
    });
    EXPECT_EQ(front_end.ExitStatus(0), 1);
    EXPECT_TRUE(shown.startsWith(QStringLiteral("Settings not saved"))) << shown.toStdString();
}

TEST_F(QtFrontEndTest, HostExitClosesTheWindow) {
    QSignalSpy closed(&front_end.Window(), &MainWindow::Closed);
    front_end.Window().show();
    host.Exit();
    EXPECT_FALSE(front_end.GetApplication().Ended());  // told through the event loop
    QApplication::processEvents();
    QApplication::processEvents();
    EXPECT_TRUE(front_end.GetApplication().Ended());
    EXPECT_FALSE(front_end.Window().isVisible());
    EXPECT_EQ(closed.count(), 1);
}

}  // namespace
}  // namespace quillon::testing
