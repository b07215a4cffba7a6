// Every window and message in each language the program ships, and in a
// pseudo-language whose texts are a third longer with marked ends: each
// caption, label and message lies whole inside its control. CTest runs it
// at 96 and at 144 DPI.
#include "ErrorControl.h"
#include "HiResPerc.h"
#include "MessageBox.h"
#include "ProgramFixture.h"
#include "RunError.h"
#include "ScalerProtocol.h"
#include "Translations.h"
#include "UnitSession.h"
#include "UpdateCheck.h"
#include "frmAbout.h"
#include "frm_Commsettings.h"
#include "frm_pathselect.h"
#include "frm_programme.h"
#include "mod_programmer_main.h"

#include <QAbstractButton>
#include <QApplication>
#include <QGroupBox>
#include <QLabel>
#include <QMessageBox>
#include <QTest>
#include <QTimer>
#include <QTranslator>

#include <cmath>

namespace {
// Each line of every text a third longer, between "[" and "]".
class PseudoTranslator : public QTranslator
{
public:
    bool isEmpty() const override { return false; }
    QString translate(const char *context, const char *source, const char *, int) const override
    {
        // Qt asks its own layout direction this way.
        if (!*source || qstrcmp(context, "QGuiApplication") == 0)
            return QString();
        QStringList lines = QString::fromUtf8(source).split(u'\n');
        for (QString &line : lines) {
            const bool cr = line.endsWith(u'\r');
            line.chop(cr ? 1 : 0);
            if (!line.trimmed().isEmpty())
                line = u'[' + line + QString(int(std::ceil(line.size() / 3.0)), u'\u00ff') + u']';
            line += cr ? QStringLiteral("\r") : QString();
        }
        return lines.join(u'\n');
    }
};

bool hasLetters(const QString &text)
{
    return std::any_of(text.begin(), text.end(), [](QChar c) { return c.isLetter(); });
}

// What is wrong with the texts of the controls shown in root: a text that
// does not lie whole inside its control, a control outside its parent, and
// in the pseudo-language a text that was not translated.
QStringList clipped(QWidget *root, bool pseudo)
{
    QStringList wrong;
    const QRect seen = root->rect();
    for (QWidget *w : root->findChildren<QWidget *>()) {
        if (!w->isVisible() || w->isWindow() ||
            !seen.intersects(QRect(w->mapTo(root, QPoint(0, 0)), w->size())) ||
            w->objectName() == QLatin1String("lblTitle")) // the program's own name
            continue;
        QString text;
        bool fits = true;
        const QFontMetrics metrics(w->font());
        if (auto *label = qobject_cast<QLabel *>(w)) {
            text = label->text();
            const int flags = int(label->alignment()) | (label->wordWrap() ? Qt::TextWordWrap : 0);
            const QRect inside = label->contentsRect();
            fits = inside.contains(metrics.boundingRect(inside, flags, text));
        } else if (auto *button = qobject_cast<QAbstractButton *>(w)) {
            text = button->text();
            fits = button->width() >= button->sizeHint().width() &&
                   button->height() >= metrics.height();
        } else if (auto *frame = qobject_cast<QGroupBox *>(w)) {
            text = frame->title();
            fits = frame->width() >= frame->minimumSizeHint().width();
        }
        const QString name = w->objectName() + QStringLiteral(" \"") + text + u'"';
        if (!text.isEmpty() && !fits)
            wrong << name + QStringLiteral(" is cut");
        if (w->parentWidget() && !w->parentWidget()->rect().contains(w->geometry()))
            wrong << name + QStringLiteral(" lies outside its parent");
        if (pseudo && hasLetters(text))
            for (const QString &line : QString(text).remove(u'&').remove(u'\r').split(u'\n'))
                if (!line.trimmed().isEmpty() &&
                    !(line.trimmed().startsWith(u'[') && line.trimmed().endsWith(u']')))
                    wrong << name + QStringLiteral(" is not translated whole");
    }
    return wrong;
}
} // namespace

class TestLanguage : public QObject, private ProgramFixture
{
    Q_OBJECT

    QList<QTranslator *> m_installed;

    void useLanguage(const QString &language)
    {
        if (language == QLatin1String("pseudo")) {
            m_installed << new PseudoTranslator;
            QCoreApplication::installTranslator(m_installed.last());
        } else {
            QVERIFY(installTranslations(*qApp, QLocale(language), true, true).isEmpty());
            m_installed = qApp->findChildren<QTranslator *>();
            QVERIFY(!m_installed.isEmpty());
        }
    }

private Q_SLOTS:
    void init() { startFixture(); }
    void cleanup()
    {
        for (QTranslator *t : std::as_const(m_installed)) {
            QCoreApplication::removeTranslator(t);
            delete t;
        }
        m_installed.clear();
        stopFixture();
    }
    void windowsAndMessagesWhole_data();
    void windowsAndMessagesWhole();
};

void TestLanguage::windowsAndMessagesWhole_data()
{
    QTest::addColumn<QString>("language");
    const QStringList languages = shippedLanguages() + QStringList{QStringLiteral("pseudo")};
    for (const QString &language : languages)
        QTest::newRow(qPrintable(language)) << language;
}

void TestLanguage::windowsAndMessagesWhole()
{
    QFETCH(QString, language);
    useLanguage(language);
    const bool pseudo = language == QLatin1String("pseudo");
    // The translation is in use: a caption every language changes.
    QVERIFY(QCoreApplication::translate("frm_programme", "&Abort") != QLatin1String("&Abort"));

    frm_programme window(env->paths());
    Main(window, env->paths());
    window.ProgressBar1->setValue(100);
    QStringList wrong = clipped(&window, pseudo);
    // The status line holds each of its texts.
    const QFontMetrics metrics(window.lbl_firmware->font());
    for (int s = int(Stage::Cleared); s <= int(Stage::Complete); ++s) {
        const QString shown = stageText(Stage(s), QStringLiteral("1234567")).shown;
        if (metrics.horizontalAdvance(shown) > window.lbl_firmware->contentsRect().width())
            wrong << QStringLiteral("status \"%1\" is cut").arg(shown);
    }

    for (const bool serial : {true, false}) {
        auto *comms = new frm_Commsettings(window.settings(), window, &window);
        comms->opt_ethser_Click(serial ? 1 : 0);
        comms->show();
        wrong << clipped(comms, pseudo);
        delete comms;
    }
    frm_pathselect path(QString(), env->programFolder(), &window, &window);
    path.show();
    wrong << clipped(&path, pseudo);
    frmAbout about(&window);
    about.show();
    wrong << clipped(&about, pseudo);

    // Messages, as the program's own message box shows them.
    QList<Phrase> texts{abortWarning()};
    for (const qint32 n :
         {5, 430, 8018, 8019, 8020, 8021, 8030, 8031, 9000, 9001, 9002, 9005, 9006, 9007, 32811})
        texts << ErrorControl::rowFor(n).message;
    for (qint32 code = 1; code <= 8; ++code)
        if (!fetchErrorMessage(code).isEmpty())
            texts << fetchErrorMessage(code, QDateTime::currentDateTime(), QDate::currentDate());
    MessageBoxAnswerer box;
    for (const Phrase &text : std::as_const(texts)) {
        MessageRequest request;
        request.setText(text);
        request.setTitle(Phrase::translate("ErrorMessage", "Application problem"));
        request.style = MsgStyle::Exclamation + MsgStyle::YesNo;
        QTimer::singleShot(0, &window, [&] {
            auto *shown = qobject_cast<QMessageBox *>(QApplication::activeModalWidget());
            QVERIFY(shown);
            wrong << clipped(shown, pseudo);
            shown->done(0);
        });
        box.answer(request);
    }
    QVERIFY2(wrong.isEmpty(), qPrintable(wrong.join(u'\n')));
}

QTEST_MAIN(TestLanguage)
#include "tst_language.moc"
