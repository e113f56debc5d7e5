// SPDX-License-Identifier: GPL-3.0-or-later
// The Japanese user interface: with the Japanese translator installed, no text the user sees in
// the main window, its menus or any page of the assign dialog is still the English source.
#include <QAbstractButton>
#include <QComboBox>
#include <QGroupBox>
#include <QLabel>
#include <QMenu>
#include <QMenuBar>
#include <QRegularExpression>

#include "gui/assign/chmsgpage.h"
#include "gui/assign/freemsgpage.h"
#include "gui/assign/msgdlg.h"
#include "gui/common/uitext.h"
#include "model/controllers.h"
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

} // namespace
} // namespace kel
