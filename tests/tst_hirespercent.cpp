#include "HiResPerc.h"

#include "RunError.h"
#include "TestEnvironment.h"

#include <QPainter>
#include <QSignalSpy>
#include <QTest>

namespace {

// Neither is white, so that a bar drawn in the plain text colour shows; Window and WindowText
// differ from them to catch the wrong roles.
const QColor Background(255, 255, 200);
const QColor Foreground(0, 0, 128);

struct Fixture
{
    HiResPerc bar;
    Fixture()
    {
        QPalette palette;
        palette.setColor(QPalette::Base, Background);
        palette.setColor(QPalette::Text, Foreground);
        palette.setColor(QPalette::Window, Qt::gray);
        palette.setColor(QPalette::WindowText, Qt::red);
        bar.setPalette(palette);
        // 150 pixels of surface: a unit and a half each, so that the bar's edge rounds.
        bar.setFixedSize(bar.contentsMargins().left() + 150 + bar.contentsMargins().right(), 60);
    }
    QImage shown() { return bar.grab(bar.contentsRect()).toImage(); }
    // What it must show: text centred in the text colour on the background, and over the first
    // units of 100 the bar, which turns background into text colour and text into background.
    QImage expected(const QString &text, int units)
    {
        QImage image = shown();
        image.fill(Background);
        QPainter painter(&image);
        painter.setFont(bar.font());
        painter.setPen(Foreground);
        painter.drawText(image.rect(), Qt::AlignCenter, text);
        painter.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
        painter.fillRect(0, 0, qRound(1.5 * units), image.height(),
                         QColor::fromRgb(~(Background.rgb() ^ Foreground.rgb())));
        return image;
    }
};

} // namespace

class TestHiResPercent : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    // What the bar shows for a value, after 50 of 100 was shown.
    void shows_data()
    {
        QTest::addColumn<qint32>("value");
        QTest::addColumn<qint32>("max");
        QTest::addColumn<bool>("hiResolution");
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("text"); // in that locale
        QTest::addColumn<int>("units");    // of the bar; -1: the picture before stays
        QTest::addColumn<qint32>("error"); // raised by setting the value
        const QLocale c = QLocale::c(), de(QLocale::German);
        row("0: no bar", 0, 100, false, c, "0%", 0, 0);
        row("100: all covered", 100, 100, false, c, "100%", 100, 0);
        row("tenths of a third, bar to 33", 1, 3, true, c, "33.3%", 33, 0);
        row("tenths take the locale's comma", 1, 3, true, de, "33,3%", 33, 0);
        row("whole number keeps its tenth", 1, 1, true, c, "100.0%", 100, 0);
        row("text rounds to nearest, bar down", 2, 3, false, c, "67%", 66, 0);
        row("29 of 100 is exactly 29", 29, 100, false, c, "29%", 29, 0);
        row("tie rounds away from zero", 1, 200, false, c, "1%", 0, 0);
        row("negative tie rounds away from zero", -1, 200, false, c, "-1%", 0, 0);
        row("tenths tie rounds away from zero", 1, 2000, true, c, "0.1%", 0, 0);
        row("negative: no bar", -1, 3, true, c, "-33.3%", 0, 0);
        row("no minus zero", -1, 1000, false, c, "0%", 0, 0);
        row("101 of 100 is over Max", 101, 100, false, c, "101%", -1, 0);
        row("no group separator", 5000, 1, false, de, "500000%", -1, 0);
        row("0 of 0 overflows", 0, 0, false, c, "", -1, qint32(RunError::Overflow));
        row("-1 of 0 divides by zero", -1, 0, false, c, "", -1, qint32(RunError::DivisionByZero));
        row("5 of 0 is over Max, no failure", 5, 0, false, c, "", -1, 0);
    }
    void shows()
    {
        QFETCH(qint32, value);
        QFETCH(qint32, max);
        QFETCH(bool, hiResolution);
        QFETCH(QLocale, locale);
        QFETCH(int, units);
        if (max != 0)
            QTEST(percentageText(value, max, hiResolution, locale), "text");
        Fixture f;
        f.bar.setValue(50);
        QImage picture = f.shown();
        // Max, HiResolution and the font wait for the next value.
        f.bar.setMax(max);
        f.bar.setHiResolution(hiResolution);
        f.bar.setFontBold(true);
        QCOMPARE(f.shown(), picture);
        qint32 error = 0;
        try {
            f.bar.setValue(value);
        } catch (const RunError &e) {
            error = e.number();
        }
        QTEST(error, "error");
        if (units >= 0)
            picture =
                f.expected(percentageText(value, max, hiResolution, QLocale::system()), units);
        QCOMPARE(f.shown(), picture);
    }

    // Each row is named after the property it sets on a bar read with nothing stored: it is said
    // to have changed, it is written besides the font (the read defaults differ from the written
    // ones), and it reaches another bar; both then show the same.
    void properties_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::newRow("Enabled") << QVariant(false);
        QTest::newRow("Font") << QVariant(QFont("DejaVu Serif", 14));
        QTest::newRow("FontItalic") << QVariant(true);
        QTest::newRow("FontName") << QVariant("DejaVu Serif");
        QTest::newRow("FontSize") << QVariant(14.5);
        QTest::newRow("FontStrikethru") << QVariant(true);
        QTest::newRow("FontTransparent") << QVariant(false);
        QTest::newRow("FontUnderline") << QVariant(true);
        QTest::newRow("FontBold") << QVariant(true);
        QTest::newRow("Max") << QVariant(50);
        QTest::newRow("Reset") << QVariant(true);
        QTest::newRow("HiResolution") << QVariant(true);
        QTest::newRow("Value") << QVariant(5);
    }
    void properties()
    {
        QFETCH(QVariant, value);
        const char *name = QTest::currentDataTag();
        Fixture f, g;
        f.bar.ReadProperties({});
        QCOMPARE(f.bar.FontName() + u' ' + QString::number(f.bar.FontSize()), "MS Sans Serif 10");
        QSignalSpy spy(&f.bar, &HiResPerc::PropertyChanged);
        f.bar.Refresh();
        QVERIFY(f.bar.setProperty(name, value));
        QCOMPARE(spy, (QList<QVariantList>{{QString::fromLatin1(name)}}));
        QVariantMap bag{{"Max", 100}}; // a stale entry
        f.bar.WriteProperties(bag);
        QCOMPARE(QSet<QString>(bag.keyBegin(), bag.keyEnd()),
                 (QSet<QString>{"Font", "FontName", "FontSize", name}));
        g.bar.ReadProperties(bag);
        QCOMPARE(g.bar.property(name), value);
        QCOMPARE(g.shown(), f.shown());
    }
};

QTEST_MAIN(TestHiResPercent)
#include "tst_hirespercent.moc"
