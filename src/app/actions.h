// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's commands as QActions: one action per command, made once from a table row (its
// id, menu text, keys, status tip, what it does and when it is enabled or checked). The menus
// take the actions; the assign dialog and the monitor window take the same actions, so that
// every key does the same from every window, and Alt with a menu's letter opens that menu of
// the main window from them. The enabled and checked states are worked out again whenever one
// of the signals they depend on fires (UpdateStates), never on a menu's opening.
#pragma once

#include <QAction>
#include <QKeySequence>
#include <QList>
#include <QObject>
#include <QPointer>

#include <functional>
#include <map>

class QMainWindow;
class QMenu;
class QWidget;

namespace kel {

struct CommandRow {
    int id;                   // the command id (gui/common/ids.h), kept as the action's kelId
    const char* text;         // the menu text in the KelEditor context, without its keys
    QList<QKeySequence> keys; // the first is shown in the menu
    const char* tip;          // the status tip in the KelEditor context; null: the string table's
    std::function<void()> run;
    std::function<bool()> enabled = {}; // always enabled when empty
    std::function<bool()> checked = {}; // checkable when set
};

class CCommandActions : public QObject {
    Q_OBJECT
public:
    explicit CCommandActions(QMainWindow& home);

    // Makes the action of `row`, owned by the home window; its shortcuts work in the home
    // window and in every window that Share is called for.
    QAction* Add(CommandRow row);
    // Adopts an action made elsewhere (Undo and Redo of the undo stack) under `id`, shown in
    // its menu while `visible` holds.
    QAction* Adopt(int id, QAction* action, std::function<bool()> enabled = {},
                   std::function<bool()> visible = {});
    QAction* Action(int id) const;

    // Runs a command as its menu item or key would: nothing when it is disabled.
    void Run(int id);

    // Gives `window` every action that has keys, and Alt with each menu's letter, which brings
    // the home window up with that menu open.
    void Share(QWidget& window);

public slots:
    // Works out every action's enabled and checked state again.
    void UpdateStates();

private:
    struct Rule {
        QAction* action;
        std::function<bool()> enabled;
        std::function<bool()> checked;
        std::function<bool()> visible;
    };

    QMainWindow& home_;
    std::map<int, Rule> rules_;
};

} // namespace kel
