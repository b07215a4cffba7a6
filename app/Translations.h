#pragma once

#include <QLocale>
#include <QString>
#include <QStringList>

class QCoreApplication;

// The languages the program ships, besides English, in which its texts are
// written.
QStringList shippedLanguages();

// The locale of a run: the language chosen for it (a name such as "de" or
// "fr_CA"; English for "en" or "C"), or the system's when none is chosen.
// Sets ok to false for a name that is no language.
QLocale runLocale(const QString &chosen, bool *ok = nullptr);

// Installs on app the program's translation for locale and, with
// controlWords, Qt's own for the standard buttons of a window, and makes
// locale the default for numbers. Returns a line for the log when a language
// chosen for the run (chosen true) is not shipped; English is then used.
QString installTranslations(QCoreApplication &app, const QLocale &locale, bool chosen,
                            bool controlWords);

// The folder the program's translations are in: where the package installs
// them, beside the program (Windows), or in the build folder.
QString translationsFolder();
