// Find and replace: the Edit menu's commands, carried out by the find panel.
#include "FindPanel.h"
#include "U_General.h"

namespace tainoteka {

void TFrmGeneral::MnuEditFindClick() { FindPanel->OpenFind(); }

void TFrmGeneral::MnuEditFindNextClick() { FindPanel->FindNext(); }

void TFrmGeneral::MnuEditFindPreviousClick() { FindPanel->FindPrevious(); }

void TFrmGeneral::MnuEditReplaceClick() { FindPanel->OpenReplace(); }

} // namespace tainoteka
