#pragma once

#include <QDialog>

#include <memory>

namespace Ui {
class TfrmSearchDlg;
}

// "Поиск данных": asked when a search reaches the end of the table without a hit.
// "Искать с начала" closes it with Accepted; "Прервать поиск" and the title-bar close reject it.
class TfrmSearchDlg : public QDialog
{
    Q_OBJECT
public:
    explicit TfrmSearchDlg(QWidget *parent = nullptr);
    ~TfrmSearchDlg() override;

    // The generated controls (tests press the buttons).
    Ui::TfrmSearchDlg *ui() const { return m_ui.get(); }

    // Closes the dialog without the OK result.
    void btnAbortClick();

private:
    std::unique_ptr<Ui::TfrmSearchDlg> m_ui;
};

// The search dialog, created once at start (fourth window) and reused; null until then.
extern TfrmSearchDlg *frmSearchDlg;
