// Field discovery handlers of the main window.
#include "ui/TFMain.h"

#include "ui_TFMain.h"

#include "base/DokravaError.h"
#include "generation/TemplateFields.h"
#include "generation/TemplateKind.h"
#include "grid/TGridModel.h"
#include "odf/FieldNames.h"
#include "ui/Dialogs.h"
#include "ui/ErrorDisplay.h"
#include "ui/FieldListMarks.h"
#include "ui/Globals.h"

#include <QCoreApplication>
#include <QFileInfo>
#include <QHash>

using namespace dokrava;

namespace {

// FindTemplateFields for the window: appends the fields of one template to lbField. A Word
// template's names are skipped when the list holds them already (letter case ignored); an
// ".odt" template's are all added and remembered as written, since only a column of exactly
// that name fills them. A missing file is only reported.
void collectFields(TFMain *window, const QString &path)
{
    QCoreApplication::processEvents();
    if (!QFileInfo(path).isFile()) {
        Dialogs::get().notice(window, QStringLiteral("Файл шаблона не найден."));
        return;
    }
    QListWidget *list = window->ui()->lbField;
    const bool exact = TemplateKindOf(path) == TemplateKind::Odt;
    for (const QString &name : FindTemplateFields(path, LOFound ? LOPath : QString())) {
        bool known = false;
        for (int i = 0; i < list->count() && !known && !exact; ++i)
            known = list->item(i)->text().compare(name, Qt::CaseInsensitive) == 0;
        if (known)
            continue;
        list->addItem(name);
        if (exact)
            AddOdtFieldForm(list->item(list->count() - 1), name);
    }
}

void addColumn(TGridModel &grid, const QString &name)
{
    grid.setColCount(grid.colCount() + 1);
    grid.setCell(grid.colCount() - 1, 0, name);
}

} // namespace

void TFMain::setupFieldHandlers()
{
    connect(m_ui->btnGetFields, &QPushButton::clicked, this, [this] { btnGetFieldsClick(); });
    connect(m_ui->btnAddField, &QPushButton::clicked, this, [this] { btnAddFieldClick(); });
    connect(m_ui->btnAddAllField, &QPushButton::clicked, this, [this] { btnAddAllFieldClick(); });
    // Fields the table lacks are shown in red whenever the field names or the list change.
    connect(m_grid, &TGridModel::reset, this, [this] { MarkMissingFields(m_ui->lbField, m_grid->headers()); });
    connect(m_grid, &TGridModel::cellChanged, this, [this](int, int row) {
        if (row == 0)
            MarkMissingFields(m_ui->lbField, m_grid->headers());
    });
}

void TFMain::btnGetFieldsClick()
{
    if (m_ui->LBFile->count() == 0) {
        Dialogs::get().notice(this, QStringLiteral("Необходимо загрузить файлы шаблонов"));
        return;
    }
    m_ui->btnGetFields->setEnabled(false);
    RunGuarded(this, [this] {
        for (int i = 0; i < m_ui->LBFile->count(); ++i) {
            if (!m_ui->LBFile->item(i)->isSelected())
                continue;
            collectFields(this, m_ui->edZagotkaDir->text() + m_ui->LBFile->item(i)->text());
        }
        SortFieldList();
    });
    m_ui->btnGetFields->setEnabled(true);
}

void TFMain::btnAddFieldClick()
{
    RunGuarded(this, [this] {
        QListWidgetItem *item = m_ui->lbField->currentItem();
        if (!item)
            throw DokravaError(QStringLiteral("Выберите поле в списке"));
        const QString name = item->text();
        if (name.isEmpty())
            return;
        if (ColumnExists(name)) {
            Dialogs::get().notice(this, QStringLiteral("Отмена добавления!\r\nКолонка с таким именем уже есть в таблице"));
            return;
        }
        addColumn(*m_grid, name);
    });
}

void TFMain::btnAddAllFieldClick()
{
    for (int i = 0; i < m_ui->lbField->count(); ++i) {
        const QString name = m_ui->lbField->item(i)->text();
        if (name.isEmpty())
            break;
        if (!ColumnExists(name))
            addColumn(*m_grid, name);
    }
}

bool TFMain::ColumnExists(const QString &name) const
{
    for (int c = 0; c < m_grid->colCount(); ++c)
        if (m_grid->cell(c, 0) == name)
            return true;
    return false;
}

void TFMain::SortFieldList()
{
    QStringList names;
    // The forms met in ".odt" templates stay with the entry that merges them (letter case ignored).
    QHash<QString, QStringList> odtForms;
    for (int i = 0; i < m_ui->lbField->count(); ++i) {
        const QListWidgetItem *item = m_ui->lbField->item(i);
        names.append(item->text());
        odtForms[item->text().toCaseFolded()] += OdtFieldForms(item);
    }
    m_ui->lbField->clear();
    m_ui->lbField->addItems(SortFieldNames(names));
    for (int i = 0; i < m_ui->lbField->count(); ++i) {
        QListWidgetItem *item = m_ui->lbField->item(i);
        for (const QString &form : odtForms.value(item->text().toCaseFolded()))
            AddOdtFieldForm(item, form);
    }
    MarkMissingFields(m_ui->lbField, m_grid->headers());
}
