// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/assign/msgdlg.h"

#include <QCheckBox>
#include <QComboBox>
#include <QGridLayout>
#include <QGroupBox>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QMouseEvent>
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
#include "gui/common/translation.h"
#include "model/assign.h"
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

// Comments are kept byte for byte: Latin-1 maps every byte to one character and back, so a
// comment read from a file is never rewritten just by showing it.
QString ToField(const std::string& text) {
    return QString::fromLatin1(text.data(), static_cast<qsizetype>(text.size()));
}

std::string FromField(const QString& text) {
    return text.toLatin1().toStdString();
}

// `index` when the list has such an entry, otherwise no entry (-1).
int EntryOrNone(const QComboBox* list, int index) {
    return index >= 0 && index < list->count() ? index : -1;
}

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
}

CKelMsgDlg::~CKelMsgDlg() = default;

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
    comment_ = new CCharEdit(content_);
    SetKelId(comment_, IdComment);
    comment_->setMaxLength(static_cast<int>(kTextLimit));
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

    // Every key stroke meant for a control passes the dialog's key table first.
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
    setFocus();
    typeList_->setFocus();
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
    comment_->setText(ToField(edit.GetComment()));
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
    const int port = portList_->currentIndex();
    const int mode = buttonModeList_->currentIndex();
    const int aftMode = aftModeList_->currentIndex();
    const bool centerClick = centerClick_->isChecked();
    const std::string comment = FromField(comment_->text());

    if (edit.GetPort() >= 0 && port >= 0 && port != edit.GetPort()) {
        edit.SetPort(port);
    }
    if (comment != edit.GetComment()) {
        edit.SetComment(comment);
    }
    // A list without a selection (a stored value the list cannot show) leaves the record's
    // value as it is.
    if (hasButtonMode_ && mode >= 0 && mode != edit.GetButtonMode()) {
        edit.SetButtonMode(mode);
    }
    if (hasAftMode_ && edit.HasAftMode() && aftMode >= 0 && aftMode != edit.GetAftMode()) {
        edit.SetAftMode(aftMode);
    }
    if (hasCenterClick_) {
        if (edit.HasCenterClick()) {
            if ((centerClick ? 1 : 0) != edit.GetCenterClick()) {
                edit.SetCenterClick(centerClick ? 1 : 0);
            }
        } else {
            edit.SetCenterClick(0);
            centerClick_->setChecked(false);
        }
    }

    channelPage_->ApplyPage();
    realtimePage_->ApplyPage();
    if (!freePage_->ApplyPage()) {
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
    if (event->type() != QEvent::KeyPress) {
        return QDialog::eventFilter(watched, event);
    }
    const auto* key = static_cast<QKeyEvent*>(event);
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
