#include <QtTest>

#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QRadioButton>

#include <filesystem>
#include <fstream>
#include <map>
#include <set>
#include <unistd.h>

#include "settings/message_texts.h"
#include "shell/forms/about_form.h"
#include "shell/forms/graphics_form.h"
#include "shell/forms/hide_form.h"
#include "shell/forms/keys_form.h"
#include "shell/forms/new_game_form.h"
#include "shell/forms/records_form.h"
#include "shell_tests.h"
#include "shell_world.h"

namespace stakor::test {

namespace fs = std::filesystem;

namespace {

// A window as the walk sees it: the window, its captioned controls, and
// whatever else the walk must hold it to.
struct TOpenWindow {
    std::unique_ptr<QWidget> Owned; // empty for the main window, which the world owns
    QWidget* Window = nullptr;
    TCaptionTable Captions;
    // Keys whose text the window follows with more (the version, the address).
    std::set<std::string> Extended;
    std::function<void()> ExtraChecks;
};

using TWindowFactory = std::function<TOpenWindow(TShellWorld&)>;

// Every window that takes texts from a pack. A new dialog joins the walk
// with one more entry here.
const std::vector<std::pair<const char*, TWindowFactory>>& Windows()
{
    static const std::vector<std::pair<const char*, TWindowFactory>> windows = {
        {"main window",
            [](TShellWorld& w) {
                TOpenWindow open{nullptr, w.Form.get(), w.Form->Captions(), {}, {}};
                open.ExtraChecks = [&w] {
                    // Each line name leaves room for a five-digit count at the panel's right edge.
                    TMainForm& form = *w.Form;
                    const int right = w.Core->Glass.Bitmap.Width - 240 + 426;
                    for (size_t i = 0; i < form.NameLabels.size(); ++i) {
                        const int room = form.ValueLabels[i]->fontMetrics().horizontalAdvance(QStringLiteral("99999"));
                        QVERIFY2(form.NameLabels[i]->geometry().right() + 4 + room <= right,
                            qPrintable(form.NameLabels[i]->text()));
                    }
                };
                return open;
            }},
        {"new game",
            [](TShellWorld& w) {
                auto form = std::make_unique<TNewGameForm>(*w.Core);
                TCaptionTable captions = form->Captions();
                return TOpenWindow{std::move(form), nullptr, std::move(captions), {}, {}};
            }},
        {"graphics",
            [](TShellWorld& w) {
                auto form = std::make_unique<TGraphicsForm>(*w.Core, w.Form->ShowGridMenuItem);
                TCaptionTable captions = form->Captions();
                return TOpenWindow{std::move(form), nullptr, std::move(captions), {}, {}};
            }},
        {"about",
            [](TShellWorld& w) {
                auto form = std::make_unique<TAboutForm>(w.Lang, QIcon(), nullptr);
                TCaptionTable captions = form->Captions();
                return TOpenWindow{std::move(form), nullptr, std::move(captions), {"AbFL1", "AbFL2"}, {}};
            }},
        {"high scores",
            [](TShellWorld& w) {
                auto form = std::make_unique<TRecordsForm>(w.Core->Records, w.Core->Random, w.Lang, 1, nullptr);
                TCaptionTable captions = form->Captions();
                return TOpenWindow{std::move(form), nullptr, std::move(captions), {}, {}};
            }},
        {"disguise settings",
            [](TShellWorld& w) {
                auto form = std::make_unique<THideForm>(w.Ini, w.Lang);
                TCaptionTable captions = form->Captions();
                return TOpenWindow{std::move(form), nullptr, std::move(captions), {}, {}};
            }},
        {"keys",
            [](TShellWorld& w) {
                auto form = std::make_unique<TKeysForm>(w.Ini, w.Lang);
                TCaptionTable captions = form->Captions();
                TKeysForm* keys = form.get();
                TOpenWindow open{std::move(form), nullptr, std::move(captions), {}, {}};
                open.ExtraChecks = [keys] {
                    // The prompt and the longest refusal fit where they show.
                    keys->ChooseKey(TKeyAction::RotateBack);
                    QPushButton* button = keys->KeyButtons[3];
                    QVERIFY2(button->fontMetrics().horizontalAdvance(button->text()) + 8 <= button->width(),
                        qPrintable(button->text()));
                    QTest::keyClick(button, Qt::Key_Up);
                    QLabel* message = keys->MessageLabel;
                    QVERIFY(!message->text().isEmpty());
                    QVERIFY2(message->heightForWidth(message->width()) <= message->height(), qPrintable(message->text()));
                    QTest::keyClick(keys->KeyButtons[0], Qt::Key_F1);
                    keys->ChooseKey(TKeyAction::Left);
                    QTest::keyClick(keys->KeyButtons[0], Qt::Key_F1);
                    QVERIFY2(message->heightForWidth(message->width()) <= message->height(), qPrintable(message->text()));
                };
                return open;
            }},
    };
    return windows;
}

// Every key a complete pack holds, the windows still to come included.
const std::vector<std::string>& AllKeys()
{
    static const std::vector<std::string> keys = {"MW0", "MW1", "MW2", "MW3", "MW4", "MW5", "M00", "M01", "M02", "M03",
        "M04", "M05", "M06", "M07", "M10", "M11", "M12", "M13", "M14", "M15", "M16", "M17", "M20", "M22", "M23",
        "RecFC", "RecFN1", "RecFN2", "RecFN3", "RecFN4", "RecFN5", "RecFSndBt", "RecFVwBt", "GrFC", "GrFGBgGrBxC",
        "GrFGBgLBxFI", "GrFGgL", "GrFGBgChBx", "GrFGSGrBxC", "GrFGGGBxC", "GrFGGChBx", "GrFGBgOkB", "GrFGBgCB",
        "GrFGBgAB", "NG0", "NG1", "NG10", "NG11", "NG12", "NG13", "NG14", "NG15", "NG16", "NG20", "NG21", "NG30",
        "NG31", "NG40", "NG41", "NG42", "HdFC", "HdFL1", "HdFL2", "HdFL3", "HdFL4", "HdFBrBt", "HdFChBx1", "AbFC",
        "AbFL1", "AbFL2", "MB1", "MB2", "MB3", "MB4", "MB5", "MB6", "MB7", "MB10", "MB11", "MB12", "MB13", "MB14",
        // Keys, gamepad and landing shadow.
        "M18", "M19", "M1A", "KyFC", "KyFL1", "KyFL2", "KyFL3", "KyFL4", "KyFL5", "KyFL6", "KyFDefB", "KyFOkB",
        "KyFCnB", "KyFPrs", "KyFUsed", "KyFRsv"};
    return keys;
}

QString Describe(const std::string& pack, const char* window, const TCaptionTarget& target)
{
    return QStringLiteral("%1 / %2 / %3")
        .arg(QString::fromStdString(pack), QString::fromLatin1(window), QString::fromStdString(target.Key));
}

} // namespace

class LanguageWalkTest : public QObject {
    Q_OBJECT

private:
    static std::vector<std::string> ShippedPacks()
    {
        TIni ini(std::nullopt);
        TLanguage lang(ini, fs::path(STAKOR_SOURCE_DATA_DIR) / "Language");
        lang.FindLanguages();
        return lang.LanguageNames();
    }

private slots:
    void threePacksShipAndEachHoldsEveryKey()
    {
        const std::vector<std::string> packs = ShippedPacks();
        QCOMPARE(packs, (std::vector<std::string>{"English", "French", "German"}));
        for (const std::string& pack : packs) {
            TIni ini(std::nullopt);
            TLanguage lang(ini, fs::path(STAKOR_SOURCE_DATA_DIR) / "Language");
            QVERIFY(lang.LoadLanguage(pack));
            for (const std::string& key : AllKeys()) {
                const std::optional<std::string> text = lang.FindText(key);
                QVERIFY2(text.has_value(), qPrintable(QString::fromStdString(pack + " lacks " + key)));
                const bool hint = key == "NG11" || key == "NG21" || key == "NG31" || key == "NG42";
                QVERIFY2(hint || !FromPack(*text).trimmed().isEmpty() || pack == "English",
                    qPrintable(QString::fromStdString(pack + " " + key)));
                // The packs are 8-bit text: a UTF-8 sequence read as such would show as "Ã".
                QVERIFY(!FromPack(*text).contains(QChar(0xC3)));
            }
            QCOMPARE(FromPack(lang.GetText("MB6")).count(QStringLiteral("%s")), 1);
            QCOMPARE(FromPack(lang.GetText("KyFUsed")).count(QStringLiteral("%s")), 1);
        }
        // Spot checks that the 8-bit texts read as their language.
        TIni ini(std::nullopt);
        TLanguage lang(ini, fs::path(STAKOR_SOURCE_DATA_DIR) / "Language");
        QVERIFY(lang.LoadLanguage("German"));
        QCOMPARE(FromPack(lang.GetText("GrFGBgAB")), QStringLiteral("Übernehmen"));
        QVERIFY(lang.LoadLanguage("French"));
        QCOMPARE(FromPack(lang.GetText("GrFGBgChBx")), QStringLiteral("Étirer l'image"));
    }

    void everyWindowInEveryPackTakesItsCaptionsWhole()
    {
        for (const std::string& pack : ShippedPacks()) {
            TShellWorld w;
            QVERIFY(w.Lang.LoadLanguage(pack));
            w.Form->LoadCaptions();
            w.Form->show();
            w.Form->ShowLabels();
            for (const auto& [name, factory] : Windows()) {
                TOpenWindow open = factory(w);
                QWidget* window = open.Owned ? open.Owned.get() : open.Window;
                window->show();
                QVERIFY(QTest::qWaitForWindowExposed(window));
                std::map<QWidget*, std::vector<QWidget*>> siblings;
                for (const TCaptionTarget& target : open.Captions) {
                    const QString where = Describe(pack, name, target);
                    QVERIFY2(w.Lang.FindText(target.Key).has_value(), qPrintable(where + " missing"));
                    const QString expected = CaptionText(w.Lang, target);
                    const QString shown = ShownCaption(target);
                    if (open.Extended.count(target.Key))
                        QVERIFY2(shown.startsWith(expected) && shown.size() > expected.size(), qPrintable(where));
                    else
                        QVERIFY2(shown == expected, qPrintable(where + ": " + shown + " != " + expected));
                    if (pack == "English" && target.Kind != TCaptionKind::Hint)
                        QVERIFY2(expected == target.BuiltIn, qPrintable(where + " differs from the built-in text"));

                    auto* widget = qobject_cast<QWidget*>(target.Target);
                    if (!widget || target.Kind == TCaptionKind::Hint || target.Kind == TCaptionKind::Title)
                        continue;
                    QVERIFY2(NeededWidth(target) <= widget->width(),
                        qPrintable(where +
                            QStringLiteral(" clipped: needs %1, has %2")
                                .arg(NeededWidth(target))
                                .arg(widget->width())));
                    if (widget != window && widget->parentWidget())
                        QVERIFY2(widget->parentWidget()->rect().contains(widget->geometry()),
                            qPrintable(where + " reaches out of its group or window"));
                    if (widget != window) {
                        auto& row = siblings[widget->parentWidget()];
                        if (std::find(row.begin(), row.end(), widget) == row.end())
                            row.push_back(widget);
                    }
                }
                // Grown controls must not cover their neighbours.
                for (const auto& [parent, widgets] : siblings)
                    for (size_t i = 0; i < widgets.size(); ++i)
                        for (size_t j = i + 1; j < widgets.size(); ++j)
                            QVERIFY2(!widgets[i]->geometry().intersects(widgets[j]->geometry()),
                                qPrintable(QString::fromStdString(pack) + " / " + name + ": " +
                                    ShownCaption({"", {}, widgets[i]}) + " overlaps " +
                                    ShownCaption({"", {}, widgets[j]})));
                // Group boxes and buttons stay apart too.
                const QList<QWidget*> children = window->findChildren<QWidget*>(Qt::FindDirectChildrenOnly);
                for (qsizetype i = 0; i < children.size(); ++i)
                    for (qsizetype j = i + 1; j < children.size(); ++j)
                        if (children[i]->isVisibleTo(window) && children[j]->isVisibleTo(window) &&
                            window != w.Form.get())
                            QVERIFY2(!children[i]->geometry().intersects(children[j]->geometry()),
                                qPrintable(QString::fromStdString(pack) + " / " + name + ": " +
                                    children[i]->metaObject()->className() + " overlaps " +
                                    children[j]->metaObject()->className()));
                if (open.ExtraChecks)
                    open.ExtraChecks();
            }
        }
    }

    void accessKeysDoNotClashWithinAMenu()
    {
        for (const std::string& pack : ShippedPacks()) {
            TShellWorld w;
            QVERIFY(w.Lang.LoadLanguage(pack));
            w.Form->LoadCaptions();
            for (QMenu* menu : {w.Form->GamePopupMenu, w.Form->SettingsPopupMenu, w.Form->HelpPopupMenu,
                     w.Form->PlayingFieldMenuItem}) {
                std::set<QChar> used;
                for (QAction* action : menu->actions()) {
                    if (action->isSeparator())
                        continue;
                    const QString text = action->text();
                    const qsizetype at = text.indexOf(QLatin1Char('&'));
                    if (at < 0 || at + 1 >= text.size())
                        continue;
                    const QChar key = text[at + 1].toLower();
                    QVERIFY2(used.insert(key).second,
                        qPrintable(QString::fromStdString(pack) + ": access key " + key + " twice"));
                }
            }
        }
    }

    void choosingAPackRecaptionsAndMissingKeysKeepTheBuiltInTexts()
    {
        const fs::path folder = fs::temp_directory_path() / ("stakor-walk-" + std::to_string(::getpid()));
        fs::remove_all(folder);
        fs::create_directories(folder);
        std::ofstream(folder / "Partial.lng") << "M00=&Los\nNG10= Art \nGrFC=Grafik\nMB7=Sicher?\n";
        TShellWorld w;
        TLanguage partial(w.Ini, folder);
        QVERIFY(partial.LoadLanguage("Partial"));
        w.Rebuild(partial);
        QCOMPARE(w.Form->StartMenuItem->text(), QStringLiteral("&Los\tF2"));
        QCOMPARE(w.Form->PauseMenuItem->text(), QStringLiteral("&Pause\tP"));
        QCOMPARE(w.Form->NameLabels[0]->text(), QStringLiteral("single"));
        TNewGameForm game(*w.Core);
        QCOMPARE(game.GameStyleGroupBox->title(), QStringLiteral(" Art "));
        QCOMPARE(game.windowTitle(), QStringLiteral("Choose new game"));
        TGraphicsForm graphics(*w.Core, nullptr);
        QCOMPARE(graphics.windowTitle(), QStringLiteral("Grafik"));
        QCOMPARE(graphics.GlassBgListBox->item(0)->text(), QStringLiteral("(without image)"));
        // Messages: the pack's text where it has one, the built-in one elsewhere.
        QCOMPARE(MessageText(partial, "MB7"), std::string("Sicher?"));
        QCOMPARE(MessageText(partial, "MB3"), std::string("A game is running. Quit anyway?"));
        fs::remove_all(folder);

        // Without any pack every message and prompt still has words.
        TLanguage none(w.Ini, folder);
        for (const char* key :
            {"MB1", "MB2", "MB3", "MB4", "MB5", "MB6", "MB7", "MB10", "MB11", "MB12", "MB13", "MB14"})
            QVERIFY2(!MessageText(none, key).empty(), key);

        // The close question of a window over a game without a pack.
        w.Rebuild(none);
        w.Core->Rules.StartGame();
        w.Answers.Answer = false;
        w.Form->close();
        QVERIFY(w.Answers.Logged("ask A game is running. Quit anyway?"));
        QTest::keyClick(w.Form.get(), Qt::Key_F2);
        QVERIFY(w.Answers.Logged("ask A game is running. Start a new one?"));
    }

    void switchingLanguageRecaptionsTheMainWindowAndTheNextDialog()
    {
        TShellWorld w;
        QAction* german = nullptr;
        for (QAction* item : w.Form->LanguageMenuItems)
            if (item->data().toString() == QStringLiteral("German"))
                german = item;
        QVERIFY(german);
        german->trigger();
        QCOMPARE(w.Ini.Language(), std::string("German"));
        QCOMPARE(w.Form->NewMenuItem->text(), QStringLiteral("&Neues Spiel...\tF3"));
        QCOMPARE(w.Form->NameLabels[5]->text(), QStringLiteral("Gesamt"));
        TNewGameForm form(*w.Core);
        QCOMPARE(form.Button2->text(), QStringLiteral("Abbrechen"));
        QCOMPARE(form.StyleRadioButtons[2]->text(), QStringLiteral("Kubrix (klassisch)"));
    }
};

namespace {
const TRegisterShellTests<LanguageWalkTest> Registered;
}

} // namespace stakor::test

#include "language_walk_test.moc"
