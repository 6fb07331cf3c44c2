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
class TGridModel;

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
    TGridModel *grid() const { return m_grid; }

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
    // Moves the current cell to the next cell holding the search text.
    void btnFindClick();
    // The rows of the data file the last load left unread (count 0: none).
    TUnreadRows unreadRows() const { return m_unreadRows; }

    // --- generation ---
    // Generates the chosen documents.
    void BReplaceClick();
    // Stops the run in progress, if any (the button while it reads "Остановить", or Esc).
    void StopGeneration();
    // Before the window closes: true when no run goes on, or the user agreed to stop it (the run
    // has then ended); false keeps the window open.
    bool closeDuringGeneration();

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

    std::unique_ptr<Ui::TFMain> m_ui;
    TGridModel *m_grid = nullptr;
    bool m_shown = false;
    // Where the grid may be saved, keyed by the file's absolute path and the sheet index: the
    // file and sheet of the last successful load with the extent it read, and those saved to
    // since, with the extent written. Empty before a load.
    QHash<QString, TableExtent> m_saveTargets;
    TUnreadRows m_unreadRows;
};

// The main window, created first at start.
extern TFMain *FMain;
