#pragma once

#include <QFont>
#include <QImage>
#include <QLocale>
#include <QSize>
#include <QString>
#include <QVariantMap>
#include <QWidget>

// The text shown for value out of max: whole percent, or tenths when hiResolution is set, rounded
// half away from zero, with the locale's decimal separator, no grouping, followed by "%".
// Throws RunError Overflow for 0 of 0 and DivisionByZero for any other value of 0.
QString percentageText(qint32 value, qint32 max, bool hiResolution, const QLocale &locale);

// A bar filling from left to right with the percentage written in its middle.
//
// The picture is persistent: it changes only when Value is set or the properties are read or
// written. A Value above Max leaves the previous picture on screen, and Max, HiResolution and the
// font take effect at the next drawing.
class HiResPerc : public QWidget
{
    Q_OBJECT
    Q_PROPERTY(bool Enabled READ Enabled WRITE setEnabledProperty)
    Q_PROPERTY(QFont Font READ Font WRITE setFontProperty)
    Q_PROPERTY(bool FontItalic READ FontItalic WRITE setFontItalic)
    Q_PROPERTY(QString FontName READ FontName WRITE setFontName)
    Q_PROPERTY(double FontSize READ FontSize WRITE setFontSize)
    Q_PROPERTY(bool FontStrikethru READ FontStrikethru WRITE setFontStrikethru)
    Q_PROPERTY(bool FontTransparent READ FontTransparent WRITE setFontTransparent)
    Q_PROPERTY(bool FontUnderline READ FontUnderline WRITE setFontUnderline)
    Q_PROPERTY(bool FontBold READ FontBold WRITE setFontBold)
    Q_PROPERTY(qint32 Max READ Max WRITE setMax)
    Q_PROPERTY(bool Reset READ Reset WRITE setReset)
    Q_PROPERTY(bool HiResolution READ HiResolution WRITE setHiResolution)
    Q_PROPERTY(qint32 Value READ Value WRITE setValue)

    // Descriptions for property browsers.
    Q_CLASSINFO("Refresh", "Forces a complete repaint of a object.")
    Q_CLASSINFO("Enabled", "Returns/sets a value that determines whether an object can respond to "
                           "user-generated events.")
    Q_CLASSINFO("Font", "Returns a Font object.")
    Q_CLASSINFO("FontItalic", "Returns/sets italic font styles.")
    Q_CLASSINFO("FontName",
                "Specifies the name of the font that appears in each row for the given level.")
    Q_CLASSINFO("FontSize", "Specifies the size (in points) of the font that appears in each row "
                            "for the given level.")
    Q_CLASSINFO("FontStrikethru", "Returns/sets strikethrough font styles.")
    Q_CLASSINFO("FontTransparent", "Returns/sets a value that determines whether background "
                                   "text/graphics on a Form, Printer or PictureBox are displayed.")
    Q_CLASSINFO("FontUnderline", "Returns/sets underline font styles.")
    Q_CLASSINFO("FontBold", "Returns/sets bold font styles.")
    Q_CLASSINFO("Max", "Define the max range for value")
    Q_CLASSINFO("HiResolution", "Enable display of hi resolution percentage")
    Q_CLASSINFO("Value", "The value for the percentage bar")

public:
    explicit HiResPerc(QWidget *parent = nullptr);

    // The widget's own enabled setting, not the one inherited from its parents.
    bool Enabled() const { return !testAttribute(Qt::WA_ForceDisabled); }
    void setEnabledProperty(bool enabled);

    // The font properties are the widget's font.
    QFont Font() const { return font(); }
    void setFontProperty(const QFont &font);
    bool FontItalic() const { return font().italic(); }
    void setFontItalic(bool italic) { setFontPart(&QFont::setItalic, italic, "FontItalic"); }
    QString FontName() const { return font().family(); }
    void setFontName(const QString &name) { setFontPart(&QFont::setFamily, name, "FontName"); }
    double FontSize() const { return font().pointSizeF(); }
    void setFontSize(double size) { setFontPart(&QFont::setPointSizeF, size, "FontSize"); }
    bool FontStrikethru() const { return font().strikeOut(); }
    void setFontStrikethru(bool on) { setFontPart(&QFont::setStrikeOut, on, "FontStrikethru"); }
    bool FontTransparent() const { return m_fontTransparent; }
    void setFontTransparent(bool on) { setField(m_fontTransparent, on, "FontTransparent"); }
    bool FontUnderline() const { return font().underline(); }
    void setFontUnderline(bool on) { setFontPart(&QFont::setUnderline, on, "FontUnderline"); }
    bool FontBold() const { return font().bold(); }
    void setFontBold(bool bold) { setFontPart(&QFont::setBold, bold, "FontBold"); }

    qint32 Max() const { return m_max; }
    void setMax(qint32 max) { setField(m_max, max, "Max"); }
    bool Reset() const { return m_reset; }
    void setReset(bool reset) { setField(m_reset, reset, "Reset"); }
    bool HiResolution() const { return m_hiResolution; }
    void setHiResolution(bool on) { setField(m_hiResolution, on, "HiResolution"); }

    qint32 Value() const;
    // Stores the value and redraws at once; throws RunError when Max is 0 and the value is 0 or
    // less, after storing the value and before the picture changes.
    void setValue(qint32 value);

    // Does nothing: the picture is persistent.
    void Refresh();
    // The percentage the picture shows; empty before the first drawing.
    QString shownText() const { return m_picture.text; }

    // Load and save the persisted properties, then draw once. Both may throw RunError from
    // drawing, after all properties have been handled.
    void ReadProperties(const QVariantMap &bag);
    // Not const: it redraws.
    void WriteProperties(QVariantMap &bag);

    QSize sizeHint() const override;

Q_SIGNALS:
    // A property was set; name is the property's name.
    void PropertyChanged(const QString &name);

protected:
    void paintEvent(QPaintEvent *event) override;

private:
    // What the last allowed drawing showed; the screen is painted from this alone.
    struct Picture
    {
        bool drawn = false;
        QString text;
        int barUnits = 0; // of 100 across the surface
        QFont font;
        bool fontTransparent = true;
    };

    void draw();
    QImage renderPicture(const QSize &size) const;
    void changeFont(const QFont &font, const QString &property);
    // Sets one part of the font, or one field, and says which property changed.
    template <typename Arg, typename Value>
    void setFontPart(void (QFont::*set)(Arg), const Value &value, const char *property)
    {
        QFont changed = font();
        (changed.*set)(value);
        changeFont(changed, QString::fromLatin1(property));
    }
    template <typename Field> void setField(Field &field, Field value, const char *property)
    {
        field = value;
        Q_EMIT PropertyChanged(QString::fromLatin1(property));
    }
    QFont ambientFont() const;

    qint32 m_max = 100;
    qint32 m_value = 0;
    bool m_hiResolution = false;
    bool m_reset = false;
    bool m_fontTransparent = true;
    Picture m_picture;
};
