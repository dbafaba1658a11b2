#include "waybill/WaybillPrinting.h"

#include "core/CourierCatalogue.h"
#include "core/DbError.h"
#include "core/TextValue.h"
#include "data/Schema.h"
#include "data/SenderProfile.h"
#include "orders/OrderRegister.h"
#include "platform/Platform.h"
#include "report/ReportJob.h"
#include "preview/ReportPreview.h"
#include "waybill/CalibrationPage.h"
#include "waybill/CalibrationStore.h"
#include "waybill/CalibrationWindow.h"
#include "waybill/CourierLayoutTable.h"
#include "waybill/WaybillTemplates.h"
#include "widgets/CommandRegistry.h"
#include "widgets/FontSubstitutions.h"

#include <QMenu>
#include <QPageSize>
#include <QPrinter>

namespace kx {

namespace {

QString roleName(const ReportTemplate& r, WaybillRole role)
{
    return WaybillTemplates::elementFor(r, role);
}

// A cell's text as the report prints it: a null prints empty, a number in its
// shortest form. Read from the result's text store, so that a walk over all
// rows makes no per-row values.
QString printedText(const Dataset& rows, int row, int column)
{
    const QStringView text = rows.text(row, column);
    if (!text.isEmpty())
        return text.toString();
    return displayText(rows.cell(row, column));
}

// The job's own copy of the report's bound fields of every row, in the
// list's order (a search or a sort counts). Taken in one go, before any event
// can change the list; the job lays out from it alone. Leaves the list on
// its last row, as a report that walked it to its end does.
std::vector<QStringList> snapshotRows(Dataset& rows, const std::vector<QString>& fields)
{
    std::vector<QStringList> copy;
    if (!rows.isOpen() || rows.rowCount() == 0)
        return copy;
    std::vector<int> columns;
    for (const QString& f : fields) {
        const int c = rows.fieldIndex(f);
        if (c < 0)
            throw DbError(QStringLiteral("%1: Field '%2' not found").arg(rows.objectName(), f));
        columns.push_back(c);
    }
    copy.reserve(size_t(rows.rowCount()));
    for (int r = 0; r < rows.rowCount(); ++r) {
        QStringList values;
        values.reserve(qsizetype(columns.size()));
        for (int c : columns)
            values.append(printedText(rows, r, c));
        copy.push_back(std::move(values));
    }
    rows.last();
    return copy;
}

// A template's printer: the system's default printer and its default paper
// (the stored A4 page when there is no printer), portrait, one copy, simplex,
// all pages; the report's own margins place everything.
std::shared_ptr<QPrinter> makePrinter()
{
    auto printer = std::make_shared<QPrinter>(QPrinter::HighResolution);
    if (printer->printerName().isEmpty())
        printer->setPageSize(QPageSize(QPageSize::A4));
    printer->setPageOrientation(QPageLayout::Portrait);
    printer->setCopyCount(1);
    printer->setDuplex(QPrinter::DuplexNone);
    printer->setPrintRange(QPrinter::AllPages);
    printer->setFullPage(true);
    printer->setPageMargins(QMarginsF(0, 0, 0, 0), QPageLayout::Millimeter);
    return printer;
}

}  // namespace

WaybillPrinting::WaybillPrinting(OrderRegister& orders, const Platform& platform, const SenderProfile& sender,
                                 QWidget* owner)
    : QObject(owner),
      m_orders(orders),
      m_platform(platform),
      m_sender(sender),
      m_owner(owner),
      m_single(WaybillTemplates::singleWaybill()),
      m_batch(WaybillTemplates::batchWaybill())
{
    registerFontSubstitutions();
}

WaybillPrinting::~WaybillPrinting()
{
    delete m_calibration.data();
}

Dataset& WaybillPrinting::grid() const
{
    return m_orders.result();
}

void WaybillPrinting::fillCourierMenu(QMenu* menu, const std::function<void(int)>& chosen)
{
    for (int courier = 0; courier < CourierCatalogue::menuCount; ++courier) {
        if (CourierCatalogue::separatorBefore(courier))
            menu->addSeparator();
        QAction* a = menu->addAction(CourierCatalogue::menuCaption(courier));
        QObject::connect(a, &QAction::triggered, menu, [chosen, courier] { chosen(courier); });
    }
}

void WaybillPrinting::registerCommands(CommandRegistry& commands)
{
    auto single = [this](int courier) { m_platform.guard(m_owner, [this, courier] { printSingle(courier); }); };
    auto batch = [this](int courier) { m_platform.guard(m_owner, [this, courier] { printBatch(courier); }); };
    fillCourierMenu(commands.menu(CommandMenu::SinglePrint), single);
    fillCourierMenu(commands.menu(CommandMenu::GridSinglePrint), single);
    fillCourierMenu(commands.menu(CommandMenu::BatchPrint), batch);
    fillCourierMenu(commands.menu(CommandMenu::GridBatchPrint), batch);
    // Every user may calibrate.
    commands.on(Command::Calibration, [this] {
        CalibrationWindow* w = calibrationWindow();
        // Centred over the main window the first time, so that it opens
        // where the operator is looking rather than in a screen corner.
        if (!w->isVisible() && m_owner && !w->property("placed").toBool()) {
            w->adjustSize();
            w->move(m_owner->geometry().center() - w->rect().center());
            w->setProperty("placed", true);
        }
        w->show();
        w->raise();
        w->activateWindow();
    });
}

CalibrationWindow* WaybillPrinting::calibrationWindow()
{
    if (!m_calibration) {
        m_calibration = new CalibrationWindow(m_platform, m_owner.data());
        connect(m_calibration, &CalibrationWindow::calibrationPageWanted, this,
                [this](int courier, const PrintCorrection& c) { printCalibrationPage(courier, c); });
    }
    return m_calibration;
}

ReportPreview* WaybillPrinting::printCalibrationPage(int courier, const PrintCorrection& correction)
{
    // The rulers keep clear of what this printer cannot print on this paper.
    QPageLayout layout = singlePrinter()->pageLayout();
    layout.setUnits(QPageLayout::Millimeter);
    return openPreview(CalibrationPage::job(courier, correction, layout.fullRect(QPageLayout::Millimeter).size(),
                                            layout.minimumMargins()),
                       m_singlePrinter);
}

QPrinter* WaybillPrinting::singlePrinter()
{
    if (!m_singlePrinter)
        m_singlePrinter = makePrinter();
    return m_singlePrinter.get();
}

QPrinter* WaybillPrinting::batchPrinter()
{
    if (!m_batchPrinter)
        m_batchPrinter = makePrinter();
    return m_batchPrinter.get();
}

void WaybillPrinting::setSenderTexts(ReportTemplate& r) const
{
    // The profile as it stands, saved or not, untrimmed.
    r.setText(roleName(r, WaybillRole::SenderName), m_sender.name());
    r.setText(roleName(r, WaybillRole::SenderMobile), m_sender.mobile());
    r.setText(roleName(r, WaybillRole::SenderNameCopy), m_sender.name());
    r.setText(roleName(r, WaybillRole::SenderAddress), m_sender.address());
}

ReportPreview* WaybillPrinting::printSingle(int courier)
{
    setSenderTexts(m_single);

    Dataset& orders = grid();
    const int row = orders.currentRow();
    auto recipient = [&](const QString& name) {
        const int column = orders.fieldIndex(name);
        if (column < 0 && orders.isOpen())
            throw DbError(QStringLiteral("%1: Field '%2' not found").arg(orders.objectName(), name));
        // No current row reads as a null, as an empty list's fields do.
        const bool onRow = orders.isOpen() && row >= 0 && row < orders.rowCount();
        return textOf(onRow ? orders.value(row, column) : QVariant());
    };
    namespace column = schema::orderColumn;
    m_single.setText(roleName(m_single, WaybillRole::RecipientName), recipient(column::recipientName));
    m_single.setText(roleName(m_single, WaybillRole::RecipientMobile), recipient(column::recipientMobile));
    m_single.setText(roleName(m_single, WaybillRole::RecipientAddress), recipient(column::recipientAddress));

    CourierLayoutTable::apply(m_single, courier);
    m_single.setCorrection(CalibrationStore::load(m_platform.settings, courier));

    auto job = std::make_shared<ReportJob>(m_single, std::vector<QStringList>{});
    job->layOut();
    singlePrinter();
    return openPreview(job, m_singlePrinter);
}

ReportPreview* WaybillPrinting::printBatch(int courier)
{
    setSenderTexts(m_batch);
    CourierLayoutTable::apply(m_batch, courier);
    m_batch.setCorrection(CalibrationStore::load(m_platform.settings, courier));
    auto job = std::make_shared<ReportJob>(m_batch, snapshotRows(grid(), m_batch.boundFields()));
    // The preview lays the job out between the window's events, showing the
    // first page at once.
    batchPrinter();
    return openPreview(job, m_batchPrinter);
}

ReportPreview* WaybillPrinting::openPreview(const std::shared_ptr<ReportJob>& job, std::shared_ptr<QPrinter>& printer)
{
    auto* preview = new ReportPreview(job, printer, m_platform, m_owner.data());
    preview->show();
    return preview;
}

}  // namespace kx
