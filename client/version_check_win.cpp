// Version check, updater launch and feedback page. They need the HTTP
// routine and the catalogue; until those are there, the buttons do nothing.
#include "handlers.h"

void CheckVersion() {}

void OpenFeedbackPage() {}
