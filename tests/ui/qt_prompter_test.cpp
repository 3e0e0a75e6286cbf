// SPDX-License-Identifier: MIT
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include <QApplication>
#include <QInputDialog>
#include <QMessageBox>
#include <QTimer>

#include "ui/qt/qt_prompter.hpp"

namespace quillon {
namespace {

// Runs `answer` on the modal box once its own event loop has started.
template <typename Box, typename Answer>
void AnswerNextBox(Answer answer) {
    QTimer::singleShot(0, [answer] {
        auto* box = qobject_cast<Box*>(QApplication::activeModalWidget());
        ASSERT_NE(box, nullptr);
        answer(*box);
    });
}

TEST(QtPrompterTest, MessageBoxTitleAndIcon) {
    struct Row {
        MessageIcon icon;
        std::string title;
        QString shown_title;
        QMessageBox::Icon shown_icon;
    };
    const std::vector<Row> table = {
        {MessageIcon::Critical, "", "Quillon", QMessageBox::Critical},
        {MessageIcon::Information, "Email", "Email", QMessageBox::Information}};
    QtPrompter prompter;
    for (const Row& row : table) {
        SCOPED_TRACE(row.title);
        QString title;
        QMessageBox::Icon icon = QMessageBox::NoIcon;
        QString text;
        AnswerNextBox<QMessageBox>([&](QMessageBox& box) {
            title = box.windowTitle();
            icon = box.icon();
            text = box.text();
            box.accept();
        });
        prompter.MessageBox(row.icon, "Host not found", row.title);
        EXPECT_EQ(title, row.shown_title);
        EXPECT_EQ(icon, row.shown_icon);
        EXPECT_EQ(text, QStringLiteral("Host not found"));
    }
}

TEST(QtPrompterTest, InputBoxAnswersOrCancels) {
    QtPrompter prompter;
    QString fallback;
    QString label;
    AnswerNextBox<QInputDialog>([&](QInputDialog& box) {
        fallback = box.textValue();
        label = box.labelText();
        box.setTextValue(QStringLiteral("30"));
        box.accept();
    });
    // Prompts break lines with bare carriage returns; Qt needs line feeds to show them.
    EXPECT_EQ(prompter.InputBox("Interval.\r\rIn minutes.\r\n", "", "20"),
              std::optional<std::string>("30"));
    EXPECT_EQ(fallback, QStringLiteral("20"));
    EXPECT_EQ(label, QStringLiteral("Interval.\n\nIn minutes.\n"));

    AnswerNextBox<QInputDialog>([](QInputDialog& box) { box.reject(); });
    EXPECT_EQ(prompter.InputBox("Interval", "", "20"), std::nullopt);
}

}  // namespace
}  // namespace quillon
