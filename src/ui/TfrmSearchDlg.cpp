#include "ui/TfrmSearchDlg.h"

#include "ui_TfrmSearchDlg.h"

#include <QGuiApplication>
#include <QScreen>

TfrmSearchDlg *frmSearchDlg = nullptr;

TfrmSearchDlg::TfrmSearchDlg(QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TfrmSearchDlg>())
{
    m_ui->setupUi(this);
    setWindowFlags(Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::WindowTitleHint
                   | Qt::WindowCloseButtonHint);
    setFixedSize(237, 76);
    // Centred on the desktop, not on the main window.
    if (const QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    connect(m_ui->btnTryAgain, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_ui->btnAbort, &QPushButton::clicked, this, &TfrmSearchDlg::btnAbortClick);
}

TfrmSearchDlg::~TfrmSearchDlg() = default;

void TfrmSearchDlg::btnAbortClick()
{
    reject();
}
