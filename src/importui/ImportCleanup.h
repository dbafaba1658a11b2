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

    // "优化导入数据": every order's courier becomes the sender profile's
    // default courier as typed, its print status "未打印" and its payment
    // date today — three statements run one after another on the grid's
    // query, without a transaction — and then "全部记录". A statement that
    // fails ends it there; the grid's query stays closed, so the grid shows
    // no rows until the next "全部记录".
    void cleanImported();

    // "优化收件地址": every row of the grid's result, in the grid's order,
    // gets the last 11 characters of its mobile and its address tidied and
    // trimmed, and then "全部记录". A null mobile or address stops it at that
    // row with the conversion error: the rows before stay tidied, no reload.
    void cleanAddresses();

    // A mobile as "优化收件地址" stores it: its last 11 characters (a
    // character outside the BMP counts once and is never cut in half).
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
