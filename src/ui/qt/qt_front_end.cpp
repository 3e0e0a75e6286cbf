// SPDX-License-Identifier: MIT
#include "ui/qt/qt_front_end.hpp"

#include <QApplication>
#include <QTimer>

#include "host/host_control.hpp"

namespace quillon {

QtFrontEnd::QtFrontEnd(const FrontEndPorts& ports)
    : host_(ports.host),
      application_(Ports{ports.host, ports.profiles, prompter_, ports.locale, ports.clock,
                         ports.sound, ports.launcher, ports.keys}),
      window_(application_) {
    QCoreApplication::setApplicationName(QStringLiteral("Quillon"));
    prompter_.SetParentWidget(&window_);
    // The host may report its exit from inside one of its own calls, or from another thread:
    // the window hears of it from the event loop, once that call has returned.
    MainWindow* window = &window_;
    host_.OnExit([window] {
        QMetaObject::invokeMethod(
            window, [window] { window->HostExited(); }, Qt::QueuedConnection);
    });
    // Other windows (the demo instrument's) may still be open: the program ends with this one.
    QObject::connect(&window_, &MainWindow::Closed, qApp, &QCoreApplication::quit,
                     Qt::QueuedConnection);
    QObject::connect(&window_, &MainWindow::StartupFailed, [this] { startup_failed_ = true; });
}

QtFrontEnd::~QtFrontEnd() {
    host_.OnExit({});
}

int QtFrontEnd::Run(const std::string& argument_text, const std::function<void()>& started) {
    window_.show();
    QTimer::singleShot(0, &window_, [this, argument_text, started] {
        window_.Load(argument_text);
        if (started) {
            started();
        }
    });
    const int status = QApplication::exec();
    return startup_failed_ ? 1 : ExitStatus(status);
}

// A save that failed at the end is the last thing the operator must hear of.
int QtFrontEnd::ExitStatus(int event_loop_status) {
    if (!application_.SaveFailure()) {
        return event_loop_status;
    }
    prompter_.MessageBox(MessageIcon::Critical, *application_.SaveFailure(), "");
    return 1;
}

}  // namespace quillon
