#include "Translations.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QLibraryInfo>
#include <QTranslator>

QStringList shippedLanguages()
{
    return {QStringLiteral("de"), QStringLiteral("fr"), QStringLiteral("es")};
}

QLocale runLocale(const QString &chosen, bool *ok)
{
    if (ok)
        *ok = true;
    if (chosen.isEmpty())
        return QLocale::system();
    if (chosen == QLatin1String("C") || chosen == QLatin1String("en"))
        return QLocale(QLocale::English, QLocale::UnitedStates);
    const QLocale locale(chosen);
    // QLocale takes any name it cannot read for the C locale.
    if (locale.language() == QLocale::C && ok)
        *ok = false;
    return locale;
}

QString translationsFolder()
{
    // Installed on Linux, beside the program on Windows, or the build's.
    const QDir programs(QCoreApplication::applicationDirPath());
    for (const char *folder : {"../share/flashwright/translations", "translations"}) {
        const QString path = programs.filePath(QString::fromLatin1(folder));
        if (QFileInfo(path).isDir())
            return QDir::cleanPath(path);
    }
    return QDir::cleanPath(programs.filePath(QStringLiteral("../translations")));
}

namespace {
// Qt's words for the controls of a window only. Qt translates the reasons
// of failed sockets, ports and files too, and those go to the logs and to
// the console's JSON, which stay English.
class ControlWords : public QTranslator
{
public:
    using QTranslator::QTranslator;
    bool isEmpty() const override { return false; }
    QString translate(const char *context, const char *source, const char *disambiguation,
                      int n) const override
    {
        static const QList<QByteArray> controls{
            "QPlatformTheme", "QDialogButtonBox",   "QMessageBox", "QProgressDialog",
            "QLineEdit",      "QWidgetTextControl", "QShortcut",   "QScrollBar"};
        return controls.contains(QByteArray(context))
                   ? QTranslator::translate(context, source, disambiguation, n)
                   : QString();
    }
};
} // namespace

QString installTranslations(QCoreApplication &app, const QLocale &locale, bool chosen,
                            bool controlWords)
{
    QLocale::setDefault(locale);
    if (locale.language() == QLocale::English || locale.language() == QLocale::C)
        return QString();
    auto *own = new QTranslator(&app);
    if (!own->load(locale, QStringLiteral("flashwright"), QStringLiteral("_"),
                   translationsFolder())) {
        delete own;
        return chosen ? QStringLiteral("Language: %1 is not one of the program's languages (%2); "
                                       "English is used")
                            .arg(locale.name(), shippedLanguages().join(QStringLiteral(", ")))
                      : QString();
    }
    QCoreApplication::installTranslator(own);
    // The standard buttons' own words, where Qt's translations are installed.
    if (!controlWords)
        return QString();
    auto *qt = new ControlWords(&app);
    if (qt->load(locale, QStringLiteral("qtbase"), QStringLiteral("_"),
                 QLibraryInfo::path(QLibraryInfo::TranslationsPath)))
        QCoreApplication::installTranslator(qt);
    else
        delete qt;
    return QString();
}
