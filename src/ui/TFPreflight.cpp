#include "ui/TFPreflight.h"

#include "ui_TFPreflight.h"

#include "generation/TGenerationRun.h"
#include "ui/Dialogs.h"

#include <QApplication>
#include <QClipboard>
#include <QStyle>

namespace {

QIcon levelIcon(const QStyle *style, TFinding::Level level)
{
    switch (level) {
    case TFinding::Error:
        return style->standardIcon(QStyle::SP_MessageBoxCritical);
    case TFinding::Warning:
        return style->standardIcon(QStyle::SP_MessageBoxWarning);
    case TFinding::Note:
        break;
    }
    return style->standardIcon(QStyle::SP_MessageBoxInformation);
}

QString summary(const QList<TFinding> &findings)
{
    int counts[3] = {0, 0, 0};
    for (const TFinding &f : findings)
        ++counts[f.level];
    QString text = QStringLiteral("Проверка шаблонов и таблицы нашла: ошибок — %1, предупреждений — %2, замечаний — %3.")
                       .arg(counts[TFinding::Error])
                       .arg(counts[TFinding::Warning])
                       .arg(counts[TFinding::Note]);
    text += counts[TFinding::Error] > 0
                ? QStringLiteral(" С ошибками формирование не начнётся: исправьте их и нажмите «Сформировать документы» ещё раз.")
                : QStringLiteral(" Сформировать документы всё равно?");
    return text;
}

} // namespace

TFPreflight::TFPreflight(const QList<TFinding> &findings, QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TFPreflight>()), m_findings(findings)
{
    m_ui->setupUi(this);
    m_ui->lblSummary->setText(summary(findings));
    for (const auto &[subject, list] : FindingsBySubject(findings)) {
        auto *group = new QTreeWidgetItem(m_ui->tvFindings, {subject});
        group->setIcon(0, levelIcon(style(), list.first().level));
        for (const TFinding &f : list) {
            auto *item = new QTreeWidgetItem(group, {FindingLevelName(f.level) + QStringLiteral(": ") + f.text});
            item->setIcon(0, levelIcon(style(), f.level));
            item->setToolTip(0, f.text);
        }
        group->setExpanded(true);
    }
    const bool error = FindingsHaveError(findings);
    m_ui->btnGenerate->setVisible(!error);
    connect(m_ui->btnGenerate, &QPushButton::clicked, this, &QDialog::accept);
    connect(m_ui->btnCancel, &QPushButton::clicked, this, &QDialog::reject);
    connect(m_ui->btnCopy, &QPushButton::clicked, this, [this] { btnCopyClick(); });
}

TFPreflight::~TFPreflight() = default;

void TFPreflight::btnCopyClick()
{
    QApplication::clipboard()->setText(FindingsReport(m_findings));
}

bool PreflightAllowsRun(QWidget *owner, const TGenerationInput &in)
{
    if (!in.settings.Check)
        return true;
    const QList<TFinding> findings = CheckBeforeGeneration(in);
    if (!FindingsNeedAttention(findings))
        return true;
    // An error never lets the run start, whatever the answer.
    return Dialogs::get().askPreflight(owner, findings) && !FindingsHaveError(findings);
}
