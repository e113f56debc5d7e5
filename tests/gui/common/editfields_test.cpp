// SPDX-License-Identifier: GPL-3.0-or-later
// The edit fields: number clamping and repair, single-byte text, the fields' own editing keys,
// and the Continue/Cancel question.
#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QLabel>
#include <QMainWindow>
#include <QPushButton>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include "gui/common/accedit.h"
#include "gui/common/confirmdlg.h"
#include "model/strings.h"
#include "support/qt_print.h"
#include "support/widgets.h"

namespace kel {
namespace {

// A number field in a shown, active window, as in a dialog page.
class NumEditTest : public ::testing::Test {
protected:
    void SetUp() override {
        window_.setCentralWidget(edit_);
        ASSERT_TRUE(ShowActive(&window_));
        edit_->setFocus();
    }

    void Type(const QString& keys) { QTest::keyClicks(edit_, keys); }
    // Waits until the paused number has been judged: `judged` holds (or a minute has passed).
    template <typename Judged> static bool WaitForValidation(Judged judged) {
        return QTest::qWaitFor(judged, 60000);
    }

    QMainWindow window_;
    CNumEdit* edit_ = new CNumEdit;
};

TEST_F(NumEditTest, TypingPastTheMaximumClampsAndSelects) {
    edit_->SetRange(0, 127);
    Type(QStringLiteral("2"));
    EXPECT_EQ(edit_->text(), "2");
    Type(QStringLiteral("0"));
    EXPECT_EQ(edit_->text(), "20");
    EXPECT_EQ(edit_->GetNumber(), 20);
    Type(QStringLiteral("0"));
    EXPECT_EQ(edit_->text(), "127");
    EXPECT_EQ(edit_->selectedText(), "127");
    EXPECT_EQ(edit_->GetNumber(), 127);
}

TEST_F(NumEditTest, RangeWithoutZeroJudgesAPartialNumberAfterAPause) {
    edit_->SetRange(1, 128);
    Type(QStringLiteral("5"));
    EXPECT_EQ(edit_->text(), "5");
    EXPECT_NE(edit_->GetNumber(), 5); // not judged yet
    EXPECT_TRUE(WaitForValidation([this] { return edit_->GetNumber() == 5; }));

    edit_->clear();
    Type(QStringLiteral("0"));
    EXPECT_EQ(edit_->text(), "0");
    EXPECT_TRUE(WaitForValidation([this] { return edit_->text() == "1"; }));
    EXPECT_EQ(edit_->selectedText(), "1");
    EXPECT_EQ(edit_->GetNumber(), 1);

    edit_->clear();
    Type(QStringLiteral("128")); // the text limit is reached: judged at once
    EXPECT_EQ(edit_->GetNumber(), 128);
    EXPECT_EQ(edit_->text(), "128");
}

TEST_F(NumEditTest, LettersAndMinusAreNotTyped) {
    edit_->SetRange(0, 127);
    edit_->SetNumber(42);
    edit_->end(false);
    Type(QStringLiteral("a-x ."));
    QKeyEvent altDigit(QEvent::KeyPress, Qt::Key_1, Qt::AltModifier, QStringLiteral("1"));
    QApplication::sendEvent(edit_, &altDigit);
    EXPECT_EQ(edit_->text(), "42");
    EXPECT_EQ(edit_->GetNumber(), 42);
}

TEST_F(NumEditTest, PastedCommasAreRemovedAndTheRestValidated) {
    edit_->SetRange(0, 127);
    edit_->clear();
    QApplication::clipboard()->setText(QStringLiteral("1,2"));
    edit_->paste(); // as from the context menu: no key held
    EXPECT_EQ(edit_->text(), "12");
    EXPECT_EQ(edit_->GetNumber(), 12);
}

TEST_F(NumEditTest, PastedTextIsCutToTheTextLimitFirst) {
    edit_->SetRange(0, 127);
    edit_->clear();
    QApplication::clipboard()->setText(QStringLiteral("99999"));
    edit_->paste();
    EXPECT_EQ(edit_->text(), "127");
    EXPECT_EQ(edit_->GetNumber(), 127);
}

TEST_F(NumEditTest, PastedNonDigitsRestoreTheLastGoodText) {
    edit_->SetRange(0, 127);
    edit_->SetNumber(64);
    edit_->selectAll();
    QApplication::clipboard()->setText(QStringLiteral("12a"));
    edit_->paste();
    EXPECT_EQ(edit_->text(), "64");
    EXPECT_EQ(edit_->selectedText(), "64");
    EXPECT_EQ(edit_->GetNumber(), 64);

    // The same through Ctrl+V (a key held) also keeps the number.
    edit_->selectAll();
    QTest::keyClick(edit_, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit_->text(), "64");
    EXPECT_EQ(edit_->GetNumber(), 64);
}

TEST_F(NumEditTest, EmptyTextKeepsTheValue) {
    edit_->SetRange(0, 127);
    edit_->SetNumber(9);
    edit_->selectAll();
    QTest::keyClick(edit_, Qt::Key_Backspace);
    EXPECT_EQ(edit_->text(), "");
    EXPECT_EQ(edit_->LastGoodText(), "");
    EXPECT_EQ(edit_->GetNumber(), 9);
}

TEST(NumEdit, RangeOrderValueClampAndTextLimit) {
    CNumEdit edit;
    edit.SetRange(127, 0);
    EXPECT_EQ(edit.RangeMin(), 0);
    EXPECT_EQ(edit.RangeMax(), 127);
    EXPECT_EQ(edit.maxLength(), 3);
    EXPECT_EQ(edit.SetNumber(300), 127);
    EXPECT_EQ(edit.text(), "127");
    EXPECT_EQ(edit.LastGoodText(), "127");

    edit.SetRange(0, 15);
    EXPECT_EQ(edit.maxLength(), 2);
    EXPECT_EQ(edit.GetNumber(), 15); // clamped into the new range
    EXPECT_EQ(edit.text(), "15");    // a text beyond the new limit shows the clamped value
    edit.SetRange(1, 128);
    EXPECT_EQ(edit.maxLength(), 3);
    edit.SetRange(0, 255);
    EXPECT_EQ(edit.maxLength(), 3);
    EXPECT_EQ(edit.SetNumber(-5), 0);
}

class CharEditTest : public ::testing::Test {
protected:
    void SetUp() override {
        window_.setCentralWidget(edit_);
        // A window shortcut on the same keys, like the main window's Copy, Paste, NO ASSIGN.
        for (const QKeySequence& key :
             {QKeySequence(Qt::Key_Delete), QKeySequence(Qt::CTRL | Qt::Key_C),
              QKeySequence(Qt::CTRL | Qt::Key_V), QKeySequence(Qt::CTRL | Qt::Key_A)}) {
            auto* action = new QAction(&window_);
            action->setShortcut(key);
            QObject::connect(action, &QAction::triggered, [this] { ++windowShortcuts_; });
            window_.addAction(action);
        }
        ASSERT_TRUE(ShowActive(&window_));
        edit_->setFocus();
    }

    QMainWindow window_;
    CCharEdit* edit_ = new CCharEdit;
    int windowShortcuts_ = 0;
};

TEST_F(CharEditTest, SingleByteTextIsEnteredAsTyped) {
    QTest::keyClicks(edit_, QStringLiteral("f0 41"));
    EXPECT_EQ(edit_->text(), "f0 41");
}

TEST_F(CharEditTest, CharactersOutsideSingleByteAreDroppedAndTheNextOneIsTaken) {
    QTest::keyClicks(edit_, QStringLiteral("A"));
    QKeyEvent wide(QEvent::KeyPress, 0, Qt::NoModifier, QString::fromUtf8("\xe3\x81\x82"));
    QApplication::sendEvent(edit_, &wide);
    QKeyEvent latin(QEvent::KeyPress, Qt::Key_Eacute, Qt::NoModifier,
                    QString::fromUtf8("\xc3\xa9"));
    QApplication::sendEvent(edit_, &latin);
    QTest::keyClicks(edit_, QStringLiteral("B"));
    EXPECT_EQ(edit_->text(), "AB");
}

TEST_F(CharEditTest, AltWithALetterIsAMenuKeyAndTypesNothing) {
    // X11 delivers Alt+V with the text "v"; it is a menu mnemonic (or nothing), never text
    // for the field. AltGr characters come without the Alt modifier and are typed.
    QTest::keyClicks(edit_, QStringLiteral("F0"));
    QKeyEvent altV(QEvent::KeyPress, Qt::Key_V, Qt::AltModifier, QStringLiteral("v"));
    QApplication::sendEvent(edit_, &altV);
    QKeyEvent altShift1(QEvent::KeyPress, Qt::Key_Exclam, Qt::AltModifier | Qt::ShiftModifier,
                        QStringLiteral("!"));
    QApplication::sendEvent(edit_, &altShift1);
    QKeyEvent altGr(QEvent::KeyPress, Qt::Key_At, Qt::GroupSwitchModifier, QStringLiteral("@"));
    QApplication::sendEvent(edit_, &altGr);
    EXPECT_EQ(edit_->text(), "F0@");
}

TEST_F(CharEditTest, DeleteWithoutSelectionRemovesTheCharacterAfterTheCaret) {
    edit_->setText(QStringLiteral("F0 41"));
    edit_->setCursorPosition(2);
    QTest::keyClick(edit_, Qt::Key_Delete);
    EXPECT_EQ(edit_->text(), "F041");
    EXPECT_EQ(windowShortcuts_, 0);
}

TEST_F(CharEditTest, EditingKeysStayInTheFieldInsteadOfTheWindowShortcuts) {
    edit_->setText(QStringLiteral("F0 41 F7"));
    QTest::keyClick(edit_, Qt::Key_A, Qt::ControlModifier);
    EXPECT_EQ(edit_->selectedText(), "F0 41 F7");
    QTest::keyClick(edit_, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(QApplication::clipboard()->text(), "F0 41 F7");
    edit_->end(false);
    QTest::keyClick(edit_, Qt::Key_V, Qt::ControlModifier);
    EXPECT_EQ(edit_->text(), "F0 41 F7F0 41 F7");
    QTest::keyClick(edit_, Qt::Key_Z, Qt::ControlModifier);
    EXPECT_EQ(edit_->text(), "F0 41 F7");
    EXPECT_EQ(windowShortcuts_, 0);

    // Other keys still reach the window.
    edit_->clearFocus();
    window_.setFocus();
    QTest::keyClick(&window_, Qt::Key_Delete);
    EXPECT_EQ(windowShortcuts_, 1);
}

TEST(ConfirmDlg, ShowsTheStringAndAnswersContinueOrCancel) {
    CConfirmDlg dialog(StringId::ConfirmTransmit);
    EXPECT_EQ(dialog.windowTitle(), "Confirm");
    EXPECT_EQ(dialog.TextLabel()->text(), "Overwrite KEL's current memory.\nOK?");
    EXPECT_EQ(dialog.ContinueButton()->text(), "Continue");
    EXPECT_EQ(dialog.CancelButton()->text(), "Cancel");
    EXPECT_TRUE(dialog.ContinueButton()->isDefault());

    dialog.show();
    QTest::mouseClick(dialog.ContinueButton(), Qt::LeftButton);
    EXPECT_EQ(dialog.result(), QDialog::Accepted);

    CConfirmDlg other(StringId::ConfirmReceive);
    other.show();
    QTest::mouseClick(other.CancelButton(), Qt::LeftButton);
    EXPECT_EQ(other.result(), QDialog::Rejected);

    CConfirmDlg unknown(static_cast<StringId>(1));
    EXPECT_EQ(unknown.TextLabel()->text(), "");
}

} // namespace
} // namespace kel
