#pragma once

#include "extras/SystemFacts.h"
#include "extras/UpdateInfo.h"
#include "extras/UpdateSettings.h"

#include <QCryptographicHash>
#include <QObject>
#include <QPointer>
#include <QStringList>
#include <QUrl>
#include <memory>

class QNetworkAccessManager;
class QNetworkReply;
class QProgressDialog;
class QTimer;
class QWidget;

namespace kx {

struct Platform;
class Restarter;

// "软件自动升级": fetches wbq.inf in the background and believes it only when
// the maker's signature over it holds, it has not expired and it offers a
// version newer than the running one. Then, unless the program belongs to
// the package manager or runs as root (it only says a newer version exists
// and how to get it), it asks the operator, downloads every listed file into
// a file of its own beside the program, checks each one's size and SHA-256
// against the signed information, and only then swaps them in, each with one
// rename (the replaced file stays as NAME.old), and restarts with
// "/afterupgrade". Fetching the information and the download each have a
// deadline. Any failure on the way leaves the program's files as they were
// and says why.
class Updater : public QObject {
    Q_OBJECT
public:
    Updater(const UpdateSettings& settings, const QString& programDir, const Platform& platform,
            const SystemFacts& system, Restarter& restarter, QWidget* owner);
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
    QNetworkReply* get(const QUrl& url);
    void redirected(const QUrl& target);
    void infoChunk();
    void infoArrived();
    void offer(const UpdateInfo& info);
    void startDownload(const UpdateInfo& info);
    void downloadNext();
    void chunkArrived();
    void fileArrived();
    bool swapIn();
    void deadlinePassed();
    // The reason a reply ended early that is ours rather than the network's
    // (deadline, refused redirect, cancel); empty when there is none.
    QString interruption() const;
    void fail(const QString& text);
    void finish(bool replaced);
    void discardDownloads();
    bool folderWritable() const;
    QString targetPath(const UpdateInfo::File& file) const;
    QString tempPath(const UpdateInfo::File& file) const;
    void tell(const QString& text, bool warning);

    UpdateSettings m_settings;
    QString m_dir;
    const Platform& m_platform;
    SystemFacts m_system;
    Restarter& m_restarter;
    QWidget* m_owner;
    QNetworkAccessManager* m_net;
    QTimer* m_deadline;

    bool m_busy = false;
    bool m_cancelled = false;
    bool m_timedOut = false;
    QUrl m_refusedRedirect;
    QPointer<QNetworkReply> m_reply;
    QByteArray m_infoText;
    bool m_infoTooLong = false;
    UpdateInfo m_info;
    int m_current = 0;
    qint64 m_doneBytes = 0;  // of the files finished
    qint64 m_totalBytes = 0;
    int m_fd = -1;           // the file being downloaded
    int m_writeError = 0;    // errno of a failed write
    QStringList m_created;   // temporary files this check made, and only those
    std::unique_ptr<QCryptographicHash> m_hash;
    qint64 m_received = 0;
    QProgressDialog* m_progress = nullptr;
};

}  // namespace kx
