#include "ui/FieldListMarks.h"

#include "generation/FieldMatch.h"

#include <QBrush>
#include <QColor>
#include <QListWidget>
#include <QSet>

namespace {

constexpr int kOdtRole = Qt::UserRole + 1;

} // namespace

void SetFieldFromOdt(QListWidgetItem *item, bool odt)
{
    item->setData(kOdtRole, odt);
}

bool FieldFromOdt(const QListWidgetItem *item)
{
    return item->data(kOdtRole).toBool();
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
        const QString name = item->text();
        const bool filled = FieldFromOdt(item) ? exact.contains(name) : folded.contains(FoldedName(name));
        if (filled || name.isEmpty()) {
            item->setForeground(QBrush());
            item->setToolTip(QString());
            continue;
        }
        item->setForeground(QColor(Qt::red));
        const int probable = ProbableName(name, candidates);
        item->setToolTip(probable < 0 ? QStringLiteral("В таблице нет такой колонки")
                                      : QStringLiteral("В таблице нет такой колонки; возможно, [%1]").arg(candidates[probable]));
    }
}
