#pragma once

#include <functional>
#include <optional>

#include <QDialog>
#include <QFrame>

#include "engine/graphics_settings.h"
#include "shell/forms/form_captions.h"

class QAction;
class QCheckBox;
class QGroupBox;
class QLabel;
class QListWidget;
class QPushButton;
class QToolButton;

namespace stakor {

class TGameCore;

// A colour to choose from: the filled rectangle behind a colour's label; any
// mouse button pressed on it (or on the label) asks for a new colour.
class TColorShape : public QFrame {
    Q_OBJECT

public:
    explicit TColorShape(QWidget* parent);
    void SetColor(int32_t color); // 0x00BBGGRR
    std::function<void()> OnPress;

protected:
    void mousePressEvent(QMouseEvent* event) override;
};

// What the graphics dialog asks of the desktop; tests put stand-ins here.
struct TGraphicsChoosers {
    // A colour, the current one preselected; nothing when cancelled.
    std::function<std::optional<int32_t>(QWidget* parent, int32_t current)> ChooseColor;
    // A picture file's full path; nothing when cancelled.
    std::function<std::optional<QString>(QWidget* parent)> ChoosePicture;
};

// The colour dialog with its custom colours open.
std::optional<int32_t> ChooseColorDialog(QWidget* parent, int32_t current);
// The picture-open dialog with a preview of the chosen file.
std::optional<QString> ChoosePictureDialog(QWidget* parent);

// The graphics settings: background picture and colour, skin, grid. Changes
// collect in working copies and take effect through Apply or Ok.
class TGraphicsForm : public QDialog {
    Q_OBJECT

public:
    // gridMark: the main menu's Show grid item, whose mark follows Apply.
    TGraphicsForm(TGameCore& core, QAction* gridMark, TGraphicsChoosers choosers = {}, QWidget* parent = nullptr);

    const TCaptionTable& Captions() const { return CaptionTable; }
    const TGraphicsSettings& Working() const { return Work; }
    bool Changed() const { return Changed_; }

    void ApplyButtonClick();
    void OkButtonClick();

    QGroupBox* GlassBgGroupBox;
    QListWidget* GlassBgListBox;
    QToolButton* BgBrowseButton;
    QFrame* GlassBgBevel;
    TColorShape* GlassBgShape;
    QLabel* GlassBgLabel;
    QCheckBox* StretchGlassBgCheckBox;
    QGroupBox* GlassSkinGroupBox;
    QListWidget* GlassSkinListBox;
    QGroupBox* GlassGridGroupBox;
    QFrame* GlassGridBevel;
    TColorShape* GlassGridShape;
    QLabel* GlassGridLabel;
    QCheckBox* GlassGridCheckBox;
    QPushButton* OkButton;
    QPushButton* CancelButton;
    QPushButton* ApplyButton;

private:
    void FormCreate();
    void GlassBgListBoxClick();
    void BgBrowseButtonClick();
    void GlassSkinListBoxClick();
    void ChooseColor(int32_t& color, TColorShape* shape, QLabel* label);
    void Guarded(const std::function<void()>& handler);
    QString BackgroundPath(const QString& name) const;

    TGameCore& Core;
    QAction* GridMark;
    TGraphicsChoosers Choosers;
    TGraphicsSettings Work;
    bool Changed_ = false;
    TCaptionTable CaptionTable;
};

} // namespace stakor
