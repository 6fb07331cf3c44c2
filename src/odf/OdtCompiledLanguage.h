#pragma once

#include "base/FieldFormat.h"
#include "base/TemplateBlocks.h"
#include "odf/OdtHole.h"
#include "zip/CompiledLanguage.h"
#include "zip/SplicedDeflate.h"

#include <QByteArray>
#include <QList>
#include <QString>
#include <QStringList>

#include <map>
#include <memory>
#include <optional>

namespace dokrava {

class XmlNode;

// A part of an ".odt" template that uses the template language, compiled once for a run's fields
// into pieces (see CompiledLanguage): for each set of decisions of the blocks outside lines (a
// shape, compiled the first time a group needs it), the static text between placeholders and
// lines, compressed once, and for each line and each set of decisions of its own blocks the text
// of one copy. A document is then joined from pieces, values and the copies' ids, and holds what
// expanding the part's tree and filling it gives (ExpandOdtPart, then ReplaceVariables). Const
// members may be used from several threads at once.
struct OdtCompiledText;

class OdtCompiledLanguage : public CompiledLanguage<OdtCompiledText>
{
public:
    // Placeholder name -> its value, as the filler looks values up.
    using Lookup = OdtHole::Lookup;

    OdtCompiledLanguage(std::shared_ptr<const XmlNode> tree, const QString &partName, const QStringList &fields,
                        const QString &archive);
    ~OdtCompiledLanguage() override;

    // The part for the group's records, plain placeholders filled from values (the first record's
    // fields and the totals); nothing when the group needs the part expanded whole (a value that
    // holds brackets, a shape the pieces cannot express). A template error throws
    // TemplateLanguageFailure, as expanding does.
    std::optional<SplicedDeflate::Stream> filled(const TLanguageRecords &records, const Lookup &values,
                                                 bool deflated) const;

private:
    using Emission = CompiledLanguage::Emission<Lookup>;
    OdtCompiledText compile(const QString &text, bool first) const;
    OdtCompiledText compileOuter(XmlNode *tree) const override;
    OdtCompiledText compileLine(const TemplateBlocks::LineForm &line) const override;
    bool outerFits(const OdtCompiledText &outer) const override;
    bool put(const OdtCompiledText &c, Emission &e, const CopyIdNumbers &ids) const;
};

// A placeholder between pieces.
struct OdtCompiledSlot : OdtHole
{
    QString lineField;   // for a line's field: the field and formats ("Цена:сумма")
    std::optional<TemplateBlocks::LineSource> line; // where a line field's value comes from
};

struct OdtCompiledText : CompiledText
{
    QList<OdtCompiledSlot> holes;
};

} // namespace dokrava
