#pragma once

// Shared by the waybill printing tests: a small order register with the
// sender panel and the print actions, and the reading of printed PDFs.
//
// Every job is printed through the preview's "打印" into a PDF, and poppler
// (pdftotext -bbox, pdffonts, pdftoppm) reads back where each text landed.
// pdftotext gives each word's box from the glyph origin (xMin) and from the
// font's ascent/descent as the PDF declares them (yMin, yMax). From those and
// the PDF's /Ascent and /Descent the size and the baseline follow. A waybill
// text stands with the top of its em box (the Song face's character cell) on
// its element's top; for the Noto Serif CJK face the printer uses, that top is
// 0.88 em above the baseline. So a word's place is x = xMin and
// y = baseline − 0.88 × size, compared within 0.5 mm with
// left margin + Left × 25.4/96 and band top + Top × 25.4/96.

#include "Fakes.h"
#include "TestDb.h"

#include "data/DataOps.h"
#include "data/Tdmfm.h"
#include "waybill/SenderPanel.h"
#include "waybill/SenderProfile.h"
#include "report/ReportJob.h"
#include "report/ReportPreview.h"
#include "waybill/WaybillPrinting.h"

#include <QFile>
#include <QHash>
#include <QImage>
#include <QLineEdit>
#include <QPointer>
#include <QProcess>
#include <QPushButton>
#include <QRawFont>
#include <QRegularExpression>
#include <algorithm>
#include <memory>

namespace kx::test {

inline constexpr double mmPerPx = 25.4 / 96.0;
inline constexpr double mmPerPt = 25.4 / 72.0;
inline constexpr double tolerance = 0.5;  // mm
inline constexpr double notoEmAscent = 0.88;

struct Word {
    int page;     // 0-based
    double x;     // glyph origin, mm from the paper's left edge
    double emTop; // top of the em box, mm from the paper's top edge
    double size;  // font size in points
    double right; // mm
    double bottom;// lowest point of the declared font box, mm
    QString text;
};

struct Printed {
    int pages = 0;
    QList<Word> words;
    QString fonts;  // pdffonts' listing
    QImage firstPage;  // page 1 as pdftoppm draws it, 100 dpi grey

    // Dark pixels inside a word's box on page 1: a text hidden under another
    // element's white background still reads back as text, but shows none.
    int ink(const Word& w) const
    {
        const double k = 100 / 25.4;
        const QRect r = QRectF(w.x * k, w.emTop * k, (w.right - w.x) * k, (w.bottom - w.emTop) * k).toRect();
        int dark = 0;
        for (int y = std::max(0, r.top()); y <= std::min(firstPage.height() - 1, r.bottom()); ++y)
            for (int x = std::max(0, r.left()); x <= std::min(firstPage.width() - 1, r.right()); ++x)
                dark += qGray(firstPage.pixel(x, y)) < 128;
        return dark;
    }

    QList<Word> find(const QString& text) const
    {
        QList<Word> found;
        for (const Word& w : words)
            if (w.text == text)
                found << w;
        return found;
    }
};

// Qt writes each glyph's text as the lowest code point the font maps to it,
// which for ideographs like 小, 一, 黄 is a Kangxi or CJK radical. Read back,
// such radicals are turned into the ideograph that shares their glyph.
inline QString unifiedIdeographs(const QString& text)
{
    static const QHash<QChar, QChar> radicals = [] {
        QHash<QChar, QChar> map;
        QFont font(QStringLiteral("宋体"));
        font.setBold(true);
        const QRawFont raw = QRawFont::fromFont(font);
        QString ideographs, lows;
        for (char16_t c = 0x4E00; c <= 0x9FFF; ++c)
            ideographs += QChar(c);
        for (char16_t c = 0x2E80; c <= 0x2FDF; ++c)
            lows += QChar(c);
        const QList<quint32> hi = raw.glyphIndexesForString(ideographs);
        const QList<quint32> lo = raw.glyphIndexesForString(lows);
        QHash<quint32, QChar> byGlyph;
        for (int i = hi.size() - 1; i >= 0; --i)
            if (hi[i])
                byGlyph[hi[i]] = ideographs[i];
        for (int i = 0; i < lo.size(); ++i)
            if (lo[i] && byGlyph.contains(lo[i]))
                map[lows[i]] = byGlyph[lo[i]];
        return map;
    }();
    QString out = text;
    for (QChar& c : out)
        c = radicals.value(c, c);
    return out;
}

inline QString run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

inline Printed readPdf(const QString& path)
{
    Printed out;
    QFile f(path);
    if (!f.open(QIODevice::ReadOnly))
        return out;
    const QByteArray pdf = f.readAll();
    const auto ascent = QRegularExpression(QStringLiteral("/Ascent (-?\\d+)")).match(QString::fromLatin1(pdf));
    const auto descent = QRegularExpression(QStringLiteral("/Descent (-?\\d+)")).match(QString::fromLatin1(pdf));
    const double a = ascent.hasMatch() ? ascent.captured(1).toDouble() / 1000 : 0;
    const double d = descent.hasMatch() ? descent.captured(1).toDouble() / 1000 : 0;

    const QString html = run(QStringLiteral("pdftotext"), {QStringLiteral("-bbox"), path, QStringLiteral("-")});
    static const QRegularExpression tag(QStringLiteral(
        "<page |<word xMin=\"([\\d.]+)\" yMin=\"([\\d.]+)\" xMax=\"([\\d.]+)\" yMax=\"([\\d.]+)\">([^<]*)</word>"));
    for (auto it = tag.globalMatch(html); it.hasNext();) {
        const QRegularExpressionMatch m = it.next();
        if (m.captured(0).startsWith(QLatin1String("<page"))) {
            ++out.pages;
            continue;
        }
        const double xMin = m.captured(1).toDouble(), yMin = m.captured(2).toDouble();
        const double xMax = m.captured(3).toDouble(), yMax = m.captured(4).toDouble();
        const double size = (yMax - yMin) / (a - d);
        const double baseline = yMin + a * size;
        out.words << Word{out.pages - 1,          xMin * mmPerPt, (baseline - notoEmAscent * size) * mmPerPt,
                          size,                   xMax * mmPerPt, yMax * mmPerPt,
                          unifiedIdeographs(m.captured(5))};
    }
    out.fonts = run(QStringLiteral("pdffonts"), {path});
    run(QStringLiteral("pdftoppm"), {QStringLiteral("-r"), QStringLiteral("100"), QStringLiteral("-gray"),
                                     QStringLiteral("-png"), QStringLiteral("-singlefile"), path, path});
    out.firstPage.load(path + QStringLiteral(".png"));
    return out;
}

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
    void setUpFixture()
    {
        m_db = std::make_unique<TestDb>();
        m_fake = std::make_unique<FakePlatform>();
        m_dm = std::make_unique<Tdmfm>();
        m_profile = std::make_unique<SenderProfile>(*m_dm);
        m_sender = std::make_unique<SenderPanel>(*m_profile, m_fake->platform);
        m_printing = std::make_unique<WaybillPrinting>(*m_dm, m_fake->platform, *m_profile, nullptr);
    }

    void tearDownFixture()
    {
        for (const QPointer<ReportPreview>& p : m_previews)
            delete p.data();
        m_previews.clear();
        m_printing.reset();
        m_sender.reset();
        m_profile.reset();
        m_dm.reset();
        m_fake.reset();
        m_db.reset();
    }

    ReportPreview* track(ReportPreview* preview)
    {
        m_previews << preview;
        return preview;
    }

    // Presses the preview's "打印" and reads the pages back.
    Printed printOut(ReportPreview* preview)
    {
        const QString path = m_db->dir() + QStringLiteral("/job%1.pdf").arg(++m_pdfs);
        m_fake->dialogs.printToPdf = path;
        preview->printButton->click();
        return readPdf(path);
    }

    void addOrder(const QVariant& a, const QVariant& b, const QVariant& c)
    {
        m_db->addOrder({{"a", a}, {"b", b}, {"c", c}, {"d", "申通快递"}, {"g", "未打印"}});
    }

    void setSender(const Texts& t)
    {
        m_sender->Edit51->setText(t.senderName);
        m_sender->Edit52->setText(t.senderMobile);
        m_sender->Edit53->setText(t.senderAddress);
    }

    void showAll() { openQuery(m_dm->ADOQuery15, QStringLiteral("select * from data")); }

    std::unique_ptr<TestDb> m_db;
    std::unique_ptr<FakePlatform> m_fake;
    std::unique_ptr<Tdmfm> m_dm;
    std::unique_ptr<SenderProfile> m_profile;
    std::unique_ptr<SenderPanel> m_sender;
    std::unique_ptr<WaybillPrinting> m_printing;
    QList<QPointer<ReportPreview>> m_previews;
    int m_pdfs = 0;
};

}  // namespace kx::test
