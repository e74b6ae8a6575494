#pragma once

#include <array>
#include <functional>
#include <vector>

#include <QDialog>
#include <QFont>
#include <QImage>
#include <QRegion>
#include <QTabBar>
#include <QTimer>
#include <QUrl>

#include "shell/forms/form_captions.h"

class QPushButton;

namespace stakor {

class TRandom;
class TRecords;
class TLanguage;

// One of the picture's animated sparkles and its twinkle dot.
struct TSparkle {
    int X = 0;
    int Y = 0;
    int Dx = 0; // -1, 0 or 1
    int Dy = 0;
    int MaxSize = 0; // 2..5
    QRgb Color = 0;
    int Size = 0; // 0: not shown
    int Period = 0; // ticks between steps: 1..3
    int Countdown = 0;
    bool Growing = false;
    int DotX = 0;
    int DotY = 0;
    QRgb DotColor = 0;
};

// The high-score picture: one style's table in coloured text over black, with
// twenty sparkles. Plain drawing into an image, driven by the game's random
// generator, so that a seeded generator gives the same picture every time.
class TRecordsPicture {
public:
    static constexpr int Width = 409;
    static constexpr int Height = 236;
    static constexpr int SparkleCount = 20;
    // Where the name is cut so that it cannot run into the score column.
    static constexpr int NameClipRight = Width - 126;
    static constexpr int ScoreRight = 396;

    static constexpr QRgb RankColor = 0xFF00FF33;
    static constexpr QRgb NameColor = 0xFFFFFF00;
    static constexpr QRgb ScoreColor = 0xFF00CCFF;
    static constexpr QRgb LeaderColor = 0xFF999999;
    static constexpr QRgb Black = 0xFF000000;

    // Fills the picture black, sets up the sparkles and draws the table of
    // style `styleIndex` + 1.
    TRecordsPicture(const TRecords& records, TRandom& random, int styleIndex);

    // One animation tick: the sparkles that are due step, then the table text
    // is drawn again over them.
    void Tick();
    // Another tab: a black picture, every sparkle at its current size, the text.
    void ShowStyle(int styleIndex);

    const QImage& Image() const { return Picture; }
    // What the last tick or tab change changed in the picture.
    const QRegion& Changed() const { return Changed_; }
    int ShownStyleIndex() const { return StyleIndex; }
    std::array<TSparkle, SparkleCount> Sparkles;

    // The table's face: bold sans-serif, 24 pixels from the top of its tallest
    // letter to the bottom of its lowest, without smoothing so that the text
    // has exactly its colours.
    static QFont TableFont();

private:
    struct TRun {
        int Offset; // into the picture's pixels
        int Length;
        QRgb Color;
    };

    void SetUpSparkles();
    void StepSparkle(TSparkle& sparkle);
    void DrawSparkle(const TSparkle& sparkle, QRgb color);
    void SetPixel(int x, int y, QRgb color);
    // Renders the text of the shown style once; each tick then only copies its
    // pixels, which is the same as writing the text again and much cheaper.
    void PrepareText();
    void DrawText();
    QRgb RandomColor();

    const TRecords& Records;
    TRandom& Rng;
    int StyleIndex = 0;
    QImage Picture;
    QRegion Changed_;
    std::vector<TRun> TextRuns;
};

// The tab strip and the surface below it, where the sunken frame is drawn
// around the picture.
class TRecordsTabControl : public QTabBar {
public:
    TRecordsTabControl(QWidget* parent, const QImage& picture);
    static constexpr QPoint PictureAt{7, 27};
    // Shows the picture at PictureAt: a surface of its own, so that a tick
    // copies the picture and repaints nothing else.
    QWidget* PictureView;

protected:
    QSize tabSizeHint(int index) const override;
    void paintEvent(QPaintEvent* event) override;
};

// The high-scores dialog: one tab per game style, the animated table, and the
// buttons that mail the records file and open the top-records page.
class TRecordsForm : public QDialog {
    Q_OBJECT

public:
    // gameStyle: 1..5, whose tab shows first. openUrl opens a web page.
    TRecordsForm(const TRecords& records, TRandom& random, const TLanguage& lang, int gameStyle,
        std::function<void(const QUrl&)> openUrl, QWidget* parent = nullptr);
    ~TRecordsForm() override;

    // Captions from the language pack (nothing while no pack is loaded).
    void LoadCaptions();
    // The captioned controls with their keys and built-in texts.
    const TCaptionTable& Captions() const { return CaptionTable; }

    TRecordsTabControl* TabControl;
    QPushButton* SendButton;
    QPushButton* ViewButton;
    QPushButton* OkButton;
    QTimer AnimationTimer;

    TRecordsPicture& Picture() { return Picture_; }

    // One tick of the animation, as the timer gives it.
    void AnimationTick();

    void done(int result) override;

private:
    void TabControlChange(int index);
    void SendButtonClick();
    void ViewButtonClick();
    void ShowPicture();

    const TRecords& Records;
    const TLanguage& Lang;
    std::function<void(const QUrl&)> OpenUrl;
    TRecordsPicture Picture_;
    TCaptionTable CaptionTable;
};

} // namespace stakor
