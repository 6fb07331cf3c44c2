#include "generation/PreflightCheck.h"

#include "base/DokravaError.h"
#include "base/FieldFormat.h"
#include "base/TemplateLanguage.h"
#include "generation/BracketProblems.h"
#include "generation/FieldMatch.h"
#include "generation/OutputNames.h"
#include "generation/RecordGroups.h"
#include "generation/TemplateContent.h"
#include "generation/TemplateKind.h"
#include "settings/Settings.h"
#include "odf/OdtTemplate.h"
#include "word/DocxTemplate.h"
#include "word/WordFiller.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>

#include <algorithm>
#include <optional>

namespace dokrava {

namespace {

const QString kTable = QStringLiteral("таблица");
const QString kSettings = QStringLiteral("настройки");
const QString kPersonalFile = QStringLiteral("replace.ini");
const QString kSuffixes = QStringLiteral("файлы получат суффиксы « (2)», « (3)»…");

// Findings of one kind that are shown one by one before the rest is only counted.
constexpr int kMaxBracketFindings = 10; // per template
constexpr int kMaxCollisionFindings = 20;
// Record numbers named in one subject.
constexpr int kMaxListedRecords = 10;
// Field names listed in one finding.
constexpr int kMaxListedNames = 10;

QString shownName(QString name)
{
    name.replace(QChar(0xFFFF), QLatin1Char(' '));
    return name;
}

QString placeholder(const QString &name)
{
    return QLatin1Char('[') + shownName(name) + QLatin1Char(']');
}

// «text»; a text with guillemets of its own (the format «дата», a value ООО «Ромашка») goes
// into „text“ instead, so that a message never doubles them.
QString quoted(const QString &text)
{
    if (text.contains(QChar(0x00AB)) || text.contains(QChar(0x00BB)))
        return QChar(0x201E) + text + QChar(0x201C);
    return QChar(0x00AB) + text + QChar(0x00BB);
}

// "запись 3", or "записи 2, 5, 9" (the first ten numbers, then "… (всего N)").
QString recordsSubject(const QList<int> &rows)
{
    if (rows.size() == 1)
        return QStringLiteral("запись %1").arg(rows.first());
    QStringList numbers;
    for (int i = 0; i < rows.size() && i < kMaxListedRecords; ++i)
        numbers.append(QString::number(rows[i]));
    QString subject = QStringLiteral("записи ") + numbers.join(QStringLiteral(", "));
    if (rows.size() > kMaxListedRecords)
        subject += QStringLiteral(", … (всего %1)").arg(rows.size());
    return subject;
}

QString namesList(const QStringList &names)
{
    QStringList shown;
    for (int i = 0; i < names.size() && i < kMaxListedNames; ++i)
        shown.append(placeholder(names[i]));
    QString list = shown.join(QStringLiteral(", "));
    if (names.size() > kMaxListedNames)
        list += QStringLiteral(" и ещё %1").arg(names.size() - kMaxListedNames);
    return list;
}

// "6 записей", "1 запись", "3 записи".
QString countOf(int n, const char16_t *one, const char16_t *few, const char16_t *many)
{
    const int tens = n % 100, units = n % 10;
    const char16_t *word = (tens >= 11 && tens <= 14) ? many : units == 1 ? one : (units >= 2 && units <= 4) ? few : many;
    return QStringLiteral("%1 %2").arg(n).arg(QString::fromUtf16(word));
}

bool isOdt(const QString &entry)
{
    return TemplateKindOf(entry) == TemplateKind::Odt;
}

class Checker
{
public:
    explicit Checker(const TGenerationInput &in) : m_in(in), m_headers(in.grid.rows.value(0)) {}

    QList<TFinding> run()
    {
        for (const QString &h : m_headers) {
            if (h.isEmpty())
                continue;
            m_headersExact.insert(h);
            m_headersFolded.insert(FoldedName(h));
        }
        readPersonalFields();
        checkConverter();
        for (const QString &entry : m_in.templates)
            checkTemplate(entry);
        chooseRecords();
        checkGroups();
        checkNumericConditions();
        checkFormats();
        checkTemplateNames();
        checkColumns();
        checkUnreadRows();
        checkRecords();
        std::stable_sort(m_findings.begin(), m_findings.end(),
                         [](const TFinding &a, const TFinding &b) { return a.level < b.level; });
        return m_findings;
    }

private:
    void add(TFinding::Level level, const QString &subject, const QString &text)
    {
        m_findings.append({level, subject, text});
    }

    void readPersonalFields()
    {
        // The Word filler reads "replace.ini" for every document; a file it cannot read ends the run.
        if (m_in.personalFieldsFile.isEmpty() || !QFileInfo::exists(m_in.personalFieldsFile))
            return;
        try {
            QStringList names;
            for (const TPersonalField &f : ReadPersonalFieldsFile(m_in.personalFieldsFile)) {
                names.append(f.name);
                if (!m_personalValues.contains(FoldedName(f.name)))
                    m_personalValues.insert(FoldedName(f.name), f.value);
            }
            for (const QString &n : names)
                m_personalFolded.insert(FoldedName(n));
            m_personal = names;
        } catch (const DokravaError &e) {
            add(TFinding::Error, kPersonalFile, e.message() + QStringLiteral(": формирование прервётся"));
        }
    }

    void checkConverter()
    {
        if (m_in.settings.FormatFile == 0 && m_in.converter.isEmpty() && !m_in.templates.isEmpty())
            add(TFinding::Error, kSettings,
                QStringLiteral("Выбран формат pdf, но LibreOffice не найден: документы не будут преобразованы в PDF"));
    }

    void checkTemplate(const QString &entry)
    {
        const QString path = m_in.templatesDir + QDir::toNativeSeparators(entry);
        if (!QFileInfo(path).isFile()) {
            add(TFinding::Error, entry, QStringLiteral("Файл шаблона не найден: документы по нему не будут созданы"));
            m_allInspected = false;
            return;
        }
        const bool odt = isOdt(entry);
        if (!odt && !IsZipPackage(path)) {
            m_allInspected = false;
            if (TemplateKindOf(path) == TemplateKind::Docx)
                add(TFinding::Error, entry, damaged(entry, QStringLiteral("это не документ Word")));
            else if (m_in.converter.isEmpty())
                add(TFinding::Error, entry, QStringLiteral("Для шаблонов .doc нужен LibreOffice, а он не найден: формирование прервётся"));
            else
                add(TFinding::Note, entry, QStringLiteral("Шаблон .doc не проверялся: его поля будут видны только после преобразования при формировании"));
            return;
        }
        TTemplateContent content;
        try {
            content = odt ? ReadOdtTemplateContent(path) : ReadWordTemplateContent(path);
        } catch (const DokravaError &e) {
            m_allInspected = false;
            // The run passes such a template over with the same words.
            add(TFinding::Error, entry, damaged(entry, e.message()));
            return;
        }
        checkLanguage(entry, path, odt, content);
        if (odt) {
            m_hasOdt = true;
            checkOdtFields(entry, content);
        } else {
            checkWordFields(entry, content);
        }
        checkBrackets(entry, content);
    }

    // The template language: its errors, and what grouping needs of a template with lines.
    void checkLanguage(const QString &entry, const QString &path, bool odt, const TTemplateContent &content)
    {
        const QStringList names = content.bodyFields + content.headerFooterFields;
        if (std::none_of(names.cbegin(), names.cend(), MayBeLanguageToken))
            return;
        std::optional<TTemplateLanguageError> error;
        TemplateBlocks::Use use;
        try {
            if (odt) {
                const OdtTemplate templ(path);
                const QStringList fields = nonEmptyHeaders();
                error = templ.languageError(fields);
                if (!error && templ.usesLanguage(fields))
                    use = templ.languageUse(fields);
            } else {
                const DocxTemplate templ(path);
                TWordFields fields;
                fields.headers = m_headers;
                if (m_personal) {
                    fields.personal.emplace();
                    for (const QString &name : *m_personal)
                        fields.personal->append({name, m_personalValues.value(FoldedName(name))});
                }
                fields.Colontit = m_in.settings.Colontit;
                error = templ.languageError(fields);
                if (!error && templ.usesLanguage(fields))
                    use = templ.languageUse(fields);
            }
        } catch (const DokravaError &) {
            return; // told as a damaged template
        }
        if (error) {
            m_unmade.append(entry);
            add(TFinding::Error, entry,
                QStringLiteral("Ошибка в шаблоне: %1, абзац %2: документы по нему не будут созданы")
                    .arg(error->message, quoted(TextAround(error->paragraph, 0))));
            return;
        }
        if (!use.numericConditions.isEmpty())
            m_numeric.append({entry, {odt, use.numericConditions}});
        if (!use.lines)
            return;
        QList<int> keys;
        for (const QString &field : use.groupFields)
            if (const int c = columnOf(field, odt); c >= 0)
                keys.append(c);
        m_grouped.append({entry, keys});
    }

    // A comparison of numbers where a value or the operand is no number drops its block whole.
    void checkNumericConditions()
    {
        for (const auto &[entry, conditions] : std::as_const(m_numeric)) {
            for (const auto &[marker, condition] : conditions.second) {
                const int column = columnOf(condition.field, conditions.first);
                QList<int> records;
                for (const int r : std::as_const(m_records))
                    if (!ReadFieldNumber(condition.operand) || (column >= 0 && !ReadFieldNumber(m_in.grid.rows.value(r).value(column))))
                        records.append(r);
                if (records.isEmpty())
                    continue;
                add(TFinding::Warning, entry,
                    QStringLiteral("В условии %1 сравниваются числа, но %2 (%3): в этих документах блок будет убран целиком")
                        .arg(placeholder(marker),
                             ReadFieldNumber(condition.operand) ? QStringLiteral("значения колонки %1 — не числа").arg(quoted(condition.field))
                                                                : QStringLiteral("%1 — не число").arg(quoted(condition.operand)),
                             recordsSubject(records)));
            }
        }
    }

    // Templates with lines make a document of each group of records.
    void checkGroups()
    {
        for (const auto &[entry, keys] : std::as_const(m_grouped)) {
            const QList<QList<int>> groups = GroupRecords(m_in.grid.rows, m_records, keys);
            add(TFinding::Note, entry,
                QStringLiteral("%1 %2 %3")
                    .arg(countOf(int(m_records.size()), u"запись", u"записи", u"записей"),
                         m_records.size() % 10 == 1 && m_records.size() % 100 != 11 ? QStringLiteral("даёт") : QStringLiteral("дают"),
                         countOf(int(groups.size()), u"документ", u"документа", u"документов")));
            for (const auto &[a, b] : SimilarGroups(m_in.grid.rows, groups, keys))
                add(TFinding::Warning, entry,
                    QStringLiteral("Записи %1 и %2 попадают в разные документы, хотя их значения различаются только "
                                   "регистром букв или пробелами: возможно, одна группа")
                        .arg(groups[a].first()).arg(groups[b].first()));
        }
    }

    // True when name is a word of the language rather than a field: a line field is checked as
    // its field, a marker not at all (its errors are template errors).
    bool languageWord(const QString &entry, const QString &name, bool odt)
    {
        const auto isField = [&](const QString &n) {
            return columnOf(n, odt) >= 0 || (!odt && m_personalFolded.contains(FoldedName(n)));
        };
        const TLanguageToken word = ReadLanguageToken(name, isField);
        if (word.kind == TTokenKind::Plain)
            return false;
        if (const int column = columnOf(word.field, odt); word.kind == TTokenKind::Open && column >= 0)
            (odt ? m_usedExact : m_usedFolded).insert(odt ? m_headers[column] : FoldedName(word.field));
        if (word.kind != TTokenKind::Line)
            return true;
        QString field = word.field;
        for (const FieldFormatReading &reading : FieldFormatReadings(word.field))
            if (columnOf(reading.field, odt) >= 0 || reading.field == QStringLiteral("№"))
                field = reading.field;
        if (const int column = columnOf(field, odt); column >= 0) {
            (odt ? m_usedExact : m_usedFolded).insert(odt ? m_headers[column] : FoldedName(field));
            return true;
        }
        if (field == QStringLiteral("№"))
            return true;
        add(TFinding::Warning, entry,
            QStringLiteral("Поле строки %1 не найдено среди колонок таблицы: в документах останется %2")
                .arg(placeholder(name), quoted(placeholder(name))));
        return true;
    }

    static QString damaged(const QString &entry, const QString &reason)
    {
        return QStringLiteral("Шаблон повреждён: %1 (%2): документы по нему не будут созданы")
            .arg(QDir::toNativeSeparators(entry), reason);
    }

    // Suggestion text for a name that meets no column: "; возможно, [ФИО]".
    QString suggestion(const QString &name, const QStringList &candidates, bool odt) const
    {
        const int i = ProbableName(name, candidates);
        if (i < 0)
            return QString();
        QString text = QStringLiteral("; возможно, ") + placeholder(candidates[i]);
        if (odt && candidates[i].compare(name.trimmed(), Qt::CaseInsensitive) == 0)
            text += QStringLiteral(" (в шаблонах .odt регистр букв учитывается)");
        return text;
    }

    QStringList nonEmptyHeaders() const
    {
        QStringList list;
        for (const QString &h : m_headers)
            if (!h.isEmpty())
                list.append(h);
        return list;
    }

    void checkOdtFields(const QString &entry, const TTemplateContent &content)
    {
        const QStringList candidates = nonEmptyHeaders();
        for (const QString &name : content.bodyFields) {
            m_usedExact.insert(name);
            // A name holding "[" comes from "[[" or a "[" left open: told about as a bracket.
            if (name.contains(QLatin1Char('[')) || languageWord(entry, name, true) || m_headersExact.contains(name) || formattedUse(entry, name, true, false))
                continue;
            QString text = QStringLiteral("Поле %1 не найдено среди колонок таблицы").arg(placeholder(name));
            if (m_personalFolded.contains(FoldedName(name)))
                text += QStringLiteral(" (личные поля в шаблонах .odt не заменяются)");
            text += QStringLiteral(": в документах останется %1").arg(quoted(placeholder(name)));
            add(TFinding::Warning, entry, text + suggestion(name, candidates, true));
        }
    }

    void checkWordFields(const QString &entry, const TTemplateContent &content)
    {
        const QStringList headers = nonEmptyHeaders();
        const QStringList withPersonal = headers + m_personal.value_or(QStringList());
        for (const QString &name : content.bodyFields) {
            const QString folded = FoldedName(name);
            m_usedFolded.insert(folded);
            if (m_headersFolded.contains(folded) || m_personalFolded.contains(folded) || languageWord(entry, name, false)
                || formattedUse(entry, name, false, true))
                continue;
            const QString where = m_personal ? QStringLiteral("ни среди колонок таблицы, ни среди личных полей")
                                             : QStringLiteral("среди колонок таблицы");
            add(TFinding::Warning, entry,
                QStringLiteral("Поле %1 не найдено %2: в документах останется %3")
                        .arg(placeholder(name), where, quoted(placeholder(name)))
                    + suggestion(name, withPersonal, false));
        }
        if (content.headerFooterFields.isEmpty())
            return;
        for (const QString &name : content.headerFooterFields)
            m_usedFolded.insert(FoldedName(name));
        // Headers and footers are filled only with "Заменять в колонтитулах" and "replace.ini".
        QStringList reasons;
        if (!m_in.settings.Colontit)
            reasons.append(QStringLiteral("выключено «Заменять в колонтитулах»"));
        if (!m_personal)
            reasons.append(QStringLiteral("нет файла replace.ini"));
        if (!reasons.isEmpty()) {
            add(TFinding::Warning, entry,
                QStringLiteral("Колонтитулы содержат поля %1, но они не будут заполнены: %2")
                    .arg(namesList(content.headerFooterFields), reasons.join(QStringLiteral(" и "))));
            return;
        }
        for (const QString &name : content.headerFooterFields) {
            const QString folded = FoldedName(name);
            if (m_headersFolded.contains(folded) || languageWord(entry, name, false) || formattedUse(entry, name, false, false))
                continue;
            QString text = QStringLiteral("Поле %1 в колонтитуле не найдено среди колонок таблицы").arg(placeholder(name));
            if (m_personalFolded.contains(folded))
                text += QStringLiteral(" (личные поля в колонтитулах не заменяются)");
            add(TFinding::Warning, entry,
                text + QStringLiteral(": в документах останется %1").arg(quoted(placeholder(name)))
                    + suggestion(name, headers, false));
        }
    }

    // A name "field:format" (or "field:format:format…") whose field the filler knows (a column; in
    // Word main text also a personal field): an unknown format is told at once, known ones are
    // tried on the values the documents take (checkFormats). True when name is such a use.
    bool formattedUse(const QString &entry, const QString &name, bool odt, bool personalAllowed)
    {
        FormattedUse use{entry, name, {}, -1, QString()};
        QString field;
        bool personal = false;
        for (const FieldFormatReading &reading : FieldFormatReadings(name)) {
            use.column = columnOf(reading.field, odt);
            personal = use.column < 0 && personalAllowed && m_personalValues.contains(FoldedName(reading.field));
            if (use.column >= 0 || personal) {
                field = reading.field;
                use.formats = reading.formats;
                break;
            }
        }
        if (field.isEmpty())
            return false;
        if (odt)
            m_usedExact.insert(field);
        else
            m_usedFolded.insert(FoldedName(field));
        const QString key = entry + QLatin1Char('\n') + (odt ? name : FoldedName(name));
        if (m_formattedSeen.contains(key))
            return true;
        m_formattedSeen.insert(key);
        for (const QString &format : std::as_const(use.formats)) {
            if (!IsKnownFieldFormat(format)) {
                add(TFinding::Warning, entry,
                    QStringLiteral("Неизвестный формат %1 в поле %2: в документах останется %3")
                        .arg(quoted(format), placeholder(name), quoted(placeholder(name))));
                return true;
            }
        }
        if (personal)
            use.personalValue = m_personalValues.value(FoldedName(field));
        m_formatted.append(use);
        return true;
    }

    // The column a field names (exactly in ".odt", letter case ignored in Word), or -1.
    int columnOf(const QString &field, bool odt) const
    {
        for (int c = 0; c < m_headers.size(); ++c)
            if (!m_headers[c].isEmpty() && (odt ? m_headers[c] == field : FoldedName(m_headers[c]) == FoldedName(field)))
                return c;
        return -1;
    }

    // What the documents get where a case or a gender word cannot tell a value's form or gender.
    static QString untoldOutcome(const QStringList &formats)
    {
        QStringList outcomes;
        for (const QString &format : formats) {
            if (format.contains(QLatin1Char('|')))
                outcomes.append(QStringLiteral("в этих документах будут записаны оба слова через «/»"));
            else if (IsCaseFieldFormat(format))
                outcomes.append(QStringLiteral("в этих документах значение будет записано как есть"));
        }
        outcomes.removeDuplicates();
        return outcomes.join(QStringLiteral("; "));
    }

    void checkFormats()
    {
        for (const FormattedUse &use : std::as_const(m_formatted)) {
            const QString left = quoted(placeholder(use.name));
            const QString format = quoted(use.formats.join(QLatin1Char(':')));
            if (use.column < 0) {
                bool untold = false;
                if (!ApplyFieldFormats(use.formats, use.personalValue, &untold))
                    add(TFinding::Warning, use.entry,
                        QStringLiteral("Значение личного поля %1 не подходит для формата %2: в документах останется %3")
                            .arg(quoted(use.personalValue), format, left));
                else if (untold)
                    add(TFinding::Warning, use.entry,
                        QStringLiteral("По значению личного поля %1 не удаётся определить пол или падеж для формата %2: %3")
                            .arg(quoted(use.personalValue), format, untoldOutcome(use.formats)));
                continue;
            }
            QList<int> misfits, untold;
            for (const int r : std::as_const(m_records)) {
                bool unsure = false;
                if (!ApplyFieldFormats(use.formats, m_in.grid.rows.value(r).value(use.column), &unsure))
                    misfits.append(r);
                else if (unsure)
                    untold.append(r);
            }
            const QString column = quoted(m_headers[use.column]);
            if (!misfits.isEmpty())
                add(TFinding::Warning, use.entry,
                    QStringLiteral("Значения колонки %1 не подходят для формата %2 (%3): в этих документах останется %4")
                        .arg(column, format, recordsSubject(misfits), left));
            if (!untold.isEmpty())
                add(TFinding::Warning, use.entry,
                    QStringLiteral("По значениям колонки %1 не удаётся определить пол или падеж для формата %2 (%3): %4")
                        .arg(column, format, recordsSubject(untold), untoldOutcome(use.formats)));
        }
    }

    void checkBrackets(const QString &entry, const TTemplateContent &content)
    {
        int count = 0;
        for (const QString &paragraph : content.paragraphs) {
            for (const TBracketProblem &p : FindBracketProblems(paragraph)) {
                if (++count > kMaxBracketFindings)
                    continue;
                QString what;
                switch (p.kind) {
                case TBracketProblem::Unclosed:
                    what = QStringLiteral("Скобка «[» не закрыта до конца абзаца");
                    break;
                case TBracketProblem::Unopened:
                    what = QStringLiteral("Скобка «]» без открывающей «[»");
                    break;
                case TBracketProblem::Doubled:
                    what = QStringLiteral("Двойная скобка «[[»");
                    break;
                case TBracketProblem::Empty:
                    what = QStringLiteral("Пустое поле «[]»");
                    break;
                }
                add(TFinding::Warning, entry, what + QStringLiteral(": ") + quoted(TextAround(paragraph, p.position)));
            }
        }
        if (count > kMaxBracketFindings)
            add(TFinding::Warning, entry,
                QStringLiteral("И ещё %1 мест с непарными или пустыми скобками").arg(count - kMaxBracketFindings));
    }

    void chooseRecords()
    {
        if (!m_in.severalRecords) {
            m_records.append(m_in.grid.currentRow);
            return;
        }
        for (int r = 1; r < m_in.grid.rows.size(); ++r)
            if (m_in.grid.marks.value(r))
                m_records.append(r);
    }

    // Two templates whose documents take one name: the later ones get " (2)" as records do.
    void checkTemplateNames()
    {
        if (m_records.isEmpty())
            return;
        QHash<QString, QString> first;
        for (const QString &entry : m_in.templates) {
            const QString ext = m_in.settings.FormatFile == 0 ? QStringLiteral("pdf") : QFileInfo(entry).suffix();
            const QString key = FoldedName(SafeNamePart(FileNameWithoutExt(entry)) + QLatin1Char('.') + ext);
            const auto known = first.constFind(key);
            if (known == first.cend()) {
                first.insert(key, entry);
                continue;
            }
            add(TFinding::Warning, entry,
                QStringLiteral("Документы этого шаблона получат те же имена, что и документы шаблона %1: %2")
                    .arg(quoted(*known), kSuffixes));
        }
    }

    void checkColumns()
    {
        // Two columns of one name end a run with ".odt" templates ("Duplicates not allowed").
        QSet<QString> seen;
        QSet<QString> reported;
        for (const QString &h : m_headers) {
            if (h.isEmpty())
                continue;
            if (seen.contains(h) && m_hasOdt && !reported.contains(h)) {
                reported.insert(h);
                add(TFinding::Error, kTable,
                    QStringLiteral("Колонка %1 встречается дважды: формирование по шаблонам .odt прервётся").arg(quoted(h)));
            }
            seen.insert(h);
        }
        // Which columns no template uses is known only when every template could be read.
        if (!m_allInspected || m_in.templates.isEmpty())
            return;
        QSet<QString> told;
        for (int c = 0; c < m_headers.size(); ++c) {
            const QString &h = m_headers[c];
            if (h.isEmpty() || c == m_in.namingColumn - 1 || told.contains(h))
                continue;
            if (m_usedExact.contains(h) || m_usedFolded.contains(FoldedName(h)))
                continue;
            told.insert(h);
            add(TFinding::Note, kTable, QStringLiteral("Колонка %1 не используется ни одним выбранным шаблоном").arg(quoted(h)));
        }
    }

    // The load stops at the first record without a first cell: what lies below gets no documents.
    void checkUnreadRows()
    {
        const QString text = UnreadRowsMessage(m_in.unreadRows);
        if (!text.isEmpty())
            add(TFinding::Warning, kTable, text);
    }

    // The records that name documents: every chosen one, or, when every template that makes
    // documents makes one of each group of records, the first record of each group. A template
    // with an error of the language makes none.
    QList<int> namingRecords() const
    {
        if (m_grouped.size() + m_unmade.size() != m_in.templates.size())
            return m_records;
        QList<int> firsts;
        for (const auto &[entry, keys] : m_grouped)
            for (const QList<int> &group : GroupRecords(m_in.grid.rows, m_records, keys))
                if (!firsts.contains(group.first()))
                    firsts.append(group.first());
        std::sort(firsts.begin(), firsts.end());
        return firsts;
    }

    void checkRecords()
    {
        const QList<int> records = namingRecords();
        if (m_in.templates.isEmpty() || records.size() < 2) {
            checkSingleRecord();
            return;
        }
        const int column = m_in.namingColumn - 1;
        if (column < 0 || column >= m_headers.size()) {
            add(TFinding::Warning, kSettings,
                QStringLiteral("Не выбрана колонка для имён файлов: документы всех записей получат одно имя, %1").arg(kSuffixes));
            return;
        }
        // The value of the template with the longest name is shortened most, so values that
        // meet in the name of any template meet in its name too.
        QString longest;
        for (const QString &entry : m_in.templates)
            if (longest.isEmpty() || NameLength(FileNameWithoutExt(entry)) > NameLength(FileNameWithoutExt(longest)))
                longest = entry;
        QList<int> empty;
        QHash<QString, int> groupOf; // the key of a name -> index in groups
        QList<QList<int>> groups;
        for (const int r : records) {
            const QString value = m_in.grid.rows.value(r).value(column);
            if (SafeNamePart(value).isEmpty()) {
                empty.append(r);
                continue;
            }
            const QString key = FoldedName(OutputPath(QStringLiteral("."), longest, value, m_in.namingMode,
                                                                      NameOrderOf(m_in.settings.FileName), m_in.settings.FormatFile));
            const auto g = groupOf.constFind(key);
            if (g == groupOf.cend()) {
                groupOf.insert(key, int(groups.size()));
                groups.append(QList<int>{r});
            } else {
                groups[*g].append(r);
            }
        }
        const QString columnName = quoted(m_headers[column]);
        if (!empty.isEmpty())
            add(TFinding::Warning, recordsSubject(empty),
                QStringLiteral("Пустое значение в колонке %1, по которой называются файлы%2")
                    .arg(columnName, empty.size() > 1 ? QStringLiteral(": документы получат одно имя, ") + kSuffixes
                                                      : QString()));
        int collisions = 0;
        for (const QList<int> &group : std::as_const(groups)) {
            if (group.size() < 2)
                continue;
            if (++collisions > kMaxCollisionFindings)
                continue;
            QStringList values;
            for (const int r : group) {
                const QString v = quoted(m_in.grid.rows.value(r).value(column));
                if (!values.contains(v) && values.size() < 3)
                    values.append(v);
            }
            const QString text = values.size() == 1
                                     ? QStringLiteral("Одинаковое значение %1 в колонке %2: %3").arg(values.first(), columnName, kSuffixes)
                                     : QStringLiteral("Значения %1 в колонке %2 дают одно имя файла: %3")
                                           .arg(values.join(QStringLiteral(", ")), columnName, kSuffixes);
            add(TFinding::Warning, recordsSubject(group), text);
        }
        if (collisions > kMaxCollisionFindings)
            add(TFinding::Warning, QStringLiteral("записи"),
                QStringLiteral("И ещё %1 групп записей с одинаковыми именами файлов").arg(collisions - kMaxCollisionFindings));
    }

    // One record: only an empty naming value is worth saying.
    void checkSingleRecord()
    {
        const int column = m_in.namingColumn - 1;
        if (m_in.templates.isEmpty() || m_records.isEmpty() || column < 0 || column >= m_headers.size())
            return;
        const int r = m_records.first();
        if (SafeNamePart(m_in.grid.rows.value(r).value(column)).isEmpty())
            add(TFinding::Warning, recordsSubject({r}),
                QStringLiteral("Пустое значение в колонке %1, по которой называются файлы").arg(quoted(m_headers[column])));
    }

    const TGenerationInput &m_in;
    const QStringList m_headers;
    QSet<QString> m_headersExact;
    QSet<QString> m_headersFolded;
    std::optional<QStringList> m_personal; // names of "replace.ini"; none when the file is absent
    QSet<QString> m_personalFolded;
    QSet<QString> m_usedExact;  // names the ".odt" templates use
    QSet<QString> m_usedFolded; // names the Word templates use, folded
    bool m_hasOdt = false;
    bool m_allInspected = true;
    QList<int> m_records;
    QList<QPair<QString, QList<int>>> m_grouped; // templates with lines: the columns of their groups
    QStringList m_unmade; // templates with an error of the language: no document comes of them
    // Conditions that compare numbers, by template (and whether it is an ".odt").
    QList<QPair<QString, QPair<bool, QList<QPair<QString, TLanguageToken>>>>> m_numeric;
    QList<TFinding> m_findings;
    // A field with a format, to be tried on the values of the chosen records.
    struct FormattedUse
    {
        QString entry;
        QString name;
        QStringList formats;   // applied from the left
        int column = -1;       // the field's column; -1 for a personal field
        QString personalValue;
    };
    QList<FormattedUse> m_formatted;
    QSet<QString> m_formattedSeen;                 // template and name, each told once
    QHash<QString, QString> m_personalValues;      // "replace.ini", by folded name
};

} // namespace

QList<TFinding> CheckBeforeGeneration(const TGenerationInput &in)
{
    return Checker(in).run();
}

QString FindingLevelName(TFinding::Level level)
{
    switch (level) {
    case TFinding::Error:
        return QStringLiteral("ошибка");
    case TFinding::Warning:
        return QStringLiteral("предупреждение");
    case TFinding::Note:
        break;
    }
    return QStringLiteral("замечание");
}

bool FindingsNeedAttention(const QList<TFinding> &findings)
{
    return std::any_of(findings.cbegin(), findings.cend(), [](const TFinding &f) { return f.level != TFinding::Note; });
}

bool FindingsHaveError(const QList<TFinding> &findings)
{
    return std::any_of(findings.cbegin(), findings.cend(), [](const TFinding &f) { return f.level == TFinding::Error; });
}

QString FindingLine(const TFinding &finding)
{
    const auto flat = [](QString s) {
        for (QChar &c : s)
            if (c == QLatin1Char('\t') || c == QLatin1Char('\n') || c == QLatin1Char('\r'))
                c = QLatin1Char(' ');
        return s;
    };
    return FindingLevelName(finding.level) + QLatin1Char('\t') + flat(finding.subject) + QLatin1Char('\t') + flat(finding.text);
}

QList<QPair<QString, QList<TFinding>>> FindingsBySubject(const QList<TFinding> &findings)
{
    QList<QPair<QString, QList<TFinding>>> groups;
    QHash<QString, int> index;
    for (const TFinding &f : findings) {
        const auto i = index.constFind(f.subject);
        if (i == index.cend()) {
            index.insert(f.subject, int(groups.size()));
            groups.append({f.subject, {f}});
        } else {
            groups[*i].second.append(f);
        }
    }
    return groups;
}

QString FindingsReport(const QList<TFinding> &findings)
{
    QString report;
    for (const auto &[subject, list] : FindingsBySubject(findings)) {
        report += subject + QLatin1Char('\n');
        for (const TFinding &f : list)
            report += QStringLiteral("  ") + FindingLevelName(f.level) + QStringLiteral(": ") + f.text + QLatin1Char('\n');
    }
    return report;
}

} // namespace dokrava
