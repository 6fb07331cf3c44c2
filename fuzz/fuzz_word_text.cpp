// Word part text replacement: any part that parses must stay well-formed after replacing and
// listing fields, whatever the markup around the placeholders.
#include "base/DokravaError.h"
#include "word/WordText.h"
#include "base/XmlNode.h"

#include <cstdlib>

using namespace dokrava;

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    std::unique_ptr<XmlNode> tree;
    try {
        tree = XmlNode::parse(QByteArray(reinterpret_cast<const char *>(data), qsizetype(size)), QStringLiteral("fuzz"));
    } catch (const DokravaError &) {
        return 0;
    }
    QStringList names;
    CollectBracketedFields(tree.get(), names);
    for (const QString &name : names)
        ReplaceInWordPart(tree.get(), QLatin1Char('[') + name + QLatin1Char(']'), QStringLiteral("a\nb\tc<&>]["));
    ReplaceInWordPart(tree.get(), QStringLiteral("[x]"), QString());
    const QByteArray written = tree->serialize();
    try {
        XmlNode::parse(written, QStringLiteral("written"));
    } catch (const DokravaError &) {
        std::abort();
    }
    return 0;
}
