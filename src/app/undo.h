// SPDX-License-Identifier: GPL-3.0-or-later
// The undo history of the control map: every user edit that reaches the map (a committed
// assignment of the assign dialog, Paste, NO ASSIGN, the title) is one step that can be undone
// and redone. A step holds the whole map as it was before and after the change; the map is
// small (50 records, 51 texts), so a snapshot is simpler and safer than replaying an edit.
//
// Opening, receiving and importing replace the map: the history starts afresh then, and the
// map read counts as the state the first step goes back to.
//
// The modified flag follows the history: the step at which the map was last saved (or opened)
// is "clean", and going back or forth to it clears the flag. Saving itself is noticed through
// the document's flag, so the history needs no word from the file commands.
#pragma once

#include <QObject>
#include <QString>
#include <QUndoStack>

#include "model/parameter.h"

namespace kel {

class CUndoHistory : public QObject {
    Q_OBJECT
public:
    // After a step was undone or redone the document tells its views (MapWasReplaced).
    explicit CUndoHistory(CParameter& document);
    ~CUndoHistory() override;

    QUndoStack& Stack() { return stack_; }

    bool CanUndo() const { return stack_.canUndo(); }
    bool CanRedo() const { return stack_.canRedo(); }
    // The name of the step Undo or Redo would take back or do again ("Change R1"); empty when
    // there is none.
    QString UndoName() const { return stack_.undoText(); }
    QString RedoName() const { return stack_.redoText(); }

    // Take back the last step and do it again. The caller has committed pending edits first.
    // (Use these rather than the stack's own undo() and redo(), which would leave the edit
    // buffer and the modified flag behind.)
    void Undo();
    void Redo();

    // Forgets every step.
    void Clear();

    // Names the steps recorded while the returned object lives ("Paste R1"); steps recorded
    // outside such a scope are named after their change ("Change R1", "Change Title").
    class StepName {
    public:
        StepName(CUndoHistory& history, QString name);
        ~StepName();
        StepName(const StepName&) = delete;
        StepName& operator=(const StepName&) = delete;

    private:
        CUndoHistory& history_;
        QString previous_;
    };

private:
    class CMapStep;

    void OnChange(MapChange change, ControllerId id, const ControlMap& before);
    // Lines the history's clean step up with the document's modified flag, which a save or a
    // receive may have changed since.
    void SyncCleanState();
    void Restore(const ControlMap& map);
    // After Undo or Redo: the modified flag from the clean step, the edit buffer reloaded, the
    // views refreshed.
    void AfterStep();

    CParameter& document_;
    QUndoStack stack_;
    QString pendingName_;
    bool restoring_ = false;
};

} // namespace kel
