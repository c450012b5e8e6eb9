#pragma once
// The settings file beside the program: read once when the main window is
// created, written once when it closes. Between the two the values live in
// the window itself (dialog start folder, toolbar edge, the editing area's
// font and colour, the clipboard switch), never in a record of their own.
#include <QColor>
#include <QFont>
#include <QPalette>
#include <QString>

#include "AtomicFile.h"

namespace tainoteka {

class TFrmGeneral;
struct TDocumentState;

// options.ini beside the program when its folder can be written (a portable
// copy, the build tree); an installed program keeps it in the user's
// configuration folder instead, or no close could ever write it.
bool IsProgramFolderWritable(const QString& programDir);
// Where settings go when the program's folder cannot take them.
QString UserSettingsFolder();
QString SettingsFilePath(const QString& programDir);

// Applies every stored value to the window; missing or invalid values give
// their defaults silently. pixelsPerInch converts between point size and
// pixel height (the screen's logical dots per inch).
void LoadSettings(TFrmGeneral& window, const TDocumentState& document, const QString& iniPath, double pixelsPerInch);

// Writes every value, one write each, stopping at the first that fails; the
// error then reads "Unable to write to <full path>".
TFileResult SaveSettings(TFrmGeneral& window, const QString& iniPath, double pixelsPerInch);

// Pixel height for a point size: -(size * ppi / 72), halves away from zero.
int PixelHeightForSize(int size, double pixelsPerInch);
// Point size for a pixel height: -height * 72 / ppi, halves away from zero.
int SizeForPixelHeight(int height, double pixelsPerInch);

// The colour a stored colour value stands for. Non-negative: red in the low
// byte, then green, then blue (the top byte is ignored). Negative: a system
// colour whose index is the low byte, taken from palette.
QColor ColorFromValue(int value, const QPalette& palette);

// Pitch as stored: 0 default, 1 variable, 2 fixed. The font keeps it as an
// explicitly set (or unset) fixed-pitch request, so it survives in the
// editing area's own font.
int FontPitch(const QFont& font);
void SetFontPitch(QFont& font, int pitch);

} // namespace tainoteka
