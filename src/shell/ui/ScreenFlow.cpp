#include "shell/ui/ScreenFlow.h"

std::function<void(const QString&)> ScreenFlow::FatalHook;
void ScreenFlow::OpenNameSelection() {}
void ScreenFlow::BuildLevelCatalogue() {}
void ScreenFlow::ShowLevelMenu() {}
void ScreenFlow::ShowWaitScreen() {}
void ScreenFlow::CloseWaitScreen() {}
void ScreenFlow::Fatal(const QString&) {}
