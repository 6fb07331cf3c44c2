// Data table handlers of the main window: they read the controls, call the table core and show
// the outcome.
#include "ui/TFMain.h"

#include "ui_TFMain.h"

#include "base/AppFolder.h"
#include "base/DokravaError.h"
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
#include <QTimer>

#include <algorithm>

using namespace dokrava;

namespace {

// A template scan in progress; a second load started from its pending messages waits its turn.
bool g_loading = false;

// Names a sheet of a data file for the window's save targets.
QString tableTarget(const QString &path, int sheet)
{
    return QDir::cleanPath(QFileInfo(path).absoluteFilePath()) + QLatin1Char('|') + QString::number(sheet);
}

const QString kTableFilter = QStringLiteral("Таблицы (*.ods *.xlsx *.xls *.csv);;Все файлы (*)");
const QString kTemplateFilter = QStringLiteral("Шаблоны (*.odt *.docx *.doc)");

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
    m_ui->statusBar->addWidget(m_ui->lblRecords, 1);
    m_ui->statusBar->addPermanentWidget(m_ui->prbar);
    connect(m_grid, &TGridModel::reset, this, &TFMain::scheduleRecordCounts);
    connect(m_grid, &TGridModel::markChanged, this, &TFMain::scheduleRecordCounts);
    scheduleRecordCounts();
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
    // A second column of one name would make the run end on its first ".odt" template.
    if (ColumnExists(name)) {
        Dialogs::get().notice(this, QStringLiteral("Колонка «%1» уже есть").arg(name));
        return;
    }
    m_grid->appendColumn(name);
}

void TFMain::scheduleRecordCounts()
{
    // Marking every row reports each row: the line is counted once, when the burst is over.
    if (m_countsPending)
        return;
    m_countsPending = true;
    QTimer::singleShot(0, this, [this] {
        m_countsPending = false;
        m_ui->lblRecords->setText(QStringLiteral("Записей: %1, отмечено: %2")
                                      .arg(std::max(0, m_grid->rowCount() - 1))
                                      .arg(m_grid->markedRecords()));
    });
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
    if (g_loading || !confirmDropEdits())
        return;
    // Before the first load the sheet remembered with the data file is taken.
    const int sheet = m_ui->cb_Sheet->count() > 0 ? m_ui->cb_Sheet->currentIndex() : m_rememberedSheet;
    loadAll(m_ui->edReplace->text(), sheet);
}

void TFMain::loadAll(const QString &dataFile, int sheet)
{
    if (g_loading)
        return;
    g_loading = true;
    const auto done = qScopeGuard([this] {
        g_loading = false;
        // After a failed load the sheet box names the sheet on screen again.
        if (!m_tablePath.isEmpty() && m_ui->cb_Sheet->currentIndex() != m_tableSheet) {
            const QSignalBlocker blockSheet(m_ui->cb_Sheet);
            m_ui->cb_Sheet->setCurrentIndex(m_tableSheet);
        }
    });

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

    TDataTable table = LoadDataGrid(dataFile, sheet);
    m_saveTargets = {{tableTarget(dataFile, table.sheetIndex), table.extent}};
    m_tablePath = dataFile;
    m_tableSheet = table.sheetIndex;
    m_ui->edReplace->setText(dataFile);
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
    m_ui->SG1->fitColumnsToContents();
    rememberPaths();
    UpdateLOWarning();
    // Said once here, and again by the check before each run.
    const QString unread = UnreadRowsMessage(table.unread);
    if (!unread.isEmpty())
        Dialogs::get().notice(this, unread);
}

void TFMain::rememberPaths()
{
    TSettings remembered = Settings;
    remembered.ZagotkaDir = m_ui->edZagotkaDir->text();
    remembered.ReplaceFile = QDir::toNativeSeparators(QFileInfo(m_tablePath).absoluteFilePath());
    remembered.ReplaceSheet = m_tableSheet;
    if (remembered.ZagotkaDir == Settings.ZagotkaDir && remembered.ReplaceFile == Settings.ReplaceFile
        && remembered.ReplaceSheet == Settings.ReplaceSheet)
        return;
    Settings.ZagotkaDir = remembered.ZagotkaDir;
    Settings.ReplaceFile = remembered.ReplaceFile;
    Settings.ReplaceSheet = remembered.ReplaceSheet;
    // Remembering is a convenience: a folder the user may not write to (a shared installation)
    // must not turn every load into an error box.
    try {
        SaveSettings();
    } catch (const DokravaError &) {
    }
}

void TFMain::cb_SheetChange()
{
    if (g_loading)
        return;
    const int chosen = m_ui->cb_Sheet->currentIndex();
    {
        // The question comes while the box still shows the table's own sheet.
        const QSignalBlocker blockSheet(m_ui->cb_Sheet);
        if (!m_tablePath.isEmpty())
            m_ui->cb_Sheet->setCurrentIndex(m_tableSheet);
    }
    if (!confirmDropEdits())
        return;
    loadAll(m_ui->edReplace->text(), chosen);
}

void TFMain::SpeedButton1Click()
{
    const QString folder = Dialogs::get().chooseFolder(this, QStringLiteral("Выбор папки шаблонов"),
                                                       m_ui->edZagotkaDir->text(), kTemplateFilter);
    if (!folder.isEmpty())
        m_ui->edZagotkaDir->setText(AppFolder::join(folder, QString()) + QDir::separator());
}

void TFMain::SpeedButton2Click()
{
    const QString file = Dialogs::get().chooseOpenFile(this, QStringLiteral("Выбор файла замены"), AppFolder::path(),
                                                       m_ui->edReplace->text(), kTableFilter);
    // The chosen file is loaded at once, so the path box and the grid never part ways.
    if (file.isEmpty() || g_loading || !confirmDropEdits())
        return;
    loadAll(QDir::toNativeSeparators(file), -1);
}

bool TFMain::confirmDropEdits()
{
    m_ui->SG1->commitEdit();
    // A grid never loaded belongs to no file: there is nowhere to save it.
    if (!m_grid->modified() || m_tablePath.isEmpty())
        return true;
    const QString text = QStringLiteral("Сохранить изменения в таблице «%1»?").arg(QFileInfo(m_tablePath).fileName());
    switch (Dialogs::get().askSave(this, QStringLiteral("Сохранение таблицы"), text)) {
    case SaveAnswer::Cancel:
        return false;
    case SaveAnswer::Discard:
        return true;
    case SaveAnswer::Save:
        break;
    }
    WaitCursor wait;
    saveTable(m_tablePath, m_tableSheet);
    return true;
}

void TFMain::B_SaveClick()
{
    // An edit still open in a cell belongs to the table being saved.
    m_ui->SG1->commitEdit();
    WaitCursor wait;
    const QString notice = saveTable(m_ui->edReplace->text(), m_ui->cb_Sheet->currentIndex());
    Dialogs::get().notice(this, notice.isEmpty() ? QStringLiteral("Нет загруженной таблицы: сохранять нечего") : notice);
}

QString TFMain::saveTable(const QString &path, int sheet)
{
    const QString target = tableTarget(path, sheet);
    // Only where the grid came from or was saved to, or into a new file: the grid holds nothing
    // of any other sheet, and a save there would overwrite what the user never saw.
    const bool known = m_saveTargets.contains(target);
    if (!known && (m_saveTargets.isEmpty() || QFileInfo::exists(path)))
        return QString();
    const TableExtent loaded = m_saveTargets.value(target);
    const QString notice = SaveDataTable(m_grid->textGrid(), path, sheet, OfficeConverter::fileConverter(LOPath), loaded);
    // The file now holds the grid as well: a later save rewrites that part too.
    m_saveTargets.insert(target, {std::max(loaded.rows, m_grid->rowCount()), std::max(loaded.cols, m_grid->colCount() - 1)});
    m_tablePath = path;
    m_tableSheet = sheet;
    m_grid->setModified(false);
    return notice;
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
