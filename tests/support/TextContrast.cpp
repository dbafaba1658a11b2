#include "TextContrast.h"

#include <QAbstractItemView>
#include <QCheckBox>
#include <QComboBox>
#include <QGroupBox>
#include <QHash>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QProgressBar>
#include <QPushButton>
#include <QRadioButton>
#include <QStyle>
#include <QStyleOption>
#include <QTabBar>
#include <QToolButton>
#include <algorithm>
#include <cmath>

namespace kx::test {

double luminance(QColor c)
{
    auto channel = [](double v) { return v <= 0.04045 ? v / 12.92 : std::pow((v + 0.055) / 1.055, 2.4); };
    return 0.2126 * channel(c.redF()) + 0.7152 * channel(c.greenF()) + 0.0722 * channel(c.blueF());
}

double contrastRatio(QColor a, QColor b)
{
    const double la = luminance(a), lb = luminance(b);
    return (std::max(la, lb) + 0.05) / (std::min(la, lb) + 0.05);
}

namespace {

// The part of a control the window really shows: cut by every parent
// between it and the window (a scroll area's viewport, a panel).
QRect shownRect(QWidget* w, QWidget* window)
{
    if (w == window)
        return window->rect();
    QRect r(w->mapTo(window, QPoint(0, 0)), w->size());
    for (QWidget* p = w->parentWidget(); p && p != window; p = p->parentWidget())
        r &= QRect(p->mapTo(window, QPoint(0, 0)), p->size());
    return r & window->rect();
}

QString describe(QWidget* w, const QString& text)
{
    return QStringLiteral("%1 %2 \"%3\"").arg(w->metaObject()->className(), w->objectName(), text);
}

// A line of text of the given width placed in `box` by `align`, one line high.
QRect lineIn(const QRect& box, int width, int height, Qt::Alignment align)
{
    int x = box.left();
    if (align & Qt::AlignRight)
        x = box.right() + 1 - width;
    else if (align & Qt::AlignHCenter)
        x = box.left() + (box.width() - width) / 2;
    int y = box.top() + (box.height() - height) / 2;
    if (align & Qt::AlignTop)
        y = box.top();
    else if (align & Qt::AlignBottom)
        y = box.bottom() + 1 - height;
    return QRect(x, y, width, height) & box;
}

QString plain(QString text)
{
    return text.remove(QLatin1Char('&'));
}

void addButton(QAbstractButton* b, QList<TextPlace>& out, QWidget* window, const QRect& shown)
{
    const QString text = plain(b->text());
    if (text.isEmpty())
        return;
    const QFontMetrics fm(b->font());
    const int tw = fm.horizontalAdvance(text), th = fm.height();
    const QPoint at = b->mapTo(window, QPoint(0, 0));
    QStyleOptionButton opt;
    opt.initFrom(b);
    opt.text = b->text();
    opt.icon = b->icon();
    opt.iconSize = b->iconSize();
    QRect letters;
    if (qobject_cast<QCheckBox*>(b) || qobject_cast<QRadioButton*>(b)) {
        const QRect contents = b->style()->subElementRect(
            qobject_cast<QCheckBox*>(b) ? QStyle::SE_CheckBoxContents : QStyle::SE_RadioButtonContents, &opt, b);
        letters = lineIn(contents, tw, th, Qt::AlignLeft | Qt::AlignVCenter);
    } else if (auto* tool = qobject_cast<QToolButton*>(b)) {
        const QRect inner = b->rect().adjusted(3, 3, -3, -3);
        switch (tool->toolButtonStyle()) {
        case Qt::ToolButtonIconOnly:
            if (!b->icon().isNull())
                return;
            letters = lineIn(inner, tw, th, Qt::AlignCenter);
            break;
        case Qt::ToolButtonTextUnderIcon:
            letters = lineIn(inner.adjusted(0, b->icon().isNull() ? 0 : b->iconSize().height() + 1, 0, 0), tw, th,
                             Qt::AlignHCenter | Qt::AlignVCenter);
            break;
        case Qt::ToolButtonTextBesideIcon: {
            const int iw = b->icon().isNull() ? 0 : b->iconSize().width() + 4;
            letters = lineIn(inner, tw, th, Qt::AlignCenter).translated(iw / 2, 0);
            break;
        }
        default:
            letters = lineIn(inner, tw, th, Qt::AlignCenter);
        }
    } else {
        const QRect contents = b->style()->subElementRect(QStyle::SE_PushButtonContents, &opt, b);
        const int iw = b->icon().isNull() ? 0 : b->iconSize().width() + 4;
        letters = lineIn(contents, tw, th, Qt::AlignCenter).translated(iw / 2, 0);
    }
    out.append({b, 0, describe(b, text), letters.translated(at) & shown, shown});
}

void addItems(QAbstractItemView* view, QList<TextPlace>& out, QWidget* window)
{
    QAbstractItemModel* model = view->model();
    QWidget* port = view->viewport();
    if (!model || !port->isVisible())
        return;
    const QRect shown = shownRect(port, window);
    const QPoint at = port->mapTo(window, QPoint(0, 0));
    const QFontMetrics fm(view->font());
    // The first rows and columns on screen are enough to show the colours.
    const QModelIndex first = view->indexAt(QPoint(2, 2));
    const QModelIndex root = first.isValid() ? first.parent() : view->rootIndex();
    const int top = first.isValid() ? first.row() : 0;
    int item = 0;
    for (int row = top; row < std::min(model->rowCount(root), top + 12); ++row)
        for (int col = 0; col < std::min(model->columnCount(root), 4); ++col) {
            const QModelIndex index = model->index(row, col, root);
            const QString text = index.data(Qt::DisplayRole).toString();
            const QRect cell = view->visualRect(index);
            if (text.isEmpty() || cell.isEmpty())
                continue;
            int left = 3;
            if (!index.data(Qt::DecorationRole).isNull())
                left += view->iconSize().isValid() ? view->iconSize().width() + 4 : 20;
            const Qt::Alignment align =
                Qt::Alignment(index.data(Qt::TextAlignmentRole).toInt()) ? Qt::Alignment(index.data(Qt::TextAlignmentRole).toInt())
                                                                          : Qt::AlignLeft | Qt::AlignVCenter;
            const QRect box = cell.adjusted(left, 0, -3, 0);
            const QRect letters = lineIn(box, std::min(fm.horizontalAdvance(text), box.width()), fm.height(), align);
            out.append({view, item++, describe(view, text), letters.translated(at) & shown,
                        cell.translated(at) & shown});
        }
}

void addHeader(QHeaderView* header, QList<TextPlace>& out, QWidget* window)
{
    if (!header->model() || header->orientation() != Qt::Horizontal)
        return;
    const QRect shown = shownRect(header, window);
    const QPoint at = header->viewport()->mapTo(window, QPoint(0, 0));
    const QFontMetrics fm(header->font());
    for (int i = 0; i < header->count(); ++i) {
        const int logical = header->logicalIndex(i);
        if (header->isSectionHidden(logical))
            continue;
        const QString text = header->model()->headerData(logical, Qt::Horizontal).toString();
        if (text.isEmpty() || text.contains(QLatin1Char('|')))
            continue;  // the order grid's two-level titles: colours of their own
        const QRect section(header->sectionViewportPosition(logical), 0, header->sectionSize(logical),
                            header->height());
        const QRect box = section.adjusted(4, 2, -16, -2);
        const QRect letters =
            lineIn(box, std::min(fm.horizontalAdvance(text), box.width()), fm.height(), header->defaultAlignment());
        out.append({header, i, describe(header, text), letters.translated(at) & shown,
                    section.adjusted(1, 1, -1, -1).translated(at) & shown});
    }
}

void addMenu(QMenu* menu, QList<TextPlace>& out)
{
    const QFontMetrics fm(menu->font());
    int item = 0;
    for (QAction* a : menu->actions()) {
        const QString text = plain(a->text());
        if (!a->isVisible() || a->isSeparator() || text.isEmpty())
            continue;
        const QRect entry = menu->actionGeometry(a);
        // The letters start after the column of check marks and icons.
        const QRect box = entry.adjusted(20, 0, -16, 0);
        QRect letters = lineIn(box, std::min(fm.horizontalAdvance(text) + 8, box.width()), fm.height(),
                               Qt::AlignLeft | Qt::AlignVCenter);
        out.append({menu, item++, describe(menu, text), letters, entry});
    }
}

}  // namespace

QList<TextPlace> textPlaces(QWidget* window)
{
    QList<TextPlace> out;
    if (auto* menu = qobject_cast<QMenu*>(window)) {
        addMenu(menu, out);
        return out;
    }
    QList<QWidget*> all = window->findChildren<QWidget*>();
    all.prepend(window);
    for (QWidget* w : std::as_const(all)) {
        if (w->window() != window || !w->isVisibleTo(window))
            continue;
        const QRect shown = shownRect(w, window);
        if (shown.isEmpty())
            continue;
        const QPoint at = w->mapTo(window, QPoint(0, 0));
        const QFontMetrics fm(w->font());
        if (auto* label = qobject_cast<QLabel*>(w)) {
            const QString text = label->text();
            if (text.isEmpty() || (label->pixmap().isNull() == false))
                continue;
            const QRect contents = label->contentsRect();
            QRect letters = contents;
            if (!label->wordWrap() && !text.contains(QLatin1Char('\n')) && label->textFormat() != Qt::RichText
                && !Qt::mightBeRichText(text))
                letters = lineIn(contents, std::min(fm.horizontalAdvance(plain(text)), contents.width()),
                                 fm.height(), label->alignment());
            // Inside its frame: the status bar's panels have one.
            out.append({label, 0, describe(label, text), letters.translated(at) & shown,
                        contents.translated(at) & shown});
        } else if (auto* button = qobject_cast<QAbstractButton*>(w)) {
            addButton(button, out, window, shown);
        } else if (auto* edit = qobject_cast<QLineEdit*>(w)) {
            const QString text = edit->displayText();
            if (text.isEmpty())
                continue;
            const QRect box = edit->rect().adjusted(4, 3, -4, -3);
            const QRect letters =
                lineIn(box, std::min(fm.horizontalAdvance(text), box.width()), fm.height(), edit->alignment());
            out.append({edit, 0, describe(edit, text), letters.translated(at) & shown,
                        edit->rect().adjusted(2, 2, -2, -2).translated(at) & shown});
        } else if (auto* combo = qobject_cast<QComboBox*>(w)) {
            if (combo->isEditable() || combo->currentText().isEmpty())
                continue;  // an editable box's text is its line edit's
            QStyleOptionComboBox opt;
            opt.initFrom(combo);
            opt.currentText = combo->currentText();
            opt.subControls = QStyle::SC_All;
            const QRect field = combo->style()->subControlRect(QStyle::CC_ComboBox, &opt,
                                                               QStyle::SC_ComboBoxEditField, combo);
            const QRect letters =
                lineIn(field.adjusted(1, 0, 0, 0), std::min(fm.horizontalAdvance(opt.currentText), field.width()),
                       fm.height(), Qt::AlignLeft | Qt::AlignVCenter);
            out.append({combo, 0, describe(combo, opt.currentText), letters.translated(at) & shown,
                        field.translated(at) & shown});
        } else if (auto* group = qobject_cast<QGroupBox*>(w)) {
            if (group->title().isEmpty())
                continue;
            QStyleOptionGroupBox opt;
            opt.initFrom(group);
            opt.text = group->title();
            opt.lineWidth = 1;
            opt.subControls = QStyle::SC_GroupBoxLabel | QStyle::SC_GroupBoxFrame;
            if (group->isCheckable())
                opt.subControls |= QStyle::SC_GroupBoxCheckBox;
            const QRect label =
                group->style()->subControlRect(QStyle::CC_GroupBox, &opt, QStyle::SC_GroupBoxLabel, group);
            out.append({group, 0, describe(group, group->title()), label.translated(at) & shown,
                        label.adjusted(-3, -3, 3, 3).translated(at) & shown});
        } else if (auto* tabs = qobject_cast<QTabBar*>(w)) {
            for (int i = 0; i < tabs->count(); ++i) {
                const QString text = plain(tabs->tabText(i));
                const QRect tab = tabs->tabRect(i);
                const QRect letters = lineIn(tab.adjusted(2, 2, -2, -2), fm.horizontalAdvance(text), fm.height(),
                                             Qt::AlignCenter);
                out.append({tabs, i, describe(tabs, text), letters.translated(at) & shown,
                            tab.adjusted(2, 2, -2, -2).translated(at) & shown});
            }
        } else if (auto* header = qobject_cast<QHeaderView*>(w)) {
            addHeader(header, out, window);
        } else if (auto* view = qobject_cast<QAbstractItemView*>(w)) {
            addItems(view, out, window);
        } else if (auto* bar = qobject_cast<QProgressBar*>(w)) {
            const QString text = bar->text();
            if (!bar->isTextVisible() || text.isEmpty())
                continue;
            const QRect box = bar->rect().adjusted(2, 2, -2, -2);
            const QRect letters = lineIn(box, fm.horizontalAdvance(text), fm.height(), Qt::AlignCenter);
            out.append({bar, 0, describe(bar, text), letters.translated(at) & shown, box.translated(at) & shown});
        }
    }
    // A sliver of text, cut off by its panel, shows no colour worth measuring.
    out.removeIf([](const TextPlace& p) { return p.letters.width() < 4 || p.letters.height() < 6; });
    return out;
}

TextLook measure(const QImage& shot, const TextPlace& place)
{
    const QImage image = shot.convertToFormat(QImage::Format_RGB32);
    const QRect letters = place.letters & image.rect();
    const QRect ground = place.ground & image.rect();
    QHash<QRgb, int> ring, inside;
    const QRect around = letters.adjusted(-2, -2, 2, 2) & ground;
    for (int y = around.top(); y <= around.bottom(); ++y)
        for (int x = around.left(); x <= around.right(); ++x) {
            const QRgb c = image.pixel(x, y) & 0xffffff;
            if (letters.contains(x, y))
                ++inside[c];
            else
                ++ring[c];
        }
    if (ring.isEmpty())  // letters filling their control: its edge rows are the ground
        for (int x = letters.left(); x <= letters.right(); ++x) {
            ++ring[image.pixel(x, letters.top()) & 0xffffff];
            ++ring[image.pixel(x, letters.bottom()) & 0xffffff];
        }
    int ringTotal = 0, most = 0;
    QRgb main = 0;
    for (auto it = ring.begin(); it != ring.end(); ++it) {
        ringTotal += it.value();
        if (it.value() > most)
            most = it.value(), main = it.key();
    }
    QList<QColor> grounds{QColor(main)};
    for (auto it = ring.begin(); it != ring.end(); ++it)
        if (it.key() != main && it.value() * 4 >= ringTotal)
            grounds.append(QColor(it.key()));

    // Each colour of the letters' area against the ground it stands out
    // from least; the text's contrast is the one that a few pixels reach,
    // the cores of its strokes (a thin stroke between two pixels never shows
    // its colour whole, so the fourth best pixel stands for it).
    struct Ink {
        double contrast;
        QColor colour, ground;
    };
    QList<Ink> inks;
    for (auto it = inside.begin(); it != inside.end(); ++it) {
        Ink ink{21, QColor(it.key()), QColor()};
        for (const QColor& g : grounds)
            if (const double c = contrastRatio(ink.colour, g); c < ink.contrast)
                ink.contrast = c, ink.ground = g;
        for (int n = 0; n < std::min(it.value(), 4); ++n)
            inks.append(ink);
    }
    std::sort(inks.begin(), inks.end(), [](const Ink& a, const Ink& b) { return a.contrast > b.contrast; });
    TextLook look;
    look.ground = grounds.first();
    look.text = look.ground;
    if (inks.size() >= 4 && inks.at(3).contrast > 1) {
        look.contrast = inks.at(3).contrast;
        look.text = inks.at(3).colour;
        look.ground = inks.at(3).ground;
    }
    return look;
}

}  // namespace kx::test
