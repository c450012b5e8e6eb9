// Font, help and About.
#include <QDialog>
#include <QPalette>

#include "Prompts.h"
#include "RichEditText.h"
#include "U_General.h"

namespace tainoteka {

void TFrmGeneral::MnuFormatFontClick()
{
    const TFontChoice current{RichEditText->font(), RichEditText->palette().color(QPalette::Text)};
    const std::optional<TFontChoice> chosen = prompts_.AskFont(this, current);
    if (!chosen)
        return;
    RichEditText->setFont(chosen->Font);
    QPalette palette = RichEditText->palette();
    palette.setColor(QPalette::Text, chosen->Color);
    RichEditText->setPalette(palette);
}

void TFrmGeneral::MnuHelpHelpClick()
{
    // Always beside the program, never the document's folder.
    helpViewer_.ShowHelp(programDir_, this);
}

void TFrmGeneral::MnuHelpAboutClick()
{
    if (frmAbout_)
        prompts_.ExecDialog(*frmAbout_);
}

} // namespace tainoteka
