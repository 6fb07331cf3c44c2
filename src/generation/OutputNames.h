#pragma once

#include <QHash>
#include <QSet>
#include <QString>

namespace dokrava {

// The names of a run's documents: where each goes, how a value becomes part of a name, and the
// " (2)" numbering that keeps two documents of one run apart.

// The file name with its folder and its extension (the last "." and what follows) removed.
QString FileNameWithoutExt(const QString &fileName);

// A naming value or template name made usable as one folder or file name on every platform:
// \ / : * ? " < > | and control characters become "_", trailing dots and spaces are dropped.
QString SafeNamePart(const QString &text);

// The order of the two parts of a document's file name, "Имя файла" in the settings window.
enum class TNameOrder { TemplateFirst, ValueFirst };

// The order a FileName switch stands for: 0 "Шаблон-ИмяКолонки", any other "ИмяКолонки-Шаблон".
TNameOrder NameOrderOf(int FileName);

// The output path of one document: root / folder / name + extension. The naming mode chooses the
// folder (0: the template name T, 1: the naming value V), the order the name ("T-V" or "V-T");
// ".pdf" for Word templates when FormatFile is 0, otherwise the entry's own extension as written.
// A folder or file name that Windows keeps for a device ("CON", "com1.txt") gets a "_" added.
// A copy number above 1 adds " (copy)" before the extension. The naming value is shortened, on a
// character boundary, so the folder and the file name fit the file system's limit for one name,
// with room for any extension the run may write there.
QString OutputPath(const QString &outputRoot, const QString &entry, const QString &namingValue,
                   int namingMode, TNameOrder order, int FormatFile, int copy = 1);

// Longest name of one folder or file the file system takes: 255 bytes of UTF-8, or 255 UTF-16
// units on Windows.
constexpr int kMaxNameLength = 255;

// The length of a name as the file system counts it against kMaxNameLength.
int NameLength(const QString &name);

// Hands out the output paths of one run, each once: a name already taken in the run gets
// " (2)", " (3)"… (files of earlier runs are replaced). Letter case is ignored, as Windows
// ignores it; with PDF wanted (FormatFile 0) the name without extension must be unique, since
// every result ends as ".pdf".
class OutputNames
{
public:
    OutputNames(QString outputRoot, int namingMode, int FileName, int FormatFile);

    // The path of the next document of entry named by namingValue.
    QString claim(const QString &entry, const QString &namingValue);

private:
    QString key(const QString &path) const;

    QString m_root;
    int m_namingMode;
    TNameOrder m_order;
    int m_formatFile;
    QSet<QString> m_claimed;        // keys of the paths handed out
    QHash<QString, int> m_nextCopy; // key of a name's first path -> the copy number to try next
};

} // namespace dokrava
