#include "app/settings.h"

#include <QFile>

namespace kel {

namespace {

constexpr const char* kMidiSection = "MIDI Device";
constexpr const char* kRecentSection = "Recent File List";
constexpr int kAboutCommentBytes = 255;

} // namespace

std::unique_ptr<QSettings> CAppSettings::OpenUserStore() {
    return std::make_unique<QSettings>(QSettings::NativeFormat, QSettings::UserScope, kOrganisation,
                                       kApplication);
}

QString CAppSettings::ReadAboutComment() {
    QSettings machine(QSettings::NativeFormat, QSettings::SystemScope, kOrganisation,
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
    store.beginGroup(QLatin1String(kMidiSection));
    input_ = CutPortName(store.value(QStringLiteral("Input")).toString());
    output_ = CutPortName(store.value(QStringLiteral("Output")).toString());
    store.endGroup();

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

void CAppSettings::StorePreferredPorts(QSettings& store, const QString& input,
                                       const QString& output) {
    store.beginGroup(QLatin1String(kMidiSection));
    store.setValue(QStringLiteral("Input"), input);
    store.setValue(QStringLiteral("Output"), output);
    store.endGroup();
    store.sync();
    SetPreferredInput(input);
    SetPreferredOutput(output);
}

std::string CAppSettings::ToFsPath(const QString& path) {
    return QFile::encodeName(path).toStdString();
}

QString CAppSettings::FromFsPath(const std::string& path) {
    return QFile::decodeName(QByteArray::fromStdString(path));
}

} // namespace kel
