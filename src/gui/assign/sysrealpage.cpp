// SPDX-License-Identifier: GPL-3.0-or-later
#include "gui/assign/sysrealpage.h"

#include <QComboBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QVBoxLayout>

#include "gui/assign/chmsgpage.h"
#include "gui/common/ids.h"
#include "gui/common/translation.h"
#include "model/assign.h"
#include "model/controlsetting.h"

namespace kel {

CKelSysRealPage::CKelSysRealPage(AssignEntry& editBuffer, QWidget* parent)
    : QWidget(parent), edit_(editBuffer) {
    SetKelId(this, pageid::RealtimePage);
    auto* label = new QLabel(KelEditor::tr("Status :"), this);
    statusList_ = new QComboBox(this);
    SetKelId(statusList_, IdStatusList);
    for (std::size_t i = 0; i < kRealtimeStatus.size(); ++i) {
        statusList_->addItem(CoreText("KelEditor", RealtimeEntryName(static_cast<int>(i))));
    }
    label->setBuddy(statusList_);

    auto* row = new QHBoxLayout;
    row->addWidget(label);
    row->addWidget(statusList_);
    row->addStretch(1);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addLayout(row);
    layout->addStretch(1);
    hide();
}

void CKelSysRealPage::ShowPage() {
    show();
    RefreshPage();
}

void CKelSysRealPage::RefreshPage() {
    const int index = edit_.GetRealtimeIndex();
    statusList_->setCurrentIndex(index >= 0 ? index : 0);
}

void CKelSysRealPage::DescribePage(ControlSetting& setting) const {
    if (isHidden()) {
        return;
    }
    if (const int entry = statusList_->currentIndex();
        entry >= 0 && entry != edit_.GetRealtimeIndex()) {
        setting.realtime = entry;
    }
}

} // namespace kel
