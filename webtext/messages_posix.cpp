#include "text.h"

// No window thread outside Windows.
void ProcessPendingMessages() {}
