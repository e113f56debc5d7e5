// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/undo.h"

#include <QUndoCommand>

#include <utility>

#include "gui/common/translation.h"

namespace kel {

namespace {

// The map as a step restores it: records, title and comments with the encoding and bytes
// they were read from; the modified flag is the history's business.
void CopyContents(const ControlMap& from, ControlMap& to) {
    to.records = from.records;
    to.title = from.title;
    to.comments = from.comments;
    to.textEncoding = from.textEncoding;
    to.titleBytes = from.titleBytes;
    to.commentBytes = from.commentBytes;
}

} // namespace

// One change of the map, as the map before and after it.
class CUndoHistory::CMapStep : public QUndoCommand {
public:
    CMapStep(CUndoHistory& history, const QString& name, const ControlMap& before,
             const ControlMap& after)
        : QUndoCommand(name), history_(history), before_(before), after_(after) {}

    void undo() override { history_.Restore(before_); }
    void redo() override {
        // The change has happened when the step is recorded; QUndoStack::push calls redo()
        // once at once.
        if (recorded_) {
            history_.Restore(after_);
        }
        recorded_ = true;
    }

private:
    CUndoHistory& history_;
    ControlMap before_;
    ControlMap after_;
    bool recorded_ = false;
};

CUndoHistory::CUndoHistory(CParameter& document) : document_(document) {
    document_.SetChangeHandler([this](MapChange change, ControllerId id, const ControlMap& before) {
        OnChange(change, id, before);
    });
}

CUndoHistory::~CUndoHistory() {
    document_.SetChangeHandler({});
}

void CUndoHistory::OnChange(MapChange change, ControllerId id, const ControlMap& before) {
    if (restoring_) {
        return;
    }
    if (change == MapChange::Replaced) {
        Clear();
        return;
    }
    // Where the map stood before this change: clean when it had not been modified.
    if (!before.modified) {
        stack_.setClean();
    } else if (stack_.isClean()) {
        stack_.resetClean();
    }
    QString name = pendingName_;
    if (name.isEmpty()) {
        name = change == MapChange::Title ? KelEditor::tr("Change Title")
               : change == MapChange::Controls
                   ? KelEditor::tr("Change Controls")
                   : KelEditor::tr("Change %1").arg(QString::fromLatin1(ControllerName(id)));
    }
    stack_.push(new CMapStep(*this, name, before, document_.Map()));
}

void CUndoHistory::SyncCleanState() {
    if (!document_.IsModified()) {
        stack_.setClean(); // saved (or never changed) at the current step
    } else if (stack_.isClean()) {
        stack_.resetClean(); // modified without a step: received or imported, not saved
    }
}

void CUndoHistory::Undo() {
    if (!stack_.canUndo()) {
        return;
    }
    SyncCleanState();
    stack_.undo();
    AfterStep();
}

void CUndoHistory::Redo() {
    if (!stack_.canRedo()) {
        return;
    }
    SyncCleanState();
    stack_.redo();
    AfterStep();
}

void CUndoHistory::Clear() {
    stack_.clear();
}

void CUndoHistory::Restore(const ControlMap& map) {
    CopyContents(map, document_.Map());
}

void CUndoHistory::AfterStep() {
    restoring_ = true;
    document_.SetModified(!stack_.isClean());
    // The edit buffer shows the restored record of the selected control, not a stale one.
    document_.RevertEdit();
    restoring_ = false;
    // The views show the map restored.
    document_.MapWasReplaced();
}

CUndoHistory::StepName::StepName(CUndoHistory& history, QString name)
    : history_(history), previous_(std::exchange(history.pendingName_, std::move(name))) {}

CUndoHistory::StepName::~StepName() {
    history_.pendingName_ = previous_;
}

} // namespace kel
