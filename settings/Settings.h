#pragma once
// The settings file beside the program: read once when the main window is
// created, written once when it closes. Between the two the values live in
// the window itself (dialog start folder, toolbar edge, the editing area's
// font and colour, the clipboard switch); a TSettings only carries them to
// and from the file.
#include <QColor>
#include <QFont>
#include <QPalette>
#include <QString>

#include <optional>

#include "AtomicFile.h"
#include "DocumentType.h"
#include "ToolbarEdge.h"

namespace tainoteka {

// The colour value of the system colour "window text", the default.
inline constexpr int WindowTextColorValue = -16777208;

inline constexpr int DefaultLockMinutes = 10;
inline constexpr int LockMinuteChoices[] = {0, 5, 10, 30};

struct TSettings {
    QString StartFolder; // of the open and save dialogs, as a dialog takes it
    // nullopt: the stored edge is none of the four words, the toolbar stays put.
    std::optional<TToolbarEdge> ToolbarEdge = TToolbarEdge::Top;
    QFont Font; // of the editing area
    int Color = WindowTextColorValue; // as stored: see ColorFromValue
    bool ClipboardOn = true;
    // Picked first in Save As; stored only once it has been other than .txtp.
    TDocumentType SaveAsType = TDocumentType::Age;
    // Minutes without input before the document locks itself (0: never);
    // stored only once it has been other than the default.
    int LockMinutes = DefaultLockMinutes;
};

// options.ini beside the program when its folder can be written (a portable
// copy, the build tree); an installed program keeps it in the user's
// configuration folder instead, or no close could ever write it.
bool IsProgramFolderWritable(const QString& programDir);
// Where settings go when the program's folder cannot take them.
QString UserSettingsFolder();
QString SettingsFilePath(const QString& programDir);

// Reads every value; missing or invalid values give their defaults silently.
// programDir (with its trailing separator) is the start folder when the
// stored one is missing or gone; the stored font is laid over currentFont,
// which keeps what the file does not say. pixelsPerInch converts between
// point size and pixel height (the screen's logical dots per inch).
TSettings LoadSettings(const QString& iniPath, const QString& programDir, const QFont& currentFont,
                       double pixelsPerInch);

// Writes every value, one write each, stopping at the first that fails; the
// error then reads "Unable to write to <full path>".
TFileResult SaveSettings(const TSettings& settings, const QString& iniPath, double pixelsPerInch);

// The folder text a file dialog starts in: one trailing separator removed,
// unless the text is one character or the separator follows a drive colon.
QString DialogStartFolder(const QString& folder);

// Pixel height for a point size: -(size * ppi / 72), halves away from zero.
int PixelHeightForSize(int size, double pixelsPerInch);
// Point size for a pixel height: -height * 72 / ppi, halves away from zero.
int SizeForPixelHeight(int height, double pixelsPerInch);

// The colour a stored colour value stands for. Non-negative: red in the low
// byte, then green, then blue (the top byte is ignored). Negative: a system
// colour whose index is the low byte, taken from palette.
QColor ColorFromValue(int value, const QPalette& palette);
// A plain colour's value: red in the low byte, then green, then blue.
int ColorValue(const QColor& color);

// Pitch as stored: 0 default, 1 variable, 2 fixed. The font keeps it as an
// explicitly set (or unset) fixed-pitch request, so it survives in the
// editing area's own font.
int FontPitch(const QFont& font);
void SetFontPitch(QFont& font, int pitch);

} // namespace tainoteka
