#pragma once

#include "zip/ZipReader.h"

#include <QString>
#include <QTest>

using namespace dokrava;

// Compares two written packages entry by entry: names, order, methods and the inflated contents.
namespace ZipCompare {

inline void sameEntries(const QString &actualPath, const QString &expectedPath)
{
    ZipReader actual(actualPath), expected(expectedPath);
    QCOMPARE(actual.count(), expected.count());
    for (int i = 0; i < expected.count(); ++i) {
        QCOMPARE(actual.name(i), expected.name(i));
        QCOMPARE(actual.method(i), expected.method(i));
        QVERIFY2(actual.data(i) == expected.data(i),
                 qPrintable(expected.name(i) + ":\n" + actual.data(i) + "\n" + expected.data(i)));
    }
}

} // namespace ZipCompare
