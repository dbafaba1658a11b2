#pragma once

#include "data/Connection.h"
#include "data/ResultRefresher.h"

#include <QByteArray>
#include <atomic>
#include <condition_variable>
#include <mutex>
#include <optional>
#include <thread>

struct sqlite3;

namespace kx {

// The database file's refresher: a second connection to the file, with the
// same key, used only for reading and only by a thread of its own. A
// statement superseded or cancelled is interrupted in the engine, so the
// file is not held for a result nobody wants.
class FileResultRefresher : public ResultRefresher {
    Q_OBJECT
public:
    FileResultRefresher(const QString& path, const QByteArray& key, QObject* parent = nullptr);
    ~FileResultRefresher() override;

    void start(const QString& sql, const QVariantList& params,
               std::shared_ptr<const Dataset::Known> known) override;
    void cancel() override;
    void release() override;

private:
    struct Job {
        quint64 number;
        QString sql;
        QVariantList params;
        std::shared_ptr<const Dataset::Known> known;
    };
    void run();
    void interruptRunning();  // with m_mutex held

    const QString m_path;
    const QByteArray m_key;
    Connection m_connection;  // the worker thread's own

    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_released;
    std::optional<Job> m_pending;
    sqlite3* m_running = nullptr;  // the connection while a statement runs on it
    bool m_quit = false;
    bool m_releasing = false;
    quint64 m_started = 0;
    std::atomic<quint64> m_wanted{0};  // the job whose answer is wanted; 0: none
    std::atomic<bool> m_stop{false};   // the running job is to stop
    std::thread m_thread;
};

}  // namespace kx
