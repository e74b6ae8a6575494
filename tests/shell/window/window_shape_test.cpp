#include <QtTest>

#include "glass/image_set.h"
#include "shell/window/window_shape.h"
#include "shell_tests.h"

namespace stakor::test {

class WindowShapeTest : public QObject {
    Q_OBJECT

private:
    // The covered columns of one row of a region, as "first..last".
    static QString Row(const QRegion& region, int y, int from = -5, int to = 700)
    {
        int first = -1, last = -1;
        for (int x = from; x <= to; ++x)
            if (region.contains(QPoint(x, y))) {
                if (first < 0)
                    first = x;
                last = x;
            }
        return first < 0 ? QStringLiteral("none") : QStringLiteral("%1..%2").arg(first).arg(last);
    }

private slots:
    void roundRectCornersAsTheSystemRasterisesThem()
    {
        // 30 x 25 with 14 x 14 corners: one pixel short on the right and at
        // the bottom; rows inset 5, 3, 2, 1, 1 at the top and the same mirrored.
        const QRegion r = RoundRectRegion(0, 0, 30, 25, 14, 14);
        const QStringList expected = {"5..23", "3..25", "2..26", "1..27", "1..27", "0..28", "0..28"};
        for (int y = 0; y < expected.size(); ++y)
            QCOMPARE(Row(r, y), expected[y]);
        for (int y = 7; y <= 18; ++y)
            QCOMPARE(Row(r, y), QStringLiteral("0..28"));
        QCOMPARE(Row(r, 19), QStringLiteral("1..27"));
        QCOMPARE(Row(r, 20), QStringLiteral("1..27"));
        QCOMPARE(Row(r, 21), QStringLiteral("2..26"));
        QCOMPARE(Row(r, 22), QStringLiteral("3..25"));
        QCOMPARE(Row(r, 23), QStringLiteral("5..23"));
        QCOMPARE(Row(r, 24), QStringLiteral("none"));
        // Tiny corners give a plain rectangle, still one pixel short.
        QCOMPARE(RoundRectRegion(10, 10, 20, 20, 1, 1), QRegion(10, 10, 9, 9));
        // Reversed corners are put in order.
        QCOMPARE(RoundRectRegion(30, 25, 0, 0, 14, 14), r);
    }

    void normalOutlineCornersAndCutAways()
    {
        const QRegion shape = WindowShape(2);
        QCOMPARE(Row(shape, 0, -5, 290), QStringLiteral("25..278")); // pieces 1 and 6 (40..244)
        QCOMPARE(Row(shape, 0, 290, 400), QStringLiteral("307..338")); // piece 2
        QVERIFY(!shape.contains(QPoint(290, 8))); // piece 4 cut from the top of piece 3
        QVERIFY(shape.contains(QPoint(280, 8))); // piece 3 beside the cut
        QVERIFY(shape.contains(QPoint(290, 12))); // piece 3 below it
        QVERIFY(!shape.contains(QPoint(40, 32))); // piece 7 cut at the left of the button strip
        QVERIFY(shape.contains(QPoint(52, 32)));
        QVERIFY(!shape.contains(QPoint(240, 32))); // piece 8 at its right
        QCOMPARE(Row(shape, 448, -5, 300), QStringLiteral("5..278")); // the body's last row
        QCOMPARE(Row(shape, 449), QStringLiteral("none"));
        QVERIFY(!shape.contains(QPoint(293, 90))); // piece 11 cut from the bridge
        QVERIFY(shape.contains(QPoint(293, 150))); // the bridge (piece 10)
        QVERIFY(!shape.contains(QPoint(293, 400))); // piece 12
        QVERIFY(shape.contains(QPoint(278, 400)));
        QCOMPARE(Row(shape, 200, 290, 500), QStringLiteral("290..445")); // bridge and right panel
        QCOMPARE(Row(shape, 433, 290, 500), QStringLiteral("307..440")); // the panel's last row
    }

    void bigOutlineMovesWhatDependsOnTheGlassWidth()
    {
        const QRegion normal = WindowShape(2);
        const QRegion big = WindowShape(3);
        for (const int y : {0, 5, 15, 60, 100, 200, 420}) {
            // Left parts stay, right parts move 120 pixels.
            QCOMPARE(Row(big, y, -5, 30), Row(normal, y, -5, 30));
            QCOMPARE(Row(big, y, 410, 700), [&] {
                const QString row = Row(normal, y, 290, 580);
                if (row == QStringLiteral("none"))
                    return row;
                const QStringList ends = row.split(QStringLiteral(".."));
                return QStringLiteral("%1..%2").arg(ends[0].toInt() + 120).arg(ends[1].toInt() + 120);
            }());
        }
        QCOMPARE(Row(big, 588, -5, 420), QStringLiteral("5..398")); // the body reaches 590
        QCOMPARE(Row(big, 589), QStringLiteral("none"));
        QVERIFY(big.contains(QPoint(10, 500)));
        QVERIFY(!normal.contains(QPoint(10, 500)));
    }

    void hotAreasLeaveTheDragAreaAroundThem()
    {
        TImageSet images;
        images.GameButtonImage.Resize(65, 52);
        images.SettingsButtonImage.Resize(90, 58);
        images.HelpButtonImage.Resize(54, 58);
        const THotAreas areas = BuildHotAreas(WindowShape(2), images, QSize(240, 360));
        QCOMPARE(areas.Glass, QRect(32, 77, 240, 360));
        QCOMPARE(areas.GameButton, QRect(32, 45, 65, 26));
        QCOMPARE(areas.Minimize, QRect(307, 6, 15, 13));
        QCOMPARE(areas.Close, QRect(324, 6, 15, 13));
        QVERIFY(!areas.Drag.contains(QPoint(100, 200)));
        QVERIFY(!areas.Drag.contains(QPoint(33, 46)));
        QVERIFY(areas.Drag.contains(QPoint(10, 60)));
        QVERIFY(areas.Drag.contains(QPoint(350, 270)));
        QVERIFY(!areas.Drag.contains(QPoint(0, 0))); // outside the outline
    }
};

namespace {
const TRegisterShellTests<WindowShapeTest> Registered;
}

} // namespace stakor::test

#include "window_shape_test.moc"
