#pragma once

#include <QString>
#include <QList>
#include <QStringList>

#include <optional>

namespace dokrava {

// The value formats of placeholders: "[Поле:формат]" writes the field's value in the format.
// Pure functions of text, without any knowledge of documents.
//
// Format names ignore letter case, blanks around them and inner runs of blanks ("Сумма  И прописью"
// is "сумма и прописью"). Every format and what it reads:
//
// Numbers ("прописью", "рубли", "сумма", "сумма и прописью", "итого") are read as the data grid shows them:
// an optional sign ("+", "-" or U+2212), digits, either without separators or in groups of three
// parted by one blank (a space, a no-break space U+00A0 or a narrow one U+202F), then optionally a
// decimal comma or point and one or more digits ("1 234,5", "1234.5", "-5"). A point is always the
// decimal separator. Nothing else fits: letters, "12,3,4", "1e5", ",5", "5,", "12 34".
// - Amounts are rounded to kopecks half up on the exact decimal text: "1,005" is 1,01 and "0,995"
//   is 1,00 (the carry goes into the roubles). After rounding an amount has to be at most
//   999 999 999 999,99; a larger one does not fit. "прописью" has the same limit for whole numbers.
// - A negative amount keeps its sign: "минус пять рублей 00 копеек", "-5,00",
//   "-5 (минус пять) рублей 00 копеек". An amount that rounds to zero has no sign ("-0,001" is
//   "0,00").
// - "прописью" writes whole numbers only: a fractional part of zeros is dropped ("5,00" is "пять"),
//   any other fraction does not fit ("5,5").
// - "итого" is the sum of the field over the records of one document, written as "сумма" writes
//   it; over one record it is the value in the format "сумма".
// Dates ("дата", "«дата»", "дд.мм.гггг") are read as "дд.мм.гггг", "гггг-мм-дд", each optionally
// followed by a blank and a time "чч:мм" or "чч:мм:сс", which is checked and then ignored. Day and
// month of "дд.мм.гггг" may have one digit ("5.3.2026"); those of "гггг-мм-дд" need two; the year
// has four and is 1000 or later ("1.1.0001" does not fit). A date that does not exist
// ("31.02.2026") does not fit.
// - "дата": "5 марта 2026 г." (the day without a leading zero);
// - "«дата»": "«05» марта 2026 г." (the day in two digits, as contracts write it); the name may
//   also be written with straight or curly quotes ("дата", “дата”, „дата“);
// - "дд.мм.гггг": "05.03.2026".
// Letter case ("ПРОПИСНЫЕ", "строчные", "Заглавная") takes any text, blanks included, as it is:
// "Заглавная" raises the first letter of the text (characters before it, such as a quote, stay; a
// letter outside the basic plane counts as one) and leaves the rest unchanged, so "ооо ромашка" is
// "Ооо ромашка" and "ООО ромашка" stays as it was.
// Names ("фамилия и.о.", "и.о. фамилия"; also "фамилия и. о.", "и. о. фамилия") are words parted by
// blanks, any number of them: surname, first name, patronymic.
// - Three words or two: "Иванов И. И." / "И. И. Иванов", "Иванов И." / "И. Иванов". An initial is the
//   first letter of the word, raised, and a point; a hyphenated word gives one per part
//   ("Анна-Мария" is "А.-М."); a name or patronymic (or a part of one) that does not begin with a
//   letter does not fit. The surname is written as given.
// - A fourth word "оглы", "кызы", "улы", "уулу" or "гызы" belongs to the patronymic and is dropped
//   with it ("Алиев Гейдар Алирза оглы" is "Алиев Г. А.").
// - One word stays as it is (without the blanks around it).
// - Any other count of words does not fit.
// Cases ("родительный"/"кого", "дательный"/"кому", "винительный", "творительный"/"кем",
// "предложный"/"о ком") put a person's name or a position in the case (see DeclineValue):
// "Сидоров Пётр Алексеевич" is "Сидорова Петра Алексеевича", "главный инженер" "главного инженера".
// Gender words: a format of two texts parted by a vertical bar ("именуемый|именуемая") gives the
// first for a man and the second for a woman, as GenderOfValue tells the value's gender.
// When the gender or the form cannot be told, a case gives the value as written and a gender word
// both texts parted by "/" ("именуемый/именуемая"); ApplyFieldFormats says so through untold.
// An empty value (or blanks only) gives empty text for the letter case formats and does not fit the
// others.

// The field and format of a placeholder's inner text: the text after the last ":" is the format,
// the text before it the field, both trimmed. False when there is no ":" or either part is empty;
// field and format are then emptied.
bool SplitFieldFormat(const QString &inner, QString &field, QString &format);

// One way to read a placeholder's inner text: a field, and the formats its value is written in,
// applied from left to right.
struct FieldFormatReading
{
    QString field;
    QStringList formats;
};

// The ways to read inner as a field with formats, the longest field first: "ФИО:родительный:
// фамилия и.о." is the field "ФИО:родительный" in the format "фамилия и.о.", then the field "ФИО"
// in the formats "родительный" and "фамилия и.о.". The first reading whose field exists is the
// one meant. Empty when inner has no field with a format.
QList<FieldFormatReading> FieldFormatReadings(const QString &inner);

// True when format names a known format (letter case ignored, inner runs of blanks count as one).
bool IsKnownFieldFormat(const QString &format);

// True when format puts a value in a grammatical case ("родительный", "кому"…).
bool IsCaseFieldFormat(const QString &format);

// The value written in the format; std::nullopt when the format is unknown or the value does not fit it.
std::optional<QString> ApplyFieldFormat(const QString &format, const QString &value);

// The value written in each format in turn, from the left; std::nullopt when a format is unknown
// or a value does not fit. untold, when given, is set when a case or a gender word could not tell
// the gender or the form of the value it was given.
std::optional<QString> ApplyFieldFormats(const QStringList &formats, const QString &value, bool *untold = nullptr);

// Formats whose names are read once, for values written in them again and again (a placeholder
// of a template read once, a line field): apply() gives what ApplyFieldFormats gives for the
// same names, without finding the formats by name on every value.
class FieldFormatChain
{
public:
    // No formats: every value is written as it is.
    FieldFormatChain() = default;

    // The formats named, applied from the left.
    explicit FieldFormatChain(const QStringList &formats);

    // The value written in each format in turn; as ApplyFieldFormats(formats, value, untold).
    std::optional<QString> apply(const QString &value, bool *untold = nullptr) const;

    // True when the chain has no formats.
    bool isEmpty() const { return m_steps.isEmpty(); }

private:
    // One format as its name was read: which one it is (negative when unknown or a gender word)
    // and, for a gender word, its texts for a man and for a woman.
    struct Step
    {
        int kind = -1;
        QString man;
        QString woman;
    };

    // The value in one format; untold as ApplyFieldFormats sets it.
    static std::optional<QString> applyStep(const Step &step, const QString &value, bool *untold);

    QList<Step> m_steps;
};

// The number in Russian words: "ноль" for 0, "минус " before a negative number, every qint64
// (up to "квинтиллион"). feminine agrees the last word with a feminine noun: 1 "одна", 2 "две"
// (as before "тысяча"); 1000 is always "одна тысяча", 1000000 "один миллион".
QString NumberInWords(qint64 n, bool feminine = false);

// The fields that placeholder names stand for, for a list of fields: "field:format" with a known
// format gives its field (a chain of known formats too: "ФИО:родительный:фамилия и.о." gives "ФИО"),
// any other name stays; each name once (letter case as cs), in order.
QStringList PlainFieldNames(const QStringList &names, Qt::CaseSensitivity cs);

// A value read as the number formats read it, in millionths (a seventh decimal rounds half up);
// std::nullopt when it is no number or its whole part is beyond 999 999 999 999.
std::optional<qint64> ReadFieldNumber(const QString &value);

// A number in millionths as decimal text the number formats read: "-1055,5", "12".
QString FieldNumberText(qint64 micro);

// The names of all formats, as the table of the README writes them.
QStringList KnownFieldFormats();

} // namespace dokrava
