#include <QProcess>
#include <QtTest>

#include <algorithm>
#include <filesystem>
#include <fstream>

#include "glass/bitmap.h"
#include "shell/desktop/single_instance.h"
#include "shell_tests.h"
#include "shell_world.h"

namespace stakor::test {

namespace fs = std::filesystem;

class MainFormTest : public QObject {
    Q_OBJECT

private:
    static void Key(QWidget* w, Qt::Key key, Qt::KeyboardModifiers mods = Qt::NoModifier)
    {
        QTest::keyClick(w, key, mods);
    }
    static void Send(QWidget* w, QEvent::Type type, Qt::Key key, bool autoRepeat)
    {
        QKeyEvent event(type, key, Qt::NoModifier, QString(), autoRepeat);
        QApplication::sendEvent(w, &event);
    }

private slots:
    void keyMapHonoursModifiers()
    {
        TShellWorld w;
        QWidget* form = w.Form.get();
        Key(form, Qt::Key_F2, Qt::ControlModifier);
        Key(form, Qt::Key_F2, Qt::ShiftModifier);
        QVERIFY(!w.Core->Game.Running);
        Key(form, Qt::Key_F2);
        QVERIFY(w.Core->Game.Running);
        QVERIFY(!w.Answers.Logged("ask " + w.Lang.GetText("MB4"))); // no game ran: no question

        const bool grid = w.Ini.GlassShowGrid();
        Key(form, Qt::Key_G, Qt::AltModifier | Qt::ShiftModifier);
        Key(form, Qt::Key_G);
        QCOMPARE(w.Ini.GlassShowGrid(), grid);
        Key(form, Qt::Key_G, Qt::AltModifier);
        QCOMPARE(w.Ini.GlassShowGrid(), !grid);
        QCOMPARE(w.Form->ShowGridMenuItem->isChecked(), !grid);

        // P and Pause act whatever the modifiers.
        Key(form, Qt::Key_P, Qt::ControlModifier);
        QVERIFY(w.Core->Game.Paused);
        Key(form, Qt::Key_P, Qt::AltModifier | Qt::ShiftModifier);
        QVERIFY(!w.Core->Game.Paused);
        Key(form, Qt::Key_Pause, Qt::ShiftModifier);
        QVERIFY(w.Core->Game.Paused);
        Key(form, Qt::Key_P);
        QVERIFY(!w.Core->Game.Paused);

        Key(form, Qt::Key_F3, Qt::ControlModifier);
        Key(form, Qt::Key_H);
        Key(form, Qt::Key_T, Qt::AltModifier | Qt::ControlModifier);
        QVERIFY(w.Desktop.empty());
        Key(form, Qt::Key_H, Qt::AltModifier);
        Key(form, Qt::Key_F3);
        Key(form, Qt::Key_F4);
        Key(form, Qt::Key_F11, Qt::ShiftModifier | Qt::ControlModifier);
        Key(form, Qt::Key_F1);
        QCOMPARE(w.Desktop,
            (std::vector<std::string>{"dialog High scores (paused)", "dialog Choose new game (paused)",
                "dialog Graphic settings (paused)", "dialog Disguise settings (paused)", "help 21"}));
        // Each dialog resumed the game it paused; the help leaves it paused.
        QVERIFY(w.Core->Game.Paused);
    }

    void heldDropKeyActsOnce()
    {
        TShellWorld w;
        QWidget* form = w.Form.get();
        Key(form, Qt::Key_F2);
        w.Core->Rules.Tick();
        Send(form, QEvent::KeyPress, Qt::Key_Down, false);
        QVERIFY(w.Core->Figures.Dropping);
        // The keyboard repeats a held key as presses and releases marked as repeats.
        for (int i = 0; i < 3; ++i) {
            Send(form, QEvent::KeyRelease, Qt::Key_Down, true);
            Send(form, QEvent::KeyPress, Qt::Key_Down, true);
        }
        QVERIFY(w.Core->Figures.Dropping);
        QVERIFY(w.Core->Control.DropKeyDown);
        Send(form, QEvent::KeyRelease, Qt::Key_Down, false);
        QTRY_VERIFY(!w.Core->Control.DropKeyDown); // once no press follows
        w.Answers.Log.clear();
        Key(form, Qt::Key_Space, Qt::ControlModifier);
        QVERIFY(!w.Core->Figures.Dropping);
        QVERIFY(w.Answers.Logged("sound stop"));
    }

    void arrowKeysMoveAndTurn()
    {
        TShellWorld w;
        QWidget* form = w.Form.get();
        Key(form, Qt::Key_F2);
        for (int i = 0; i < 4; ++i)
            w.Core->Rules.Tick();
        const int x = w.Core->Figures.Current.X;
        Key(form, Qt::Key_Left, Qt::ControlModifier);
        QCOMPARE(w.Core->Figures.Current.X, x - 1);
        Key(form, Qt::Key_Right);
        QCOMPARE(w.Core->Figures.Current.X, x);
        // Up turns counter-clockwise while Rotate clockwise is unchecked; Shift the other way.
        w.Core->Figures.Current.Number = 9;
        w.Core->Figures.Current.Rotation = 2;
        Key(form, Qt::Key_Up);
        QCOMPARE(w.Core->Figures.Current.Rotation, 1);
        Key(form, Qt::Key_Up, Qt::ShiftModifier);
        QCOMPARE(w.Core->Figures.Current.Rotation, 2);
        w.Form->RotateclockwiseMenuItem->trigger();
        QVERIFY(w.Ini.FigureRotateClockWise());
        Key(form, Qt::Key_Up);
        QCOMPARE(w.Core->Figures.Current.Rotation, 3);
    }

    void clickInTheGlassPauses()
    {
        TShellWorld w;
        QWidget* form = w.Form.get();
        QTest::mouseClick(form, Qt::LeftButton, {}, QPoint(100, 200)); // no game: nothing
        QVERIFY(!w.Core->Game.Paused);
        Key(form, Qt::Key_F2);
        QTest::mouseClick(form, Qt::LeftButton, {}, QPoint(100, 200));
        QVERIFY(w.Core->Game.Paused);
        QVERIFY(w.Answers.Logged("music off"));
        QTest::mouseClick(form, Qt::LeftButton, {}, QPoint(33, 78));
        QVERIFY(!w.Core->Game.Paused);
        // Beside the glass the press drags the window instead.
        QTest::mousePress(form, Qt::LeftButton, {}, QPoint(10, 60));
        QTest::mouseRelease(form, Qt::LeftButton, {}, QPoint(10, 60));
        QVERIFY(!w.Core->Game.Paused);
    }

    void closeQueryAsksWhileAGameRuns()
    {
        {
            TShellWorld w;
            QVERIFY(w.Form->close()); // no game: no question
            QVERIFY(!w.Answers.Logged("ask " + w.Lang.GetText("MB3")));
        }
        {
            TShellWorld w;
            Key(w.Form.get(), Qt::Key_F2);
            w.Answers.Answer = false;
            QVERIFY(!w.Form->close());
            QVERIFY(w.Answers.Logged("ask " + w.Lang.GetText("MB3")));
            QVERIFY(w.Core->Game.Running);
            QVERIFY(!w.Core->Game.Paused); // resumed, as it was running
            w.Core->Rules.PauseGame();
            QVERIFY(!w.Form->close());
            QVERIFY(w.Core->Game.Paused); // paused before: stays paused
            w.Answers.Answer = true;
            w.Core->Game.Score = 900;
            QVERIFY(w.Form->close());
            QVERIFY(!w.Core->Game.Running);
            QCOMPARE(w.Core->Records.Entry(3, 1).Score, 0); // no result offered
            QVERIFY(w.Answers.Logged("music off"));
        }
    }

    void setModeMovesAndResizesTheWindow()
    {
        TShellWorld w;
        TMainForm& form = *w.Form;
        form.ShowLabels();
        form.move(300, 300);
        QCOMPARE(form.size(), QSize(446, 453));
        form.BigMenuItem->trigger();
        QCOMPARE(form.size(), QSize(566, 593));
        QCOMPARE(form.pos(), QPoint(240, 230));
        QVERIFY(form.BigMenuItem->isChecked());
        QVERIFY(!form.NormalMenuItem->isChecked());
        QCOMPARE(w.Ini.GlassMode(), 3);
        QCOMPARE(w.Core->View.LifeImage().Height, 500);
        QCOMPARE(form.HotAreas().Glass, QRect(32, 77, 360, 500));
        QCOMPARE(form.ValueLabels[0]->geometry().right() + 1, 120 + 426);

        form.NormalMenuItem->trigger();
        QCOMPARE(form.size(), QSize(446, 453));
        QCOMPARE(form.pos(), QPoint(300, 300));

        // An edge that would leave the screen comes to 5.
        form.move(10, 10);
        form.BigMenuItem->trigger();
        QCOMPARE(form.pos(), QPoint(5, 5));

        // With a game on, No keeps the game, the size and the check marks.
        Key(&form, Qt::Key_F2);
        w.Answers.Answer = false;
        form.NormalMenuItem->trigger();
        QCOMPARE(w.Ini.GlassMode(), 3);
        QVERIFY(form.BigMenuItem->isChecked());
        QVERIFY(!form.NormalMenuItem->isChecked());
        QVERIFY(w.Core->Game.Running);
        QCOMPARE(form.size(), QSize(566, 593));
        // The size already checked does nothing and asks nothing.
        w.Answers.Log.clear();
        form.BigMenuItem->trigger();
        QVERIFY(w.Answers.Log.empty());
    }

    void checkMarksFollowTheSettings()
    {
        TShellWorld w(std::nullopt, 1, [](TIni& ini) {
            ini.SetGlassShowGrid(false);
            ini.SetGlassShowTime(true);
            ini.SetFigureRotateClockWise(true);
            ini.SetPlayMusic(false);
            ini.SetPlaySound(false);
            ini.SetBossEnable(true);
            ini.SetGlassMode(3);
        });
        TMainForm& form = *w.Form;
        QVERIFY(!form.ShowGridMenuItem->isChecked());
        QVERIFY(form.ShowTimeMenuItem->isChecked());
        QVERIFY(form.RotateclockwiseMenuItem->isChecked());
        QVERIFY(!form.PlayMusicMenuItem->isChecked());
        QVERIFY(!form.PlaysoundsMenuItem->isChecked());
        QVERIFY(form.HideMenuItem->isChecked());
        QVERIFY(form.BigMenuItem->isChecked());
        QCOMPARE(form.size(), QSize(566, 593)); // the stored big glass at start
        QCOMPARE(form.LanguageMenuItems.size(), size_t{3});
        QCOMPARE(form.LanguageMenuItems[0]->text(), QStringLiteral("English"));
        QVERIFY(form.LanguageMenuItems[0]->isChecked());
        QCOMPARE(form.LanguageMenuItems[1]->text(), QStringLiteral("French"));
        QCOMPARE(form.LanguageMenuItems[2]->text(), QStringLiteral("German"));

        form.PlayMusicMenuItem->trigger();
        QVERIFY(w.Ini.PlayMusic());
        QVERIFY(form.PlayMusicMenuItem->isChecked());
        QVERIFY(w.Answers.Logged("music on"));
        Key(&form, Qt::Key_S, Qt::AltModifier);
        QVERIFY(w.Ini.PlaySound());
        QVERIFY(form.PlaysoundsMenuItem->isChecked());
        Key(&form, Qt::Key_T, Qt::AltModifier);
        QVERIFY(!w.Ini.GlassShowTime());
        QVERIFY(!form.ShowTimeMenuItem->isChecked());
    }

    void languageMenuLoadsAndRecaptions()
    {
        const fs::path folder = fs::temp_directory_path() / ("stakor-lang-" + std::to_string(::getpid()));
        fs::remove_all(folder);
        fs::create_directories(folder);
        std::ofstream(folder / "TESTPACK.lng") << "M00=&Begin\nMW0=one\nM02=\n";
        std::ofstream(folder / "gone.lng") << "M00=x\n";
        TShellWorld w;
        TLanguage lang(w.Ini, folder);
        lang.FindLanguages();
        w.Rebuild(lang);
        TMainForm& form = *w.Form;
        QCOMPARE(form.LanguageMenuItems.size(), size_t{2});
        QCOMPARE(form.LanguageMenuItems[0]->text(), QStringLiteral("Gone"));
        QCOMPARE(form.LanguageMenuItems[1]->text(), QStringLiteral("Testpack"));
        QCOMPARE(form.StartMenuItem->text(), QStringLiteral("&Start\tF2")); // built-in until a pack loads

        form.LanguageMenuItems[1]->trigger();
        QCOMPARE(form.StartMenuItem->text(), QStringLiteral("&Begin\tF2"));
        QCOMPARE(form.PauseMenuItem->text(), QStringLiteral("\tP"));
        QCOMPARE(form.NameLabels[0]->text(), QStringLiteral("one"));
        QCOMPARE(form.NameLabels[1]->text(), QStringLiteral("double")); // missing key: the built-in caption
        QCOMPARE(w.Ini.Language(), std::string("Testpack"));
        QVERIFY(form.LanguageMenuItems[1]->isChecked());

        fs::remove(folder / "gone.lng");
        form.LanguageMenuItems[0]->trigger();
        QVERIFY(!form.LanguageMenuItems[0]->isVisible());
        QCOMPARE(form.StartMenuItem->text(), QStringLiteral("&Begin\tF2"));
        fs::remove_all(folder);
    }

    void commandsPauseAroundTheirDialogs()
    {
        TShellWorld w;
        TMainForm& form = *w.Form;
        Key(&form, Qt::Key_F2);
        form.AboutMenuItem->trigger();
        form.HomePageMenuItem->trigger();
        form.ContentsMenuItem->trigger();
        QCOMPARE(w.Desktop,
            (std::vector<std::string>{
                "dialog About Vexamo Stakor (paused)", "open " + HomePageUrl().toString().toStdString(), "help 0"}));
        QVERIFY(w.Core->Game.Paused); // the help pauses the game and leaves it so
        w.Core->Rules.ResumeGame();
        // A game paused before stays paused after the dialog.
        w.Core->Rules.PauseGame();
        form.GraphicsMenuItem->trigger();
        QVERIFY(w.Core->Game.Paused);
    }

    void refusedSettingsWritesAreSaidOnceAndTheMarksStayTrue()
    {
        const fs::path folder = fs::temp_directory_path() / ("stakor-refused-" + std::to_string(::getpid()));
        fs::remove_all(folder);
        fs::create_directories(folder);
        std::ofstream(folder / "file") << "a file, not a folder";
        TShellWorld w(folder / "file" / "settings.reg");
        TMainForm& form = *w.Form;
        const bool grid = w.Ini.GlassShowGrid(), time = w.Ini.GlassShowTime(), music = w.Ini.PlayMusic(),
                   sound = w.Ini.PlaySound(), clockwise = w.Ini.FigureRotateClockWise();
        // Keys (no mark moves by itself) and menu items (the item toggles
        // itself first); every write is refused.
        Key(&form, Qt::Key_T, Qt::AltModifier);
        Key(&form, Qt::Key_M, Qt::AltModifier);
        Key(&form, Qt::Key_G, Qt::AltModifier);
        form.PlaysoundsMenuItem->trigger();
        form.RotateclockwiseMenuItem->trigger();
        form.BigMenuItem->trigger();
        QTest::qWait(20);
        QCoreApplication::processEvents();

        const std::string said = "message Vexamo Stakor: Failed to set data for '";
        QCOMPARE(std::count_if(w.Answers.Log.begin(), w.Answers.Log.end(),
                     [&](const std::string& line) { return line.starts_with(said); }),
            1);
        QVERIFY(w.Answers.Logged(said + "GlassShowTime'")); // the first refusal
        // Every change is in force, and every mark says so.
        QCOMPARE(w.Ini.GlassShowTime(), !time);
        QCOMPARE(form.ShowTimeMenuItem->isChecked(), !time);
        QCOMPARE(w.Ini.PlayMusic(), !music);
        QCOMPARE(form.PlayMusicMenuItem->isChecked(), !music);
        QVERIFY(w.Answers.Logged(music ? "music off" : "music on"));
        QCOMPARE(w.Ini.GlassShowGrid(), !grid);
        QCOMPARE(form.ShowGridMenuItem->isChecked(), !grid);
        QCOMPARE(w.Ini.PlaySound(), !sound);
        QCOMPARE(form.PlaysoundsMenuItem->isChecked(), !sound);
        QCOMPARE(w.Ini.FigureRotateClockWise(), !clockwise);
        QCOMPARE(form.RotateclockwiseMenuItem->isChecked(), !clockwise);
        QCOMPARE(w.Ini.GlassMode(), 3);
        QVERIFY(form.BigMenuItem->isChecked());
        QVERIFY(!form.NormalMenuItem->isChecked());
        QCOMPARE(w.Core->Glass.Width(), 18);
        // The glass follows its settings: the time box in the corner (or not).
        const TBitmap& glass = w.Core->Glass.Bitmap;
        QCOMPARE(glass.Pixel(glass.Width - 47, 5) == ColorToPixel(0xFF8060), !time);

        Key(&form, Qt::Key_F2); // and the program goes on
        QVERIFY(w.Core->Game.Running);
        fs::remove_all(folder);
    }

    void secondStartHandsOverAndEnds()
    {
        {
            TSingleInstance probe;
            if (!probe.Claim())
                QSKIP("a game of this user is running");
        }
        const QString home = QDir::tempPath() + QStringLiteral("/stakor-second-start-%1").arg(::getpid());
        QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
        environment.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
        environment.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
        environment.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
        QProcess first;
        first.setProcessEnvironment(environment);
        first.start(QStringLiteral(STAKOR_PROGRAM), {});
        QVERIFY(first.waitForStarted());
        // Wait until the first start holds the marker.
        QTRY_VERIFY_WITH_TIMEOUT(!TSingleInstance().Claim() || first.state() != QProcess::Running, 10000);
        QCOMPARE(first.state(), QProcess::Running);

        QProcess second;
        second.setProcessEnvironment(environment);
        QElapsedTimer clock;
        clock.start();
        second.start(QStringLiteral(STAKOR_PROGRAM), {});
        QVERIFY(second.waitForFinished(10000));
        QCOMPARE(second.exitStatus(), QProcess::NormalExit);
        QCOMPARE(second.exitCode(), 0);
        QVERIFY(clock.elapsed() < 5000);
        QCOMPARE(first.state(), QProcess::Running);
        first.kill();
        first.waitForFinished();
        QDir(home).removeRecursively();
    }
};

namespace {
const TRegisterShellTests<MainFormTest> Registered;
}

} // namespace stakor::test

#include "main_form_test.moc"
