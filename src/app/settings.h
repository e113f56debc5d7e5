// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's per-user settings: the preferred MIDI ports and the recent-file list, kept in
// QSettings under kOrganisationName and kApplicationName (model/appname.h), with the sections
// "MIDI Device" ("Input", "Output", "API"), "Recent File List" ("File1" ... "File4") and
// "Settings" (where the user left the assign dialog and the monitor window, the folder of the last
// file dialog, whether the panel shows its label boxes, the octave middle C is named in, how
// many entries the device's history keeps: "History Size"). The keys are read and written here
// only.
#pragma once

#include <QPoint>
#include <QSettings>
#include <QString>
#include <QStringList>

#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "model/midinames.h"

namespace kel {

class CAppSettings {
public:
    static constexpr int kPortNameLimit = 31; // characters of a stored port name
    static constexpr int kRecentFileCount = 4;

    static inline const char* kAboutApplication = "KEL Editor"; // system scope, "AboutComment"

    // The per-user store of the editor.
    static std::unique_ptr<QSettings> OpenUserStore();
    // "AboutComment" of the machine-wide store, at most 255 bytes; empty when absent.
    static QString ReadAboutComment();

    // Reads the port names (cut to 31 characters) and the stored recent-file entries.
    void Load(QSettings& store);
    // Writes `entries` (most recent first) as the recent-file list; store values beyond them
    // are removed.
    static void SaveRecentFiles(QSettings& store, const std::vector<std::string>& entries);
    // The port name stored for the input or the output, as stored (not cut); nothing when
    // none was ever stored.
    static std::optional<QString> StoredPort(QSettings& store, bool input);
    // The stored MIDI system key ("ALSA", "JACK", "Virtual"); empty when none was stored.
    static QString StoredMidiSystem(QSettings& store);
    // Stores the choice of the MIDI Devices dialog on OK: each port that was chosen (a port
    // left unchosen keeps its stored name) and the MIDI system, in the store and here.
    void StoreMidiChoice(QSettings& store, const std::optional<QString>& input,
                         const std::optional<QString>& output, const QString& system);

    const QString& PreferredInput() const { return input_; }
    const QString& PreferredOutput() const { return output_; }
    void SetPreferredInput(const QString& name) { input_ = CutPortName(name); }
    void SetPreferredOutput(const QString& name) { output_ = CutPortName(name); }
    static QString CutPortName(const QString& name) { return name.left(kPortNameLimit); }

    // Where the user left the assign dialog (its frame's top-left corner); nothing when it was
    // never placed.
    static std::optional<QPoint> AssignDialogPosition(QSettings& store);
    static void StoreAssignDialogPosition(QSettings& store, const QPoint& topLeft);
    // Where the user left the main window (its frame's top-left corner).
    static std::optional<QPoint> MainWindowPosition(QSettings& store);
    static void StoreMainWindowPosition(QSettings& store, const QPoint& topLeft);
    // Where the user left the monitor: the main window's state (QMainWindow::saveState) with
    // the monitor docked or floating and its place; empty when it was never shown.
    static constexpr int kMonitorDockVersion = 1;
    static QByteArray MonitorDockState(QSettings& store);
    static void StoreMonitorDockState(QSettings& store, const QByteArray& state);
    // The library: the folder the user chose (empty when none), the main window's state with
    // the library where the user left it (empty when never shown), and whether it was shown
    // when the editor last closed.
    static constexpr int kLibraryDockVersion = 2;
    static QString LibraryFolder(QSettings& store);
    static void StoreLibraryFolder(QSettings& store, const QString& folder);
    static QByteArray LibraryDockState(QSettings& store);
    static void StoreLibraryDockState(QSettings& store, const QByteArray& state);
    static bool LibraryShown(QSettings& store);
    static void StoreLibraryShown(QSettings& store, bool shown);
    // Whether the panel shows the label boxes (Options > Show Messages); off when never set.
    static bool ShowMessages(QSettings& store);
    static void StoreShowMessages(QSettings& store, bool show);
    // The octave note 60 is named in (Options > Middle C): C3 when never set or not understood.
    static MiddleC MiddleCSetting(QSettings& store);
    static void StoreMiddleC(QSettings& store, MiddleC middleC);
    // How many entries the device's history keeps ("History Size"); 500 when never set or
    // not a number of 1 or more.
    static int HistorySize(QSettings& store);
    static void StoreHistorySize(QSettings& store, int size);
    // The folder of the file last picked in a file dialog; empty when none was.
    static QString LastFolder(QSettings& store);
    static void StoreLastFolder(QSettings& store, const QString& folder);

    // File-system paths as the core holds them, and back.
    static std::string ToFsPath(const QString& path);
    static QString FromFsPath(const std::string& path);

    // The recent-file entries read by Load, most recent first, as file-system paths.
    const std::vector<std::string>& StoredRecentFiles() const { return recent_; }

private:
    QString input_;
    QString output_;
    std::vector<std::string> recent_;
};

} // namespace kel
