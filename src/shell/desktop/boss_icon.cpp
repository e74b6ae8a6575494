#include "shell/desktop/boss_icon.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <optional>
#include <string>
#include <vector>

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QPixmap>
#include <QStandardPaths>

#include "settings/user_file.h"

namespace stakor {

namespace {

// Icons are small: a bigger file is not one, and reading it would only cost time.
constexpr qint64 MaxPictureBytes = 8 * 1024 * 1024;
constexpr qint64 MaxDesktopEntryBytes = 64 * 1024;
constexpr int IconSide = 256;

// The bytes of a plain file of at most `maxBytes`, read through the game's
// own check: a folder, a pipe or a device is no icon, and opening one must
// never block the window thread. Null when the file cannot be read so.
std::optional<QByteArray> ReadIconSource(const QString& path, qint64 maxBytes)
{
    std::string bytes;
    const std::filesystem::path file(path.toStdString());
    // One byte more than allowed tells a file that is too big.
    if (ReadRegularFile(file, bytes, static_cast<size_t>(maxBytes) + 1) != TReadResult::Read || bytes.empty() ||
        bytes.size() > static_cast<size_t>(maxBytes))
        return std::nullopt;
    return QByteArray(bytes.data(), static_cast<qsizetype>(bytes.size()));
}

// The picture at `number` of an icon file, or the one picture of any other
// kind, decoded from the bytes read; Qt never opens the file itself.
QImage ReadPicture(const QString& path, int number)
{
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > MaxPictureBytes)
        return {};
    std::optional<QByteArray> bytes = ReadIconSource(path, MaxPictureBytes);
    if (!bytes)
        return {};
    QBuffer buffer;
    buffer.setData(*bytes);
    if (!buffer.open(QIODevice::ReadOnly))
        return {};
    // The format by the content, as the name may say anything; the suffix
    // decides only where the content does not (an SVG without its header).
    QByteArray format = QImageReader::imageFormat(&buffer);
    if (format.isEmpty())
        format = info.suffix().toLower().toLatin1();
    buffer.seek(0);
    QImageReader reader(&buffer, format);
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

// ---- Icons inside Windows programs -------------------------------------------------

// Little-endian reads that fail, rather than read, outside the bytes.
class TBytes {
public:
    explicit TBytes(const QByteArray& bytes)
        : Data(reinterpret_cast<const uint8_t*>(bytes.constData())), Size(static_cast<uint64_t>(bytes.size()))
    {
    }

    bool Has(uint64_t offset, uint64_t length) const { return offset <= Size && length <= Size - offset; }
    std::optional<uint32_t> U8(uint64_t offset) const { return Read(offset, 1); }
    std::optional<uint32_t> U16(uint64_t offset) const { return Read(offset, 2); }
    std::optional<uint32_t> U32(uint64_t offset) const { return Read(offset, 4); }
    const uint8_t* At(uint64_t offset) const { return Data + offset; }

private:
    std::optional<uint32_t> Read(uint64_t offset, unsigned length) const
    {
        if (!Has(offset, length))
            return std::nullopt;
        uint32_t value = 0;
        for (unsigned i = 0; i < length; ++i)
            value |= static_cast<uint32_t>(Data[offset + i]) << (8 * i);
        return value;
    }

    const uint8_t* Data;
    uint64_t Size;
};

constexpr uint32_t ResourceIcon = 3;
constexpr uint32_t ResourceGroupIcon = 14;
constexpr uint32_t MaxDirectoryEntries = 4096;
constexpr uint32_t MaxGroupPictures = 64;
constexpr uint64_t MaxIconFileBytes = 8 * 1024 * 1024;
constexpr qint64 MaxProgramBytes = 64 * 1024 * 1024;

struct TSection {
    uint32_t Address;
    uint32_t Span;
    uint32_t RawOffset;
    uint32_t RawSize;
};

// The resource tree of a program: where it starts in the file, and how the
// program's addresses map to file offsets.
class TResources {
public:
    explicit TResources(const QByteArray& program) : Bytes(program) { Valid = Open(); }

    // The entries of a directory (at `offset` from the root), in file order:
    // the name or number, and the offset of what it leads to, with the high
    // bit set for a subdirectory.
    std::vector<std::pair<uint32_t, uint32_t>> Entries(uint32_t offset) const
    {
        std::vector<std::pair<uint32_t, uint32_t>> entries;
        const uint64_t at = Root + offset;
        const auto named = Bytes.U16(at + 12), numbered = Bytes.U16(at + 14);
        if (!Valid || !named || !numbered)
            return entries;
        const uint32_t count = std::min(*named + *numbered, MaxDirectoryEntries);
        for (uint32_t i = 0; i < count; ++i) {
            const auto name = Bytes.U32(at + 16 + 8 * uint64_t(i)), target = Bytes.U32(at + 20 + 8 * uint64_t(i));
            if (!name || !target)
                break;
            entries.emplace_back(*name, *target);
        }
        return entries;
    }

    // The data of the first language below a name's directory entry.
    std::optional<std::pair<uint64_t, uint32_t>> FirstData(uint32_t target) const
    {
        if (!(target & 0x80000000u))
            return std::nullopt;
        const auto languages = Entries(target & 0x7fffffffu);
        if (languages.empty() || (languages.front().second & 0x80000000u))
            return std::nullopt;
        const uint64_t entry = Root + languages.front().second;
        const auto address = Bytes.U32(entry), size = Bytes.U32(entry + 4);
        if (!address || !size)
            return std::nullopt;
        const auto offset = FileOffset(*address);
        if (!offset || !Bytes.Has(*offset, *size))
            return std::nullopt;
        return std::make_pair(*offset, *size);
    }

    // The subdirectory of a resource type at the root, if the program has it.
    std::optional<uint32_t> TypeDirectory(uint32_t type) const
    {
        for (const auto& [name, target] : Entries(0))
            if (name == type && (target & 0x80000000u))
                return target & 0x7fffffffu;
        return std::nullopt;
    }

    const TBytes Bytes;

private:
    bool Open()
    {
        if (Bytes.U16(0) != 0x5a4du) // "MZ"
            return false;
        const auto header = Bytes.U32(0x3c);
        if (!header || Bytes.U32(*header) != 0x00004550u) // "PE\0\0"
            return false;
        const uint64_t coff = *header + 4;
        const auto sectionCount = Bytes.U16(coff + 2), optionalSize = Bytes.U16(coff + 16);
        if (!sectionCount || !optionalSize)
            return false;
        const uint64_t optional = coff + 20;
        const auto magic = Bytes.U16(optional);
        if (!magic || (*magic != 0x10b && *magic != 0x20b))
            return false;
        const uint64_t directories = optional + (*magic == 0x10b ? 96 : 112);
        const auto directoryCount = Bytes.U32(directories - 4);
        if (!directoryCount || *directoryCount < 3 || directories + 24 > optional + *optionalSize)
            return false;
        const auto resourceAddress = Bytes.U32(directories + 16);
        if (!resourceAddress || *resourceAddress == 0)
            return false;
        const uint64_t table = optional + *optionalSize;
        for (uint32_t i = 0; i < *sectionCount; ++i) {
            const uint64_t at = table + 40 * uint64_t(i);
            const auto span = Bytes.U32(at + 8), address = Bytes.U32(at + 12), rawSize = Bytes.U32(at + 16),
                       rawOffset = Bytes.U32(at + 20);
            if (!span || !address || !rawSize || !rawOffset)
                return false;
            Sections.push_back({*address, std::max(*span, *rawSize), *rawOffset, *rawSize});
        }
        const auto root = FileOffset(*resourceAddress);
        if (!root)
            return false;
        Root = *root;
        return Bytes.Has(Root, 16);
    }

    // A program address as a file offset, inside the section's bytes in the file.
    std::optional<uint64_t> FileOffset(uint32_t address) const
    {
        for (const TSection& section : Sections) {
            const uint64_t start = section.Address;
            if (address < start || address - start >= section.Span)
                continue;
            const uint64_t inside = address - start;
            if (inside >= section.RawSize)
                return std::nullopt;
            const uint64_t offset = uint64_t(section.RawOffset) + inside;
            return Bytes.Has(offset, 1) ? std::optional<uint64_t>(offset) : std::nullopt;
        }
        return std::nullopt;
    }

    std::vector<TSection> Sections;
    uint64_t Root = 0;
    bool Valid = false;
};

void Append16(QByteArray& bytes, uint32_t value)
{
    bytes.append(static_cast<char>(value & 0xff));
    bytes.append(static_cast<char>((value >> 8) & 0xff));
}

void Append32(QByteArray& bytes, uint32_t value)
{
    Append16(bytes, value & 0xffff);
    Append16(bytes, value >> 16);
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
    const std::optional<QByteArray> read = ReadIconSource(path, MaxDesktopEntryBytes);
    if (!read)
        return {};
    const QByteArray& bytes = *read;
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

QIcon IconOfProgram(const QString& path, int number)
{
    const QFileInfo info(path);
    if (!info.isFile() || info.size() > MaxProgramBytes)
        return {};
    const std::optional<QByteArray> program = ReadIconSource(path, MaxProgramBytes);
    if (!program)
        return {};
    const QByteArray icon = IconFileFromProgram(*program, number);
    if (icon.isEmpty())
        return {};
    QBuffer buffer;
    buffer.setData(icon);
    if (!buffer.open(QIODevice::ReadOnly))
        return {};
    // The largest picture of the group, as the task bar wants it sharp.
    QImageReader reader(&buffer, "ico");
    QImage best;
    for (int i = 0; i < std::min(reader.imageCount(), int(MaxGroupPictures)); ++i) {
        if (i > 0 && !reader.jumpToImage(i))
            break;
        const QSize size = reader.size();
        if (size.isValid() && (size.width() > IconSide || size.height() > IconSide))
            continue;
        QImage image = reader.read();
        if (!image.isNull() && image.width() * image.height() > best.width() * best.height())
            best = std::move(image);
    }
    return IconOf(best);
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

QByteArray IconFileFromProgram(const QByteArray& program, int number)
{
    if (number < 0)
        return {};
    const TResources resources(program);
    const auto groups = resources.TypeDirectory(ResourceGroupIcon);
    const auto icons = resources.TypeDirectory(ResourceIcon);
    if (!groups || !icons)
        return {};
    const auto groupEntries = resources.Entries(*groups);
    if (static_cast<size_t>(number) >= groupEntries.size())
        return {};
    const auto group = resources.FirstData(groupEntries[static_cast<size_t>(number)].second);
    if (!group)
        return {};
    const TBytes& bytes = resources.Bytes;
    const auto count = bytes.U16(group->first + 4);
    if (!count || *count == 0 || 6 + 14 * uint64_t(*count) > group->second)
        return {};

    // The group lists its pictures by number; the pictures are resources of their own.
    const auto iconEntries = resources.Entries(*icons);
    std::vector<std::pair<uint64_t, uint32_t>> pictures;
    std::vector<uint64_t> headers;
    for (uint32_t i = 0; i < std::min<uint32_t>(*count, MaxGroupPictures); ++i) {
        const uint64_t entry = group->first + 6 + 14 * uint64_t(i);
        const auto id = bytes.U16(entry + 12);
        if (!id)
            return {};
        for (const auto& [name, target] : iconEntries)
            if (name == *id) {
                if (const auto data = resources.FirstData(target)) {
                    pictures.push_back(*data);
                    headers.push_back(entry);
                }
                break;
            }
    }
    if (pictures.empty())
        return {};

    QByteArray file;
    Append16(file, 0);
    Append16(file, 1);
    Append16(file, static_cast<uint32_t>(pictures.size()));
    uint64_t offset = 6 + 16 * uint64_t(pictures.size());
    for (size_t i = 0; i < pictures.size(); ++i) {
        // Width, height, colours, reserved, planes and bits as the group has them.
        file.append(reinterpret_cast<const char*>(bytes.At(headers[i])), 8);
        Append32(file, pictures[i].second);
        Append32(file, static_cast<uint32_t>(offset));
        offset += pictures[i].second;
        if (offset > MaxIconFileBytes)
            return {};
    }
    for (const auto& [at, size] : pictures)
        file.append(reinterpret_cast<const char*>(bytes.At(at)), static_cast<qsizetype>(size));
    return file;
}

QIcon ThemeIcon(const QString& name, const QStringList& iconDirs)
{
    if (name.isEmpty() || name.contains(QLatin1Char('/')) || name.startsWith(QLatin1Char('.')))
        return {};
    // Not Qt's own theme lookup: it opens whatever file bears the name, and a
    // pipe there would block the window for good.
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
        return IconOfProgram(info.absoluteFilePath(), number);
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
