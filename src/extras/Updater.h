#pragma once

#include "extras/ExtrasConfig.h"
#include "extras/UpdateInfo.h"

#include <QCryptographicHash>
#include <QFile>
#include <QObject>
#include <QPointer>
#include <QUrl>
#include <memory>

class QNetworkAccessManager;
class QNetworkReply;
class QProgressDialog;
class QWidget;

namespace kx {

struct Platform;
class Restarter;

// "软件自动升级": fetches wbq.inf in the background, and when the server has
// a newer version asks the operator, downloads every listed file to a
// temporary file beside the program, checks each one's size and SHA-256, and
// only then swaps them in by renaming (the replaced file stays as NAME.old)
// and restarts with "/afterupgrade". Any failure on the way leaves the
// program's files as they were and says why.
class Updater : public QObject {
    Q_OBJECT
public:
    Updater(const UpdateSettings& settings, const QString& programDir, const Platform& platform,
            Restarter& restarter, QWidget* owner);
    ~Updater() override;

    // Starts a check; a second one while the first runs is ignored.
    void check();
    bool busy() const { return m_busy; }
    // The download progress, shown while files come in; null otherwise.
    QProgressDialog* progress() const { return m_progress; }
    // Stops the running download; nothing is replaced.
    void cancel();

signals:
    // The check has ended, whatever its outcome; `replaced` when the new
    // files are in place and the restart was asked for.
    void finished(bool replaced);

private:
    void infoArrived();
    void offer(const UpdateInfo& info);
    void downloadNext();
    void chunkArrived();
    void fileArrived();
    bool swapIn();
    void fail(const QString& text);
    void finish(bool replaced);
    void discardDownloads();
    bool folderWritable() const;
    QString tempPath(const UpdateInfo::File& file) const;
    void tell(const QString& text, bool warning);

    UpdateSettings m_settings;
    QString m_dir;
    const Platform& m_platform;
    Restarter& m_restarter;
    QWidget* m_owner;
    QNetworkAccessManager* m_net;

    bool m_busy = false;
    bool m_cancelled = false;
    QPointer<QNetworkReply> m_reply;
    UpdateInfo m_info;
    int m_current = 0;
    qint64 m_doneBytes = 0;   // of the files finished
    qint64 m_totalBytes = 0;
    std::unique_ptr<QFile> m_file;
    std::unique_ptr<QCryptographicHash> m_hash;
    qint64 m_received = 0;
    QProgressDialog* m_progress = nullptr;
};

}  // namespace kx
