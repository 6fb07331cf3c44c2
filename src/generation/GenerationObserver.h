#pragma once

#include <QString>
#include <QtGlobal>

namespace dokrava {

// What the run tells its caller while it works. Called on the thread that runs it.
class IGenerationObserver
{
public:
    virtual ~IGenerationObserver() = default;
    // Several-record mode starts: positions go from 0 to maximum.
    virtual void progressStarted(int maximum) { Q_UNUSED(maximum); }
    // Row becomes the current record.
    virtual void recordStarted(int row) { Q_UNUSED(row); }
    // The progress bar advances to position.
    virtual void progressed(int position) { Q_UNUSED(position); }
    // A document was written at path.
    virtual void documentWritten(const QString &path) { Q_UNUSED(path); }
    // filled of total documents have their files, and converted of them have their PDF in place
    // so far (-1 when the run makes no PDF). Heard a few times a second at most.
    virtual void documentsProgressed(int filled, int total, int converted)
    {
        Q_UNUSED(filled);
        Q_UNUSED(total);
        Q_UNUSED(converted);
    }
    // PDF conversion goes on after the last document was filled: converted of total documents
    // have their PDF in place (a failed or stopped conversion never counts).
    virtual void conversionsProgressed(int converted, int total) { Q_UNUSED(converted); Q_UNUSED(total); }
    // The files for printing are put together: done of total documents are in.
    virtual void combiningProgressed(int done, int total) { Q_UNUSED(done); Q_UNUSED(total); }
    // A plain notice ("Файл шаблона не найден.", the conversion report); the end of a run with
    // records is "Готово", with "\nДокументов создано: 3 (записей: 6)" after it when documents
    // were made of groups.
    virtual void notice(const QString &text) { Q_UNUSED(text); }
    // The output folder is to be opened.
    virtual void openFolder(const QString &path) { Q_UNUSED(path); }
};

} // namespace dokrava
