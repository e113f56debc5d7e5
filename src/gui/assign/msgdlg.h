// SPDX-License-Identifier: GPL-3.0-or-later
// The assign dialog: the modeless window in which the user edits what the selected control
// sends. It shows one control at a time and edits the document's edit buffer, never the map:
// its pending fields reach the edit buffer through ApplyAssignDialog, which then commits it.
//
// One dialog object lives as long as the application; its controls are built the first time a
// control is opened, OK and Cancel hide it, and DestroyWindow takes the controls down again.
#pragma once

#include <QDialog>
#include <QPoint>
#include <QPointer>

#include <functional>
#include <optional>

#include "gui/common/assignhook.h"
#include "gui/common/viewoptions.h"
#include "model/controllers.h"

class QCheckBox;
class QComboBox;
class QKeyEvent;
class QLabel;
class QPushButton;

namespace kel {

class CParameter;
class Reporter;
class CMapTextEdit;
class CKelChMsgPage;
class CKelFreeMsgPage;
class CKelSysRealPage;

class CKelMsgDlg : public QDialog, public IAssignDialog {
    Q_OBJECT
public:
    static constexpr int IdDialog = 130;
    static constexpr int IdControllerName = 1003;
    static constexpr int IdTypeList = 1004;
    static constexpr int IdPageLocator = 1022;
    static constexpr int IdPortList = 1026;
    static constexpr int IdButtonModeLabel = 1027;
    static constexpr int IdButtonModeList = 1039;
    static constexpr int IdAftModeLabel = 1041;
    static constexpr int IdAftModeList = 1028;
    static constexpr int IdCenterClick = 1040;
    static constexpr int IdComment = 1034;
    static constexpr int IdOk = 1;
    static constexpr int IdCancel = 2;

    // `reporter` shows the refusals of a message text.
    CKelMsgDlg(CParameter& document, Reporter& reporter);
    ~CKelMsgDlg() override;

    // The window that receives NotifyActivateMain (posted) when the dialog closes with OK or
    // Cancel: the main window.
    void SetNotifyTarget(QObject* target) { notifyTarget_ = target; }
    // The window the dialog opens beside (the main window), so that it leaves the panel in
    // view.
    void SetHomeWindow(QWidget* window) { homeWindow_ = window; }
    // Where the user left the dialog before (its frame's top-left corner): the dialog opens
    // there again, kept on the screen; beside the home window when the place is on no screen.
    void SetSavedPosition(const QPoint& topLeft) { savedPosition_ = topLeft; }
    // Where the dialog's frame of a size goes the first time it opens on a control, when the
    // home window knows the panel (see PlaceBesidePanel); else PlaceBeside decides.
    using Placement = std::function<QRect(const QSize& frame, ControllerId id)>;
    void SetPlacement(Placement placement) { placement_ = std::move(placement); }
    // The options the channel page names the numbers by (middle C), for the dialog's life.
    void SetViewOptions(const CViewOptions* options);

    // Shows control `id`, first applying the pending edits of the control shown. False when
    // those edits were refused: the dialog stays on the control it shows.
    bool OpenAssignDialog(ControllerId id) override;
    // Writes the pending fields into the edit buffer as one setting of the control (SetControl)
    // and commits it. 0 when the dialog is hidden (a changed edit buffer is still committed) or
    // everything was written; -1 when the setting was refused, a message text most likely: the
    // refusal is shown, and neither the edit buffer nor the map is changed.
    int ApplyAssignDialog() override;
    // Refills every control from the edit buffer (after the document changed). While the
    // window is down or hidden, a changed edit buffer is committed instead.
    void RefreshFromDocument() override;

    bool IsCreated() const { return content_ != nullptr; }
    QWidget* Window() override { return IsCreated() ? this : nullptr; }
    // Takes the controls and pages down; the next OpenAssignDialog builds them again.
    void DestroyWindow() override;

    // Moves the dialog beside `home` within the screen's free area: where the placement says
    // for control `id`; without one to its right, else to its left, else below it, else
    // wherever it covers the least of `home`.
    void PlaceBeside(const QWidget& home, ControllerId id = kNoController);

    // The capabilities of the control being edited.
    bool ControlHasButtonMode() const { return hasButtonMode_; }
    bool ControlHasAftMode() const { return hasAftMode_; }
    bool ControlHasCenterClick() const { return hasCenterClick_; }

    CKelChMsgPage* ChannelPage() const { return channelPage_; }
    CKelFreeMsgPage* FreePage() const { return freePage_; }
    CKelSysRealPage* RealtimePage() const { return realtimePage_; }

public slots:
    void accept() override; // OK
    void reject() override; // Cancel, Escape, the window's close button

signals:
    // The dialog went out of view at `topLeft` (its frame's corner): the place to keep.
    void PositionKept(const QPoint& topLeft);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void hideEvent(QHideEvent* event) override;

private:
    void Create();
    // Moves the dialog to the saved position, kept inside the screen it is on; false when
    // there is none or it lies on no screen.
    bool RestoreSavedPosition();
    // Commits an edit buffer changed while the window is down or hidden (Paste, NO ASSIGN).
    bool CommitWithoutWindow();
    void UpdateTypeControls();
    void OnTypeActivated(int entry);
    bool IsInPage(const QObject* object) const;

    CParameter& document_;
    Reporter& reporter_;
    QPointer<QObject> notifyTarget_;
    QPointer<QWidget> homeWindow_;
    std::optional<QPoint> savedPosition_;
    Placement placement_;
    QPointer<const CViewOptions> viewOptions_;

    bool hasButtonMode_ = false;
    bool hasAftMode_ = false;
    bool hasCenterClick_ = false;

    QWidget* content_ = nullptr; // parent of every control; null while the window is down
    QLabel* nameText_ = nullptr;
    QComboBox* typeList_ = nullptr;
    QWidget* pageLocator_ = nullptr;
    QComboBox* portList_ = nullptr;
    QLabel* buttonModeLabel_ = nullptr;
    QComboBox* buttonModeList_ = nullptr;
    QLabel* aftModeLabel_ = nullptr;
    QComboBox* aftModeList_ = nullptr;
    QCheckBox* centerClick_ = nullptr;
    CMapTextEdit* comment_ = nullptr;
    QPushButton* ok_ = nullptr;
    QPushButton* cancel_ = nullptr;
    CKelChMsgPage* channelPage_ = nullptr;
    CKelFreeMsgPage* freePage_ = nullptr;
    CKelSysRealPage* realtimePage_ = nullptr;
};

} // namespace kel
