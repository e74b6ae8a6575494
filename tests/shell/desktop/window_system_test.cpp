#include <QImage>
#include <QtTest>

#include "glass/image_set.h"
#include "shell/desktop/window_system.h"
#include "shell_tests.h"
#include "shell_world.h"

namespace stakor::test {

namespace {

// A desktop like Wayland's: it never says whether the window was minimised,
// and the window's mask does not cut its pictures. It records what the
// window asked of it.
class TStandInSystem : public TWindowSystem {
public:
    std::vector<QRegion> Shapes;
    std::vector<QString> Raised;

    void Prepare(QWidget&) override {}
    void Shape(QWidget&, const QRegion& outline) override { Shapes.push_back(outline); }
    bool StartMove(QWidget&) override { return true; }
    bool MovesFromPress() const override { return true; }
    void MoveEnded(QWidget&) override {}
    void Raise(QWidget&, const QString& token) override { Raised.push_back(token); }
    bool ReportsMinimized() const override { return false; }
    bool MinimizeHonoured() const override { return true; }
    bool TaskBarPresent() const override { return true; }
    std::optional<bool> KeyHeld(quint32) const override { return std::nullopt; }
    void WriteNames(QWidget&, const QByteArray&, const QByteArray&) override {}
    void ReadNames(QWidget&, QByteArray&, QByteArray&) override {}
    void NameLeader(QWidget&, const QString&) override {}
};

class TUseStandIn {
public:
    explicit TUseStandIn(TWindowSystem& system) { UseWindowSystem(&system); }
    ~TUseStandIn() { UseWindowSystem(nullptr); }
    TUseStandIn(const TUseStandIn&) = delete;
    TUseStandIn& operator=(const TUseStandIn&) = delete;
};

void Click(QWidget* w, QPoint point)
{
    QTest::mousePress(w, Qt::LeftButton, {}, point);
    QTest::mouseRelease(w, Qt::LeftButton, {}, point);
}

} // namespace

// The window on a desktop that differs from X11: what it asks of the
// desktop goes through the one interface, and it copes with the answers.
class WindowSystemTest : public QObject {
    Q_OBJECT

private slots:
    void outlineGoesToTheDesktopAndNothingIsPaintedOutsideIt()
    {
        TStandInSystem system;
        const TUseStandIn use(system);
        TShellWorld w;
        QCOMPARE(system.Shapes.size(), size_t{1});
        QCOMPARE(system.Shapes.back(), WindowShape(2));

        // Outside the outline the pixels stay clear; inside, the skin as it is.
        QImage image(w.Form->size(), QImage::Format_ARGB32_Premultiplied);
        image.fill(Qt::transparent);
        w.Form->render(&image, QPoint(), QRegion(), QWidget::RenderFlags());
        const QRegion shape = WindowShape(2);
        for (const QPoint outside : {QPoint(0, 0), QPoint(445, 0), QPoint(0, 452), QPoint(445, 452), QPoint(293, 3),
                 QPoint(292, 85), QPoint(440, 40)}) {
            QVERIFY(!shape.contains(outside));
            QCOMPARE(qAlpha(image.pixel(outside)), 0);
        }
        const TBitmap& back = w.Core->Images.BackImage;
        for (const QPoint inside : {QPoint(10, 200), QPoint(300, 300), QPoint(22, 5)}) {
            QVERIFY(shape.contains(inside));
            const TPixel skin = back.Pixel(inside.x(), inside.y());
            QCOMPARE(image.pixel(inside), qRgb(skin.R, skin.G, skin.B));
        }

        // The big glass gives the desktop the big outline.
        QVERIFY(w.Form->SetMode(3));
        QCOMPARE(system.Shapes.back(), WindowShape(3));
    }

    void minimiseTheDesktopDoesNotReportCountsAtOnceAndTheNextKeyEndsIt()
    {
        TStandInSystem system;
        const TUseStandIn use(system);
        TShellWorld w;
        TMainForm& form = *w.Form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTest::keyClick(&form, Qt::Key_F2);
        QVERIFY(w.Core->Game.Running && !w.Core->Game.Paused);
        w.Answers.Log.clear();

        // The window stays up (sway has no minimised state), yet the game
        // never runs on unseen: paused and silent at once.
        Click(&form, form.HotAreas().Minimize.center());
        QVERIFY(form.Minimized());
        QVERIFY(w.Core->Game.Paused);
        QVERIFY(w.Answers.Logged("music off"));
        QCoreApplication::processEvents();
        QVERIFY(form.Minimized());

        // A key in the window: it is on the screen again, and the key acts.
        QTest::keyClick(&form, Qt::Key_P);
        QVERIFY(!form.Minimized());
        QVERIFY(w.Answers.Logged("music on"));
        QVERIFY(!w.Core->Game.Paused);
        // Closing now asks, as for any window on the screen.
        w.Answers.Answer = false;
        QVERIFY(!form.close());
        QVERIFY(w.Answers.Logged("ask " + w.Lang.GetText("MB3")));
    }

    void aLaterStartsTokenReachesTheDesktopUnlessDisguisedWithAPassword()
    {
        TStandInSystem system;
        const TUseStandIn use(system);
        TShellWorld w;
        w.Form->BringToFront(QStringLiteral("token-1"));
        QCOMPARE(system.Raised, std::vector<QString>{QStringLiteral("token-1")});

        w.Ini.SetBossEnable(true);
        w.Ini.SetBossPassword("secret");
        w.Form->Disguise().AskPassword = [](const QString&, const QString&) { return std::optional<QString>(); };
        QTest::keyClick(w.Form.get(), Qt::Key_Escape);
        w.Form->BringToFront(QStringLiteral("token-2"));
        QCoreApplication::processEvents();
        QCOMPARE(system.Raised.size(), size_t{1});
    }
};

namespace {
const TRegisterShellTests<WindowSystemTest> Registered;
} // namespace

} // namespace stakor::test

#include "window_system_test.moc"
