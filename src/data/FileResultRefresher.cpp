#include "data/FileResultRefresher.h"

#include "core/DbError.h"

#include <QMetaObject>
#include <sqlite3.h>

namespace kx {

FileResultRefresher::FileResultRefresher(const QString& path, const QByteArray& key, QObject* parent)
    : ResultRefresher(parent), m_path(path), m_key(key)
{
    setObjectName(QStringLiteral("FileResultRefresher"));
}

FileResultRefresher::~FileResultRefresher()
{
    {
        std::lock_guard lock(m_mutex);
        m_quit = true;
        m_pending.reset();
        interruptRunning();
    }
    m_wake.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

void FileResultRefresher::interruptRunning()
{
    if (m_running) {
        m_stop = true;
        sqlite3_interrupt(m_running);
    }
}

void FileResultRefresher::start(const QString& sql, const QVariantList& params,
                                std::shared_ptr<const Dataset::Known> known)
{
    const quint64 number = ++m_started;
    m_wanted = number;
    {
        std::lock_guard lock(m_mutex);
        m_pending = Job{number, sql, params, std::move(known)};
        interruptRunning();
        if (!m_thread.joinable())
            m_thread = std::thread([this] { run(); });
    }
    m_wake.notify_all();
}

void FileResultRefresher::cancel()
{
    m_wanted = 0;
    std::lock_guard lock(m_mutex);
    m_pending.reset();
    interruptRunning();
}

void FileResultRefresher::release()
{
    m_wanted = 0;
    std::unique_lock lock(m_mutex);
    m_pending.reset();
    interruptRunning();
    if (!m_thread.joinable())
        return;
    m_releasing = true;
    m_wake.notify_all();
    m_released.wait(lock, [this] { return !m_releasing; });
}

void FileResultRefresher::run()
{
    for (;;) {
        Job job;
        {
            std::unique_lock lock(m_mutex);
            m_wake.wait(lock, [this] { return m_quit || m_releasing || m_pending; });
            if (m_quit)
                break;
            if (m_releasing) {
                m_connection.close();
                m_releasing = false;
                m_released.notify_all();
                continue;
            }
            job = std::move(*m_pending);
            m_pending.reset();
            m_stop = false;
        }
        std::shared_ptr<Dataset::Fresh> fresh;
        QString failure;
        try {
            if (!m_connection.isOpen()) {
                m_connection.open(m_path, m_key);
                // Reading only, whatever a statement would do.
                m_connection.exec(m_connection.handle()
                                      ? QStringLiteral("PRAGMA query_only=1")
                                      : QStringLiteral("set default_transaction_read_only = on"));
            }
            {
                std::lock_guard lock(m_mutex);
                m_running = m_connection.handle();
                if (m_pending || m_quit)
                    m_stop = true;  // superseded while the file was being opened
            }
            if (!m_stop)
                fresh = Dataset::readFresh(m_connection, job.sql, job.params, *job.known, m_stop);
        } catch (const DbError& e) {
            failure = e.message();
        } catch (const std::exception& e) {
            failure = QString::fromLocal8Bit(e.what());
        }
        {
            std::lock_guard lock(m_mutex);
            m_running = nullptr;
        }
        if (m_stop || m_wanted != job.number)
            continue;
        const quint64 number = job.number;
        // Back on the window's thread; dropped there when superseded meanwhile.
        QMetaObject::invokeMethod(
            this,
            [this, number, fresh, failure] {
                if (m_wanted != number)
                    return;
                m_wanted = 0;
                if (fresh)
                    emit finished(fresh);
                else
                    emit failed(failure);
            },
            Qt::QueuedConnection);
    }
    m_connection.close();
}

}  // namespace kx
