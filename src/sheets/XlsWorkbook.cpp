#include "sheets/XlsWorkbook.h"

#include "base/CopyFileSafely.h"
#include "base/DokravaError.h"
#include "base/LibraryFileName.h"
#include "base/PendingFile.h"
#include "base/ScratchFolder.h"
#include "sheets/CellText.h"
#include "sheets/XlsxWorkbook.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <freexl.h>

#include <exception>

namespace dokrava {

namespace {

QString label(const QString &path)
{
    return QDir::toNativeSeparators(path);
}

QString openError(const QString &path, int code)
{
    if (code == FREEXL_FILE_NOT_FOUND)
        return QStringLiteral("Не удалось открыть файл \"%1\"").arg(label(path));
    if (code == FREEXL_INSUFFICIENT_MEMORY)
        return QStringLiteral("Недостаточно памяти для чтения файла \"%1\"").arg(label(path));
    return QStringLiteral("Файл \"%1\" повреждён или не является книгой Excel 97-2003 (.xls)").arg(label(path));
}

QString valueText(const FreeXL_CellValue &v)
{
    switch (v.type) {
    case FREEXL_CELL_INT:
        return QString::number(v.value.int_value);
    case FREEXL_CELL_DOUBLE:
        return CellText::number(v.value.double_value);
    case FREEXL_CELL_TEXT:
    case FREEXL_CELL_SST_TEXT:
        return QString::fromUtf8(v.value.text_value);
    case FREEXL_CELL_DATE:
    case FREEXL_CELL_DATETIME:
        return CellText::isoDate(QString::fromUtf8(v.value.text_value).replace(QLatin1Char(' '), QLatin1Char('T')));
    case FREEXL_CELL_TIME:
        return CellText::isoDate(QString::fromUtf8(v.value.text_value));
    default:
        return QString();
    }
}

} // namespace

XlsWorkbook::XlsWorkbook(TFileConverter converter)
    : m_converter(std::move(converter))
{
}

XlsWorkbook::~XlsWorkbook()
{
    if (m_handle)
        freexl_close(m_handle);
}

void XlsWorkbook::open(const QString &path)
{
    close();
    if (!QFileInfo(path).isFile())
        throw DokravaError(QStringLiteral("Файл \"%1\" не найден").arg(label(path)));
    const void *handle = nullptr;
    const int rc = freexl_open(LibraryFileName(path).constData(), &handle);
    if (rc != FREEXL_OK) {
        if (handle)
            freexl_close(handle);
        throw DokravaError(openError(path, rc));
    }
    m_handle = handle;
    unsigned int info = 0;
    if (freexl_get_info(m_handle, FREEXL_BIFF_PASSWORD, &info) == FREEXL_OK && info == FREEXL_BIFF_OBFUSCATED) {
        close();
        throw DokravaError(QStringLiteral("Книга \"%1\" защищена паролем").arg(label(path)));
    }
    unsigned int count = 0;
    freexl_get_info(m_handle, FREEXL_BIFF_SHEET_COUNT, &count);
    for (unsigned int i = 0; i < count && i < 65535; ++i) {
        const char *name = nullptr;
        freexl_get_worksheet_name(m_handle, (unsigned short)i, &name);
        m_names << QString::fromUtf8(name ? name : "");
    }
    if (m_names.isEmpty()) {
        close();
        throw DokravaError(openError(path, FREEXL_OK));
    }
    QFile file(path);
    if (file.open(QIODevice::ReadOnly))
        m_formulaCells = XlsFormulaCells::read(file.readAll());
    m_path = path;
    setActiveSheet(0);
}

QStringList XlsWorkbook::sheetNames() const
{
    return m_names;
}

void XlsWorkbook::loadSheet(int index)
{
    if (freexl_select_active_worksheet(m_handle, (unsigned short)index) != FREEXL_OK)
        throw DokravaError(openError(m_path, FREEXL_OK));
    unsigned int rows = 0;
    unsigned short cols = 0;
    if (freexl_worksheet_dimensions(m_handle, &rows, &cols) != FREEXL_OK)
        return;
    for (unsigned int r = 0; r < rows; ++r) {
        for (unsigned short c = 0; c < cols; ++c) {
            FreeXL_CellValue v;
            if (freexl_get_cell_value(m_handle, r, c, &v) != FREEXL_OK || v.type == FREEXL_CELL_NULL)
                continue;
            cells().insert(key(int(r) + 1, int(c) + 1), valueText(v));
        }
    }
    if (index < m_formulaCells.size())
        for (auto it = m_formulaCells[index].cbegin(); it != m_formulaCells[index].cend(); ++it)
            cells().insert(it.key(), it.value());
}

void XlsWorkbook::close()
{
    if (m_handle)
        freexl_close(m_handle);
    m_handle = nullptr;
    m_names.clear();
    m_formulaCells.clear();
    TSpreadsheet::close();
}

QString XlsWorkbook::convertOrKeep(const QString &input, const QString &outDir, const QString &target) const
{
    // The converter's own message names the scratch copy; the user knows the workbook.
    try {
        return m_converter(input, outDir, target);
    } catch (const DokravaError &) {
        throw DokravaError(QStringLiteral("LibreOffice не смог сохранить книгу \"%1\" (преобразование не удалось "
                                          "или не закончилось вовремя). Файл не изменён")
                               .arg(label(m_path)));
    }
}

void XlsWorkbook::save()
{
    if (!QFileInfo(m_path).isFile())
        throw DokravaError(QStringLiteral("Файл \"%1\" не найден").arg(label(m_path)));
    if (!m_converter)
        throw DokravaError(QStringLiteral("Книгу .xls можно сохранить только с помощью LibreOffice, а он не найден. "
                                          "Файл \"%1\" не изменён").arg(label(m_path)));
    CheckWritable(m_path);
    ScratchFolder scratch(QStringLiteral("XLS_"));
    // A plain ASCII copy name keeps the converter away from unusual characters in the user's path.
    const QString source = scratch.filePath(QStringLiteral("book.xls"));
    if (!QFile::copy(m_path, source))
        throw DokravaError(QStringLiteral("Не удалось прочитать файл \"%1\"").arg(label(m_path)));
    const QString xlsx = convertOrKeep(source, scratch.filePath(QStringLiteral("xlsx")), QStringLiteral("xlsx"));
    XlsxWorkbook book;
    book.open(xlsx);
    book.setActiveSheet(activeSheet());
    book.clearCells(clearedRows(), clearedCols());
    for (const quint64 k : writtenOutside())
        if (!cells().contains(k))
            book.clearCell(keyRow(k), keyCol(k));
    for (auto it = cells().cbegin(); it != cells().cend(); ++it)
        if (rewritten(keyRow(it.key()), keyCol(it.key())))
            book.setCellText(keyRow(it.key()), keyCol(it.key()), it.value());
    book.save();
    book.close();
    const QString xls = convertOrKeep(xlsx, scratch.filePath(QStringLiteral("xls")), QStringLiteral("xls:MS Excel 97"));
    replaceFileWith(xls);
}

void XlsWorkbook::replaceFileWith(const QString &xls)
{
    // libfreexl keeps the file open, and Windows replaces no file that is held open: it lets go
    // of the file meanwhile.
    freexl_close(m_handle);
    m_handle = nullptr;
    std::exception_ptr failure;
    try {
        CopyFileSafely(xls, m_path);
    } catch (...) {
        failure = std::current_exception();
    }
    const void *handle = nullptr;
    if (freexl_open(LibraryFileName(m_path).constData(), &handle) == FREEXL_OK)
        m_handle = handle;
    else if (handle)
        freexl_close(handle);
    if (failure)
        std::rethrow_exception(failure);
}

} // namespace dokrava
