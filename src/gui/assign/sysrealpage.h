// SPDX-License-Identifier: GPL-3.0-or-later
// The system realtime page of the assign dialog: the one status byte the control sends.
#pragma once

#include <QWidget>

class QComboBox;

namespace kel {

struct AssignEntry;
struct ControlSetting;

class CKelSysRealPage : public QWidget {
    Q_OBJECT
public:
    static constexpr int IdStatusList = 1005;

    CKelSysRealPage(AssignEntry& editBuffer, QWidget* parent = nullptr);

    // Shows the page with the record's status entry.
    void ShowPage();
    // Adds a newly picked entry to `setting`; nothing while the page is hidden. A status byte
    // outside the list stays in the record until another entry is picked.
    void DescribePage(ControlSetting& setting) const;
    void RefreshPage();

private:
    AssignEntry& edit_;
    QComboBox* statusList_ = nullptr;
};

} // namespace kel
