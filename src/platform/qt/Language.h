// The language every text is shown in: the game core's texts (through texts::translate), the
// toolkit-side texts (QCoreApplication::translate) and the toolkit's own (dialogs, buttons).
// Japanese is the texts as written; every other language is a catalogue built into the program
// from i18n/tarvenko_<code>.ts.
#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>
#include <functional>

namespace tarvenko::language {

// "ja" and the codes of the built-in catalogues ("en", ...).
QStringList available();

// What the locale asks for: Japanese where its language is Japanese or not stated (C, POSIX),
// the language's own catalogue where there is one, English for any other language.
QString fromLocale(const QLocale& locale = QLocale::system());

// Shows every text in the language of `code` from now on; an unknown code is English. With an
// application object, its widgets get a LanguageChange event. Returns the code in use.
QString use(const QString& code);

// The code in use; "ja" before any use().
QString current();

// Called after a player chose a language from the menu (to remember it with the settings).
void onChosen(std::function<void(const QString& code)> remember);
void chosen(const QString& code);

} // namespace tarvenko::language
