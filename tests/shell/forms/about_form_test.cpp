#include <QtTest>

#include <QLabel>
#include <QPushButton>

#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "shell/forms/about_form.h"
#include "shell/desktop/site.h"
#include "shell_tests.h"
#include "shell_world.h"

namespace stakor::test {

namespace fs = std::filesystem;

class AboutFormTest : public QObject {
    Q_OBJECT

private:
    // A folder with one pack of the given text, removed with the object.
    struct TPackFolder {
        explicit TPackFolder(const std::string& text)
            : Path(fs::temp_directory_path() / ("stakor-about-" + std::to_string(::getpid())))
        {
            fs::remove_all(Path);
            fs::create_directories(Path);
            std::ofstream(Path / "Test.lng", std::ios::binary) << text;
        }
        ~TPackFolder() { fs::remove_all(Path); }
        fs::path Path;
    };

    static QString Address() { return HomePageUrl().toString(); }

private slots:
    void versionAndLinkFollowTheCaptionsWithAndWithoutAPack()
    {
        TIni ini(std::nullopt);
        TLanguage none(ini, "/nonexistent");
        {
            TAboutForm form(none, QIcon(), {});
            QCOMPARE(form.windowTitle(), QStringLiteral("About Vexamo Stakor"));
            QCOMPARE(form.Label2->text(), QStringLiteral("Version  1.30"));
            QCOMPARE(form.Label5->text(), QStringLiteral("Internet: ") + Address() + QStringLiteral(" "));
            QCOMPARE(form.Label2->alignment() & Qt::AlignRight, Qt::AlignRight);
            QCOMPARE(form.OkButton->text(), QStringLiteral("Ok"));
        }

        const TPackFolder french("AbFC=A propos\nAbFL1=Ausgabe\nAbFL2=Web\n");
        TLanguage lang(ini, french.Path);
        QVERIFY(lang.LoadLanguage("Test"));
        {
            TAboutForm form(lang, QIcon(), {});
            QCOMPARE(form.windowTitle(), QStringLiteral("A propos"));
            QCOMPARE(form.Label2->text(), QStringLiteral("Ausgabe  1.30"));
            QCOMPARE(form.Label5->text(), QStringLiteral("Web: ") + Address() + QStringLiteral(" "));
        }

        // A pack without the version key: the line keeps its built-in word.
        const TPackFolder partial("AbFC=Info\n");
        TLanguage lacking(ini, partial.Path);
        QVERIFY(lacking.LoadLanguage("Test"));
        TAboutForm form(lacking, QIcon(), {});
        QCOMPARE(form.windowTitle(), QStringLiteral("Info"));
        QCOMPARE(form.Label2->text(), QStringLiteral("Version  1.30"));
        QCOMPARE(form.Label5->text(), QStringLiteral("Internet: ") + Address() + QStringLiteral(" "));
    }

    void theLinkOpensTheHomePageAndEverythingFits()
    {
        TIni ini(std::nullopt);
        TLanguage none(ini, "/nonexistent");
        std::vector<QUrl> opened;
        const QIcon icon(QStringLiteral(STAKOR_SOURCE_DATA_DIR "/icons/vexamo-stakor.png"));
        TAboutForm form(none, icon, [&](const QUrl& url) { opened.push_back(url); });
        form.show();
        QVERIFY(QTest::qWaitForWindowExposed(&form));
        QCOMPARE(form.Label5->cursor().shape(), Qt::PointingHandCursor);
        QTest::mouseClick(form.Label5, Qt::LeftButton);
        QCOMPARE(opened, std::vector<QUrl>{HomePageUrl()});
        QVERIFY(!form.Image->pixmap().isNull());
        QCOMPARE(form.Image->pixmap().size(), QSize(32, 32));
        // Only Ok takes the focus; every line lies inside the window.
        QCOMPARE(form.focusWidget(), form.OkButton);
        for (QLabel* label : {form.Label1, form.Label2, form.Label3, form.Label4, form.Label5}) {
            QVERIFY(form.rect().contains(label->geometry()));
            QVERIFY(label->fontMetrics().horizontalAdvance(label->text()) <= label->width());
        }
        QVERIFY(form.Bevel->geometry().bottom() < form.OkButton->geometry().top());
        QCOMPARE(form.width() - form.OkButton->geometry().right(), 7);
        QTest::keyClick(form.focusWidget(), Qt::Key_Space);
        QCOMPARE(form.result(), int(QDialog::Accepted));
    }

    void escapeClosesAndTheGameResumesOnlyIfItRanBefore()
    {
        TShellWorld w;
        QTest::keyClick(w.Form.get(), Qt::Key_F2);
        const auto escape = [&](QDialog& dialog) {
            QTimer::singleShot(0, &dialog, [&] { QTest::keyClick(&dialog, Qt::Key_Escape); });
            // A dialog that does not close ends the test instead of hanging it.
            QTimer::singleShot(5000, &dialog, [&] { dialog.done(42); });
            return dialog.exec();
        };
        int result = -1;
        w.RunDialog = [&](QDialog& dialog) { return result = escape(dialog); };
        w.Form->AboutMenuItem->trigger();
        QCOMPARE(result, int(QDialog::Rejected));
        QVERIFY(w.Answers.Logged("sound pause"));
        QVERIFY(!w.Core->Game.Paused);

        w.Core->Rules.PauseGame();
        w.Form->AboutMenuItem->trigger();
        QCOMPARE(result, int(QDialog::Rejected));
        QVERIFY(w.Core->Game.Paused);
        QCOMPARE(w.Desktop.back(), std::string("dialog About Vexamo Stakor (paused)"));
    }
};

namespace {
const TRegisterShellTests<AboutFormTest> Registered;
}

} // namespace stakor::test

#include "about_form_test.moc"
