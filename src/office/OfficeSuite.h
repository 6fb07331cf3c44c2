#pragma once

#include <QString>
#include <QStringList>

namespace dokrava {

// Detection of an installed office suite whose converter turns ".odt" results into PDF.

// The places where this platform's office suite keeps its converter, in the order tried. On
// Windows: LibreOffice in the program folders (64-bit first, then 32-bit, as the system names
// them and as "C:\Program Files"), then where LibreOffice's installer recorded it in the
// registry, then OpenOffice 4.
QStringList DefaultLOCandidates();

// The converter the user named in the settings (when set) first, then DefaultLOCandidates().
QStringList LOCandidates(const QString &named);

// Empties path, then copies into it the first candidate that exists as a file; true when one did.
bool FindLOPath(QString &path, const QStringList &candidates);

// FindLOPath over DefaultLOCandidates().
bool FindLOPath(QString &path);

// The warning shown while PDF is wanted and no converter was found: the ".odt" wording when any
// ".odt" template is among the templates, the general one otherwise.
QString ConverterMissingWarning(bool odtTemplates);

} // namespace dokrava
