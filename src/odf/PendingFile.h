#pragma once

#include <QString>

// A file written beside its target and moved over it only once complete, so a failed write
// never leaves a half-written file under the target's name and keeps the old one.
class PendingFile
{
public:
    // Picks a fresh temporary name in the target's folder; nothing is created yet.
    explicit PendingFile(const QString &target);
    // Removes the temporary file unless commit() has moved it.
    ~PendingFile();

    PendingFile(const PendingFile &) = delete;
    PendingFile &operator=(const PendingFile &) = delete;

    // Where to write the new contents.
    QString path() const { return m_temp; }
    // The final name.
    QString target() const { return m_target; }
    // Moves the written file over the target (replacing it); throws DokravaError on failure.
    void commit();

private:
    QString m_target;
    QString m_temp;
    bool m_committed = false;
};

// Moves source over target in one step, replacing it and keeping its permissions; on failure
// removes source and throws DokravaError naming the target.
void ReplaceFileWith(const QString &source, const QString &target);
