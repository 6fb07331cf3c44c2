#pragma once

#include "generation/PreflightCheck.h"

#include <QDialog>
#include <QList>

#include <memory>

namespace Ui {
class TFPreflight;
}

// "Проверка перед формированием": the findings of the check before a run as wrapped text, grouped
// by template or record, errors first, each level in its colour. "Сформировать" accepts (absent when there is an error), "Отмена" and
// the close box reject, "Копировать" puts the list on the clipboard as FindingsReport writes it.
class TFPreflight : public QDialog
{
    Q_OBJECT
public:
    explicit TFPreflight(const QList<dokrava::TFinding> &findings, QWidget *parent = nullptr);
    ~TFPreflight() override;

    // The generated controls (tests read them and press the buttons).
    Ui::TFPreflight *ui() const { return m_ui.get(); }

    // Puts the list on the clipboard.
    void btnCopyClick();

private:
    std::unique_ptr<Ui::TFPreflight> m_ui;
    QList<dokrava::TFinding> m_findings;
};

// Before a run from the window: true when it may start. With the check switched off, or when the
// check finds no error and no warning, at once; otherwise after the dialogs interface has shown
// the findings and the user chose "Сформировать", which an error never allows.
bool PreflightAllowsRun(QWidget *owner, const dokrava::TGenerationInput &in);
