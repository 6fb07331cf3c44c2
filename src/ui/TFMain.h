#pragma once

#include "sheets/DataTableLoader.h"

#include <QHash>
#include <QPoint>
#include <QWidget>

#include <memory>

class TFZamena;

namespace Ui {
class TFMain;
}
namespace dokrava {
class TGridModel;
}

// The main window "Генератор документов - Докрава". Its handlers only read their controls, call
// the core and show the result; each runs through RunGuarded so no error reaches the event loop.
// The handlers are implemented one file per subject: the shell in TFMain.cpp, the data table in
// TFMainTable.cpp, the run in TFMainGeneration.cpp, the fields in TFMainFields.cpp.
class TFMain : public QWidget
{
    Q_OBJECT
public:
    explicit TFMain(QWidget *parent = nullptr);
    ~TFMain() override;

    // The generated controls, by the object names of the window layout (tests read them too).
    Ui::TFMain *ui() const { return m_ui.get(); }
    // The data table shown by SG1.
    dokrava::TGridModel *grid() const { return m_grid; }

    // --- shell ---
    // First show: default paths, settings, scratch folder, converter detection, warning label.
    void FormShow();
    // Close: empties the scratch folder.
    void FormClose();
    // Shows the red warning when an .odt (or Word) template will stay unconverted.
    void UpdateLOWarning();
    // Re-evaluates the converter warning whenever the settings window reports a format choice.
    void watchSettingsWindow(TFZamena *window);
    // Enables the naming column box only for "по колонке".
    void rgFileNameClick();
    // Opens the settings window modally.
    void SB_ReplaceClick();
    // Help as the HTML page or the text window, by the Help switch.
    void SB_HelpClick();
    // A fresh support window, shown modally.
    void btnDonateClick();

    // --- data table ---
    // Marks (left) or unmarks (right) the row under the pointer in a marking mode.
    void SG1MouseDown(Qt::MouseButton button, Qt::KeyboardModifiers modifiers, const QPoint &pos);
    void chkbMultiSelClick();
    void chkbReplaceAllClick();
    void B_AddStrClick();
    void B_AddColClick();
    void B_DelColClick();
    void B_DelRowClick();
    // Lists the templates and loads the data file into the grid.
    void BLoadAllClick();
    void cb_SheetChange();
    void SpeedButton1Click();
    void SpeedButton2Click();
    // Writes the grid back to the data file.
    void B_SaveClick();
    // Before the grid's table is replaced or the window closes: true when no edit is unsaved, or
    // the user saved the edits ("Да") or let them go ("Нет"); false for "Отмена". Throws
    // DokravaError when the save fails (the edits then stay).
    bool confirmDropEdits();
    // The data file whose table the grid holds (loaded from it or saved to it); empty before.
    QString tableFile() const { return m_tablePath; }
    // Moves the current cell to the next cell holding the search text.
    void btnFindClick();
    // The rows of the data file the last load left unread (count 0: none).
    dokrava::TUnreadRows unreadRows() const { return m_unreadRows; }

    // --- generation ---
    // Generates the chosen documents.
    void BReplaceClick();
    // Stops the run in progress, if any (the button while it reads "Остановить", or Esc).
    void StopGeneration();
    // Before the window closes: true when no run goes on. Otherwise asks whether to stop it; on
    // "Да" the run is stopped and the window closes by itself once the run has ended, without
    // the run's closing notices. False keeps the window open for now.
    bool closeDuringGeneration();
    // True from "Да" to closing during a run until the window has closed.
    bool closingAfterRun() const { return m_closeAfterRun; }

    // --- field discovery ---
    void btnGetFieldsClick();
    void btnAddFieldClick();
    void btnAddAllFieldClick();
    // True when a header cell of SG1 equals name exactly.
    bool ColumnExists(const QString &name) const;
    // Sorts lbField by the locale, letter case ignored, dropping case-insensitive repeats.
    void SortFieldList();

protected:
    void showEvent(QShowEvent *event) override;
    void closeEvent(QCloseEvent *event) override;

private:
    // Each subsystem connects its own controls to its handlers.
    void setupShellHandlers();
    void setupTableHandlers();
    void setupGenerationHandlers();
    void setupFieldHandlers();
    // Lists the templates and loads sheet (from 0; -1 the first) of dataFile into the grid; the
    // path box names dataFile only once its table is on screen.
    void loadAll(const QString &dataFile, int sheet);
    // Saves the grid to path and sheet when the grid may be saved there; returns the notice to
    // show, empty when nothing was saved.
    QString saveTable(const QString &path, int sheet);
    // Keeps the templates folder, data file and sheet in "settings.ini" for the next start.
    void rememberPaths();
    // The status line "Записей: N, отмечено: M", updated once per burst of changes.
    void scheduleRecordCounts();

    std::unique_ptr<Ui::TFMain> m_ui;
    dokrava::TGridModel *m_grid = nullptr;
    bool m_shown = false;
    // Where the grid may be saved, keyed by the file's absolute path and the sheet index: the
    // file and sheet of the last successful load with the extent it read, and those saved to
    // since, with the extent written. Empty before a load.
    QHash<QString, dokrava::TableExtent> m_saveTargets;
    QString m_tablePath;         // the file whose table the grid holds; empty before a load
    int m_tableSheet = -1;       // and its sheet
    int m_rememberedSheet = -1;  // the sheet of the remembered data file, for the first load
    bool m_closeAfterRun = false;
    bool m_countsPending = false;
    dokrava::TUnreadRows m_unreadRows;
};

// The main window, created first at start.
extern TFMain *FMain;
