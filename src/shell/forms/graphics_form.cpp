#include "shell/forms/graphics_form.h"

#include <algorithm>
#include <tuple>

#include <QAction>
#include <QCheckBox>
#include <QColorDialog>
#include <QFileDialog>
#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QListWidget>
#include <QMouseEvent>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

#include "glass/bitmap.h"
#include "glass/image_file.h"
#include "settings/ini.h"
#include "settings/language.h"
#include "shell/forms/dialogs.h"
#include "shell/game/game_core.h"

namespace stakor {

namespace {

QColor ToQColor(int32_t color)
{
    return QColor(color & 0xFF, (color >> 8) & 0xFF, (color >> 16) & 0xFF);
}

int32_t FromQColor(const QColor& color)
{
    return static_cast<int32_t>(color.red() | (color.green() << 8) | (color.blue() << 16));
}

// The label's text colour is the swatch's colour XOR 0xAAAAAA, readable on any colour.
void ColorLabel(QLabel* label, int32_t color)
{
    QPalette palette = label->palette();
    palette.setColor(QPalette::WindowText, ToQColor(color ^ 0xAAAAAA));
    label->setPalette(palette);
}

QLabel* MakeColorLabel(TColorShape* shape)
{
    // On the swatch, so a press on the label is a press on the swatch.
    auto* label = new QLabel(QStringLiteral("Choose color"), shape);
    QFont bold = label->font();
    bold.setBold(true);
    label->setFont(bold);
    label->setAlignment(Qt::AlignCenter);
    label->setCursor(Qt::PointingHandCursor);
    label->setAttribute(Qt::WA_TransparentForMouseEvents);
    return label;
}

// A colour swatch in a sunken bevel whose left edge stands at x in the group,
// with its label on it.
struct TSwatch {
    QFrame* Bevel;
    TColorShape* Shape;
    QLabel* Label;
};

TSwatch MakeSwatch(QWidget* group, int x)
{
    auto* bevel = new QFrame(group);
    bevel->setFrameStyle(QFrame::Panel | QFrame::Sunken);
    bevel->setGeometry(x, 16, 106, 42);
    auto* shape = new TColorShape(group);
    shape->setGeometry(x + 1, 17, 105, 41);
    QLabel* label = MakeColorLabel(shape);
    label->setGeometry(5, 13, 95, 15); // x + 6, 30 in the group
    return {bevel, shape, label};
}

QListWidget* MakeList(QWidget* group)
{
    auto* list = new QListWidget(group);
    list->setGeometry(10, 16, 176, 69);
    list->setSelectionMode(QAbstractItemView::SingleSelection);
    return list;
}

} // namespace

TColorShape::TColorShape(QWidget* parent) : QFrame(parent)
{
    setAutoFillBackground(true);
    setCursor(Qt::PointingHandCursor);
}

void TColorShape::SetColor(int32_t color)
{
    QPalette palette = this->palette();
    palette.setColor(QPalette::Window, ToQColor(color));
    setPalette(palette);
}

void TColorShape::mousePressEvent(QMouseEvent* event)
{
    event->accept();
    if (OnPress)
        OnPress();
}

std::optional<int32_t> ChooseColorDialog(QWidget* parent, int32_t current)
{
    QColorDialog dialog(ToQColor(current), parent);
    if (dialog.exec() != QDialog::Accepted)
        return std::nullopt;
    return FromQColor(dialog.selectedColor());
}

std::optional<QString> ChoosePictureDialog(QWidget* parent)
{
    QFileDialog dialog(parent);
    // Our own dialog, so the preview can stand beside the file list.
    dialog.setOption(QFileDialog::DontUseNativeDialog);
    dialog.setFileMode(QFileDialog::ExistingFile);
    dialog.setNameFilter(QStringLiteral("All (*.jpg *.jpeg *.bmp *.JPG *.JPEG *.BMP)"));
    dialog.setFilter(dialog.filter() | QDir::Hidden);
    dialog.setSizeGripEnabled(true);
    auto* preview = new QLabel(&dialog);
    preview->setFixedSize(160, 160);
    preview->setAlignment(Qt::AlignCenter);
    preview->setFrameShape(QFrame::StyledPanel);
    if (auto* grid = qobject_cast<QGridLayout*>(dialog.layout()))
        grid->addWidget(preview, 0, grid->columnCount(), grid->rowCount(), 1);
    QObject::connect(&dialog, &QFileDialog::currentChanged, preview, [preview](const QString& path) {
        // Decoded as the game decodes it: what shows here is what the glass can show.
        TBitmap picture;
        if (!QFileInfo(path).isFile() || !LoadImageFile(path.toStdString(), picture)) {
            preview->clear();
            return;
        }
        const QImage image(picture.Pixels.data(), picture.Width, picture.Height, static_cast<qsizetype>(picture.Stride),
            QImage::Format_BGR888);
        preview->setPixmap(QPixmap::fromImage(
            image.scaled(preview->size() - QSize(4, 4), Qt::KeepAspectRatio, Qt::SmoothTransformation)));
    });
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return std::nullopt;
    return dialog.selectedFiles().first();
}

TGraphicsForm::TGraphicsForm(TGameCore& core, QAction* gridMark, TGraphicsChoosers choosers, QWidget* parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowCloseButtonHint),
      Core(core),
      GridMark(gridMark),
      Choosers(std::move(choosers))
{
    setObjectName(QStringLiteral("TGraphicsForm"));
    setWindowTitle(QStringLiteral("Graphic settings"));
    setFixedSize(379, 235);
    UseDialogFont(this);
    if (!Choosers.ChooseColor)
        Choosers.ChooseColor = ChooseColorDialog;
    if (!Choosers.ChoosePicture)
        Choosers.ChoosePicture = ChoosePictureDialog;

    // Created in tab order: Cancel, Apply, the three groups, Ok.
    CancelButton = new QPushButton(QStringLiteral("Cancel"), this);
    CancelButton->setGeometry(218, 206, 75, 25);
    ApplyButton = new QPushButton(QStringLiteral("Apply"), this);
    ApplyButton->setGeometry(298, 206, 75, 25);

    GlassBgGroupBox = new QGroupBox(QStringLiteral(" Background of the playing field "), this);
    GlassBgGroupBox->setGeometry(6, 2, 367, 96);
    GlassBgListBox = MakeList(GlassBgGroupBox);
    BgBrowseButton = new QToolButton(GlassBgGroupBox);
    BgBrowseButton->setGeometry(199, 16, 22, 22);
    BgBrowseButton->setAutoRaise(true);
    BgBrowseButton->setIcon(style()->standardIcon(QStyle::SP_DirOpenIcon));
    const TSwatch background = MakeSwatch(GlassBgGroupBox, 234);
    GlassBgBevel = background.Bevel;
    GlassBgShape = background.Shape;
    GlassBgLabel = background.Label;
    StretchGlassBgCheckBox = new QCheckBox(QStringLiteral("Stretch image"), GlassBgGroupBox);
    StretchGlassBgCheckBox->setGeometry(216, 70, 142, 17);

    GlassSkinGroupBox = new QGroupBox(QStringLiteral(" Skin for the figures "), this);
    GlassSkinGroupBox->setGeometry(6, 102, 197, 96);
    GlassSkinListBox = MakeList(GlassSkinGroupBox);

    GlassGridGroupBox = new QGroupBox(QStringLiteral(" Grid "), this);
    GlassGridGroupBox->setGeometry(211, 102, 162, 96);
    const TSwatch grid = MakeSwatch(GlassGridGroupBox, 29);
    GlassGridBevel = grid.Bevel;
    GlassGridShape = grid.Shape;
    GlassGridLabel = grid.Label;
    GlassGridCheckBox = new QCheckBox(QStringLiteral("Show grid"), GlassGridGroupBox);
    GlassGridCheckBox->setGeometry(11, 70, 142, 17);

    OkButton = new QPushButton(QStringLiteral("Ok"), this);
    OkButton->setGeometry(138, 206, 75, 25);
    OkButton->setDefault(true);

    GlassBgListBox->addItem(QStringLiteral("(without image)"));

    CaptionTable = {
        {"GrFC", QStringLiteral("Graphic settings"), this, TCaptionKind::Title},
        {"GrFGBgGrBxC", QStringLiteral(" Background of the playing field "), GlassBgGroupBox},
        {"GrFGBgLBxFI", QStringLiteral("(without image)"), GlassBgListBox, TCaptionKind::ListItem, 0},
        {"GrFGgL", QStringLiteral("Choose color"), GlassBgLabel},
        {"GrFGgL", QStringLiteral("Choose color"), GlassGridLabel},
        {"GrFGBgChBx", QStringLiteral("Stretch image"), StretchGlassBgCheckBox},
        {"GrFGSGrBxC", QStringLiteral(" Skin for the figures "), GlassSkinGroupBox},
        {"GrFGGGBxC", QStringLiteral(" Grid "), GlassGridGroupBox},
        {"GrFGGChBx", QStringLiteral("Show grid"), GlassGridCheckBox},
        {"GrFGBgOkB", QStringLiteral("Ok"), OkButton},
        {"GrFGBgCB", QStringLiteral("Cancel"), CancelButton},
        {"GrFGBgAB", QStringLiteral("Apply"), ApplyButton},
    };

    connect(OkButton, &QPushButton::clicked, this, [this] { OkButtonClick(); });
    connect(CancelButton, &QPushButton::clicked, this, &QDialog::reject);
    connect(ApplyButton, &QPushButton::clicked, this, [this] { ApplyButtonClick(); });
    FormCreate();
}

QString TGraphicsForm::BackgroundPath(const QString& name) const
{
    return QString::fromStdString((Core.ProgramDir / "Background" / name.toStdString()).string());
}

void TGraphicsForm::FormCreate()
{
    LoadCaptions(Core.Lang, CaptionTable);
    Work = TGraphicsSettings::FromIni(Core.Ini);

    // The background list shows a picture of the folder selected only when
    // the setting names it by its full path; case does not matter here.
    const QString workingBg = QString::fromStdString(Work.BgFileName);
    if (workingBg.isEmpty())
        GlassBgListBox->setCurrentRow(0);
    for (const std::string& name : ListPictureFiles(Core.ProgramDir / "Background")) {
        const QString item = QString::fromStdString(name);
        GlassBgListBox->addItem(item);
        if (BackgroundPath(item).compare(workingBg, Qt::CaseInsensitive) == 0)
            GlassBgListBox->setCurrentRow(GlassBgListBox->count() - 1);
    }
    StretchGlassBgCheckBox->setChecked(Work.BgStretch);
    GlassBgShape->SetColor(Work.BgColor);
    ColorLabel(GlassBgLabel, Work.BgColor);

    const QString workingSkin = QString::fromStdString(Work.SkinFileName);
    for (const std::string& name : ListPictureFiles(Core.ProgramDir / "Skin")) {
        const QString item = QString::fromStdString(name);
        GlassSkinListBox->addItem(item);
        if (item.compare(workingSkin, Qt::CaseInsensitive) == 0)
            GlassSkinListBox->setCurrentRow(GlassSkinListBox->count() - 1);
    }

    GlassGridCheckBox->setChecked(Work.ShowGrid);
    GlassGridShape->SetColor(Work.GridColor);
    ColorLabel(GlassGridLabel, Work.GridColor);
    GrowToFit(this, CaptionTable);
    FitGroupBoxes(this);
    for (const auto& [bevel, shape, label] : {std::tuple{GlassBgBevel, GlassBgShape, GlassBgLabel},
             std::tuple{GlassGridBevel, GlassGridShape, GlassGridLabel}}) {
        // A longer label widens its swatch and frame; it stays in the middle.
        shape->resize(std::max(shape->width(), label->width() + 10), shape->height());
        bevel->setGeometry(shape->geometry().adjusted(-1, -1, 0, 0));
        label->move((shape->width() - label->width()) / 2, label->y());
    }
    LayOutButtonRow(this, {OkButton, CancelButton, ApplyButton}, OkButton->y(), 5, false);

    // The handlers come after the controls show the settings, so showing
    // them marks nothing changed.
    connect(GlassBgListBox, &QListWidget::itemClicked, this, [this] { GlassBgListBoxClick(); });
    // A choice by the keys selects too; the focus alone only moves the
    // current row and must not count as a choice.
    connect(GlassBgListBox, &QListWidget::itemSelectionChanged, this, [this] { GlassBgListBoxClick(); });
    connect(GlassSkinListBox, &QListWidget::itemClicked, this, [this] { GlassSkinListBoxClick(); });
    connect(GlassSkinListBox, &QListWidget::itemSelectionChanged, this, [this] { GlassSkinListBoxClick(); });
    connect(BgBrowseButton, &QToolButton::clicked, this, [this] { BgBrowseButtonClick(); });
    connect(StretchGlassBgCheckBox, &QCheckBox::clicked, this, [this](bool checked) {
        Work.BgStretch = checked;
        Changed_ = true;
    });
    connect(GlassGridCheckBox, &QCheckBox::clicked, this, [this](bool checked) {
        Work.ShowGrid = checked;
        Changed_ = true;
    });
    GlassBgShape->OnPress = [this] { ChooseColor(Work.BgColor, GlassBgShape, GlassBgLabel); };
    GlassGridShape->OnPress = [this] { ChooseColor(Work.GridColor, GlassGridShape, GlassGridLabel); };
    Changed_ = false;
}

void TGraphicsForm::GlassBgListBoxClick()
{
    const QList<QListWidgetItem*> selected = GlassBgListBox->selectedItems();
    if (selected.isEmpty())
        return;
    const int row = GlassBgListBox->row(selected.front());
    const std::string file = row == 0 ? std::string() : BackgroundPath(GlassBgListBox->item(row)->text()).toStdString();
    if (file != Work.BgFileName) {
        Work.BgFileName = file;
        Changed_ = true;
    }
}

void TGraphicsForm::BgBrowseButtonClick()
{
    const std::optional<QString> file = Choosers.ChoosePicture(this);
    if (!file)
        return;
    // A picture from anywhere: no item of the folder's list stands for it.
    GlassBgListBox->blockSignals(true);
    GlassBgListBox->setCurrentRow(-1);
    GlassBgListBox->clearSelection();
    GlassBgListBox->blockSignals(false);
    Work.BgFileName = file->toStdString();
    Changed_ = true;
}

void TGraphicsForm::GlassSkinListBoxClick()
{
    const QList<QListWidgetItem*> selected = GlassSkinListBox->selectedItems();
    if (selected.isEmpty())
        return;
    const QListWidgetItem* item = selected.front();
    // Exact comparison: the same skin in other case counts as a change.
    const std::string file = item->text().toStdString();
    if (file != Work.SkinFileName) {
        Work.SkinFileName = file;
        Changed_ = true;
    }
}

void TGraphicsForm::ChooseColor(int32_t& color, TColorShape* shape, QLabel* label)
{
    const std::optional<int32_t> chosen = Choosers.ChooseColor(this, color);
    if (!chosen)
        return;
    color = *chosen;
    shape->SetColor(color);
    ColorLabel(label, color);
    Changed_ = true; // also for the same colour
}

void TGraphicsForm::Guarded(const std::function<void()>& handler)
{
    RunGuarded(handler, [this](const std::string& error) {
        Core.Dialogs.Messages.ShowMessage(error, ProgramTitle.toStdString(), true);
    });
}

void TGraphicsForm::ApplyButtonClick()
{
    if (!Changed_)
        return;
    Guarded([this] {
        ApplyGraphicsSettings(Work, {Core.Ini, Core.View, Core.Rules, Core.Figures, Core.Game});
        if (GridMark)
            GridMark->setChecked(Core.Ini.GlassShowGrid());
        Changed_ = false;
    });
}

void TGraphicsForm::OkButtonClick()
{
    ApplyButtonClick();
    if (!Changed_)
        accept();
}

} // namespace stakor
