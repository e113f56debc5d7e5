// SPDX-License-Identifier: GPL-3.0-or-later
// The editor's start-up exactly as kel-editor runs it, under the first-paint probe.
#include <QApplication>
#include <QFileInfo>
#include <QLocale>

#include "app/keleditorapp.h"
#include "app/mainframe.h"
#include "app/settings.h"
#include "app/singleinstance.h"
#include "gui/common/uiservices.h"
#include "gui/common/uitext.h"
#include "model/appname.h"
#include "startup_probe.h"

int main(int argc, char* argv[]) {
    QApplication qapp(argc, argv);
    kelbench::FirstPaintProbe probe;
    QGuiApplication::setDesktopFileName(QStringLiteral("io.github.keleditor.KelEditor"));
    QApplication::setOrganizationName(QString::fromLatin1(kel::kOrganisationName));
    QApplication::setApplicationName(QString::fromLatin1(kel::kApplicationName));
    QApplication::setApplicationVersion(QStringLiteral(KEL_PRODUCT_VERSION));

    kel::CSingleInstance instance(QFileInfo(QApplication::applicationFilePath()).baseName());
    if (!instance.Acquire()) {
        instance.RaiseRunning();
        return 0;
    }
    kel::InstallUiTranslations(QLocale());

    kel::CQtUiServices ui;
    kel::CKelEditorApp app(ui, kel::CAppSettings::OpenUserStore());
    if (!app.Startup(QApplication::arguments())) {
        return 1;
    }
    const int result = QApplication::exec();
    app.ExitInstance();
    return result;
}
