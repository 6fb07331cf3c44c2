#include "generation/TemplateKind.h"

#include <QFileInfo>

namespace dokrava {

TemplateKind TemplateKindOf(const QString &fileName)
{
    const QString suffix = QFileInfo(fileName).suffix();
    if (suffix.compare(QLatin1String("odt"), Qt::CaseInsensitive) == 0)
        return TemplateKind::Odt;
    if (suffix.compare(QLatin1String("docx"), Qt::CaseInsensitive) == 0)
        return TemplateKind::Docx;
    if (suffix.compare(QLatin1String("doc"), Qt::CaseInsensitive) == 0)
        return TemplateKind::Doc;
    return TemplateKind::None;
}

bool IsWordKind(TemplateKind kind)
{
    return kind == TemplateKind::Docx || kind == TemplateKind::Doc;
}

} // namespace dokrava
