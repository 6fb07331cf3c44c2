#include "ui/Dialogs.h"

#include "ui/ErrorDisplay.h"
#include "ui/TFPreflight.h"

#include <QDesktopServices>
#include <QDialog>
#include <QFileDialog>
#include <QInputDialog>
#include <QMessageBox>
#include <QUrl>

using namespace dokrava;

namespace {

class RealDialogs : public IDialogs
{
public:
    void notice(QWidget *owner, const QString &text) override
    {
        // No owner: the box is centred on the screen rather than on the window.
        Q_UNUSED(owner);
        QMessageBox box(QMessageBox::NoIcon, ApplicationTitle(), text, QMessageBox::Ok);
        box.exec();
    }

    void error(QWidget *owner, const QString &text) override
    {
        QMessageBox::critical(owner, ApplicationTitle(), text);
    }

    bool question(QWidget *owner, const QString &title, const QString &text) override
    {
        return QMessageBox::question(owner, title, text, QMessageBox::Yes | QMessageBox::No)
               == QMessageBox::Yes;
    }

    SaveAnswer askSave(QWidget *owner, const QString &title, const QString &text) override
    {
        const auto answer = QMessageBox::question(owner, title, text,
                                                  QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel,
                                                  QMessageBox::Yes);
        return answer == QMessageBox::Yes ? SaveAnswer::Save
               : answer == QMessageBox::No ? SaveAnswer::Discard
                                           : SaveAnswer::Cancel;
    }

    QString input(QWidget *owner, const QString &caption, const QString &prompt,
                  const QString &defaultText) override
    {
        bool ok = false;
        const QString text = QInputDialog::getText(owner, caption, prompt, QLineEdit::Normal,
                                                   defaultText, &ok);
        return ok ? text : QString();
    }

    QString chooseFolder(QWidget *owner, const QString &title, const QString &startFolder,
                         const QString &filter) override
    {
        QFileDialog dialog(owner, title, startFolder, filter);
        dialog.setFileMode(QFileDialog::Directory);
        dialog.setOption(QFileDialog::ShowDirsOnly, false);
        if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
            return QString();
        return dialog.selectedFiles().constFirst();
    }

    QString chooseOpenFile(QWidget *owner, const QString &title, const QString &startFolder,
                           const QString &fileName, const QString &filter) override
    {
        const QString start = fileName.isEmpty() ? startFolder : fileName;
        return QFileDialog::getOpenFileName(owner, title, start, filter);
    }

    int exec(QDialog *dialog) override
    {
        return dialog->exec();
    }

    bool askPreflight(QWidget *owner, const QList<TFinding> &findings) override
    {
        TFPreflight dialog(findings, owner);
        return dialog.exec() == QDialog::Accepted;
    }

    void shellOpen(const QString &pathOrUrl) override
    {
        const QUrl url = pathOrUrl.contains(QStringLiteral("://"))
                             ? QUrl(pathOrUrl)
                             : QUrl::fromLocalFile(pathOrUrl);
        QDesktopServices::openUrl(url);
    }
};

RealDialogs g_real;
IDialogs *g_current = nullptr;

} // namespace

namespace Dialogs {

IDialogs &get()
{
    return g_current ? *g_current : g_real;
}

void install(IDialogs *dialogs)
{
    g_current = dialogs;
}

} // namespace Dialogs
