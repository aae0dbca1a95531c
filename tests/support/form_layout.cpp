#include "support/form_layout.h"

#include <QColor>
#include <QCoreApplication>
#include <QElapsedTimer>
#include <QFont>
#include <QFontMetricsF>
#include <QImage>
#include <QMetaObject>
#include <QQuickItem>
#include <QPixmap>
#include <QQuickWindow>
#include <QScreen>
#include <QTest>

#include <algorithm>
#include <cmath>
#include <map>

namespace test_support {
namespace {

constexpr double kSlack = 0.5;          // layouts place items on fractional pixels
constexpr double kMinFieldWidth = 100;  // room for a short path or a name
constexpr double kMaxLabelGapX = 240;   // a label in the label column of its row
constexpr double kMaxLabelGapY = 24;    // a label above its input
constexpr int kMinEdgeContrast = 60;    // summed RGB difference that reads as a line
constexpr double kEdgeShare = 0.9;      // share of an edge that must be drawn
constexpr int kMinInkedPixels = 20;     // a line of a few characters, as drawn

std::string text(const QString& s) {
    return s.toStdString();
}

QString kindOf(const QQuickItem* item) {
    if (item->inherits("QQuickTextArea")) return "textarea";
    if (item->inherits("QQuickTextField")) return "field";
    if (item->inherits("QQuickSpinBox")) return "spinbox";
    if (item->inherits("QQuickComboBox")) return "combo";
    if (item->inherits("QQuickCheckBox")) return "checkbox";
    if (item->inherits("QQuickAbstractButton")) return "button";
    if (item->inherits("QQuickLabel")) return "label";
    return {};
}

bool isInput(const FormControl& c) {
    return c.kind == "field" || c.kind == "textarea" || c.kind == "spinbox" || c.kind == "combo";
}

bool isFlickable(const QQuickItem* item) {
    return item && item->inherits("QQuickFlickable");
}

QQuickItem* contentItemOf(QQuickItem* flickable) {
    return flickable->property("contentItem").value<QQuickItem*>();
}

// A text area inside a scrolling view grows with its text; the user sees the view.
QQuickItem* boxOf(QQuickItem* control, const QString& kind) {
    if (kind != "textarea") return control;
    QQuickItem* content = control->parentItem();
    QQuickItem* view = content ? content->parentItem() : nullptr;
    return isFlickable(view) && contentItemOf(view) == content ? view : control;
}

QQuickItem* outermostFlickable(QQuickItem* item) {
    QQuickItem* found = nullptr;
    for (QQuickItem* a = item->parentItem(); a; a = a->parentItem())
        if (isFlickable(a)) found = a;
    return found;
}

// The part of `box` its clipping ancestors leave visible, in page (or scene) coordinates.
QRectF visibleRect(QQuickItem* box, QQuickItem* page) {
    QQuickItem* frame = page ? contentItemOf(page) : nullptr;
    auto toFrame = [&](QQuickItem* item) {
        const QRectF r(0, 0, item->width(), item->height());
        return frame ? item->mapRectToItem(frame, r) : item->mapRectToScene(r);
    };
    QRectF rect = toFrame(box);
    for (QQuickItem* a = box->parentItem(); a && a != page; a = a->parentItem())
        if (a->clip() || (isFlickable(a) && a != frame)) rect = rect.intersected(toFrame(a));
    return rect.isValid() ? rect : QRectF(rect.topLeft(), QSizeF(0, 0));
}

// A group box's title belongs to the box (some styles draw it with a Label).
bool isGroupTitle(const QQuickItem* item) {
    const QQuickItem* parent = item->parentItem();
    return parent && parent->inherits("QQuickGroupBox") &&
           parent->property("label").value<QQuickItem*>() == item;
}

void collect(QQuickItem* item, std::vector<FormControl>& out) {
    if (!item->isVisible() || isGroupTitle(item)) return;
    const QString kind = kindOf(item);
    if (!kind.isEmpty()) {
        FormControl c;
        c.control = item;
        c.kind = kind;
        c.name = item->objectName();
        c.box = boxOf(item, kind);
        c.page = outermostFlickable(c.box);
        c.rect = visibleRect(c.box, c.page);
        out.push_back(c);
        return;  // a control's own parts (a combo box's field) are not controls of the form
    }
    for (QQuickItem* child : item->childItems()) collect(child, out);
}

std::string nameOf(const FormControl& c) {
    if (!c.name.isEmpty()) return text(c.name);
    return text(c.kind + " \"" + c.control->property("text").toString() + "\"");
}

std::string describe(const QRectF& r) {
    return "(" + std::to_string(std::lround(r.x())) + "," + std::to_string(std::lround(r.y())) + " " +
           std::to_string(std::lround(r.width())) + "x" + std::to_string(std::lround(r.height())) + ")";
}

// Where the user can bring a control by scrolling: the page's width and the
// whole height of its content, or the window.
QRectF reachableArea(const FormControl& c, const QQuickWindow& window) {
    if (!c.page) return QRectF(0, 0, window.width(), window.height());
    const double height = std::max(c.page->property("contentHeight").toDouble(), c.page->height());
    return QRectF(0, 0, c.page->width(), height);
}

void checkRoom(const FormControl& c, const QQuickWindow& window, std::vector<std::string>& out) {
    const std::string name = nameOf(c);
    if (c.name.isEmpty()) out.push_back(name + " has no objectName");
    if (c.rect.width() <= 0 || c.rect.height() <= 0) {
        out.push_back(name + " has no room: " + describe(c.rect));
        return;
    }
    const QRectF area = reachableArea(c, window);
    if (!area.adjusted(-kSlack, -kSlack, kSlack, kSlack).contains(c.rect))
        out.push_back(name + " " + describe(c.rect) + " lies outside the window's reach " + describe(area));
    if (c.page) {
        const QRectF pageInWindow = c.page->mapRectToScene(QRectF(0, 0, c.page->width(), c.page->height()));
        if (!QRectF(-kSlack, -kSlack, window.width() + 2 * kSlack, window.height() + 2 * kSlack)
                 .contains(pageInWindow))
            out.push_back("the scrolling page of " + name + " " + describe(pageInWindow) +
                          " lies outside the window");
    }
    if (c.rect.width() < c.box->width() - kSlack || c.rect.height() < c.box->height() - kSlack)
        out.push_back(name + " is partly hidden: " + describe(c.rect) + " of " +
                      std::to_string(std::lround(c.box->width())) + "x" +
                      std::to_string(std::lround(c.box->height())));
}

// Labels, buttons, check boxes, spin boxes and combo boxes show their whole
// text or number.
void checkNotCut(const FormControl& c, std::vector<std::string>& out) {
    const std::string name = nameOf(c);
    QQuickItem* item = c.control;
    const bool wraps = c.kind == "label" && item->property("wrapMode").toInt() != 0;
    const bool whole = c.kind == "label" || c.kind == "button" || c.kind == "checkbox" ||
                       c.kind == "spinbox" || c.kind == "combo";
    if (whole && !wraps && item->width() < item->implicitWidth() - kSlack)
        out.push_back(name + " is cut: " + std::to_string(std::lround(item->width())) + " px wide of " +
                      std::to_string(std::lround(item->implicitWidth())));
    if (whole && item->height() < item->implicitHeight() - kSlack)
        out.push_back(name + " is cut: " + std::to_string(std::lround(item->height())) + " px high of " +
                      std::to_string(std::lround(item->implicitHeight())));
    if ((c.kind == "checkbox" || c.kind == "button") && item->property("text").toString().trimmed().isEmpty())
        out.push_back(name + " has no text");
    if ((c.kind == "field" || c.kind == "combo") && c.rect.width() < kMinFieldWidth)
        out.push_back(name + " is too narrow: " + std::to_string(std::lround(c.rect.width())) + " px");
    if (c.kind == "textarea") {
        const QFontMetricsF metrics(item->property("font").value<QFont>());
        const double padding =
            item->property("topPadding").toDouble() + item->property("bottomPadding").toDouble();
        const double needed = 3 * metrics.lineSpacing() + padding;
        if (c.rect.height() < needed - kSlack)
            out.push_back(name + " shows less than 3 lines: " + std::to_string(std::lround(c.rect.height())) +
                          " px high, 3 lines need " + std::to_string(std::lround(needed)));
    }
}

bool positiveOverlap(const QRectF& a, const QRectF& b) {
    const QRectF i = a.intersected(b);
    return i.width() > kSlack && i.height() > kSlack;
}

void checkOverlaps(const std::vector<FormControl>& all, std::vector<std::string>& out) {
    for (std::size_t i = 0; i < all.size(); ++i)
        for (std::size_t j = i + 1; j < all.size(); ++j)
            if (all[i].page == all[j].page && positiveOverlap(all[i].rect, all[j].rect))
                out.push_back(nameOf(all[i]) + " " + describe(all[i].rect) + " overlaps " + nameOf(all[j]) +
                              " " + describe(all[j].rect));
}

// True when no control other than the two lies in `gap` between a label and its input.
bool nothingBetween(const QRectF& gap, const FormControl& label, const FormControl& input,
                    const std::vector<FormControl>& all) {
    for (const FormControl& c : all)
        if (&c != &label && &c != &input && c.page == input.page && positiveOverlap(c.rect, gap))
            return false;
    return true;
}

bool usableLabel(const FormControl& label, const FormControl& input) {
    return label.kind == "label" && label.page == input.page &&
           !label.control->property("text").toString().trimmed().isEmpty();
}

// A label on the input's row, left of it, with nothing in between.
bool labelsBeside(const FormControl& label, const FormControl& input, const std::vector<FormControl>& all) {
    if (!usableLabel(label, input)) return false;
    const QRectF& l = label.rect;
    const QRectF& r = input.rect;
    const double gap = r.left() - l.right();
    return gap >= -kSlack && gap <= kMaxLabelGapX && l.center().y() >= r.top() &&
           l.center().y() <= r.bottom() &&
           nothingBetween(QRectF(l.right(), r.top(), std::max(0.0, gap), r.height()), label, input, all);
}

// A label just above the input, starting over it, with nothing in between,
// that is not already the label beside another input.
bool labelsAbove(const FormControl& label, const FormControl& input, const std::vector<FormControl>& all) {
    if (!usableLabel(label, input)) return false;
    const QRectF& l = label.rect;
    const QRectF& r = input.rect;
    const double gap = r.top() - l.bottom();
    if (gap < -kSlack || gap > kMaxLabelGapY || l.left() < r.left() - 4 || l.left() >= r.right())
        return false;
    if (!nothingBetween(QRectF(r.left(), l.bottom(), r.width(), std::max(0.0, gap)), label, input, all))
        return false;
    return std::none_of(all.begin(), all.end(), [&](const FormControl& other) {
        return &other != &input && isInput(other) && labelsBeside(label, other, all);
    });
}

void checkLabelled(const std::vector<FormControl>& all, std::vector<std::string>& out) {
    for (const FormControl& input : all) {
        if (!isInput(input)) continue;
        const bool found = std::any_of(all.begin(), all.end(), [&](const FormControl& l) {
            return labelsBeside(l, input, all) || labelsAbove(l, input, all);
        });
        if (!found)
            out.push_back(nameOf(input) + " " + describe(input.rect) + " has no label beside or above it");
    }
}

int contrast(QRgb a, QRgb b) {
    return std::abs(qRed(a) - qRed(b)) + std::abs(qGreen(a) - qGreen(b)) + std::abs(qBlue(a) - qBlue(b));
}

// Share of the positions along one edge where a line stands out from what
// lies a few pixels outside the edge. `along` steps along the edge, `across`
// points outwards.
double drawnShare(const QImage& image, QPoint start, QPoint along, QPoint across, int length) {
    const QRect bounds = image.rect();
    int drawn = 0, total = 0;
    for (int t = 6; t < length - 6; t += 2) {
        const QPoint p = start + along * t;
        const QPoint outside = p + across * 6;
        if (!bounds.contains(outside)) continue;
        const QRgb reference = image.pixel(outside);
        int best = 0;
        for (int d = -1; d <= 1; ++d) {
            const QPoint q = p + across * d;
            if (bounds.contains(q)) best = std::max(best, contrast(image.pixel(q), reference));
        }
        ++total;
        if (best >= kMinEdgeContrast) ++drawn;
    }
    return total == 0 ? 0.0 : double(drawn) / total;
}

// What the window shows now. The software renderer on the offscreen
// platform leaves the window's own grab empty; its screen holds the frame.
QImage frameOf(QQuickWindow& window) {
    QImage image = window.grabWindow();
    if (image.isNull() && window.screen()) image = window.screen()->grabWindow(window.winId()).toImage();
    if (!qEnvironmentVariableIsEmpty("FORM_LAYOUT_FRAMES"))
        image.save(qEnvironmentVariable("FORM_LAYOUT_FRAMES") + "/" + window.objectName() + "_" +
                   QString::number(window.width()) + "x" + QString::number(window.height()) + ".png");
    return image.convertToFormat(QImage::Format_RGB32);
}

// Scrolls the control's page so that its box is in view.
void scrollTo(const FormControl& c, QQuickWindow& window) {
    if (!c.page) return;
    const double room = c.page->property("contentHeight").toDouble() - c.page->height();
    c.page->setProperty("contentY", std::clamp(c.rect.top() - 8, 0.0, std::max(0.0, room)));
    layOut(window, window.width(), window.height());
}

void checkFrame(const FormControl& c, QQuickWindow& window, std::vector<std::string>& out) {
    if (c.rect.width() <= 12 || c.rect.height() <= 12) return;  // reported as having no room
    scrollTo(c, window);
    const QImage image = frameOf(window);
    const QRect r = c.box->mapRectToScene(QRectF(0, 0, c.box->width(), c.box->height())).toAlignedRect();
    QRect view = image.rect();
    if (c.page)
        view &= c.page->mapRectToScene(QRectF(0, 0, c.page->width(), c.page->height())).toAlignedRect();
    const QRect inView = r.intersected(view);
    if (inView != r) {
        out.push_back(nameOf(c) + " cannot be scrolled fully into view: " + describe(r) + " in " +
                      describe(view));
        return;
    }
    const struct {
        const char* side;
        QPoint start, along, across;
        int length;
    } edges[] = {
        {"left", inView.topLeft(), {0, 1}, {-1, 0}, inView.height()},
        {"right", inView.topRight(), {0, 1}, {1, 0}, inView.height()},
        {"top", inView.topLeft(), {1, 0}, {0, -1}, inView.width()},
        {"bottom", inView.bottomLeft(), {1, 0}, {0, 1}, inView.width()},
    };
    for (const auto& e : edges) {
        const double share = drawnShare(image, e.start, e.along, e.across, e.length);
        if (share < kEdgeShare)
            out.push_back(nameOf(c) + " has no visible " + e.side + " edge (" +
                          std::to_string(std::lround(100 * share)) + "% drawn)");
    }
}

void scrollToTop(const std::vector<FormControl>& all, QQuickWindow& window) {
    for (const FormControl& c : all)
        if (c.page) c.page->setProperty("contentY", 0.0);
    layOut(window, window.width(), window.height());
}

// The colour most pixels of `area` have: the background of text drawn there.
QRgb commonestColour(const QImage& image, const QRect& area) {
    std::map<QRgb, int> counts;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x) ++counts[image.pixel(x, y)];
    return std::max_element(counts.begin(), counts.end(),
                            [](const auto& a, const auto& b) { return a.second < b.second; })
        ->first;
}

// Pixels of `area` that stand out from its background: drawn text.
int inkedPixels(const QImage& image, const QRect& area) {
    if (area.isEmpty()) return 0;
    const QRgb background = commonestColour(image, area);
    int inked = 0;
    for (int y = area.top(); y <= area.bottom(); ++y)
        for (int x = area.left(); x <= area.right(); ++x)
            if (contrast(image.pixel(x, y), background) >= kMinEdgeContrast) ++inked;
    return inked;
}

// Where the last line of a text area lies, as wide as the area, in its own coordinates.
QRectF lastLineOf(QQuickItem* area) {
    QRectF cursor;
    QMetaObject::invokeMethod(area, "positionToRectangle", Q_RETURN_ARG(QRectF, cursor),
                              Q_ARG(int, area->property("length").toInt()));
    return QRectF(0, cursor.top(), area->width(), cursor.height());
}

}  // namespace

void layOut(QQuickWindow& window, int width, int height) {
    window.resize(width, height);
    QElapsedTimer waited;
    waited.start();
    // The platform reports the new size through the event queue.
    while ((window.width() != width || window.height() != height) && waited.elapsed() < 2000)
        QCoreApplication::processEvents(QEventLoop::AllEvents, 20);
    QCoreApplication::processEvents();
    window.grabWindow();  // polishes the layouts and draws the frame
}

std::vector<FormControl> visibleControls(QQuickWindow& window) {
    std::vector<FormControl> out;
    collect(window.contentItem(), out);
    return out;
}

std::vector<std::string> layoutProblems(QQuickWindow& window) {
    std::vector<std::string> out;
    const std::vector<FormControl> all = visibleControls(window);
    if (all.empty()) out.push_back("the form shows no controls");
    for (const FormControl& c : all) {
        checkRoom(c, window, out);
        checkNotCut(c, out);
    }
    checkOverlaps(all, out);
    checkLabelled(all, out);
    for (const FormControl& c : all)
        if (c.kind == "textarea") checkFrame(c, window, out);
    scrollToTop(all, window);
    return out;
}

std::vector<std::string> typingProblems(QQuickWindow& window) {
    std::vector<std::string> out;
    window.requestActivate();
    if (!QTest::qWaitForWindowActive(&window)) out.push_back("the form's window does not become active");
    const std::vector<FormControl> all = visibleControls(window);
    for (const FormControl& target : all) {
        if ((target.kind != "field" && target.kind != "textarea") ||
            target.control->property("readOnly").toBool())
            continue;
        scrollTo(target, window);
        std::map<const QQuickItem*, QString> before;
        for (const FormControl& c : all) before[c.control] = c.control->property("text").toString();
        const QPointF centre =
            target.box->mapToScene(QPointF(target.box->width() / 2, target.box->height() / 2));
        QTest::mouseClick(&window, Qt::LeftButton, Qt::NoModifier, centre.toPoint());
        for (const char key : std::string("typed")) QTest::keyClick(&window, key);
        for (const FormControl& c : all) {
            const QString now = c.control->property("text").toString();
            if (c.control == target.control && !now.contains("typed"))
                out.push_back("a click into " + nameOf(target) +
                              " and typing left it without the typed text");
            if (c.control != target.control && now != before[c.control])
                out.push_back("typing after a click into " + nameOf(target) + " changed " + nameOf(c));
            c.control->setProperty("text", before[c.control]);
        }
    }
    scrollToTop(all, window);
    return out;
}

std::vector<std::string> lastLineProblems(QQuickWindow& window, const QString& name) {
    const std::vector<FormControl> all = visibleControls(window);
    const auto found = std::find_if(
        all.begin(), all.end(), [&](const FormControl& c) { return c.name == name && c.kind == "textarea"; });
    if (found == all.end()) return {text(name) + " is not a visible text area"};
    const FormControl& c = *found;
    if (c.box == c.control) return {text(name) + " does not scroll"};
    std::vector<std::string> out;
    const double lineSpacing = QFontMetricsF(c.control->property("font").value<QFont>()).lineSpacing();
    const double top = c.box->property("contentY").toDouble();
    const double contentHeight = c.box->property("contentHeight").toDouble();
    if (top + c.box->height() < contentHeight - lineSpacing)
        out.push_back(text(name) + " shows " + std::to_string(std::lround(top)) + " to " +
                      std::to_string(std::lround(top + c.box->height())) + " of " +
                      std::to_string(std::lround(contentHeight)) + " px of text, not its end");

    scrollTo(c, window);
    const QImage image = frameOf(window);
    const QRectF line = c.control->mapRectToScene(lastLineOf(c.control));
    const QRectF view = c.box->mapRectToScene(QRectF(0, 0, c.box->width(), c.box->height()));
    const QRectF shown = line.intersected(view);
    if (shown.height() < line.height() - kSlack) {
        out.push_back(text(name) + "'s last line " + describe(line) + " lies outside its view " +
                      describe(view));
    } else {
        // Inside the frame's edge and padding, where only text is drawn.
        const QRect inner = shown.toAlignedRect().adjusted(4, 0, -4, 0).intersected(image.rect());
        if (inkedPixels(image, inner) < kMinInkedPixels)
            out.push_back(text(name) + "'s last line " + describe(line) + " is not drawn");
    }
    scrollToTop(all, window);
    return out;
}

std::vector<std::string> missingControls(QQuickWindow& window, const std::vector<std::string>& expected) {
    const std::vector<FormControl> all = visibleControls(window);
    std::vector<std::string> missing;
    for (const std::string& name : expected)
        if (std::none_of(all.begin(), all.end(), [&](const FormControl& c) { return text(c.name) == name; }))
            missing.push_back(name);
    return missing;
}

}  // namespace test_support
