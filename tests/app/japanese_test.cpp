// SPDX-License-Identifier: GPL-3.0-or-later
// The Japanese user interface: with the Japanese translator installed, no text the user sees in
// the main window, its menus or any page of the assign dialog is still the English source, and
// the texts the core composes (the monitor's messages, the check and comparison reports) read
// Japanese with their parts translated and their numbers filled in.
#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>
#include <QTableView>

#include "app/mapcommands.h"
#include "app/monitorwindow.h"
#include "app/reportwindow.h"
#include "app/settings.h"
#include "gui/assign/chmsgpage.h"
#include "gui/assign/freemsgpage.h"
#include "gui/assign/msgdlg.h"
#include "gui/common/ids.h"
#include "gui/common/uitext.h"
#include "model/controllers.h"
#include "model/midinames.h"
#include "model/strings.h"
#include "support/editor_fixture.h"

namespace kel {
namespace {

// Every visible text of a widget tree, with where it was found.
using Texts = std::map<QString, QString>;

void CollectMenu(const QMenu* menu, const QString& where, Texts& texts) {
    for (const QAction* action : menu->actions()) {
        if (action->isSeparator() || !action->isVisible()) {
            continue;
        }
        texts.emplace(action->text(), where + QStringLiteral(" menu"));
        if (action->menu() != nullptr) {
            CollectMenu(action->menu(), where, texts);
        }
    }
}

void CollectWidgets(const QWidget* root, const QString& where, Texts& texts) {
    const auto shown = [root](const QWidget* w) { return w == root || w->isVisibleTo(root); };
    for (const QWidget* w : root->findChildren<QWidget*>()) {
        if (!shown(w)) {
            continue;
        }
        if (const auto* label = qobject_cast<const QLabel*>(w); label != nullptr) {
            texts.emplace(label->text(), where);
        } else if (const auto* button = qobject_cast<const QAbstractButton*>(w);
                   button != nullptr) {
            texts.emplace(button->text(), where);
        } else if (const auto* group = qobject_cast<const QGroupBox*>(w); group != nullptr) {
            texts.emplace(group->title(), where);
        } else if (const auto* list = qobject_cast<const QComboBox*>(w); list != nullptr) {
            for (int i = 0; i < list->count(); ++i) {
                texts.emplace(list->itemText(i), where + QStringLiteral(" list"));
            }
        } else if (const auto* bar = qobject_cast<const QMenuBar*>(w); bar != nullptr) {
            for (const QAction* action : bar->actions()) {
                texts.emplace(action->text(), where + QStringLiteral(" menu bar"));
                if (action->menu() != nullptr) {
                    CollectMenu(action->menu(), where, texts);
                }
            }
        }
    }
}

// Texts that read the same in both languages: names of controls, acronyms, the product name and
// "TITLE:", the name of the map's title field that the Japanese help uses as well.
bool StaysAsItIs(const QString& text) {
    static const QRegularExpression numberOrHex(QStringLiteral("^[0-9A-Fa-f ]*$"));
    static const QStringList same = {QStringLiteral("OK"),
                                     QStringLiteral("ALSA"),
                                     QStringLiteral("JACK"),
                                     QStringLiteral("RPN"),
                                     QStringLiteral("NRPN"),
                                     QStringLiteral("RPN MSB :"),
                                     QStringLiteral("RPN LSB :"),
                                     QStringLiteral("NRPN MSB :"),
                                     QStringLiteral("NRPN LSB :"),
                                     QStringLiteral("KEL Editor"),
                                     QStringLiteral("VOSTEL KEL Editor"),
                                     QStringLiteral("TITLE:")};
    if (numberOrHex.match(text).hasMatch() || same.contains(text)) {
        return true;
    }
    for (ControllerId id = 0; id < kControllerCount; ++id) {
        if (text == QString::fromLatin1(ControllerName(id))) {
            return true;
        }
    }
    // The standard names of MIDI numbers are known in English the world over.
    for (int number = 0; number < 128; ++number) {
        for (const std::string& name :
             {std::string(ControllerNumberName(number)), std::string(GmProgramName(number + 1)),
              NoteName(number), std::string(RpnName(0, number))}) {
            if (!name.empty() && text == QString::fromStdString(name)) {
                return true;
            }
        }
    }
    return false;
}

class JapaneseTest : public EditorTest {
protected:
    void TearDown() override {
        EditorTest::TearDown();
        app_.reset();
        RemoveUiTranslations();
    }

    // The main window, its menus and the assign dialog on every type, channel message kind
    // and data type.
    Texts Everything() {
        Texts texts;
        CollectWidgets(window_, QStringLiteral("main window"), texts);
        EXPECT_TRUE(app_->AssignDialog().OpenAssignDialog(0));
        CKelMsgDlg* dialog = AssignWindow();
        if (dialog == nullptr) {
            ADD_FAILURE() << "no assign dialog";
            return texts;
        }
        auto* types = FindByKelId<QComboBox>(dialog, CKelMsgDlg::IdTypeList);
        for (int type = 0; type < types->count(); ++type) {
            Pick(types, type);
            const QString where = QStringLiteral("assign dialog, type %1").arg(type);
            CollectWidgets(dialog, where, texts);
            if (auto* kinds = FindByKelId<QComboBox>(dialog, CKelChMsgPage::IdKindList);
                kinds != nullptr && kinds->isVisibleTo(dialog)) {
                for (int kind = 0; kind < kinds->count(); ++kind) {
                    Pick(kinds, kind);
                    CollectWidgets(dialog, where + QStringLiteral(" kind %1").arg(kind), texts);
                }
            }
            if (auto* dataTypes = FindByKelId<QComboBox>(dialog, CKelFreeMsgPage::IdDataTypeList);
                dataTypes != nullptr && dataTypes->isVisibleTo(dialog)) {
                for (int entry = 0; entry < dataTypes->count(); ++entry) {
                    Pick(dataTypes, entry);
                    CollectWidgets(dialog, where + QStringLiteral(" data type"), texts);
                }
            }
        }
        dialog->reject();
        return texts;
    }
};

TEST_F(JapaneseTest, NoVisibleTextIsLeftInEnglish) {
    const Texts english = Everything();
    ASSERT_GT(english.size(), 100u);
    EXPECT_TRUE(english.count(QStringLiteral("Note Number :")) == 1);
    EXPECT_TRUE(english.count(QStringLiteral("F8 (Timing Clock)")) == 1);

    ASSERT_TRUE(InstallUiTranslations(QLocale(QLocale::Japanese, QLocale::Japan)));
    ASSERT_TRUE(Start({QStringLiteral("kel-editor")}));
    const Texts japanese = Everything();
    EXPECT_EQ(japanese.count(QStringLiteral("ノート番号 :")), 1u);
    EXPECT_EQ(japanese.count(QStringLiteral("出力ポート :")), 1u);
    QStringList left;
    for (const auto& [text, where] : japanese) {
        if (english.count(text) != 0 && !StaysAsItIs(text)) {
            left.append(QStringLiteral("\"%1\" (%2)").arg(text, where));
        }
    }
    EXPECT_TRUE(left.isEmpty()) << left.join(QStringLiteral("\n")).toStdString();
}

// Every message, prompt and file filter of the string table, including those no window shows
// until something goes wrong.
TEST_F(JapaneseTest, EveryStringOfTheTableHasItsJapaneseText) {
    ASSERT_TRUE(InstallUiTranslations(QLocale(QLocale::Japanese, QLocale::Japan)));
    int strings = 0;
    for (int number = 0; number <= 0xFFFF; ++number) {
        const auto id = static_cast<StringId>(number);
        const std::string english(Text(id));
        if (english.empty() || id == StringId::AppTitle || id == StringId::AppTitleAlt ||
            id == StringId::StatusIdle) {
            continue;
        }
        ++strings;
        EXPECT_NE(UiText(id), QString::fromStdString(english)) << number;
    }
    EXPECT_GT(strings, 35);
}

class JapaneseReportsTest : public JapaneseEditorTest {
protected:
    CMapCommands* Commands() { return window_->findChild<CMapCommands*>(); }

    static QStringList LinesOf(const CReportWindow* report) {
        QStringList lines;
        for (int i = 0; i < report->List()->count(); ++i) {
            lines << report->List()->item(i)->text();
        }
        return lines;
    }

    // S3 and S4: Control Change 74 on channel 1, Port 1, from 0 to `max`.
    void SendTheSameControlChange(int max) {
        for (ControllerId id : {11, 12}) {
            AssignRecord& r = app_->Document().RecordOf(id);
            r.fill(0);
            r[rec::AssignCode] = CodeControlChange;
            r[5] = 74;
            r[7] = static_cast<std::uint8_t>(max);
        }
    }
};

TEST_F(JapaneseReportsTest, TheMonitorDescribesMessagesInJapanese) {
    CMonitorWindow monitor(app_->Parts(), window_);
    monitor.AddLines({{1.0, QStringLiteral("KEL"), {0xB1, 74, 63}, {}},
                      {2.0, QStringLiteral("KEL"), {0x90, 60, 100}, {}},
                      {3.0, QStringLiteral("KEL"), {0xE0, 0, 64}, {}},
                      {4.0, QStringLiteral("KEL"), {0xF0, 0x41, 0x10, 0xF7}, {}},
                      {5.0, QStringLiteral("KEL"), {0xF8}, {}}});
    const QAbstractItemModel* model = monitor.View()->model();
    QStringList words;
    for (int row = 0; row < model->rowCount(); ++row) {
        words << model->index(row, CMonitorLines::MessageColumn).data().toString();
    }
    EXPECT_EQ(words,
              QStringList({QString::fromUtf8("CC 74 = 63、チャンネル 2 (Brightness)"),
                           QString::fromUtf8("ノート・オン 60 ベロシティ 100、チャンネル 1 (C3)"),
                           QString::fromUtf8("ピッチ・ベンド 8192、チャンネル 1"),
                           QString::fromUtf8("エクスクルーシブ 4 バイト"),
                           QString::fromUtf8("クロック")}));
}

TEST_F(JapaneseReportsTest, TheMonitorsTitleBarButtonsSayWhatTheyDoInJapanese) {
    CMonitorWindow monitor(app_->Parts(), window_);
    int buttons = 0;
    for (const QAbstractButton* button : monitor.findChildren<QAbstractButton*>()) {
        if (!button->objectName().startsWith(QStringLiteral("qt_dockwidget_"))) {
            continue;
        }
        ++buttons;
        EXPECT_FALSE(button->toolTip().isEmpty()) << button->objectName().toStdString();
        EXPECT_FALSE(button->toolTip().contains(QRegularExpression(QStringLiteral("[A-Za-z]"))))
            << button->toolTip().toStdString();
        EXPECT_EQ(button->accessibleName(), button->toolTip());
    }
    EXPECT_EQ(buttons, 2); // float and close
}

TEST_F(JapaneseReportsTest, TheCheckReportTranslatesEveryPartOfAFinding) {
    SendTheSameControlChange(127);
    window_->RunCommand(cmd::CheckMap);
    const CReportWindow* report = Commands()->CheckWindow();
    ASSERT_NE(report, nullptr);
    // The sentence, the message it names and where it is sent are each translated.
    EXPECT_EQ(LinesOf(report),
              QStringList{QString::fromUtf8(
                  "S3 と S4 は同じ CC 74 (チャンネル 1、ポート 1) を送信します。")});
}

TEST_F(JapaneseReportsTest, TheComparisonReportTranslatesFieldsAndValues) {
    SendTheSameControlChange(127);
    const QString first = WriteMapFile(QStringLiteral("first.mid"), "FIRST");
    SendTheSameControlChange(100);
    app_->Document().RecordOf(11)[rec::Port] = 1;
    app_->Document().Map().comments[11] = "Filter";
    TitleField()->setText(QStringLiteral("SECOND"));
    const QString second = TempPath(QStringLiteral("second.mid"));
    ASSERT_EQ(app_->Files().SaveMapFile(CAppSettings::ToFsPath(second)), 1);
    ASSERT_EQ(app_->Files().LoadMapFile(CAppSettings::ToFsPath(first), ControlMapKind), 1);

    ui_.openPaths.push_back(second);
    window_->RunCommand(cmd::CompareWith);
    const CReportWindow* report = Commands()->CompareWindow();
    ASSERT_NE(report, nullptr);
    // Field names, port names and the separators are Japanese; labels, numbers and the map's
    // own texts are filled in as they are.
    EXPECT_EQ(
        LinesOf(report),
        QStringList({QString::fromUtf8("タイトル: \"FIRST\" → \"SECOND\""),
                     QString::fromUtf8("R1: CC 74:1 → N/A"),
                     QString::fromUtf8("S3: CC 74:1 (ポート ポート 1 → ポート 2、最大値 127 → "
                                       "100、コメント \"\" → \"Filter\")"),
                     QString::fromUtf8("S4: CC 74:1 (最大値 127 → 100)")}));
}

} // namespace
} // namespace kel
