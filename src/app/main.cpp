// kel-editor: the editor for the user memory of KEL MIDI keyboard controllers.
#include <QApplication>
#include <QFileInfo>
#include <QLocale>

#include "app/keleditorapp.h"
#include "app/mainframe.h"
#include "app/settings.h"
#include "app/singleinstance.h"
#include "app/uiservices.h"
#include "app/uitext.h"

int main(int argc, char* argv[]) {
    QApplication qapp(argc, argv);
    QApplication::setOrganizationName(QString::fromLatin1(kel::CAppSettings::kOrganisation));
    QApplication::setApplicationName(QString::fromLatin1(kel::CAppSettings::kApplication));
    QApplication::setApplicationVersion(QStringLiteral(KEL_PRODUCT_VERSION));

    kel::CSingleInstance instance(QFileInfo(QApplication::applicationFilePath()).baseName());
    if (!instance.Acquire()) {
        instance.RaiseRunning();
        return 0; // the running editor comes to the front; this start ends here
    }

    // Japanese texts for a Japanese user; English is the source language.
    kel::InstallUiTranslations(QLocale());

    kel::CQtUiServices ui;
    kel::CKelEditorApp app(ui, kel::CAppSettings::OpenUserStore());
    if (!app.Startup(QApplication::arguments())) {
        return 1;
    }
    QObject::connect(&instance, &kel::CSingleInstance::raiseRequested, &app, [&app] {
        if (kel::CMainFrame* window = app.MainWindow(); window != nullptr) {
            window->ActivateMain();
        }
    });
    const int result = QApplication::exec();
    app.ExitInstance();
    return result;
}
