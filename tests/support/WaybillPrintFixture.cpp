#include "WaybillPrintFixture.h"

namespace kx::test {

void WaybillPrintFixture::setUpFixture()
{
    m_db = std::make_unique<TestDb>();
    m_fake = std::make_unique<FakePlatform>();
    m_dm = std::make_unique<Database>();
    m_orders = std::make_unique<OrderRegister>(*m_dm);
    m_profile = std::make_unique<SenderProfile>(*m_dm);
    m_sender = std::make_unique<SenderPanel>(*m_profile, m_fake->platform);
    m_printing = std::make_unique<WaybillPrinting>(*m_orders, m_fake->platform, *m_profile, nullptr);
}

void WaybillPrintFixture::tearDownFixture()
{
    for (const QPointer<ReportPreview>& p : m_previews)
        delete p.data();
    m_previews.clear();
    m_printing.reset();
    m_sender.reset();
    m_profile.reset();
    m_orders.reset();
    m_dm.reset();
    m_fake.reset();
    m_db.reset();
}

ReportPreview* WaybillPrintFixture::track(ReportPreview* preview)
{
    m_previews << preview;
    return preview;
}

Printed WaybillPrintFixture::printOut(ReportPreview* preview)
{
    const QString path = m_db->dir() + QStringLiteral("/job%1.pdf").arg(++m_pdfs);
    m_fake->dialogs.printToPdf = path;
    preview->printButton->click();
    return readPdf(path);
}

void WaybillPrintFixture::addOrder(const QVariant& a, const QVariant& b, const QVariant& c)
{
    m_db->addOrder({{"a", a}, {"b", b}, {"c", c}, {"d", "申通快递"}, {"g", "未打印"}});
}

void WaybillPrintFixture::setSender(const Texts& t)
{
    m_sender->senderNameEdit->setText(t.senderName);
    m_sender->senderMobileEdit->setText(t.senderMobile);
    m_sender->senderAddressEdit->setText(t.senderAddress);
}

void WaybillPrintFixture::showAll()
{
    // Every order, as the show-all lists them; the orders made here have no
    // courier, which the show-all's courier list would refuse.
    m_orders->search(QStringLiteral("select * from data"));
}

}  // namespace kx::test
