// SPDX-License-Identifier: MIT
#include "ui/qt/qt_prompter.hpp"

#include <QCoreApplication>
#include <QInputDialog>
#include <QMessageBox>

namespace quillon {

namespace {

QString TitleOrDefault(const std::string& title) {
    return title.empty() ? QCoreApplication::applicationName() : QString::fromStdString(title);
}

}  // namespace

void QtPrompter::MessageBox(MessageIcon icon, const std::string& text, const std::string& title) {
    QMessageBox box(
        icon == MessageIcon::Critical ? QMessageBox::Critical : QMessageBox::Information,
        TitleOrDefault(title), QString::fromStdString(text), QMessageBox::Ok, parent_.data());
    box.exec();
}

std::optional<std::string> QtPrompter::InputBox(const std::string& prompt, const std::string& title,
                                                const std::string& fallback) {
    QInputDialog dialog(parent_.data());
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setWindowTitle(TitleOrDefault(title));
    dialog.setLabelText(QString::fromStdString(prompt));
    dialog.setTextValue(QString::fromStdString(fallback));
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.textValue().toStdString();
}

}  // namespace quillon
