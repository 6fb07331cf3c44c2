#pragma once

#include <QFile>
#include <QList>
#include <QString>

// Shell scripts that stand in for the office suite's converter in tests. Each takes the
// converter's arguments (... --convert-to FORMAT --outdir DIR SOURCE).
namespace FakeConverter {

// Common head: finds the format, the output folder and the source among the arguments.
inline const char *parseArgs()
{
    return "#!/bin/sh\n"
           "fmt=''; out=''; src=''\n"
           "while [ $# -gt 0 ]; do\n"
           "  case \"$1\" in\n"
           "    --convert-to) fmt=\"$2\"; shift;;\n"
           "    --outdir) out=\"$2\"; shift;;\n"
           "    *) src=\"$1\";;\n"
           "  esac; shift\n"
           "done\n"
           "ext=${fmt%%:*}; base=$(basename \"$src\"); base=${base%.*}\n";
}

inline QString write(const QString &path, const QByteArray &body, bool executable = true)
{
    QFile f(path);
    f.open(QIODevice::WriteOnly | QIODevice::Truncate);
    f.write(body);
    f.close();
    if (executable)
        f.setPermissions(f.permissions() | QFile::ExeOwner | QFile::ExeUser);
    return path;
}

// Writes a complete (if tiny) PDF to DIR/base.pdf.
inline const char *writePdf()
{
    return "printf '%%PDF-1.4\\n%%%%EOF\\n' > \"$out/$base.pdf\"\n";
}

// Copies the source to DIR/base.EXT: a "conversion" whose result is the filled document itself.
// A PDF is written as a small complete PDF, with the source copied beside it as base.pdf.src.
inline QString copying(const QString &path)
{
    return write(path, QByteArray(parseArgs())
                           + "if [ \"$ext\" = pdf ]; then cp \"$src\" \"$out/$base.pdf.src\"; " + writePdf()
                           + "else cp \"$src\" \"$out/$base.$ext\"; fi\n");
}

// A converter script that takes every source it is given in turn: before runs first, perSource
// for each source with $out (the output folder) and $base (the source's name without extension)
// set, after at the end.
inline QByteArray eachSource(const QByteArray &before, const QByteArray &perSource, const QByteArray &after)
{
    return "#!/bin/sh\n" + before + "out=''\n"
           "while [ $# -gt 0 ]; do\n"
           "  case \"$1\" in\n"
           "    --outdir) out=\"$2\"; shift;;\n"
           "    --convert-to) shift;;\n"
           "    -*) ;;\n"
           "    *) base=$(basename \"$1\"); base=${base%.*}\n"
           + perSource + ";;\n"
           "  esac; shift\n"
           "done\n" + after;
}

// Takes each source's PDF from the folder pool ("<pool>/<name>.pdf", made beforehand): real
// PDFs stand for converted documents. A source without one there fails to convert.
inline QString fromPool(const QString &path, const QString &pool)
{
    return write(path, eachSource("pool='" + QFile::encodeName(pool) + "'\n",
                                  "cp \"$pool/$base.pdf\" \"$out/$base.pdf\" 2>/dev/null || true", "exit 0\n"));
}

// Logs its arguments, one per line, then writes a small PDF.
inline QString logging(const QString &path)
{
    return write(path, "#!/bin/sh\nfor a in \"$@\"; do printf '%s\\n' \"$a\"; done > \"$0.log\"\n"
                       + QByteArray(parseArgs()).mid(10) + writePdf());
}

// Starts a child that would write the PDF after a long sleep, records the child's id, waits.
inline QString sleeping(const QString &path)
{
    return write(path, QByteArray(parseArgs()) + "(sleep 30; echo late > \"$out/$base.$ext\") &\n"
                                                 "echo $! > \"$0.pid\"\nwait\n");
}

// Writes the start of a PDF without its end, and reports success.
inline QString truncating(const QString &path)
{
    return write(path, QByteArray(parseArgs()) + "printf '%%PDF-1.4\\n1 0 obj' > \"$out/$base.pdf\"\n");
}

// Never finishes: records its own id and that of the child it waits for in "<path>.pids".
inline QString hanging(const QString &path)
{
    return write(path, "#!/bin/sh\necho $$ >> \"$0.pids\"\nsleep 60 & echo $! >> \"$0.pids\"\nwait\n");
}

// Writes a small PDF for each source whose name matches the shell pattern and never finishes
// the first one that does not, recording its ids in "<path>.pids" as hanging() does.
inline QString selective(const QString &path, const QString &pattern)
{
    return write(path, eachSource("", "case \"$base\" in " + pattern.toUtf8() + ") " + writePdf()
                                          + ";; *) echo $$ >> \"$0.pids\"; sleep 60 & echo $! >> \"$0.pids\"; wait;; esac\n",
                                  ""));
}

// The process ids a converter recorded in "<converter>.pids".
inline QList<qint64> recordedPids(const QString &converter)
{
    QList<qint64> pids;
    QFile f(converter + QStringLiteral(".pids"));
    if (f.open(QIODevice::ReadOnly))
        for (const QByteArray &line : f.readAll().split('\n'))
            if (!line.trimmed().isEmpty())
                pids << line.trimmed().toLongLong();
    return pids;
}

// Ends at once without writing anything.
inline QString failing(const QString &path)
{
    return write(path, "#!/bin/sh\nexit 1\n");
}

} // namespace FakeConverter
