#include "ui/TFZamena.h"

#include "ui_TFZamena.h"

#include "base/AppFolder.h"
#include "base/DokravaError.h"
#include "ui/Dialogs.h"
#include "ui/ErrorDisplay.h"
#include "ui/Globals.h"
#include "ui/TFMain.h"
#include "ui/TFrameConstraint.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QShowEvent>

using namespace dokrava;

TFZamena *FZamena = nullptr;

TFZamena::TFZamena(QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TFZamena>())
{
    m_ui->setupUi(this);
    new TFrameConstraint(this, QSize(484, 177));
    m_ui->SG_repl->setColumnWidth(0, 214);
    m_ui->SG_repl->setColumnWidth(1, 219);

    connect(m_ui->B_addStr, &QPushButton::clicked, this,
            [this] { RunGuarded(this, [this] { B_addStrClick(); }); });
    connect(m_ui->ChB_OpenDir, &QCheckBox::clicked, this,
            [this] { RunGuarded(this, [this] { ChB_OpenDirClick(); }); });
    connect(m_ui->rgFileFormat_0, &QRadioButton::clicked, this,
            [this] { RunGuarded(this, [this] { rgFileFormatClick(); }); });
    connect(m_ui->rgFileFormat_1, &QRadioButton::clicked, this,
            [this] { RunGuarded(this, [this] { rgFileFormatClick(); }); });
    connect(m_ui->rgFileFormat_0, &QRadioButton::toggled, this, [this] { enableCombineControls(); });
    connect(m_ui->chkCombinePdf, &QCheckBox::toggled, this, [this] { enableCombineControls(); });
    connect(m_ui->B_Save, &QPushButton::clicked, this,
            [this] { RunGuarded(this, [this] { B_SaveClick(); }); });
}

TFZamena::~TFZamena()
{
    if (FZamena == this)
        FZamena = nullptr;
}

void TFZamena::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    // A failure is shown and the window opens all the same.
    if (!event->spontaneous())
        RunGuarded(this, [this] { FormShow(); });
}

void TFZamena::FormShow()
{
    // The switches come first: should the file fail, a later save must not store stale ones.
    m_ui->chkColontit->setChecked(Settings.Colontit);
    m_ui->ChB_help->setChecked(Settings.Help);
    m_ui->ChB_OpenDir->setChecked(Settings.OpenDir);
    m_ui->ChB_OpenUniqDir->setChecked(Settings.OpenUniqDir);
    m_ui->chkNoCheck->setChecked(!Settings.Check);
    // Any stored value but 0 behaves as 1 everywhere, so it shows as the second item.
    (Settings.FormatFile == 0 ? m_ui->rgFileFormat_0 : m_ui->rgFileFormat_1)->setChecked(true);
    (Settings.FileName == 0 ? m_ui->rgFileName_0 : m_ui->rgFileName_1)->setChecked(true);
    m_ui->ChB_OpenUniqDir->setEnabled(m_ui->ChB_OpenDir->isChecked());
    m_ui->chkCombinePdf->setChecked(Settings.CombinePdf);
    m_ui->chkDuplex->setChecked(Settings.Duplex);
    m_ui->spCopies->setValue(Settings.Copies);
    enableCombineControls();

    const QString path = AppFolder::personalFieldsFile();
    if (QFileInfo::exists(path)) {
        fillGrid(ReadPersonalFields());
    } else {
        QFile file(path);
        if (!file.open(QIODevice::WriteOnly))
            throw DokravaError(QStringLiteral("Не удалось создать файл ") + QDir::toNativeSeparators(path));
    }
}

void TFZamena::fillGrid(const TPersonalFields &fields)
{
    // One row per field and one empty row for a new entry.
    QTableWidget *grid = m_ui->SG_repl;
    grid->clearContents();
    grid->setRowCount(int(fields.size()) + 1);
    for (int row = 0; row < fields.size(); ++row) {
        grid->setItem(row, 0, new QTableWidgetItem(fields.at(row).name));
        grid->setItem(row, 1, new QTableWidgetItem(fields.at(row).value));
    }
}

void TFZamena::B_addStrClick()
{
    m_ui->SG_repl->setRowCount(m_ui->SG_repl->rowCount() + 2);
}

void TFZamena::ChB_OpenDirClick()
{
    m_ui->ChB_OpenUniqDir->setEnabled(m_ui->ChB_OpenDir->isChecked());
}

void TFZamena::enableCombineControls()
{
    // The combined file is made of PDFs; its layout means something only when it is made.
    const bool pdf = m_ui->rgFileFormat_0->isChecked();
    const bool combined = pdf && m_ui->chkCombinePdf->isChecked();
    m_ui->chkCombinePdf->setEnabled(pdf);
    m_ui->chkDuplex->setEnabled(combined);
    m_ui->lblCopies->setEnabled(combined);
    m_ui->spCopies->setEnabled(combined);
}

void TFZamena::rgFileFormatClick()
{
    emit formatChosen();
}

QString TFZamena::cellText(int row, int column) const
{
    const QTableWidgetItem *item = m_ui->SG_repl->item(row, column);
    return item ? item->text() : QString();
}

TPersonalFields TFZamena::gridFields() const
{
    TPersonalFields fields;
    for (int row = 0; row < m_ui->SG_repl->rowCount(); ++row) {
        const QString name = cellText(row, 0);
        if (!name.isEmpty())
            fields.append({name, cellText(row, 1)});
    }
    return fields;
}

TSettings TFZamena::windowSettings() const
{
    // What the window does not show (the paths the main window remembers) stays as it is.
    TSettings settings = Settings;
    settings.Colontit = m_ui->chkColontit->isChecked();
    settings.Help = m_ui->ChB_help->isChecked();
    settings.OpenDir = m_ui->ChB_OpenDir->isChecked();
    settings.OpenUniqDir = m_ui->ChB_OpenUniqDir->isChecked();
    settings.FormatFile = m_ui->rgFileFormat_0->isChecked() ? 0 : 1;
    settings.FileName = m_ui->rgFileName_0->isChecked() ? 0 : 1;
    settings.Check = !m_ui->chkNoCheck->isChecked();
    settings.CombinePdf = m_ui->chkCombinePdf->isChecked();
    settings.Duplex = m_ui->chkDuplex->isChecked();
    settings.Copies = m_ui->spCopies->value();
    return settings;
}

void TFZamena::B_SaveClick()
{
    // A cell still being edited counts as typed.
    m_ui->SG_repl->setCurrentItem(nullptr);
    WritePersonalFields(gridFields());
    Settings = windowSettings();
    SaveSettings();
    Dialogs::get().notice(this, QStringLiteral("Сохранение выполнено"));
}
