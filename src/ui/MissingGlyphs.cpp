#include "ui/MissingGlyphs.h"

#include <QAbstractButton>
#include <QFont>
#include <QGlyphRun>
#include <QIcon>
#include <QTextLayout>

bool HasMissingGlyph(const QString &text, const QFont &font)
{
    // The layout picks fallback fonts as painting does; glyph 0 is the font's "missing" box.
    QTextLayout layout(text, font);
    layout.beginLayout();
    layout.createLine();
    layout.endLayout();
    for (const QGlyphRun &run : layout.glyphRuns())
        for (const quint32 glyph : run.glyphIndexes())
            if (glyph == 0)
                return true;
    return false;
}

void FitSymbolCaption(QAbstractButton *button, const QString &iconName)
{
    const QString caption = button->text();
    if (!HasMissingGlyph(caption, button->font()))
        return;
    const qsizetype blank = caption.indexOf(QLatin1Char(' '));
    if (blank < 0)
        return;
    button->setText(caption.mid(blank + 1));
    button->setIcon(QIcon::fromTheme(iconName));
}
