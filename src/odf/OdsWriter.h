#pragma once

#include <QString>

class TGridModel;

// Writes the whole grid as a minimal ".ods": "mimetype" (stored, first), "content.xml" and
// "META-INF/manifest.xml"; one sheet "Sheet1", every cell a text cell, row 0 and column 0 included.
// The target is replaced only once the new file is complete. Returns true; failures throw.
bool SaveGridToODS(const TGridModel &Grid, const QString &TargetFile);
