#pragma once

#include "office/PdfCombiner.h"
#include "settings/Settings.h"

#include <QHash>
#include <QList>
#include <QSet>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>

namespace dokrava {

// The files for printing of one run: per template, "<template> — все документы.pdf" in the output
// root, holding every document of that template the run made as PDF, in the order the run named
// the documents.
class CombinedPdfs
{
public:
    // Nothing is wanted.
    CombinedPdfs() = default;
    // A run into outputRoot: wanted when the settings ask for PDF and for the combined file.
    CombinedPdfs(QString outputRoot, const TSettings &settings);

    // True when the run is to make combined files.
    bool wanted() const { return m_wanted; }

    // The document of the template entry takes the path (its PDF is that path with ".pdf");
    // called in the order of the documents.
    void expect(const QString &entry, const QString &path);
    // The run wrote the file at path.
    void written(const QString &path);

    // What making the combined files came to.
    struct Outcome
    {
        QStringList files;  // the combined files written, in template order
        QString report;     // the lines of the run's report on them; empty when nothing was expected
        int failures = 0;   // documents left out, and files that could not be made
    };

    // Makes the combined file of every template that expected documents; progress hears how many
    // of all those documents are done. Once stop turns true no further file is made.
    Outcome make(const std::atomic<bool> *stop, const std::function<void(int done, int total)> &progress) const;

    // The combined file of the template entry under outputRoot: "<template> — все документы.pdf",
    // the template's name shortened to fit the file system's limit; copy > 1 adds " (copy)".
    static QString filePath(const QString &outputRoot, const QString &entry, int copy = 1);

private:
    struct Template
    {
        QString entry;
        QStringList pdfs; // in document order
    };
    // Makes the file of t at target; returns the lines of the report on it.
    QStringList combineTemplate(const Template &t, const QString &target, const TCombineOptions &options,
                                Outcome &outcome) const;

    QString m_root;
    bool m_wanted = false;
    bool m_duplex = false;
    int m_copies = 1;
    QList<Template> m_templates;
    QHash<QString, int> m_index; // entry -> its place in m_templates
    QSet<QString> m_written;     // files the run wrote, by key()
};

} // namespace dokrava
