// Data table handlers of the main window: they read the controls, call the table core and show
// the outcome.
#include "ui/TFMain.h"

#include "ui_TFMain.h"

#include "base/AppFolder.h"
#include "generation/TemplateScan.h"
#include "grid/GridSearch.h"
#include "grid/SelectionModes.h"
#include "grid/TGridModel.h"
#include "office/OfficeConverter.h"
#include "sheets/DataTableLoader.h"
#include "sheets/DataTableSaver.h"
#include "ui/Dialogs.h"
#include "ui/ErrorDisplay.h"
#include "ui/Globals.h"
#include "ui/TfrmSearchDlg.h"
#include "ui/TStringGrid.h"

#include <QApplication>
#include <QDir>
#include <QElapsedTimer>
#include <QFileInfo>
#include <QScopeGuard>
#include <QSignalBlocker>

#include <algorithm>

namespace {

// A template scan in progress; a second load started from its pending messages waits its turn.
bool g_loading = false;

// Names a sheet of a data file for the window's save targets.
QString tableTarget(const QString &path, int sheet)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath()) + QLatin1Char('|') + QString::number(sheet);
}

class WaitCursor
{
public:
    WaitCursor() { QApplication::setOverrideCursor(Qt::WaitCursor); }
    ~WaitCursor() { QApplication::restoreOverrideCursor(); }
};

} // namespace

void TFMain::setupTableHandlers()
{
    m_ui->SG1->setGrid(m_grid);
    const auto guarded = [this](void (TFMain::*handler)()) {
        return [this, handler] { RunGuarded(this, [this, handler] { (this->*handler)(); }); };
    };
    connect(m_ui->SG1, &TStringGrid::mouseDown, this,
            [this](Qt::MouseButton button, Qt::KeyboardModifiers modifiers, const QPoint &pos) {
                RunGuarded(this, [&] { SG1MouseDown(button, modifiers, pos); });
            });
    // toggled, not clicked: a box unticked by the other box's handler runs its own rule too.
    connect(m_ui->chkbMultiSel, &QCheckBox::toggled, this, guarded(&TFMain::chkbMultiSelClick));
    connect(m_ui->chkbReplaceAll, &QCheckBox::toggled, this, guarded(&TFMain::chkbReplaceAllClick));
    connect(m_ui->B_AddStr, &QPushButton::clicked, this, guarded(&TFMain::B_AddStrClick));
    connect(m_ui->B_AddCol, &QPushButton::clicked, this, guarded(&TFMain::B_AddColClick));
    connect(m_ui->B_DelCol, &QPushButton::clicked, this, guarded(&TFMain::B_DelColClick));
    connect(m_ui->B_DelRow, &QPushButton::clicked, this, guarded(&TFMain::B_DelRowClick));
    connect(m_ui->BLoadAll, &QPushButton::clicked, this, guarded(&TFMain::BLoadAllClick));
    connect(m_ui->SpeedButton1, &QToolButton::clicked, this, guarded(&TFMain::SpeedButton1Click));
    connect(m_ui->SpeedButton2, &QToolButton::clicked, this, guarded(&TFMain::SpeedButton2Click));
    connect(m_ui->B_Save, &QPushButton::clicked, this, guarded(&TFMain::B_SaveClick));
    connect(m_ui->btnFind, &QToolButton::clicked, this, guarded(&TFMain::btnFindClick));
    connect(m_ui->Edit1, &QLineEdit::returnPressed, this, guarded(&TFMain::btnFindClick));
    connect(m_ui->cb_Sheet, &QComboBox::currentIndexChanged, this, guarded(&TFMain::cb_SheetChange));
    // Typing a sheet's exact name chooses that sheet; other typing leaves the table alone.
    connect(m_ui->cb_Sheet, &QComboBox::editTextChanged, this, [this](const QString &text) {
        const int i = m_ui->cb_Sheet->findText(text, Qt::MatchExactly);
        if (i >= 0 && i != m_ui->cb_Sheet->currentIndex())
            m_ui->cb_Sheet->setCurrentIndex(i);
    });
}

void TFMain::SG1MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers, const QPoint &pos)
{
    const QPoint cell = m_ui->SG1->cellAt(pos);
    if (cell.y() < 0)
        return;
    ApplyMouseMark(*m_grid, m_ui->chkbMultiSel->isChecked(), m_ui->chkbReplaceAll->isChecked(), button, cell.y());
}

void TFMain::chkbMultiSelClick()
{
    if (ApplyMultiSel(*m_grid, m_ui->chkbReplaceAll->isChecked()))
        m_ui->chkbReplaceAll->setChecked(false); // its own handler applies the marks
}

void TFMain::chkbReplaceAllClick()
{
    ApplyReplaceAll(*m_grid, m_ui->chkbMultiSel->isChecked(), m_ui->chkbReplaceAll->isChecked());
}

void TFMain::B_AddStrClick()
{
    m_grid->appendRows(3);
}

void TFMain::B_AddColClick()
{
    const QString name = Dialogs::get().input(this, QStringLiteral("Добавление колонки"),
                                              QStringLiteral("Введите название колонки для шаблона (без [])"),
                                              QString());
    if (name.isEmpty()) {
        Dialogs::get().notice(this, QStringLiteral("Не ввели название колонки. Колонка не добавлена"));
        return;
    }
    m_grid->appendColumn(name);
}

void TFMain::B_DelColClick()
{
    if (Dialogs::get().question(this, QStringLiteral("Удаление колонки"), QStringLiteral("Удалить текущую колонку?")))
        DeleteGridColumn(*m_grid, m_grid->col() + 1);
}

void TFMain::B_DelRowClick()
{
    if (Dialogs::get().question(this, QStringLiteral("Удаление строки"), QStringLiteral("Удалить текущую строку?")))
        DeleteGridRow(*m_grid, m_grid->row() + 1);
}

void TFMain::BLoadAllClick()
{
    if (g_loading)
        return;
    g_loading = true;
    const auto done = qScopeGuard([] { g_loading = false; });

    m_ui->LBFile->clear();
    QElapsedTimer sincePaint;
    sincePaint.start();
    const QStringList templates = TemplateScan::ListTemplates(m_ui->edZagotkaDir->text(), [&sincePaint] {
        // Pending messages are handled every few milliseconds rather than after every single
        // entry, which would slow a large tree down many times over.
        if (sincePaint.elapsed() >= 30) {
            QCoreApplication::processEvents();
            sincePaint.restart();
        }
    });
    m_ui->LBFile->addItems(templates);
    m_ui->LBFile->selectAll();

    TDataTable table = LoadDataGrid(m_ui->edReplace->text(), m_ui->cb_Sheet->currentIndex());
    m_saveTargets = {{tableTarget(m_ui->edReplace->text(), table.sheetIndex), table.extent}};
    {
        const QSignalBlocker blockSheet(m_ui->cb_Sheet);
        m_ui->cb_Sheet->clear();
        m_ui->cb_Sheet->addItems(table.sheetNames);
        m_ui->cb_Sheet->setCurrentIndex(table.sheetIndex);
    }
    m_ui->CB_DirName->clear();
    m_ui->CB_DirName->addItems(table.dirNames);
    if (!table.dirNames.isEmpty())
        m_ui->CB_DirName->setCurrentIndex(0);
    m_grid->load(std::move(table.text));
    m_unreadRows = table.unread;
    UpdateLOWarning();
    // Said once here, and again by the check before each run.
    const QString unread = UnreadRowsMessage(table.unread);
    if (!unread.isEmpty())
        Dialogs::get().notice(this, unread);
}

void TFMain::cb_SheetChange()
{
    BLoadAllClick();
}

void TFMain::SpeedButton1Click()
{
    const QString folder = Dialogs::get().chooseFolder(this, QStringLiteral("Выбор папки шаблонов"),
                                                       m_ui->edZagotkaDir->text());
    if (!folder.isEmpty())
        m_ui->edZagotkaDir->setText(AppFolder::join(folder, QString()) + QDir::separator());
}

void TFMain::SpeedButton2Click()
{
    const QString file = Dialogs::get().chooseOpenFile(this, QStringLiteral("Выбор файла замены"), AppFolder::path(),
                                                       m_ui->edReplace->text(),
                                                       QStringLiteral("(*.xls *.xlsx *.ods *.csv)"));
    if (!file.isEmpty())
        m_ui->edReplace->setText(QDir::toNativeSeparators(file));
}

void TFMain::B_SaveClick()
{
    // An edit still open in a cell belongs to the table being saved.
    m_ui->SG1->commitEdit();
    const QString path = m_ui->edReplace->text();
    const int sheet = m_ui->cb_Sheet->currentIndex();
    const QString target = tableTarget(path, sheet);
    // Only where the grid came from or was saved to, or into a new file: the grid holds nothing
    // of any other sheet, and a save there would overwrite what the user never saw.
    const bool known = m_saveTargets.contains(target);
    if (!known && (m_saveTargets.isEmpty() || QFileInfo::exists(path))) {
        Dialogs::get().notice(this, QStringLiteral("Нет загруженной таблицы: сохранять нечего"));
        return;
    }
    const TableExtent loaded = m_saveTargets.value(target);
    WaitCursor wait;
    const QString notice = SaveDataTable(m_grid->textGrid(), path, sheet, OfficeConverter::fileConverter(LOPath), loaded);
    // The file now holds the grid as well: a later save rewrites that part too.
    m_saveTargets.insert(target, {std::max(loaded.rows, m_grid->rowCount()), std::max(loaded.cols, m_grid->colCount() - 1)});
    Dialogs::get().notice(this, notice);
}

void TFMain::btnFindClick()
{
    m_ui->SG1->commitEdit();
    const QString text = GridSearch::searchText(m_ui->Edit1->text());
    for (;;) {
        int col = 0, row = 0;
        if (GridSearch::findNext(*m_grid, text, m_grid->col(), m_grid->row(), &col, &row)) {
            m_grid->setCurrent(col, row);
            return;
        }
        TfrmSearchDlg *dialog = frmSearchDlg ? frmSearchDlg : findChild<TfrmSearchDlg *>();
        if (!dialog)
            dialog = new TfrmSearchDlg(this);
        if (Dialogs::get().exec(dialog) != QDialog::Accepted)
            return;
        // "Искать с начала": from the corner, so the header row is searched as well.
        m_grid->setCurrent(0, 0);
    }
}
