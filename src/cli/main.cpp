#include "base/DokravaError.h"
#include "base/ProcessSetup.h"
#include "base/ScratchFolder.h"
#include "cli/Cli.h"

#include <QCoreApplication>
#include <QScopeGuard>

#include <cstdio>
#include <exception>
#include <functional>
#include <map>

#ifdef Q_OS_WIN
#include <qt_windows.h>
#endif

namespace dokrava::Cli {

void out(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stdout);
    std::fflush(stdout);
}

void err(const QString &text)
{
    const QByteArray bytes = text.toUtf8();
    std::fwrite(bytes.constData(), 1, size_t(bytes.size()), stderr);
    std::fflush(stderr);
}

} // namespace dokrava::Cli

using namespace dokrava;

int main(int argc, char *argv[])
{
    SetUpProcess();
    QCoreApplication app(argc, argv);
#ifdef Q_OS_WIN
    // The texts are written as UTF-8: a console shows them right only in that code page.
    SetConsoleOutputCP(CP_UTF8);
#endif
    // Scratch folders of calls that were killed go now; this call's own goes at its end.
    ClearTempFolder();
    const auto removeScratch = qScopeGuard([] { RemoveProcessTempDir(); });
    QStringList args = QCoreApplication::arguments().mid(1);
    const std::map<QString, std::function<int(const QStringList &)>> commands = {
        {QStringLiteral("fields"), Cli::fields},
        {QStringLiteral("table"), Cli::table},
        {QStringLiteral("fill"), Cli::fill},
        {QStringLiteral("generate"), Cli::generate},
        {QStringLiteral("check"), Cli::check},
    };
    if (args.size() == 1 && Cli::wantsHelp(args)) {
        Cli::out(Cli::usage());
        return 0;
    }
    if (args.isEmpty() || !commands.count(args.first())) {
        const QString said = args.isEmpty() ? QString()
                             : Cli::isOption(args.first())
                                 ? Cli::unknownOption(args.first()).message + QLatin1Char('\n')
                                 : QStringLiteral("Неизвестная команда «%1»\n").arg(args.first());
        Cli::err(said + Cli::usage());
        return 2;
    }
    const QString name = args.takeFirst();
    if (Cli::wantsHelp(args)) {
        Cli::out(Cli::commandHelp(name));
        return 0;
    }
    try {
        return commands.at(name)(args);
    } catch (const Cli::UsageError &e) {
        Cli::err(e.message + QLatin1Char('\n') + Cli::usage());
        return 2;
    } catch (const DokravaError &e) {
        Cli::err(e.message() + QLatin1Char('\n'));
        return 1;
    } catch (const std::exception &e) {
        Cli::err(QString::fromLocal8Bit(e.what()) + QLatin1Char('\n'));
        return 1;
    }
}
