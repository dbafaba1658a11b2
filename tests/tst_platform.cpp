#include "platform/AppInfo.h"
#include "platform/Clock.h"
#include "platform/QtDialogs.h"
#include "platform/QtTranslations.h"
#include "platform/SettingsStore.h"

#include "core/DateText.h"
#include <QComboBox>
#include <QDialogButtonBox>
#include <QFileDialog>
#include <QLineEdit>
#include <QDir>
#include <QLibraryInfo>
#include <QPrinter>
#include <QPushButton>
#include <QRegularExpression>
#include <QStandardPaths>
#include <QtTest>

using namespace kx;

class TestPlatform : public QObject {
    Q_OBJECT
private slots:
    void settingsReadNeverCreatesKey();
    void dateTimeText_data();
    void dateTimeText();
    void standardButtonsSpeakChinese();
    void dialogsKeepTheProgramsCaptions();
    void questionWithDetails();
    void saveNameTakesTheChosenFiltersSuffix_data();
    void saveNameTakesTheChosenFiltersSuffix();
};

namespace {

// Runs `look` on the dialog that `open` brings up, then closes it.
template <typename Open>
void inspectModal(Open open, const std::function<void(QWidget*)>& look)
{
    bool seen = false;
    QTimer::singleShot(0, [&] {
        QWidget* w = QApplication::activeModalWidget();
        if (w) {
            seen = true;
            look(w);
            if (auto* dialog = qobject_cast<QDialog*>(w))
                dialog->reject();
        }
    });
    open();
    QVERIFY(seen);
}

// A button's caption as read: a Chinese caption's mnemonic, "(&Y)", only
// adds the underlined key after the word.
QString readable(const QString& caption)
{
    static const QRegularExpression mnemonic(QStringLiteral("\\(&\\w\\)$"));
    return QString(caption).remove(mnemonic).remove(QLatin1Char('&'));
}

QStringList buttonTexts(QWidget* dialog)
{
    QStringList texts;
    for (QAbstractButton* b : dialog->findChild<QDialogButtonBox*>()->buttons())
        texts << readable(b->text());
    return texts;
}

bool translationInstalled()
{
    return QFile::exists(QLibraryInfo::path(QLibraryInfo::TranslationsPath) + "/qtbase_zh_CN.qm");
}

}  // namespace

void TestPlatform::settingsReadNeverCreatesKey()
{
    QStandardPaths::setTestModeEnabled(true);
    const QString base = QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation);
    QDir(base + "/tarnvale").removeRecursively();
    QtSettingsStore store;
    const QString key = "Software\\tarnvale\\wbq";
    QVERIFY(!store.keyExists(key));
    QCOMPARE(store.read(key, "skin"), std::nullopt);
    QVERIFY(!store.keyExists(key));
    store.write(key, "skin", "3");
    QVERIFY(store.keyExists(key));
    QCOMPARE(store.read(key, "skin"), std::optional<QString>("3"));
    QCOMPARE(store.read(key, "number"), std::nullopt);
    QVERIFY(QFile::exists(base + "/tarnvale/wbq.conf"));
}

void TestPlatform::dateTimeText_data()
{
    QTest::addColumn<QDateTime>("moment");
    QTest::addColumn<QString>("text");
    QTest::newRow("time of day") << QDateTime(QDate(2026, 3, 4), QTime(9, 5, 7)) << "2026-03-04 09:05:07";
    QTest::newRow("midnight has no time") << QDateTime(QDate(2026, 3, 4), QTime(0, 0, 0)) << "2026-03-04";
    QTest::newRow("one second past") << QDateTime(QDate(2026, 3, 4), QTime(0, 0, 1)) << "2026-03-04 00:00:01";
    QTest::newRow("milliseconds dropped") << QDateTime(QDate(2026, 11, 15), QTime(14, 24, 5, 999))
                                          << "2026-11-15 14:24:05";
    QTest::newRow("first year") << QDateTime(QDate(1, 1, 1), QTime(0, 0)) << "0001-01-01";
    QTest::newRow("last second") << QDateTime(QDate(9999, 12, 31), QTime(23, 59, 59)) << "9999-12-31 23:59:59";
    QTest::newRow("held in UTC") << QDateTime(QDate(2026, 11, 15), QTime(8, 0), Qt::UTC) << "2026-11-15 08:00:00";
}

void TestPlatform::dateTimeText()
{
    QFETCH(QDateTime, moment);
    QFETCH(QString, text);
    QCOMPARE(kx::dateTimeText(moment), text);
}

void TestPlatform::standardButtonsSpeakChinese()
{
    if (!translationInstalled())
        QSKIP("Qt's Chinese translation is not installed");
    QVERIFY(kx::loadQtTranslations());
    QMessageBox box;
    box.setStandardButtons(QMessageBox::Yes | QMessageBox::No | QMessageBox::Ok | QMessageBox::Cancel);
    QCOMPARE(readable(box.button(QMessageBox::Yes)->text()), QString("是"));
    QCOMPARE(readable(box.button(QMessageBox::No)->text()), QString("否"));
    QCOMPARE(readable(box.button(QMessageBox::Ok)->text()), QString("确定"));
    QCOMPARE(readable(box.button(QMessageBox::Cancel)->text()), QString("取消"));
}

void TestPlatform::dialogsKeepTheProgramsCaptions()
{
    if (!translationInstalled())
        QSKIP("Qt's Chinese translation is not installed");
    QVERIFY(kx::loadQtTranslations());
    QtDialogs dialogs;
    // The required-field warning keeps its English title and button.
    inspectModal([&] { dialogs.warning(nullptr, "必须输入密码！"); }, [](QWidget* w) {
        QCOMPARE(w->windowTitle(), QString("Warning"));
        QCOMPARE(buttonTexts(w), QStringList{"OK"});
    });
    // A plain message box has the desktop's button.
    inspectModal([&] { dialogs.inform(nullptr, "所选页码不在本次打印任务中，未打印。"); }, [](QWidget* w) {
        QCOMPARE(w->windowTitle(), kx::appTitle);
        QCOMPARE(buttonTexts(w), QStringList{"确定"});
    });
    // The printer setup keeps the choices: its button confirms, it does not print.
    QPrinter printer;
    bool accepted = true;
    inspectModal([&] { accepted = dialogs.printerSetup(nullptr, &printer); }, [](QWidget* w) {
        QCOMPARE(w->windowTitle(), QString("打印设置"));
        const QStringList texts = buttonTexts(w);
        QVERIFY2(texts.contains("确定") && texts.contains("取消"), qPrintable(texts.join('|')));
        for (const QString& t : texts)
            QVERIFY2(!t.contains("Print") && !t.contains("打印"), qPrintable(t));
    });
    QVERIFY(!accepted);
}

void TestPlatform::questionWithDetails()
{
    QtDialogs dialogs;
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget());
        QVERIFY(box);
        seen = true;
        QCOMPARE(box->windowTitle(), kx::appTitle);
        QCOMPARE(box->text(), QString("跳过吗？"));
        QCOMPARE(box->detailedText(), QString("1001\n1002"));
        QCOMPARE(box->icon(), QMessageBox::Question);
        QCOMPARE(box->standardButtons(), QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel);
        QCOMPARE(box->defaultButton(), box->button(QMessageBox::Yes));
        // Closed without a choice.
        QTest::keyClick(box, Qt::Key_Escape);
    });
    const QMessageBox::StandardButton answer = dialogs.messageWithDetails(
        nullptr, kx::appTitle, "跳过吗？", "1001\n1002", Dialogs::Icon::Question,
        QMessageBox::Yes | QMessageBox::No | QMessageBox::Cancel, QMessageBox::Yes);
    QVERIFY(seen);
    QCOMPARE(answer, QMessageBox::Cancel);
}

// A name typed without extension takes the suffix of the filter chosen in
// the save dialog; the caller's suffix while the first one is chosen.
void TestPlatform::saveNameTakesTheChosenFiltersSuffix_data()
{
    QTest::addColumn<int>("filter");
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("name");
    QTest::newRow("first filter") << 0 << "清单" << "清单.xls";
    QTest::newRow("second filter") << 1 << "清单" << "清单.xlsx";
    QTest::newRow("back to the first") << -1 << "清单" << "清单.xls";
    QTest::newRow("typed with its extension") << 1 << "清单.xls" << "清单.xls";
}

void TestPlatform::saveNameTakesTheChosenFiltersSuffix()
{
    QFETCH(int, filter);
    QFETCH(QString, typed);
    QFETCH(QString, name);
    QTemporaryDir dir;
    QtDialogs dialogs;
    bool seen = false;
    QTimer::singleShot(0, [&] {
        auto* dialog = qobject_cast<QFileDialog*>(QApplication::activeModalWidget());
        if (!dialog)
            return;
        seen = true;
        auto* types = dialog->findChild<QComboBox*>("fileTypeCombo");
        QVERIFY(types);
        // As the user picks an entry of the list.
        for (int i : filter < 0 ? QList<int>{1, 0} : QList<int>{filter}) {
            types->setCurrentIndex(i);
            emit types->activated(i);
            emit types->textActivated(types->itemText(i));
        }
        dialog->findChild<QLineEdit*>("fileNameEdit")->setText(typed);
        QMetaObject::invokeMethod(dialog, "accept");
    });
    const QString chosen = dialogs.saveFileName(nullptr, QString(), "Microsoft Excel xls文件 (*.xls);;Excel 2007 xlsx文件 (*.xlsx)",
                                                "xls", dir.path());
    QVERIFY(seen);
    QCOMPARE(QFileInfo(chosen).fileName(), name);
}

QTEST_MAIN(TestPlatform)
#include "tst_platform.moc"
