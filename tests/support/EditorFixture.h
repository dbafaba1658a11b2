#pragma once

#include "Fakes.h"
#include "TestDb.h"

#include "data/SenderProfile.h"
#include "data/Database.h"
#include "orders/OrderEditorPanel.h"
#include "orders/OrderRegister.h"
#include "orders/SelectionSource.h"

#include <QLineEdit>
#include <QRegularExpression>
#include <QWidget>
#include <QtTest>

namespace kx::test {

// The columns the editor writes, in the order of its fields.
inline const QString orderColumns = "d,g,day1,a,b,c,[1],[2],z,h,i,j";

// The editor inside a stand-in main window over a fresh database, with the
// order register and sender profile it works on; the grid's selection is
// what the test sets.
struct ChosenRows : SelectionSource {
    QList<int> rows;
    QList<int> selectedRows() const override { return rows; }
};

struct EditorFixture {
    test::TestDb db;
    test::FakePlatform fp;
    Database dm;
    OrderRegister orders{dm};
    SenderProfile sender{dm};
    ChosenRows chosen;
    QList<int>& selection = chosen.rows;
    QWidget window;
    OrderEditorPanel* editor;
    QStringList banners;
    int showAlls = 0;  // since the test last loaded the grid

    EditorFixture() : editor(new OrderEditorPanel(orders, sender, fp.platform, &window))
    {
        sender.setCourier("申通快递");
        orders.setSelectionSource(&chosen);
        QObject::connect(&orders, &OrderRegister::rowCountTextChanged, [this] { ++showAlls; });
        QObject::connect(editor, &OrderEditorPanel::bannerRequested, [this](const QString& text) { banners << text; });
        window.resize(1058, 636);
    }

    void showWindow()
    {
        window.show();
        QVERIFY(QTest::qWaitForWindowActive(&window));
    }

    void addOrder(const QString& name, const QVariantMap& more = {})
    {
        QVariantMap o{{"a", name},   {"b", "13800001111"}, {"c", "北京市朝阳区"}, {"d", "圆通速递"},
                      {"g", "未打印"}, {"day1", "2026-03-05"}, {"1", 1.0},        {"2", 25.5},
                      {"z", "备注"},  {"h", "商品"},         {"i", "会员"},       {"j", "单号"},
                      {"k", "留言"}};
        for (auto it = more.begin(); it != more.end(); ++it)
            o[it.key()] = it.value();
        db.addOrder(o);
    }

    // Every order in the grid, the last one current: the show-all without its
    // courier list, which an order without a courier would stop.
    void showAll()
    {
        orders.search("select * from data");
        orders.result().last();
        showAlls = 0;
    }

    // Runs an entry point as the main window does, inside the guard.
    bool run(void (OrderEditorPanel::*action)()) { return fp.platform.guard(&window, [&] { (editor->*action)(); }); }

    // The two number columns as the file's client writes a whole double
    // ("1.0"), whichever engine holds them.
    QStringList stored() const
    {
        QStringList rows = db.cli("select " + orderColumns + " from data order by rowid");
        if (test::TestDb::onServer())
            for (QString& row : rows) {
                QStringList fields = row.split(QLatin1Char('|'));
                for (int f : {6, 7})
                    if (f < fields.size() && QRegularExpression("^-?\\d+$").match(fields[f]).hasMatch())
                        fields[f] += ".0";
                row = fields.join(QLatin1Char('|'));
            }
        return rows;
    }

    void fillUpper(const QString& name)
    {
        editor->recipientNameEdit->setText(name);
        editor->recipientMobileEdit->setText("13912345678");
        editor->recipientAddressEdit->setText("上海市浦东新区");
    }
};

}  // namespace kx::test
