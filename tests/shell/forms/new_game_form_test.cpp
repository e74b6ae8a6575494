#include <QtTest>

#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include "settings/message_texts.h"
#include "shell/forms/new_game_form.h"
#include "shell_tests.h"
#include "shell_world.h"

namespace stakor::test {

class NewGameFormTest : public QObject {
    Q_OBJECT

private:
    // Runs the New command with the dialog worked by script once it shows.
    static void RunNew(TShellWorld& w, const std::function<void(TNewGameForm&)>& script)
    {
        w.RunDialog = [&](QDialog& dialog) {
            auto& form = dynamic_cast<TNewGameForm&>(dialog);
            QTimer::singleShot(0, &form, [&] {
                QVERIFY(QTest::qWaitForWindowExposed(&form));
                script(form);
                if (form.isVisible()) // a script that left it open ends here, not in a hang
                    QTimer::singleShot(0, &form, &QDialog::reject);
            });
            return dialog.exec();
        };
        QTest::keyClick(w.Form.get(), Qt::Key_F3);
        w.RunDialog = nullptr;
    }

    static void Type(QSpinBox* box, const QString& text)
    {
        QLineEdit* edit = box->findChild<QLineEdit*>();
        edit->selectAll();
        QTest::keyClick(edit, Qt::Key_Delete);
        QTest::keyClicks(edit, text);
    }

private slots:
    void showsTheSettingsWithTheTrashBoundOfTheGlass()
    {
        TShellWorld w(std::nullopt, 1, [](TIni& ini) {
            ini.SetGameStyle(5);
            ini.SetStartingLevel(40); // out of range in the settings: shown as the nearer bound
            ini.SetGlassTrash(9);
            ini.SetUpSideDownMode(true);
        });
        {
            TNewGameForm form(*w.Core);
            QVERIFY(form.StyleRadioButtons[4]->isChecked());
            QVERIFY(form.StyleRadioButtons[4]->font().bold());
            QCOMPARE(form.StartingLevelSpinEdit->minimum(), 1);
            QCOMPARE(form.StartingLevelSpinEdit->maximum(), 15);
            QCOMPARE(form.StartingLevelSpinEdit->value(), 15);
            QCOMPARE(form.LinesOfTrashSpinEdit->minimum(), 0);
            QCOMPARE(form.LinesOfTrashSpinEdit->maximum(), 13); // normal glass: 18 rows less 5
            QCOMPARE(form.LinesOfTrashSpinEdit->value(), 9);
            QVERIFY(form.UpsideDownCheckBox->isChecked());
            QCOMPARE(form.windowTitle(), QStringLiteral("Choose new game"));
            QCOMPARE(form.Button1->text(), QStringLiteral("OK"));
            QVERIFY(form.Button1->isDefault());
            QVERIFY(!form.GameStyleGroupBox->toolTip().isEmpty()); // the pack's hint
        }
        QVERIFY(w.Form->SetMode(3));
        TNewGameForm big(*w.Core);
        QCOMPARE(big.LinesOfTrashSpinEdit->maximum(), 20); // big glass: 25 rows less 5

        w.Ini.SetGameStyle(9);
        TNewGameForm none(*w.Core);
        for (QRadioButton* radio : none.StyleRadioButtons)
            QVERIFY(!radio->isChecked());
    }

    void okWithoutAGameStoresAndStartsAtOnce()
    {
        TShellWorld w;
        TNewGameForm form(*w.Core);
        form.StyleRadioButtons[3]->setChecked(true);
        form.StartingLevelSpinEdit->setValue(7);
        form.LinesOfTrashSpinEdit->setValue(4);
        form.UpsideDownCheckBox->setChecked(true);
        form.Button1Click();
        QCOMPARE(form.result(), int(QDialog::Accepted));
        QCOMPARE(w.Ini.GameStyle(), 4);
        QCOMPARE(w.Ini.StartingLevel(), 7);
        QCOMPARE(w.Ini.GlassTrash(), 4);
        QVERIFY(w.Ini.UpSideDownMode());
        QVERIFY(w.Core->Game.Running);
        QVERIFY(!w.Core->Game.Paused);
        QCOMPARE(w.Core->Game.Level, 7);
        for (const std::string& line : w.Answers.Log)
            QVERIFY(line.rfind("ask ", 0) != 0); // no game ran: no question
    }

    void questionWhileAGameRunsAnsweredNoKeepsTheDialogAndThePause()
    {
        TShellWorld w;
        QTest::keyClick(w.Form.get(), Qt::Key_F2);
        w.Answers.Answer = false;
        bool pausedInside = false, openAfterNo = false;
        RunNew(w, [&](TNewGameForm& form) {
            form.StartingLevelSpinEdit->setValue(9);
            QTest::mouseClick(form.Button1, Qt::LeftButton);
            openAfterNo = form.isVisible();
            pausedInside = w.Core->Game.Paused;
            QTest::keyClick(&form, Qt::Key_Escape);
        });
        QVERIFY(openAfterNo);
        QVERIFY(pausedInside);
        QVERIFY(w.Answers.Logged("ask " + MessageText(w.Lang, "MB7")));
        QCOMPARE(w.Ini.StartingLevel(), 1); // nothing stored
        QVERIFY(w.Core->Game.Running);
        QVERIFY(!w.Core->Game.Paused); // Cancel resumed the game it paused
    }

    void questionAnsweredYesEndsTheGameWithoutAnEntryAndStartsTheNewOne()
    {
        TShellWorld w;
        QTest::keyClick(w.Form.get(), Qt::Key_F2);
        w.Core->Game.Score = 5000; // would be worth a place in the table
        w.Answers.Answer = true;
        RunNew(w, [&](TNewGameForm& form) {
            form.StartingLevelSpinEdit->setValue(12);
            QTest::mouseClick(form.Button1, Qt::LeftButton);
        });
        QVERIFY(w.Answers.Logged("ask " + MessageText(w.Lang, "MB7")));
        QVERIFY(!w.Answers.Logged("records"));
        QCOMPARE(w.Ini.StartingLevel(), 12);
        QVERIFY(w.Core->Game.Running);
        QVERIFY(!w.Core->Game.Paused);
        QCOMPARE(w.Core->Game.Level, 12);
        QCOMPARE(w.Core->Game.Score, 0);
    }

    void cancelAndEscapeStoreNothingAndKeepAPausedGamePaused()
    {
        TShellWorld w;
        QTest::keyClick(w.Form.get(), Qt::Key_F2);
        RunNew(w, [&](TNewGameForm& form) {
            form.StyleRadioButtons[0]->setChecked(true);
            QTest::mouseClick(form.Button2, Qt::LeftButton);
        });
        QCOMPARE(w.Ini.GameStyle(), 3);
        QVERIFY(!w.Core->Game.Paused);

        w.Core->Rules.PauseGame();
        RunNew(w, [&](TNewGameForm& form) {
            form.LinesOfTrashSpinEdit->setValue(5);
            QTest::keyClick(&form, Qt::Key_Escape);
        });
        QCOMPARE(w.Ini.GlassTrash(), 0);
        QVERIFY(w.Core->Game.Paused); // paused before, paused after
    }

    void typedValuesEmptyOrBeyondTheBoundsNeverReachTheSettings()
    {
        TShellWorld w(std::nullopt, 1, [](TIni& ini) { ini.SetGlassTrash(6); });
        // Clearing the trash box and pressing Enter stores the lower bound.
        RunNew(w, [&](TNewGameForm& form) {
            Type(form.LinesOfTrashSpinEdit, QString());
            QTest::keyClick(form.LinesOfTrashSpinEdit->findChild<QLineEdit*>(), Qt::Key_Return);
        });
        QCOMPARE(w.Ini.GlassTrash(), 0);
        QVERIFY(w.Core->Game.Running); // Enter pressed OK

        // Beyond the bounds, confirmed with Enter while the box has the focus.
        w.Answers.Answer = true;
        RunNew(w, [&](TNewGameForm& form) {
            Type(form.StartingLevelSpinEdit, QStringLiteral("20"));
            Type(form.LinesOfTrashSpinEdit, QStringLiteral("99"));
            QTest::keyClick(form.LinesOfTrashSpinEdit->findChild<QLineEdit*>(), Qt::Key_Enter);
        });
        QCOMPARE(w.Ini.StartingLevel(), 15);
        QCOMPARE(w.Ini.GlassTrash(), 13);

        // Whatever the box holds, OK reads a value in range.
        TNewGameForm form(*w.Core);
        QSpinBox* level = form.StartingLevelSpinEdit;
        QLineEdit* edit = level->findChild<QLineEdit*>();
        QCOMPARE(edit->maxLength(), 2);
        for (const auto& [text, value] : std::vector<std::pair<QString, int>>{{QString(), 1}, {QStringLiteral("x"), 1},
                 {QStringLiteral("0"), 1}, {QStringLiteral("20"), 15}, {QStringLiteral("99"), 15},
                 {QStringLiteral("-3"), 1}, {QStringLiteral("8"), 8}}) {
            edit->setText(text);
            QCOMPARE(TNewGameForm::SpinValue(level), value);
        }
        // Typed beyond the bound and left: the box shows the bound, and OK stores it.
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        level->setFocus();
        Type(level, QStringLiteral("20"));
        form.UpsideDownCheckBox->setFocus();
        QCOMPARE(level->text(), QStringLiteral("15"));
        form.Button1Click();
        QCOMPARE(w.Ini.StartingLevel(), 15);
    }

    void withoutAPackTheQuestionHasItsBuiltInText()
    {
        TShellWorld w;
        TLanguage none(w.Ini, std::filesystem::path(STAKOR_SOURCE_DATA_DIR) / "no-such-folder");
        w.Form.reset();
        w.Core = std::make_unique<TGameCore>(w.Ini, none, w.Answers, TDialogPorts{w.Answers, w.Answers, w.Answers},
            STAKOR_SOURCE_DATA_DIR, std::nullopt, 1);
        w.Core->Rules.StartGame();
        w.Answers.Answer = false;
        TNewGameForm form(*w.Core);
        QCOMPARE(form.GameStyleGroupBox->title(), QStringLiteral(" Game style ")); // built-in captions
        QVERIFY(form.GameStyleGroupBox->toolTip().isEmpty());
        form.Button1Click();
        QVERIFY(w.Answers.Logged("ask A game is running. End it and start the new game?"));
    }
};

namespace {
const TRegisterShellTests<NewGameFormTest> Registered;
}

} // namespace stakor::test

#include "new_game_form_test.moc"
