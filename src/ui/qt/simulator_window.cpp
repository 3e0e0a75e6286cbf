// SPDX-License-Identifier: MIT
#include "ui/qt/simulator_window.hpp"

#include <QGridLayout>
#include <QLabel>
#include <QListWidget>
#include <QThread>
#include <QVBoxLayout>

#include "host/output_write_text.hpp"
#include "ui/qt/lamp_widget.hpp"

namespace quillon {

namespace {

const QColor kLit(0xFF, 0x20, 0x20);
const QColor kDark(0x50, 0x18, 0x18);

QString WriteText(double seconds, std::int16_t word) {
    return QString::fromStdString(OutputWriteText(seconds, word));
}

}  // namespace

SimulatorWindow::SimulatorWindow(QWidget* parent) : QWidget(parent, Qt::Window) {
    setObjectName(QStringLiteral("SimulatorWindow"));
    setWindowTitle(QStringLiteral("Quillon demo instrument"));

    auto* outputs = new QGridLayout;
    outputs->setHorizontalSpacing(12);
    outputs->addWidget(new QLabel(QStringLiteral("DOUT"), this), 0, 0);
    for (int output = 0; output < kOutputs; ++output) {
        auto* led = new LampWidget(this);
        led->setObjectName(QStringLiteral("Led%1").arg(output));
        led->setFixedSize(14, 14);
        led->SetColour(kDark);
        led->setToolTip(QStringLiteral("DOUT %1").arg(output));
        leds_[static_cast<std::size_t>(output)] = led;
        outputs->addWidget(led, 0, output + 1, Qt::AlignHCenter);
        outputs->addWidget(new QLabel(QString::number(output), this), 1, output + 1,
                           Qt::AlignHCenter);
    }
    outputs->setColumnStretch(kOutputs + 1, 1);

    last_write_ = new QLabel(QStringLiteral("No output written yet"), this);
    last_write_->setObjectName(QStringLiteral("LastWrite"));
    last_write_->setTextInteractionFlags(Qt::TextSelectableByMouse);

    history_ = new QListWidget(this);
    history_->setObjectName(QStringLiteral("ScrollBack"));
    history_->setUniformItemSizes(true);
    history_->setFocusPolicy(Qt::NoFocus);

    auto* layout = new QVBoxLayout(this);
    layout->addLayout(outputs);
    layout->addWidget(last_write_);
    layout->addWidget(new QLabel(QStringLiteral("Recent writes (newest first):"), this));
    layout->addWidget(history_, 1);
    resize(320, 300);
}

void SimulatorWindow::ShowOutputWrite(double seconds, std::int16_t word) {
    if (QThread::currentThread() != thread()) {
        QMetaObject::invokeMethod(
            this, [this, seconds, word] { Show(seconds, word); }, Qt::QueuedConnection);
        return;
    }
    Show(seconds, word);
}

void SimulatorWindow::Show(double seconds, std::int16_t word) {
    const auto pattern = static_cast<std::uint16_t>(word);
    for (int output = 0; output < kOutputs; ++output) {
        const bool lit = ((pattern >> output) & 1u) != 0;
        leds_[static_cast<std::size_t>(output)]->SetColour(lit ? kLit : kDark);
    }
    const QString text = WriteText(seconds, word);
    last_write_->setText(QStringLiteral("Last write: ") + text);
    history_->insertItem(0, text);
    while (history_->count() > kScrollBack) {
        delete history_->takeItem(history_->count() - 1);
    }
}

bool SimulatorWindow::OutputLit(int output) const {
    return leds_.at(static_cast<std::size_t>(output))->Colour() == kLit;
}

QString SimulatorWindow::LastWriteText() const {
    return last_write_->text();
}

QStringList SimulatorWindow::ScrollBack() const {
    QStringList lines;
    for (int row = 0; row < history_->count(); ++row) {
        lines.append(history_->item(row)->text());
    }
    return lines;
}

}  // namespace quillon
