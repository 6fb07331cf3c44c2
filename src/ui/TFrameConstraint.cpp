#include "ui/TFrameConstraint.h"

#include <QEvent>
#include <QWidget>

namespace {
// Borders of 8 pixels on each side and a 31-pixel caption: a sizeable window on Windows 10.
const QSize kStandardFrame(16, 39);
} // namespace

TFrameConstraint::TFrameConstraint(QWidget *window, QSize minimumFrameSize)
    : QObject(window), m_window(window), m_minimumFrameSize(minimumFrameSize)
{
    window->installEventFilter(this);
    apply();
}

QSize TFrameConstraint::minimumClientSize(QSize minimumFrameSize, QSize frameExtra)
{
    if (frameExtra.width() <= 0 && frameExtra.height() <= 0)
        frameExtra = kStandardFrame;
    return (minimumFrameSize - frameExtra).expandedTo(QSize(0, 0));
}

bool TFrameConstraint::eventFilter(QObject *watched, QEvent *event)
{
    // The window manager reports the frame after mapping; a move or show follows it.
    if (watched == m_window && (event->type() == QEvent::Show || event->type() == QEvent::Move))
        apply();
    return QObject::eventFilter(watched, event);
}

void TFrameConstraint::apply()
{
    const QSize extra = m_window->frameGeometry().size() - m_window->geometry().size();
    const QSize minimum = minimumClientSize(m_minimumFrameSize, extra);
    if (m_window->minimumSize() != minimum)
        m_window->setMinimumSize(minimum);
}
