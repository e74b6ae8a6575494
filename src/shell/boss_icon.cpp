#include "shell/boss_icon.h"

#include <algorithm>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QPixmap>
#include <QStandardPaths>

namespace stakor {

namespace {

// Icons are small: a bigger file is not one, and reading it would only cost time.
constexpr qint64 MaxPictureBytes = 8 * 1024 * 1024;
constexpr qint64 MaxDesktopEntryBytes = 64 * 1024;
constexpr int IconSide = 256;

// The picture at `number` of an icon file, or the one picture of any other
// kind. Only plain files are opened: a folder, a pipe or a device is no icon
// and must not block the window thread.
QImage ReadPicture(const QString& path, int number)
{
    const QFileInfo info(path);
    if (!info.isFile() || !info.isReadable() || info.size() <= 0 || info.size() > MaxPictureBytes)
        return {};
    QImageReader reader(path);
    reader.setDecideFormatFromContent(true);
    if (!reader.canRead())
        return {};
    if (reader.format() == "ico") {
        if (number < 0 || number >= reader.imageCount())
            return {};
        if (number > 0 && !reader.jumpToImage(number))
            return {};
    }
    const QSize size = reader.size();
    if (size.isValid() && (size.width() > IconSide || size.height() > IconSide)) {
        if (reader.supportsOption(QImageIOHandler::ScaledSize))
            reader.setScaledSize(size.scaled(IconSide, IconSide, Qt::KeepAspectRatio));
        else if (size.width() > 4096 || size.height() > 4096)
            return {};
    }
    QImage image = reader.read();
    if (image.isNull())
        return {};
    if (image.width() > IconSide || image.height() > IconSide)
        image = image.scaled(IconSide, IconSide, Qt::KeepAspectRatio, Qt::SmoothTransformation);
    return image;
}

QIcon IconOf(const QImage& image)
{
    return image.isNull() ? QIcon() : QIcon(QPixmap::fromImage(image));
}

bool IsPictureSuffix(const QString& suffix)
{
    static const QStringList kinds = {QStringLiteral("ico"), QStringLiteral("png"), QStringLiteral("svg"),
        QStringLiteral("svgz"), QStringLiteral("xpm"), QStringLiteral("bmp"), QStringLiteral("jpg"),
        QStringLiteral("jpeg"), QStringLiteral("gif")};
    return kinds.contains(suffix);
}

QStringList DataDirs()
{
    QStringList dirs;
    const QString home = qEnvironmentVariable("XDG_DATA_HOME");
    dirs << (home.isEmpty() ? QDir::homePath() + QStringLiteral("/.local/share") : home);
    QString system = qEnvironmentVariable("XDG_DATA_DIRS");
    if (system.isEmpty())
        system = QStringLiteral("/usr/local/share:/usr/share");
    dirs << system.split(QLatin1Char(':'), Qt::SkipEmptyParts);
    return dirs;
}

QStringList DefaultIconDirs()
{
    QStringList dirs{QDir::homePath() + QStringLiteral("/.icons")};
    for (const QString& data : DataDirs())
        dirs << data + QStringLiteral("/icons");
    return dirs;
}

// How well a theme's size folder ("48x48", "scalable", "24x24@2") fits a
// task-bar icon: lower is better.
int SizeDistance(const QString& folder)
{
    if (folder == QLatin1String("scalable"))
        return 1;
    bool ok = false;
    const int side = folder.section(QLatin1Char('x'), 0, 0).toInt(&ok);
    return ok ? std::abs(side - 48) * 2 : 1000;
}

// The theme's icon by walking the icon folders: base / theme / size /
// context / name.(png|svg|xpm), and the flat base / name.* as a last resort.
QIcon SearchIconDirs(const QString& name, const QStringList& bases)
{
    QString currentTheme = QIcon::themeName();
    struct TCandidate {
        int Rank;
        QString Path;
    };
    std::vector<TCandidate> found;
    const QStringList suffixes = {QStringLiteral(".png"), QStringLiteral(".svg"), QStringLiteral(".xpm")};
    for (const QString& base : bases) {
        const QDir baseDir(base);
        if (!baseDir.exists())
            continue;
        for (const QString& suffix : suffixes)
            if (QFileInfo(baseDir.filePath(name + suffix)).isFile())
                found.push_back({5000, baseDir.filePath(name + suffix)});
        for (const QString& theme : baseDir.entryList(QDir::Dirs | QDir::NoDotAndDotDot, QDir::Name)) {
            // The desktop's theme first, then the common fallback, then the rest.
            const int themeRank = theme == currentTheme ? 0 : theme == QLatin1String("hicolor") ? 1 : 2;
            const QDir themeDir(baseDir.filePath(theme));
            for (const QString& size : themeDir.entryList(QDir::Dirs | QDir::NoDotAndDotDot)) {
                const QDir sizeDir(themeDir.filePath(size));
                for (const QString& context : sizeDir.entryList(QDir::Dirs | QDir::NoDotAndDotDot))
                    for (const QString& suffix : suffixes) {
                        const QString path = QDir(sizeDir.filePath(context)).filePath(name + suffix);
                        if (QFileInfo(path).isFile())
                            found.push_back({themeRank * 2000 + SizeDistance(size), path});
                    }
            }
        }
    }
    std::stable_sort(
        found.begin(), found.end(), [](const TCandidate& a, const TCandidate& b) { return a.Rank < b.Rank; });
    for (const TCandidate& candidate : found)
        if (const QImage image = ReadPicture(candidate.Path, 0); !image.isNull())
            return IconOf(image);
    return {};
}

// The Icon= of a desktop entry's main group.
QString DesktopEntryIcon(const QString& path)
{
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > MaxDesktopEntryBytes)
        return {};
    QFile file(path);
    if (!file.open(QIODevice::ReadOnly))
        return {};
    const QByteArray bytes = file.read(MaxDesktopEntryBytes);
    bool mainGroup = false;
    for (const QByteArray& raw : bytes.split('\n')) {
        const QByteArray line = raw.trimmed();
        if (line.startsWith('[')) {
            mainGroup = line == "[Desktop Entry]";
            continue;
        }
        if (!mainGroup)
            continue;
        const qsizetype equals = line.indexOf('=');
        if (equals > 0 && line.left(equals).trimmed() == "Icon")
            return QString::fromUtf8(line.mid(equals + 1).trimmed());
    }
    return {};
}

QIcon IconOfDesktopEntry(const QString& path)
{
    const QString icon = DesktopEntryIcon(path);
    if (icon.isEmpty())
        return {};
    if (QDir::isAbsolutePath(icon))
        return IsPictureSuffix(QFileInfo(icon).suffix().toLower()) ? IconOf(ReadPicture(icon, 0)) : QIcon();
    QIcon themed = ThemeIcon(icon);
    if (themed.isNull() && IsPictureSuffix(QFileInfo(icon).suffix().toLower()))
        themed = ThemeIcon(QFileInfo(icon).completeBaseName());
    return themed;
}

QIcon DrawnSheet()
{
    // A sheet of paper with a folded corner and a few lines of text.
    QPixmap sheet(48, 48);
    sheet.fill(Qt::transparent);
    QPainter painter(&sheet);
    painter.setRenderHint(QPainter::Antialiasing);
    const QPolygonF outline({{9, 3}, {31, 3}, {40, 12}, {40, 45}, {9, 45}});
    painter.setPen(QPen(QColor(0x60, 0x60, 0x60), 1.5));
    painter.setBrush(QColor(0xfa, 0xfa, 0xf6));
    painter.drawPolygon(outline);
    painter.setBrush(QColor(0xd8, 0xd8, 0xd0));
    painter.drawPolygon(QPolygonF({{31, 3}, {31, 12}, {40, 12}}));
    painter.setPen(QPen(QColor(0x70, 0x88, 0xa8), 2));
    for (int y = 18; y <= 38; y += 5)
        painter.drawLine(QPointF(14, y), QPointF(y == 38 ? 26 : 35, y));
    painter.end();
    return QIcon(sheet);
}

} // namespace

QIcon ThemeIcon(const QString& name, const QStringList& iconDirs)
{
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || name.startsWith(QLatin1Char('.')))
        return {};
    if (iconDirs.isEmpty() && QIcon::hasThemeIcon(name)) {
        QIcon icon = QIcon::fromTheme(name);
        if (!icon.isNull() && !icon.availableSizes().isEmpty())
            return icon;
    }
    return SearchIconDirs(name, iconDirs.isEmpty() ? DefaultIconDirs() : iconDirs);
}

QIcon BossIconFromFile(const QString& file, int number)
{
    const QString name = file.trimmed();
    if (name.isEmpty() || number < 0)
        return {};
    const QFileInfo info(name);
    const QString suffix = info.suffix().toLower();
    if (!info.exists()) {
        if (name.contains(QLatin1Char('/')))
            return {};
        // A bare desktop-entry name is looked up where the desktop keeps them.
        if (suffix == QLatin1String("desktop")) {
            for (const QString& data : DataDirs()) {
                const QString path = data + QStringLiteral("/applications/") + name;
                if (QFileInfo(path).isFile())
                    return IconOfDesktopEntry(path);
            }
            return {};
        }
        // Anything else that is no file may be a name of the icon theme.
        return ThemeIcon(name);
    }
    if (!info.isFile())
        return {};
    if (suffix == QLatin1String("exe") || suffix == QLatin1String("dll"))
        return {}; // their icons are resources of another system's program format
    if (suffix == QLatin1String("desktop"))
        return IconOfDesktopEntry(info.absoluteFilePath());
    return IconOf(ReadPicture(info.absoluteFilePath(), number));
}

QIcon StandInIcon()
{
    for (const char* name : {"accessories-text-editor", "text-editor", "text-x-generic"})
        if (QIcon icon = ThemeIcon(QString::fromLatin1(name)); !icon.isNull())
            return icon;
    return DrawnSheet();
}

QIcon BossIcon(const QString& file, int number)
{
    QIcon icon = BossIconFromFile(file, number);
    return icon.isNull() ? StandInIcon() : icon;
}

} // namespace stakor
