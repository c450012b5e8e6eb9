#include "Tainoteka.h"

#include <QKeyEvent>
#include <functional>

namespace tainoteka {
namespace {

// F1 in a dialog opens the help as it does in the main window: a dialog
// blocks only the main window, so the help can be read while it asks.
class THelpKey final : public QObject {
public:
    THelpKey(QWidget& dialog, std::function<void()> showHelp) : QObject(&dialog), showHelp_(std::move(showHelp))
    {
        dialog.installEventFilter(this);
    }

protected:
    bool eventFilter(QObject* watched, QEvent* event) override
    {
        if (event->type() == QEvent::KeyPress
            && static_cast<QKeyEvent*>(event)->keyCombination() == QKeyCombination(Qt::Key_F1)) {
            showHelp_();
            return true;
        }
        return QObject::eventFilter(watched, event);
    }

private:
    std::function<void()> showHelp_;
};

} // namespace

TTainoteka::TTainoteka(const TProgramServices& services)
    : FrmGeneral(TGeneralServices{services.Prompts, services.Shell, Document, services.Arguments, services.ProgramDir,
                                   services.DocumentFile, services.RecoveryFolder}),
      FrmPasswordCreate(services.Keyboard, Document, services.Prompts, &FrmGeneral),
      FrmPasswordEnter(services.Keyboard, &FrmGeneral),
      FrmAbout(services.Shell, &FrmGeneral)
{
    FrmPasswordCreate.setObjectName(QStringLiteral("FrmPasswordCreate"));
    FrmPasswordEnter.setObjectName(QStringLiteral("FrmPasswordEnter"));
    FrmGeneral.SetDialogs(&FrmPasswordCreate, &FrmPasswordEnter, &FrmAbout);
    for (QWidget* dialog : {static_cast<QWidget*>(&FrmPasswordCreate), static_cast<QWidget*>(&FrmPasswordEnter),
                            static_cast<QWidget*>(&FrmAbout)})
        new THelpKey(*dialog, [this] { FrmGeneral.MnuHelpHelpClick(); });
}

} // namespace tainoteka
