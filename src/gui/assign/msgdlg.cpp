// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/assign/msgdlg.h"

#include <QApplication>
#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QMouseEvent>
#include <QPainter>
#include <QPushButton>
#include <QScreen>
#include <QVBoxLayout>

#include <algorithm>
#include <string>

#include "gui/assign/chmsgpage.h"
#include "gui/assign/freemsgpage.h"
#include "gui/assign/sysrealpage.h"
#include "gui/common/accedit.h"
#include "gui/common/editornotify.h"
#include "gui/common/ids.h"
#include "gui/common/maptextedit.h"
#include "gui/common/translation.h"
#include "gui/common/uitext.h"
#include "model/assign.h"
#include "model/controlsetting.h"
#include "model/kinds.h"
#include "model/parameter.h"

namespace kel {

namespace {

constexpr int kIncreaseEntry = 2;

void KeepSpaceWhenHidden(QWidget* widget) {
    QSizePolicy policy = widget->sizePolicy();
    policy.setRetainSizeWhenHidden(true);
    widget->setSizePolicy(policy);
}

QComboBox* MakeList(QWidget* parent, int id) {
    auto* list = new QComboBox(parent);
    SetKelId(list, id);
    list->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    return list;
}

// A list of the dialog takes the focus by a click or Tab, never by the wheel passing over it.
void KeepListsFromTheWheel(QWidget* content) {
    const auto lists = content->findChildren<QComboBox*>();
    for (QComboBox* list : lists) {
        list->setFocusPolicy(Qt::StrongFocus);
    }
}

// Alt with a key that types something: meant for the menus (their letters are the window's
// shortcuts), never for the list or field that has the focus, which would take the letter as
// the first of an entry to pick.
bool IsAltLetter(const QKeyEvent& key) {
    const Qt::KeyboardModifiers modifiers = key.modifiers();
    return (modifiers & Qt::AltModifier) &&
           !(modifiers & (Qt::ControlModifier | Qt::MetaModifier)) && key.key() < Qt::Key_Escape;
}

// `index` when the list has such an entry, otherwise no entry (-1).
int EntryOrNone(const QComboBox* list, int index) {
    return index >= 0 && index < list->count() ? index : -1;
}

// A ring in the highlight colour around the field of the dialog that has the keyboard, however
// the focus came to it (the style frames a list only after Tab), so that a key never lands on
// a field that does not look focused. It shows nothing while the dialog itself has the focus.
class CFocusRing : public QWidget {
public:
    explicit CFocusRing(QWidget& dialog) : QWidget(&dialog), dialog_(dialog) {
        setAttribute(Qt::WA_TransparentForMouseEvents);
        setFocusPolicy(Qt::NoFocus);
        hide();
        connect(qApp, &QApplication::focusChanged, this,
                [this](QWidget*, QWidget* now) { Follow(now); });
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override {
        if (watched == target_ &&
            (event->type() == QEvent::Move || event->type() == QEvent::Resize ||
             event->type() == QEvent::Show || event->type() == QEvent::Hide)) {
            Place();
        }
        return QWidget::eventFilter(watched, event);
    }

    void paintEvent(QPaintEvent*) override {
        QPainter painter(this);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setPen(QPen(palette().color(QPalette::Active, QPalette::Highlight), kWidth));
        painter.setBrush(Qt::NoBrush);
        const qreal inset = kWidth / 2.0;
        painter.drawRoundedRect(QRectF(rect()).adjusted(inset, inset, -inset, -inset), 3, 3);
    }

private:
    static constexpr int kWidth = 2;
    static constexpr int kMargin = 3;

    void Follow(QWidget* now) {
        if (target_ != nullptr) {
            target_->removeEventFilter(this);
        }
        target_ = now != nullptr && now != &dialog_ && dialog_.isAncestorOf(now) ? now : nullptr;
        if (target_ != nullptr) {
            target_->installEventFilter(this);
        }
        Place();
    }

    void Place() {
        if (target_ == nullptr || !target_->isVisible()) {
            hide();
            return;
        }
        const QPoint corner = target_->mapTo(&dialog_, QPoint(0, 0));
        setGeometry(QRect(corner, target_->size()).adjusted(-kMargin, -kMargin, kMargin, kMargin));
        raise();
        show();
        update();
    }

    QWidget& dialog_;
    QPointer<QWidget> target_;
};

} // namespace

CKelMsgDlg::CKelMsgDlg(CParameter& document, Reporter& reporter)
    : QDialog(nullptr), document_(document), reporter_(reporter) {
    SetKelId(this, IdDialog);
    setWindowTitle(KelEditor::tr("KEL Editor"));
    setModal(false);
    setWindowFlag(Qt::WindowContextHelpButtonHint, false);
    auto* layout = new QVBoxLayout(this);
    layout->setSizeConstraint(QLayout::SetFixedSize);
    layout->setContentsMargins(0, 0, 0, 0);
    new CFocusRing(*this);
}

CKelMsgDlg::~CKelMsgDlg() = default;

void CKelMsgDlg::SetViewOptions(const CViewOptions* options) {
    viewOptions_ = options;
    if (channelPage_ != nullptr) {
        channelPage_->SetViewOptions(options);
    }
}

void CKelMsgDlg::Create() {
    content_ = new QWidget(this);
    layout()->addWidget(content_);

    nameText_ = new QLabel(content_);
    SetKelId(nameText_, IdControllerName);
    QFont nameFont = nameText_->font();
    nameFont.setBold(true);
    nameFont.setPointSizeF(nameFont.pointSizeF() * 1.4);
    nameText_->setFont(nameFont);
    nameText_->setMinimumWidth(QFontMetrics(nameFont).horizontalAdvance(QStringLiteral("BEND")) +
                               8);

    // "Assign Message :": the type and the page of its parameters.
    auto* assignGroup = new QGroupBox(KelEditor::tr("Assign Message :"), content_);
    typeList_ = MakeList(assignGroup, IdTypeList);
    for (int t = 0; t < kMessageTypeCount; ++t) {
        typeList_->addItem(CoreText("KelEditor", MessageTypeName(t)));
    }
    pageLocator_ = new QWidget(assignGroup);
    SetKelId(pageLocator_, IdPageLocator);
    AssignEntry& edit = document_.EditBuffer();
    channelPage_ = new CKelChMsgPage(edit, pageLocator_);
    channelPage_->SetViewOptions(viewOptions_.data());
    freePage_ = new CKelFreeMsgPage(edit, reporter_, pageLocator_);
    realtimePage_ = new CKelSysRealPage(edit, pageLocator_);
    auto* pages = new QGridLayout(pageLocator_);
    pages->setContentsMargins(0, 0, 0, 0);
    QSize pageSize;
    for (QWidget* page : {static_cast<QWidget*>(channelPage_), static_cast<QWidget*>(freePage_),
                          static_cast<QWidget*>(realtimePage_)}) {
        pages->addWidget(page, 0, 0);
        pageSize = pageSize.expandedTo(page->sizeHint());
    }
    pageLocator_->setMinimumSize(pageSize);
    auto* assignLayout = new QVBoxLayout(assignGroup);
    assignLayout->addWidget(typeList_, 0, Qt::AlignLeft);
    assignLayout->addSpacing(4);
    assignLayout->addWidget(pageLocator_);

    // "Settings": port, button mode, AFT mode, Virtual Center Click.
    auto* settingsGroup = new QGroupBox(KelEditor::tr("Settings"), content_);
    auto* portLabel = new QLabel(KelEditor::tr("Output Port :"), settingsGroup);
    portList_ = MakeList(settingsGroup, IdPortList);
    for (int p = 0; p < 3; ++p) {
        portList_->addItem(CoreText("KelEditor", PortName(p)));
    }
    portLabel->setBuddy(portList_);
    buttonModeLabel_ = new QLabel(KelEditor::tr("Button Mode :"), settingsGroup);
    SetKelId(buttonModeLabel_, IdButtonModeLabel);
    buttonModeList_ = MakeList(settingsGroup, IdButtonModeList);
    for (int m = 0; m <= kIncreaseEntry; ++m) {
        buttonModeList_->addItem(CoreText("KelEditor", ButtonModeName(m)));
    }
    buttonModeLabel_->setBuddy(buttonModeList_);
    aftModeLabel_ = new QLabel(KelEditor::tr("AFT Mode :"), settingsGroup);
    SetKelId(aftModeLabel_, IdAftModeLabel);
    aftModeList_ = MakeList(settingsGroup, IdAftModeList);
    for (int m = 0; m < 3; ++m) {
        aftModeList_->addItem(CoreText("KelEditor", AftModeName(m)));
    }
    aftModeLabel_->setBuddy(aftModeList_);
    centerClick_ = new QCheckBox(KelEditor::tr("Virtual Center Click"), settingsGroup);
    SetKelId(centerClick_, IdCenterClick);
    for (QWidget* w : {static_cast<QWidget*>(buttonModeLabel_),
                       static_cast<QWidget*>(buttonModeList_), static_cast<QWidget*>(aftModeLabel_),
                       static_cast<QWidget*>(aftModeList_), static_cast<QWidget*>(centerClick_)}) {
        KeepSpaceWhenHidden(w);
    }
    aftModeLabel_->hide();
    aftModeList_->hide();
    centerClick_->hide();
    auto* settings = new QGridLayout(settingsGroup);
    settings->setHorizontalSpacing(8);
    settings->addWidget(portLabel, 0, 0);
    settings->addWidget(portList_, 0, 1, Qt::AlignLeft);
    settings->addWidget(buttonModeLabel_, 0, 3);
    settings->addWidget(buttonModeList_, 0, 4, Qt::AlignLeft);
    settings->addWidget(aftModeLabel_, 1, 0);
    settings->addWidget(aftModeList_, 1, 1, Qt::AlignLeft);
    settings->addWidget(centerClick_, 1, 3, 1, 2);
    settings->setColumnStretch(2, 1);
    settings->setColumnStretch(5, 1);

    // "Comment :" and the buttons.
    auto* commentLabel = new QLabel(KelEditor::tr("Comment :"), content_);
    comment_ = new CMapTextEdit(content_);
    SetKelId(comment_, IdComment);
    // The comment of the control the dialog shows; it stops where the file has no more room.
    comment_->SetRoom([this](const std::string& comment) {
        return RoomForText(document_.Map(), document_.EditBuffer().controllerId, comment);
    });
    commentLabel->setBuddy(comment_);
    auto* commentRow = new QHBoxLayout;
    commentRow->addWidget(commentLabel);
    commentRow->addWidget(comment_, 1);

    ok_ = new QPushButton(KelEditor::tr("OK"), content_);
    SetKelId(ok_, IdOk);
    ok_->setDefault(true);
    cancel_ = new QPushButton(KelEditor::tr("Cancel"), content_);
    SetKelId(cancel_, IdCancel);
    auto* buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(ok_);
    buttons->addWidget(cancel_);

    auto* main = new QVBoxLayout(content_);
    main->addWidget(nameText_);
    main->addWidget(assignGroup);
    main->addWidget(settingsGroup);
    main->addLayout(commentRow);
    main->addSpacing(4);
    main->addLayout(buttons);

    connect(typeList_, &QComboBox::activated, this, &CKelMsgDlg::OnTypeActivated);
    connect(channelPage_, &CKelChMsgPage::KindChanged, this, &CKelMsgDlg::UpdateTypeControls);
    connect(ok_, &QPushButton::clicked, this, &CKelMsgDlg::accept);
    connect(cancel_, &QPushButton::clicked, this, &CKelMsgDlg::reject);

    KeepListsFromTheWheel(content_);

    // Every key stroke and wheel turn meant for a control passes the dialog's filter first.
    installEventFilter(this);
    content_->installEventFilter(this);
    const auto children = content_->findChildren<QWidget*>();
    for (QWidget* child : children) {
        child->installEventFilter(this);
    }
}

void CKelMsgDlg::DestroyWindow() {
    if (content_ == nullptr) {
        return;
    }
    hide();
    removeEventFilter(this);
    delete content_; // takes the pages with it
    content_ = nullptr;
    nameText_ = nullptr;
    typeList_ = nullptr;
    pageLocator_ = nullptr;
    portList_ = nullptr;
    buttonModeLabel_ = nullptr;
    buttonModeList_ = nullptr;
    aftModeLabel_ = nullptr;
    aftModeList_ = nullptr;
    centerClick_ = nullptr;
    comment_ = nullptr;
    ok_ = nullptr;
    cancel_ = nullptr;
    channelPage_ = nullptr;
    freePage_ = nullptr;
    realtimePage_ = nullptr;
}

bool CKelMsgDlg::OpenAssignDialog(ControllerId id) {
    if (!IsValidController(id)) {
        return false;
    }
    const bool firstShow = !IsCreated();
    if (firstShow) {
        Create();
        if (!RestoreSavedPosition() && homeWindow_ != nullptr && homeWindow_->isVisible()) {
            PlaceBeside(*homeWindow_, id);
        }
        show();
    } else if (!isVisible()) {
        show();
    } else if (ApplyAssignDialog() < 0) {
        return false;
    }

    hasButtonMode_ = HasButtonMode(id);
    hasAftMode_ = HasAftMode(id);
    hasCenterClick_ = HasCenterClick(id);
    document_.SelectController(id);
    RefreshFromDocument();
    nameText_->setText(QString::fromLatin1(ControllerName(id)));
    if (firstShow && savedPosition_) {
        // The control's fields can make the dialog larger than it was placed with.
        adjustSize();
        RestoreSavedPosition();
    }

    raise();
    activateWindow();
    // The keyboard starts on the dialog itself, not on a field: there no key changes the
    // assignment (a list would take Down or a letter as a new entry, a number field a digit),
    // while the commands' keys, Tab to the fields, Enter for OK and Escape for Cancel all work.
    // No field shows the focus frame then, because none has the focus.
    setFocus(Qt::OtherFocusReason);
    return true;
}

bool CKelMsgDlg::RestoreSavedPosition() {
    if (!savedPosition_) {
        return false;
    }
    const QScreen* screen = QGuiApplication::screenAt(*savedPosition_);
    if (screen == nullptr) {
        return false; // the screen it was on is gone
    }
    adjustSize();
    const QRect area = screen->availableGeometry();
    const QPoint place(
        std::clamp(savedPosition_->x(), area.left(),
                   std::max(area.left(), area.right() + 1 - frameGeometry().width())),
        std::clamp(savedPosition_->y(), area.top(),
                   std::max(area.top(), area.bottom() + 1 - frameGeometry().height())));
    move(place);
    return true;
}

void CKelMsgDlg::hideEvent(QHideEvent* event) {
    QDialog::hideEvent(event);
    if (IsCreated()) {
        savedPosition_ = pos();
        emit PositionKept(*savedPosition_);
    }
}

void CKelMsgDlg::PlaceBeside(const QWidget& home, ControllerId id) {
    adjustSize();
    const QRect homeFrame = home.frameGeometry();
    const QRect homeInside = home.geometry();
    // The dialog's own frame is not known before it is shown: the window system gives it the
    // same decoration as the main window.
    const QMargins frame(homeInside.left() - homeFrame.left(), homeInside.top() - homeFrame.top(),
                         homeFrame.right() - homeInside.right(),
                         homeFrame.bottom() - homeInside.bottom());
    const QSize outer = size().grownBy(frame);
    if (placement_) {
        move(placement_(outer, id).topLeft());
        return;
    }
    const QScreen* screen = home.screen();
    const QRect area = screen != nullptr ? screen->availableGeometry() : homeFrame;
    constexpr int kGap = 8;
    const QPoint candidates[] = {
        {homeFrame.right() + 1 + kGap, homeFrame.top()},
        {homeFrame.left() - kGap - outer.width(), homeFrame.top()},
        {homeFrame.left(), homeFrame.bottom() + 1 + kGap},
    };
    QPoint best = candidates[0];
    qint64 leastCovered = -1;
    for (const QPoint& candidate : candidates) {
        // Kept on the screen; where every place then covers part of the main window, the one
        // that covers the least.
        QRect place(candidate, outer);
        place.moveLeft(std::clamp(place.left(), area.left(),
                                  std::max(area.left(), area.right() + 1 - outer.width())));
        place.moveTop(std::clamp(place.top(), area.top(),
                                 std::max(area.top(), area.bottom() + 1 - outer.height())));
        const QRect covered = place.intersected(homeFrame);
        const qint64 coveredArea =
            covered.isEmpty() ? 0 : qint64(covered.width()) * qint64(covered.height());
        if (leastCovered < 0 || coveredArea < leastCovered) {
            leastCovered = coveredArea;
            best = place.topLeft();
        }
        if (coveredArea == 0) {
            break;
        }
    }
    move(best);
}

bool CKelMsgDlg::CommitWithoutWindow() {
    if (!document_.EditBuffer().changed) {
        return false;
    }
    document_.CommitEdit();
    return true;
}

void CKelMsgDlg::RefreshFromDocument() {
    if (!IsCreated() || !isVisible()) {
        // Nobody can see or apply a pending edit now: a Paste or NO ASSIGN goes into the map
        // at once, so the panel shows it and a save writes it.
        CommitWithoutWindow();
        if (!IsCreated()) {
            return;
        }
    }
    const AssignEntry& edit = document_.EditBuffer();
    typeList_->setCurrentIndex(EntryOrNone(typeList_, edit.GetMessageType()));
    UpdateTypeControls();

    const int port = edit.GetPort();
    portList_->setEnabled(port >= 0);
    portList_->setCurrentIndex(port >= 0 ? EntryOrNone(portList_, port) : 0);

    const int mode = edit.GetButtonMode();
    if (mode < 0) {
        buttonModeList_->setCurrentIndex(0);
        buttonModeList_->setEnabled(false);
    } else if (mode == kIncreaseEntry && buttonModeList_->count() <= kIncreaseEntry) {
        buttonModeList_->setCurrentIndex(0); // a Note offers no "Increase"
    } else {
        buttonModeList_->setCurrentIndex(EntryOrNone(buttonModeList_, mode));
    }

    centerClick_->setChecked(false);
    if (!centerClick_->isHidden()) {
        centerClick_->setChecked(edit.GetCenterClick() == 1);
    }
    comment_->SetStoredText(edit.GetComment());
}

void CKelMsgDlg::OnTypeActivated(int entry) {
    AssignEntry& edit = document_.EditBuffer();
    if (entry < 0 || entry == edit.GetMessageType()) {
        return;
    }
    edit.SetMessageType(entry);
    UpdateTypeControls();
}

void CKelMsgDlg::UpdateTypeControls() {
    if (!IsCreated()) {
        return;
    }
    const AssignEntry& edit = document_.EditBuffer();
    const int type = edit.GetMessageType();

    // The page of the type's parameters; every other page is hidden.
    if (type != MsgChannel) {
        channelPage_->hide();
    }
    if (type != MsgSystemExclusive && type != MsgFreeMessage) {
        freePage_->hide();
    }
    if (type != MsgSystemRealtime) {
        realtimePage_->hide();
    }
    switch (type) {
    case MsgChannel:
        channelPage_->ShowPage();
        break;
    case MsgSystemExclusive:
        freePage_->ShowPage(SysExMode);
        break;
    case MsgFreeMessage:
        freePage_->ShowPage(FreeMode);
        break;
    case MsgSystemRealtime:
        realtimePage_->ShowPage();
        break;
    default:
        break;
    }

    portList_->setEnabled(edit.HasPort());

    buttonModeLabel_->setVisible(hasButtonMode_);
    buttonModeList_->setVisible(hasButtonMode_);
    const bool buttonModeEnabled = hasButtonMode_ && edit.HasButtonMode();
    buttonModeList_->setEnabled(buttonModeEnabled);
    if (buttonModeEnabled) {
        // A kind that offers only Unlatch and Latch loses the Increase entry.
        const AssignKind* info = KindOf(edit.record);
        if (info != nullptr && info->buttonModes <= kIncreaseEntry) {
            if (buttonModeList_->count() > kIncreaseEntry) {
                if (buttonModeList_->currentIndex() == kIncreaseEntry) {
                    buttonModeList_->setCurrentIndex(0);
                }
                buttonModeList_->removeItem(kIncreaseEntry);
            }
        } else if (buttonModeList_->count() <= kIncreaseEntry) {
            buttonModeList_->addItem(CoreText("KelEditor", ButtonModeName(kIncreaseEntry)));
        }
    }

    const bool aftShown = hasAftMode_ && edit.HasAftMode();
    aftModeLabel_->setVisible(aftShown);
    aftModeList_->setVisible(aftShown);
    if (aftShown) {
        aftModeList_->setCurrentIndex(EntryOrNone(aftModeList_, edit.GetAftMode()));
    }

    centerClick_->setVisible(hasCenterClick_ && edit.HasCenterClick());
}

int CKelMsgDlg::ApplyAssignDialog() {
    if (!IsCreated() || !isVisible()) {
        CommitWithoutWindow(); // a hidden dialog holds no pending fields
        return 0;
    }
    AssignEntry& edit = document_.EditBuffer();
    const ControllerId id = edit.controllerId;
    const int port = portList_->currentIndex();
    const int mode = buttonModeList_->currentIndex();
    const int aftMode = aftModeList_->currentIndex();

    // What the user changed of the fields the control and its kind have; a list without a
    // selection (a stored value the list cannot show) leaves the record's value as it is.
    ControlSetting setting;
    if (edit.GetPort() >= 0 && port >= 0 && port != edit.GetPort()) {
        setting.port = port;
    }
    if (hasButtonMode_ && edit.HasButtonMode() && mode >= 0 && mode != edit.GetButtonMode()) {
        setting.buttonMode = mode;
    }
    if (hasAftMode_ && edit.HasAftMode() && aftMode >= 0 && aftMode != edit.GetAftMode()) {
        setting.aftMode = aftMode;
    }
    if (hasCenterClick_ && edit.HasCenterClick()) {
        if (centerClick_->isChecked() != (edit.GetCenterClick() == 1)) {
            setting.centerClick = centerClick_->isChecked();
        }
    } else {
        centerClick_->setChecked(false);
    }
    // The comment field has said that a changed text is cut to what the file holds.
    if (const std::string comment = comment_->StoredText(); comment != edit.GetComment()) {
        setting.comment = FitText(document_.Map(), id, comment);
    }
    channelPage_->DescribePage(setting);
    realtimePage_->DescribePage(setting);
    freePage_->DescribePage(setting);

    MessageRefusal refusal;
    if (const Status set = SetControl(edit, document_.Map(), id, setting, &refusal); !set) {
        if (PartOf(set.Error()) == SettingPart::Message) {
            freePage_->ShowRefusal(refusal);
        } else {
            QMessageBox::warning(this, windowTitle(), UiText(set.Why()));
        }
        return -1;
    }
    if (edit.changed) {
        document_.CommitEdit();
        RefreshFromDocument();
    }
    return 0;
}

void CKelMsgDlg::accept() {
    if (ApplyAssignDialog() < 0) {
        return;
    }
    PostEditorNotify(notifyTarget_, NotifyActivateMain, 0);
    hide();
}

void CKelMsgDlg::reject() {
    document_.RevertEdit();
    PostEditorNotify(notifyTarget_, NotifyActivateMain, 0);
    hide();
}

bool CKelMsgDlg::IsInPage(const QObject* object) const {
    for (const QObject* o = object; o != nullptr && o != this; o = o->parent()) {
        if (o == channelPage_ || o == freePage_ || o == realtimePage_) {
            return true;
        }
    }
    return false;
}

bool CKelMsgDlg::eventFilter(QObject* watched, QEvent* event) {
    if (event->type() == QEvent::Wheel) {
        // The wheel changes only the list the user is working in: one it passes over on the
        // way elsewhere keeps its entry.
        const auto* list = qobject_cast<const QComboBox*>(watched);
        return list != nullptr && !list->hasFocus();
    }
    if (event->type() != QEvent::KeyPress) {
        return QDialog::eventFilter(watched, event);
    }
    const auto* key = static_cast<QKeyEvent*>(event);
    if (IsAltLetter(*key)) {
        return true;
    }
    // The main window's commands reach the dialog as its shared actions (their keys work here
    // as there). Enter does nothing inside a page (a number being typed is not taken as OK);
    // Escape cancels the dialog from anywhere in it, so that the keyboard always has a way out.
    if (IsInPage(watched) && (key->key() == Qt::Key_Return || key->key() == Qt::Key_Enter)) {
        return true;
    }
    return false;
}

void CKelMsgDlg::mousePressEvent(QMouseEvent* event) {
    if (event->button() == Qt::LeftButton) {
        setFocus(); // away from any field, so the dialog's keys act on the control
    }
    QDialog::mousePressEvent(event);
}

} // namespace kel
