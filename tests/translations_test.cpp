// SPDX-License-Identifier: GPL-3.0-or-later
// The Japanese translation file against the sources. lupdate reads src/ and the texts of the
// core's tables exactly as the update_translations target does, but into a copy of the file:
// every text it finds must have a finished, non-empty translation, and every translation must
// keep what the program relies on in its source (placeholders, the menu mnemonic, the shortcut
// after the tab).
#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QStringList>
#include <QTemporaryDir>
#include <QXmlStreamReader>

#include <map>
#include <vector>

#include "model/phrase.h"

namespace {

struct Message {
    QString context;
    QString source;
    QString translation;
    QString type; // "", "unfinished", "vanished" or "obsolete"

    // Still found in the sources: lupdate marks the translations of texts gone from them.
    bool Current() const {
        return type != QLatin1String("vanished") && type != QLatin1String("obsolete");
    }
    QString Name() const { return QStringLiteral("%1: \"%2\"").arg(context, source); }
};

// The messages of a translation file, reported as a failure when it cannot be read.
std::vector<Message> Messages(const QString& path) {
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly)) {
        ADD_FAILURE() << "cannot read " << path.toStdString();
        return {};
    }
    std::vector<Message> messages;
    QXmlStreamReader xml(&file);
    QString context;
    while (!xml.atEnd()) {
        xml.readNext();
        if (!xml.isStartElement()) {
            continue;
        }
        if (xml.name() == QLatin1String("name")) {
            context = xml.readElementText();
        } else if (xml.name() == QLatin1String("message")) {
            Message m{context, {}, {}, {}};
            while (xml.readNextStartElement()) {
                if (xml.name() == QLatin1String("source")) {
                    m.source = xml.readElementText();
                } else if (xml.name() == QLatin1String("translation")) {
                    m.type = xml.attributes().value(QLatin1String("type")).toString();
                    m.translation = xml.readElementText(QXmlStreamReader::IncludeChildElements);
                } else {
                    xml.skipCurrentElement();
                }
            }
            messages.push_back(m);
        }
    }
    EXPECT_FALSE(xml.hasError()) << path.toStdString() << ": " << xml.errorString().toStdString();
    return messages;
}

// lupdate over the sources into a copy of the translation file; the messages of the copy.
class Translations : public testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(dir_.isValid());
        copy_ = dir_.filePath(QStringLiteral("kel_ja.ts"));
        ASSERT_TRUE(QFile::copy(QStringLiteral(KEL_TRANSLATION_FILE), copy_));
        QFile::setPermissions(copy_, QFile::ReadOwner | QFile::WriteOwner);
    }

    // Runs lupdate as update_translations does; false (with its output reported) on a failure.
    bool Update() {
        QProcess lupdate;
        lupdate.setWorkingDirectory(QStringLiteral(KEL_TRANSLATION_STAGE));
        QStringList args = QStringLiteral(KEL_LUPDATE_INPUTS).split(u' ', Qt::SkipEmptyParts);
        args << QStringLiteral("-silent") << QStringLiteral("-locations") << QStringLiteral("none")
             << QStringLiteral("-ts") << copy_;
        lupdate.start(QStringLiteral(KEL_LUPDATE), args);
        if (!lupdate.waitForFinished(120000) || lupdate.exitStatus() != QProcess::NormalExit ||
            lupdate.exitCode() != 0) {
            ADD_FAILURE() << "lupdate failed: " << lupdate.errorString().toStdString() << "\n"
                          << lupdate.readAllStandardError().toStdString();
            return false;
        }
        // lupdate reports texts it cannot take (a tr() it cannot read, an unknown class) as
        // warnings; each is a text that would go untranslated.
        const QString warnings = QString::fromUtf8(lupdate.readAllStandardError()).trimmed();
        EXPECT_TRUE(warnings.isEmpty()) << warnings.toStdString();
        return true;
    }

    QTemporaryDir dir_;
    QString copy_;
};

TEST_F(Translations, EveryTextOfTheSourcesHasItsJapaneseTranslation) {
    ASSERT_TRUE(Update());
    const std::vector<Message> messages = Messages(copy_);
    std::map<QString, int> found; // current texts by context
    QStringList untranslated;
    for (const Message& m : messages) {
        if (!m.Current()) {
            continue;
        }
        ++found[m.context];
        if (m.type == QLatin1String("unfinished") || m.translation.isEmpty()) {
            untranslated << m.Name();
        }
    }
    EXPECT_TRUE(untranslated.isEmpty())
        << "texts without a Japanese translation (translate them in src/resources/translations/"
           "kel_ja.ts after building update_translations):\n"
        << untranslated.join(u'\n').toStdString();
    // The texts of the sources and of every core table were found, not just kept from the copy:
    // texts lupdate no longer finds are marked vanished.
    for (const char* context :
         {"KelEditor", "StringTable", "MapCheck", "MapCompare", "SyxFile", "MidiMessage"}) {
        EXPECT_GE(found[QLatin1String(context)], 8) << context;
    }
}

// What a translation must keep of its source: the "%1" … "%9" and "%d" the program fills in,
// the menu mnemonic ("&File" as "ファイル(&F)") and the shortcut after a tab.
QStringList Markers(const QString& text) {
    static const QRegularExpression marker(QStringLiteral("%[1-9d]|&&|&|\t.*$"));
    QStringList markers;
    auto it = marker.globalMatch(text);
    while (it.hasNext()) {
        QString m = it.next().captured();
        if (m == QLatin1String("&&")) {
            continue; // a literal ampersand
        }
        markers << (m.front() == u'&' ? QStringLiteral("mnemonic") : m);
    }
    markers.sort();
    return markers;
}

TEST(TranslatedTexts, KeepThePlaceholdersMnemonicsAndShortcuts) {
    EXPECT_EQ(Markers(QStringLiteral("Save &As...\tCtrl+Shift+S")),
              (QStringList{QStringLiteral("\tCtrl+Shift+S"), QStringLiteral("mnemonic")}));
    EXPECT_EQ(Markers(QStringLiteral("%2 of %1 && %d")),
              (QStringList{QStringLiteral("%1"), QStringLiteral("%2"), QStringLiteral("%d")}));

    int checked = 0;
    QStringList broken;
    for (const Message& m : Messages(QStringLiteral(KEL_TRANSLATION_FILE))) {
        if (!m.Current() || m.translation.isEmpty()) {
            continue;
        }
        ++checked;
        if (Markers(m.source) != Markers(m.translation)) {
            broken << m.Name() + QStringLiteral(" as \"") + m.translation + u'"';
        }
    }
    EXPECT_GT(checked, 250);
    EXPECT_TRUE(broken.isEmpty()) << broken.join(u'\n').toStdString();
}

// Every text the core composes has its English format in the table and a finished translation
// of exactly that format in its context: an English text edited without updating the
// translation file is caught here, not found later as an English line in the Japanese window.
TEST(TranslatedTexts, EveryComposedTextOfTheCoreIsTranslated) {
    std::map<std::pair<QString, QString>, Message> byKey;
    for (const Message& m : Messages(QStringLiteral(KEL_TRANSLATION_FILE))) {
        byKey[{m.context, m.source}] = m;
    }
    QStringList missing;
    for (int number = 0; number < static_cast<int>(kel::TextId::Count); ++number) {
        const auto id = static_cast<kel::TextId>(number);
        const std::string_view english = kel::EnglishFormat(id);
        ASSERT_FALSE(english.empty()) << number;
        const QString context = QString::fromLatin1(kel::TextContext(id));
        const QString source =
            QString::fromUtf8(english.data(), static_cast<qsizetype>(english.size()));
        const auto found = byKey.find({context, source});
        if (found == byKey.end() || !found->second.Current() ||
            found->second.type == QLatin1String("unfinished") ||
            found->second.translation.isEmpty()) {
            missing << QStringLiteral("%1: \"%2\"").arg(context, source);
        }
    }
    EXPECT_TRUE(missing.isEmpty()) << "without a translation in kel_ja.ts:\n"
                                   << missing.join(u'\n').toStdString();
}

} // namespace
