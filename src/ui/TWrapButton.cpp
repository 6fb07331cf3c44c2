#include "ui/TWrapButton.h"

#include <QFontMetrics>
#include <QStyleOptionButton>
#include <QStylePainter>

namespace {
constexpr int kTextMargin = 6;
constexpr int kTextFlags = Qt::AlignCenter | Qt::TextWordWrap;
} // namespace

TWrapButton::TWrapButton(QWidget *parent)
    : QPushButton(parent)
{
}

QSize TWrapButton::sizeHint() const
{
    const QFontMetrics metrics(font());
    int widest = 0;
    for (const QString &word : text().split(QLatin1Char(' '), Qt::SkipEmptyParts))
        widest = qMax(widest, metrics.horizontalAdvance(word));
    const QRect bounds = metrics.boundingRect(QRect(0, 0, widest, 10000), kTextFlags, text());
    return QSize(bounds.width(), bounds.height()) + QSize(4 * kTextMargin, 2 * kTextMargin);
}

QSize TWrapButton::minimumSizeHint() const
{
    return sizeHint();
}

void TWrapButton::paintEvent(QPaintEvent *)
{
    // The style draws the bevel and focus frame without text; the caption is drawn wrapped on top.
    QStylePainter painter(this);
    QStyleOptionButton option;
    initStyleOption(&option);
    option.text.clear();
    painter.drawControl(QStyle::CE_PushButton, option);
    painter.setPen(palette().color(isEnabled() ? QPalette::Active : QPalette::Disabled,
                                   QPalette::ButtonText));
    painter.drawText(rect().adjusted(kTextMargin, kTextMargin, -kTextMargin, -kTextMargin),
                     kTextFlags, text());
}
