#pragma once

#include "report/ReportTemplate.h"

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>

class QMenu;
class QPrinter;
class QWidget;

namespace kx {

class CalibrationWindow;
class CommandRegistry;
class Dataset;
class OrderRegister;
struct Platform;
class ReportJob;
class SenderProfile;
class ReportPreview;

// The single and batch waybill print actions of the main window, with the two
// report templates they fill (TForm8, TForm9) and the printer each keeps.
class WaybillPrinting : public QObject {
    Q_OBJECT
public:
    WaybillPrinting(OrderRegister& orders, const Platform& platform, const SenderProfile& sender, QWidget* owner);
    ~WaybillPrinting() override;

    // Fills the four courier print menus (the picture buttons' and the grid
    // menu's submenus) with the single and batch print actions.
    void registerCommands(CommandRegistry& commands);

    // Fills a menu with the nine courier entries (and their separators);
    // choosing one calls `chosen` with the entry's index 0..8.
    static void fillCourierMenu(QMenu* menu, const std::function<void(int)>& chosen);

    // Prints the current order of the order list on the courier's form: fills
    // TForm8 from the sender profile and the current row, applies the courier's
    // layout and opens a preview (not modal). A null recipient field (or no
    // current row) throws the conversion error before any preview opens.
    ReportPreview* printSingle(int courier);
    // Prints every row of the order list's query in its current order on
    // TForm9; nulls print empty, an empty list prints one waybill with the
    // sender texts. Leaves the query on its last row. The preview opens on
    // its first page at once and lays out the rest between window events,
    // from its own copy of the rows.
    ReportPreview* printBatch(int courier);

    // One calibration page of the courier's form with that correction, in
    // a preview on the single waybill's printer.
    ReportPreview* printCalibrationPage(int courier, const PrintCorrection& correction);
    // The calibration window, made when first asked for.
    CalibrationWindow* calibrationWindow();

    // The templates as the last prints left them.
    const ReportTemplate& singleTemplate() const { return m_single; }
    const ReportTemplate& batchTemplate() const { return m_batch; }
    // The printer of each template; a printer setup made in a preview stays here.
    QPrinter* singlePrinter();
    QPrinter* batchPrinter();

private:
    // The order list whose rows are printed.
    Dataset& grid() const;
    ReportPreview* openPreview(const std::shared_ptr<ReportJob>& job, std::shared_ptr<QPrinter>& printer);
    void setSenderTexts(ReportTemplate& report) const;

    OrderRegister& m_orders;
    const Platform& m_platform;
    const SenderProfile& m_sender;
    QPointer<QWidget> m_owner;
    ReportTemplate m_single;
    ReportTemplate m_batch;
    std::shared_ptr<QPrinter> m_singlePrinter;
    std::shared_ptr<QPrinter> m_batchPrinter;
    QPointer<CalibrationWindow> m_calibration;
};

}  // namespace kx
