// SPDX-License-Identifier: GPL-3.0-or-later
// What the file commands do with what the user has not saved yet and how they report a file
// that fails: the assign dialog's pending fields count as changes of the map for every command
// that would discard it, a map imported from a memory set is never saved over that file, a
// failed load clears the panel before its message, and the file messages name the file and the
// cause.
#include <QFile>
#include <QLineEdit>
#include <QMimeData>

#include <functional>

#include "files/smfctrl.h"
#include "gui/assign/freemsgpage.h"
#include "gui/common/uitext.h"
#include "support/editor_fixture.h"
#include "support/file_test_support.h"

namespace kel {
namespace {

constexpr ControllerId kR7 = kFirstKnob + 6;

class FileSafetyTest : public EditorTest {
protected:
    // An opened, unmodified map file with R7 changed to a Channel Message in the assign dialog,
    // not yet applied.
    QString OpenMapWithPendingChange() {
        const QString path = WriteMapFile(QStringLiteral("map.mid"));
        EXPECT_EQ(app_->Files().LoadMapFile(CAppSettings::ToFsPath(path), ControlMapKind), 1);
        ClickControl(kR7);
        auto* types = Control<QComboBox>(AssignWindow(), CKelMsgDlg::IdTypeList);
        Pick(types, MsgChannel);
        EXPECT_NE(app_->Document().EditBuffer().record[rec::AssignCode], CodeNoAssign);
        EXPECT_FALSE(app_->Document().IsModified());
        return path;
    }

    void Drop(const QString& path) {
        QMimeData data;
        data.setUrls({QUrl::fromLocalFile(path)});
        QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, &data, Qt::LeftButton,
                              Qt::NoModifier);
        QApplication::sendEvent(window_, &enter);
        QDropEvent drop(QPointF(10, 10), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(window_, &drop);
    }
};

TEST_F(FileSafetyTest, EveryDiscardingCommandAppliesTheDialogFirstAndAsks) {
    const QString path = OpenMapWithPendingChange();
    const struct {
        const char* name;
        std::function<void()> run;
    } commands[] = {
        {"Exit", [&] { window_->RunCommand(cmd::Exit); }},
        {"New", [&] { window_->RunCommand(cmd::New); }},
        {"Open", [&] { window_->RunCommand(cmd::Open); }},
        {"recent file", [&] { app_->OnRecentFile(0); }},
        {"drop", [&] { Drop(path); }},
        {"Import Memory Set", [&] { window_->RunCommand(cmd::ImportMemorySet); }},
        {"Import SysEx", [&] { window_->RunCommand(cmd::ImportSysEx); }},
    };
    for (const auto& command : commands) {
        ui_.questions.clear();
        ui_.answers = {Answer::Cancel};
        command.run();
        EXPECT_EQ(ui_.questions.size(), 1) << command.name;
        EXPECT_TRUE(window_->isVisible()) << command.name;
        EXPECT_EQ(CAppSettings::FromFsPath(app_->Files().CurrentPath()), path) << command.name;
        EXPECT_TRUE(app_->Document().IsModified()) << command.name;
        EXPECT_NE(app_->Document().RecordOf(kR7)[rec::AssignCode], CodeNoAssign) << command.name;
    }
    EXPECT_TRUE(ui_.warnings.isEmpty());
}

TEST_F(FileSafetyTest, ARefusedMessageTextStopsTheCommandWithItsError) {
    const QString path = WriteMapFile(QStringLiteral("map.mid"));
    ASSERT_EQ(app_->Files().LoadMapFile(CAppSettings::ToFsPath(path), ControlMapKind), 1);
    ClickControl(kR7);
    Pick(Control<QComboBox>(AssignWindow(), CKelMsgDlg::IdTypeList), MsgFreeMessage);
    Control<QLineEdit>(AssignWindow(), CKelFreeMsgPage::IdMessageText)->setText("90 3C");

    for (int id : {cmd::Exit, cmd::New, cmd::Open}) {
        ui_.warnings.clear();
        window_->RunCommand(id);
        ASSERT_EQ(ui_.warnings.size(), 1) << id;
        EXPECT_EQ(ui_.warnings[0], "There is a mistake in the message you input.\n"
                                   "Byte 3 is missing: the 90 message needs more data bytes.");
        EXPECT_TRUE(ui_.questions.isEmpty()) << id;
        EXPECT_TRUE(window_->isVisible()) << id;
        EXPECT_EQ(CAppSettings::FromFsPath(app_->Files().CurrentPath()), path) << id;
    }
}

TEST_F(FileSafetyTest, SaveAfterImportMemorySetAsksForANameAndKeepsTheSet) {
    const std::string set = CAppSettings::ToFsPath(TempPath(QStringLiteral("set.mid")));
    test::WriteFile(set, test::MemorySetFile(27));
    ui_.openPaths = {QString::fromStdString(set)};
    window_->RunCommand(cmd::ImportMemorySet);
    ASSERT_EQ(app_->Files().CurrentPath(), set);
    EXPECT_EQ(window_->windowTitle(), QString::fromStdString(set) + " - VOSTEL KEL Editor");

    // Cancelled: nothing is written.
    TitleField()->setText(QStringLiteral("Changed"));
    window_->RunCommand(cmd::Save);
    EXPECT_EQ(test::ReadFile(set), test::MemorySetFile(27));

    const QString map = TempPath(QStringLiteral("as map.mid"));
    ui_.savePaths = {map};
    window_->RunCommand(cmd::Save);
    EXPECT_EQ(test::ReadFile(set), test::MemorySetFile(27));
    EXPECT_EQ(CAppSettings::FromFsPath(app_->Files().CurrentPath()), map);
    CParameter reread;
    ASSERT_TRUE(ReadMapFile(CAppSettings::ToFsPath(map), ControlMapKind, reread).Ok());
    EXPECT_EQ(reread.GetTitle(), "Changed");

    // Saved as a control map, it saves in place again.
    TitleField()->setText(QStringLiteral("Again"));
    window_->RunCommand(cmd::Save);
    EXPECT_TRUE(ui_.savePaths.empty());
    ASSERT_TRUE(ReadMapFile(CAppSettings::ToFsPath(map), ControlMapKind, reread).Ok());
    EXPECT_EQ(reread.GetTitle(), "Again");
}

// UI services that look at the map when a message appears.
class SnapshotUi : public FakeUi {
public:
    std::function<void()> onWarn;
    void Warn(QWidget* parent, const QString& text) override {
        FakeUi::Warn(parent, text);
        if (onWarn) {
            onWarn();
        }
    }
};

class FailedLoadTest : public FileSafetyTest {
protected:
    CUiServices& Ui() override { return snapshotUi_; }
    SnapshotUi snapshotUi_;
};

TEST_F(FailedLoadTest, AFileThatFailsToLoadLeavesTheEmptyMapBehindItsMessage) {
    // A map file cut off in the middle of its records: the first ones are read before the
    // parse fails.
    CParameter full;
    for (ControllerId id = 0; id < kControllerCount; ++id) {
        full.RecordOf(id) = test::SampleRecord(id);
    }
    test::Bytes bytes = CSmfCtrl(&full).BuildImage();
    bytes.resize(bytes.size() / 2);
    const QString cut = TempPath(QStringLiteral("cut.mid"));
    test::WriteFile(CAppSettings::ToFsPath(cut), bytes);

    bool emptyMap = false;
    QString title;
    snapshotUi_.onWarn = [&] {
        emptyMap = true;
        for (ControllerId id = 0; id < kControllerCount; ++id) {
            emptyMap = emptyMap && app_->Document().Map().records[id] == AssignRecord{};
        }
        title = window_->windowTitle();
    };
    snapshotUi_.openPaths = {cut};
    window_->RunCommand(cmd::Open);
    ASSERT_EQ(snapshotUi_.warnings.size(), 1);
    EXPECT_TRUE(emptyMap);
    EXPECT_EQ(title, "Untitled - VOSTEL KEL Editor");
}

TEST_F(FileSafetyTest, FileMessagesAddThePathAndTheCauseInWords) {
    // Loading: a folder, and a recent file that has gone.
    const QString folder = TempPath(QStringLiteral("maps.mid"));
    ASSERT_TRUE(QDir().mkdir(folder));
    ui_.openPaths = {folder};
    window_->RunCommand(cmd::Open);
    const QString gone = WriteMapFile(QStringLiteral("gone.mid"));
    ASSERT_TRUE(QFile::remove(gone));
    app_->OnRecentFile(0);

    // Saving and exporting into a folder that does not exist.
    const QString save = TempPath(QStringLiteral("no such folder/map.mid"));
    const QString list = TempPath(QStringLiteral("no such folder/list.htm"));
    ui_.savePaths = {save, list};
    window_->RunCommand(cmd::SaveAs);
    window_->RunCommand(cmd::ExportList);

    EXPECT_EQ(
        ui_.warnings,
        QStringList(
            {"An error occurred while loading the file. (5)\n" + folder +
                 ": Access denied (no permission, a read-only disk, or not a file)",
             "An error occurred while loading the file. (2)\n" + gone + ": No such file or folder",
             "An error occurred while saving the file. (2)\n" + save + ": No such file or folder",
             "An error occurred while saving the file. (2)\n" + list +
                 ": No such file or folder"}));
}

class JapaneseFileSafetyTest : public FileSafetyTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(InstallUiTranslations(QLocale(QLocale::Japanese, QLocale::Japan)));
        FileSafetyTest::SetUp();
    }
    void TearDown() override {
        FileSafetyTest::TearDown();
        RemoveUiTranslations();
    }
};

TEST_F(JapaneseFileSafetyTest, TheSecondLinesAreInJapanese) {
    const QString missing = TempPath(QStringLiteral("missing.mid"));
    ui_.openPaths = {missing};
    window_->RunCommand(cmd::Open);

    ClickControl(kR7);
    Pick(Control<QComboBox>(AssignWindow(), CKelMsgDlg::IdTypeList), MsgFreeMessage);
    Control<QLineEdit>(AssignWindow(), CKelFreeMsgPage::IdMessageText)->setText("90 3C");
    window_->RunCommand(cmd::New);

    EXPECT_EQ(ui_.warnings,
              QStringList({UiMessage(StringId::LoadError, 2) + u'\n' + missing +
                               QString::fromUtf8(": ファイルまたはフォルダーがありません"),
                           UiText(StringId::MessageMistake) + u'\n' +
                               QString::fromUtf8("3 バイト目がありません: 90 "
                                                 "メッセージにはさらにデータバイトが必要です。")}));
}

} // namespace
} // namespace kel
