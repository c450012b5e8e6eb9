// Edit commands and their enabled states.
#include <QApplication>
#include <QToolButton>

#include "ClipboardGuard.h"
#include "ClipboardTextWatch.h"
#include "FindPanel.h"
#include "RichEditText.h"
#include "U_General.h"

namespace tainoteka {

void TFrmGeneral::UpdateEditCommands()
{
    const bool clipboardOn = MnuEditClipboard->isChecked();
    ClipboardGuard->SetActive(!clipboardOn);
    RichEditText->SetClipboardBlocked(!clipboardOn);
    FindPanel->SetClipboardBlocked(!clipboardOn);
    const bool hasSelection = RichEditText->textCursor().hasSelection();
    const bool clipboardHasText = ClipboardText->OffersText();
    MnuEditCut->setEnabled(hasSelection && clipboardOn);
    MnuEditCopy->setEnabled(hasSelection && clipboardOn);
    MnuEditPaste->setEnabled(clipboardHasText && clipboardOn);
    MnuEditDelete->setEnabled(hasSelection);
    BtnCut->setEnabled(MnuEditCut->isEnabled());
    BtnCopy->setEnabled(MnuEditCopy->isEnabled());
    BtnPaste->setEnabled(MnuEditPaste->isEnabled());
}

void TFrmGeneral::MnuEditClick() { UpdateEditCommands(); }

void TFrmGeneral::MnuEditUndoClick() { RichEditText->undo(); }

void TFrmGeneral::MnuEditRedoClick() { RichEditText->redo(); }

void TFrmGeneral::MnuEditClipboardClick() { UpdateEditCommands(); }

void TFrmGeneral::MnuEditCutClick() { RichEditText->cut(); }

void TFrmGeneral::MnuEditCopyClick() { RichEditText->copy(); }

void TFrmGeneral::MnuEditPasteClick()
{
    // Asks the owner, within the bound, before reading.
    if (RichEditText->canPaste())
        RichEditText->paste();
    else
        QApplication::beep();
}

void TFrmGeneral::MnuEditPasteKey()
{
    ClipboardText->Refresh(TClipboardTextWatch::BoundedLookMs);
    MnuEditClick();
    // The key is not dropped without a sound when nothing can be pasted.
    if (MnuEditClipboard->isChecked() && !MnuEditPaste->isEnabled())
        QApplication::beep();
}

void TFrmGeneral::MnuEditDeleteClick() { RichEditText->textCursor().removeSelectedText(); }

void TFrmGeneral::MnuEditSelectAllClick() { RichEditText->selectAll(); }

} // namespace tainoteka
