#include <QtTest>

#include <QCheckBox>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QToolButton>

#include <filesystem>
#include <fstream>
#include <unistd.h>

#include "glass/glass.h"
#include "shell/forms/graphics_form.h"
#include "shell_tests.h"
#include "shell_world.h"

namespace stakor::test {

namespace fs = std::filesystem;

// Counts what reaches the screen.
class TCountingDisplay : public IDisplay {
public:
    int Glass = 0;
    int Next = 0;
    void ShowGlass(const TBitmap&, const TPixelRect&) override { ++Glass; }
    void ShowPanel(TPanel panel, const TBitmap&) override { Next += panel == TPanel::Next ? 1 : 0; }
    void ShowLineCounts(const TGame&) override {}
    void Wait(int) override {}
};

// The game over a program folder of its own: the shipped skins and
// backgrounds plus a damaged skin, a damaged and a cut-off background, a
// text file and a folder that look like pictures by name.
struct TGraphicsWorld {
    TGraphicsWorld(const std::function<void(TIni&)>& prepare = {})
        : Dir(fs::temp_directory_path() / ("stakor-graphics-" + std::to_string(::getpid())))
    {
        fs::remove_all(Dir);
        fs::create_directories(Dir);
        const fs::path data = STAKOR_SOURCE_DATA_DIR;
        for (const char* folder : {"Skin", "Background"})
            fs::copy(data / folder, Dir / folder, fs::copy_options::recursive);
        std::ofstream(Dir / "Skin" / "broken.bmp", std::ios::binary) << "BM not really a picture";
        QImage tiny(30, 10, QImage::Format_RGB888); // not one whole tile
        tiny.fill(Qt::red);
        tiny.save(QString::fromStdString((Dir / "Skin" / "tiny.bmp").string()));
        std::ofstream(Dir / "Background" / "junk.JPG", std::ios::binary) << "no picture at all";
        std::ifstream whole(data / "Background" / "dusk.jpg", std::ios::binary);
        std::string bytes{std::istreambuf_iterator<char>(whole), std::istreambuf_iterator<char>()};
        std::ofstream(Dir / "Background" / "cut.jpeg", std::ios::binary) << bytes.substr(0, bytes.size() / 3);
        std::ofstream(Dir / "Background" / "notes.txt") << "not listed";
        fs::create_directories(Dir / "Background" / "folder.bmp");
        fs::create_directories(Dir / "elsewhere");
        fs::copy(data / "Background" / "tiles.bmp", Dir / "elsewhere" / "mine.bmp");

        World = std::make_unique<TShellWorld>(std::nullopt, 1, prepare);
        TShellWorld& w = *World;
        w.Rebuild(w.Lang, Dir);
        w.Answers.Log.clear();
    }
    ~TGraphicsWorld()
    {
        World.reset();
        fs::remove_all(Dir);
    }

    std::unique_ptr<TGraphicsForm> Open()
    {
        auto form = std::make_unique<TGraphicsForm>(*World->Core, World->Form->ShowGridMenuItem, Choosers);
        form->show();
        [&] { QVERIFY(QTest::qWaitForWindowExposed(form.get())); }();
        return form;
    }

    std::string Full(const char* name) const { return (Dir / "Background" / name).string(); }

    fs::path Dir;
    std::unique_ptr<TShellWorld> World;
    TGraphicsChoosers Choosers;
};

class GraphicsFormTest : public QObject {
    Q_OBJECT

private:
    static QStringList Items(const QListWidget* list)
    {
        QStringList items;
        for (int i = 0; i < list->count(); ++i)
            items << list->item(i)->text();
        return items;
    }
    static QString Selected(const QListWidget* list)
    {
        const QList<QListWidgetItem*> selected = list->selectedItems();
        return selected.isEmpty() ? QString() : selected.front()->text();
    }
    static void Click(QListWidget* list, const QString& text)
    {
        const QList<QListWidgetItem*> found = list->findItems(text, Qt::MatchExactly);
        QCOMPARE(found.size(), 1);
        list->scrollToItem(found.front());
        QTest::mouseClick(list->viewport(), Qt::LeftButton, {}, list->visualItemRect(found.front()).center());
    }
    static int32_t At(const TBitmap& bitmap, int x, int y)
    {
        const TPixel p = bitmap.Pixel(x, y);
        return p.R | (p.G << 8) | (p.B << 16);
    }

private slots:
    void listsFromTheFoldersAndSelectionsAgainstTheSettings()
    {
        TGraphicsWorld g; // the default background is the relative "Background/bluewave.jpg"
        TShellWorld& w = *g.World;
        auto form = g.Open();
        QCOMPARE(Items(form->GlassBgListBox),
            (QStringList{"(without image)", "bluewave.jpg", "cut.jpeg", "dusk.jpg", "grid.bmp", "junk.JPG",
                "nightsky.jpg", "tiles.bmp"}));
        QCOMPARE(Items(form->GlassSkinListBox),
            (QStringList{"broken.bmp", "flat.bmp", "gems.bmp", "hollow.bmp", "marble.bmp", "pixel.bmp", "squares.bmp",
                "tiny.bmp"}));
        QCOMPARE(Selected(form->GlassBgListBox), QString()); // the list compares full paths
        QCOMPARE(Selected(form->GlassSkinListBox), QStringLiteral("squares.bmp"));
        QVERIFY(!form->Changed());

        // The focus alone chooses nothing.
        form->GlassBgListBox->setFocus();
        QVERIFY(!form->Changed());

        // Choosing the same file in the list stores its full path.
        Click(form->GlassBgListBox, QStringLiteral("bluewave.jpg"));
        QVERIFY(form->Changed());
        QCOMPARE(form->Working().BgFileName, g.Full("bluewave.jpg"));
        QTest::mouseClick(form->OkButton, Qt::LeftButton);
        QCOMPARE(form->result(), int(QDialog::Accepted));
        QCOMPARE(w.Ini.GlassBgFileName(), g.Full("bluewave.jpg"));
        QCOMPARE(Selected(g.Open()->GlassBgListBox), QStringLiteral("bluewave.jpg"));

        // Without regard to case when the list shows the settings...
        w.Ini.SetGlassBgFileName(QString::fromStdString(g.Full("DUSK.JPG")).toUpper().toStdString());
        w.Ini.SetGlassFontFileName("GEMS.bmp");
        form = g.Open();
        QCOMPARE(Selected(form->GlassBgListBox), QStringLiteral("dusk.jpg"));
        QCOMPARE(Selected(form->GlassSkinListBox), QStringLiteral("gems.bmp"));
        // ...but exactly when an item is clicked: the same skin in other case is a change.
        Click(form->GlassSkinListBox, QStringLiteral("gems.bmp"));
        QVERIFY(form->Changed());
        QCOMPARE(form->Working().SkinFileName, std::string("gems.bmp"));

        // Missing folders give lists with only "(without image)" or nothing.
        fs::remove_all(g.Dir / "Background");
        fs::remove_all(g.Dir / "Skin");
        form = g.Open();
        QCOMPARE(Items(form->GlassBgListBox), QStringList{"(without image)"});
        QCOMPARE(form->GlassSkinListBox->count(), 0);
    }

    void okCancelApplyAndChanged()
    {
        TGraphicsWorld g([](TIni& ini) { ini.SetGlassBgColor(0x102030); });
        TShellWorld& w = *g.World;
        TCountingDisplay counter;
        w.Core->Display.Target = &counter;
        const std::string iniBefore = w.Ini.GlassBgFileName();

        // Ok untouched: nothing stored, nothing drawn.
        auto form = g.Open();
        form->OkButtonClick();
        QCOMPARE(form->result(), int(QDialog::Accepted));
        QCOMPARE(counter.Glass, 0);

        // A colour chosen and cancelled leaves the settings and the glass alone.
        int asked = 0;
        int32_t preselected = -1;
        g.Choosers.ChooseColor = [&](QWidget*, int32_t current) -> std::optional<int32_t> {
            ++asked;
            preselected = current;
            return 0x0000FF;
        };
        form = g.Open();
        QTest::mousePress(form->GlassBgLabel, Qt::RightButton, {}, QPoint(5, 5)); // any button, on the label too
        QCOMPARE(asked, 1);
        QCOMPARE(preselected, 0x102030);
        QVERIFY(form->Changed());
        QCOMPARE(form->Working().BgColor, 0x0000FF);
        QCOMPARE(form->GlassBgShape->palette().color(QPalette::Window), QColor(255, 0, 0));
        QCOMPARE(form->GlassBgLabel->palette().color(QPalette::WindowText), QColor(0x55, 0xAA, 0xAA)); // XOR 0xAAAAAA
        QTest::keyClick(form.get(), Qt::Key_Escape);
        QCOMPARE(form->result(), int(QDialog::Rejected));
        QCOMPARE(w.Ini.GlassBgColor(), 0x102030);
        QCOMPARE(counter.Glass, 0);

        // The same colour chosen again still counts as a change; Apply twice
        // stores and draws once.
        g.Choosers.ChooseColor = [](QWidget*, int32_t current) -> std::optional<int32_t> { return current; };
        form = g.Open();
        QTest::mousePress(form->GlassGridShape, Qt::LeftButton);
        QVERIFY(form->Changed());
        form->ApplyButtonClick();
        QVERIFY(!form->Changed());
        const int drawn = counter.Glass;
        QVERIFY(drawn > 0);
        form->ApplyButtonClick();
        QCOMPARE(counter.Glass, drawn);
        // What Apply stored stays when the dialog is cancelled afterwards.
        QTest::mouseClick(form->StretchGlassBgCheckBox, Qt::LeftButton, {}, QPoint(4, 8));
        QVERIFY(form->Changed());
        form->ApplyButtonClick();
        const bool stretch = w.Ini.GlassBgStretch();
        QTest::mouseClick(form->GlassGridCheckBox, Qt::LeftButton, {}, QPoint(4, 8));
        form->reject();
        QCOMPARE(w.Ini.GlassBgStretch(), stretch);
        QVERIFY(w.Ini.GlassShowGrid()); // the unapplied grid change was dropped
        QCOMPARE(w.Ini.GlassBgFileName(), iniBefore);
        w.Core->Display.Target = w.Form.get();
    }

    void withoutImageAndWithoutGridAtOnce()
    {
        TGraphicsWorld g([](TIni& ini) {
            ini.SetGlassBgColor(0x224466);
            ini.SetGlassGridColor(0x00FF00);
        });
        TShellWorld& w = *g.World;
        const TBitmap& background = w.Core->Glass.Background;
        QVERIFY(w.Form->ShowGridMenuItem->isChecked());
        QCOMPARE(At(background, 19, 5), 0x00FF00); // a grid line

        auto form = g.Open();
        Click(form->GlassBgListBox, QStringLiteral("(without image)"));
        QTest::mouseClick(form->GlassGridCheckBox, Qt::LeftButton, {}, QPoint(4, 8));
        QVERIFY(!form->Working().ShowGrid);
        QTest::mouseClick(form->ApplyButton, Qt::LeftButton);
        QCOMPARE(w.Ini.GlassBgFileName(), std::string());
        QVERIFY(!w.Ini.GlassShowGrid());
        QVERIFY(!w.Form->ShowGridMenuItem->isChecked());
        // The plain colour everywhere, grid lines gone.
        for (const auto& [x, y] : std::vector<std::pair<int, int>>{{0, 0}, {19, 5}, {5, 19}, {100, 200}})
            QCOMPARE(At(background, x, y), 0x224466);
        QCOMPARE(At(w.Core->Glass.Bitmap, 19, 5), 0x224466); // and drawn into the glass
    }

    void aPictureFromAnotherFolderKeepsItsFullPath()
    {
        TGraphicsWorld g;
        TShellWorld& w = *g.World;
        const std::string mine = (g.Dir / "elsewhere" / "mine.bmp").string();
        g.Choosers.ChoosePicture = [&](QWidget*) -> std::optional<QString> { return QString::fromStdString(mine); };
        auto form = g.Open();
        Click(form->GlassBgListBox, QStringLiteral("grid.bmp"));
        QTest::mouseClick(form->BgBrowseButton, Qt::LeftButton);
        QCOMPARE(Selected(form->GlassBgListBox), QString());
        QCOMPARE(form->Working().BgFileName, mine);
        form->OkButtonClick();
        QCOMPARE(w.Ini.GlassBgFileName(), mine);
        QCOMPARE(Selected(g.Open()->GlassBgListBox), QString());

        // A cancelled picture dialog changes nothing.
        g.Choosers.ChoosePicture = [](QWidget*) -> std::optional<QString> { return std::nullopt; };
        form = g.Open();
        QTest::mouseClick(form->BgBrowseButton, Qt::LeftButton);
        QVERIFY(!form->Changed());
    }

    void picturesThatFailAtApply()
    {
        TGraphicsWorld g;
        TShellWorld& w = *g.World;
        for (const char* bad : {"junk.JPG", "cut.jpeg"}) {
            auto form = g.Open();
            Click(form->GlassBgListBox, QString::fromLatin1(bad));
            form->OkButtonClick();
            QCOMPARE(w.Ini.GlassBgFileName(), std::string()); // dropped from the settings
            QCOMPARE(Selected(g.Open()->GlassBgListBox), QStringLiteral("(without image)"));
            w.Ini.SetGlassBgFileName("Background/bluewave.jpg");
        }
        // Not a picture at all, picked with the browse button.
        g.Choosers.ChoosePicture = [&](QWidget*) -> std::optional<QString> {
            return QString::fromStdString((g.Dir / "Background" / "notes.txt").string());
        };
        auto form = g.Open();
        QTest::mouseClick(form->BgBrowseButton, Qt::LeftButton);
        form->ApplyButtonClick();
        QCOMPARE(w.Ini.GlassBgFileName(), std::string());

        // A damaged skin, or one without a whole tile set: the skin message,
        // and the skin in use stays.
        const std::vector<uint8_t> skinBefore = w.Core->Glass.Skin().Pixels;
        for (const char* bad : {"broken.bmp", "tiny.bmp"}) {
            w.Answers.Log.clear();
            form = g.Open();
            Click(form->GlassSkinListBox, QString::fromLatin1(bad));
            form->OkButtonClick();
            QCOMPARE(w.Answers.Log,
                std::vector<std::string>{"message " + w.Lang.GetText("MB2") + ": " + w.Lang.GetText("MB1")});
            QVERIFY(w.Core->Glass.Skin().Pixels == skinBefore);
        }
    }

    void aPausedGameRedrawsDimmedAndTheNextFigureTakesTheSkin()
    {
        TGraphicsWorld g;
        TShellWorld& w = *g.World;
        w.Core->Rules.StartGame();
        w.Core->Rules.PauseGame();
        const std::vector<uint8_t> nextBefore = w.Core->View.NextFigImage().Pixels;
        const std::vector<uint8_t> glassBefore = w.Core->Glass.Bitmap.Pixels;
        auto form = g.Open();
        Click(form->GlassSkinListBox, QStringLiteral("gems.bmp"));
        form->ApplyButtonClick();
        QVERIFY(w.Core->View.NextFigImage().Pixels != nextBefore);
        QVERIFY(w.Core->Game.Paused);

        // The paused glass is drawn as a pause draws it, only with the new skin.
        const std::vector<uint8_t> glassAfter = w.Core->Glass.Bitmap.Pixels;
        w.Core->Rules.DrawGlass();
        QVERIFY(w.Core->Glass.Bitmap.Pixels == glassAfter);
        QVERIFY(glassAfter == glassBefore); // the glass is empty under the pause: only the skin changed
    }
};

namespace {
const TRegisterShellTests<GraphicsFormTest> Registered;
}

} // namespace stakor::test

#include "graphics_form_test.moc"
