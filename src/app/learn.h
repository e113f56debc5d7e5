// SPDX-License-Identifier: GPL-3.0-or-later
// Edit > Learn from Input: the next channel message heard on the MIDI input (a note, a control
// change, a program change, pitch bend, channel or poly pressure) becomes the assignment of the
// control that was selected when learning began - its kind, channel and number taken from the
// message, the kind's default range, the control's port, button mode and comment kept. The
// change is one undo step. Escape, a timeout or choosing another control ends learning without
// a change.
#pragma once

#include <QObject>
#include <QString>
#include <QTimer>

#include <cstdint>
#include <span>

#include "model/controllers.h"

namespace kel {

class CParameter;
class CUndoHistory;
class IAssignDialog;
struct EditorParts;

class CLearnFromInput : public QObject {
    Q_OBJECT
public:
    static constexpr int kTimeoutMs = 20000;

    explicit CLearnFromInput(const EditorParts& parts);
    ~CLearnFromInput() override;

    // Waits for a message for control `id`. False (nothing started) for an invalid control, or
    // when the assign dialog refused its pending fields.
    bool Start(ControllerId id);
    // Ends learning without a change.
    void Cancel();
    bool Active() const { return IsValidController(target_); }
    ControllerId Target() const { return target_; }

    // One message heard: true when it became the control's assignment, which ends learning.
    // Messages that cannot be assigned are passed over and learning goes on.
    bool Offer(std::span<const std::uint8_t> message);

    // How long learning waits before it gives up.
    void SetTimeout(int milliseconds) { timer_.setInterval(milliseconds); }

signals:
    // Learning ended: with the new assignment (`learned`) or without a change.
    void Finished(bool learned);
    // What learning tells the user in the status bar, for `timeoutMs` (0: until replaced).
    void Status(const QString& text, int timeoutMs);

protected:
    // Escape anywhere in the editor cancels learning while it waits.
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void End(bool learned, const QString& status);
    void ShowStatus(const QString& text, int timeoutMs = 0);

    CParameter& document_;
    IAssignDialog& assign_;
    CUndoHistory& history_;
    QTimer timer_;
    ControllerId target_ = kNoController;
};

} // namespace kel
