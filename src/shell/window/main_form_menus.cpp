// The three popup menus, their captions and marks, and the commands behind them.
#include "shell/window/main_form.h"

#include <cstdio>
#include <exception>
#include <tuple>
#include <utility>

#include <QActionGroup>
#include <QApplication>

#include "audio/sound.h"
#include "settings/ini.h"
#include "settings/language.h"
#include "shell/desktop/window_system.h"
#include "shell/forms/about_form.h"
#include "shell/forms/dialogs.h"
#include "shell/forms/graphics_form.h"
#include "shell/forms/keys_form.h"
#include "shell/forms/new_game_form.h"
#include "shell/forms/pack_locale.h"
#include "shell/forms/records_form.h"
#include "shell/game/game_core.h"
#include "shell/window/disguise.h"

namespace stakor {

namespace {

// A pack name as a menu caption: lower case with a capital first letter,
// only A to Z changing case.
QString LanguageCaption(const std::string& name)
{
    std::string caption = name;
    for (char& c : caption)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    if (!caption.empty() && caption[0] >= 'a' && caption[0] <= 'z')
        caption[0] = static_cast<char>(caption[0] - 'a' + 'A');
    return FromPack(caption);
}

std::string Lower(std::string text)
{
    for (char& c : text)
        if (c >= 'A' && c <= 'Z')
            c = static_cast<char>(c - 'A' + 'a');
    return text;
}

constexpr const char* LabelKeys[6] = {"MW0", "MW1", "MW2", "MW3", "MW4", "MW5"};
constexpr const char* LabelTexts[6] = {"single", "double", "triple", "quadruple", "quintuple", "total"};

} // namespace

// ---- Menus ------------------------------------------------------------------

void TMainForm::CreateMenus()
{
    // The shortcuts only show in the menus: the key handler does the work.
    const auto item = [this](QMenu* menu, const char* caption, const char* shortcut, void (TMainForm::*handler)()) {
        QAction* action = menu->addAction(QString::fromUtf8(caption));
        action->setProperty("shortcutText", QString::fromUtf8(shortcut));
        if (*shortcut)
            action->setText(action->text() + QLatin1Char('\t') + QString::fromUtf8(shortcut));
        connect(
            action, &QAction::triggered, this, [this, handler] { Guarded([this, handler] { (this->*handler)(); }); });
        return action;
    };

    GamePopupMenu = new QMenu(this);
    StartMenuItem = item(GamePopupMenu, "&Start", "F2", &TMainForm::StartGameMenuItemClick);
    NewMenuItem = item(GamePopupMenu, "&New...", "F3", &TMainForm::NewMenuItemClick);
    PauseMenuItem = item(GamePopupMenu, "&Pause", "P", &TMainForm::PauseMenuItemClick);
    GamePopupMenu->addSeparator();
    HighScoresMenuItem = item(GamePopupMenu, "&High scores", "Alt+H", &TMainForm::RecordsMenuItemClick);
    GamePopupMenu->addSeparator();
    PlayingFieldMenuItem = GamePopupMenu->addMenu(QStringLiteral("Playing &field"));
    NormalMenuItem = item(PlayingFieldMenuItem, "&Normal (12x18)", "", &TMainForm::NormalMenuItemClick);
    BigMenuItem = item(PlayingFieldMenuItem, "&Big (18x25)", "", &TMainForm::BigMenuItemClick);
    ModeGroup = new QActionGroup(this);
    for (QAction* mode : {NormalMenuItem, BigMenuItem}) {
        mode->setCheckable(true);
        ModeGroup->addAction(mode);
    }
    // Neither is checked when the stored size is neither.
    ModeGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    GamePopupMenu->addSeparator();
    ExitMenuItem = item(GamePopupMenu, "&Exit", "Alt+F4", &TMainForm::ExitMenuItemClick);

    SettingsPopupMenu = new QMenu(this);
    LanguageMenuItem = SettingsPopupMenu->addMenu(QStringLiteral("&Language"));
    LanguageGroup = new QActionGroup(this);
    LanguageGroup->setExclusionPolicy(QActionGroup::ExclusionPolicy::ExclusiveOptional);
    SettingsPopupMenu->addSeparator();
    GraphicsMenuItem = item(SettingsPopupMenu, "&Graphics...", "F4", &TMainForm::GraphicsMenuItemClick);
    ShowGridMenuItem = item(SettingsPopupMenu, "&Show grid", "Alt+G", &TMainForm::ShowGridMenuItemClick);
    ShowTimeMenuItem = item(SettingsPopupMenu, "Show &time", "Alt+T", &TMainForm::ShowTimeMenuItemClick);
    ShowShadowMenuItem = item(SettingsPopupMenu, "Landing s&hadow", "", &TMainForm::ShowShadowMenuItemClick);
    SettingsPopupMenu->addSeparator();
    RotateclockwiseMenuItem =
        item(SettingsPopupMenu, "&Rotate clockwise", "", &TMainForm::RotateClockwiseMenuItemClick);
    KeysMenuItem = item(SettingsPopupMenu, "&Keys...", "", &TMainForm::KeysMenuItemClick);
    UseGamepadMenuItem = item(SettingsPopupMenu, "&Use gamepad", "", &TMainForm::UseGamepadMenuItemClick);
    SettingsPopupMenu->addSeparator();
    PlayMusicMenuItem = item(SettingsPopupMenu, "Play &music", "Alt+M", &TMainForm::PlayMusicMenuItemClick);
    PlaysoundsMenuItem = item(SettingsPopupMenu, "&Play sounds", "Alt+S", &TMainForm::PlaySoundsMenuItemClick);
    SettingsPopupMenu->addSeparator();
    HideMenuItem = item(SettingsPopupMenu, "Hide...", "F11", &TMainForm::HideMenuItemClick);
    for (QAction* check : {ShowGridMenuItem, ShowTimeMenuItem, RotateclockwiseMenuItem, PlayMusicMenuItem,
             PlaysoundsMenuItem, HideMenuItem, ShowShadowMenuItem, UseGamepadMenuItem})
        check->setCheckable(true);

    HelpPopupMenu = new QMenu(this);
    ContentsMenuItem = item(HelpPopupMenu, "&Contents", "", &TMainForm::ContentsMenuItemClick);
    HelpPopupMenu->addSeparator();
    HomePageMenuItem = item(HelpPopupMenu, "&Home page", "", &TMainForm::HomePageMenuItemClick);
    AboutMenuItem = item(HelpPopupMenu, "&About...", "", &TMainForm::AboutMenuItemClick);
}

void TMainForm::TuneMainMenu()
{
    const TIni& ini = Core.Ini;
    NormalMenuItem->setChecked(ini.GlassMode() == 2);
    BigMenuItem->setChecked(ini.GlassMode() == 3);
    AddItemsToLanguageMenu();
    ShowGridMenuItem->setChecked(ini.GlassShowGrid());
    ShowTimeMenuItem->setChecked(ini.GlassShowTime());
    RotateclockwiseMenuItem->setChecked(ini.FigureRotateClockWise());
    PlayMusicMenuItem->setChecked(ini.PlayMusic());
    PlaysoundsMenuItem->setChecked(ini.PlaySound());
    HideMenuItem->setChecked(ini.BossEnable());
    ShowShadowMenuItem->setChecked(ini.ShowShadow());
    UseGamepadMenuItem->setChecked(ini.UseGamepad());
}

void TMainForm::AddItemsToLanguageMenu()
{
    std::vector<QString> seen;
    for (const std::string& name : Core.Lang.LanguageNames()) {
        const QString caption = LanguageCaption(name);
        // Two files whose names differ only in case would give two equal items.
        if (std::find(seen.begin(), seen.end(), caption) != seen.end())
            continue;
        seen.push_back(caption);
        QAction* action = LanguageMenuItem->addAction(QString(caption).replace(QLatin1Char('&'), QStringLiteral("&&")));
        action->setData(caption);
        action->setCheckable(true);
        action->setChecked(Lower(name) == Lower(Core.Ini.Language()));
        if (action->isChecked())
            LanguageInForce = action;
        LanguageGroup->addAction(action);
        connect(action, &QAction::triggered, this, [this, action] { Guarded([&] { LanguageMenuItemClick(action); }); });
        LanguageMenuItems.push_back(action);
    }
}

TCaptionTable TMainForm::Captions() const
{
    TCaptionTable table;
    for (size_t i = 0; i < NameLabels.size(); ++i)
        table.push_back({LabelKeys[i], QString::fromLatin1(LabelTexts[i]), NameLabels[i]});
    const std::tuple<QAction*, const char*, const char*> items[] = {
        {StartMenuItem, "M00", "&Start"},
        {NewMenuItem, "M01", "&New..."},
        {PauseMenuItem, "M02", "&Pause"},
        {HighScoresMenuItem, "M03", "&High scores"},
        {PlayingFieldMenuItem->menuAction(), "M04", "Playing &field"},
        {NormalMenuItem, "M05", "&Normal (12x18)"},
        {BigMenuItem, "M06", "&Big (18x25)"},
        {ExitMenuItem, "M07", "&Exit"},
        {LanguageMenuItem->menuAction(), "M10", "&Language"},
        {GraphicsMenuItem, "M11", "&Graphics..."},
        {ShowGridMenuItem, "M12", "&Show grid"},
        {ShowTimeMenuItem, "M13", "Show &time"},
        {RotateclockwiseMenuItem, "M14", "&Rotate clockwise"},
        {PlayMusicMenuItem, "M15", "Play &music"},
        {PlaysoundsMenuItem, "M16", "&Play sounds"},
        {HideMenuItem, "M17", "Hide..."},
        {KeysMenuItem, "M18", "&Keys..."},
        {UseGamepadMenuItem, "M19", "&Use gamepad"},
        {ShowShadowMenuItem, "M1A", "Landing s&hadow"},
        {ContentsMenuItem, "M20", "&Contents"},
        {HomePageMenuItem, "M22", "&Home page"},
        {AboutMenuItem, "M23", "&About..."},
    };
    for (const auto& [action, key, builtIn] : items)
        table.push_back({key, QString::fromLatin1(builtIn), action, TCaptionKind::MenuItem});
    return table;
}

void TMainForm::LoadCaptions()
{
    // The language items keep the pack names, and the window its title.
    stakor::LoadCaptions(Core.Lang, Captions());
    PlaceLabels();
}

// ---- Commands ----------------------------------------------------------------------

void TMainForm::RunModal(const std::function<void()>& dialog)
{
    Core.Control.RunModal(dialog);
}

int TMainForm::ShowModal(QDialog& dialog)
{
    return RunDialog ? RunDialog(dialog) : dialog.exec();
}

void TMainForm::StartGameMenuItemClick()
{
    Core.Control.StartGameMenuItemClick();
}

void TMainForm::NewMenuItemClick()
{
    Core.Control.NewMenuItemClick([this] {
        TNewGameForm form(Core, this);
        ShowModal(form);
    });
}

void TMainForm::PauseMenuItemClick()
{
    Core.Control.PauseMenuItemClick();
}

void TMainForm::RecordsMenuItemClick()
{
    RunModal([this] {
        TRecordsForm form(Core.Records, Core.Random, Core.Lang, Core.Ini.GameStyle(), Desktop.OpenUrl, this);
        ShowModal(form);
    });
}

bool TMainForm::SetMode(int mode)
{
    const int w0 = Core.Glass.Bitmap.Width, h0 = Core.Glass.Bitmap.Height;
    return Core.Control.SetMode(mode, [&] {
        // The window grows or shrinks by what the glass did, around its middle.
        const int dw = Core.Glass.Bitmap.Width - w0, dh = Core.Glass.Bitmap.Height - h0;
        QRect bounds(x() - dw / 2, y() - dh / 2, width() + dw, height() + dh);
        if (bounds.left() < 0)
            bounds.moveLeft(5);
        if (bounds.top() < 0)
            bounds.moveTop(5);
        LoadImageSet(mode);
        WindowShape_ = stakor::WindowShape(mode);
        Areas = BuildHotAreas(WindowShape_, Core.Images, QSize(Core.Glass.Bitmap.Width, Core.Glass.Bitmap.Height));
        setFixedSize(bounds.size());
        move(bounds.topLeft());
        WindowSystem().Shape(*this, WindowShape_);
        Core.View.InitLifeBar();
        PlaceLabels();
        Core.View.Present(); // with the time box, when shown
        update();
    });
}

void TMainForm::ReportRefusedWrite(const std::string& text)
{
    // One box per session: a folder that refuses one write refuses them all.
    if (std::exchange(RefusedWriteReported, true))
        return;
    std::fprintf(stderr, "%s: %s\n", qPrintable(ProgramTitle), text.c_str());
    QTimer::singleShot(
        0, this, [this, text] { Core.Dialogs.Messages.ShowMessage(text, ProgramTitle.toStdString(), true); });
}

void TMainForm::NormalMenuItemClick()
{
    if (Core.Ini.GlassMode() != 2)
        SetMode(2);
    NormalMenuItem->setChecked(Core.Ini.GlassMode() == 2);
    BigMenuItem->setChecked(Core.Ini.GlassMode() == 3);
}

void TMainForm::BigMenuItemClick()
{
    if (Core.Ini.GlassMode() != 3)
        SetMode(3);
    NormalMenuItem->setChecked(Core.Ini.GlassMode() == 2);
    BigMenuItem->setChecked(Core.Ini.GlassMode() == 3);
}

void TMainForm::ExitMenuItemClick()
{
    close();
}

void TMainForm::LanguageMenuItemClick(QAction* item)
{
    bool loaded = false;
    std::exception_ptr refusedWrite;
    try {
        loaded = Core.Lang.LoadLanguage(item->data().toString().toStdString());
    } catch (const TSettingsError&) {
        loaded = true; // the pack is in force; only its name could not be stored
        refusedWrite = std::current_exception();
    }
    if (loaded) {
        item->setChecked(true);
        LanguageInForce = item;
        LoadCaptions();
        UseQtTextsOfPack(Core.Lang, Core.Ini);
    } else {
        // The item checked itself when chosen; the mark goes back to the pack in force.
        item->setChecked(false);
        item->setVisible(false); // until the next start
        if (LanguageInForce)
            LanguageInForce->setChecked(true);
    }
    Core.Rules.DrawGlass();
    if (refusedWrite)
        std::rethrow_exception(refusedWrite);
}

void TMainForm::GraphicsMenuItemClick()
{
    RunModal([this] {
        TGraphicsForm form(Core, ShowGridMenuItem, {}, this);
        ShowModal(form);
    });
}

void TMainForm::ShowGridMenuItemClick()
{
    Core.Ini.SetGlassShowGrid(!Core.Ini.GlassShowGrid());
    ShowGridMenuItem->setChecked(Core.Ini.GlassShowGrid());
    Core.View.BuildBackground();
    Core.Rules.DrawGlass();
}

void TMainForm::ShowTimeMenuItemClick()
{
    Core.Ini.SetGlassShowTime(!Core.Ini.GlassShowTime());
    ShowTimeMenuItem->setChecked(Core.Ini.GlassShowTime());
    Core.Rules.DrawGlass();
}

void TMainForm::RotateClockwiseMenuItemClick()
{
    // The item has checked or unchecked itself; the Up key reads its mark.
    Core.Ini.SetFigureRotateClockWise(RotateclockwiseMenuItem->isChecked());
}

void TMainForm::PlayMusicMenuItemClick()
{
    Core.Ini.SetPlayMusic(!Core.Ini.PlayMusic());
    PlayMusicMenuItem->setChecked(Core.Ini.PlayMusic());
    if (Core.Ini.PlayMusic())
        Core.Sound.StartMusic();
    else
        Core.Sound.StopMusic();
}

void TMainForm::PlaySoundsMenuItemClick()
{
    Core.Ini.SetPlaySound(!Core.Ini.PlaySound());
    PlaysoundsMenuItem->setChecked(Core.Ini.PlaySound());
}

void TMainForm::HideMenuItemClick()
{
    RunModal([this] {
        Disguise_->OpenSettings();
        HideMenuItem->setChecked(Core.Ini.BossEnable());
    });
}

void TMainForm::ShowShadowMenuItemClick()
{
    Core.Ini.SetShowShadow(!Core.Ini.ShowShadow());
    ShowShadowMenuItem->setChecked(Core.Ini.ShowShadow());
    Core.Rules.DrawGlass();
}

void TMainForm::KeysMenuItemClick()
{
    RunModal([this] {
        TKeysForm form(Core.Ini, Core.Lang, this);
        ShowModal(form);
        Keys_ = TPlayerKeys::FromSettings(Core.Ini);
    });
}

void TMainForm::UseGamepadMenuItemClick()
{
    Core.Ini.SetUseGamepad(!Core.Ini.UseGamepad());
    UseGamepadMenuItem->setChecked(Core.Ini.UseGamepad());
    if (GamepadSwitched)
        GamepadSwitched(Core.Ini.UseGamepad());
}

void TMainForm::ContentsMenuItemClick()
{
    ShowHelp(0);
}

void TMainForm::HomePageMenuItemClick()
{
    Desktop.OpenUrl(HomePageUrl());
}

void TMainForm::AboutMenuItemClick()
{
    RunModal([this] {
        QIcon icon = QApplication::windowIcon();
        if (icon.isNull())
            icon = QIcon(QString::fromStdString((Core.ProgramDir / "icons" / "vexamo-stakor.png").string()));
        TAboutForm form(Core.Lang, icon, Desktop.OpenUrl, this);
        ShowModal(form);
    });
}

} // namespace stakor
