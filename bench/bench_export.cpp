// "导出Excel" over 65,000 orders as the user waits for it — the save dialog
// and the overwrite question answered at once, the progress window shown and
// repainted, the file written beside the target and put in its place, the
// file handed to the shell — against a bare loop that steps through the same
// rows with the engine's C API, converts the same texts to GBK with iconv and
// writes the same records to a file. The two files must be equal byte for
// byte, so the bare side is checked to do exactly the work ours did.
//
// The same for an .xlsx of 100,000 orders, beyond what an .xls holds: ours
// against a bare loop that steps through the rows with the engine's C API
// and writes the same cells with libxlsxwriter, with the same options. The
// two workbooks' sheets must be equal, as Python's zip module reads them.
#include "BenchScreen.h"
#include "BenchSupport.h"

#include "data/LoginSession.h"
#include "orders/ExcelExport.h"
#include "orders/OrderGrid.h"
#include "orders/OrderRegister.h"

#include <QApplication>
#include <QFile>
#include <QFileInfo>
#include <QProcess>
#include <QTemporaryDir>
#include <cerrno>
#include <cstdio>
#include <iconv.h>
#include <sqlite3.h>
#include <string>
#include <vector>
#include <xlsxwriter.h>

using namespace kx;

namespace {

constexpr int orderCount = 65000;
constexpr int xlsxOrderCount = 100000;
const QString userName = QStringLiteral("超级管理员");
const QDateTime madeAt(QDate(2026, 12, 10), QTime(9, 30, 15));

struct Paths {
    QString database, ours, bare;
    QString xlsxDatabase, oursXlsx, bareXlsx;
};
Paths& paths()
{
    static Paths p;
    return p;
}

// The moment the list is made, the same on both sides.
class PinnedClock : public Clock {
public:
    QDateTime now() const override { return madeAt; }
};

// The save dialog answers with the file, the overwrite question with Yes;
// any other message means the export failed.
class ExportDialogs : public bench::FailingDialogs {
public:
    explicit ExportDialogs(QString file) : m_file(std::move(file)) {}
    QString saveFileName(QWidget*, const QString&, const QString&, const QString&, const QString&) override
    {
        return m_file;
    }
    QMessageBox::StandardButton message(QWidget* owner, const QString& caption, const QString& text, Icon icon,
                                        QMessageBox::StandardButtons buttons,
                                        QMessageBox::StandardButton defaultButton) override
    {
        if (caption == QStringLiteral("提示"))
            return QMessageBox::Yes;
        return FailingDialogs::message(owner, caption, text, icon, buttons, defaultButton);
    }

private:
    QString m_file;
};

// Counts the files handed to the desktop instead of opening them.
class CountingShell : public Shell {
public:
    int opened = 0;
    void openUrl(const QString&) override {}
    void openFile(const QString&) override { ++opened; }
};

// "导出Excel" run again and again on a screen over `database` into `file`.
void runExport(benchmark::State& state, const QString& database, const QString& file, int orders)
{
    bench::OrderScreen screen(database);
    screen.orders->showAll();
    screen.settle();
    ExportDialogs dialogs(file);
    CountingShell shell;
    PinnedClock clock;
    Platform platform{dialogs, shell, screen.settings, clock};
    LoginSession session;
    session.setUserName(userName);
    ExcelExport command(*screen.orders, *screen.grid, session, platform, screen.grid.get());
    QFile::remove(file);
    int runs = 0;
    for (auto _ : state) {
        command.run();
        ++runs;
    }
    if (shell.opened != runs || screen.orders->currentRow() != orders - 1)
        bench::fail(QStringLiteral("the export did not run to its end"));
}

void export_65k(benchmark::State& state)
{
    runExport(state, paths().database, paths().ours, orderCount);
}

// The bare side's records, little-endian words straight into a buffer.
class BareRecords {
public:
    std::string out;

    void words(std::initializer_list<quint16> list)
    {
        for (quint16 w : list) {
            out.push_back(char(w & 0xFF));
            out.push_back(char(w >> 8));
        }
    }
    void label(int row, int column, const char* utf8, size_t bytes)
    {
        const size_t at = out.size();
        words({0x0204, 0, quint16(row), quint16(column), 0, 0});
        appendGbk(utf8, bytes);
        const auto n = quint16(out.size() - at - 12);
        out[at + 2] = char((8 + n) & 0xFF);
        out[at + 3] = char((8 + n) >> 8);
        out[at + 10] = char(n & 0xFF);
        out[at + 11] = char(n >> 8);
    }
    void label(int row, int column, const QString& text)
    {
        const QByteArray utf8 = text.toUtf8();
        label(row, column, utf8.constData(), size_t(utf8.size()));
    }
    void number(int row, int column, double value)
    {
        words({0x0203, 14, quint16(row), quint16(column), 0});
        const char* bytes = reinterpret_cast<const char*>(&value);  // little-endian machine
        out.append(bytes, 8);
    }
    void integer(int row, int column, qint64 value)
    {
        const auto rk = quint32(qint32(value) * 4 + 2);
        words({0x027E, 10, quint16(row), quint16(column), 0, quint16(rk & 0xFFFF), quint16(rk >> 16)});
    }
    void blank(int row, int column) { words({0x0201, 6, quint16(row), quint16(column), 0x0017}); }

    BareRecords() : m_cd(iconv_open("GBK", "UTF-8")) {}
    ~BareRecords() { iconv_close(m_cd); }

private:
    // GBK takes no more bytes than UTF-8 for any character; a character GBK
    // lacks becomes one "?".
    void appendGbk(const char* utf8, size_t bytes)
    {
        const size_t at = out.size();
        out.resize(at + bytes);
        char* in = const_cast<char*>(utf8);
        size_t inLeft = bytes;
        char* o = out.data() + at;
        size_t outLeft = bytes;
        while (inLeft > 0) {
            if (iconv(m_cd, &in, &inLeft, &o, &outLeft) != size_t(-1))
                break;
            *o++ = '?';
            --outLeft;
            const auto lead = static_cast<unsigned char>(*in);
            const size_t skip = lead < 0xC0 ? 1 : lead < 0xE0 ? 2 : lead < 0xF0 ? 3 : 4;
            in += std::min(skip, inLeft);
            inLeft -= std::min(skip, inLeft);
            iconv(m_cd, nullptr, nullptr, nullptr, nullptr);
        }
        out.resize(size_t(o - out.data()));
    }

    iconv_t m_cd;
};

// The register's columns the grid shows, in its order.
const std::vector<QByteArray> gridFields = {"a", "b", "c", "d", "g", "day1", "h", "1", "2", "i", "j", "z"};

// The statement's columns in the grid's order: the grid's fields first, the
// rest after them, as the export lays them out.
std::vector<int> gridColumnOrder(sqlite3_stmt* st)
{
    std::vector<int> columnOf;
    for (const QByteArray& name : gridFields)
        for (int c = 0; c < sqlite3_column_count(st); ++c)
            if (name == sqlite3_column_name(st, c))
                columnOf.push_back(c);
    for (int c = 0; c < sqlite3_column_count(st); ++c)
        if (std::find(columnOf.begin(), columnOf.end(), c) == columnOf.end())
            columnOf.push_back(c);
    return columnOf;
}

void export_65k_bare(benchmark::State& state)
{
    bench::BareDb bare(paths().database);
    const QStringList upper = {"收 货 信 息", "收 货 信 息", "收 货 信 息", "打 印", "打 印", "商 品 信 息",
                               "商 品 信 息", "商 品 信 息", "商 品 信 息", "商 品 信 息", "商 品 信 息", "商 品 信 息"};
    const QStringList lower = {"姓 名", "手 机", "地 址", " 快 递", " 状 态", "付款日期", "名 称", "数量", "金额",
                               "会员名", "订单编号", "备 注"};
    const QByteArray path = QFile::encodeName(paths().bare);
    for (auto _ : state) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(bare.db, "select * from data", -1, &st, nullptr) != SQLITE_OK)
            bench::fail(QString::fromUtf8(sqlite3_errmsg(bare.db)));
        const std::vector<int> columnOf = gridColumnOrder(st);

        std::FILE* file = std::fopen(path.constData(), "wb");
        if (!file)
            bench::fail(QStringLiteral("cannot write ") + paths().bare);
        BareRecords r;
        r.out.reserve(1 << 21);
        r.words({0x0809, 8, 0x0000, 0x0010, 0x0000, 0x0000});
        r.words({0x0042, 2, 936});
        r.label(0, 3, QStringLiteral("快递单打印清单"));
        r.label(1, 0, QStringLiteral("制表人：") + userName);
        r.label(1, 5, QStringLiteral("制表时间：2026-12-10 09:30:15"));
        for (int c = 0; c < 12; ++c)
            r.label(2, c, upper[c]);
        for (int c = 0; c < 12; ++c)
            r.label(3, c, lower[c]);
        int row = 4;
        while (sqlite3_step(st) == SQLITE_ROW) {
            for (size_t c = 0; c < columnOf.size(); ++c) {
                const int f = columnOf[c];
                switch (sqlite3_column_type(st, f)) {
                case SQLITE_NULL:
                    r.blank(row, int(c));
                    break;
                case SQLITE_INTEGER:
                    r.integer(row, int(c), sqlite3_column_int64(st, f));
                    break;
                case SQLITE_FLOAT:
                    r.number(row, int(c), sqlite3_column_double(st, f));
                    break;
                case SQLITE_BLOB:
                    r.label(row, int(c), "", 0);
                    break;
                default:
                    r.label(row, int(c), reinterpret_cast<const char*>(sqlite3_column_text(st, f)),
                            size_t(sqlite3_column_bytes(st, f)));
                }
            }
            ++row;
            if (r.out.size() >= (1 << 20)) {
                std::fwrite(r.out.data(), 1, r.out.size(), file);
                r.out.clear();
            }
        }
        sqlite3_finalize(st);
        r.label(row, 0, QStringLiteral("总计"));
        r.label(row, 1, QStringLiteral("共%1条记录").arg(orderCount));
        for (int c = 2; c < 12; ++c)
            r.label(row, c, QString());
        r.words({0x000A, 0});
        std::fwrite(r.out.data(), 1, r.out.size(), file);
        if (std::fclose(file) != 0)
            bench::fail(QStringLiteral("cannot write ") + paths().bare);
    }
}

// The register of 100,000 orders, made once when a benchmark first needs it.
const QString& xlsxDatabase()
{
    static const bool made = [] {
        kx::bench::makeOrdersDatabase(paths().xlsxDatabase, xlsxOrderCount);
        return true;
    }();
    Q_UNUSED(made);
    return paths().xlsxDatabase;
}

void export_xlsx_100k(benchmark::State& state)
{
    runExport(state, xlsxDatabase(), paths().oursXlsx, xlsxOrderCount);
}

// A stored date "yyyy-mm-dd" or "yyyy-mm-dd hh:mm:ss".
bool bareDate(const char* text, int bytes, lxw_datetime& at, bool& withTime)
{
    int seconds = 0, used = 0;
    at = {};
    withTime = false;
    if (bytes == 19 && std::sscanf(text, "%4d-%2d-%2d %2d:%2d:%2d%n", &at.year, &at.month, &at.day, &at.hour,
                                   &at.min, &seconds, &used) == 6 && used == 19) {
        at.sec = seconds;
        withTime = true;
        return true;
    }
    return bytes == 10 && std::sscanf(text, "%4d-%2d-%2d%n", &at.year, &at.month, &at.day, &used) == 3 && used == 10;
}

void export_xlsx_100k_bare(benchmark::State& state)
{
    bench::BareDb bare(xlsxDatabase());
    const std::vector<std::string> upper = {"收 货 信 息", "收 货 信 息", "收 货 信 息", "打 印", "打 印",
                                            "商 品 信 息", "商 品 信 息", "商 品 信 息", "商 品 信 息",
                                            "商 品 信 息", "商 品 信 息", "商 品 信 息"};
    const std::vector<std::string> lower = {"姓 名", "手 机", "地 址", " 快 递", " 状 态", "付款日期", "名 称",
                                            "数量", "金额", "会员名", "订单编号", "备 注"};
    const QByteArray path = QFile::encodeName(paths().bareXlsx);
    const std::string user = (QStringLiteral("制表人：") + userName).toStdString();
    const std::string footerCount = QStringLiteral("共%1条记录").arg(xlsxOrderCount).toStdString();
    for (auto _ : state) {
        sqlite3_stmt* st = nullptr;
        if (sqlite3_prepare_v2(bare.db, "select * from data", -1, &st, nullptr) != SQLITE_OK)
            bench::fail(QString::fromUtf8(sqlite3_errmsg(bare.db)));
        const std::vector<int> columnOf = gridColumnOrder(st);
        const int dateColumn = 5;

        lxw_workbook_options options{};
        options.constant_memory = LXW_TRUE;
        lxw_workbook* book = workbook_new_opt(path.constData(), &options);
        lxw_worksheet* sheet = book ? workbook_add_worksheet(book, nullptr) : nullptr;
        if (!sheet)
            bench::fail(QStringLiteral("libxlsxwriter made no workbook"));
        lxw_format* dateFormat = workbook_add_format(book);
        format_set_num_format(dateFormat, "yyyy-mm-dd");
        lxw_format* dateTimeFormat = workbook_add_format(book);
        format_set_num_format(dateTimeFormat, "yyyy-mm-dd hh:mm:ss");
        lxw_error error = LXW_NO_ERROR;
        auto check = [&error](lxw_error e) {
            if (e != LXW_NO_ERROR && error == LXW_NO_ERROR)
                error = e;
        };
        check(worksheet_write_string(sheet, 0, 3, "快递单打印清单", nullptr));
        check(worksheet_write_string(sheet, 1, 0, user.c_str(), nullptr));
        check(worksheet_write_string(sheet, 1, 5, "制表时间：2026-12-10 09:30:15", nullptr));
        for (lxw_col_t c = 0; c < 12; ++c)
            check(worksheet_write_string(sheet, 2, c, upper[c].c_str(), nullptr));
        for (lxw_col_t c = 0; c < 12; ++c)
            check(worksheet_write_string(sheet, 3, c, lower[c].c_str(), nullptr));
        lxw_row_t row = 4;
        while (sqlite3_step(st) == SQLITE_ROW) {
            for (size_t c = 0; c < columnOf.size(); ++c) {
                const int f = columnOf[c];
                const auto column = lxw_col_t(c);
                switch (sqlite3_column_type(st, f)) {
                case SQLITE_NULL:
                    break;
                case SQLITE_INTEGER:
                case SQLITE_FLOAT:
                    check(worksheet_write_number(sheet, row, column, sqlite3_column_double(st, f), nullptr));
                    break;
                case SQLITE_BLOB:
                    break;
                default: {
                    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st, f));
                    const int bytes = sqlite3_column_bytes(st, f);
                    lxw_datetime at;
                    bool withTime = false;
                    if (bytes == 0)
                        break;
                    if (int(c) == dateColumn && bareDate(text, bytes, at, withTime))
                        check(worksheet_write_datetime(sheet, row, column, &at,
                                                       withTime ? dateTimeFormat : dateFormat));
                    else
                        check(worksheet_write_string(sheet, row, column, text, nullptr));
                }
                }
            }
            ++row;
        }
        sqlite3_finalize(st);
        check(worksheet_write_string(sheet, row, 0, "总计", nullptr));
        check(worksheet_write_string(sheet, row, 1, footerCount.c_str(), nullptr));
        check(workbook_close(book));
        if (error != LXW_NO_ERROR)
            bench::fail(QString::fromUtf8(lxw_strerror(error)));
    }
}

// The bare side's reading alone, for what its time is made of: our export
// reads the rows the show-all already fetched, the bare loop steps through
// the encrypted file for them.
void read_65k_bare(benchmark::State& state)
{
    bench::BareDb bare(paths().database);
    bench::ResultCheck read;
    for (auto _ : state) {
        read = bench::readAll(bare.db, "select * from data");
        benchmark::DoNotOptimize(read);
    }
    if (read.rows != orderCount)
        bench::fail(QStringLiteral("the bare read found %1").arg(read.toString()));
}

QByteArray contents(const QString& path)
{
    QFile f(path);
    return f.open(QIODevice::ReadOnly) ? f.readAll() : QByteArray();
}

// The parts that hold the cells, compared as Python's zip module reads them
// (the workbooks' own creation times differ).
QString sameSheets(const QString& ours, const QString& bare)
{
    QProcess py;
    py.start(QStringLiteral("/usr/bin/python3"),
             {QStringLiteral("-c"),
              QStringLiteral("import sys, zipfile\n"
                             "a, b = (zipfile.ZipFile(p) for p in sys.argv[1:3])\n"
                             "parts = ['xl/worksheets/sheet1.xml', 'xl/styles.xml']\n"
                             "same = all(a.read(p) == b.read(p) for p in parts)\n"
                             "print(len(a.read(parts[0])) if same else 'differ')\n"),
              ours, bare});
    if (!py.waitForFinished(120000) || py.exitCode() != 0)
        kx::bench::fail(QStringLiteral("python could not read the workbooks: ") +
                        QString::fromUtf8(py.readAllStandardError()));
    const QString out = QString::fromUtf8(py.readAllStandardOutput()).trimmed();
    if (out == QStringLiteral("differ"))
        kx::bench::fail(QStringLiteral("the workbooks' sheets differ"));
    return QStringLiteral("sheet part of %1 bytes equal to the bare one's").arg(out);
}

}  // namespace

// Ours first: the bare side's file is compared with ours at the end.
BENCHMARK(export_65k)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(export_65k_bare)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(read_65k_bare)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(export_xlsx_100k)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(export_xlsx_100k_bare)->Unit(benchmark::kMillisecond)->UseRealTime();

int main(int argc, char** argv)
{
    if (qEnvironmentVariableIsEmpty("QT_QPA_PLATFORM"))
        qputenv("QT_QPA_PLATFORM", "offscreen");
    QApplication app(argc, argv);
    QTemporaryDir dir;
    paths() = {dir.filePath(QStringLiteral("data.mdb")),     dir.filePath(QStringLiteral("ours.xls")),
               dir.filePath(QStringLiteral("bare.xls")),     dir.filePath(QStringLiteral("data100k.mdb")),
               dir.filePath(QStringLiteral("ours.xlsx")),    dir.filePath(QStringLiteral("bare.xlsx"))};
    kx::bench::makeOrdersDatabase(paths().database, orderCount);
    kx::bench::addRatio("export_65k", "export_65k", "export_65k_bare");
    kx::bench::addMs("export_65k", "export_65k");
    kx::bench::addMs("export_65k_bare", "export_65k_bare");
    kx::bench::addMs("read_65k_bare", "read_65k_bare");
    kx::bench::addRatio("export_xlsx_100k", "export_xlsx_100k", "export_xlsx_100k_bare");
    kx::bench::addMs("export_xlsx_100k", "export_xlsx_100k");
    kx::bench::addMs("export_xlsx_100k_bare", "export_xlsx_100k_bare");
    kx::bench::addNote([] {
        if (!QFile::exists(paths().ours) && !QFile::exists(paths().bare))
            return QStringLiteral("export_65k not run");
        const QByteArray ours = contents(paths().ours), bare = contents(paths().bare);
        if (ours.isEmpty() || ours != bare)
            kx::bench::fail(QStringLiteral("the files differ: ours %1 bytes, bare %2 bytes")
                                .arg(ours.size())
                                .arg(bare.size()));
        return QStringLiteral("export_65k file=%1MB, equal to the bare file").arg(double(ours.size()) / 1048576.0, 0,
                                                                                  'f', 1);
    });
    kx::bench::addNote([] {
        if (!QFile::exists(paths().oursXlsx) && !QFile::exists(paths().bareXlsx))
            return QStringLiteral("export_xlsx_100k not run");
        return QStringLiteral("export_xlsx_100k file=%1MB, %2")
            .arg(double(QFileInfo(paths().oursXlsx).size()) / 1048576.0, 0, 'f', 1)
            .arg(sameSheets(paths().oursXlsx, paths().bareXlsx));
    });
    return kx::bench::runBenchmarks(argc, argv);
}
