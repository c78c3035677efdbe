#include "ui/MainLayout.h"

#include <QTest>

namespace {

constexpr LayoutReference Design{9150, 6345};

WindowSize inner(double width, double height) {
    return {width + 120, height + 405, width, height};
}

bool near(const TwipRect &a, const TwipRect &b) {
    return std::abs(a.left - b.left) < 0.01 && std::abs(a.top - b.top) < 0.01 &&
           std::abs(a.width - b.width) < 0.01 && std::abs(a.height - b.height) < 0.01;
}

QByteArray shown(const TwipRect &r) {
    return QByteArray::number(r.left) + "," + QByteArray::number(r.top) + " " +
           QByteArray::number(r.width) + "x" + QByteArray::number(r.height);
}

} // namespace

Q_DECLARE_METATYPE(TwipRect)

class TestMainLayout : public QObject {
    Q_OBJECT
private Q_SLOTS:
    // Every case starts from controls an earlier layout moved off the design (7 and 11 twips
    // further, 1 % larger), so a design value and a scaled one tell apart. The columns: the
    // case, the inner size it forces (0: none), the reference it leaves, and where four
    // controls of each scaling kind end up.
    void cases_data() {
        QTest::addColumn<WindowSize>("size");
        QTest::addColumn<int>("layoutCase");
        QTest::addColumn<double>("forcedWidth");
        QTest::addColumn<double>("forcedHeight");
        QTest::addColumn<LayoutReference>("reference");
        QTest::addColumn<QList<TwipRect>>("controls"); // TIT0, Label1_2, Label3_0, Command1_6

        const QList<TwipRect> before{{397, 971, 8347.65, 287.85},
                                     {2032, 371, 0, 0},
                                     {-23, 671, 9438.45, 0},
                                     {6907, 5531, 2136.15, 696.9}};
        const QList<TwipRect> design{
            {390, 960, 8265, 285}, {2025, 360, 0, 0}, {-30, 660, 9345, 0}, {6900, 5520, 2115, 690}};
        const int notLarger = int(LayoutCase::NotLarger);
        QTest::newRow("minimised")
            << WindowSize{9270, 999, 0, 0} << 0 << 0.0 << 0.0 << Design << before;
        QTest::newRow("not larger, design size") << WindowSize{9270, 6750, 9150, 6345} << notLarger
                                                 << 9150.0 << 6345.0 << Design << design;
        QTest::newRow("not larger, just tall enough")
            << WindowSize{5000, 1000, 4880, 595} << notLarger << 9150.0 << 6345.0 << Design
            << design;
        // The reference height is rounded half to even: 9516.5 gives 9516. Two labels take
        // Left values of their own here.
        QTest::newRow("taller only") << inner(9150, 9516.5) << int(LayoutCase::TallerOnly) << 9150.0
                                     << 0.0 << LayoutReference{9150, 9516}
                                     << QList<TwipRect>{{390, 1456.347, 8265, 431.73},
                                                        {1875, 556.442, 0, 0},
                                                        {-30, 1006.394, 9345, 0},
                                                        {6900, 8295.628, 2115, 1045.24}};
        QTest::newRow("wider only") << inner(18300, 6345) << int(LayoutCase::WiderOnly) << 0.0
                                    << 6345.0 << LayoutReference{18300, 6345}
                                    << QList<TwipRect>{{794, 960, 16695.3, 285},
                                                       {4064, 360, 0, 0},
                                                       {-46, 660, 18876.9, 0},
                                                       {13814, 5520, 4272.3, 690}};
        QTest::newRow("larger") << inner(11437.5, 9517.5) << int(LayoutCase::Larger) << 0.0 << 0.0
                                << LayoutReference{11437.5, 9518}
                                << QList<TwipRect>{{496.25, 1456.5, 10434.5625, 431.775},
                                                   {2540, 556.5, 0, 0},
                                                   {-28.75, 1006.5, 11798.0625, 0},
                                                   {8633.75, 8296.5, 2670.1875, 1045.35}};
    }

    void cases() {
        QFETCH(WindowSize, size);
        QFETCH(int, layoutCase);
        QFETCH(double, forcedWidth);
        QFETCH(double, forcedHeight);
        QFETCH(LayoutReference, reference);
        QFETCH(QList<TwipRect>, controls);

        std::vector<TwipRect> before = MainDesignGeometry();
        for (TwipRect &r : before)
            r = {r.left + 7, r.top + 11, r.width * 1.01, r.height * 1.01};
        const LayoutResult result = ApplyMainLayout(before, Design, size);
        QCOMPARE(int(result.layoutCase), layoutCase);
        QCOMPARE(result.applied, layoutCase != int(LayoutCase::Minimised));
        QCOMPARE(result.innerWidth.value_or(0), forcedWidth);
        QCOMPARE(result.innerHeight.value_or(0), forcedHeight);
        QCOMPARE(result.reference.width, reference.width);
        QCOMPARE(result.reference.height, reference.height);
        const char *names[] = {"TIT0", "Label1_2", "Label3_0", "Command1_6"};
        for (qsizetype i = 0; i < controls.size(); ++i) {
            const TwipRect &placed = result.controls[MainLayoutIndex(names[i])];
            QVERIFY2(near(placed, controls[i]), names[i] + (": " + shown(placed)));
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
            for (std::size_t i = 0; i < once.controls.size(); ++i)
                QVERIFY2(near(stepped.controls[i], once.controls[i]), MainDesignLayout()[i].name);
        }
    }
};

QTEST_APPLESS_MAIN(TestMainLayout)
#include "tst_mainlayout.moc"
