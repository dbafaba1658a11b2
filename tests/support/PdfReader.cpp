#include "PdfReader.h"

#include <QFile>
#include <QFont>
#include <QHash>
#include <QProcess>
#include <QRawFont>
#include <QRect>
#include <QRegularExpression>
#include <algorithm>

namespace kx::test {

namespace {

// A poppler tool's standard output; empty when it fails.
QString run(const QString& program, const QStringList& args)
{
    QProcess p;
    p.start(program, args);
    if (!p.waitForFinished(60000) || p.exitCode() != 0)
        return QString();
    return QString::fromUtf8(p.readAllStandardOutput());
}

}  // namespace

int Printed::ink(const Word& w) const
{
    const double k = 100 / 25.4;
    const QRect r = QRectF(w.x * k, w.emTop * k, (w.right - w.x) * k, (w.bottom - w.emTop) * k).toRect();
    int dark = 0;
    for (int y = std::max(0, r.top()); y <= std::min(firstPage.height() - 1, r.bottom()); ++y)
        for (int x = std::max(0, r.left()); x <= std::min(firstPage.width() - 1, r.right()); ++x)
            dark += qGray(firstPage.pixel(x, y)) < 128;
    return dark;
}

QList<Word> Printed::find(const QString& text) const
{
    QList<Word> found;
    for (const Word& w : words)
        if (w.text == text)
            found << w;
    return found;
}

QString unifiedIdeographs(const QString& text)
{
    static const QHash<QChar, QChar> radicals = [] {
        // The waybills' bold Song face, and the Sans face that draws the
        // Chinese of the printed list's "Arial".
        QFont song(QStringLiteral("宋体"));
        song.setBold(true);
        const QFont sans(QStringLiteral("Noto Sans CJK SC"));
        QString ideographs, lows;
        for (char16_t c = 0x4E00; c <= 0x9FFF; ++c)
            ideographs += QChar(c);
        for (char16_t c = 0x2E80; c <= 0x2FDF; ++c)
            lows += QChar(c);
        QHash<QChar, QChar> map;
        for (const QFont& font : {song, sans}) {
            const QRawFont raw = QRawFont::fromFont(font);
            const QList<quint32> hi = raw.glyphIndexesForString(ideographs);
            const QList<quint32> lo = raw.glyphIndexesForString(lows);
            QHash<quint32, QChar> byGlyph;
            for (int i = hi.size() - 1; i >= 0; --i)
                if (hi[i])
                    byGlyph[hi[i]] = ideographs[i];
            for (int i = 0; i < lo.size(); ++i)
                if (lo[i] && byGlyph.contains(lo[i]) && !map.contains(lows[i]))
                    map[lows[i]] = byGlyph[lo[i]];
        }
        return map;
    }();
    QString out = text;
    for (QChar& c : out)
        c = radicals.value(c, c);
    return out;
}

QStringList readLayoutText(const QString& path)
{
    if (!QFile::exists(path))
        return {};
    QStringList pages = unifiedIdeographs(run(QStringLiteral("pdftotext"),
                                              {QStringLiteral("-layout"), path, QStringLiteral("-")}))
                            .split(QLatin1Char('\f'));
    if (!pages.isEmpty() && pages.last().trimmed().isEmpty())
        pages.removeLast();
    return pages;
}

Printed readPdf(const QString& path)
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

}  // namespace kx::test
