#include "maintenance/BackupWindow.h"

#include "core/OperationError.h"
#include "data/DatabaseChecker.h"
#include "data/DatabaseCopier.h"
#include "data/Database.h"
#include "data/RegisterTransfer.h"
#include "data/ServerConnection.h"
#include "maintenance/ExitBackup.h"
#include "maintenance/MaintenanceHost.h"
#include "platform/AppInfo.h"
#include "platform/Platform.h"
#include "platform/SettingsKeys.h"
#include "widgets/FontSubstitutions.h"
#include "widgets/LinkLabel.h"

#include <QApplication>
#include <QFontMetrics>
#include <QCloseEvent>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QLineEdit>
#include <QPainter>
#include <QPainterPath>
#include <QProgressDialog>
#include <QPushButton>
#include <QScreen>
#include <QScrollArea>
#include <QVBoxLayout>
#include <algorithm>

namespace kx {

namespace {

constexpr int clientWidth = 345;
constexpr int clientHeight = 137;
const QColor paleGreen(0xc0, 0xdc, 0xc0);
const QString saveValue = QStringLiteral("save");
constexpr int warningLineHeight = 15;
const QString warningText = QStringLiteral("警告：恢复数据库功能，只有当目前使用的数据库损坏或丢失时才使用，"
                                           "否则旧数据库会覆盖当前的最新数据库，造成信息丢失。");

QFrame* band(int height, const char* name, QWidget* parent)
{
    auto* f = new QFrame(parent);
    f->setObjectName(QString::fromLatin1(name));
    f->setFixedHeight(height);
    f->setAutoFillBackground(true);
    QPalette pal = f->palette();
    pal.setColor(QPalette::Window, paleGreen);
    f->setPalette(pal);
    return f;
}

QLabel* coloured(const QString& text, QColor colour, QWidget* parent)
{
    auto* l = new QLabel(text, parent);
    QPalette pal = l->palette();
    pal.setColor(QPalette::WindowText, colour);
    l->setPalette(pal);
    return l;
}

// The pictures on the two command buttons: a database drum, with an arrow
// down into a box (backup) or a turning arrow (restore).
QIcon databasePicture(bool restore)
{
    QPixmap pm(32, 32);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    const QColor body(0x3d, 0x6f, 0xb6), top(0x8c, 0xb8, 0xec), edge(0x1f, 0x45, 0x7e);
    p.setPen(QPen(edge, 1));
    p.setBrush(body);
    p.drawRect(QRectF(3.5, 8.5, 18, 17));
    p.drawEllipse(QRectF(3.5, 21.5, 18, 7));
    p.setPen(Qt::NoPen);
    p.drawRect(QRectF(4, 9, 17, 16));
    p.setPen(QPen(edge, 1));
    p.setBrush(top);
    p.drawEllipse(QRectF(3.5, 5.5, 18, 7));
    p.setPen(QPen(QColor(255, 255, 255, 120), 1));
    p.drawArc(QRectF(3.5, 12.5, 18, 7), 180 * 16, 180 * 16);
    p.drawArc(QRectF(3.5, 17.5, 18, 7), 180 * 16, 180 * 16);
    if (!restore) {
        const QColor arrow(0x1f, 0x9d, 0x3a);
        p.setPen(QPen(arrow.darker(130), 1));
        p.setBrush(arrow);
        QPainterPath a;
        a.moveTo(23, 10);
        a.lineTo(27, 10);
        a.lineTo(27, 19);
        a.lineTo(30.5, 19);
        a.lineTo(25, 26);
        a.lineTo(19.5, 19);
        a.lineTo(23, 19);
        a.closeSubpath();
        p.drawPath(a);
        p.setPen(QPen(QColor(0x55, 0x55, 0x55), 1.5));
        p.drawLine(QPointF(18, 29.5), QPointF(31, 29.5));
    } else {
        const QColor arrow(0xe0, 0x7a, 0x10);
        p.setPen(QPen(arrow, 3, Qt::SolidLine, Qt::RoundCap));
        p.setBrush(Qt::NoBrush);
        p.drawArc(QRectF(17, 13, 12, 12), 60 * 16, 280 * 16);
        p.setPen(QPen(arrow.darker(130), 1));
        p.setBrush(arrow);
        QPainterPath head;
        head.moveTo(25, 9.5);
        head.lineTo(31, 13.5);
        head.lineTo(24.5, 16.5);
        head.closeSubpath();
        p.drawPath(head);
    }
    return QIcon(pm);
}

}  // namespace

QString BackupWindow::defaultBackupPath()
{
#ifdef Q_OS_WIN
    return QStringLiteral("D:\\beifen.mdb");
#else
    return QDir::toNativeSeparators(QDir::home().filePath(QStringLiteral("beifen.mdb")));
#endif
}

BackupWindow::BackupWindow(QWidget* owner, Database& dm, const Platform& platform, MaintenanceHost& host)
    : QWidget(owner, Qt::Window | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      m_dm(dm), m_platform(platform), m_host(host)
{
    setObjectName(QStringLiteral("Trepair"));
    setWindowTitle(QStringLiteral("数据库备份"));
    setFont(songFont(14));
    setFixedSize(clientWidth, clientHeight);

    // The three bands are taller together than the window: the restore band
    // lies below and is reached with the scroll bar.
    // The bands are built apart and then put into the scroll area: built
    // inside a window under a skin's style sheet, controls do not take the
    // window's font, and the labels would size themselves in another.
    auto* content = new QWidget;
    content->setObjectName(QStringLiteral("RepairContent"));
    content->setFont(font());
    auto* bands = new QVBoxLayout(content);
    bands->setContentsMargins(0, 0, 0, 0);
    bands->setSpacing(0);
    bands->addWidget(buildHeading(content));
    bands->addWidget(buildBackupBand(content));
    bands->addWidget(buildRestoreBand(content));

    bandScroller = new QScrollArea(this);
    bandScroller->setObjectName(QStringLiteral("ScrollBox"));
    bandScroller->setFrameShape(QFrame::NoFrame);
    bandScroller->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
    bandScroller->setWidgetResizable(true);
    bandScroller->setGeometry(rect());
    bandScroller->setWidget(content);

    connect(defaultPathLink, &LinkLabel::clicked, this, [this] { backupPathEdit->setText(defaultBackupPath()); });
    connect(backupPathEdit, &QLineEdit::textChanged, this, [this] { m_platform.guard(this, [this] { storePath(); }); });
    connect(backupButton, &QPushButton::clicked, this, &BackupWindow::backUp);
    connect(chooseFileButton, &QPushButton::clicked, this, &BackupWindow::chooseBackupFile);
    connect(restoreButton, &QPushButton::clicked, this, &BackupWindow::restore);

    if (QScreen* screen = QApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    show();
}

QWidget* BackupWindow::buildHeading(QWidget* parent)
{
    QFrame* f = band(33, "HeadingBand", parent);
    auto* caption = coloured(QStringLiteral("数据库维护备份"), QColor(0x80, 0x00, 0x00), f);
    caption->setFont(songFont(16, true));
    caption->setAlignment(Qt::AlignCenter);
    auto* layout = new QVBoxLayout(f);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(caption);
    return f;
}

QWidget* BackupWindow::buildBackupBand(QWidget* parent)
{
    QFrame* f = band(104, "BackupBand", parent);
    auto* label = new QLabel(QStringLiteral("备份数据的目录:"), f);
    label->move(24, 24);
    label->adjustSize();
    defaultPathLink = new LinkLabel(QStringLiteral("默认"), f);
    defaultPathLink->setObjectName(QStringLiteral("Label2"));
    defaultPathLink->move(136, 24);
    defaultPathLink->adjustSize();

    backupPathEdit = new QLineEdit(defaultBackupPath(), f);
    backupPathEdit->setObjectName(QStringLiteral("Edit1"));
    backupPathEdit->setGeometry(24, 48, 137, 20);
    label->setBuddy(backupPathEdit);

    backupButton = new QPushButton(databasePicture(false), QStringLiteral("备份数据库"), f);
    backupButton->setObjectName(QStringLiteral("BitBtn1"));
    backupButton->setIconSize(QSize(32, 32));
    backupButton->setGeometry(184, 23, 137, 41);

    auto* hint = coloured(QStringLiteral("温馨提示：定期备份数据，维护数据安全！"), Qt::red, f);
    hint->move(40, 81);
    hint->adjustSize();
    return f;
}

QWidget* BackupWindow::buildRestoreBand(QWidget* parent)
{
    QFrame* f = band(144, "RestoreBand", parent);
    restoreFileEdit = new QLineEdit(QStringLiteral("beifen.mdb"), f);
    restoreFileEdit->setObjectName(QStringLiteral("Edit2"));
    restoreFileEdit->setGeometry(32, 24, 121, 19);
    restoreFileEdit->setAccessibleName(QStringLiteral("恢复用的备份文件"));

    chooseFileButton = new QPushButton(QStringLiteral("打开备份文件"), f);
    chooseFileButton->setObjectName(QStringLiteral("Button1"));
    chooseFileButton->setGeometry(32, 48, 121, 25);

    restoreButton = new QPushButton(databasePicture(true), QStringLiteral("恢复数据库"), f);
    restoreButton->setObjectName(QStringLiteral("BitBtn2"));
    restoreButton->setIconSize(QSize(32, 32));
    restoreButton->setFont(songFont(13));
    restoreButton->setGeometry(184, 31, 137, 41);

    // Three lines at 13 pixels: the Windows face sets them 13 pixels apart
    // in a label 39 high; the Song faces here draw taller characters, which
    // touch at that spacing. They stand 15 apart here. Rich text takes the
    // line height only as a share of the face's own, and shortens the line
    // boxes but not the characters: the last line still reaches its full
    // ascent and descent below its box's top, so that is where the label
    // ends. The face's ascent also stands some pixels above its characters;
    // the label starts that much higher than the Windows one, so that the
    // text stands where it did there and ends inside the band.
    const QFont small = songFont(13);
    const QFontMetrics metrics(small);
    const int share = std::min(100, 100 * warningLineHeight / std::max(1, metrics.lineSpacing()));
    auto* warning = coloured(
        QStringLiteral("<div style=\"line-height:%1%\">%2</div>").arg(share).arg(warningText), Qt::red, f);
    warning->setObjectName(QStringLiteral("WarningLabel"));
    warning->setTextFormat(Qt::RichText);
    warning->setFont(small);
    warning->setWordWrap(true);
    warning->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    warning->setGeometry(24, 91, 299, 2 * warningLineHeight + metrics.height());
    return f;
}

void BackupWindow::showEvent(QShowEvent* event)
{
    QWidget::showEvent(event);
    if (m_opened)
        return;
    m_opened = true;
    // The files can be copied and replaced only while the program holds
    // none of them open.
    m_dm.disconnect();
    // Reading never creates the key; a value loaded into the box is written
    // back like any other change of the box.
    if (const auto saved = m_platform.settings.read(settingsKeys::backup, saveValue); saved && !saved->isEmpty())
        backupPathEdit->setText(*saved);
}

void BackupWindow::storePath()
{
    m_platform.settings.write(settingsKeys::backup, saveValue, backupPathEdit->text());
}

bool BackupWindow::replaceAllowed()
{
    return m_platform.dialogs.message(this, appTitle, QStringLiteral("文件已存在，是否替换？"),
                                      Dialogs::Icon::Question, QMessageBox::Yes | QMessageBox::No,
                                      QMessageBox::No) == QMessageBox::Yes;
}

void BackupWindow::copyWithProgress(const QString& doing, const std::function<void(DatabaseCopier&)>& copy,
                               const QString& success, const QString& failure)
{
    QProgressDialog progress(doing, QString(), 0, 0, this);
    progress.setWindowTitle(windowTitle());
    progress.setWindowModality(Qt::WindowModal);
    progress.setMinimumDuration(300);
    progress.setAutoReset(false);
    DatabaseCopier copier;
    copier.setProgress([&progress](int done, int total) {
        progress.setMaximum(total);
        progress.setValue(done);
    });
    QString message = success;
    try {
        copy(copier);
    } catch (const OperationError& e) {
        message = failure + QLatin1Char('\n') + e.message();
    }
    progress.close();
    m_platform.dialogs.inform(this, message);
}

void BackupWindow::backUp()
{
    m_platform.guard(this, [this] {
        // The path is used as typed, blanks included.
        const QString target = backupPathEdit->text();
        if (QFileInfo(target).isFile() && !replaceAllowed())
            return;
        // A register on a server is written into the same encrypted file
        // as a file register's backup.
        const bool server = ServerConnection::isServerUri(m_dm.path());
        copyWithProgress(
            QStringLiteral("正在备份数据库……"),
            [&](DatabaseCopier& c) {
                if (server)
                    RegisterTransfer(c).backupFromServer(m_dm.path(), target);
                else
                    c.backup(m_dm.path(), target);
            },
            QStringLiteral("数据库备份成功！"), QStringLiteral("数据库备份失败！"));
    });
}

void BackupWindow::chooseBackupFile()
{
    m_platform.guard(this, [this] {
        // The daily copies of the exit backup are the likeliest to be wanted.
        QString folder = ExitBackup::folderFor(m_dm.path());
        if (!QFileInfo(folder).isDir())
            folder = ServerConnection::isServerUri(m_dm.path()) ? QDir::currentPath()
                                                                : QFileInfo(m_dm.path()).absolutePath();
        const QString chosen = m_platform.dialogs.openFileNameIn(this, QString(), QString(), folder);
        if (!chosen.isEmpty())
            restoreFileEdit->setText(QDir::toNativeSeparators(chosen));
    });
}

void BackupWindow::restore()
{
    m_platform.guard(this, [this] {
        const QString source = restoreFileEdit->text();
        try {
            DatabaseCopier::refuseOwnFile(source, m_dm.path());
        } catch (const OperationError& e) {
            m_platform.dialogs.inform(this, QStringLiteral("数据库恢复失败！\n") + e.message());
            return;
        }
        if (!QFileInfo::exists(source)) {
            m_platform.dialogs.inform(this, QStringLiteral("备份数据库没找到!"));
            return;
        }
        // Checked before the question: a file that would be refused is not
        // offered for replacing anything.
        try {
            // In a process of its own: a crafted file must not crash this one,
            // and only what a new register holds may come into data.mdb.
            DatabaseChecker().checkWhole(source);
        } catch (const OperationError& e) {
            m_platform.dialogs.inform(this, QStringLiteral("数据库恢复失败！\n") + e.message());
            return;
        }
        // A register on a server is always there to be replaced: its rows
        // are replaced by the file's in one transaction of the server.
        const bool server = ServerConnection::isServerUri(m_dm.path());
        if ((server || QFileInfo(m_dm.path()).isFile()) && !replaceAllowed())
            return;
        const QDateTime now = m_platform.clock.now();
        copyWithProgress(
            QStringLiteral("正在恢复数据库……"),
            [&](DatabaseCopier& c) {
                if (server)
                    RegisterTransfer(c).restoreToServer(source, m_dm.path());
                else
                    c.restore(source, m_dm.path(), now);
            },
            QStringLiteral("数据库恢复成功！"),
            QStringLiteral("数据库恢复失败！"));
    });
}

bool BackupWindow::reopen()
{
    return m_platform.guard(this, [this] {
        m_dm.reconnect();  // the connection, and data and data1 for appending
        m_host.showAll();
    });
}

void BackupWindow::closeEvent(QCloseEvent* event)
{
    if (m_ending) {
        event->accept();
        return;
    }
    // A hidden main window could never be reached again: as long as the
    // database does not open, the user either tries again or ends the program.
    while (!reopen()) {
        const auto answer = m_platform.dialogs.message(this, appTitle, QStringLiteral("数据库未能重新打开。是否重试？"),
                                                       Dialogs::Icon::Question,
                                                       QMessageBox::Yes | QMessageBox::No, QMessageBox::Yes);
        if (answer != QMessageBox::Yes) {
            m_ending = true;
            event->accept();
            m_host.endProgram();
            return;
        }
    }
    event->accept();
    // Showing the main window runs its start-up sequence again, and with it
    // the remembered columns and skin.
    m_host.showMainWindow();
}

}  // namespace kx
