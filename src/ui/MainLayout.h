#pragma once

#include <optional>
#include <vector>

// The main window's layout rule, in twips (1/1440 inch), free of widgets.

struct TwipRect {
    double left = 0;
    double top = 0;
    double width = 0;
    double height = 0;
};

// Which of a control's properties the rule sets.
enum class Scaled { Position, PositionWidth, All };

struct LayoutControl {
    const char *name;
    TwipRect design;
    Scaled scaled;
    // The Left used instead of the design Left when the window only grew taller.
    std::optional<double> tallerOnlyLeft;
};

namespace MainDesign {
inline constexpr double OuterWidth = 9270;
inline constexpr double OuterHeight = 6750;
inline constexpr double InnerWidth = 9150;
inline constexpr double InnerHeight = 6345;
// Below this outer height (at no more than the design width) the window is minimised.
inline constexpr double MinimisedHeight = 1000;
} // namespace MainDesign

// The controls the rule moves, in a fixed order; index into it with MainLayoutIndex.
[[nodiscard]] const std::vector<LayoutControl> &MainDesignLayout();
[[nodiscard]] int MainLayoutIndex(const char *name);

enum class LayoutCase { Minimised, NotLarger, TallerOnly, WiderOnly, Larger };

// Inner size at the last applied layout: width single precision, height a whole number.
struct LayoutReference {
    float width = 0;
    int height = 0;
};

struct WindowSize {
    double outerWidth = 0;
    double outerHeight = 0;
    double innerWidth = 0;
    double innerHeight = 0;
};

struct LayoutResult {
    LayoutCase layoutCase = LayoutCase::Minimised;
    // False when minimised or when the fit test refused the case: nothing moves then.
    bool applied = false;
    std::vector<TwipRect> controls;
    std::optional<double> innerWidth;
    std::optional<double> innerHeight;
    LayoutReference reference;
};

// One resize event: `current` holds the controls' geometry in MainDesignLayout order.
[[nodiscard]] LayoutResult ApplyMainLayout(const std::vector<TwipRect> &current,
                                           LayoutReference reference, const WindowSize &size);

// The design geometry of every control; properties the rule does not set are 0.
[[nodiscard]] std::vector<TwipRect> MainDesignGeometry();
