// SPDX-License-Identifier: MIT
#include "ui/qt/main_window.hpp"

#include <QMessageBox>

#include <exception>
#include <vector>

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPushButton>
#include <QScrollBar>
#include <QSignalBlocker>
#include <QWindow>

#include "app/application.hpp"
#include "panel/timer_periods.hpp"
#include "panel/window_layout.hpp"
#include "ui/qt/control_names.hpp"
#include "ui/qt/icons.hpp"
#include "ui/qt/lamp_widget.hpp"
#include "ui/qt/switch_style.hpp"
#include "ui/qt/windows_colour.hpp"

namespace quillon {

namespace {

// How long the window system may take to answer a move of ours.
constexpr int kOwnMoveSettling = 500;  // ms
void Place(QWidget* widget, const TwipsRect& place) {
    widget->setGeometry(TwipsToPixels(place.left), TwipsToPixels(place.top),
                        TwipsToPixels(place.width), TwipsToPixels(place.height));
}

QLabel* MakeLabel(QWidget* parent, const ControlName& name, const layout::GuideLabel& guide) {
    auto* label = new QLabel(QLatin1String(guide.text), parent);
    label->setObjectName(name.ObjectName());
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, ToQColor(guide.colour, palette));
    label->setPalette(palette);
    Place(label, guide.place);
    return label;
}

QPushButton* MakePictureButton(QWidget* parent, const QIcon& icon, const QSize& size) {
    auto* button = new QPushButton(parent);
    button->setIcon(icon);
    button->setIconSize(size);
    return button;
}

void DrawGuideLine(QPainter& painter, const layout::GuideLine& line) {
    QPen pen(ToQColor(line.colour, QPalette()), line.width, Qt::SolidLine, Qt::FlatCap);
    painter.setPen(pen);
    painter.drawLine(TwipsToPixels(line.left), TwipsToPixels(line.top), TwipsToPixels(line.right),
                     TwipsToPixels(line.top));
}

void SyncTimer(QTimer& timer, bool enabled) {
    if (enabled && !timer.isActive()) {
        timer.start();
    } else if (!enabled && timer.isActive()) {
        timer.stop();
    }
}

}  // namespace

MainWindow::MainWindow(Application& application, QWidget* parent)
    : QWidget(parent),
      application_(application),
      panel_(application.GetPanel()),
      switch_style_(new SwitchStyle) {
    switch_style_->setParent(this);
    setWindowIcon(ApplicationIcon());
    // The layout's 17-pixel controls were sized for an 8-point dialog font of about 11 pixels.
    QFont face = font();
    face.setPixelSize(11);
    face.setStretch(QFont::SemiCondensed);
    setFont(face);
    CreateControls();
    SetTabOrder();
    ConnectControls();
    SetUpTimers();
    AddViewAction();
    ShowAll();
    panel_.AddObserver(this);
    // Key preview: the application sees each key press at the window before the focused
    // control does.
    qApp->installEventFilter(this);
}

MainWindow::~MainWindow() {
    qApp->removeEventFilter(this);
    panel_.RemoveObserver(this);
    // Children go in creation order: the switches must not outlive their style.
    for (QScrollBar*& position : switches_) {
        delete position;
        position = nullptr;
    }
}

void MainWindow::CreateControls() {
    for (int slot = 0; slot < kSlotCount; ++slot) {
        auto* lamp = new LampWidget(this);
        lamp->setObjectName(control_names::kLamp.ObjectName(slot));
        Place(lamp, layout::Lamp(slot));
        lamps_[static_cast<std::size_t>(slot)] = lamp;
        lamp->OnClicked([this, slot] {
            Forward([this, slot] { application_.Acknowledge(slot, AckSource::Window); });
        });

        auto* position = new QScrollBar(Qt::Vertical, this);
        position->setObjectName(control_names::kModeSwitch.ObjectName(slot));
        position->setRange(kForceSetPosition, kForceResetPosition);
        position->setSingleStep(1);
        position->setPageStep(1);
        // A drag changes the mode once, where the thumb is let go.
        position->setTracking(false);
        position->setFocusPolicy(Qt::StrongFocus);
        position->setStyle(switch_style_);
        Place(position, layout::ModeSwitch(slot));
        switches_[static_cast<std::size_t>(slot)] = position;
    }

    MakeLabel(this, control_names::kTrueLabel, layout::kGuideLabels[0]);
    MakeLabel(this, control_names::kProgLabel, layout::kGuideLabels[1]);
    MakeLabel(this, control_names::kFalseLabel, layout::kGuideLabels[2]);

    for (int slot = 0; slot < kSlotCount; ++slot) {
        QPushButton* button = nullptr;
        if (slot == kAudioSlot) {
            button = MakePictureButton(this, QIcon(BellImage()), QSize(10, 10));
        } else if (slot == kEmailSlot) {
            QIcon icon(EnvelopeImage());
            icon.addPixmap(GreyEnvelopeImage(), QIcon::Disabled);
            button = MakePictureButton(this, icon, QSize(16, 11));
        } else {
            button = new QPushButton(QStringLiteral("D%1").arg(slot), this);
        }
        button->setObjectName(control_names::kEditEquation.ObjectName(slot));
        button->setToolTip(QString::fromStdString(layout::EditEquationToolTip(slot)));
        Place(button, layout::EditEquation(slot));
        edit_buttons_[static_cast<std::size_t>(slot)] = button;
    }

    start_stop_ = new QPushButton(this);
    start_stop_->setObjectName(control_names::kStartStop.ObjectName());
    Place(start_stop_, layout::kStartStop);

    data_window_ = new QLineEdit(this);
    data_window_->setObjectName(control_names::kDataWindow.ObjectName());
    data_window_->setToolTip(QLatin1String(layout::kDataWindowToolTip));
    Place(data_window_, layout::kDataWindow);

    quick_reference_ = MakePictureButton(this, QIcon(FormulaImage()), QSize(32, 32));
    quick_reference_->setObjectName(control_names::kQuickReference.ObjectName());
    quick_reference_->setToolTip(QLatin1String(layout::kQuickReferenceToolTip));
    Place(quick_reference_, layout::kQuickReference);

    global_keys_ = new QCheckBox(QLatin1String(layout::kGlobalKeysCaption), this);
    global_keys_->setObjectName(control_names::kGlobalKeys.ObjectName());
    global_keys_->setToolTip(QLatin1String(layout::kGlobalKeysToolTip));
    Place(global_keys_, layout::kGlobalKeys);

    alarm_settings_ = MakePictureButton(this, QIcon(GearImage()), QSize(10, 10));
    alarm_settings_->setObjectName(control_names::kAlarmSettings.ObjectName());
    alarm_settings_->setToolTip(QLatin1String(layout::kAlarmSettingsToolTip));
    Place(alarm_settings_, layout::kAlarmSettings);

    email_settings_ = MakePictureButton(this, QIcon(GearImage()), QSize(10, 10));
    email_settings_->setObjectName(control_names::kEmailSettings.ObjectName());
    email_settings_->setToolTip(QLatin1String(layout::kEmailSettingsToolTip));
    Place(email_settings_, layout::kEmailSettings);
}

void MainWindow::SetTabOrder() {
    std::vector<QWidget*> order;
    for (const layout::TabStop& stop : layout::TabOrder()) {
        order.push_back(FocusWidget(stop));
    }
    for (std::size_t i = 1; i < order.size(); ++i) {
        QWidget::setTabOrder(order[i - 1], order[i]);
    }
}

QWidget* MainWindow::FocusWidget(const layout::TabStop& stop) const {
    const auto slot = static_cast<std::size_t>(stop.slot);
    switch (stop.control) {
        case layout::FocusStop::StartStop:
            return start_stop_;
        case layout::FocusStop::QuickReference:
            return quick_reference_;
        case layout::FocusStop::DataWindow:
            return data_window_;
        case layout::FocusStop::AlarmSettings:
            return alarm_settings_;
        case layout::FocusStop::ModeSwitch:
            return switches_[slot];
        case layout::FocusStop::EditEquation:
            return edit_buttons_[slot];
        case layout::FocusStop::GlobalKeys:
            return global_keys_;
        case layout::FocusStop::EmailSettings:
            return email_settings_;
    }
    return nullptr;
}

void MainWindow::ConnectControls() {
    for (int slot = 0; slot < kSlotCount; ++slot) {
        connect(switches_[static_cast<std::size_t>(slot)], &QScrollBar::valueChanged, this,
                [this, slot](int value) {
                    Forward([this, slot, value] { panel_.SetSwitchPosition(slot, value); });
                });
        connect(
            edit_buttons_[static_cast<std::size_t>(slot)], &QPushButton::clicked, this,
            [this, slot] { Forward([this, slot] { application_.EditEquationClicked(slot); }); });
    }
    connect(start_stop_, &QPushButton::clicked, this,
            [this] { Forward([this] { application_.StartStopClicked(); }); });
    connect(quick_reference_, &QPushButton::clicked, this,
            [this] { Forward([this] { application_.QuickReferenceClicked(); }); });
    connect(alarm_settings_, &QPushButton::clicked, this,
            [this] { Forward([this] { application_.AlarmSettingsClicked(); }); });
    connect(email_settings_, &QPushButton::clicked, this,
            [this] { Forward([this] { application_.EmailSettingsClicked(); }); });
    connect(data_window_, &QLineEdit::textEdited, this, [this](const QString& text) {
        Forward([this, &text] { panel_.SetDataWindowText(text.toStdString()); });
    });
    connect(global_keys_, &QCheckBox::toggled, this,
            [this](bool checked) { Forward([this, checked] { panel_.SetGlobalKeys(checked); }); });
}

// The layout has no room for a menu: the view opens from a shortcut and the context menu.
void MainWindow::AddViewAction() {
    auto* view = new QAction(QStringLiteral("Channels view"), this);
    view->setObjectName(QStringLiteral("channelsView"));
    view->setShortcut(QKeySequence(Qt::CTRL | Qt::Key_L));
    view->setShortcutContext(Qt::WindowShortcut);
    connect(view, &QAction::triggered, this, &MainWindow::ChannelsViewRequested);
    addAction(view);
    setContextMenuPolicy(Qt::ActionsContextMenu);
}

void MainWindow::SetUpTimers() {
    const auto make = [this](const ControlName& name, std::chrono::milliseconds interval) {
        auto* timer = new QTimer(this);
        timer->setObjectName(name.ObjectName());
        timer->setInterval(interval);
        return timer;
    };
    scan_timer_ = make(control_names::kScanTimer, kScanTimerPeriod);
    scan_timer_->setTimerType(Qt::PreciseTimer);
    alarm_timer_ = make(control_names::kAlarmTimer, kAlarmTimerPeriod);
    keep_alive_timer_ = make(control_names::kKeepAliveTimer, kKeepAliveTimerPeriod);
    // A tick whose handler is still on the stack (a modal box is open) is skipped, not
    // nested.
    const auto tick = [this](bool& busy, void (Application::*handler)()) {
        if (busy) {
            return;
        }
        busy = true;
        Forward([this, handler] { (application_.*handler)(); });
        busy = false;
    };
    connect(scan_timer_, &QTimer::timeout, this,
            [this, tick] { tick(scan_busy_, &Application::ScanTick); });
    connect(alarm_timer_, &QTimer::timeout, this,
            [this, tick] { tick(alarm_busy_, &Application::AlarmTick); });
    connect(keep_alive_timer_, &QTimer::timeout, this,
            [this, tick] { tick(keep_alive_busy_, &Application::KeepAliveTick); });
}

void MainWindow::StopTimers() {
    scan_timer_->stop();
    alarm_timer_->stop();
    keep_alive_timer_->stop();
}

void MainWindow::ShowAll() {
    for (int slot = 0; slot < kSlotCount; ++slot) {
        for (PanelField field :
             {PanelField::LampColour, PanelField::LampVisible, PanelField::SwitchPosition,
              PanelField::ModeEnabled, PanelField::ModeVisible, PanelField::EditEnabled,
              PanelField::EquationVisible}) {
            ShowSlot(field, slot);
        }
    }
    for (PanelField field : {PanelField::StartStopCaption, PanelField::GlobalKeys,
                             PanelField::DataWindowText, PanelField::QuickReferenceEnabled,
                             PanelField::Timers, PanelField::WindowGeometry, PanelField::Caption}) {
        PanelChanged(field, -1);
    }
}

// Modal boxes opened by an application call let other events in, so calls nest: closing and ending
// wait until the outermost call has returned.
template <typename Call>
void MainWindow::Forward(Call&& call) {
    ++application_depth_;
    try {
        call();
    } catch (const std::exception& error) {
        // An exception must not unwind through Qt's event loop; keep it visible instead.
        qCritical("Quillon: %s", error.what());
        panel_.SetStatus(error.what());
    }
    if (--application_depth_ == 0) {
        AfterApplicationCalls();
    }
}

void MainWindow::AfterApplicationCalls() {
    if (closed_) {
        return;
    }
    if (application_.Ended() && !ending_) {
        ending_ = true;
        StopTimers();
        QMetaObject::invokeMethod(
            this, [this] { close(); }, Qt::QueuedConnection);
    } else if (close_pending_) {
        close_pending_ = false;
        QMetaObject::invokeMethod(
            this, [this] { close(); }, Qt::QueuedConnection);
    }
}

// Without its host or settings the program cannot run: report the failure and end, as a
// failed start-up always has, without the save of a normal close.
void MainWindow::Load(const std::string& argument_text) {
    try {
        ++application_depth_;
        application_.Load(argument_text);
        --application_depth_;
    } catch (const std::exception& error) {
        --application_depth_;
        QMessageBox::critical(this, QStringLiteral("Quillon"),
                              QStringLiteral("Quillon could not start: %1").arg(error.what()));
        ending_ = true;
        StopTimers();
        emit StartupFailed();
        QMetaObject::invokeMethod(
            this, [this] { close(); }, Qt::QueuedConnection);
        return;
    }
    if (application_depth_ == 0) {
        AfterApplicationCalls();
    }
}

void MainWindow::HostExited() {
    Forward([this] { application_.HostExited(); });
}

void MainWindow::PanelChanged(PanelField field, int slot) {
    switch (field) {
        case PanelField::LampColour:
        case PanelField::LampVisible:
        case PanelField::Latched:
        case PanelField::SwitchPosition:
        case PanelField::ModeEnabled:
        case PanelField::ModeVisible:
        case PanelField::EditEnabled:
        case PanelField::EquationEnabled:
        case PanelField::EquationVisible:
            ShowSlot(field, slot);
            break;
        case PanelField::StartStopCaption:
            start_stop_->setText(QString::fromStdString(panel_.StartStopCaption()));
            break;
        case PanelField::GlobalKeys: {
            const QSignalBlocker blocker(global_keys_);
            global_keys_->setChecked(panel_.GlobalKeys());
            break;
        }
        case PanelField::DataWindowText: {
            const QString text = QString::fromStdString(panel_.DataWindowText());
            if (data_window_->text() != text) {
                const QSignalBlocker blocker(data_window_);
                data_window_->setText(text);
            }
            data_window_->setEnabled(panel_.DataWindowEnabled());
            break;
        }
        case PanelField::QuickReferenceEnabled:
            quick_reference_->setEnabled(panel_.QuickReferenceEnabled());
            break;
        case PanelField::Timers:
            ShowTimers();
            break;
        case PanelField::WindowGeometry:
            ShowGeometry();
            break;
        case PanelField::Caption:
        case PanelField::Status:
            ShowTitle();
            break;
        // Every field is named, so that a new one the window does not handle is a compiler
        // warning here. Modes, equations, manual outputs and the math switch are not drawn.
        case PanelField::Mode:
        case PanelField::Equation:
        case PanelField::ManualOutput:
        case PanelField::MathMode:
            break;
    }
}

void MainWindow::ShowSlot(PanelField field, int slot) {
    if (slot < 0 || slot >= kSlotCount) {
        return;
    }
    const auto index = static_cast<std::size_t>(slot);
    const SlotState& state = panel_.Slot(slot);
    switch (field) {
        case PanelField::LampColour:
            lamps_[index]->SetColour(ToQColor(state.lamp, palette()));
            break;
        case PanelField::LampVisible:
            lamps_[index]->setVisible(state.lamp_visible);
            break;
        case PanelField::Latched:
            lamps_[index]->SetLatched(state.latched);
            break;
        case PanelField::SwitchPosition: {
            const QSignalBlocker blocker(switches_[index]);
            switches_[index]->setValue(state.switch_position);
            break;
        }
        // The switch stands for the slot's mode selector, the edit button for its equation
        // box: the rows start-up hides or disables for an instrument go with them.
        case PanelField::ModeEnabled:
            switches_[index]->setEnabled(state.mode_enabled);
            break;
        case PanelField::ModeVisible:
            switches_[index]->setVisible(state.mode_visible);
            break;
        case PanelField::EditEnabled:
        case PanelField::EquationEnabled:
            edit_buttons_[index]->setEnabled(state.edit_enabled && state.equation_enabled);
            break;
        case PanelField::EquationVisible:
            edit_buttons_[index]->setVisible(state.equation_visible);
            break;
        default:
            break;
    }
}

void MainWindow::ShowTimers() {
    if (closed_ || ending_) {
        return;
    }
    SyncTimer(*scan_timer_, panel_.ScanTimerEnabled());
    SyncTimer(*alarm_timer_, panel_.AlarmTimerEnabled());
    SyncTimer(*keep_alive_timer_, panel_.KeepAliveTimerEnabled());
}

QSize MainWindow::PanelClientSize() const {
    return {TwipsToPixels(panel_.WindowWidth() - kFrameWidth),
            TwipsToPixels(panel_.WindowHeight() - kFrameHeight)};
}

QPoint MainWindow::PanelPosition() const {
    return {TwipsToPixels(panel_.WindowLeft()), TwipsToPixels(panel_.WindowTop())};
}

void MainWindow::ShowGeometry() {
    const QSize size = PanelClientSize();
    if (size != this->size()) {
        resize(size);
    }
    // A window's position is that of its frame, as the Panel's is.
    const QPoint position = PanelPosition();
    if (position != pos()) {
        own_move_settles_.setRemainingTime(kOwnMoveSettling);
        move(position);
    }
}

void MainWindow::ShowTitle() {
    const QString caption = QString::fromStdString(panel_.Caption());
    const QString status = QString::fromStdString(panel_.Status());
    setWindowTitle(status.isEmpty() ? caption : caption + QStringLiteral(" - ") + status);
    start_stop_->setToolTip(status);
}

bool MainWindow::eventFilter(QObject* watched, QEvent* event) {
    // The window's QWindow gets each key press once, before it goes to the focused control.
    if (event->type() == QEvent::KeyPress && watched == windowHandle() && !closed_) {
        const QString text = static_cast<QKeyEvent*>(event)->text();
        for (const QChar character : text) {
            // One byte per character, as the host's code page gives it.
            if (character.unicode() < 0x100) {
                const char byte = static_cast<char>(character.unicode());
                Forward([this, byte] { application_.CharacterTyped(byte); });
                emit CharacterPreviewed(byte);
            }
        }
    }
    return QWidget::eventFilter(watched, event);
}

void MainWindow::closeEvent(QCloseEvent* event) {
    if (closed_) {
        event->accept();
        return;
    }
    if (application_depth_ > 0) {
        close_pending_ = true;
        event->ignore();
        return;
    }
    closed_ = true;
    if (!ending_) {
        Forward([this] { application_.Unload(); });
    }
    StopTimers();
    event->accept();
    emit Closed();
}

void MainWindow::moveEvent(QMoveEvent* event) {
    QWidget::moveEvent(event);
    // Moves just after our own are the window system's answers to it, perhaps a position it
    // kept on the screen: not the operator's choice, so the stored position stays as it was.
    if (!own_move_settles_.hasExpired()) {
        return;
    }
    // The operator moved the window: the Panel keeps the position the settings save.
    const QPoint position = event->pos();
    if (isVisible() && position != PanelPosition()) {
        panel_.SetWindowPosition(PixelsToTwips(position.x()), PixelsToTwips(position.y()));
    }
}

void MainWindow::resizeEvent(QResizeEvent* event) {
    QWidget::resizeEvent(event);
    const QSize size = event->size();
    if (size == PanelClientSize()) {
        return;
    }
    Forward([this, size] {
        application_.Resize(PixelsToTwips(size.width()) + kFrameWidth,
                            PixelsToTwips(size.height()) + kFrameHeight);
    });
    // The Panel may have bounded the size, or kept it unchanged without telling.
    ShowGeometry();
}

void MainWindow::paintEvent(QPaintEvent* /*event*/) {
    QPainter painter(this);
    for (const layout::GuideLine& line : layout::kGuideLines) {
        DrawGuideLine(painter, line);
    }
}

}  // namespace quillon
