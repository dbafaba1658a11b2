#pragma once

// Shared by the waybill printing tests: a small order register with the
// sender panel and the print actions. Every job is printed through the
// preview's "打印" into a PDF, which PdfReader reads back.

#include "Fakes.h"
#include "PdfReader.h"
#include "TestDb.h"

#include "data/DataOps.h"
#include "data/SenderProfile.h"
#include "data/Database.h"
#include "orders/OrderRegister.h"
#include "report/ReportJob.h"
#include "preview/ReportPreview.h"
#include "waybill/SenderPanel.h"
#include "waybill/WaybillPrinting.h"

#include <QLineEdit>
#include <QPointer>
#include <QPushButton>
#include <memory>

namespace kx::test {

struct Texts {
    QString senderName = QStringLiteral("王小明");
    QString senderMobile = QStringLiteral("13900001111");
    QString senderAddress = QStringLiteral("杭州市西湖区");
    QString name = QStringLiteral("李四");
    QString mobile = QStringLiteral("13811112222");
    QString address = QStringLiteral("上海市浦东新区");
};

// The order register a print works on: data.mdb, the data module, the sender
// panel and the print actions, made afresh for every test.
class WaybillPrintFixture {
protected:
    void setUpFixture();
    void tearDownFixture();

    ReportPreview* track(ReportPreview* preview);

    // Presses the preview's "打印" and reads the pages back.
    Printed printOut(ReportPreview* preview);

    void addOrder(const QVariant& a, const QVariant& b, const QVariant& c);
    void setSender(const Texts& t);
    void showAll();

    std::unique_ptr<TestDb> m_db;
    std::unique_ptr<FakePlatform> m_fake;
    std::unique_ptr<Database> m_dm;
    std::unique_ptr<OrderRegister> m_orders;
    std::unique_ptr<SenderProfile> m_profile;
    std::unique_ptr<SenderPanel> m_sender;
    std::unique_ptr<WaybillPrinting> m_printing;
    QList<QPointer<ReportPreview>> m_previews;
    int m_pdfs = 0;
};

}  // namespace kx::test
