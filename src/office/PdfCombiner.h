#pragma once

#include <QList>
#include <QString>
#include <QStringList>

#include <atomic>
#include <functional>

namespace dokrava {

// One document of a combined PDF: its own PDF file and the title of its bookmark.
struct TPdfPart
{
    QString pdf;
    QString title;
};

// How the documents are laid out in a combined PDF.
struct TCombineOptions
{
    int copies = 1;      // each document this many times in a row
    bool duplex = false; // a blank page after every copy with an odd page count, but the last one
    // Turns true when the user stops (from any thread); may be null.
    const std::atomic<bool> *stop = nullptr;
    // Hears that done of total documents have been added; may be empty.
    std::function<void(int done, int total)> progress;
};

// What combining made.
struct TCombineResult
{
    QStringList leftOut;  // titles of the parts that are missing or no sound PDF, in order
    int documents = 0;    // parts in the combined file
    int pages = 0;        // its pages, copies and blank pages included
    bool written = false; // false: stopped, or no part could be read; target is as it was
};

// Writes the sound parts, in their order, into one PDF at target, one part at a time, so memory
// holds one part and a few numbers per page whatever their number: each part copies times in a
// row, a blank page of the size and orientation of the page before it after each copy with an
// odd page count when duplex is asked (not after the last copy of the file), and one bookmark
// per part on its first page. The file is read back before it replaces target: it must be a
// complete PDF with as many pages as the parts and blanks add up to. Throws DokravaError naming
// target when writing or that check fails; target is then as it was, and nothing half-written
// stays beside it.
TCombineResult CombinePdfFiles(const QList<TPdfPart> &parts, const QString &target, const TCombineOptions &options);

// Throws DokravaError naming target ("… не прошёл проверку … и удалён") unless the file at path
// is a complete PDF with exactly pages pages; the caller removes the file.
void CheckCombinedPdf(const QString &path, int pages, const QString &target);

// The pages of the PDF at path, -1 when it cannot be read as a sound PDF.
int PdfPageCount(const QString &path);

} // namespace dokrava
