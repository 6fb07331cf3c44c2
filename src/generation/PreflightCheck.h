#pragma once

#include "generation/GenerationInput.h"

#include <QList>
#include <QPair>
#include <QString>

namespace dokrava {

// One thing the check before a run found.
struct TFinding
{
    enum Level {
        Error,   // the run would fail or lose documents
        Warning, // documents would come out wrong
        Note     // worth knowing, nothing goes wrong
    };
    Level level = Note;
    // What it concerns: a template entry as listed, "запись 3" / "записи 2, 5", "таблица",
    // "настройки" or "replace.ini".
    QString subject;
    QString text; // Russian, one line
    bool operator==(const TFinding &) const = default;
};

// Checks what a run would take before it starts: the selected templates (each read once; a ".doc"
// is not converted for it, so with a converter it only gets a note), the table, the chosen records
// and their naming values, the personal fields, the settings and the converter. Returns every
// finding, errors first, then warnings, then notes; within a level "replace.ini" and the converter,
// each template in list order, templates whose documents share names, the table's columns, the
// records. Reads only; what it cannot read becomes a finding, never an exception.
QList<TFinding> CheckBeforeGeneration(const TGenerationInput &in);

// "ошибка", "предупреждение", "замечание".
QString FindingLevelName(TFinding::Level level);

// True when a finding is an error or a warning: the run should not start unasked.
bool FindingsNeedAttention(const QList<TFinding> &findings);

// True when a finding is an error: the run should not start at all.
bool FindingsHaveError(const QList<TFinding> &findings);

// One line for the command line: level name, tab, subject, tab, text (tabs and line ends inside
// them as spaces).
QString FindingLine(const TFinding &finding);

// The findings by subject: subjects in the order their first finding comes (so one with an error
// comes before one with warnings only), each subject's findings in their order.
QList<QPair<QString, QList<TFinding>>> FindingsBySubject(const QList<TFinding> &findings);

// The grouped findings as plain text: each subject on a line, then its findings indented as
// "уровень: текст".
QString FindingsReport(const QList<TFinding> &findings);

} // namespace dokrava
