// SPDX-License-Identifier: GPL-3.0-or-later
// The controller panel: the picture of the device on which the user picks a control.
//
// CPanel shows a picture in a child window and reports clicks; CKelPanel adds the device's 50
// control rectangles, the red frame around the selected control, the coloured label boxes with
// each control's assignment, the hand cursor over a control, the request to the owner to
// open a control (the editor notification NotifyOpenAssign, posted), and the short light on the
// controls the device was just heard to send from, which fades away on its own. From the
// keyboard the arrow keys, Home and End ask the owner to select another control
// (NotifySelectControl, sent) and Enter or Space opens the selected one; while the panel has the
// focus a black and white frame surrounds the selected control.
//
// Several controls can be selected together (SelectRequested asks the owner): Ctrl+click
// toggles a control, Shift+click adds the run from the selected control to the clicked one in
// reading order, a drag over the picture's background draws a band that selects the controls
// it touches (with Ctrl, adds them), Shift+arrow adds the control that way and makes it the
// selected one, Ctrl+Space toggles the selected control, and Escape keeps only the selected
// control. Every selected control has the red frame. Screen readers see the 50
// controls as its children (gui/panel/panelaccess.h); the mouse resting on a control shows
// the same name and assignment as a tooltip.
#pragma once

#include <QElapsedTimer>
#include <QFont>
#include <QPointer>
#include <QRect>
#include <QString>
#include <QTimer>
#include <QWidget>

#include <array>
#include <span>
#include <string>
#include <vector>

#include "gui/common/viewoptions.h"
#include "model/controllers.h"

class QFontMetrics;
class QRubberBand;

namespace kel {

class CParameter;

class CPanel : public QWidget {
    Q_OBJECT
public:
    explicit CPanel(int imageId, QWidget* parent = nullptr);

    // Takes the picture's size and places the panel at (x, y) in its owner.
    void SetPosition(int x, int y);
    // Makes the panel a visible child of `owner`, which receives its notifications.
    virtual bool CreatePanel(QWidget* owner);

    int PanelWidth() const { return width_; }
    int PanelHeight() const { return height_; }
    QWidget* Owner() const { return owner_; }

    QSize sizeHint() const override { return {width_, height_}; }

protected:
    virtual void Draw(QPainter& painter);
    virtual void OnClick(Qt::KeyboardModifiers flags, QPoint point);
    virtual void OnDoubleClick(Qt::KeyboardModifiers flags, QPoint point);

    void paintEvent(QPaintEvent* event) override;
    void mousePressEvent(QMouseEvent* event) override;
    void mouseDoubleClickEvent(QMouseEvent* event) override;

    // Draws the whole picture at (0, 0).
    void DrawImage(QPainter& painter);

private:
    int imageId_;
    QWidget* owner_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    int x_ = 0;
    int y_ = 0;
};

// Where the label box of a control sits relative to the control's centre, in label heights.
enum class LabelOffset { None, UpHalf, DownHalf, Down1, Up1, Up2, Up3 };

struct ControlRect {
    int left, top, right, bottom; // right and bottom exclusive
    LabelOffset labelOffset;
};

// The 50 control rectangles in picture pixels, indexed by ControllerId.
extern const std::array<ControlRect, kControllerCount> kControlRects;

class CKelPanel : public CPanel {
    Q_OBJECT
public:
    explicit CKelPanel(const CParameter& document, QWidget* parent = nullptr);

    const CParameter& Document() const { return document_; }

    // The options the tooltips and descriptions name notes by; the descriptions follow their
    // changes at once. Middle C is C3 without them.
    void SetViewOptions(const CViewOptions* options);
    MiddleC NamesMiddleC() const { return MiddleCOf(viewOptions_.data()); }

    // The first control whose rectangle holds (x, y), or -1.
    static ControllerId HitTest(int x, int y);

    // The nearest control on the picture in `direction` (Qt::Key_Left, _Right, _Up or _Down)
    // from control `from`, or -1 when no control lies that way.
    static ControllerId Neighbour(ControllerId from, int direction);
    // The control the key `key` moves the selection to from `selected` (-1: none selected), or
    // -1 when the key does not move it.
    static ControllerId KeyTarget(ControllerId selected, int key);
    // The control's rectangle as a QRect (left, top, width, height).
    static QRect ControlRectOf(ControllerId id);
    // The controls whose rectangles `area` touches, in reading order.
    static std::vector<ControllerId> ControlsTouching(const QRect& area);
    // The keyboard picture at the panel's bottom right, where no control is.
    static QRect KeyboardRect() { return QRect(464, 166, 244, 46); }

    // The label boxes (Show Messages).
    bool ShowLabels() const { return showLabels_; }
    void SetShowLabels(bool show);
    void ToggleLabels() { SetShowLabels(!showLabels_); }

    // The font of the label texts: Arial-like, 9 pixels, normal weight.
    static QFont LabelFont();
    // The box of `text` for control `id` (right and bottom exclusive, as a QRect).
    static QRect GetLabelRect(ControllerId id, const QString& text, const QFontMetrics& metrics);

    // Draws the label boxes of the 50 controls of `document` in picture pixels, as Show
    // Messages shows them (the printed panel draws them too).
    static void PaintLabels(QPainter& painter, const CParameter& document);

    // The box colours by the port the record sends to: pen and fill for ports 0, 1, 2 and
    // everything else (NO ASSIGN, or a stored port above 2).
    static QColor LabelPenColor(int port);
    static QColor LabelFillColor(int port);

    // Lights the controls `ids` (invalid ids are ignored): a green glow over each, apart from
    // the red selection frame, that fades out over kLightMs. Lighting a control again starts
    // its light afresh.
    static constexpr int kLightMs = 700;
    void LightControls(std::span<const ControllerId> ids);
    // How strongly control `id` is lit now: 1 just after it was lit, falling to 0.
    double LightLevel(ControllerId id) const;
    bool AnyLit() const { return fadeTimer_.isActive(); }
    // The fill colour of a fully lit control.
    static QColor LightColor();

signals:
    // A paint showed at least one lit control (the editor measures its response with it).
    void LitPainted();
    // The user asks to select the controls `ids` with `current` as the selected control.
    void SelectRequested(const QList<int>& ids, int current);

protected:
    bool event(QEvent* event) override;
    void Draw(QPainter& painter) override;
    void OnClick(Qt::KeyboardModifiers flags, QPoint point) override;
    void OnDoubleClick(Qt::KeyboardModifiers flags, QPoint point) override;
    void mouseMoveEvent(QMouseEvent* event) override;
    void mouseReleaseEvent(QMouseEvent* event) override;
    void keyPressEvent(QKeyEvent* event) override;
    void focusInEvent(QFocusEvent* event) override;
    void focusOutEvent(QFocusEvent* event) override;

private:
    void DrawSelectionFrame(QPainter& painter, const ControlRect& rect);
    void DrawFocusFrame(QPainter& painter);
    void DrawLabels(QPainter& painter);
    // Tells screen readers what changed since they were last told: the selected control (as
    // the focus, while the panel has it) and the descriptions of changed assignments.
    void AnnounceChanges(bool focusMoved);
    void DrawLights(QPainter& painter);
    void FadeStep();
    // Asks for the selection `ids` (reading order) with `current` as the selected control.
    void RequestSelection(const std::vector<ControllerId>& ids, ControllerId current);
    // The selection a click on `id` with Ctrl (toggle) or Shift (add a run) asks for.
    void ExtendByClick(ControllerId id, Qt::KeyboardModifiers flags);
    // Handles Shift+arrow, Ctrl+Space and Escape; false for any other key.
    bool SelectionKey(QKeyEvent* event);

    const CParameter& document_;
    QPointer<const CViewOptions> viewOptions_;
    bool showLabels_ = false;
    ControllerId announcedSelection_ = kNoController;
    std::array<QString, kControllerCount> announcedDescriptions_;
    std::array<bool, kControllerCount> announcedSelected_{};
    // The band a drag over the background draws, from where the drag started.
    QRubberBand* band_ = nullptr;
    QPoint bandStart_;
    bool bandAdds_ = false; // Ctrl was held: the band adds to the selection
    QElapsedTimer clock_;
    // When each control was last lit, in milliseconds of clock_; -1 when it is dark.
    std::array<qint64, kControllerCount> litAt_{};
    QTimer fadeTimer_;
};

} // namespace kel
