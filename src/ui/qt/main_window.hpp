// SPDX-License-Identifier: MIT
#pragma once

#include <array>
#include <string>

#include <QDeadlineTimer>
#include <QTimer>
#include <QWidget>

#include "panel/panel.hpp"
#include "panel/panel_observer.hpp"
#include "panel/window_layout.hpp"

class QCheckBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QScrollBar;

namespace quillon {

class Application;
class LampWidget;
class SwitchStyle;

// The Quillon window: draws the Application's Panel in a fixed twips layout and forwards every
// user action and timer tick to the Application.
class MainWindow final : public QWidget, public PanelObserver {
    Q_OBJECT

public:
    explicit MainWindow(Application& application, QWidget* parent = nullptr);
    ~MainWindow() override;
    MainWindow(const MainWindow&) = delete;
    MainWindow& operator=(const MainWindow&) = delete;

    // Start-up with the command line after the program name.
    void Load(const std::string& argument_text);
    // The host's exit event: the window then closes without saving.
    void HostExited();

    void PanelChanged(PanelField field, int slot) override;

signals:
    // The window has closed, by the operator or because the host exited.
    void Closed();
    // Start-up failed and was reported; the window closes without saving.
    void StartupFailed();
    // A typed character has gone to the Application, before the focused control sees the key.
    void CharacterPreviewed(char character);
    // The operator asked for the channels view (Ctrl+L, or the window's context menu).
    void ChannelsViewRequested();

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;
    void moveEvent(QMoveEvent* event) override;
    void paintEvent(QPaintEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void CreateControls();
    void SetTabOrder();
    QWidget* FocusWidget(const layout::TabStop& stop) const;
    void ConnectControls();
    void SetUpTimers();
    void AddViewAction();
    void StopTimers();
    void ShowAll();

    template <typename Call>
    void Forward(Call&& call);
    void AfterApplicationCalls();

    void ShowSlot(PanelField field, int slot);
    void ShowTimers();
    void ShowGeometry();
    void ShowTitle();
    QSize PanelClientSize() const;
    QPoint PanelPosition() const;

    Application& application_;
    Panel& panel_;

    SwitchStyle* switch_style_;  // a child of the window
    std::array<LampWidget*, kSlotCount> lamps_{};
    std::array<QScrollBar*, kSlotCount> switches_{};
    std::array<QPushButton*, kSlotCount> edit_buttons_{};
    QPushButton* start_stop_ = nullptr;
    QLineEdit* data_window_ = nullptr;
    QPushButton* quick_reference_ = nullptr;
    QCheckBox* global_keys_ = nullptr;
    QPushButton* alarm_settings_ = nullptr;
    QPushButton* email_settings_ = nullptr;

    QTimer* scan_timer_ = nullptr;
    QTimer* alarm_timer_ = nullptr;
    QTimer* keep_alive_timer_ = nullptr;

    int application_depth_ = 0;   // application calls on the stack (modal boxes nest them)
    bool close_pending_ = false;  // a close that came while an application call was on the stack
    bool ending_ = false;         // the host exited: close without Unload
    bool closed_ = false;
    bool scan_busy_ = false;
    bool alarm_busy_ = false;
    bool keep_alive_busy_ = false;
    // Until then, moves answer our own move() rather than the operator's hand.
    QDeadlineTimer own_move_settles_{0};
};

}  // namespace quillon
