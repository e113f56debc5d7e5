// SPDX-License-Identifier: GPL-3.0-or-later
// kel-editor: the editor for the user memory of KEL MIDI keyboard controllers.
#include <QApplication>
#include <QFileInfo>
#include <QLocale>

#include <cstdio>
#include <cstring>
#include <string>

#include "app/keleditorapp.h"
#include "app/mainframe.h"
#include "app/printmap.h"
#include "app/settings.h"
#include "app/singleinstance.h"
#include "gui/common/uiservices.h"
#include "gui/common/uitext.h"
#include "model/appname.h"

namespace {

// The id of the editor's desktop entry and AppStream component; the desktop matches the
// window to its launcher by it.
constexpr char kDesktopId[] = "io.github.keleditor.KelEditor";

constexpr char kUsage[] = "Usage: kel-editor [FILE]\n"
                          "       kel-editor --print-pdf OUT.pdf FILE\n"
                          "Edit the user memory of KEL MIDI keyboard controllers.\n"
                          "\n"
                          "  FILE        a control map file (.mid) to open\n"
                          "  --print-pdf OUT.pdf FILE\n"
                          "              write the printout of FILE (the panel at its size with\n"
                          "              its labels and title, then the assignment list) to\n"
                          "              OUT.pdf without showing a window, and exit; an existing\n"
                          "              OUT.pdf is replaced only when it is a PDF file\n"
                          "  --help      show this text and exit\n"
                          "  --version   show the version and exit\n"
                          "\n"
                          "Any other first argument is the file to open; write ./--help to open\n"
                          "a file of that name.\n";

// kel-editor --print-pdf OUT FILE: 0 when written, 1 when not (said on stderr), 2 for wrong
// usage.
int PrintPdf(int argc, char* argv[]) {
    if (argc != 4) {
        std::fputs("kel-editor: --print-pdf needs OUT.pdf and FILE\n", stderr);
        std::fputs(kUsage, stderr);
        return 2;
    }
    // Nothing is shown: no display is needed.
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM")) {
        qputenv("QT_QPA_PLATFORM", "offscreen");
    }
    // The file names go on as the bytes they are (a name need not be valid text), and Qt gets
    // none of them to read as its own options.
    const std::string outPath = argv[2];
    const std::string mapPath = argv[3];
    int qtArgc = 1;
    QApplication qapp(qtArgc, argv);
    kel::InstallUiTranslations(QLocale());
    const std::string error = kel::PrintMapFileToPdf(outPath, mapPath);
    if (!error.empty()) {
        std::fprintf(stderr, "kel-editor: %s\n", error.c_str());
        return 1;
    }
    return 0;
}

} // namespace

int main(int argc, char* argv[]) {
    // Only these three exact words are options; every other first argument is a file to open.
    if (argc >= 2 && std::strcmp(argv[1], "--version") == 0) {
        std::printf("kel-editor (%s) %s\n", KEL_PRODUCT_NAME, KEL_PRODUCT_VERSION);
        return 0;
    }
    if (argc >= 2 && std::strcmp(argv[1], "--help") == 0) {
        std::fputs(kUsage, stdout);
        return 0;
    }

    if (argc >= 2 && std::strcmp(argv[1], "--print-pdf") == 0) {
        return PrintPdf(argc, argv);
    }

    QApplication qapp(argc, argv);
    QGuiApplication::setDesktopFileName(QString::fromLatin1(kDesktopId));
    QApplication::setOrganizationName(QString::fromLatin1(kel::kOrganisationName));
    QApplication::setApplicationName(QString::fromLatin1(kel::kApplicationName));
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
