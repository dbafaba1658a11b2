#include "BenchScreen.h"

#include "BenchSupport.h"

#include <QCoreApplication>
#include <QEvent>
#include <QTableView>

namespace kx::bench {

QMessageBox::StandardButton FailingDialogs::message(QWidget*, const QString& caption, const QString& text, Icon,
                                                    QMessageBox::StandardButtons, QMessageBox::StandardButton)
{
    fail(QStringLiteral("unexpected message %1: %2").arg(caption, text));
}

PaintCounter::PaintCounter(QWidget* watched)
{
    watched->installEventFilter(this);
}

bool PaintCounter::eventFilter(QObject* watched, QEvent* event)
{
    if (event->type() == QEvent::Paint)
        ++paints;
    return QObject::eventFilter(watched, event);
}

OrderScreen::OrderScreen(const QString& databasePath)
{
    dm = std::make_unique<Database>(databasePath, nullptr);
    orders = std::make_unique<OrderRegister>(*dm);
    grid = std::make_unique<OrderGrid>(*orders);
    panel = std::make_unique<QuickSearchPanel>(*orders, platform);
    rowPaints = std::make_unique<PaintCounter>(grid->view()->viewport());
    grid->resize(1058, 473);
    grid->show();
    settle();
}

OrderScreen::~OrderScreen()
{
    rowPaints.reset();
    panel.reset();
    grid.reset();
    orders.reset();
    dm.reset();
}

void OrderScreen::settle()
{
    const int before = rowPaints->paints;
    QCoreApplication::processEvents();
    if (rowPaints->paints == before)
        fail(QStringLiteral("the grid's rows were not painted"));
}

}  // namespace kx::bench
