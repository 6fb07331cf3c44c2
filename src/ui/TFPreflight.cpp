#include "ui/TFPreflight.h"

#include "ui_TFPreflight.h"

#include "generation/GenerationInput.h"
#include "ui/Dialogs.h"

#include <QApplication>
#include <QClipboard>

using namespace dokrava;

namespace {

QString levelColour(TFinding::Level level)
{
    switch (level) {
    case TFinding::Error:
        return QStringLiteral("#b00000");
    case TFinding::Warning:
        return QStringLiteral("#a05a00");
    case TFinding::Note:
        break;
    }
    return QStringLiteral("#505050");
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

// The findings by subject as rich text: each subject in bold, its findings below it, the level
// in its colour.
QString findingsHtml(const QList<TFinding> &findings)
{
    QString html;
    for (const auto &[subject, list] : FindingsBySubject(findings)) {
        html += QStringLiteral("<p style=\"margin-top:6px; margin-bottom:2px\"><b>%1</b></p><ul style=\"margin-top:0\">")
                    .arg(subject.toHtmlEscaped());
        for (const TFinding &f : list)
            html += QStringLiteral("<li><span style=\"color:%1\">%2</span>: %3</li>")
                        .arg(levelColour(f.level), FindingLevelName(f.level), f.text.toHtmlEscaped());
        html += QStringLiteral("</ul>");
    }
    return html;
}

} // namespace

TFPreflight::TFPreflight(const QList<TFinding> &findings, QWidget *parent)
    : QDialog(parent), m_ui(std::make_unique<Ui::TFPreflight>()), m_findings(findings)
{
    m_ui->setupUi(this);
    m_ui->lblSummary->setText(summary(findings));
    m_ui->memFindings->setHtml(findingsHtml(findings));
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
