// Window bounds from the configuration fitted to the screens of a start.

#include "core/config/window_bounds.h"

#include <QTest>

#include <limits>
#include <vector>

using orvela::FitToScreens;
using orvela::settings::Bounds;

Q_DECLARE_METATYPE(Bounds)

namespace {

constexpr std::int32_t Most = std::numeric_limits<std::int32_t>::max();
constexpr std::int32_t Least = std::numeric_limits<std::int32_t>::min();

const QRect Primary(0, 0, 1400, 800);
// A second screen to the right of the primary one, lower and shorter.
const QRect Second(1400, 100, 1024, 600);

} // namespace

class TestWindowBounds : public QObject
{
    Q_OBJECT

private slots:
    void fit_data()
    {
        QTest::addColumn<Bounds>("wanted"); // top, left, height, width
        QTest::addColumn<bool>("twoScreens");
        QTest::addColumn<Bounds>("fitted");

        QTest::newRow("on the screen")
            << Bounds{31, 36, 728, 1344} << false << Bounds{31, 36, 728, 1344};
        QTest::newRow("as large as the screen")
            << Bounds{0, 0, 800, 1400} << false << Bounds{0, 0, 800, 1400};
        QTest::newRow("larger than the screen")
            << Bounds{10, 20, 900, 1500} << false << Bounds{10, 20, 800, 1400};
        QTest::newRow("largest values")
            << Bounds{Most, Most, Most, Most} << false << Bounds{0, 0, 800, 1400};
        QTest::newRow("smallest values")
            << Bounds{Least, Least, Least, Least} << false << Bounds{0, 0, 0, 0};
        QTest::newRow("beyond the right edge")
            << Bounds{100, 5000, 300, 400} << false << Bounds{100, 1000, 300, 400};
        QTest::newRow("above the top")
            << Bounds{-400, 100, 300, 400} << false << Bounds{0, 100, 300, 400};
        QTest::newRow("a grip on the screen stays")
            << Bounds{752, 1352, 300, 400} << false << Bounds{752, 1352, 300, 400};
        QTest::newRow("less than a grip is moved")
            << Bounds{753, 100, 300, 400} << false << Bounds{500, 100, 300, 400};
        QTest::newRow("narrower than a grip, wholly on")
            << Bounds{100, 1390, 20, 10} << false << Bounds{100, 1390, 20, 10};
        QTest::newRow("on the second screen")
            << Bounds{200, 2000, 400, 300} << true << Bounds{200, 2000, 400, 300};
        QTest::newRow("across both screens")
            << Bounds{50, 1000, 700, 1200} << true << Bounds{50, 1000, 700, 1200};
        QTest::newRow("as large as both screens")
            << Bounds{0, 0, 900, 3000} << true << Bounds{0, 0, 800, 2424};
        // Where the second screen does not reach, and past it: back to the primary screen.
        QTest::newRow("below the shorter second screen")
            << Bounds{760, 2000, 300, 300} << true << Bounds{500, 1100, 300, 300};
    }

    void fit()
    {
        QFETCH(Bounds, wanted);
        QFETCH(bool, twoScreens);
        QFETCH(Bounds, fitted);

        std::vector<QRect> screens{Primary};
        if (twoScreens)
            screens.push_back(Second);
        const Bounds got = FitToScreens(wanted, screens);
        QCOMPARE(got.top, fitted.top);
        QCOMPARE(got.left, fitted.left);
        QCOMPARE(got.height, fitted.height);
        QCOMPARE(got.width, fitted.width);
    }

    void noScreens()
    {
        const Bounds wanted{Most, Least, Most, -5};
        const Bounds got = FitToScreens(wanted, {});
        QCOMPARE(got.top, wanted.top);
        QCOMPARE(got.left, wanted.left);
        QCOMPARE(got.height, wanted.height);
        QCOMPARE(got.width, wanted.width);
    }
};

QTEST_APPLESS_MAIN(TestWindowBounds)
#include "test_window_bounds.moc"
