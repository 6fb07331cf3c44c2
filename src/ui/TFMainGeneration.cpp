// Generation handlers of the main window.
#include "ui/TFMain.h"

#include "ui_TFMain.h"

#include "base/AppFolder.h"
#include "generation/TGenerationTask.h"
#include "grid/TGridModel.h"
#include "ui/Dialogs.h"
#include "ui/ErrorDisplay.h"
#include "ui/Globals.h"
#include "ui/TFPreflight.h"

#include <QKeySequence>
#include <QShortcut>
#include <QTimer>

#include <memory>

using namespace dokrava;

namespace {

// Shows what the run reports in the main window; used on the window's thread only.
class WindowObserver : public IGenerationObserver
{
public:
    explicit WindowObserver(TFMain *window) : m_window(window) {}
    void progressStarted(int maximum) override
    {
        QProgressBar *bar = m_window->ui()->prbar;
        bar->setRange(0, maximum);
        bar->setValue(0);
        bar->show();
    }
    void recordStarted(int row) override { m_window->grid()->setCurrent(m_window->grid()->col(), row); }
    void progressed(int position) override { m_window->ui()->prbar->setValue(position); }
    void documentsProgressed(int filled, int total, int converted) override
    {
        m_window->ui()->prbar->setFormat(TGenerationRun::documentsProgressText(filled, total, converted));
    }
    void conversionsProgressed(int converted, int total) override
    {
        QProgressBar *bar = m_window->ui()->prbar;
        // The text first: whoever watches the value sees it with its own text.
        bar->setFormat(QStringLiteral("PDF: %1 из %2").arg(converted).arg(total));
        bar->setRange(0, total);
        bar->setValue(converted);
        bar->show();
    }
    void combiningProgressed(int done, int total) override
    {
        QProgressBar *bar = m_window->ui()->prbar;
        bar->setRange(0, total);
        bar->setValue(done);
        bar->setFormat(QStringLiteral("Сборка PDF: %1 из %2").arg(done).arg(total));
        bar->show();
    }
    // A window closing once the run has stopped shows nothing more.
    void notice(const QString &text) override
    {
        if (!m_window->closingAfterRun())
            Dialogs::get().notice(m_window, text);
    }
    void openFolder(const QString &path) override
    {
        if (!m_window->closingAfterRun())
            Dialogs::get().shellOpen(path);
    }

private:
    TFMain *m_window;
};

TGenerationTask *generationTask(TFMain *window)
{
    auto *task = window->findChild<TGenerationTask *>(QString(), Qt::FindDirectChildrenOnly);
    return task ? task : new TGenerationTask(window);
}

// The run's plain inputs, read from the controls and the grid before it starts.
TGenerationInput gatherInput(TFMain *window)
{
    Ui::TFMain *ui = window->ui();
    TGenerationInput in;
    in.templatesDir = ui->edZagotkaDir->text();
    for (int i = 0; i < ui->LBFile->count(); ++i)
        if (ui->LBFile->item(i)->isSelected())
            in.templates.append(ui->LBFile->item(i)->text());
    in.grid = TGridSnapshot::fromModel(*window->grid());
    in.unreadRows = window->unreadRows();
    in.severalRecords = ui->chkbMultiSel->isChecked() || ui->chkbReplaceAll->isChecked();
    in.namingColumn = ui->CB_DirName->currentIndex() + 1;
    in.namingMode = ui->rgFileName_1->isChecked() ? 1 : 0;
    in.settings = Settings;
    in.personalFieldsFile = AppFolder::personalFieldsFile();
    in.outputRoot = AppFolder::outputRoot();
    in.converter = LOFound ? LOPath : QString();
    return in;
}

// While a run goes on, "Сформировать документы" becomes "Остановить".
void setRunning(Ui::TFMain *ui, bool running)
{
    ui->BReplace->setText(running ? QStringLiteral("Остановить") : QStringLiteral("Сформировать документы"));
    ui->SG1->setEnabled(!running);
    ui->BLoadAll->setEnabled(!running);
}

} // namespace

void TFMain::setupGenerationHandlers()
{
    connect(m_ui->BReplace, &QPushButton::clicked, this, [this] { BReplaceClick(); });
    auto *escape = new QShortcut(QKeySequence(Qt::Key_Escape), this);
    connect(escape, &QShortcut::activated, this, [this] { StopGeneration(); });
}

void TFMain::StopGeneration()
{
    TGenerationTask *task = generationTask(this);
    if (task->running())
        task->stop();
}

bool TFMain::closeDuringGeneration()
{
    TGenerationTask *task = generationTask(this);
    if (!task->running())
        return true;
    if (m_closeAfterRun)
        return false; // already stopping; the window closes when the run has ended
    if (!Dialogs::get().question(this, QStringLiteral("Формирование документов"),
                                 QStringLiteral("Прервать формирование документов?")))
        return false;
    // The window stays responsive while the run stops (ending converters may take a moment) and
    // closes from the run's completion.
    m_closeAfterRun = true;
    task->stop();
    m_ui->BReplace->setEnabled(false);
    m_ui->statusBar->showMessage(QStringLiteral("Формирование документов останавливается…"));
    return false;
}

void TFMain::BReplaceClick()
{
    TGenerationTask *task = generationTask(this);
    if (task->running()) {
        task->stop();
        return;
    }
    RunGuarded(this, [this, task] {
        TGenerationInput input = gatherInput(this);
        if (!PreflightAllowsRun(this, input))
            return;
        setRunning(m_ui.get(), true);
        PDFErrorCount = 0;
        // The observer lives as long as the run's completion handler, which the task drops even
        // when the window closes mid-run.
        auto observer = std::make_shared<WindowObserver>(this);
        task->start(std::move(input), observer.get(), [this, observer](int pdfErrors, int, const QString &error) {
            PDFErrorCount = pdfErrors;
            m_ui->prbar->hide();
            m_ui->prbar->resetFormat();
            setRunning(m_ui.get(), false);
            if (m_closeAfterRun) {
                m_closeAfterRun = false;
                m_ui->statusBar->clearMessage();
                m_ui->BReplace->setEnabled(true);
                // The user asked to close: the window goes now, the program ends with it.
                QTimer::singleShot(0, this, [this] { close(); });
                return;
            }
            if (!error.isEmpty())
                ShowApplicationError(this, error);
        });
    });
}
