// One station of a shared order register: the program's main window over the
// data.mdb of the folder given, or over the register on a database server
// named by a connection URI, offscreen, with scripted dialogs, driven by a
// test through its standard input and output.
//
//   kx_station <folder or URI>
//
// It logs in and prints "ready". Then one command per input line; each is
// answered by one "msg <text>" line per message box the user saw meanwhile
// (from FakeDialogs) and a closing "ok <result>" line:
//
//   save <prefix> <count> <read>  enters orders <prefix>-0001 … through the
//                                 order editor ("新建记录", fields, "新 建");
//                                 with read=1 it also searches and shows all
//                                 between saves; result: the count saved
//   showall                       "全部记录"; result: the grid's row count
//   load <order number>           "修 改" from the grid's menu: loads that
//                                 order, as this station last fetched it
//   change <name>                 the loaded order's name changed, "修 改"
//   delete <order number>         "删 除" of that order as last fetched
//   quit

#include "Fakes.h"
#include "Typing.h"

#include "app/MainWindow.h"
#include "core/DbError.h"
#include "data/Database.h"
#include "data/ServerConnection.h"
#include "data/Schema.h"
#include "orders/OrderEditorPanel.h"
#include "orders/OrderGrid.h"
#include "orders/OrderRegister.h"
#include "orders/OrderTableView.h"
#include "orders/QuickSearchPanel.h"
#include "access/LoginWindow.h"
#include "widgets/CommandRegistry.h"
#include "widgets/DateField.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QLineEdit>
#include <QPushButton>
#include <cstdio>
#include <iostream>
#include <string>

using namespace kx;
namespace orderColumn = kx::schema::orderColumn;

namespace {

void say(const QString& line)
{
    std::fputs((line + QLatin1Char('\n')).toUtf8().constData(), stdout);
    std::fflush(stdout);
}

// Every message box shown since the last answer, then the answer itself.
void answer(test::FakeDialogs& dialogs, const QString& result)
{
    for (const auto& m : std::as_const(dialogs.shown))
        say(QStringLiteral("msg ") + QString(m.text).replace(QLatin1Char('\n'), QLatin1Char(' ')));
    dialogs.clear();
    say(QStringLiteral("ok ") + result);
}

QString orderNumber(const QString& prefix, int n)
{
    return QStringLiteral("%1-%2").arg(prefix).arg(n, 4, 10, QLatin1Char('0'));
}

// The grid's row of an order, as this station last fetched it; -1 if none.
int rowOfOrder(const Dataset& grid, const QString& number)
{
    const int column = grid.fieldIndex(orderColumn::orderNumber);
    for (int row = 0; row < grid.rowCount(); ++row)
        if (grid.text(row, column) == number)
            return row;
    return -1;
}

class Station {
public:
    Station(MainWindow& w, test::FakePlatform& fp) : w(w), fp(fp), editor(*w.editor()) {}

    int save(const QString& prefix, int count, bool read)
    {
        int saved = 0;
        for (int n = 1; n <= count; ++n) {
            const qsizetype before = fp.dialogs.shown.size();
            enterOrder(prefix, n);
            if (fp.dialogs.shown.size() == before)
                ++saved;
            if (read)
                lookAround(prefix, n);
            QCoreApplication::processEvents();
        }
        return saved;
    }

    void enterOrder(const QString& prefix, int n)
    {
        w.commands()->action(Command::NewOrder)->trigger();
        // Chinese as an input method commits it, the rest as typed text.
        editor.recipientNameEdit->setFocus();
        test::commitText(editor.recipientNameEdit, QStringLiteral("张%1").arg(n));
        editor.recipientMobileEdit->setText(QStringLiteral("139%1").arg(n, 8, 10, QLatin1Char('0')));
        test::commitText(editor.recipientAddressEdit, QStringLiteral("浙江省杭州市西湖区文三路%1号").arg(n));
        editor.printStatusBox->setEditText(QStringLiteral("未打印"));
        editor.setDate(QDate(2026, 12, 10));
        editor.quantityEdit->setText(QString::number(n % 5 + 1));
        editor.amountEdit->setText(QStringLiteral("%1.5").arg(n));
        test::commitText(editor.itemNameEdit, QStringLiteral("茶叶"));
        editor.orderNumberEdit->setText(orderNumber(prefix, n));
        editor.newButton->click();
    }

    // What a user at the other desk does between two orders: look for an
    // order by its number, clear the conditions, show everything.
    void lookAround(const QString& prefix, int n)
    {
        QuickSearchPanel& search = *w.quickSearch();
        search.orderNumberEdit->setText(orderNumber(prefix, n));
        search.clearButton->click();
        search.showAllButton->click();
    }

    int showAll()
    {
        w.quickSearch()->showAllButton->click();
        return w.orders()->rowCount();
    }

    bool load(const QString& number)
    {
        OrderRegister& orders = *w.orders();
        const int row = rowOfOrder(orders.result(), number);
        if (row < 0)
            return false;
        orders.setCurrentRow(row);
        w.commands()->action(Command::GridEdit)->trigger();
        return true;
    }

    void change(const QString& name)
    {
        editor.recipientNameEdit->clear();
        editor.recipientNameEdit->setFocus();
        test::commitText(editor.recipientNameEdit, name);
        editor.saveChangesButton->click();
    }

    bool remove(const QString& number)
    {
        OrderRegister& orders = *w.orders();
        const int row = rowOfOrder(orders.result(), number);
        if (row < 0)
            return false;
        orders.setCurrentRow(row);
        static_cast<OrderTableView*>(w.grid()->view())->setSelectedRows({row});
        fp.dialogs.answers.enqueue(QMessageBox::Ok);  // "你真的要删除选中资料吗？"
        w.commands()->action(Command::GridDelete)->trigger();
        return true;
    }

private:
    MainWindow& w;
    test::FakePlatform& fp;
    OrderEditorPanel& editor;
};

}  // namespace

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    if (args.size() != 2) {
        say(QStringLiteral("usage: kx_station <folder or URI>"));
        return 2;
    }
    if (ServerConnection::isServerUri(args.at(1)))
        Database::setDefaultRegister(args.at(1));
    else
        QDir::setCurrent(args.at(1));
    test::FakePlatform fp;
    std::unique_ptr<Database> dm;
    try {
        dm = std::make_unique<Database>();
    } catch (const OperationError& e) {
        say(QStringLiteral("msg ") + e.message());
        return 1;
    }
    MainWindow w(*dm, fp.platform);
    w.show();
    QCoreApplication::processEvents();
    LoginWindow* login = w.login();
    if (!login->isVisible()) {
        answer(fp.dialogs, QStringLiteral("no login"));
        return 1;
    }
    login->userBox->setEditText(QStringLiteral("超级管理员"));
    login->passwordEdit->setText(QStringLiteral("507"));
    login->loginButton->click();
    QCoreApplication::processEvents();
    for (const auto& m : std::as_const(fp.dialogs.shown))
        say(QStringLiteral("msg ") + m.text);
    fp.dialogs.clear();
    say(QStringLiteral("ready"));

    Station station(w, fp);
    std::string line;
    while (std::getline(std::cin, line)) {
        const QStringList words = QString::fromStdString(line).split(QLatin1Char(' '), Qt::SkipEmptyParts);
        if (words.isEmpty())
            continue;
        const QString& command = words.first();
        if (command == QLatin1String("quit"))
            break;
        if (command == QLatin1String("save") && words.size() == 4) {
            const int saved = station.save(words[1], words[2].toInt(), words[3] == QLatin1String("1"));
            answer(fp.dialogs, QString::number(saved));
        } else if (command == QLatin1String("showall")) {
            answer(fp.dialogs, QString::number(station.showAll()));
        } else if (command == QLatin1String("load") && words.size() == 2) {
            answer(fp.dialogs, station.load(words[1]) ? QStringLiteral("done") : QStringLiteral("missing"));
        } else if (command == QLatin1String("change") && words.size() == 2) {
            station.change(words[1]);
            answer(fp.dialogs, QStringLiteral("done"));
        } else if (command == QLatin1String("delete") && words.size() == 2) {
            answer(fp.dialogs, station.remove(words[1]) ? QStringLiteral("done") : QStringLiteral("missing"));
        } else {
            answer(fp.dialogs, QStringLiteral("unknown command"));
        }
        QCoreApplication::processEvents();
    }
    return 0;
}
