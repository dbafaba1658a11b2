#pragma once

#include <QString>
#include <QStringView>
#include <QtGlobal>
#include <functional>
#include <string>

struct lxw_workbook;
struct lxw_worksheet;
struct lxw_format;

namespace kx {

// One worksheet in an Excel 2007 workbook (.xlsx), written by libxlsxwriter:
// texts in Unicode, numbers and dates as cells of their kind. Cells go in
// row by row, top to bottom (the library keeps only the current row in
// memory). close() writes the workbook into a new file beside the target and
// only then renames it over the target: a failure at any point leaves no
// half file, and an existing file as it was.
class XlsxSheetWriter {
public:
    // The format's own limits.
    static constexpr int maxRows = 1048576;
    static constexpr int maxColumns = 16384;
    // The most characters a cell holds; a longer text is cut to its first
    // 32,767 characters.
    static constexpr qsizetype maxTextCharacters = 32767;

    // Starts a workbook that close() writes to `path`; the new file beside
    // it is made at once, so a folder that takes no file fails here.
    explicit XlsxSheetWriter(const QString& path);
    // Without close(), the workbook is dropped and `path` is not touched.
    ~XlsxSheetWriter();
    XlsxSheetWriter(const XlsxSheetWriter&) = delete;
    XlsxSheetWriter& operator=(const XlsxSheetWriter&) = delete;

    void text(int row, int column, QStringView text);
    void number(int row, int column, double value);
    // A stored date "yyyy-mm-dd" or "yyyy-mm-dd hh:mm:ss" as a date cell
    // shown the same way; any other text as a text cell.
    void date(int row, int column, QStringView stored);
    // An empty cell is no cell at all in this format.
    void blank(int, int) {}

    // Writes the file. False when a cell was refused or the file could not be
    // written; errorString() says why. The library packs the whole workbook
    // in one call, which takes seconds for a long list: it runs beside this
    // thread, which calls `whileWriting` every few hundredths of a second
    // meanwhile (to keep a window painted) and touches nothing of the writer.
    bool close(const std::function<void()>& whileWriting = {});
    // "无法创建文件（path）：…" or "无法写入文件（path）：…"; empty while all is well.
    QString errorString() const { return m_error; }

private:
    void check(int error);
    void fail(const QString& what, const QString& reason);
    const char* utf8(QStringView text);

    QString m_path;
    QString m_partPath;  // the new file beside the target, until renamed
    lxw_workbook* m_workbook = nullptr;
    lxw_worksheet* m_sheet = nullptr;
    lxw_format* m_dateFormat = nullptr;
    lxw_format* m_dateTimeFormat = nullptr;
    std::string m_buffer;
    QString m_error;
};

}  // namespace kx
