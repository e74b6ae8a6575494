// The high-scores dialog: its picture, its sparkles, its keys and buttons, and
// the name prompt that comes before it.
#include <QtTest>

#include <QInputDialog>
#include <QLabel>
#include <QMessageBox>
#include <QPushButton>
#include <QTemporaryDir>

#include <fstream>
#include <set>

#include "base/random.h"
#include "records/records.h"
#include "settings/ini.h"
#include "settings/language.h"
#include "shell/forms/dialogs.h"
#include "shell/forms/records_form.h"
#include "shell/desktop/site.h"
#include "shell_tests.h"
#include "shell_world.h"

namespace stakor::test {

namespace {

using TPicture = TRecordsPicture;

int32_t AsScore(uint32_t value)
{
    return static_cast<int32_t>(value);
}

void Put(TRecords& records, int style, int rank, const std::string& name, int32_t score)
{
    THighScoreEntry entry;
    entry.Name = name;
    entry.Score = score;
    records.SetEntry(style, rank, entry);
}

// The columns of one text line of the picture that hold the colour.
struct TSpan {
    int First = -1;
    int Last = -1;
    int Count = 0;
};

TSpan Span(const QImage& image, int rank, QRgb color)
{
    TSpan span;
    const int top = 22 * rank - 16;
    // From below the descenders of the line above to the bottom of this one.
    for (int y = top + 3; y < top + 25 && y < image.height(); ++y)
        for (int x = 0; x < image.width(); ++x)
            if (image.pixel(x, y) == color) {
                if (span.First < 0 || x < span.First)
                    span.First = x;
                span.Last = std::max(span.Last, x);
                ++span.Count;
            }
    return span;
}

// Watches that StopAnswering has called off; a loaded machine may still have
// one pending when the next case opens its box.
int AnswerGeneration = 0;

// Answers the next modal box that opens: notes its caption and text, then
// lets `answer` act on it.
void AnswerNextBox(std::function<void(QDialog&)> answer, int tries = 200, int generation = AnswerGeneration)
{
    QTimer::singleShot(10, [answer = std::move(answer), tries, generation] {
        if (generation != AnswerGeneration)
            return;
        auto* box = qobject_cast<QDialog*>(QApplication::activeModalWidget());
        if (box == nullptr || !box->isVisible() || qobject_cast<TRecordsForm*>(box) != nullptr) {
            if (tries > 0)
                AnswerNextBox(answer, tries - 1, generation);
            return;
        }
        answer(*box);
    });
}

void StopAnswering() { ++AnswerGeneration; }

class TFormWorld {
public:
    explicit TFormWorld(std::optional<std::filesystem::path> file = std::nullopt) : Records(Rng, std::move(file))
    {
        Lang.FindLanguages();
        Lang.LoadLanguage("English");
    }

    std::unique_ptr<TRecordsForm> Open(int style)
    {
        return std::make_unique<TRecordsForm>(
            Records, Rng, Lang, style, [this](const QUrl& url) { Opened.push_back(url.toString()); });
    }

    TRandom Rng{12345};
    TIni Ini{std::nullopt};
    TLanguage Lang{Ini, std::filesystem::path(STAKOR_SOURCE_DATA_DIR) / "Language"};
    TRecords Records;
    QStringList Opened;
};

} // namespace

class RecordsFormTest : public QObject {
    Q_OBJECT

private slots:
    // No watch of one case may answer a box of the next.
    void cleanup() { StopAnswering(); }

    void opensOnTheTabOfTheGameStyleWithItsCaptionsAndPlaces()
    {
        TFormWorld w;
        for (int style = 1; style <= 5; ++style) {
            const auto form = w.Open(style);
            QCOMPARE(form->TabControl->currentIndex(), style - 1);
            QCOMPARE(form->Picture().ShownStyleIndex(), style - 1);
        }
        const auto form = w.Open(4);
        QCOMPARE(form->TabControl->tabText(form->TabControl->currentIndex()), QStringLiteral("Pentix"));
        QCOMPARE(form->windowTitle(), QStringLiteral("High scores"));
        QCOMPARE(form->size(), QSize(432, 311));
        QCOMPARE(form->TabControl->geometry(), QRect(4, 4, 423, 270));
        // The buttons keep their places and widen to show their captions whole.
        QCOMPARE(form->SendButton->geometry().topLeft(), QPoint(4, 281));
        QVERIFY(form->SendButton->width() >= 110);
        QCOMPARE(form->ViewButton->geometry().topLeft(), QPoint(form->SendButton->geometry().right() + 9, 281));
        QVERIFY(form->ViewButton->width() >= 110);
        QCOMPARE(form->OkButton->geometry(), QRect(352, 281, 75, 25));
        QCOMPARE(form->SendButton->text(), QStringLiteral("Send high scores"));
        QCOMPARE(form->ViewButton->text(), QStringLiteral("Top records"));
        QCOMPARE(form->OkButton->text(), QStringLiteral("Ok"));
        QStringList tabs;
        for (int i = 0; i < form->TabControl->count(); ++i)
            tabs << form->TabControl->tabText(i);
        QCOMPARE(tabs, (QStringList{"Childish", "Simple", "Kubrix", "Pentix", "V-Uvod"}));
        QCOMPARE(form->Picture().Image().size(), QSize(409, 236));
        // The captions walk finds every control by its name.
        for (const char* name : {"TabControl", "SendButton", "ViewButton", "OkButton"})
            QVERIFY2(form->findChild<QWidget*>(QString::fromLatin1(name)) != nullptr, name);
        // The animation runs on a precise 20 ms timer.
        QVERIFY(form->AnimationTimer.isActive());
        QCOMPARE(form->AnimationTimer.interval(), 20);
        QCOMPARE(form->AnimationTimer.timerType(), Qt::PreciseTimer);
        // A style out of range shows the nearest tab rather than none.
        QCOMPARE(w.Open(9)->TabControl->currentIndex(), 4);
    }

    void pictureOfAKnownTable()
    {
        TFormWorld w;
        Put(w.Records, 2, 1, "Ann", 12345);
        Put(w.Records, 2, 2, "WWWWWWWWWWWWWWWWWWWW", 900);
        Put(w.Records, 2, 3, "MMMMMMMMMMMMMMMMMMMM", AsScore(4000000000u));
        // A damaged entry: length byte 255, control bytes in the name.
        Put(w.Records, 2, 4, "x", 7);
        uint8_t* entry = w.Records.Block().data() + 490 + 3 * 49;
        entry[0] = 255;
        for (int i = 1; i <= 20; ++i)
            entry[i] = static_cast<uint8_t>(i % 3 == 0 ? 0 : 'a' + i);
        Put(w.Records, 2, 6, "Bob", 5);

        TRandom rng(7);
        const TPicture picture(w.Records, rng, 1);
        const QImage& image = picture.Image();
        // Before the first tick no sparkle or dot is drawn: text only, in
        // exactly the table's colours.
        std::set<QRgb> colours;
        for (int y = 0; y < image.height(); ++y)
            for (int x = 0; x < image.width(); ++x)
                colours.insert(image.pixel(x, y));
        QVERIFY(colours ==
            (std::set<QRgb>{TPicture::Black, TPicture::RankColor, TPicture::NameColor, TPicture::ScoreColor,
                TPicture::LeaderColor}));

        for (int rank = 1; rank <= 10; ++rank) {
            const TSpan ranks = Span(image, rank, TPicture::RankColor);
            QVERIFY2(ranks.Count > 0 && ranks.First >= 12 && ranks.First <= 17, qPrintable(QString::number(rank)));
            QVERIFY(ranks.Last < (rank == 10 ? 52 : 42));
        }
        // Rank 1: name from x = 42, score ending at x = 396.
        const TSpan name1 = Span(image, 1, TPicture::NameColor);
        const TSpan score1 = Span(image, 1, TPicture::ScoreColor);
        QVERIFY(name1.First >= 42 && name1.First <= 44);
        QVERIFY(name1.Last < 120);
        QVERIFY2(score1.Last >= 390 && score1.Last <= 395, qPrintable(QString::number(score1.Last)));
        QVERIFY(score1.First > 283);
        // Rank 2: a wide name is cut before the score column.
        const TSpan name2 = Span(image, 2, TPicture::NameColor);
        QVERIFY2(
            name2.Last <= TPicture::NameClipRight - 1 && name2.Last >= 270, qPrintable(QString::number(name2.Last)));
        QVERIFY(Span(image, 2, TPicture::ScoreColor).First > name2.Last);
        // Rank 3: a score of four billion fits its column, and the name gives way.
        const TSpan name3 = Span(image, 3, TPicture::NameColor);
        const TSpan score3 = Span(image, 3, TPicture::ScoreColor);
        QVERIFY(score3.Last <= 395 && score3.First > 160);
        QVERIFY2(name3.Last < score3.First, qPrintable(QStringLiteral("%1 %2").arg(name3.Last).arg(score3.First)));
        // Rank 4: a damaged name shows at most its 20 bytes, within the column.
        const TSpan name4 = Span(image, 4, TPicture::NameColor);
        QVERIFY(name4.Count > 0 && name4.Last < TPicture::NameClipRight);
        QCOMPARE(FromNameBytes(w.Records.Entry(2, 4).Name).size(), 20);
        // Rank 5 is empty: the grey leader line after the rank, and nothing else.
        for (int rank : {5, 7, 10}) {
            const TSpan leader = Span(image, rank, TPicture::LeaderColor);
            QVERIFY(leader.First >= 42 && leader.First <= 46 && leader.Last > 250 && leader.Last < 409);
            QCOMPARE(Span(image, rank, TPicture::NameColor).Count, 0);
            QCOMPARE(Span(image, rank, TPicture::ScoreColor).Count, 0);
        }
        QCOMPARE(Span(image, 1, TPicture::LeaderColor).Count, 0);
        // Rank 6 sits below an empty place and still shows.
        QVERIFY(Span(image, 6, TPicture::ScoreColor).Count > 0);

        // An empty style: ten leader lines.
        TRandom other(7);
        const TPicture empty(w.Records, other, 4);
        for (int rank = 1; rank <= 10; ++rank)
            QVERIFY(Span(empty.Image(), rank, TPicture::LeaderColor).Count > 100);
    }

    void sparklesFollowTheirRulesOverManyTicks()
    {
        TRandom tableRng(1);
        TRecords records(tableRng, std::nullopt);
        TRandom rng(2026);
        TPicture picture(records, rng, 0);

        // Set-up draws, per sparkle: countdown, colour, dot position, dot colour.
        TRandom replay(2026);
        const int firstCountdown = replay.Random(250) + 20;
        const int red = 32 + replay.Random(224), green = 32 + replay.Random(224), blue = 32 + replay.Random(224);
        QCOMPARE(picture.Sparkles[0].Countdown, firstCountdown);
        QCOMPARE(picture.Sparkles[0].Color, qRgb(red, green, blue));
        for (size_t i = 0; i < picture.Sparkles.size(); ++i) {
            const TSparkle& s = picture.Sparkles[i];
            QCOMPARE(s.Size, 0);
            QVERIFY(s.Countdown >= 20 * static_cast<int>(i + 1) && s.Countdown < 250 + 20 * static_cast<int>(i + 1));
            for (QRgb c : {s.Color, s.DotColor})
                for (int channel : {qRed(c), qGreen(c), qBlue(c)})
                    QVERIFY(channel >= 32 && channel <= 255);
        }

        std::array<std::vector<int>, TPicture::SparkleCount> lives; // sizes of the life under way
        std::array<int, TPicture::SparkleCount> idle{}; // ticks since the last step
        std::array<int, TPicture::SparkleCount> starts{};
        int firstStart = -1;
        int drawn = 0, lit = 0;
        for (int tick = 1; tick <= 6000; ++tick) {
            const auto before = picture.Sparkles;
            picture.Tick();
            for (size_t i = 0; i < before.size(); ++i) {
                const TSparkle& was = before[i];
                const TSparkle& s = picture.Sparkles[i];
                if (was.Countdown >= 1) {
                    QCOMPARE(s.Countdown, was.Countdown - 1);
                    QCOMPARE(s.Size, was.Size);
                    QCOMPARE(QPoint(s.X, s.Y), QPoint(was.X, was.Y));
                    ++idle[i];
                    continue;
                }
                // A step, then the countdown is the step period again.
                QCOMPARE(s.Countdown, s.Period);
                if (was.Size == 0) {
                    if (i == 0 && firstStart < 0)
                        firstStart = tick;
                    ++starts[i];
                    QCOMPARE(s.Size, 1);
                    QVERIFY(s.Growing);
                    QVERIFY(s.X >= 0 && s.X < 409 && s.Y >= 0 && s.Y < 236);
                    QVERIFY(s.DotX >= 0 && s.DotX < 409 && s.DotY >= 0 && s.DotY < 236);
                    QVERIFY(s.Dx >= -1 && s.Dx <= 1 && s.Dy >= -1 && s.Dy <= 1);
                    QVERIFY(s.MaxSize >= 2 && s.MaxSize <= 5);
                    QVERIFY(s.Period >= 1 && s.Period <= 3);
                    if (starts[i] > 1) {
                        // The life that ended grew to its top, stayed a step, shrank to 0.
                        std::vector<int> expected;
                        for (int size = 1; size <= was.MaxSize; ++size)
                            expected.push_back(size);
                        for (int size = was.MaxSize; size >= 0; --size)
                            expected.push_back(size);
                        QCOMPARE(lives[i], expected);
                    }
                    lives[i] = {1};
                } else {
                    QCOMPARE(QPoint(s.X, s.Y), QPoint(was.X + was.Dx, was.Y + was.Dy));
                    QCOMPARE(QPoint(s.DotX, s.DotY), QPoint(was.DotX, was.DotY));
                    QCOMPARE(std::abs(s.Size - was.Size) + (was.Growing != s.Growing ? 1 : 0), 1);
                    lives[i].push_back(s.Size);
                    // One step every two to four ticks.
                    QCOMPARE(idle[i], was.Period);
                }
                idle[i] = 0;
                // Drawn in its colour, unless a later sparkle or the text lies over it.
                if (s.Size > 0 && s.X >= 0 && s.X < 409 && s.Y >= 0 && s.Y < 236) {
                    ++drawn;
                    lit += picture.Image().pixel(s.X, s.Y) == s.Color ? 1 : 0;
                }
            }
        }
        QCOMPARE(firstStart, firstCountdown + 1);
        QVERIFY2(lit * 100 >= drawn * 95, qPrintable(QStringLiteral("%1 of %2").arg(lit).arg(drawn)));
        for (int count : starts)
            QVERIFY(count > 100);
    }

    void tabChangeRedrawsSparklesAtTheirSizesButNotTheDots()
    {
        TFormWorld w;
        Put(w.Records, 3, 1, "Eve", 4321);
        TRandom rng(99);
        TPicture picture(w.Records, rng, 0);
        int tick = 0;
        // Until most sparkles are mid-way; on the way, each tick changes the
        // picture only where it says it did, which is all the screen is given.
        for (; tick < 20000; ++tick) {
            const QImage before = picture.Image().copy();
            picture.Tick();
            if (tick >= 300 && tick < 800) {
                const QRegion changed = picture.Changed();
                for (int y = 0; y < 236; ++y) {
                    const auto* was = reinterpret_cast<const QRgb*>(before.constScanLine(y));
                    const auto* now = reinterpret_cast<const QRgb*>(picture.Image().constScanLine(y));
                    for (int x = 0; x < 409; ++x)
                        if (was[x] != now[x])
                            QVERIFY2(changed.contains(QPoint(x, y)), qPrintable(QStringLiteral("%1,%2").arg(x).arg(y)));
                }
            }
            int shown = 0;
            for (const TSparkle& s : picture.Sparkles)
                shown += s.Size > 1 ? 1 : 0;
            if (tick > 400 && shown >= 8)
                break;
        }
        picture.ShowStyle(2);
        QCOMPARE(picture.ShownStyleIndex(), 2);

        // What the picture must be: black, each shown sparkle's plus sign in
        // order, then the text of the new style (a fresh picture before its first
        // tick is text alone).
        TRandom fresh(1);
        const QImage text = TPicture(w.Records, fresh, 2).Image();
        QImage expected(409, 236, QImage::Format_RGB32);
        expected.fill(TPicture::Black);
        for (const TSparkle& s : picture.Sparkles) {
            if (s.Size == 0)
                continue;
            for (int d = -s.Size; d <= s.Size; ++d) {
                if (QRect(0, 0, 409, 236).contains(s.X + d, s.Y))
                    expected.setPixel(s.X + d, s.Y, s.Color);
                if (QRect(0, 0, 409, 236).contains(s.X, s.Y + d))
                    expected.setPixel(s.X, s.Y + d, s.Color);
            }
        }
        for (int y = 0; y < 236; ++y)
            for (int x = 0; x < 409; ++x)
                if (text.pixel(x, y) != TPicture::Black)
                    expected.setPixel(x, y, text.pixel(x, y));
        QCOMPARE(picture.Image(), expected);
    }

    void escapeAndEnterClose()
    {
        TFormWorld w;
        {
            const auto form = w.Open(1);
            form->show();
            QVERIFY(QTest::qWaitForWindowActive(form.get()));
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Escape);
            QVERIFY(!form->isVisible());
            QVERIFY(!form->AnimationTimer.isActive()); // stopped as it closed
        }
        {
            const auto form = w.Open(2);
            form->show();
            QVERIFY(QTest::qWaitForWindowActive(form.get()));
            QCOMPARE(QApplication::focusWidget(), form->TabControl);
            QTest::keyClick(QApplication::focusWidget(), Qt::Key_Return);
            QVERIFY(!form->isVisible());
            QCOMPARE(form->result(), int(QDialog::Accepted));
        }
        {
            // Enter on another button presses that one: "Top records" opens the
            // page and the dialog stays.
            const auto form = w.Open(2);
            form->show();
            QVERIFY(QTest::qWaitForWindowActive(form.get()));
            form->ViewButton->setFocus();
            QTest::keyClick(form->ViewButton, Qt::Key_Return);
            QVERIFY(form->isVisible());
            QCOMPARE(w.Opened, QStringList{TopRecordsUrl().toString()});
            QVERIFY(w.Opened[0].endsWith(QStringLiteral("/stakor/toprec.htm")));
            QCOMPARE(TopRecordsUrl().host(), HomePageUrl().host());
            form->close();
        }
    }

    void sendingTheRecordsFile()
    {
        QTemporaryDir folder;
        QVERIFY(folder.isValid());
        const QString log = folder.filePath(QStringLiteral("arguments"));
        const QString bin = folder.filePath(QStringLiteral("bin"));
        QVERIFY(QDir().mkpath(bin));
        {
            std::ofstream script((bin + QStringLiteral("/xdg-email")).toStdString());
            script << "#!/bin/sh\nprintf '%s\\0' \"$@\" > '" << log.toStdString() << ".part'\nmv '" << log.toStdString()
                   << ".part' '" << log.toStdString() << "'\n";
        }
        QFile::setPermissions(bin + QStringLiteral("/xdg-email"), QFile::ReadOwner | QFile::ExeOwner);
        const QByteArray oldPath = qgetenv("PATH");
        qputenv("PATH", bin.toLocal8Bit() + ":" + oldPath);
        const auto restorePath = qScopeGuard([&] { qputenv("PATH", oldPath); });

        const std::filesystem::path file = folder.filePath(QStringLiteral("records.dat")).toStdString();
        TFormWorld w(file);

        // No records file: no question, nothing sent, the dialog stays.
        {
            const auto form = w.Open(1);
            form->show();
            bool asked = false;
            AnswerNextBox(
                [&](QDialog& box) {
                    asked = true;
                    box.reject();
                },
                10);
            form->SendButton->click();
            QTest::qWait(300);
            StopAnswering();
            QVERIFY(!asked);
            QVERIFY(form->isVisible());
            form->close();
        }
        Put(w.Records, 1, 1, "Ann", 100);
        w.Records.SaveRecords();

        // Cancel: nothing sent, the dialog stays.
        QString caption, text;
        {
            const auto form = w.Open(1);
            form->show();
            AnswerNextBox([&](QDialog& box) {
                caption = box.windowTitle();
                text = static_cast<QMessageBox&>(box).text();
                static_cast<QMessageBox&>(box).button(QMessageBox::Cancel)->click();
            });
            form->SendButton->click();
            QCOMPARE(caption, QStringLiteral("Vexamo Stakor"));
            QCOMPARE(text, QStringLiteral("Send your high scores by e-mail?"));
            QVERIFY(form->isVisible());
            form->close();
        }
        QTest::qWait(200);
        QVERIFY(!QFile::exists(log));

        // OK: the mail program gets the message, the dialog closes.
        {
            const auto form = w.Open(1);
            form->show();
            AnswerNextBox([&](QDialog& box) { static_cast<QMessageBox&>(box).button(QMessageBox::Ok)->click(); });
            form->SendButton->click();
            QVERIFY(!form->isVisible());
            QVERIFY(!form->AnimationTimer.isActive());
        }
        QTRY_VERIFY_WITH_TIMEOUT(QFile::exists(log), 10000);
        QFile arguments(log);
        QVERIFY(arguments.open(QIODevice::ReadOnly));
        QList<QByteArray> got = arguments.readAll().split('\0');
        got.removeLast();
        QCOMPARE(got.size(), 7);
        QCOMPARE(got[0], QByteArray("--subject"));
        QVERIFY(got[1].startsWith("Records file from user "));
        QVERIFY(got[1].size() > 23);
        QCOMPARE(got[2], QByteArray("--body"));
        QCOMPARE(got[3], QByteArray("Do not edit address and subject fields!\r\n\r\nYou may write any comments below"));
        QCOMPARE(got[4], QByteArray("--attach"));
        QCOMPARE(got[5], QByteArray(file.string().c_str()));
        QCOMPARE(QString::fromUtf8(got[6]), HighScoreAddress());
        QVERIFY(HighScoreAddress().endsWith(QLatin1Char('@') + SiteUrl().host()));

        // No mail program at all: nothing is shown, the dialog still closes.
        qputenv("PATH", folder.filePath(QStringLiteral("nothing")).toLocal8Bit());
        {
            const auto form = w.Open(1);
            form->show();
            AnswerNextBox([&](QDialog& box) { static_cast<QMessageBox&>(box).button(QMessageBox::Ok)->click(); });
            form->SendButton->click();
            QVERIFY(!form->isVisible());
            QTest::qWait(50);
            QVERIFY(QApplication::activeModalWidget() == nullptr);
        }
    }

    void menuKeyAndNewEntryOpenTheDialog()
    {
        TShellWorld w;
        w.Ini.SetGameStyle(3);
        int tab = -1;
        w.RunDialog = [&](QDialog& dialog) {
            if (auto* form = qobject_cast<TRecordsForm*>(&dialog))
                tab = form->TabControl->currentIndex();
            return int(QDialog::Rejected);
        };
        w.Form->HighScoresMenuItem->trigger();
        QCOMPARE(tab, 2);
        tab = -1;
        QTest::keyClick(w.Form.get(), Qt::Key_H, Qt::AltModifier);
        QCOMPARE(tab, 2);
        tab = -1;
        w.Dialogs.ShowRecords(); // what a new entry does
        QCOMPARE(tab, 2);
        QCOMPARE(w.Desktop, (std::vector<std::string>(3, "dialog High scores")));
    }

    void namePromptLoopsAndKeepsLettersBeyondAscii()
    {
        QTemporaryDir folder;
        const std::filesystem::path file = folder.filePath(QStringLiteral("records.dat")).toStdString();
        TFormWorld w(file);
        TDialogs dialogs;
        bool shown = false;
        dialogs.OpenRecords = [&] { shown = true; };

        // The box: the pack's caption and prompt, the preset, wide enough for its title.
        QStringList presets;
        QStringList answers = {
            QString(), QStringLiteral("ABCDEFGHIJKLMNOPQRSTUVWXY"), QStringLiteral("äöüäöüßäöüäöüßäöüäöü")};
        std::function<void(QDialog&)> answer = [&](QDialog& dialog) {
            auto& box = static_cast<QInputDialog&>(dialog);
            QCOMPARE(box.windowTitle(), QStringLiteral("New high score"));
            QCOMPARE(box.labelText(), QStringLiteral("Enter your name:"));
            QFont bold = box.font();
            bold.setBold(true);
            QVERIFY(box.width() >= QFontMetrics(bold).horizontalAdvance(box.windowTitle()) + 100);
            presets << box.textValue();
            box.setTextValue(answers.takeFirst());
            box.accept();
            if (!answers.isEmpty())
                AnswerNextBox(answer);
        };
        AnswerNextBox(answer);
        TGameResult result;
        result.Style = 5;
        result.Score = 777;
        w.Records.AddRecord(result, dialogs, w.Lang);
        // Empty comes back with the name offered again, and a name of 25
        // letters comes back cut to its first 20.
        QCOMPARE(presets, (QStringList{"Player", "Player", "ABCDEFGHIJKLMNOPQRST"}));
        QVERIFY(shown);

        // A letter cut in half never shows; the name reads back the same after a restart.
        result.Score = 778;
        AnswerNextBox([&](QDialog& box) {
            static_cast<QInputDialog&>(box).setTextValue(QStringLiteral("ABCDEFGHIJKLMNOPQRSä"));
            box.accept();
        });
        w.Records.AddRecord(result, dialogs, w.Lang);
        TRandom rng(3);
        TRecords again(rng, file);
        again.LoadRecords();
        QCOMPARE(FromNameBytes(again.Entry(5, 1).Name), QStringLiteral("ABCDEFGHIJKLMNOPQRSä"));
        QCOMPARE(FromNameBytes(again.Entry(5, 2).Name), QStringLiteral("äöüäöüßäöüäöüßäöüäöü"));
        QCOMPARE(again.Entry(5, 2).Name.size(), size_t{20});

        // Cancel keeps the preset exactly, even for letters beyond ASCII.
        w.Records.PlayerName = ToNameBytes(QStringLiteral("Zoë"));
        AnswerNextBox([](QDialog& box) { box.reject(); });
        QCOMPARE(dialogs.InputName("MB10", "MB11", w.Records.PlayerName), ToNameBytes(QStringLiteral("Zoë")));
    }

    void aGameWithAGoodScoreEndsInTheDialog()
    {
        QTemporaryDir folder;
        const std::filesystem::path file = folder.filePath(QStringLiteral("records.dat")).toStdString();
        TIni ini(std::nullopt);
        ini.SetGameStyle(2);
        TLanguage lang(ini, std::filesystem::path(STAKOR_SOURCE_DATA_DIR) / "Language");
        lang.FindLanguages();
        lang.LoadLanguage("English");
        TAnswers answers;
        TDialogs dialogs;
        TGameCore core(ini, lang, answers, TDialogPorts{answers, answers, dialogs}, STAKOR_SOURCE_DATA_DIR, file, 4);
        int tab = -1;
        QString shownName;
        TMainForm window(core, dialogs, TDesktop{});
        window.RunDialog = [&](QDialog& dialog) {
            auto& form = static_cast<TRecordsForm&>(dialog);
            tab = form.TabControl->currentIndex();
            shownName = FromNameBytes(core.Records.Entry(tab + 1, 1).Name);
            return int(QDialog::Rejected);
        };

        AnswerNextBox([](QDialog& box) {
            static_cast<QInputDialog&>(box).setTextValue(QStringLiteral("Zoë"));
            box.accept();
        });
        QTest::keyClick(&window, Qt::Key_F2);
        for (int tick = 0; tick < 5000 && core.Game.Running; ++tick)
            core.Rules.Tick(); // no key pressed: the figures pile up until the glass overflows
        QVERIFY(!core.Game.Running);
        QVERIFY(core.Game.Score > 0);
        QCOMPARE(tab, 1);
        QCOMPARE(shownName, QStringLiteral("Zoë"));

        // The entry shows the same after a restart.
        TRandom rng(1);
        TRecords again(rng, file);
        again.LoadRecords();
        QCOMPARE(FromNameBytes(again.Entry(2, 1).Name), QStringLiteral("Zoë"));
        QCOMPARE(again.Entry(2, 1).Score, core.Game.Score);
    }

    void namesBecomeOneByteForEachLetterSeen()
    {
        QCOMPARE(ToNameBytes(QStringLiteral("Zoë €")), std::string("Zo\xEB \x80"));
        // An accent typed as its own code point joins its letter.
        QCOMPARE(ToNameBytes(QString::fromUtf8("Zoe\xCC\x88")), std::string("Zo\xEB"));
        // A letter the code page lacks keeps its base letter, or becomes one "?".
        QCOMPARE(ToNameBytes(QStringLiteral("Ősz")), std::string("Osz"));
        QCOMPARE(ToNameBytes(QStringLiteral("Łukasz")), std::string("?ukasz"));
        QCOMPARE(ToNameBytes(QStringLiteral("Жанна")), std::string("?????"));
        QCOMPARE(ToNameBytes(QString::fromUtf8("A\xF0\x9F\x98\x80"
                                               "B")),
            std::string("A?B"));
        QCOMPARE(ToNameBytes(QString::fromUtf8("\xF0\x9F\x87\xA9\xF0\x9F\x87\xAA")), std::string("?")); // a flag
        QCOMPARE(FromNameBytes(ToNameBytes(QStringLiteral("Zoë €ß"))), QStringLiteral("Zoë €ß"));
        QCOMPARE(FromNameBytes(std::string("A\0\x81", 3)), QStringLiteral("A??"));
    }
};

static TRegisterShellTests<RecordsFormTest> registered;

} // namespace stakor::test

#include "records_form_test.moc"
