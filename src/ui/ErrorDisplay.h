#pragma once

#include <QString>

#include <functional>

class QWidget;

// The application title that captions every message box.
QString ApplicationTitle();

// The text of the error display: a full stop is appended when the last character's code is above ".".
QString ErrorDisplayText(const QString &message);

// Shows an error in the application-wide error display.
void ShowApplicationError(QWidget *owner, const QString &message);

// Runs a handler; a DokravaError or any std::exception it throws is shown by the error display
// and goes no further, so nothing escapes into the event loop.
void RunGuarded(QWidget *owner, const std::function<void()> &handler);
