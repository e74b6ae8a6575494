#include "shell/forms/keys_form.h"

#include <algorithm>
#include <exception>

#include <QKeyEvent>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>

#include "settings/ini.h"
#include "settings/language.h"
#include "shell/forms/dialogs.h"

namespace stakor {

namespace {

constexpr const char* LabelKeys[KeyActionCount] = {"KyFL1", "KyFL2", "KyFL3", "KyFL4", "KyFL5", "KyFL6"};
constexpr const char* LabelTexts[KeyActionCount] = {
    "Move left", "Move right", "Turn", "Turn the other way", "Fast drop", "Pause"};

constexpr int RowHeight = 28;
constexpr int KeyButtonWidth = 130;

} // namespace

TKeysForm::TKeysForm(TIni& ini, const TLanguage& lang, QWidget* parent)
    : QDialog(parent,
          Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
              Qt::WindowCloseButtonHint),
      Ini(ini),
      Lang(lang),
      Chosen(TPlayerKeys::FromSettings(ini))
{
    setObjectName(QStringLiteral("TKeysForm"));
    setModal(true);
    UseDialogFont(this);
    setFixedSize(300, 8 + KeyActionCount * RowHeight + 36 + 31);

    for (int i = 0; i < KeyActionCount; ++i) {
        const int top = 8 + i * RowHeight;
        ActionLabels[static_cast<size_t>(i)] = new QLabel(this);
        ActionLabels[static_cast<size_t>(i)]->move(8, top + 4);
        auto* button = new QPushButton(this);
        button->setObjectName(QStringLiteral("KeyButton%1").arg(i + 1));
        button->setGeometry(162, top, KeyButtonWidth, 23);
        button->setAutoDefault(false);
        button->installEventFilter(this);
        connect(button, &QPushButton::clicked, this, [this, i] { ChooseKey(static_cast<TKeyAction>(i)); });
        KeyButtons[static_cast<size_t>(i)] = button;
    }
    MessageLabel = new QLabel(this);
    MessageLabel->setObjectName(QStringLiteral("MessageLabel"));
    MessageLabel->setGeometry(8, 8 + KeyActionCount * RowHeight, 284, 30);
    MessageLabel->setWordWrap(true);
    DefaultsButton = new QPushButton(this);
    DefaultsButton->setObjectName(QStringLiteral("DefaultsButton"));
    OkButton = new QPushButton(this);
    OkButton->setObjectName(QStringLiteral("OkButton"));
    OkButton->setDefault(true);
    CancelButton = new QPushButton(this);
    CancelButton->setObjectName(QStringLiteral("CancelButton"));
    for (QPushButton* button : {DefaultsButton, OkButton, CancelButton}) {
        button->resize(80, 23);
        button->installEventFilter(this);
        if (button != OkButton)
            button->setAutoDefault(false);
    }
    connect(DefaultsButton, &QPushButton::clicked, this, &TKeysForm::DefaultsButtonClick);
    connect(OkButton, &QPushButton::clicked, this, &TKeysForm::OkButtonClick);
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);

    CaptionTable = {{"KyFC", QStringLiteral("Keys"), this, TCaptionKind::Title}};
    for (size_t i = 0; i < KeyActionCount; ++i)
        CaptionTable.push_back({LabelKeys[i], QString::fromLatin1(LabelTexts[i]), ActionLabels[i]});
    CaptionTable.push_back({"KyFDefB", QStringLiteral("Defaults"), DefaultsButton});
    CaptionTable.push_back({"KyFOkB", QStringLiteral("Ok"), OkButton});
    CaptionTable.push_back({"KyFCnB", QStringLiteral("Cancel"), CancelButton});
    for (const TCaptionTarget& target : CaptionTable)
        SetCaption(target, target.BuiltIn);
    LoadCaptions();
    ShowKeys();
}

void TKeysForm::LoadCaptions()
{
    stakor::LoadCaptions(Lang, CaptionTable);
    int column = 162;
    for (QLabel* label : ActionLabels) {
        label->adjustSize();
        column = std::max(column, label->geometry().right() + 12);
    }
    // The keys' buttons take the prompt they show while waiting.
    const int buttonWidth = std::max(
        KeyButtonWidth, KeyButtons[0]->fontMetrics().horizontalAdvance(Text("KyFPrs", "Press a key...")) + 16);
    for (QPushButton* button : KeyButtons)
        button->setGeometry(column, button->y(), buttonWidth, button->height());
    if (column + buttonWidth + 8 > width())
        setFixedWidth(column + buttonWidth + 8);
    MessageLabel->resize(width() - 16, MessageLabel->height());
    LayOutButtonRow(this, {DefaultsButton, OkButton, CancelButton}, height() - 31, 8, false);
    MessageLabel->resize(width() - 16, MessageLabel->height());
}

QString TKeysForm::Text(const char* key, const char* builtIn) const
{
    if (const auto text = Lang.FindText(key); text && !text->empty())
        return FromPack(*text);
    return QString::fromUtf8(builtIn);
}

void TKeysForm::ShowKeys()
{
    for (size_t i = 0; i < KeyActionCount; ++i) {
        const QKeyCombination key = Chosen.Key(static_cast<TKeyAction>(i));
        // "&" would mark an access key on the button instead of showing.
        KeyButtons[i]->setText(
            key.key() == Qt::Key_unknown ? QString() : KeyCaption(key).replace(QLatin1Char('&'), QStringLiteral("&&")));
    }
}

void TKeysForm::ChooseKey(TKeyAction action)
{
    ShowKeys();
    WaitingFor = action;
    QPushButton* button = KeyButtons[static_cast<size_t>(action)];
    button->setText(Text("KyFPrs", "Press a key..."));
    button->setFocus();
    MessageLabel->clear();
}

bool TKeysForm::TakeKey(const QKeyEvent& event)
{
    if (!WaitingFor)
        return false;
    if (IsModifierKey(event.key()))
        return true; // Shift, Ctrl and the like wait for the key they go with
    const TKeyAction action = *WaitingFor;
    WaitingFor.reset();
    const QKeyCombination key(event.modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier |
                                                      Qt::MetaModifier | Qt::KeypadModifier),
        static_cast<Qt::Key>(event.key()));
    TKeyAction usedBy = action;
    switch (Chosen.Check(action, key, &usedBy)) {
    case TKeyRefusal::Reserved:
        MessageLabel->setText(Text("KyFRsv", "The game needs this key itself."));
        break;
    case TKeyRefusal::Used: {
        QString text = Text("KyFUsed", "This key already does \"%s\".");
        QString name = ActionLabels[static_cast<size_t>(usedBy)]->text();
        text.replace(QStringLiteral("%s"), name.remove(QLatin1Char('&')));
        MessageLabel->setText(text);
        break;
    }
    case TKeyRefusal::None:
        Chosen.SetKey(action, key);
        MessageLabel->clear();
        break;
    }
    ShowKeys();
    return true;
}

bool TKeysForm::eventFilter(QObject* watched, QEvent* event)
{
    // While waiting, every key is the one chosen: Tab, Enter and Esc too,
    // which would otherwise move the focus or close the dialog.
    if (WaitingFor && (event->type() == QEvent::KeyPress || event->type() == QEvent::ShortcutOverride)) {
        if (event->type() == QEvent::ShortcutOverride) {
            event->accept();
            return true;
        }
        return TakeKey(static_cast<const QKeyEvent&>(*event));
    }
    return QDialog::eventFilter(watched, event);
}

void TKeysForm::keyPressEvent(QKeyEvent* event)
{
    if (TakeKey(*event))
        return;
    QDialog::keyPressEvent(event);
}

void TKeysForm::DefaultsButtonClick()
{
    WaitingFor.reset();
    Chosen = TPlayerKeys::Defaults();
    MessageLabel->clear();
    ShowKeys();
}

void TKeysForm::OkButtonClick()
{
    try {
        Chosen.Store(Ini);
    } catch (const std::exception& error) {
        // A refused write ends the command in the standard error box.
        QMessageBox box(
            QMessageBox::Critical, ProgramTitle, QString::fromStdString(error.what()), QMessageBox::Ok, this);
        box.exec();
    }
    accept();
}

} // namespace stakor
