#include "HiResPerc.h"

#include "RunError.h"

#include <QSignalSpy>
#include <QTest>

namespace {

// Neither colour is white, so a bar drawn in the plain foreground colour under not-xor would not
// come out as the foreground; Window and WindowText differ to catch the wrong roles.
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
        // 200 pixels of surface: two pixels to a unit. Tall enough that the top and bottom rows
        // stay clear of the text.
        bar.setFixedSize(bar.contentsMargins().left() + 200 + bar.contentsMargins().right(), 60);
    }
    QImage shot() { return bar.grab().toImage().convertToFormat(QImage::Format_RGB32); }
    QRect surface() const { return bar.contentsRect(); }
    // A column's colour at the surface's top and bottom rows, or invalid when they differ.
    QColor edgeColour(const QImage &image, int column) const
    {
        const int x = surface().left() + column;
        const QColor top = image.pixelColor(x, surface().top());
        return top == image.pixelColor(x, surface().bottom()) ? top : QColor();
    }
    // Where the text is: antialiased, it shows as pixels other than the plain colour around it.
    QRect inkOtherThan(const QImage &image, const QColor &colour) const
    {
        QRect ink;
        for (int y = surface().top(); y <= surface().bottom(); ++y)
            for (int x = surface().left(); x <= surface().right(); ++x)
                if (image.pixelColor(x, y) != colour)
                    ink |= QRect(x, y, 1, 1);
        return ink;
    }
    // Centred within a few pixels, allowing for the font.
    bool centred(const QRect &ink) const
    {
        const QPoint offset = ink.center() - surface().center();
        return ink.isValid() && qAbs(offset.x()) <= 2 && qAbs(offset.y()) <= 3;
    }
};

} // namespace

class TestHiResPercent : public QObject
{
    Q_OBJECT

private Q_SLOTS:
    void text_data()
    {
        QTest::addColumn<qint32>("value");
        QTest::addColumn<qint32>("max");
        QTest::addColumn<bool>("hiResolution");
        QTest::addColumn<QLocale>("locale");
        QTest::addColumn<QString>("expected");
        const QLocale c = QLocale::c();
        const QLocale german(QLocale::German);
        QTest::newRow("zero") << 0 << 100 << false << c << "0%";
        QTest::newRow("full") << 100 << 100 << false << c << "100%";
        QTest::newRow("tenths") << 1 << 3 << true << c << "33.3%";
        QTest::newRow("tenths take the locale's comma") << 1 << 3 << true << german << "33,3%";
        QTest::newRow("whole number keeps its tenth") << 1 << 1 << true << c << "100.0%";
        QTest::newRow("rounds to nearest, not down") << 2 << 3 << false << c << "67%";
        QTest::newRow("tie rounds away from zero") << 1 << 200 << false << c << "1%";
        QTest::newRow("negative tie rounds away from zero") << -1 << 200 << false << c << "-1%";
        QTest::newRow("tenths tie rounds away from zero") << 1 << 2000 << true << c << "0.1%";
        QTest::newRow("negative percentage") << -1 << 3 << true << c << "-33.3%";
        QTest::newRow("no group separator") << 5000 << 1 << false << german << "500000%";
        QTest::newRow("no minus zero") << -1 << 1000 << false << c << "0%";
    }
    void text()
    {
        QFETCH(qint32, value);
        QFETCH(qint32, max);
        QFETCH(bool, hiResolution);
        QFETCH(QLocale, locale);
        QTEST(percentageText(value, max, hiResolution, locale), "expected");
    }

    void pictureKept_data()
    {
        QTest::addColumn<qint32>("max");
        QTest::addColumn<qint32>("value");
        QTest::addColumn<qint32>("number");
        QTest::newRow("101 of 100 is over Max") << 100 << 101 << 0;
        QTest::newRow("0 of 0 overflows") << 0 << 0 << qint32(RunError::Overflow);
        QTest::newRow("-1 of 0 divides by zero") << 0 << -1 << qint32(RunError::DivisionByZero);
        QTest::newRow("5 of 0 is over Max, no failure") << 0 << 5 << 0;
    }
    void pictureKept()
    {
        QFETCH(qint32, max);
        QFETCH(qint32, value);
        QFETCH(qint32, number);
        Fixture f;
        f.bar.setValue(50);
        const QImage before = f.shot();
        f.bar.setMax(max);
        qint32 thrown = 0;
        try {
            f.bar.setValue(value);
        } catch (const RunError &error) {
            thrown = error.number();
        }
        QCOMPARE(thrown, number);
        QCOMPARE(f.bar.Value(), value);
        QCOMPARE(f.shot(), before);
    }

    void bar_data()
    {
        QTest::addColumn<qint32>("value");
        QTest::addColumn<qint32>("max");
        QTest::addColumn<bool>("hiResolution");
        QTest::addColumn<int>("units");
        QTest::newRow("0: no bar, text centred") << 0 << 100 << false << 0;
        QTest::newRow("100: all covered, text inverted") << 100 << 100 << false << 100;
        QTest::newRow("tenths of a third reach 33") << 1 << 3 << true << 33;
        QTest::newRow("two thirds rounded down to 66") << 2 << 3 << false << 66;
        QTest::newRow("29 of 100 is exactly 29") << 29 << 100 << false << 29;
        QTest::newRow("half of an odd max") << 7 << 14 << false << 50;
        QTest::newRow("negative leaves no bar") << -5 << 100 << false << 0;
    }
    void bar()
    {
        QFETCH(qint32, value);
        QFETCH(qint32, max);
        QFETCH(bool, hiResolution);
        QFETCH(int, units);
        Fixture f;
        f.bar.setMax(max);
        f.bar.setHiResolution(hiResolution);
        f.bar.setValue(value);
        const QImage image = f.shot();
        // Two pixels to a unit: the bar's last column, then the first one past it.
        QCOMPARE(f.edgeColour(image, 0), units > 0 ? Foreground : Background);
        if (units > 0)
            QCOMPARE(f.edgeColour(image, 2 * units - 1), Foreground);
        if (units < 100)
            QCOMPARE(f.edgeColour(image, 2 * units), Background);
        if (units == 0 || units == 100) {
            const QRect ink = f.inkOtherThan(image, units ? Foreground : Background);
            QVERIFY2(f.centred(ink), "text missing, not centred or hidden");
        }
    }

    void maxAndHiResolutionWaitForValue()
    {
        Fixture f;
        f.bar.setValue(1);
        const QImage before = f.shot();
        f.bar.setMax(2);
        f.bar.setHiResolution(true);
        f.bar.setFontBold(true);
        QCOMPARE(f.shot(), before);
        f.bar.setValue(1);
        QCOMPARE(f.edgeColour(f.shot(), 99), Foreground);
    }

    // Each row is named after the property it sets.
    void propertyChanged_data()
    {
        QTest::addColumn<QVariant>("value");
        QTest::newRow("Enabled") << QVariant(false);
        QTest::newRow("Font") << QVariant(QFont(QStringLiteral("DejaVu Serif"), 14));
        QTest::newRow("FontItalic") << QVariant(true);
        QTest::newRow("FontName") << QVariant(QStringLiteral("DejaVu Serif"));
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
    void propertyChanged()
    {
        QFETCH(QVariant, value);
        const char *name = QTest::currentDataTag();
        HiResPerc bar;
        QSignalSpy spy(&bar, &HiResPerc::PropertyChanged);
        bar.Refresh();
        QVERIFY(bar.setProperty(name, value));
        QCOMPARE(spy.count(), 1);
        QCOMPARE(spy.at(0).at(0).toString(), QString::fromLatin1(name));
        QCOMPARE(bar.property(name), value);
    }

    void defaults()
    {
        QWidget container;
        container.setFont(QFont(QStringLiteral("DejaVu Serif"), 15));
        HiResPerc bar(&container);
        bar.ReadProperties({});
        QCOMPARE(bar.FontName(), QStringLiteral("MS Sans Serif"));
        QCOMPARE(bar.FontSize(), 10.0);
        QVERIFY(bar.Enabled() && bar.FontTransparent() && !bar.HiResolution() && !bar.Reset());
        QVERIFY(!bar.FontBold() && !bar.FontItalic() && !bar.FontUnderline());
        QCOMPARE(bar.Max(), 100);
        QCOMPARE(bar.Value(), 0);

        QVariantMap bag{{QStringLiteral("Max"), 7}};
        bar.WriteProperties(bag);
        const QStringList written{QStringLiteral("Font"), QStringLiteral("FontName"),
                                  QStringLiteral("FontSize")};
        QCOMPARE(bag.keys(), written);
        QCOMPARE(bag.value(QStringLiteral("FontName")).toString(), QStringLiteral("MS Sans Serif"));
    }

    void roundTripAndDraw()
    {
        Fixture f;
        f.bar.setEnabledProperty(false);
        f.bar.setFontTransparent(false);
        f.bar.setReset(true);
        f.bar.setHiResolution(true);
        f.bar.setValue(50);
        f.bar.setMax(200);
        QVariantMap bag;
        f.bar.WriteProperties(bag); // draws 25 %
        QCOMPARE(f.edgeColour(f.shot(), 49), Foreground);
        QCOMPARE(f.edgeColour(f.shot(), 50), Background);

        Fixture g;
        g.bar.ReadProperties(bag);
        QVERIFY(!g.bar.Enabled() && !g.bar.FontTransparent() && g.bar.Reset() &&
                g.bar.HiResolution());
        QCOMPARE(g.bar.Max(), 200);
        QCOMPARE(g.bar.Value(), 50);
        QCOMPARE(g.bar.FontName(), f.bar.FontName());
        QCOMPARE(g.edgeColour(g.shot(), 49), Foreground);
    }
};

QTEST_MAIN(TestHiResPercent)
#include "tst_hirespercent.moc"
