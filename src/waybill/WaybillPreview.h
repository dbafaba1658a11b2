#pragma once

#include <QWidget>
#include <memory>

class QButtonGroup;
class QPrinter;
class QPrintPreviewWidget;
class QPushButton;

namespace kx {

class ReportJob;
struct Platform;

// The print preview window "Report Preview : " through which every waybill
// reaches the printer. It owns its job, so what it shows is what its "打印"
// prints, whatever happens in the main window meanwhile. The printer is the
// template's: a printer setup chosen here stays with the template.
class WaybillPreview : public QWidget {
    Q_OBJECT
public:
    WaybillPreview(std::shared_ptr<const ReportJob> job, std::shared_ptr<QPrinter> printer,
                   const Platform& platform, QWidget* parent = nullptr);
    ~WaybillPreview() override;

    const ReportJob& job() const { return *m_job; }
    QPrinter* printer() const { return m_printer.get(); }
    QPrintPreviewWidget* view() const { return m_view; }

    QPushButton* fitPageButton;   // 正常
    QPushButton* fitWidthButton;  // 满窗口显示
    QPushButton* actualSizeButton;// 100%显示
    QPushButton* previousButton;  // 上一页
    QPushButton* nextButton;      // 下一页
    QPushButton* setupButton;     // 打印设置
    QPushButton* printButton;     // 打印
    QPushButton* closeButton;     // 退出

    void printerSetup();
    // Generates the job again for the template's printer and prints it.
    void print();

private:
    void paintPages(QPrinter* printer);
    void showPage(int page);

    std::shared_ptr<const ReportJob> m_job;
    std::shared_ptr<QPrinter> m_printer;
    const Platform& m_platform;
    QPrintPreviewWidget* m_view;
    QButtonGroup* m_zoom;
};

}  // namespace kx
