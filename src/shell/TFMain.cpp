#include "shell/TFMain.h"

#include "ui_TFMain.h"

#include "table/TGridModel.h"

#include <QCloseEvent>
#include <QShowEvent>

TFMain *FMain = nullptr;

TFMain::TFMain(QWidget *parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::TFMain>()), m_grid(new TGridModel(this))
{
    m_ui->setupUi(this);
    setupShellHandlers();
    setupTableHandlers();
    setupGenerationHandlers();
    setupFieldHandlers();
}

TFMain::~TFMain() = default;

void TFMain::showEvent(QShowEvent *event)
{
    QWidget::showEvent(event);
    if (!m_shown) {
        m_shown = true;
        FormShow();
    }
}

void TFMain::closeEvent(QCloseEvent *event)
{
    FormClose();
    QWidget::closeEvent(event);
}

void TFMain::setupShellHandlers() {}
void TFMain::FormShow() {}
void TFMain::FormClose() {}
void TFMain::UpdateLOWarning() {}
void TFMain::rgFileNameClick() {}
void TFMain::SB_ReplaceClick() {}
void TFMain::SB_HelpClick() {}
void TFMain::btnDonateClick() {}
