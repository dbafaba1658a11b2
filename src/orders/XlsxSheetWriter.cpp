#include "orders/XlsxSheetWriter.h"

#include <QDate>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <atomic>
#include <chrono>
#include <filesystem>
#include <system_error>
#include <thread>
#include <xlsxwriter.h>

namespace kx {

namespace {

bool digits(QStringView s, qsizetype from, qsizetype count, int& value)
{
    value = 0;
    for (qsizetype i = from; i < from + count; ++i) {
        const char16_t c = s[i].unicode();
        if (c < u'0' || c > u'9')
            return false;
        value = value * 10 + (c - u'0');
    }
    return true;
}

// "yyyy-mm-dd", or "yyyy-mm-dd hh:mm:ss", as the register stores dates; a
// year the format cannot show (before 1900) is no date for it.
bool storedDateTime(QStringView s, lxw_datetime& at, bool& withTime)
{
    if (s.size() != 10 && s.size() != 19)
        return false;
    if (s[4] != u'-' || s[7] != u'-')
        return false;
    at = {};
    if (!digits(s, 0, 4, at.year) || !digits(s, 5, 2, at.month) || !digits(s, 8, 2, at.day))
        return false;
    if (at.year < 1900 || !QDate::isValid(at.year, at.month, at.day))
        return false;
    withTime = s.size() == 19;
    if (!withTime)
        return true;
    int seconds = 0;
    if (s[10] != u' ' || s[13] != u':' || s[16] != u':' || !digits(s, 11, 2, at.hour) ||
        !digits(s, 14, 2, at.min) || !digits(s, 17, 2, seconds))
        return false;
    at.sec = seconds;
    return at.hour < 24 && at.min < 60 && seconds < 60;
}

}  // namespace

XlsxSheetWriter::XlsxSheetWriter(const QString& path) : m_path(path)
{
    // A name of our own beside the target, so that the rename stays on one
    // file system and cannot be half done. Made new here (with the
    // permissions any new file gets), and written by the library at close.
    const QFileInfo target(path);
    for (int attempt = 0; attempt < 100 && m_partPath.isEmpty(); ++attempt) {
        const QString candidate = target.dir().filePath(
            QStringLiteral(".%1.%2.part").arg(target.fileName()).arg(QRandomGenerator::global()->generate(), 8, 16,
                                                                      QLatin1Char('0')));
        QFile part(candidate);
        if (part.open(QIODevice::WriteOnly | QIODevice::NewOnly))
            m_partPath = candidate;
        else if (!part.exists() || attempt == 99) {
            fail(QStringLiteral("无法创建文件"), part.errorString());
            return;
        }
    }

    // Constant memory: each row goes to a temporary file as the next one
    // starts, so a list of a million orders does not sit in memory twice.
    lxw_workbook_options options{};
    options.constant_memory = LXW_TRUE;
    m_workbook = workbook_new_opt(QFile::encodeName(m_partPath).constData(), &options);
    if (m_workbook)
        m_sheet = workbook_add_worksheet(m_workbook, nullptr);
    if (!m_sheet) {
        fail(QStringLiteral("无法创建文件"), QStringLiteral("内存不足"));
        return;
    }
    m_dateFormat = workbook_add_format(m_workbook);
    format_set_num_format(m_dateFormat, "yyyy-mm-dd");
    m_dateTimeFormat = workbook_add_format(m_workbook);
    format_set_num_format(m_dateTimeFormat, "yyyy-mm-dd hh:mm:ss");
}

XlsxSheetWriter::~XlsxSheetWriter()
{
    if (m_workbook)
        lxw_workbook_free(m_workbook);
    if (!m_partPath.isEmpty())
        QFile::remove(m_partPath);
}

void XlsxSheetWriter::fail(const QString& what, const QString& reason)
{
    if (m_error.isEmpty())
        m_error = QStringLiteral("%1（%2）：%3").arg(what, QDir::toNativeSeparators(m_path), reason);
}

void XlsxSheetWriter::check(int error)
{
    if (error != LXW_NO_ERROR)
        fail(QStringLiteral("无法写入文件"), QString::fromUtf8(lxw_strerror(lxw_error(error))));
}

const char* XlsxSheetWriter::utf8(QStringView text)
{
    if (text.size() > maxTextCharacters) {
        // Characters as the format counts them: a pair of surrogates is one.
        qsizetype units = 0;
        for (qsizetype kept = 0; kept < maxTextCharacters && units < text.size(); ++kept)
            units += text[units].isHighSurrogate() && units + 1 < text.size() ? 2 : 1;
        text = text.first(units);
    }
    m_buffer.resize(size_t(text.size()) * 3 + 1);
    char* end = m_buffer.data();
    for (qsizetype i = 0; i < text.size(); ++i) {
        char32_t c = text[i].unicode();
        if (QChar::isHighSurrogate(c) && i + 1 < text.size() && text[i + 1].isLowSurrogate())
            c = QChar::surrogateToUcs4(char16_t(c), text[++i].unicode());
        else if (QChar::isSurrogate(c))
            c = 0xFFFD;  // half a pair has no UTF-8 form
        if (c < 0x80) {
            *end++ = char(c);
        } else if (c < 0x800) {
            *end++ = char(0xC0 | (c >> 6));
            *end++ = char(0x80 | (c & 0x3F));
        } else if (c < 0x10000) {
            *end++ = char(0xE0 | (c >> 12));
            *end++ = char(0x80 | ((c >> 6) & 0x3F));
            *end++ = char(0x80 | (c & 0x3F));
        } else {
            *end++ = char(0xF0 | (c >> 18));
            *end++ = char(0x80 | ((c >> 12) & 0x3F));
            *end++ = char(0x80 | ((c >> 6) & 0x3F));
            *end++ = char(0x80 | (c & 0x3F));
        }
    }
    *end = '\0';
    return m_buffer.data();
}

void XlsxSheetWriter::text(int row, int column, QStringView text)
{
    if (!m_sheet)
        return;
    // An empty text is an empty cell here.
    if (text.isEmpty())
        return;
    check(worksheet_write_string(m_sheet, lxw_row_t(row), lxw_col_t(column), utf8(text), nullptr));
}

void XlsxSheetWriter::number(int row, int column, double value)
{
    if (m_sheet)
        check(worksheet_write_number(m_sheet, lxw_row_t(row), lxw_col_t(column), value, nullptr));
}

void XlsxSheetWriter::date(int row, int column, QStringView stored)
{
    if (!m_sheet)
        return;
    lxw_datetime at;
    bool withTime = false;
    if (!storedDateTime(stored, at, withTime)) {
        text(row, column, stored);
        return;
    }
    check(worksheet_write_datetime(m_sheet, lxw_row_t(row), lxw_col_t(column), &at,
                                   withTime ? m_dateTimeFormat : m_dateFormat));
}

bool XlsxSheetWriter::close(const std::function<void()>& whileWriting)
{
    if (!m_workbook)
        return false;
    // Closing frees the workbook, whatever the outcome.
    lxw_error closed = LXW_NO_ERROR;
    if (whileWriting) {
        std::atomic<bool> done = false;
        std::thread packer([this, &closed, &done] {
            closed = workbook_close(m_workbook);
            done = true;
        });
        while (!done) {
            whileWriting();
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        packer.join();
    } else {
        closed = workbook_close(m_workbook);
    }
    m_workbook = nullptr;
    m_sheet = nullptr;
    check(closed);
    if (!m_error.isEmpty())
        return false;
    // Replaces an existing target in one step (QFile::rename would not).
    std::error_code error;
    std::filesystem::rename(std::filesystem::path(m_partPath.toStdU16String()),
                            std::filesystem::path(m_path.toStdU16String()), error);
    if (error) {
        fail(QStringLiteral("无法保存文件"), QString::fromLocal8Bit(error.message()));
        return false;
    }
    m_partPath.clear();
    return true;
}

}  // namespace kx
