#pragma once

#include "settings/Settings.h"

#include <QDialog>

#include <memory>

namespace Ui {
class TFZamena;
}

// The settings window "Личные поля для замены": the personal fields of "replace.ini" in a grid
// and the switches of "settings.ini". Created once at start, shown modally from the main window.
class TFZamena : public QDialog
{
    Q_OBJECT
public:
    explicit TFZamena(QWidget *parent = nullptr);
    ~TFZamena() override;

    // The generated controls (tests read them).
    Ui::TFZamena *ui() const { return m_ui.get(); }

    // Each show: the grid from "replace.ini" (created empty when missing), the switches from Settings.
    void FormShow();
    // Two empty rows at the bottom of the grid.
    void B_addStrClick();
    // The unique-folder switch is usable only while the open-folder switch is on.
    void ChB_OpenDirClick();
    // "Один PDF для печати" is usable only with the PDF format, its layout only when it is ticked.
    void enableCombineControls();
    // Tells whoever listens (the main window, for its converter warning) that the format changed.
    void rgFileFormatClick();
    // Writes "replace.ini", takes the switches into Settings, writes "settings.ini", confirms.
    void B_SaveClick();

    // The grid's rows with a non-empty name cell, top to bottom, as personal fields.
    dokrava::TPersonalFields gridFields() const;
    // The switches as the window shows them.
    dokrava::TSettings windowSettings() const;

signals:
    // A result format was chosen.
    void formatChosen();

protected:
    void showEvent(QShowEvent *event) override;

private:
    void fillGrid(const dokrava::TPersonalFields &fields);
    QString cellText(int row, int column) const;

    std::unique_ptr<Ui::TFZamena> m_ui;
};

// The settings window; empty until it has been created at start.
extern TFZamena *FZamena;
