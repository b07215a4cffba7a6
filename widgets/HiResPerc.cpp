#include "HiResPerc.h"

#include "RunError.h"
#include "mod_MsgBoxEx.h"

#include <QAccessibleWidget>
#include <QApplication>
#include <QPainter>

#include <cmath>

namespace {

// The surface's size at 1440 twips to the inch.
constexpr int SurfaceWidthTwips = 3615;
constexpr int SurfaceHeightTwips = 375;

constexpr double FontSizeDefault = 10.0;

// Whole units of the 100 across the surface that the bar covers. Multiplying first keeps whole
// percentages exact (29 of 100 is 29, not 28.999...). max must not be 0.
int barUnits(qint32 value, qint32 max)
{
    const double percent = double(value) * 100.0 / double(max);
    if (percent <= 0.0)
        return 0;
    if (percent >= 100.0)
        return 100;
    return int(std::floor(percent));
}

// The bar as a screen reader knows it: a progress bar, its value and the
// percentage it shows.
class HiResPercAccessible : public QAccessibleWidget, public QAccessibleValueInterface
{
public:
    explicit HiResPercAccessible(HiResPerc *bar) : QAccessibleWidget(bar, QAccessible::ProgressBar)
    {}

    void *interface_cast(QAccessible::InterfaceType type) override
    {
        if (type == QAccessible::ValueInterface)
            return static_cast<QAccessibleValueInterface *>(this);
        return QAccessibleWidget::interface_cast(type);
    }
    QString text(QAccessible::Text t) const override
    {
        return t == QAccessible::Value ? bar()->shownText() : QAccessibleWidget::text(t);
    }
    QVariant currentValue() const override { return bar()->Value(); }
    void setCurrentValue(const QVariant &) override {}
    QVariant maximumValue() const override { return bar()->Max(); }
    QVariant minimumValue() const override { return 0; }
    QVariant minimumStepSize() const override { return 0; }

private:
    HiResPerc *bar() const { return static_cast<HiResPerc *>(widget()); }
};

QAccessibleInterface *accessibleBar(const QString &className, QObject *object)
{
    auto *bar = qobject_cast<HiResPerc *>(object);
    return bar && className == QLatin1String("HiResPerc") ? new HiResPercAccessible(bar) : nullptr;
}

} // namespace

QString percentageText(qint32 value, qint32 max, bool hiResolution, const QLocale &locale)
{
    // 0/0 and x/0 fail the way a floating-point division does.
    if (max == 0)
        throw RunError(value == 0 ? RunError::Overflow : RunError::DivisionByZero);

    // Scaling before dividing keeps true ties exact, so std::round takes them away from zero;
    // everything else stays well clear of a tie.
    const double scaled = double(value) * (hiResolution ? 1000.0 : 100.0) / double(max);
    const qint64 rounded = qint64(std::round(scaled));
    const qint64 magnitude = rounded < 0 ? -rounded : rounded;

    // Only the decimal separator is regional; digits and sign stay plain, and no "-0".
    QString text = rounded < 0 ? QStringLiteral("-") : QString();
    if (hiResolution) {
        text += QString::number(magnitude / 10) + locale.decimalPoint() +
                QString::number(magnitude % 10);
    } else {
        text += QString::number(magnitude);
    }
    return text + QLatin1Char('%');
}

HiResPerc::HiResPerc(QWidget *parent) : QWidget(parent)
{
    // The frame lies outside the surface, which is the contents rectangle.
    setContentsMargins(1, 1, 1, 1);
    setAttribute(Qt::WA_OpaquePaintEvent);
    // Qt keeps the factories; it is handed this one once.
    static const bool accessible = (QAccessible::installFactory(accessibleBar), true);
    Q_UNUSED(accessible)
}

void HiResPerc::setEnabledProperty(bool enabled)
{
    setEnabled(enabled);
    Q_EMIT PropertyChanged(QStringLiteral("Enabled"));
}

void HiResPerc::setFontProperty(const QFont &font)
{
    changeFont(font, QStringLiteral("Font"));
}

qint32 HiResPerc::Value() const
{
    return m_value;
}

void HiResPerc::setValue(qint32 value)
{
    m_value = value;
    Q_EMIT PropertyChanged(QStringLiteral("Value"));
    draw();
}

void HiResPerc::Refresh() {}

void HiResPerc::ReadProperties(const QVariantMap &bag)
{
    setEnabled(bag.value(QStringLiteral("Enabled"), true).toBool());

    // Applied in order, so the name and size read afterwards win over the font object's.
    const auto fontEntry = bag.constFind(QStringLiteral("Font"));
    QFont loaded = fontEntry != bag.constEnd() ? fontEntry->value<QFont>() : ambientFont();
    loaded.setItalic(bag.value(QStringLiteral("FontItalic"), false).toBool());
    loaded.setFamily(
        bag.value(QStringLiteral("FontName"), QStringLiteral("MS Sans Serif")).toString());
    loaded.setPointSizeF(bag.value(QStringLiteral("FontSize"), FontSizeDefault).toDouble());
    loaded.setStrikeOut(bag.value(QStringLiteral("FontStrikethru"), false).toBool());
    loaded.setUnderline(bag.value(QStringLiteral("FontUnderline"), false).toBool());
    loaded.setBold(bag.value(QStringLiteral("FontBold"), false).toBool());
    setFont(loaded);
    m_fontTransparent = bag.value(QStringLiteral("FontTransparent"), true).toBool();

    m_max = bag.value(QStringLiteral("Max"), 100).toInt();
    m_reset = bag.value(QStringLiteral("Reset"), false).toBool();
    m_hiResolution = bag.value(QStringLiteral("HiResolution"), false).toBool();
    m_value = bag.value(QStringLiteral("Value"), 0).toInt();

    draw();
}

void HiResPerc::WriteProperties(QVariantMap &bag)
{
    // A value equal to its default is left out, so reading falls back to the read default.
    const auto write = [&bag](const QString &name, const auto &value, const auto &fallback) {
        if (value == fallback)
            bag.remove(name);
        else
            bag.insert(name, QVariant::fromValue(value));
    };
    write(QStringLiteral("Enabled"), Enabled(), true);
    write(QStringLiteral("Font"), Font(), ambientFont());
    write(QStringLiteral("FontItalic"), FontItalic(), false);
    write(QStringLiteral("FontName"), FontName(), QString());
    write(QStringLiteral("FontSize"), FontSize(), 0.0);
    write(QStringLiteral("FontStrikethru"), FontStrikethru(), false);
    write(QStringLiteral("FontTransparent"), m_fontTransparent, true);
    write(QStringLiteral("FontUnderline"), FontUnderline(), false);
    write(QStringLiteral("FontBold"), FontBold(), false);
    write(QStringLiteral("Max"), m_max, 100);
    write(QStringLiteral("Reset"), m_reset, false);
    write(QStringLiteral("HiResolution"), m_hiResolution, false);
    write(QStringLiteral("Value"), m_value, 0);

    draw();
}

QSize HiResPerc::sizeHint() const
{
    return QSize(twipsToPixels(SurfaceWidthTwips, logicalDpiX()),
                 twipsToPixels(SurfaceHeightTwips, logicalDpiY()));
}

void HiResPerc::paintEvent(QPaintEvent *)
{
    QPainter painter(this);
    painter.setPen(palette().color(QPalette::Mid));
    painter.drawRect(rect().adjusted(0, 0, -1, -1));

    const QRect surface = contentsRect();
    if (!surface.isEmpty())
        painter.drawImage(surface.topLeft(), renderPicture(surface.size()));
}

void HiResPerc::draw()
{
    // Above Max the previous picture stays; this also covers a positive value over a Max of 0.
    if (m_value > m_max)
        return;

    // Computed before anything changes, so a failure leaves the picture as it was.
    const QString text = percentageText(m_value, m_max, m_hiResolution, QLocale::system());
    m_picture.drawn = true;
    m_picture.text = text;
    m_picture.barUnits = barUnits(m_value, m_max);
    m_picture.font = font();
    m_picture.fontTransparent = m_fontTransparent;
    update();
    QAccessibleValueChangeEvent changed(this, m_value);
    QAccessible::updateAccessibility(&changed);
}

QImage HiResPerc::renderPicture(const QSize &size) const
{
    // Raster operations need a raster image, not whatever the window system paints on. The image
    // takes the widget's resolution so the font comes out at the widget's size.
    const qreal ratio = devicePixelRatioF();
    QImage image(size * ratio, QImage::Format_RGB32);
    image.setDevicePixelRatio(ratio);
    image.setDotsPerMeterX(qRound(logicalDpiX() / 0.0254));
    image.setDotsPerMeterY(qRound(logicalDpiY() / 0.0254));

    const QColor background = palette().color(QPalette::Base);
    const QColor foreground = palette().color(QPalette::Text);
    image.fill(background);
    if (!m_picture.drawn)
        return image;

    QPainter painter(&image);
    const QRect area(QPoint(0, 0), size);
    painter.setFont(m_picture.font);
    painter.setPen(foreground);
    if (!m_picture.fontTransparent) {
        painter.setBackgroundMode(Qt::OpaqueMode);
        painter.setBackground(background);
    }
    painter.drawText(area, Qt::AlignCenter, m_picture.text);

    if (m_picture.barUnits > 0) {
        // Under not-xor this colour turns background into foreground and foreground into
        // background; on a white background it is the foreground colour itself.
        const QColor swap = QColor::fromRgb(~(background.rgb() ^ foreground.rgb()));
        const int right = qRound(m_picture.barUnits * size.width() / 100.0);
        painter.setCompositionMode(QPainter::RasterOp_NotSourceXorDestination);
        painter.fillRect(QRect(0, 0, right, size.height()), swap);
    }
    return image;
}

void HiResPerc::changeFont(const QFont &font, const QString &property)
{
    setFont(font);
    Q_EMIT PropertyChanged(property);
}

QFont HiResPerc::ambientFont() const
{
    return parentWidget() ? parentWidget()->font() : QApplication::font();
}
