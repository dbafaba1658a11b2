#pragma once

#include <QObject>
#include <functional>

class QMenu;
class QWidget;

namespace kx {

class Tdmfm;
struct Platform;
class SenderPanel;

// The single and batch waybill print actions of the main window.
class WaybillPrinting : public QObject {
    Q_OBJECT
public:
    WaybillPrinting(Tdmfm& dm, const Platform& platform, SenderPanel& sender, QWidget* owner);

    // Fills a menu with the nine courier entries (and their separators);
    // choosing one calls `chosen` with the entry's index 0..8.
    static void fillCourierMenu(QMenu* menu, const std::function<void(int)>& chosen);

    void printSingle(int courier);
    void printBatch(int courier);

private:
    Tdmfm& m_dm;
    const Platform& m_platform;
    SenderPanel& m_sender;
    QWidget* m_owner;
};

}  // namespace kx
