#include "ui/ErrorDisplay.h"

#include "base/DokravaError.h"
#include "ui/Dialogs.h"

#include <QCoreApplication>

#include <exception>

using namespace dokrava;

QString ApplicationTitle()
{
    return QStringLiteral("Генератор документов ");
}

QString ErrorDisplayText(const QString &message)
{
    if (!message.isEmpty() && message.back().unicode() > u'.')
        return message + QLatin1Char('.');
    return message;
}

void ShowApplicationError(QWidget *owner, const QString &message)
{
    Dialogs::get().error(owner, ErrorDisplayText(message));
}

void RunGuarded(QWidget *owner, const std::function<void()> &handler)
{
    try {
        handler();
    } catch (const DokravaError &e) {
        ShowApplicationError(owner, e.message());
    } catch (const std::exception &e) {
        ShowApplicationError(owner, QString::fromLocal8Bit(e.what()));
    } catch (...) {
        ShowApplicationError(owner, QStringLiteral("Неизвестная ошибка"));
    }
}
