// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's command ids, window control ids and the codes of the notification between the
// panel, the assign dialog and the main window. GUI objects carry their id in the "kelId" property
// so that code and tests can find a control or a command by its number.
#pragma once

#include <QObject>
#include <QVariant>

namespace kel {

// Commands of the menus and accelerators.
namespace cmd {
inline constexpr int New = 32779;
inline constexpr int Open = 32780;
inline constexpr int Save = 32781;
inline constexpr int SaveAs = 32782;
inline constexpr int ExportList = 32783;
inline constexpr int ViewList = 32784;
inline constexpr int Copy = 32785;
inline constexpr int Paste = 32786;
inline constexpr int NoAssign = 32787;
inline constexpr int Transmit = 32788;
inline constexpr int Receive = 32789;
inline constexpr int MidiDevices = 32793;
inline constexpr int ShowMessages = 32794;
inline constexpr int Help = 32795;
inline constexpr int NextController = 32796;
inline constexpr int PreviousController = 32797;
inline constexpr int ImportMemorySet = 32799;
// Commands of the editor beyond its original menus, numbered after the string table's ids.
inline constexpr int Undo = 32840;
inline constexpr int Redo = 32841;
inline constexpr int CompareWith = 32842;
inline constexpr int ExportSysEx = 32843;
inline constexpr int ImportSysEx = 32844;
inline constexpr int CheckMap = 32845;
inline constexpr int Verify = 32846;
inline constexpr int Monitor = 32847;
inline constexpr int LearnFromInput = 32848;
inline constexpr int EditSelected = 32849;
inline constexpr int SelectGroup = 32850;
inline constexpr int Library = 32851;
inline constexpr int TakeControlsFrom = 32852;
// Options > Middle C (Note 60): the octave notes are named in.
inline constexpr int MiddleC3 = 32860;
inline constexpr int MiddleC4 = 32861;
inline constexpr int Print = 57607;
inline constexpr int PrintPreview = 57609;
inline constexpr int SelectAll = 57642;
inline constexpr int RecentFileFirst = 57616; // 57616 .. 57631
inline constexpr int RecentFileLast = 57631;
inline constexpr int About = 57664;
inline constexpr int Exit = 57665;
} // namespace cmd

// Controls of the main window.
namespace ctl {
inline constexpr int TitleField = 1007;  // the TITLE field of the dialog bar
inline constexpr int Panel = 1174;       // the controller panel (image 150 mod 0x7BFF + 1024)
inline constexpr int AboutText = 1000;   // the text of the About box
inline constexpr int ConfirmText = 1052; // the question of the confirmation dialog
} // namespace ctl

// The codes of the editor's notification (gui/common/editornotify.h), posted from the panel
// (through the view) and from the assign dialog to the main window.
inline constexpr int NotifyOpenAssign = 1124;   // value: the ControllerId to open
inline constexpr int NotifyActivateMain = 1127; // value: 0
// value: the ControllerId to select (the panel's keys); sent, so that the next key starts there
inline constexpr int NotifySelectControl = 1128;

inline constexpr const char* kIdProperty = "kelId";

inline void SetKelId(QObject* object, int id) {
    object->setProperty(kIdProperty, id);
    object->setObjectName(QStringLiteral("kel%1").arg(id));
}

inline int KelIdOf(const QObject* object) {
    const QVariant id = object->property(kIdProperty);
    return id.isValid() ? id.toInt() : 0;
}

// The first child of `root` (or `root` itself) of type T carrying `id`; null when none.
template <typename T> T* FindByKelId(QObject* root, int id) {
    if (root == nullptr) {
        return nullptr;
    }
    if (auto* self = qobject_cast<T*>(root); self != nullptr && KelIdOf(root) == id) {
        return self;
    }
    const auto children = root->findChildren<T*>();
    for (T* child : children) {
        if (KelIdOf(child) == id) {
            return child;
        }
    }
    return nullptr;
}

} // namespace kel
