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

// The texts break lines with CR LF or a bare CR, as the platform's boxes do; Qt breaks only on
// LF, so each of them becomes one.
QString WithLineBreaks(const std::string& text) {
    QString lines = QString::fromStdString(text);
    lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
    lines.replace(QLatin1Char('\r'), QLatin1Char('\n'));
    return lines;
}

}  // namespace

void QtPrompter::MessageBox(MessageIcon icon, const std::string& text, const std::string& title) {
    QMessageBox box(
        icon == MessageIcon::Critical ? QMessageBox::Critical : QMessageBox::Information,
        TitleOrDefault(title), WithLineBreaks(text), QMessageBox::Ok, parent_.data());
    box.exec();
}

std::optional<std::string> QtPrompter::InputBox(const std::string& prompt, const std::string& title,
                                                const std::string& fallback) {
    QInputDialog dialog(parent_.data());
    dialog.setInputMode(QInputDialog::TextInput);
    dialog.setWindowTitle(TitleOrDefault(title));
    dialog.setLabelText(WithLineBreaks(prompt));
    dialog.setTextValue(QString::fromStdString(fallback));
    if (dialog.exec() != QDialog::Accepted) {
        return std::nullopt;
    }
    return dialog.textValue().toStdString();
}

}  // namespace quillon
