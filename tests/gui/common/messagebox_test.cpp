// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's message boxes: centred on the main window whoever asks for them, and wide enough
// for their title.
#include <QApplication>
#include <QFontMetrics>
#include <QMainWindow>
#include <QMessageBox>
#include <QTimer>

#include <gtest/gtest.h>

#include <functional>

#include "gui/common/uiservices.h"
#include "gui/common/uitext.h"
#include "support/widgets.h"

namespace kel {
namespace {

class MessageBoxTest : public ::testing::Test {
protected:
    void SetUp() override {
        main_.setGeometry(140, 120, 500, 360); // inside the 800x600 offscreen screen
        ASSERT_TRUE(ShowActive(&main_));
        ui_.SetMainWindow(&main_);
    }

    // Runs `show` and returns the geometry of the box it opened, closing the box.
    QRect BoxOf(const std::function<void()>& show) {
        QRect seen;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
            if (box == nullptr) {
                return;
            }
            seen = box->frameGeometry();
            title_ = box->windowTitle();
            box->done(QMessageBox::Cancel);
        });
        show();
        return seen;
    }

    QMainWindow main_;
    CQtUiServices ui_;
    QString title_;
};

TEST_F(MessageBoxTest, BoxesAreCentredOnTheMainWindowAndFitTheirTitle) {
    QWidget elsewhere; // a window of the editor's away from the main window
    elsewhere.setGeometry(0, 0, 200, 100);
    elsewhere.show();

    const QRect boxes[] = {
        BoxOf([&] { ui_.Warn(nullptr, QStringLiteral("Short.")); }),
        BoxOf([&] { ui_.Warn(&elsewhere, QStringLiteral("Short.")); }),
        BoxOf([&] { ui_.AskYesNoCancel(&main_, QStringLiteral("Save?")); }),
        BoxOf([&] { ui_.AskYesNo(nullptr, QStringLiteral("Verify?")); }),
    };
    QFont bold = QApplication::font();
    bold.setBold(true);
    const int titleWidth = QFontMetrics(bold).horizontalAdvance(AppTitle());
    for (const QRect& box : boxes) {
        const std::string where = QStringLiteral("%1,%2 %3x%4")
                                      .arg(box.x())
                                      .arg(box.y())
                                      .arg(box.width())
                                      .arg(box.height())
                                      .toStdString();
        ASSERT_TRUE(box.isValid()) << where;
        EXPECT_LE((box.center() - main_.frameGeometry().center()).manhattanLength(), 2) << where;
        EXPECT_GE(box.width(), titleWidth + 100) << where;
    }
    EXPECT_EQ(title_, AppTitle());
}

} // namespace
} // namespace kel
