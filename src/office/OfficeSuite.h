#pragma once

#include <QString>
#include <QStringList>

// Detection of an installed office suite whose converter turns ".odt" results into PDF.

// The fixed places where this platform's office suite keeps its converter, in the order tried.
QStringList DefaultLOCandidates();

// Empties path, then copies into it the first candidate that exists as a file; true when one did.
// No search path, environment variable or registry value is consulted.
bool FindLOPath(QString &path, const QStringList &candidates);

// FindLOPath over DefaultLOCandidates().
bool FindLOPath(QString &path);

// The warning shown while PDF is wanted and no converter was found: the ".odt" wording when any
// ".odt" template is among the templates, the general one otherwise.
QString ConverterMissingWarning(bool odtTemplates);
