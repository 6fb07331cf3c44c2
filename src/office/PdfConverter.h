#pragma once

#include <QString>
#include <QStringList>

#include <functional>

// How long a conversion may take before the converter is ended (milliseconds).
constexpr int kConversionWaitMs = 60000;

// Converts the written document O into a PDF beside it with the converter C ("soffice"):
// C -env:UserInstallation=<own profile> --headless --convert-to pdf --outdir <folder of O> O.
// A PDF of the same name is removed first; true when the converter ended by itself with exit
// code 0 and left a complete PDF. A converter still running after waitMs is ended with the
// programs it started. After a failure no PDF of that name is left.
bool ConvertODTToPDF(const QString &O, const QString &C, int waitMs = kConversionWaitMs);

// Converts source into outDir with the converter; format is the converter's target ("pdf",
// "docx:MS Word 2007 XML", "doc:MS Word 97"). Returns the written file's path, or an empty string
// when the converter could not be started, was ended after waitMs, exited with a code other than
// 0 or left no complete file (ConvertedFile::isComplete); such a file is removed.
QString ConvertDocument(const QString &source, const QString &format, const QString &outDir,
                        const QString &converter, int waitMs = kConversionWaitMs);

// The argument list handed to the converter (without the program itself).
QStringList ConverterArguments(const QString &format, const QString &outDir, const QString &source);
// The same for several sources at once, with the profile folder given.
QStringList ConverterArguments(const QString &profileFolder, const QString &format, const QString &outDir,
                               const QStringList &sources);

// Runs the converter with these arguments; true when it ended by itself within waitMs with exit
// code 0. One still running then is ended with the programs it started. What it wrote is for the
// caller to judge.
// started hears the process id once it runs, and 0 once it has ended.
bool RunConverter(const QString &converter, const QStringList &arguments, int waitMs,
                  const std::function<void(qint64)> &started = {});

// The converter's profile folder: "lo_profile" in this process's scratch folder, so
// an office suite the user has open never swallows the conversion.
QString ConverterProfileFolder();
