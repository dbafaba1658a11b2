// kestrix-check [--schema-only] FILE — tells whether FILE is a database as
// kestrix-newdb makes it, before the program lets a connection of its own
// near it. Exit code 0 and no output: sound. Exit code 1 and one line on
// stdout: the reason it is refused. Exit code 2: wrong arguments.
//
// It runs as a process of its own because the engine crashes on some crafted
// files while it reads their schema: such a file ends this process, which
// the program takes as a refusal, and nothing of the user's is lost.
//
// What it accepts: the file opens read-only with the database key; the rows
// of sqlite_master are exactly those the create script makes (sqlite_sequence
// may be there or not), the statement texts included, so that no trigger,
// view, index or other column comes in with the file; the journal is not
// WAL; and, unless --schema-only, quick_check finds no damage. A file left
// with the journal of a write that was cut off is checked as it will be once
// that journal is played back, on a private copy: the file itself is never
// written.
#include "data/Schema.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QList>
#include <QString>
#include <QStringList>
#include <QTemporaryDir>
#include <algorithm>
#include <cstdio>
#include <csignal>
#include <cstring>
#include <memory>
#include <sqlite3.h>
#include <sys/resource.h>

namespace {

using namespace kx;

// The reason a file is refused; it ends the check.
struct Refusal {
    QString reason;
};

struct DbClose {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using DbHandle = std::unique_ptr<sqlite3, DbClose>;

struct StatementClose {
    void operator()(sqlite3_stmt* st) const { sqlite3_finalize(st); }
};
using StatementHandle = std::unique_ptr<sqlite3_stmt, StatementClose>;

QString engineMessage(sqlite3* db)
{
    return QString::fromUtf8(sqlite3_errmsg(db));
}

// Whether the engine asked for the file's WAL: the file is in WAL mode, or
// a WAL file lies beside it. The program's connections use the rollback
// journal; one that meets a WAL file turns the register itself into WAL,
// with two more files that the backups and the other stations know nothing
// of. The engine is never let open the WAL: a read-only connection would
// leave a WAL file and its index beside the file, and would read whatever
// the WAL file holds.
bool walRequested = false;
sqlite3_vfs* baseVfs = nullptr;

int openRefusingWal(sqlite3_vfs*, const char* name, sqlite3_file* file, int flags, int* outFlags)
{
    if (flags & SQLITE_OPEN_WAL) {
        walRequested = true;
        file->pMethods = nullptr;
        return SQLITE_CANTOPEN;
    }
    return baseVfs->xOpen(baseVfs, name, file, flags, outFlags);
}

// The system's own file access with openRefusingWal in front.
const char* walRefusingVfs()
{
    static sqlite3_vfs vfs = [] {
        baseVfs = sqlite3_vfs_find(nullptr);
        sqlite3_vfs v = *baseVfs;
        v.pNext = nullptr;
        v.zName = "kestrix-check";
        v.xOpen = openRefusingWal;
        return v;
    }();
    static const bool registered = sqlite3_vfs_register(&vfs, 0) == SQLITE_OK;
    return registered ? vfs.zName : nullptr;
}

QString columnText(sqlite3_stmt* st, int column)
{
    const auto* text = reinterpret_cast<const char*>(sqlite3_column_text(st, column));
    return text ? QString::fromUtf8(text, sqlite3_column_bytes(st, column)) : QString();
}

// One row of sqlite_master: what kind of thing, its name, the table it
// belongs to and the statement that made it.
struct SchemaRow {
    QString type;
    QString name;
    QString table;
    QString sql;
    bool operator==(const SchemaRow&) const = default;
};

class Check {
public:
    explicit Check(const QString& path) : m_path(path), m_shown(QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath())) {}

    void run(bool schemaOnly)
    {
        open();
        checkSchema();
        if (!schemaOnly)
            checkIntegrity();
    }

private:
    [[noreturn]] void refuse(const QString& reasonWithPath) const { throw Refusal{reasonWithPath.arg(m_shown)}; }
    [[noreturn]] void refuseDamage(const QString& detail) const
    {
        throw Refusal{QStringLiteral("%1 已损坏（%2）。").arg(m_shown, detail.simplified())};
    }

    void open()
    {
        const QFileInfo info(m_path);
        if (info.isDir())
            refuse(QStringLiteral("%1 是一个文件夹。"));
        if (!info.exists())
            refuse(QStringLiteral("找不到文件 %1。"));
        int rc = openAt(m_path, SQLITE_OPEN_READONLY);
        // A write cut off by a crash or a kill left its journal, which the
        // next read-write connection plays back before anything else. What
        // counts is the file after that: it is made on a private copy.
        if (rc == SQLITE_READONLY_ROLLBACK)
            rc = openRecovered();
        if (walRequested)
            refuse(QStringLiteral("%1 使用了 WAL 日志模式。"));
        if (rc == SQLITE_OK)
            return;
        const QString engine = m_db ? engineMessage(m_db.get()) : QStringLiteral("out of memory");
        if ((rc & 0xff) == SQLITE_NOTADB)
            refuse(QStringLiteral("%1 不是本程序的数据库文件，或者它的密码不同。"));
        if ((rc & 0xff) == SQLITE_CORRUPT)
            refuseDamage(engine);
        throw Refusal{QStringLiteral("无法打开 %1：%2").arg(m_shown, engine)};
    }

    // Opens `path` with the key through the VFS that refuses the WAL and
    // reads the schema once: a wrong key, or a file that is no database at
    // all, shows only at the first read; so does a crafted schema, which may
    // end the process right here. Returns the engine's extended code.
    int openAt(const QString& path, int flags)
    {
        sqlite3* raw = nullptr;
        // The name as the file system has it, whatever its encoding.
        int rc = sqlite3_open_v2(QFile::encodeName(path).constData(), &raw, flags, walRefusingVfs());
        m_db.reset(raw);
        if (rc != SQLITE_OK)
            return rc;
        sqlite3_extended_result_codes(raw, 1);
        // Another station writing at this moment holds the file briefly.
        sqlite3_busy_timeout(raw, 2000);
        rc = sqlite3_key(raw, schema::databaseKey.constData(), int(schema::databaseKey.size()));
        if (rc == SQLITE_OK)
            rc = sqlite3_exec(raw, "select count(*) from sqlite_master", nullptr, nullptr, nullptr);
        return rc;
    }

    int openRecovered()
    {
        m_db.reset();
        m_copy = std::make_unique<QTemporaryDir>();
        const QString copy = m_copy->filePath(QStringLiteral("check.mdb"));
        const QString journal = QStringLiteral("-journal");
        if (!m_copy->isValid() || !QFile::copy(m_path, copy) || !QFile::copy(m_path + journal, copy + journal))
            throw Refusal{QStringLiteral("无法检查 %1：无法复制它和它的日志文件。").arg(m_shown)};
        // A write-protected original gives a write-protected copy.
        for (const QString& f : {copy, copy + journal})
            QFile::setPermissions(f, QFile::ReadOwner | QFile::WriteOwner);
        return openAt(copy, SQLITE_OPEN_READWRITE);
    }

    static QList<SchemaRow> schemaRows(sqlite3* db, const QString& shown)
    {
        sqlite3_stmt* raw = nullptr;
        if (sqlite3_prepare_v2(db, "select type, name, tbl_name, sql from sqlite_master", -1, &raw, nullptr) !=
            SQLITE_OK)
            throw Refusal{QStringLiteral("无法读取 %1：%2").arg(shown, engineMessage(db))};
        const StatementHandle st(raw);
        QList<SchemaRow> rows;
        int rc;
        while ((rc = sqlite3_step(raw)) == SQLITE_ROW)
            rows.append({columnText(raw, 0), columnText(raw, 1), columnText(raw, 2), columnText(raw, 3)});
        if (rc != SQLITE_DONE)
            throw Refusal{QStringLiteral("%1 已损坏（%2）。").arg(shown, engineMessage(db))};
        return rows;
    }

    // What a new register holds: the create script run by the same engine,
    // so that the texts are stored exactly as kestrix-newdb stores them.
    static QList<SchemaRow> newRegisterRows()
    {
        sqlite3* raw = nullptr;
        sqlite3_open(":memory:", &raw);
        const DbHandle db(raw);
        const QByteArray script = schema::createScript().toUtf8();
        if (sqlite3_exec(raw, script.constData(), nullptr, nullptr, nullptr) != SQLITE_OK)
            throw Refusal{QStringLiteral("检查程序无法建立对照的数据库：%1").arg(engineMessage(raw))};
        return schemaRows(raw, QStringLiteral(":memory:"));
    }

    static QString kindOf(const QString& type)
    {
        if (type == QLatin1String("table"))
            return QStringLiteral("数据表");
        if (type == QLatin1String("index"))
            return QStringLiteral("索引");
        if (type == QLatin1String("view"))
            return QStringLiteral("视图");
        if (type == QLatin1String("trigger"))
            return QStringLiteral("触发器");
        return type;
    }

    void checkSchema() const
    {
        QList<SchemaRow> expected = newRegisterRows();
        // The engine makes sqlite_sequence with the first table that counts
        // its keys; a file from elsewhere may lack it until a key is counted.
        SchemaRow sequence;
        for (qsizetype i = 0; i < expected.size(); ++i)
            if (expected[i].name == QLatin1String("sqlite_sequence"))
                sequence = expected.takeAt(i--);

        QStringList extra;
        QStringList different;
        for (const SchemaRow& row : schemaRows(m_db.get(), m_shown)) {
            if (expected.removeOne(row) || row == sequence)
                continue;
            // Names are compared as the engine compares them.
            const auto same = [&row](const SchemaRow& e) { return e.name.compare(row.name, Qt::CaseInsensitive) == 0; };
            const auto ours = std::find_if(expected.begin(), expected.end(), same);
            if (ours != expected.end() || row.name.compare(sequence.name, Qt::CaseInsensitive) == 0) {
                different << row.name;
                if (ours != expected.end())
                    expected.erase(ours);
            } else {
                extra << kindOf(row.type) + QLatin1Char(' ') + row.name;
            }
        }
        const QString list = QStringLiteral("、");
        if (!extra.isEmpty())
            throw Refusal{QStringLiteral("%1 含有本程序不会建立的内容：%2。").arg(m_shown, extra.join(list))};
        if (!different.isEmpty())
            throw Refusal{QStringLiteral("%1 的数据表 %2 与本程序的不同。").arg(m_shown, different.join(list))};
        if (!expected.isEmpty()) {
            QStringList missing;
            for (const SchemaRow& row : expected)
                missing << row.name;
            throw Refusal{QStringLiteral("%1 不是本程序的数据库：缺少数据表 %2。").arg(m_shown, missing.join(list))};
        }
    }

    // quick_check answers one row "ok", or one row per damage found; a page
    // whose encryption does not check out stops it with an error instead.
    void checkIntegrity() const
    {
        sqlite3_stmt* raw = nullptr;
        if (sqlite3_prepare_v2(m_db.get(), "PRAGMA quick_check", -1, &raw, nullptr) != SQLITE_OK)
            refuseDamage(engineMessage(m_db.get()));
        const StatementHandle st(raw);
        const QString first = sqlite3_step(raw) == SQLITE_ROW ? columnText(raw, 0) : engineMessage(m_db.get());
        if (first != QLatin1String("ok"))
            refuseDamage(first);
    }

    QString m_path;
    QString m_shown;
    std::unique_ptr<QTemporaryDir> m_copy;  // the played-back copy, when there is one
    DbHandle m_db;
};

}  // namespace

int main(int argc, char** argv)
{
    // A crafted file may crash the engine here; that is an answer, and a
    // core file of it would only spread the file's content further.
    const rlimit noCore{0, 0};
    setrlimit(RLIMIT_CORE, &noCore);
    // The crash itself is the answer the program reads: no handler may turn
    // it into an ordinary exit (a sanitizer's runtime installs one).
    std::signal(SIGSEGV, SIG_DFL);
    std::signal(SIGBUS, SIG_DFL);

    bool schemaOnly = false;
    QString path;
    int files = 0;
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], "--schema-only") == 0) {
            schemaOnly = true;
        } else if (argv[i][0] == '-') {
            files = -1;
            break;
        } else {
            path = QFile::decodeName(argv[i]);
            ++files;
        }
    }
    if (files != 1) {
        std::fprintf(stderr, "usage: kestrix-check [--schema-only] FILE\n");
        return 2;
    }
    try {
        Check(path).run(schemaOnly);
    } catch (const Refusal& r) {
        std::fputs(r.reason.toUtf8().constData(), stdout);
        std::fputc('\n', stdout);
        return 1;
    }
    return 0;
}
