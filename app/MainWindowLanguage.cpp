// The View menu's choice of the interface's language. The texts are translated when the windows are made, so
// the choice takes effect at the next start; it is kept in the user's settings.
#include <QAction>
#include <QActionGroup>
#include <QMenu>

#include "app/MainWindow.h"
#include "document/InterfaceLanguage.h"
#include "platform/Prompts.h"

void MainWindow::buildLanguageMenu() {
    languageMenu_ = viewMenu_->addMenu(tr("言語(&G)"));
    languageMenu_->setObjectName(QStringLiteral("languageMenu"));
    auto* group = new QActionGroup(languageMenu_);
    const InterfaceLanguage shown = chosenLanguage().value_or(installedLanguage());
    // Each language is named in its own words, readable whichever is shown now.
    const struct {
        InterfaceLanguage language;
        const char* name;
        QString text;
    } choices[] = {{InterfaceLanguage::Japanese, "japaneseAction", QStringLiteral("日本語")},  // untranslated
                   {InterfaceLanguage::English, "englishAction", QStringLiteral("English")}};
    for (const auto& choice : choices) {
        QAction* action = languageMenu_->addAction(choice.text);
        action->setObjectName(QLatin1String(choice.name));
        action->setCheckable(true);
        action->setChecked(choice.language == shown);
        group->addAction(action);
        const InterfaceLanguage language = choice.language;
        connect(action, &QAction::triggered, this, [language] {
            if (chosenLanguage() == language) return;
            setChosenLanguage(language);
            Prompts::current().inform(tr("表示の言語は次に起動したときから切り替わります。"), tr("言語"),
                                      PromptKind::Information);
        });
    }
}
