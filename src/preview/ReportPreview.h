#pragma once

#include "preview/ReportPageView.h"

#include <QPointer>
#include <QWidget>
#include <memory>

class QButtonGroup;
class QLabel;
class QPrinter;
class QPushButton;
class QScreen;
class QTimer;

namespace kx {

class ReportJob;
struct Platform;

// The print preview window "Report Preview : " through which every report
// reaches the printer. It owns its job, so what it shows is what its "打印"
// prints, whatever happens in the main window meanwhile. The printer is the
// template's: a printer setup chosen here stays with the template.
//
// A job handed over before it is laid out is laid out here, a chunk of bands
// at a time between the window's events, while the window already shows its
// first pages (any page looked at is laid out on the spot, and "打印" prints
// the whole job).
class ReportPreview : public QWidget {
    Q_OBJECT
public:
    ReportPreview(std::shared_ptr<ReportJob> job, std::shared_ptr<QPrinter> printer, const Platform& platform,
                  QWidget* parent = nullptr);
    ~ReportPreview() override;

    const ReportJob& job() const { return *m_job; }
    QPrinter* printer() const { return m_printer.get(); }
    ReportPageView* view() const { return m_view; }

    // At most this many bands are laid out between two looks at the window's
    // events (which come at least every few milliseconds anyway).
    void setLayoutChunk(int bands) { m_chunk = bands; }
    bool isGenerating() const;

    QPushButton* fitPageButton;   // 正常
    QPushButton* fitWidthButton;  // 满窗口显示
    QPushButton* actualSizeButton;// 100%显示
    QPushButton* previousButton;  // 上一页
    QPushButton* nextButton;      // 下一页
    QPushButton* setupButton;     // 打印设置
    QPushButton* printButton;     // 打印
    QPushButton* closeButton;     // 退出
    QLabel* statusLabel;          // the status line under the pages

    void printerSetup();
    // Generates the job again for the template's printer and prints it.
    void print();

signals:
    // Every band of the job is laid out.
    void generated();

protected:
    bool event(QEvent* event) override;

private:
    // Sizes and places the window so that all of it, `frame` included, is on
    // the screen it opens on.
    void placeOnScreen(const QMargins& frame);
    static QMargins frameOf(const QWidget* window);

    void generateMore();
    // Tells how many waybills of the job hold a text cut at its box.
    void updateStatus();
    void showPage(int page);

    std::shared_ptr<ReportJob> m_job;
    std::shared_ptr<QPrinter> m_printer;
    const Platform& m_platform;
    ReportPageView* m_view;
    QButtonGroup* m_zoom;
    QTimer* m_generation;
    int m_chunk;
    QPointer<QScreen> m_screen;  // the screen the window opens on
    bool m_framed = false;       // placed by its real frame
};

}  // namespace kx
