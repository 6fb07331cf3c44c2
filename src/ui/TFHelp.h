#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class TFHelp;
}

// The help window "Справка программы": the text of "help.txt" beside the executable.
class TFHelp : public QDialog
{
    Q_OBJECT
public:
    explicit TFHelp(QWidget *parent = nullptr);
    ~TFHelp() override;

    // The generated controls (tests read them).
    Ui::TFHelp *ui() const { return m_ui.get(); }

    // Each show: Memo1 gets "help.txt" (byte-order mark, else the ANSI code page); a file that
    // cannot be read throws and the previous text stays.
    void FormShow();

protected:
    void showEvent(QShowEvent *event) override;

private:
    std::unique_ptr<Ui::TFHelp> m_ui;
};

// The help window, created once at start.
extern TFHelp *FHelp;
