#pragma once

#include <QWidget>
#include <functional>

class QLineEdit;
class QPushButton;
class QScrollArea;

namespace kx {

class DatabaseCopier;
class LinkLabel;
class MaintenanceHost;
class Database;
struct Platform;

// The backup window "数据库备份": copies the database file to a backup file
// and a backup file back into the database file. While it is open the
// program's connection is closed and the main window hidden; closing it
// opens the connection again, reloads the order list and shows the main
// window. Made by the create-on-demand rule; it frees itself when closed.
class BackupWindow : public QWidget {
    Q_OBJECT
public:
    BackupWindow(QWidget* owner, Database& dm, const Platform& platform, MaintenanceHost& host);

    // "默认": the backup path offered when none is remembered.
    static QString defaultBackupPath();

    QLineEdit* backupPathEdit;  // remembered from one backup to the next
    QLineEdit* restoreFileEdit;
    LinkLabel* defaultPathLink;
    QPushButton* backupButton;
    QPushButton* chooseFileButton;
    QPushButton* restoreButton;
    QScrollArea* bandScroller;

public slots:
    void backUp();
    void chooseBackupFile();
    void restore();

protected:
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    QWidget* buildHeading(QWidget* parent);
    QWidget* buildBackupBand(QWidget* parent);
    QWidget* buildRestoreBand(QWidget* parent);
    void storePath();
    bool replaceAllowed();
    // Runs one copy with the progress display and says how it ended.
    void copyWithProgress(const QString& doing, const std::function<void(DatabaseCopier&)>& copy,
                          const QString& success, const QString& failure);
    bool reopen();

    Database& m_dm;
    const Platform& m_platform;
    MaintenanceHost& m_host;
    bool m_opened = false;
    bool m_ending = false;
};

}  // namespace kx
