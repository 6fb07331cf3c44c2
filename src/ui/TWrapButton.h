#pragma once

#include <QPushButton>

// A push button whose caption wraps onto several lines when the button is too narrow for it.
class TWrapButton : public QPushButton
{
    Q_OBJECT
public:
    explicit TWrapButton(QWidget *parent = nullptr);

    // Room for the caption broken at its blanks, no line wider than the longest word.
    QSize sizeHint() const override;
    // The wrapped caption needs the full hint.
    QSize minimumSizeHint() const override;

protected:
    void paintEvent(QPaintEvent *event) override;
};
