// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/panel/panelaccess.h"

#include <QAccessibleWidget>
#include <QPointer>
#include <QStringList>
#include <QTextDocument>
#include <QWindow>

#include <algorithm>
#include <array>

#include "gui/common/editornotify.h"
#include "gui/common/translation.h"
#include "gui/panel/kelpanel.h"
#include "model/kinds.h"
#include "model/midinames.h"
#include "model/parameter.h"
#include "model/terminaltext.h"

namespace kel {

QString ControlAccessibleName(ControllerId id) {
    if (!IsValidController(id)) {
        return {};
    }
    const QString name = QString::fromLatin1(ControllerName(id));
    if (id < kFirstSlider) {
        return KelEditor::tr("%1 knob").arg(name);
    }
    if (id < kFirstButtonA) {
        return KelEditor::tr("%1 slider").arg(name);
    }
    if (id == kPedal1 || id == kPedal2) {
        return KelEditor::tr("%1 pedal").arg(name);
    }
    if (id == kBend || id == kMod) {
        return KelEditor::tr("%1 wheel").arg(name);
    }
    if (id == kAft) {
        return KelEditor::tr("%1 pad").arg(name);
    }
    return KelEditor::tr("%1 button").arg(name);
}

QAccessible::Role ControlAccessibleRole(ControllerId id) {
    if (id >= kFirstKnob && id < kFirstSlider) {
        return QAccessible::Dial;
    }
    if ((id >= kFirstSlider && id < kFirstButtonA) || id == kBend || id == kMod) {
        return QAccessible::Slider;
    }
    return QAccessible::Button;
}

namespace {

QString Core(std::string_view english) {
    return CoreText("KelEditor", english);
}

// The message of a record with the values its label shows: "Control Change 74", "Bank Select +
// Program Change 1/2/4", "System Realtime/F6 FA (Start)", "NO ASSIGN".
QString MessageText(const AssignKind& kind, const AssignRecord& r, MiddleC middleC) {
    if (kind.type == MsgChannel) {
        QStringList values;
        for (const ValueField& field : kind.Values()) {
            if (field.labelled) {
                values << QString::number(field.Shown(r));
            }
        }
        const QString name = Core(ChannelKindName(kind.channelKind));
        QString text =
            values.isEmpty() ? name : name + QLatin1Char(' ') + values.join(QLatin1Char('/'));
        // The names musicians know the numbers by: "Control Change 74 (Brightness)".
        if (const std::string names = RecordNumberNames(r, middleC); !names.empty()) {
            text += QStringLiteral(" (") + QString::fromStdString(names) + QLatin1Char(')');
        }
        return text;
    }
    const QString name = Core(MessageTypeName(kind.type));
    if (kind.type == MsgSystemRealtime) {
        const auto it =
            std::find(kRealtimeStatus.begin(), kRealtimeStatus.end(), r[rec::RealtimeStatus]);
        const int index = static_cast<int>(it - kRealtimeStatus.begin());
        const QString entry = Core(RealtimeEntryName(index));
        return entry.isEmpty() ? name : name + QLatin1Char(' ') + entry;
    }
    return name;
}

} // namespace

QString ControlDescription(const CParameter& document, ControllerId id, MiddleC middleC) {
    if (!IsValidController(id)) {
        return {};
    }
    const AssignRecord& r = document.RecordOf(id);
    const AssignKind* kind = KindOf(r);
    QStringList parts;
    if (kind == nullptr) {
        parts << KelEditor::tr("invalid assignment");
    } else {
        parts << MessageText(*kind, r, middleC);
        if (kind->channel) {
            parts << KelEditor::tr("channel %1").arg(r[rec::Channel] + 1);
        }
        if (kind->port) {
            const QString port = Core(PortName(r[rec::Port]));
            parts << (port.isEmpty() ? KelEditor::tr("port %1").arg(r[rec::Port] + 1) : port);
        }
    }
    QString text = parts.join(QStringLiteral(", "));
    const std::string comment = document.GetMapComment(id);
    if (!comment.empty()) {
        // Held as UTF-8; a control or bidirectional character shows as an escape, as in the
        // Comment field, so a comment can neither reorder nor hide what is read out.
        text += QStringLiteral(". ") + QString::fromStdString(WithVisibleControls(comment));
    }
    return text;
}

QString ControlToolTip(const CParameter& document, ControllerId id, MiddleC middleC) {
    if (!IsValidController(id)) {
        return {};
    }
    return Qt::convertFromPlainText(ControlAccessibleName(id) + QLatin1Char('\n') +
                                        ControlDescription(document, id, middleC),
                                    Qt::WhiteSpaceNormal);
}

namespace {

// One control of the panel. It has no object of its own: Qt reaches it through the panel's
// interface, which registers it and removes it with the panel.
class CPanelControlAccessible : public QAccessibleInterface, public QAccessibleActionInterface {
public:
    CPanelControlAccessible(CKelPanel* panel, ControllerId id) : panel_(panel), id_(id) {}

    bool isValid() const override { return !panel_.isNull(); }
    QObject* object() const override { return nullptr; }
    QWindow* window() const override {
        return panel_ != nullptr && panel_->window() != nullptr ? panel_->window()->windowHandle()
                                                                : nullptr;
    }
    QAccessibleInterface* parent() const override {
        return QAccessible::queryAccessibleInterface(panel_.data());
    }
    QAccessibleInterface* child(int) const override { return nullptr; }
    int childCount() const override { return 0; }
    int indexOfChild(const QAccessibleInterface*) const override { return -1; }
    QAccessibleInterface* childAt(int, int) const override { return nullptr; }

    QString text(QAccessible::Text t) const override {
        if (panel_ == nullptr) {
            return {};
        }
        switch (t) {
        case QAccessible::Name:
            return ControlAccessibleName(id_);
        case QAccessible::Description:
            return ControlDescription(panel_->Document(), id_, panel_->NamesMiddleC());
        case QAccessible::Help:
            return KelEditor::tr("Enter opens the assign dialog; the arrow keys move to the "
                                 "nearest control");
        default:
            return {};
        }
    }
    void setText(QAccessible::Text, const QString&) override {}

    QRect rect() const override {
        if (panel_ == nullptr) {
            return {};
        }
        const QRect r = CKelPanel::ControlRectOf(id_);
        return QRect(panel_->mapToGlobal(r.topLeft()), r.size());
    }
    QAccessible::Role role() const override { return ControlAccessibleRole(id_); }
    QAccessible::State state() const override {
        QAccessible::State s;
        if (panel_ == nullptr) {
            s.invalid = true;
            return s;
        }
        s.focusable = true;
        s.selectable = true;
        s.invisible = !panel_->isVisible();
        // Every control of a selection of several is selected; the selected control (the one
        // the assign dialog shows) has the focus while the panel has it.
        s.selected = panel_->Document().IsSelected(id_);
        s.focused = panel_->Document().SelectedController() == id_ && panel_->hasFocus();
        return s;
    }

    void* interface_cast(QAccessible::InterfaceType type) override {
        return type == QAccessible::ActionInterface ? static_cast<QAccessibleActionInterface*>(this)
                                                    : nullptr;
    }

    QStringList actionNames() const override { return {pressAction(), setFocusAction()}; }
    QString localizedActionDescription(const QString& name) const override {
        if (name == pressAction()) {
            return KelEditor::tr("Opens the assign dialog on this control");
        }
        if (name == setFocusAction()) {
            return KelEditor::tr("Selects this control");
        }
        return {};
    }
    void doAction(const QString& name) override {
        if (panel_ == nullptr) {
            return;
        }
        if (name == pressAction()) {
            PostEditorNotify(panel_->Owner(), NotifyOpenAssign, id_);
        } else if (name == setFocusAction()) {
            panel_->setFocus(Qt::OtherFocusReason);
            if (panel_->Owner() != nullptr) {
                CEditorNotifyEvent select(NotifySelectControl, id_);
                QCoreApplication::sendEvent(panel_->Owner(), &select);
            }
        }
    }
    QStringList keyBindingsForAction(const QString& name) const override {
        return name == pressAction() ? QStringList{QStringLiteral("Return")} : QStringList{};
    }

private:
    QPointer<CKelPanel> panel_;
    ControllerId id_;
};

class CKelPanelAccessible : public QAccessibleWidget {
public:
    explicit CKelPanelAccessible(CKelPanel* panel)
        : QAccessibleWidget(panel, QAccessible::Pane, KelEditor::tr("Controller panel")) {
        ids_.fill(0);
    }
    ~CKelPanelAccessible() override {
        for (const QAccessible::Id id : ids_) {
            if (id != 0) {
                QAccessible::deleteAccessibleInterface(id);
            }
        }
    }

    CKelPanel* Panel() const { return static_cast<CKelPanel*>(widget()); }

    int childCount() const override { return kControllerCount; }
    QAccessibleInterface* child(int index) const override {
        if (!IsValidController(index)) {
            return nullptr;
        }
        QAccessible::Id& id = ids_[static_cast<std::size_t>(index)];
        if (id == 0) {
            id = QAccessible::registerAccessibleInterface(
                new CPanelControlAccessible(Panel(), index));
        }
        return QAccessible::accessibleInterface(id);
    }
    int indexOfChild(const QAccessibleInterface* child) const override {
        for (int i = 0; i < kControllerCount; ++i) {
            const QAccessible::Id id = ids_[static_cast<std::size_t>(i)];
            if (id != 0 && QAccessible::accessibleInterface(id) == child) {
                return i;
            }
        }
        return -1;
    }
    QAccessibleInterface* childAt(int x, int y) const override {
        const QPoint p = Panel()->mapFromGlobal(QPoint(x, y));
        return child(CKelPanel::HitTest(p.x(), p.y()));
    }
    QAccessibleInterface* focusChild() const override {
        if (!Panel()->hasFocus()) {
            return nullptr;
        }
        return child(Panel()->Document().SelectedController());
    }
    QAccessible::State state() const override {
        QAccessible::State s = QAccessibleWidget::state();
        s.multiSelectable = true;
        s.extSelectable = true;
        return s;
    }
    QString text(QAccessible::Text t) const override {
        if (t == QAccessible::Description) {
            return KelEditor::tr("The device's 50 controls. Arrow keys move to the nearest "
                                 "control, Home and End to the first and last, Enter opens it. "
                                 "Shift+arrow keys select several controls, Ctrl+Space adds or "
                                 "removes the control, Escape keeps only this one.");
        }
        return QAccessibleWidget::text(t);
    }

private:
    mutable std::array<QAccessible::Id, kControllerCount> ids_{};
};

QAccessibleInterface* PanelFactory(const QString&, QObject* object) {
    if (auto* panel = qobject_cast<CKelPanel*>(object); panel != nullptr) {
        return new CKelPanelAccessible(panel);
    }
    return nullptr;
}

} // namespace

void InstallPanelAccessibility() {
    static const bool installed = [] {
        QAccessible::installFactory(PanelFactory);
        return true;
    }();
    (void)installed;
}

} // namespace kel
