// SPDX-License-Identifier: GPL-3.0-or-later
// Where the help pages are found: beside the executable (a build or an unpacked copy), else in
// the data directory the editor was installed with.
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include "app/keleditorapp.h"
#include "app/mainframe.h"

namespace kel {
namespace {

class HelpLookupTest : public ::testing::Test {
protected:
    QString Dir(const QString& name) const { return QDir(root_.path()).filePath(name); }
    void AddPage(const QString& dir, const QString& page) {
        ASSERT_TRUE(QDir().mkpath(dir + "/help"));
        QFile file(dir + "/help/" + page);
        ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    }
    QTemporaryDir root_;
    const QLocale english_{QLocale::English};
    const QLocale japanese_{QLocale::Japanese, QLocale::Japan};
};

TEST_F(HelpLookupTest, ThePageBesideTheProgramComesFirst) {
    const QString program = Dir("bin");
    const QString data = Dir("share/kel-editor");
    AddPage(program, "index_e.htm");
    AddPage(data, "index_e.htm");
    AddPage(data, "index_j.htm");
    EXPECT_EQ(CKelEditorApp::FindHelpPath({program, data}, english_),
              program + "/help/index_e.htm");
    // Each language is looked up on its own: the Japanese page is only in the data directory.
    EXPECT_EQ(CKelEditorApp::FindHelpPath({program, data}, japanese_), data + "/help/index_j.htm");
}

TEST_F(HelpLookupTest, WithoutAnyPageHelpPointsBesideTheProgram) {
    const QString program = Dir("bin");
    const QString data = Dir("share/kel-editor");
    // A directory of the page's name is not a page.
    ASSERT_TRUE(QDir().mkpath(data + "/help/index_e.htm"));
    EXPECT_EQ(CKelEditorApp::FindHelpPath({program, data}, english_),
              program + "/help/index_e.htm");
    EXPECT_EQ(CKelEditorApp::FindHelpPath({}, english_), QString());
}

TEST(HelpDirectories, TheProgramDirectoryThenTheInstalledDataDirectory) {
    const QStringList directories = CKelEditorApp::HelpDirectories();
    ASSERT_EQ(directories.size(), 2);
    EXPECT_EQ(directories[0], QCoreApplication::applicationDirPath());
    EXPECT_TRUE(directories[1].endsWith("/kel-editor")) << directories[1].toStdString();
    EXPECT_TRUE(QDir::isAbsolutePath(directories[1]));
}

} // namespace
} // namespace kel
