#include <QtTest>

#include <QLabel>
#include <QPushButton>

#include <filesystem>
#include <fstream>
#include <sstream>
#include <unistd.h>

#include "shell/forms/keys_form.h"
#include "shell_tests.h"
#include "shell_world.h"

namespace stakor::test {

namespace fs = std::filesystem;

class KeysFormTest : public QObject {
    Q_OBJECT

private:
    static void Send(QWidget* w, QEvent::Type type, Qt::Key key, Qt::KeyboardModifiers mods, bool autoRepeat)
    {
        QKeyEvent event(type, key, mods, QString(), autoRepeat);
        QApplication::sendEvent(w, &event);
    }

    static fs::path Folder()
    {
        const fs::path folder = fs::temp_directory_path() / ("stakor-keys-" + std::to_string(::getpid()));
        fs::create_directories(folder);
        return folder;
    }

    static std::string Read(const fs::path& file)
    {
        std::ifstream in(file, std::ios::binary);
        std::ostringstream text;
        text << in.rdbuf();
        return text.str();
    }

private slots:
    void refusesUsedAndReservedKeysAndPutsBackTheDefaults()
    {
        TShellWorld w;
        TKeysForm form(w.Ini, w.Lang);
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.Keys(), TPlayerKeys::Defaults());
        QCOMPARE(form.windowTitle(), QStringLiteral("Keys"));
        QPushButton* left = form.KeyButtons[0];
        QCOMPARE(left->text(), QStringLiteral("Left"));

        // Another action's key: refused, with that action named.
        QTest::mouseClick(left, Qt::LeftButton);
        QVERIFY(form.Waiting());
        QCOMPARE(left->text(), QStringLiteral("Press a key..."));
        QTest::keyClick(left, Qt::Key_Right);
        QVERIFY(!form.Waiting());
        QCOMPARE(form.MessageLabel->text(), QStringLiteral("This key already does \"Move right\"."));
        QCOMPARE(form.Keys().Key(TKeyAction::Left), QKeyCombination(Qt::Key_Left));
        QCOMPARE(left->text(), QStringLiteral("Left"));

        // Keys the game needs itself, Esc included: refused, and the dialog stays.
        const std::vector<std::pair<Qt::Key, Qt::KeyboardModifiers>> reserved = {{Qt::Key_F1, Qt::NoModifier},
            {Qt::Key_F2, Qt::ControlModifier}, {Qt::Key_F3, Qt::NoModifier}, {Qt::Key_F4, Qt::NoModifier},
            {Qt::Key_F11, Qt::NoModifier}, {Qt::Key_Escape, Qt::NoModifier}, {Qt::Key_G, Qt::AltModifier},
            {Qt::Key_H, Qt::AltModifier}, {Qt::Key_M, Qt::AltModifier}, {Qt::Key_S, Qt::AltModifier},
            {Qt::Key_T, Qt::AltModifier}, {Qt::Key_Down, Qt::NoModifier}, {Qt::Key_Pause, Qt::NoModifier}};
        for (const auto& [key, mods] : reserved) {
            form.ChooseKey(TKeyAction::Left);
            QTest::keyClick(left, key, mods);
            QVERIFY2(form.MessageLabel->text() == QStringLiteral("The game needs this key itself."),
                qPrintable(QKeySequence(key | mods).toString()));
            QCOMPARE(form.Keys().Key(TKeyAction::Left), QKeyCombination(Qt::Key_Left));
        }
        QVERIFY(form.isVisible());

        // Down may be the drop key, the Pause key the pause key; Alt+G with
        // Shift is no command; Shift alone waits for its key; Tab is taken
        // as a key, not as a move of the focus.
        form.ChooseKey(TKeyAction::Drop);
        QTest::keyClick(form.KeyButtons[4], Qt::Key_Down);
        QCOMPARE(form.Keys().Key(TKeyAction::Drop), QKeyCombination(Qt::Key_Down));
        QVERIFY(form.MessageLabel->text().isEmpty());
        form.ChooseKey(TKeyAction::Pause);
        QTest::keyClick(form.KeyButtons[5], Qt::Key_Pause);
        QCOMPARE(form.Keys().Key(TKeyAction::Pause), QKeyCombination(Qt::Key_Pause));
        form.ChooseKey(TKeyAction::Left);
        QTest::keyClick(left, Qt::Key_G, Qt::AltModifier | Qt::ShiftModifier);
        QCOMPARE(form.Keys().Key(TKeyAction::Left), QKeyCombination(Qt::AltModifier | Qt::ShiftModifier, Qt::Key_G));
        form.ChooseKey(TKeyAction::Rotate);
        Send(form.KeyButtons[2], QEvent::KeyPress, Qt::Key_Shift, Qt::ShiftModifier, false);
        QVERIFY(form.Waiting());
        QTest::keyClick(form.KeyButtons[2], Qt::Key_Tab);
        QCOMPARE(form.Keys().Key(TKeyAction::Rotate), QKeyCombination(Qt::Key_Tab));
        QCOMPARE(form.focusWidget(), form.KeyButtons[2]);
        QCOMPARE(form.KeyButtons[2]->text(), QStringLiteral("Tab"));

        form.DefaultsButtonClick();
        QCOMPARE(form.Keys(), TPlayerKeys::Defaults());
        QCOMPARE(form.KeyButtons[3]->text(), QStringLiteral("Shift+Up"));
        // Cancel forgets: nothing was stored.
        form.ChooseKey(TKeyAction::Pause);
        QTest::keyClick(form.KeyButtons[5], Qt::Key_Q);
        QTest::mouseClick(form.CancelButton, Qt::LeftButton);
        QCOMPARE(w.Ini.KeyPause(), std::string("P"));
    }

    void storedAsPortableTextAndReadBackWithBadValuesAsDefaults()
    {
        const fs::path file = Folder() / "settings.reg";
        fs::remove(file);
        {
            TIni ini(file);
            TLanguage lang(ini, {});
            TKeysForm form(ini, lang);
            form.ChooseKey(TKeyAction::Pause);
            QTest::keyClick(form.KeyButtons[5], Qt::Key_Q);
            form.ChooseKey(TKeyAction::RotateBack);
            QTest::keyClick(form.KeyButtons[3], Qt::Key_W, Qt::ControlModifier | Qt::ShiftModifier);
            form.ChooseKey(TKeyAction::Left);
            QTest::keyClick(form.KeyButtons[0], Qt::Key_4, Qt::KeypadModifier);
            form.OkButtonClick();
            QCOMPARE(form.result(), int(QDialog::Accepted));
        }
        const std::string text = Read(file);
        QVERIFY(text.find("\"KeyPause\"=\"_Q\"") != std::string::npos);
        QVERIFY(text.find("\"KeyRotateBack\"=\"_Ctrl+Shift+W\"") != std::string::npos);
        QVERIFY(text.find("\"KeyLeft\"=\"_Num+4\"") != std::string::npos);
        // Only what changed is written.
        QVERIFY(text.find("KeyRight") == std::string::npos);
        {
            TIni ini(file);
            TPlayerKeys expected = TPlayerKeys::Defaults();
            expected.SetKey(TKeyAction::Pause, QKeyCombination(Qt::Key_Q));
            expected.SetKey(TKeyAction::RotateBack, QKeyCombination(Qt::ControlModifier | Qt::ShiftModifier, Qt::Key_W));
            expected.SetKey(TKeyAction::Left, QKeyCombination(Qt::KeypadModifier, Qt::Key_4));
            QCOMPARE(TPlayerKeys::FromSettings(ini), expected);
            TLanguage lang(ini, {});
            TKeysForm form(ini, lang);
            QCOMPARE(form.Keys(), expected);
        }

        // Hand-edited: empty, unreadable, a key the game needs, two keys at
        // once, a key an earlier action has: each gives its action's default.
        std::ofstream(file, std::ios::binary)
            << "Windows Registry Editor Version 5.00\n\n"
               "[HKEY_CURRENT_USER\\Software\\Orvelan Games\\Vexamo Stakor]\n"
               "\"KeyLeft\"=\"_\"\n\"KeyRight\"=\"_Bogus+Key\"\n\"KeyRotate\"=\"_F2\"\n"
               "\"KeyRotateBack\"=\"_A, B\"\n\"KeyDrop\"=\"_Left\"\n\"KeyPause\"=dword:00000005\n";
        TIni edited(file);
        QCOMPARE(TPlayerKeys::FromSettings(edited), TPlayerKeys::Defaults());
        // A later key an earlier action took: the earlier one keeps it.
        std::ofstream(file, std::ios::binary) << "[HKEY_CURRENT_USER\\Software\\Orvelan Games\\Vexamo Stakor]\n"
                                                 "\"KeyLeft\"=\"_Space\"\n";
        TIni taken(file);
        const TPlayerKeys keys = TPlayerKeys::FromSettings(taken);
        QCOMPARE(keys.Key(TKeyAction::Left), QKeyCombination(Qt::Key_Space));
        QCOMPARE(keys.Key(TKeyAction::Drop).key(), Qt::Key_unknown);
        QCOMPARE(keys.ActionOf(Qt::Key_Space, Qt::NoModifier), std::optional<TKeyAction>(TKeyAction::Left));
        fs::remove_all(file.parent_path());
    }

    void chosenKeysPlayTheGameAndHeldOnesActLikeTheDefaults()
    {
        TShellWorld w(std::nullopt, 1, [](TIni& ini) {
            ini.SetKeyLeft("A");
            ini.SetKeyRight("D");
            ini.SetKeyRotate("W");
            ini.SetKeyRotateBack("Shift+W");
            ini.SetKeyDrop("S");
            ini.SetKeyPause("Q");
        });
        QWidget* form = w.Form.get();
        QTest::keyClick(form, Qt::Key_F2);
        for (int i = 0; i < 4; ++i)
            w.Core->Rules.Tick();
        TFigure& figure = w.Core->Figures.Current;
        const int x = figure.X;
        QTest::keyClick(form, Qt::Key_A);
        QCOMPARE(figure.X, x - 1);
        QTest::keyClick(form, Qt::Key_Left); // no longer a game key
        QCOMPARE(figure.X, x - 1);
        QTest::keyClick(form, Qt::Key_D, Qt::ControlModifier); // with another modifier held too
        QCOMPARE(figure.X, x);
        // Moves repeat as the keyboard repeats.
        for (int i = 0; i < 3; ++i)
            Send(form, QEvent::KeyPress, Qt::Key_D, Qt::NoModifier, true);
        QCOMPARE(figure.X, x + 3);
        figure.Number = 9;
        figure.Rotation = 2;
        QTest::keyClick(form, Qt::Key_W);
        QCOMPARE(figure.Rotation, 1);
        QTest::keyClick(form, Qt::Key_W, Qt::ShiftModifier);
        QCOMPARE(figure.Rotation, 2);
        QTest::keyClick(form, Qt::Key_Up); // Up is free now
        QCOMPARE(figure.Rotation, 2);

        // The chosen drop key acts once however long it is held.
        Send(form, QEvent::KeyPress, Qt::Key_S, Qt::NoModifier, false);
        QVERIFY(w.Core->Figures.Dropping);
        for (int i = 0; i < 3; ++i) {
            Send(form, QEvent::KeyRelease, Qt::Key_S, Qt::NoModifier, true);
            Send(form, QEvent::KeyPress, Qt::Key_S, Qt::NoModifier, true);
        }
        QVERIFY(w.Core->Figures.Dropping);
        Send(form, QEvent::KeyRelease, Qt::Key_S, Qt::NoModifier, false);
        QTRY_VERIFY(!w.Core->Control.DropKeyDown);
        QTest::keyClick(form, Qt::Key_S);
        QVERIFY(!w.Core->Figures.Dropping);
        QTRY_VERIFY(!w.Core->Control.DropKeyDown);
        // Down always drops; Space no longer does.
        QTest::keyClick(form, Qt::Key_Space);
        QVERIFY(!w.Core->Figures.Dropping);
        QTest::keyClick(form, Qt::Key_Down);
        QVERIFY(w.Core->Figures.Dropping);

        // Alt+S is still the sound switch, not the drop key.
        const bool sounds = w.Ini.PlaySound();
        QTest::keyClick(form, Qt::Key_S, Qt::AltModifier);
        QCOMPARE(w.Ini.PlaySound(), !sounds);

        // Q pauses; P does not any more; the Pause key always does.
        QTest::keyClick(form, Qt::Key_P);
        QVERIFY(!w.Core->Game.Paused);
        QTest::keyClick(form, Qt::Key_Q, Qt::ShiftModifier);
        QVERIFY(w.Core->Game.Paused);
        QTest::keyClick(form, Qt::Key_Pause, Qt::ControlModifier);
        QVERIFY(!w.Core->Game.Paused);
    }

    void keysMenuItemOpensTheDialogWithTheGamePausedAndItsKeysActAtOnce()
    {
        TShellWorld w;
        QTest::keyClick(w.Form.get(), Qt::Key_F2);
        for (int i = 0; i < 4; ++i)
            w.Core->Rules.Tick();
        w.RunDialog = [](QDialog& dialog) {
            auto* form = dynamic_cast<TKeysForm*>(&dialog);
            if (!form)
                return int(QDialog::Rejected);
            form->ChooseKey(TKeyAction::Left);
            QTest::keyClick(form->KeyButtons[0], Qt::Key_J);
            form->OkButtonClick();
            return form->result();
        };
        w.Form->KeysMenuItem->trigger();
        QCOMPARE(w.Desktop.back(), std::string("dialog Keys (paused)"));
        QVERIFY(!w.Core->Game.Paused);
        QCOMPARE(w.Ini.KeyLeft(), std::string("J"));
        const int x = w.Core->Figures.Current.X;
        QTest::keyClick(w.Form.get(), Qt::Key_J);
        QCOMPARE(w.Core->Figures.Current.X, x - 1);
    }

    void shadowAndGamepadMenuItemsSwitchTheirSettings()
    {
        TShellWorld w;
        QVERIFY(!w.Form->ShowShadowMenuItem->isChecked());
        QVERIFY(w.Form->UseGamepadMenuItem->isChecked());
        w.Form->ShowShadowMenuItem->trigger();
        QVERIFY(w.Ini.ShowShadow());
        QVERIFY(w.Form->ShowShadowMenuItem->isChecked());
        std::vector<bool> switched;
        w.Form->GamepadSwitched = [&switched](bool on) { switched.push_back(on); };
        w.Form->UseGamepadMenuItem->trigger();
        QVERIFY(!w.Ini.UseGamepad());
        QVERIFY(!w.Form->UseGamepadMenuItem->isChecked());
        QCOMPARE(switched, std::vector<bool>{false});
    }
};

namespace {
const TRegisterShellTests<KeysFormTest> Registered;
}

} // namespace stakor::test

#include "keys_form_test.moc"
