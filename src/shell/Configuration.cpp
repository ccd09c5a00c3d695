#include "shell/Configuration.h"

QString Configuration::ProgramFolderOverride;
void Configuration::LoadPathsAndConfiguration() {}
void Configuration::SetProgramIdentity() {}
