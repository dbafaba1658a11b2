#include "data/DatabaseCopier.h"

#include "core/DbError.h"
#include "core/OwnerOnly.h"
#include "data/Connection.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRegularExpression>
#include <QSet>
#include <QStringList>
#include <algorithm>
#include <filesystem>
#include <memory>
#include <sqlite3.h>
#include <system_error>
#include <unistd.h>

namespace kx {

namespace {

// Pages per backup step: small enough for a progress display that moves,
// large enough that the steps cost nothing beside the copying. The engine's
// pages are 1 KB here.
constexpr int pagesPerStep = 256;
// How often a step that finds the file locked by another station is tried
// again (each try waits out the engine's busy timeout first).
constexpr int busyRetries = 10;

struct DbClose {
    void operator()(sqlite3* db) const { sqlite3_close_v2(db); }
};
using DbHandle = std::unique_ptr<sqlite3, DbClose>;

QString native(const QString& path)
{
    return QDir::toNativeSeparators(QFileInfo(path).absoluteFilePath());
}

QString engineMessage(sqlite3* db)
{
    return QString::fromUtf8(sqlite3_errmsg(db));
}

std::filesystem::path fsPath(const QString& path)
{
    return std::filesystem::path(path.toStdU16String());
}

// Opens a file with the key and reads its schema once: a wrong key, or a
// file that is no database at all, only shows at the first read. Returns the
// engine's code; `db` holds the open file when it is SQLITE_OK.
int openRaw(const QString& path, const QByteArray& key, int flags, DbHandle& db)
{
    sqlite3* raw = nullptr;
    int rc = sqlite3_open_v2(path.toUtf8().constData(), &raw, flags, nullptr);
    db.reset(raw);
    if (rc != SQLITE_OK)
        return rc;
    sqlite3_busy_timeout(raw, 2000);
    rc = sqlite3_key(raw, key.constData(), int(key.size()));
    if (rc == SQLITE_OK)
        rc = sqlite3_exec(raw, "select count(*) from sqlite_master", nullptr, nullptr, nullptr);
    return rc;
}

[[noreturn]] void refuseOpening(const QString& path, int rc, const DbHandle& db)
{
    const QString engine = db ? engineMessage(db.get()) : QStringLiteral("out of memory");
    if (rc == SQLITE_NOTADB)
        throw OperationError(QStringLiteral("%1 不是本程序的数据库文件，或者它的密码不同。").arg(native(path)));
    if ((rc & 0xff) == SQLITE_CORRUPT)
        throw OperationError(QStringLiteral("%1 已损坏（%2）。").arg(native(path), engine));
    throw OperationError(QStringLiteral("无法打开 %1：%2").arg(native(path), engine));
}

DbHandle openKeyed(const QString& path, const QByteArray& key, int flags)
{
    DbHandle db;
    const int rc = openRaw(path, key, flags, db);
    if (rc != SQLITE_OK)
        refuseOpening(path, rc, db);
    return db;
}

// quick_check answers one row "ok", or one row per damage found: `answer`
// is that first row, or the engine's message when there was none, and `rc`
// the engine's code of the step that got it.
struct QuickCheck {
    int rc = SQLITE_OK;
    QString answer;
    bool ok() const { return answer == QLatin1String("ok"); }
};

QuickCheck quickCheck(sqlite3* db)
{
    sqlite3_stmt* st = nullptr;
    QuickCheck q;
    q.rc = sqlite3_prepare_v2(db, "PRAGMA quick_check", -1, &st, nullptr);
    if (q.rc == SQLITE_OK && (q.rc = sqlite3_step(st)) == SQLITE_ROW)
        q.answer = QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0)));
    else
        q.answer = engineMessage(db);
    sqlite3_finalize(st);
    return q;
}

void checkIntegrity(sqlite3* db, const QString& path)
{
    const QuickCheck q = quickCheck(db);
    if (!q.ok())
        throw OperationError(QStringLiteral("%1 已损坏（%2）。").arg(native(path), q.answer.simplified()));
}

void checkTables(sqlite3* db, const QString& path)
{
    sqlite3_stmt* st = nullptr;
    if (sqlite3_prepare_v2(db, "select lower(name) from sqlite_master where type='table'", -1, &st, nullptr) !=
        SQLITE_OK)
        throw OperationError(QStringLiteral("无法读取 %1：%2").arg(native(path), engineMessage(db)));
    QSet<QString> present;
    while (sqlite3_step(st) == SQLITE_ROW)
        present.insert(QString::fromUtf8(reinterpret_cast<const char*>(sqlite3_column_text(st, 0))));
    sqlite3_finalize(st);
    QStringList missing;
    for (const char* table : {"data", "post", "userdb", "rz", "data1"})
        if (!present.contains(QLatin1String(table)))
            missing << QLatin1String(table);
    if (!missing.isEmpty())
        throw OperationError(QStringLiteral("%1 不是本程序的数据库：缺少数据表 %2。")
                          .arg(native(path), missing.join(QStringLiteral("、"))));
}

bool sameFile(const QString& a, const QString& b)
{
    const QString ca = QFileInfo(a).canonicalFilePath();
    return !ca.isEmpty() && ca == QFileInfo(b).canonicalFilePath();
}

void removeWithJournal(const QString& path)
{
    QFile::remove(path);
    QFile::remove(path + QStringLiteral("-journal"));
}

// A copy in progress writes its temporary file page after page and checks it
// within moments; one untouched for this long was left by a program that was
// killed or lost its power in the middle (the exit backup runs while the
// computer is being shut down), and nobody else would ever remove it.
constexpr qint64 staleAfterSeconds = 60 * 60;

// Removes the temporary files that earlier copies left in `folder`:
// ".NAME.PID.tmp" and its journal, as copyToFile() names them, NAME matching
// `namePattern`. A copy that another program runs at this moment keeps its
// file, and so does every other file of the folder.
void removeStaleTemporaries(const QDir& folder, const QString& namePattern)
{
    const QRegularExpression temporary(QStringLiteral("^\\.%1\\.\\d+\\.tmp(-journal)?$").arg(namePattern));
    const QDateTime before = QDateTime::currentDateTimeUtc().addSecs(-staleAfterSeconds);
    for (const QFileInfo& file : folder.entryInfoList(QDir::Files | QDir::Hidden | QDir::System)) {
        if (temporary.match(file.fileName()).hasMatch() && file.lastModified().toUTC() < before)
            QFile::remove(file.absoluteFilePath());
    }
}

// Whether an open file is a whole register: the five tables, and every
// page in order. A read that fails on the way counts as not sound, except
// that another station holding the file is no damage: that ends the
// restore, since replacing the file under it would lose what it writes.
bool isSound(sqlite3* db, const QString& path)
{
    const QuickCheck q = quickCheck(db);
    if ((q.rc & 0xff) == SQLITE_BUSY || (q.rc & 0xff) == SQLITE_LOCKED)
        throw OperationError(QStringLiteral("无法打开 %1：%2").arg(native(path), q.answer));
    if (!q.ok())
        return false;
    try {
        checkTables(db, path);
        return true;
    } catch (const OperationError&) {
        return false;
    }
}

// The temporary file a copy to `target` is written into: beside the target,
// so that the rename stays on one file system and either leaves the old file
// or puts the whole new one in its place.
QString temporaryFor(const QFileInfo& target)
{
    return target.absoluteDir().filePath(
        QStringLiteral(".%1.%2.tmp").arg(target.fileName()).arg(QCoreApplication::applicationPid()));
}

// A plain copy of a file the engine cannot open (a destroyed register that a
// restore replaces), made like the engine's copies: into an owner-only
// temporary file, renamed into place once whole. A copy with QFile::copy()
// would take the source's mode.
bool copyOwnerOnly(const QString& source, const QString& target)
{
    QFile in(source);
    if (!in.open(QIODevice::ReadOnly))
        return false;
    const QString temp = temporaryFor(QFileInfo(target));
    QFile::remove(temp);
    try {
        OwnerOnly::createFile(temp);
    } catch (const OperationError&) {
        return false;
    }
    QFile out(temp);
    bool whole = out.open(QIODevice::WriteOnly);
    while (whole && !in.atEnd()) {
        const QByteArray block = in.read(1 << 16);
        whole = !block.isEmpty() && out.write(block) == block.size();
    }
    whole = whole && out.flush() && ::fsync(out.handle()) == 0;
    out.close();
    std::error_code ec;
    if (whole)
        std::filesystem::rename(fsPath(temp), fsPath(target), ec);
    if (!whole || ec) {
        QFile::remove(temp);
        return false;
    }
    return true;
}

// Puts the file aside byte for byte, whatever its state: an owner-only copy
// (named so that the next restore removes what a kill leaves of it), or, when
// the file cannot even be read, the file itself under the new name (a rename
// reads nothing, and the checked copy takes its place right after).
void keepAsItIs(const QString& target, const QString& kept)
{
    bool done = false;
    if (QFile(target).open(QIODevice::ReadOnly)) {
        done = copyOwnerOnly(target, kept);
    } else {
        std::error_code ec;
        std::filesystem::rename(fsPath(target), fsPath(kept), ec);
        done = !ec;
    }
    if (!done)
        throw OperationError(QStringLiteral("无法保留当前数据库的副本 %1。").arg(native(kept)));
}

// A kept copy's name after the target's: the moment and, for a second copy
// within one second, a number.
QRegularExpression keptCopyPattern(const QString& target)
{
    return QRegularExpression(QStringLiteral("^%1\\.(\\d{8}-\\d{6})(?:-(\\d+))?\\.bak$")
                                  .arg(QRegularExpression::escape(QFileInfo(target).fileName())));
}

}  // namespace

DatabaseCopier::DatabaseCopier(QByteArray key) : m_key(std::move(key)) {}

QString DatabaseCopier::keptCopyName(const QString& target, const QDateTime& now)
{
    const QString base = target + QLatin1Char('.') + now.toString(QStringLiteral("yyyyMMdd-HHmmss"));
    QString name = base + QStringLiteral(".bak");
    for (int n = 2; QFileInfo::exists(name); ++n)
        name = base + QStringLiteral("-%1.bak").arg(n);
    return name;
}

void DatabaseCopier::removeOldKeptCopies(const QString& target, const QDateTime& now)
{
    struct Kept {
        QString path;
        QDateTime moment;
        int number;
        bool future;
    };
    const QRegularExpression pattern = keptCopyPattern(target);
    const QFileInfo info(target);
    QList<Kept> copies;
    for (const QFileInfo& file : info.absoluteDir().entryInfoList(QDir::Files | QDir::Hidden | QDir::System)) {
        const QRegularExpressionMatch m = pattern.match(file.fileName());
        if (!m.hasMatch())
            continue;
        const QDateTime moment = QDateTime::fromString(m.captured(1), QStringLiteral("yyyyMMdd-HHmmss"));
        if (!moment.isValid())
            continue;
        copies.append({file.absoluteFilePath(), moment, m.hasCaptured(2) ? m.captured(2).toInt() : 1,
                       moment > now});
    }
    // Newest first by the moment in the name, then by the number. A moment
    // after `now` was taken while the clock ran ahead, or the clock has been
    // set back since (a flat battery puts it at 2000-01-01): it tells nothing
    // about the copy's age beside the ones made since, so those copies rank
    // below every copy that is not in the future. The copy just made, dated
    // `now`, is always among those kept, and wrongly dated copies go once
    // newer ones follow instead of staying for years.
    std::sort(copies.begin(), copies.end(), [](const Kept& a, const Kept& b) {
        if (a.future != b.future)
            return !a.future;
        if (a.moment != b.moment)
            return a.moment > b.moment;
        return a.number > b.number;
    });
    // The restore has succeeded by now: a copy that cannot be removed stays
    // for the next restore to try again.
    for (qsizetype i = keptCopies; i < copies.size(); ++i)
        QFile::remove(copies.at(i).path);
}

void DatabaseCopier::backup(const QString& source, const QString& target) const
{
    if (sameFile(source, target))
        throw OperationError(QStringLiteral("备份文件不能是数据库文件本身。"));
    const DbHandle db = openKeyed(source, m_key, SQLITE_OPEN_READONLY);
    copyToFile(db.get(), target, true);
}

void DatabaseCopier::backup(Connection& source, const QString& target) const
{
    if (!source.isOpen())
        throw DbError(QStringLiteral("Operation is not allowed when the object is closed"));
    if (sameFile(source.path(), target))
        throw OperationError(QStringLiteral("备份文件不能是数据库文件本身。"));
    copyToFile(source.handle(), target, true);
}

void DatabaseCopier::verify(const QString& path) const
{
    if (!QFileInfo(path).isFile())
        throw OperationError(QStringLiteral("找不到文件 %1。").arg(native(path)));
    const DbHandle db = openKeyed(path, m_key, SQLITE_OPEN_READONLY);
    checkTables(db.get(), path);
    checkIntegrity(db.get(), path);
}

void DatabaseCopier::refuseOwnFile(const QString& source, const QString& target)
{
    if (sameFile(source, target))
        throw OperationError(QStringLiteral("备份文件就是正在使用的数据库 %1。").arg(native(target)));
}

QString DatabaseCopier::restore(const QString& source, const QString& target, const QDateTime& now) const
{
    refuseOwnFile(source, target);
    verify(source);
    const DbHandle from = openKeyed(source, m_key, SQLITE_OPEN_READONLY);
    if (!QFileInfo::exists(target)) {
        copyToFile(from.get(), target, true);
        return QString();
    }

    // A sound target is written into in place, under its own locks: another
    // station that has it open waits and then reads the restored content.
    // Anything else (damaged pages, cut short, empty, not this program's, no
    // database at all, unreadable) holds nothing the engine could protect or
    // write into, and it is exactly the case a restore exists for: it is put
    // aside whole and replaced by a checked copy. Another station holding the
    // file, or a file the engine may read but not write, ends the restore.
    DbHandle current;
    const int opened = openRaw(target, m_key, SQLITE_OPEN_READWRITE, current);
    if (opened == SQLITE_BUSY || opened == SQLITE_LOCKED || opened == SQLITE_NOMEM)
        refuseOpening(target, opened, current);
    if (opened != SQLITE_OK || !isSound(current.get(), target))
        current.reset();
    const QString kept = keptCopyName(target, now);
    // The temporary files of kept copies from restores that were cut off:
    // their names carry the moment, which copyToFile() does not match.
    removeStaleTemporaries(QFileInfo(kept).absoluteDir(),
                           QRegularExpression::escape(QFileInfo(target).fileName()) +
                               QStringLiteral("\\.\\d{8}-\\d{6}(-\\d+)?\\.bak"));
    if (current) {
        // The restored content is the backup's, owner-only like every copy:
        // a register left open to others by an older version is closed first.
        OwnerOnly::restrict(target);
        // The content as it is: that is what is being replaced.
        copyToFile(current.get(), kept, false);
        copyPages(from.get(), current.get());
        checkIntegrity(current.get(), target);
    } else {
        keepAsItIs(target, kept);
        copyToFile(from.get(), target, true);
    }
    removeOldKeptCopies(target, now);  // only the newest kept copies stay
    return kept;
}

void DatabaseCopier::copyToFile(sqlite3* source, const QString& target, bool check) const
{
    writeTemporary(target, [&](sqlite3* copy) { copyPages(source, copy); }, check ? Check::Pages : Check::None);
}

void DatabaseCopier::writeFile(const QString& target, const std::function<void(sqlite3* file)>& fill) const
{
    writeTemporary(target, fill, Check::Whole);
}

void DatabaseCopier::writeTemporary(const QString& target, const std::function<void(sqlite3*)>& fill,
                                    Check check) const
{
    if (target.isEmpty())
        throw OperationError(QStringLiteral("没有指定备份文件。"));
    const QFileInfo info(target);
    if (info.isDir())
        throw OperationError(QStringLiteral("%1 是一个文件夹。").arg(native(target)));
    const QDir folder = info.absoluteDir();
    OwnerOnly::createFolder(folder.absolutePath());
    const QString temp = temporaryFor(info);
    removeWithJournal(temp);
    removeStaleTemporaries(folder, QRegularExpression::escape(info.fileName()));
    try {
        {
            // Owner-only before the first page is written; the rename
            // carries the mode over to the target.
            OwnerOnly::createFile(temp);
            const DbHandle copy = openKeyed(temp, m_key, SQLITE_OPEN_READWRITE);
            // Every commit of the copy reaches the disk before it returns.
            sqlite3_exec(copy.get(), "PRAGMA synchronous=FULL", nullptr, nullptr, nullptr);
            fill(copy.get());
        }
        if (check != Check::None) {
            if (m_beforeCheck)
                m_beforeCheck(temp);
            const DbHandle reread = openKeyed(temp, m_key, SQLITE_OPEN_READONLY);
            // A page copy of a register has its tables; a file filled row by
            // row is checked for them as a restore would.
            if (check == Check::Whole)
                checkTables(reread.get(), temp);
            checkIntegrity(reread.get(), temp);
        }
        std::error_code ec;
        std::filesystem::rename(fsPath(temp), fsPath(target), ec);
        if (ec)
            throw OperationError(QStringLiteral("无法写入 %1：%2").arg(native(target), QString::fromLocal8Bit(ec.message())));
    } catch (...) {
        removeWithJournal(temp);
        throw;
    }
}

void DatabaseCopier::copyPages(sqlite3* source, sqlite3* target) const
{
    sqlite3_backup* b = sqlite3_backup_init(target, "main", source, "main");
    if (!b)
        throw DbError(engineMessage(target));
    int rc = SQLITE_OK;
    int busy = 0;
    do {
        rc = sqlite3_backup_step(b, pagesPerStep);
        if (rc == SQLITE_BUSY || rc == SQLITE_LOCKED) {
            if (++busy > busyRetries)
                break;
            sqlite3_sleep(100);
            continue;
        }
        busy = 0;
        if (m_progress) {
            const int total = sqlite3_backup_pagecount(b);
            m_progress(total - sqlite3_backup_remaining(b), total);
        }
    } while (rc == SQLITE_OK || rc == SQLITE_BUSY || rc == SQLITE_LOCKED);
    // Finishing ends the target's transaction: committed when every page
    // was copied, rolled back otherwise.
    const int finished = sqlite3_backup_finish(b);
    if (rc != SQLITE_DONE || finished != SQLITE_OK)
        throw DbError(engineMessage(target));
}

}  // namespace kx
