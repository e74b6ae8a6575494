#include "shell/forms/new_game_form.h"

#include <algorithm>

#include <QButtonGroup>
#include <QCheckBox>
#include <QGroupBox>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QSpinBox>

#include "engine/game.h"
#include "settings/ini.h"
#include "settings/language.h"
#include "settings/message_texts.h"
#include "shell/forms/dialogs.h"
#include "shell/game/game_core.h"

namespace stakor {

namespace {

// A spin box that lets a number beyond its bounds be typed (as the player
// may well do) and brings it to the nearer bound when the box is left or
// Enter is pressed; an empty box becomes its lower bound.
class TSpinEdit : public QSpinBox {
public:
    using QSpinBox::QSpinBox;

    QValidator::State validate(QString& input, int&) const override
    {
        const QString text = input.trimmed();
        if (text.isEmpty() || text == QStringLiteral("-"))
            return QValidator::Intermediate;
        bool number = false;
        const int value = text.toInt(&number);
        if (!number)
            return QValidator::Invalid;
        return value >= minimum() && value <= maximum() ? QValidator::Acceptable : QValidator::Intermediate;
    }

    void fixup(QString& input) const override
    {
        bool number = false;
        const int value = input.trimmed().toInt(&number);
        input = QString::number(number ? std::clamp(value, minimum(), maximum()) : minimum());
    }
};

QSpinBox* MakeSpinEdit(QWidget* group)
{
    auto* box = new TSpinEdit(group);
    box->setGeometry(66, 21, 55, 22);
    // Leaving the box brings a typed value back into range.
    box->setCorrectionMode(QAbstractSpinBox::CorrectToNearestValue);
    box->findChild<QLineEdit*>()->setMaxLength(2);
    return box;
}

} // namespace

TNewGameForm::TNewGameForm(TGameCore& core, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint), Core(core)
{
    setObjectName(QStringLiteral("TNewGameForm"));
    setWindowTitle(QStringLiteral("Choose new game"));
    setFixedSize(392, 229);
    UseDialogFont(this);

    GameStyleGroupBox = new QGroupBox(QStringLiteral(" Game style "), this);
    GameStyleGroupBox->setGeometry(8, 3, 377, 80);
    const char* styleNames[5] = {"Childish (very simple)", "Simple", "Kubrix (classical)", "Pentix", "V-uvod"};
    const QPoint stylePlaces[5] = {{8, 18}, {8, 36}, {8, 54}, {192, 18}, {192, 36}};
    auto* styles = new QButtonGroup(this);
    for (int i = 0; i < 5; ++i) {
        auto* radio = new QRadioButton(QString::fromUtf8(styleNames[i]), GameStyleGroupBox);
        radio->setGeometry(stylePlaces[i].x(), stylePlaces[i].y(), 177, 17);
        styles->addButton(radio, i + 1);
        StyleRadioButtons[static_cast<size_t>(i)] = radio;
    }
    // Tab goes into the figure sets at the chosen one, as into any radio
    // group; the arrow keys move the choice among them.
    const auto tabToChosen = [this] {
        const bool anyChosen =
            std::any_of(StyleRadioButtons.begin(), StyleRadioButtons.end(), [](auto* r) { return r->isChecked(); });
        for (size_t i = 0; i < StyleRadioButtons.size(); ++i) {
            const bool tabStop = StyleRadioButtons[i]->isChecked() || (!anyChosen && i == 0);
            StyleRadioButtons[i]->setFocusPolicy(tabStop ? Qt::StrongFocus : Qt::ClickFocus);
        }
    };
    connect(styles, &QButtonGroup::buttonToggled, this, tabToChosen);
    QFont bold = StyleRadioButtons[4]->font();
    bold.setBold(true);
    StyleRadioButtons[4]->setFont(bold);

    StartingLevelGroupBox = new QGroupBox(QStringLiteral(" Starting level "), this);
    StartingLevelGroupBox->setGeometry(8, 88, 184, 56);
    StartingLevelSpinEdit = MakeSpinEdit(StartingLevelGroupBox);

    LinesOfTrashGroupBox = new QGroupBox(QStringLiteral(" Trash lines "), this);
    LinesOfTrashGroupBox->setGeometry(201, 88, 184, 56);
    LinesOfTrashSpinEdit = MakeSpinEdit(LinesOfTrashGroupBox);

    AdditionalOptionsGroupBox = new QGroupBox(QStringLiteral(" Additional options "), this);
    AdditionalOptionsGroupBox->setGeometry(8, 148, 377, 41);
    UpsideDownCheckBox = new QCheckBox(QStringLiteral("Upside-down"), AdditionalOptionsGroupBox);
    UpsideDownCheckBox->setGeometry(8, 16, 176, 17);

    Button1 = new QPushButton(QStringLiteral("OK"), this);
    Button1->setGeometry(99, 197, 90, 25);
    Button1->setDefault(true);
    Button2 = new QPushButton(QStringLiteral("Cancel"), this);
    Button2->setGeometry(203, 197, 90, 25);
    connect(Button1, &QPushButton::clicked, this, [this] { Button1Click(); });
    connect(Button2, &QPushButton::clicked, this, &QDialog::reject);

    CaptionTable = {
        {"NG0", QStringLiteral("Choose new game"), this, TCaptionKind::Title},
        {"NG1", QStringLiteral("Cancel"), Button2},
        {"NG10", QStringLiteral(" Game style "), GameStyleGroupBox},
        {"NG11", QString(), GameStyleGroupBox, TCaptionKind::Hint},
        {"NG12", QStringLiteral("Childish (very simple)"), StyleRadioButtons[0]},
        {"NG13", QStringLiteral("Simple"), StyleRadioButtons[1]},
        {"NG14", QStringLiteral("Kubrix (classical)"), StyleRadioButtons[2]},
        {"NG15", QStringLiteral("Pentix"), StyleRadioButtons[3]},
        {"NG16", QStringLiteral("V-uvod"), StyleRadioButtons[4]},
        {"NG20", QStringLiteral(" Starting level "), StartingLevelGroupBox},
        {"NG21", QString(), StartingLevelSpinEdit, TCaptionKind::Hint},
        {"NG30", QStringLiteral(" Trash lines "), LinesOfTrashGroupBox},
        {"NG31", QString(), LinesOfTrashSpinEdit, TCaptionKind::Hint},
        {"NG40", QStringLiteral(" Additional options "), AdditionalOptionsGroupBox},
        {"NG41", QStringLiteral("Upside-down"), UpsideDownCheckBox},
        {"NG42", QString(), UpsideDownCheckBox, TCaptionKind::Hint},
    };
    FormCreate();
    tabToChosen();
}

void TNewGameForm::FormCreate()
{
    LoadCaptions(Core.Lang, CaptionTable);
    GrowToFit(this, CaptionTable);
    FitGroupBoxes(this);
    LayOutButtonRow(this, {Button1, Button2}, Button1->y(), 14, true);

    const TIni& ini = Core.Ini;
    // No button is selected for a style outside 1..5.
    const int style = ini.GameStyle();
    if (style >= 1 && style <= 5)
        StyleRadioButtons[static_cast<size_t>(style - 1)]->setChecked(true);
    StartingLevelSpinEdit->setRange(1, MaxLevel);
    StartingLevelSpinEdit->setValue(ini.StartingLevel()); // out of range shows as the nearer bound
    LinesOfTrashSpinEdit->setRange(0, Core.Glass.Height() - 5);
    LinesOfTrashSpinEdit->setValue(ini.GlassTrash());
    UpsideDownCheckBox->setChecked(ini.UpSideDownMode());
}

int TNewGameForm::SpinValue(const QSpinBox* box)
{
    bool number = false;
    const int value = box->cleanText().trimmed().toInt(&number);
    if (!number)
        return box->minimum();
    // A number typed beyond a bound and confirmed with Enter would otherwise
    // reach the settings as typed; the game has no level or rows beyond.
    return std::clamp(value, box->minimum(), box->maximum());
}

void TNewGameForm::Button1Click()
{
    RunGuarded(
        [this] {
            if (Core.Game.Running && !Core.Dialogs.Questions.AskYesNo(MessageText(Core.Lang, "MB7")))
                return; // the dialog stays open, the game paused
            TIni& ini = Core.Ini;
            for (int style = 1; style <= 5; ++style)
                if (StyleRadioButtons[static_cast<size_t>(style - 1)]->isChecked())
                    ini.SetGameStyle(style);
            ini.SetStartingLevel(SpinValue(StartingLevelSpinEdit));
            ini.SetGlassTrash(SpinValue(LinesOfTrashSpinEdit));
            ini.SetUpSideDownMode(UpsideDownCheckBox->isChecked());
            accept();
            Core.Rules.StopGame(); // no high-score entry for the game given up
            Core.Rules.StartGame();
        },
        [this](
            const std::string& error) { Core.Dialogs.Messages.ShowMessage(error, ProgramTitle.toStdString(), true); });
}

} // namespace stakor
