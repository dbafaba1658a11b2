#include "importui/ImportCleanup.h"

#include "core/DbError.h"
#include "core/TextValue.h"
#include "data/DataOps.h"
#include "data/Schema.h"
#include "data/SenderProfile.h"
#include "import/AddressTidy.h"
#include "orders/OrderRegister.h"
#include "orders/PrintStatus.h"
#include "widgets/CommandRegistry.h"

#include <QCoreApplication>
#include <QScopeGuard>
#include <numeric>

namespace kx {

ImportCleanup::ImportCleanup(OrderRegister& orders, SenderProfile& sender, QObject* parent)
    : QObject(parent), m_orders(orders), m_sender(sender)
{
    setObjectName(QStringLiteral("ImportCleanup"));
}

void ImportCleanup::registerCommands(CommandRegistry& commands)
{
    commands.on(Command::CleanImported, [this] { cleanImported(); });
    commands.on(Command::GridCleanImported, [this] { cleanImported(); });
    commands.on(Command::CleanAddresses, [this] { cleanAddresses(); });
}

void ImportCleanup::cleanImported()
{
    Dataset& grid = m_orders.result();
    // Only rows as the import left them: it writes the shop's order status
    // into both the print status and the remark, so a raw row's status is
    // null or equals its remark and is none of the two statuses the program
    // itself sets. Rows typed in the editor and rows cleaned before keep
    // their courier, status and date: a mark "已打印" set by hand survives the
    // next day's clean-up.
    //
    // The three changes go in one statement: its condition reads the status
    // that the change itself overwrites, and a failure leaves no row half
    // cleaned. The courier box's text and both statuses are bound values, so
    // no text can change what the statement does; a text is bound as a text
    // even when empty, never a null.
    namespace column = schema::orderColumn;
    runStatement(grid,
                 QStringLiteral("update data set %1=?, %2=?, %3=Date() where %2 is null or (%2=%4 and %2 not in (?, ?))")
                     .arg(column::courier, column::printStatus, column::payDate, column::remark),
                 {m_sender.courier(), notPrintedStatus, notPrintedStatus, printedStatus});
    m_orders.showAll();
}

void ImportCleanup::cleanAddresses()
{
    const int total = m_orders.rowCount();
    if (total > 0) {
        const Dataset& result = m_orders.result();
        namespace column = schema::orderColumn;
        const int mobile = result.fieldIndex(column::recipientMobile);
        const int address = result.fieldIndex(column::recipientAddress);
        for (auto [index, name] :
             {std::pair{mobile, column::recipientMobile}, std::pair{address, column::recipientAddress}})
            if (index < 0)
                throw DbError(QStringLiteral("%1: Field '%2' not found").arg(result.objectName(), name));
        QList<int> rows(total);
        std::iota(rows.begin(), rows.end(), 0);
        const auto ended = qScopeGuard([this] { emit progressEnded(); });
        emit progress(0, total);
        m_orders.changeRows(
            rows,
            [&](int row) {
                // A null (an empty cell of an imported report) stops the walk here.
                const QString b = textOf(result.cell(row, mobile));
                const QString c = textOf(result.cell(row, address));
                return FieldValues{{column::recipientMobile, lastElevenOf(b)},
                                   {column::recipientAddress, trimControl(AddressTidy::tidy(c))}};
            },
            [&](int done) {
                emit progress(done, total);
                // Between chunks, with nothing left uncommitted: the window
                // repaints and shows the progress, while no click or key can
                // start another command in the middle of the walk.
                QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
            });
    }
    m_orders.showAll();
}

QString ImportCleanup::lastElevenOf(const QString& mobile)
{
    const auto lastEleven = [](const QString& text) {
        qsizetype from = text.size();
        for (int kept = 0; kept < 11 && from > 0; ++kept) {
            --from;
            if (from > 0 && text.at(from).isLowSurrogate() && text.at(from - 1).isHighSurrogate())
                --from;
        }
        return from == 0 ? text : text.mid(from);
    };
    if (lastEleven(mobile) == mobile)
        return mobile;
    // What formats a number for the eye, never a digit of it.
    static const QString formatting = QStringLiteral("-()+\u2010\uFF0D\uFF08\uFF09\uFF0B");
    QString plain;
    plain.reserve(mobile.size());
    for (const QChar c : mobile)
        if (!c.isSpace() && !formatting.contains(c))
            plain += c;
    return lastEleven(plain);
}

}  // namespace kx
