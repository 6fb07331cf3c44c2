#include "cli/Cli.h"

#include <map>

namespace dokrava {

namespace {

const char *const kUsage =
    "Использование:\n"
    "  dokrava-cli fields FILE...\n"
    "  dokrava-cli table FILE [--sheet N]\n"
    "  dokrava-cli fill TEMPLATE OUTPUT NAME=VALUE...\n"
    "  dokrava-cli generate --templates DIR --data FILE --out DIR\n"
    "      [--sheet N] [--format native|pdf] [--naming template|column] [--column FIELD]\n"
    "      [--order template|column] [--rows all|LIST] [--only NAME,...] [--personal FILE] [--colontit]\n"
    "      [--converter FILE|none] [--check] [--combine [--duplex] [--copies N]]\n"
    "  dokrava-cli check --templates DIR --data FILE\n"
    "      [--sheet N] [--format native|pdf] [--naming template|column] [--column FIELD]\n"
    "      [--order template|column] [--rows all|LIST] [--only NAME,...] [--personal FILE] [--colontit]\n"
    "      [--converter FILE|none]\n"
    "  dokrava-cli КОМАНДА --help: что делает команда и её параметры\n";

// The options that generate and check share, one line each.
const char *const kRunOptions =
    "  --templates DIR          папка шаблонов (.odt, .docx, .doc, вложенные папки тоже)\n"
    "  --data FILE              таблица данных (.ods, .xlsx, .xls, .csv)\n"
    "  --sheet N                лист книги, считая с 1\n"
    "  --format native|pdf      формат документов: как у шаблона или PDF через LibreOffice\n"
    "  --naming template|column папки по шаблону или по колонке\n"
    "  --order template|column  имя файла «Шаблон-Значение» или «Значение-Шаблон»\n"
    "                           (по умолчанию как у папок)\n"
    "  --column FIELD           колонка для имён папок и файлов (по умолчанию первая)\n"
    "  --rows all|LIST          записи: все или номера с 1 и диапазоны (1,3,5-7)\n"
    "  --only NAME,...          только эти шаблоны (имя файла или путь в папке шаблонов)\n"
    "  --personal FILE          личные поля для шаблонов Word (в формате replace.ini)\n"
    "  --colontit               заполнять и колонтитулы шаблонов Word\n"
    "  --converter FILE|none    конвертер LibreOffice (none: работать без него)\n";

const char *const kHelpOption = "  -h, --help               эта справка\n";

QString text(const char *utf8)
{
    return QString::fromUtf8(utf8);
}

} // namespace

namespace Cli {

QString usage()
{
    return text(kUsage);
}

bool wantsHelp(const QStringList &args)
{
    return args.contains(QLatin1String("--help")) || args.contains(QLatin1String("-h"));
}

bool isOption(const QString &arg)
{
    return arg.size() > 1 && arg.startsWith(QLatin1Char('-'));
}

UsageError unknownOption(const QString &arg)
{
    return UsageError{QStringLiteral("Неизвестный параметр «%1»").arg(arg)};
}

QString commandHelp(const QString &command)
{
    static const std::map<QString, QString> help = {
        {QStringLiteral("fields"),
         text("dokrava-cli fields FILE...\n"
              "Печатает поля шаблонов (.odt, .docx, .doc): общий список по алфавиту, по одному в строке.\n"
              "  FILE                     файл шаблона; можно указать несколько\n")},
        {QStringLiteral("table"),
         text("dokrava-cli table FILE [--sheet N]\n"
              "Печатает таблицу данных так, как её получает окно: строку заголовков, затем по записи в строке,\n"
              "ячейки через табуляцию; \\\\, \\t, \\n, \\r внутри ячейки обозначают обратную косую черту,\n"
              "табуляцию, перевод строки и возврат каретки.\n"
              "  FILE                     таблица данных (.ods, .xlsx, .xls, .csv)\n"
              "  --sheet N                лист книги, считая с 1 (у .ods только первый)\n")},
        {QStringLiteral("fill"),
         text("dokrava-cli fill TEMPLATE OUTPUT NAME=VALUE...\n"
              "Заполняет один шаблон .odt и записывает документ.\n"
              "  TEMPLATE                 шаблон .odt\n"
              "  OUTPUT                   файл документа\n"
              "  NAME=VALUE               значение поля [NAME]; каждое поле один раз\n")},
        {QStringLiteral("generate"),
         text("dokrava-cli generate --templates DIR --data FILE --out DIR [параметры]\n"
              "Формирует документы, как кнопка «Сформировать документы»: по документу на каждую выбранную\n"
              "запись и каждый шаблон. Печатает число созданных документов (и ошибок конвертации в PDF).\n")
             + text(kRunOptions)
             + text("  --out DIR                папка для готовых документов\n"
                    "  --check                  сначала проверить; при ошибках и предупреждениях ничего не формировать\n"
                    "  --combine                ещё и один PDF для печати на шаблон: «<шаблон> — все документы.pdf»\n"
                    "  --duplex                 в нём каждый документ с нечётной страницы (двусторонняя печать)\n"
                    "  --copies N               в нём каждый документ N раз подряд (от 1 до 9)\n")},
        {QStringLiteral("check"),
         text("dokrava-cli check --templates DIR --data FILE [параметры]\n"
              "Проверяет, что возьмёт формирование с теми же параметрами: по находке в строке\n"
              "(уровень, шаблон или запись, текст); код выхода 1 при ошибках и предупреждениях.\n")
             + text(kRunOptions)},
    };
    const auto found = help.find(command);
    return found == help.end() ? usage() : found->second + text(kHelpOption);
}

} // namespace Cli

} // namespace dokrava
