// SPDX-License-Identifier: GPL-3.0-or-later
#include "app/settings.h"

#include <QFile>

#include "model/appname.h"
#include "session/history.h"

namespace kel {

namespace {

constexpr const char* kInputKey = "MIDI Device/Input";
constexpr const char* kOutputKey = "MIDI Device/Output";
constexpr const char* kSystemKey = "MIDI Device/API";
constexpr const char* kRecentSection = "Recent File List";
constexpr const char* kAssignDialogKey = "Settings/Assign Dialog Position";
constexpr const char* kLastFolderKey = "Settings/Last Folder";
constexpr const char* kShowMessagesKey = "Settings/Show Messages";
constexpr const char* kMiddleCKey = "Settings/Middle C";
constexpr const char* kHistorySizeKey = "Settings/History Size";
constexpr const char* kMonitorDockKey = "Settings/Monitor Dock";
constexpr const char* kMainWindowKey = "Settings/Main Window Position";
constexpr const char* kLibraryFolderKey = "Settings/Library Folder";
constexpr const char* kLibraryDockKey = "Settings/Library Dock";
constexpr const char* kLibraryShownKey = "Settings/Library Shown";
constexpr int kAboutCommentBytes = 255;

} // namespace

std::unique_ptr<QSettings> CAppSettings::OpenUserStore() {
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope,
                                       kOrganisationName, kApplicationName);
}

QString CAppSettings::ReadAboutComment() {
    QSettings machine(QSettings::NativeFormat, QSettings::SystemScope, kOrganisationName,
                      kAboutApplication);
    machine.setFallbacksEnabled(false);
    const QByteArray bytes = machine.value(QStringLiteral("AboutComment")).toString().toUtf8();
    // The value is read into a 255-byte buffer; cut at a character boundary.
    QByteArray cut = bytes.left(kAboutCommentBytes);
    while (!cut.isEmpty() && QString::fromUtf8(cut).toUtf8() != cut) {
        cut.chop(1);
    }
    return QString::fromUtf8(cut);
}

void CAppSettings::Load(QSettings& store) {
    input_ = CutPortName(store.value(QLatin1String(kInputKey)).toString());
    output_ = CutPortName(store.value(QLatin1String(kOutputKey)).toString());

    recent_.clear();
    store.beginGroup(QLatin1String(kRecentSection));
    for (int i = 1; i <= kRecentFileCount; ++i) {
        const QString path = store.value(QStringLiteral("File%1").arg(i)).toString();
        if (!path.isEmpty()) {
            recent_.push_back(ToFsPath(path));
        }
    }
    store.endGroup();
}

void CAppSettings::SaveRecentFiles(QSettings& store, const std::vector<std::string>& entries) {
    store.beginGroup(QLatin1String(kRecentSection));
    for (int i = 1; i <= kRecentFileCount; ++i) {
        const QString key = QStringLiteral("File%1").arg(i);
        if (static_cast<std::size_t>(i) <= entries.size()) {
            store.setValue(key, FromFsPath(entries[static_cast<std::size_t>(i) - 1]));
        } else {
            store.remove(key);
        }
    }
    store.endGroup();
    store.sync();
}

std::optional<QString> CAppSettings::StoredPort(QSettings& store, bool input) {
    const QLatin1String key(input ? kInputKey : kOutputKey);
    if (!store.contains(key)) {
        return std::nullopt;
    }
    return store.value(key).toString();
}

QString CAppSettings::StoredMidiSystem(QSettings& store) {
    return store.value(QLatin1String(kSystemKey)).toString();
}

void CAppSettings::StoreMidiChoice(QSettings& store, const std::optional<QString>& input,
                                   const std::optional<QString>& output, const QString& system) {
    if (input) {
        store.setValue(QLatin1String(kInputKey), *input);
        SetPreferredInput(*input);
    }
    if (output) {
        store.setValue(QLatin1String(kOutputKey), *output);
        SetPreferredOutput(*output);
    }
    store.setValue(QLatin1String(kSystemKey), system);
    store.sync();
}

std::optional<QPoint> CAppSettings::AssignDialogPosition(QSettings& store) {
    const QVariant value = store.value(QLatin1String(kAssignDialogKey));
    if (!value.canConvert<QPoint>()) {
        return std::nullopt;
    }
    return value.toPoint();
}

void CAppSettings::StoreAssignDialogPosition(QSettings& store, const QPoint& topLeft) {
    store.setValue(QLatin1String(kAssignDialogKey), topLeft);
}

std::optional<QPoint> CAppSettings::MainWindowPosition(QSettings& store) {
    const QVariant value = store.value(QLatin1String(kMainWindowKey));
    if (!value.canConvert<QPoint>()) {
        return std::nullopt;
    }
    return value.toPoint();
}

void CAppSettings::StoreMainWindowPosition(QSettings& store, const QPoint& topLeft) {
    store.setValue(QLatin1String(kMainWindowKey), topLeft);
}

QByteArray CAppSettings::MonitorDockState(QSettings& store) {
    return store.value(QLatin1String(kMonitorDockKey)).toByteArray();
}

void CAppSettings::StoreMonitorDockState(QSettings& store, const QByteArray& state) {
    store.setValue(QLatin1String(kMonitorDockKey), state);
}

QString CAppSettings::LibraryFolder(QSettings& store) {
    return store.value(QLatin1String(kLibraryFolderKey)).toString();
}

void CAppSettings::StoreLibraryFolder(QSettings& store, const QString& folder) {
    store.setValue(QLatin1String(kLibraryFolderKey), folder);
}

QByteArray CAppSettings::LibraryDockState(QSettings& store) {
    return store.value(QLatin1String(kLibraryDockKey)).toByteArray();
}

void CAppSettings::StoreLibraryDockState(QSettings& store, const QByteArray& state) {
    store.setValue(QLatin1String(kLibraryDockKey), state);
}

bool CAppSettings::LibraryShown(QSettings& store) {
    return store.value(QLatin1String(kLibraryShownKey), false).toBool();
}

void CAppSettings::StoreLibraryShown(QSettings& store, bool shown) {
    store.setValue(QLatin1String(kLibraryShownKey), shown);
}

bool CAppSettings::ShowMessages(QSettings& store) {
    return store.value(QLatin1String(kShowMessagesKey), false).toBool();
}

void CAppSettings::StoreShowMessages(QSettings& store, bool show) {
    store.setValue(QLatin1String(kShowMessagesKey), show);
}

MiddleC CAppSettings::MiddleCSetting(QSettings& store) {
    return store.value(QLatin1String(kMiddleCKey)).toString() == QLatin1String("C4") ? MiddleC::C4
                                                                                     : MiddleC::C3;
}

void CAppSettings::StoreMiddleC(QSettings& store, MiddleC middleC) {
    store.setValue(QLatin1String(kMiddleCKey), QLatin1String(middleC == MiddleC::C4 ? "C4" : "C3"));
}

int CAppSettings::HistorySize(QSettings& store) {
    bool number = false;
    const int size = store.value(QLatin1String(kHistorySizeKey)).toInt(&number);
    return number && size >= 1 ? size : kDefaultHistorySize;
}

void CAppSettings::StoreHistorySize(QSettings& store, int size) {
    store.setValue(QLatin1String(kHistorySizeKey), size);
}

QString CAppSettings::LastFolder(QSettings& store) {
    return store.value(QLatin1String(kLastFolderKey)).toString();
}

void CAppSettings::StoreLastFolder(QSettings& store, const QString& folder) {
    store.setValue(QLatin1String(kLastFolderKey), folder);
}

std::string CAppSettings::ToFsPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QString CAppSettings::FromFsPath(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

} // namespace kel
