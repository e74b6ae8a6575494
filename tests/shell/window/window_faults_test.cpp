#include <QMessageBox>
#include <QTimer>
#include <QtTest>

#include <filesystem>
#include <fstream>

#include "glass/glass_painter.h"
#include "shell/window/help_window.h"
#include "shell_tests.h"
#include "shell_world.h"

namespace stakor::test {

namespace fs = std::filesystem;

// The window as a player meets it: held keys, the help over a game, a
// minimise the window system ignores, the time box, message box widths.
class WindowFaultsTest : public QObject {
    Q_OBJECT

private:
    static void Send(QWidget* w, QEvent::Type type, Qt::Key key, bool autoRepeat = false)
    {
        QKeyEvent event(type, key, Qt::NoModifier, QString(), autoRepeat);
        QApplication::sendEvent(w, &event);
    }
    static void Click(QWidget* w, QPoint point)
    {
        QTest::mousePress(w, Qt::LeftButton, {}, point);
        QTest::mouseRelease(w, Qt::LeftButton, {}, point);
    }
    // The rightmost column of a bitmap's top rows holding text ink: any
    // pixel that is neither the box's fill nor its outline.
    static int RightmostInk(const TBitmap& bitmap)
    {
        const TPixel fill = ColorToPixel(0xFFC080), outline = ColorToPixel(0xFF8060);
        int right = -1;
        for (int y = 0; y < 13; ++y)
            for (int x = bitmap.Width - 47; x < bitmap.Width; ++x)
                if (const TPixel p = bitmap.Pixel(x, y); p != fill && p != outline)
                    right = std::max(right, x);
        return right;
    }

private slots:
    void heldKeyReleaseFollowedByPressIsARepeat()
    {
        for (const Qt::Key key : {Qt::Key_Down, Qt::Key_Space}) {
            TShellWorld w;
            QWidget* form = w.Form.get();
            QTest::keyClick(form, Qt::Key_F2);
            w.Core->Rules.Tick();
            Send(form, QEvent::KeyPress, key);
            QVERIFY(w.Core->Figures.Dropping);
            // Repeats the platform did not mark: a release and at once a press.
            for (int i = 0; i < 5; ++i) {
                Send(form, QEvent::KeyRelease, key);
                Send(form, QEvent::KeyPress, key);
            }
            QTest::qWait(3 * TMainForm::HeldKeyReleaseDelayMs);
            QVERIFY(w.Core->Figures.Dropping);
            QVERIFY(w.Core->Control.DropKeyDown);
            // A real release, then a press: the press acts again and ends the drop.
            Send(form, QEvent::KeyRelease, key);
            QTRY_VERIFY(!w.Core->Control.DropKeyDown);
            Send(form, QEvent::KeyPress, key);
            QVERIFY(!w.Core->Figures.Dropping);
            QVERIFY(w.Core->Control.DropKeyDown);
        }
    }

    void pressStampedLikeTheReleaseIsItsRepeat()
    {
        TShellWorld w;
        QWidget* form = w.Form.get();
        QTest::keyClick(form, Qt::Key_F2);
        w.Core->Rules.Tick();
        const auto stamped = [&](QEvent::Type type, quint64 time) {
            QKeyEvent event(type, Qt::Key_Down, Qt::NoModifier);
            event.setTimestamp(time);
            QApplication::sendEvent(form, &event);
        };
        stamped(QEvent::KeyPress, 900);
        QVERIFY(w.Core->Figures.Dropping);
        // Handled late, after the release was taken as real: the press that
        // came with it is still its repeat.
        stamped(QEvent::KeyRelease, 1000);
        QTRY_VERIFY(!w.Core->Control.DropKeyDown);
        stamped(QEvent::KeyPress, 1000);
        QVERIFY(w.Core->Figures.Dropping);
        stamped(QEvent::KeyPress, 1150); // a new press
        QVERIFY(!w.Core->Figures.Dropping);
    }

    void anotherKeyEndsAWaitingRelease()
    {
        TShellWorld w;
        QWidget* form = w.Form.get();
        QTest::keyClick(form, Qt::Key_F2);
        w.Core->Rules.Tick();
        Send(form, QEvent::KeyPress, Qt::Key_Down);
        Send(form, QEvent::KeyRelease, Qt::Key_Down);
        // Space straight after Down: Down was let go, so Space acts.
        Send(form, QEvent::KeyPress, Qt::Key_Space);
        QVERIFY(!w.Core->Figures.Dropping);
    }

    void ctrlPauseArrivesAsBreakAndPauses()
    {
        TShellWorld w;
        QWidget* form = w.Form.get();
        QTest::keyClick(form, Qt::Key_F2);
        // XKB turns Ctrl+Pause into the Break keysym, for which Qt has no key.
        QKeyEvent brk(QEvent::KeyPress, 0, Qt::ControlModifier, 0x6e, 0xff6b, 0x4);
        QApplication::sendEvent(form, &brk);
        QVERIFY(w.Core->Game.Paused);
        QKeyEvent again(QEvent::KeyPress, 0, Qt::ControlModifier | Qt::ShiftModifier, 0x6e, 0xff6b, 0x5);
        QApplication::sendEvent(form, &again);
        QVERIFY(!w.Core->Game.Paused);
    }

    void ignoredMinimiseStillAsksBeforeClosing()
    {
        TShellWorld w;
        TMainForm& form = *w.Form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QTest::keyClick(&form, Qt::Key_F2);
        // The offscreen platform, like X without a window manager, leaves the window up.
        Click(&form, form.HotAreas().Minimize.center());
        QCoreApplication::processEvents();
        QVERIFY(!form.Minimized());
        QVERIFY(!w.Core->Game.Paused);
        w.Answers.Answer = false;
        QVERIFY(!form.close());
        QVERIFY(w.Answers.Logged("ask " + w.Lang.GetText("MB3")));
        QVERIFY(w.Core->Game.Running);

        // A window that really goes away (unmapped, as when iconified) is minimised.
        Click(&form, form.HotAreas().Minimize.center());
        w.Answers.Log.clear();
        form.hide();
        QTRY_VERIFY(form.Minimized());
        QVERIFY(w.Core->Game.Paused);
        QVERIFY(w.Answers.Logged("music off"));
        form.showNormal();
        QTRY_VERIFY(!form.Minimized());
        QVERIFY(w.Answers.Logged("music on"));
    }

    void failedLanguageLoadKeepsTheMarkOnThePackInForce()
    {
        const fs::path folder = fs::temp_directory_path() / ("stakor-mark-" + std::to_string(::getpid()));
        fs::remove_all(folder);
        fs::create_directories(folder);
        std::ofstream(folder / "English.lng") << "M00=&Start\n";
        std::ofstream(folder / "gone.lng") << "M00=x\n";
        TShellWorld w;
        TLanguage lang(w.Ini, folder);
        lang.FindLanguages();
        QVERIFY(lang.LoadLanguage("English"));
        w.Rebuild(lang);
        TMainForm& form = *w.Form;
        QCOMPARE(form.LanguageMenuItems.size(), size_t{2});
        QAction* english = form.LanguageMenuItems[0];
        QAction* gone = form.LanguageMenuItems[1];
        QVERIFY(english->isChecked());
        fs::remove(folder / "gone.lng");
        gone->trigger();
        QVERIFY(!gone->isVisible());
        QVERIFY(!gone->isChecked());
        QVERIFY(english->isChecked());
        QCOMPARE(w.Ini.Language(), std::string("English"));
        fs::remove_all(folder);
    }

    void firstFrameShowsTheTimeBox()
    {
        for (const int mode : {2, 3}) {
            TShellWorld w(std::nullopt, 1, [mode](TIni& ini) {
                ini.SetGlassShowTime(true);
                ini.SetGlassMode(mode);
            });
            const TBitmap& glass = w.Core->Glass.Bitmap;
            QCOMPARE(glass.Pixel(glass.Width - 47, 5), ColorToPixel(0xFF8060));
            QCOMPARE(glass.Pixel(glass.Width - 2, 12), ColorToPixel(0xFFC080));
            QVERIFY(RightmostInk(glass) > glass.Width - 40); // "0:00:00" is written in it
        }
    }

    void timeTextFitsInsideTheBox()
    {
        // Every digit is as wide as every other; "CRAZY" stands a column further in.
        for (const uint32_t ms : {0u, 38'000u, 35'999'000u, 36'000'000u}) {
            TBitmap bitmap(240, 40);
            DrawTime(bitmap, ms);
            const int right = RightmostInk(bitmap);
            QVERIFY2(right > 240 - 47 + 20, qPrintable(QStringLiteral("no text for %1 ms").arg(ms)));
            QVERIFY2(right <= 240 - 2, qPrintable(QStringLiteral("%1 ms ends at column %2").arg(ms).arg(right)));
        }
    }

    void helpPausesTheGameAndStopsTheMusic()
    {
        TShellWorld w;
        QTest::keyClick(w.Form.get(), Qt::Key_F2);
        w.Answers.Log.clear();
        QTest::keyClick(w.Form.get(), Qt::Key_F1);
        QVERIFY(w.Core->Game.Paused);
        QVERIFY(w.Answers.Logged("music off"));
        QCOMPARE(w.Desktop, (std::vector<std::string>{"help 21"}));
        // Without a game the music stops all the same.
        TShellWorld idle;
        idle.Form->ContentsMenuItem->trigger();
        QVERIFY(idle.Answers.Logged("music off"));
        QVERIFY(!idle.Core->Game.Running);
    }

    void helpGoesBesideTheGameWindow()
    {
        const QRect screen(0, 0, 1920, 1080);
        const QSize wanted(640, 560);
        // Room on the right: there, top edges level.
        QCOMPARE(HelpPlacement(QRect(100, 200, 446, 453), wanted, screen), QRect(554, 200, 640, 560));
        // No room on the right: on the left.
        QCOMPARE(HelpPlacement(QRect(1400, 200, 446, 453), wanted, screen), QRect(752, 200, 640, 560));
        // Little room on either side: narrower, down to a readable width, on the wider side.
        const QRect centred(700, 300, 446, 453);
        const QRect small(0, 0, 1600, 900);
        QCOMPARE(HelpPlacement(centred, wanted, small), QRect(1154, 300, 446, 560));
        // Kept on the screen vertically.
        QCOMPARE(HelpPlacement(QRect(100, 700, 446, 453), wanted, screen).bottom(), 1079);
        // A small screen: the help may cover the game, but stays on the screen.
        const QRect tiny(0, 0, 800, 600);
        const QRect placed = HelpPlacement(QRect(170, 70, 446, 453), wanted, tiny);
        QVERIFY(tiny.contains(placed));
        QVERIFY(placed.width() >= 360);
    }

    void moveStartsOnlyWhileTheButtonIsDown()
    {
        TShellWorld w;
        TMainForm& form = *w.Form;
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        form.move(200, 200);
        const QPoint start = form.pos();
        // A quick click on the frame, then the pointer moves with no button down.
        Click(&form, QPoint(10, 60));
        QMouseEvent loose(QEvent::MouseMove, QPointF(40, 90), form.mapToGlobal(QPointF(40, 90)), Qt::NoButton,
            Qt::NoButton, Qt::NoModifier);
        QApplication::sendEvent(&form, &loose);
        QCOMPARE(form.pos(), start);
        // Pressed and moved: the window follows (by hand where the system will not move it).
        QTest::mousePress(&form, Qt::LeftButton, {}, QPoint(10, 60));
        QMouseEvent held(QEvent::MouseMove, QPointF(40, 90), form.mapToGlobal(QPointF(40, 90)), Qt::NoButton,
            Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&form, &held);
        QMouseEvent further(QEvent::MouseMove, QPointF(45, 95), form.mapToGlobal(QPointF(45, 95)), Qt::NoButton,
            Qt::LeftButton, Qt::NoModifier);
        QApplication::sendEvent(&form, &further);
        QVERIFY(form.pos() != start);
        const QPoint moved = form.pos();
        QTest::mouseRelease(&form, Qt::LeftButton, {}, QPoint(10, 60));
        QApplication::sendEvent(&form, &loose);
        QCOMPARE(form.pos(), moved); // released: no more moving
    }

    void messageBoxIsAsWideAsItsTitle()
    {
        TDialogs dialogs;
        const QString title = QStringLiteral("Error loading language pack");
        int width = 0;
        QTimer::singleShot(0, [&] {
            for (QWidget* top : QApplication::topLevelWidgets())
                if (auto* box = qobject_cast<QMessageBox*>(top); box && box->isVisible()) {
                    width = box->width();
                    box->accept();
                }
        });
        dialogs.ShowMessage("x", title.toStdString(), false);
        QVERIFY(width >= TitleFitWidth(title));
        QVERIFY(TitleFitWidth(title) > TitleFitWidth(QStringLiteral("Error")));
    }

    void siteGivesEveryAddress()
    {
        const QUrl home = HomePageUrl();
        QVERIFY(home.isValid());
        QVERIFY(home.path().endsWith(QLatin1Char('/')));
        QVERIFY(home.isParentOf(TopRecordsUrl()));
        QCOMPARE(HighScoreAddress(), QStringLiteral("records@") + home.host());
    }
};

namespace {
const TRegisterShellTests<WindowFaultsTest> Registered;
}

} // namespace stakor::test

#include "window_faults_test.moc"
