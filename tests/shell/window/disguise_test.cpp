// The disguise's states and their ways in and out, on the offscreen platform.
#include <QApplication>
#include <QInputDialog>
#include <QLineEdit>
#include <QtTest>

#include "settings/message_texts.h"
#include "shell/window/disguise.h"
#include "shell_tests.h"
#include "shell_world.h"

namespace stakor::test {

namespace {

using EState = TDisguise::EState;

// A world whose disguise is set up, with the password box answered from a list.
struct TDisguiseWorld {
    explicit TDisguiseWorld(const std::string& password, const std::string& title = "Notes")
        : W(std::nullopt, 1, [&](TIni& ini) {
              ini.SetBossEnable(true);
              ini.SetBossTitle(title);
              ini.SetBossPassword(password);
              ini.SetBossFile("missing-editor.exe");
          })
    {
        Disguise().AskPassword = [this](const QString& caption, const QString& prompt) -> std::optional<QString> {
            Asked.push_back(caption + QStringLiteral(" | ") + prompt);
            if (Answers.empty())
                return std::nullopt;
            const QString answer = Answers.takeFirst();
            if (answer.isNull())
                return std::nullopt; // cancelled
            return answer;
        };
        W.Form->show();
    }

    TDisguise& Disguise() { return W.Form->Disguise(); }
    TMainForm& Form() { return *W.Form; }
    void Esc() { QTest::keyClick(W.Form.get(), Qt::Key_Escape); }
    void StartGame()
    {
        QTest::keyClick(W.Form.get(), Qt::Key_F2);
        QVERIFY(W.Core->Game.Running && !W.Core->Game.Paused);
    }
    // Clicks the stand-in's task-bar entry and lets the queued restore run.
    void RestoreStandIn()
    {
        QWidget* standIn = Disguise().StandIn();
        QVERIFY(standIn);
        standIn->showNormal();
        QCoreApplication::processEvents();
    }
    size_t MusicOn() const
    {
        return static_cast<size_t>(std::count(W.Answers.Log.begin(), W.Answers.Log.end(), "music on"));
    }

    TShellWorld W;
    QStringList Answers; // a null string cancels the box
    QStringList Asked;
};

} // namespace

class DisguiseTest : public QObject {
    Q_OBJECT

private slots:
    void escDoesNothingUnlessEnabled()
    {
        TShellWorld w;
        w.Form->show();
        QTest::keyClick(w.Form.get(), Qt::Key_F2);
        QTest::keyClick(w.Form.get(), Qt::Key_Escape);
        QVERIFY(w.Core->Game.Running && !w.Core->Game.Paused);
        QCOMPARE(w.Form->Disguise().State(), EState::Shown);
        QCOMPARE(w.Form->windowTitle(), QStringLiteral("Vexamo Stakor"));
        QVERIFY(w.Form->isVisible() && !w.Form->isMinimized());
    }

    void withoutPasswordTitleAndIconChangeAndRestoreNeverAsks()
    {
        const QIcon gameIcon = QIcon(QString::fromUtf8(STAKOR_SOURCE_DATA_DIR "/icons/vexamo-stakor-48.png"));
        QApplication::setWindowIcon(gameIcon);
        TDisguiseWorld d("");
        d.StartGame();
        d.Esc();
        QCOMPARE(d.Disguise().State(), EState::Disguised);
        QVERIFY(d.W.Core->Game.Paused);
        QVERIFY(d.W.Answers.Logged("music off"));
        QVERIFY(d.Form().Minimized());
        QVERIFY(d.Form().isMinimized() && d.Form().isVisible()); // minimised, not hidden
        QVERIFY(!d.Disguise().StandIn());
        QCOMPARE(d.Form().windowTitle(), QStringLiteral("Notes"));
        QCOMPARE(d.Disguise().TaskBarTitle(), QStringLiteral("Notes"));
        QVERIFY(!d.Form().windowIcon().isNull());
        QVERIFY(d.Form().windowIcon().cacheKey() != gameIcon.cacheKey());
        QVERIFY(QApplication::windowIcon().cacheKey() != gameIcon.cacheKey());

        const size_t musicBefore = d.MusicOn();
        d.Form().showNormal(); // the task-bar entry clicked
        QCOMPARE(d.Disguise().State(), EState::Shown);
        QVERIFY(d.Asked.isEmpty());
        QCOMPARE(d.Form().windowTitle(), QStringLiteral("Vexamo Stakor"));
        QCOMPARE(QApplication::windowIcon().cacheKey(), gameIcon.cacheKey());
        QVERIFY(d.W.Core->Game.Paused); // restoring never resumes the game
        QCOMPARE(d.MusicOn(), musicBefore + 1);
        QApplication::setWindowIcon(QIcon());
    }

    void withPasswordHiddenUntilTheRightAnswer()
    {
        TDisguiseWorld d("Geheim");
        d.StartGame();
        d.Esc();
        QCOMPARE(d.Disguise().State(), EState::DisguisedAndHidden);
        QVERIFY(d.W.Core->Game.Paused);
        QVERIFY(!d.Form().isVisible());
        QWidget* standIn = d.Disguise().StandIn();
        QVERIFY(standIn && standIn->isMinimized());
        QCOMPARE(standIn->windowTitle(), QStringLiteral("Notes"));
        QVERIFY(!standIn->windowIcon().isNull());
        QCOMPARE(d.Form().windowTitle(), QStringLiteral("Notes")); // even the hidden window tells nothing

        // Activation while hidden neither restores nor starts the music.
        const size_t music = d.MusicOn();
        d.Disguise().AppActivate();
        QCOMPARE(d.Disguise().State(), EState::DisguisedAndHidden);
        QCOMPARE(d.MusicOn(), music);

        // Wrong case, empty, cancelled: minimised again, still hidden; the next restore asks again.
        d.Answers = {QStringLiteral("geheim"), QStringLiteral(""), QString()};
        const QString expected = QStringLiteral("Notes | ") + FromPack(MessageText(d.W.Lang, "MB14"));
        for (int attempt = 1; attempt <= 3; ++attempt) {
            d.RestoreStandIn();
            QCOMPARE(d.Asked.size(), attempt);
            QCOMPARE(d.Asked.back(), expected);
            QCOMPARE(d.Disguise().State(), EState::DisguisedAndHidden);
            QVERIFY(!d.Form().isVisible());
            QVERIFY(d.Disguise().StandIn() && d.Disguise().StandIn()->isMinimized());
        }
        QCOMPARE(d.MusicOn(), music);

        d.Answers = {QStringLiteral("Geheim")};
        d.RestoreStandIn();
        QCOMPARE(d.Disguise().State(), EState::Shown);
        QVERIFY(d.Form().isVisible() && !d.Form().isMinimized());
        QCOMPARE(d.Form().windowTitle(), QStringLiteral("Vexamo Stakor"));
        QCOMPARE(d.MusicOn(), music + 1);
        QVERIFY(d.W.Core->Game.Paused);
        QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
        QVERIFY(!d.Disguise().StandIn());
    }

    // Where the desktop never reports minimising (Wayland), Qt hands the
    // minimised stand-in its state back by itself, right after each request.
    // Taken for a restore, it asked for the password, minimised again and got
    // the echo again: a flood of requests that cost the game its connection.
    void anEchoedStateIsNoRestoreWhereMinimisingIsNotReported()
    {
        TDisguiseWorld d("Geheim");
        d.Disguise().ReportsMinimized = [] { return false; };
        d.StartGame();
        d.Esc();
        QWidget* standIn = d.Disguise().StandIn();
        QVERIFY(standIn && standIn->isVisible());
        for (int echo = 0; echo < 3; ++echo) {
            standIn->setWindowState(standIn->windowState() & ~Qt::WindowMinimized);
            QCoreApplication::processEvents();
        }
        QVERIFY(d.Asked.isEmpty());
        QCOMPARE(d.Disguise().State(), EState::DisguisedAndHidden);

        // A click in the stand-in asks, and the right answer brings the game back.
        d.Answers = {QStringLiteral("Geheim")};
        QTest::mouseClick(standIn, Qt::LeftButton);
        QCoreApplication::processEvents();
        QCOMPARE(d.Asked.size(), 1);
        QCOMPARE(d.Disguise().State(), EState::Shown);
        QVERIFY(d.Form().isVisible());
    }

    void minimizeButtonNeverAsks()
    {
        TDisguiseWorld d("Geheim");
        d.StartGame();
        const QPoint button = d.Form().HotAreas().Minimize.center();
        QTest::mousePress(&d.Form(), Qt::LeftButton, Qt::NoModifier, button);
        QTest::mouseRelease(&d.Form(), Qt::LeftButton, Qt::NoModifier, button);
        QCOMPARE(d.Disguise().State(), EState::Minimized);
        QVERIFY(d.W.Core->Game.Paused);
        QCOMPARE(d.Form().windowTitle(), QStringLiteral("Vexamo Stakor"));
        d.Form().showNormal();
        QCOMPARE(d.Disguise().State(), EState::Shown);
        QVERIFY(d.Asked.isEmpty());
    }

    void titleEqualToTheCaptionSkipsThePassword()
    {
        TDisguiseWorld d("Geheim", "Vexamo Stakor");
        d.Esc();
        QCOMPARE(d.Disguise().State(), EState::DisguisedAndHidden);
        QVERIFY(!d.Disguise().Disguised());
        d.RestoreStandIn();
        QVERIFY(d.Asked.isEmpty());
        QCOMPARE(d.Disguise().State(), EState::Shown);
        QVERIFY(d.Form().isVisible()); // brought back, not left hidden for ever
    }

    void secondStartWhileDisguisedRevealsNothing()
    {
        TDisguiseWorld d("Geheim");
        d.Esc();
        d.Form().BringToFront();
        QVERIFY(!d.Form().isVisible()); // not even for a moment before the box
        QVERIFY(d.Asked.isEmpty());
        QCoreApplication::processEvents();
        QCOMPARE(d.Asked.size(), 1);
        QCOMPARE(d.Disguise().State(), EState::DisguisedAndHidden);
        QVERIFY(!d.Form().isVisible());

        d.Answers = {QStringLiteral("Geheim")};
        d.Form().BringToFront();
        d.Form().BringToFront(); // two starts at once ask once
        QCoreApplication::processEvents();
        QCOMPARE(d.Asked.size(), 2);
        QCOMPARE(d.Disguise().State(), EState::Shown);
        QVERIFY(d.Form().isVisible());

        // Disguised without a password, a second start restores as always.
        TDisguiseWorld open("");
        open.Esc();
        open.Form().BringToFront();
        QCOMPARE(open.Disguise().State(), EState::Shown);
        QCOMPARE(open.Form().windowTitle(), QStringLiteral("Vexamo Stakor"));
    }

    void closingTheStandInClosesTheGameWithoutAsking()
    {
        TDisguiseWorld d("Geheim");
        d.StartGame();
        d.Esc();
        d.W.Answers.Log.clear();
        QVERIFY(d.Disguise().StandIn()->close());
        QVERIFY(d.W.Answers.Logged("music off")); // the game's close query ran
        QVERIFY(!d.W.Answers.Logged("ask " + d.W.Lang.GetText("MB3")));
        QVERIFY(d.W.Core->Game.Running); // a game closed away while minimised is not ended first
        QVERIFY(!d.Form().isVisible());
    }

    void longAndUnicodeTitlesAndPasswords()
    {
        const QString title = QStringLiteral("Zürich – Ελληνικά – 東京 – ") + QString(231, QLatin1Char('x'));
        const QString password = QString(254, QLatin1Char('p')) + QStringLiteral("ß");
        TDisguiseWorld d(password.toStdString(), title.toStdString());
        d.Esc();
        QCOMPARE(d.Disguise().StandIn()->windowTitle(), title);
        d.Answers = {password};
        d.RestoreStandIn();
        QCOMPARE(d.Disguise().State(), EState::Shown);

        // An empty title must not let the system fall back to the program's name.
        TDisguiseWorld empty("", "");
        empty.Esc();
        QCOMPARE(empty.Disguise().State(), EState::Disguised);
        QVERIFY(!empty.Form().windowTitle().contains(QStringLiteral("Vexamo")));
        QVERIFY(!empty.Form().windowTitle().isEmpty());
    }

    void deactivationPausesAndStopsTheMusic()
    {
        TDisguiseWorld d("");
        d.StartGame();
        d.Disguise().AppDeactivate();
        QVERIFY(d.W.Core->Game.Paused);
        QCOMPARE(d.W.Answers.Log.back(), std::string("music off"));
        d.Disguise().AppActivate();
        QVERIFY(d.W.Core->Game.Paused); // the player resumes it
        QCOMPARE(d.W.Answers.Log.back(), std::string("music on"));
    }

    void realPasswordBoxIsPlainAndLimited()
    {
        TDisguiseWorld d("x");
        QString seenTitle;
        QLineEdit::EchoMode echo = QLineEdit::Password;
        int maxLength = 0;
        QTimer::singleShot(0, [&] {
            auto* box = qobject_cast<QInputDialog*>(QApplication::activeModalWidget());
            QVERIFY(box);
            seenTitle = box->windowTitle();
            auto* edit = box->findChild<QLineEdit*>();
            QVERIFY(edit);
            echo = edit->echoMode();
            maxLength = edit->maxLength();
            edit->setText(QString(300, QLatin1Char('a')));
            box->accept();
        });
        const std::optional<QString> answer = d.Disguise().PasswordBox(QStringLiteral("Notes"), QStringLiteral("Pw:"));
        QCOMPARE(seenTitle, QStringLiteral("Notes"));
        QCOMPARE(echo, QLineEdit::Normal);
        QCOMPARE(maxLength, 255);
        QVERIFY(answer.has_value());
        QCOMPARE(answer->size(), 255);

        QTimer::singleShot(0, [] {
            if (auto* box = QApplication::activeModalWidget())
                static_cast<QDialog*>(box)->reject();
        });
        QVERIFY(!d.Disguise().PasswordBox(QStringLiteral("Notes"), QStringLiteral("Pw:")).has_value());
    }
};

namespace {
const TRegisterShellTests<DisguiseTest> Registered;
}

} // namespace stakor::test

#include "disguise_test.moc"
