// Find and replace: the Edit menu's commands, carried out by the find panel.
#include <QLabel>
#include <QTimer>

#include "FindPanel.h"
#include "U_General.h"

namespace tainoteka {

void TFrmGeneral::MnuEditFindClick() { FindPanel->OpenFind(); }

void TFrmGeneral::MnuEditFindNextClick() { FindPanel->FindNext(); }

void TFrmGeneral::MnuEditFindPreviousClick() { FindPanel->FindPrevious(); }

void TFrmGeneral::MnuEditReplaceClick() { FindPanel->OpenReplace(); }

void TFrmGeneral::ShowFindMessage(const QString& message)
{
    if (!findMessageTimer_) {
        findMessageTimer_ = new QTimer(this);
        findMessageTimer_->setSingleShot(true);
        connect(findMessageTimer_, &QTimer::timeout, StatusFindMessage, &QLabel::hide);
    }
    StatusFindMessage->setText(message);
    StatusFindMessage->show();
    findMessageTimer_->start(FindMessageMs);
}

} // namespace tainoteka
