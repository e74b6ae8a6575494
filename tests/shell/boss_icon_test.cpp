// The disguise's icon lookup: each kind of file, and files that are no icon.
#include <random>

#include <sys/stat.h>

#include <QImageReader>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QtTest>

#include "shell/boss_icon.h"
#include "shell_tests.h"

namespace stakor::test {

namespace {

void Put16(QByteArray& bytes, int value)
{
    bytes.append(static_cast<char>(value & 0xff));
    bytes.append(static_cast<char>((value >> 8) & 0xff));
}

void Put32(QByteArray& bytes, int value)
{
    Put16(bytes, value & 0xffff);
    Put16(bytes, (value >> 16) & 0xffff);
}

// An icon file with one plain 16 x 16, 32-bit picture per colour.
QByteArray IconFile(const QList<QColor>& colours)
{
    constexpr int side = 16;
    constexpr int imageBytes = 40 + side * side * 4 + side * 4;
    QByteArray bytes;
    Put16(bytes, 0);
    Put16(bytes, 1);
    Put16(bytes, static_cast<int>(colours.size()));
    int offset = 6 + 16 * static_cast<int>(colours.size());
    for (qsizetype i = 0; i < colours.size(); ++i) {
        bytes.append(char(side)).append(char(side)).append(char(0)).append(char(0));
        Put16(bytes, 1);
        Put16(bytes, 32);
        Put32(bytes, imageBytes);
        Put32(bytes, offset);
        offset += imageBytes;
    }
    for (const QColor& colour : colours) {
        Put32(bytes, 40);
        Put32(bytes, side);
        Put32(bytes, side * 2); // the picture and its mask
        Put16(bytes, 1);
        Put16(bytes, 32);
        for (int i = 0; i < 6; ++i)
            Put32(bytes, 0);
        for (int i = 0; i < side * side; ++i)
            bytes.append(char(colour.blue())).append(char(colour.green())).append(char(colour.red())).append(char(255));
        bytes.append(QByteArray(side * 4, '\0')); // the mask: every pixel shows
    }
    return bytes;
}

QColor Middle(const QIcon& icon)
{
    const QImage image = icon.pixmap(16, 16).toImage();
    return image.pixelColor(image.width() / 2, image.height() / 2);
}

void Write(const QString& path, const QByteArray& bytes)
{
    QFile file(path);
    QVERIFY(file.open(QIODevice::WriteOnly));
    file.write(bytes);
}

QImage Plain(const QColor& colour, int side = 32)
{
    QImage image(side, side, QImage::Format_ARGB32);
    image.fill(colour);
    return image;
}

} // namespace

class BossIconTest : public QObject {
    Q_OBJECT

private:
    QTemporaryDir Dir;
    QString Path(const QString& name) const { return Dir.filePath(name); }

private slots:
    void iconFileByNumber()
    {
        Write(Path("two.ico"), IconFile({Qt::red, Qt::blue}));
        QCOMPARE(Middle(BossIconFromFile(Path("two.ico"), 0)), QColor(Qt::red));
        QCOMPARE(Middle(BossIconFromFile(Path("two.ico"), 1)), QColor(Qt::blue));
        QVERIFY(BossIconFromFile(Path("two.ico"), 2).isNull());
        QVERIFY(BossIconFromFile(Path("two.ico"), -1).isNull());
        // The stand-in takes over where the file has no such icon.
        QVERIFY(!BossIcon(Path("two.ico"), 2).isNull());
    }

    void picturesAndXpm()
    {
        QVERIFY(Plain(Qt::green).save(Path("green.png")));
        QCOMPARE(Middle(BossIconFromFile(Path("green.png"), 0)), QColor(Qt::green));
        QVERIFY(Plain(Qt::yellow).convertToFormat(QImage::Format_RGB32).save(Path("yellow.xpm"), "XPM"));
        QCOMPARE(Middle(BossIconFromFile(Path("yellow.xpm"), 0)), QColor(Qt::yellow));
        // A big picture comes down to an icon's size.
        QVERIFY(Plain(Qt::green, 2000).save(Path("big.png")));
        const QIcon big = BossIconFromFile(Path("big.png"), 0);
        QVERIFY(!big.isNull());
        QVERIFY(big.availableSizes().first().width() <= 256);
    }

    void svgPicture()
    {
        if (!QImageReader::supportedImageFormats().contains("svg"))
            QSKIP("Qt's SVG plugin is not installed");
        Write(Path("cyan.svg"),
            "<svg xmlns='http://www.w3.org/2000/svg' width='48' height='48'>"
            "<rect width='48' height='48' fill='#00ffff'/></svg>");
        QCOMPARE(Middle(BossIconFromFile(Path("cyan.svg"), 0)), QColor(Qt::cyan));
    }

    void desktopEntriesAndThemeNames()
    {
        // A theme of our own, found the way the desktop finds its icons.
        const QString data = Path("data");
        QVERIFY(QDir().mkpath(data + "/icons/hicolor/48x48/apps"));
        QVERIFY(QDir().mkpath(data + "/icons/hicolor/16x16/apps"));
        QVERIFY(QDir().mkpath(data + "/applications"));
        QVERIFY(Plain(Qt::magenta, 48).save(data + "/icons/hicolor/48x48/apps/stakor-test-editor.png"));
        QVERIFY(Plain(Qt::black, 16).save(data + "/icons/hicolor/16x16/apps/stakor-test-editor.png"));
        const QByteArray home = qgetenv("XDG_DATA_HOME");
        qputenv("XDG_DATA_HOME", data.toUtf8());

        QCOMPARE(Middle(BossIconFromFile("stakor-test-editor", 0)), QColor(Qt::magenta)); // 48 before 16
        Write(Path("editor.desktop"),
            "[Desktop Action New]\nIcon=wrong-group\n[Desktop Entry]\nName=Editor\n Icon = stakor-test-editor \n");
        QCOMPARE(Middle(BossIconFromFile(Path("editor.desktop"), 0)), QColor(Qt::magenta));
        Write(data + "/applications/stakor-test-editor.desktop", "[Desktop Entry]\nIcon=" + Path("green.png").toUtf8());
        QVERIFY(Plain(Qt::green).save(Path("green.png")));
        QCOMPARE(Middle(BossIconFromFile("stakor-test-editor.desktop", 0)), QColor(Qt::green));
        Write(Path("noicon.desktop"), "[Desktop Entry]\nName=Nothing\n");
        QVERIFY(BossIconFromFile(Path("noicon.desktop"), 0).isNull());
        QVERIFY(BossIconFromFile("no-such-icon-anywhere", 0).isNull());
        QVERIFY(BossIconFromFile("../escape", 0).isNull());

        if (home.isNull())
            qunsetenv("XDG_DATA_HOME");
        else
            qputenv("XDG_DATA_HOME", home);
        QVERIFY(!ThemeIcon("stakor-test-editor", {data + "/icons"}).isNull());
    }

    void filesThatAreNoIcon()
    {
        QVERIFY(BossIconFromFile(QString(), 0).isNull());
        QVERIFY(BossIconFromFile("Notepad.exe", 0).isNull()); // the default, on a system without it
        QVERIFY(BossIconFromFile(Path("missing/file.ico"), 0).isNull());
        QVERIFY(QDir().mkpath(Path("folder.ico")));
        QVERIFY(BossIconFromFile(Path("folder.ico"), 0).isNull());
        Write(Path("empty.ico"), {});
        QVERIFY(BossIconFromFile(Path("empty.ico"), 0).isNull());
        Write(Path("program.exe"), QByteArray("MZ") + QByteArray(4096, '\x7f'));
        QVERIFY(BossIconFromFile(Path("program.exe"), 0).isNull());
        Write(Path("library.dll"), QByteArray("MZ") + QByteArray(64, '\0'));
        QVERIFY(BossIconFromFile(Path("library.dll"), 0).isNull());
        Write(Path("garbage.png"), QByteArray(5000, '\x42'));
        QVERIFY(BossIconFromFile(Path("garbage.png"), 0).isNull());

        // A header that promises more than the file holds.
        QByteArray cut = IconFile({Qt::red, Qt::blue});
        cut.truncate(cut.size() / 2);
        Write(Path("cut.ico"), cut);
        QVERIFY(BossIconFromFile(Path("cut.ico"), 1).isNull());
        QByteArray many;
        Put16(many, 0);
        Put16(many, 1);
        Put16(many, 65535);
        Write(Path("many.ico"), many);
        QVERIFY(BossIconFromFile(Path("many.ico"), 40000).isNull());

        // Huge, and a pipe nobody writes to: neither is read, neither blocks.
        QFile huge(Path("huge.png"));
        QVERIFY(huge.open(QIODevice::WriteOnly));
        QVERIFY(huge.resize(qint64(300) * 1024 * 1024));
        huge.close();
        QVERIFY(BossIconFromFile(Path("huge.png"), 0).isNull());
        QCOMPARE(::mkfifo(Path("pipe.ico").toLocal8Bit().constData(), 0600), 0);
        QVERIFY(BossIconFromFile(Path("pipe.ico"), 0).isNull());
        Write(Path("pipe.desktop"), {});
        QFile::remove(Path("pipe.desktop"));
        QCOMPARE(::mkfifo(Path("pipe.desktop").toLocal8Bit().constData(), 0600), 0);
        QVERIFY(BossIconFromFile(Path("pipe.desktop"), 0).isNull());
    }

    void damagedIconFilesNeverCrash()
    {
        // Random damage to a good file: whatever comes back, the reader stays
        // inside the file (the sanitizer build watches).
        const QByteArray good = IconFile({Qt::red, Qt::blue, Qt::green});
        std::mt19937 random(12);
        for (int round = 0; round < 1500; ++round) {
            QByteArray bad = good;
            const int changes = 1 + static_cast<int>(random() % 8);
            for (int i = 0; i < changes; ++i) {
                // The header and the entries are where damage hurts most.
                const auto at = static_cast<qsizetype>(random() % (round % 2 ? 70 : bad.size()));
                bad[at] = static_cast<char>(random() & 0xff);
            }
            if (round % 5 == 0)
                bad.truncate(static_cast<qsizetype>(random() % bad.size()));
            Write(Path("fuzz.ico"), bad);
            (void)BossIconFromFile(Path("fuzz.ico"), round % 4);
        }
    }

    void standInIsNeverTheGamesIcon()
    {
        const QIcon standIn = StandInIcon();
        QVERIFY(!standIn.isNull());
        const QImage game(QString::fromUtf8(STAKOR_SOURCE_DATA_DIR "/icons/vexamo-stakor-48.png"));
        QVERIFY(!game.isNull());
        const QImage shown = BossIcon("Notepad.exe", 0).pixmap(48, 48).toImage().convertToFormat(game.format());
        QVERIFY(!shown.isNull());
        QVERIFY(shown != game.scaled(shown.size()));
        // With no icon theme at all, a sheet drawn here.
        const QByteArray dirs = qgetenv("XDG_DATA_DIRS");
        qputenv("XDG_DATA_DIRS", Path("nothing").toUtf8());
        QVERIFY(ThemeIcon("accessories-text-editor", {Path("nothing")}).isNull());
        QVERIFY(!StandInIcon().isNull());
        qputenv("XDG_DATA_DIRS", dirs);
    }
};

namespace {
const TRegisterShellTests<BossIconTest> Registered;
}

} // namespace stakor::test

#include "boss_icon_test.moc"
