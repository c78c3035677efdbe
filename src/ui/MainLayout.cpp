#include "ui/MainLayout.h"

#include <cmath>
#include <cstring>

namespace {

// Bottom-right button whose prospective edges decide whether a case fits.
constexpr const char *FitControl = "Command1_6";
constexpr double FitRightMargin = 45;
constexpr double FitBottomMargin = 135;

std::vector<LayoutControl> buildDesign() {
    std::vector<LayoutControl> rows;
    auto add = [&rows](const char *name, TwipRect rect, Scaled scaled,
                       std::optional<double> tallerLeft = std::nullopt) {
        rows.push_back({name, rect, scaled, tallerLeft});
    };
    add("Label1_0", {60, 60}, Scaled::Position);
    add("Label1_1", {480, 360}, Scaled::Position);
    add("Label1_2", {2025, 360}, Scaled::Position, 1875);
    add("Label1_3", {3660, 360}, Scaled::Position);
    add("Label1_4", {5370, 360}, Scaled::Position, 5340);
    add("Label1_5", {7320, 360}, Scaled::Position);
    add("Label2_0", {960, 360}, Scaled::Position);
    add("Label2_1", {2580, 360}, Scaled::Position);
    add("Label2_2", {4260, 360}, Scaled::Position);
    add("Label2_3", {6240, 360}, Scaled::Position);
    add("Label2_4", {8280, 360}, Scaled::Position);
    add("Label3_0", {-30, 660, 9345}, Scaled::PositionWidth);
    add("Label3_1", {-30, 2220, 9345}, Scaled::PositionWidth);
    add("Label3_2", {0, 3780, 9345}, Scaled::PositionWidth);
    add("LIT1_0", {60, 990}, Scaled::Position);
    add("LIT1_1", {60, 1320}, Scaled::Position);
    add("LIT1_2", {60, 1650}, Scaled::Position);
    add("LIT1_3", {60, 3210}, Scaled::Position);
    add("LIT1_4", {60, 2880}, Scaled::Position);
    add("LIT1_5", {60, 2550}, Scaled::Position);
    const double titTop[] = {960, 1290, 1620, 2520, 2850, 3180};
    const double titHeight[] = {285, 285, 495, 285, 285, 495};
    static const char *const titNames[] = {"TIT0", "TIT1", "TIT2", "TIT3", "TIT4", "TIT5"};
    static const char *const ltNames[] = {"LT0", "LT1", "LT2", "LT3", "LT4", "LT5"};
    for (int i = 0; i < 6; ++i)
        add(titNames[i], {390, titTop[i], 8265, titHeight[i]}, Scaled::All);
    for (int i = 0; i < 6; ++i)
        add(ltNames[i], {8700, titTop[i]}, Scaled::Position);
    add("Label4", {150, 4140, 8835, 645}, Scaled::All);
    add("Command1_0", {510, 5010, 1575, 375}, Scaled::All);
    add("Command1_1", {2700, 5010, 1575, 375}, Scaled::All);
    add("Command1_2", {4890, 5010, 1575, 375}, Scaled::All);
    add("Command1_3", {150, 5520, 2115, 690}, Scaled::All);
    add("Command1_4", {2400, 5520, 2115, 690}, Scaled::All);
    add("Command1_5", {4650, 5520, 2115, 690}, Scaled::All);
    add("Command1_6", {6900, 5520, 2115, 690}, Scaled::All);
    add("Command1_7", {7080, 5010, 1575, 375}, Scaled::All);
    return rows;
}

bool setsWidth(Scaled scaled) {
    return scaled != Scaled::Position;
}

bool setsHeight(Scaled scaled) {
    return scaled == Scaled::All;
}

TwipRect designValues(const LayoutControl &control, const TwipRect &current) {
    TwipRect rect = current;
    rect.left = control.design.left;
    rect.top = control.design.top;
    if (setsWidth(control.scaled))
        rect.width = control.design.width;
    if (setsHeight(control.scaled))
        rect.height = control.design.height;
    return rect;
}

} // namespace

const std::vector<LayoutControl> &MainDesignLayout() {
    static const std::vector<LayoutControl> design = buildDesign();
    return design;
}

int MainLayoutIndex(const char *name) {
    const auto &design = MainDesignLayout();
    for (int i = 0; i < static_cast<int>(design.size()); ++i)
        if (std::strcmp(design[i].name, name) == 0)
            return i;
    return -1;
}

std::vector<TwipRect> MainDesignGeometry() {
    std::vector<TwipRect> rects;
    for (const LayoutControl &control : MainDesignLayout())
        rects.push_back(designValues(control, TwipRect{}));
    return rects;
}

LayoutResult ApplyMainLayout(const std::vector<TwipRect> &current, LayoutReference reference,
                             const WindowSize &size) {
    const auto &design = MainDesignLayout();
    LayoutResult result;
    result.controls = current;
    result.reference = reference;
    if (current.size() != design.size())
        return result;

    const bool wider = size.outerWidth > MainDesign::OuterWidth;
    const bool taller = size.outerHeight > MainDesign::OuterHeight;
    if (!wider && !taller) {
        if (size.outerHeight < MainDesign::MinimisedHeight)
            return result;
        result.layoutCase = LayoutCase::NotLarger;
        for (std::size_t i = 0; i < design.size(); ++i)
            result.controls[i] = designValues(design[i], current[i]);
        result.innerWidth = MainDesign::InnerWidth;
        result.innerHeight = MainDesign::InnerHeight;
    } else {
        result.layoutCase = !wider   ? LayoutCase::TallerOnly
                            : taller ? LayoutCase::Larger
                                     : LayoutCase::WiderOnly;
        // A reference of 0 cannot come from a shown window; keep the scale neutral then.
        const double rW = reference.width > 0 ? size.innerWidth / reference.width : 1.0;
        const double rH = reference.height > 0 ? size.innerHeight / reference.height : 1.0;

        const int fitIndex = MainLayoutIndex(FitControl);
        const TwipRect &fit = current[fitIndex];
        const LayoutControl &fitDesign = design[fitIndex];
        double right = (fit.left + fit.width) * rW;
        double bottom = std::nearbyint(fit.top * rH + fit.height * rH);
        if (result.layoutCase == LayoutCase::TallerOnly)
            right = fitDesign.design.left + fitDesign.design.width;
        else if (result.layoutCase == LayoutCase::WiderOnly)
            bottom = fitDesign.design.top;
        if (right + FitRightMargin > size.innerWidth || bottom + FitBottomMargin > size.innerHeight)
            return result;

        for (std::size_t i = 0; i < design.size(); ++i) {
            const LayoutControl &control = design[i];
            const TwipRect &now = current[i];
            TwipRect &next = result.controls[i];
            const bool width = setsWidth(control.scaled);
            const bool height = setsHeight(control.scaled);
            if (result.layoutCase == LayoutCase::TallerOnly) {
                next.left = control.tallerOnlyLeft.value_or(control.design.left);
                if (width)
                    next.width = control.design.width;
            } else {
                next.left = now.left * rW;
                if (width)
                    next.width = now.width * rW;
            }
            if (result.layoutCase == LayoutCase::WiderOnly) {
                next.top = control.design.top;
                if (height)
                    next.height = control.design.height;
            } else {
                next.top = now.top * rH;
                if (height)
                    next.height = now.height * rH;
            }
        }
        if (result.layoutCase == LayoutCase::TallerOnly)
            result.innerWidth = MainDesign::InnerWidth;
        if (result.layoutCase == LayoutCase::WiderOnly)
            result.innerHeight = MainDesign::InnerHeight;
    }
    result.applied = true;
    result.reference.width = static_cast<float>(result.innerWidth.value_or(size.innerWidth));
    result.reference.height =
        static_cast<int>(std::lrint(result.innerHeight.value_or(size.innerHeight)));
    return result;
}
