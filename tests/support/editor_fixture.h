// A started editor on a temporary settings file with recording UI services.
#pragma once

#include <QAction>
#include <QSettings>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <memory>

#include "app/keleditorapp.h"
#include "app/mainframe.h"
#include "gui/common/accedit.h"
#include "gui/panel/kelpanel.h"
#include "support/fake_ui.h"
#include "support/qt_print.h"

namespace kel {

class EditorTest : public ::testing::Test {
protected:
    void SetUp() override { ASSERT_TRUE(Start({QStringLiteral("kel-editor")})); }

    void TearDown() override {
        if (app_ != nullptr) {
            app_->Document().SetModified(false);
        }
    }

    // Values put into the settings store before start-up.
    virtual void PrepareStore(QSettings&) {}

    bool Start(const QStringList& arguments) {
        app_.reset();
        auto store = std::make_unique<QSettings>(dir_.filePath(QStringLiteral("settings.ini")),
                                                 QSettings::IniFormat);
        PrepareStore(*store);
        app_ = std::make_unique<CKelEditorApp>(ui_, std::move(store));
        if (!app_->Startup(arguments)) {
            return false;
        }
        window_ = app_->MainWindow();
        window_->activateWindow();
        return QTest::qWaitForWindowActive(window_);
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

    CCharEdit* TitleField() const { return window_->DialogBar()->TitleField(); }
    CKelPanel* Panel() const { return window_->Panel(); }
    QAction* Action(int id) const { return window_->Action(id); }

    QTemporaryDir dir_;
    FakeUi ui_;
    std::unique_ptr<CKelEditorApp> app_;
    CMainFrame* window_ = nullptr;
};

} // namespace kel
