#include "Settings.h"

#include <QAction>
#include <QCoreApplication>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QFontInfo>
#include <QStandardPaths>

#include <algorithm>
#include <cmath>
#include <limits>

#include "ProfileFile.h"

namespace tainoteka {
namespace {

const QString kDir = QStringLiteral("DIR");
const QString kChDir = QStringLiteral("ChDir");
const QString kToolbar = QStringLiteral("POSITON TOOLBARPICTURES");
const QString kPosition = QStringLiteral("Position");
const QString kFont = QStringLiteral("FONT");
const QString kColor = QStringLiteral("Color");
const QString kHeight = QStringLiteral("Height");
const QString kName = QStringLiteral("Name");
const QString kPitch = QStringLiteral("Pitch");
const QString kSize = QStringLiteral("Size");
const QString kStyleBold = QStringLiteral("StyleBold");
const QString kStyleItalic = QStringLiteral("StyleItalic");
const QString kStyleUnderline = QStringLiteral("StyleUnderline");
const QString kStyleStrikeOut = QStringLiteral("StyleStrikeOut");
const QString kClipboard = QStringLiteral("CLIPBOARD");
const QString kClipboardChecked = QStringLiteral("ClipboardChecked");
const QString kSaveAs = QStringLiteral("SAVE AS");
const QString kType = QStringLiteral("Type");
const QString kLock = QStringLiteral("LOCK");
const QString kMinutes = QStringLiteral("Minutes");
// No stored value can hold a line break.
const QString kMissing = QStringLiteral("\n");

constexpr int kDefaultHeight = -11;
constexpr int kDefaultSize = 8;
constexpr int kMaxFaceLength = 31;
// Far beyond any readable font, yet small enough that the glyph cache of a
// hand-edited absurd size cannot exhaust memory.
constexpr int kMaxPixelHeight = 1600;

struct TEdgeName {
    TToolbarEdge Edge;
    const char* Name;
};
// In the order the stored text is compared.
constexpr TEdgeName kEdgeNames[] = {
    {TToolbarEdge::Bottom, "bottom"},
    {TToolbarEdge::Top, "top"},
    {TToolbarEdge::Right, "right"},
    {TToolbarEdge::Left, "left"},
};

int RoundHalfAway(double value)
{
    const double rounded = std::round(value); // halves away from zero
    const double limit = std::numeric_limits<int>::max();
    return int(std::clamp(rounded, -limit, limit));
}

struct TSystemColor {
    QPalette::ColorGroup Group;
    QPalette::ColorRole Role;
};

// The usual system colour indexes and their nearest palette roles.
TSystemColor SystemColorRole(int index)
{
    using P = QPalette;
    switch (index) {
    case 0: return {P::Active, P::Midlight}; // scroll bar
    case 1: return {P::Active, P::Dark}; // desktop
    case 2: return {P::Active, P::Highlight}; // active caption
    case 3: return {P::Active, P::Mid}; // inactive caption
    case 4: return {P::Active, P::Window}; // menu
    case 5: return {P::Active, P::Base}; // window
    case 6: return {P::Active, P::Shadow}; // window frame
    case 7: return {P::Active, P::WindowText}; // menu text
    case 8: return {P::Active, P::Text}; // window text: the text drawn on "window" (Base)
    case 9: return {P::Active, P::HighlightedText}; // caption text
    case 10: return {P::Active, P::Button}; // active border
    case 11: return {P::Active, P::Button}; // inactive border
    case 12: return {P::Active, P::Dark}; // application workspace
    case 13: return {P::Active, P::Highlight};
    case 14: return {P::Active, P::HighlightedText};
    case 15: return {P::Active, P::Button}; // button face
    case 16: return {P::Active, P::Dark}; // button shadow
    case 17: return {P::Disabled, P::Text}; // grey text
    case 18: return {P::Active, P::ButtonText};
    case 19: return {P::Disabled, P::WindowText}; // inactive caption text
    case 20: return {P::Active, P::Light}; // button highlight
    case 21: return {P::Active, P::Shadow}; // 3D dark shadow
    case 22: return {P::Active, P::Midlight}; // 3D light
    case 23: return {P::Active, P::ToolTipText}; // info text
    case 24: return {P::Active, P::ToolTipBase}; // info background
    case 26: return {P::Active, P::Link}; // hot-tracked item
    case 27: return {P::Active, P::Highlight}; // gradient of active caption
    case 28: return {P::Active, P::Mid}; // gradient of inactive caption
    case 29: return {P::Active, P::Highlight}; // menu highlight
    case 30: return {P::Active, P::Window}; // menu bar
    default: return {P::Active, P::Text}; // unknown index: stay readable
    }
}

// Negative heights are the character height without internal leading, which
// the font's pixel size approximates; positive heights (the cell height,
// leading included) are approximated the same way. Zero, the platform's
// default height, leaves the height as it is.
void SetFontHeight(QFont& font, int height)
{
    if (height == 0)
        return;
    const qint64 magnitude = height < 0 ? -qint64(height) : qint64(height);
    font.setPixelSize(int(std::min<qint64>(magnitude, kMaxPixelHeight)));
}

int FontHeight(const QFont& font, double pixelsPerInch)
{
    if (font.pixelSize() > 0)
        return -font.pixelSize();
    if (font.pointSizeF() > 0)
        return -RoundHalfAway(font.pointSizeF() * pixelsPerInch / 72.0);
    return -QFontInfo(font).pixelSize();
}

double UsablePpi(double pixelsPerInch) { return pixelsPerInch > 0 ? pixelsPerInch : 96.0; }

QString EdgeName(TToolbarEdge edge)
{
    for (const TEdgeName& entry : kEdgeNames)
        if (entry.Edge == edge)
            return QLatin1String(entry.Name);
    return QStringLiteral("top");
}

} // namespace

bool IsProgramFolderWritable(const QString& programDir)
{
#ifdef _WIN32
    // File attributes say nothing of a folder's access list (Program Files): try it.
    QFile probe(QDir(programDir).filePath(QStringLiteral("options.ini.%1.probe").arg(QCoreApplication::applicationPid())));
    if (!probe.open(QIODevice::WriteOnly | QIODevice::NewOnly))
        return false;
    probe.close();
    probe.remove();
    return true;
#else
    return QFileInfo(programDir).isWritable();
#endif
}

QString UserSettingsFolder()
{
#ifdef _WIN32
    // Windows programs keep their settings in the roaming profile.
    const QString roaming = qEnvironmentVariable("APPDATA");
    if (!roaming.isEmpty())
        return QDir(roaming).filePath(QStringLiteral("Тайнотека"));
#endif
    return QStandardPaths::writableLocation(QStandardPaths::AppConfigLocation);
}

QString SettingsFilePath(const QString& programDir)
{
    if (IsProgramFolderWritable(programDir))
        return QDir(programDir).filePath(QStringLiteral("options.ini"));
    const QString userFolder = UserSettingsFolder();
    QDir().mkpath(userFolder);
    return QDir(userFolder).filePath(QStringLiteral("options.ini"));
}

int PixelHeightForSize(int size, double pixelsPerInch)
{
    return -RoundHalfAway(double(size) * UsablePpi(pixelsPerInch) / 72.0);
}

int SizeForPixelHeight(int height, double pixelsPerInch)
{
    return RoundHalfAway(-double(height) * 72.0 / UsablePpi(pixelsPerInch));
}

QColor ColorFromValue(int value, const QPalette& palette)
{
    if (value < 0) {
        const TSystemColor system = SystemColorRole(value & 0xFF);
        return palette.color(system.Group, system.Role);
    }
    return QColor(value & 0xFF, (value >> 8) & 0xFF, (value >> 16) & 0xFF);
}

int FontPitch(const QFont& font)
{
    if (!(font.resolveMask() & QFont::FixedPitchResolved))
        return 0;
    return font.fixedPitch() ? 2 : 1;
}

void SetFontPitch(QFont& font, int pitch)
{
    switch (pitch) {
    case 1:
        font.setFixedPitch(false);
        font.setStyleHint(QFont::AnyStyle, font.styleStrategy());
        break;
    case 2:
        font.setFixedPitch(true);
        font.setStyleHint(QFont::TypeWriter, font.styleStrategy());
        break;
    default:
        font.setFixedPitch(false);
        font.setStyleHint(QFont::AnyStyle, font.styleStrategy());
        font.setResolveMask(font.resolveMask() & ~uint(QFont::FixedPitchResolved | QFont::StyleHintResolved));
        break;
    }
}

int ColorValue(const QColor& color)
{
    const QRgb rgb = color.rgb();
    return qRed(rgb) | (qGreen(rgb) << 8) | (qBlue(rgb) << 16);
}

QString DialogStartFolder(const QString& folder)
{
    const bool endsWithSeparator = folder.endsWith(QLatin1Char('/')) || folder.endsWith(QLatin1Char('\\'));
    if (!endsWithSeparator || folder.size() <= 1 || folder.at(folder.size() - 2) == QLatin1Char(':'))
        return folder;
    return folder.left(folder.size() - 1);
}

TSettings LoadSettings(const QString& iniPath, const QString& programDir, const QFont& currentFont,
                       double pixelsPerInch)
{
    const TProfileFile file(iniPath);
    const double ppi = UsablePpi(pixelsPerInch);
    TSettings settings;

    const QString chDir = file.ReadString(kDir, kChDir, programDir);
    const bool exists = !chDir.isEmpty() && QFileInfo(chDir).isDir();
    settings.StartFolder = DialogStartFolder(exists ? chDir : programDir);

    const QString position = file.ReadString(kToolbar, kPosition, QStringLiteral("top"));
    settings.ToolbarEdge = std::nullopt;
    for (const TEdgeName& entry : kEdgeNames)
        if (position == QLatin1String(entry.Name)) {
            settings.ToolbarEdge = entry.Edge;
            break;
        }

    QFont& font = settings.Font;
    font = currentFont;
    settings.Color = file.ReadInteger(kFont, kColor, WindowTextColorValue);
    SetFontHeight(font, file.ReadInteger(kFont, kHeight, kDefaultHeight));
    const QString name = file.ReadString(kFont, kName, QStringLiteral("MS Sans Serif"));
    if (!name.isEmpty())
        font.setFamily(name.left(kMaxFaceLength));
    SetFontPitch(font, file.ReadInteger(kFont, kPitch, 0));
    SetFontHeight(font, PixelHeightForSize(file.ReadInteger(kFont, kSize, kDefaultSize), ppi));
    font.setBold(file.ReadFlag(kFont, kStyleBold, false));
    font.setItalic(file.ReadFlag(kFont, kStyleItalic, false));
    font.setUnderline(file.ReadFlag(kFont, kStyleUnderline, false));
    font.setStrikeOut(file.ReadFlag(kFont, kStyleStrikeOut, false));

    settings.ClipboardOn = file.ReadFlag(kClipboard, kClipboardChecked, true);
    settings.SaveAsType = TypeFromWord(file.ReadString(kSaveAs, kType, TypeWord(TDocumentType::Age)));
    const int minutes = file.ReadInteger(kLock, kMinutes, DefaultLockMinutes);
    if (std::ranges::find(LockMinuteChoices, minutes) != std::end(LockMinuteChoices))
        settings.LockMinutes = minutes;
    return settings;
}

TFileResult SaveSettings(const TSettings& settings, const QString& iniPath, double pixelsPerInch)
{
    TProfileFile file(iniPath);
    const double ppi = UsablePpi(pixelsPerInch);
    const QFont& font = settings.Font;
    const int height = FontHeight(font, ppi);
    const auto flag = [](bool on) { return on ? QStringLiteral("1") : QStringLiteral("0"); };

    // A folder name with a line break cannot stand on one line; an empty
    // value makes the next start use the program's folder instead.
    QString startFolder = settings.StartFolder;
    if (startFolder.contains(QLatin1Char('\n')) || startFolder.contains(QLatin1Char('\r')))
        startFolder.clear();

    const struct {
        const QString& Section;
        const QString& Key;
        QString Value;
    } writes[] = {
        {kDir, kChDir, startFolder},
        {kToolbar, kPosition, EdgeName(settings.ToolbarEdge.value_or(TToolbarEdge::Top))},
        {kFont, kColor, QString::number(settings.Color)},
        {kFont, kHeight, QString::number(height)},
        {kFont, kName, font.family()},
        {kFont, kPitch, QString::number(FontPitch(font))},
        {kFont, kSize, QString::number(SizeForPixelHeight(height, ppi))},
        {kFont, kStyleBold, flag(font.bold())},
        {kFont, kStyleItalic, flag(font.italic())},
        {kFont, kStyleUnderline, flag(font.underline())},
        {kFont, kStyleStrikeOut, flag(font.strikeOut())},
        {kClipboard, kClipboardChecked, flag(settings.ClipboardOn)},
    };
    const auto failed = [&] {
        return TFileResult{false, QStringLiteral("Unable to write to %1")
                                      .arg(QDir::toNativeSeparators(QFileInfo(iniPath).absoluteFilePath())), 0};
    };
    for (const auto& write : writes)
        if (!file.WriteString(write.Section, write.Key, write.Value).Ok)
            return failed();
    // A file that never saw another type stays as it always was.
    const bool stored = file.ReadString(kSaveAs, kType, kMissing) != kMissing;
    if ((stored || settings.SaveAsType != TDocumentType::Age) &&
        !file.WriteString(kSaveAs, kType, TypeWord(settings.SaveAsType)).Ok)
        return failed();
    const bool lockStored = file.ReadString(kLock, kMinutes, kMissing) != kMissing;
    if ((lockStored || settings.LockMinutes != DefaultLockMinutes) &&
        !file.WriteString(kLock, kMinutes, QString::number(settings.LockMinutes)).Ok)
        return failed();
    return {true, {}, 0};
}

} // namespace tainoteka
