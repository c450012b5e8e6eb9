#include "Tainoteka.h"

namespace tainoteka {

TTainoteka::TTainoteka(const TProgramServices& services)
    : FrmGeneral(TGeneralServices{services.Prompts, services.Shell, Document, services.Arguments, services.ProgramDir,
                                   services.DocumentFile}),
      FrmPasswordCreate(services.Keyboard, Document, services.Prompts, &FrmGeneral),
      FrmPasswordEnter(services.Keyboard, &FrmGeneral),
      FrmAbout(services.Shell, &FrmGeneral)
{
    FrmPasswordCreate.setObjectName(QStringLiteral("FrmPasswordCreate"));
    FrmPasswordEnter.setObjectName(QStringLiteral("FrmPasswordEnter"));
    FrmGeneral.SetDialogs(&FrmPasswordCreate, &FrmPasswordEnter, &FrmAbout);
}

} // namespace tainoteka
