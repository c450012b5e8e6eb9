// The settings the main window shows: the dialogs' start folder, the toolbar
// edge, the editing area's font and colour and the clipboard switch.
#include <QAction>
#include <QGuiApplication>
#include <QPalette>

#include "RichEditText.h"
#include "Settings.h"
#include "U_General.h"

namespace tainoteka {

void TFrmGeneral::ApplySettings(const TSettings& settings)
{
    OpenDialog.InitialDir = settings.StartFolder;
    SaveDialog.InitialDir = settings.StartFolder;
    if (settings.ToolbarEdge)
        PlaceToolbar(*settings.ToolbarEdge);
    const QColor color = ColorFromValue(settings.Color, QGuiApplication::palette());
    QPalette palette = RichEditText->palette();
    palette.setColor(QPalette::Text, color);
    RichEditText->setPalette(palette);
    systemTextColor_.reset();
    if (settings.Color < 0)
        systemTextColor_ = TSystemColor{settings.Color, color};
    RichEditText->setFont(settings.Font);
    MnuEditClipboard->setChecked(settings.ClipboardOn);
    saveAsType_ = settings.SaveAsType;
    SetLockMinutes(settings.LockMinutes);
}

TSettings TFrmGeneral::CollectSettings() const
{
    TSettings settings;
    settings.StartFolder = OpenDialog.InitialDir;
    settings.ToolbarEdge = toolbarEdge_;
    settings.Font = RichEditText->font();
    const QColor shown = RichEditText->palette().color(QPalette::Text);
    settings.Color = systemTextColor_ && systemTextColor_->Shown == shown ? systemTextColor_->Value : ColorValue(shown);
    settings.ClipboardOn = MnuEditClipboard->isChecked();
    settings.SaveAsType = saveAsType_;
    settings.LockMinutes = lockMinutes_;
    return settings;
}

} // namespace tainoteka
