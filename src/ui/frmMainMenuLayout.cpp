// The main window's layout rule at work: twips to pixels and back, and every resize.
#include "ui/frmMainMenu.h"

#include <QLabel>
#include <QScopedValueRollback>

#include <cmath>

namespace {

constexpr double TwipsPerInch = 1440;
// Frame of the design window: what lies between its outer and its inner size.
constexpr double FrameWidth = MainDesign::OuterWidth - MainDesign::InnerWidth;
constexpr double FrameHeight = MainDesign::OuterHeight - MainDesign::InnerHeight;
constexpr TwipRect EmulationCaption{5370, 60};
constexpr TwipRect EmulationValue{6240, 60};

} // namespace

int frmMainMenu::toPixelsX(double twips) const {
    return static_cast<int>(std::lround(twips * logicalDpiX() / TwipsPerInch));
}

int frmMainMenu::toPixelsY(double twips) const {
    return static_cast<int>(std::lround(twips * logicalDpiY() / TwipsPerInch));
}

// The design size maps back to itself exactly, so pixel rounding never reads as a resize.
double frmMainMenu::toTwipsX(int pixels) const {
    if (pixels == toPixelsX(MainDesign::InnerWidth))
        return MainDesign::InnerWidth;
    return pixels * TwipsPerInch / logicalDpiX();
}

double frmMainMenu::toTwipsY(int pixels) const {
    if (pixels == toPixelsY(MainDesign::InnerHeight))
        return MainDesign::InnerHeight;
    return pixels * TwipsPerInch / logicalDpiY();
}

void frmMainMenu::placeControls() {
    const auto &design = MainDesignLayout();
    for (std::size_t i = 0; i < design.size(); ++i) {
        QWidget *widget = laidOut_[i];
        const TwipRect &rect = geometry_[i];
        const int x = toPixelsX(rect.left);
        const int y = toPixelsY(rect.top);
        const QSize hint = widget->sizeHint();
        const int w = design[i].scaled == Scaled::Position ? hint.width()
                                                           : toPixelsX(rect.left + rect.width) - x;
        const int h =
            design[i].scaled == Scaled::All ? toPixelsY(rect.top + rect.height) - y : hint.height();
        widget->setGeometry(x, y, w, h);
    }
    auto *caption = findChild<QLabel *>(QStringLiteral("Label1_6"));
    caption->move(toPixelsX(EmulationCaption.left), toPixelsY(EmulationCaption.top));
    caption->adjustSize();
    Label5->move(toPixelsX(EmulationValue.left), toPixelsY(EmulationValue.top));
    Label5->adjustSize();
}

void frmMainMenu::resizeEvent(QResizeEvent *event) {
    QWidget::resizeEvent(event);
    // Forcing the size below raises a resize of its own on some platforms; the layout has
    // already been applied for it.
    if (!loaded_ || laying_)
        return;
    QScopedValueRollback guard(laying_, true);
    WindowSize size;
    size.innerWidth = toTwipsX(width());
    size.innerHeight = toTwipsY(height());
    // Judged on the inner size with the design frame, whatever frame the platform draws.
    size.outerWidth = size.innerWidth + FrameWidth;
    size.outerHeight = isMinimized() ? 0 : size.innerHeight + FrameHeight;
    const LayoutResult result = ApplyMainLayout(geometry_, reference_, size);
    if (!result.applied)
        return;
    geometry_ = result.controls;
    reference_ = result.reference;
    placeControls();
    if (result.innerWidth || result.innerHeight)
        resize(result.innerWidth ? toPixelsX(*result.innerWidth) : width(),
               result.innerHeight ? toPixelsY(*result.innerHeight) : height());
}
