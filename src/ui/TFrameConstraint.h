#pragma once

#include <QObject>
#include <QSize>

class QWidget;

// Keeps a window's outer size, frame and caption included, from going below a minimum. Qt limits
// the client area only, so the client minimum is worked out from the frame once the window
// system reports it; until then a standard Windows frame is assumed.
class TFrameConstraint : public QObject
{
public:
    // Applies the minimum to window now and again whenever its frame may have changed.
    TFrameConstraint(QWidget *window, QSize minimumFrameSize);

    // The client minimum for a frame that adds frameExtra to the client area; an unknown
    // (empty) frame counts as the standard Windows frame.
    static QSize minimumClientSize(QSize minimumFrameSize, QSize frameExtra);

protected:
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void apply();

    QWidget *m_window;
    QSize m_minimumFrameSize;
};
