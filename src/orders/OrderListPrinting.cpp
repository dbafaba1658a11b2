#include "orders/OrderListPrinting.h"

#include "data/LoginSession.h"
#include "orders/OrderGrid.h"
#include "orders/OrderGridModel.h"
#include "orders/OrderListReport.h"
#include "platform/Platform.h"
#include "preview/ListPreview.h"
#include "widgets/CommandRegistry.h"
#include "widgets/FontSubstitutions.h"
#include "widgets/FooterRow.h"
#include "widgets/TwoLevelHeader.h"

#include <QPageSize>
#include <QPrinter>

namespace kx {

OrderListPrinting::OrderListPrinting(OrderGrid& grid, const LoginSession& session,
                                     const Platform& platform, QWidget* owner)
    : QObject(owner), m_grid(&grid), m_session(session), m_platform(platform), m_owner(owner)
{
    setObjectName(QStringLiteral("OrderListPrinting"));
    registerFontSubstitutions();
}

OrderListPrinting::~OrderListPrinting() = default;

void OrderListPrinting::registerCommands(CommandRegistry& commands)
{
    commands.on(Command::GridPrintList, [this] { printList(); });
}

QPrinter* OrderListPrinting::printer()
{
    if (!m_printer) {
        // The system's default printer and paper (A4 when there is no
        // printer), portrait, all pages; the list's own margins place it.
        m_printer = std::make_shared<QPrinter>(QPrinter::HighResolution);
        if (m_printer->printerName().isEmpty())
            m_printer->setPageSize(QPageSize(QPageSize::A4));
        m_printer->setPageOrientation(QPageLayout::Portrait);
        m_printer->setPrintRange(QPrinter::AllPages);
        m_printer->setFullPage(true);
        m_printer->setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    }
    return m_printer.get();
}

ListPreview* OrderListPrinting::printList()
{
    OrderListReport::Grid shown;
    for (int c = 0; c < GridColumnCount; ++c) {
        if (!m_grid->isColumnVisible(c))
            continue;
        shown.columns << c;
        shown.widths << m_grid->header()->sectionSize(c);
        shown.footer << m_grid->footer()->text(c);
        shown.footerAlignments << m_grid->footer()->alignment(c);
    }
    auto report = std::make_shared<ListReport>(OrderListReport::build(
        *m_grid->model(), shown, m_session.userName(), m_platform.clock.now().date()));
    printer();
    auto* preview = new ListPreview(report, m_options, m_printer, m_platform, m_owner.data());
    connect(preview, &ListPreview::optionsChanged, this, [this](const ListPrintOptions& o) { m_options = o; });
    preview->show();
    return preview;
}

}  // namespace kx
