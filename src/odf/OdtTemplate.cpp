#include "odf/OdtTemplate.h"

#include "base/FieldFormat.h"
#include "base/PendingFile.h"
#include "odf/TODTProcessor.h"

#include <QHash>

namespace {

const char *const kXmlParts[] = {"content.xml", "styles.xml"};

bool holdsBracket(const QString &value)
{
    return value.contains(QLatin1Char('[')) || value.contains(QLatin1Char(']'));
}

} // namespace

OdtTemplate::OdtTemplate(const QString &path)
    : m_package(path)
{
    TODTProcessor::PrepareOdtPackage(m_package);
    for (const char *name : kXmlParts) {
        const int i = m_package.indexOf(QLatin1String(name));
        if (i < 0)
            continue;
        Part part = split(i, TODTProcessor::XmlPartText(m_package.data(i)));
        part.unfilled.first = partBytes(part, {}, {});
        part.unfilled.second = ZipWriter::storedForm(part.unfilled.first, ZipWriter::Method(m_package.method(i)), path);
        m_parts.append(part);
    }
}

OdtTemplate::Part OdtTemplate::split(int entry, const QString &text)
{
    Part part;
    part.entry = entry;
    part.text = text;
    qsizetype copied = 0;
    for (const TPlaceholderSpan &span : FindPlaceholders(text)) {
        part.literals.append(QStringView(text).mid(copied, span.open - copied).toUtf8());
        Slot slot{span.name, QString(), QString(), span.inTag, span.keptTags.toUtf8(),
                  QStringView(text).mid(span.open, span.close - span.open + 1).toUtf8()};
        SplitFieldFormat(span.name, slot.field, slot.format);
        part.holes.append(slot);
        copied = span.close + 1;
    }
    part.literals.append(QStringView(text).mid(copied).toUtf8());
    return part;
}

QByteArray OdtTemplate::partBytes(const Part &part, const TFieldValues &Data, const Lookup &values) const
{
    QList<std::optional<QString>> filling(part.holes.size());
    for (qsizetype s = 0; s < part.holes.size(); ++s) {
        const Slot &slot = part.holes[s];
        if (const QString *value = values.value(slot.name, nullptr))
            filling[s] = *value;
        else if (const QString *field = slot.format.isEmpty() ? nullptr : values.value(slot.field, nullptr))
            filling[s] = ApplyFieldFormat(slot.format, *field);
        // A value with brackets may hold placeholders for the pairs after it, which the general
        // rules fill in turn; splitting cannot foresee that.
        if (filling[s] && holdsBracket(*filling[s]))
            return TODTProcessor::XmlPartBytes(ReplaceVariables(part.text, Data));
    }
    QByteArray out("\xEF\xBB\xBF");
    out.reserve(part.text.size() * 2);
    for (qsizetype s = 0; s < part.holes.size(); ++s) {
        out += part.literals[s];
        const Slot &slot = part.holes[s];
        if (filling[s])
            out += PlaceholderValue(EscapeXML(*filling[s]), slot.inTag).toUtf8() + slot.keptTags;
        else
            out += slot.original;
    }
    out += part.literals.last();
    return out;
}

Package OdtTemplate::filled(const TFieldValues &Data) const
{
    // The first pair of a name fills it: a later one finds no placeholder left.
    Lookup values;
    values.reserve(Data.size());
    for (const auto &pair : Data)
        if (!values.contains(pair.first))
            values.insert(pair.first, &pair.second);
    Package package = m_package;
    for (const Part &part : m_parts) {
        const QByteArray bytes = partBytes(part, Data, values);
        // A part no value went into is the same for every document: compressed once.
        if (bytes == part.unfilled.first)
            package.replaceStored(part.entry, part.unfilled.second);
        else
            package.replace(part.entry, bytes);
    }
    return package;
}

void OdtTemplate::write(const QString &OutputFile, const TFieldValues &Data) const
{
    filled(Data).save(OutputFile);
}
