#pragma once

#include "ui/Dialogs.h"

#include <QDialog>
#include <functional>
#include <QList>
#include <QString>
#include <QStringList>

using namespace dokrava;

// Stands in for every box and picker in widget tests: records what was shown and answers from
// scripted queues, so no test ever blocks on a modal dialog. Installed for its lifetime.
class FakeDialogs : public IDialogs
{
public:
    FakeDialogs() { Dialogs::install(this); }
    ~FakeDialogs() override { Dialogs::install(nullptr); }

    QStringList notices;          // texts of notices, in order
    QStringList errors;           // texts of error boxes, in order
    QStringList questions;        // "title|text" of questions, in order
    QStringList saveQuestions;    // "title|text" of questions about unsaved changes
    QStringList inputs;           // "caption|prompt" of input boxes
    QStringList opened;           // paths and addresses handed to the shell
    QList<QDialog *> dialogs;     // dialogs shown modally (only valid during the call)
    QList<QList<TFinding>> preflights; // findings shown before runs, in order

    QList<bool> answers;          // answers to questions; Yes when empty
    QList<SaveAnswer> saveAnswers; // answers about unsaved changes; "Нет" (Discard) when empty
    QStringList filters;          // the file types offered by pickers, in order
    QStringList inputAnswers;     // answers to input boxes; empty (Cancel) when none left
    QStringList folderAnswers;    // answers to folder pickers; empty (cancel) when none left
    QStringList fileAnswers;      // answers to file pickers; empty (cancel) when none left
    QList<int> execResults;       // results of modal dialogs; Rejected when none left
    QList<bool> preflightAnswers; // "Сформировать" (true) or "Отмена"; "Сформировать" when empty
    std::function<void(QDialog *)> onExec; // called with each modal dialog before it "closes"

    void notice(QWidget *, const QString &text) override { notices << text; }
    void error(QWidget *, const QString &text) override { errors << text; }
    bool question(QWidget *, const QString &title, const QString &text) override
    {
        questions << title + QLatin1Char('|') + text;
        return answers.isEmpty() ? true : answers.takeFirst();
    }
    SaveAnswer askSave(QWidget *, const QString &title, const QString &text) override
    {
        saveQuestions << title + QLatin1Char('|') + text;
        return saveAnswers.isEmpty() ? SaveAnswer::Discard : saveAnswers.takeFirst();
    }
    QString input(QWidget *, const QString &caption, const QString &prompt, const QString &) override
    {
        inputs << caption + QLatin1Char('|') + prompt;
        return inputAnswers.isEmpty() ? QString() : inputAnswers.takeFirst();
    }
    QString chooseFolder(QWidget *, const QString &, const QString &, const QString &filter) override
    {
        filters << filter;
        return folderAnswers.isEmpty() ? QString() : folderAnswers.takeFirst();
    }
    QString chooseOpenFile(QWidget *, const QString &, const QString &, const QString &,
                           const QString &filter) override
    {
        filters << filter;
        return fileAnswers.isEmpty() ? QString() : fileAnswers.takeFirst();
    }
    int exec(QDialog *dialog) override
    {
        dialogs << dialog;
        if (onExec)
            onExec(dialog);
        return execResults.isEmpty() ? int(QDialog::Rejected) : execResults.takeFirst();
    }
    bool askPreflight(QWidget *, const QList<TFinding> &findings) override
    {
        preflights << findings;
        return preflightAnswers.isEmpty() ? true : preflightAnswers.takeFirst();
    }
    void shellOpen(const QString &pathOrUrl) override { opened << pathOrUrl; }
};
