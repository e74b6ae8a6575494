#include "shell/forms/hide_form.h"

#include <algorithm>
#include <exception>

#include <QCheckBox>
#include <QFileDialog>
#include <QLabel>
#include <QLineEdit>
#include <QMessageBox>
#include <QPushButton>

#include "settings/ini.h"
#include "settings/language.h"
#include "shell/forms/dialogs.h"
#include "shell/forms/form_captions.h"

namespace stakor {

namespace {

// The password box takes at most this many characters, so a longer password
// could never be typed back.
constexpr int MaxPasswordLength = 255;

QLabel* MakeLabel(QWidget* parent, const char* name, int left, int top)
{
    auto* label = new QLabel(parent);
    label->setObjectName(QString::fromLatin1(name));
    label->move(left, top);
    return label;
}

QLineEdit* MakeEdit(QWidget* parent, const char* name, const QRect& place)
{
    auto* edit = new QLineEdit(parent);
    edit->setObjectName(QString::fromLatin1(name));
    edit->setGeometry(place);
    return edit;
}

} // namespace

THideForm::THideForm(TIni& ini, const TLanguage& lang, QWidget* parent)
    : QDialog(parent,
          Qt::Dialog | Qt::MSWindowsFixedSizeDialogHint | Qt::CustomizeWindowHint | Qt::WindowTitleHint |
              Qt::WindowCloseButtonHint),
      Ini(ini),
      Lang(lang)
{
    setObjectName(QStringLiteral("THideForm"));
    setFixedSize(274, 150);
    setModal(true);
    // The small dialog font the fixed layout was made for (8 points at 96 dpi).
    QFont small(QStringLiteral("DejaVu Sans"));
    small.setPixelSize(11);
    setFont(small);

    Label1 = MakeLabel(this, "Label1", 8, 4);
    Edit1 = MakeEdit(this, "Edit1", QRect(8, 20, 169, 21));
    Label2 = MakeLabel(this, "Label2", 186, 4);
    Edit2 = MakeEdit(this, "Edit2", QRect(186, 20, 80, 21));
    Edit2->setEchoMode(QLineEdit::Normal); // shown as typed
    Edit2->setMaxLength(MaxPasswordLength);
    Label3 = MakeLabel(this, "Label3", 8, 48);
    Edit3 = MakeEdit(this, "Edit3", QRect(8, 64, 169, 21));
    Label4 = MakeLabel(this, "Label4", 186, 48);
    Edit4 = MakeEdit(this, "Edit4", QRect(186, 64, 80, 21));
    BrowseButton = new QPushButton(this);
    BrowseButton->setObjectName(QStringLiteral("BrowseButton"));
    BrowseButton->setGeometry(8, 92, 75, 23);
    BrowseButton->setAutoDefault(false);
    CheckBox1 = new QCheckBox(this);
    CheckBox1->setObjectName(QStringLiteral("CheckBox1"));
    CheckBox1->setGeometry(112, 95, 155, 17);
    OkButton = new QPushButton(QStringLiteral("Ok"), this);
    OkButton->setObjectName(QStringLiteral("OkButton"));
    OkButton->setGeometry(101, 122, 75, 23);
    OkButton->setDefault(true);
    for (QLabel* label : {Label1, Label2, Label3, Label4})
        label->setBuddy(label == Label1 ? Edit1 : label == Label2 ? Edit2 : label == Label3 ? Edit3 : Edit4);

    // The tab order: title, file, icon number, Browse, the check box, Ok, password.
    setTabOrder(Edit1, Edit3);
    setTabOrder(Edit3, Edit4);
    setTabOrder(Edit4, BrowseButton);
    setTabOrder(BrowseButton, CheckBox1);
    setTabOrder(CheckBox1, OkButton);
    setTabOrder(OkButton, Edit2);

    OpenDialog_ = new QFileDialog(this);
    OpenDialog_->setObjectName(QStringLiteral("OpenDialog"));
    OpenDialog_->setFileMode(QFileDialog::ExistingFile);
    OpenDialog_->setAcceptMode(QFileDialog::AcceptOpen);
    // Qt's own dialog: it shows hidden files and adds nothing to the desktop's recent files.
    OpenDialog_->setOption(QFileDialog::DontUseNativeDialog);
    OpenDialog_->setFilter(OpenDialog_->filter() | QDir::Hidden);
    OpenDialog_->setSizeGripEnabled(true);
    OpenDialog_->setNameFilters(
        {QStringLiteral("Icons, pictures and programs (*.ico *.png *.svg *.svgz *.xpm *.desktop *.exe *.dll)"),
            QStringLiteral("All files (*)")});
    RunOpenDialog = [](QFileDialog& dialog) { return dialog.exec() == QDialog::Accepted; };

    connect(BrowseButton, &QPushButton::clicked, this, &THideForm::BrowseButtonClick);
    connect(OkButton, &QPushButton::clicked, this, &THideForm::OkButtonClick);

    // FormCreate: the built-in captions, the pack's, and the stored settings.
    CaptionTable = {
        {"HdFC", QStringLiteral("Disguise settings"), this, TCaptionKind::Title},
        {"HdFL1", QStringLiteral("Title in Taskbar (in minimize)"), Label1},
        {"HdFL2", QStringLiteral("Password"), Label2},
        {"HdFL3", QStringLiteral("File with icon (in minimize)"), Label3},
        {"HdFL4", QStringLiteral("Icon number"), Label4},
        {"HdFBrBt", QStringLiteral("Browse..."), BrowseButton},
        {"HdFChBx1", QStringLiteral("Minimize in Taskbar"), CheckBox1},
    };
    for (const TCaptionTarget& target : CaptionTable)
        SetCaption(target, target.BuiltIn);
    LoadCaptions();
    Edit1->setText(FromPack(Ini.BossTitle()));
    Edit2->setText(FromPack(Ini.BossPassword()));
    Edit3->setText(FromPack(Ini.BossFile()));
    Edit4->setText(QString::number(Ini.BossIconNumber()));
    CheckBox1->setChecked(Ini.BossEnable());
}

void THideForm::LoadCaptions()
{
    stakor::LoadCaptions(Lang, CaptionTable);
    for (QLabel* label : {Label1, Label2, Label3, Label4})
        label->adjustSize();
    // A longer translation widens its control and the dialog rather than being
    // cut: the password and icon number column moves right of the longer label.
    const int column = std::max({186, Label1->geometry().right() + 10, Label3->geometry().right() + 10});
    for (QWidget* control : {static_cast<QWidget*>(Label2), static_cast<QWidget*>(Edit2), static_cast<QWidget*>(Label4),
             static_cast<QWidget*>(Edit4)})
        control->move(column, control->y());
    const int right = std::max({column + 80, Label2->geometry().right() + 1, Label4->geometry().right() + 1}) + 8;
    if (right > width())
        setFixedWidth(right);
    GrowToFit(this, CaptionTable);
}

void THideForm::BrowseButtonClick()
{
    const QFileInfo current(Edit3->text());
    if (!Edit3->text().isEmpty()) {
        if (current.absoluteDir().exists())
            OpenDialog_->setDirectory(current.absoluteDir());
        OpenDialog_->selectFile(current.fileName());
    }
    if (!RunOpenDialog(*OpenDialog_))
        return;
    const QStringList files = OpenDialog_->selectedFiles();
    if (!files.isEmpty())
        Edit3->setText(QFileInfo(files.first()).absoluteFilePath());
}

void THideForm::OkButtonClick()
{
    try {
        Ini.SetBossTitle(Edit1->text().toStdString());
        Ini.SetBossPassword(Edit2->text().toStdString());
        Ini.SetBossFile(Edit3->text().toStdString());
        // A negative number or one that is no number keeps the old one, silently.
        bool number = false;
        const int icon = Edit4->text().trimmed().toInt(&number);
        if (number && icon >= 0)
            Ini.SetBossIconNumber(icon);
        Ini.SetBossEnable(CheckBox1->isChecked());
    } catch (const std::exception& error) {
        // A refused write ends the command in the standard error box.
        QMessageBox box(
            QMessageBox::Critical, ProgramTitle, QString::fromStdString(error.what()), QMessageBox::Ok, this);
        box.exec();
    }
    accept();
}

} // namespace stakor
