#pragma once

#include "report/ListPrintOptions.h"

#include <QWidget>
#include <memory>

class QComboBox;
class QLabel;
class QPrinter;
class QPushButton;
class QTimer;

namespace kx {

class ListJob;
struct ListReport;
struct Platform;
class ReportPageView;

// The preview window "Preview" of a printed list, through which the list
// reaches the printer. It owns its report, so what it shows is what its
// "打印" prints whatever happens in the main window meanwhile.
//
// The list is laid out a chunk of rows at a time between the window's
// events, while the window already shows its first page; "停止" ends the
// layout where it stands, and the pages laid out by then are the job. A
// change of the page setup (" 打印设置") or of the printer lays the list out
// afresh.
class ListPreview : public QWidget {
    Q_OBJECT
public:
    // The zoom choices of "缩放", in their order; the last is chosen at first.
    static const QStringList zoomChoices;

    ListPreview(std::shared_ptr<const ListReport> report, const ListPrintOptions& options,
                std::shared_ptr<QPrinter> printer, const Platform& platform, QWidget* parent = nullptr);
    ~ListPreview() override;

    ListJob& job() const { return *m_job; }
    const ListPrintOptions& options() const { return m_options; }
    QPrinter* printer() const { return m_printer.get(); }
    ReportPageView* view() const { return m_view; }

    // Lays the list out afresh with other page setup choices.
    void setOptions(const ListPrintOptions& options);
    // At most this many rows are laid out between two looks at the window's
    // events (which come at least every few milliseconds anyway).
    void setLayoutChunk(int bands) { m_chunk = bands; }
    bool isGenerating() const;

    QPushButton* printButton;     // 打印
    QPushButton* setupButton;     // " 打印设置"
    QComboBox* zoomBox;           // 缩放
    QPushButton* previousButton;  // 上一页
    QPushButton* nextButton;      // 下一页
    QPushButton* stopButton;      // 停止
    QPushButton* closeButton;     // 关闭
    QLabel* pageLabel;

    // The page setup dialog "打印设置", modal; its choices apply when confirmed.
    void pageSetup();
    // Prints the whole job (what is still to lay out is laid out as it prints).
    void print();
    // Ends the layout where it stands.
    void stop();

signals:
    // The page setup's choices changed; they hold for the next list too.
    void optionsChanged(const ListPrintOptions& options);
    // The layout is done (or was stopped).
    void generated();

private:
    std::shared_ptr<ListJob> newJob() const;
    void relayOut();
    void startLayout();
    void generateMore();
    void applyZoom(int choice);
    void showPage(int page);
    void updatePageLabel();

    std::shared_ptr<const ListReport> m_report;
    ListPrintOptions m_options;
    std::shared_ptr<QPrinter> m_printer;
    const Platform& m_platform;
    std::shared_ptr<ListJob> m_job;
    ReportPageView* m_view;
    QTimer* m_generation;
    int m_chunk;
};

}  // namespace kx
