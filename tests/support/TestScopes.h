#pragma once
#include "state/Environment.h"
#include "state/School.h"
#include "state/Session.h"

// The school, the session and the environment a test works with, owned here as main() owns them
// in the program. The environment starts with the system clock, the system random source and a
// responsive wait; ResetTestScopes() starts every test afresh.
School& TestSchool();
Session& TestSession();
Environment& TestEnv();
void ResetTestScopes();
