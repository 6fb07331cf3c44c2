#pragma once

#include "generation/PreflightCheck.h"

#include <QList>
#include <QString>

class QDialog;
class QWidget;

// The answers to a question about unsaved changes.
enum class SaveAnswer { Save, Discard, Cancel };

// Every modal box, picker and shell call of the windows goes through this interface, so tests
// replace it and never block on a dialog.
class IDialogs
{
public:
    virtual ~IDialogs() = default;

    // A notice without icon, one OK button, captioned with the application title, centred.
    virtual void notice(QWidget *owner, const QString &text) = 0;
    // The error box: error icon, application title; text shown as given.
    virtual void error(QWidget *owner, const QString &text) = 0;
    // A Yes/No question with a question icon and its own title; true for Yes.
    virtual bool question(QWidget *owner, const QString &title, const QString &text) = 0;
    // A Yes/No/Cancel question about unsaved changes: Yes saves, No drops them, Cancel (or
    // closing the box) keeps everything as it is.
    virtual SaveAnswer askSave(QWidget *owner, const QString &title, const QString &text) = 0;
    // A text input box; Cancel gives an empty text.
    virtual QString input(QWidget *owner, const QString &caption, const QString &prompt,
                          const QString &defaultText) = 0;
    // A folder picker that also shows the files of filter ("Шаблоны (*.odt …)"), so the user
    // sees what a folder holds; empty when cancelled.
    virtual QString chooseFolder(QWidget *owner, const QString &title, const QString &startFolder,
                                 const QString &filter) = 0;
    // A file-open picker; filter names its file types ("Таблицы (*.ods …);;Все файлы (*)");
    // empty when cancelled.
    virtual QString chooseOpenFile(QWidget *owner, const QString &title, const QString &startFolder,
                                   const QString &fileName, const QString &filter) = 0;
    // Shows a dialog modally and returns its result (QDialog::Accepted or Rejected).
    virtual int exec(QDialog *dialog) = 0;
    // The findings of the check before a run in "Проверка перед формированием"; true when the
    // user chose "Сформировать" (offered only when no finding is an error).
    virtual bool askPreflight(QWidget *owner, const QList<dokrava::TFinding> &findings) = 0;
    // The shell's "open": a file, a folder or a web address with the desktop's default handler.
    virtual void shellOpen(const QString &pathOrUrl) = 0;
};

namespace Dialogs {
// The interface in force: the real boxes unless a test installed its own.
IDialogs &get();
// Installs a replacement (not owned); nullptr restores the real boxes.
void install(IDialogs *dialogs);
} // namespace Dialogs
