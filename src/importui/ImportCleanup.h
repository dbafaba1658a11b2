#pragma once

#include <QObject>
#include <QString>

namespace kx {

class CommandRegistry;
class OrderRegister;
class SenderProfile;

// The two clean-up commands under "批量导入" that put imported orders into
// the form the register and the waybill layouts expect. No widget: the
// main window shows the address clean-up's progress from the signals.
class ImportCleanup : public QObject {
    Q_OBJECT
public:
    ImportCleanup(OrderRegister& orders, SenderProfile& sender, QObject* parent = nullptr);

    // Claims "优化导入数据" (in the toolbar's menu and the grid's menu) and
    // "优化收件地址".
    void registerCommands(CommandRegistry& commands);

    // "优化导入数据": every order still as an import left it (its print
    // status null, or equal to its remark and neither "未打印" nor "已打印")
    // gets the sender profile's default courier as typed, the print status
    // "未打印" and today's payment date, in one statement on the grid's
    // query; then "全部记录". Orders typed by hand or cleaned before keep
    // theirs. A failing statement ends it there with nothing changed; the
    // grid's query stays closed, so the grid shows no rows until the next
    // "全部记录".
    void cleanImported();

    // "优化收件地址": every row of the grid's result, in the grid's order,
    // gets its mobile shortened (see lastElevenOf) and its address tidied and
    // trimmed, and then "全部记录". A null mobile or address stops it at that
    // row with the conversion error: the rows before stay tidied, no reload.
    void cleanAddresses();

    // A mobile as "优化收件地址" stores it. One of 11 characters or fewer
    // stays as it is. A longer one first loses the blanks, hyphens,
    // parentheses and plus signs (half- or full-width) that format it, so
    // that "+86 138-1234-5678" keeps its own number, then keeps its last 11
    // characters (a character outside the BMP counts once and is never cut
    // in half).
    static QString lastElevenOf(const QString& mobile);

signals:
    // "优化收件地址" has walked `done` of the `total` rows: 0 at the start,
    // then between chunks of its writes, at last `total` when it got through.
    void progress(int done, int total);
    // The address clean-up's walk is over, finished or stopped.
    void progressEnded();

private:
    OrderRegister& m_orders;
    SenderProfile& m_sender;
};

}  // namespace kx
