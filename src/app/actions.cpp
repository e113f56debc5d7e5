// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/actions.h"

#include <QMainWindow>
#include <QMenu>
#include <QMenuBar>
#include <QTimer>

#include "gui/common/ids.h"
#include "gui/common/translation.h"
#include "gui/common/uitext.h"

namespace kel {

CCommandActions::CCommandActions(QMainWindow& home) : QObject(&home), home_(home) {}

QAction* CCommandActions::Add(CommandRow row) {
    auto* action = new QAction(KelEditor::tr(row.text), &home_);
    action->setShortcuts(row.keys);
    action->setShortcutContext(Qt::WindowShortcut);
    const QString tip =
        row.tip != nullptr ? KelEditor::tr(row.tip) : UiPrompt(static_cast<StringId>(row.id));
    action->setStatusTip(tip);
    if (row.checked) {
        action->setCheckable(true);
    }
    // The states are worked out again after every command, which may have changed them in ways
    // no signal tells (a monitor that could not start, labels shown).
    connect(action, &QAction::triggered, this, [this, run = std::move(row.run)] {
        const QPointer<CCommandActions> self(this);
        run();
        if (self != nullptr) {
            UpdateStates();
        }
    });
    Adopt(row.id, action, std::move(row.enabled));
    rules_[row.id].checked = std::move(row.checked);
    return action;
}

QAction* CCommandActions::Adopt(int id, QAction* action, std::function<bool()> enabled,
                                std::function<bool()> visible) {
    SetKelId(action, id);
    action->setShortcutContext(Qt::WindowShortcut);
    if (!home_.actions().contains(action)) {
        home_.addAction(action);
    }
    rules_[id] = Rule{action, std::move(enabled), {}, std::move(visible)};
    return action;
}

QAction* CCommandActions::Action(int id) const {
    const auto it = rules_.find(id);
    return it == rules_.end() ? nullptr : it->second.action;
}

void CCommandActions::Run(int id) {
    UpdateStates();
    if (QAction* action = Action(id); action != nullptr && action->isEnabled()) {
        action->trigger();
    }
}

void CCommandActions::UpdateStates() {
    for (auto& [id, rule] : rules_) {
        if (rule.enabled) {
            rule.action->setEnabled(rule.enabled());
        }
        if (rule.checked) {
            rule.action->setChecked(rule.checked());
        }
        if (rule.visible) {
            rule.action->setVisible(rule.visible());
        }
    }
}

void CCommandActions::Share(QWidget& window) {
    for (const auto& [id, rule] : rules_) {
        if (!rule.action->shortcuts().isEmpty()) {
            window.addAction(rule.action);
        }
    }
    // Alt with a menu's letter: the main window's menu, never a list or field of this window.
    for (QAction* menuAction : home_.menuBar()->actions()) {
        QMenu* menu = menuAction->menu();
        const QKeySequence mnemonic = QKeySequence::mnemonic(menuAction->text());
        if (menu == nullptr || mnemonic.isEmpty()) {
            continue;
        }
        auto* opener = new QAction(&window);
        opener->setShortcut(mnemonic);
        opener->setShortcutContext(Qt::WindowShortcut);
        connect(opener, &QAction::triggered, this, [this, menuAction] {
            home_.raise();
            home_.activateWindow();
            // Once the main window has the keyboard, its menu bar opens the menu as Alt+letter
            // there would.
            QTimer::singleShot(
                0, &home_, [this, menuAction] { home_.menuBar()->setActiveAction(menuAction); });
        });
        window.addAction(opener);
    }
}

} // namespace kel
