// SPDX-License-Identifier: GPL-3.0-or-later
// The assign dialog's OK and `kelmap set` give a control its setting the same way: starting
// from the same empty map, a control edited through the dialog's real widgets and saved with
// Save As gives the very same file, byte for byte, as kelmap given the same values.
#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QFile>
#include <QProcess>
#include <QPushButton>
#include <QTest>

#include <functional>
#include <string>
#include <vector>

#include "gui/assign/chmsgpage.h"
#include "gui/assign/freemsgpage.h"
#include "gui/assign/msgdlg.h"
#include "gui/assign/sysrealpage.h"
#include "gui/common/editornotify.h"
#include "gui/common/ids.h"
#include "model/controllers.h"
#include "support/editor_fixture.h"

namespace kel {
namespace {

// What the user does in the dialog, through its widgets, before pressing OK.
class DialogUser {
public:
    explicit DialogUser(CKelMsgDlg* dlg) : dlg_(dlg) {}

    void Type(int type) { Pick(Control<QComboBox>(dlg_, CKelMsgDlg::IdTypeList), type); }
    void Port(int entry) { Pick(Control<QComboBox>(dlg_, CKelMsgDlg::IdPortList), entry); }
    void Button(int entry) { Pick(Control<QComboBox>(dlg_, CKelMsgDlg::IdButtonModeList), entry); }
    void Aft(int entry) { Pick(Control<QComboBox>(dlg_, CKelMsgDlg::IdAftModeList), entry); }
    void CenterClick() {
        QTest::mouseClick(Control<QCheckBox>(dlg_, CKelMsgDlg::IdCenterClick), Qt::LeftButton);
    }
    void Comment(const QString& text) {
        TypeText(Control<CMapTextEdit>(dlg_, CKelMsgDlg::IdComment), text);
    }

    // Channel page.
    void Kind(int kind) {
        Pick(Control<QComboBox>(dlg_->ChannelPage(), CKelChMsgPage::IdKindList), kind);
    }
    void Channel(int channel) {
        Pick(Control<QComboBox>(dlg_->ChannelPage(), CKelChMsgPage::IdChannelList), channel - 1);
    }
    // Number field 1-4 of the channel page, in the order the page shows them.
    void Field(int index, int value) {
        TypeText(Control<CNumEdit>(dlg_->ChannelPage(), CKelChMsgPage::IdField[index - 1]),
                 QString::number(value));
    }

    // System realtime page.
    void Status(int entry) {
        Pick(Control<QComboBox>(dlg_->RealtimePage(), CKelSysRealPage::IdStatusList), entry);
    }

    // System Ex. / Free Message page: the data type first, as it resets the range fields.
    void Message(const QString& text, int dataEntry, int min, int max) {
        QWidget* page = dlg_->FreePage();
        Pick(Control<QComboBox>(page, CKelFreeMsgPage::IdDataTypeList), dataEntry);
        TypeText(Control<CCharEdit>(page, CKelFreeMsgPage::IdMessageText), text);
        TypeText(Control<CNumEdit>(page, CKelFreeMsgPage::IdMinField), QString::number(min));
        TypeText(Control<CNumEdit>(page, CKelFreeMsgPage::IdMaxField), QString::number(max));
    }

private:
    // A pick in a list the user can see and use.
    static void Pick(QComboBox* list, int entry) {
        ASSERT_NE(list, nullptr);
        ASSERT_TRUE(list->isVisible() && list->isEnabled()) << list->objectName().toStdString();
        ASSERT_LT(entry, list->count());
        list->setFocus();
        kel::Pick(list, entry);
    }
    // Replaces the field's text by typing, as the user does.
    static void TypeText(QLineEdit* field, const QString& text) {
        ASSERT_NE(field, nullptr);
        ASSERT_TRUE(field->isVisible());
        field->setFocus();
        field->selectAll();
        QTest::keyClick(field, Qt::Key_Backspace);
        QTest::keyClicks(field, text);
        ASSERT_EQ(field->text(), text);
    }

    CKelMsgDlg* dlg_;
};

struct Case {
    const char* label;
    const char* control;
    std::function<void(DialogUser&)> edit;
    QStringList kelmapArgs; // after "set FILE CONTROL"
};

std::vector<Case> Cases() {
    return {
        {"note with channel, port, latch, AFT and comment",
         "A1",
         [](DialogUser& u) {
             u.Type(MsgChannel);
             u.Kind(KindNote);
             u.Channel(10);
             u.Field(1, 60);
             u.Field(2, 90);
             u.Port(2);
             u.Button(1);
             u.Aft(1);
             u.Comment("Kick");
         },
         {"note", "60", "90", "--channel", "10", "--port", "1+2", "--button", "latch", "--aft",
          "cp", "--comment", "Kick"}},
        {"control change with virtual center click",
         "S3",
         [](DialogUser& u) {
             u.Type(MsgChannel);
             u.Kind(KindControlChange);
             u.Field(1, 74);
             u.Field(2, 1);
             u.Field(3, 100);
             u.CenterClick();
         },
         {"cc", "74", "1", "100", "--center-click", "on"}},
        {"control change with button mode increase",
         "A2",
         [](DialogUser& u) {
             u.Type(MsgChannel);
             u.Kind(KindControlChange);
             u.Channel(16);
             u.Field(1, 7);
             u.Button(2);
             u.Port(1);
         },
         {"cc", "7", "--channel", "16", "--button", "increase", "--port", "2"}},
        {"bank select and program change",
         "B2",
         [](DialogUser& u) {
             u.Type(MsgChannel);
             u.Kind(KindBankProgramChange);
             u.Field(1, 1); // the page shows the MSB first
             u.Field(2, 2);
             u.Field(3, 128);
         },
         {"bank-pc", "1", "2", "128"}},
        {"NRPN",
         "R3",
         [](DialogUser& u) {
             u.Type(MsgChannel);
             u.Kind(KindNrpn);
             u.Field(1, 1);
             u.Field(2, 2);
             u.Field(3, 3);
             u.Field(4, 4);
         },
         {"nrpn", "1", "2", "3", "4"}},
        {"system realtime on port 2",
         "C1",
         [](DialogUser& u) {
             u.Type(MsgSystemRealtime);
             u.Status(2);
             u.Port(1);
         },
         {"realtime", "FA", "--port", "2"}},
        {"system exclusive with checksum and data field",
         "S1",
         [](DialogUser& u) {
             u.Type(MsgSystemExclusive);
             u.Message("F0 41 10 SS 12 DT S1 F7", 0, 0, 100);
         },
         {"sysex", "F0 41 10 SS 12 DT S1 F7", "--data-type", "0", "--min", "0", "--max", "100"}},
        {"free message with data range",
         "H1",
         [](DialogUser& u) {
             u.Type(MsgFreeMessage);
             u.Message("B0 07 DT", 0, 10, 20);
         },
         {"free", "B0 07 DT", "--data-type", "0", "--min", "10", "--max", "20"}},
        {"tempo", "BEND", [](DialogUser& u) { u.Type(MsgTempo); }, {"tempo"}},
    };
}

class SetControlTest : public EditorTest {
protected:
    struct Run {
        int exitCode = -1;
        QString out;
        QString err;
    };
    static Run Kelmap(const QStringList& args) {
        QProcess p;
        p.start(QStringLiteral(KELMAP_PATH), args);
        Run r;
        if (!p.waitForFinished(30000)) {
            r.err = "kelmap did not finish: " + p.errorString();
            return r;
        }
        r.exitCode = p.exitStatus() == QProcess::NormalExit ? p.exitCode() : -1;
        r.out = QString::fromUtf8(p.readAllStandardOutput());
        r.err = QString::fromUtf8(p.readAllStandardError());
        return r;
    }
    static QByteArray Contents(const QString& path) {
        QFile f(path);
        return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
    }
    // The lines of `kelmap dump` that differ between the two files, for the failure message.
    static std::string DumpDifference(const QString& a, const QString& b) {
        const QStringList la = Kelmap({"dump", a}).out.split('\n');
        const QStringList lb = Kelmap({"dump", b}).out.split('\n');
        std::string out;
        for (qsizetype i = 0; i < std::max(la.size(), lb.size()); ++i) {
            const QString x = i < la.size() ? la[i] : QString();
            const QString y = i < lb.size() ? lb[i] : QString();
            if (x != y) {
                out += "dialog: " + x.toStdString() + "\nkelmap: " + y.toStdString() + "\n";
            }
        }
        return out.empty() ? "(the dumps agree; the files differ elsewhere)" : out;
    }
};

TEST_F(SetControlTest, TheDialogAndKelmapSetWriteTheSameFile) {
    int index = 0;
    for (const Case& c : Cases()) {
        SCOPED_TRACE(std::string(c.control) + ": " + c.label);
        const QString base = TempPath(QStringLiteral("empty%1.mid").arg(index));
        const QString viaDialog = TempPath(QStringLiteral("dialog%1.mid").arg(index));
        const QString viaKelmap = TempPath(QStringLiteral("kelmap%1.mid").arg(index));
        ++index;

        const Run made = Kelmap({"new", base, "--title", "SAME TITLE"});
        ASSERT_EQ(made.exitCode, 0) << made.err.toStdString();

        // (a) the editor: open, edit the control in the dialog, OK, Save As.
        ui_.openPaths = {base};
        window_->RunCommand(cmd::Open);
        ASSERT_EQ(app_->Document().GetTitle(), "SAME TITLE");
        const ControllerId id = FindController(c.control);
        ASSERT_GE(id, 0);
        ClickControl(id);
        ASSERT_NE(AssignWindow(), nullptr);
        ASSERT_TRUE(AssignWindow()->isVisible());
        ASSERT_EQ(app_->Document().SelectedController(), id);

        DialogUser user(AssignWindow());
        c.edit(user);
        QTest::mouseClick(Control<QPushButton>(AssignWindow(), CKelMsgDlg::IdOk), Qt::LeftButton);
        QCoreApplication::processEvents();
        ASSERT_FALSE(AssignWindow()->isVisible());
        ASSERT_TRUE(app_->Document().IsModified());

        ui_.savePaths = {viaDialog};
        window_->RunCommand(cmd::SaveAs);
        ASSERT_FALSE(app_->Document().IsModified());
        EXPECT_TRUE(ui_.warnings.isEmpty()) << ui_.warnings.join('\n').toStdString();
        ui_.warnings.clear();

        // (b) kelmap set on a copy of the same empty map.
        ASSERT_TRUE(QFile::copy(base, viaKelmap));
        const Run set = Kelmap(QStringList{"set", viaKelmap, c.control} + c.kelmapArgs);
        ASSERT_EQ(set.exitCode, 0) << set.err.toStdString();

        const QByteArray a = Contents(viaDialog);
        const QByteArray b = Contents(viaKelmap);
        ASSERT_FALSE(a.isEmpty());
        EXPECT_NE(a, Contents(base)) << "the control was not changed";
        EXPECT_EQ(a, b) << DumpDifference(viaDialog, viaKelmap);
    }
}

// A message text that is not valid is refused by both alike, from the one refusal: the dialog
// selects the wrong character and writes none of its fields (the port picked stays unwritten),
// kelmap names the character, and neither file changes.
TEST_F(SetControlTest, TheDialogAndKelmapRefuseABadMessageTextAlikeAndWriteNothing) {
    const QString base = TempPath(QStringLiteral("refused.mid"));
    ASSERT_EQ(Kelmap({"new", base}).exitCode, 0);
    const QByteArray before = Contents(base);

    ui_.openPaths = {base};
    window_->RunCommand(cmd::Open);
    const ControllerId s1 = FindController("S1");
    ClickControl(s1);
    ASSERT_NE(AssignWindow(), nullptr);
    DialogUser user(AssignWindow());
    user.Type(MsgSystemExclusive);
    user.Port(1);
    user.Message("F0 S1 F7", 0, 0, 127);
    const AssignRecord pending = app_->Document().EditBuffer().record;
    ASSERT_TRUE(ui_.warnings.isEmpty());
    QTest::mouseClick(Control<QPushButton>(AssignWindow(), CKelMsgDlg::IdOk), Qt::LeftButton);
    QCoreApplication::processEvents();

    EXPECT_TRUE(AssignWindow()->isVisible());
    ASSERT_EQ(ui_.warnings.size(), 1);
    EXPECT_TRUE(ui_.warnings[0].startsWith("There is a mistake in the message you input."))
        << ui_.warnings[0].toStdString();
    auto* text = Control<CCharEdit>(AssignWindow()->FreePage(), CKelFreeMsgPage::IdMessageText);
    EXPECT_EQ(text->selectedText(), "S");
    EXPECT_EQ(app_->Document().EditBuffer().record, pending);
    EXPECT_FALSE(app_->Document().IsModified());

    const Run set = Kelmap({"set", base, "S1", "sysex", "F0 S1 F7", "--port", "2"});
    EXPECT_EQ(set.exitCode, 1);
    EXPECT_EQ(set.err.toStdString(),
              "kelmap: There is a mistake in the message you input. (character 4: 'S')\n");
    EXPECT_EQ(Contents(base), before);
}

} // namespace
} // namespace kel
