// The disguise's icon lookup: each kind of file, and files that are no icon.
#include <atomic>
#include <chrono>
#include <random>
#include <thread>

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <QImageReader>
#include <QImageWriter>
#include <QTemporaryDir>
#include <QtTest>

#include "shell/desktop/boss_icon.h"
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

constexpr int Side = 16;

// One plain 16 x 16, 32-bit picture as an icon holds it: header, pixels, mask.
QByteArray Picture(const QColor& colour)
{
    QByteArray bytes;
    Put32(bytes, 40);
    Put32(bytes, Side);
    Put32(bytes, Side * 2); // the picture and its mask
    Put16(bytes, 1);
    Put16(bytes, 32);
    for (int i = 0; i < 6; ++i)
        Put32(bytes, 0);
    for (int i = 0; i < Side * Side; ++i)
        bytes.append(char(colour.blue())).append(char(colour.green())).append(char(colour.red())).append(char(255));
    bytes.append(QByteArray(Side * 4, '\0')); // the mask: every pixel shows
    return bytes;
}

// A Windows program whose resources hold one icon group per colour, each
// with one picture, numbered from 1 (pictures) and 101 (groups).
QByteArray Program(const QList<QColor>& colours)
{
    const int n = static_cast<int>(colours.size());
    const int pictureBytes = static_cast<int>(Picture(Qt::red).size());
    // The resource section: root, the two type directories, one language
    // directory per resource, the data entries, then the data.
    const int root = 0, icons = 32, groups = icons + 16 + 8 * n, languages = groups + 16 + 8 * n;
    const int entries = languages + 2 * n * 24, data = entries + 2 * n * 16;
    const int groupBytes = 6 + 14;
    const int size = data + n * (pictureBytes + groupBytes);
    const int rva = 0x1000;
    QByteArray section;
    const auto directory = [&](int count) {
        for (int i = 0; i < 6; ++i)
            Put16(section, 0);
        Put16(section, 0);
        Put16(section, count);
    };
    (void)root;
    directory(2);
    Put32(section, 3); // pictures
    Put32(section, int(0x80000000u | unsigned(icons)));
    Put32(section, 14); // groups
    Put32(section, int(0x80000000u | unsigned(groups)));
    for (int type = 0; type < 2; ++type) {
        directory(n);
        for (int i = 0; i < n; ++i) {
            Put32(section, (type == 0 ? 1 : 101) + i);
            Put32(section, int(0x80000000u | unsigned(languages + (type * n + i) * 24)));
        }
    }
    for (int r = 0; r < 2 * n; ++r) {
        directory(1);
        Put32(section, 0x409);
        Put32(section, entries + r * 16);
    }
    for (int r = 0; r < 2 * n; ++r) {
        const bool picture = r < n;
        const int at = data + (picture ? r * pictureBytes : n * pictureBytes + (r - n) * groupBytes);
        Put32(section, rva + at);
        Put32(section, picture ? pictureBytes : groupBytes);
        Put32(section, 0);
        Put32(section, 0);
    }
    for (const QColor& colour : colours)
        section += Picture(colour);
    for (int i = 0; i < n; ++i) {
        Put16(section, 0);
        Put16(section, 1);
        Put16(section, 1);
        section.append(char(Side)).append(char(Side)).append(char(0)).append(char(0));
        Put16(section, 1);
        Put16(section, 32);
        Put32(section, pictureBytes);
        Put16(section, 1 + i);
    }
    Q_ASSERT(section.size() == size);

    QByteArray program("MZ");
    program.append(QByteArray(0x3a, '\0'));
    Put32(program, 0x40);
    program.append("PE\0\0", 4);
    Put16(program, 0x14c);
    Put16(program, 1); // one section
    Put32(program, 0);
    Put32(program, 0);
    Put32(program, 0);
    Put16(program, 224);
    Put16(program, 0x102);
    QByteArray optional(224, '\0');
    optional[0] = char(0x0b);
    optional[1] = char(0x01);
    optional[92] = char(16); // sixteen data directories
    const auto set32 = [&](int at, int value) {
        for (int i = 0; i < 4; ++i)
            optional[at + i] = char((value >> (8 * i)) & 0xff);
    };
    set32(96 + 16, rva);
    set32(96 + 20, size);
    program += optional;
    program.append(".rsrc\0\0\0", 8);
    Put32(program, size);
    Put32(program, rva);
    Put32(program, size);
    Put32(program, 0x200);
    program.append(QByteArray(0x200 - program.size(), '\0'));
    return program + section;
}

// An icon file with one plain 16 x 16, 32-bit picture per colour.
QByteArray IconFile(const QList<QColor>& colours)
{
    constexpr int side = Side;
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
    for (const QColor& colour : colours)
        bytes += Picture(colour);
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

    void programsGiveTheirIconGroups()
    {
        const QByteArray program = Program({Qt::red, Qt::blue});
        const QByteArray first = IconFileFromProgram(program, 0);
        QCOMPARE(first.size(), 6 + 16 + Picture(Qt::red).size());
        QCOMPARE(first.mid(22), Picture(Qt::red));
        QCOMPARE(IconFileFromProgram(program, 1).mid(22), Picture(Qt::blue));
        QVERIFY(IconFileFromProgram(program, 2).isEmpty());
        QVERIFY(IconFileFromProgram(program, -1).isEmpty());

        Write(Path("editor.exe"), program);
        QCOMPARE(Middle(BossIconFromFile(Path("editor.exe"), 0)), QColor(Qt::red));
        QCOMPARE(Middle(BossIconFromFile(Path("editor.exe"), 1)), QColor(Qt::blue));
        QVERIFY(BossIconFromFile(Path("editor.exe"), 2).isNull());
        Write(Path("Library.DLL"), program);
        QCOMPARE(Middle(BossIconFromFile(Path("Library.DLL"), 1)), QColor(Qt::blue));
    }

    void damagedProgramsNeverCrash()
    {
        // Damage where the parser looks (headers, section table, resource
        // tree) and anywhere, and cut files: never a read outside the bytes
        // (the sanitizer build watches), never a hang.
        const QByteArray good = Program({Qt::red, Qt::blue, Qt::green});
        std::mt19937 random(7);
        int survived = 0;
        // STAKOR_FUZZ_ROUNDS runs longer by hand.
        const int rounds = std::max(4000, qEnvironmentVariableIntValue("STAKOR_FUZZ_ROUNDS"));
        for (int round = 0; round < rounds; ++round) {
            QByteArray bad = good;
            const int changes = 1 + static_cast<int>(random() % 6);
            for (int i = 0; i < changes; ++i) {
                const qsizetype window = round % 3 == 0 ? bad.size() : round % 3 == 1 ? 0x160 : 0x200 + 0x180;
                const auto at = static_cast<qsizetype>(random() % static_cast<unsigned>(std::min(window, bad.size())));
                bad[at] = static_cast<char>(round % 7 == 0 ? 0xff : random() & 0xff);
            }
            if (round % 9 == 0)
                bad.truncate(static_cast<qsizetype>(random() % static_cast<unsigned>(bad.size())));
            const QByteArray icon = IconFileFromProgram(bad, round % 4);
            if (icon.isEmpty())
                continue;
            ++survived;
            QVERIFY(icon.size() <= 8 * 1024 * 1024);
            QBuffer buffer;
            buffer.setData(icon);
            QVERIFY(buffer.open(QIODevice::ReadOnly));
            QImageReader(&buffer, "ico").read();
        }
        QVERIFY(survived > 0); // some damage leaves an icon to decode
        QVERIFY(IconFileFromProgram(QByteArray(), 0).isEmpty());
        QVERIFY(IconFileFromProgram("MZ", 0).isEmpty());
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
        Write(Path("program.exe"), QByteArray("MZ") + QByteArray(4096, '\x7f')); // no resources
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

    void pipesInIconThemesNeverBlock()
    {
        // Pipes named like the icons the disguise looks for in the icon
        // themes: the chosen name, and the text editor's stand-in. Nobody
        // writes to them; a lookup that opens one would wait for ever.
        const QString home = Path("pipes-home");
        const QString data = Path("pipes-data");
        const QStringList pipes = {home + "/.icons/hicolor/48x48/apps/fz.png",
            data + "/icons/hicolor/scalable/apps/fz.svg",
            home + "/.icons/hicolor/48x48/apps/accessories-text-editor.png",
            data + "/icons/hicolor/scalable/apps/text-editor.svg", data + "/icons/text-x-generic.png"};
        for (const QString& pipe : pipes) {
            QVERIFY(QDir().mkpath(QFileInfo(pipe).path()));
            QCOMPARE(::mkfifo(pipe.toLocal8Bit().constData(), 0600), 0);
        }
        // The theme's index, as every desktop has it, names the size folders.
        Write(data + "/icons/hicolor/index.theme",
            "[Icon Theme]\nName=Hicolor\nDirectories=48x48/apps,scalable/apps\n\n"
            "[48x48/apps]\nSize=48\nContext=Applications\nType=Threshold\n\n"
            "[scalable/apps]\nSize=48\nMinSize=1\nMaxSize=512\nContext=Applications\nType=Scalable\n");
        const QByteArray oldHome = qgetenv("HOME"), oldData = qgetenv("XDG_DATA_HOME"),
                         oldDirs = qgetenv("XDG_DATA_DIRS");
        const QStringList oldSearch = QIcon::themeSearchPaths();
        const QString oldTheme = QIcon::themeName();
        qputenv("HOME", home.toUtf8());
        qputenv("XDG_DATA_HOME", data.toUtf8());
        qputenv("XDG_DATA_DIRS", Path("nothing").toUtf8());
        QIcon::setThemeSearchPaths({home + "/.icons", data + "/icons"});
        QIcon::setThemeName("hicolor");

        // A reader stuck in a pipe is let go (and noted) by opening the pipe
        // for writing, which succeeds only while someone has it open to read.
        std::atomic<bool> done = false, blocked = false;
        std::thread watchdog([&] {
            while (!done) {
                for (const QString& pipe : pipes) {
                    const int fd = ::open(pipe.toLocal8Bit().constData(), O_WRONLY | O_NONBLOCK | O_CLOEXEC);
                    if (fd >= 0) {
                        blocked = true;
                        ::close(fd);
                    }
                }
                std::this_thread::sleep_for(std::chrono::milliseconds(20));
            }
        });
        const QIcon chosen = BossIconFromFile("fz", 0);
        const QIcon shown = BossIcon("fz", 0);
        (void)shown.pixmap(48, 48);
        (void)shown.availableSizes();
        const QIcon standIn = StandInIcon();
        (void)standIn.pixmap(48, 48);
        done = true;
        watchdog.join();

        qputenv("HOME", oldHome);
        if (oldData.isNull())
            qunsetenv("XDG_DATA_HOME");
        else
            qputenv("XDG_DATA_HOME", oldData);
        if (oldDirs.isNull())
            qunsetenv("XDG_DATA_DIRS");
        else
            qputenv("XDG_DATA_DIRS", oldDirs);
        QIcon::setThemeSearchPaths(oldSearch);
        QIcon::setThemeName(oldTheme);

        QVERIFY2(!blocked, "an icon lookup opened a pipe");
        QVERIFY(chosen.isNull());
        QVERIFY(!shown.isNull()); // the sheet drawn here
        QVERIFY(!standIn.isNull());
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
