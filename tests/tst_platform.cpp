#include "platform/Clock.h"
#include "platform/SettingsStore.h"

#include "core/DateText.h"
#include <QDir>
#include <QStandardPaths>
#include <QtTest>

using namespace kx;

class TestPlatform : public QObject {
    Q_OBJECT
private slots:
    void settingsReadNeverCreatesKey();
    void dateTimeText_data();
    void dateTimeText();
};

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
}

void TestPlatform::dateTimeText()
{
    QFETCH(QDateTime, moment);
    QFETCH(QString, text);
    QCOMPARE(kx::dateTimeText(moment), text);
}

QTEST_MAIN(TestPlatform)
#include "tst_platform.moc"
