// SPDX-License-Identifier: GPL-3.0-or-later
// The assign dialog and its three pages, driven through their real controls: what each control
// offers for each kind of record and controller, what OK, Cancel and the pages write into the
// map, refusals of the message text, and the dialog's keys.
#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGuiApplication>
#include <QLabel>
#include <QPushButton>
#include <QScreen>
#include <QSignalSpy>
#include <QTest>

#include <gtest/gtest.h>

#include <utility>
#include <vector>

#include "gui/assign/chmsgpage.h"
#include "gui/assign/controllerpicker.h"
#include "gui/assign/freemsgpage.h"
#include "gui/assign/msgdlg.h"
#include "gui/assign/sysrealpage.h"
#include "gui/common/accedit.h"
#include "gui/common/editornotify.h"
#include "gui/common/ids.h"
#include "gui/common/maptextedit.h"
#include "gui/common/spinbutton.h"
#include "model/parameter.h"
#include "model/reporter.h"
#include "support/widgets.h"

namespace kel {
namespace {

constexpr ControllerId R1 = 0, S1 = 9, A1 = 18, C1 = 36, H1 = 39, AFT = 49;

class RecordingReporter : public Reporter {
public:
    std::vector<std::pair<StringId, int>> warnings;
    void warn(StringId id, int detail) override { warnings.emplace_back(id, detail); }
};

// Stands in for the main window: counts NotifyActivateMain.
class NotifyReceiver : public QObject {
public:
    int activations = 0;
    bool event(QEvent* e) override {
        if (e->type() == CEditorNotifyEvent::kType &&
            static_cast<CEditorNotifyEvent*>(e)->Code() == NotifyActivateMain) {
            ++activations;
            return true;
        }
        return QObject::event(e);
    }
};

class AssignDialogTest : public ::testing::Test {
protected:
    void SetUp() override {
        dlg_.SetNotifyTarget(&main_);
        // The main window shares its commands' actions with the dialog; these stand in for
        // them, next and previous control doing the main window's part.
        const struct {
            int command;
            QList<QKeySequence> keys;
        } shared[] = {
            {cmd::SaveAs, {QKeySequence("Ctrl+Shift+S")}},
            {cmd::Copy, {QKeySequence("Ctrl+C")}},
            {cmd::Paste, {QKeySequence("Ctrl+V"), QKeySequence("Shift+Ins")}},
            {cmd::NoAssign, {QKeySequence("Del")}},
            {cmd::NextController, {QKeySequence("Ctrl+F")}},
            {cmd::PreviousController, {QKeySequence("Ctrl+B")}},
        };
        for (const auto& row : shared) {
            auto* action = new QAction(&main_);
            action->setShortcuts(row.keys);
            QObject::connect(action, &QAction::triggered, [this, command = row.command] {
                forwarded_.push_back(command);
                if (command == cmd::NextController) {
                    dlg_.OpenAssignDialog(doc_.NextController());
                } else if (command == cmd::PreviousController) {
                    dlg_.OpenAssignDialog(doc_.PreviousController());
                }
            });
            dlg_.addAction(action);
        }
    }

    // Puts a record of `type` (and channel `kind`) into the map for `id`.
    void StoreRecord(ControllerId id, int type, int kind = -1) {
        AssignEntry e;
        e.SetMessageType(type);
        if (kind >= 0) {
            e.SetChannelKind(kind);
        }
        doc_.RecordOf(id) = e.record;
    }

    template <typename T> T* Get(int id, QObject* root = nullptr) {
        return Control<T>(root != nullptr ? root : &dlg_, id);
    }
    QComboBox* List(int id, QObject* root = nullptr) { return Get<QComboBox>(id, root); }
    bool Shown(int id, QObject* root = nullptr) { return Get<QWidget>(id, root)->isVisible(); }

    void PickType(int type) { Pick(List(CKelMsgDlg::IdTypeList), type); }
    void PickKind(int kind) { Pick(List(CKelChMsgPage::IdKindList, dlg_.ChannelPage()), kind); }

    QStringList Entries(int id) { return ItemTexts(List(id)); }

    CNumEdit* ChannelField(int index) { return dlg_.ChannelPage()->Field(index); }
    CCharEdit* MessageText() { return Get<CCharEdit>(CKelFreeMsgPage::IdMessageText); }
    void ClickOk() { QTest::mouseClick(Get<QPushButton>(CKelMsgDlg::IdOk), Qt::LeftButton); }
    void ClickCancel() {
        QTest::mouseClick(Get<QPushButton>(CKelMsgDlg::IdCancel), Qt::LeftButton);
    }

    CParameter doc_;
    RecordingReporter reporter_;
    NotifyReceiver main_;
    CKelMsgDlg dlg_{doc_, reporter_};
    std::vector<int> forwarded_;
};

TEST_F(AssignDialogTest, WindowIsBuiltOnFirstOpenAndAgainAfterDestroy) {
    EXPECT_EQ(dlg_.Window(), nullptr);
    EXPECT_EQ(dlg_.ApplyAssignDialog(), 0);
    ASSERT_TRUE(dlg_.OpenAssignDialog(A1));
    EXPECT_EQ(dlg_.Window(), &dlg_);
    EXPECT_TRUE(dlg_.isVisible());
    EXPECT_EQ(Get<QLabel>(CKelMsgDlg::IdControllerName)->text(), "A1");
    EXPECT_EQ(Entries(CKelMsgDlg::IdTypeList),
              QStringList({"NO ASSIGN", "Channel Message", "System Realtime/F6", "System Ex.",
                           "Free Message", "Tempo"}));
    EXPECT_EQ(Entries(CKelMsgDlg::IdPortList), QStringList({"Port 1", "Port 2", "Port 1 + 2"}));

    dlg_.DestroyWindow();
    EXPECT_EQ(dlg_.Window(), nullptr);
    EXPECT_EQ(dlg_.ChannelPage(), nullptr);
    ASSERT_TRUE(dlg_.OpenAssignDialog(AFT));
    EXPECT_EQ(Get<QLabel>(CKelMsgDlg::IdControllerName)->text(), "AFT");
}

// Which settings a controller offers: button mode, AFT mode (for a Note), Virtual Center Click
// (for a Control Change).
struct Capability {
    ControllerId id;
    bool buttonMode;
    bool aftModeForNote;
    bool centerClickForCc;
};

class CapabilityTest : public AssignDialogTest, public ::testing::WithParamInterface<Capability> {};

TEST_P(CapabilityTest, ControlsFollowTheController) {
    const Capability c = GetParam();
    StoreRecord(c.id, MsgChannel, KindNote);
    ASSERT_TRUE(dlg_.OpenAssignDialog(c.id));
    EXPECT_EQ(Shown(CKelMsgDlg::IdButtonModeList), c.buttonMode);
    EXPECT_EQ(Shown(CKelMsgDlg::IdButtonModeLabel), c.buttonMode);
    EXPECT_EQ(Shown(CKelMsgDlg::IdAftModeList), c.aftModeForNote);
    EXPECT_EQ(Shown(CKelMsgDlg::IdAftModeLabel), c.aftModeForNote);
    EXPECT_FALSE(Shown(CKelMsgDlg::IdCenterClick));

    PickKind(KindControlChange);
    EXPECT_FALSE(Shown(CKelMsgDlg::IdAftModeList));
    EXPECT_EQ(Shown(CKelMsgDlg::IdCenterClick), c.centerClickForCc);
    EXPECT_EQ(Shown(CKelMsgDlg::IdButtonModeList), c.buttonMode);
}

INSTANTIATE_TEST_SUITE_P(Controllers, CapabilityTest,
                         ::testing::Values(Capability{A1, true, true, false},
                                           Capability{R1, false, false, true},
                                           Capability{C1, true, false, false},
                                           Capability{H1, false, false, false}));

TEST_F(AssignDialogTest, OpensBesideTheMainWindowLeavingThePanelInView) {
    const QRect area = QGuiApplication::primaryScreen()->availableGeometry();
    QWidget home;
    // Room on the right of the main window; then a main window as wide as the screen, which
    // leaves room only below it.
    // Each time a dialog that has never been placed by its user.
    for (const QRect& mainWindow : {QRect(area.topLeft() + QPoint(10, 10), QSize(200, 150)),
                                    QRect(area.topLeft(), QSize(area.width(), 100))}) {
        CKelMsgDlg dlg(doc_, reporter_);
        dlg.SetHomeWindow(&home);
        home.setGeometry(mainWindow);
        home.show();
        ASSERT_TRUE(dlg.OpenAssignDialog(R1));
        EXPECT_FALSE(dlg.frameGeometry().intersects(home.frameGeometry()))
            << "dialog " << dlg.frameGeometry().x() << "," << dlg.frameGeometry().y();
        EXPECT_TRUE(area.contains(dlg.frameGeometry()));
    }
}

TEST_F(AssignDialogTest, IncreaseIsOfferedForEverythingButNote) {
    StoreRecord(A1, MsgChannel, KindControlChange);
    ASSERT_TRUE(dlg_.OpenAssignDialog(A1));
    EXPECT_EQ(Entries(CKelMsgDlg::IdButtonModeList), QStringList({"Unlatch", "Latch", "Increase"}));
    List(CKelMsgDlg::IdButtonModeList)->setCurrentIndex(2);

    // Note drops "Increase"; the selected "Increase" falls back to "Unlatch".
    PickKind(KindNote);
    EXPECT_EQ(Entries(CKelMsgDlg::IdButtonModeList), QStringList({"Unlatch", "Latch"}));
    EXPECT_EQ(List(CKelMsgDlg::IdButtonModeList)->currentIndex(), 0);
    EXPECT_TRUE(Shown(CKelMsgDlg::IdAftModeList));
    EXPECT_EQ(Entries(CKelMsgDlg::IdAftModeList),
              QStringList({"OFF", "Channel Pressure", "Polyphonic Key Pressure"}));

    // Another type brings it back as the third entry and hides the AFT mode.
    PickType(MsgSystemExclusive);
    EXPECT_EQ(Entries(CKelMsgDlg::IdButtonModeList), QStringList({"Unlatch", "Latch", "Increase"}));
    EXPECT_FALSE(Shown(CKelMsgDlg::IdAftModeList));

    // The entry picked is written on OK, after the type change cleared the record's mode.
    List(CKelMsgDlg::IdButtonModeList)->setCurrentIndex(2);
    ClickOk();
    EXPECT_EQ(doc_.RecordOf(A1)[rec::AssignCode], CodeSystemExclusive);
    EXPECT_EQ(doc_.RecordOf(A1)[rec::ModeBits], 2);
}

TEST_F(AssignDialogTest, NoteStoredWithIncreaseShowsUnlatchAndAftModeIsWritten) {
    StoreRecord(A1, MsgChannel, KindNote);
    doc_.RecordOf(A1)[rec::ModeBits] = 2;
    ASSERT_TRUE(dlg_.OpenAssignDialog(A1));
    EXPECT_EQ(List(CKelMsgDlg::IdButtonModeList)->currentIndex(), 0);
    List(CKelMsgDlg::IdAftModeList)->setCurrentIndex(2);
    ClickOk();
    EXPECT_EQ(doc_.RecordOf(A1)[rec::ModeBits], 0);
    EXPECT_EQ(doc_.RecordOf(A1)[7], 2); // aftMode
}

TEST_F(AssignDialogTest, CenterClickIsSetShownAndClearedWithTheType) {
    StoreRecord(R1, MsgChannel, KindControlChange);
    ASSERT_TRUE(dlg_.OpenAssignDialog(R1));
    auto* box = Get<QCheckBox>(CKelMsgDlg::IdCenterClick);
    ASSERT_TRUE(box->isVisible());
    EXPECT_FALSE(box->isChecked());
    box->setChecked(true);
    ClickOk();
    EXPECT_EQ(doc_.RecordOf(R1)[rec::ModeBits], 4);

    ASSERT_TRUE(dlg_.OpenAssignDialog(R1));
    EXPECT_TRUE(box->isChecked());
    PickType(MsgFreeMessage);
    EXPECT_FALSE(box->isVisible());
    MessageText()->setText("B0 07 DT");
    ClickOk();
    EXPECT_FALSE(dlg_.isVisible());
    EXPECT_EQ(doc_.RecordOf(R1)[rec::AssignCode], CodeFreeMessage);
    EXPECT_EQ(doc_.RecordOf(R1)[rec::ModeBits], 0);

    // A controller without the setting never shows it, even for a Control Change.
    StoreRecord(A1, MsgChannel, KindControlChange);
    doc_.RecordOf(A1)[rec::ModeBits] = 4;
    ASSERT_TRUE(dlg_.OpenAssignDialog(A1));
    EXPECT_FALSE(box->isVisible());
    EXPECT_FALSE(box->isChecked());
}

TEST_F(AssignDialogTest, TempoHidesEveryPageAndLeavesOnlyTheButtonMode) {
    StoreRecord(A1, MsgChannel, KindNote);
    ASSERT_TRUE(dlg_.OpenAssignDialog(A1));
    EXPECT_TRUE(dlg_.ChannelPage()->isVisible());
    PickType(MsgTempo);
    EXPECT_FALSE(dlg_.ChannelPage()->isVisible());
    EXPECT_FALSE(dlg_.FreePage()->isVisible());
    EXPECT_FALSE(dlg_.RealtimePage()->isVisible());
    EXPECT_FALSE(List(CKelMsgDlg::IdPortList)->isEnabled());
    EXPECT_TRUE(List(CKelMsgDlg::IdButtonModeList)->isEnabled());
    List(CKelMsgDlg::IdButtonModeList)->setCurrentIndex(1);
    ClickOk();
    AssignRecord expected{};
    expected[rec::AssignCode] = CodeTempo;
    expected[rec::ModeBits] = 1;
    EXPECT_EQ(doc_.RecordOf(A1), expected);
}

TEST_F(AssignDialogTest, PortAndButtonModeFollowTheKindTable) {
    StoreRecord(A1, MsgChannel, KindNote);
    ASSERT_TRUE(dlg_.OpenAssignDialog(A1));
    struct Row {
        int kind;
        bool port;
        bool buttonMode;
    };
    for (const Row& row :
         {Row{KindProgramChange, false, false}, Row{KindBankProgramChange, true, false},
          Row{KindEncoderSimulate, true, false}, Row{KindRpn, true, true},
          Row{KindProgramChangeInc, false, false}}) {
        PickKind(row.kind);
        EXPECT_EQ(List(CKelMsgDlg::IdPortList)->isEnabled(), row.port) << row.kind;
        EXPECT_EQ(List(CKelMsgDlg::IdButtonModeList)->isEnabled(), row.buttonMode) << row.kind;
    }
}

TEST_F(AssignDialogTest, CancelLeavesTheMapAsItWas) {
    StoreRecord(A1, MsgChannel, KindNote);
    doc_.SetMapComment(A1, "lead");
    doc_.SetModified(false);
    const AssignRecord before = doc_.RecordOf(A1);
    ASSERT_TRUE(dlg_.OpenAssignDialog(A1));
    PickType(MsgSystemRealtime);
    Get<CMapTextEdit>(CKelMsgDlg::IdComment)->setText("changed");
    ClickCancel();
    EXPECT_FALSE(dlg_.isVisible());
    EXPECT_EQ(doc_.RecordOf(A1), before);
    EXPECT_EQ(doc_.GetMapComment(A1), "lead");
    EXPECT_FALSE(doc_.IsModified());
    EXPECT_EQ(doc_.EditBuffer().record, before);
    EXPECT_FALSE(doc_.EditBuffer().changed);
    // The main window is activated by a posted notification, after the dialog has finished.
    EXPECT_EQ(main_.activations, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(main_.activations, 1);

    // Reopened, the dialog shows the stored record again.
    ASSERT_TRUE(dlg_.OpenAssignDialog(A1));
    EXPECT_EQ(List(CKelMsgDlg::IdTypeList)->currentIndex(), MsgChannel);
    EXPECT_EQ(Get<CMapTextEdit>(CKelMsgDlg::IdComment)->text(), "lead");
}

// OK on every kind of stored record, untouched, must neither change the record nor mark the
// map modified: each page has to show and write back exactly what the record holds.
TEST_F(AssignDialogTest, OkWithNothingChangedKeepsEveryRecordAndTheModifiedFlag) {
    AssignEntry sysEx;
    sysEx.SetMessageType(MsgSystemExclusive);
    ASSERT_EQ(ParseSysExText(sysEx, "F0 41 10 SS 12 1n DT S1 F7", Data4Bit4Bit), 0);
    sysEx.SetMinValue(3);
    sysEx.SetMaxValue(12);
    sysEx.SetPort(2);
    sysEx.SetButtonMode(1);
    AssignEntry free;
    free.SetMessageType(MsgFreeMessage);
    ASSERT_EQ(ParseFreeText(free, "C0 05 B0 07 DT", Data7Bit), 0);
    AssignEntry bank;
    bank.SetChannelKind(KindBankProgramChange);
    bank.SetValue1(5);
    bank.SetValue2(6);
    bank.SetValue3(128);
    bank.SetChannel(15);
    AssignEntry rpn;
    rpn.SetChannelKind(KindRpn);
    rpn.SetValue4(90);
    rpn.SetCenterClick(1);
    AssignEntry realtime;
    realtime.SetMessageType(MsgSystemRealtime);
    realtime.record[rec::Values] = 0xFE; // a byte the list cannot show

    const std::vector<std::pair<ControllerId, AssignRecord>> records = {{A1, sysEx.record},
                                                                        {S1, free.record},
                                                                        {C1, bank.record},
                                                                        {R1, rpn.record},
                                                                        {H1, realtime.record}};
    for (const auto& [id, record] : records) {
        doc_.RecordOf(id) = record;
    }
    // Letters of any language and controls (shown as escapes) survive.
    const std::string comment = "caf\u00e9 \u3042 \u202e\u009b";
    doc_.SetMapComment(S1, comment);
    doc_.SetModified(false);

    for (const auto& [id, record] : records) {
        ASSERT_TRUE(dlg_.OpenAssignDialog(id));
        ClickOk();
        EXPECT_FALSE(dlg_.isVisible()) << id;
        EXPECT_EQ(doc_.RecordOf(id), record) << id;
    }
    EXPECT_EQ(doc_.GetMapComment(S1), comment);
    EXPECT_FALSE(doc_.IsModified());
}

TEST_F(AssignDialogTest, RefusedMessageTextKeepsTheDialogOnItsController) {
    ASSERT_TRUE(dlg_.OpenAssignDialog(S1));
    PickType(MsgSystemExclusive);
    EXPECT_EQ(MessageText()->text(), "F0 F7");
    MessageText()->setText("  F0 S1 F7");
    doc_.SetModified(false);

    // A click on another control on the panel.
    EXPECT_FALSE(dlg_.OpenAssignDialog(S1 + 1));
    EXPECT_EQ(doc_.SelectedController(), S1);
    EXPECT_EQ(Get<QLabel>(CKelMsgDlg::IdControllerName)->text(), "S1");
    ASSERT_EQ(reporter_.warnings.size(), 1u);
    EXPECT_EQ(reporter_.warnings[0].first, StringId::MessageMistake);
    EXPECT_EQ(MessageText()->selectionStart(), 5); // the "S", counted with the leading blanks
    EXPECT_EQ(MessageText()->selectedText(), "S");

    // Ctrl+F, with the focus on the type list.
    ASSERT_TRUE(ShowActive(&dlg_));
    List(CKelMsgDlg::IdTypeList)->setFocus();
    QTest::keyClick(List(CKelMsgDlg::IdTypeList), Qt::Key_F, Qt::ControlModifier);
    EXPECT_EQ(forwarded_, std::vector<int>({cmd::NextController}));
    EXPECT_EQ(doc_.SelectedController(), S1);
    EXPECT_EQ(reporter_.warnings.size(), 2u);

    // OK.
    ClickOk();
    EXPECT_TRUE(dlg_.isVisible());
    EXPECT_EQ(reporter_.warnings.size(), 3u);
    EXPECT_EQ(doc_.RecordOf(S1)[rec::AssignCode], CodeNoAssign);
    EXPECT_FALSE(doc_.IsModified());

    // Corrected, the text is taken and the next control opens.
    MessageText()->setText("f0 41 dt f7");
    EXPECT_TRUE(dlg_.OpenAssignDialog(S1 + 1));
    EXPECT_EQ(doc_.RecordOf(S1)[rec::AssignCode], CodeSystemExclusive);
    EXPECT_EQ(doc_.RecordOf(S1)[rec::DataType], Data7Bit);
    EXPECT_TRUE(doc_.IsModified());
    ASSERT_TRUE(dlg_.OpenAssignDialog(S1));
    EXPECT_EQ(MessageText()->text(), "F0 41 DT F7");
}

TEST_F(AssignDialogTest, RefusedTextLeavesThePendingRecordUntouched) {
    AssignEntry sysEx;
    sysEx.SetMessageType(MsgSystemExclusive);
    ASSERT_EQ(ParseSysExText(sysEx, "F0 43 1x SS DT S2 F7", Data7Bit), 0);
    sysEx.SetMinValue(10);
    doc_.RecordOf(A1) = sysEx.record;
    ASSERT_TRUE(dlg_.OpenAssignDialog(A1));

    MessageText()->setText(
        "F0 43 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 00 F7");
    EXPECT_EQ(dlg_.ApplyAssignDialog(), -1);
    ASSERT_EQ(reporter_.warnings.size(), 1u);
    EXPECT_EQ(reporter_.warnings[0], std::make_pair(StringId::MessageTooLong, 24));
    EXPECT_EQ(MessageText()->selectedText(), MessageText()->text());
    EXPECT_EQ(doc_.EditBuffer().record, sysEx.record);

    // A Free Message cannot be left empty.
    PickType(MsgFreeMessage);
    EXPECT_EQ(MessageText()->text(), "");
    EXPECT_EQ(dlg_.ApplyAssignDialog(), -1);
    EXPECT_EQ(reporter_.warnings.back().first, StringId::MessageMistake);
}

TEST_F(AssignDialogTest, DataTypeSetsTheRangeOfMinAndMax) {
    ASSERT_TRUE(dlg_.OpenAssignDialog(A1));
    PickType(MsgSystemExclusive);
    CKelFreeMsgPage* page = dlg_.FreePage();
    auto* min = Get<CNumEdit>(CKelFreeMsgPage::IdMinField, page);
    auto* max = Get<CNumEdit>(CKelFreeMsgPage::IdMaxField, page);
    auto* maxSpin = Get<CSpinButton>(CKelFreeMsgPage::IdMaxSpin, page);
    EXPECT_EQ(max->RangeMax(), 127);
    struct Row {
        int entry, top;
    };
    for (const Row& row : {Row{1, 15}, Row{4, 255}, Row{2, 127}}) {
        Pick(List(CKelFreeMsgPage::IdDataTypeList, page), row.entry);
        EXPECT_EQ(min->RangeMax(), row.top);
        EXPECT_EQ(min->GetNumber(), 0);
        EXPECT_EQ(max->GetNumber(), row.top);
        EXPECT_EQ(maxSpin->RangeMax(), row.top);
    }

    // DT4 bounds go above 127; without a "DT" they are not stored.
    Pick(List(CKelFreeMsgPage::IdDataTypeList, page), 4);
    min->SetNumber(200);
    MessageText()->setText("F0 DT F7");
    ClickOk();
    EXPECT_EQ(doc_.RecordOf(A1)[rec::DataType], Data4x4Bit);
    EXPECT_EQ(doc_.RecordOf(A1)[rec::MinValue], 200);
    EXPECT_EQ(doc_.RecordOf(A1)[rec::MaxValue], 255);

    ASSERT_TRUE(dlg_.OpenAssignDialog(A1));
    EXPECT_EQ(List(CKelFreeMsgPage::IdDataTypeList, page)->currentIndex(), 4);
    EXPECT_EQ(min->GetNumber(), 200);
    MessageText()->setText("F0 01 F7");
    min->SetNumber(5);
    ClickOk();
    EXPECT_EQ(doc_.RecordOf(A1)[rec::DataType], 0);
    EXPECT_EQ(doc_.RecordOf(A1)[rec::MinValue], 0);
    EXPECT_EQ(doc_.RecordOf(A1)[rec::MaxValue], 127);
}

TEST_F(AssignDialogTest, ProgramNumbersAreShownFromOneTo128) {
    ASSERT_TRUE(dlg_.OpenAssignDialog(A1));
    PickType(MsgChannel);
    PickKind(KindProgramChange);
    CKelChMsgPage* page = dlg_.ChannelPage();
    EXPECT_EQ(Get<QLabel>(CKelChMsgPage::IdFieldLabel[0], page)->text(), "PC Number :");
    for (int i = 1; i < 4; ++i) {
        EXPECT_FALSE(ChannelField(i)->isVisible()) << i;
    }
    EXPECT_EQ(ChannelField(0)->RangeMin(), 1);
    EXPECT_EQ(ChannelField(0)->RangeMax(), 128);
    EXPECT_EQ(ChannelField(0)->text(), "1");

    ChannelField(0)->selectAll();
    QTest::keyClicks(ChannelField(0), "128");
    ClickOk();
    EXPECT_EQ(doc_.RecordOf(A1)[rec::Values], 127);
    ASSERT_TRUE(dlg_.OpenAssignDialog(A1));
    EXPECT_EQ(ChannelField(0)->text(), "128");

    PickKind(KindProgramChangeRange);
    EXPECT_EQ(ChannelField(0)->text(), "1");
    EXPECT_EQ(ChannelField(1)->text(), "128");
}

// Beside a controller, note or program number its name follows what is typed; an RPN pair is
// named beside its LSB, an NRPN (whose meaning is the instrument's) not at all.
TEST_F(AssignDialogTest, TheNumbersShowTheNamesMusiciansKnowThemBy) {
    ASSERT_TRUE(dlg_.OpenAssignDialog(A1));
    PickType(MsgChannel);
    CKelChMsgPage* page = dlg_.ChannelPage();
    const auto name = [this, page](int field) {
        QLabel* label = Get<QLabel>(CKelChMsgPage::IdFieldName[field], page);
        return label->isVisible() ? label->text() : QString();
    };
    PickKind(KindControlChange);
    ChannelField(0)->selectAll();
    QTest::keyClicks(ChannelField(0), "74");
    EXPECT_EQ(name(0), "Brightness");
    EXPECT_EQ(ChannelField(0)->accessibleDescription(), "Brightness");
    EXPECT_EQ(name(1), ""); // the minimum is a value, not a name
    ChannelField(0)->selectAll();
    QTest::keyClicks(ChannelField(0), "3");
    EXPECT_EQ(name(0), ""); // undefined in the MIDI table

    PickKind(KindNote);
    ChannelField(0)->selectAll();
    QTest::keyClicks(ChannelField(0), "61");
    EXPECT_EQ(name(0), "C#3");
    PickKind(KindProgramChange);
    EXPECT_EQ(name(0), "Acoustic Grand Piano");
    PickKind(KindRpn);
    EXPECT_EQ(name(0), "");
    EXPECT_EQ(name(1), "Pitch Bend Sensitivity");
    ChannelField(1)->selectAll();
    QTest::keyClicks(ChannelField(1), "2");
    EXPECT_EQ(name(1), "Coarse Tuning");
    PickKind(KindNrpn);
    EXPECT_EQ(name(1), "");
}

// The controller number can be found by its name from the keyboard alone: Tab from the number
// into the search, a name part, Down and Enter. Escape and a text that matches nothing leave
// the number as it was, and so the record after OK.
TEST_F(AssignDialogTest, ThePickerFindsTheControllerNumberByNameAndNothingElseChanges) {
    StoreRecord(A1, MsgChannel, KindControlChange);
    ASSERT_TRUE(dlg_.OpenAssignDialog(A1));
    ASSERT_TRUE(ShowActive(&dlg_));
    CKelChMsgPage* page = dlg_.ChannelPage();
    CControllerPicker* picker = page->Picker();
    ASSERT_TRUE(picker->isVisible());
    EXPECT_FALSE(picker->accessibleName().isEmpty());
    // Keys go where a real keyboard sends them: to the offers while they are open.
    const auto key = [picker](Qt::Key k) {
        QWidget* popup = QApplication::activePopupWidget();
        QTest::keyClick(popup != nullptr ? popup : picker, k);
    };
    const auto type = [picker](const char* text) {
        picker->setFocus();
        picker->selectAll();
        QTest::keyClicks(picker, text);
    };

    ChannelField(0)->setFocus();
    QTest::keyClick(ChannelField(0), Qt::Key_Tab);
    ASSERT_EQ(QApplication::focusWidget(), picker);
    QTest::keyClicks(picker, "bri");
    EXPECT_EQ(picker->Offered(), QStringList({"74 Brightness"}));
    EXPECT_TRUE(picker->Popup()->isVisible());
    key(Qt::Key_Escape); // closes the offers, picks nothing
    EXPECT_FALSE(picker->Popup()->isVisible());
    EXPECT_TRUE(dlg_.isVisible());
    EXPECT_EQ(ChannelField(0)->text(), "0");
    key(Qt::Key_Down); // opens them again
    ASSERT_TRUE(picker->Popup()->isVisible());
    key(Qt::Key_Down);
    key(Qt::Key_Return);
    EXPECT_EQ(ChannelField(0)->text(), "74");
    EXPECT_EQ(Get<QLabel>(CKelChMsgPage::IdFieldName[0], page)->text(), "Brightness");
    EXPECT_TRUE(picker->text().isEmpty());
    EXPECT_TRUE(dlg_.isVisible());
    ClickOk();
    EXPECT_EQ(doc_.RecordOf(A1)[5], 74);

    // A number is found as well; a text without a match says so and picks nothing.
    ASSERT_TRUE(dlg_.OpenAssignDialog(A1));
    ASSERT_TRUE(ShowActive(&dlg_));
    const AssignRecord before = doc_.RecordOf(A1);
    type("vol"); // Down highlights the first line offered, Enter takes it
    EXPECT_EQ(picker->Offered(), QStringList({"7 Volume", "39 Volume LSB"}));
    key(Qt::Key_Down);
    key(Qt::Key_Return);
    EXPECT_EQ(ChannelField(0)->text(), "7");
    type("bri"); // Enter alone takes the first line
    key(Qt::Key_Return);
    EXPECT_EQ(ChannelField(0)->text(), "74");
    type("11");
    EXPECT_EQ(picker->Offered(), QStringList({"11 Expression"}));
    key(Qt::Key_Tab); // leaves the search, picks nothing
    QCoreApplication::processEvents();
    EXPECT_FALSE(picker->Popup()->isVisible());
    EXPECT_EQ(ChannelField(0)->text(), "74");
    type("zzz");
    ASSERT_EQ(picker->Offered().size(), 1);
    EXPECT_TRUE(picker->Offered()[0].contains("zzz"));
    EXPECT_EQ(picker->accessibleDescription(), picker->Offered()[0]);
    key(Qt::Key_Down);
    key(Qt::Key_Return);
    EXPECT_EQ(ChannelField(0)->text(), "74");
    key(Qt::Key_Escape);
    ClickOk();
    EXPECT_EQ(doc_.RecordOf(A1), before);
}

TEST_F(AssignDialogTest, BankSelectShowsMsbBeforeLsb) {
    ASSERT_TRUE(dlg_.OpenAssignDialog(A1));
    PickType(MsgChannel);
    PickKind(KindBankProgramChange);
    CKelChMsgPage* page = dlg_.ChannelPage();
    EXPECT_EQ(Get<QLabel>(CKelChMsgPage::IdFieldLabel[0], page)->text(), "Bank MSB :");
    EXPECT_EQ(Get<QLabel>(CKelChMsgPage::IdFieldLabel[1], page)->text(), "Bank LSB :");
    EXPECT_EQ(Get<QLabel>(CKelChMsgPage::IdFieldLabel[2], page)->text(), "PC Number :");
    ChannelField(0)->SetNumber(1);
    ChannelField(1)->SetNumber(2);
    ChannelField(2)->SetNumber(3);
    ClickOk();
    EXPECT_EQ(doc_.RecordOf(A1)[6], 1);
    EXPECT_EQ(doc_.RecordOf(A1)[5], 2);
    EXPECT_EQ(doc_.RecordOf(A1)[7], 2);
}

TEST_F(AssignDialogTest, ChannelPageShowsMinAndMaxSideBySideWithoutEmptyRows) {
    ASSERT_TRUE(dlg_.OpenAssignDialog(A1));
    PickType(MsgChannel);
    CKelChMsgPage* page = dlg_.ChannelPage();
    auto label = [&](int i) { return Get<QLabel>(CKelChMsgPage::IdFieldLabel[i], page); };
    auto top = [&](int i) { return label(i)->mapTo(page, QPoint()).y(); };
    auto left = [&](int i) { return label(i)->mapTo(page, QPoint()).x(); };
    const int rowStep = ChannelField(0)->height() + 8; // one row and its spacing, with room

    // Control number on its own row, then Min and Max on the next, Min first.
    PickKind(KindControlChange);
    QCoreApplication::processEvents();
    EXPECT_EQ(label(0)->text(), "Control Number :");
    EXPECT_EQ(label(1)->text(), "Min Value :");
    EXPECT_EQ(label(2)->text(), "Max Value :");
    EXPECT_EQ(top(1), top(2));
    EXPECT_LT(left(1), left(2));
    EXPECT_GT(top(1), top(0));
    EXPECT_LE(top(1) - top(0), rowStep);

    // A pair before the range fills one row; the heading sits between it and the range.
    PickKind(KindRpn);
    QCoreApplication::processEvents();
    EXPECT_EQ(top(0), top(1));
    EXPECT_EQ(top(2), top(3));
    EXPECT_LT(left(2), left(3));
    const int heading =
        Get<QWidget>(CKelChMsgPage::IdDataEntryText, page)->mapTo(page, QPoint()).y();
    EXPECT_GT(heading, top(0));
    EXPECT_LT(heading, top(2));

    // Only a range: it takes the first row.
    PickKind(KindChannelPressure);
    QCoreApplication::processEvents();
    EXPECT_EQ(top(0), top(1));
    EXPECT_LE(top(0) - Get<QWidget>(CKelChMsgPage::IdKindList, page)->mapTo(page, QPoint()).y(),
              rowStep);
}

TEST_F(AssignDialogTest, KindChangeWritesDefaultsAndShowsTheKindsFields) {
    StoreRecord(A1, MsgChannel, KindControlChange);
    doc_.RecordOf(A1)[rec::Channel] = 20; // outside 0..15
    ASSERT_TRUE(dlg_.OpenAssignDialog(A1));
    CKelChMsgPage* page = dlg_.ChannelPage();
    EXPECT_EQ(List(CKelChMsgPage::IdChannelList, page)->currentText(), "1");

    PickKind(KindRpn);
    EXPECT_TRUE(Shown(CKelChMsgPage::IdDataEntryText, page));
    EXPECT_EQ(Get<QLabel>(CKelChMsgPage::IdFieldLabel[3], page)->text(), "MSB Max Value :");
    EXPECT_EQ(ChannelField(3)->text(), "127");

    PickKind(KindProgramChangeDec);
    EXPECT_FALSE(Shown(CKelChMsgPage::IdChannelList, page));
    EXPECT_FALSE(Shown(CKelChMsgPage::IdDataEntryText, page));
    for (int i = 0; i < 4; ++i) {
        EXPECT_FALSE(ChannelField(i)->isVisible()) << i;
    }
    EXPECT_EQ(doc_.EditBuffer().record[rec::Values], 1);

    List(CKelChMsgPage::IdChannelList, page)->setCurrentIndex(5);
    PickKind(KindNote);
    EXPECT_EQ(ChannelField(0)->text(), "64");
    EXPECT_EQ(ChannelField(1)->text(), "100");
    EXPECT_EQ(List(CKelChMsgPage::IdChannelList, page)->currentText(), "1");

    // Typed past the range, the field clamps and the record gets 127.
    ChannelField(0)->selectAll();
    QTest::keyClicks(ChannelField(0), "200");
    ClickOk();
    EXPECT_EQ(doc_.RecordOf(A1)[rec::Values], 127);
    EXPECT_EQ(doc_.RecordOf(A1)[rec::Channel], 0);
}

TEST_F(AssignDialogTest, ForeignRealtimeByteIsKeptUntilAnotherEntryIsPicked) {
    StoreRecord(A1, MsgSystemRealtime);
    doc_.RecordOf(A1)[rec::Values] = 0xFE;
    ASSERT_TRUE(dlg_.OpenAssignDialog(A1));
    QComboBox* status = List(CKelSysRealPage::IdStatusList, dlg_.RealtimePage());
    EXPECT_EQ(status->currentText(), "F6 (Tune Request)");
    ClickOk();
    EXPECT_EQ(doc_.RecordOf(A1)[rec::Values], 0xFE);

    ASSERT_TRUE(dlg_.OpenAssignDialog(A1));
    Pick(status, 4);
    ClickOk();
    EXPECT_EQ(doc_.RecordOf(A1)[rec::Values], 0xFC);
}

TEST_F(AssignDialogTest, KeysGoToTheFieldsFirstAndThenToTheMainWindow) {
    doc_.SetMapComment(A1, "abc");
    ASSERT_TRUE(dlg_.OpenAssignDialog(A1));
    ASSERT_TRUE(ShowActive(&dlg_));

    auto* comment = Get<CMapTextEdit>(CKelMsgDlg::IdComment);
    comment->setFocus();
    comment->setCursorPosition(0);
    QTest::keyClick(comment, Qt::Key_Delete);
    QTest::keyClick(comment, Qt::Key_C, Qt::ControlModifier);
    EXPECT_EQ(comment->text(), "bc");
    EXPECT_TRUE(forwarded_.empty());

    QTest::keyClick(comment, Qt::Key_S, Qt::ControlModifier | Qt::ShiftModifier);
    QComboBox* type = List(CKelMsgDlg::IdTypeList);
    type->setFocus();
    QTest::keyClick(type, Qt::Key_Delete);
    QTest::keyClick(type, Qt::Key_Insert, Qt::ShiftModifier);
    EXPECT_EQ(forwarded_, std::vector<int>({cmd::SaveAs, cmd::NoAssign, cmd::Paste}));

    // Enter inside a page does nothing; in the dialog it is OK.
    PickType(MsgChannel);
    ChannelField(0)->setFocus();
    QTest::keyClick(ChannelField(0), Qt::Key_Return);
    EXPECT_TRUE(dlg_.isVisible());
    comment->setFocus();
    QTest::keyClick(comment, Qt::Key_Return);
    EXPECT_FALSE(dlg_.isVisible());
    EXPECT_EQ(doc_.GetMapComment(A1), "bc");
}

TEST_F(AssignDialogTest, NextAndPreviousWrapAroundTheControls) {
    ASSERT_TRUE(dlg_.OpenAssignDialog(AFT));
    ASSERT_TRUE(ShowActive(&dlg_));
    QTest::keyClick(List(CKelMsgDlg::IdTypeList), Qt::Key_F, Qt::ControlModifier);
    EXPECT_EQ(doc_.SelectedController(), R1);
    EXPECT_EQ(Get<QLabel>(CKelMsgDlg::IdControllerName)->text(), "R1");
    QTest::keyClick(List(CKelMsgDlg::IdTypeList), Qt::Key_B, Qt::ControlModifier);
    EXPECT_EQ(doc_.SelectedController(), AFT);
}

} // namespace
} // namespace kel
