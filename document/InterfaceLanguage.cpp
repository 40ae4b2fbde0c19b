#include "document/InterfaceLanguage.h"

#include <QCoreApplication>
#include <QLibraryInfo>
#include <QLocale>
#include <QTranslator>

#include "document/UserSettings.h"
#include "text/translated_text.h"

namespace {

const QString kLanguageKey = QStringLiteral("interface/language");

InterfaceLanguage installed = InterfaceLanguage::Japanese;

// Loaded once and kept for the life of the process: the layers without Qt look texts up in it from any
// thread, with or without an application object.
QTranslator* ours = nullptr;
QTranslator* qtOwn = nullptr;
QCoreApplication* installedInto = nullptr;

std::string translateThroughQt(const char* context, const char* text) {
    const QString translated = ours->translate(context, text);
    return translated.isEmpty() ? std::string(text) : translated.toStdString();
}

}  // namespace

InterfaceLanguage languageOfSystem(const QStringList& uiLanguages) {
    if (uiLanguages.isEmpty()) return InterfaceLanguage::Japanese;
    const QString first = uiLanguages.first().toLower();
    if (first.isEmpty() || first == QLatin1String("c") || first.startsWith(QLatin1String("c.")) ||
        first == QLatin1String("posix") || first.startsWith(QLatin1String("ja")))
        return InterfaceLanguage::Japanese;
    return InterfaceLanguage::English;
}

std::optional<InterfaceLanguage> chosenLanguage() {
    const QString chosen = UserSettings().value(kLanguageKey).toString();
    if (chosen == QLatin1String("ja")) return InterfaceLanguage::Japanese;
    if (chosen == QLatin1String("en")) return InterfaceLanguage::English;
    return std::nullopt;
}

void setChosenLanguage(InterfaceLanguage language) {
    UserSettings().setValue(
        kLanguageKey, language == InterfaceLanguage::English ? QStringLiteral("en") : QStringLiteral("ja"));
}

InterfaceLanguage startLanguage() {
    if (const auto chosen = chosenLanguage()) return *chosen;
    return languageOfSystem(QLocale::system().uiLanguages());
}

bool installLanguage(InterfaceLanguage language) {
    if (!ours) {
        ours = new QTranslator;
        if (language == InterfaceLanguage::English) {
            if (!ours->load(QStringLiteral(":/translations/orvenna_en.qm"))) return false;  // stays Japanese
            installed = language;
            orvenna::set_text_translator(&translateThroughQt);
        } else {
            // Qt's own texts (standard buttons, the context menus of edits) in Japanese like the rest; its
            // sources are English.
            qtOwn = new QTranslator;
            if (!qtOwn->load(QStringLiteral("qtbase_ja"),
                             QLibraryInfo::path(QLibraryInfo::TranslationsPath))) {
                delete qtOwn;
                qtOwn = nullptr;
            }
        }
    }
    QCoreApplication* app = QCoreApplication::instance();
    if (app && app != installedInto) {
        installedInto = app;
        if (!ours->isEmpty()) QCoreApplication::installTranslator(ours);
        if (qtOwn) QCoreApplication::installTranslator(qtOwn);
    }
    return language == installed;
}

InterfaceLanguage installedLanguage() {
    return installed;
}
