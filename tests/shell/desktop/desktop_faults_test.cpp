// The help window, the disguise and the dialogs as a player meets them:
// nothing of the game left on the screen while disguised, the game's icon
// back afterwards, no half disguise where a minimise is ignored, dialogs
// wide enough for their titles, centred on their owners, and the keyboard
// back with the window they belong to.
#include <QAbstractItemView>
#include <QApplication>
#include <QCompleter>
#include <QFileDialog>
#include <QInputDialog>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>
#include <QtTest>

#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "shell/forms/about_form.h"
#include "shell/forms/hide_form.h"
#include "shell/forms/new_game_form.h"
#include "shell_tests.h"
#include "shell_world.h"

namespace stakor::test {

namespace fs = std::filesystem;

namespace {

using EState = TDisguise::EState;

// The game with the disguise set up; the password box is answered from a list.
struct TDisguised {
    explicit TDisguised(const std::string& password, const std::string& title = "Notes")
        : W(std::nullopt, 1, [&](TIni& ini) {
              ini.SetBossEnable(true);
              ini.SetBossTitle(title);
              ini.SetBossPassword(password);
              ini.SetBossFile("missing-editor.exe");
          })
    {
        Disguise().AskPassword = [this](const QString&, const QString&) -> std::optional<QString> {
            ++Asked;
            if (OnAsk)
                OnAsk();
            if (Answers.empty())
                return std::nullopt;
            return Answers.takeFirst();
        };
        W.Form->show();
    }
    TDisguise& Disguise() { return W.Form->Disguise(); }
    TMainForm& Form() { return *W.Form; }
    void Esc() { QTest::keyClick(W.Form.get(), Qt::Key_Escape); }

    TShellWorld W;
    QStringList Answers;
    int Asked = 0;
    std::function<void()> OnAsk;
};

// A window of the game's other than the main one, titled as the help is.
struct THelp : QWidget {
    THelp()
    {
        setWindowTitle(QStringLiteral("Vexamo Stakor Help"));
        resize(200, 200);
        show();
    }
};

} // namespace

class DesktopFaultsTest : public QObject {
    Q_OBJECT

private slots:
    // ---- The help window ----------------------------------------------------------

    void theHelpGoesWithTheDisguiseAndComesBack()
    {
        for (const std::string password : {"Geheim", ""}) {
            TDisguised d(password);
            THelp help;
            d.Esc();
            QVERIFY(d.Form().Minimized());
            QVERIFY2(!help.isVisible(), password.c_str());
            QVERIFY(!help.windowTitle().contains(QStringLiteral("Vexamo")));
            if (password.empty()) {
                d.Form().showNormal(); // the task-bar entry clicked
            } else {
                d.Answers = {QStringLiteral("Geheim")};
                d.Form().BringToFront();
                QCoreApplication::processEvents();
            }
            QCOMPARE(d.Disguise().State(), EState::Shown);
            QVERIFY(help.isVisible());
            QCOMPARE(help.windowTitle(), QStringLiteral("Vexamo Stakor Help"));
        }
        // A wrong password brings nothing back.
        TDisguised d("Geheim");
        THelp help;
        d.Esc();
        d.Answers = {QStringLiteral("wrong")};
        d.Form().BringToFront();
        QCoreApplication::processEvents();
        QCOMPARE(d.Disguise().State(), EState::DisguisedAndHidden);
        QVERIFY(!help.isVisible());
    }

    void closingTheWindowEndsTheProgram()
    {
        TShellWorld w;
        int quits = 0;
        w.Form.reset();
        w.Form = std::make_unique<TMainForm>(*w.Core, w.Dialogs, TDesktop{{}, {}, [&] { ++quits; }});
        w.Form->show();
        QTest::keyClick(w.Form.get(), Qt::Key_F2);
        w.Answers.Answer = false; // "Exit?" No: the program goes on
        QVERIFY(!w.Form->close());
        QCOMPARE(quits, 0);
        w.Answers.Answer = true;
        QVERIFY(w.Form->close());
        QCOMPARE(quits, 1);
    }

    // ---- The disguise -----------------------------------------------------------------

    void theGamesIconComesBack()
    {
        for (const std::string password : {"", "Geheim"}) {
            TDisguised d(password);
            // Set once the first frame is on the screen, on the window itself.
            QTRY_VERIFY(d.Form().testAttribute(Qt::WA_SetWindowIcon));
            const qint64 gameIcon = d.Form().windowIcon().cacheKey();
            d.Esc();
            QVERIFY(d.Form().windowIcon().cacheKey() != gameIcon);
            if (password.empty()) {
                d.Form().showNormal();
            } else {
                d.Answers = {QStringLiteral("Geheim")};
                d.Form().BringToFront();
                QCoreApplication::processEvents();
            }
            QCOMPARE(d.Disguise().State(), EState::Shown);
            QVERIFY(!d.Form().windowIcon().isNull());
            QCOMPARE(d.Form().windowIcon().cacheKey(), gameIcon);
        }
        QApplication::setWindowIcon(QIcon());
    }

    void escWhereTheMinimiseIsIgnoredLeavesTheGameAsItWas()
    {
        TDisguised d("");
        d.Disguise().MinimizeHonoured = [] { return false; };
        QTest::keyClick(d.W.Form.get(), Qt::Key_F2);
        d.Esc();
        QCOMPARE(d.Disguise().State(), EState::Shown);
        QVERIFY(!d.Form().Minimized());
        QCOMPARE(d.Form().windowTitle(), QStringLiteral("Vexamo Stakor"));
        QVERIFY(d.W.Core->Game.Running && !d.W.Core->Game.Paused);
        // The close query still asks about the running game.
        d.W.Answers.Answer = false;
        QVERIFY(!d.Form().close());
        QVERIFY(d.W.Answers.Logged("ask " + d.W.Lang.GetText("MB3")));

        // With a password the window is hidden, which needs no window manager.
        TDisguised guarded("Geheim");
        guarded.Disguise().MinimizeHonoured = [] { return false; };
        guarded.Esc();
        QCOMPARE(guarded.Disguise().State(), EState::DisguisedAndHidden);
    }

    void theStandInStaysOutOfSight()
    {
        // No task bar: it is never shown; a second start asks for the password.
        TDisguised bare("Geheim");
        bare.Disguise().TaskBarPresent = [] { return false; };
        bare.Esc();
        QWidget* standIn = bare.Disguise().StandIn();
        QVERIFY(standIn);
        QVERIFY(!standIn->isVisible());
        QCOMPARE(standIn->windowTitle(), QStringLiteral("Notes"));
        QVERIFY(!standIn->windowIcon().isNull());
        bare.Answers = {QStringLiteral("wrong")};
        bare.Form().BringToFront();
        QCoreApplication::processEvents();
        QCOMPARE(bare.Asked, 1);
        QVERIFY(!standIn->isVisible());
        bare.Answers = {QStringLiteral("Geheim")};
        bare.Form().BringToFront();
        QCoreApplication::processEvents();
        QCOMPARE(bare.Disguise().State(), EState::Shown);

        // Brought up from the task bar, it is minimised again before the box comes.
        TDisguised d("Geheim");
        d.Esc();
        bool standInMinimised = false;
        d.OnAsk = [&] { standInMinimised = d.Disguise().StandIn() && d.Disguise().StandIn()->isMinimized(); };
        d.Disguise().StandIn()->showNormal();
        QCoreApplication::processEvents();
        QCOMPARE(d.Asked, 1);
        QVERIFY(standInMinimised);
    }

    void thePasswordBoxShowsItsWholeTitle()
    {
        const QString title = QStringLiteral("Quarterly report 2026 - draft (internal, strictly confidential");
        QCOMPARE(title.size(), 62);
        TDisguised d("x", title.toStdString());
        int width = 0;
        QTimer::singleShot(0, [&] {
            if (auto* box = qobject_cast<QInputDialog*>(QApplication::activeModalWidget())) {
                width = box->width();
                box->reject();
            }
        });
        d.Disguise().PasswordBox(title, QStringLiteral("Password:"));
        QVERIFY2(width >= TitleFitWidth(title), qPrintable(QStringLiteral("%1 < %2").arg(width).arg(TitleFitWidth(title))));
    }

    // ---- Dialogs and focus ------------------------------------------------------------

    void theAboutBoxShowsItsWholeTitleInEveryLanguage()
    {
        TShellWorld w;
        for (const char* pack : {"English", "German", "French"}) {
            QVERIFY(w.Lang.LoadLanguage(pack));
            TAboutForm form(w.Lang, QIcon(), {});
            QVERIFY2(form.width() >= TitleFitWidth(form.windowTitle()), pack);
            QCOMPARE(form.OkButton->geometry().right(), form.width() - 7);
        }
    }

    void tabIntoTheFigureSetsLandsOnTheChosenOne()
    {
        TShellWorld w(std::nullopt, 1, [](TIni& ini) { ini.SetGameStyle(3); });
        w.Form->show();
        TNewGameForm form(*w.Core, w.Form.get());
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        form.Button2->setFocus(); // Cancel, the last in the tab order
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), form.StyleRadioButtons[2]);
        // Another choice by the arrow keys: Tab comes back to that one.
        QTest::keyClick(form.StyleRadioButtons[2], Qt::Key_Down);
        QWidget* chosen = QApplication::focusWidget();
        QVERIFY(qobject_cast<QRadioButton*>(chosen) && static_cast<QRadioButton*>(chosen)->isChecked());
        form.Button2->setFocus();
        QTest::keyClick(form.Button2, Qt::Key_Tab);
        QCOMPARE(QApplication::focusWidget(), chosen);
        // Shift+Tab from the level box lands there too.
        form.StartingLevelSpinEdit->setFocus();
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_Backtab, Qt::ShiftModifier);
        QCOMPARE(QApplication::focusWidget(), chosen);
    }

    void dialogsOpenCentredOnTheWindow()
    {
        TShellWorld w;
        w.Form->move(150, 120);
        w.Form->show();
        QVERIFY(QTest::qWaitForWindowExposed(w.Form.get()));
        const QPoint middle = w.Form->geometry().center();
        const auto centred = [&](const QWidget& dialog) {
            const QPoint offset = dialog.geometry().center() - middle;
            return std::abs(offset.x()) <= 1 && std::abs(offset.y()) <= 1;
        };
        TAboutForm about(w.Lang, QIcon(), {}, w.Form.get());
        about.show();
        QVERIFY2(centred(about), qPrintable(QStringLiteral("about at %1,%2")
                                                .arg(about.geometry().center().x() - middle.x())
                                                .arg(about.geometry().center().y() - middle.y())));
        about.hide();
        // A message box takes its size only when shown.
        QMessageBox box(QMessageBox::Question, ProgramTitle, QStringLiteral("A longer question than the box was made for?"),
            QMessageBox::Yes | QMessageBox::No, w.Form.get());
        box.show();
        QVERIFY(centred(box));
        box.hide();
        // A dialog over a dialog: centred on its own owner.
        THideForm hide(w.Ini, w.Lang, w.Form.get());
        hide.move(40, 30);
        hide.show();
        QMessageBox inner(QMessageBox::NoIcon, ProgramTitle, QStringLiteral("Inner"), QMessageBox::Ok, &hide);
        inner.show();
        const QPoint offset = inner.geometry().center() - hide.geometry().center();
        QVERIFY(std::abs(offset.x()) <= 1 && std::abs(offset.y()) <= 1);
    }

    void theKeyboardComesBackAfterADialog()
    {
        TShellWorld w;
        w.Form->show();
        QVERIFY(QTest::qWaitForWindowActive(w.Form.get()));
        w.RunDialog = [](QDialog& dialog) {
            QTimer::singleShot(0, &dialog, [&dialog] { dialog.reject(); });
            return dialog.exec();
        };
        QTest::keyClick(w.Form.get(), Qt::Key_F4);
        QTRY_COMPARE(QApplication::activeWindow(), w.Form.get());
        QCOMPARE(QApplication::focusWidget(), w.Form.get());
    }

    void aSecondStartBringsTheOpenDialogAboveTheWindow()
    {
        TShellWorld w;
        w.Form->show();
        QVERIFY(QTest::qWaitForWindowActive(w.Form.get()));
        QDialog dialog(w.Form.get());
        dialog.setModal(true);
        dialog.show();
        QVERIFY(QTest::qWaitForWindowActive(&dialog));
        w.Form->activateWindow(); // as the window system would give it the main window
        QTRY_COMPARE(QApplication::activeWindow(), w.Form.get());
        w.Form->BringToFront();
        QTRY_COMPARE(QApplication::activeWindow(), &dialog);
    }

    void theFileNameCompletionCloseWithTheChooser()
    {
        const fs::path folder = fs::temp_directory_path() / ("stakor-completion-" + std::to_string(::getpid()));
        fs::remove_all(folder);
        fs::create_directories(folder);
        for (const char* name : {"yellow.png", "yellowish.png", "blue.png"})
            std::ofstream(folder / name) << "x";
        TShellWorld w;
        w.Form->show();
        THideForm form(w.Ini, w.Lang, w.Form.get());
        form.Edit3->setText(QString::fromStdString((folder / "blue.png").string()));
        form.show();
        QVERIFY(QTest::qWaitForWindowActive(&form));
        bool popupSeen = false;
        QTimer::singleShot(0, [&] {
            QFileDialog* chooser = form.OpenDialog();
            QVERIFY(QTest::qWaitForWindowActive(chooser));
            auto* name = chooser->findChild<QLineEdit*>(QStringLiteral("fileNameEdit"));
            QVERIFY(name);
            name->setFocus();
            QTest::qWait(200); // the chooser fills the box with the file it was given
            name->selectAll();
            QTest::keyClicks(name, QStringLiteral("yellow"));
            QAbstractItemView* popup = name->completer() ? name->completer()->popup() : nullptr;
            popupSeen = QTest::qWaitFor([&] { return popup && popup->isVisible(); }, 5000);
            QTest::keyClicks(popup && popup->isVisible() ? static_cast<QWidget*>(popup) : name, QStringLiteral(".png"));
            // A box about a file it cannot find would wait for an answer.
            QTimer::singleShot(2000, [] {
                if (auto* box = qobject_cast<QMessageBox*>(QApplication::activeModalWidget()))
                    box->reject();
            });
            QTest::keyClick(popup && popup->isVisible() ? static_cast<QWidget*>(popup) : name, Qt::Key_Return);
            if (chooser->isVisible())
                chooser->reject();
        });
        form.BrowseButtonClick();
        fs::remove_all(folder);
        QVERIFY(popupSeen);
        QCOMPARE(form.Edit3->text(), QString::fromStdString((folder / "yellow.png").string()));
        QVERIFY(!QApplication::activePopupWidget());
        for (QCompleter* completer : form.findChildren<QCompleter*>())
            QVERIFY(!completer->popup()->isVisible());
    }
};

namespace {
const TRegisterShellTests<DesktopFaultsTest> Registered;
}

} // namespace stakor::test

#include "desktop_faults_test.moc"
