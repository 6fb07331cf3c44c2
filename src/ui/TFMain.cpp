#include "ui/TFMain.h"

#include "ui_TFMain.h"

#include "base/AppFolder.h"
#include "base/DokravaError.h"
#include "base/ScratchFolder.h"
#include "generation/TemplateKind.h"
#include "grid/TGridModel.h"
#include "office/OfficeSuite.h"
#include "settings/Settings.h"
#include "ui/Dialogs.h"
#include "ui/ErrorDisplay.h"
#include "ui/Globals.h"
#include "ui/TFDonate.h"
#include "ui/TFHelp.h"
#include "ui/TFrameConstraint.h"
#include "ui/TFZamena.h"

#include <QCloseEvent>
#include <QDir>
#include <QEvent>
#include <QFileInfo>
#include <QFile>
#include <QShowEvent>
#include <QStyle>

using namespace dokrava;

TFMain *FMain = nullptr;

namespace {

const QString kGridHint = QStringLiteral(
    "Левая кнопка мыши - выделить строку\n\rПравая кнопка мыши - отменить выделение");

// The window never switches hints on: the controls carry their hint texts, only the grid shows its.
class THintSuppressor : public QObject
{
public:
    using QObject::QObject;

protected:
    bool eventFilter(QObject *watched, QEvent *event) override
    {
        if (event->type() == QEvent::ToolTip)
            return true;
        return QObject::eventFilter(watched, event);
    }
};

void createEmptyFile(const QString &path)
{
    QFile file(path);
    if (!file.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        throw DokravaError(QStringLiteral("Не удалось создать файл ") + QDir::toNativeSeparators(path));
}

} // namespace

TFMain::TFMain(QWidget *parent)
    : QWidget(parent), m_ui(std::make_unique<Ui::TFMain>()), m_grid(new TGridModel(this))
{
    m_ui->setupUi(this);
    setupShellHandlers();
    setupTableHandlers();
    setupGenerationHandlers();
    setupFieldHandlers();
}

TFMain::~TFMain()
{
    if (FMain == this)
        FMain = nullptr;
}

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
    bool close = false;
    RunGuarded(this, [this, &close] { close = closeDuringGeneration() && confirmDropEdits(); });
    if (!close) {
        event->ignore();
        return;
    }
    FormClose();
    QWidget::closeEvent(event);
}

void TFMain::setupShellHandlers()
{
    new TFrameConstraint(this, QSize(1142, 494));

    auto *hints = new THintSuppressor(this);
    for (QWidget *child : findChildren<QWidget *>()) {
        // The field list's entries tell by their tooltips which column a missing field means.
        if (child != m_ui->SG1 && !m_ui->SG1->isAncestorOf(child) && child != m_ui->lbField->viewport())
            child->installEventFilter(hints);
    }

    m_ui->SB_Replace->setIcon(QIcon::fromTheme(QStringLiteral("preferences-system"),
                                               style()->standardIcon(QStyle::SP_FileDialogDetailedView)));
    m_ui->SB_Help->setIcon(QIcon::fromTheme(QStringLiteral("help-contents"),
                                            style()->standardIcon(QStyle::SP_DialogHelpButton)));
    m_ui->btnFind->setIcon(QIcon::fromTheme(QStringLiteral("edit-find"),
                                            style()->standardIcon(QStyle::SP_FileDialogContentsView)));

    connect(m_ui->rgFileName_1, &QRadioButton::toggled, this,
            [this] { RunGuarded(this, [this] { rgFileNameClick(); }); });
    connect(m_ui->SB_Replace, &QToolButton::clicked, this,
            [this] { RunGuarded(this, [this] { SB_ReplaceClick(); }); });
    connect(m_ui->SB_Help, &QToolButton::clicked, this,
            [this] { RunGuarded(this, [this] { SB_HelpClick(); }); });
    connect(m_ui->btnDonate, &QPushButton::clicked, this,
            [this] { RunGuarded(this, [this] { btnDonateClick(); }); });
}

void TFMain::FormShow()
{
    // A failing step stops the later ones; start-up goes on with the window open.
    RunGuarded(this, [this] {
        m_ui->SG1->setToolTip(kGridHint);
        m_ui->edZagotkaDir->setText(AppFolder::templatesDir());
        m_ui->edReplace->setText(AppFolder::defaultDataFile());

        LoadSettings();
        // A program folder the user may not write to (one under "Program Files") is said so
        // once, plainly, after the steps that need no writing.
        const bool writable = AppFolder::isWritable();
        if (writable && !QFileInfo::exists(AppFolder::settingsFile()))
            createEmptyFile(AppFolder::settingsFile());
        // What was loaded last time, as long as it is still there.
        if (!Settings.ZagotkaDir.isEmpty() && QFileInfo(Settings.ZagotkaDir).isDir())
            m_ui->edZagotkaDir->setText(Settings.ZagotkaDir);
        if (!Settings.ReplaceFile.isEmpty() && QFileInfo(Settings.ReplaceFile).isFile()) {
            m_ui->edReplace->setText(QDir::toNativeSeparators(Settings.ReplaceFile));
            m_rememberedSheet = Settings.ReplaceSheet;
        }

        const QString temp = AppFolder::tempDir();
        if (writable && !QFileInfo(temp).isDir() && !QDir().mkpath(temp))
            throw DokravaError(QStringLiteral("Не удалось создать папку ") + temp);
        if (writable)
            ClearTempFolder();

        LOFound = FindLOPath(LOPath, LOCandidates(Settings.LOPath));
        UpdateLOWarning();
        if (!writable)
            throw DokravaError(QStringLiteral("Папка программы недоступна для записи: ")
                               + QDir::toNativeSeparators(QDir::cleanPath(AppFolder::path())));
    });
}

void TFMain::FormClose()
{
    RunGuarded(this, [] { ClearTempFolder(); });
}

void TFMain::UpdateLOWarning()
{
    if (!FZamena) {
        m_ui->lblLOWarning->hide();
        return;
    }
    bool odt = false;
    bool word = false;
    for (int i = 0; i < m_ui->LBFile->count() && !odt; ++i) {
        const TemplateKind kind = TemplateKindOf(m_ui->LBFile->item(i)->text());
        odt = kind == TemplateKind::Odt;
        word = word || IsWordKind(kind);
    }
    // Word templates are converted by the office suite too, so without one they stay unconverted.
    const bool unconverted = !LOFound && Settings.FormatFile == 0;
    if (unconverted && (odt || word)) {
        m_ui->lblLOWarning->setText(ConverterMissingWarning(odt));
        m_ui->lblLOWarning->show();
    } else {
        m_ui->lblLOWarning->hide();
    }
}

void TFMain::watchSettingsWindow(TFZamena *window)
{
    connect(window, &TFZamena::formatChosen, this, &TFMain::UpdateLOWarning);
}

void TFMain::rgFileNameClick()
{
    m_ui->CB_DirName->setEnabled(m_ui->rgFileName_1->isChecked());
}

void TFMain::SB_ReplaceClick()
{
    if (FZamena)
        Dialogs::get().exec(FZamena);
}

void TFMain::SB_HelpClick()
{
    // Resolved beside the executable so help opens whatever the working folder is.
    if (Settings.Help)
        Dialogs::get().shellOpen(AppFolder::path() + QStringLiteral("help.html"));
    else if (FHelp)
        Dialogs::get().exec(FHelp);
}

void TFMain::btnDonateClick()
{
    TFDonate donate(nullptr);
    Dialogs::get().exec(&donate);
}
