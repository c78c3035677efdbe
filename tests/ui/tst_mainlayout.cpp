#include "ui/MainLayout.h"

#include <QTest>

class TestMainLayout : public QObject {
    Q_OBJECT
private Q_SLOTS:
    void cases_data();
    void cases();
    void fitTestRefuses_data();
    void fitTestRefuses();
    void labelsWithTheirOwnLeft_data();
    void labelsWithTheirOwnLeft();
    void stepsCompoundLikeOneResize_data();
    void stepsCompoundLikeOneResize();
    void referenceHeightIsWhole();
};

namespace {

constexpr LayoutReference Design{9150, 6345};

WindowSize inner(double width, double height) {
    return {width + 120, height + 405, width, height};
}

const TwipRect &at(const std::vector<TwipRect> &rects, const char *name) {
    return rects[MainLayoutIndex(name)];
}

// Controls moved off the design by an earlier layout, so every case starts elsewhere.
std::vector<TwipRect> displaced() {
    std::vector<TwipRect> rects = MainDesignGeometry();
    for (TwipRect &r : rects) {
        r.left += 7;
        r.top += 11;
        r.width *= 1.01;
        r.height *= 1.01;
    }
    return rects;
}

bool near(double a, double b) {
    return std::abs(a - b) < 1e-6 * std::max(1.0, std::abs(b));
}

} // namespace

void TestMainLayout::cases_data() {
    QTest::addColumn<WindowSize>("size");
    QTest::addColumn<int>("expected");
    QTest::addColumn<bool>("applied");
    QTest::addColumn<double>("rW");
    QTest::addColumn<double>("rH");
    QTest::addColumn<double>("forcedWidth");
    QTest::addColumn<double>("forcedHeight");

    QTest::newRow("minimised") << WindowSize{9270, 999, 0, 0} << int(LayoutCase::Minimised) << false
                               << 1.0 << 1.0 << 0.0 << 0.0;
    QTest::newRow("minimised, narrower")
        << WindowSize{1000, 300, 880, 0} << int(LayoutCase::Minimised) << false << 1.0 << 1.0 << 0.0
        << 0.0;
    QTest::newRow("not larger, both smaller") << inner(8000, 5000) << int(LayoutCase::NotLarger)
                                              << true << 0.0 << 0.0 << 9150.0 << 6345.0;
    QTest::newRow("not larger, design size")
        << WindowSize{9270, 6750, 9150, 6345} << int(LayoutCase::NotLarger) << true << 0.0 << 0.0
        << 9150.0 << 6345.0;
    QTest::newRow("not larger, just tall enough")
        << WindowSize{5000, 1000, 4880, 595} << int(LayoutCase::NotLarger) << true << 0.0 << 0.0
        << 9150.0 << 6345.0;
    QTest::newRow("taller only") << inner(9150, 6345 * 1.5) << int(LayoutCase::TallerOnly) << true
                                 << 0.0 << 1.5 << 9150.0 << 0.0;
    QTest::newRow("wider only") << inner(9150 * 2, 6345) << int(LayoutCase::WiderOnly) << true
                                << 2.0 << 0.0 << 0.0 << 6345.0;
    QTest::newRow("larger") << inner(9150 * 1.25, 6345 * 1.5) << int(LayoutCase::Larger) << true
                            << 1.25 << 1.5 << 0.0 << 0.0;
}

// rW / rH of 0 mean "design value"; 0 forced sizes mean "not forced".
void TestMainLayout::cases() {
    QFETCH(WindowSize, size);
    QFETCH(int, expected);
    QFETCH(bool, applied);
    QFETCH(double, rW);
    QFETCH(double, rH);
    QFETCH(double, forcedWidth);
    QFETCH(double, forcedHeight);

    const std::vector<TwipRect> before = displaced();
    const std::vector<TwipRect> design = MainDesignGeometry();
    const LayoutResult result = ApplyMainLayout(before, Design, size);
    QCOMPARE(int(result.layoutCase), expected);
    QCOMPARE(result.applied, applied);
    QCOMPARE(result.innerWidth.value_or(0), forcedWidth);
    QCOMPARE(result.innerHeight.value_or(0), forcedHeight);

    const auto &controls = MainDesignLayout();
    for (std::size_t i = 0; i < controls.size(); ++i) {
        const TwipRect &now = before[i];
        const TwipRect &next = result.controls[i];
        const char *name = controls[i].name;
        if (!applied) {
            QVERIFY2(near(next.left, now.left) && near(next.top, now.top), name);
            continue;
        }
        const bool tallerOnly = expected == int(LayoutCase::TallerOnly);
        const double designLeft =
            tallerOnly ? controls[i].tallerOnlyLeft.value_or(design[i].left) : design[i].left;
        QVERIFY2(near(next.left, rW == 0 ? designLeft : now.left * rW), name);
        QVERIFY2(near(next.top, rH == 0 ? design[i].top : now.top * rH), name);
        switch (controls[i].scaled) {
        case Scaled::Position:
            QVERIFY2(next.width == now.width && next.height == now.height, name);
            break;
        case Scaled::PositionWidth:
            QVERIFY2(near(next.width, rW == 0 ? design[i].width : now.width * rW), name);
            QVERIFY2(next.height == now.height, name);
            break;
        case Scaled::All:
            QVERIFY2(near(next.width, rW == 0 ? design[i].width : now.width * rW), name);
            QVERIFY2(near(next.height, rH == 0 ? design[i].height : now.height * rH), name);
            break;
        }
    }
    const LayoutReference expectedRef =
        applied ? LayoutReference{float(forcedWidth ? forcedWidth : size.innerWidth),
                                  int(std::lrint(forcedHeight ? forcedHeight : size.innerHeight))}
                : Design;
    QCOMPARE(result.reference.width, expectedRef.width);
    QCOMPARE(result.reference.height, expectedRef.height);
}

void TestMainLayout::fitTestRefuses_data() {
    QTest::addColumn<WindowSize>("size");
    QTest::addColumn<double>("buttonLeft");
    QTest::addColumn<bool>("applied");

    // Taller only: the design right edge 9015 + 45 must fit the inner width.
    QTest::newRow("taller, too narrow") << inner(9059, 8000) << 6900.0 << false;
    QTest::newRow("taller, exactly fits") << inner(9060, 8000) << 6900.0 << true;
    // Wider only: the design top 5520 + 135 must fit the inner height.
    QTest::newRow("wider, too low") << inner(12000, 5654) << 6900.0 << false;
    QTest::newRow("wider, exactly fits") << inner(12000, 5655) << 6900.0 << true;
    // Larger: the button's scaled edges; a button already past the window does not fit.
    QTest::newRow("larger, button beyond") << inner(10000, 8000) << 8000.0 << false;
    QTest::newRow("larger, button inside") << inner(10000, 8000) << 6900.0 << true;
    QTest::newRow("wider, button beyond") << inner(10000, 6345) << 8000.0 << false;
}

void TestMainLayout::fitTestRefuses() {
    QFETCH(WindowSize, size);
    QFETCH(double, buttonLeft);
    QFETCH(bool, applied);

    std::vector<TwipRect> before = MainDesignGeometry();
    before[MainLayoutIndex("Command1_6")].left = buttonLeft;
    const LayoutResult result = ApplyMainLayout(before, Design, size);
    QCOMPARE(result.applied, applied);
    if (!applied) {
        QVERIFY(!result.innerWidth && !result.innerHeight);
        QCOMPARE(result.reference.width, Design.width);
        QCOMPARE(result.reference.height, Design.height);
        QCOMPARE(at(result.controls, "TIT0").top, at(before, "TIT0").top);
    }
}

void TestMainLayout::labelsWithTheirOwnLeft_data() {
    QTest::addColumn<WindowSize>("size");
    QTest::addColumn<double>("label2Left");
    QTest::addColumn<double>("label4Left");

    QTest::newRow("taller only") << inner(9150, 8000) << 1875.0 << 5340.0;
    QTest::newRow("not larger") << inner(9000, 6000) << 2025.0 << 5370.0;
    QTest::newRow("wider only") << inner(18300, 6345) << 4050.0 << 10740.0;
    QTest::newRow("larger") << inner(18300, 8000) << 4050.0 << 10740.0;
}

void TestMainLayout::labelsWithTheirOwnLeft() {
    QFETCH(WindowSize, size);
    QFETCH(double, label2Left);
    QFETCH(double, label4Left);

    const LayoutResult result = ApplyMainLayout(MainDesignGeometry(), Design, size);
    QVERIFY(result.applied);
    QCOMPARE(at(result.controls, "Label1_2").left, label2Left);
    QCOMPARE(at(result.controls, "Label1_4").left, label4Left);
    QCOMPARE(at(result.controls, "Label1_3").left, size.innerWidth > 9150 ? 7320.0 : 3660.0);
}

void TestMainLayout::stepsCompoundLikeOneResize_data() {
    QTest::addColumn<QList<WindowSize>>("steps");

    QTest::newRow("larger in three steps")
        << QList<WindowSize>{inner(10000, 7000), inner(11000, 7500), inner(13725, 9517.5)};
    QTest::newRow("wider, then taller")
        << QList<WindowSize>{inner(12000, 6345), inner(13725, 6345), inner(13725, 9517.5)};
    QTest::newRow("larger, a refused step, larger")
        << QList<WindowSize>{inner(11000, 8000), inner(9000, 8000), inner(13725, 9517.5)};
}

void TestMainLayout::stepsCompoundLikeOneResize() {
    QFETCH(QList<WindowSize>, steps);

    std::vector<TwipRect> stepped = MainDesignGeometry();
    LayoutReference reference = Design;
    for (const WindowSize &step : steps) {
        const LayoutResult result = ApplyMainLayout(stepped, reference, step);
        stepped = result.controls;
        reference = result.reference;
    }
    const LayoutResult once = ApplyMainLayout(MainDesignGeometry(), Design, steps.last());
    QVERIFY(once.applied);
    for (std::size_t i = 0; i < stepped.size(); ++i) {
        const char *name = MainDesignLayout()[i].name;
        QVERIFY2(std::abs(stepped[i].left - once.controls[i].left) < 0.01, name);
        QVERIFY2(std::abs(stepped[i].top - once.controls[i].top) < 0.01, name);
        QVERIFY2(std::abs(stepped[i].width - once.controls[i].width) < 0.01, name);
        QVERIFY2(std::abs(stepped[i].height - once.controls[i].height) < 0.01, name);
    }
    QCOMPARE(at(once.controls, "Command1_6").left, 6900 * 1.5);
}

void TestMainLayout::referenceHeightIsWhole() {
    const LayoutResult half = ApplyMainLayout(MainDesignGeometry(), Design, inner(10000, 7000.5));
    QCOMPARE(half.reference.height, 7000);
    const LayoutResult upper = ApplyMainLayout(MainDesignGeometry(), Design, inner(10000, 7001.5));
    QCOMPARE(upper.reference.height, 7002);
    QCOMPARE(upper.reference.width, 10000.0f);
}

QTEST_APPLESS_MAIN(TestMainLayout)
#include "tst_mainlayout.moc"
