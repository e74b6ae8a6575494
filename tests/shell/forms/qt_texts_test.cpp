#include <QAbstractButton>
#include <QDialogButtonBox>
#include <QMessageBox>
#include <QTimer>
#include <QtTest>

#include <algorithm>
#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "shell/forms/graphics_form.h"
#include "shell/window/help_window.h"
#include "shell/forms/pack_locale.h"
#include "shell_tests.h"
#include "shell_world.h"

namespace stakor::test {

namespace fs = std::filesystem;

namespace {

// The buttons of the next modal box `open` shows, without their access-key
// marks, sorted; the box is then cancelled.
QStringList ButtonsOfBox(const std::function<void()>& open)
{
    QStringList buttons;
    std::function<void(int)> answer = [&](int tries) {
        QTimer::singleShot(10, [&, tries] {
            auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
            if (box == nullptr || !box->isVisible()) {
                if (tries > 0)
                    answer(tries - 1);
                return;
            }
            for (const QDialogButtonBox* row : box->findChildren<QDialogButtonBox*>())
                for (const QAbstractButton* button : row->buttons())
                    buttons << button->text().remove(QLatin1Char('&'));
            if (auto* message = qobject_cast<QMessageBox*>(box); message && message->escapeButton())
                message->escapeButton()->click();
            else
                box->reject();
        });
    };
    answer(300);
    open();
    buttons.sort();
    return buttons;
}

QAction* LanguageItem(TMainForm& form, const QString& caption)
{
    for (QAction* item : form.LanguageMenuItems)
        if (item->text() == caption)
            return item;
    return nullptr;
}

struct TPackFolder {
    TPackFolder() { fs::create_directories(Path); }
    ~TPackFolder() { fs::remove_all(Path); }
    void Write(const std::string& name, const std::string& text) const
    {
        std::ofstream(Path / name, std::ios::binary) << text;
    }
    fs::path Path = fs::temp_directory_path() / ("stakor-qt-texts-" + std::to_string(::getpid()));
};

} // namespace

// Qt's own texts (message box buttons, the name prompt, the colour chooser)
// speak the language of the pack in force.
class QtTextsTest : public QObject {
    Q_OBJECT

private slots:
    void cleanup() { UseQtTexts({}); } // no other test meets a translator left behind

    void boxesFollowThePackChosenInTheMenu()
    {
        UseQtTexts({});
        TShellWorld w;
        TMainForm& form = *w.Form;
        w.Dialogs.Parent = &form;
        const auto yesNo = [&] { w.Dialogs.AskYesNo("MB3"); };
        const auto namePrompt = [&] { w.Dialogs.InputName("MB10", "MB11", "Tester"); };
        const auto colour = [&] { ChooseColorDialog(&form, 0x808080); };
        QCOMPARE(ButtonsOfBox(yesNo), (QStringList{"No", "Yes"}));

        QAction* german = LanguageItem(form, QStringLiteral("German"));
        QAction* french = LanguageItem(form, QStringLiteral("French"));
        QAction* english = LanguageItem(form, QStringLiteral("English"));
        QVERIFY(german && french && english);

        german->trigger();
        QCOMPARE(ButtonsOfBox(yesNo), (QStringList{"Ja", "Nein"}));
        QVERIFY(ButtonsOfBox(namePrompt).contains(QStringLiteral("Abbrechen")));
        QVERIFY(ButtonsOfBox(colour).contains(QStringLiteral("Abbrechen")));
        QVERIFY(ButtonsOfBox([&] { ChoosePictureDialog(&form); }).contains(QStringLiteral("Abbrechen")));

        french->trigger();
        QCOMPARE(ButtonsOfBox(yesNo), (QStringList{"Non", "Oui"}));
        QVERIFY(ButtonsOfBox(namePrompt).contains(QStringLiteral("Annuler")));

        english->trigger();
        QCOMPARE(ButtonsOfBox(yesNo), (QStringList{"No", "Yes"}));
        QVERIFY(ButtonsOfBox(namePrompt).contains(QStringLiteral("Cancel")));
        QCOMPARE(QtTextsInForce(), std::string());
    }

    void aPackThatFailsToLoadKeepsTheTextsInForce()
    {
        TPackFolder folder;
        folder.Write("German.lng", "LangCode=de\nM00=&Starten\n");
        folder.Write("Gone.lng", "LangCode=fr\n");
        TShellWorld w;
        TLanguage lang(w.Ini, folder.Path);
        lang.FindLanguages();
        w.Rebuild(lang);
        LanguageItem(*w.Form, QStringLiteral("German"))->trigger();
        QCOMPARE(QtTextsInForce(), std::string("de"));
        fs::remove(folder.Path / "Gone.lng");
        LanguageItem(*w.Form, QStringLiteral("Gone"))->trigger();
        QCOMPARE(QtTextsInForce(), std::string("de"));
        QCOMPARE(ButtonsOfBox([&] { w.Dialogs.AskYesNo("MB3"); }), (QStringList{"Ja", "Nein"}));
    }

    void theCodeComesFromThePackElseFromItsName()
    {
        TPackFolder folder;
        folder.Write("Deutsch.lng", "M00=&Starten\n");
        folder.Write("Mine.lng", "  LangCode=fr \r\n");
        folder.Write("Sneaky.lng", "LangCode=../de\n");
        folder.Write("French.lng", "LangCode=de_at\n"); // not a code: the name decides
        folder.Write("Klingon.lng", "LangCode=tlh\n");
        TIni ini(std::nullopt);
        TLanguage lang(ini, folder.Path);
        lang.FindLanguages();
        QCOMPARE(PackLanguageCode(lang, std::string("German")), std::string()); // nothing loaded yet
        const auto codeOf = [&](const std::string& name) {
            if (!lang.LoadLanguage(name))
                return std::string("(not loaded)");
            return PackLanguageCode(lang, ini);
        };
        QCOMPARE(codeOf("Deutsch"), std::string("de"));
        QCOMPARE(codeOf("deutsch"), std::string("de"));
        QCOMPARE(codeOf("Mine"), std::string("fr"));
        QCOMPARE(codeOf("Sneaky"), std::string());
        QCOMPARE(codeOf("French"), std::string("fr"));
        QCOMPARE(codeOf("Klingon"), std::string("tlh"));

        // The shipped German and French packs say their language; English
        // is known by its name.
        TLanguage shipped(ini, fs::path(STAKOR_SOURCE_DATA_DIR) / "Language");
        for (const auto& [name, code] : {std::pair{"German", "de"}, {"French", "fr"}}) {
            QVERIFY(shipped.LoadLanguage(name));
            QCOMPARE(shipped.FindText("LangCode").value_or(""), std::string(code));
        }
        QVERIFY(shipped.LoadLanguage("English"));
        QCOMPARE(PackLanguageCode(shipped, ini), std::string("en"));
    }

    void aLanguageQtLacksStaysEnglishQuietly()
    {
        UseQtTexts("de");
        QCOMPARE(QtTextsInForce(), std::string("de"));
        UseQtTexts("tlh");
        QCOMPARE(QtTextsInForce(), std::string());
        TDialogs dialogs;
        QCOMPARE(ButtonsOfBox([&] { dialogs.AskYesNo("?"); }), (QStringList{"No", "Yes"}));
        UseQtTexts("../de");
        QCOMPARE(QtTextsInForce(), std::string());
    }

    void noPackLoadedIsEnglish()
    {
        TPackFolder folder; // empty: the start-up load fails
        TIni ini(std::nullopt);
        ini.SetLanguage("German");
        TLanguage lang(ini, folder.Path);
        lang.FindLanguages();
        QVERIFY(!lang.LoadLanguage("German"));
        UseQtTexts("fr");
        UseQtTextsOfPack(lang, ini);
        QCOMPARE(QtTextsInForce(), std::string());
    }

    void theHelpFolderFollowsTheCode()
    {
        const fs::path help = fs::path(STAKOR_SOURCE_DATA_DIR) / "help";
        QCOMPARE(HelpFolder(help, "de"), help / "de");
        QCOMPARE(HelpFolder(help, "fr"), help / "fr");
        QCOMPARE(HelpFolder(help, "de_AT"), help / "de");
        QCOMPARE(HelpFolder(help, "en"), help);
        QCOMPARE(HelpFolder(help, ""), help);
        QCOMPARE(HelpFolder(help, "tlh"), help);
        QCOMPARE(HelpFolder(help, ".."), help);
        QCOMPARE(HelpFolder(fs::path(STAKOR_SOURCE_DATA_DIR) / "no-help", "de"), fs::path(STAKOR_SOURCE_DATA_DIR) / "no-help");

        // The shipped packs lead to their pages.
        TIni ini(std::nullopt);
        TLanguage lang(ini, fs::path(STAKOR_SOURCE_DATA_DIR) / "Language");
        for (const auto& [name, folder] : {std::pair{"German", help / "de"}, {"French", help / "fr"}, {"English", help}}) {
            QVERIFY(lang.LoadLanguage(name));
            QCOMPARE(HelpFolder(help, PackLanguageCode(lang, ini)), folder);
        }
    }

    // The help window reads a translated page with its pictures from the
    // shared folder, at the main window's topic.
    void theTranslatedHelpShowsWithItsPictures()
    {
        const fs::path help = fs::path(STAKOR_SOURCE_DATA_DIR) / "help";
        for (const auto& [code, title] : {std::pair{"de", "Hilfe zu Vexamo Stakor: Das Hauptfenster"},
                 {"fr", "Aide de Vexamo Stakor\u00a0: la fen\u00eatre principale"}}) {
            THelpWindow window(HelpFolder(help, code));
            window.ShowTopic(21);
            QCOMPARE(window.documentTitle(), QString::fromUtf8(title));
            QCOMPARE(window.source().fragment(), QStringLiteral("context-21"));
            const QVariant picture = window.loadResource(QTextDocument::ImageResource, QUrl(QStringLiteral("../images/cell-triangles.png")));
            QVERIFY(picture.isValid());
            QVERIFY(!qvariant_cast<QImage>(picture).isNull() || !picture.toByteArray().isEmpty());
            window.close();
        }
    }
};

static TRegisterShellTests<QtTextsTest> registered;

} // namespace stakor::test

#include "qt_texts_test.moc"
