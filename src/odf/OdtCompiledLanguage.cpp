#include "odf/OdtCompiledLanguage.h"

#include "base/TemplateLanguage.h"
#include "base/XmlNode.h"
#include "odf/OdtLanguage.h"
#include "odf/OdtText.h"

namespace dokrava {

namespace {

const QString kLineMark = QString(QChar(TCompiledMark::LineOpen)) + QChar(TCompiledMark::LineNumber)
                          + QChar(TCompiledMark::LineClose);

bool holdsBracket(const QString &value)
{
    return value.contains(QLatin1Char('[')) || value.contains(QLatin1Char(']'));
}

} // namespace

OdtCompiledLanguage::OdtCompiledLanguage(std::shared_ptr<const XmlNode> tree, const QString &partName,
                                         const QStringList &fields, const QString &archive)
    : CompiledLanguage(std::move(tree), OdtBlockDialect(), fields, int(fields.size()),
                       partName == QLatin1String("content.xml"), archive)
{
}

OdtCompiledLanguage::~OdtCompiledLanguage() = default;

OdtCompiledText OdtCompiledLanguage::compile(const QString &text, bool first) const
{
    OdtCompiledText c;
    // A part is written as UTF-8 with its byte order mark, as the general rules write it.
    CompiledTextBuilder b(c, m_pieces, true, first ? QByteArray("\xEF\xBB\xBF") : QByteArray());
    qsizetype copied = 0;
    for (const TPlaceholderSpan &span : FindPlaceholders(text)) {
        b.literal(QStringView(text).mid(copied, span.open - copied));
        const QStringView written = QStringView(text).mid(span.open, span.close - span.open + 1);
        // A placeholder: a line's field when its name starts with the line's mark.
        OdtCompiledSlot slot{OdtHole::of(span, written.toUtf8()), QString(), std::nullopt};
        if (span.name.startsWith(kLineMark) && !HoldsCompiledMark(QStringView(span.name).mid(kLineMark.size()))) {
            const TLanguageToken word =
                ReadLanguageToken(span.name.mid(kLineMark.size()), [](const QString &) { return false; });
            if (word.kind != TTokenKind::Line)
                c.expressible = false;
            slot.lineField = word.field;
            slot.line = m_blocks.lineSource(word.field);
            slot.original.replace(kLineMark.toUtf8(), QByteArray());
        } else if (HoldsCompiledMark(written)) {
            c.expressible = false;
        }
        b.hole();
        c.holes.append(slot);
        copied = span.close + 1;
    }
    b.literal(QStringView(text).mid(copied));
    b.flush();
    // A hole's mark in the template's own text would stand for no placeholder.
    c.expressible = c.expressible && c.holeCount == c.holes.size();
    return c;
}

OdtCompiledText OdtCompiledLanguage::compileOuter(XmlNode *tree) const
{
    return compile(QString::fromUtf8(tree->serialize()), true);
}

OdtCompiledText OdtCompiledLanguage::compileLine(const TemplateBlocks::LineForm &line) const
{
    return compile(*line.text, false);
}

bool OdtCompiledLanguage::outerFits(const OdtCompiledText &outer) const
{
    for (const OdtCompiledSlot &slot : outer.holes)
        if (!slot.lineField.isEmpty())
            return false;
    return true;
}

std::optional<SplicedDeflate::Stream> OdtCompiledLanguage::filled(const TLanguageRecords &records, const Lookup &values,
                                                                  bool deflated) const
{
    return emitted(records, values, deflated,
                   [this](const auto &outer, Emission &e) { return put(outer, e, CopyIdNumbers()); });
}

bool OdtCompiledLanguage::put(const OdtCompiledText &c, Emission &e, const CopyIdNumbers &ids) const
{
    const int k = ids.k();
    for (const CompiledText::Item &item : c.items) {
        if (item.kind == CompiledText::Item::Unit) {
            const auto putCopy = [&](const OdtCompiledText &copy, const CopyIdNumbers &copyIds) {
                return put(copy, e, copyIds);
            };
            if (!putLines(e, item.index, putCopy))
                return false;
            continue;
        }
        if (item.kind != CompiledText::Item::Hole) {
            PutCompiledItem(e.out, c, item, ids);
            continue;
        }
        const OdtCompiledSlot &slot = c.holes[item.index];
        std::optional<QString> value;
        if (slot.lineField.isEmpty())
            value = slot.value(e.given);
        else if (slot.line)
            value = slot.line->value(e.records.records[k], k);
        if (!value) {
            e.out.text(slot.original);
            continue;
        }
        // A value with brackets may make placeholders the general rules fill in turn.
        if (holdsBracket(*value))
            return false;
        e.out.text(PlaceholderBytes(*value, slot.inTag));
        e.out.text(slot.keptTags);
    }
    return true;
}

} // namespace dokrava
