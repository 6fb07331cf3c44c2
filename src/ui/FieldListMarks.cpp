#include "ui/FieldListMarks.h"

#include "generation/FieldMatch.h"

#include <QBrush>
#include <QColor>
#include <QListWidget>
#include <QSet>

using namespace dokrava;

namespace {

constexpr int kOdtFormsRole = Qt::UserRole + 1;

} // namespace

void AddOdtFieldForm(QListWidgetItem *item, const QString &form)
{
    QStringList forms = OdtFieldForms(item);
    if (!forms.contains(form))
        item->setData(kOdtFormsRole, forms << form);
}

QStringList OdtFieldForms(const QListWidgetItem *item)
{
    return item->data(kOdtFormsRole).toStringList();
}

void MarkMissingFields(QListWidget *list, const QStringList &headers)
{
    QSet<QString> exact;
    QSet<QString> folded;
    QStringList candidates;
    for (const QString &h : headers) {
        if (h.isEmpty())
            continue;
        exact.insert(h);
        folded.insert(FoldedName(h));
        candidates.append(h);
    }
    for (int i = 0; i < list->count(); ++i) {
        QListWidgetItem *item = list->item(i);
        // The spelling no column fills: the name itself, or one met in an ".odt" template.
        QString missing;
        bool odtForm = false;
        if (!folded.contains(FoldedName(item->text())))
            missing = item->text();
        for (const QString &form : OdtFieldForms(item)) {
            if (missing.isEmpty() && !exact.contains(form)) {
                missing = form;
                odtForm = true;
            }
        }
        if (missing.isEmpty()) {
            item->setForeground(QBrush());
            item->setToolTip(QString());
            continue;
        }
        // The entry shows the spelling that lacks its column, not another one that has it: "[фио]"
        // of an ".odt" beside a column "ФИО" is "фио" in red, and "Добавить поле" adds that.
        item->setText(missing);
        item->setForeground(QColor(Qt::red));
        const int probable = ProbableName(missing, candidates);
        QString tip = QStringLiteral("В таблице нет такой колонки");
        if (probable >= 0) {
            tip += QStringLiteral("; возможно, [%1]").arg(candidates[probable]);
            if (odtForm && candidates[probable].compare(missing.trimmed(), Qt::CaseInsensitive) == 0)
                tip += QStringLiteral(" (в шаблонах .odt регистр букв учитывается)");
        }
        item->setToolTip(tip);
    }
}
