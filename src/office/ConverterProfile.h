#pragma once

#include <QString>

// Readies a profile folder of the office suite's converter before a converter starts with it.
// The suite runs its graphics self-tests (2-4 s of drawing) at every start it takes for the
// first after an upgrade, and only its window records that a version was seen: a profile used
// for conversions alone would pay that at every start. The profile is marked as having seen
// every version. A failure leaves the profile as it was: conversions then only start slower.
void PrepareConverterProfile(const QString &folder);
