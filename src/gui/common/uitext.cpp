#include "gui/common/uitext.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QTranslator>

#include <memory>

#include "gui/common/translation.h"

namespace kel {

QString UiText(StringId id) {
    return CoreText("StringTable", Text(id));
}

QString UiPrompt(StringId id) {
    const QString text = UiText(id);
    const qsizetype end = text.indexOf(u'\n');
    return end < 0 ? text : text.left(end);
}

QString UiMessage(StringId id, int detail) {
    QString text = UiText(id);
    if (const qsizetype pos = text.indexOf(QStringLiteral("%d")); pos >= 0) {
        text.replace(pos, 2, QString::number(detail));
    }
    return text;
}

QStringList QtNameFilters(const QString& filter) {
    const QStringList parts = filter.split(u'|');
    QStringList result;
    for (qsizetype i = 0; i + 1 < parts.size(); i += 2) {
        QString description = parts[i].trimmed();
        if (description.isEmpty()) {
            break; // the closing "||"
        }
        QStringList patterns;
        for (QString pattern : parts[i + 1].split(u';', Qt::SkipEmptyParts)) {
            pattern = pattern.trimmed();
            if (pattern == QStringLiteral("*.*")) {
                pattern = QStringLiteral("*");
            }
            if (!pattern.isEmpty()) {
                patterns << pattern;
            }
        }
        if (const qsizetype open = description.lastIndexOf(u'('); open > 0) {
            description = description.left(open).trimmed();
        }
        result << QStringLiteral("%1 (%2)").arg(description, patterns.join(u' '));
    }
    return result;
}

QString AppTitle() {
    return UiText(StringId::AppTitle);
}

namespace {

std::unique_ptr<QTranslator>& EditorTranslator() {
    static std::unique_ptr<QTranslator> translator;
    return translator;
}

std::unique_ptr<QTranslator>& QtTranslator() {
    static std::unique_ptr<QTranslator> translator;
    return translator;
}

} // namespace

bool InstallUiTranslations(const QLocale& locale) {
    RemoveUiTranslations();
    if (locale.language() != QLocale::Japanese) {
        return false;
    }
    auto editor = std::make_unique<QTranslator>();
    if (!editor->load(QStringLiteral(":/i18n/kel_ja.qm"))) {
        return false;
    }
    QCoreApplication::installTranslator(editor.get());
    EditorTranslator() = std::move(editor);
    // Qt's own texts: the buttons of message boxes and the file dialogs.
    auto qt = std::make_unique<QTranslator>();
    if (qt->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
        QCoreApplication::installTranslator(qt.get());
        QtTranslator() = std::move(qt);
    }
    return true;
}

void RemoveUiTranslations() {
    for (std::unique_ptr<QTranslator>* translator : {&EditorTranslator(), &QtTranslator()}) {
        if (*translator != nullptr) {
            QCoreApplication::removeTranslator(translator->get());
            translator->reset();
        }
    }
}

} // namespace kel
