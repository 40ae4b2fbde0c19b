// The language of the interface: Japanese, as the texts stand in the sources, or the English translation
// compiled into the program. The system's language decides unless the user chose one in the viewer, which
// takes effect at the next start.
#pragma once

#include <QStringList>

#include <optional>

enum class InterfaceLanguage { Japanese, English };

// English unless the first language the system names is Japanese; no language named (unset, "C", "POSIX")
// keeps Japanese, the default.
InterfaceLanguage languageOfSystem(const QStringList& uiLanguages);

// The user's choice kept in the settings, if any.
std::optional<InterfaceLanguage> chosenLanguage();
void setChosenLanguage(InterfaceLanguage language);

// The language this start uses: the choice, else the system's.
InterfaceLanguage startLanguage();

// Installs the translations of `language`: at once for the layers without Qt, and into the running
// application (ours and Qt's own texts) when there is one; a program that makes its application later calls
// it again then. The first call's language holds for the life of the process. False when the translation
// cannot be loaded.
bool installLanguage(InterfaceLanguage language);

// The language installed (Japanese until installLanguage).
InterfaceLanguage installedLanguage();
