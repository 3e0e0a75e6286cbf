// SPDX-License-Identifier: MIT
#pragma once

#include <QPointer>
#include <QWidget>

#include "platform/prompter.hpp"

namespace quillon {

// The operator's modal boxes as Qt dialogs, centred on the main window once it exists.
class QtPrompter final : public Prompter {
public:
    QtPrompter() = default;

    void SetParentWidget(QWidget* parent) { parent_ = parent; }

    void MessageBox(MessageIcon icon, const std::string& text, const std::string& title) override;
    std::optional<std::string> InputBox(const std::string& prompt, const std::string& title,
                                        const std::string& fallback) override;

private:
    QPointer<QWidget> parent_;
};

}  // namespace quillon
