#include "ui/MainLayout.h"

#include <QTest>

namespace {

constexpr LayoutReference Design{9150, 6345};

WindowSize inner(double width, double height) {
    return {width + 120, height + 405, width, height};
}

bool near(double a, double b) {
    return std::abs(a - b) < 1e-6 * std::max(1.0, std::abs(b));
}

// A property the rule sets is scaled by r from its current value, or, for r = 0, set to its
// design value; a property it does not set keeps its current value.
double expected(double now, double design, double r, bool set = true) {
    return !set ? now : r == 0 ? design : now * r;
}

} // namespace

class TestMainLayout : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // A forced width or height (0: none) also means the design values in that direction.
    void cases_data() {
        QTest::addColumn<WindowSize>("size");
        QTest::addColumn<int>("layoutCase");
        QTest::addColumn<double>("forcedWidth");
        QTest::addColumn<double>("forcedHeight");

        const int notLarger = int(LayoutCase::NotLarger);
        QTest::newRow("minimised") << WindowSize{9270, 999, 0, 0} << 0 << 0.0 << 0.0;
        QTest::newRow("not larger, design size")
            << WindowSize{9270, 6750, 9150, 6345} << notLarger << 9150.0 << 6345.0;
        QTest::newRow("not larger, just tall enough")
            << WindowSize{5000, 1000, 4880, 595} << notLarger << 9150.0 << 6345.0;
        // The reference height is rounded half to even: 9516.5 gives 9516.
        QTest::newRow("taller only")
            << inner(9150, 9516.5) << int(LayoutCase::TallerOnly) << 9150.0 << 0.0;
        QTest::newRow("wider only")
            << inner(18300, 6345) << int(LayoutCase::WiderOnly) << 0.0 << 6345.0;
        QTest::newRow("larger") << inner(11437.5, 9517.5) << int(LayoutCase::Larger) << 0.0 << 0.0;
    }

    void cases() {
        QFETCH(WindowSize, size);
        QFETCH(int, layoutCase);
        QFETCH(double, forcedWidth);
        QFETCH(double, forcedHeight);

        // Controls moved off the design by an earlier layout, so every case starts elsewhere.
        std::vector<TwipRect> before = MainDesignGeometry();
        for (TwipRect &r : before)
            r = {r.left + 7, r.top + 11, r.width * 1.01, r.height * 1.01};
        const LayoutResult result = ApplyMainLayout(before, Design, size);
        const bool applied = layoutCase != int(LayoutCase::Minimised);
        QCOMPARE(int(result.layoutCase), layoutCase);
        QCOMPARE(result.applied, applied);
        QCOMPARE(result.innerWidth.value_or(0), forcedWidth);
        QCOMPARE(result.innerHeight.value_or(0), forcedHeight);
        // The reference becomes the inner size the layout leaves, unless nothing was applied.
        const double width = forcedWidth != 0 ? forcedWidth : size.innerWidth;
        const double height = forcedHeight != 0 ? forcedHeight : size.innerHeight;
        QCOMPARE(result.reference.width, applied ? float(width) : Design.width);
        QCOMPARE(result.reference.height, applied ? int(std::lrint(height)) : Design.height);

        const double rW = !applied ? 1 : forcedWidth != 0 ? 0 : size.innerWidth / Design.width;
        const double rH = !applied ? 1 : forcedHeight != 0 ? 0 : size.innerHeight / Design.height;
        const bool taller = layoutCase == int(LayoutCase::TallerOnly);
        for (std::size_t i = 0; i < before.size(); ++i) {
            const LayoutControl &control = MainDesignLayout()[i];
            const TwipRect &design = control.design;
            const TwipRect &now = before[i];
            const TwipRect &next = result.controls[i];
            const QByteArray name = control.name;
            // Two labels have Left values of their own when the window only grew taller.
            const double left = !taller              ? design.left
                                : name == "Label1_2" ? 1875
                                : name == "Label1_4" ? 5340
                                                     : design.left;
            const bool setsWidth = control.scaled != Scaled::Position;
            const bool setsHeight = control.scaled == Scaled::All;
            QVERIFY2(near(next.left, expected(now.left, left, rW)), name);
            QVERIFY2(near(next.top, expected(now.top, design.top, rH)), name);
            QVERIFY2(near(next.width, expected(now.width, design.width, rW, setsWidth)), name);
            QVERIFY2(near(next.height, expected(now.height, design.height, rH, setsHeight)), name);
        }
    }

    // The fit test on Command1_6.
    void fitTest_data() {
        QTest::addColumn<WindowSize>("size");
        QTest::addColumn<double>("buttonLeft");
        QTest::addColumn<bool>("applied");

        // Taller only: the design right edge 9015 + 45 must fit the inner width.
        QTest::newRow("taller, too narrow") << inner(9059, 8000) << 6900.0 << false;
        QTest::newRow("taller, exactly fits") << inner(9060, 8000) << 6900.0 << true;
        // Wider only: the design top 5520 + 135 must fit the inner height.
        QTest::newRow("wider, too low") << inner(12000, 5654) << 6900.0 << false;
        QTest::newRow("wider, exactly fits") << inner(12000, 5655) << 6900.0 << true;
        // Otherwise the button's scaled edges: a button already past the window does not fit.
        QTest::newRow("larger, button beyond") << inner(10000, 8000) << 8000.0 << false;
        QTest::newRow("wider, button beyond") << inner(10000, 6345) << 8000.0 << false;
    }

    void fitTest() {
        QFETCH(WindowSize, size);
        QFETCH(double, buttonLeft);
        QFETCH(bool, applied);

        std::vector<TwipRect> before = MainDesignGeometry();
        before[MainLayoutIndex("Command1_6")].left = buttonLeft;
        const LayoutResult result = ApplyMainLayout(before, Design, size);
        QCOMPARE(result.applied, applied);
        // A failed fit test forces nothing and keeps the reference.
        QCOMPARE(!result.innerWidth && !result.innerHeight &&
                     result.reference.width == Design.width &&
                     result.reference.height == Design.height,
                 !applied);
    }

    void stepsCompoundLikeOneResize() {
        const WindowSize last = inner(13725, 9517.5);
        // Wider, then taller; larger, a refused step, larger.
        for (const QList<WindowSize> &steps :
             {QList{inner(12000, 6345), inner(13725, 6345), last},
              QList{inner(11000, 8000), inner(9000, 8000), last}}) {
            LayoutResult stepped{
                LayoutCase::Minimised, false, MainDesignGeometry(), {}, {}, Design};
            for (const WindowSize &step : steps)
                stepped = ApplyMainLayout(stepped.controls, stepped.reference, step);
            const LayoutResult once = ApplyMainLayout(MainDesignGeometry(), Design, last);
            for (std::size_t i = 0; i < once.controls.size(); ++i) {
                const TwipRect &a = stepped.controls[i];
                const TwipRect &b = once.controls[i];
                QVERIFY2(std::abs(a.left - b.left) < 0.01 && std::abs(a.top - b.top) < 0.01 &&
                             std::abs(a.width - b.width) < 0.01 &&
                             std::abs(a.height - b.height) < 0.01,
                         MainDesignLayout()[i].name);
            }
        }
    }
};

QTEST_APPLESS_MAIN(TestMainLayout)
#include "tst_mainlayout.moc"
