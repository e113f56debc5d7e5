// SPDX-License-Identifier: GPL-3.0-or-later
// A started editor on a settings file in a temporary folder, with recording UI services.
#pragma once

#include <QAction>
#include <QCoreApplication>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

#include "app/keleditorapp.h"
#include "app/mainframe.h"
#include "gui/assign/msgdlg.h"
#include "gui/common/accedit.h"
#include "gui/common/editornotify.h"
#include "gui/common/maptextedit.h"
#include "gui/common/uitext.h"
#include "gui/panel/kelpanel.h"
#include "support/fake_ui.h"
#include "support/qt_print.h"
#include "support/widgets.h"

namespace kel {

class EditorTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Start()); }

    // The editor ends here, while the services of a derived fixture it may use still exist.
    void TearDown() override {
        if (app_ != nullptr) {
            app_->Document().SetModified(false);
        }
        app_.reset();
    }

    // Values put into the settings store before start-up.
    virtual void PrepareStore(QSettings&) {}
    // The UI services the editor is started with: ui_, unless a fixture scripts its own.
    virtual CUiServices& Ui() { return ui_; }
    // Called between the editor's construction and its start-up.
    virtual void PrepareApp(CKelEditorApp&) {}

    // Starts an editor (ending the one before) on the settings kept in the temporary folder,
    // with the main window active.
    bool Start(const QStringList& arguments = {QStringLiteral("kel-editor")}) {
        app_.reset();
        auto store = std::make_unique<QSettings>(TempPath(QStringLiteral("settings.ini")),
                                                 QSettings::IniFormat);
        PrepareStore(*store);
        app_ = std::make_unique<CKelEditorApp>(Ui(), std::move(store));
        PrepareApp(*app_);
        if (!app_->Startup(arguments)) {
            return false;
        }
        window_ = app_->MainWindow();
        return ShowActive(window_);
    }

    QString TempPath(const QString& name) const { return dir_.filePath(name); }

    // A control map file with a Control Change on R1 and the given title.
    QString WriteMapFile(const QString& name, const std::string& title = "SAVED") {
        const QString path = TempPath(name);
        CParameter& doc = app_->Document();
        doc.RecordOf(0)[rec::AssignCode] = CodeControlChange;
        doc.RecordOf(0)[rec::Values] = 74;
        TitleField()->setText(QString::fromStdString(title)); // saving commits the field
        EXPECT_EQ(app_->Files().SaveMapFile(CAppSettings::ToFsPath(path)), 1);
        app_->Files().NewMapFile();
        return path;
    }

    // Control `name` sends System Realtime Start.
    ControllerId StoreStart(const char* name) {
        const ControllerId id = FindController(name);
        AssignEntry entry;
        entry.SetMessageType(MsgSystemRealtime);
        entry.record[rec::Values] = 0xFA;
        app_->Document().RecordOf(id) = entry.record;
        return id;
    }

    // The panel's request to open the assign dialog on a control, as the view passes it on.
    void ClickControl(ControllerId id) {
        PostEditorNotify(window_->View(), NotifyOpenAssign, id);
        QCoreApplication::processEvents();
        QCoreApplication::processEvents();
    }
    // The assign dialog's window while it exists.
    CKelMsgDlg* AssignWindow() const {
        return qobject_cast<CKelMsgDlg*>(app_->AssignDialog().Window());
    }

    CMapTextEdit* TitleField() const { return window_->DialogBar()->TitleField(); }
    CKelPanel* Panel() const { return window_->Panel(); }
    QAction* Action(int id) const { return window_->Action(id); }

    QTemporaryDir dir_;
    FakeUi ui_;
    std::unique_ptr<CKelEditorApp> app_;
    CMainFrame* window_ = nullptr;
};

// The editor started with its Japanese texts.
class JapaneseEditorTest : public EditorTest {
protected:
    void SetUp() override {
        ASSERT_TRUE(InstallUiTranslations(QLocale(QLocale::Japanese, QLocale::Japan)));
        EditorTest::SetUp();
    }
    void TearDown() override {
        EditorTest::TearDown();
        app_.reset();
        RemoveUiTranslations();
    }
};

} // namespace kel
